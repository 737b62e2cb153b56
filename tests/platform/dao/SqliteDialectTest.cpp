#include "platform/dao/SqliteDialect.h"

#include "platform/dao/JetSql.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <vector>

namespace {

// A scratch file with the counter table "t" made through the dialect.
class SqliteDialectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("d.db"));
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        jet::RegisterJetFunctions(db);
        Exec(QStringLiteral("CREATE TABLE t(id INTEGER%1, name TEXT%2)")
                 .arg(dialect.CounterColumn(), dialect.TextColumnCollation()));
        Exec(QStringLiteral("INSERT INTO t(name) VALUES('Иван'), ('петър')"));
    }
    void TearDown() override { sqlite3_close_v2(db); }

    void Exec(const QString& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        ASSERT_EQ(rc, SQLITE_OK) << sql.toStdString() << ": " << message.toStdString();
    }
    // Column `column` of every row; ?1 bound to `bound` when given.
    std::vector<QString> Rows(const QString& sql, int column = 0, const QString& bound = QString())
    {
        std::vector<QString> rows;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr), SQLITE_OK) << sql.toStdString();
        if (!bound.isEmpty())
            sqlite3_bind_text(s, 1, bound.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(s) == SQLITE_ROW)
            rows.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column))));
        sqlite3_finalize(s);
        return rows;
    }

    const jet::SqliteDialect dialect{};
    QTemporaryDir dir;
    QString path;
    sqlite3* db = nullptr;
};

TEST_F(SqliteDialectTest, CatalogueShowsTablesColumnsAndCounters)
{
    const auto tables = Rows(dialect.TableListQuery());
    ASSERT_EQ(tables, std::vector<QString>{QStringLiteral("t")});
    EXPECT_TRUE(dialect.DeclaresCounter(Rows(dialect.TableListQuery(), 1).front()));
    EXPECT_FALSE(dialect.DeclaresCounter(QStringLiteral("CREATE TABLE u(id INTEGER)")));
    EXPECT_EQ(Rows(dialect.TableExistsQuery(QStringLiteral("t"))).front(), QStringLiteral("1"));
    EXPECT_EQ(Rows(dialect.TableExistsQuery(QStringLiteral("u'"))).front(), QStringLiteral("0"));
    EXPECT_EQ(Rows(dialect.ColumnListQuery(QStringLiteral("t")), 1),
              (std::vector<QString>{QStringLiteral("id"), QStringLiteral("name")}));
    EXPECT_EQ(Rows(dialect.ColumnListQuery(QStringLiteral("t")), 5).front(), QStringLiteral("1"));
    EXPECT_EQ(Rows(dialect.CounterQuery(), 0, QStringLiteral("t")).front(), QStringLiteral("2"));
    EXPECT_TRUE(dialect.IsEngineName(QStringLiteral("SQLITE_sequence")));
    EXPECT_FALSE(dialect.IsEngineName(QStringLiteral("items")));
    EXPECT_FALSE(Rows(dialect.DataVersionQuery()).empty());
}

