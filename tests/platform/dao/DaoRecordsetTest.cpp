// Recordsets: moving, counting, bookmarks, seeking, finding, filters, editing and the rules a
// write keeps, on one connection and on two.

#include "DaoTestFixture.h"

#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/JetSql.h"

#include <sqlite3.h>

namespace daotest {
namespace {

class DaoRecordsetTest : public DaoFixture {
protected:
    void SetUp() override
    {
        DaoFixture::SetUp();
        db = MakeShop();
    }
    std::shared_ptr<Recordset> Parts(int type = dbOpenDynaset) { return db->OpenRecordset(QStringLiteral("parts"), type); }
    static TVariant Get(Recordset& rs, const char* field) { return rs.Fields()[QString::fromLatin1(field)]->Value(); }
    static void Set(Recordset& rs, const char* field, const TVariant& v) { rs.Fields()[QString::fromLatin1(field)]->SetValue(v); }
    std::shared_ptr<Database> db;
};

TEST_F(DaoRecordsetTest, MovesAndPositionsAsTheEngineGivesThem)
{
    for (int type : {int(dbOpenTable), int(dbOpenDynaset), int(dbOpenSnapshot)}) {
        SCOPED_TRACE(type);
        auto rs = Parts(type);
        EXPECT_EQ(rs->Type(), type);
        EXPECT_FALSE(rs->Bof());
        EXPECT_EQ(rs->AbsolutePosition(), 0);
        // Only a table-type recordset knows its count before it reaches the end.
        EXPECT_EQ(rs->RecordCount(), type == dbOpenTable ? 5 : 1);
        rs->MoveLast();
        EXPECT_EQ(rs->RecordCount(), 5);
        EXPECT_EQ(rs->AbsolutePosition(), 4);
        EXPECT_DOUBLE_EQ(rs->PercentPosition(), 80.0);
        rs->MoveNext();
        EXPECT_TRUE(rs->Eof());
        EXPECT_EQ(rs->AbsolutePosition(), -1);
        EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), errNoCurrentRecord);
        EXPECT_EQ(ErrorOf([&] { Get(*rs, "name"); }), errNoCurrentRecord);
        rs->Move(-2);
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Spark plug"));
        rs->Move(-10);
        EXPECT_TRUE(rs->Bof());
        EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), errNoCurrentRecord);
        rs->SetAbsolutePosition(2);
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Oil filter"));
        rs->SetPercentPosition(60);
        EXPECT_EQ(rs->AbsolutePosition(), 3);
    }
}

TEST_F(DaoRecordsetTest, EmptyRecordsetIsAtBothEnds)
{
    db->Execute(QStringLiteral("DELETE FROM parts"));
    EXPECT_EQ(db->RecordsAffected(), 5);
    for (int type : {int(dbOpenTable), int(dbOpenDynaset), int(dbOpenSnapshot), int(dbOpenForwardOnly)}) {
        auto rs = Parts(type);
        EXPECT_TRUE(rs->Bof() && rs->Eof());
        EXPECT_EQ(rs->RecordCount(), 0);
        EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), errNoCurrentRecord);
    }
}

TEST_F(DaoRecordsetTest, ValuesKeepTheirTypes)
{
    auto rs = Parts();
    EXPECT_EQ(Get(*rs, "id").Type(), TVarType::Integer);
    EXPECT_EQ(Get(*rs, "price").Type(), TVarType::Currency);
    EXPECT_DOUBLE_EQ(Get(*rs, "price").AsFloat(), 45.5);
    EXPECT_EQ(Get(*rs, "active").Type(), TVarType::Boolean);
    EXPECT_TRUE(Get(*rs, "bought").IsNull());
    EXPECT_TRUE(Get(*rs, "note").IsNull());
    const auto& fields = rs->Fields();
    EXPECT_EQ(fields.Count(), 7);
    EXPECT_EQ(fields[QStringLiteral("id")]->Attributes() & (dbAutoIncrField | dbUpdatableField), int(dbAutoIncrField));
    EXPECT_NE(fields[QStringLiteral("name")]->Attributes() & dbUpdatableField, 0);
    EXPECT_EQ(fields[QStringLiteral("name")]->Size(), 20);
    EXPECT_TRUE(fields[QStringLiteral("name")]->Required());
    EXPECT_EQ(fields[QStringLiteral("qty")]->DefaultValue(), QStringLiteral("1"));
    EXPECT_EQ(fields[QStringLiteral("bought")]->Property(QStringLiteral("Format")).AsString(), QStringLiteral("Short Date"));
    EXPECT_TRUE(fields[QStringLiteral("name")]->Properties().Contains(QStringLiteral("caption")));
    EXPECT_FALSE(fields[QStringLiteral("price")]->Properties().Contains(QStringLiteral("Format")));
    EXPECT_TRUE(db->OpenRecordset(QStringLiteral("parts"), dbOpenSnapshot)->Fields()[QStringLiteral("bought")]->Properties()
                    .Contains(QStringLiteral("Format")));
}

