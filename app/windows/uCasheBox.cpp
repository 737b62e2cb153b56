#include "app/windows/uCasheBox.h"

#include "app/datamodule/DModule.h"
#include "app/reports/GridColumnCopy.h"
#include "app/reports/PrintFlow.h"
#include "app/reports/URep.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/Utilities.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uOrderForm.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTransaction.h"
#include "memtable/MemTable.h"
#include "platform/os/StopPoint.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/Tabs.h"

#include <algorithm>

TfCasheBox* fCasheBox = nullptr;

namespace {

const QString kDateMask = QStringLiteral("!##/##/####;1;_");
const QString kInvalidDate = QStringLiteral("Невалидна дата !");
const QString kNotSaved = QStringLiteral("Поради възникнала грешка,\rданните не бяха записани !");

bool Connected() { return DM->VantelDataBase->Connected(); }

// A total of the open period; an empty or closed total counts 0.
double TotalOf(TDataSet* total, const char* field)
{
    if (!total->Active() || total->IsEmpty()) return 0;
    return total->FieldByName(QString::fromLatin1(field))->AsFloat();
}

// The query texts of amounts ("0.00") as numbers; an empty amount stays empty.
void CopyAmount(TField* from, TField* to, bool negate)
{
    const QString text = from->AsString().trimmed();
    if (from->IsNull() || text.isEmpty()) {
        to->Clear();
        return;
    }
    const double value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    to->SetAsFloat(negate ? -value : value);
}

QString Text(TDataSet* dataSet, const char* field) { return dataSet->FieldByName(QString::fromLatin1(field))->AsString(); }

// One source of the journal, in the order the journal lists them.
struct TJournalSource {
    TDaoTable* TDM::*Rows;
    const char* Income;
    int TypeKey;
    const char* Type;
    const char* DateField;
    QString (*Explanation)(TDataSet*);
    const char* Dds;  // empty: 0
    const char* Sum;
    const char* Total;
    bool MoneyOut;
};

QString PaidBy(TDataSet* d)
{
    return QStringLiteral("Платени от ") + Text(d, "name") + QStringLiteral(", ") + QStringLiteral("тел.") +
           Text(d, "phone") + QStringLiteral(", ") + Text(d, "comment");
}
QString PaidTo(TDataSet* d)
{
    return QStringLiteral("Платени на ") + Text(d, "name") + QStringLiteral(", ") + QStringLiteral("тел.") +
           Text(d, "phone") + QStringLiteral(", ") + Text(d, "comment");
}
QString OrderNumber(TDataSet* d) { return QStringLiteral("Поръчка номер ") + Text(d, "sale_num"); }
QString DeliveryNumber(TDataSet* d) { return QStringLiteral("Доставка номер ") + Text(d, "id"); }
QString PaidForWork(TDataSet* d)
{
    return QStringLiteral("Платени на ") + Text(d, "employee_name") + QStringLiteral(" за ") + Text(d, "work");
}
QString PaidToEmployee(TDataSet* d) { return QStringLiteral("Платени на ") + Text(d, "employee_name"); }

const TJournalSource* JournalSources(int& count)
{
    static const TJournalSource sources[] = {
        {&TDM::tblCashTakings, "Приход", 1, "Постъпления", "date", PaidBy, "", "take", "take", false},
        {&TDM::tblCashSale, "Приход", 2, "Поръчки", "sale_date", OrderNumber, "SaleDDS", "Sumsale_total",
         "Total", false},
        {&TDM::tblCashGiveIn, "Разход", 3, "Плащания", "date", PaidTo, "", "give", "give", true},
        {&TDM::tblCashDelivery, "Разход", 4, "Доставки", "delivery_date", DeliveryNumber,
         "DeliveryTaxFormat", "DeliverySumFormat", "DeliveryTotal", true},
        {&TDM::tblCashEPayment, "Разход", 5, "Плащания на раб.", "payment_date", PaidForWork, "",
         "payment", "payment", true},
        {&TDM::tblCashEWork, "Разход", 6, "Заплати на раб.", "payment_date", PaidToEmployee, "", "payment",
         "payment", true},
    };
    count = int(std::size(sources));
    return sources;
}

}  // namespace

