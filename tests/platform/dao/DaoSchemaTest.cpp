// Table definitions, fields, indexes and saved queries as the catalogue keeps them.

#include "DaoTestFixture.h"

namespace daotest {
namespace {

class DaoSchemaTest : public DaoFixture {};

TEST_F(DaoSchemaTest, TableDefsListUserTablesAndFlagSystemOnes)
{
    auto db = MakeShop();
    auto& defs = db->TableDefs();
    QStringList user;
    int system = 0;
    for (const auto& t : defs) {
        if (t->Attributes() & dbSystemObject)
            ++system;
        else
            user << t->Name();
    }
    EXPECT_EQ(user, QStringList{QStringLiteral("parts")});
    EXPECT_GE(system, 3);
    auto parts = defs[QStringLiteral("PARTS")];
    EXPECT_EQ(parts->Fields().Count(), 7);
    EXPECT_EQ(parts->RecordCount(), 5);
    EXPECT_FALSE(parts->DateCreated().IsNull());
    EXPECT_EQ(ErrorOf([&] { defs[QStringLiteral("nope")]; }), errFieldNotFound);
}

// The figures an index is given guide the planner of every connection opened after, whatever
// few rows the file holds; they are no table of the program's.
TEST_F(DaoSchemaTest, IndexStatisticsGuideThePlanFromTheNextConnection)
{
    auto db = MakeShop();
    auto parts = db->TableDefs()[QStringLiteral("parts")];
    auto byQty = parts->CreateIndex(QStringLiteral("ByQty"));
    byQty->Fields().Append(byQty->CreateField(QStringLiteral("qty")));
    parts->Indexes().Append(byQty);
    const auto planAfter = [&](qint64 perName, qint64 perQty) {
        db->SetIndexStatistics(QStringLiteral("parts"), QStringLiteral("ByName"), 100000, {perName});
        db->SetIndexStatistics(QStringLiteral("PARTS"), QStringLiteral("byqty"), 100000, {perQty});
        db->Close();
        db = Open();
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db->GetStore()->Db(),
                                     "EXPLAIN QUERY PLAN SELECT id FROM parts WHERE name = 'x' AND qty = 5", -1, &s,
                                     nullptr),
                  SQLITE_OK);
        QString plan;
        while (sqlite3_step(s) == SQLITE_ROW)
            plan += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 3)));
        sqlite3_finalize(s);
        return plan;
    };
    EXPECT_TRUE(planAfter(50000, 2).contains(QLatin1String("ByQty"))) << planAfter(50000, 2).toStdString();
    EXPECT_TRUE(planAfter(1, 20000).contains(QLatin1String("ByName"))) << planAfter(1, 20000).toStdString();
    EXPECT_EQ(ErrorOf([&] { db->SetIndexStatistics(QStringLiteral("parts"), QStringLiteral("nosuch"), 1, {1}); }),
              errNotInCollection);
    QStringList user;
    for (const auto& t : db->TableDefs())
        if (!(t->Attributes() & dbSystemObject))
            user << t->Name();
    EXPECT_EQ(user, QStringList{QStringLiteral("parts")});
    db->Close();
    auto readOnly = Open(QString(), false, true);
    EXPECT_EQ(ErrorOf([&] { readOnly->SetIndexStatistics(QStringLiteral("parts"), QStringLiteral("ByName"), 1, {1}); }),
              errReadOnlyDatabase);
}