TEST_F(DaoRecordsetTest, BookmarksCarryTheRowKeyAndWorkOnClones)
{
    auto rs = Parts();
    rs->Move(3);
    const QByteArray mark = rs->Bookmark();
    ASSERT_EQ(mark.size(), 4);
    EXPECT_EQ(BookmarkToKey(mark), Get(*rs, "id").AsInteger());
    EXPECT_EQ(mark, QByteArray("\x04\x00\x00\x00", 4));
    auto clone = rs->Clone();
    EXPECT_TRUE(clone->Bof());
    clone->SetBookmark(mark);
    EXPECT_EQ(Get(*clone, "name").AsString(), QStringLiteral("Spark plug"));
    clone->MoveFirst();
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Spark plug"));
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(QByteArray("\x63\x00\x00\x00", 4)); }), errInvalidBookmark);
    EXPECT_TRUE(rs->Bookmarkable());
    auto fwd = Parts(dbOpenForwardOnly);
    EXPECT_FALSE(fwd->Bookmarkable());
    EXPECT_EQ(ErrorOf([&] { fwd->MovePrevious(); }), errOperationNotSupported);
    EXPECT_EQ(fwd->RecordCount(), 1);
    fwd->MoveNext();
    EXPECT_EQ(fwd->Fields()[QStringLiteral("name")]->Value().AsString(), QStringLiteral("Air filter"));
}

TEST_F(DaoRecordsetTest, TableTypeFollowsItsIndexAndSeeks)
{
    auto rs = Parts(dbOpenTable);
    EXPECT_EQ(ErrorOf([&] { rs->Seek(QStringLiteral("="), {TVariant("x")}); }), errNoIndex);
    EXPECT_EQ(ErrorOf([&] { rs->SetIndex(QStringLiteral("Nope")); }), errNotIndexOfTable);
    rs->SetIndex(QStringLiteral("ByName"));
    EXPECT_EQ(Names(*rs), (QStringList{"Air filter", "Brake pad", "Oil filter", "Spark plug", "Wiper blade"}));
    struct SeekCase {
        const char* op;
        const char* key;
        const char* found;  // nullptr: NoMatch
    };
    const std::vector<SeekCase> cases = {
        {"=", "oil filter", "Oil filter"}, {"=", "Oil", nullptr},       {">=", "C", "Oil filter"},
        {">", "Oil filter", "Spark plug"}, {"<", "Oil filter", "Brake pad"}, {"<=", "Oil filter", "Oil filter"},
        {">=", "Zz", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.key);
        rs->MoveFirst();
        rs->Seek(QString::fromLatin1(c.op), {TVariant(c.key)});
        EXPECT_EQ(rs->NoMatch(), c.found == nullptr);
        if (c.found) {
            EXPECT_EQ(Get(*rs, "name").AsString(), QString::fromLatin1(c.found));
        }
    }
    rs->SetIndex(QStringLiteral("PrimaryKey"));
    rs->Seek(QStringLiteral("="), {TVariant("3")});
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Oil filter"));
    EXPECT_EQ(ErrorOf([&] { rs->Seek(QStringLiteral("="), {TVariant(1), TVariant(2)}); }), errInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { Parts()->Seek(QStringLiteral("="), {TVariant(1)}); }), errOperationNotSupported);
    EXPECT_FALSE(rs->Restartable());
}

// In rows sorted against their keys, a search finds the same row whether few rows match it or
// many.
TEST_F(DaoRecordsetTest, FindsFollowTheSortWithFewOrManyMatches)
{
    for (int i = 0; i < 100; ++i)
        db->Execute(QStringLiteral("INSERT INTO parts (name, qty) VALUES ('Bolt %1', %2)").arg(i, 2, 10, QLatin1Char('0')).arg(i % 7));
    auto parts = Parts();
    parts->SetSort(QStringLiteral("[name] DESC"));
    auto rs = parts->OpenRecordset();
    const QString many = QStringLiteral("[name] LIKE \"Bolt*\"");
    const QString few = QStringLiteral("[qty] = 3 AND [name] LIKE \"Bolt 1*\"");
    rs->FindFirst(many);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 99"));
    rs->FindNext(many);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 98"));
    rs->FindLast(many);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 00"));
    rs->FindPrevious(many);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 01"));
    rs->FindFirst(few);  // Bolt 10 and Bolt 17
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 17"));
    rs->FindNext(few);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 10"));
    rs->FindNext(few);
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 10"));
    rs->FindLast(few);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 10"));
    rs->FindPrevious(few);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 17"));
    rs->FindFirst(QStringLiteral("[name] = \"Bolt 42\""));
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Bolt 42"));
}

TEST_F(DaoRecordsetTest, FindsSearchFromWhereTheyShould)
{
    for (int type : {int(dbOpenDynaset), int(dbOpenSnapshot)}) {
        SCOPED_TRACE(type);
        auto rs = Parts(type);
        rs->FindFirst(QStringLiteral("[active] = True AND [price] < 20"));
        EXPECT_FALSE(rs->NoMatch());
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));
        rs->FindNext(QStringLiteral("[active] = True AND [price] < 20"));
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Spark plug"));
        rs->FindLast(QStringLiteral("[name] LIKE \"*filter\""));
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Oil filter"));
        rs->FindPrevious(QStringLiteral("[name] LIKE \"*filter\""));
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));
        rs->FindPrevious(QStringLiteral("[name] LIKE \"*filter\""));
        EXPECT_TRUE(rs->NoMatch());
        EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));
        rs->FindFirst(QStringLiteral("[name] = \"brake PAD\""));
        EXPECT_EQ(Get(*rs, "id").AsInteger(), 1);
    }
}

