// A criterion of a statement on the grouping columns of a grouped saved query it reads is
// applied to that query's rows before they are grouped, so that an index serves it; the rows
// are those the statement gives over the query's whole result, for the shop's saved queries
// and criteria on grouping columns, on aggregated columns and on columns under outer joins.

#include "platform/dao/JetTestFixture.h"

#include "platform/dao/DaoError.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>

namespace {

using namespace jettest;

struct PushCase {
    const char* name;
    QString jet;       // a statement over saved queries
    QStringList read;  // the saved queries it reads
    QString plan;      // a step the plan must show, when the criterion reaches the rows
};

const std::vector<PushCase>& Cases()
{
    static const std::vector<PushCase> cases = {
        {"one article's stock, the code in other letters",
         "SELECT QATQAll.article_code, Sum(QATQAll.total_quty) AS stock FROM QATQAll WHERE "
         "(((QATQAll.article_code)='a1')) GROUP BY QATQAll.article_code;",
         {"QATQAll"}, "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
        {"a lot by its renamed key", "SELECT * FROM QATQAll WHERE delivery_detail_id = 3", {"QATQAll"},
         "SEARCH delivery_detail USING INTEGER PRIMARY KEY (rowid=?)"},
        {"a grouping column beside an aggregated one",
         "SELECT * FROM QATQAll WHERE article_code = 'A1' AND total_quty > 3", {"QATQAll"},
         "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
        {"an aggregated column stays outside", "SELECT * FROM QATQAll WHERE total_quty > 3", {"QATQAll"}, {}},
        {"a grouping column or an aggregated one", "SELECT * FROM QATQAll WHERE article_code = 'A1' OR total_quty > 4",
         {"QATQAll"}, {}},
        {"a function of a grouping column", "SELECT * FROM QATQAll WHERE LCase(article_code) = 'b2'", {"QATQAll"}, {}},
        {"a range of grouping columns",
         "SELECT * FROM QATQAll WHERE delivery_detail_id BETWEEN 2 AND 4 AND service = False AND NOT dimention IN "
         "('м')",
         {"QATQAll"}, "SEARCH delivery_detail USING INTEGER PRIMARY KEY (rowid>? AND rowid<?)"},
        {"an article by name, both spellings in one group", "SELECT * FROM QFIFO WHERE article_name = 'масло'",
         {"QFIFO"}, "SEARCH delivery_detail USING INDEX ix_lot_name (article_name=?)"},
        {"a pattern on a grouping column", "SELECT * FROM QFIFO WHERE article_name LIKE 'ф*'", {"QFIFO"}, {}},
        {"an aggregated column of the per-article stock", "SELECT * FROM QFIFO WHERE total_quty > 0", {"QFIFO"}, {}},
        {"an order's totals", "SELECT * FROM QuerySaleTotalSum WHERE id = 2 AND Total > '20'", {"QuerySaleTotalSum"},
         "SEARCH sale USING INTEGER PRIMARY KEY (rowid=?)"},
        {"the sold quantity of a lot", "SELECT * FROM MyQuty WHERE delivery_detail_id = 1", {"MyQuty"},
         "SEARCH sale_detail USING INDEX ix_line_lot (delivery_detail_id=?)"},
        {"a pinned column of the sold quantities", "SELECT * FROM MyQuty WHERE invoice_accept = True", {"MyQuty"}, {}},
        {"makes by name", "SELECT * FROM QueryMark WHERE mark_name = 'лада'", {"QueryMark"}, {}},
        {"articles by price", "SELECT * FROM QueryArticle WHERE sale_price = 10 AND QUTY > 1", {"QueryArticle"}, {}},
        {"a delivery's totals", "SELECT * FROM QDeliveryTotal WHERE id = 2", {"QDeliveryTotal"},
         "SEARCH delivery USING INTEGER PRIMARY KEY (rowid=?)"},
        {"a cash period's order", "SELECT * FROM QCasheSale WHERE sale_num = 1", {"QCasheSale"}, {}},
        {"a cash period's payments of one person",
         "SELECT * FROM QCasheEPayment WHERE employee_name = 'ИВАН ПЕТРОВ'", {"QCasheEPayment"}, {}},
        {"a query over a query, not grouped itself", "SELECT * FROM QueryArticleTotalQuty WHERE delivery_detail_id = 2",
         {"QueryArticleTotalQuty"}, {}},
        {"the stock query on the kept side of an outer join",
         "SELECT QATQAll.delivery_detail_id, QATQAll.total_quty, store.store_name FROM QATQAll LEFT JOIN store ON "
         "QATQAll.delivery_tax = store.id WHERE QATQAll.article_code = 'B2'",
         {"QATQAll"}, "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
        {"the sold quantities under an outer join, missing ones",
         "SELECT delivery_detail.id, MyQuty.SumSaleQuty FROM delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = "
         "MyQuty.delivery_detail_id WHERE MyQuty.delivery_detail_id IS NULL",
         {"MyQuty"}, {}},
        {"the sold quantities under an outer join, present ones",
         "SELECT delivery_detail.id, MyQuty.SumSaleQuty FROM delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = "
         "MyQuty.delivery_detail_id WHERE MyQuty.invoice_annul = False",
         {"MyQuty"}, {}},
        {"the sold quantities under an outer join, missing ones or one",
         "SELECT delivery_detail.id, MyQuty.SumSaleQuty FROM delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = "
         "MyQuty.delivery_detail_id WHERE MyQuty.invoice_accept IS NULL OR MyQuty.delivery_detail_id = 1",
         {"MyQuty"}, {}},
        {"one query twice, the criterion on one of them",
         "SELECT a.article_code, a.total_quty, b.total_quty FROM QFIFO AS a INNER JOIN QFIFO AS b ON a.article_code = "
         "b.article_code WHERE a.article_code = 'C3'",
         {"QFIFO"}, "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
        {"a criterion on one query of two, an aggregate of the other",
         "SELECT q.delivery_detail_id, m.SumSaleQuty FROM QATQAll AS q INNER JOIN MyQuty AS m ON q.delivery_detail_id = "
         "m.delivery_detail_id WHERE q.article_code = 'A1' AND m.SumSaleQuty > 0",
         {"QATQAll", "MyQuty"}, "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
    };
    return cases;
}

// The rows as sets of texts without case: a group of two spellings shows either.
std::vector<QString> Folded(const std::vector<QStringList>& rows)
{
    std::vector<QString> folded;
    for (const QStringList& row : rows)
        folded.push_back(row.join(QStringLiteral(" | ")).toCaseFolded());
    std::sort(folded.begin(), folded.end());
    return folded;
}

QString Plan(const FixtureDb& db, const QString& sql, const std::vector<jet::Parameter>& parameters)
{
    QStringList steps;
    for (const QStringList& row : db.Rows(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, parameters, PeriodValues()))
        steps << row.last();
    return steps.join(u'\n');
}

class JetPushedCriteriaTest : public ::testing::TestWithParam<PushCase> {};

// Each saved query read is also kept as a table of its rows; the same statement over those
// tables has nothing to push and gives the rows to compare with.
TEST_P(JetPushedCriteriaTest, GivesTheRowsOfTheWholeQueryAndReachesTheRowsItNames)
{
    const PushCase& c = GetParam();
    FixtureDb db;
    db.Exec("CREATE INDEX ix_lot_code ON delivery_detail (article_code); "
            "CREATE INDEX ix_lot_name ON delivery_detail (article_name); "
            "CREATE INDEX ix_line_lot ON sale_detail (delivery_detail_id)");
    FixtureCatalog catalog;
    FixtureCatalog kept;
    QString overKept = c.jet;
    for (const QString& name : c.read) {
        const jet::Statement whole = jet::Translate(*catalog.FindQuery(name), catalog);
        const QString table = QStringLiteral("kept_") + name;
        QStringList columns;
        for (const jet::ResultColumn& col : whole.columns)
            columns << QStringLiteral("\"%1\" %2").arg(col.name, SqlType(col.type));
        db.Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", "))));
        db.Rows(QStringLiteral("INSERT INTO %1 SELECT * FROM (%2)").arg(table, whole.sql), whole.parameters,
                PeriodValues());
        jet::TableInfo info;
        info.name = table;
        for (const jet::ResultColumn& col : whole.columns)
            info.columns.push_back(jet::ColumnInfo{col.name, col.type, col.size, false, {}});
        kept.AddTable(info);
        overKept.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(name)), table);
    }
    jet::Statement pushed, plain;
    try {
        pushed = jet::Translate(c.jet, catalog);
        plain = jet::Translate(overKept, kept);
    } catch (const EDaoError& e) {
        FAIL() << e.Number() << " " << e.Description().toStdString();
    }
    const auto rows = db.Rows(pushed.sql, pushed.parameters, PeriodValues());
    EXPECT_FALSE(rows.empty());
    EXPECT_EQ(Folded(rows), Folded(db.Rows(plain.sql, plain.parameters, PeriodValues()))) << pushed.sql.toStdString();
    if (!c.plan.isEmpty()) {
        EXPECT_TRUE(Plan(db, pushed.sql, pushed.parameters).contains(c.plan))
            << Plan(db, pushed.sql, pushed.parameters).toStdString();
    }
}

