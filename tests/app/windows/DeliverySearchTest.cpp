// The delivery search: criteria against the deliveries found and the statement run, the
// refusals, and the choice that moves the stores window.

#include "GridPrintout.h"
#include "ProgramFixture.h"

#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uStorage.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/MaskEdit.h"

namespace {

struct SearchCase {
    const char* name;
    std::function<void(TfDeliverySearchForm&)> criteria;
    const char* found;      // ids, comma separated; null: refused
    const char* statement;  // after the base; null: not compared
    const char* shown;
};

class DeliverySearchTest : public ProgramTest {
protected:
    void Open()
    {
        Seed("stores_deliveries.sql");
        LoginAsAdministrator();
        app::MainFormReady = true;
        fSetings->cbxOnlythisCash->SetChecked(false);
    }
    static QString FoundIds()
    {
        QStringList ids;
        TDaoTable* found = DM->tblMyPersonalQuery;
        for (found->First(); !found->Eof(); found->Next()) ids << found->FieldByName(QStringLiteral("id"))->AsString();
        found->First();
        return ids.join(QLatin1Char(','));
    }
};

TEST_F(DeliverySearchTest, CriteriaAsATable)
{
    Open();
    const QString base = TfDeliverySearchForm::BaseStatement();
    const SearchCase cases[] = {
        {"no criteria", [](TfDeliverySearchForm&) {}, "1,2,3,4", "", nullptr},
        {"the settings' cash box",
         [](TfDeliverySearchForm& f) {
             fSetings->cbxOnlythisCash->SetChecked(true);
             fSetings->cbxCashBoxNum->SetText(QStringLiteral("2"));
             f.FormShow(&f);
             fSetings->cbxOnlythisCash->SetChecked(false);
         },
         "2", " WHERE  [cashbox_num]=2", nullptr},
        {"a cash box that is no number", [](TfDeliverySearchForm& f) { f.eCashboxNum->SetText(QStringLiteral("abc")); },
         "1,3,4", " WHERE  [cashbox_num]=1", nullptr},
        {"a half-open month",
         [](TfDeliverySearchForm& f) {
             f.meStartDate->SetText(QStringLiteral("01/03/2026"));
             f.meEndDate->SetText(QStringLiteral("01/04/2026"));
         },
         "2,3",
         " WHERE [delivery_date]>=Datevalue('01/03/2026') AND [delivery_date]<Datevalue('01/04/2026')", nullptr},
        {"a supplier in other letters", [](TfDeliverySearchForm& f) { f.eSupplier->SetText(QStringLiteral("АВТОЧАСТИ")); },
         "1,4", nullptr, nullptr},
        {"a supplier with a double quote",
         [](TfDeliverySearchForm& f) { f.eSupplier->SetText(QStringLiteral("\"Стар\"")); }, "2", nullptr, nullptr},
        {"a supplier with wildcards", [](TfDeliverySearchForm& f) { f.eSupplier->SetText(QStringLiteral("Гуми*[")); },
         "", nullptr, "Няма записи"},
        {"not finished", [](TfDeliverySearchForm& f) { f.cInvoiceUAccept->SetChecked(true); }, "3",
         " WHERE [finished]=False", nullptr},
        {"an invoice number", [](TfDeliverySearchForm& f) { f.eInvoiceNum->SetText(QStringLiteral("777")); }, "2",
         " WHERE [invoice_num]=777", nullptr},
        {"an invoice number that is no number",
         [](TfDeliverySearchForm& f) { f.eInvoiceNum->SetText(QStringLiteral("12a")); }, nullptr, nullptr,
         "Невалиден номер на фактура !"},
        {"a bad date", [](TfDeliverySearchForm& f) { f.meInvoiceDate->SetText(QStringLiteral("31/02/2026")); }, nullptr,
         nullptr, "Невалидна дата !"},
    };
    TfDeliverySearchForm& f = *fDeliverySearchForm;
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        f.bNewSearchClick(&f);
        c.criteria(f);
        host_.ClearShown();
        QString sql;
        TSqlParams params;
        const bool built = f.BuildStatement(sql, params);
        EXPECT_EQ(built, c.found != nullptr);
        if (c.shown && !built) {
            EXPECT_TRUE(Shown(QString::fromUtf8(c.shown)));
        }
        if (!built) continue;
        if (c.statement) {
            EXPECT_EQ(sql, base + QString::fromUtf8(c.statement));
        }
        EXPECT_EQ(f.RunQuery(sql, params), *c.found != '\0');
        EXPECT_EQ(FoundIds(), QString::fromLatin1(c.found));
    }
    EXPECT_EQ(f.eCashboxNum->Text(), QString());
}

