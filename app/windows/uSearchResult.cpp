#include "app/windows/uSearchResult.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

TfSearchResult* fSearchResult = nullptr;

TfSearchResult::TfSearchResult(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fSearchResult"));
    SetCaption(QStringLiteral("Резултати от търсенето"));
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    resize(780, 400);

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcMyPersonalQuery, 8, 8, 764, 340);
    // The widths fit the printed page too.
    SetColumns(DBGrid1, {{"sale_num", "Пок. №", 50},
                         {"cashbox_num", "Каса №", 50},
                         {"car_number", "Автомобил №", 90},
                         {"name", "Собственик", 170},
                         {"firm_name", "Фирма", 130},
                         {"sale_date", "Дата", 76},
                         {"invoice_num", "Фактура №", 75},
                         {"invoice_date", "Факт. дата", 76}});
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() | dgRowSelect);
    DBGrid1->OnDblClick = Bind(this, &TfSearchResult::DBGrid1DblClick);
    DBGrid1->OnKeyPress = Bind(this, &TfSearchResult::DBGrid1KeyPress);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);

    bOK = Place<TButton>(this, "bOK", QStringLiteral("И&збор"), 8, 360, 110, 28);
    bPrint = Place<TButton>(this, "bPrint", QStringLiteral("&Печат"), 126, 360, 110, 28);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Изход"), 662, 360, 110, 28);
    bOK->OnClick = Bind(this, &TfSearchResult::DBGrid1DblClick);
    bPrint->SetModalResult(mrYesToAll);
    bPrint->OnClick = Bind(this, &TfSearchResult::bPrintClick);
    bCancel->SetModalResult(mrCancel);
    for (TButton* button : {bOK, bPrint})
        Anchor(button, akLeft | akBottom);
    Anchor(bCancel, akRight | akBottom);

    PlaceFlatLook(this);
    if (!fSearchResult) fSearchResult = this;
}

TfSearchResult::~TfSearchResult()
{
    if (fSearchResult == this) fSearchResult = nullptr;
}

void TfSearchResult::DBGrid1DblClick(QObject*)
{
    TDaoTable* found = DM->tblMyPersonalQuery;
    if (!found->Active() || found->IsEmpty()) return;
    DM->tblSale->SetKeyFields(QStringLiteral("id"));
    if (DM->tblSale->FindKey({found->FieldByName(QStringLiteral("id"))->AsInteger()})) {
        if (MainWindow()) MainWindow()->ShowCurrentSale();
        Close();
        return;
    }
    if (fSetings && fSetings->cbMessages->Checked())
        ShowWarning(QStringLiteral("Избраният запис не е във вашия списък,\rвероятно филтриран с конкретна фирма или каса ."),
                    false);
}

void TfSearchResult::DBGrid1KeyPress(QObject*, QChar& key)
{
    HandleGridKeys(key, {[this] { SetModalResult(mrCancel); }, [this] { DBGrid1DblClick(DBGrid1); }, [this] { bPrint->SetFocus(); }});
}

void TfSearchResult::bPrintClick(QObject*)
{
    if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1);
}