TEST_F(DaoRecordsetTest, FilterAndSortApplyToARecordsetOpenedFromIt)
{
    auto rs = Parts();
    rs->SetFilter(QStringLiteral("[qty] > 5"));
    rs->SetSort(QStringLiteral("[price] DESC"));
    EXPECT_EQ(Names(*rs).size(), 5);
    auto sorted = rs->OpenRecordset();
    EXPECT_EQ(sorted->Type(), dbOpenDynaset);
    EXPECT_EQ(Names(*sorted), (QStringList{"Brake pad", "Wiper blade", "Oil filter", "Spark plug"}));
    sorted->SetFilter(QStringLiteral("[active] = False"));
    auto snap = sorted->OpenRecordset(dbOpenSnapshot);
    EXPECT_EQ(Names(*snap), (QStringList{"Oil filter"}));
    EXPECT_FALSE(snap->Updatable());
    EXPECT_TRUE(sorted->Updatable());
}

// A copy of many rows is kept in a temporary table rather than in memory; it reads, finds,
// filters and sorts as a small one does.
TEST_F(DaoRecordsetTest, ASnapshotOfManyRowsReadsFindsAndFiltersAsASmallOne)
{
    constexpr int kMany = 20000;
    ASSERT_NO_FATAL_FAILURE(
        FillStraight(*db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                         "INSERT INTO parts(name, price, qty, active) SELECT 'p' || i, i, i % 7, -1 FROM n")
                              .arg(kMany)));
    for (const bool many : {false, true}) {
        SCOPED_TRACE(many);
        auto snap = many ? Parts(dbOpenSnapshot)
                         : db->OpenRecordset(QStringLiteral("SELECT * FROM parts WHERE id <= 5"), dbOpenSnapshot);
        snap->MoveLast();
        EXPECT_EQ(snap->RecordCount(), many ? kMany + 5 : 5);
        EXPECT_EQ(Get(*snap, "name").AsString(), many ? QStringLiteral("p%1").arg(kMany) : QStringLiteral("Wiper blade"));
        snap->MoveFirst();
        EXPECT_EQ(Get(*snap, "price").AsFloat(), 45.5);
        snap->FindFirst(QStringLiteral("[qty] = 25"));
        EXPECT_EQ(Get(*snap, "name").AsString(), QStringLiteral("Oil filter"));
        snap->FindNext(QStringLiteral("[active] = True AND [qty] = 3"));
        EXPECT_EQ(snap->NoMatch(), !many);
        if (many) {
            EXPECT_EQ(Get(*snap, "name").AsString(), QStringLiteral("p3"));
        }
        snap->SetFilter(QStringLiteral("[price] > %1 OR [name] = 'Spark plug'").arg(kMany - 3));
        snap->SetSort(QStringLiteral("[price] DESC"));
        const QStringList expected = many ? QStringList{QStringLiteral("p%1").arg(kMany), QStringLiteral("p%1").arg(kMany - 1),
                                                        QStringLiteral("p%1").arg(kMany - 2), QStringLiteral("Spark plug")}
                                          : QStringList{QStringLiteral("Spark plug")};
        EXPECT_EQ(Names(*snap->OpenRecordset(dbOpenSnapshot)), expected);
    }
}

// A large copy of sorted rows holds every row in its order, its values as they are, the first
// time and when it is taken again (then read on from the sorted statement into a kept table).
TEST_F(DaoRecordsetTest, ALargeSortedCopyKeepsEveryRowInOrderEveryTime)
{
    constexpr int kMany = 3000;
    ASSERT_NO_FATAL_FAILURE(
        FillStraight(*db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                         "INSERT INTO parts(name, price, qty, active, note) SELECT 'p' || i, i / 4.0, "
                                         "(i * 7919) % %1, -1, CASE WHEN i % 3 = 0 THEN NULL ELSE 'n' || i END FROM n")
                              .arg(kMany)));
    const QString sql = QStringLiteral("SELECT a.name, a.price, a.qty, a.note FROM parts AS a INNER JOIN parts AS b ON "
                                       "a.id = b.id WHERE a.name LIKE 'p*' ORDER BY a.qty DESC, a.name");
    for (int time = 1; time <= 3; ++time) {
        SCOPED_TRACE(time);
        auto rs = db->OpenRecordset(sql, dbOpenSnapshot);
        rs->MoveLast();
        ASSERT_EQ(rs->RecordCount(), kMany);
        rs->MoveFirst();
        int rows = 0;
        qint64 lastQty = kMany;
        for (; !rs->Eof(); rs->MoveNext(), ++rows) {
            const qint64 qty = Get(*rs, "qty").AsInteger();
            ASSERT_LE(qty, lastQty) << rows;
            lastQty = qty;
            const int i = Get(*rs, "name").AsString().mid(1).toInt();
            ASSERT_EQ((qint64(i) * 7919) % kMany, qty) << rows;
            ASSERT_EQ(Get(*rs, "price").AsFloat(), i / 4.0) << rows;
            ASSERT_EQ(Get(*rs, "note").IsNull(), i % 3 == 0) << rows;
        }
        EXPECT_EQ(rows, kMany);
    }
    // A grouping sorts all its rows before the first: the copy goes on from it, and later copies
    // by the same statement go into their table at once.
    const QString grouped = QStringLiteral("SELECT a.qty, Count(a.id) AS n, Max(a.name) AS last_name FROM parts AS a "
                                           "WHERE a.name LIKE 'p*' GROUP BY a.qty ORDER BY a.qty DESC");
    for (int time = 1; time <= 3; ++time) {
        SCOPED_TRACE(time);
        auto rs = db->OpenRecordset(grouped, dbOpenSnapshot);
        int rows = 0;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext(), ++rows) {
            const qint64 qty = Get(*rs, "qty").AsInteger();
            ASSERT_EQ(qty, kMany - 1 - rows);
            ASSERT_EQ(Get(*rs, "n").AsInteger(), 1) << rows;
            const int i = Get(*rs, "last_name").AsString().mid(1).toInt();
            ASSERT_EQ((qint64(i) * 7919) % kMany, qty) << rows;
        }
        EXPECT_EQ(rows, kMany);
    }
}

