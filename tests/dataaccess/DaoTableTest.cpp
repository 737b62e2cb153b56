#include "DataAccessFixture.h"

#include "platform/dao/DaoIndex.h"
#include "platform/toolkit/Filer.h"
#include "platform/toolkit/Streams.h"

#include <QtEndian>

namespace {

using namespace datest;

class DaoTableTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShop();
        Connect();
    }

    static const QStringList& AllNames()
    {
        static const QStringList names = {"Brake pad", "Air filter", "Oil change", "Spark plug", "Wheel align"};
        return names;
    }

    // Adds a table through the engine while the component is disconnected.
    void AddTable(const std::function<void(dao::Database&)>& build)
    {
        database->SetConnected(false);
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.OpenDatabase(path);
        build(*db);
        db->Close();
        database->SetConnected(true);
    }
};

TEST_F(DaoTableTest, OpensATableAndReadsItsRows)
{
    auto table = Table();
    table->Open();
    EXPECT_TRUE(table->Active());
    EXPECT_TRUE(table->Name().startsWith(QStringLiteral("DaoTable_")));
    EXPECT_EQ(Column(*table, QStringLiteral("name")), AllNames());
    EXPECT_EQ(table->FieldByName(QStringLiteral("id"))->DataType(), ftAutoInc);
    EXPECT_TRUE(table->FieldByName(QStringLiteral("id"))->ReadOnly());
    EXPECT_EQ(table->FieldDefaults().at(2), QStringLiteral("1"));
    EXPECT_EQ(table->FieldDefaults().at(0), QString());
}

