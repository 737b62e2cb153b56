#include "DataAccessFixture.h"

#include "platform/dao/DaoIndex.h"
#include "platform/toolkit/DateTime.h"

namespace {

using namespace datest;

TEST(DaoCriteria, ComparisonsByValueType)
{
    const QString failure = QStringLiteral("Unable to build Key SQL!");
    const QString day = DateTimeToStr(EncodeDate(2024, 2, 29));
    struct Case {
        TFieldType type;
        bool guid;
        QString value;
        TLocateOptions options;
        QString comparison;  // empty: raises the failure
    };
    const Case cases[] = {
        {ftString, false, QStringLiteral("NULL"), {}, QStringLiteral(" = \"NULL\"")},
        {ftInteger, false, QStringLiteral("NULL"), {}, QString()},
        {ftString, false, QString(), {}, QStringLiteral(" = \"\"")},
        {ftString, false, QStringLiteral("say \"hi\""), {}, QStringLiteral(" = \"say \"\"hi\"\"\"")},
        {ftString, false, QStringLiteral("x\") OR (1=1"), {}, QStringLiteral(" = \"x\"\") OR (1=1\"")},
        {ftString, false, QStringLiteral("Ab"), loCaseInsensitive, QStringLiteral(" = LCASE(\"ab\")")},
        {ftString, false, QStringLiteral("Ab"), loPartialKey, QStringLiteral(" LIKE \"Ab*\"")},
        {ftString, false, QStringLiteral("A*b"), loPartialKey, QStringLiteral(" LIKE \"A[*]b*\"")},
        {ftString, false, QStringLiteral("[x]?#"), loPartialKey, QStringLiteral(" LIKE \"[[]x][?][#]*\"")},
        {ftString, false, QStringLiteral("say \"*"), loPartialKey, QStringLiteral(" LIKE \"say \"\"[*]*\"")},
        {ftMemo, false, QStringLiteral("Ab"), loPartialKey | loCaseInsensitive, QStringLiteral(" LIKE LCASE(\"ab*\")")},
        {ftInteger, false, QStringLiteral("15"), loPartialKey, QStringLiteral(" = 15")},
        {ftInteger, false, QString(), {}, QStringLiteral(" IS NULL")},
        {ftInteger, false, QStringLiteral("15 OR 1=1"), {}, QString()},
        {ftFloat, false, QStringLiteral("2,5"), {}, QStringLiteral(" = 2.5")},
        {ftCurrency, false, QStringLiteral("1234.75"), {}, QStringLiteral(" = 1234.75")},
        {ftBoolean, false, QStringLiteral("True"), {}, QStringLiteral(" = True")},
        {ftBoolean, false, QStringLiteral("no"), {}, QStringLiteral(" = False")},
        {ftBoolean, false, QStringLiteral("maybe"), {}, QString()},
        {ftDate, false, day, {}, QStringLiteral(" = #02/29/2024#")},
        {ftDate, false, QStringLiteral("not a day"), {}, QString()},
        {ftBytes, true, QStringLiteral("{00112233-4455-6677-8899-aabbccddeeff}"), {},
         QStringLiteral(" = {guid {00112233-4455-6677-8899-AABBCCDDEEFF}}")},
        {ftBytes, false, QStringLiteral("a\"b"), {}, QStringLiteral(" = \"a\"\"b\"")},
        {ftBlob, false, QStringLiteral("x"), {}, QString()},
        {ftGraphic, false, QStringLiteral("x"), {}, QString()},
    };
    const QLocale bulgarian(QStringLiteral("bg_BG"));
    for (const Case& c : cases) {
        QString value = c.value;
        const QString message = ErrorOf([&] {
            EXPECT_EQ(KeyComparison(c.type, c.guid, value, c.options, failure, bulgarian), c.comparison) << c.value.toStdString();
        });
        EXPECT_EQ(message, c.comparison.isEmpty() ? failure : QString()) << c.value.toStdString();
    }
}

TEST(DaoCriteria, FieldTextsCompareByType)
{
    struct Case {
        TFieldType type;
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {ftString, "abc", "ABD", -1},       {ftInteger, "9", "10", -1},        {ftSmallint, "-2", "1", -1},
        {ftFloat, "10.5", "9.75", 1},       {ftFloat, "x", "1", 0},            {ftBoolean, "True", "false", 1},
        {ftBoolean, "TRUE", "true", 0},     {ftDate, "739000 0", "99999 0", 1}, {ftDateTime, "739000 900", "739000 80000", -1},
        {ftTime, "693594 5000", "693594 5000", 0}, {ftBlob, "a", "b", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareFieldText(QString::fromLatin1(c.a), QString::fromLatin1(c.b), c.type), c.sign)
            << c.a << " " << c.b;
}

// clients(id counter, name text 40 indexed, city text 20) with Cyrillic names in mixed case.
class DaoTableSearchTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShopAndConnect([](dao::Database& db) { AddClients(db); });
    }

