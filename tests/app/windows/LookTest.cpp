// How the program's windows look at the font they are shown in: captions that fit and keep
// clear of their boxes, values the boxes show whole, one grey.

#include "ProgramFixture.h"

#include "app/windows/uCashFinish.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uDebit.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uOrderForm.h"
#include "app/windows/uSearch.h"
#include "app/windows/uStorage.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/MaskEdit.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>

namespace {

// The captions of `window` whose text comes nearer than 5 pixels to the box to their right on
// the same row, as "name: caption".
QStringList TouchingCaptions(const QWidget* window)
{
    QStringList touching;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->isHidden() || label->wordWrap() || label->text().isEmpty()) continue;
        if (!(label->alignment() & Qt::AlignLeft)) continue;
        QString text = label->text();
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const int textRight = label->x() + label->fontMetrics().horizontalAdvance(text);
        const int middle = label->y() + label->height() / 2;
        for (const QWidget* box : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (box == label || box->isHidden() || qobject_cast<const QLabel*>(box)) continue;
            if (box->x() <= label->x() || box->y() > middle || box->y() + box->height() < middle) continue;
            if (textRight + 5 > box->x()) touching << label->objectName() + QStringLiteral(": ") + text;
        }
    }
    return touching;
}

// The room a line edit gives its text.
int TextRoom(const QLineEdit* edit)
{
    const QMargins margins = edit->textMargins();
    return edit->width() - 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4 - margins.left() -
           margins.right();
}

// The texts the grid shows in the column of `field`, row by row.
QStringList ColumnTexts(TDBGrid* grid, const char* field)
{
    QStringList texts;
    for (int column = 0; column < grid->Columns().Count(); ++column) {
        if (grid->Columns()[column]->FieldName() != QLatin1String(field)) continue;
        for (int row = 0; row < grid->model()->rowCount(); ++row) texts << grid->CellText(row, column, false);
    }
    return texts;
}

// The texts of `texts` that are not money as a shop writes it: digits, a point and two decimals
// (an empty cell is no money at all and passes).
QStringList NotToTheCent(const QStringList& texts)
{
    static const QRegularExpression money(QStringLiteral("^-?\\d+\\.\\d\\d$"));
    QStringList wrong;
    for (const QString& text : texts)
        if (!text.isEmpty() && !money.match(text).hasMatch()) wrong << text;
    return wrong;
}

// The titles of `grid` cut by their column, as "title: width needed > width".
QStringList CutTitles(TDBGrid* grid)
{
    QStringList cut;
    const QFontMetrics titles(grid->TitleFont());
    for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumn* column = grid->Columns()[i];
        const QString title = column->Title().Caption();
        const int needed = titles.horizontalAdvance(title) + 4;
        if (column->Visible() && needed > column->Width())
            cut << title + QStringLiteral(": ") + QString::number(needed) + QStringLiteral(" > ") +
                       QString::number(column->Width());
    }
    return cut;
}

// The columns of `grid` that end past what its viewport shows, as "field: right edge".
QStringList ColumnsPastTheEdge(TDBGrid* grid)
{
    QStringList past;
    const int room = grid->viewport()->width();
    for (int section = 0; section < grid->horizontalHeader()->count(); ++section) {
        const int right = grid->horizontalHeader()->sectionPosition(section) +
                          grid->horizontalHeader()->sectionSize(section);
        if (right > room)
            past << grid->model()->headerData(section, Qt::Horizontal).toString() + QStringLiteral(": ") +
                        QString::number(right) + QStringLiteral(" > ") + QString::number(room);
    }
    return past;
}

// Every shown box of `panel` lies inside it, none over another.
void ExpectBoxesInsideAndApart(const QWidget* panel)
{
    const QList<QWidget*> boxes = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* box : boxes) {
        if (box->isHidden()) continue;
        EXPECT_TRUE(panel->rect().contains(box->geometry())) << box->objectName().toStdString();
        for (const QWidget* other : boxes) {
            if (other == box || other->isHidden()) continue;
            EXPECT_FALSE(box->geometry().intersects(other->geometry()))
                << box->objectName().toStdString() << " " << other->objectName().toStdString();
        }
    }
}

