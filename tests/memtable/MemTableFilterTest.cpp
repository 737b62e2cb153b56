#include "MemTableFixture.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

namespace {

// N, T and a date D: (1 Ab 01.01.2026) (2 ab 15.06.2026) (3 b 16.06.2026) (4 null null) (5 Приход 31.12.2026).
std::unique_ptr<TMemTable> MakeFilterTable()
{
    auto table = MakeTable();
    table->FieldDefs().Add(QStringLiteral("D"), ftDate);
    table->Open();
    struct Row {
        int n;
        TVariant t;
        TVariant d;
    };
    const Row rows[] = {{1, "Ab", TVariant::FromDate(EncodeDate(2026, 1, 1))},
                        {2, "ab", TVariant::FromDate(EncodeDate(2026, 6, 15))},
                        {3, "b", TVariant::FromDate(EncodeDate(2026, 6, 16))},
                        {4, TVariant::Null(), TVariant::Null()},
                        {5, "Приход", TVariant::FromDate(EncodeDate(2026, 12, 31))}};
    for (const Row& row : rows) {
        table->Append();
        table->FieldByName(QStringLiteral("N"))->SetAsInteger(row.n);
        table->FieldByName(QStringLiteral("T"))->SetAsVariant(row.t);
        table->FieldByName(QStringLiteral("D"))->SetAsVariant(row.d);
        table->Post();
    }
    return table;
}

struct FilterCase {
    const char* filter;
    bool caseInsensitive;
    const char* visibleN;
};

const FilterCase FilterCases[] = {
    {"N < 3", false, "1 2"},
    {"N <= 3", false, "1 2 3"},
    {"N > 2 AND N < 5", false, "3 4"},
    {"N = 1 OR N = 5", false, "1 5"},
    {"NOT (N = 2)", false, "1 3 4 5"},
    {"N <> 2", false, "1 3 4 5"},
    {"T = 'ab'", false, "2"},
    {"T = 'ab'", true, "1 2"},
    {"T = 'a*'", false, "2"},
    {"T = 'a*'", true, "1 2"},
    {"T <> 'b'", false, "1 2 5"},
    {"T IS NULL", false, "4"},
    {"T IS NOT NULL", false, "1 2 3 5"},
    {"UPPER(T) = 'AB'", false, "1 2"},
    {"LOWER(T) = 'приход'", false, "5"},
    {"T LIKE '%b'", false, "1 2 3"},
    {"T = 'Приход'", false, "5"},
    {"N * 2 = 6", false, "3"},
    {"N - 1 > 2", false, "4 5"},
    {"N / 2 = 2", false, "4"},
    {"-N < -4", false, "5"},
    {"N + 1 = 3", false, "2"},
    {"D >= '15.06.2026'", false, "2 3 5"},
    {"D < '15.06.2026' OR D IS NULL", false, "1 4"},
    {"T > 'a'", false, "2 3 5"},
};

TEST(MemTableFilter, TableOfExpressionsAgainstVisibleRows)
{
    auto table = MakeFilterTable();
    for (const FilterCase& c : FilterCases) {
        table->SetFilterOptions(c.caseInsensitive ? TFilterOptions(foCaseInsensitive) : TFilterOptions());
        table->SetFilter(QString::fromUtf8(c.filter));
        table->SetFiltered(true);
        EXPECT_EQ(Column(*table, QStringLiteral("N")), Words(c.visibleN)) << c.filter;
        EXPECT_EQ(table->RecordCount(), Words(c.visibleN).size()) << c.filter;
        EXPECT_FALSE(table->IsSequenced()) << c.filter;
        table->SetFiltered(false);
    }
}

TEST(MemTableFilter, FilterTextAppliesOnlyWhileFiltered)
{
    auto table = MakeFilterTable();
    table->SetFilter(QStringLiteral("N > 3"));
    EXPECT_EQ(table->RecordCount(), 5);
    EXPECT_TRUE(table->IsSequenced());
    table->SetFiltered(true);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("4 5"));
    table->SetFilter(QStringLiteral("N = 1"));
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1"));
    table->SetFiltered(false);
    EXPECT_EQ(table->RecordCount(), 5);
}

TEST(MemTableFilter, ChangedFilterOptionsApplyToTheCurrentFilter)
{
    auto table = MakeFilterTable();
    table->SetFilter(QStringLiteral("T = 'AB'"));
    table->SetFiltered(true);
    EXPECT_TRUE(table->IsEmpty());
    table->SetFilterOptions(foCaseInsensitive);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 2"));
}

TEST(MemTableFilter, FilterSetBeforeOpenIsParsedAtOpen)
{
    auto table = MakeTable();
    table->SetFilter(QStringLiteral("N >= 2"));
    table->SetFiltered(true);
    table->Open();
    for (int i = 1; i <= 3; ++i) AddRow(*table, i, "x");
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("2 3"));
}

