#include "DataAccessFixture.h"

namespace {

using namespace datest;

// orders(id counter, code text 10, ref long) and lines(id counter, order_id long, part text 20):
// two orders with lines, a third whose ref is Null, and one line without an order.
class DaoTableMasterTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShopAndConnect([](dao::Database& db) { AddOrdersAndLines(db); });
        master = Table(QStringLiteral("orders"));
        source.SetDataSet(master.get());
        master->Open();
        detail = Table(QStringLiteral("lines"));
        detail->SetMasterSource(&source);
    }

    static void AddOrdersAndLines(dao::Database& db)
    {
        auto orders = CounterTable(db, QStringLiteral("orders"));
        orders->Fields().Append(orders->CreateField(QStringLiteral("code"), dao::dbText, 10));
        orders->Fields().Append(orders->CreateField(QStringLiteral("ref"), dao::dbLong));
        db.TableDefs().Append(orders);
        auto lines = CounterTable(db, QStringLiteral("lines"));
        lines->Fields().Append(lines->CreateField(QStringLiteral("order_id"), dao::dbLong));
        lines->Fields().Append(lines->CreateField(QStringLiteral("part"), dao::dbText, 20));
        db.TableDefs().Append(lines);
        for (const char* sql : {"INSERT INTO orders (code, ref) VALUES ('A\"1', 1)",
                                "INSERT INTO orders (code, ref) VALUES ('B', 2)",
                                "INSERT INTO orders (code, ref) VALUES ('C', NULL)",
                                "INSERT INTO lines (order_id, part) VALUES (1, 'pad')",
                                "INSERT INTO lines (order_id, part) VALUES (1, 'disc')",
                                "INSERT INTO lines (order_id, part) VALUES (2, 'oil')",
                                "INSERT INTO lines (order_id, part) VALUES (NULL, 'loose')"})
            db.Execute(QString::fromLatin1(sql), dao::dbFailOnError);
        db.CreateQueryDef(QStringLiteral("order_lines"),
                          QStringLiteral("SELECT lines.id, lines.order_id, lines.part FROM lines;"));
        db.CreateQueryDef(QStringLiteral("order_totals"),
                          QStringLiteral("SELECT lines.order_id, Count(lines.id) AS line_count FROM lines "
                                         "GROUP BY lines.order_id;"));
    }

    void TearDown() override
    {
        detail.reset();
        master.reset();
    }

    std::unique_ptr<TDaoTable> master;
    TDataSource source;
    std::unique_ptr<TDaoTable> detail;
};

TEST_F(DaoTableMasterTest, MasterFieldsLinesBecomeFieldPairs)
{
    struct Case {
        const char* text;
        QStringList details, masters;
    };
    const Case cases[] = {
        {"order_id -> ref", {"order_id"}, {"ref"}},
        {"order_id;part", {"order_id", "part"}, {"order_id", "part"}},
        {"order_id -> ref\r\npart=code\r\npart -> code", {"order_id", "part"}, {"ref", "code"}},
        {"order_id -> ref -> id", {"order_id"}, {"ref -> id"}},
    };
    TDaoTable unlinked;
    for (const Case& c : cases) {
        TStringList lines;
        lines.SetText(QString::fromLatin1(c.text));
        unlinked.ParseMasterFields(lines);
        EXPECT_EQ(unlinked.DetailFieldList().ToStringList(), c.details) << c.text;
        EXPECT_EQ(unlinked.MasterFieldList().ToStringList(), c.masters) << c.text;
    }
}

TEST_F(DaoTableMasterTest, CriteriaCarryTheMastersCurrentValues)
{
    struct Case {
        const char* pairs;
        int masterRow;
        const char* criteria;
    };
    const Case cases[] = {
        {"order_id -> ref", 1, "([order_id]  = 1)"},
        {"order_id -> ref", 3, "([order_id] IS NULL)"},
        {"part -> code", 1, "([part]  = \"A\"\"1\")"},
        {"order_id -> id\r\npart -> code", 2, "([order_id]  = 2) AND ([part]  = \"B\")"},
    };
    for (const Case& c : cases) {
        master->First();
        master->MoveBy(c.masterRow - 1);
        TStringList lines;
        lines.SetText(QString::fromLatin1(c.pairs));
        detail->ParseMasterFields(lines);
        EXPECT_EQ(detail->BuildMasterDetailCriteria(), QString::fromLatin1(c.criteria)) << c.pairs;
    }
}

TEST_F(DaoTableMasterTest, ScrollingTheMasterShowsItsLinesAndANullMasterTheUnlinkedOnes)
{
    detail->MasterFields().SetText(QStringLiteral("order_id -> ref"));
    detail->Open();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"pad", "disc"}));
    master->Next();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"oil"}));
    master->Next();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"loose"}));
    master->First();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"pad", "disc"}));
    EXPECT_EQ(detail->RecordCount(), 2);
}

TEST_F(DaoTableMasterTest, ANewDetailRecordHasTheMasterKeyBeforeOnNewRecord)
{
    detail->MasterFields().SetText(QStringLiteral("order_id -> ref"));
    detail->Open();
    master->Next();
    TVariant seen;
    detail->OnNewRecord = [&](TDataSet* ds) {
        seen = ds->FieldByName(QStringLiteral("order_id"))->Value();
        ds->FieldByName(QStringLiteral("part"))->SetAsString(QStringLiteral("filter"));
    };
    detail->Append();
    EXPECT_EQ(seen.AsInteger(), 2);
    detail->Post();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"oil", "filter"}));
    master->First();
    master->Next();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"oil", "filter"}));
}

