// The cash box over a small shop of two boxes and two days (tests/fixtures/cash_period.sql):
// periods, totals and balances, closings, the money grids and the journal with its printout.

#include "ProgramFixture.h"

#include "app/reports/URep.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uOrderForm.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "memtable/MemTable.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"

#include <QProcess>
#include <QTest>
#include <utility>

namespace {

constexpr TDateTime kDay1 = 46174;  // 01/06/2026
const QString kQuestion = QStringLiteral("Искате ли да приключите периода\rот 01.06.2026 до 02.06.2026 !");
const QString kDone = QStringLiteral("Периода бе приключен успешно !");
const QString kNotSaved = QStringLiteral("Поради възникнала грешка,\rданните не бяха записани !");
const QString kOpenError = QStringLiteral("Грешка при отваряне на касата !");
const QString kInvalidDate = QStringLiteral("Невалидна дата !");

// What the summary shows, box by box.
struct TShownTotals {
    QString taken, sales, given, deliveries, payments, wages, income, expense, oldBalance, newBalance, saldoDate,
        lastFinished;
};

class CasheBoxTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        LoginAsAdministrator();
        Seed("cash_period.sql");
        CreateReportTemplates(*application_);
        box = fCasheBox;
        box->Today = [this] { return today; };
        SetBox(1);
        host_.ClearShown();
    }

    void SetBox(int number) { fSetings->cbxCashBoxNum->SetText(QString::number(number)); }
    // A custom period typed into the two edits.
    void Custom(const char* from, const char* to)
    {
        box->meStartDate->SetText(QString::fromLatin1(from));
        box->meEndDate->SetText(QString::fromLatin1(to));
        box->bFromDateToDateClick(nullptr);
    }
    int Closings() const { return int(Scalar(QStringLiteral("SELECT count(*) FROM cashbox"))); }

    TShownTotals Shown() const
    {
        return {box->dbeTakedTotalSum->Text(), box->dbeTotalSale->Text(),   box->dbeGiveTotal->Text(),
                box->dbeDeliveryTotal->Text(), box->dbePaymentSum->Text(),  box->dbeWorkSum->Text(),
                box->eTakeTotal->Text(),       box->eGiveTotal->Text(),     box->eOldBalance->Text(),
                box->eNewBalance->Text(),      box->lblSaldoDate->Caption(), box->lblLastFinished->Caption()};
    }

    TDateTime today = kDay1;
    TfCasheBox* box = nullptr;
};

void ExpectTotals(const TShownTotals& shown, const TShownTotals& expected)
{
    EXPECT_EQ(shown.taken, expected.taken);
    EXPECT_EQ(shown.sales, expected.sales);
    EXPECT_EQ(shown.given, expected.given);
    EXPECT_EQ(shown.deliveries, expected.deliveries);
    EXPECT_EQ(shown.payments, expected.payments);
    EXPECT_EQ(shown.wages, expected.wages);
    EXPECT_EQ(shown.income, expected.income);
    EXPECT_EQ(shown.expense, expected.expense);
    EXPECT_EQ(shown.oldBalance, expected.oldBalance);
    EXPECT_EQ(shown.newBalance, expected.newBalance);
    EXPECT_EQ(shown.saldoDate, expected.saldoDate);
    EXPECT_EQ(shown.lastFinished, expected.lastFinished);
}

// --- periods -----------------------------------------------------------------------------------

