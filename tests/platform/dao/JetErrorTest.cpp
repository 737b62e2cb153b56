// Statements the dialect must refuse, each with the engine error a caller can act on; nothing
// is run in their place.

#include "platform/dao/JetTestFixture.h"

#include "platform/dao/DaoError.h"

#include <gtest/gtest.h>

namespace {

using namespace jettest;

enum class Via { Translate, Criteria, Sort };

struct ErrorCase {
    const char* name;
    Via via;
    QString text;
    int number;
    QString inMessage;  // a part the description must carry
};

const std::vector<ErrorCase>& Cases()
{
    static const std::vector<ErrorCase> cases = {
        {"unknown table", Via::Translate, "SELECT * FROM nosuch", errCannotOpenTable, "'nosuch'"},
        {"unknown column in a filter", Via::Criteria, "[nosuch]=1", errUnknownName, "[nosuch]"},
        {"unknown column in a sort", Via::Sort, "[nosuch] DESC", errUnknownName, "[nosuch]"},
        {"unknown column set by UPDATE", Via::Translate, "UPDATE sale SET nosuch = 1", errUnknownName, "[nosuch]"},
        {"unknown column of INSERT", Via::Translate, "INSERT INTO model (nosuch) VALUES (1)", errUnknownInsertField,
         "'nosuch'"},
        {"alias cycle", Via::Translate, "SELECT [b]+1 AS a, [a]+1 AS b FROM sale", errCircularReference, "alias"},
        {"alias naming its own column", Via::Translate, "SELECT [sale_price]*2 AS sale_price FROM sale_detail",
         errCircularReference, "'sale_price'"},
        {"saved queries reading each other", Via::Translate, "SELECT * FROM LoopA", errCircularReference, "Loop"},
        {"bad date literal", Via::Translate, "SELECT id FROM sale WHERE sale_date = #13/45/2003#", errSyntax,
         "position 39"},
        {"bad Datevalue text", Via::Translate, "SELECT id FROM sale WHERE sale_date = Datevalue('31/02/2003')",
         errTypeMismatch, "31/02/2003"},
        {"bad GUID literal", Via::Criteria, "[name] = {guid {not-a-guid}}", errSyntax, "position 10"},
        {"trailing garbage", Via::Translate, "SELECT id FROM sale; DROP TABLE sale", errSyntax, "position 22 near 'DROP'"},
        {"garbage after a filter", Via::Criteria, "[id] = 1 2", errSyntax, "position 10 near '2'"},
        {"equals sign before IS NULL", Via::Translate, "SELECT id FROM sale WHERE sale_num = IS NULL", errSyntax,
         "near 'IS'"},
        {"unclosed text", Via::Translate, "SELECT id FROM sale WHERE name = 'abc", errSyntax, "position 34"},
        {"unclosed bracket", Via::Criteria, "[name = 1", errSyntax, "position 1"},
        {"missing FROM table", Via::Translate, "SELECT id FROM", errSyntax, "end of statement"},
        {"not a statement", Via::Translate, "DROP TABLE sale", errSyntax, "near 'DROP'"},
        {"ambiguous column", Via::Translate,
         "SELECT id FROM sale INNER JOIN sale_detail ON sale.id = sale_detail.sale_id", errAmbiguousField, "[id]"},
        {"column neither grouped nor summed", Via::Translate,
         "SELECT sale_id, sale_price FROM sale_detail GROUP BY sale_id", errNotInAggregate, "[sale_price]"},
        {"aggregate in WHERE", Via::Translate, "SELECT id FROM sale_detail WHERE Sum(sale_price) > 1",
         errAggregateMisplaced, "Sum"},
        {"aggregate in a filter", Via::Criteria, "Sum([id]) > 1", errAggregateMisplaced, "Sum"},
        {"aggregate inside an aggregate", Via::Translate, "SELECT Sum(Max(id)) FROM sale", errAggregateMisplaced,
         "Max"},
        {"undefined function", Via::Translate, "SELECT Foo(id) FROM sale", errUndefinedFunction, "'Foo'"},
        {"wrong argument count", Via::Translate, "SELECT IIf(1,2) FROM sale", errSyntax, "Wrong number of arguments"},
        {"values and fields differ in number", Via::Translate, "INSERT INTO model (mark_name) VALUES ('a', 'b')",
         errValueCount, "Number of query values"},
        {"subquery", Via::Translate, "SELECT id FROM sale WHERE id IN (SELECT sale_id FROM sale_detail)", errSyntax,
         "near 'SELECT'"},
        {"TOP PERCENT", Via::Translate, "SELECT TOP 5 PERCENT id FROM sale", errSyntax, "near 'PERCENT'"},
        {"unknown parameter type", Via::Translate, "PARAMETERS x Banana; SELECT id FROM sale", errSyntax,
         "near 'Banana'"},
        {"delete from a saved query", Via::Translate, "DELETE * FROM MyQuty", errNotUpdatable, "updatable"},
        {"TOP with ORDER BY", Via::Translate, "SELECT TOP 2 id FROM sale ORDER BY sale_date", errOperationNotSupported,
         "TOP"},
        {"DISTINCTROW over a join", Via::Translate,
         "SELECT DISTINCTROW sale.id FROM sale INNER JOIN sale_detail ON sale.id = sale_detail.sale_id",
         errOperationNotSupported, "DISTINCTROW"},
        {"source named twice", Via::Translate, "SELECT sale.id FROM sale, sale", errSyntax, "named twice"},
    };
    return cases;
}

class JetErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(JetErrorTest, RaisesTheEngineError)
{
    const ErrorCase& c = GetParam();
    FixtureCatalog catalog;
    catalog.SetQuery("LoopA", "SELECT * FROM LoopB");
    catalog.SetQuery("LoopB", "SELECT * FROM LoopA");
    std::vector<jet::ResultColumn> columns(2);
    columns[0].name = "id";
    columns[0].type = dbLong;
    columns[1].name = "name";
    columns[1].type = dbText;
    columns[1].size = 50;
    try {
        switch (c.via) {
        case Via::Translate: jet::Translate(c.text, catalog); break;
        case Via::Criteria: jet::TranslateCriteria(c.text, columns); break;
        case Via::Sort: jet::TranslateSort(c.text, columns); break;
        }
        FAIL() << "no error";
    } catch (const EDaoError& e) {
        EXPECT_EQ(e.Number(), c.number) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains(c.inMessage)) << e.Description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Refused, JetErrorTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             QString name = QString::fromUtf8(info.param.name);
                             for (QChar& ch : name)
                                 if (!ch.isLetterOrNumber())
                                     ch = '_';
                             return name.toStdString();
                         });

TEST(JetParameterCountTest, TooFewValuesNamesHowManyAreMissing)
{
    FixtureCatalog catalog;
    const jet::Statement st = jet::Translate("SELECT QCasheSaleTotal.* FROM QCasheSaleTotal", catalog);
    ASSERT_EQ(st.parameters.size(), 3u);
    EXPECT_NO_THROW(jet::CheckParameterCount(st, 3));
    try {
        jet::CheckParameterCount(st, 1);
        FAIL() << "no error";
    } catch (const EDaoError& e) {
        EXPECT_EQ(e.Number(), errTooFewParameters);
        EXPECT_EQ(e.Description(), "Too few parameters. Expected 2.");
    }
}

}  // namespace

namespace {

// Every cut of every shop query either translates or raises the engine's error; nothing else
// escapes and nothing is read past the text.
TEST(JetTruncatedTextTest, EveryPrefixTranslatesOrRaisesTheEngineError)
{
    FixtureCatalog catalog;
    for (const auto& [name, text] : SavedQueries()) {
        for (int length = 0; length <= text.size(); length += 3) {
            try {
                jet::Translate(text.left(length), catalog);
            } catch (const EDaoError&) {
            }
        }
    }
}

}  // namespace