TEST_F(DaoTableTest, PropertyWritesAreRefusedOrTakeEffect)
{
    struct Case {
        const char* name;
        bool active;
        std::function<void(TDaoTable&)> write;
        const char* message;
        std::function<bool(TDaoTable&)> effect;
    };
    const auto always = [](TDaoTable&) { return true; };
    const Case cases[] = {
        {"Database while active", true, [](TDaoTable& t) { t.SetDatabase(nullptr); },
         "TDaoTable.F_Set_Database: Cannot set Database while Table is Active!",
         [this](TDaoTable& t) { return t.Database() == database.get(); }},
        {"TableName while active", true, [](TDaoTable& t) { t.SetTableName(QStringLiteral("x")); },
         "TDaoTable.F_Set_TableName: Cannot set TableName while Table is active!",
         [](TDaoTable& t) { return t.TableName() == QLatin1String("items"); }},
        {"QueryDefName while active", true, [](TDaoTable& t) { t.SetQueryDefName(QStringLiteral("three")); },
         "TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!",
         [](TDaoTable& t) { return t.QueryDefName().isEmpty(); }},
        {"TableType while active", true, [](TDaoTable& t) { t.SetTableType(4); },
         "TDaoTable.F_Set_TableType: Cannot set TableType while Table is active!",
         [](TDaoTable& t) { return t.TableType() == 2; }},
        {"LockType while active", true, [](TDaoTable& t) { t.SetLockType(2); },
         "TDaoTable.F_Set_LockType: Cannot set LockType while Table is active!",
         [](TDaoTable& t) { return t.LockType() == 3; }},
        {"ReadOnly while active", true, [](TDaoTable& t) { t.SetReadOnly(true); },
         "TDaoTable.F_Set_ReadOnly: Cannot set ReadOnly while table is Active!",
         [](TDaoTable& t) { return !t.ReadOnly(); }},
        {"IndexName on a dynaset", false, [](TDaoTable& t) { t.SetIndexName(QStringLiteral("PrimaryKey")); },
         "TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!",
         [](TDaoTable& t) { return t.IndexName().isEmpty(); }},
        {"IndexName on an open dynaset", true, [](TDaoTable& t) { t.SetIndexName(QStringLiteral("PrimaryKey")); },
         "TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!",
         [](TDaoTable& t) { return t.IndexName().isEmpty(); }},
        {"empty IndexName never raises", true, [](TDaoTable& t) { t.SetIndexName(QString()); }, "", always},
        {"ComponentVersion ignored", false, [](TDaoTable& t) { t.SetComponentVersion(QStringLiteral("1.0")); }, "",
         [](TDaoTable& t) { return t.ComponentVersion() == QLatin1String("7.20"); }},
        {"LockEdits ignored", false, [](TDaoTable& t) { t.SetLockEdits(true); }, "",
         [](TDaoTable& t) { return !t.LockEdits(); }},
        {"TableName empties SQL and sorting", false,
         [](TDaoTable& t) {
             t.SQL().SetText(QStringLiteral("SELECT * FROM items"));
             t.SortedBy().SetText(QStringLiteral("name"));
             t.SetTableName(QStringLiteral("items"));
         },
         "", [](TDaoTable& t) { return t.SQL().Count() == 0 && t.SortedBy().Count() == 0; }},
        {"empty TableName clears nothing else", false,
         [](TDaoTable& t) {
             t.SQL().SetText(QStringLiteral("SELECT * FROM items"));
             t.SetTableName(QString());
         },
         "", [](TDaoTable& t) { return t.TableName().isEmpty() && t.SQL().Count() == 1; }},
        {"QueryDefName reads the query and leaves table type", false,
         [](TDaoTable& t) {
             t.SetTableType(1);
             t.SQL().SetText(QStringLiteral("SELECT * FROM items"));
             t.SetQueryDefName(QStringLiteral("three"));
         },
         "",
         [](TDaoTable& t) {
             return t.TableType() == 2 && t.SQL().Count() == 0 && t.QueryDefSQLText().Text().contains("PARAMETERS")
                    && t.QueryDefType() == QLatin1String("dbQSelect");
         }},
        {"table type 1 empties sorting", false,
         [](TDaoTable& t) {
             t.SortedBy().SetText(QStringLiteral("name"));
             t.SetTableType(1);
         },
         "", [](TDaoTable& t) { return t.SortedBy().Count() == 0; }},
        {"forward-only empties sorting and forces read-only at open", false,
         [](TDaoTable& t) {
             t.SortedBy().SetText(QStringLiteral("name"));
             t.SetTableType(8);
             t.Open();
         },
         "", [](TDaoTable& t) { return t.SortedBy().Count() == 0 && t.ReadOnly(); }},
        {"IndexFieldCount of a table index", false,
         [](TDaoTable& t) {
             t.SetTableType(1);
             t.SetIndexName(QStringLiteral("PrimaryKey"));
         },
         "", [](TDaoTable& t) { return t.IndexFieldCount() == 1; }},
        {"IndexName on an open table re-orders it", false,
         [](TDaoTable& t) {
             t.SetTableType(1);
             t.Open();
             t.SetIndexName(QStringLiteral("PrimaryKey"));
         },
         "", [](TDaoTable& t) { return t.Active() && t.RecNo() == 1 && t.Recordset()->Index() == "PrimaryKey"; }},
        {"sorting an open table re-opens it sorted", true,
         [](TDaoTable& t) { t.SetSortedByText(QStringLiteral("name DESC")); },
         "", [](TDaoTable& t) { return t.FieldByName("name")->AsString() == QLatin1String("Wheel align"); }},
        {"CacheMemos on an open table re-opens it on the first row", true,
         [](TDaoTable& t) {
             t.MoveBy(2);
             t.SetCacheMemos(true);
         },
         "", [](TDaoTable& t) { return t.Active() && t.RecNo() == 1 && t.CacheMemos(); }},
        {"CacheMemos while loading only stores", true,
         [](TDaoTable& t) {
             t.MoveBy(2);
             t.BeginLoading();
             t.SetCacheMemos(true);
         },
         "", [](TDaoTable& t) { return t.RecNo() == 3 && t.CacheMemos(); }},
    };
    for (const auto& c : cases) {
        auto table = Table();
        if (c.active)
            table->Open();
        EXPECT_EQ(ErrorOf([&] { c.write(*table); }), QString::fromLatin1(c.message)) << c.name;
        EXPECT_TRUE(c.effect(*table)) << c.name;
    }
}

TEST_F(DaoTableTest, FilteredToTheSameValueDoesNotReopen)
{
    auto table = Table();
    table->Open();
    dao::Recordset* before = table->Recordset();
    table->SetFiltered(false);
    EXPECT_EQ(table->Recordset(), before);
    table->SetFiltered(true);  // with an empty filter: the same rows
    EXPECT_EQ(Column(*table, QStringLiteral("name")), AllNames());
    table->SetFilter(QStringLiteral("kind = 'work'"));
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Oil change", "Wheel align"}));
    table->SetFiltered(false);
    EXPECT_EQ(Column(*table, QStringLiteral("name")), AllNames());
}

