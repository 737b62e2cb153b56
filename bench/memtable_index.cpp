// The memory table against the standard library on the same rows of two integer fields, in the
// same run: appending the rows through the dataset against push_back, building a two-field index
// against std::stable_sort, and Locate of 10,000 keys against std::lower_bound. Reports each as
// memory table / standard library (goal for the index build: at most 2). --rows=N sets the row
// count (the default keeps the run short; the full size is --rows=1000000).

#include "BenchSupport.h"

#include "memtable/MemTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

int gRows = 50000;
constexpr int LocateCount = 10000;

using bench::Clock;
using Pair = std::pair<qint32, qint32>;

template <typename F>
double Seconds(F&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Few distinct values in the first field, so the second one decides often.
std::vector<Pair> MakeRows(int count)
{
    std::mt19937 random(1210);
    std::vector<Pair> rows(static_cast<size_t>(count));
    for (Pair& row : rows) row = {qint32(random() % unsigned(std::max(1, count / 16))), qint32(random())};
    return rows;
}

struct Ratios {
    double append = 0;
    double build = 0;
    double locate = 0;
};
Ratios gLast;

void BM_MemTableIndexAgainstStandardLibrary(benchmark::State& state)
{
    const std::vector<Pair> rows = MakeRows(gRows);
    std::vector<Pair> keys;
    std::mt19937 pick(7);
    for (int i = 0; i < LocateCount; ++i) keys.push_back(rows[pick() % rows.size()]);

    for (auto _ : state) {
        // The standard library on the same data.
        std::vector<Pair> vec;
        const double baseAppend = Seconds([&] {
            for (const Pair& row : rows) vec.push_back(row);
        });
        std::vector<Pair> sorted;
        const double baseBuild = Seconds([&] {
            sorted = vec;
            std::stable_sort(sorted.begin(), sorted.end());
        });
        long found = 0;
        const double baseLocate = Seconds([&] {
            for (const Pair& key : keys) found += std::lower_bound(sorted.begin(), sorted.end(), key) != sorted.end();
        });
        benchmark::DoNotOptimize(found);

        TMemTable table;
        table.FieldDefs().Add(QStringLiteral("A"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("B"), ftInteger);
        table.Open();
        TField* a = table.FieldByName(QStringLiteral("A"));
        TField* b = table.FieldByName(QStringLiteral("B"));
        const double memAppend = Seconds([&] {
            for (const Pair& row : rows) {
                table.Append();
                a->SetAsInteger(row.first);
                b->SetAsInteger(row.second);
                table.Post();
            }
        });
        table.IndexDefs().Add(QStringLiteral("AB"), QStringLiteral("A;B"), {});
        const double memBuild = Seconds([&] { table.CheckIndexes(); });
        table.SetIndexName(QStringLiteral("AB"));
        long located = 0;
        const double memLocate = Seconds([&] {
            for (const Pair& key : keys)
                located += table.Locate(QStringLiteral("A;B"), TVariant::Array({key.first, key.second}), {});
        });
        if (located != LocateCount) state.SkipWithError("Locate missed a key");

        gLast = {memAppend / baseAppend, memBuild / baseBuild, memLocate / baseLocate};
        state.SetIterationTime(memAppend + memBuild + memLocate);
        state.counters["append_ratio"] = gLast.append;
        state.counters["index_build_ratio"] = gLast.build;
        state.counters["locate_ratio"] = gLast.locate;
        state.counters["index_build_goal"] = 2;
        state.counters["rows"] = gRows;
    }
}

BENCHMARK(BM_MemTableIndexAgainstStandardLibrary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    bench::RunBenchmarks(argc, argv, {{"--rows=", &gRows}});
    std::printf("rows %d: append %.2f, index build %.2f (goal at most 2: %s), locate of %d keys %.2f\n", gRows,
                gLast.append, gLast.build, gLast.build <= 2 ? "met" : "missed", LocateCount, gLast.locate);
    return 0;
}
