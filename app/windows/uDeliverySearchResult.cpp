#include "app/windows/uDeliverySearchResult.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uStorage.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

TfDeliverySearchResult* fDeliverySearchResult = nullptr;

TfDeliverySearchResult::TfDeliverySearchResult(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fDeliverySearchResult"));
    SetCaption(QStringLiteral("Доставки - резултати от търсенето"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    resize(600, 360);

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcMyPersonalQuery, 8, 8, 584, 300);
    SetColumns(DBGrid1, {{"id", "Дост.№", 60},
                         {"cashbox_num", "Каса №", 60},
                         {"supplier", "Доставчик", 164},
                         {"delivery_date", "Дост. дата", 90},
                         {"invoice_num", "Фактура №", 80},
                         {"invoice_date", "Фактура дата", 96}});
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() | dgRowSelect);
    DBGrid1->OnDblClick = Bind(this, &TfDeliverySearchResult::bOKClick);
    DBGrid1->OnKeyDown = Bind(this, &TfDeliverySearchResult::DBGrid1KeyDown);

    bOK = Place<TButton>(this, "bOK", QStringLiteral("И&збор"), 8, 320, 110, 28);
    bPrint = Place<TButton>(this, "bPrint", QStringLiteral("&Печат"), 126, 320, 110, 28);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Изход"), 482, 320, 110, 28);
    bOK->SetDefault(true);
    bOK->OnClick = Bind(this, &TfDeliverySearchResult::bOKClick);
    bPrint->SetModalResult(mrYesToAll);
    bPrint->OnClick = Bind(this, &TfDeliverySearchResult::bPrintClick);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);

    OnClose = Bind(this, &TfDeliverySearchResult::FormClose);
    if (!fDeliverySearchResult)
        fDeliverySearchResult = this;
    PlaceFlatLook(this);
}

TfDeliverySearchResult::~TfDeliverySearchResult()
{
    if (fDeliverySearchResult == this)
        fDeliverySearchResult = nullptr;
}

void TfDeliverySearchResult::bOKClick(QObject*)
{
    TDaoTable* found = DM->tblMyPersonalQuery;
    if (!found->Active() || found->IsEmpty())
        return;
    const qint32 id = found->FieldByName(QStringLiteral("id"))->AsInteger();
    DM->tblDelivery->SetKeyFields(QStringLiteral("id"));
    if (!DM->tblDelivery->FindKey({id}))
        return;
    if (fStorage) {
        fStorage->LocateDeliveryStore();
        fStorage->eDeliveryID->SetText(QString::number(id));
    }
    Close();
}

void TfDeliverySearchResult::bPrintClick(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1); }

void TfDeliverySearchResult::DBGrid1KeyDown(QObject*, int& key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Escape)
        return;
    key = 0;
    Close();
}

void TfDeliverySearchResult::FormClose(QObject*, TCloseAction&) { SetFormStyle(fsNormal); }