TEST_F(DaoTableMasterTest, EditingTheMasterKeepsTheDetailAndPostingReopensIt)
{
    detail->MasterFields().SetText(QStringLiteral("order_id -> ref"));
    detail->Open();
    const dao::Recordset* before = detail->Recordset();
    master->Edit();
    master->FieldByName(QStringLiteral("ref"))->SetAsInteger(2);
    EXPECT_EQ(detail->Recordset(), before);
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"pad", "disc"}));
    master->Post();
    EXPECT_NE(detail->Recordset(), before);
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"oil"}));
}

TEST_F(DaoTableMasterTest, CircularLinksAreRefusedAndNilEmptiesTheFields)
{
    detail->MasterFields().SetText(QStringLiteral("order_id -> ref"));
    detail->Open();
    TDataSource detailSource;
    detailSource.SetDataSet(detail.get());
    EXPECT_EQ(ErrorOf([&] { master->SetMasterSource(&detailSource); }), QStringLiteral("Circular links not allowed!"));
    EXPECT_EQ(master->MasterSource(), nullptr);
    EXPECT_EQ(ErrorOf([&] { detail->SetMasterSource(&detailSource); }), QStringLiteral("Circular links not allowed!"));
    EXPECT_EQ(detail->MasterSource(), &source);

    detail->SetMasterSource(nullptr);
    EXPECT_EQ(detail->MasterFields().Count(), 0);
    EXPECT_EQ(Column(*detail, QStringLiteral("part")).size(), 4);
}

TEST_F(DaoTableMasterTest, ChangingThePairsOfAnOpenDetailReopensIt)
{
    detail->Open();
    EXPECT_EQ(Column(*detail, QStringLiteral("part")).size(), 4);  // no pairs yet: every row
    TStringList pairs;
    pairs.SetText(QStringLiteral("order_id -> ref"));
    detail->SetMasterFields(pairs);
    EXPECT_EQ(Column(*detail, QStringLiteral("part")), QStringList({"pad", "disc"}));
}

// Saved queries linked to the orders, one of rows and one grouped, re-queried after another
// connection posts a line, show it; moving the master shows the next order's.
TEST_F(DaoTableMasterTest, LinkedSavedQueriesSeeALinePostedByAnotherConnection)
{
    auto linked = [&](const char* query) {
        auto t = Table(QString());
        t->SetQueryDefName(QString::fromLatin1(query));
        t->SetMasterSource(&source);
        t->MasterFields().SetText(QStringLiteral("order_id -> id"));
        t->Open();
        return t;
    };
    auto lines = linked("order_lines");
    auto totals = linked("order_totals");
    EXPECT_EQ(Column(*lines, QStringLiteral("part")), QStringList({"pad", "disc"}));
    EXPECT_EQ(Column(*totals, QStringLiteral("line_count")), QStringList({"2"}));
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("INSERT INTO lines (order_id, part) VALUES (1, 'hub')"), dao::dbFailOnError);
    }
    database->Idle();
    lines->Requery();
    totals->Requery();
    EXPECT_EQ(Column(*lines, QStringLiteral("part")), QStringList({"pad", "disc", "hub"}));
    EXPECT_EQ(Column(*totals, QStringLiteral("line_count")), QStringList({"3"}));
    master->Next();
    EXPECT_EQ(Column(*lines, QStringLiteral("part")), QStringList({"oil"}));
    EXPECT_EQ(Column(*totals, QStringLiteral("line_count")), QStringList({"1"}));
    master->Next();  // an order without lines
    EXPECT_TRUE(Column(*lines, QStringLiteral("part")).isEmpty());
    EXPECT_TRUE(Column(*totals, QStringLiteral("line_count")).isEmpty());
}

// Linked to a source but with no field pairs, a table follows no master: re-querying it reads
// its rows again like any other's.
TEST_F(DaoTableMasterTest, ATableLinkedWithoutFieldPairsIsReadAgainByARequery)
{
    for (const bool sql : {true, false}) {
        SCOPED_TRACE(sql ? "SQL text" : "table");
        auto lines = Table(sql ? QString() : QStringLiteral("lines"));
        if (sql) lines->SQL().SetText(QStringLiteral("SELECT part FROM lines"));
        lines->SetMasterSource(&source);
        lines->Open();
        const int before = Column(*lines, QStringLiteral("part")).size();
        {
            dao::DBEngine engine(QStringLiteral("3.6"));
            auto other = engine.OpenDatabase(path);
            other->Execute(QStringLiteral("INSERT INTO lines (order_id, part) VALUES (NULL, 'hub')"), dao::dbFailOnError);
        }
        database->Idle();
        EXPECT_TRUE(lines->Requery());
        EXPECT_EQ(Column(*lines, QStringLiteral("part")).size(), before + 1);
    }
}

TEST_F(DaoTableMasterTest, AnSqlDetailTakesMasterValuesAsParameters)
{
    auto lines = Table(QString());
    lines->SQL().SetText(QStringLiteral("SELECT * FROM lines WHERE order_id = :ref"));
    lines->Params().CreateParam(ftInteger, QStringLiteral("ref"), ptInput);
    lines->SetMasterSource(&source);
    lines->MasterFields().SetText(QStringLiteral("order_id -> ref"));
    lines->Open();
    EXPECT_EQ(Column(*lines, QStringLiteral("part")), QStringList({"pad", "disc"}));
    master->Next();
    EXPECT_EQ(lines->Params().ParamByName(QStringLiteral("ref"))->AsInteger(), 2);
    EXPECT_EQ(Column(*lines, QStringLiteral("part")), QStringList({"oil"}));
}

}  // namespace
