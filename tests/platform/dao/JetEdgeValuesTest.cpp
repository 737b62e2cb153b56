// Values at the edges of what the engine's expressions compute (infinity, the lowest 64-bit
// number, operands too large for a whole number, negated literals, a NUL inside a text) give
// their sound answer or the engine's error, the same through a statement, a find and a filter.

#include "DaoTestFixture.h"
#include "support/ItemsTable.h"

namespace {

using namespace daotest;

constexpr int kOverflow = 6;

const QString kNul = QString(QChar(0));

class JetEdgeValuesTest : public DaoFixture {
protected:
    // items(id counter, n long, x double, t text 20): n 1, 2, 3; x 1.5, 2.5 and an infinity
    // stored by another program; t "a", "Oil<NUL>filter", "b".
    void SetUp() override
    {
        DaoFixture::SetUp();
        db = MakeShop();
        AppendItemsTable(*db, {{1, 1.5, QStringLiteral("a")},
                               {2, 2.5, QStringLiteral("Oil") + kNul + QStringLiteral("filter")},
                               {3, 3.5, QStringLiteral("b")}});
        ASSERT_NO_FATAL_FAILURE(FillStraight(*db, QStringLiteral("UPDATE items SET x = 9e999 WHERE n = 3")));
    }

    // The n of the rows a recordset holds, in order.
    static std::vector<int> Numbers(Recordset& rs)
    {
        std::vector<int> numbers;
        if (rs.Bof() && rs.Eof())
            return numbers;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            numbers.push_back(rs.Fields()[QStringLiteral("n")]->Value().AsInteger());
        return numbers;
    }

    std::shared_ptr<Database> db;
};

struct EdgeCase {
    const char* name;
    QString criteria;       // over items
    std::vector<int> rows;  // the n of the rows it keeps
    int error = 0;          // or the engine error it raises
};

std::vector<EdgeCase> Cases()
{
    return {
        {"Format of a power past the largest number", "Format(617^617, '0') = 'j'", {}, kOverflow},
        {"a power past the largest number", "617^617 > 0", {}, kOverflow},
        {"Format of a stored infinity", "Format([x], '0.00') = 'i.f'", {}, kOverflow},
        {"Format of a stored infinity without a pattern", "Format([x]) = 'inf'", {}, kOverflow},
        {"Format of ordinary numbers", "Format([n] + 0.5, '0.00') = '2.50' OR Format([n] * 1E+300, '0') > ''", {1, 2, 3}},
        {"the lowest number divided by -1", "(-9223372036854775807 - 1) \\ -1 = 0", {}, kOverflow},
        {"the lowest number written out divided by -1", "-9223372036854775808 \\ -1 = 0", {}, kOverflow},
        {"Mod of the lowest number by -1", "(-9223372036854775807 - 1) MOD -1 = 0", {}, kOverflow},
        {"a dividend too large for a whole number", "1E+28 \\ 3 = 1431655766", {}, kOverflow},
        {"a divisor too large for a whole number", "[n] MOD 1E+19 = 1", {}, kOverflow},
        {"whole-number division in range", "7 \\ 2 = 3 AND -7 MOD 3 = -1 AND 9223372036854775807 \\ 2 > 0 AND [n] \\ 2 = 1",
         {2, 3}},
        {"a negated True", "[n] = -True OR [n] = 2", {1, 2}},
        {"a negated date", "[n] = 3 AND -#1/1/1800# = 36522", {3}},
        {"a negated negative", "[n] = - -1 OR -(-[n]) = 3", {1, 3}},
        {"a text holding a NUL", "[t] = 'Oil" + kNul + "filter'", {2}},
        {"a text holding a NUL as a pattern", "[t] LIKE LCASE(\"oil" + kNul + "f*\")", {2}},
        {"a text cut at its NUL matches nothing", "[t] = 'Oil'", {}},
    };
}

QString Described(const EdgeCase& c) { return QString(c.criteria).replace(kNul, QStringLiteral("<NUL>")); }

TEST_F(JetEdgeValuesTest, AStatementGivesTheSoundRowsOrTheEngineError)
{
    for (const EdgeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::vector<int> rows;
        const int error = ErrorOf([&] {
            auto rs = db->OpenRecordset(QStringLiteral("SELECT n FROM items WHERE ") + c.criteria +
                                            QStringLiteral(" ORDER BY n"),
                                        dbOpenSnapshot);
            rows = Numbers(*rs);
        });
        EXPECT_EQ(error, c.error) << Described(c).toStdString();
        EXPECT_EQ(rows, c.rows) << Described(c).toStdString();
    }
}

TEST_F(JetEdgeValuesTest, AFindGivesTheSoundRowOrTheEngineError)
{
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM items ORDER BY n"), dbOpenDynaset);
    for (const EdgeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        rs->MoveFirst();
        bool found = false;
        int n = 0;
        const int error = ErrorOf([&] {
            rs->FindFirst(c.criteria);
            found = !rs->NoMatch();
            n = found ? rs->Fields()[QStringLiteral("n")]->Value().AsInteger() : 0;
        });
        EXPECT_EQ(error, c.error) << Described(c).toStdString();
        EXPECT_EQ(found, !c.rows.empty()) << Described(c).toStdString();
        if (found && !c.rows.empty()) {
            EXPECT_EQ(n, c.rows.front()) << Described(c).toStdString();
        }
    }
}

TEST_F(JetEdgeValuesTest, AFilterGivesTheSoundRowsOrTheEngineError)
{
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM items ORDER BY n"), dbOpenDynaset);
    for (const EdgeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::vector<int> rows;
        const int error = ErrorOf([&] {
            rs->SetFilter(c.criteria);
            rows = Numbers(*rs->OpenRecordset(dbOpenSnapshot));
        });
        EXPECT_EQ(error, c.error) << Described(c).toStdString();
        EXPECT_EQ(rows, c.rows) << Described(c).toStdString();
    }
}

// The overflow reaches the caller as the engine's error with Jet's own text.
TEST_F(JetEdgeValuesTest, TheOverflowIsJetsErrorSix)
{
    try {
        db->OpenRecordset(QStringLiteral("SELECT -9223372036854775808 \\ -1 AS q FROM items"), dbOpenSnapshot);
        FAIL() << "no error";
    } catch (const EDaoError& error) {
        EXPECT_EQ(error.Number(), kOverflow);
        EXPECT_EQ(error.Description(), QStringLiteral("Overflow"));
    }
    ASSERT_EQ(engine.Errors().Count(), 1);
    EXPECT_EQ(engine.Errors().Item(0).Number(), kOverflow);
}

}  // namespace