TEST(MemTableFilter, BadFilterTextsAreRefused)
{
    auto table = MakeFilterTable();
    table->SetFiltered(true);
    EXPECT_EQ(ErrorOf([&] { table->SetFilter(QStringLiteral("Missing = 1")); }),
              QStringLiteral("Field 'Missing' not found"));
    EXPECT_FALSE(ErrorOf([&] { table->SetFilter(QStringLiteral("N = ")); }).isEmpty());
}

QString Terms(int count, const char* op)
{
    QStringList terms;
    for (int i = 1; i <= count; ++i) terms << QStringLiteral("N = %1").arg(i);
    return terms.join(QLatin1Char(' ') + QLatin1String(op) + QLatin1Char(' '));
}

// Filters nested or chained past what the parser takes are refused with its own error before
// they can exhaust the stack; up to there they filter as ever.
TEST(MemTableFilter, DeepOrLongFiltersAreRefusedAndTheRestFilter)
{
    const QString tooDeep = QStringLiteral("the expression is nested more than 256 levels deep");
    const struct {
        const char* name;
        QString filter;
        const char* visibleN;  // or, when empty, the part of the error
        QString error;
    } cases[] = {
        {"200 parentheses", QString(200, u'(') + QStringLiteral("N = 1") + QString(200, u')'), "1", {}},
        {"5,000 parentheses", QString(5000, u'(') + QStringLiteral("N = 1") + QString(5000, u')'), "", tooDeep},
        {"200 NOTs", QStringLiteral("NOT ").repeated(200) + QStringLiteral("N = 1"), "1", {}},
        {"100,000 NOTs", QStringLiteral("NOT ").repeated(100000) + QStringLiteral("N = 1"), "", tooDeep},
        {"200 signs", QStringLiteral("N = ") + QStringLiteral("- ").repeated(200) + QStringLiteral("2"), "2", {}},
        {"100,000 signs", QStringLiteral("N = ") + QString(100000, u'-') + QStringLiteral("2"), "", tooDeep},
        {"100,000 signs of a field", QStringLiteral("2 = ") + QString(100000, u'-') + QStringLiteral("N"), "", tooDeep},
        {"200 OR terms", Terms(200, "OR"), "1 2 3 4 5", {}},
        {"100,000 OR terms", Terms(100000, "OR"), "", tooDeep},
        {"100,000 AND terms in parentheses", u'(' + Terms(100000, "AND") + u')', "", tooDeep},
        {"100,000 additions", QStringLiteral("N = 0") + QStringLiteral(" + 0").repeated(100000), "", tooDeep},
        {"100,000 calls", QStringLiteral("UPPER(").repeated(100000) + QStringLiteral("T") + QString(100000, u')') +
                              QStringLiteral(" = 'B'"),
         "", tooDeep},
        {"a negated True", QStringLiteral("N = -True OR N = 2"), "1 2", {}},
        {"products past the 64-bit range", QStringLiteral("N * 2147483647 * 2147483647 * 2147483647 > 0"), "1 2 3 4 5",
         {}},
        {"a NUL in a text constant", QStringLiteral("T = 'Ab") + QChar(0) + QStringLiteral("x'"), "",
         QStringLiteral("a text constant cannot hold the character NUL")},
    };
    auto table = MakeFilterTable();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        table->SetFiltered(false);
        const QString error = ErrorOf([&] {
            table->SetFilter(c.filter);
            table->SetFiltered(true);
        });
        if (c.error.isEmpty()) {
            EXPECT_EQ(error, QString());
            EXPECT_EQ(Column(*table, QStringLiteral("N")), Words(c.visibleN));
        } else {
            EXPECT_TRUE(error.contains(c.error)) << error.toStdString();
        }
    }
}

TEST(MemTableFilter, OnFilterRecordHidesRowsAndSeesTheirValues)
{
    auto table = MakeFilterTable();
    table->OnFilterRecord = [](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName(QStringLiteral("N"))->AsInteger() % 2 == 1;
    };
    EXPECT_EQ(table->RecordCount(), 5);
    table->SetFiltered(true);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 3 5"));
    table->SetFilter(QStringLiteral("N > 1"));
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("3 5"));
}

TEST(MemTableFilter, LocateWithPartialKeyAndCase)
{
    auto table = MakeFilterTable();
    EXPECT_TRUE(table->Locate(QStringLiteral("T"), "a", TLocateOptions(loPartialKey) | loCaseInsensitive));
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("Ab"));
    table->Last();
    EXPECT_FALSE(table->Locate(QStringLiteral("T"), "a", {}));
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 5);
    EXPECT_TRUE(table->Locate(QStringLiteral("T"), "AB", loCaseInsensitive));
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 1);
    EXPECT_TRUE(table->Locate(QStringLiteral("N;T"), TVariant::Array({3, "b"}), {}));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_TRUE(table->Locate(QStringLiteral("T"), TVariant::Null(), {}));
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
}

