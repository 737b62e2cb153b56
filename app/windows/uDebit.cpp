#include "app/windows/uDebit.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/util/AppGlobals.h"
#include "app/util/Utilities.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QRegularExpression>

TfDebit* fDebit = nullptr;

namespace {

const QString kDateMask = QStringLiteral("!##/##/####;1;_");

// An empty discount counts as none and an empty delivery price as no cost, so such a line
// keeps its place in the list and in the total.
const char* const kDebitQuerySql =
    "SELECT sale_detail.id, sale.cashbox_num, sale_detail.cur_prod_count,sale.sale_num, sale_detail.article_code, "
    "sale_detail.article_name,sale_detail.delivery_price, sale_detail.sale_price, sale_detail.discount,"
    "sale_detail.dimention, sale_detail.sale_quantity,Nz(sale_detail.[delivery_price],0)*[sale_quantity] AS "
    "TotalDeliverySum,Format((([sale_price]*100-Nz([discount],0)*[sale_price])/100)*[sale_quantity],'Fixed',0,0) AS "
    "TotalSaleSum,TotalSaleSum-TotalDeliverySum AS DebitSum,sale_detail.delivery_detail_id, sale_detail.service,"
    "sale_detail.delivery_tax_value, sale_detail.last_modified,sale_detail.seller_id, sale.sale_date, "
    "sale.invoice_accept, sale.invoice_annul,sale.kochan_num, sale.finished FROM sale INNER JOIN sale_detail ON "
    "sale.id = sale_detail.sale_id WHERE sale.invoice_annul=False";
// A period without lines totals 0, not Null.
const char* const kDebitSumSql =
    "SELECT Nz(Sum((([sale_price]*100-Nz([discount],0)*[sale_price])/100)*[sale_quantity]-Nz(sale_detail."
    "delivery_price,0)*[sale_quantity]),0) AS OK FROM sale INNER JOIN sale_detail ON sale.id=sale_detail.sale_id "
    "WHERE sale.invoice_annul=False";

// Re-opens `table` on `sql` under the hourglass; closed again when the engine refuses it.
void OpenOn(TDaoTable* table, const QString& sql)
{
    if (!DM->VantelDataBase->Connected()) return;
    THourglass hourglass;
    table->Close();
    table->SQL().SetText(sql);
    {
        // Its controls show the rows once the money has its format.
        const TControlsOff tableOff(table);
        try {
            table->Open();
        } catch (...) {
            table->Close();
            throw;
        }
    }
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
}

QString DayText(TDateTime day) { return FormatDateTime(QStringLiteral("dd/MM/yyyy"), day); }

}  // namespace

TfDebit::TfDebit(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fDebit"));
    SetCaption(QStringLiteral("Печалба за период"));
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    resize(780, 500);

    // The widths fit the printed page too.
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcDebitQuery, 8, 8, 764, 396);
    SetColumns(DBGrid1, {{"sale_num", "№", 36},
                         {"sale_date", "Дата", 76},
                         {"article_code", "Артикул", 60},
                         {"article_name", "Наименование", 150},
                         {"delivery_price", "Дост.", 52, TColumnAlign::Right},
                         {"sale_price", "Прод.", 52, TColumnAlign::Right},
                         {"sale_quantity", "Кол.", 40, TColumnAlign::Right},
                         {"discount", "Отст.", 40, TColumnAlign::Right},
                         {"TotalDeliverySum", "Общ Дост.", 76, TColumnAlign::Right},
                         {"TotalSaleSum", "Общ Прод.", 76, TColumnAlign::Right},
                         {"DebitSum", "Дебит", 60, TColumnAlign::Right}});
    DBGrid1->SetReadOnly(true);
    ShowToTheCent(DM->tblDebitQuery, {"delivery_price", "sale_price", "TotalDeliverySum", "DebitSum"});
    ShowToTheCent(DM->tblDebSum, {"OK"});
    DBGrid1->OnKeyPress = Bind(this, &TfDebit::DBGrid1KeyPress);
    DBGrid1->OnDblClick = Bind(this, &TfDebit::DBGrid1DblClick);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);

    Panel1 = Place<TPanel>(this, "Panel1", 0, 412, 780, 88);
    Anchor(Panel1, akLeft | akRight | akBottom);
    lblTotal = Place<TLabel>(Panel1, "lblTotal", QStringLiteral("Обща печалба "), 8, 13, 100, 16);
    DBE_sale_num = PlaceDB<TDBEdit>(Panel1, "DBE_sale_num", DM->srcDebSum, "OK", 110, 10, 110, 22);
    DBE_sale_num->SetReadOnly(true);
    Place<TLabel>(Panel1, "lblStart", QStringLiteral("От"), 240, 13, 24, 16);
    meStartDate = Place<TMaskEdit>(Panel1, "meStartDate", 266, 10, 90, 22);
    Place<TLabel>(Panel1, "lblEnd", QStringLiteral("До"), 370, 13, 24, 16);
    meEndDate = Place<TMaskEdit>(Panel1, "meEndDate", 396, 10, 90, 22);
    for (TMaskEdit* edit : {meStartDate, meEndDate}) {
        edit->SetEditMask(kDateMask);
        edit->SetMaxLength(10);
    }
    meStartDate->OnExit = Bind(this, &TfDebit::meStartDateExit);
    meEndDate->OnExit = Bind(this, &TfDebit::meEndDateExit);
    lblCasheBoxNum = Place<TLabel>(Panel1, "lblCasheBoxNum", QStringLiteral("Каса №"), 506, 13, 52, 16);
    CasheBoxNum = Place<TEdit>(Panel1, "CasheBoxNum", 560, 10, 44, 22);
    CasheBoxNum->SetText(QStringLiteral("0"));
    CasheBoxNum->OnChange = Bind(this, &TfDebit::CasheBoxNumChange);
    cbxOnlyThis = Place<TCheckBox>(Panel1, "cbxOnlyThis", QStringLiteral("От тази фирма"), 620, 11, 150, 20);

    FlatButton1 = Place<TFlatButton>(Panel1, "FlatButton1", QStringLiteral("П&ресметни"), 8, 48, 120, 28);
    FlatButton1->OnClick = Bind(this, &TfDebit::FlatButton1Click);
    bPrint = Place<TButton>(Panel1, "bPrint", QStringLiteral("&Печат"), 542, 48, 110, 28);
    bPrint->SetModalResult(mrYesToAll);
    bPrint->OnClick = Bind(this, &TfDebit::bPrintClick);
    bCancel = Place<TButton>(Panel1, "bCancel", QStringLiteral("&Изход"), 662, 48, 110, 28);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);
    for (QWidget* button : std::initializer_list<QWidget*>{bPrint, bCancel})
        Anchor(button, akRight | akTop);

    PlaceFlatLook(this);
    OnShow = Bind(this, &TfDebit::FormShow);
    OnActivate = Bind(this, &TfDebit::FormActivate);
    if (!fDebit) fDebit = this;
}