TEST_F(DaoSchemaTest, FieldsAndIndexesReadBackAsDefined)
{
    MakeShop()->Close();
    auto db = Open();
    auto parts = db->TableDefs()[QStringLiteral("parts")];
    struct FieldCase {
        const char* name;
        int type;
        int size;
        int attributes;
        bool required;
    };
    const std::vector<FieldCase> cases = {
        {"id", dbLong, 4, dbAutoIncrField | dbFixedField, false},
        {"name", dbText, 20, dbVariableField | dbUpdatableField, true},
        {"price", dbCurrency, 8, dbFixedField | dbUpdatableField, false},
        {"active", dbBoolean, 1, dbFixedField | dbUpdatableField, false},
        {"note", dbMemo, 0, dbVariableField | dbUpdatableField, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& f = parts->Fields()[QString::fromLatin1(c.name)];
        EXPECT_EQ(f->Type(), c.type);
        EXPECT_EQ(f->Size(), c.size);
        EXPECT_EQ(f->Attributes(), c.attributes);
        EXPECT_EQ(f->Required(), c.required);
    }
    EXPECT_EQ(parts->Fields()[QStringLiteral("name")]->Property(QStringLiteral("Caption")).AsString(), QStringLiteral("Part name"));
    ASSERT_EQ(parts->Indexes().Count(), 2);
    const auto& pk = parts->Indexes()[QStringLiteral("PrimaryKey")];
    EXPECT_TRUE(pk->Primary());
    EXPECT_TRUE(pk->Unique());
    EXPECT_EQ(pk->Fields()[0]->Name(), QStringLiteral("id"));
    EXPECT_FALSE(parts->Indexes()[QStringLiteral("ByName")]->Unique());
}

TEST_F(DaoSchemaTest, AppendingToAStoredTableChangesItAtOnce)
{
    auto db = MakeShop();
    auto parts = db->TableDefs()[QStringLiteral("parts")];
    auto ix = parts->CreateIndex(QStringLiteral("ByQtyDesc"));
    auto qty = ix->CreateField(QStringLiteral("qty"));
    qty->SetAttributes(dbDescending);
    ix->Fields().Append(qty);
    ix->SetUnique(true);
    parts->Indexes().Append(ix);
    auto code = parts->CreateField(QStringLiteral("code"), dbText, 8);
    parts->Fields().Append(code);
    code->SetProperty(QStringLiteral("Format"), TVariant(">"));

    auto bad = parts->CreateIndex(QStringLiteral("Broken"));
    bad->Fields().Append(bad->CreateField(QStringLiteral("no_such_field")));
    EXPECT_EQ(ErrorOf([&] { parts->Indexes().Append(bad); }), errFieldNotFound);
    EXPECT_EQ(ErrorOf([&] { parts->Fields().Append(parts->CreateField(QStringLiteral("NAME"))); }), errNameInUse);

    db->Close();
    auto again = Open();
    auto t = again->TableDefs()[QStringLiteral("parts")];
    EXPECT_TRUE(t->Indexes().Contains(QStringLiteral("ByQtyDesc")));
    EXPECT_EQ(t->Indexes()[QStringLiteral("ByQtyDesc")]->Fields()[0]->Attributes() & dbDescending, int(dbDescending));
    EXPECT_EQ(t->Fields()[QStringLiteral("code")]->Property(QStringLiteral("Format")).AsString(), QStringLiteral(">"));
    auto rs = again->OpenRecordset(QStringLiteral("parts"), dbOpenTable);
    rs->SetIndex(QStringLiteral("ByQtyDesc"));
    EXPECT_EQ(rs->Fields()[QStringLiteral("name")]->Value().AsString(), QStringLiteral("Spark plug"));
    // A unique index refuses a second row with the same key.
    rs->MoveLast();
    rs->Edit();
    rs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(100));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), errDuplicateKey);
}

TEST_F(DaoSchemaTest, ChangedFieldRulesHoldForSqlAndRecordsetsAlike)
{
    auto db = MakeShop();
    db->Execute(QStringLiteral("DELETE FROM parts WHERE id = 5"));
    auto name = db->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("name")];
    EXPECT_EQ(ErrorOf([&] { db->Execute(QStringLiteral("INSERT INTO parts (qty) VALUES (2)")); }), errRequired);
    name->SetRequired(false);
    name->SetAllowZeroLength(true);
    db->Execute(QStringLiteral("INSERT INTO parts (qty, name) VALUES (2, '')"));
    db->Execute(QStringLiteral("INSERT INTO parts (qty) VALUES (3)"));
    auto rs = db->OpenRecordset(QStringLiteral("SELECT id, name FROM parts WHERE qty > 1 AND qty < 4 ORDER BY id"));
    EXPECT_EQ(rs->Fields()[0]->Value().AsInteger(), 6);  // the deleted row's key stays unused
    EXPECT_EQ(rs->Fields()[1]->Value().AsString(), QString());
    auto qty = db->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("qty")];
    qty->SetDefaultValue(QStringLiteral("7"));
    db->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('x')"));
    auto last = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    last->MoveLast();
    EXPECT_EQ(last->Fields()[QStringLiteral("qty")]->Value().AsInteger(), 7);
    EXPECT_EQ(last->Fields()[QStringLiteral("id")]->Value().AsInteger(), 8);
    // The index by name is there again.
    auto t = db->OpenRecordset(QStringLiteral("parts"), dbOpenTable);
    t->SetIndex(QStringLiteral("ByName"));
    t->Seek(QStringLiteral("="), {TVariant("spark plug")});
    EXPECT_FALSE(t->NoMatch());
}

