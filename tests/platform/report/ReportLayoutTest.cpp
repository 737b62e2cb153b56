// The layout engine: bands into pages, page breaks, groups, aggregates, run-time changes of the
// controls, and the errors that name the item at fault.

#include "TestRows.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportError.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportImage.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/ReportRenderer.h"
#include "platform/report/ReportShape.h"
#include "platform/report/ReportSysData.h"

#include <gtest/gtest.h>

namespace {

TTestRows Articles()
{
    const QStringList names = {QStringLiteral("Болт"),  QStringLiteral("Гайка"),   QStringLiteral("Шайба"),
                               QStringLiteral("Масло"), QStringLiteral("Филтър"),  QStringLiteral("Свещ"),
                               QStringLiteral("Ремък"), QStringLiteral("Накладка"), QStringLiteral("Труд")};
    std::vector<std::vector<TVariant>> rows;
    for (int i = 0; i < names.size(); ++i)
        rows.push_back({TVariant(i + 1), TVariant(names.at(i)), TVariant(1.5 * (i + 1)), TVariant(i == 8)});
    return TTestRows(QStringLiteral("tblSaleDetail"),
                     {QStringLiteral("cur_prod_count"), QStringLiteral("article_name"), QStringLiteral("sale_price"),
                      QStringLiteral("service")},
                     std::move(rows));
}

// A sheet 480 x 240 units with margins of 24: the bands have 432 x 192 to share.
void SmallSheet(TBandReport& report)
{
    report.Page().SetPaperWidth(127.0);
    report.Page().SetPaperLength(63.5);
    report.Page().SetMargins(6.35);
}

template <typename T>
T* Add(TReportBand* band, const QString& name, double left, double top, double width, double height)
{
    auto* control = new T(band);
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    return control;
}

// Column header, detail and summary, with the page number in the page footer.
struct TThreeBandReport {
    TThreeBandReport() : rows(Articles())
    {
        report.SetName(QStringLiteral("ArticleReport"));
        SmallSheet(report);
        report.SetRowSource(&rows);

        TReportBand* header = report.CreateBand(rbColumnHeader, 20);
        Add<TReportLabel>(header, QStringLiteral("lblName"), 0, 2, 200, 16)->SetCaption(QStringLiteral("Наименование"));
        auto* price = Add<TReportLabel>(header, QStringLiteral("lblPrice"), 300, 2, 100, 16);
        price->SetCaption(QStringLiteral("Цена"));
        price->SetAlignment(taRightJustify);

        TReportBand* detail = report.CreateBand(rbDetail, 20);
        auto* name = Add<TReportDBText>(detail, QStringLiteral("dbName"), 0, 2, 200, 16);
        name->SetDataField(QStringLiteral("article_name"));
        auto* value = Add<TReportExpr>(detail, QStringLiteral("exPrice"), 300, 2, 100, 16);
        value->SetExpression(QStringLiteral("tblSaleDetail.sale_price"));
        value->SetMask(QStringLiteral("0.00"));
        value->SetAlignment(taRightJustify);

        TReportBand* summary = report.CreateBand(rbSummary, 30);
        Add<TReportShape>(summary, QStringLiteral("lnTotal"), 0, 0, 432, 4)->SetShape(stHorLine);
        auto* label = Add<TReportLabel>(summary, QStringLiteral("lblTotal"), 0, 8, 200, 16);
        label->SetCaption(QStringLiteral("Общо:"));
        label->Font().setBold(true);
        auto* total = Add<TReportExpr>(summary, QStringLiteral("exTotal"), 300, 8, 100, 16);
        total->SetExpression(QStringLiteral("SUM(tblSaleDetail.sale_price)"));
        total->SetMask(QStringLiteral("0.00"));
        total->SetAlignment(taRightJustify);

        TReportBand* footer = report.CreateBand(rbPageFooter, 20);
        auto* page = Add<TReportSysData>(footer, QStringLiteral("sdPage"), 0, 2, 100, 16);
        page->SetData(sdPageNumber);
        page->SetText(QStringLiteral("стр. "));
        page->SetAlignment(taCenter);
        page->SetAlignToBand(true);
    }

