// Scrolling a data grid over a 1,000,000-row dataset page by page, from the top to the end.
// The grid reads only its buffer window, so the rows read per row shown stay about one. The
// time is reported against the dataset walked alone with the same window (the baseline).

#include "BenchSupport.h"

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Form.h"
#include "tests/platform/toolkit/gui/GridTestDataSet.h"

#include <QApplication>
#include <QKeyEvent>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int kRows = 1000000;

struct ScrollResult {
    double seconds = 0;
    long long recordsRead = 0;
    long long rowsShown = 0;
};

// The dataset alone: the same window of buffers moved page by page.
ScrollResult WalkDataSet(int pageRows)
{
    GridTestDataSet data;
    data.virtualCount = kRows;
    TDataSource source;
    source.SetDataSet(&data);
    TDataLink link;
    link.SetDataSource(&source);
    data.Open();
    link.SetBufferCount(pageRows);
    const auto start = std::chrono::steady_clock::now();
    ScrollResult result;
    do {
        result.rowsShown += link.RecordCount();
    } while (data.MoveBy(pageRows) == pageRows);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.recordsRead = data.recordsRead;
    return result;
}

// The grid: Page Down until the end, painting every `paintEvery` pages.
ScrollResult ScrollGrid(int& pageRows, int paintEvery)
{
    GridTestDataSet data;
    data.virtualCount = kRows;
    TDataSource source;
    source.SetDataSet(&data);
    TForm form;
    auto* grid = new TDBGrid(&form);
    grid->SetOptions(grid->Options() & ~dgEditing);
    grid->setGeometry(0, 0, 500, 420);
    form.resize(500, 420);
    grid->SetDataSource(&source);
    data.Open();
    form.show();
    grid->setFocus();
    pageRows = grid->VisibleRowCount();
    QImage canvas(grid->viewport()->size(), QImage::Format_RGB32);
    const auto start = std::chrono::steady_clock::now();
    ScrollResult result;
    for (long long page = 0;; ++page) {
        result.rowsShown += grid->model()->rowCount();
        if (paintEvery > 0 && page % paintEvery == 0) grid->viewport()->render(&canvas);
        if (data.Eof()) break;
        const int before = data.RecNo();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(grid, &down);
        if (data.RecNo() == before) break;
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.recordsRead = data.recordsRead;
    return result;
}

void Report(benchmark::State& state, const ScrollResult& grid, const ScrollResult& baseline)
{
    state.counters["records_read_per_visible_row"] = double(grid.recordsRead) / double(std::max(1LL, grid.rowsShown));
    state.counters["baseline_records_read_per_row"] =
        double(baseline.recordsRead) / double(std::max(1LL, baseline.rowsShown));
    state.counters["time_vs_dataset_alone"] = grid.seconds / std::max(1e-9, baseline.seconds);
}

void BM_GridScrollTopToBottom(benchmark::State& state)
{
    for (auto _ : state) {
        int pageRows = 0;
        const ScrollResult grid = ScrollGrid(pageRows, 0);
        const ScrollResult baseline = WalkDataSet(pageRows);
        Report(state, grid, baseline);
    }
}
BENCHMARK(BM_GridScrollTopToBottom)->Iterations(1)->Unit(benchmark::kMillisecond);

// Painting costs no reads: each painted page shows the buffers already fetched.
void BM_GridScrollPainted(benchmark::State& state)
{
    for (auto _ : state) {
        int pageRows = 0;
        const ScrollResult grid = ScrollGrid(pageRows, 50);
        const ScrollResult baseline = WalkDataSet(pageRows);
        Report(state, grid, baseline);
    }
}
BENCHMARK(BM_GridScrollPainted)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RunBenchmarks(argc, argv);
    return 0;
}