TEST_F(DaoTableTest, ReadOnlyIsForcedByTheDatabaseAndBySnapshots)
{
    database->SetConnected(false);
    database->SetReadOnly(true);
    database->SetConnected(true);
    auto table = Table();
    table->SetReadOnly(false);
    EXPECT_TRUE(table->ReadOnly());
    database->SetConnected(false);
    database->SetReadOnly(false);
    database->SetConnected(true);
    auto snapshot = Table();
    snapshot->SetTableType(4);
    snapshot->Open();
    EXPECT_TRUE(snapshot->ReadOnly());
    EXPECT_FALSE(snapshot->CanModify());
}

TEST_F(DaoTableTest, OpenRefusalsSayWhy)
{
    TDaoTable none;
    none.SetTableName(QStringLiteral("items"));
    EXPECT_EQ(ErrorOf([&] { none.Open(); }), QStringLiteral("TDaoTable.OpenDaoRecordset: Missing Database Property"));
    EXPECT_FALSE(none.Active());
    auto empty = Table(QString());
    EXPECT_EQ(ErrorOf([&] { empty->Open(); }),
              QStringLiteral("TDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!"));
    auto dynamic = Table();
    dynamic->SetTableType(16);
    EXPECT_EQ(ErrorOf([&] { dynamic->Open(); }),
              QStringLiteral("TDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!"));
    database->SetConnected(false);
    auto closed = Table();
    EXPECT_EQ(ErrorOf([&] { closed->Open(); }), QStringLiteral("TDaoTable.OpenDaoRecordset: Database is NOT connected"));
    EXPECT_FALSE(closed->Active());
    closed->SetDatabaseAutoActivate(true);
    closed->Open();
    EXPECT_TRUE(database->Connected());
    EXPECT_TRUE(closed->Active());
    auto missing = Table(QStringLiteral("nosuch"));
    EXPECT_THROW(missing->Open(), EDaoError);
    EXPECT_FALSE(missing->Active());
    EXPECT_EQ(database->OpenTables().Count(), 1);
}

TEST_F(DaoTableTest, SourcePriorityIsQueryThenSqlThenTable)
{
    auto table = Table();
    table->SQL().SetText(QStringLiteral("SELECT name FROM items WHERE kind = 'work'"));
    table->Open();
    EXPECT_EQ(table->FieldCount(), 1);
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Oil change", "Wheel align"}));
    table->Close();

    table->SetQueryDefName(QStringLiteral("three"));
    table->SQL().SetText(QStringLiteral("SELECT name FROM items"));
    table->SetQueryDefParametersText(QStringLiteral("1\r\n2\r\npart"));
    table->Open();
    EXPECT_EQ(table->FieldCount(), 6);
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Air filter"}));
}

TEST_F(DaoTableTest, SavedQueryParametersCountAndNull)
{
    struct Case {
        const char* lines;
        const char* message;
        QStringList names;
    };
    const Case cases[] = {
        {"1\r\n5", "TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not in valid format!",
         {}},
        {"1\r\n5\r\nwork", "", {"Oil change", "Wheel align"}},
        {"1\r\n5\r\nwork\r\nsurplus", "", {"Oil change", "Wheel align"}},
        {"1\r\n5\r\nNULL", "", {}},
        {"one\r\n5\r\nwork", "TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not in "
                             "valid format!",
         {}},
    };
    for (const auto& c : cases) {
        auto table = Table(QString());
        table->SetQueryDefName(QStringLiteral("three"));
        table->SetQueryDefParametersText(QString::fromLatin1(c.lines));
        EXPECT_EQ(ErrorOf([&] { table->Open(); }), QString::fromLatin1(c.message)) << c.lines;
        EXPECT_EQ(table->Active(), QString::fromLatin1(c.message).isEmpty()) << c.lines;
        if (table->Active()) {
            EXPECT_EQ(Column(*table, QStringLiteral("name")), c.names) << c.lines;
        }
    }
}

