#include "app/windows/uOrderForm.h"

#include "app/datamodule/DModule.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uCasheBox.h"
#include "controls/FlatButton.h"
#include "memtable/MemTable.h"

TfOrderForm* fOrderForm = nullptr;

TfOrderForm::TfOrderForm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fOrderForm"));
    SetCaption(QStringLiteral("Отчет"));
    SetPosition(poScreenCenter);
    resize(760, 420);
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcMemtable, 8, 8, 744, 366);
    SetColumns(DBGrid1, {{"id", "№", 25},
                         {"date", "Дата", 76},
                         {"income", "Вид", 47},
                         {"type", "Операция", 93},
                         {"additional", "Разяснения", 298},
                         {"dds", "ДДС", 48},
                         {"sum", "Сума", 48},
                         {"total", "Всичко", 56}});
    DBGrid1->SetReadOnly(true);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);
    bSearch = Place<TFlatButton>(this, "bSearch", QStringLiteral("&Печат"), 580, 384, 80, 27);
    FlatButton1 = Place<TFlatButton>(this, "FlatButton1", QStringLiteral("&Изход"), 672, 384, 80, 27);
    for (TFlatButton* button : {bSearch, FlatButton1}) Anchor(button, akRight | akBottom);
    bSearch->OnClick = Bind(this, &TfOrderForm::bSearchClick);
    FlatButton1->OnClick = Bind(this, &TfOrderForm::FlatButton1Click);
    OnShow = Bind(this, &TfOrderForm::FormShow);
    OnClose = Bind(this, &TfOrderForm::FormClose);
    if (!fOrderForm) fOrderForm = this;
    PlaceFlatLook(this);
}

TfOrderForm::~TfOrderForm()
{
    if (fOrderForm == this) fOrderForm = nullptr;
}

void TfOrderForm::FormShow(QObject*)
{
    if (!DM->tblMemTable->Active()) DM->tblMemTable->Open();
}

void TfOrderForm::FormClose(QObject*, TCloseAction&) { DM->tblMemTable->Close(); }

void TfOrderForm::FlatButton1Click(QObject*) { Close(); }

void TfOrderForm::bSearchClick(QObject*) { fCasheBox->PrintGrid(DBGrid1); }