// A filter on what a grouped query groups by picks rows before the grouping, one on an aggregate
// after it; either way the rows are those of the whole query filtered.
TEST_F(DaoRecordsetTest, FiltersOnAGroupedQueryGiveTheGroupsTheWholeQueryGives)
{
    db->Execute(QStringLiteral("INSERT INTO parts (name, price, qty, active) VALUES ('BRAKE PAD', 1, 5, True)"));
    db->CreateQueryDef(QStringLiteral("per_name"),
                       QStringLiteral("SELECT parts.name, Sum(parts.qty) AS total, Count(parts.id) AS rows_of FROM parts "
                                      "GROUP BY parts.name ORDER BY parts.name;"));
    struct Case {
        const char* filter;
        QStringList rows;
    };
    const Case cases[] = {
        {"[name] = 'brake pad'", {"Brake pad 15 2"}},
        {"[name] Like 'b*' Or [name] = 'Spark plug'", {"Brake pad 15 2", "Spark plug 100 1"}},
        {"[total] > 20", {"Oil filter 25 1", "Spark plug 100 1"}},
        {"[name] >= 'O' And [rows_of] = 1", {"Oil filter 25 1", "Spark plug 100 1", "Wiper blade 7 1"}},
        {"UCase([name]) = 'BRAKE PAD'", {"Brake pad 15 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        for (int options : {0, int(dbDeferRows)}) {
            auto base = db->QueryDefs()[QStringLiteral("per_name")]->OpenRecordset(dbOpenDynaset, options);
            base->SetFilter(QString::fromUtf8(c.filter));
            auto rs = base->OpenRecordset();
            QStringList rows;
            for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
                rows << QStringLiteral("%1 %2 %3")
                            .arg(Get(*rs, "name").AsString(), Get(*rs, "total").AsString(), Get(*rs, "rows_of").AsString());
            EXPECT_EQ(rows, c.rows);
        }
    }
}

// A value in a filter reaches the engine bound, never as text of the statement.
TEST_F(DaoRecordsetTest, FilterValuesAreBoundWhateverTheyHold)
{
    std::vector<jet::ResultColumn> columns(2);
    columns[0].name = QStringLiteral("name");
    columns[0].type = dbText;
    columns[1].name = QStringLiteral("qty");
    columns[1].type = dbLong;
    const auto criteria = jet::TranslateBoundCriteria(QStringLiteral("[name] = 'a'' OR 1=1 --' And [qty] > 5"), columns, 3);
    EXPECT_FALSE(criteria.sql.contains(QLatin1String("OR 1=1")));
    EXPECT_TRUE(criteria.sql.contains(QLatin1String(":c3")) && criteria.sql.contains(QLatin1String(":c4")));
    ASSERT_EQ(criteria.values.size(), 2u);
    EXPECT_EQ(criteria.values[0].AsString(), QStringLiteral("a' OR 1=1 --"));
    db->Execute(QStringLiteral("INSERT INTO parts (name, qty) VALUES ('a'' OR 1=1 --', 9)"));
    auto rs = Parts();
    rs->SetFilter(QStringLiteral("[name] = 'a'' OR 1=1 --' And [qty] > 5"));
    EXPECT_EQ(Names(*rs->OpenRecordset()), QStringList{"a' OR 1=1 --"});
    rs->FindFirst(QStringLiteral("[name] = 'Spark plug' And [qty] = 100"));
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Spark plug"));
}

// Writes inside a transaction are kept all together or not at all.
TEST_F(DaoRecordsetTest, ATransactionKeepsItsWritesTogetherOrNone)
{
    auto add = [&](const char* name) {
        auto rs = Parts();
        rs->AddNew();
        Set(*rs, "name", TVariant(name));
        rs->Update();
    };
    db->BeginTrans();
    EXPECT_TRUE(db->InTransaction());
    add("Hub");
    add("Bearing");
    EXPECT_EQ(Names(*Parts()).size(), 7);
    EXPECT_EQ(ErrorOf([&] { db->BeginTrans(); }), errInvalidOperation);
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Names(*Parts()).size(), 5);
    db->BeginTrans();
    add("Hub");
    // A write that fails inside leaves the others of the transaction standing.
    EXPECT_EQ(ErrorOf([&] {
                  auto rs = Parts();
                  rs->AddNew();
                  rs->Update();
              }),
              errRequired);
    db->CommitTrans();
    EXPECT_EQ(Names(*Open()->OpenRecordset(QStringLiteral("parts"), dbOpenSnapshot)).size(), 6);
    EXPECT_EQ(ErrorOf([&] { db->CommitTrans(); }), errCommitWithoutBegin);
    EXPECT_EQ(ErrorOf([&] { db->Rollback(); }), errCommitWithoutBegin);
}