// A stored text field takes a new size as Jet's ALTER COLUMN gives it: every row, key and the
// counter's next value kept, the index still there; a size a stored value does not fit is
// refused and changes nothing.
TEST_F(DaoSchemaTest, AStoredTextFieldIsResizedWithItsRowsKept)
{
    auto db = MakeShop();
    const QString longName = QStringLiteral("Маслен филтър за дизел");  // 22 characters
    EXPECT_EQ(ErrorOf([&] { db->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('%1')").arg(longName)); }),
              errFieldTooLong);
    auto name = db->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("name")];
    name->SetSize(30);
    db->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('%1')").arg(longName));
    EXPECT_EQ(ErrorOf([&] { name->SetSize(5); }), errFieldTooLong);
    EXPECT_EQ(name->Size(), 30);
    EXPECT_EQ(ErrorOf([&] { name->SetSize(0); }), errInvalidArgument);
    auto price = db->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("price")];
    EXPECT_EQ(ErrorOf([&] { price->SetSize(4); }), errInvalidOperation);
    db->Close();

    auto again = Open();
    auto parts = again->TableDefs()[QStringLiteral("parts")];
    EXPECT_EQ(parts->Fields()[QStringLiteral("name")]->Size(), 30);
    EXPECT_TRUE(parts->Fields()[QStringLiteral("name")]->Required());
    EXPECT_EQ(parts->Fields()[QStringLiteral("name")]->Property(QStringLiteral("Caption")).AsString(),
              QStringLiteral("Part name"));
    auto rs = again->OpenRecordset(QStringLiteral("SELECT id, name FROM parts ORDER BY id"));
    EXPECT_EQ(Names(*rs).size(), 6);
    rs->MoveLast();
    EXPECT_EQ(rs->Fields()[0]->Value().AsInteger(), 6);
    EXPECT_EQ(rs->Fields()[1]->Value().AsString(), longName);
    again->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('x')"));
    auto t = again->OpenRecordset(QStringLiteral("parts"), dbOpenTable);
    t->SetIndex(QStringLiteral("ByName"));
    t->Seek(QStringLiteral("="), {TVariant("x")});
    ASSERT_FALSE(t->NoMatch());
    EXPECT_EQ(t->Fields()[QStringLiteral("id")]->Value().AsInteger(), 7);
    t->Close();
    again->Close();

    auto readOnly = Open(QString(), false, true);
    EXPECT_EQ(ErrorOf([&] { readOnly->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("name")]->SetSize(40); }),
              errReadOnlyDatabase);
    EXPECT_EQ(readOnly->TableDefs()[QStringLiteral("parts")]->Fields()[QStringLiteral("name")]->Size(), 30);
}

TEST_F(DaoSchemaTest, TableNamesAreChecked)
{
    auto db = MakeShop();
    auto dup = db->CreateTableDef(QStringLiteral("Parts"));
    dup->Fields().Append(dup->CreateField(QStringLiteral("x"), dbLong));
    EXPECT_EQ(ErrorOf([&] { db->TableDefs().Append(dup); }), errObjectExists);
    auto empty = db->CreateTableDef(QStringLiteral("empty"));
    EXPECT_NE(ErrorOf([&] { db->TableDefs().Append(empty); }), 0);
    auto spaced = db->CreateTableDef(QStringLiteral("order lines"));
    spaced->Fields().Append(spaced->CreateField(QStringLiteral("line no"), dbInteger));
    db->TableDefs().Append(spaced);
    EXPECT_TRUE(spaced->Appended());
    db->Execute(QStringLiteral("INSERT INTO [order lines] ([line no]) VALUES (3)"));
    EXPECT_EQ(db->OpenRecordset(QStringLiteral("order lines"))->Fields()[0]->Value().AsInteger(), 3);
    db->TableDefs().Delete(QStringLiteral("order lines"));
    EXPECT_FALSE(db->TableDefs().Contains(QStringLiteral("order lines")));
}

TEST_F(DaoSchemaTest, SavedQueriesKeepTextAndType)
{
    auto db = MakeShop();
    struct QueryCase {
        const char* name;
        const char* sql;
        int type;
    };
    const std::vector<QueryCase> cases = {
        {"q_select", "SELECT * FROM parts", dbQSelect},
        {"q_params", "PARAMETERS [n] Long; SELECT * FROM parts WHERE qty > [n]", dbQSelect},
        {"q_update", "UPDATE parts SET qty = 0", dbQUpdate},
        {"q_delete", "DELETE * FROM parts WHERE qty = 0", dbQDelete},
        {"q_insert", "INSERT INTO parts (name) VALUES ('x')", dbQAppend},
        {"q_make", "SELECT * INTO backup FROM parts", dbQMakeTable},
    };
    for (const auto& c : cases)
        db->CreateQueryDef(QString::fromLatin1(c.name), QString::fromLatin1(c.sql));
    db->Close();
    auto again = Open();
    auto& defs = again->QueryDefs();
    ASSERT_EQ(defs.Count(), int(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(defs[int(i)]->Name(), QString::fromLatin1(cases[i].name));
        EXPECT_EQ(defs[int(i)]->SQL(), QString::fromLatin1(cases[i].sql));
        EXPECT_EQ(defs[int(i)]->Type(), cases[i].type);
    }
    EXPECT_EQ(ErrorOf([&] { again->CreateQueryDef(QStringLiteral("Q_SELECT"), QStringLiteral("SELECT 1")); }), errObjectExists);
    defs[QStringLiteral("q_select")]->SetSQL(QStringLiteral("SELECT name FROM parts"));
    again->Execute(QStringLiteral("q_update"));
    EXPECT_EQ(again->RecordsAffected(), 5);
    again->Close();
    EXPECT_EQ(Open()->QueryDefs()[QStringLiteral("q_select")]->SQL(), QStringLiteral("SELECT name FROM parts"));
}

}  // namespace
}  // namespace daotest