class LookTest : public ProgramTest {
protected:
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }
    // The program after a start on a shop seeded from `fixture`.
    void LogInOn(const char* fixture)
    {
        LoginAsAdministrator();
        Seed(fixture);
        Restart();
        LoginAsAdministrator();
        app::MainFormReady = true;
    }
    // The main window on the invoiced order of invoice.sql, the shop changed first by `sql`.
    void ShowTheInvoicedOrder(const char* sql = nullptr)
    {
        LoginAsAdministrator();
        Seed("invoice.sql");
        if (sql) Execute(QString::fromUtf8(sql));
        Restart();
        LoginAsAdministrator();
        fSetings->cbxShowUPayed->SetChecked(true);
        fSetings->cbxOnlythisF->SetChecked(false);
        fCarVantel->Show();
        fCarVantel->ApplySaleFilter();
        ShowOrder(1);
    }
    // Shows the window modally and runs `look` in it once it is laid out.
    void LookAt(const char* name, const std::function<void(TForm&)>& look)
    {
        OpenWindow(name, [&](TForm& form) {
            for (int i = 0; i < 3; ++i) QApplication::processEvents();
            look(form);
            return mrCancel;
        });
    }
};

TEST_F(LookTest, NoWindowCutsACaptionOrRunsOneIntoItsBox)
{
    LoginAsAdministrator();
    for (int i = 0; i < application_->FormCount(); ++i) {
        TForm* window = application_->Forms(i);
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_EQ(ClippedCaptions(window).join(QStringLiteral(" | ")).toStdString(), "");
        EXPECT_EQ(TouchingCaptions(window).join(QStringLiteral(" | ")).toStdString(), "");
    }
}

TEST_F(LookTest, ALongOwnFirmNameWrapsWithinItsPanel)
{
    ShowTheInvoicedOrder("UPDATE myfirm SET myfirm_name = 'Автосервиз Тест ЕООД' WHERE id = 1");
    ASSERT_EQ(fCarVantel->DBTName->text(), QStringLiteral("Автосервиз Тест ЕООД"));
    EXPECT_EQ(ClippedCaptions(fCarVantel).join(QStringLiteral(" | ")).toStdString(), "");
    ExpectBoxesInsideAndApart(fCarVantel->pnlMyFirm);
    EXPECT_TRUE(fCarVantel->Panel2->rect().contains(fCarVantel->cbxSastavil_mol->geometry()));
    EXPECT_FALSE(fCarVantel->pnlMyFirm->geometry().intersects(fCarVantel->cbxSastavil_mol->geometry()));
}

TEST_F(LookTest, TheOrderWindowShowsItsNumbersAndDatesWhole)
{
    ShowTheInvoicedOrder();
    DM->tblSaleTotalQuery->Requery();

    EXPECT_EQ(fCarVantel->DBE_invoice_num->Text(), QStringLiteral("7"));
    EXPECT_FALSE(fCarVantel->DBE_sale_date->Text().isEmpty());
    // The widest values the boxes show: a date, a total of an order in the thousands.
    const std::pair<TDBEdit*, QString> widest[] = {
        {fCarVantel->DBE_sale_num, QStringLiteral("00.00.0000")},    {fCarVantel->DBE_sale_date, QStringLiteral("00.00.0000")},
        {fCarVantel->DBE_invoice_num, QStringLiteral("00.00.0000")}, {fCarVantel->DBE_invoice_date, QStringLiteral("00.00.0000")},
        {fCarVantel->DBE_Sale_sum, QStringLiteral("99999.99")},      {fCarVantel->DBE_Total, QStringLiteral("99999.99")}};
    for (const auto& [box, value] : widest) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->Text()), TextRoom(box));
        EXPECT_LE(box->fontMetrics().horizontalAdvance(value), TextRoom(box));
    }
    ExpectBoxesInsideAndApart(fCarVantel->Panel3);
}