// Inside a transaction, a row the engine refuses is left out alone: the rows written before it
// stay in the transaction, which can still be committed or rolled back whole.
TEST_F(DaoRecordsetTest, ARefusedRowInATransactionLeavesTheOthersStanding)
{
    auto parts = db->TableDefs()[QStringLiteral("parts")];
    auto unique = parts->CreateIndex(QStringLiteral("OneNote"));
    unique->Fields().Append(unique->CreateField(QStringLiteral("note")));
    unique->SetUnique(true);
    parts->Indexes().Append(unique);
    auto add = [&](const char* name, const char* note) {
        auto rs = Parts();
        rs->AddNew();
        Set(*rs, "name", TVariant(name));
        Set(*rs, "note", TVariant(note));
        rs->Update();
    };
    for (const bool commit : {true, false}) {
        db->Execute(QStringLiteral("DELETE FROM parts WHERE note IS NOT NULL"));
        db->BeginTrans();
        add("Hub", "first");
        EXPECT_EQ(ErrorOf([&] { add("Bearing", "first"); }), errDuplicateKey);
        EXPECT_TRUE(db->InTransaction());
        add("Seal", "second");
        if (commit)
            db->CommitTrans();
        else
            db->Rollback();
        const QStringList expected = commit ? QStringList{"Hub", "Seal"} : QStringList{};
        QStringList written;
        for (const QString& name : Names(*Open()->OpenRecordset(QStringLiteral("parts"), dbOpenSnapshot)))
            if (name == QLatin1String("Hub") || name == QLatin1String("Bearing") || name == QLatin1String("Seal"))
                written << name;
        EXPECT_EQ(written, expected) << (commit ? "committed" : "rolled back");
    }
}

TEST_F(DaoRecordsetTest, EditAddNewAndDeleteWriteTheTableByKey)
{
    auto rs = Parts();
    rs->Move(1);
    EXPECT_EQ(ErrorOf([&] { Set(*rs, "qty", TVariant(3)); }), errUpdateWithoutEdit);
    rs->Edit();
    EXPECT_EQ(rs->EditMode(), dbEditInProgress);
    Set(*rs, "qty", TVariant("42"));
    Set(*rs, "note", TVariant("checked"));
    rs->Update();
    EXPECT_EQ(rs->EditMode(), dbEditNone);
    EXPECT_EQ(rs->LastModified(), rs->Bookmark());
    EXPECT_EQ(Get(*rs, "qty").AsInteger(), 42);

    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), dbEditAdd);
    EXPECT_EQ(Get(*rs, "qty").AsInteger(), 1);  // the default shows at once
    EXPECT_FALSE(Get(*rs, "active").AsBoolean());
    Set(*rs, "name", TVariant("Fuel pump"));
    rs->Update();
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));  // stays on its row
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(Get(*rs, "id").AsInteger(), 6);
    EXPECT_EQ(Get(*rs, "qty").AsInteger(), 1);
    EXPECT_FALSE(Get(*rs, "active").IsNull());

    rs->MoveFirst();
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { Get(*rs, "name"); }), errRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 5);
    auto check = db->OpenRecordset(QStringLiteral("SELECT name FROM parts WHERE qty = 42"), dbOpenSnapshot);
    EXPECT_EQ(Names(*check), (QStringList{"Air filter"}));

    rs->MoveFirst();
    rs->Edit();
    Set(*rs, "qty", TVariant(0));
    rs->CancelUpdate();
    EXPECT_EQ(Get(*rs, "qty").AsInteger(), 42);
    EXPECT_EQ(ErrorOf([&] { rs->CancelUpdate(); }), errUpdateWithoutEdit);
}

