// Printing a grid: its columns in list order, 2 units apart, at most 18 of them, and the rows of
// its dataset in the printout.

#include "../windows/ProgramFixture.h"

#include "app/reports/uUniversalReport.h"
#include "app/reports/uUniversalReportPlus.h"
#include "app/windows/WindowKit.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/Fields.h"

#include <QProcess>

namespace {

class UniversalReportTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        LoginAsAdministrator();
        Seed("shop_lists.sql");
        DM->tblCar->Close();
        DM->tblCar->Open();
        report_ = new TfUniversalReport(application_.get());
        grid_ = PlaceGrid(&form_, "DBGrid1", DM->srcCar, 0, 0, 600, 300);
    }
    // A grid of `count` columns over the car table, each 50 + its number wide.
    void Columns(int count)
    {
        static const char* const fields[] = {"car_number", "frame_num", "mark", "model", "tank_type", "motor_num"};
        grid_->Columns().Clear();
        for (int i = 0; i < count; ++i) {
            TColumn* column = grid_->Columns().Add();
            column->SetFieldName(QString::fromLatin1(fields[i % 6]));
            column->Title().SetCaption(QStringLiteral("К%1").arg(i));
            column->SetWidth(50 + i);
        }
    }
    QString PdfText(const QString& file)
    {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        return text.waitForFinished(30000) ? QString::fromUtf8(text.readAllStandardOutput()) : QString();
    }
    TForm form_;
    TDBGrid* grid_ = nullptr;
    TfUniversalReport* report_ = nullptr;
};

TEST_F(UniversalReportTest, ColumnsFollowEachOtherTwoUnitsApartUpToEighteen)
{
    for (const int count : {1, 3, 18, 19}) {
        SCOPED_TRACE(count);
        Columns(count);
        report_->PrintGrid(grid_, TPrintMode::Pdf, Path("grid.pdf"));
        const int printed = std::min(count, 18);
        int enabled = 0;
        for (size_t i = 0; i < report_->HeaderLabels.size(); ++i) {
            enabled += report_->HeaderLabels[i]->Enabled();
            EXPECT_EQ(report_->HeaderLabels[i]->Enabled(), report_->DetailExprs[i]->Enabled()) << i;
        }
        EXPECT_EQ(enabled, printed);
        EXPECT_FALSE(report_->HeaderLabels[1]->Enabled());
        EXPECT_EQ(report_->HeaderLabels[0]->Caption(), QStringLiteral("К0"));
        EXPECT_EQ(report_->DetailExprs[0]->Expression(), QStringLiteral("tblCar.car_number"));
        EXPECT_EQ(report_->HeaderLabels[0]->Width(), 50);
        double left = 0;
        for (int i = 1; i < printed; ++i) {
            left += 50 + (i - 1) + 2;
            EXPECT_EQ(report_->HeaderLabels[i + 1]->Left(), left) << i;
            EXPECT_EQ(report_->DetailExprs[i + 1]->Left(), left) << i;
            EXPECT_EQ(report_->HeaderLabels[i + 1]->Width(), 50 + i) << i;
            EXPECT_EQ(report_->HeaderLabels[i + 1]->Caption(), QStringLiteral("К%1").arg(i)) << i;
        }
    }
}

