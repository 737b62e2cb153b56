// The table dataset over a dynaset against the engine alone, on one data file built once:
// open, Last, then 1,000 MoveBy(-20) through TDaoTable against the same moves on the DAO
// recordset (goal: ratio at most 1.5), and the full walk reading every field against raw
// sqlite3_step (goal: ratio at most 3). Size: --rows=N (default 1000000).

#include "BenchSupport.h"
#include "PartsTable.h"

#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

int gRows = 1000000;
constexpr int kMoves = 1000;
constexpr int kStep = 20;
using bench::Clock;

// The data file, built on first use and shared by every benchmark of the run.
const QString& DataFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("bench.mdb"));
        bench::BuildPartsDatabase(p, gRows);
        return p;
    }();
    return path;
}

std::unique_ptr<TDaoDatabase> ConnectedDatabase()
{
    auto database = std::make_unique<TDaoDatabase>();
    database->SetVersion(QStringLiteral("3.6"));
    database->SetDatabase(DataFile());
    database->SetConnected(true);
    return database;
}

std::unique_ptr<TDaoTable> OpenTable(TDaoDatabase& database)
{
    auto table = std::make_unique<TDaoTable>();
    table->SetDatabase(&database);
    table->SetTableName(QStringLiteral("parts"));
    table->Open();
    return table;
}

double TableMoves(TDaoDatabase& database)
{
    auto table = OpenTable(database);
    table->Last();
    for (int i = 0; i < kMoves; ++i)
        table->MoveBy(-kStep);
    return table->FieldByName(QStringLiteral("id"))->AsFloat();
}

double RecordsetMoves()
{
    dao::DBEngine engine(QStringLiteral("3.6"));
    auto db = engine.OpenDatabase(DataFile());
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dao::dbOpenDynaset);
    rs->MoveLast();
    for (int i = 0; i < kMoves; ++i)
        rs->Move(-kStep);
    const double id = rs->Fields().Item(0)->Value().AsFloat();
    rs->Close();
    db->Close();
    return id;
}

void BM_MoveByAfterLastVersusTheRecordset(benchmark::State& state)
{
    auto database = ConnectedDatabase();
    Clock::duration table{}, engine{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = TableMoves(*database);
        const auto t1 = Clock::now();
        const double b = RecordsetMoves();
        const auto t2 = Clock::now();
        if (a != b)
            state.SkipWithError("the table stands on another row than the recordset");
        table += t1 - t0;
        engine += t2 - t1;
    }
    state.counters["table_ms"] = std::chrono::duration<double, std::milli>(table).count() / double(state.iterations());
    state.counters["dao_ms"] = std::chrono::duration<double, std::milli>(engine).count() / double(state.iterations());
    state.counters["ratio"] = bench::Ratio(table, engine);
    state.counters["goal"] = 1.5;
    state.counters["rows"] = gRows;
}

double TableWalk(TDaoDatabase& database)
{
    auto table = OpenTable(database);
    std::vector<TField*> f;
    for (const char* name : {"id", "name", "price", "qty", "bought", "active"})
        f.push_back(table->FieldByName(QString::fromLatin1(name)));
    double sum = 0;
    table->First();
    while (!table->Eof()) {
        sum += double(f[0]->AsInteger());
        sum += double(f[1]->AsString().size()) + 1;
        sum += f[2]->AsFloat();
        sum += double(f[3]->AsInteger());
        sum += f[4]->AsDateTime();
        sum += double(f[5]->AsBoolean());
        table->Next();
    }
    return sum;
}

void BM_FullWalkVersusRawStep(benchmark::State& state)
{
    auto database = ConnectedDatabase();
    Clock::duration table{}, raw{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = bench::RawPartsWalk(DataFile());
        const auto t1 = Clock::now();
        const double b = TableWalk(*database);
        const auto t2 = Clock::now();
        if (a != b)
            state.SkipWithError("the table read other values than the raw walk");
        raw += t1 - t0;
        table += t2 - t1;
    }
    state.counters["table_ms"] = std::chrono::duration<double, std::milli>(table).count() / double(state.iterations());
    state.counters["raw_ms"] = std::chrono::duration<double, std::milli>(raw).count() / double(state.iterations());
    state.counters["ratio"] = bench::Ratio(table, raw);
    state.counters["goal"] = 3.0;
    state.counters["rows"] = gRows;
}

BENCHMARK(BM_MoveByAfterLastVersusTheRecordset)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FullWalkVersusRawStep)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::RunBenchmarks(argc, argv, {{"--rows=", &gRows}});
    return 0;
}