TfDebit::~TfDebit()
{
    if (fDebit == this) fDebit = nullptr;
}

QString TfDebit::PeriodConditions(const QString& box, const QString& start, const QString& end) const
{
    QString conditions;
    if (!IsEmptyDate(start))
        conditions += QStringLiteral(" AND [sale_date]>=") + SqlDate(StrToDate(start));
    if (!IsEmptyDate(end))
        conditions += QStringLiteral(" AND [sale_date]<") + SqlDate(StrToDate(end));
    const int number = box.isEmpty() ? 0 : box.toInt();
    if (number != 0) conditions += QStringLiteral(" AND sale.cashbox_num = ") + QString::number(number);
    if (cbxOnlyThis->Checked()) conditions += QStringLiteral(" AND sale.myfirm_id=") + QString::number(app::CurrentFirmId);
    return conditions + QLatin1Char(';');
}

void TfDebit::RunDebitQuery(const QString& box, const QString& start, const QString& end)
{
    QString conditions = PeriodConditions(box, start, end);
    // The lines in the order they were sold, as a person reads a period.
    conditions.insert(conditions.size() - 1, QStringLiteral(" ORDER BY sale.sale_date, sale.sale_num, "
                                                            "sale_detail.cur_prod_count"));
    OpenOn(DM->tblDebitQuery, QString::fromUtf8(kDebitQuerySql) + conditions);
}

void TfDebit::RunDebitSum(const QString& box, const QString& start, const QString& end)
{
    OpenOn(DM->tblDebSum, QString::fromUtf8(kDebitSumSql) + PeriodConditions(box, start, end));
}

void TfDebit::Calculate()
{
    TDaoTable* lines = DM->tblDebitQuery;
    TControlsOff linesOff(lines);
    try {
        RunDebitQuery(CasheBoxNum->Text(), meStartDate->Text(), meEndDate->Text());
        RunDebitSum(CasheBoxNum->Text(), meStartDate->Text(), meEndDate->Text());
    } catch (const std::exception& error) {
        // Neither the list nor a total of an earlier run may stand for this one.
        lines->Close();
        DM->tblDebSum->Close();
        linesOff.Enable();
        ShowWarning(QStringLiteral("Процесът е прекратен поради грешка \r") + QString::fromUtf8(error.what()), false);
    }
}

void TfDebit::FormShow(QObject*)
{
    setUp_ = false;
}

void TfDebit::FormActivate(QObject*)
{
    // The window is activated again after each message or preview over it; the criteria the
    // user chose since opening stay.
    if (setUp_) return;
    setUp_ = true;
    const bool choose = fSetings && fSetings->cbChangeSaleData->Checked();
    if (!choose) {
        cbxOnlyThis->SetChecked(true);
        CasheBoxNum->SetText(QStringLiteral("0"));
    }
    for (QWidget* control : std::initializer_list<QWidget*>{cbxOnlyThis, CasheBoxNum, lblCasheBoxNum})
        control->setVisible(choose);
    const TDateTime today = Today();
    meEndDate->SetText(DayText(NextDay(LastDayOfMonth(today))));
    meStartDate->SetText(DayText(FirstDayOfMonth(today)));
    Calculate();
}

void TfDebit::FlatButton1Click(QObject*)
{
    Calculate();
}

void TfDebit::CasheBoxNumChange(QObject*)
{
    const QString text = CasheBoxNum->Text();
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    bool number = true;
    const int box = text.isEmpty() ? 0 : text.toInt(&number);
    // A stray character keeps the box typed before it, never "every box".
    const QString shown = digits.match(text).hasMatch() && number ? QString::number(box) : lastBox_;
    lastBox_ = shown;
    if (shown == text) return;
    CasheBoxNum->SetText(shown);
    CasheBoxNum->SetSelStart(int(shown.size()));
}

void TfDebit::meStartDateExit(QObject*) { CheckDateEdit(meStartDate); }
void TfDebit::meEndDateExit(QObject*) { CheckDateEdit(meEndDate); }

void TfDebit::DBGrid1KeyPress(QObject*, QChar& key)
{
    HandleGridKeys(key, {[this] { SetModalResult(mrCancel); }, [this] { DBGrid1DblClick(DBGrid1); }, [this] { bPrint->SetFocus(); }});
}

void TfDebit::DBGrid1DblClick(QObject*) {}

void TfDebit::bPrintClick(QObject*)
{
    if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1);
}