// A dataset's filter on grouping columns goes before the grouping of the saved query it reads,
// in the form for picked rows; the rows are those of the whole query filtered after.
TEST(JetPushedFilterTest, AFilterOnGroupingColumnsPicksTheRowsItNamesThroughTheirIndex)
{
    const struct {
        const char* query;
        const char* filter;
        const char* plan;  // empty: the filter cannot go before the grouping
    } cases[] = {
        {"QATQAll", "[article_code] = 'a1'", "SEARCH delivery_detail USING INDEX ix_lot_code (article_code=?)"},
        {"QATQAll", "[delivery_detail_id] IN (1, 3, 5)", "SEARCH delivery_detail USING INTEGER PRIMARY KEY (rowid=?)"},
        {"QFIFO", "[article_name] = 'масло' AND [sale_price] = 10",
         "SEARCH delivery_detail USING INDEX ix_lot_name (article_name=?)"},
        {"MyQuty", "[delivery_detail_id] = 2", "SEARCH sale_detail USING INDEX ix_line_lot (delivery_detail_id=?)"},
        {"QATQAll", "[total_quty] > 3", ""},
    };
    FixtureDb db;
    db.Exec("CREATE INDEX ix_lot_code ON delivery_detail (article_code); "
            "CREATE INDEX ix_lot_name ON delivery_detail (article_name); "
            "CREATE INDEX ix_line_lot ON sale_detail (delivery_detail_id)");
    FixtureCatalog catalog;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const jet::Statement whole = jet::Translate(*catalog.FindQuery(QString::fromUtf8(c.query)), catalog);
        const QString filter = QString::fromUtf8(c.filter);
        const auto before = jet::TranslateGroupCriteria(filter, whole.columns, 1);
        ASSERT_EQ(before.has_value(), *c.plan != 0);
        const auto after = db.Rows(QStringLiteral("SELECT * FROM (%1) WHERE %2")
                                       .arg(whole.sql, jet::TranslateCriteria(filter, whole.columns)));
        EXPECT_FALSE(after.empty());
        if (!before)
            continue;
        QString picked = whole.grouped.Filtered(before->sql).Sql();
        for (size_t i = 0; i < before->values.size(); ++i) {
            const TVariant& v = before->values[i];
            picked.replace(QStringLiteral(":c%1").arg(i + 1),
                           v.IsText() ? QStringLiteral("'%1'").arg(v.AsString()) : v.AsString());
        }
        EXPECT_EQ(Folded(db.Rows(picked)), Folded(after)) << picked.toStdString();
        EXPECT_TRUE(Plan(db, picked, {}).contains(QString::fromUtf8(c.plan))) << Plan(db, picked, {}).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Shop, JetPushedCriteriaTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<PushCase>& info) { return CaseName(info.param.name); });

}  // namespace