TEST(MemTableFilter, LocateAndLookupSkipHiddenRows)
{
    auto table = MakeFilterTable();
    table->SetFilter(QStringLiteral("N > 1"));
    table->SetFiltered(true);
    EXPECT_TRUE(table->Locate(QStringLiteral("T"), "ab", loCaseInsensitive));
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 2);
    EXPECT_TRUE(table->Lookup(QStringLiteral("N"), 1, QStringLiteral("T")).IsNull());
    EXPECT_EQ(table->Lookup(QStringLiteral("N"), 5, QStringLiteral("T")).AsString(), QStringLiteral("Приход"));
    const TVariant both = table->Lookup(QStringLiteral("N"), 3, QStringLiteral("T;N"));
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both[0].AsString(), QStringLiteral("b"));
    EXPECT_FALSE(table->Locate(QStringLiteral("N"), 1, {}));
}

TEST(MemTableFilter, BadKeyValuesAreRefused)
{
    auto table = MakeFilterTable();
    EXPECT_EQ(ErrorOf([&] { table->Locate(QStringLiteral("N;T"), 1, {}); }), QStringLiteral("More fields than values"));
    EXPECT_EQ(ErrorOf([&] { table->Locate(QStringLiteral("N"), TVariant::Array({TVariant::Array({1})}), {}); }),
              QStringLiteral("Values variant array has invalid dimension count"));
    EXPECT_EQ(ErrorOf([&] { table->Locate(QString(), 1, {}); }), QStringLiteral("There must be at least one field"));
}

TEST(MemTableFilter, BooleanDecimalAndByteKeysAreFoundByValue)
{
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("B"), ftBoolean);
    table.FieldDefs().Add(QStringLiteral("X"), ftBCD, 2);
    table.FieldDefs().Add(QStringLiteral("Y"), ftBytes, 2);
    table.FieldDefs().Add(QStringLiteral("K"), ftInteger);
    table.Open();
    for (int i = 0; i < 4; ++i) {
        table.Append();
        table.FieldByName(QStringLiteral("B"))->SetAsBoolean(i == 2);
        table.FieldByName(QStringLiteral("X"))->SetAsString(QStringLiteral("%1.5").arg(i));
        table.FieldByName(QStringLiteral("Y"))->SetAsBytes(QByteArray(2, char('a' + i)));
        table.FieldByName(QStringLiteral("K"))->SetAsInteger(i);
        table.Post();
    }
    EXPECT_TRUE(table.Locate(QStringLiteral("B"), true, {}));
    EXPECT_EQ(table.FieldByName(QStringLiteral("K"))->AsInteger(), 2);
    EXPECT_TRUE(table.Locate(QStringLiteral("X"), "3.50", {}));
    EXPECT_EQ(table.FieldByName(QStringLiteral("K"))->AsInteger(), 3);
    EXPECT_TRUE(table.Locate(QStringLiteral("X"), 1.5, {}));
    EXPECT_EQ(table.FieldByName(QStringLiteral("K"))->AsInteger(), 1);
    EXPECT_TRUE(table.Locate(QStringLiteral("Y"), QByteArray("bb"), {}));
    EXPECT_EQ(table.FieldByName(QStringLiteral("K"))->AsInteger(), 1);
    EXPECT_FALSE(table.Locate(QStringLiteral("Y"), QByteArray("zz"), {}));
}

TEST(MemTableFilter, VersionedDeletesAreHiddenFromBrowsingAndCounts)
{
    auto table = MakeTable();
    table->SetEnableVersioning(true);
    table->Open();
    for (int i = 1; i <= 3; ++i) AddRow(*table, i, "x");
    EXPECT_EQ(table->UpdateStatus(), usInserted);
    EXPECT_TRUE(table->IsSequenced());
    table->SetRecNo(2);
    table->Delete();
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 3"));
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_FALSE(table->IsSequenced());
    EXPECT_EQ(table->RowStore().RowCount(), 3);
    EXPECT_FALSE(table->Locate(QStringLiteral("N"), 2, {}));
    table->SetStatusFilter(mtusDeleted);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("2"));
    EXPECT_EQ(table->UpdateStatus(), usDeleted);
    table->SetStatusFilter({});
    EXPECT_EQ(table->RecordCount(), 2);
}

TEST(MemTableFilter, FindNextStepsOverHiddenRows)
{
    auto table = MakeFilterTable();
    table->SetFilter(QStringLiteral("N <> 2 AND N <> 3"));
    table->SetFiltered(true);
    EXPECT_TRUE(table->FindFirst());
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 1);
    EXPECT_TRUE(table->FindNext());
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
    EXPECT_TRUE(table->FindLast());
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 5);
    EXPECT_FALSE(table->FindNext());
    EXPECT_TRUE(table->FindPrior());
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
}

}  // namespace
