#include "DataAccessFixture.h"

#include "dataaccess/DaoBlobStream.h"
#include "platform/dao/DaoIndex.h"
#include "platform/toolkit/DateTime.h"
#include <sqlite3.h>

namespace {

using namespace datest;

class DaoTableEditTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShopAndConnect([](dao::Database& db) { AddValues(db); });
    }

    // vals(id counter, b, i, d, t, dt, f, g, m, blob) of every kind with one row, the empty
    // table "nothing", and a unique index on the items' names.
    static void AddValues(dao::Database& db)
    {
        auto td = CounterTable(db, QStringLiteral("vals"));
        td->Fields().Append(td->CreateField(QStringLiteral("b"), dao::dbBoolean));
        td->Fields().Append(td->CreateField(QStringLiteral("i"), dao::dbLong));
        auto d = td->CreateField(QStringLiteral("d"), dao::dbDate);
        d->SetProperty(QStringLiteral("Format"), TVariant("Short Date"));
        td->Fields().Append(d);
        auto t = td->CreateField(QStringLiteral("t"), dao::dbDate);
        t->SetProperty(QStringLiteral("Format"), TVariant("Long Time"));
        td->Fields().Append(t);
        td->Fields().Append(td->CreateField(QStringLiteral("dt"), dao::dbDate));
        td->Fields().Append(td->CreateField(QStringLiteral("f"), dao::dbDouble));
        td->Fields().Append(td->CreateField(QStringLiteral("g"), dao::dbGUID));
        auto memo = td->CreateField(QStringLiteral("m"), dao::dbMemo);
        memo->SetAllowZeroLength(true);
        td->Fields().Append(memo);
        td->Fields().Append(td->CreateField(QStringLiteral("blob"), dao::dbLongBinary));
        db.TableDefs().Append(td);
        db.Execute(QStringLiteral("INSERT INTO vals (i) VALUES (1)"), dao::dbFailOnError);
        auto empty = db.CreateTableDef(QStringLiteral("nothing"));
        empty->Fields().Append(empty->CreateField(QStringLiteral("x"), dao::dbLong));
        db.TableDefs().Append(empty);
        auto items = db.TableDefs().Item(QStringLiteral("items"));
        auto unique = items->CreateIndex(QStringLiteral("UniqueName"));
        unique->SetUnique(true);
        unique->Fields().Append(unique->CreateField(QStringLiteral("name")));
        items->Indexes().Append(unique);
    }

    int Rows(const QString& table)
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.OpenDatabase(path);
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM ") + table, dao::dbOpenSnapshot);
        int n = 0;
        while (!rs->Eof()) {
            ++n;
            rs->MoveNext();
        }
        return n;
    }
};

