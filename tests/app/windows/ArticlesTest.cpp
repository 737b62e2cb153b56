// The article lists over the stock a few orders left: every lot with what is left of it, the
// grouped view, the pick into a delivery line and the price change.

#include "GridPrintout.h"
#include "ProgramFixture.h"

#include "app/windows/uArticles.h"
#include "app/windows/uArticlesGrouped.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uStorage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/TreeView.h"

#include <QImage>


namespace {



class ArticlesTest : public ProgramTest {
protected:
    void Open()
    {
        Seed("stores_deliveries.sql");
        Execute(QStringLiteral("INSERT INTO delivery_detail (id, delivery_id, store_id, article_code, article_name, "
                               "sale_price, dimention, service, delivery_price, delivery_quantity) VALUES "
                               "(6, 4, 2, 'H4L', 'Крушка H4 ''дълга''', 3, 'бр.', 0, 2, 10)"));
        LoginAsAdministrator();
        app::MainFormReady = true;
    }
    void AllowChanges(bool allow)
    {
        host_.AnswerQuestion(QStringLiteral("В този режим"), mrYes);
        fSetings->cbChangeSaleData->SetChecked(allow);
    }
    // Every row of `table` as "field|field...", in its order.
    static QStringList Listed(TDaoTable* table, std::initializer_list<const char*> fields)
    {
        QStringList rows;
        for (table->First(); !table->Eof(); table->Next()) {
            QStringList row;
            for (const char* f : fields) row << table->FieldByName(QString::fromLatin1(f))->AsString();
            rows << row.join(QLatin1Char('|'));
        }
        table->First();
        return rows;
    }
    // Whether the grid shows a pixel near `colour` in its `row`-th data row.
    static bool RowHasColour(TDBGrid* grid, int row, TColor colour)
    {
        const QImage image = grid->grab().toImage();
        const QColor want = QColor::fromRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
        const QRect rect = grid->visualRect(grid->model()->index(row, 1));
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x + grid->viewport()->x(), y + grid->viewport()->y());
                if (std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
                    std::abs(c.blue() - want.blue()) < 40)
                    return true;
            }
        return false;
    }
};

TEST_F(ArticlesTest, EveryLotWithWhatIsLeftExhaustedAndLabourColoured)
{
    Open();
    host_.OnForm(QStringLiteral("fArticles"), [&](TForm&) {
        EXPECT_EQ(fArticles->bCancel->Caption(), QStringLiteral("&Изход"));
        EXPECT_EQ(Listed(DM->tblQTAQAll, {"delivery_detail_id", "total_quty"}),
                  (QStringList{"6|10", "1|7", "5|5", "3|15", "2|0", "4|1000"}));
        fArticles->resize(680, 440);
        EXPECT_TRUE(RowHasColour(fArticles->DBGrid1, 4, kNoStockColor));
        EXPECT_TRUE(RowHasColour(fArticles->DBGrid1, 5, kServiceColor));
        EXPECT_FALSE(RowHasColour(fArticles->DBGrid1, 1, kNoStockColor));
        fArticles->tbxSearchValue->SetText(QStringLiteral("накл"));
        EXPECT_EQ(DM->tblQTAQAll->FieldByName(QStringLiteral("delivery_detail_id"))->AsString(), QStringLiteral("2"));
        return mrCancel;
    });
    fCarVantel->Articles1Click(fCarVantel);
    EXPECT_EQ(fArticles->bCancel->Caption(), QStringLiteral("&Отказ"));
}

