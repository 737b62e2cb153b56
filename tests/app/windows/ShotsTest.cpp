// Pictures of the windows as a person sees them, each over a small seeded shop, written as PNG
// files into the folder named by CARVANTEL_SHOTS (scripts/screenshots.sh runs them under a real
// display). Without that variable there is nothing to draw and each one skips.

#include "ProgramFixture.h"

#include "app/windows/uCasheBox.h"
#include "app/windows/uDebit.h"
#include "app/windows/uOrderForm.h"
#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uStorage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportPreview.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QApplication>
#include <QPixmap>

namespace {

QString ShotsFolder() { return qEnvironmentVariable("CARVANTEL_SHOTS"); }

class ShotsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        if (ShotsFolder().isEmpty()) GTEST_SKIP() << "CARVANTEL_SHOTS names no folder";
        ProgramTest::SetUp();
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    // Lets the window be laid out and painted, then saves what it shows.
    static void Snap(QWidget& window, const QString& name)
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        ASSERT_TRUE(window.grab().save(ShotsFolder() + QLatin1Char('/') + name + QStringLiteral(".png")));
        const QStringList clipped = ClippedCaptions(&window);
        if (!clipped.isEmpty()) ADD_FAILURE() << name.toStdString() << ": " << clipped.join(", ").toStdString();
    }
    // Shows the window modally as its menu does and takes its picture.
    void SnapModal(const char* name, const QString& file, const std::function<void(TForm&)>& before = {})
    {
        OpenWindow(name, [&](TForm& form) {
            if (before) before(form);
            Snap(form, file);
            return mrCancel;
        });
    }
    void LogInOn(const char* fixture)
    {
        LoginAsAdministrator();
        Seed(fixture);
        Restart();
        CreateReportTemplates(*application_);
        LoginAsAdministrator();
        app::MainFormReady = true;
    }
};

TEST_F(ShotsTest, TheMainWindowWithAFinishedOrderAndItsInvoice)
{
    LogInOn("invoice.sql");
    fSetings->cbxShowUPayed->SetChecked(true);
    fSetings->cbxOnlythisF->SetChecked(false);
    fCarVantel->Show();
    fCarVantel->ApplySaleFilter();
    ShowOrder(1);
    DM->tblSaleTotalQuery->Requery();
    Snap(*fCarVantel, QStringLiteral("main-window"));

    const QString pdf = ShotsFolder() + QStringLiteral("/invoice.pdf");
    host_.OnForm(QStringLiteral("ReportPreview"), [pdf](TForm& form) {
        static_cast<TReportPreview&>(form).SaveToPdf(pdf);
        return mrOk;
    });
    fCarVantel->fbtView->Click();
    EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(ShotsTest, TheCashBoxWithADayItsJournalAndItsClosings)
{
    LogInOn("cash_period.sql");
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    fCasheBox->Today = [] { return TDateTime(46174); };
    const QString journalPdf = ShotsFolder() + QStringLiteral("/journal.pdf");
    host_.OnForm(QStringLiteral("ReportPreview"), [journalPdf](TForm& form) {
        static_cast<TReportPreview&>(form).SaveToPdf(journalPdf);
        return mrOk;
    });
    SnapModal("fCasheBox", QStringLiteral("cash-box"), [](TForm&) {});
    OpenWindow("fCasheBox", [](TForm&) {
        fCasheBox->bPrintClick(nullptr);
        Snap(*fOrderForm, QStringLiteral("journal"));
        return mrCancel;
    });
    SnapModal("fCashFinish", QStringLiteral("closings"));
}

TEST_F(ShotsTest, TheListsOfFirmsCarsClientsAndModels)
{
    LogInOn("shop_lists.sql");
    SnapModal("fFirmSet", QStringLiteral("firms"));
    SnapModal("fCars", QStringLiteral("cars"));
    SnapModal("fClients", QStringLiteral("clients"));
    SnapModal("fModel", QStringLiteral("models"));
}

TEST_F(ShotsTest, TheStockWindow)
{
    LogInOn("stock_lots.sql");
    fSetings->cbChangeSaleData->SetChecked(true);
    fCarVantel->Show();
    SnapModal("fSearch", QStringLiteral("stock"));
}

TEST_F(ShotsTest, TheEmployeesAndTheirPay)
{
    LogInOn("employees.sql");
    SnapModal("fEmployee", QStringLiteral("employees"));
}

TEST_F(ShotsTest, StoresDeliveriesArticlesAndTheDeliverySearch)
{
    LogInOn("stores_deliveries.sql");
    fSetings->cbxOnlythisCash->SetChecked(false);
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    SnapModal("fStorage", QStringLiteral("stores"));
    SnapModal("fArticles", QStringLiteral("articles"));
    SnapModal("fArticlesWork", QStringLiteral("articles-work"));
    SnapModal("fArticlesGrouped", QStringLiteral("articles-grouped"));
    host_.OnForm(QStringLiteral("fDeliverySearchResult"), [](TForm& form) {
        Snap(form, QStringLiteral("delivery-search-result"));
        return mrCancel;
    });
    SnapModal("fDeliverySearchForm", QStringLiteral("delivery-search"), [](TForm&) {
        fDeliverySearchForm->bSearchClick(fDeliverySearchForm);
    });
}

TEST_F(ShotsTest, TheSalesSearchAndTheProfit)
{
    LoginAsAdministrator();
    Seed("sales_profit.sql");
    Restart();
    LoginAsAdministrator();
    app::MainFormReady = true;
    app::CurrentFirmId = 1;
    fSetings->cbxOnlythisCash->SetChecked(false);
    fSetings->cbxOnlythisF->SetChecked(false);
    SnapModal("fSearchForm", QStringLiteral("sales-search"));
    // Searching with no criteria finds every order.
    ASSERT_EQ(OpenWindow("fSearchForm", [](TForm&) { return mrYes; }), mrYes);
    SnapModal("fSearchResult", QStringLiteral("sales-search-result"));
    SnapModal("fDebit", QStringLiteral("profit"), [](TForm&) {
        fDebit->meStartDate->SetText(QStringLiteral("01/03/2026"));
        fDebit->meEndDate->SetText(QStringLiteral("01/04/2026"));
        fDebit->FlatButton1Click(nullptr);
    });
}

TEST_F(ShotsTest, TheSettingsAndTheLogin)
{
    LoginAsAdministrator();
    SnapModal("fSetings", QStringLiteral("settings"));
    SnapModal("fPasswordDlg", QStringLiteral("login"));
}

}  // namespace