TEST(DaoTableTexts, TextsConvertOrReadAsNull)
{
    struct Case {
        const char* text;
        bool present;
        qint64 integer;
    };
    const Case integers[] = {{"12", true, 12}, {"12.7", true, 13}, {"-3", true, -3}, {"", false, 0}, {"abc", false, 0}};
    for (const auto& c : integers) {
        qint64 v = -99;
        EXPECT_EQ(TextToInteger(QString::fromLatin1(c.text), v), c.present) << c.text;
        EXPECT_EQ(v, c.present ? c.integer : -99) << c.text;
    }
    struct BoolCase {
        const char* text;
        bool present;
        bool value;
    };
    const BoolCase booleans[] = {{"yes", true, true},  {"ON", true, true},    {"=true", true, true}, {"-1", true, true},
                                 {"no", true, false},  {"Off", true, false},  {"2", true, true},     {"0", true, false},
                                 {"", false, false},   {"maybe", false, false}};
    for (const auto& c : booleans) {
        bool v = false;
        EXPECT_EQ(TextToBoolean(QString::fromLatin1(c.text), v), c.present) << c.text;
        if (c.present) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    double f = 0;
    EXPECT_TRUE(TextToFloat(QStringLiteral("2.5"), f));
    EXPECT_DOUBLE_EQ(f, 2.5);
    EXPECT_FALSE(TextToFloat(QStringLiteral("2,5x"), f));
}

TEST_F(DaoTableEditTest, EveryTypeRoundTripsThroughTheEngine)
{
    auto table = Table(QStringLiteral("vals"));
    table->Open();
    EXPECT_TRUE(table->FieldByName(QStringLiteral("d"))->IsNull());  // a Null date reads as Null
    EXPECT_EQ(table->FieldByName(QStringLiteral("d"))->DataType(), ftDate);
    EXPECT_EQ(table->FieldByName(QStringLiteral("t"))->DataType(), ftTime);
    const TDateTime day = EncodeDate(2024, 2, 29);
    const TDateTime time = EncodeTime(13, 45, 10, 0);
    const QByteArray guid = GuidTextToBytes(QStringLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    table->Edit();
    table->FieldByName(QStringLiteral("b"))->SetAsBoolean(true);
    table->FieldByName(QStringLiteral("i"))->SetAsInteger(-42);
    table->FieldByName(QStringLiteral("d"))->SetAsDateTime(day + time);
    table->FieldByName(QStringLiteral("t"))->SetAsDateTime(time);
    table->FieldByName(QStringLiteral("dt"))->SetAsDateTime(day + time);
    table->FieldByName(QStringLiteral("f"))->SetAsFloat(0.1);
    table->FieldByName(QStringLiteral("g"))->SetAsBytes(guid);
    table->Post();
    table->Close();
    table->Open();
    EXPECT_TRUE(table->FieldByName(QStringLiteral("b"))->AsBoolean());
    EXPECT_EQ(table->FieldByName(QStringLiteral("i"))->AsInteger(), -42);
    EXPECT_DOUBLE_EQ(table->FieldByName(QStringLiteral("d"))->AsDateTime(), day);  // the day at midnight
    EXPECT_NEAR(table->FieldByName(QStringLiteral("t"))->AsDateTime(), time, 1e-9);
    EXPECT_NEAR(table->FieldByName(QStringLiteral("dt"))->AsDateTime(), day + time, 1e-9);
    EXPECT_DOUBLE_EQ(table->FieldByName(QStringLiteral("f"))->AsFloat(), 0.1);
    EXPECT_EQ(table->FieldByName(QStringLiteral("g"))->AsBytes(), guid);
    // The null GUID is stored as Null.
    table->Edit();
    table->FieldByName(QStringLiteral("g"))->SetAsBytes(QByteArray(16, '\0'));
    table->FieldByName(QStringLiteral("i"))->Clear();
    table->Post();
    EXPECT_TRUE(table->FieldByName(QStringLiteral("g"))->IsNull());
    EXPECT_TRUE(table->FieldByName(QStringLiteral("i"))->IsNull());
}

// A row keeps each value as its record text, so a double reads back as its 15-digit text says,
// before and after the text itself is asked for.
TEST_F(DaoTableEditTest, ValuesReadAsTheirRecordTextsSay)
{
    struct Case {
        const char* literal;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {"12.34", 12.34, "12.34"},
        {"0.30000000000000004", 0.3, "0.3"},
        {"123456789.123456789", 123456789.123457, "123456789.123457"},
        {"1E-30", 1e-30, "1e-30"},
        {"-7", -7, "-7"},
    };
    for (const Case& c : cases) {
        database.reset();
        {
            dao::DBEngine engine(QStringLiteral("3.6"));
            auto db = engine.OpenDatabase(path);
            db->Execute(QStringLiteral("UPDATE vals SET f = %1, i = -42, b = True").arg(QString::fromLatin1(c.literal)),
                        dao::dbFailOnError);
            db->Close();
        }
        Connect();
        auto table = Table(QStringLiteral("vals"));
        table->Open();
        TField* f = table->FieldByName(QStringLiteral("f"));
        EXPECT_EQ(f->AsFloat(), c.value) << c.literal;
        EXPECT_EQ(table->FieldText(table->GetActiveRecordBuffer(), f->FieldNo() - 1), QString::fromLatin1(c.text))
            << c.literal;
        EXPECT_EQ(f->AsFloat(), c.value) << c.literal;
        EXPECT_EQ(table->FieldByName(QStringLiteral("i"))->AsInteger(), -42);
        EXPECT_TRUE(table->FieldByName(QStringLiteral("b"))->AsBoolean());
        EXPECT_EQ(table->FieldText(table->GetActiveRecordBuffer(), table->FieldByName(QStringLiteral("b"))->FieldNo() - 1),
                  QStringLiteral("True"));
        EXPECT_TRUE(table->FieldByName(QStringLiteral("d"))->IsNull());
    }
}

TEST_F(DaoTableEditTest, BlobStreamsReadOnDemandAndWriteOnPost)
{
    auto table = Table(QStringLiteral("vals"));
    table->Open();
    auto* memo = table->FieldByName(QStringLiteral("m"));
    table->Edit();
    memo->SetAsString(QString(1200, QLatin1Char('x')));
    table->Post();
    table->Close();
    table->Open();
    memo = table->FieldByName(QStringLiteral("m"));
    EXPECT_EQ(table->FieldText(table->GetActiveRecordBuffer(), memo->FieldNo() - 1), QStringLiteral("1200"));
    EXPECT_EQ(memo->AsString().size(), 1200);
    table->Edit();
    {
        std::unique_ptr<TStream> stream(table->CreateBlobStream(memo, bmWrite));
        stream->WriteBytes("abcdef");
        stream->Seek(0, soFromBeginning);
        stream->WriteBytes("abc");
        EXPECT_EQ(stream->Size(), 3);
        stream->Seek(2, soFromEnd);
        char c = 0;
        EXPECT_EQ(stream->Read(&c, 1), 0);  // past the end: nothing
        stream->Seek(-10, soFromBeginning);
        EXPECT_EQ(stream->Position(), 0);
        stream->Seek(5, soFromBeginning);
        stream->WriteBytes("z");
    }
    table->Post();
    EXPECT_EQ(memo->AsString(), QStringLiteral("abc") + QString(2, QChar(0)) + QStringLiteral("z"));
    auto* blob = table->FieldByName(QStringLiteral("blob"));
    table->Edit();
    blob->SetAsBytes(QByteArray("\x01\x02\xff", 3));
    table->Post();
    table->Close();
    table->Open();
    blob = table->FieldByName(QStringLiteral("blob"));
    EXPECT_EQ(blob->AsBytes(), QByteArray("\x01\x02\xff", 3));
    table->Close();
    table->SetReadOnly(true);
    table->Open();
    blob = table->FieldByName(QStringLiteral("blob"));
    EXPECT_EQ(ErrorOf([&] { delete table->CreateBlobStream(blob, bmWrite); }), QStringLiteral("Cannot write to ReadOnly table!"));
}

TEST_F(DaoTableEditTest, ABlobReadOfARowAnotherUserDeletedGivesNothingAndRefreshes)
{
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("INSERT INTO vals (i, m) VALUES (2, 'second')"), dao::dbFailOnError);
        other->Execute(QStringLiteral("INSERT INTO vals (i, m) VALUES (3, 'third')"), dao::dbFailOnError);
    }
    auto table = Table(QStringLiteral("vals"));
    table->Open();
    table->MoveBy(1);
    auto* memo = table->FieldByName(QStringLiteral("m"));
    ASSERT_EQ(table->FieldByName(QStringLiteral("i"))->AsInteger(), 2);
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        engine.OpenDatabase(path)->Execute(QStringLiteral("DELETE FROM vals WHERE i = 2"), dao::dbFailOnError);
    }
    database->Idle();
    std::unique_ptr<TStream> stream(table->CreateBlobStream(memo, bmRead));
    EXPECT_EQ(stream->Size(), 0);
    // The refresh leaves the gone row out and the cursor on the row that took its place.
    EXPECT_EQ(table->FieldByName(QStringLiteral("i"))->AsInteger(), 3);
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(Column(*table, QStringLiteral("i")), QStringList({"1", "3"}));
}