TEST_F(DaoTableTest, RequeryTakesFreshQueryParameters)
{
    auto closed = Table();
    EXPECT_FALSE(closed->Requery());
    auto table = Table(QString());
    table->SetQueryDefName(QStringLiteral("three"));
    table->SetQueryDefParametersText(QStringLiteral("1\r\n5\r\nwork"));
    table->Open();
    table->SetQueryDefParametersText(QStringLiteral("1\r\n5\r\npart"));
    EXPECT_TRUE(table->Requery());
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Air filter", "Spark plug"}));
    table->SetQueryDefParametersText(QStringLiteral("1"));
    EXPECT_EQ(ErrorOf([&] { table->Requery(); }),
              QStringLiteral("TDaoTable.Requery: Invalid number of QueryDef parameters or parameter is not in valid format!"));
    auto plain = Table();
    plain->SetTableType(1);
    plain->Open();
    EXPECT_FALSE(plain->Requery());  // a table-type recordset does not restart
}

TEST_F(DaoTableTest, SqlParametersAreSubstitutedSafely)
{
    auto table = Table(QString());
    table->SQL().SetText(QStringLiteral("SELECT * FROM items WHERE name = :name OR made = :made"));
    ASSERT_EQ(table->Params().Count(), 2);
    table->Params().ParamByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Brake \"pad\""));
    table->Params().ParamByName(QStringLiteral("made"))->SetDataType(ftDate);
    EXPECT_EQ(table->SubstituteParams(table->SQL()),
              QStringLiteral("SELECT * FROM items WHERE name = \"Brake \"\"pad\"\"\" OR made IS NULL"));
    table->Open();
    EXPECT_EQ(Column(*table, QStringLiteral("name")), AllNames());  // every made is Null
    table->Close();
    table->SetParamCheck(false);
    EXPECT_EQ(table->SubstituteParams(table->SQL()),
              QStringLiteral("SELECT * FROM items WHERE name = :name OR made = :made"));
}

TEST_F(DaoTableTest, ExecSqlRunsActionsOnAConnectedDatabase)
{
    TDaoTable lone;
    TStringList del(QStringList{"DELETE * FROM items WHERE kind = 'work'"});
    EXPECT_EQ(ErrorOf([&] { lone.ExecSQL(del); }),
              QStringLiteral("TDaoTable.ExecSQL: Cannot execute SQL query while Database is not Assigned or Connected!"));
    EXPECT_EQ(ErrorOf([&] { lone.ExecuteSQL(); }),
              QStringLiteral("TDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or Connected!"));
    auto table = Table(QString());
    EXPECT_EQ(table->ExecSQL(del), 2);
    table->SQL().SetText(QStringLiteral("UPDATE items SET qty = 5 WHERE id = :id"));
    table->Params().ParamByName(QStringLiteral("id"))->SetAsInteger(1);
    EXPECT_EQ(table->ExecuteSQL(), 1);
    EXPECT_THROW(table->ExecSQL(TStringList(QStringList{"DELETE FROM nosuch"})), EDaoError);
}