TEST_F(CasheBoxTest, EachPeriodButtonOpensItsPeriod)
{
    enum TAction { Daily, Monthly, Typed };
    struct Case {
        const char* name;
        TAction action;
        TDateTime today;
        const char* typedFrom;
        const char* typedTo;
        const char* from;  // empty: nothing opened
        const char* to;
        bool daily;
    } cases[] = {
        {"daily", Daily, kDay1 + 0.6, "", "", "01/06/2026", "02/06/2026", true},
        {"monthly in December", Monthly, EncodeDate(2026, 12, 15), "", "", "01/12/2026", "01/01/2027", false},
        {"monthly in a leap February", Monthly, EncodeDate(2024, 2, 10), "", "", "01/02/2024", "01/03/2024", false},
        {"one typed day", Typed, kDay1, "01/06/2026", "02/06/2026", "01/06/2026", "02/06/2026", true},
        {"two typed days", Typed, kDay1, "01/06/2026", "03/06/2026", "01/06/2026", "03/06/2026", false},
        {"reversed", Typed, kDay1, "03/06/2026", "01/06/2026", "", "", false},
        {"same day twice", Typed, kDay1, "01/06/2026", "01/06/2026", "", "", false},
        {"empty start", Typed, kDay1, "  /  /    ", "02/06/2026", "", "", false},
        {"invalid end", Typed, kDay1, "01/06/2026", "31/02/2026", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box->bEnd->SetEnabled(false);
        host_.ClearShown();
        today = c.today;
        app::DailyCashBox = !c.daily;
        if (c.action == Daily) box->bDailyClick(nullptr);
        if (c.action == Monthly) box->bMonthlyClick(nullptr);
        if (c.action == Typed) {
            box->bMonthlyClick(nullptr);  // some other period open before
            box->bEnd->SetEnabled(false);
            host_.ClearShown();
            Custom(c.typedFrom, c.typedTo);
        }
        if (*c.from) {
            EXPECT_TRUE(box->PeriodOpen());
            EXPECT_EQ(box->PeriodFrom(), QString::fromLatin1(c.from));
            EXPECT_EQ(box->PeriodTo(), QString::fromLatin1(c.to));
            EXPECT_EQ(app::DailyCashBox, c.daily);
            EXPECT_TRUE(box->bEnd->Enabled());
            EXPECT_TRUE(host_.Texts().isEmpty());
        } else {
            EXPECT_EQ(host_.Texts(), QStringList{kInvalidDate});
            EXPECT_FALSE(box->bEnd->Enabled());
        }
    }
}

// --- totals and balances -----------------------------------------------------------------------

TEST_F(CasheBoxTest, TotalsAndBalancesOfADayOfEachBoxAndOfTheMonth)
{
    struct Case {
        const char* name;
        int box;
        const char* from;
        const char* to;
        TShownTotals shown;
    } cases[] = {
        // Orders unpaid, annulled, unfinished, of box 2 or of the next day are left out; the
        // takings row of 00:00 on 02/06 belongs to 02/06; the May closing is monthly.
        {"box 1, 01/06", 1, "01/06/2026", "02/06/2026",
         {"150.25", "173.40", "40.00", "120.48", "50.00", "60.00", "323.65", "270.48", "500.00", "553.17",
          "Старото салдо е от дата  30.05.2026", "Последно приключване 30.05.2026"}},
        {"box 1, 02/06", 1, "02/06/2026", "03/06/2026",
         {"30.00", "96.00", "10.00", "0.00", "0.00", "0.00", "126.00", "10.00", "500.00", "616.00", "Старото салдо е от дата  30.05.2026",
          "Последно приключване 30.05.2026"}},
        {"box 2, 01/06", 2, "01/06/2026", "02/06/2026",
         {"70.00", "240.00", "15.00", "12.00", "7.00", "0.00", "310.00", "34.00", "777.00", "1053.00", "Старото салдо е от дата  31.05.2026",
          "Последно приключване 31.05.2026"}},
        {"box 1, June", 1, "01/06/2026", "01/07/2026",
         {"180.25", "269.40", "50.00", "120.48", "50.00", "60.00", "449.65", "280.48", "500.00", "669.17",
          "Старото салдо е от дата  30.05.2026", "Последно приключване 30.05.2026"}},
        {"box 1, an empty day", 1, "10/06/2026", "11/06/2026",
         {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "500.00", "500.00", "Старото салдо е от дата  30.05.2026",
          "Последно приключване 30.05.2026"}},
        {"box 1, before any daily closing", 1, "30/05/2026", "31/05/2026",
         {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "Старото салдо е от дата  ",
          "Последно приключване 30.05.2026"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetBox(c.box);
        Custom(c.from, c.to);
        ASSERT_TRUE(box->PeriodOpen());
        ExpectTotals(Shown(), c.shown);
    }
}

// --- closing -----------------------------------------------------------------------------------

TEST_F(CasheBoxTest, ClosingADayWritesItsRowOnceAndFeedsTheNextDay)
{
    fSetings->cbMessages->SetChecked(true);
    box->bDailyClick(nullptr);
    // The question is answered; while the success message is up the button is clicked again.
    host_.OnForm(
        QStringLiteral("fMyMessage"),
        [this](TForm& form) {
            if (TScriptedUiHost::FormText(form).contains(QStringLiteral("Искате ли"))) return mrYes;
            box->bEnd->Click();
            return mrOk;
        },
        2);
    box->bEnd->Click();
    EXPECT_EQ(host_.Texts(), (QStringList{kQuestion, kDone}));
    EXPECT_EQ(Closings(), 4);
    EXPECT_EQ(Rows(QStringLiteral("SELECT finished_seller_id, cashbox_nom, from_date, to_date, accepted_money, "
                                  "given_money, All_calculation, finished FROM cashbox WHERE id > 3")),
              (TRows{{app::CurrentSellerId, "1", "46174.0", "46174.0", "323.65", "270.48", "553.17", "-1"}}));
    EXPECT_FALSE(box->bEnd->Enabled());
    EXPECT_EQ(box->lblLastFinished->Caption(), QStringLiteral("Последно приключване   01.06.2026"));

    // The closed day opened again shows the same; the next day starts from its balance.
    box->bDailyClick(nullptr);
    EXPECT_EQ(box->eNewBalance->Text(), QStringLiteral("553.17"));
    EXPECT_EQ(box->eOldBalance->Text(), QStringLiteral("500.00"));
    today = kDay1 + 1;
    box->bDailyClick(nullptr);
    EXPECT_EQ(box->eOldBalance->Text(), QStringLiteral("553.17"));
    EXPECT_EQ(box->eNewBalance->Text(), QStringLiteral("669.17"));
    EXPECT_EQ(box->lblSaldoDate->Caption(), QStringLiteral("Старото салдо е от дата  01.06.2026"));
    EXPECT_EQ(box->lblLastFinished->Caption(), QStringLiteral("Последно приключване 01.06.2026"));
}

TEST_F(CasheBoxTest, TheLaterOfTwoClosingsOfADayFeedsTheNextDay)
{
    fSetings->cbMessages->SetChecked(false);
    box->bDailyClick(nullptr);
    box->bEnd->Click();
    Execute(QStringLiteral("UPDATE takings SET take = 200 WHERE id = 1"));  // a correction of the day
    box->bDailyClick(nullptr);
    EXPECT_EQ(box->eNewBalance->Text(), QStringLiteral("653.17"));
    box->bEnd->Click();
    EXPECT_EQ(Closings(), 5);
    today = kDay1 + 1;
    box->bDailyClick(nullptr);
    EXPECT_EQ(box->eOldBalance->Text(), QStringLiteral("653.17"));
}

TEST_F(CasheBoxTest, ATwoDayClosingIsNotDailyAndAMonthlyOneNeverFeedsABalance)
{
    fSetings->cbMessages->SetChecked(false);
    Custom("01/06/2026", "03/06/2026");
    box->bEnd->Click();
    EXPECT_EQ(Rows(QStringLiteral("SELECT from_date, to_date, finished FROM cashbox WHERE id > 3")),
              (TRows{{"46174.0", "46175.0", "0"}}));
    today = kDay1 + 2;
    box->bDailyClick(nullptr);
    EXPECT_EQ(box->eOldBalance->Text(), QStringLiteral("500.00"));
}

TEST_F(CasheBoxTest, AnsweringNoOrAFailedPostWritesNothingAndLeavesTheButtonOn)
{
    fSetings->cbMessages->SetChecked(true);
    box->bDailyClick(nullptr);
    host_.AnswerQuestion(QStringLiteral("Искате ли да приключите периода"), mrNo);
    box->bEnd->Click();
    EXPECT_EQ(Closings(), 3);
    EXPECT_TRUE(box->bEnd->Enabled());

    Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON cashbox BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    host_.ClearShown();
    host_.AnswerQuestion(QStringLiteral("Искате ли да приключите периода"), mrYes);
    box->bEnd->Click();
    EXPECT_EQ(host_.Texts(), (QStringList{kQuestion, kNotSaved}));
    EXPECT_EQ(Closings(), 3);
    EXPECT_TRUE(box->bEnd->Enabled());
    EXPECT_NE(DM->tblCashBox->State(), dsInsert);
}

// The row is written, then its post fails on the way out: the closing said not to be saved is
// not stored, and closing again stores it once.
TEST_F(CasheBoxTest, AClosingWhosePostFailsAfterItsRowIsNotStoredAndIsStoredOnceAgain)
{
    fSetings->cbMessages->SetChecked(false);
    box->bDailyClick(nullptr);
    TDaoTable* closings = DM->tblCashBox;
    const auto rule = closings->AfterPost;
    bool failed = false;
    closings->AfterPost = [&](TDataSet* dataSet) {
        if (rule) rule(dataSet);
        if (!std::exchange(failed, true)) throw Exception(QStringLiteral("прекъсване"));
    };
    box->bEnd->Click();
    EXPECT_EQ(host_.Texts(), (QStringList{kNotSaved}));
    EXPECT_EQ(Closings(), 3);
    EXPECT_TRUE(box->bEnd->Enabled());
    box->bEnd->Click();
    closings->AfterPost = rule;
    EXPECT_EQ(Closings(), 4);
    EXPECT_FALSE(box->bEnd->Enabled());
}

// --- failed openings ---------------------------------------------------------------------------

TEST_F(CasheBoxTest, AFailedOpeningClosesEverythingAndLeavesNothingToCloseOrPrint)
{
    // First the deliveries total alone, then a list the totals are made from as well.
    for (const char* query : {"QCasheDeliveryTotal", "QCasheEWork"}) {
        SCOPED_TRACE(query);
        Execute(QStringLiteral("DELETE FROM __dao_queries WHERE name = '%1'").arg(QString::fromLatin1(query)));
        Restart();
        LoginAsAdministrator();
        CreateReportTemplates(*application_);
        box = fCasheBox;
        box->Today = [this] { return today; };
        host_.ClearShown();
        box->bDailyClick(nullptr);
        EXPECT_EQ(host_.Texts(), QStringList{kOpenError});
        EXPECT_FALSE(box->PeriodOpen());
        EXPECT_FALSE(box->bEnd->Enabled());
        for (TDaoTable* t : {DM->tblCashBox, DM->tblCashSale, DM->tblCashSTotal, DM->tblCashDelivery, DM->tblCashDTotal,
                             DM->tblCashTakings, DM->tblCashTTotal, DM->tblCashGiveIn, DM->tblCashGTotal,
                             DM->tblCashEPayment, DM->tblCashEPTotal, DM->tblCashEWork, DM->tblCashEWTotal})
            EXPECT_FALSE(t->Active()) << t->objectName().toStdString();
        host_.ClearShown();
        box->bPrintClick(nullptr);
        EXPECT_EQ(host_.Shown().size(), 0u);
    }
}

// --- money grids -------------------------------------------------------------------------------

TEST_F(CasheBoxTest, TypingAnAmountRequeriesItsTotalAndStopsTheClosing)
{
    box->bDailyClick(nullptr);
    TDBGrid* grid = box->DBGridT1;
    box->MoneyGridEnter(grid);
    DM->tblCashTakings->First();
    grid->SetSelectedIndex(3);  // take
    QChar minus = QLatin1Char('-');
    box->MoneyGridKeyPress(grid, minus);
    EXPECT_TRUE(minus.isNull());
    EXPECT_TRUE(box->bEnd->Enabled());
    grid->SetSelectedIndex(0);  // date
    QChar digit = QLatin1Char('5');
    box->MoneyGridKeyPress(grid, digit);
    EXPECT_TRUE(digit.isNull());
    EXPECT_TRUE(box->bEnd->Enabled());

    grid->SetSelectedIndex(3);
    digit = QLatin1Char('5');
    box->MoneyGridKeyPress(grid, digit);
    EXPECT_EQ(digit, QLatin1Char('5'));
    EXPECT_FALSE(box->bEnd->Enabled());
    DM->tblCashTakings->Edit();
    DM->tblCashTakings->FieldByName(QStringLiteral("take"))->SetAsFloat(110);
    box->MoneyGridExit(grid);
    EXPECT_EQ(box->dbeTakedTotalSum->Text(), QStringLiteral("160.25"));
    EXPECT_EQ(box->eTakeTotal->Text(), QStringLiteral("333.65"));
    EXPECT_EQ(box->eNewBalance->Text(), QStringLiteral("563.17"));
}

TEST_F(CasheBoxTest, KeysTypedIntoTheGridGoThroughItsRules)
{
    box->Show();
    box->bDailyClick(nullptr);
    TDBGrid* grid = box->DBGridT1;
    grid->setFocus();
    grid->SetSelectedIndex(0);
    QTest::keyClicks(grid, QStringLiteral("7"));
    EXPECT_TRUE(box->bEnd->Enabled());
    grid->SetSelectedIndex(1);
    QTest::keyClicks(grid, QStringLiteral("x"));
    EXPECT_FALSE(box->bEnd->Enabled());
    box->Hide();
}

TEST_F(CasheBoxTest, ANewMoneyRowLandsInTheOpenBoxAndToday)
{
    SetBox(2);
    today = Date();
    box->bDailyClick(nullptr);
    TDBGrid* grid = box->DBGridG1;
    box->MoneyGridEnter(grid);
    DM->tblCashGiveIn->Append();
    DM->tblCashGiveIn->FieldByName(QStringLiteral("give"))->SetAsFloat(12.5);
    DM->tblCashGiveIn->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Нов"));
    box->MoneyGridExit(grid);
    EXPECT_EQ(Rows(QStringLiteral("SELECT cashbox_num, date, give, seller_id FROM give_in WHERE name = 'Нов'")),
              (TRows{{"2", QString::number(qint64(Date())) + ".0", "12.5", app::CurrentSellerId}}));
    EXPECT_EQ(box->dbeGiveTotal->Text(), QStringLiteral("12.50"));

    // Leaving an empty grid adds no row.
    today = kDay1 + 20;
    box->bDailyClick(nullptr);
    const qint64 before = Scalar(QStringLiteral("SELECT count(*) FROM takings"));
    box->MoneyGridEnter(box->DBGridT1);
    if (DM->tblCashTakings->IsEmpty()) DM->tblCashTakings->Edit();
    box->MoneyGridExit(box->DBGridT1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM takings")), before);
}

TEST_F(CasheBoxTest, ATitleClickSorts)
{
    box->bDailyClick(nullptr);
    box->DBGridT1->OnTitleClick(box->DBGridT1, box->DBGridT1->Columns()[1]);
    DM->tblCashTakings->First();
    EXPECT_EQ(DM->tblCashTakings->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Иван"));
    box->DBGridT1->OnTitleClick(box->DBGridT1, box->DBGridT1->Columns()[3]);
    DM->tblCashTakings->First();
    EXPECT_EQ(DM->tblCashTakings->FieldByName(QStringLiteral("take"))->AsString(), QStringLiteral("50.25"));
}

// --- journal and printout ----------------------------------------------------------------------

TRows JournalRows()
{
    TRows rows;
    TMemTable* journal = DM->tblMemTable;
    for (journal->First(); !journal->Eof(); journal->Next()) {
        QStringList row;
        for (const char* field : {"date", "income", "type_key", "type", "additional", "dds", "sum", "total"})
            row << journal->FieldByName(QString::fromLatin1(field))->AsString();
        rows.push_back(row);
    }
    return rows;
}

TEST_F(CasheBoxTest, TheJournalListsTheDayInItsOrder)
{
    box->bDailyClick(nullptr);
    host_.AnswerForm(QStringLiteral("Preview"), mrOk, -1);
    box->bPrintClick(nullptr);
    const TRows expected = {
        {"01.06.2026 09:30:00", "Приход", "1", "Постъпления", "Платени от Иван, тел.123, аванс", "0", "100", "100"},
        {"01.06.2026 15:00:00", "Приход", "1", "Постъпления", "Платени от Петър, тел.456, ", "0", "50.25", "50.25"},
        {"01.06.2026", "Приход", "2", "Поръчки", "Поръчка номер 101", "25.4", "127", "152.4"},
        {"01.06.2026", "Приход", "2", "Поръчки", "Поръчка номер 107", "0", "21", "21"},
        {"01.06.2026", "Разход", "3", "Плащания", "Платени на Мария, тел.789, наем", "0", "40", "-40"},
        {"01.06.2026", "Разход", "3", "Плащания", "Платени на Георги, тел., ", "0", "", ""},
        {"01.06.2026", "Разход", "4", "Доставки", "Доставка номер 1", "20.08", "100.4", "-120.48"},
        {"01.06.2026", "Разход", "5", "Плащания на раб.", "Платени на Стоян за ремонт", "0", "25", "-25"},
        {"01.06.2026", "Разход", "5", "Плащания на раб.", "Платени на Стоян за ремонт", "0", "25", "-25"},
        {"01.06.2026", "Разход", "6", "Заплати на раб.", "Платени на Тодор", "0", "60", "-60"},
    };
    EXPECT_EQ(JournalRows(), expected);
    double total = 0;
    for (DM->tblMemTable->First(); !DM->tblMemTable->Eof(); DM->tblMemTable->Next())
        total += DM->tblMemTable->FieldByName(QStringLiteral("total"))->AsFloat();
    EXPECT_NEAR(total, 323.65 - 270.48, 1e-9);

    box->bPrintClick(nullptr);
    EXPECT_EQ(JournalRows(), expected);
}

TEST(CasheBoxJournal, LongExplanationsAreCut)
{
    for (int length : {49, 50, 51, 80}) {
        SCOPED_TRACE(length);
        QString text;
        for (int i = 0; i < length; ++i) text += QChar(u'а' + i % 20);
        const QString cut = TfCasheBox::JournalExplanation(text);
        if (length <= 50) {
            EXPECT_EQ(cut, text);
        } else {
            EXPECT_EQ(cut, text.left(46) + QStringLiteral(" ..."));
            EXPECT_EQ(cut.size(), 50);
        }
    }
}

TEST_F(CasheBoxTest, AnEmptyPeriodPrintsTheSummaryOverAnEmptyJournal)
{
    today = kDay1 + 20;
    box->bDailyClick(nullptr);
    box->bPrintClick(nullptr);
    EXPECT_TRUE(DM->tblMemTable->IsEmpty());
    EXPECT_EQ(Report->lblIncomeValue->Caption(), QStringLiteral("0.00"));
    EXPECT_EQ(Report->lblNewBalanceValue->Caption(), QStringLiteral("500.00"));
}

TEST_F(CasheBoxTest, ThePrintoutCarriesTheGridsColumnsAndTheSummary)
{
    box->bDailyClick(nullptr);
    box->bPrintClick(nullptr);
    TReport& report = *Report;
    EXPECT_EQ(report.lblVersion->Caption(), QStringLiteral("CarVantel v4.04 ®"));
    EXPECT_EQ(report.lblPeriod->Caption(), QStringLiteral("от 01.06.2026 до 02.06.2026"));
    EXPECT_EQ(report.lblPeriod2->Caption(), QStringLiteral("Отчет от 01.06.2026 до 02.06.2026"));
    EXPECT_EQ(report.lblTitle->Caption(), QStringLiteral("Отчет за каса № 1"));
    EXPECT_EQ(report.lblIncomeValue->Caption(), QStringLiteral("323.65"));
    EXPECT_EQ(report.lblExpenseValue->Caption(), QStringLiteral("270.48"));
    EXPECT_EQ(report.lblOldBalanceValue->Caption(), QStringLiteral("500.00"));
    EXPECT_EQ(report.lblNewBalanceValue->Caption(), QStringLiteral("553.17"));
    EXPECT_EQ(report.lblSaldoDate->Caption(), QStringLiteral("Старото салдо е от дата  30.05.2026"));

    // The header's columns follow each other with a gap of 2.
    TDBGrid* grid = fOrderForm->DBGrid1;
    std::vector<TReportLabel*> shown;
    for (TReportPrintable* p : report.ColumnHeaderBand1->Printables())
        if (p->Enabled()) shown.push_back(static_cast<TReportLabel*>(p));
    ASSERT_EQ(int(shown.size()), grid->Columns().Count());
    double left = 0;
    for (int i = 0; i < int(shown.size()); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[size_t(i)]->Caption(), grid->Columns()[i]->Title().Caption());
        EXPECT_DOUBLE_EQ(shown[size_t(i)]->Left(), left);
        EXPECT_DOUBLE_EQ(shown[size_t(i)]->Width(), grid->Columns()[i]->Width());
        left += grid->Columns()[i]->Width() + 2;
    }
    EXPECT_EQ(static_cast<TReportExpr*>(report.FindPrintable(QStringLiteral("QRExpr0")))->Expression(),
              QStringLiteral("tblMemTable.id"));

    const QString pdf = Path("journal.pdf");
    report.SaveToPdf(pdf);
    // With CARVANTEL_SCREENSHOT set the printout is kept under that name, to be looked at.
    if (const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT"); !keep.isEmpty())
        QFile::copy(pdf, keep + QStringLiteral(".journal.pdf"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    int at = 0;
    for (const char* caption : {"Отчет за каса № 1", "от 01.06.2026 до 02.06.2026", "Разяснения",
                                "Платени от Иван, тел.123, аванс", "Постъпления", "Общо приход", "Старо салдо",
                                "Ново салдо"}) {
        const int found = out.indexOf(QString::fromUtf8(caption), at);
        EXPECT_GE(found, 0) << caption;
        if (found >= 0) at = found;
    }
    // Dates keep their time and operations their full names.
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("01\\.06\\.2026 \\d\\d:\\d\\d:\\d\\d")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Плащания на раб."))) << out.toStdString();
}

TEST_F(ProgramTest, TheCashCommandsOfTheMainWindowOpenTheirWindows)
{
    LoginAsAdministrator();
    EXPECT_TRUE(fCarVantel->CacheBox1->Enabled());
    EXPECT_TRUE(fCarVantel->CashFinish1->Enabled());
    EXPECT_TRUE(fCarVantel->fbtSafe->Enabled());
    host_.AnswerForm(QStringLiteral("fCasheBox"), mrCancel);
    host_.AnswerForm(QStringLiteral("fCashFinish"), mrCancel);
    fCarVantel->fbtSafeClick(nullptr);
    fCarVantel->CashFinish1Click(nullptr);
    QStringList names;
    for (const TShownRecord& shown : host_.Shown()) names << shown.Name;
    EXPECT_TRUE(names.contains(QStringLiteral("fCasheBox")));
    EXPECT_TRUE(names.contains(QStringLiteral("fCashFinish")));
}

}  // namespace