TEST_F(DaoTableEditTest, PostWritesOnlyTheChangedFieldsSoAnotherUsersChangeSurvives)
{
    auto table = Table();
    table->Open();
    {
        // Made after this table read the row and before its Edit, which reads it again.
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("UPDATE items SET qty = 77 WHERE id = 1"), dao::dbFailOnError);
    }
    database->Idle();
    table->Edit();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Brake disc"));
    table->Post();
    table->Close();
    table->Open();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Brake disc"));
    EXPECT_EQ(table->FieldByName(QStringLiteral("qty"))->AsInteger(), 77);
}

TEST_F(DaoTableEditTest, InsertStandsOnTheNewRowAndCancelMakesNoEngineCall)
{
    auto table = Table();
    table->Open();
    table->Insert();
    EXPECT_EQ(table->FieldByName(QStringLiteral("qty"))->AsInteger(), 1);  // the engine default shows
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Cancelled"));
    table->Cancel();
    EXPECT_EQ(table->Recordset()->EditMode(), dao::dbEditNone);
    EXPECT_EQ(Rows(QStringLiteral("items")), 5);

    table->Append();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Fuse"));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Fuse"));
    EXPECT_EQ(table->FieldByName(QStringLiteral("qty"))->AsInteger(), 1);
    EXPECT_EQ(Rows(QStringLiteral("items")), 6);
    EXPECT_EQ(table->RecordCount(), 6);
}

