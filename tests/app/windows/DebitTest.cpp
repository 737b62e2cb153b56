// The profit window on a fixture worked out by hand: totals and line counts by firm, cash box
// and period, the line values, empty discounts and delivery prices, the cash box edit, the
// set-up run once per opening, a failing query, printing.

#include "SalesFixture.h"

#include "app/reports/uUniversalReport.h"
#include "app/windows/uDebit.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportPreview.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "support/RunTool.h"


namespace {

// 15/03/2026
constexpr TDateTime kToday = 46096;

class DebitTest : public SalesTest {
protected:
    void SetUp() override
    {
        SalesTest::SetUp();
        fDebit->Today = [] { return kToday; };
        // Without the messages, ticking the change-data box asks nothing.
        fSetings->cbMessages->SetChecked(false);
    }

    static double Total() { return DM->tblDebSum->FieldByName(QStringLiteral("OK"))->AsFloat(); }
    static int Lines() { return DM->tblDebitQuery->RecordCount(); }

    // The line with this id: its three computed values as the grid shows them.
    static QStringList LineValues(int id)
    {
        TDaoTable* lines = DM->tblDebitQuery;
        for (lines->First(); !lines->Eof(); lines->Next())
            if (lines->FieldByName(QStringLiteral("id"))->AsInteger() == id) {
                QStringList values;
                for (const char* field : {"TotalDeliverySum", "TotalSaleSum", "DebitSum"})
                    values << lines->FieldByName(QString::fromLatin1(field))->DisplayText();
                return values;
            }
        return {};
    }
};

TEST_F(DebitTest, TheDefaultIsThisMonthOfAllBoxesOfTheOwnFirm)
{
    fSetings->cbChangeSaleData->SetChecked(false);
    OpenWindow("fDebit", [](TForm&) {
        TfDebit& d = *fDebit;
        EXPECT_EQ(d.meStartDate->Text(), QStringLiteral("01/03/2026"));
        EXPECT_EQ(d.meEndDate->Text(), QStringLiteral("01/04/2026"));
        EXPECT_TRUE(d.cbxOnlyThis->Checked());
        EXPECT_EQ(d.CasheBoxNum->Text(), QStringLiteral("0"));
        for (QWidget* hidden : std::initializer_list<QWidget*>{d.cbxOnlyThis, d.CasheBoxNum, d.lblCasheBoxNum})
            EXPECT_FALSE(hidden->isVisibleTo(&d)) << hidden->objectName().toStdString();
        EXPECT_DOUBLE_EQ(Total(), 68);
        EXPECT_EQ(Lines(), 5);
        EXPECT_EQ(d.DBE_sale_num->Text(), QStringLiteral("68.00"));
        return mrCancel;
    });
}

TEST_F(DebitTest, TotalsByFirmBoxAndPeriod)
{
    const struct {
        const char* Name;
        bool OnlyThisFirm;
        const char* Box;
        const char* Start;
        const char* End;
        qint32 Firm;
        double Total;
        int Lines;
    } cases[] = {
        {"own firm, the month", true, "0", "01/03/2026", "01/04/2026", 1, 68, 5},
        // The annulled order never counts; the unfinished, the unpaid and the one without a car do.
        {"every firm, the month", false, "0", "01/03/2026", "01/04/2026", 1, 90, 7},
        {"box 2", false, "2", "01/03/2026", "01/04/2026", 1, 30, 2},
        {"box 1", false, "1", "01/03/2026", "01/04/2026", 1, 60, 5},
        {"the midnight order on the end day is left out", false, "0", "01/03/2026", "03/03/2026", 1, 75, 6},
        {"the midnight order on the start day counts", false, "0", "03/03/2026", "04/03/2026", 1, 15, 1},
        {"only an end date", false, "0", "  /  /    ", "01/03/2026", 1, 6, 1},
        {"no dates: the order never finished counts too", false, "0", "  /  /    ", "  /  /    ", 1, 108.65, 10},
        {"no current firm", true, "0", "01/03/2026", "01/04/2026", -1, 0, 0},
        {"a month without orders", false, "0", "01/01/2026", "01/02/2026", 1, 0, 0},
    };
    fSetings->cbChangeSaleData->SetChecked(true);
    OpenWindow("fDebit", [&](TForm&) {
        TfDebit& d = *fDebit;
        EXPECT_TRUE(d.CasheBoxNum->isVisibleTo(&d));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Name);
            app::CurrentFirmId = c.Firm;
            d.cbxOnlyThis->SetChecked(c.OnlyThisFirm);
            d.CasheBoxNum->SetText(QString::fromLatin1(c.Box));
            d.meStartDate->SetText(QString::fromLatin1(c.Start));
            d.meEndDate->SetText(QString::fromLatin1(c.End));
            d.FlatButton1->Click();
            EXPECT_NEAR(Total(), c.Total, 1e-9);
            EXPECT_EQ(Lines(), c.Lines);
            EXPECT_EQ(d.DBE_sale_num->Text(), QString::number(c.Total, 'f', 2));
        }
        return mrCancel;
    });
}

