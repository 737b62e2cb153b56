// What a translated statement tells the engine besides its SQL: result columns with their Jet
// types, which of them write through to a table, the keyed forms, and the parameters.

#include "platform/dao/JetTestFixture.h"

#include "platform/dao/DaoError.h"

#include <gtest/gtest.h>

namespace {

using namespace jettest;

const jet::ResultColumn& Column(const jet::Statement& st, const QString& name)
{
    for (const jet::ResultColumn& c : st.columns)
        if (c.name == name)
            return c;
    throw std::runtime_error("no column " + name.toStdString());
}

TEST(JetStatementTest, SaleLinesWriteThroughToTheirTable)
{
    FixtureCatalog catalog;
    FixtureDb db;
    const jet::Statement st = jet::Translate(*catalog.FindQuery("QuerySaleDetail"), catalog);
    EXPECT_EQ(st.kind, jet::StatementKind::Select);
    ASSERT_EQ(st.columns.size(), 19u);
    EXPECT_EQ(st.baseTable, "sale_detail");

    EXPECT_TRUE(Column(st, "id").counter);
    EXPECT_FALSE(Column(st, "id").updatable);
    EXPECT_EQ(Column(st, "cur_prod_count").type, dbInteger);
    EXPECT_TRUE(Column(st, "sale_price").updatable);
    EXPECT_EQ(Column(st, "sale_price").baseColumn, "sale_price");
    EXPECT_EQ(Column(st, "service").type, dbBoolean);
    EXPECT_EQ(Column(st, "sale_sum").type, dbDouble);
    EXPECT_FALSE(Column(st, "sale_sum").updatable);
    EXPECT_EQ(Column(st, "TotalSaleSum").type, dbText);
    EXPECT_EQ(Column(st, "TotalSaleSum").size, 255);
    EXPECT_EQ(Column(st, "article_name").size, 50);

    const auto keyed = db.Rows(st.keyedSql);
    ASSERT_EQ(keyed.size(), 7u);
    EXPECT_EQ(keyed[0].size(), 20);

    sqlite3_stmt* byKey = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.Handle(), st.rowByKeySql.toUtf8().constData(), -1, &byKey, nullptr), SQLITE_OK)
        << st.rowByKeySql.toStdString();
    sqlite3_bind_int(byKey, int(st.parameters.size()) + 1, 7);
    ASSERT_EQ(sqlite3_step(byKey), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(byKey, 0), 7);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(byKey, 11)), "0.13");
    sqlite3_finalize(byKey);
}

TEST(JetStatementTest, GroupedAndJoinedResultsAreNotWritable)
{
    FixtureCatalog catalog;
    for (const char* name : {"QATQAll", "QuerySaleTotalSum", "QCasheEPayment"}) {
        const jet::Statement st = jet::Translate(*catalog.FindQuery(name), catalog);
        EXPECT_TRUE(st.baseTable.isEmpty()) << name;
        EXPECT_TRUE(st.keyedSql.isEmpty()) << name;
        for (const jet::ResultColumn& c : st.columns)
            EXPECT_FALSE(c.updatable) << name << " " << c.name.toStdString();
    }
}

TEST(JetStatementTest, ResultColumnsCarryJetTypes)
{
    FixtureCatalog catalog;
    const jet::Statement stock = jet::Translate(*catalog.FindQuery("QATQAll"), catalog);
    EXPECT_TRUE(Column(stock, "delivery_detail_id").counter);  // renamed, still the counter
    EXPECT_EQ(Column(stock, "total_quty").type, dbDouble);
    EXPECT_EQ(Column(stock, "delivery_tax").type, dbInteger);

    const jet::Statement fifo = jet::Translate(*catalog.FindQuery("QFIFO"), catalog);
    EXPECT_EQ(Column(fifo, "delivery_detail_id").type, dbLong);  // a Count
    EXPECT_FALSE(Column(fifo, "delivery_detail_id").counter);
    EXPECT_EQ(Column(fifo, "delivery_price").type, dbText);

    const jet::Statement mine = jet::Translate(*catalog.FindQuery("MyQuty"), catalog);
    EXPECT_EQ(Column(mine, "SumSaleQuty").type, dbDouble);
    EXPECT_EQ(Column(mine, "invoice_accept").type, dbBoolean);

    const jet::Statement totals = jet::Translate(*catalog.FindQuery("QCasheSaleTotal"), catalog);
    EXPECT_EQ(Column(totals, "cashbox_num").type, dbInteger);
    EXPECT_EQ(Column(totals, "TotalSale").type, dbDouble);

    const jet::Statement dates = jet::Translate("SELECT sale_date AS d FROM sale", catalog);
    EXPECT_EQ(Column(dates, "d").type, dbDate);
    EXPECT_EQ(Column(dates, "d").format, "Short Date");
    const jet::Statement latest = jet::Translate("SELECT Max(sale_date) AS m FROM sale", catalog);
    EXPECT_EQ(Column(latest, "m").type, dbDate);

    const jet::Statement unnamed = jet::Translate("SELECT id, id+1, id*2 FROM sale", catalog);
    EXPECT_EQ(unnamed.columns[1].name, "Expr1000");
    EXPECT_EQ(unnamed.columns[2].name, "Expr1001");
}

