#include "BenchSqlite.h"

#include "platform/dao/JetSql.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <stdexcept>

namespace bench {

Sqlite::Sqlite(const QString& path)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    jet::RegisterJetFunctions(db_);
    sqlite3_busy_timeout(db_, 5000);
}

Sqlite::~Sqlite()
{
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    sqlite3_close_v2(db_);
}

void Sqlite::Exec(const char* sql) { bench::Exec(db_, sql); }

sqlite3_stmt* Sqlite::Prepared(const char* sql)
{
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in " + sql);
        it = statements_.emplace(sql, stmt).first;
    }
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
}

int Sqlite::Walk(const char* sql, std::initializer_list<qint64> keys, const QByteArray& text)
{
    sqlite3_stmt* s = Prepared(sql);
    int i = 1;
    for (qint64 k : keys)
        sqlite3_bind_int64(s, i++, k);
    if (!text.isNull())
        sqlite3_bind_text(s, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            if (sqlite3_column_type(s, c) == SQLITE_TEXT)
                benchmark::DoNotOptimize(sqlite3_column_text(s, c));
            else
                benchmark::DoNotOptimize(sqlite3_column_double(s, c));
        ++rows;
    }
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(s);
    return rows;
}

qint64 Sqlite::Int(const char* sql)
{
    sqlite3_stmt* s = Prepared(sql);
    const qint64 v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_reset(s);
    return v;
}

void PrintPlan(sqlite3* db, const QString& title, const QString& sql)
{
    std::fprintf(stderr, "-- %s\n%s\n", title.toUtf8().constData(), sql.toUtf8().constData());
    sqlite3_stmt* s = nullptr;
    const QByteArray explain = QStringLiteral("EXPLAIN QUERY PLAN ").toUtf8() + sql.toUtf8();
    if (sqlite3_prepare_v2(db, explain.constData(), -1, &s, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "   (no plan: %s)\n", sqlite3_errmsg(db));
        return;
    }
    while (sqlite3_step(s) == SQLITE_ROW)
        std::fprintf(stderr, "   %d/%d %s\n", sqlite3_column_int(s, 0), sqlite3_column_int(s, 1),
                     reinterpret_cast<const char*>(sqlite3_column_text(s, 3)));
    sqlite3_finalize(s);
}

void PrintPlans(sqlite3* db, const QString& title, const QStringList& statements)
{
    for (const QString& sql : statements)
        if (sql.startsWith(QLatin1String("SELECT")) || sql.startsWith(QLatin1String("INSERT INTO temp")))
            PrintPlan(db, title, sql);
}

StatementLog::StatementLog(sqlite3* db) : db_(db)
{
    sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &StatementLog::Trace, this);
}

StatementLog::~StatementLog() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }

int StatementLog::Trace(unsigned type, void* self, void* statement, void*)
{
    if (type != SQLITE_TRACE_STMT)
        return 0;
    auto* log = static_cast<StatementLog*>(self);
    auto* stmt = static_cast<sqlite3_stmt*>(statement);
    const QString text = QString::fromUtf8(sqlite3_sql(stmt));
    if (log->seen_.contains(text))
        return 0;
    log->seen_ << text;
    char* expanded = sqlite3_expanded_sql(stmt);
    log->statements_ << (expanded ? QString::fromUtf8(expanded) : text);
    sqlite3_free(expanded);
    return 0;
}

void Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text + " in " + sql);
    }
}

void Step(sqlite3_stmt* s)
{
    if (sqlite3_step(s) != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(s)));
    sqlite3_reset(s);
}

QString CachedShopFile(const QString& name, const std::function<void(const QString& path)>& fill)
{
    const QString dir = QStringLiteral(CARVANTEL_BINARY_DIR "/bench-data");
    QDir().mkpath(dir);
    const QString path = dir + u'/' + name;
    if (QFileInfo::exists(path))
        return path;
    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    if (!QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), building))
        throw std::runtime_error("no template database in the build folder");
    QFile(building).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    fill(building);
    QFile::rename(building, path);
    return path;
}

TemplateCopy::TemplateCopy(const std::function<void(sqlite3* db)>& fill)
{
    path_ = dir_.filePath(QStringLiteral("CarVantel.mdb"));
    if (!QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), path_))
        throw std::runtime_error("no template database in the build folder");
    QFile(path_).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    Sqlite db(path_);
    fill(db.Db());
}

}  // namespace bench