TEST_F(DebitTest, LineValuesCountEmptyDiscountsAndDeliveryPricesAsNone)
{
    fSetings->cbChangeSaleData->SetChecked(true);
    OpenWindow("fDebit", [](TForm&) {
        TfDebit& d = *fDebit;
        d.cbxOnlyThis->SetChecked(false);
        d.FlatButton1Click(&d);
        EXPECT_EQ(LineValues(1), (QStringList{"16.00", "25.00", "9.00"}));   // a part
        EXPECT_EQ(LineValues(2), (QStringList{"0.00", "30.00", "30.00"}));   // a service, no delivery price
        EXPECT_EQ(LineValues(3), (QStringList{"42.00", "54.00", "12.00"}));  // 10% off
        EXPECT_EQ(LineValues(5), (QStringList{"30.00", "45.00", "15.00"}));  // no discount given
        EXPECT_EQ(LineValues(8), (QStringList{"12.00", "19.00", "7.00"}));   // 5% off
        EXPECT_TRUE(LineValues(4).isEmpty());                          // annulled
        // Sums show to the stotinka, not as the double's binary fractions.
        d.meStartDate->SetText(QString());
        d.meEndDate->SetText(QString());
        d.FlatButton1Click(&d);
        EXPECT_EQ(LineValues(11), (QStringList{"18.00", "25.65", "7.65"}));
        EXPECT_EQ(d.DBE_sale_num->Text(), QStringLiteral("108.65"));
        return mrCancel;
    });
}