    TTestRows rows;
    TBandReport report;
};

const char* const ThreeBandGolden = R"(page 1 480.0x240.0
  text lblName [24.0,26.0 200.0x16.0] "Наименование" 13px left
  text lblPrice [324.0,26.0 100.0x16.0] "Цена" 13px right
  text dbName [24.0,46.0 200.0x16.0] "Болт" 13px left
  text exPrice [324.0,46.0 100.0x16.0] "1.50" 13px right
  text dbName [24.0,66.0 200.0x16.0] "Гайка" 13px left
  text exPrice [324.0,66.0 100.0x16.0] "3.00" 13px right
  text dbName [24.0,86.0 200.0x16.0] "Шайба" 13px left
  text exPrice [324.0,86.0 100.0x16.0] "4.50" 13px right
  text dbName [24.0,106.0 200.0x16.0] "Масло" 13px left
  text exPrice [324.0,106.0 100.0x16.0] "6.00" 13px right
  text dbName [24.0,126.0 200.0x16.0] "Филтър" 13px left
  text exPrice [324.0,126.0 100.0x16.0] "7.50" 13px right
  text dbName [24.0,146.0 200.0x16.0] "Свещ" 13px left
  text exPrice [324.0,146.0 100.0x16.0] "9.00" 13px right
  text dbName [24.0,166.0 200.0x16.0] "Ремък" 13px left
  text exPrice [324.0,166.0 100.0x16.0] "10.50" 13px right
  text sdPage [24.0,198.0 432.0x16.0] "стр. 1" 13px center
page 2 480.0x240.0
  text lblName [24.0,26.0 200.0x16.0] "Наименование" 13px left
  text lblPrice [324.0,26.0 100.0x16.0] "Цена" 13px right
  text dbName [24.0,46.0 200.0x16.0] "Накладка" 13px left
  text exPrice [324.0,46.0 100.0x16.0] "12.00" 13px right
  text dbName [24.0,66.0 200.0x16.0] "Труд" 13px left
  text exPrice [324.0,66.0 100.0x16.0] "13.50" 13px right
  line lnTotal (24.0,86.0)-(456.0,86.0) pen=1.0
  text lblTotal [24.0,92.0 200.0x16.0] "Общо:" 13px bold left
  text exTotal [324.0,92.0 100.0x16.0] "67.50" 13px right
  text sdPage [24.0,198.0 432.0x16.0] "стр. 2" 13px center
)";

TEST(ReportLayout, ThreeBandsBreakIntoTwoPagesWithSummaryOnTheLast)
{
    TThreeBandReport fixture;
    fixture.report.Prepare();
    EXPECT_EQ(DumpPages(fixture.report.Pages()).toStdString(), std::string(ThreeBandGolden));
    EXPECT_EQ(fixture.rows.DisabledCount(), 0) << "controls are enabled again after the walk";
}

TEST(ReportLayout, ControlsChangedAtRunTimePrintAsChanged)
{
    TThreeBandReport fixture;
    auto* price = qobject_cast<TReportLabel*>(fixture.report.FindPrintable(QStringLiteral("lblPrice")));
    auto* name = fixture.report.findChild<TReportDBText*>(QStringLiteral("dbName"));
    price->SetCaption(QStringLiteral("Ед.цена"));
    price->SetLeft(250);
    name->SetEnabled(false);
    fixture.report.findChild<TReportLabel*>(QStringLiteral("lblName"))->SetVisible(false);
    fixture.report.Prepare();
    const QString dump = DumpPages(fixture.report.Pages());
    EXPECT_TRUE(dump.contains(QStringLiteral("text lblPrice [274.0,26.0 100.0x16.0] \"Ед.цена\"")));
    EXPECT_FALSE(dump.contains(QStringLiteral("dbName")));
    EXPECT_FALSE(dump.contains(QStringLiteral("lblName")));
}

