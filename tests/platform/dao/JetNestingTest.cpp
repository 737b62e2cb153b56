// Deeply nested text in a find, a filter or a statement is refused with the engine's syntax
// error before it can exhaust the stack; ordinary nesting still works.

#include "DaoTestFixture.h"

#include "platform/dao/JetParser.h"

namespace {

using namespace daotest;

QString Parenthesised(int depth, const QString& inner)
{
    return QString(depth, u'(') + inner + QString(depth, u')');
}

QString Chain(int terms, const QString& op)
{
    QStringList parts;
    for (int i = 0; i < terms; ++i)
        parts << QStringLiteral("[qty] = %1").arg(1000 + i);
    return parts.join(QLatin1Char(' ') + op + QLatin1Char(' '));
}

class JetNestingTest : public DaoFixture {
protected:
    void SetUp() override
    {
        DaoFixture::SetUp();
        db = MakeShop();
    }
    std::shared_ptr<Database> db;
};

struct NestingCase {
    const char* name;
    QString criteria;
    bool refused;
};

std::vector<NestingCase> NestingCases()
{
    return {
        {"100 parentheses", Parenthesised(100, QStringLiteral("[qty] = 25")), false},
        {"200 parentheses", Parenthesised(200, QStringLiteral("[qty] = 25")), false},
        {"3,000 parentheses", Parenthesised(3000, QStringLiteral("[qty] = 25")), true},
        {"100,000 parentheses", Parenthesised(100000, QStringLiteral("[qty] = 25")), true},
        {"100,000 NOTs", QString(QStringLiteral("NOT ")).repeated(100000) + QStringLiteral("[qty] = 25"), true},
        {"100,000 signs", QStringLiteral("[qty] = ") + QString(100000, u'-') + QStringLiteral("25"), true},
        {"100,000 calls", QStringLiteral("[qty] = ") + QStringLiteral("Abs(").repeated(100000) + QStringLiteral("25") +
                              QString(100000, u')'),
         true},
        {"50 ORs", Chain(50, QStringLiteral("OR")) + QStringLiteral(" OR [qty] = 25"), false},
        {"300 ORs", Chain(300, QStringLiteral("OR")), true},
        {"100,000 ORs", Chain(100000, QStringLiteral("OR")), true},
        {"100,000 ANDs in parentheses", QStringLiteral("(") + Chain(100000, QStringLiteral("AND")) + QStringLiteral(")"),
         true},
    };
}

TEST_F(JetNestingTest, AFindRefusesTooDeepNestingAndKeepsTheRest)
{
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    for (const NestingCase& c : NestingCases()) {
        SCOPED_TRACE(c.name);
        rs->MoveFirst();
        QString message;
        int number = 0;
        try {
            rs->FindFirst(c.criteria);
        } catch (const EDaoError& error) {
            number = error.Number();
            message = error.Description();
        }
        if (c.refused) {
            EXPECT_EQ(number, errSyntax);
            EXPECT_TRUE(message.contains(QStringLiteral("too complex"))) << message.toStdString();
        } else {
            EXPECT_EQ(number, 0) << message.toStdString();
            EXPECT_FALSE(rs->NoMatch());
            EXPECT_EQ(rs->Fields()[QStringLiteral("name")]->Value().AsString(), QStringLiteral("Oil filter"));
        }
    }
}

TEST_F(JetNestingTest, AStatementNestedTooDeepIsRefusedWhenOpened)
{
    const struct {
        const char* name;
        QString sql;
        bool refused;
    } cases[] = {
        {"100", QStringLiteral("SELECT * FROM parts WHERE ") + Parenthesised(100, QStringLiteral("[qty] = 25")), false},
        {"200", QStringLiteral("SELECT * FROM parts WHERE ") + Parenthesised(200, QStringLiteral("[qty] = 25")), false},
        {"3,000", QStringLiteral("SELECT * FROM parts WHERE ") + Parenthesised(3000, QStringLiteral("[qty] = 25")), true},
        {"100,000", QStringLiteral("SELECT * FROM parts WHERE ") + Parenthesised(100000, QStringLiteral("[qty] = 25")),
         true},
        {"100,000 in the select list", QStringLiteral("SELECT ") + Parenthesised(100000, QStringLiteral("1")) +
                                           QStringLiteral(" AS x FROM parts"),
         true},
        {"100,000 joins", QStringLiteral("SELECT * FROM ") + Parenthesised(100000, QStringLiteral("parts")), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int number = ErrorOf([&] {
            auto rs = db->OpenRecordset(c.sql, dbOpenSnapshot);
            EXPECT_EQ(rs->Fields()[QStringLiteral("name")]->Value().AsString(), QStringLiteral("Oil filter"));
        });
        EXPECT_EQ(number, c.refused ? int(errSyntax) : 0);
    }
}

// Aliases that each use the one before grow the expression past what the parser saw.
TEST_F(JetNestingTest, AliasesExpandingPastTheBoundAreRefused)
{
    for (int aliases : {40, 1500}) {
        SCOPED_TRACE(aliases);
        QStringList items{QStringLiteral("[qty] AS a0")};
        for (int i = 1; i < aliases; ++i)
            items << QStringLiteral("a%1 + 1 AS a%2").arg(i - 1).arg(i);
        const QString sql = QStringLiteral("SELECT ") + items.join(QStringLiteral(", ")) +
                            QStringLiteral(" FROM parts WHERE [id] = 3");
        const int number = ErrorOf([&] { db->OpenRecordset(sql, dbOpenSnapshot); });
        EXPECT_EQ(number, aliases > 100 ? int(errSyntax) : 0);
    }
}

TEST(JetParserNesting, TheParserAloneRefusesWithItsPosition)
{
    jet::JetParser parser(Parenthesised(100000, QStringLiteral("1")));
    try {
        parser.ParseCriteria();
        FAIL() << "no error";
    } catch (const EDaoError& error) {
        EXPECT_EQ(error.Number(), errSyntax);
        EXPECT_EQ(error.Description(), QStringLiteral("Expression too complex at position 257: more than 256 levels of "
                                                     "parentheses, signs or NOT."));
    }
}

}  // namespace