TEST_F(DebitTest, TheCashBoxEditKeepsANumber)
{
    TfDebit& d = *fDebit;
    const struct {
        const char* Before;
        const char* Typed;
        const char* Shown;
    } cases[] = {{"7", "7a", "7"}, {"7", "", "0"}, {"0", "007", "7"}, {"1", "12", "12"}, {"3", "x", "3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Typed);
        d.CasheBoxNum->SetText(QString::fromLatin1(c.Before));
        d.CasheBoxNum->SetText(QString::fromLatin1(c.Typed));
        EXPECT_EQ(d.CasheBoxNum->Text(), QString::fromLatin1(c.Shown));
        EXPECT_EQ(d.CasheBoxNum->SelStart(), int(qstrlen(c.Shown)));
    }
}

TEST_F(DebitTest, TheSetUpRunsOncePerOpening)
{
    fSetings->cbChangeSaleData->SetChecked(true);
    OpenWindow("fDebit", [this](TForm&) {
        TfDebit& d = *fDebit;
        d.CasheBoxNum->SetText(QStringLiteral("2"));
        d.meEndDate->SetText(QStringLiteral("05/03/2026"));
        d.meStartDate->SetText(QStringLiteral("31/02/2026"));
        d.meStartDateExit(d.meStartDate);
        EXPECT_TRUE(Shown(QStringLiteral("Невалидна дата !")));
        // The window gets the focus back from the message.
        d.FormActivate(&d);
        EXPECT_EQ(d.CasheBoxNum->Text(), QStringLiteral("2"));
        EXPECT_EQ(d.meEndDate->Text(), QStringLiteral("05/03/2026"));
        EXPECT_EQ(d.meStartDate->Text(), QStringLiteral("31/02/2026"));
        return mrCancel;
    });
    OpenWindow("fDebit", [](TForm&) {
        EXPECT_EQ(fDebit->meEndDate->Text(), QStringLiteral("01/04/2026"));
        return mrCancel;
    });
}

TEST_F(DebitTest, AFailingQueryEmptiesListAndTotalAndIsReported)
{
    fSetings->cbChangeSaleData->SetChecked(false);
    OpenWindow("fDebit", [this](TForm&) {
        TfDebit& d = *fDebit;
        EXPECT_DOUBLE_EQ(Total(), 68);
        Execute(QStringLiteral("ALTER TABLE sale_detail RENAME COLUMN discount TO rebate;"));
        d.FlatButton1Click(&d);
        EXPECT_FALSE(DM->tblDebitQuery->Active());
        EXPECT_FALSE(DM->tblDebSum->Active());
        EXPECT_EQ(d.DBE_sale_num->Text(), QString());
        EXPECT_FALSE(DM->tblDebitQuery->ControlsDisabled());
        EXPECT_TRUE(Shown(QStringLiteral("Процесът е прекратен поради грешка \r")));
        return mrCancel;
    });
}

TEST_F(DebitTest, PrintingPrintsTheListAndCloses)
{
    new TfUniversalReport(application_.get());
    host_.SetPrintAccepted(true);
    host_.OnForm(QStringLiteral("ReportPreview"), [](TForm& preview) {
        static_cast<TReportPreview&>(preview).PrintClick();
        return mrOk;
    });
    EXPECT_EQ(OpenWindow("fDebit", [](TForm&) {
                  fDebit->bPrint->Click();
                  return mrNone;
              }),
              mrYesToAll);
    ASSERT_EQ(host_.PrintedFiles().size(), 1);
    const QString text = PdfText(host_.PrintedFiles().at(0));
    EXPECT_TRUE(text.contains(QStringLiteral("Дебит"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Маслен филтър"))) << text.toStdString();
}

TEST_F(DebitTest, TheMainWindowOpensIt)
{
    host_.AnswerForm(QStringLiteral("fDebit"), mrCancel);
    host_.ClearShown();
    fCarVantel->N21Click(nullptr);
    ASSERT_EQ(host_.Shown().size(), 1);
    EXPECT_EQ(host_.Shown().front().Name, QStringLiteral("fDebit"));
}

// The month of the fixture as a person sees it: every caption fits. With CARVANTEL_SCREENSHOT
// set, the picture and the printed list (PDF) are kept under that name.
TEST_F(DebitTest, TheMonthOverTheShop)
{
    fSetings->cbChangeSaleData->SetChecked(true);
    const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    new TfUniversalReport(application_.get());
    OpenWindow("fDebit", [&](TForm& form) {
        fDebit->cbxOnlyThis->SetChecked(false);
        fDebit->FlatButton1Click(fDebit->FlatButton1);
        EXPECT_EQ(ClippedCaptions(&form), QStringList());
        if (!keep.isEmpty()) {
            form.grab().save(keep + QStringLiteral(".debit.png"));
            fUniversalReport->PrintGrid(fDebit->DBGrid1, TPrintMode::Pdf, keep + QStringLiteral(".debit.pdf"));
        }
        return mrCancel;
    });
}

TEST_F(DebitTest, TheKeysOfTheList)
{
    EXPECT_EQ(OpenWindow("fDebit", [](TForm& form) {
                  TfDebit& d = *fDebit;
                  form.activateWindow();
                  d.DBGrid1->setFocus();
                  PressKey(d.DBGrid1, Qt::Key_Return, QStringLiteral("\r"));
                  EXPECT_EQ(form.ModalResult(), mrNone);
                  PressKey(d.DBGrid1, Qt::Key_Tab, QStringLiteral("\t"));
                  EXPECT_EQ(d.ActiveControl(), d.bPrint);
                  d.DBGrid1->setFocus();
                  PressKey(d.DBGrid1, Qt::Key_Escape, QStringLiteral("\x1b"));
                  return mrNone;
              }),
              mrCancel);
}

}  // namespace