TEST_F(DaoRecordsetTest, WritesKeepTheTableRules)
{
    struct RuleCase {
        const char* what;
        const char* field;
        TVariant value;
        int number;
    };
    const std::vector<RuleCase> cases = {
        {"text longer than its size", "name", TVariant(QString(21, QLatin1Char('x'))), errFieldTooLong},
        {"text that fits", "name", TVariant(QString(20, QLatin1Char('x'))), 0},
        {"required field cleared", "name", TVariant::Null(), errRequired},
        {"zero-length text refused", "name", TVariant(""), errZeroLength},
        {"zero-length memo allowed", "note", TVariant(""), 0},
        {"number from text", "qty", TVariant("17"), 0},
        {"number from a word", "qty", TVariant("many"), errConversion},
        {"long out of range", "qty", TVariant(qint64(1) << 40), errConversion},
        {"date from text", "bought", TVariant("31.01.2005"), 0},
        {"date from a word", "bought", TVariant("someday"), errConversion},
        {"boolean cleared", "active", TVariant::Null(), 0},
        {"counter", "id", TVariant(99), errFieldNotUpdatable},
    };
    auto rs = Parts();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rs->MoveFirst();
        rs->Edit();
        const int number = ErrorOf([&] {
            Set(*rs, c.field, c.value);
            rs->Update();
        });
        EXPECT_EQ(number, c.number);
        if (rs->EditMode() != dbEditNone)
            rs->CancelUpdate();
    }
    rs->MoveFirst();
    EXPECT_FALSE(Get(*rs, "active").IsNull());
    EXPECT_DOUBLE_EQ(Get(*rs, "bought").AsDateTime(), 38383.0);
    // SQL writes meet the same rules.
    EXPECT_EQ(ErrorOf([&] { db->Execute(QStringLiteral("UPDATE parts SET name = 'abcdefghijklmnopqrstuvwxyz'")); }),
              errFieldTooLong);
    EXPECT_EQ(ErrorOf([&] { db->Execute(QStringLiteral("INSERT INTO parts (qty) VALUES (1)")); }), errRequired);
    rs->AddNew();
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), errRequired);
    EXPECT_EQ(rs->EditMode(), dbEditAdd);
}

TEST_F(DaoRecordsetTest, SnapshotsAndJoinsAreReadOnly)
{
    auto snap = Parts(dbOpenSnapshot);
    EXPECT_EQ(ErrorOf([&] { snap->Edit(); }), errNotUpdatable);
    auto agg = db->OpenRecordset(QStringLiteral("SELECT active, Sum(qty) AS total FROM parts GROUP BY active"));
    EXPECT_FALSE(agg->Updatable());
    EXPECT_EQ(ErrorOf([&] { agg->AddNew(); }), errNotUpdatable);
    EXPECT_EQ(ErrorOf([&] { db->OpenRecordset(QStringLiteral("parts"), dbOpenDynamic); }), errOperationNotSupported);
    EXPECT_EQ(ErrorOf([&] { db->OpenRecordset(QStringLiteral("SELECT * FROM parts"), dbOpenTable); }), errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { db->OpenRecordset(QStringLiteral("nothing_here"), dbOpenTable); }), errInvalidOperation);
}

TEST_F(DaoRecordsetTest, SavedQueryWithComputedColumnsWritesItsBaseTable)
{
    db->CreateQueryDef(QStringLiteral("part_values"),
                       QStringLiteral("SELECT id, name, qty, price, qty * price AS worth FROM parts WHERE active = True"));
    auto rs = db->OpenRecordset(QStringLiteral("part_values"));
    ASSERT_TRUE(rs->Updatable());
    EXPECT_EQ(rs->Fields()[QStringLiteral("worth")]->Attributes() & dbUpdatableField, 0);
    EXPECT_NE(rs->Fields()[QStringLiteral("qty")]->Attributes() & dbUpdatableField, 0);
    rs->MoveFirst();
    EXPECT_DOUBLE_EQ(Get(*rs, "worth").AsFloat(), 455.0);
    rs->Edit();
    EXPECT_EQ(ErrorOf([&] { Set(*rs, "worth", TVariant(1)); }), errFieldNotUpdatable);
    Set(*rs, "qty", TVariant(2));
    rs->Update();
    // Read again after the write: the computed column follows.
    EXPECT_DOUBLE_EQ(Get(*rs, "worth").AsFloat(), 91.0);
    auto table = Parts(dbOpenTable);
    EXPECT_EQ(Get(*table, "qty").AsInteger(), 2);
}

TEST_F(DaoRecordsetTest, QueryParametersBindByNameAndType)
{
    auto q = db->CreateQueryDef(QStringLiteral("cheap"),
                                QStringLiteral("PARAMETERS [limit] Currency; SELECT name FROM parts WHERE price < [limit] ORDER BY name"));
    EXPECT_EQ(q->Type(), dbQSelect);
    EXPECT_EQ(ErrorOf([&] { q->OpenRecordset(); }), errTooFewParameters);
    ASSERT_EQ(q->Parameters().Count(), 1);
    EXPECT_EQ(q->Parameters()[0]->Type(), dbCurrency);
    q->Parameters()[QStringLiteral("limit")]->SetValue(TVariant("10.5"));
    EXPECT_EQ(Names(*q->OpenRecordset(dbOpenSnapshot)), (QStringList{"Oil filter", "Spark plug"}));
    EXPECT_EQ(ErrorOf([&] { q->Parameters()[0]->SetValue(TVariant("cheap")); }), errConversion);
    auto del = db->CreateQueryDef(QString(), QStringLiteral("DELETE FROM parts WHERE qty = 0"));
    EXPECT_EQ(del->Type(), dbQDelete);
    del->Execute();
    EXPECT_EQ(del->RecordsAffected(), 1);
}