TEST_F(LookTest, TheOrderWindowIsOneGrey)
{
    LoginAsAdministrator();
    fCarVantel->Show();
    const QImage shot = fCarVantel->grab().toImage();
    const QColor face = ToQColor(clBtnFace);
    const auto at = [&](const QWidget* inside, QPoint point) {
        return shot.pixelColor(inside->mapTo(fCarVantel, point));
    };
    EXPECT_EQ(at(fCarVantel->Panel3, QPoint(fCarVantel->Panel3->width() - 3, fCarVantel->Panel3->height() - 3)), face);
    EXPECT_EQ(at(fCarVantel->gbCar, QPoint(fCarVantel->gbCar->width() - 5, fCarVantel->gbCar->height() - 6)), face);
    EXPECT_EQ(at(fCarVantel->Client, QPoint(fCarVantel->Client->width() / 2, fCarVantel->gbCar->height() + 7)),
              face);
}

TEST_F(LookTest, TheCashJournalShowsEveryValueWholeInItsColumns)
{
    LoginAsAdministrator();
    Seed("cash_period.sql");
    CreateReportTemplates(*application_);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    fCasheBox->Today = [] { return TDateTime(46174); };
    host_.AnswerForm(QStringLiteral("ReportPreview"), mrOk);
    OpenWindow("fCasheBox", [](TForm&) {
        fCasheBox->bPrintClick(nullptr);
        return mrCancel;
    });
    TDBGrid* grid = fOrderForm->DBGrid1;
    TDataSet* journal = grid->DataSet();
    ASSERT_TRUE(journal && journal->Active());
    int rows = 0;
    for (journal->First(); !journal->Eof(); journal->Next(), ++rows)
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumn* column = grid->Columns()[i];
            const QString text = column->Field() ? column->Field()->DisplayText() : QString();
            EXPECT_LE(grid->fontMetrics().horizontalAdvance(text) + 5, column->Width())
                << column->FieldName().toStdString() << ": " << text.toStdString();
        }
    EXPECT_GE(rows, 9);
}

// --- money and quantities ----------------------------------------------------------------------

TEST_F(LookTest, TheStockWindowShowsPricesToTheCentAndQuantitiesAsTheyAre)
{
    LogInOn("stock_lots.sql");
    fCarVantel->Show();
    LookAt("fSearch", [](TForm&) {
        const QStringList sale = ColumnTexts(fSearch->DBGrid1, "sale_price");
        EXPECT_TRUE(sale.contains(QStringLiteral("12.50"))) << sale.join(' ').toStdString();
        EXPECT_EQ(NotToTheCent(sale), QStringList());
        EXPECT_EQ(NotToTheCent(ColumnTexts(fSearch->DBGrid1, "delivery_price")), QStringList());
        const QStringList stock = ColumnTexts(fSearch->DBGrid1, "total_quty");
        EXPECT_TRUE(stock.contains(QStringLiteral("0.5")) && stock.contains(QStringLiteral("10")))
            << stock.join(' ').toStdString();
    });
}

TEST_F(LookTest, TheProfitWindowShowsItsPricesAndSumsToTheCent)
{
    LogInOn("sales_profit.sql");
    app::CurrentFirmId = 1;
    LookAt("fDebit", [](TForm&) {
        fDebit->meStartDate->SetText(QStringLiteral("01/03/2026"));
        fDebit->meEndDate->SetText(QStringLiteral("01/04/2026"));
        fDebit->FlatButton1Click(nullptr);
        const QStringList sale = ColumnTexts(fDebit->DBGrid1, "sale_price");
        EXPECT_TRUE(sale.contains(QStringLiteral("12.50"))) << sale.join(' ').toStdString();
        for (const char* money : {"delivery_price", "sale_price", "TotalDeliverySum", "TotalSaleSum", "DebitSum"}) {
            SCOPED_TRACE(money);
            EXPECT_EQ(NotToTheCent(ColumnTexts(fDebit->DBGrid1, money)), QStringList());
        }
        EXPECT_TRUE(ColumnTexts(fDebit->DBGrid1, "sale_quantity").contains(QStringLiteral("3")));
        EXPECT_EQ(fDebit->DBE_sale_num->Text(), QStringLiteral("68.00"));
    });
}