TEST_F(DaoTableEditTest, RetryThenFailOnAUniqueViolationCallsTheEngineTwice)
{
    auto table = Table();
    table->Open();
    int calls = 0;
    QStringList messages;
    table->OnPostError = [&](TDataSet*, Exception& error, TDataAction& action) {
        messages << error.Message();
        action = ++calls == 1 ? daRetry : daFail;
    };
    table->Insert();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Brake pad"));
    EXPECT_THROW(table->Post(), EDaoError);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(messages.size(), 2);
    EXPECT_FALSE(messages.first().isEmpty());
    EXPECT_EQ(table->State(), dsInsert);
    EXPECT_EQ(table->Recordset()->EditMode(), dao::dbEditNone);
    table->Cancel();
    EXPECT_EQ(Rows(QStringLiteral("items")), 5);

    table->OnPostError = [](TDataSet*, Exception&, TDataAction& action) { action = daAbort; };
    table->Edit();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Air filter"));
    EXPECT_THROW(table->Post(), EAbort);
    table->Cancel();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Brake pad"));
}

TEST_F(DaoTableEditTest, ARowDeletedByAnotherUserIsNotReported)
{
    auto table = Table();
    table->Open();
    table->MoveBy(1);
    ASSERT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Air filter"));
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("DELETE FROM items WHERE id = 2"), dao::dbFailOnError);
    }
    database->Idle();
    table->Delete();
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(table->RecordCount(), 4);
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Oil change", "Spark plug", "Wheel align"}));
}

TEST_F(DaoTableEditTest, EditingARowDeletedByAnotherUserRaisesAndRecovers)
{
    auto table = Table();
    table->Open();
    table->MoveBy(1);
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("DELETE FROM items WHERE id = 2"), dao::dbFailOnError);
    }
    database->Idle();
    int number = 0;
    try {
        table->Edit();
    } catch (const EDaoError& error) {
        number = error.Number();
    }
    EXPECT_EQ(number, dao::errRecordDeleted);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Oil change", "Spark plug", "Wheel align"}));
}