TEST(ReportLayout, EmptyDatasetPrintsHeadersAndSummaryOnOnePage)
{
    TTestRows empty(QStringLiteral("tblMemTable"), {QStringLiteral("total")}, {});
    TBandReport report;
    SmallSheet(report);
    report.SetRowSource(&empty);
    TReportBand* title = report.CreateBand(rbTitle, 30);
    Add<TReportLabel>(title, QStringLiteral("lblTitle"), 0, 0, 200, 20)->SetCaption(QStringLiteral("Отчет за каса № 1"));
    Add<TReportExpr>(report.CreateBand(rbDetail, 20), QStringLiteral("exTotal"), 0, 0, 100, 16)
        ->SetExpression(QStringLiteral("tblMemTable.total"));
    auto* sum = Add<TReportExpr>(report.CreateBand(rbSummary, 20), QStringLiteral("exSum"), 0, 0, 100, 16);
    sum->SetExpression(QStringLiteral("SUM(tblMemTable.total)"));
    sum->SetMask(QStringLiteral("0.00"));
    report.Prepare();
    ASSERT_EQ(report.PageCount(), 1);
    EXPECT_EQ(DumpPages(report.Pages()).toStdString(),
              "page 1 480.0x240.0\n"
              "  text lblTitle [24.0,24.0 200.0x20.0] \"Отчет за каса № 1\" 13px left\n"
              "  text exSum [24.0,54.0 100.0x16.0] \"0.00\" 13px left\n");
}

TEST(ReportLayout, GroupsPrintHeadersFootersAndTheirOwnSums)
{
    TTestRows rows(QStringLiteral("tblMemTable"), {QStringLiteral("type"), QStringLiteral("total")},
                   {{TVariant("Приход"), TVariant(10.0)},
                    {TVariant("Приход"), TVariant(5.0)},
                    {TVariant("Разход"), TVariant(-7.0)},
                    {TVariant("Разход"), TVariant(-1.0)},
                    {TVariant("Разход"), TVariant(-2.0)}});
    TBandReport report;
    report.Page().SetPaperSize(psA4);
    report.SetRowSource(&rows);
    TReportBand* header = report.CreateBand(rbGroupHeader, 20);
    header->SetName(QStringLiteral("grpType"));
    header->SetExpression(QStringLiteral("tblMemTable.type"));
    Add<TReportExpr>(header, QStringLiteral("exType"), 0, 0, 100, 16)->SetExpression(QStringLiteral("type"));
    Add<TReportExpr>(report.CreateBand(rbDetail, 20), QStringLiteral("exLine"), 0, 0, 100, 16)
        ->SetExpression(QStringLiteral("total"));
    TReportBand* footer = report.CreateBand(rbGroupFooter, 20);
    header->SetFooterBand(footer);
    auto* groupSum = Add<TReportExpr>(footer, QStringLiteral("exGroupSum"), 0, 0, 200, 16);
    groupSum->SetExpression(QStringLiteral("'Общо ' + type + ': ' + STR(SUM(total)) + ' / ' + STR(COUNT)"));
    auto* all = Add<TReportExpr>(report.CreateBand(rbSummary, 20), QStringLiteral("exAll"), 0, 0, 100, 16);
    all->SetExpression(QStringLiteral("SUM(total)"));
    report.Prepare();

    QStringList texts;
    for (const TPageItem& item : report.Pages().at(0).Items)
        texts << item.Text;
    EXPECT_EQ(texts.join(QLatin1Char('|')).toStdString(),
              "Приход|10|5|Общо Приход: 15 / 2|Разход|-7|-1|-2|Общо Разход: -10 / 3|5");
}