TEST(JetStatementTest, ParametersAreThoseOfEveryQueryRead)
{
    FixtureCatalog catalog;
    const jet::Statement st = jet::Translate(*catalog.FindQuery("QCasheDeliveryTotal"), catalog);
    ASSERT_EQ(st.parameters.size(), 3u);
    EXPECT_EQ(st.parameters[0].name, "CasheBox");
    EXPECT_EQ(st.parameters[0].type, dbSingle);
    EXPECT_EQ(st.parameters[1].name, "FromDate");
    EXPECT_EQ(st.parameters[1].type, dbDate);
    EXPECT_EQ(st.parameters[2].name, "ToDate");
}

TEST(JetStatementTest, DeclaredParametersComeFirstAndNamesThatAreNoColumnFollow)
{
    FixtureCatalog catalog;
    FixtureDb db;
    const jet::Statement st = jet::Translate(
        "PARAMETERS [Wanted Box] Short; SELECT id FROM sale WHERE sale_num = [Number] AND cashbox_num = [Wanted Box] "
        "AND sale.nosuch IS NULL AND [number] > 0",
        catalog);
    ASSERT_EQ(st.parameters.size(), 3u);
    EXPECT_EQ(st.parameters[0].name, "Wanted Box");
    EXPECT_EQ(st.parameters[0].type, dbInteger);
    EXPECT_EQ(st.parameters[1].name, "Number");
    EXPECT_EQ(st.parameters[1].type, 0);
    EXPECT_EQ(st.parameters[2].name, "sale.nosuch");
    const auto rows = db.Rows(st.sql, st.parameters, {{"Wanted Box", 1}, {"Number", 3}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "3");
}

TEST(JetStatementTest, GuidCriteriaMatchTheStoredBytes)
{
    FixtureDb db;
    db.Exec("CREATE TABLE guids (id INTEGER PRIMARY KEY AUTOINCREMENT, g BLOB)");
    db.Exec("INSERT INTO guids (g) VALUES (X'33221100554477668899AABBCCDDEEFF'), (X'00')");
    std::vector<jet::ResultColumn> columns(2);
    columns[0].name = "id";
    columns[0].type = dbLong;
    columns[1].name = "g";
    columns[1].type = dbGUID;
    const QString where =
        jet::TranslateCriteria("([g]  = {guid {00112233-4455-6677-8899-aabbccddeeff}})", columns);
    const auto rows = db.Rows("SELECT id FROM guids WHERE " + where);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
}

TEST(JetStatementTest, DivisionByZeroFailsTheStatement)
{
    FixtureCatalog catalog;
    FixtureDb db;
    const jet::Statement st = jet::Translate("SELECT sale_price / discount AS q FROM sale_detail", catalog);
    EXPECT_THROW(db.Rows(st.sql), std::runtime_error);
    const jet::Statement byNull = jet::Translate("SELECT sale_price / Null AS q FROM sale_detail WHERE id = 1", catalog);
    EXPECT_EQ(db.Rows(byNull.sql).at(0).at(0), "NULL");
}

TEST(JetStatementTest, ActionStatementsChangeTheRows)
{
    FixtureCatalog catalog;
    FixtureDb db;
    const auto run = [&](const QString& jet) {
        const jet::Statement st = jet::Translate(jet, catalog);
        db.Rows(st.sql, st.parameters);
        return st.kind;
    };
    EXPECT_EQ(run("DELETE * FROM model WHERE id=2"), jet::StatementKind::Delete);
    EXPECT_EQ(run("UPDATE sale SET finished = True, sale_num = sale_num + 10 WHERE invoice_accept = False"),
              jet::StatementKind::Update);
    EXPECT_EQ(run("INSERT INTO model (mark_name, model_name) VALUES ('OPEL', 'Вектра')"), jet::StatementKind::Insert);
    EXPECT_EQ(run("INSERT INTO give_in (give, cashbox_num, [date]) SELECT take, cashbox_num, [date] FROM takings "
                  "WHERE take < 10"),
              jet::StatementKind::Insert);
    run("DELETE FROM takings");

    const auto rows = [&](const QString& jet) {
        const jet::Statement st = jet::Translate(jet, catalog);
        std::vector<QString> out;
        for (const QStringList& r : db.Rows(st.sql))
            out.push_back(r.join(","));
        return out;
    };
    EXPECT_EQ(rows("SELECT id FROM model ORDER BY id"), (std::vector<QString>{"1", "3", "4", "5", "6"}));
    EXPECT_EQ(rows("SELECT sale_num, finished FROM sale WHERE id = 5"), (std::vector<QString>{"15,-1"}));
    EXPECT_EQ(rows("SELECT model_name FROM model WHERE mark_name = 'opel' ORDER BY model_name"),
              (std::vector<QString>{"Astra", "Corsa", "Вектра"}));
    EXPECT_EQ(rows("SELECT give FROM give_in WHERE cashbox_num = 2"), (std::vector<QString>{"7"}));
    EXPECT_TRUE(rows("SELECT * FROM takings").empty());
}

}  // namespace