TEST_F(DaoTableEditTest, RefreshShowsAnotherUsersChangeAndKeepsThePosition)
{
    auto table = Table();
    table->Open();
    table->MoveBy(1);
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto other = engine.OpenDatabase(path);
        other->Execute(QStringLiteral("UPDATE items SET qty = 55 WHERE id = 2"), dao::dbFailOnError);
    }
    table->Refresh();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Air filter"));
    EXPECT_EQ(table->FieldByName(QStringLiteral("qty"))->AsInteger(), 55);
    EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(DaoTableEditTest, BatchModePostingEndsWithCancelAndWithTheBatch)
{
    auto table = Table();
    table->Open();
    table->SetBatchMode(true);
    table->Append();
    table->Cancel();
    table->First();
    table->Next();
    EXPECT_EQ(table->RecNo(), 2);  // the walk is not cut short
    table->Append();
    table->SetBatchMode(false);
    table->Cancel();
    table->First();
    table->Next();
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(DaoTableEditTest, DeleteRenumbersTheBookmarksAfterTheRow)
{
    auto table = Table();
    table->Open();
    table->MoveBy(3);
    const TBookmark spark = table->GetBookmark();
    table->First();
    table->MoveBy(1);
    table->Delete();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Oil change"));
    EXPECT_TRUE(table->BookmarkValid(spark));
    table->GotoBookmark(spark);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Spark plug"));
    EXPECT_EQ(table->RecNo(), 3);
}

TEST_F(DaoTableEditTest, BookmarksAndTheirValidity)
{
    auto table = Table();
    table->Open();
    table->MoveBy(2);
    const TBookmark oil = table->GetBookmark();
    table->First();
    EXPECT_TRUE(table->BookmarkValid(oil));
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Brake pad"));  // not moved
    EXPECT_FALSE(table->BookmarkValid(TBookmark()));
    EXPECT_EQ(table->CompareBookmarks(TBookmark(), oil), 1);
    EXPECT_EQ(table->CompareBookmarks(oil, TBookmark()), -1);
    table->GotoBookmark(oil);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Oil change"));
    table->RequeryIfRestartable();
    EXPECT_EQ(ErrorOf([&] { table->GotoBookmark(oil); }), QStringLiteral("Invalid Bookmark!"));
}

TEST_F(DaoTableEditTest, CountsAndRecordNumbersForEveryRecordsetType)
{
    for (int type : {1, 2, 4, 8}) {
        auto table = Table();
        table->SetTableType(type);
        table->Open();
        EXPECT_EQ(table->RecordCount(), type == 8 ? -1 : 5) << type;
        int expected = 1;
        while (!table->Eof()) {
            EXPECT_EQ(table->RecNo(), expected) << type;
            ++expected;
            table->Next();
        }
        EXPECT_EQ(expected, 6) << type;
        if (type != 8) {
            table->Last();
            EXPECT_EQ(table->RecNo(), 5) << type;
            table->Prior();
            EXPECT_EQ(table->RecNo(), 4) << type;
        }
    }
}

TEST_F(DaoTableEditTest, LastOnAForwardOnlyTableNumbersTheLastRow)
{
    // From a fresh open, from the middle and from the end.
    for (int steps : {0, 2, 5}) {
        auto table = Table();
        table->SetTableType(dao::dbOpenForwardOnly);
        table->Open();
        for (int i = 0; i < steps; ++i)
            table->Next();
        table->Last();
        EXPECT_TRUE(table->Eof()) << steps;
        EXPECT_EQ(table->RecNo(), 5) << steps;
    }
}

TEST_F(DaoTableEditTest, AFilterEventKeepsOddIdsAndRecordNumbersFollowIt)
{
    auto table = Table();
    table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("id")->AsInteger() % 2 == 1; });
    table->SetFiltered(true);
    table->Open();
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Oil change", "Wheel align"}));
    EXPECT_EQ(table->RecordCount(), 3);
    table->First();
    table->Next();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Oil change"));
    EXPECT_EQ(table->RecNo(), 2);
    table->Next();
    EXPECT_EQ(table->RecNo(), 3);
    table->SetRecNo(2);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Oil change"));
    table->SetRecNo(9);  // beyond the rows: stays
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Oil change"));
    table->SetFiltered(false);
    table->SetRecNo(4);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Spark plug"));
    EXPECT_EQ(table->RecNo(), 4);
}

TEST_F(DaoTableEditTest, RefreshSortedReReadsTheSortedRowsAfterAPost)
{
    auto table = Table();
    table->SetSortedByText(QStringLiteral("name"));
    table->SetRefreshSorted(true);
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Aa first"));
    table->Post();
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Aa first"));
    table->SetRefreshSorted(false);
    table->Append();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Zz last"));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Zz last"));
}

