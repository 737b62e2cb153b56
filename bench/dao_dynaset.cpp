// Opening a dynaset over a table and walking it to the end reading every field, against the
// same walk with raw sqlite3_step on the same file in the same run. Reports dynaset / raw time
// (goal at most 2). Size: --rows=N (default 200000; the full size is --rows=1000000).

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int gRows = 200000;

// parts(id counter, name text 40, price double, qty long, bought date, active boolean).
void BuildDatabase(dao::DBEngine& engine, const QString& path)
{
    using namespace dao;
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

// Every field of every row, read as the caller gets it.
double RawWalk(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
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
    dao::DBEngine engine;
    BuildDatabase(engine, path);
    using Clock = std::chrono::steady_clock;
    Clock::duration dynaset{}, raw{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = RawWalk(path);
        const auto t1 = Clock::now();
        const double b = DynasetWalk(engine, path);
        const auto t2 = Clock::now();
        if (a != b)
            state.SkipWithError("the dynaset read other values than the raw walk");
        raw += t1 - t0;
        dynaset += t2 - t1;
    }
    state.counters["ratio"] = double(dynaset.count()) / double(std::max<Clock::rep>(1, raw.count()));
    state.counters["goal"] = 2.0;
    state.counters["rows"] = gRows;
}

BENCHMARK(BM_DynasetWalkVersusRawStep)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
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
