#include "app/windows/uCashFinish.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/windows/WindowKit.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"

TfCashFinish* fCashFinish = nullptr;

TfCashFinish::TfCashFinish(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fCashFinish"));
    SetCaption(QStringLiteral("Приключвания на каса"));
    SetPosition(poScreenCenter);
    resize(776, 400);
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcCashBox, 8, 8, 760, 346);
    SetColumns(DBGrid1, {{"id", "№", 40},
                         {"cashbox_nom", "Каса", 40},
                         {"from_date", "От дата", 80},
                         {"to_date", "До дата", 80},
                         {"accepted_money", "Взето", 76},
                         {"given_money", "Дадено", 76},
                         {"All_calculation", "Баланс", 76},
                         {"finished_date", "Приключено на", 136},
                         {"finished_seller_id", "Приключил", 80}});
    DBGrid1->SetReadOnly(true);
    ShowToTheCent(DM->tblCashBox, {"accepted_money", "given_money", "All_calculation"});
    DBGrid1->OnKeyDown = Bind(this, &TfCashFinish::DBGrid1KeyDown);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);
    FlatButton1 = Place<TFlatButton>(this, "FlatButton1", QStringLiteral("&Печат"), 596, 364, 80, 27);
    bCancel = Place<TFlatButton>(this, "bCancel", QStringLiteral("&Отказ"), 688, 364, 80, 27);
    for (TFlatButton* button : {FlatButton1, bCancel}) Anchor(button, akRight | akBottom);
    FlatButton1->OnClick = Bind(this, &TfCashFinish::FlatButton1Click);
    bCancel->OnClick = Bind(this, &TfCashFinish::bCancelClick);
    OnShow = Bind(this, &TfCashFinish::FormShow);
    OnClose = Bind(this, &TfCashFinish::FormClose);
    if (!fCashFinish) fCashFinish = this;
    PlaceFlatLook(this);
}

TfCashFinish::~TfCashFinish()
{
    if (fCashFinish == this) fCashFinish = nullptr;
}

void TfCashFinish::FormShow(QObject*)
{
    if (!DM->VantelDataBase->Connected()) return;
    TDaoTable* closings = DM->tblCashBox;
    if (!closings->Active()) closings->Open();
    closings->SetFilter(QStringLiteral("[cashbox_nom]=") + QString::number(DM->SettingsCashBox()));
    closings->SetFiltered(true);
}

void TfCashFinish::FormClose(QObject*, TCloseAction&)
{
    DM->tblCashBox->Close();
    DM->tblCashBox->SetFiltered(false);
    DM->tblCashBox->SetFilter(QString());
}

void TfCashFinish::DBGrid1KeyDown(QObject*, int& key, TShiftState)
{
    if (key == Qt::Key_Escape) Close();
}

void TfCashFinish::FlatButton1Click(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1); }

void TfCashFinish::bCancelClick(QObject*) { Close(); }
