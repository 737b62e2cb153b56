#pragma once
// Hand-written SQLite for the baselines: a connection with the Jet functions registered, its
// statements prepared once, and a shop file generated once into the build folder.

#include <QByteArray>
#include <QString>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

class Sqlite {
public:
    explicit Sqlite(const QString& path);
    ~Sqlite();
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    void Exec(const char* sql);
    // A statement prepared once, reset for each use.
    sqlite3_stmt* Prepared(const char* sql);
    // Runs a query and reads every column of every row; returns the rows. The keys are bound
    // first, then the text when it is not null.
    int Walk(const char* sql, std::initializer_list<qint64> keys = {}, const QByteArray& text = QByteArray());
    qint64 Int(const char* sql);
    sqlite3* Db() const { return db_; }

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// Prints EXPLAIN QUERY PLAN of `sql` on `db` under a title, to the error stream.
void PrintPlan(sqlite3* db, const QString& title, const QString& sql);
// The same for each of the statements that read rows or copy them into a temporary table.
void PrintPlans(sqlite3* db, const QString& title, const QStringList& statements);

// The statements a connection runs while the log lives, their values written in, each once.
class StatementLog {
public:
    explicit StatementLog(sqlite3* db);
    ~StatementLog();
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;
    const QStringList& Statements() const { return statements_; }

private:
    static int Trace(unsigned type, void* self, void* statement, void*);
    sqlite3* db_;
    QStringList statements_;
    QSet<QString> seen_;
};

// Runs statements that return no rows; raises the engine's message.
void Exec(sqlite3* db, const char* sql);

// Steps a statement that returns no rows and resets it; raises the engine's message.
void Step(sqlite3_stmt* s);

// A copy of the template database in a temporary folder of its own, filled by `fill` on a
// connection of its own, gone with the object.
class TemplateCopy {
public:
    explicit TemplateCopy(const std::function<void(sqlite3* db)>& fill);
    const QString& Path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

// A copy of the template database in the build folder named `name`, filled by `fill` the first
// time and kept for later runs.
QString CachedShopFile(const QString& name, const std::function<void(const QString& path)>& fill);

}  // namespace bench