TfCasheBox::TfCasheBox(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fCasheBox"));
    SetCaption(QStringLiteral("Каса"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    resize(800, 610);
    BuildPeriodBar();
    BuildSummary();
    BuildGrids();
    OnShow = Bind(this, &TfCasheBox::FormShow);
    DM->WindowHooks.CashPeriodBox = [this] { return periodOpen_ ? periodBox_ : DM->SettingsCashBox(); };
    if (!fCasheBox) fCasheBox = this;
    PlaceFlatLook(this);
}

TfCasheBox::~TfCasheBox()
{
    if (DM) DM->WindowHooks.CashPeriodBox = nullptr;
    if (fCasheBox == this) fCasheBox = nullptr;
}

void TfCasheBox::BuildPeriodBar()
{
    Label1 = Place<TLabel>(this, "Label1", QStringLiteral("от"), 8, 12, 18, 17);
    meStartDate = Place<TMaskEdit>(this, "meStartDate", 28, 8, 82, 24);
    Label2 = Place<TLabel>(this, "Label2", QStringLiteral("до"), 116, 12, 18, 17);
    meEndDate = Place<TMaskEdit>(this, "meEndDate", 140, 8, 82, 24);
    for (TMaskEdit* edit : {meStartDate, meEndDate}) {
        edit->SetEditMask(kDateMask);
        edit->OnExit = Bind(this, &TfCasheBox::meDateExit);
    }
    struct TButtonSpec {
        TFlatButton* TfCasheBox::*Member;
        const char* Name;
        const char* Caption;
        int Left;
        int Width;
        void (TfCasheBox::*Handler)(QObject*);
    };
    static const TButtonSpec buttons[] = {
        {&TfCasheBox::bDaily, "bDaily", "&Дневно", 230, 84, &TfCasheBox::bDailyClick},
        {&TfCasheBox::bMonthly, "bMonthly", "&Месечно", 318, 84, &TfCasheBox::bMonthlyClick},
        {&TfCasheBox::bFromDateToDate, "bFromDateToDate", "&От дата до  дата", 406, 130,
         &TfCasheBox::bFromDateToDateClick},
        {&TfCasheBox::bEnd, "bEnd", "&Приключи", 540, 84, &TfCasheBox::bEndClick},
        {&TfCasheBox::bPrint, "bPrint", "&Печат", 628, 78, &TfCasheBox::bPrintClick},
        {&TfCasheBox::bClose, "bClose", "&Изход", 710, 80, &TfCasheBox::bCloseClick},
    };
    for (const TButtonSpec& b : buttons) {
        this->*b.Member = Place<TFlatButton>(this, b.Name, QString::fromUtf8(b.Caption), b.Left, 6, b.Width, 27);
        (this->*b.Member)->OnClick = Bind(this, b.Handler);
    }
    bEnd->SetEnabled(false);
}

void TfCasheBox::BuildSummary()
{
    gbSummary = Place<TGroupBox>(this, "gbSummary", 8, 40, 784, 150);
    struct TTotalSpec {
        TDBEdit* TfCasheBox::*Member;
        const char* Name;
        const char* Caption;
        TDataSource* TDM::*Source;
        const char* Field;
        int Left;
        int Top;
        bool Income;
    };
    static const TTotalSpec totals[] = {
        {&TfCasheBox::dbeTakedTotalSum, "dbeTakedTotalSum", "Постъпления", &TDM::srcCashTTotal, "TakedTotalSum", 8, 16,
         true},
        {&TfCasheBox::dbeTotalSale, "dbeTotalSale", "Поръчки", &TDM::srcCashSTotal, "TotalSale", 8, 42, true},
        {&TfCasheBox::dbeGiveTotal, "dbeGiveTotal", "Плащания", &TDM::srcCashGTotal, "GiveTotal", 220, 16, false},
        {&TfCasheBox::dbeDeliveryTotal, "dbeDeliveryTotal", "Доставки", &TDM::srcCashDTotal, "Total", 220, 42, false},
        {&TfCasheBox::dbePaymentSum, "dbePaymentSum", "Пл. на раб.", &TDM::srcCashEPTotal, "PaymentSum", 220, 68,
         false},
        {&TfCasheBox::dbeWorkSum, "dbeWorkSum", "Заплати", &TDM::srcCashEWTotal, "PaymentSum", 220, 94, false},
    };
    int n = 3;
    for (const TTotalSpec& t : totals) {
        const QByteArray labelName = "Label" + QByteArray::number(n++);
        Place<TLabel>(gbSummary, labelName.constData(), QString::fromUtf8(t.Caption), t.Left, t.Top + 4, 90, 17);
        auto* box = PlaceDB<TDBEdit>(gbSummary, t.Name, DM->*t.Source, t.Field, t.Left + 92, t.Top, 100, 24);
        box->SetReadOnly(true);
        box->OnChange = Bind(this, t.Income ? &TfCasheBox::IncomeTotalChange : &TfCasheBox::ExpenseTotalChange);
        this->*t.Member = box;
    }
    dbeTakedTotalSum->OnExit = Bind(this, &TfCasheBox::TakeTotalExit);
    ShowToTheCent(DM->tblCashTTotal, {"TakedTotalSum"});
    ShowToTheCent(DM->tblCashSTotal, {"TotalSale"});
    ShowToTheCent(DM->tblCashGTotal, {"GiveTotal"});
    ShowToTheCent(DM->tblCashDTotal, {"Total"});
    for (TDaoTable* paid : {DM->tblCashEPTotal, DM->tblCashEWTotal}) ShowToTheCent(paid, {"PaymentSum"});

    auto plainBox = [this](const char* name, const char* labelName, const char* caption, int left, int top,
                           const QString& text) {
        Place<TLabel>(gbSummary, labelName, QString::fromUtf8(caption), left, top + 4, 90, 17);
        auto* box = Place<TEdit>(gbSummary, name, left + 92, top, 100, 24);
        box->SetReadOnly(true);
        box->SetText(text);
        return box;
    };
    eTakeTotal = plainBox("eTakeTotal", "Label9", "Общо приход", 8, 94, MoneyText(0));
    eGiveTotal = plainBox("eGiveTotal", "Label10", "Общо разход", 220, 120, MoneyText(0));
    eOldBalance = plainBox("eOldBalance", "Label11", "Старо салдо", 440, 16, MoneyText(0));
    eNewBalance = plainBox("eNewBalance", "Label12", "Ново салдо", 440, 42, MoneyText(0));
    QFont bold = eNewBalance->font();
    bold.setBold(true);
    eNewBalance->setFont(bold);
    lblSaldoDate = Place<TLabel>(gbSummary, "lblSaldoDate", QStringLiteral("Старото салдо е от дата"), 440, 76, 336, 17);
    lblLastFinished =
        Place<TLabel>(gbSummary, "lblLastFinished", QStringLiteral("Последно приключване"), 440, 102, 336, 17);
}

void TfCasheBox::BuildGrids()
{
    Notebook1 = Place<TNotebook>(this, "Notebook1", 8, 196, 784, 170);
    Notebook2 = Place<TNotebook>(this, "Notebook2", 8, 396, 784, 178);
    auto page = [](TNotebook* book, const char* name) { return book->AddPage(QString::fromLatin1(name)); };
    auto grid = [](QWidget* page, const char* name, TDataSource* source) {
        return PlaceGrid(page, name, source, 0, 0, 784, 170);
    };
    DBGridT1 = grid(page(Notebook1, "Takings"), "DBGridT1", DM->srcCashTakings);
    SetColumns(DBGridT1, {{"date", "Дата", 62}, {"name", "Име", 160}, {"phone", "Телефон", 100},
                          {"take", "Постъпили", 90}, {"comment", "Коментар", 320}});
    DBGridT2 = grid(page(Notebook1, "Sales"), "DBGridT2", DM->srcCashSale);
    SetColumns(DBGridT2, {{"sale_num", "Поръчка", 80}, {"sale_date", "Дата", 90}, {"tax_rate", "ДДС%", 60},
                          {"SaleDDS", "ДДС", 90}, {"Sumsale_total", "Сума", 100}, {"Total", "Всичко", 100}});
    DBGridG1 = grid(page(Notebook2, "Given"), "DBGridG1", DM->srcCashGiveIn);
    SetColumns(DBGridG1, {{"date", "Дата", 62}, {"name", "Име", 150}, {"phone", "Телефон", 100},
                          {"give", "Дадени", 90}, {"address", "Адрес", 150}, {"comment", "Коментар", 180}});
    DBGridG2 = grid(page(Notebook2, "Deliveries"), "DBGridG2", DM->srcCashDelivery);
    SetColumns(DBGridG2, {{"id", "Доставка", 80}, {"delivery_date", "Дата", 90}, {"DeliverySumFormat", "Сума", 100},
                          {"DeliveryTaxFormat", "ДДС", 90}, {"DeliveryTotal", "Всичко", 100}});
    DBGridG3 = grid(page(Notebook2, "Payments"), "DBGridG3", DM->srcCashEPayment);
    SetColumns(DBGridG3, {{"payment_date", "Дата", 90}, {"employee_name", "Име", 200}, {"work", "За работа", 250},
                          {"payment", "Платени", 100}});
    DBGridG4 = grid(page(Notebook2, "Wages"), "DBGridG4", DM->srcCashEWork);
    SetColumns(DBGridG4, {{"payment_date", "Дата", 90}, {"employee_name", "Име", 200}, {"payment", "Платени", 100}});
    for (TDBGrid* g : {DBGridT2, DBGridG2, DBGridG3, DBGridG4}) g->SetReadOnly(true);
    ShowToTheCent(DM->tblCashTakings, {"take"});
    ShowToTheCent(DM->tblCashGiveIn, {"give"});
    for (TDaoTable* paid : {DM->tblCashEPayment, DM->tblCashEWork}) ShowToTheCent(paid, {"payment"});

    TabSet1 = Place<TTabSet>(this, "TabSet1", 8, 366, 784, 24);
    TabSet1->Tabs().Add(QStringLiteral(" Постъпления "));
    TabSet1->Tabs().Add(QStringLiteral("   Поръчки   "));
    TabSet1->OnChange = Bind(this, &TfCasheBox::TabSet1Click);
    TabSet2 = Place<TTabSet>(this, "TabSet2", 8, 574, 784, 24);
    for (const char* tab : {" Плащания ", " Доставки ", " Пл. на работници ", " Заплати "})
        TabSet2->Tabs().Add(QString::fromUtf8(tab));
    TabSet2->OnChange = Bind(this, &TfCasheBox::TabSet2Click);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PlaceMenuItem(this, PopupMenu1->Items(), "N1", QStringLiteral("Добави"));
    PlaceMenuItem(this, PopupMenu1->Items(), "N2", QStringLiteral("Изтрий"));
    PlaceMenuItem(this, PopupMenu1->Items(), "N3", QStringLiteral("Приключи"));
    for (TDBGrid* g : {DBGridT1, DBGridG1}) {
        g->SetPopupMenu(PopupMenu1);
        g->OnEnter = Bind(this, &TfCasheBox::MoneyGridEnter);
        g->OnExit = Bind(this, &TfCasheBox::MoneyGridExit);
        g->OnKeyPress = Bind(this, &TfCasheBox::MoneyGridKeyPress);
    }
    for (TDBGrid* g : {DBGridT1, DBGridG1, DBGridT2}) SortOnTitleClick(g);
    for (TDaoTable* moves : {DM->tblCashTakings, DM->tblCashGiveIn}) {
        TDaoTable* total = moves == DM->tblCashTakings ? DM->tblCashTTotal : DM->tblCashGTotal;
        moves->AfterDelete = [this, total](TDataSet*) {
            PeriodEdited();
            if (total->Active()) total->Requery();
        };
    }
}

// --- periods -----------------------------------------------------------------------------------

QString TfCasheBox::PeriodText(TDateTime day) { return FormatDateTime(QStringLiteral("dd/MM/yyyy"), day); }

bool TfCasheBox::OpenPeriod(const QString& box, const QString& from, const QString& to)
{
    periodOpen_ = false;
    if (!Connected() || !MainWindow()) return false;
    THourglass hourglass;
    if (!MainWindow()->OpenCashPeriod(box, from, to)) return false;
    for (TDBEdit* total : {dbeTakedTotalSum, dbeTotalSale, dbeGiveTotal, dbeDeliveryTotal, dbePaymentSum, dbeWorkSum})
        if (total->Text().isEmpty()) total->SetText(MoneyText(0));
    if (eOldBalance->Text().isEmpty()) eOldBalance->SetText(MoneyText(0));
    periodBox_ = box.toInt();
    TryStrToDate(from, periodFrom_);
    TryStrToDate(to, periodTo_);
    periodOpen_ = true;
    CalcIncome();
    CalcExpense();
    return true;
}

double TfCasheBox::CalcIncome()
{
    const double income = TotalOf(DM->tblCashTTotal, "TakedTotalSum") + TotalOf(DM->tblCashSTotal, "TotalSale");
    eTakeTotal->SetText(MoneyText(income));
    ShowNewBalance();
    return income;
}

double TfCasheBox::CalcExpense()
{
    const double expense = TotalOf(DM->tblCashGTotal, "GiveTotal") + TotalOf(DM->tblCashDTotal, "Total") +
                           TotalOf(DM->tblCashEPTotal, "PaymentSum") + TotalOf(DM->tblCashEWTotal, "PaymentSum");
    eGiveTotal->SetText(MoneyText(expense));
    ShowNewBalance();
    return expense;
}

// The balance always agrees with the income and expense shown beside it.
void TfCasheBox::ShowNewBalance()
{
    if (!periodOpen_) return;
    const double balance = eTakeTotal->Text().toDouble() - eGiveTotal->Text().toDouble() + eOldBalance->Text().toDouble();
    eNewBalance->SetText(MoneyText(balance));
}

void TfCasheBox::DisableGrids()
{
    for (TDBGrid* grid : {DBGridT1, DBGridT2, DBGridG1, DBGridG2, DBGridG3, DBGridG4}) grid->DataSet()->DisableControls();
}

void TfCasheBox::EnableGrids()
{
    for (TDBGrid* grid : {DBGridT1, DBGridT2, DBGridG1, DBGridG2, DBGridG3, DBGridG4})
        if (grid->DataSet()->ControlsDisabled()) grid->DataSet()->EnableControls();
}

void TfCasheBox::StartPeriod(TDateTime from, TDateTime to, bool daily)
{
    meStartDate->SetText(PeriodText(from));
    meEndDate->SetText(PeriodText(to));
    DisableGrids();
    try {
        MainWindow()->CloseCashDatasets();
        app::DailyCashBox = daily;
        bEnd->SetEnabled(OpenPeriod(QString::number(DM->SettingsCashBox()), PeriodText(from), PeriodText(to)));
    } catch (...) {
        EnableGrids();
        throw;
    }
    EnableGrids();
}

void TfCasheBox::bDailyClick(QObject*)
{
    const TDateTime today = DateOf(Today());
    StartPeriod(today, NextDay(today), true);
}

void TfCasheBox::bMonthlyClick(QObject*)
{
    const TDateTime today = Today();
    StartPeriod(FirstDayOfMonth(today), NextDay(LastDayOfMonth(today)), false);
}

// The edit's date; false (with the message and the focus on the edit) when it holds none.
bool TfCasheBox::ReadDate(TMaskEdit* edit, TDateTime& day)
{
    if (!IsEmptyDate(edit->Text()) && TryStrToDate(edit->Text(), day)) return true;
    ShowWarning(kInvalidDate, false);
    edit->SetFocus();
    return false;
}

void TfCasheBox::bFromDateToDateClick(QObject*)
{
    if (!Connected()) return;
    TDateTime from = 0, to = 0;
    if (!ReadDate(meStartDate, from) || !ReadDate(meEndDate, to)) return;
    if (to <= from) {
        ShowWarning(kInvalidDate, false);
        meEndDate->SetFocus();
        return;
    }
    StartPeriod(from, to, to == from + 1);
}

void TfCasheBox::meDateExit(QObject* sender)
{
    auto* edit = static_cast<TMaskEdit*>(static_cast<QWidget*>(sender));
    TDateTime day = 0;
    if (IsEmptyDate(edit->Text()) || TryStrToDate(edit->Text(), day)) return;
    ShowWarning(kInvalidDate, false);
    edit->SetFocus();
}

void TfCasheBox::FormShow(QObject*)
{
    TabSet1->SetTabIndex(0);
    TabSet2->SetTabIndex(0);
    Notebook1->SetPageIndex(0);
    Notebook2->SetPageIndex(0);
    // 62 pixels, or as much as a date needs in the font of this screen.
    const int dateWidth = std::max(62, DBGridT1->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")));
    DBGridT1->Columns()[0]->SetWidth(dateWidth);
    DBGridG1->Columns()[0]->SetWidth(dateWidth);
    if (!Connected()) return;
    const TDateTime today = DateOf(Today());
    const bool wasEnabled = bEnd->Enabled();
    StartPeriod(today, NextDay(today), true);
    // The first show keeps the closing button as it was, unless the day could not be opened.
    bEnd->SetEnabled(wasEnabled && periodOpen_);
}

void TfCasheBox::TabSet1Click(QObject*) { Notebook1->SetPageIndex(TabSet1->TabIndex()); }
void TfCasheBox::TabSet2Click(QObject*) { Notebook2->SetPageIndex(TabSet2->TabIndex()); }

void TfCasheBox::bCloseClick(QObject*) { Close(); }

// --- editing money rows ------------------------------------------------------------------------

TDataSet* TfCasheBox::MoneyDataSet(QObject* grid) const
{
    return static_cast<TDBGrid*>(static_cast<QWidget*>(grid))->DataSet();
}

void TfCasheBox::PeriodEdited() { bEnd->SetEnabled(false); }

void TfCasheBox::MoneyGridEnter(QObject* sender)
{
    static_cast<TDBGrid*>(static_cast<QWidget*>(sender))->DataSource()->SetAutoEdit(true);
}

// Only a row being edited or inserted with something typed in it is posted; an untouched new
// row is dropped, so leaving an empty grid adds nothing.
void TfCasheBox::MoneyGridExit(QObject* sender)
{
    TDataSet* rows = MoneyDataSet(sender);
    if (rows->State() != dsEdit && rows->State() != dsInsert) return;
    if (rows->Modified())
        rows->Post();
    else
        rows->Cancel();
}

void TfCasheBox::MoneyGridKeyPress(QObject* sender, QChar& key)
{
    auto* grid = static_cast<TDBGrid*>(static_cast<QWidget*>(sender));
    const QString field = grid->SelectedColumn() ? grid->SelectedColumn()->FieldName() : QString();
    if (field == QLatin1String("date")) {
        key = QChar();
        return;
    }
    if ((field == QLatin1String("take") || field == QLatin1String("give")) && key == QLatin1Char('-')) {
        key = QChar();
        return;
    }
    PeriodEdited();
}

void TfCasheBox::IncomeTotalChange(QObject*) { CalcIncome(); }
void TfCasheBox::ExpenseTotalChange(QObject*) { CalcExpense(); }

void TfCasheBox::TakeTotalExit(QObject*)
{
    if (dbeTakedTotalSum->Text().isEmpty()) dbeTakedTotalSum->SetText(MoneyText(0));
}

// --- closing -----------------------------------------------------------------------------------

void TfCasheBox::bEndClick(QObject*)
{
    if (!Connected() || !periodOpen_ || !bEnd->Enabled()) return;
    // Off before anything is asked or written: a second click meanwhile writes nothing.
    bEnd->SetEnabled(false);
    if (fSetings->cbMessages->Checked() &&
        !ShowWarning(QStringLiteral("Искате ли да приключите периода\rот ") + DateToStr(periodFrom_) +
                         QStringLiteral(" до ") + DateToStr(periodTo_) + QStringLiteral(" !"),
                     true)) {
        bEnd->SetEnabled(true);
        return;
    }
    try {
        AppendClosing();
    } catch (const std::exception&) {
        ShowWarning(kNotSaved, false);
        bEnd->SetEnabled(true);
        return;
    }
    // The row is written: what follows may fail without inviting a second closing.
    ShowWarning(QStringLiteral("Периода бе приключен успешно !"), false);
    lblLastFinished->SetCaption(QStringLiteral("Последно приключване   ") + DateToStr(periodFrom_));
    try {
        DM->tblCashBox->Requery();
    } catch (const std::exception&) {
    }
}

void TfCasheBox::AppendClosing()
{
    TDaoTable* closings = DM->tblCashBox;
    if (!closings->Active()) closings->Open();
    // The row is kept only when all of its post went well: a closing said to have failed was
    // not stored, and closing again stores it once.
    TDaoTransaction transaction(*DM->VantelDataBase);
    closings->Append();
    try {
        auto set = [closings](const char* field) { return closings->FieldByName(QString::fromLatin1(field)); };
        set("finished_seller_id")->SetAsString(app::CurrentSellerId);
        set("cashbox_nom")->SetAsInteger(periodBox_);
        set("from_date")->SetAsDateTime(periodFrom_);
        set("to_date")->SetAsDateTime(AddDays(-1, periodTo_));
        set("accepted_money")->SetAsFloat(eTakeTotal->Text().toDouble());
        set("given_money")->SetAsFloat(eGiveTotal->Text().toDouble());
        set("All_calculation")->SetAsFloat(eNewBalance->Text().toDouble());
        set("finished_date")->SetAsDateTime(Now());
        set("finished")->SetAsBoolean(app::DailyCashBox);
        closings->Post();
        StopPoint("closing a cash period");
        transaction.Commit();
    } catch (...) {
        if (closings->State() == dsInsert) closings->Cancel();
        throw;
    }
}

// --- the journal and its printout --------------------------------------------------------------

QString TfCasheBox::JournalExplanation(const QString& text)
{
    return text.size() > 50 ? text.left(46) + QStringLiteral(" ...") : text;
}

void TfCasheBox::BuildJournal()
{
    TMemTable* journal = DM->tblMemTable;
    journal->Close();
    journal->Open();
    DM->tblCashTakings->First();
    TApplication::ProcessMessages();
    int count = 0;
    const TJournalSource* sources = JournalSources(count);
    auto field = [journal](const char* name) { return journal->FieldByName(QString::fromLatin1(name)); };
    for (int s = 0; s < count; ++s) {
        const TJournalSource& source = sources[s];
        TDataSet* rows = DM->*source.Rows;
        for (rows->First(); !rows->Eof(); rows->Next()) {
            journal->Append();
            TField* date = rows->FieldByName(QString::fromLatin1(source.DateField));
            if (!date->IsNull()) field("date")->SetAsDateTime(date->AsDateTime());
            field("income")->SetAsString(QString::fromUtf8(source.Income));
            field("type_key")->SetAsInteger(source.TypeKey);
            field("type")->SetAsString(QString::fromUtf8(source.Type));
            field("additional")->SetAsString(JournalExplanation(source.Explanation(rows)));
            if (*source.Dds)
                CopyAmount(rows->FieldByName(QString::fromLatin1(source.Dds)), field("dds"), false);
            else
                field("dds")->SetAsFloat(0);
            CopyAmount(rows->FieldByName(QString::fromLatin1(source.Sum)), field("sum"), false);
            CopyAmount(rows->FieldByName(QString::fromLatin1(source.Total)), field("total"), source.MoneyOut);
            journal->Post();
        }
    }
    journal->First();
}

void TfCasheBox::bPrintClick(QObject*)
{
    if (!Connected() || !periodOpen_) return;
    BuildJournal();
    PrintGrid(fOrderForm->DBGrid1);
}

void TfCasheBox::PrintGrid(TDBGrid* grid)
{
    TReport& report = *Report;
    CopyGridColumns(grid, report, report.ColumnHeaderBand1, report.DetailBand1);
    const QString from = DateToStr(periodFrom_), to = DateToStr(periodTo_);
    report.lblVersion->SetCaption(QStringLiteral("CarVantel v4.04 ®"));
    report.lblPeriod->SetCaption(QStringLiteral("от ") + from + QStringLiteral(" до ") + to);
    report.lblPeriod2->SetCaption(QStringLiteral("Отчет от ") + from + QStringLiteral(" до ") + to);
    report.lblTitle->SetCaption(QStringLiteral("Отчет за каса № ") + QString::number(periodBox_));
    report.lblIncomeValue->SetCaption(eTakeTotal->Text());
    report.lblExpenseValue->SetCaption(eGiveTotal->Text());
    report.lblSaldoDate->SetCaption(lblSaldoDate->Caption());
    report.lblOldBalanceValue->SetCaption(eOldBalance->Text());
    report.lblNewBalanceValue->SetCaption(eNewBalance->Text());
    for (TReportBand* band : {report.TitleBand1, report.SummaryBand1})
        for (TReportPrintable* printable : band->Printables()) {
            printable->SetEnabled(true);
            printable->SetVisible(true);
        }
    RunReport(report, TPrintMode::Preview);
}