TEST_F(DeliverySearchTest, NothingFoundShowsTheLabelAndKeepsTheWindow)
{
    Open();
    host_.OnForm(QStringLiteral("fDeliverySearchForm"), [](TForm&) {
        TfDeliverySearchForm& f = *fDeliverySearchForm;
        f.eSupplier->SetText(QStringLiteral("Няма такъв"));
        f.bSearchClick(&f);
        EXPECT_TRUE(f.lblCannotFind->isVisibleTo(&f));
        EXPECT_EQ(f.ModalResult(), mrNone);
        return mrCancel;
    });
    fDeliverySearchForm->ShowModal();
}

TEST_F(DeliverySearchTest, AFailedQueryIsSaidWithTheEnginesTextNotAsNothingFound)
{
    Open();
    Execute(QStringLiteral("ALTER TABLE delivery RENAME TO delivery_away"));
    host_.OnForm(QStringLiteral("fDeliverySearchForm"), [this](TForm&) {
        TfDeliverySearchForm& f = *fDeliverySearchForm;
        f.bNewSearchClick(&f);
        f.eSupplier->SetText(QStringLiteral("авточасти"));
        host_.ClearShown();
        f.bSearchClick(&f);
        EXPECT_FALSE(f.lblCannotFind->isVisibleTo(&f));
        return mrCancel;
    });
    fDeliverySearchForm->ShowModal();
    Execute(QStringLiteral("ALTER TABLE delivery_away RENAME TO delivery"));
    const QStringList texts = host_.Texts();
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.front().startsWith(QStringLiteral("Поради възникнала грешка, търсенето не бе извършено !\r")));
    // The engine's own words follow.
    EXPECT_GT(texts.front().size(), QStringLiteral("Поради възникнала грешка, търсенето не бе извършено !\r").size());
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 1);  // the message, no result window
}

TEST_F(DeliverySearchTest, TheResultsPrintAndTheWindowCloses)
{
    Open();
    CreateReportTemplates(*application_);
    PrintFromTheNextPreview(host_);
    TModalResult closedWith = mrNone;
    host_.OnForm(QStringLiteral("fDeliverySearchForm"), [](TForm&) {
        TfDeliverySearchForm& f = *fDeliverySearchForm;
        f.bNewSearchClick(&f);
        f.eSupplier->SetText(QStringLiteral("авточасти"));
        f.bSearchClick(&f);
        return mrCancel;
    });
    host_.OnForm(QStringLiteral("fDeliverySearchResult"), [&closedWith](TForm& result) {
        EXPECT_TRUE(fDeliverySearchResult->bPrint->isEnabled());
        fDeliverySearchResult->bPrint->Click();
        closedWith = result.ModalResult();
        return mrNone;
    });
    fDeliverySearchForm->ShowModal();
    EXPECT_EQ(closedWith, mrYesToAll);
    const QString text = LastPrintout(host_);
    for (const char* part : {"Дост.№", "Доставчик", "Фактура №", "Авточасти АД", "авточасти ад", "501"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Гуми ООД")));
}

TEST_F(DeliverySearchTest, TheChoiceMovesTheStoresWindowToTheDelivery)
{
    Open();
    fStorage->SetDeliveryReadOnly(true);
    OpenWindow("fStorage", [&](TForm&) {
        TfStorage& w = *fStorage;
        w.TreeView1Change(&w, nullptr);
        DM->tblDelivery->SetMasterSource(nullptr);
        host_.OnForm(QStringLiteral("fDeliverySearchForm"), [](TForm&) {
            TfDeliverySearchForm& f = *fDeliverySearchForm;
            f.bNewSearchClick(&f);
            f.eInvoiceNum->SetText(QStringLiteral("777"));
            f.bSearchClick(&f);
            return mrNone;
        });
        host_.OnForm(QStringLiteral("fDeliverySearchResult"), [](TForm&) {
            fDeliverySearchResult->bOKClick(fDeliverySearchResult);
            return mrNone;
        });
        fDeliverySearchForm->ShowModal();
        EXPECT_EQ(DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsString(), QStringLiteral("2"));
        EXPECT_EQ(w.eDeliveryID->Text(), QStringLiteral("2"));
        EXPECT_EQ(DM->tblStore->FieldByName(QStringLiteral("id"))->AsString(), QStringLiteral("1"));
        return mrCancel;
    });
}

}  // namespace
