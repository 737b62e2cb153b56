// Opening a dynaset over a table and walking it to the end reading every field, against the
// same walk with raw sqlite3_step on the same file in the same run. Reports dynaset / raw time
// (goal at most 2). Size: --rows=N (default 200000; the full size is --rows=1000000).

#include "BenchSupport.h"
#include "PartsTable.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoRecordset.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <vector>

namespace {

int gRows = 200000;

double DynasetWalk(dao::DBEngine& engine, const QString& path)
{
    auto db = engine.OpenDatabase(path);
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dao::dbOpenDynaset);
    auto& fields = rs->Fields();
    std::vector<dao::Field*> f;
    for (int i = 0; i < fields.Count(); ++i)
        f.push_back(fields[i].get());
    double sum = 0;
    while (!rs->Eof()) {
        sum += double(f[0]->Value().AsInteger());
        sum += double(f[1]->Value().AsString().size()) + 1;
        sum += f[2]->Value().AsFloat();
        sum += double(f[3]->Value().AsInteger());
        sum += f[4]->Value().AsDateTime();
        sum += double(f[5]->Value().AsBoolean());
        rs->MoveNext();
    }
    rs->Close();
    db->Close();
    return sum;
}

void BM_DynasetWalkVersusRawStep(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    bench::BuildPartsDatabase(path, gRows);
    dao::DBEngine engine;
    using bench::Clock;
    Clock::duration dynaset{}, raw{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = bench::RawPartsWalk(path);
        const auto t1 = Clock::now();
        const double b = DynasetWalk(engine, path);
        const auto t2 = Clock::now();
        if (a != b)
            state.SkipWithError("the dynaset read other values than the raw walk");
        raw += t1 - t0;
        dynaset += t2 - t1;
    }
    state.counters["ratio"] = bench::Ratio(dynaset, raw);
    state.counters["goal"] = 2.0;
    state.counters["rows"] = gRows;
}

BENCHMARK(BM_DynasetWalkVersusRawStep)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    bench::RunBenchmarks(argc, argv, {{"--rows=", &gRows}});
    return 0;
}