TEST_F(SqliteDialectTest, KeptCounterIsRaisedNeverLoweredAndGoesOnFromThere)
{
    Exec(dialect.RaiseCounterStatement().replace(QStringLiteral("?1"), QStringLiteral("'t'")).replace(
        QStringLiteral("?2"), QStringLiteral("10")));
    Exec(dialect.RaiseCounterStatement().replace(QStringLiteral("?1"), QStringLiteral("'t'")).replace(
        QStringLiteral("?2"), QStringLiteral("5")));
    Exec(QStringLiteral("INSERT INTO t(name) VALUES('x')"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT max(id) FROM t")).front(), QStringLiteral("11"));
    Exec(QStringLiteral("DELETE FROM sqlite_sequence"));
    Exec(dialect.InsertCounterStatement().replace(QStringLiteral("?1"), QStringLiteral("'t'")).replace(
        QStringLiteral("?2"), QStringLiteral("20")));
    Exec(QStringLiteral("INSERT INTO t(name) VALUES('y')"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT max(id) FROM t")).front(), QStringLiteral("21"));
    // Text columns compare without case.
    EXPECT_EQ(Rows(QStringLiteral("SELECT count(*) FROM t WHERE name='ПЕТЪР'")).front(), QStringLiteral("1"));
}

TEST_F(SqliteDialectTest, SavepointUndoesItsWritesAlone)
{
    Exec(dialect.BeginWrite());
    Exec(QStringLiteral("INSERT INTO t(name) VALUES('kept')"));
    Exec(dialect.Savepoint(QStringLiteral("w")));
    Exec(QStringLiteral("INSERT INTO t(name) VALUES('undone')"));
    Exec(dialect.RollbackToSavepoint(QStringLiteral("w")));
    Exec(dialect.Savepoint(QStringLiteral("w")));
    Exec(QStringLiteral("INSERT INTO t(name) VALUES('released')"));
    Exec(dialect.ReleaseSavepoint(QStringLiteral("w")));
    Exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT name FROM t WHERE id > 2 ORDER BY id")),
              (std::vector<QString>{QStringLiteral("kept"), QStringLiteral("released")}));
}

TEST_F(SqliteDialectTest, TempTableIsSeenByItsConnection)
{
    const QString name = dialect.QuoteIdentifier(QStringLiteral("snap"));
    Exec(dialect.CreateTempTable(name, QStringLiteral("v")));
    Exec(QStringLiteral("INSERT INTO %1 VALUES(1)").arg(dialect.TempTable(name)));
    EXPECT_EQ(Rows(QStringLiteral("SELECT count(*) FROM ") + dialect.TempTable(name)).front(), QStringLiteral("1"));
}

TEST_F(SqliteDialectTest, CompactedCopyPassesItsCheckAndIsCopiedBackRowByRow)
{
    const QString copy = dir.filePath(QStringLiteral("o'copy.db"));
    Exec(dialect.CompactInto(copy));
    ASSERT_TRUE(QFile::exists(copy));
    EXPECT_TRUE(dialect.IntegrityPassed(Rows(dialect.IntegrityCheck()).front()));
    const auto objects = Rows(dialect.SchemaObjectsQuery(), 0);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects.front(), QStringLiteral("table"));
    EXPECT_TRUE(dialect.IsCounterStore(QStringLiteral("sqlite_sequence")));

    const QString quoted = dialect.QuoteIdentifier(QStringLiteral("t"));
    Exec(dialect.ClearRows(quoted));
    Exec(dialect.Attach(copy, QStringLiteral("old")));
    EXPECT_EQ(Rows(dialect.RowKeysQuery(quoted, QStringLiteral("old"))),
              (std::vector<QString>{QStringLiteral("1"), QStringLiteral("2")}));
    sqlite3_stmt* one = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, dialect.CopyRow(quoted, QStringLiteral("old")).toUtf8().constData(), -1, &one,
                                 nullptr),
              SQLITE_OK);
    sqlite3_bind_int64(one, 1, 2);
    EXPECT_EQ(sqlite3_step(one), SQLITE_DONE);
    sqlite3_finalize(one);
    EXPECT_EQ(Rows(QStringLiteral("SELECT name FROM t")), std::vector<QString>{QStringLiteral("петър")});
    Exec(dialect.ClearRows(quoted));
    Exec(dialect.CopyRows(quoted, QStringLiteral("old")));
    Exec(dialect.CopyCounters(QStringLiteral("old")));
    Exec(dialect.Detach(QStringLiteral("old")));
    EXPECT_EQ(Rows(QStringLiteral("SELECT count(*) FROM t")).front(), QStringLiteral("2"));
}

TEST(SqliteDialect, DefaultsAndLiteralsReadAsJetValues)
{
    const jet::SqliteDialect dialect{};
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5")
                            .arg(dialect.NowValue(), dialect.TodayValue(), dialect.TimeOfDayValue(),
                                 dialect.BooleanLiteral(true), dialect.BooleanLiteral(false));
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    const double now = sqlite3_column_double(s, 0);
    const double today = sqlite3_column_double(s, 1);
    const double time = sqlite3_column_double(s, 2);
    // Some day after 2020 (day 43831), the day and time of day summing to the moment.
    EXPECT_GT(now, 43831);
    EXPECT_EQ(today, std::floor(now));
    EXPECT_GE(time, 0);
    EXPECT_LT(time, 1);
    EXPECT_NEAR(today + time, now, 1e-3);
    EXPECT_EQ(sqlite3_column_int(s, 3), -1);
    EXPECT_EQ(sqlite3_column_int(s, 4), 0);
    sqlite3_finalize(s);
    sqlite3_close(db);
}

}  // namespace