TEST(ReportLayout, FieldsOfOtherDatasetsReadTheirCurrentRow)
{
    TTestRows lines = Articles();
    TTestRows sale(QStringLiteral("tblSale"), {QStringLiteral("sale_num"), QStringLiteral("invoice_date")},
                   {{TVariant(41), TVariant::FromDate(46000.0)}, {TVariant(42), TVariant::FromDate(46001.0)}});
    sale.MoveTo(1);
    TBandReport report;
    report.SetRowSource(&lines);
    report.AddRowSource(&sale);
    TReportBand* title = report.CreateBand(rbTitle, 40);
    auto* number = Add<TReportDBText>(title, QStringLiteral("qrlinvoice_num"), 0, 0, 200, 16);
    number->SetDataSetName(QStringLiteral("TBLSALE"));
    number->SetDataField(QStringLiteral("sale_num"));
    number->SetMask(QStringLiteral("0000000000."));
    Add<TReportExpr>(title, QStringLiteral("exDate"), 0, 20, 200, 16)
        ->SetExpression(QStringLiteral("'Дата: ' + tblSale.invoice_date"));
    Add<TReportExpr>(report.CreateBand(rbDetail, 20), QStringLiteral("exWork"), 0, 0, 20, 16)
        ->SetExpression(QStringLiteral("IF(tblSaleDetail.service,'V','')"));
    report.Prepare();
    const std::vector<TPageItem>& items = report.Pages().at(0).Items;
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[0].Text.toStdString(), "0000000042.");
    EXPECT_EQ(items[1].Text.toStdString(), "Дата: 10.12.2025");
    for (size_t i = 2; i < 10; ++i)
        EXPECT_EQ(items[i].Text.toStdString(), "") << i;
    EXPECT_EQ(items[10].Text.toStdString(), "V");
}

TEST(ReportLayout, PageCountAndNewPagesOnRequest)
{
    TThreeBandReport fixture;
    auto* count = Add<TReportSysData>(fixture.report.BandsOfType(rbPageFooter).at(0), QStringLiteral("sdCount"), 300, 2,
                                      100, 16);
    count->SetData(sdPageCount);
    count->SetText(QStringLiteral("от "));
    fixture.report.BandsOfType(rbSummary).at(0)->SetForceNewPage(true);
    fixture.report.SetLastPageFooter(false);
    fixture.report.Prepare();
    ASSERT_EQ(fixture.report.PageCount(), 3);
    const QString dump = DumpPages(fixture.report.Pages());
    EXPECT_EQ(dump.count(QStringLiteral("\"от 3\"")), 2) << dump.toStdString();
    const std::vector<TPageItem>& last = fixture.report.Pages().at(2).Items;
    ASSERT_EQ(last.size(), 5u) << "column header and summary, no footer";
    EXPECT_EQ(last[2].Name.toStdString(), "lnTotal");
}

TEST(ReportLayout, PageFooterSumsEndWithThePagesLastRow)
{
    TThreeBandReport fixture;
    auto* pageSum = Add<TReportExpr>(fixture.report.BandsOfType(rbPageFooter).at(0), QStringLiteral("exPageSum"), 300,
                                     2, 100, 16);
    pageSum->SetExpression(QStringLiteral("SUM(sale_price)"));
    pageSum->SetMask(QStringLiteral("0.00"));
    pageSum->SetResetAfterPrint(true);
    auto* number = Add<TReportSysData>(fixture.report.BandsOfType(rbDetail).at(0), QStringLiteral("sdLine"), 410, 2,
                                       20, 16);
    number->SetData(sdDetailNo);
    fixture.report.Prepare();
    QStringList sums;
    QStringList lines;
    for (const TReportPage& page : fixture.report.Pages())
        for (const TPageItem& item : page.Items) {
            if (item.Name == QStringLiteral("exPageSum"))
                sums << item.Text;
            if (item.Name == QStringLiteral("sdLine"))
                lines << item.Text;
        }
    EXPECT_EQ(sums.join(QLatin1Char('|')).toStdString(), "42.00|25.50");
    EXPECT_EQ(lines.join(QLatin1Char(',')).toStdString(), "1,2,3,4,5,6,7,8,9");
}

