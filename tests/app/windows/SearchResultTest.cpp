// The sales search's result list, opened from the main window: the chosen order comes into the
// main window, one the order list filters out is refused with the message, keys, printing.

#include "SalesFixture.h"

#include "app/reports/uUniversalReport.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uSearchForm.h"
#include "app/windows/uSearchResult.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportPreview.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/ToolBar.h"
#include "support/RunTool.h"


namespace {

class SearchResultTest : public SalesTest {
protected:
    void SetUp() override
    {
        SalesTest::SetUp();
        fSetings->cbMessages->SetChecked(true);
        fSetings->cbxShowUPayed->SetChecked(true);
        fSetings->cbxDontShowAnullDock->SetChecked(false);
        fCarVantel->ApplySaleFilter();
    }

    // How the last run of the window closed.
    TModalResult ResultOf(const char* name) const
    {
        for (auto shown = host_.Shown().rbegin(); shown != host_.Shown().rend(); ++shown)
            if (shown->Name == QLatin1String(name)) return shown->Result;
        return mrNone;
    }

    static qint32 SaleId() { return DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger(); }

    // Searches for the invoice number through the main window's command; `inList` works the list.
    void SearchInvoice(const char* invoice, TScriptedUiHost::TFormScript inList)
    {
        host_.OnForm(QStringLiteral("fSearchForm"), [invoice](TForm&) {
            TfSearchForm& f = *fSearchForm;
            f.bNewSearchClick(&f);
            f.cbOnCurrentFirm->SetChecked(false);
            f.eInvoiceNum->SetText(QString::fromLatin1(invoice));
            return mrYes;
        });
        host_.OnForm(QStringLiteral("fSearchResult"), std::move(inList));
        fCarVantel->Find1Click(nullptr);
    }
};

TEST_F(SearchResultTest, TheChosenOrderComesIntoTheMainWindow)
{
    DM->tblSale->First();
    ASSERT_NE(SaleId(), 7);
    SearchInvoice("102", [](TForm&) {
        TfSearchResult& r = *fSearchResult;
        EXPECT_EQ(r.DBGrid1->DataSet()->RecordCount(), 1);
        r.bOK->Click();
        return mrNone;
    });
    EXPECT_EQ(SaleId(), 7);
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), QStringLiteral("CA1111AA"));
    EXPECT_FALSE(Shown(QStringLiteral("Избраният запис")));
}

TEST_F(SearchResultTest, AnOrderTheListFiltersOutIsRefusedAndTheListStays)
{
    fSetings->cbxOnlythisF->SetChecked(true);
    fCarVantel->ApplySaleFilter();
    const qint32 shown = SaleId();
    bool stayed = false;
    SearchInvoice("102", [&](TForm& form) {
        fSearchResult->DBGrid1DblClick(fSearchResult->DBGrid1);
        stayed = form.ModalResult() == mrNone;
        return mrCancel;
    });
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(Shown(QStringLiteral("Избраният запис не е във вашия списък,\rвероятно филтриран с конкретна фирма или каса .")));
    EXPECT_EQ(SaleId(), shown);

    // Without the messages setting the refusal is silent.
    fSetings->cbMessages->SetChecked(false);
    host_.ClearShown();
    SearchInvoice("102", [](TForm&) {
        fSearchResult->DBGrid1DblClick(fSearchResult->DBGrid1);
        return mrCancel;
    });
    EXPECT_FALSE(Shown(QStringLiteral("Избраният запис")));
}

TEST_F(SearchResultTest, NothingOpensWhileTheOrderOnScreenIsAnnulled)
{
    SearchKey(DM->tblSale, QStringLiteral("id"), QStringLiteral("3"));
    fCarVantel->ShowCurrentSale();
    ASSERT_TRUE(fCarVantel->cbxAnnul->Checked());
    host_.ClearShown();
    fCarVantel->Find1Click(nullptr);
    EXPECT_TRUE(host_.Shown().empty());
}

TEST_F(SearchResultTest, TheKeysOfTheList)
{
    SearchInvoice("101", [](TForm& form) {
        TfSearchResult& r = *fSearchResult;
        form.activateWindow();
        r.DBGrid1->setFocus();
        PressKey(r.DBGrid1, Qt::Key_Tab, QStringLiteral("\t"));
        EXPECT_EQ(r.ActiveControl(), r.bPrint);
        r.DBGrid1->setFocus();
        PressKey(r.DBGrid1, Qt::Key_Escape, QStringLiteral("\x1b"));
        return mrNone;
    });
    EXPECT_EQ(ResultOf("fSearchResult"), mrCancel);
    EXPECT_NE(SaleId(), 1);

    SearchInvoice("101", [](TForm&) {
        fSearchResult->DBGrid1->setFocus();
        PressKey(fSearchResult->DBGrid1, Qt::Key_Return, QStringLiteral("\r"));
        return mrNone;
    });
    EXPECT_EQ(SaleId(), 1);
}

TEST_F(SearchResultTest, PrintingPrintsTheListAndCloses)
{
    new TfUniversalReport(application_.get());
    host_.SetPrintAccepted(true);
    host_.OnForm(QStringLiteral("ReportPreview"), [](TForm& preview) {
        static_cast<TReportPreview&>(preview).PrintClick();
        return mrOk;
    });
    SearchInvoice("101", [](TForm&) {
        fSearchResult->bPrint->Click();
        return mrNone;
    });
    EXPECT_EQ(ResultOf("fSearchResult"), mrYesToAll);
    ASSERT_EQ(host_.PrintedFiles().size(), 1);
    const QString text = PdfText(host_.PrintedFiles().at(0));
    EXPECT_TRUE(text.contains(QStringLiteral("Собственик"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("CA1111AA"))) << text.toStdString();
}

// The list of every order found, as a person sees it: every caption fits. With
// CARVANTEL_SCREENSHOT set, the picture is kept under that name.
TEST_F(SearchResultTest, TheListOverTheShop)
{
    host_.OnForm(QStringLiteral("fSearchForm"), [](TForm&) {
        TfSearchForm& f = *fSearchForm;
        f.bNewSearchClick(&f);
        for (TCheckBox* box : {f.cInvoiceAccept, f.cInvoicePiment, f.cbOnCurrentFirm}) box->SetChecked(false);
        return mrYes;
    });
    host_.OnForm(QStringLiteral("fSearchResult"), [](TForm& form) {
        EXPECT_EQ(fSearchResult->DBGrid1->DataSet()->RecordCount(), 8);
        EXPECT_EQ(ClippedCaptions(&form), QStringList());
        const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
        if (!keep.isEmpty()) form.grab().save(keep + QStringLiteral(".result.png"));
        return mrCancel;
    });
    fCarVantel->Find1Click(nullptr);
}

TEST_F(SearchResultTest, TheToolButtonOpensTheSearch)
{
    auto* button = fCarVantel->ToolBar1->findChild<TToolButton*>(QStringLiteral("ToolButton9"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    host_.ClearShown();
    host_.AnswerForm(QStringLiteral("fSearchForm"), mrCancel);
    button->click();
    ASSERT_EQ(host_.Shown().size(), 1);
    EXPECT_EQ(host_.Shown().front().Name, QStringLiteral("fSearchForm"));
}

}  // namespace