    static void AddClients(dao::Database& db)
    {
        auto td = CounterTable(db, QStringLiteral("clients"));
        td->Fields().Append(td->CreateField(QStringLiteral("name"), dao::dbText, 40));
        td->Fields().Append(td->CreateField(QStringLiteral("city"), dao::dbText, 20));
        auto byName = td->CreateIndex(QStringLiteral("ByNameCity"));
        byName->Fields().Append(byName->CreateField(QStringLiteral("name")));
        byName->Fields().Append(byName->CreateField(QStringLiteral("city")));
        td->Indexes().Append(byName);
        db.TableDefs().Append(td);
        for (const char* row : {"'Иван Петров', 'София'", "'иванка', 'Варна'", "'Мария', 'Русе'", "'ПЕТЪР', 'София'"})
            db.Execute(QStringLiteral("INSERT INTO clients (name, city) VALUES (%1)").arg(QString::fromUtf8(row)),
                       dao::dbFailOnError);
    }

    QString Name(TDaoTable& table) { return table.FieldByName(QStringLiteral("name"))->AsString(); }
};

TEST_F(DaoTableSearchTest, FindKeyMatchesCyrillicPrefixesInAnyCase)
{
    auto table = Table(QStringLiteral("clients"));
    table->Open();
    table->SetKeyFields(QStringLiteral("name"));
    struct Case {
        const char* key;
        bool found;
        const char* name;
    };
    const Case cases[] = {
        {"ИВА", true, "Иван Петров"}, {"иванк", true, "иванка"}, {"мАр", true, "Мария"},
        {"петър", true, "ПЕТЪР"},     {"Жоро", false, "ПЕТЪР"},  {"*ров", false, "ПЕТЪР"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table->FindKey({QString::fromUtf8(c.key)}), c.found) << c.key;
        EXPECT_EQ(Name(*table), QString::fromUtf8(c.name)) << c.key;
    }
    table->SetKeyFields(QStringLiteral("id"));
    EXPECT_TRUE(table->FindKey({QStringLiteral("3")}));
    EXPECT_EQ(Name(*table), QStringLiteral("Мария"));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(ErrorOf([&] { table->FindKey({QStringLiteral("1"), QStringLiteral("2")}); }),
              QStringLiteral("List index out of bounds (1)"));
}

TEST_F(DaoTableSearchTest, LocateOverCyrillicTextByOptions)
{
    for (int type : {1, 2, 4}) {
        auto table = Table(QStringLiteral("clients"));
        table->SetTableType(type);
        table->Open();
        struct Case {
            const char* fields;
            TVariant values;
            TLocateOptions options;
            bool found;
            const char* name;
        };
        const Case cases[] = {
            {"name", TVariant(QStringLiteral("Мария")), {}, true, "Мария"},
            {"name", TVariant(QStringLiteral("мария")), loCaseInsensitive, true, "Мария"},
            {"name", TVariant(QStringLiteral("иван")), loCaseInsensitive | loPartialKey, true, "Иван Петров"},
            {"name;city", TVariant::Array({TVariant(QStringLiteral("ПЕТЪР")), TVariant(QStringLiteral("София"))}, 0), {},
             true, "ПЕТЪР"},
            {"name", TVariant(QStringLiteral("Янко")), loCaseInsensitive | loPartialKey, false, "ПЕТЪР"},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(table->Locate(QString::fromLatin1(c.fields), c.values, c.options), c.found) << type << c.fields;
            EXPECT_EQ(Name(*table), QString::fromUtf8(c.name)) << type << c.fields;
        }
        EXPECT_EQ(ErrorOf([&] { table->Locate(QStringLiteral("name;city"), TVariant(QStringLiteral("x")), {}); }),
                  QStringLiteral("Number of elements in the KeyValues array must be equal to the number of fields."));
    }
}

TEST_F(DaoTableSearchTest, LocateOnATableNeedsAnIndex)
{
    auto table = Table();
    table->SetTableType(1);
    table->SetAutoFindIndex(false);
    table->Open();
    EXPECT_EQ(ErrorOf([&] { table->Locate(QStringLiteral("kind"), TVariant(QStringLiteral("work")), {}); }),
              QStringLiteral("Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables"));
}