TEST_F(ArticlesTest, TheListPrintsEveryLotUnderItsTitles)
{
    Open();
    CreateReportTemplates(*application_);
    PrintFromTheNextPreview(host_);
    host_.OnForm(QStringLiteral("fArticles"), [](TForm&) {
        EXPECT_TRUE(fArticles->FlatButton1->isEnabled());
        fArticles->FlatButton1->Click();
        return mrCancel;
    });
    fCarVantel->Articles1Click(fCarVantel);
    const QString text = LastPrintout(host_);
    for (const char* part : {"Артикул №", "Наименувание", "Общо кол.", "Производител", "Крушка H4 'дълга'",
                             "Накладки предни", "Смяна на масло", "Castrol", "1000"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
}

TEST_F(ArticlesTest, WithoutAPrinterTheListGoesToThePdfFileThePersonNames)
{
    Open();
    CreateReportTemplates(*application_);
    host_.SetPrinterAvailable(false);
    const QString file = Path("Текущи данни.pdf");
    host_.AnswerFile(file);
    PrintFromTheNextPreview(host_);
    host_.OnForm(QStringLiteral("fArticles"), [](TForm&) {
        fArticles->FlatButton1->Click();
        return mrCancel;
    });
    fCarVantel->Articles1Click(fCarVantel);
    ASSERT_EQ(host_.CountOf(TShownRecord::FileDialog), 1);
    for (const TShownRecord& shown : host_.Shown()) {
        if (shown.Kind == TShownRecord::FileDialog) {
            EXPECT_EQ(shown.Name, QStringLiteral("Текущи данни.pdf"));
        }
    }
    const QString text = PdfText(file);
    for (const char* part : {"Текущи данни", "Наименувание", "Накладки предни", "Смяна на масло"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
}

TEST_F(ArticlesTest, TheGroupedViewGroupsLotsOfAnArticleAtOnePrice)
{
    Open();
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm&) {
        EXPECT_FALSE(fArticlesGrouped->PickMode());
        SortBy(DM->tblFiFoQuery, QStringLiteral("article_code"));
        EXPECT_EQ(Listed(DM->tblFiFoQuery, {"article_code", "total_quty", "delivery_price", "sale_price"}),
                  (QStringList{"B200|0|30.00|45", "F100|12|8.50|12.5", "H4L|10|2.00|3", "O300|15|11.00|18",
                               "S001|1000|0.00|20"}));
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
    EXPECT_TRUE(fArticlesGrouped->PickMode());
    EXPECT_TRUE(DM->tblFiFoQuery->Filtered());
}

TEST_F(ArticlesTest, APickWritesOnlyIntoTheLineItWasOpenedFor)
{
    Open();
    AllowChanges(true);
    fStorage->SetDeliveryReadOnly(true);
    OpenWindow("fStorage", [&](TForm&) {
        TfStorage& w = *fStorage;
        w.TreeView1->SetSelected(w.TreeView1->Items().Item(0));
        DM->tblDelivery->SetKeyFields(QStringLiteral("id"));
        EXPECT_TRUE(DM->tblDelivery->FindKey({qint32(1)}));
        w.LocateDeliveryStore();
        w.bSearchClick(&w);
        DM->tblDeliveryDetail->First();
        w.DBGrid1EditButtonClick(w.DBGrid1);
        EXPECT_TRUE(fArticlesGrouped->isVisible());
        EXPECT_EQ(fArticlesGrouped->height(), TfArticlesGrouped::kPickHeight);
        EXPECT_EQ(fArticlesGrouped->tbxSearchValue->Text(), QStringLiteral("Маслен филтър"));
        fArticlesGrouped->tbxArtNom->SetText(QStringLiteral("O300"));
        fArticlesGrouped->bYesClick(fArticlesGrouped);
        EXPECT_FALSE(fArticlesGrouped->isVisible());

        // Opened on the first line, picked after moving to the second: nothing is written.
        DM->tblDeliveryDetail->First();
        w.DBGrid1EditButtonClick(w.DBGrid1);
        fArticlesGrouped->tbxArtNom->SetText(QStringLiteral("S001"));
        DM->tblDeliveryDetail->Next();
        fArticlesGrouped->bYesClick(fArticlesGrouped);
        EXPECT_FALSE(fArticlesGrouped->isVisible());
        return mrCancel;
    });
    EXPECT_EQ(Rows("SELECT id, article_code, article_name, dimention, service, sale_price, delivery_price "
                   "FROM delivery_detail WHERE id IN (1, 2) ORDER BY id")[0].join('|'),
              QStringLiteral("1|O300|Масло 5W30|л|0|18.0|11.0"));
    EXPECT_EQ(Rows("SELECT article_code FROM delivery_detail WHERE id=2")[0][0], QStringLiteral("B200"));
}

TEST_F(ArticlesTest, APriceChangeTheEngineRefusesSaysSoAndChangesNothing)
{
    Open();
    AllowChanges(true);
    Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON delivery_detail BEGIN SELECT RAISE(ABORT, 'no'); END"));
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm&) {
        TfArticlesGrouped& w = *fArticlesGrouped;
        w.cb1->SetChecked(true);
        w.e_artnom->SetText(QStringLiteral("F100"));
        w.e_prod->SetText(QStringLiteral("6.50"));
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Наистина ли искате да промените данните ?"), mrYes);
        w.FlatButton2Click(&w);
        EXPECT_TRUE(Shown(QStringLiteral("Поради възникнала грешка, цените не бяха променени !")));
        EXPECT_FALSE(DM->tblFiFoQuery->ControlsDisabled());
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM delivery_detail WHERE sale_price=6.5")), 0);
}

struct PriceCase {
    const char* name;
    bool byCode;
    const char* article;
    const char* price;
    const char* shown;       // null: nothing
    const char* changedIds;  // the lots at 6.5 afterwards
};

TEST_F(ArticlesTest, ThePriceChangeAsATable)
{
    const PriceCase cases[] = {
        {"empty price", true, "F100", "", "Въведете валидна цена !", ""},
        {"no number", true, "F100", "1,2,3", "Въведете валидна цена !", ""},
        {"empty code", true, "", "6.50", "Изберете артикул !", ""},
        {"by code, comma", true, "F100", "6,50", nullptr, "1,5"},
        {"by a name with an apostrophe", false, "Крушка H4 'дълга'", "6.50", nullptr, "1,5,6"},
    };
    Open();
    AllowChanges(true);
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm&) {
        TfArticlesGrouped& w = *fArticlesGrouped;
        EXPECT_TRUE(w.Pannel1->isVisibleTo(&w));
        EXPECT_EQ(w.height(), TfArticlesGrouped::kPriceHeight);
        EXPECT_FALSE(w.e_artnom->Text().isEmpty());
        for (const PriceCase& c : cases) {
            SCOPED_TRACE(c.name);
            w.cb1->SetChecked(c.byCode);
            EXPECT_EQ(w.cb2->Checked(), !c.byCode);
            (c.byCode ? w.e_artnom : w.e_name)->SetText(QString::fromUtf8(c.article));
            w.e_prod->SetText(QString::fromLatin1(c.price));
            host_.ClearShown();
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате да промените данните ?"), mrYes);
            w.FlatButton2Click(&w);
            if (c.shown) {
                EXPECT_TRUE(Shown(QString::fromUtf8(c.shown)));
            }
            QStringList changed;
            for (const QStringList& row : Rows("SELECT id FROM delivery_detail WHERE sale_price=6.5 ORDER BY id"))
                changed << row[0];
            EXPECT_EQ(changed.join(QLatin1Char(',')), QString::fromLatin1(c.changedIds));
        }
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale_detail WHERE sale_price=6.5")), 0);
        w.tbxArtNom->SetText(QStringLiteral("F100"));
        EXPECT_EQ(Listed(DM->tblFiFoQuery, {"article_code", "sale_price"}).filter(QStringLiteral("F100")),
                  QStringList{QStringLiteral("F100|6.5")});

        // The separator hint: at most once per run on entering the price, every time from "^".
        fSetings->cbWarnings->SetChecked(true);
        host_.ClearShown();
        w.e_prodEnter(w.e_prod);
        w.e_prodEnter(w.e_prod);
        EXPECT_LE(host_.Texts().count(TfArticlesGrouped::SeparatorHint()), 1);
        host_.ClearShown();
        w.e_prodEnter(w.e_prod);
        w.FlatButton1Click(&w);
        w.FlatButton1Click(&w);
        EXPECT_EQ(host_.Texts().count(TfArticlesGrouped::SeparatorHint()), 2);
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
}

// Figures end at the right of their cells, so that two neighbouring numbers never read as one.
TEST_F(ArticlesTest, TheGroupedPricesLineUpOnTheRight)
{
    Open();
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm&) {
        TDBGrid* grid = fArticlesGrouped->DBGrid1;
        const QImage image = grid->viewport()->grab().toImage();
        for (int column = 3; column <= 4; ++column) {  // available, delivery price
            const QRect cell = grid->visualRect(grid->model()->index(1, column));
            int leftmostInk = cell.right();
            for (int y = cell.top() + 1; y < cell.bottom(); ++y)
                for (int x = cell.left() + 1; x < cell.right(); ++x)
                    if (qGray(image.pixel(x, y)) < 128) leftmostInk = std::min(leftmostInk, x);
            EXPECT_GT(leftmostInk, cell.center().x()) << column;
        }
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
}

TEST_F(ArticlesTest, ThePricePanelShowsTheRowsPricesToTheCent)
{
    Open();
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm&) {
        SortBy(DM->tblFiFoQuery, QStringLiteral("article_code"));
        DM->tblFiFoQuery->Next();  // F100
        fArticlesGrouped->PanelSync(fArticlesGrouped->DBGrid1);
        EXPECT_EQ(fArticlesGrouped->e_prod->Text(), QStringLiteral("12.50"));
        EXPECT_EQ(fArticlesGrouped->e_dos->Text(), QStringLiteral("8.50"));
        EXPECT_EQ(fArticlesGrouped->e_nal->Text(), QStringLiteral("12"));
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
}

}  // namespace
