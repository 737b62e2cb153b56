// Lays out and writes to PDF a 50-page grid listing, against a baseline of the same texts
// painted with a bare painter on a PDF writer. Reports pages per second of both and the ratio
// of their times (report / baseline).

#include "BenchSupport.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportDataSource.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportFormat.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/ReportSysData.h"

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int Columns = 8;
constexpr int Rows = 2740;  // fifty A4 pages of 18-unit lines

class TListingRows : public TReportRowSource {
public:
    QString Name() const override { return QStringLiteral("tblQTAQAll"); }
    bool Active() const override { return true; }
    void First() override { at_ = 0; }
    void Next() override { ++at_; }
    bool Eof() const override { return at_ >= Rows; }
    bool HasField(const QString& field) const override { return field.startsWith(QLatin1Char('c')); }
    TVariant FieldValue(const QString& field) const override
    {
        const int column = field.mid(1).toInt();
        if (column % 2 == 0)
            return QStringLiteral("Артикул %1-%2").arg(at_).arg(column);
        return 1.25 * at_ + column;
    }
    QString FieldText(const QString& field) const override { return FormatValue(FieldValue(field)); }

private:
    int at_ = 0;
};

// The grid report as the program builds it: titles in the column header, one expression a
// column in the detail band, the page number below.
void BuildListing(TBandReport& report, TListingRows& rows)
{
    report.SetName(QStringLiteral("fUniversalReport"));
    report.SetRowSource(&rows);
    report.Page().SetPaperSize(psA4);
    report.Page().SetMargins(10.0);
    auto* title = new TReportLabel(report.CreateBand(rbTitle, 30));
    title->SetCaption(QStringLiteral("Текущи данни"));
    title->SetBounds(0, 4, 300, 20);
    TReportBand* header = report.CreateBand(rbColumnHeader, 20);
    TReportBand* detail = report.CreateBand(rbDetail, 18);
    const double width = 700.0 / Columns;
    for (int i = 0; i < Columns; ++i) {
        auto* label = new TReportLabel(header);
        label->SetCaption(QStringLiteral("Колона %1").arg(i));
        label->SetBounds(i * (width + 2), 2, width, 16);
        auto* expr = new TReportExpr(detail);
        expr->SetExpression(QStringLiteral("tblQTAQAll.c%1").arg(i));
        expr->SetBounds(i * (width + 2), 1, width, 16);
        if (i % 2)
            expr->SetAlignment(taRightJustify);
    }
    auto* page = new TReportSysData(report.CreateBand(rbPageFooter, 20));
    page->SetData(sdPageNumber);
    page->SetText(QStringLiteral("стр. "));
    page->SetAlignToBand(true);
    page->SetAlignment(taCenter);
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The same texts at the same places with the same fonts, no report in between.
void PaintPlain(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, const QString& fileName)
{
    QPdfWriter writer(fileName);
    writer.setPageLayout(setup.PageLayout());
    QPainter painter(&writer);
    const double scale = writer.logicalDpiX() / ReportUnitsPerInch;
    painter.scale(scale, scale);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const TPageItem& item : pages[i].Items) {
            painter.setFont(item.Font);
            painter.drawText(item.Rect, int(item.Alignment), item.Text);
        }
    }
}

void BM_ReportPdf(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString reportFile = dir.filePath(QStringLiteral("report.pdf"));
    const QString plainFile = dir.filePath(QStringLiteral("plain.pdf"));
    TListingRows rows;
    TBandReport report;
    BuildListing(report, rows);
    report.Prepare();
    const std::vector<TReportPage> pages = report.Pages();

    double reportTime = 0.0;
    double plainTime = 0.0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        report.SaveToPdf(reportFile);
        const double elapsed = Seconds(start);
        reportTime += elapsed;
        state.SetIterationTime(elapsed);

        start = std::chrono::steady_clock::now();
        PaintPlain(pages, report.Page(), plainFile);
        plainTime += Seconds(start);
    }
    const double pageCount = double(report.PageCount()) * double(state.iterations());
    state.counters["pages"] = report.PageCount();
    state.counters["pages_per_second"] = pageCount / reportTime;
    state.counters["baseline_pages_per_second"] = pageCount / plainTime;
    state.counters["time_ratio_vs_plain_painter"] = reportTime / plainTime;
}

BENCHMARK(BM_ReportPdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RunBenchmarks(argc, argv);
    return 0;
}