TEST_F(DaoTableEditTest, TheEmptyTable)
{
    auto table = Table(QStringLiteral("nothing"));
    table->Open();
    EXPECT_TRUE(table->IsEmpty());
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->RecNo(), -1);
    table->Last();
    EXPECT_TRUE(table->Eof());
    table->Append();
    table->FieldByName(QStringLiteral("x"))->SetAsInteger(5);
    table->Post();
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(table->FieldByName(QStringLiteral("x"))->AsInteger(), 5);
}

}  // namespace

namespace {

using namespace datest;

// Exposes the record buffers, to show that copies own their texts.
class BufferTable : public TDaoTable {
public:
    using TDaoTable::AllocRecordBuffer;
    using TDaoTable::FreeRecordBuffer;
};

class DaoTableFaultTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShop();
        Connect();
    }
};

TEST_F(DaoTableFaultTest, ACopiedRecordOwnsItsTexts)
{
    BufferTable table;
    table.SetDatabase(database.get());
    table.SetTableName(QStringLiteral("items"));
    table.Open();
    TRecordBuffer copy = table.AllocRecordBuffer();
    ASSERT_TRUE(table.GetCurrentRecord(copy));
    table.FreeRecordBuffer(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(table.FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Brake pad"));
    TRecordBuffer again = table.AllocRecordBuffer();
    ASSERT_TRUE(table.GetCurrentRecord(again));
    table.Next();  // the window's buffer is refilled; the copy keeps the row it took
    EXPECT_EQ(table.FieldText(again, table.FieldByName(QStringLiteral("name"))->FieldNo() - 1), QStringLiteral("Brake pad"));
    table.FreeRecordBuffer(again);
    EXPECT_EQ(table.FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Air filter"));
}

TEST_F(DaoTableFaultTest, AFailedDeleteKeepsEveryBookmarkOnItsRow)
{
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "CREATE TRIGGER keep_two BEFORE DELETE ON items WHEN old.id = 2 "
                               "BEGIN SELECT RAISE(ABORT, 'kept'); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    auto table = Table();
    table->Open();
    table->MoveBy(3);
    const TBookmark spark = table->GetBookmark();
    table->First();
    table->Next();
    EXPECT_FALSE(ErrorOf([&] { table->Delete(); }).isEmpty());
    table->GotoBookmark(spark);
    EXPECT_EQ(table->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("Spark plug"));
    EXPECT_EQ(table->RecNo(), 4);
}

TEST_F(DaoTableFaultTest, AnUnreadableDateIsRefusedNotReportedAsPosted)
{
    auto table = Table();
    table->Open();
    table->FieldByName(QStringLiteral("made"))->SetDefaultExpression(QStringLiteral("'soon'"));
    table->Append();
    table->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Dated"));
    EXPECT_FALSE(ErrorOf([&] { table->Post(); }).isEmpty());
    EXPECT_EQ(table->State(), dsInsert);
    table->Cancel();
    EXPECT_FALSE(table->Locate(QStringLiteral("name"), TVariant(QStringLiteral("Dated")), {}));
}

TEST_F(DaoTableFaultTest, ABookmarkOfARowAnotherUserDeletedRaisesAndTheTableRecovers)
{
    auto table = Table();
    table->Open();
    table->MoveBy(2);
    const TBookmark oil = table->GetBookmark();
    table->First();
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        engine.OpenDatabase(path)->Execute(QStringLiteral("DELETE FROM items WHERE id = 3"), dao::dbFailOnError);
    }
    database->Idle();
    EXPECT_FALSE(ErrorOf([&] { table->GotoBookmark(oil); }).isEmpty());
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(Column(*table, QStringLiteral("name")), QStringList({"Brake pad", "Air filter", "Spark plug", "Wheel align"}));
}

TEST_F(DaoTableFaultTest, CountsWithoutTheCacheAndWithTheRepairCheck)
{
    auto table = Table();
    table->SetTableType(1);
    table->SetWarnOnBadDatabase(true);
    table->SetUseRecordCount(false);
    table->Open();
    table->Last();
    EXPECT_EQ(table->RecNo(), 5);
    EXPECT_EQ(table->RecordCount(), 5);
    table->Delete();
    EXPECT_EQ(table->RecordCount(), 4);
    EXPECT_EQ(table->RecNo(), 4);
}

}  // namespace
