#include "PartsTable.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoTableDef.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QFile>

namespace bench {

void BuildPartsDatabase(const QString& path, int rows)
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
    for (int i = 0; i < rows; ++i) {
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

double RawPartsWalk(const QString& path)
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

}  // namespace bench