TEST_F(DaoRecordsetTest, RequeryRunsTheSourceAgainWithTheParametersItHasThen)
{
    auto q = db->CreateQueryDef(QStringLiteral("stocked"),
                                QStringLiteral("PARAMETERS [least] Long; SELECT name FROM parts WHERE qty >= [least] ORDER BY name"));
    q->Parameters()[0]->SetValue(TVariant(20));
    auto rs = db->OpenRecordset(QStringLiteral("stocked"));
    EXPECT_EQ(Names(*rs), (QStringList{"Oil filter", "Spark plug"}));
    db->QueryDefs()[QStringLiteral("stocked")]->Parameters()[0]->SetValue(TVariant(8));
    ASSERT_TRUE(rs->Restartable());
    rs->Requery();
    EXPECT_EQ(Names(*rs), (QStringList{"Brake pad", "Oil filter", "Spark plug"}));
    // A copied result (an aggregate) is taken again as well.
    auto totals = db->OpenRecordset(QStringLiteral("SELECT Sum(qty) AS total FROM parts"));
    EXPECT_EQ(totals->Fields()[0]->Value().AsInteger(), 142);
    db->Execute(QStringLiteral("UPDATE parts SET qty = qty + 1"));
    totals->Requery();
    EXPECT_EQ(totals->Fields()[0]->Value().AsInteger(), 147);
}

TEST_F(DaoRecordsetTest, EveryFieldTypeStoresAndReadsBack)
{
    struct TypeCase {
        const char* name;
        int type;
        int size;
        TVariant in;
        TVariant out;
    };
    QByteArray guid = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
    const std::vector<TypeCase> cases = {
        {"f_bool", dbBoolean, 0, TVariant("Yes"), TVariant(true)},
        {"f_byte", dbByte, 0, TVariant(200), TVariant(200)},
        {"f_int", dbInteger, 0, TVariant(12.7), TVariant(13)},
        {"f_long", dbLong, 0, TVariant(-70000), TVariant(-70000)},
        {"f_big", dbBigInt, 0, TVariant(qint64(1) << 40), TVariant(qint64(1) << 40)},
        {"f_cur", dbCurrency, 0, TVariant("12.34567"), TVariant::FromCurrency(12.3457)},
        {"f_dbl", dbDouble, 0, TVariant(0.1), TVariant(0.1)},
        {"f_date", dbDate, 0, TVariant::FromDate(38383.5), TVariant::FromDate(38383.5)},
        {"f_text", dbText, 10, TVariant(QStringLiteral("Спирачка")), TVariant(QStringLiteral("Спирачка"))},
        {"f_memo", dbMemo, 0, TVariant(QString(5000, QLatin1Char('m'))), TVariant(QString(5000, QLatin1Char('m')))},
        {"f_bin", dbLongBinary, 0, TVariant(QByteArray("\x00\x01\xff", 3)), TVariant(QByteArray("\x00\x01\xff", 3))},
        {"f_guid", dbGUID, 0, TVariant("{guid {00112233-4455-6677-8899-AABBCCDDEEFF}}"), TVariant(QByteArray())},
    };
    auto td = db->CreateTableDef(QStringLiteral("kinds"));
    auto id = td->CreateField(QStringLiteral("id"), dbLong);
    id->SetAttributes(dbAutoIncrField);
    td->Fields().Append(id);
    for (const auto& c : cases)
        td->Fields().Append(td->CreateField(QString::fromLatin1(c.name), c.type, c.size));
    auto made = td->CreateField(QStringLiteral("f_newguid"), dbGUID);
    made->SetDefaultValue(QStringLiteral("GenGUID()"));
    td->Fields().Append(made);
    db->TableDefs().Append(td);
    auto rs = db->OpenRecordset(QStringLiteral("kinds"));
    rs->AddNew();
    for (const auto& c : cases)
        Set(*rs, c.name, c.in);
    rs->Update();
    db->Close();
    auto again = Open();
    auto back = again->OpenRecordset(QStringLiteral("kinds"), dbOpenSnapshot);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TVariant v = Get(*back, c.name);
        if (c.type == dbGUID)
            EXPECT_EQ(v.AsBytes(), guid);
        else
            EXPECT_EQ(v, c.out);
    }
    EXPECT_EQ(Get(*back, "f_newguid").AsBytes().size(), 16);
    auto ro = engine.OpenDatabase(path, false, true);
    EXPECT_EQ(Names(*ro->OpenRecordset(QStringLiteral("parts"), dbOpenSnapshot)).size(), 5);
}

// ---- two connections ----------------------------------------------------------------------

class DaoTwoConnectionsTest : public DaoRecordsetTest {
protected:
    void SetUp() override
    {
        DaoRecordsetTest::SetUp();
        other = Open();
    }
    std::shared_ptr<Database> other;
};