TEST_F(DaoTableTest, EveryEngineTypeGetsItsFieldDefinition)
{
    struct Column {
        const char* name;
        int type;
        int size;
        const char* format;
        int attributes;
        TFieldType expected;
        int expectedSize;
    };
    const Column columns[] = {
        {"c_bool", dao::dbBoolean, 0, nullptr, 0, ftBoolean, 0},
        {"c_byte", dao::dbByte, 0, nullptr, 0, ftSmallint, 0},
        {"c_int", dao::dbInteger, 0, nullptr, 0, ftSmallint, 0},
        {"c_long", dao::dbLong, 0, nullptr, 0, ftInteger, 0},
        {"c_counter", dao::dbLong, 0, nullptr, dao::dbAutoIncrField, ftAutoInc, 0},
        {"c_money", dao::dbCurrency, 0, nullptr, 0, ftCurrency, 0},
        {"c_single", dao::dbSingle, 0, nullptr, 0, ftFloat, 0},
        {"c_double", dao::dbDouble, 0, nullptr, 0, ftFloat, 0},
        {"c_date", dao::dbDate, 0, nullptr, 0, ftDateTime, 0},
        {"c_short_date", dao::dbDate, 0, "Short Date", 0, ftDate, 0},
        {"c_medium_time", dao::dbDate, 0, "Medium Time", 0, ftTime, 0},
        {"c_general", dao::dbDate, 0, "General Date", 0, ftDateTime, 0},
        {"c_binary", dao::dbBinary, 8, nullptr, 0, ftBytes, 8},
        {"c_text", dao::dbText, 40, nullptr, 0, ftString, 40},
        {"c_blob", dao::dbLongBinary, 0, nullptr, 0, ftBlob, 0},
        {"c_memo", dao::dbMemo, 0, nullptr, 0, ftMemo, 0},
        {"c_guid", dao::dbGUID, 16, nullptr, 0, ftBytes, 16},
    };
    AddTable([&](dao::Database& db) {
        auto td = db.CreateTableDef(QStringLiteral("kinds"));
        for (const auto& c : columns) {
            auto f = td->CreateField(QString::fromLatin1(c.name), c.type, c.size);
            if (c.attributes)
                f->SetAttributes(c.attributes);
            if (c.format)
                f->SetProperty(QStringLiteral("Format"), TVariant(c.format));
            td->Fields().Append(f);
        }
        db.TableDefs().Append(td);
    });
    auto table = Table(QStringLiteral("kinds"));
    table->InitFieldDefs();  // opens the recordset for the occasion only
    EXPECT_FALSE(table->RecordsetOpen());
    ASSERT_EQ(table->FieldDefs().Count(), int(std::size(columns)));
    for (const auto& c : columns) {
        const TFieldDef* def = table->FieldDefs().Find(QString::fromLatin1(c.name));
        EXPECT_EQ(def->DataType(), c.expected) << c.name;
        EXPECT_EQ(def->Size(), c.expectedSize) << c.name;
        EXPECT_EQ(def->Precision(), c.type == dao::dbGUID ? 47554944 : 0) << c.name;
    }
    table->Open();
    EXPECT_EQ(table->FieldDefaults().at(4), QString());  // the counter gets no default
    EXPECT_EQ(table->FieldByName(QStringLiteral("c_guid"))->ValidChars(), QStringLiteral("-0123456789ABCDEFabcdef{}"));
}

TEST_F(DaoTableTest, EngineDefaultsBecomeDefaultTexts)
{
    AddTable([&](dao::Database& db) {
        auto td = db.CreateTableDef(QStringLiteral("defaults"));
        auto when = td->CreateField(QStringLiteral("when"), dao::dbDate);
        when->SetDefaultValue(QStringLiteral("#1/31/2005#"));
        td->Fields().Append(when);
        auto now = td->CreateField(QStringLiteral("now"), dao::dbDate);
        now->SetDefaultValue(QStringLiteral("Now()"));
        td->Fields().Append(now);
        auto text = td->CreateField(QStringLiteral("text"), dao::dbText, 10);
        text->SetDefaultValue(QStringLiteral("\"abc\""));
        td->Fields().Append(text);
        auto none = td->CreateField(QStringLiteral("none"), dao::dbText, 10);
        none->SetDefaultValue(QStringLiteral("null"));
        td->Fields().Append(none);
        db.TableDefs().Append(td);
    });
    auto table = Table(QStringLiteral("defaults"));
    table->Open();
    EXPECT_EQ(table->FieldDefaults(), QStringList({"731977 0", "", "abc", ""}));
    table->Close();
    table->SetUseDaoProperties(false);
    table->Open();
    EXPECT_EQ(table->FieldDefaults(), QStringList({"", "", "", ""}));
}

TEST_F(DaoTableTest, IndexDefinitionsComeFromTheEngine)
{
    AddTable([&](dao::Database& db) {
        auto td = db.TableDefs().Item(QStringLiteral("items"));
        auto index = td->CreateIndex(QStringLiteral("ByKindQty"));
        index->Fields().Append(index->CreateField(QStringLiteral("kind")));
        auto qty = index->CreateField(QStringLiteral("qty"));
        qty->SetAttributes(dao::dbDescending);
        index->Fields().Append(qty);
        td->Indexes().Append(index);
    });
    auto table = Table();
    table->SetTableType(1);
    table->Open();
    const TIndexDef* two = table->IndexDefs().FindIndex(QStringLiteral("ByKindQty"));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Fields(), QStringLiteral("kind;qty"));
    EXPECT_EQ(two->DescFields(), QStringLiteral("qty"));
    EXPECT_FALSE(two->Options().testFlag(ixDescending));
    const TIndexDef* pk = table->IndexDefs().FindIndex(QStringLiteral("PrimaryKey"));
    ASSERT_NE(pk, nullptr);
    EXPECT_TRUE(pk->Options().testFlag(ixPrimary));
    EXPECT_EQ(table->FindIndexForFields(QStringLiteral("!qty;kind")), QStringLiteral("ByKindQty"));
    EXPECT_EQ(table->FindIndexForFields(QStringLiteral("!kind")), QString());
    EXPECT_EQ(table->FindIndexForFields(QStringLiteral("kind")), QStringLiteral("ByKindQty"));
    auto dynaset = Table();
    dynaset->Open();
    EXPECT_EQ(dynaset->IndexDefs().Count(), 0);
}