TEST_F(DaoTableSearchTest, NoSearchUnderAFilterEvent)
{
    auto table = Table(QStringLiteral("clients"));
    table->SetOnFilterRecord([](TDataSet*, bool& accept) { accept = true; });
    table->SetFiltered(true);
    table->Open();
    EXPECT_FALSE(table->Locate(QStringLiteral("name"), TVariant(QStringLiteral("Мария")), {}));
    EXPECT_FALSE(table->FindLastMatch(QStringLiteral("name"), TVariant(QStringLiteral("Мария")), {}));
    EXPECT_EQ(Name(*table), QStringLiteral("Иван Петров"));
    EXPECT_FALSE(table->FindFirst());  // no stored search
}

TEST_F(DaoTableSearchTest, KeyedFindsSearchFromTheCurrentRow)
{
    auto table = Table(QStringLiteral("clients"));
    table->Open();
    const TVariant sofia(QStringLiteral("софия"));
    EXPECT_TRUE(table->FindLastMatch(QStringLiteral("city"), sofia, loCaseInsensitive));
    EXPECT_EQ(Name(*table), QStringLiteral("ПЕТЪР"));
    EXPECT_TRUE(table->FindPriorMatch(QStringLiteral("city"), sofia, loCaseInsensitive));
    EXPECT_EQ(Name(*table), QStringLiteral("Иван Петров"));
    EXPECT_FALSE(table->FindPriorMatch(QStringLiteral("city"), sofia, loCaseInsensitive));
    EXPECT_EQ(Name(*table), QStringLiteral("Иван Петров"));
    EXPECT_TRUE(table->FindNextMatch(QStringLiteral("city"), sofia, loCaseInsensitive));
    EXPECT_EQ(Name(*table), QStringLiteral("ПЕТЪР"));
    table->SetFindRecordSearch(QStringLiteral("city"), sofia, loCaseInsensitive);
    EXPECT_TRUE(table->FindFirst());
    EXPECT_EQ(Name(*table), QStringLiteral("Иван Петров"));
}

TEST_F(DaoTableSearchTest, LookupAnswersAndPutsTheFilterBackOnEveryPath)
{
    auto table = Table(QStringLiteral("clients"));
    table->Open();
    table->Recordset()->SetFilter(QStringLiteral("[city] <> \"Русе\""));
    EXPECT_EQ(table->Lookup(QStringLiteral("name"), TVariant(QStringLiteral("иванка")), QStringLiteral("city")).AsString(),
              QStringLiteral("Варна"));
    const TVariant both = table->Lookup(QStringLiteral("id"), TVariant(4), QStringLiteral("name;city"));
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both[1].AsString(), QStringLiteral("София"));
    EXPECT_TRUE(table->Lookup(QStringLiteral("name"), TVariant(QStringLiteral("Нико")), QStringLiteral("city")).IsNull());
    EXPECT_EQ(table->Recordset()->Filter(), QStringLiteral("[city] <> \"Русе\""));
    // A value the engine cannot compare with the field fails, and the filter is still put back.
    EXPECT_FALSE(ErrorOf([&] { table->Lookup(QStringLiteral("id"), TVariant(QStringLiteral("x")), QStringLiteral("city")); }).isEmpty());
    EXPECT_EQ(table->Recordset()->Filter(), QStringLiteral("[city] <> \"Русе\""));
    EXPECT_EQ(ErrorOf([&] { table->Lookup(QStringLiteral("id"), TVariant(1), QStringLiteral("nosuch")); }),
              QStringLiteral("Invalid field name: nosuch"));
    EXPECT_EQ(ErrorOf([&] { table->Lookup(QStringLiteral("id"), TVariant(1), QString()); }),
              QStringLiteral("ResultFields are not defined"));
    EXPECT_EQ(Name(*table), QStringLiteral("Иван Петров"));
}

TEST_F(DaoTableSearchTest, RangesBoundEveryFieldThatHasAText)
{
    auto table = Table();
    table->Open();
    table->ApplyRange();  // blank range records: no range
    EXPECT_FALSE(table->RangeActive());
    EXPECT_EQ(table->RecordCount(), 5);
    table->SetRangeStart(QStringLiteral("qty"), QStringLiteral("2"));
    table->SetRangeEnd(QStringLiteral("qty"), QStringLiteral("50"));
    table->ApplyRange();
    EXPECT_TRUE(table->RangeActive());
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad"}));  // 9 < 10 < 50 as numbers
    table->SetRangeStart(QStringLiteral("qty"), QStringLiteral("1"));
    table->SetRangeEnd(QStringLiteral("qty"), QStringLiteral("100"));
    table->SetRangeStart(QStringLiteral("kind"), QStringLiteral("work"));
    table->ApplyRange();
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Oil change", "Wheel align"}));
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_FALSE(table->Locate(QStringLiteral("name"), TVariant(QStringLiteral("Brake pad")), {}));
}