TEST(ReportLayout, ShapesAndPicturesBecomePageItems)
{
    TBandReport report;
    SmallSheet(report);
    TReportBand* summary = report.CreateBand(rbSummary, 100);
    auto* box = Add<TReportShape>(summary, QStringLiteral("shBox"), 10, 10, 100, 50);
    box->SetPenWidth(2);
    box->SetBrushColor(Qt::yellow);
    Add<TReportShape>(summary, QStringLiteral("shVert"), 200, 0, 10, 80)->SetShape(stVertLine);
    QImage car(40, 20, QImage::Format_RGB32);
    car.fill(Qt::blue);
    auto* picture = Add<TReportImage>(summary, QStringLiteral("imgCar"), 250, 10, 80, 40);
    picture->SetPicture(car);
    picture->SetStretch(true);
    Add<TReportImage>(summary, QStringLiteral("imgNone"), 0, 0, 10, 10);
    report.Prepare();
    EXPECT_EQ(DumpPages(report.Pages()).toStdString(),
              "page 1 480.0x240.0\n"
              "  rect shBox [35.0,35.0 98.0x48.0] pen=2.0 fill=#ffff00\n"
              "  line shVert (229.0,24.0)-(229.0,104.0) pen=1.0\n"
              "  image imgCar [274.0,34.0 80.0x40.0] 40x20 stretch\n");
}

struct TLayoutErrorCase {
    const char* name;
    std::function<void(TBandReport&, TTestRows&)> spoil;
    const char* message;
};

class ReportLayoutErrors : public ::testing::TestWithParam<TLayoutErrorCase> {};

TEST_P(ReportLayoutErrors, NameTheItemAtFault)
{
    TThreeBandReport fixture;
    GetParam().spoil(fixture.report, fixture.rows);
    try {
        fixture.report.Prepare();
        FAIL() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(e.Message().toStdString(), GetParam().message);
    }
    EXPECT_EQ(fixture.rows.DisabledCount(), 0);
}

