// The table dataset over a dynaset against the engine alone, on one data file built once:
// open, Last, then 1,000 MoveBy(-20) through TDaoTable against the same moves on the DAO
// recordset (goal: ratio at most 1.5), and the full walk reading every field against raw
// sqlite3_step (goal: ratio at most 3). Size: --rows=N (default 1000000).

#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

int gRows = 1000000;
constexpr int kMoves = 1000;
constexpr int kStep = 20;
using Clock = std::chrono::steady_clock;

// parts(id counter, name text 40, price double, qty long, bought date, active boolean).
void BuildDatabase(const QString& path)
{
    using namespace dao;
    {
        DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.CreateDatabase(path, QString::fromLatin1(dbLangGeneral));
        auto td = db->CreateTableDef(QStringLiteral("parts"));
        auto id = td->CreateField(QStringLiteral("id"), dbLong);
        id->SetAttributes(dbAutoIncrField);
        td->Fields().Append(id);
        td->Fields().Append(td->CreateField(QStringLiteral("name"), dbText, 40));
        td->Fields().Append(td->CreateField(QStringLiteral("price"), dbDouble));
        td->Fields().Append(td->CreateField(QStringLiteral("qty"), dbLong));
        td->Fields().Append(td->CreateField(QStringLiteral("bought"), dbDate));
        td->Fields().Append(td->CreateField(QStringLiteral("active"), dbBoolean));
        db->TableDefs().Append(td);
        db->Close();
    }
    // The rows go in through SQLite directly: filling is not what is measured.
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &raw);
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(raw, "INSERT INTO parts (name, price, qty, bought, active) VALUES (?1, ?2, ?3, ?4, ?5)", -1, &ins,
                       nullptr);
    unsigned seed = 12345;
    for (int i = 0; i < gRows; ++i) {
        seed = seed * 1103515245u + 12345u;
        const QByteArray name = "Part number " + QByteArray::number(seed % 100000);
        sqlite3_bind_text(ins, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(ins, 2, (seed % 10000) / 100.0);
        sqlite3_bind_int(ins, 3, int(seed % 500));
        sqlite3_bind_double(ins, 4, 40000.0 + (seed % 3000));
        sqlite3_bind_int(ins, 5, (seed & 1) ? -1 : 0);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
}

// The data file, built on first use and shared by every benchmark of the run.
const QString& DataFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("bench.mdb"));
        BuildDatabase(p);
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
    state.counters["ratio"] = double(table.count()) / double(std::max<Clock::rep>(1, engine.count()));
    state.counters["goal"] = 1.5;
    state.counters["rows"] = gRows;
}

// Every field of every row, read as the caller gets it.
double RawWalk()
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(DataFile()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, name, price, qty, bought, active FROM parts", -1, &s, nullptr);
    double sum = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        sum += double(sqlite3_column_int64(s, 0));
        sum += double(sqlite3_column_bytes(s, 1)) + (sqlite3_column_text(s, 1) ? 1 : 0);
        sum += sqlite3_column_double(s, 2);
        sum += double(sqlite3_column_int64(s, 3));
        sum += sqlite3_column_double(s, 4);
        sum += double(sqlite3_column_int64(s, 5) != 0);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return sum;
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
        const double a = RawWalk();
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
    state.counters["ratio"] = double(table.count()) / double(std::max<Clock::rep>(1, raw.count()));
    state.counters["goal"] = 3.0;
    state.counters["rows"] = gRows;
}

BENCHMARK(BM_MoveByAfterLastVersusTheRecordset)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FullWalkVersusRawStep)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            gRows = std::max(1, std::atoi(argv[i] + 7));
        else
            rest.push_back(argv[i]);
    }
    int count = int(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