TEST_F(LookTest, TheDeliveryLinesShowPricesToTheCentAndQuantitiesAsTheyAre)
{
    LogInOn("stores_deliveries.sql");
    fSetings->cbxOnlythisCash->SetChecked(false);
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    LookAt("fStorage", [](TForm&) {
        EXPECT_EQ(ColumnTexts(fStorage->DBGrid1, "delivery_price"), QStringList({"8.00", "30.00"}));
        EXPECT_EQ(ColumnTexts(fStorage->DBGrid1, "sale_price"), QStringList({"12.50", "45.00"}));
        EXPECT_EQ(ColumnTexts(fStorage->DBGrid1, "delivery_quantity"), QStringList({"10", "2"}));
    });
}

TEST_F(LookTest, TheCashBoxShowsItsMoneyToTheCent)
{
    LogInOn("cash_period.sql");
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    fCasheBox->Today = [] { return TDateTime(46174); };
    LookAt("fCasheBox", [](TForm&) {
        // Every figure has its stotinki, the income and expense summed from them too.
        for (TEdit* figure : std::initializer_list<TEdit*>{
                 fCasheBox->dbeTakedTotalSum, fCasheBox->dbeTotalSale, fCasheBox->dbeGiveTotal,
                 fCasheBox->dbeDeliveryTotal, fCasheBox->dbePaymentSum, fCasheBox->dbeWorkSum,
                 fCasheBox->eTakeTotal, fCasheBox->eGiveTotal, fCasheBox->eOldBalance, fCasheBox->eNewBalance}) {
            SCOPED_TRACE(figure->objectName().toStdString());
            EXPECT_EQ(NotToTheCent({figure->Text()}), QStringList());
        }
        EXPECT_EQ(fCasheBox->dbeTotalSale->Text(), QStringLiteral("173.40"));
        EXPECT_EQ(fCasheBox->eOldBalance->Text(), QStringLiteral("500.00"));
        EXPECT_EQ(ColumnTexts(fCasheBox->DBGridT1, "take"), QStringList({"100.00", "50.25"}));
        EXPECT_EQ(ColumnTexts(fCasheBox->DBGridG1, "give"), QStringList({"40.00", ""}));
    });
    LookAt("fCashFinish", [](TForm&) {
        for (const char* money : {"accepted_money", "given_money", "All_calculation"}) {
            SCOPED_TRACE(money);
            const QStringList texts = ColumnTexts(fCashFinish->DBGrid1, money);
            EXPECT_FALSE(texts.isEmpty());
            EXPECT_EQ(NotToTheCent(texts), QStringList());
        }
    });
}

// --- grids that fit ----------------------------------------------------------------------------

TEST_F(LookTest, TheFirmsGridShowsEveryColumnInItsWindow)
{
    LogInOn("shop_lists.sql");
    LookAt("fFirmSet", [](TForm&) {
        EXPECT_EQ(ColumnsPastTheEdge(fFirmSet->DBGrid1), QStringList());
        EXPECT_FALSE(fFirmSet->DBGrid1->horizontalScrollBar()->isVisible());
    });
}

TEST_F(LookTest, NoGridOfAnyWindowRunsPastItsEdgeOrCutsATitle)
{
    LogInOn("shop_lists.sql");
    fCarVantel->Show();
    const auto gridsOf = [](QWidget& window) {
        for (TDBGrid* grid : window.findChildren<TDBGrid*>()) {
            if (!grid->isVisible()) continue;
            SCOPED_TRACE(grid->objectName().toStdString());
            EXPECT_EQ(ColumnsPastTheEdge(grid), QStringList());
            EXPECT_EQ(CutTitles(grid), QStringList());
        }
    };
    {
        SCOPED_TRACE("fCarVantel");
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        gridsOf(*fCarVantel);
    }
    for (const char* name : {"fFirmSet", "fCars", "fClients", "fModel", "fSearch", "fStorage", "fArticles",
                             "fArticlesWork", "fArticlesGrouped", "fSearchResult", "fDebit", "fCasheBox",
                             "fCashFinish", "fOrderForm", "fEmployee", "fDeliverySearchResult"}) {
        SCOPED_TRACE(name);
        LookAt(name, gridsOf);
    }
}

}  // namespace