TEST_F(DaoTwoConnectionsTest, DynasetKeepsItsKeysAndReadsRowsAfresh)
{
    auto rs = Parts();
    auto theirs = other->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    theirs->Move(2);
    theirs->Edit();
    theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(77));
    theirs->Update();
    theirs->AddNew();
    theirs->Fields()[QStringLiteral("name")]->SetValue(TVariant("Late part"));
    theirs->Update();
    engine.Idle(dbRefreshCache);
    rs->Move(2);
    EXPECT_EQ(Get(*rs, "qty").AsInteger(), 77);
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 5);  // a row added elsewhere is not in the keys
    rs->Requery();
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 6);
    auto snap = Parts(dbOpenSnapshot);
    theirs->MoveFirst();
    theirs->Edit();
    theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(5000));
    theirs->Update();
    engine.Idle(dbRefreshCache);
    EXPECT_EQ(Get(*snap, "qty").AsInteger(), 10);  // the copy stays as it was
}

TEST_F(DaoTwoConnectionsTest, DeferredRowsAreTakenWhenFirstWanted)
{
    auto deferred = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset, dbDeferRows);
    auto copy = db->OpenRecordset(QStringLiteral("SELECT parts.name, parts.qty FROM parts ORDER BY parts.id;"),
                                  dbOpenSnapshot, dbDeferRows);
    other->Execute(QStringLiteral("INSERT INTO parts (name, qty) VALUES ('Late part', 3)"));
    engine.Idle(dbRefreshCache);
    deferred->MoveLast();
    EXPECT_EQ(deferred->RecordCount(), 6);
    EXPECT_EQ(Names(*copy).size(), 6);
    // Opened from a deferred one, a filtered recordset reads only its own rows, at once.
    deferred->SetFilter(QStringLiteral("[qty] = 3"));
    auto filtered = deferred->OpenRecordset();
    other->Execute(QStringLiteral("INSERT INTO parts (name, qty) VALUES ('Later part', 3)"));
    engine.Idle(dbRefreshCache);
    EXPECT_EQ(Names(*filtered), QStringList{"Late part"});
}

TEST_F(DaoTwoConnectionsTest, RowDeletedByAnotherUserGives3167WhenTouched)
{
    auto rs = Parts();
    rs->Move(1);
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Air filter"));
    other->Execute(QStringLiteral("DELETE FROM parts WHERE id = 2 OR id = 3"));
    engine.Idle(dbRefreshCache);
    EXPECT_EQ(ErrorOf([&] { Get(*rs, "name"); }), errRecordDeleted);
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), errRecordDeleted);
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), errRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { Get(*rs, "name"); }), errRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(Get(*rs, "name").AsString(), QStringLiteral("Spark plug"));
    // Also without Idle, for a row not read before.
    auto fresh = Parts();
    other->Execute(QStringLiteral("DELETE FROM parts WHERE id = 5"));
    fresh->MoveLast();
    EXPECT_EQ(ErrorOf([&] { Get(*fresh, "name"); }), errRecordDeleted);
}

TEST_F(DaoTwoConnectionsTest, OptimisticUpdateRefusesToLoseAnotherUsersChange)
{
    auto mine = Parts();
    auto theirs = other->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    mine->Edit();
    theirs->Edit();
    theirs->Fields()[QStringLiteral("price")]->SetValue(TVariant(50.0));
    theirs->Update();
    mine->Fields()[QStringLiteral("qty")]->SetValue(TVariant(11));
    EXPECT_EQ(ErrorOf([&] { mine->Update(); }), errWriteConflict);
    mine->CancelUpdate();
    engine.Idle(dbRefreshCache);
    EXPECT_DOUBLE_EQ(Get(*mine, "price").AsFloat(), 50.0);
    EXPECT_EQ(Get(*mine, "qty").AsInteger(), 10);
    // Edited again from the row as it now stands, the update goes through.
    mine->Edit();
    mine->Fields()[QStringLiteral("qty")]->SetValue(TVariant(11));
    mine->Update();
    other->RefreshCache();
    theirs->Requery();
    EXPECT_EQ(theirs->Fields()[QStringLiteral("qty")]->Value().AsInteger(), 11);
    EXPECT_DOUBLE_EQ(theirs->Fields()[QStringLiteral("price")]->Value().AsFloat(), 50.0);
}

TEST_F(DaoTwoConnectionsTest, PessimisticEditHoldsOtherWritersOff)
{
    auto mine = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset, 0, dbPessimistic);
    EXPECT_TRUE(mine->LockEdits());
    mine->Edit();
    auto theirs = other->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    sqlite3_busy_timeout(other->GetStore()->Db(), 50);
    theirs->Move(3);
    theirs->Edit();
    theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(1));
    EXPECT_EQ(ErrorOf([&] { theirs->Update(); }), errDatabaseLocked);
    theirs->CancelUpdate();
    mine->Fields()[QStringLiteral("qty")]->SetValue(TVariant(12));
    mine->Update();
    theirs->Edit();
    theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(1));
    theirs->Update();
    engine.Idle(dbRefreshCache);
    mine->MoveFirst();
    EXPECT_EQ(Get(*mine, "qty").AsInteger(), 12);
}

TEST_F(DaoTwoConnectionsTest, ExclusiveOpenKeepsOthersOut)
{
    other->Close();
    db->Close();
    auto solo = Open(QString(), true);
    EXPECT_EQ(ErrorOf([&] { Open(); }), errFileInUse);
    solo->Close();
    auto shared = Open();
    EXPECT_EQ(ErrorOf([&] { Open(QString(), true); }), errFileInUse);
}

}  // namespace
}  // namespace daotest