// Names a user could type that the engine's LIKE would read as a pattern, and the text "NULL".
class DaoTableHostileKeyTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShopAndConnect([](dao::Database& db) {
            auto td = CounterTable(db, QStringLiteral("marks"));
            td->Fields().Append(td->CreateField(QStringLiteral("name"), dao::dbText, 20));
            auto byName = td->CreateIndex(QStringLiteral("ByName"));
            byName->Fields().Append(byName->CreateField(QStringLiteral("name")));
            td->Indexes().Append(byName);
            db.TableDefs().Append(td);
            for (const char* row : {"'x--y'", "'a1c'", "NULL", "'*star'", "'[x]'", "'a#'", "'NULL'", "'q?'", "'50%'"})
                db.Execute(QStringLiteral("INSERT INTO marks (name) VALUES (%1)").arg(QString::fromLatin1(row)),
                           dao::dbFailOnError);
        });
    }

    static int IdOf(TDaoTable& table) { return table.FieldByName(QStringLiteral("id"))->AsInteger(); }
};

struct HostileKey {
    const char* typed;
    int id;  // the row found, 0 for none
};

const HostileKey kHostileKeys[] = {
    {"[x]", 5}, {"[", 5}, {"a#", 6}, {"A#", 6}, {"*", 4}, {"*s", 4}, {"?", 0}, {"q?", 8},
    {"x-", 1},  {"a1", 2}, {"#", 0},  {"5", 9},  {"NULL", 7}, {"nul", 7}, {"]", 0},
};

TEST_F(DaoTableHostileKeyTest, FindKeyMatchesTheTypedCharactersAsAPrefix)
{
    auto table = Table(QStringLiteral("marks"));
    table->Open();
    table->SetKeyFields(QStringLiteral("name"));
    for (const HostileKey& k : kHostileKeys) {
        SCOPED_TRACE(k.typed);
        table->First();
        QString message = ErrorOf([&] { EXPECT_EQ(table->FindKey({QString::fromLatin1(k.typed)}), k.id != 0); });
        EXPECT_TRUE(message.isEmpty()) << message.toStdString();
        EXPECT_EQ(IdOf(*table), k.id != 0 ? k.id : 1);
    }
}

TEST_F(DaoTableHostileKeyTest, APartialLocateMatchesTheTypedCharactersAsAPrefix)
{
    for (int type : {2, 4}) {
        auto table = Table(QStringLiteral("marks"));
        table->SetTableType(type);
        table->Open();
        for (const HostileKey& k : kHostileKeys) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(type).arg(QString::fromLatin1(k.typed)).toStdString());
            table->First();
            const QString message = ErrorOf([&] {
                EXPECT_EQ(table->Locate(QStringLiteral("name"), TVariant(QString::fromLatin1(k.typed)),
                                        loPartialKey | loCaseInsensitive),
                          k.id != 0);
            });
            EXPECT_TRUE(message.isEmpty()) << message.toStdString();
            EXPECT_EQ(IdOf(*table), k.id != 0 ? k.id : 1);
        }
    }
}

TEST_F(DaoTableHostileKeyTest, OnlyANullValueFindsNull)
{
    for (int type : {1, 2, 4}) {
        SCOPED_TRACE(type);
        auto table = Table(QStringLiteral("marks"));
        table->SetTableType(type);
        table->Open();
        EXPECT_TRUE(table->Locate(QStringLiteral("name"), TVariant(QStringLiteral("NULL")), {}));
        EXPECT_EQ(IdOf(*table), 7);
        EXPECT_TRUE(table->Locate(QStringLiteral("name"), TVariant::Null(), {}));
        EXPECT_EQ(IdOf(*table), 3);
        if (type == 1)
            continue;  // a table-type recordset has no Lookup filter
        EXPECT_EQ(table->Lookup(QStringLiteral("name"), TVariant(QStringLiteral("NULL")), QStringLiteral("id")).AsInteger(), 7);
        EXPECT_EQ(table->Lookup(QStringLiteral("name"), TVariant::Null(), QStringLiteral("id")).AsInteger(), 3);
    }
    auto table = Table(QStringLiteral("marks"));
    table->Open();
    table->SetKeyFields(QStringLiteral("name"));
    EXPECT_TRUE(table->FindKey({QStringLiteral("NULL")}));
    EXPECT_EQ(IdOf(*table), 7);
    EXPECT_TRUE(table->FindKey({TVariant::Null()}));
    EXPECT_EQ(IdOf(*table), 3);
}

}  // namespace