TEST_F(UniversalReportTest, ThePrintoutHoldsTheTitlesAndTheRows)
{
    SetColumns(grid_, {{"car_number", "Регистр. №", 100}, {"mark", "Марка", 100}, {"model", "Модел", 100}});
    report_->PrintGrid(grid_, TPrintMode::Pdf, Path("cars.pdf"));
    const QString text = PdfText(Path("cars.pdf"));
    for (const char* part : {"Текущи данни", "Регистр. №", "Марка", "РВ1234АВ", "ЕН3456ТТ", "Лада", "Вектра"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    EXPECT_EQ(report_->Report1->DataSet(), DM->tblCar);
}

TEST_F(UniversalReportTest, OnlyVisibleColumnsPrintPackedInListOrder)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, bool>> columns;  // width, visible
        std::vector<std::pair<double, double>> printed;  // left, width of each printed column
    } cases[] = {
        {"four visible", {{64, true}, {100, true}, {80, true}, {40, true}}, {{0, 64}, {66, 100}, {168, 80}, {250, 40}}},
        {"a hidden second", {{64, true}, {100, false}, {80, true}, {40, true}}, {{0, 64}, {66, 80}, {148, 40}}},
        {"a hidden first", {{64, false}, {100, true}, {80, true}}, {{0, 100}, {102, 80}}},
        {"all hidden", {{64, false}, {100, false}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grid_->Columns().Clear();
        int number = 0;
        for (const auto& [width, visible] : c.columns) {
            TColumn* column = grid_->Columns().Add();
            column->SetFieldName(QStringLiteral("car_number"));
            column->Title().SetCaption(QStringLiteral("К%1").arg(number++));
            column->SetWidth(width);
            column->SetVisible(visible);
        }
        report_->PrintGrid(grid_, TPrintMode::Pdf, Path("grid.pdf"));
        std::vector<std::pair<double, double>> printed;
        QStringList titles;
        for (TReportLabel* label : report_->HeaderLabels)
            if (label->Enabled()) {
                printed.emplace_back(label->Left(), label->Width());
                titles << label->Caption();
            }
        EXPECT_EQ(printed, c.printed);
        int enabledExprs = 0;
        for (TReportExpr* expr : report_->DetailExprs) enabledExprs += expr->Enabled();
        EXPECT_EQ(enabledExprs, int(c.printed.size()));
        for (int i = 0; i < int(c.columns.size()); ++i)
            EXPECT_EQ(titles.contains(QStringLiteral("К%1").arg(i)), c.columns[size_t(i)].second) << i;
    }
}

TEST_F(UniversalReportTest, TwentyVisibleColumnsPrintEighteen)
{
    Columns(20);
    EXPECT_NO_THROW(report_->PrintGrid(grid_, TPrintMode::Pdf, Path("wide.pdf")));
    QStringList titles;
    for (TReportLabel* label : report_->HeaderLabels)
        if (label->Enabled()) titles << label->Caption();
    EXPECT_EQ(titles.size(), 18);
    EXPECT_TRUE(titles.contains(QStringLiteral("К17")));
    EXPECT_FALSE(titles.contains(QStringLiteral("К18")));
    EXPECT_FALSE(titles.contains(QStringLiteral("К19")));
}

TEST_F(UniversalReportTest, AGridWithoutOpenRowsPrintsNothing)
{
    Columns(3);
    host_.ClearShown();
    DM->tblCar->Close();
    report_->PrintGrid(grid_);
    report_->PrintGrid(grid_, TPrintMode::Pdf, Path("closed.pdf"));
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 0);
    EXPECT_FALSE(QFile::exists(Path("closed.pdf")));
    DM->tblCar->Open();
}

TEST_F(UniversalReportTest, ThePreviewLeavesTheGridOnItsRow)
{
    Columns(2);
    DM->tblCar->First();
    DM->tblCar->Next();
    const QString number = DM->tblCar->FieldByName(QStringLiteral("car_number"))->AsString();
    host_.OnForm(QStringLiteral("ReportPreview"), [](TForm&) { return mrOk; });
    host_.ClearShown();
    report_->PrintGrid(grid_);
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 1);
    EXPECT_EQ(DM->tblCar->FieldByName(QStringLiteral("car_number"))->AsString(), number);
}

TEST_F(UniversalReportTest, ThePlusTemplatePrintsTheStockTotalsUnderTheTable)
{
    ASSERT_NE(fUniversalReportPlus, nullptr);
    EXPECT_EQ(fUniversalReportPlus->objectName(), QStringLiteral("fUniversalReportPlus"));
    EXPECT_NE(static_cast<TfUniversalReport*>(fUniversalReportPlus), fUniversalReport);
    SetColumns(grid_, {{"car_number", "Регистр. №", 100}, {"mark", "Марка", 100}});
    // The stock window has them open while it prints.
    DM->tblArticleTotalQuery->Open();
    DM->tblArticleTotalq->Open();
    fUniversalReportPlus->PrintGrid(grid_, TPrintMode::Pdf, Path("plus.pdf"));
    const QString text = PdfText(Path("plus.pdf"));
    for (const char* part : {"Регистр. №", "РВ1234АВ", "Всичко по доставка :", "Всичко за продажба :"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    for (TReportDBText* total : {fUniversalReportPlus->total_d, fUniversalReportPlus->total_s}) {
        EXPECT_EQ(total->DataSetName(), QStringLiteral("tblArticleTotalq"));
        EXPECT_EQ(total->DataField(), total->objectName());
    }
}

}  // namespace