TEST_F(DaoTableTest, AddingAnIndexDefinitionCreatesTheEngineIndex)
{
    auto table = Table();
    table->SetTableType(1);
    table->Open();
    table->MoveBy(2);
    table->IndexDefs().Add(QStringLiteral("ByName"), QStringLiteral("name"), ixDescending);
    EXPECT_TRUE(table->Active());
    auto engineIndexes = [&] {
        QStringList names;
        for (const auto& index : database->DatabaseObject()->TableDefs().Item(QStringLiteral("items"))->Indexes())
            names << index->Name();
        return names;
    };
    EXPECT_TRUE(engineIndexes().contains(QStringLiteral("ByName")));
    const TIndexDef* def = table->IndexDefs().FindIndex(QStringLiteral("ByName"));
    ASSERT_NE(def, nullptr);
    EXPECT_TRUE(def->Options().testFlag(ixDescending));
    // A field the table lacks: the definition only.
    table->IndexDefs().Add(QStringLiteral("ByColour"), QStringLiteral("colour"), TIndexOptions());
    EXPECT_NE(table->IndexDefs().FindIndex(QStringLiteral("ByColour")), nullptr);
    EXPECT_FALSE(engineIndexes().contains(QStringLiteral("ByColour")));
    // A table bound to a saved query: nothing at all.
    auto query = Table(QString());
    query->SetQueryDefName(QStringLiteral("three"));
    EXPECT_EQ(query->IndexDefs().Add(QStringLiteral("X"), QStringLiteral("name"), TIndexOptions()), nullptr);
    EXPECT_EQ(query->IndexDefs().Count(), 0);
}

TEST_F(DaoTableTest, AFailedReopenInASetterKeepsTheOldSettingsOrCloses)
{
    auto table = Table();
    table->Open();
    table->SetSortedByText(QStringLiteral("name"));
    EXPECT_FALSE(ErrorOf([&] { table->SetSortedByText(QStringLiteral("nosuch DESC")); }).isEmpty());
    ASSERT_TRUE(table->Active());
    ASSERT_NE(table->Recordset(), nullptr);
    EXPECT_TRUE(table->Recordset()->IsOpen());
    EXPECT_EQ(table->SortedByText(), QStringLiteral("name\r\n"));
    EXPECT_EQ(Column(*table, QStringLiteral("name")).first(), QStringLiteral("Air filter"));

    table->SetFilter(QStringLiteral("nosuch = 1"));
    EXPECT_FALSE(ErrorOf([&] { table->SetFiltered(true); }).isEmpty());
    EXPECT_FALSE(table->Filtered());
    ASSERT_TRUE(table->Active());
    EXPECT_TRUE(table->Recordset()->IsOpen());
    EXPECT_EQ(Column(*table, QStringLiteral("name")).size(), 5);
}

TEST_F(DaoTableTest, AMasterLinkRestrictsAnSqlSourceNotTheTable)
{
    auto master = Table(QString());
    master->SQL().SetText(QStringLiteral("SELECT kind FROM items WHERE id = 1"));
    master->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    auto detail = Table();
    detail->SQL().SetText(QStringLiteral("SELECT * FROM items WHERE qty >= 1"));
    detail->SetMasterSource(&source);
    detail->MasterFields().SetText(QStringLiteral("kind -> kind"));
    detail->Open();
    EXPECT_EQ(Column(*detail, QStringLiteral("name")), QStringList({"Brake pad", "Spark plug"}));
}

TEST_F(DaoTableTest, AMasterLinkOnATableSelectsItsRows)
{
    auto master = Table(QString());
    master->SQL().SetText(QStringLiteral("SELECT kind FROM items WHERE id = 3"));
    master->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    auto detail = Table();
    detail->SetMasterSource(&source);
    detail->MasterFields().SetText(QStringLiteral("kind -> kind"));
    detail->Open();
    EXPECT_EQ(Column(*detail, QStringLiteral("name")), QStringList({"Oil change", "Wheel align"}));
}

