// The value rules behind the registered functions: Format's rounding and patterns, Jet's LIKE
// wildcards, day-first Datevalue, the text order, and the GUID literal's bytes.

#include "platform/dao/JetFunctions.h"
#include "platform/dao/SqliteDialect.h"

#include <QDate>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <vector>

namespace {

TEST(JetFunctionsTest, FormatRoundsHalvesAwayFromZeroWithAPoint)
{
    const struct {
        double value;
        const char* format;
        const char* text;
    } cases[] = {
        {2.675, "0.00", "2.68"},   {0.125, "0.00", "0.13"},     {-0.125, "0.00", "-0.13"},   {2.5, "0", "3"},
        {1.005, "0.00", "1.01"},   {1e6, "Standard", "1,000,000.00"}, {12.5, "Fixed", "12.50"}, {0, "Fixed", "0.00"},
        {0.5, "#.00", ".50"},      {7, "000", "007"},           {-3, "0;(0)", "(3)"},        {0, "0;-0;\"zero\"", "zero"},
        {0.256, "Percent", "25.60%"}, {99.995, "0.00", "100.00"}, {123456789.125, "0.00", "123456789.13"},
        {1, "Yes/No", "Yes"},      {37887.75, "dd/mm/yyyy hh:nn", "23/09/2003 18:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jet::FormatNumber(c.value, c.format).toStdString(), c.text) << c.value << " " << c.format;
}

TEST(JetFunctionsTest, DatevalueReadsTheDayFirst)
{
    const double day = double(QDate(1899, 12, 30).daysTo(QDate(2003, 2, 9)));
    EXPECT_EQ(jet::DateValueOf("09/02/2003"), day);
    EXPECT_EQ(jet::DateValueOf("9.2.2003"), day);
    EXPECT_EQ(jet::DateValueOf("09-02-03"), day);
    EXPECT_EQ(jet::DateValueOf("09/02/2003 17:45"), day);  // the time is dropped
    EXPECT_EQ(jet::DateValueOf("2003-02-09"), day);
    EXPECT_FALSE(jet::DateValueOf("31/02/2003"));
    EXPECT_FALSE(jet::DateValueOf("13/13/2003"));
    EXPECT_FALSE(jet::DateValueOf("soon"));
}

TEST(JetFunctionsTest, LikeKnowsJetWildcardsAndNoCase)
{
    const struct {
        const char* value;
        const char* pattern;
        bool match;
    } cases[] = {
        {"Масло", "масл*", true},   {"МАСЛО", "*сл?", true},     {"Масло", "*сл", false},    {"A1", "[A-B]#", true},
        {"C1", "[A-B]#", false},    {"C1", "[!A-B]#", true},     {"A12", "[A-B]#", false},   {"a*b", "a[*]b", true},
        {"axb", "a[*]b", false},    {"", "*", true},             {"abc", "a*c*", true},      {"abcabd", "*abd", true},
        {"Щ", "[а-я]", true},       {"x", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jet::LikeMatch(QString::fromUtf8(c.value), QString::fromUtf8(c.pattern)), c.match)
            << c.value << " LIKE " << c.pattern;
    EXPECT_FALSE(jet::LikeMatch("a", "[a"));  // malformed
}

TEST(JetFunctionsTest, TextComparesWithoutCase)
{
    EXPECT_EQ(jet::CompareText("Иван", "иВАН"), 0);
    EXPECT_LT(jet::CompareText("Иван Иванов", "ИВАНКА"), 0);
    EXPECT_LT(jet::CompareText("abc", "ABD"), 0);
    EXPECT_GT(jet::CompareText("Б", "а"), 0);
}

TEST(JetFunctionsTest, GuidLiteralIsTheStructureBytes)
{
    const jet::SqliteDialect dialect;
    EXPECT_EQ(dialect.GuidLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"), "X'33221100554477668899AABBCCDDEEFF'");
}

// A query that formats the same numbers again and again with several patterns, more of them than
// are kept between calls, gets every value as Format gives it alone.
TEST(JetFunctionsTest, RepeatedFormatsInOneQueryGiveFormatsOwnText)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    jet::RegisterFunctions(db);
    const char* const formats[] = {"0.00", "0", "#,##0.0", "0.00%", "000", "Fixed", "standard", "General Number"};
    const double values[] = {2.675, -0.125, 1234567.5, 0, -0.0, 7, 2.675};
    QString sql = QStringLiteral("SELECT ");
    std::vector<QString> expected;
    for (int round = 0; round < 3; ++round)
        for (const double v : values)
            for (const char* f : formats) {
                if (!expected.empty())
                    sql += u',';
                const bool whole = v == std::floor(v) && !std::signbit(v);
                sql += QStringLiteral("jet_format(%1, '%2', 0, 0)")
                           .arg(whole ? QString::number(qint64(v)) : QString::number(v, 'g', 17), QLatin1String(f));
                expected.push_back(jet::FormatNumber(v, QLatin1String(f)));
            }
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    for (int i = 0; i < int(expected.size()); ++i)
        EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))), expected[size_t(i)])
            << "column " << i;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST(JetFunctionsTest, CollationOrdersRowsOnAConnection)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    jet::RegisterFunctions(db);
    sqlite3_exec(db, "CREATE TABLE t (s TEXT COLLATE JETTEXT); INSERT INTO t VALUES ('б'), ('А'), ('в'), ('a'), ('Б')",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(DISTINCT s), group_concat(s, '') FROM (SELECT s FROM t ORDER BY s)", -1, &stmt,
                       nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 4);
    const QString order = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    EXPECT_TRUE(order == "aАбБв" || order == "aАБбв") << order.toStdString();
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

}  // namespace

namespace {

// A registered function given a day number outside years 1 to 9999 fails the statement with
// a conversion error instead of wrapping round.
TEST(JetFunctionsTest, DatesOutsideTheRangeFailTheStatement)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    jet::RegisterFunctions(db);
    const struct {
        const char* sql;
        bool fails;
    } cases[] = {
        {"SELECT jet_format(2147483647, 'hh')", true},
        {"SELECT jet_format(3e9, 'Short Date')", true},
        {"SELECT jet_format(-3e9, 'dd/mm/yyyy')", true},
        {"SELECT jet_year(1e300)", true},
        {"SELECT jet_format(2958465, 'Short Date')", false},
        {"SELECT jet_year(2958465)", false},
    };
    for (const auto& c : cases) {
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, c.sql, -1, &stmt, nullptr), SQLITE_OK) << c.sql << sqlite3_errmsg(db);
        const int rc = sqlite3_step(stmt);
        EXPECT_EQ(rc == SQLITE_ERROR, c.fails) << c.sql;
        if (c.fails) {
            EXPECT_NE(QString::fromUtf8(sqlite3_errmsg(db)).indexOf(QStringLiteral("not a valid date")), -1) << c.sql;
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}

}  // namespace