namespace {

// Grouping by a table's counter and by columns that follow from it gives the groups of the
// counter alone; columns of a table whose rows a join may fill with Nulls do not follow from
// its counter, and keep their groups apart.
TEST(JetStatementTest, GroupsStayTheGroupsOfEveryItemWhenGroupingByTheCounterAlone)
{
    FixtureCatalog catalog;
    FixtureDb db;
    db.Exec("INSERT INTO car VALUES (2, 2, 'CB0001'), (3, NULL, 'PB0002'), (4, 9, 'PB0003'), (5, 1, 'CA0004')");
    struct Case {
        const char* jet;
        std::vector<QStringList> rows;
        bool groupsByCarNumber;
    };
    const Case cases[] = {
        {"SELECT car.id, car.car_number, client.name, Count(car.id) AS n FROM car LEFT JOIN client ON car.client_id = "
         "client.id GROUP BY car.id, car.car_number, client.name",
         {{"1", "CA1234AB", "Иван Иванов", "1"},
          {"2", "CB0001", "ИВАНКА Петрова", "1"},
          {"3", "PB0002", "NULL", "1"},
          {"4", "PB0003", "NULL", "1"},
          {"5", "CA0004", "Иван Иванов", "1"}},
         false},
        {"SELECT client.id, car.car_number, Count(car.id) AS n FROM car LEFT JOIN client ON car.client_id = client.id "
         "GROUP BY client.id, car.car_number",
         {{"NULL", "PB0002", "1"}, {"NULL", "PB0003", "1"}, {"1", "CA0004", "1"}, {"1", "CA1234AB", "1"}, {"2", "CB0001", "1"}},
         true},
        {"SELECT car.id, car.car_number, Count(car.id) AS n FROM car WHERE car.id > 3 GROUP BY car.id, car.car_number",
         {{"4", "PB0003", "1"}, {"5", "CA0004", "1"}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jet);
        const jet::Statement st = jet::Translate(QString::fromUtf8(c.jet), catalog);
        EXPECT_EQ(db.Rows(st.sql), c.rows);
        const QString grouping = st.sql.mid(st.sql.indexOf(QStringLiteral("GROUP BY")));
        EXPECT_EQ(grouping.contains(QStringLiteral("car_number")), c.groupsByCarNumber) << st.sql.toStdString();
    }
}

}  // namespace