TReportExpr* Price(TBandReport& report)
{
    return report.findChild<TReportExpr*>(QStringLiteral("exPrice"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportLayoutErrors,
    ::testing::Values(
        TLayoutErrorCase{"UnknownField",
                         [](TBandReport& r, TTestRows&) { Price(r)->SetExpression(QStringLiteral("tblSaleDetail.pric")); },
                         "exPrice: Field 'tblSaleDetail.pric' not found"},
        TLayoutErrorCase{"UnknownDataset",
                         [](TBandReport& r, TTestRows&) { Price(r)->SetExpression(QStringLiteral("tblNothing.x + 1")); },
                         "exPrice: Dataset 'tblNothing' not found"},
        TLayoutErrorCase{"BadSyntax",
                         [](TBandReport& r, TTestRows&) { Price(r)->SetExpression(QStringLiteral("IF(service,'V'")); },
                         "exPrice: ')' expected in expression"},
        TLayoutErrorCase{"DataTextField",
                         [](TBandReport& r, TTestRows&) {
                             r.findChild<TReportDBText*>(QStringLiteral("dbName"))->SetDataField(QStringLiteral("name"));
                         },
                         "dbName: Field 'name' not found"},
        TLayoutErrorCase{"ClosedDataset", [](TBandReport&, TTestRows& rows) { rows.SetActive(false); },
                         "ArticleReport: Dataset 'tblSaleDetail' is not open"},
        TLayoutErrorCase{"NoRoomOnThePage", [](TBandReport& r, TTestRows&) { r.Page().SetLeftMargin(130.0); },
                         "ArticleReport: The margins leave no room on the page"},
        TLayoutErrorCase{"GroupExpression",
                         [](TBandReport& r, TTestRows&) {
                             TReportBand* group = r.CreateBand(rbGroupHeader, 20);
                             group->SetName(QStringLiteral("grpArticle"));
                             group->SetExpression(QStringLiteral("tblSaleDetail.article"));
                         },
                         "grpArticle: Field 'tblSaleDetail.article' not found"},
        TLayoutErrorCase{"ErrorWhileEvaluating",
                         [](TBandReport& r, TTestRows&) {
                             Price(r)->SetExpression(QStringLiteral("sale_price / (cur_prod_count - 3)"));
                         },
                         "exPrice: Division by zero"}),
    [](const ::testing::TestParamInfo<TLayoutErrorCase>& info) { return std::string(info.param.name); });

TEST(ReportLayout, DisabledControlsAreNotChecked)
{
    TThreeBandReport fixture;
    Price(fixture.report)->SetExpression(QStringLiteral("tblSaleDetail.nothing"));
    Price(fixture.report)->SetEnabled(false);
    EXPECT_NO_THROW(fixture.report.Prepare());
}

TEST(ReportLayout, TextBoxesFollowSizeAlignmentAndFont)
{
    TBandReport report;
    SmallSheet(report);
    TReportBand* title = report.CreateBand(rbTitle, 100);
    auto* right = Add<TReportLabel>(title, QStringLiteral("lblRight"), 100, 0, 10, 16);
    right->SetCaption(QStringLiteral("Всичко :"));
    right->SetAlignment(taRightJustify);
    right->SetAutoSize(true);
    auto* points = Add<TReportLabel>(title, QStringLiteral("lblPoints"), 0, 20, 100, 16);
    points->SetCaption(QStringLiteral("x"));
    points->Font().setPointSize(12);
    auto* wrap = Add<TReportLabel>(title, QStringLiteral("lblWrap"), 0, 40, 50, 40);
    wrap->SetCaption(QStringLiteral("Изисквания на клиента"));
    wrap->SetWordWrap(true);
    auto* shaded = Add<TReportLabel>(title, QStringLiteral("lblShaded"), 0, 80, 50, 16);
    shaded->SetColor(Qt::lightGray);
    report.Prepare();
    const std::vector<TPageItem>& items = report.Pages().at(0).Items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_GT(items[0].Rect.width(), 30.0) << "grown to the text";
    EXPECT_DOUBLE_EQ(items[0].Rect.right(), 24.0 + 110.0) << "the right edge stays";
    EXPECT_EQ(items[1].Font.pixelSize(), 16) << "12 points are 16 pixels";
    EXPECT_TRUE(items[2].WordWrap);
    EXPECT_EQ(items[3].Kind, TPageItemKind::Rectangle);
    EXPECT_EQ(items[3].Fill, QColor(Qt::lightGray));
}

TEST(ReportLayout, CheckPageRefusesAPageWithoutRoom)
{
    TBandReport report;
    report.SetName(QStringLiteral("InvoiceReport"));
    report.Page().SetPaperSize(psA5);
    EXPECT_NO_THROW(report.CheckPage()) << "whatever printers the machine has";
    report.Page().SetTopMargin(150.0);
    report.Page().SetBottomMargin(60.0);
    EXPECT_THROW(report.CheckPage(), EReportError);
    report.Page().SetPaperLength(0.0);
    try {
        report.CheckPage();
        FAIL() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(e.Message().toStdString(), "InvoiceReport: The paper size 148 x 0 mm is not valid");
    }
}

TEST(ReportLayout, PageSizesFollowPaperAndOrientation)
{
    TReportPageSetup setup;
    EXPECT_NEAR(setup.PageSize().width(), 793.7, 0.05);
    EXPECT_NEAR(setup.PageSize().height(), 1122.5, 0.05);
    setup.SetPaperSize(psA5);
    setup.SetOrientation(poLandscape);
    EXPECT_NEAR(setup.PageSizeMm().width(), 210.0, 1e-9);
    EXPECT_NEAR(setup.PageSizeMm().height(), 148.0, 1e-9);
    EXPECT_NEAR(setup.PrintableRect().left(), MmToUnits(10.0), 1e-9);
    setup.SetPaperSize(psLetter);
    EXPECT_NEAR(setup.PageSizeMm().height(), 215.9, 1e-9);
    EXPECT_EQ(setup.PageLayout().orientation(), QPageLayout::Landscape);
}

}  // namespace