TEST_F(DaoTableTest, RemovingTheDatabaseClosesItsTablesFirst)
{
    auto table = Table();
    table->Open();
    database.reset();
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->Database(), nullptr);
    EXPECT_EQ(table->Recordset(), nullptr);
}

TEST_F(DaoTableTest, AFailedOpenWhileLoadingGoesToTheExceptionHandler)
{
    QStringList handled;
    SetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            handled << e.Message();
        }
    });
    auto table = Table(QStringLiteral("nosuch"));
    table->BeginLoading();
    table->SetActive(true);
    EXPECT_NO_THROW(table->Loaded());
    SetExceptionHandler(nullptr);
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(handled.size(), 1);
}

TEST_F(DaoTableTest, ParamsStreamAsParamData)
{
    auto table = Table(QString());
    table->SQL().SetText(QStringLiteral("SELECT * FROM items WHERE id = :id AND name = :name"));
    table->Params().ParamByName(QStringLiteral("id"))->SetAsInteger(3);
    TMemoryStream stream;
    TWriter writer(stream);
    writer.WriteComponent(*table);
    auto copy = Table(QString());
    stream.SetPosition(0);
    TReader reader(stream);
    reader.ReadComponent(*copy);
    ASSERT_EQ(copy->Params().Count(), 2);
    EXPECT_EQ(copy->Params().Items(0)->Name(), QStringLiteral("id"));
    EXPECT_EQ(copy->Params().Items(0)->AsInteger(), 3);
    EXPECT_TRUE(copy->Params().Items(1)->IsNull());
}

TEST_F(DaoTableTest, RecNoByPositionFindsTheRowOfAKey)
{
    auto table = Table();
    table->Open();
    table->MoveBy(3);
    const TBookmark spark = table->GetBookmark();
    const qint32 key = qFromLittleEndian<qint32>(spark.constData());
    auto clone = table->Recordset()->Clone();
    clone->MoveLast();
    EXPECT_EQ(table->RecNoByPosition(*clone, key), 3);
    EXPECT_EQ(table->RecNoByPosition(*clone, 999999), -1);
    table->SetUseGetRecNo(false);
    EXPECT_EQ(table->RecNoByPosition(*clone, key), -1);
}

TEST_F(DaoTableTest, SmallOperations)
{
    auto table = Table();
    TDaoErrorRecord record;
    record.Number = 42;
    TDaoTable lone;
    lone.GetLastDaoError(record);
    EXPECT_EQ(record.Number, 42);
    database->SetConnected(false);
    table->GetLastDaoError(record);
    EXPECT_EQ(record.Number, 42);
    database->SetConnected(true);

    table->Open();
    table->SetBatchMode(true);
    EXPECT_TRUE(table->ControlsDisabled());
    table->SetBatchMode(false);
    EXPECT_FALSE(table->ControlsDisabled());
    EXPECT_EQ(table->RecNo(), 1);
    table->ReopenDaoRecordset();
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(table->RecordCount(), 5);
    table->RequeryIfRestartable();
    EXPECT_EQ(Column(*table, QStringLiteral("name")), AllNames());
    table->Close();
    table->ReopenDaoRecordset();
    EXPECT_FALSE(table->Active());
}

TEST_F(DaoTableTest, StampsComeFromTheTableOrTheSavedQuery)
{
    auto table = Table();
    EXPECT_EQ(table->TableDateCreated(), QString());
    table->SetTableType(dao::dbOpenTable);
    table->Open();
    EXPECT_FALSE(table->TableDateCreated().isEmpty());
    EXPECT_FALSE(table->TableLastUpdated().isEmpty());
    table->Close();
    EXPECT_EQ(table->TableLastUpdated(), QString());

    table->SetTableType(dao::dbOpenDynaset);
    table->SetQueryDefName(QStringLiteral("three"));
    table->SetQueryDefParametersText(QStringLiteral("1\r\n2\r\npart"));
    table->Open();
    EXPECT_FALSE(table->TableDateCreated().isEmpty());
    EXPECT_FALSE(table->TableLastUpdated().isEmpty());
}

}  // namespace
