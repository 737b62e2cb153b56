#include "MemTableFixture.h"

#include "memtable/MemDeltaHandler.h"
#include "memtable/MemJournal.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

namespace {

TField* N(TDataSet& t) { return t.FieldByName(QStringLiteral("N")); }

// Rows N = 1, 2, 3 stored unmodified, then versioning switched on in the given mode.
std::unique_ptr<TMemTable> VersionedTable(TMemVersioningMode mode)
{
    auto table = MakeTable();
    table->Open();
    for (int n = 1; n <= 3; ++n) AddRow(*table, n, QStringLiteral("r%1").arg(n));
    table->SetEnableVersioning(true);
    table->SetVersioningMode(mode);
    return table;
}

void EditRow(TMemTable& table, int from, int to)
{
    ASSERT_TRUE(table.Locate(QStringLiteral("N"), from, {}));
    table.Edit();
    N(table)->SetAsInteger(to);
    table.Post();
}

void DeleteRow(TMemTable& table, int n)
{
    ASSERT_TRUE(table.Locate(QStringLiteral("N"), n, {}));
    table.Delete();
}

int VersionCount(const TMemRow* row)
{
    int count = 0;
    for (; row; row = row->OlderVersion) ++count;
    return count;
}

TEST(MemTableVersions, OneSinceCheckPointKeepsTheFirstStateAllKeepsEvery)
{
    for (auto [mode, versions] : {std::pair{mtvm1SinceCheckPoint, 2}, std::pair{mtvmAllSinceCheckPoint, 3}}) {
        auto table = VersionedTable(mode);
        EditRow(*table, 1, 10);
        EditRow(*table, 10, 11);
        const TMemRow* row = table->RowStore().Slot(0);
        EXPECT_EQ(row->UpdateStatus, musModified);
        EXPECT_EQ(VersionCount(row), versions) << int(mode);
        const TMemRow* oldest = row;
        while (oldest->OlderVersion) oldest = oldest->OlderVersion;
        EXPECT_EQ(oldest->UpdateStatus, musUnmodified);
    }
}

TEST(MemTableVersions, DeletedRowStaysStoredAndHidden)
{
    auto table = VersionedTable(mtvm1SinceCheckPoint);
    DeleteRow(*table, 2);
    EXPECT_EQ(table->RowStore().RowCount(), 3);
    EXPECT_EQ(table->RowStore().Slot(1)->UpdateStatus, musDeleted);
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 3"));
    table->CheckPoint();
    EXPECT_EQ(table->RowStore().RowCount(), 2);
    EXPECT_EQ(table->RowStore().Slot(0)->UpdateStatus, musUnmodified);
    EXPECT_EQ(table->RowStore().Slot(0)->OlderVersion, nullptr);
}

TEST(MemTableVersions, TransactionsNeedMultiversionAndAnOpenTable)
{
    auto table = VersionedTable(mtvm1SinceCheckPoint);
    EXPECT_EQ(ErrorOf([&] { table->StartTransaction(); }), QStringLiteral("Transactioning requires multiversion versioning."));
    table->Close();
    table->SetVersioningMode(mtvmAllSinceCheckPoint);
    table->StartTransaction();
    EXPECT_EQ(table->TransactionLevel(), 0);
}

// One step of a transaction scenario: S start, C commit, R rollback, E edit a to b, I insert a,
// D delete a.
struct Step {
    char Op;
    int A = 0;
    int B = 0;
};

struct TransactionCase {
    const char* Name;
    std::vector<Step> Steps;
    const char* Expected;  // N in index order
};

TEST(MemTableVersions, NestedTransactionScenarios)
{
    const std::vector<TransactionCase> cases = {
        {"edit rolled back", {{'S'}, {'E', 1, 10}, {'R'}}, "1 2 3"},
        {"two edits rolled back", {{'S'}, {'E', 1, 10}, {'E', 10, 11}, {'R'}}, "1 2 3"},
        {"insert rolled back", {{'S'}, {'I', 4}, {'R'}}, "1 2 3"},
        {"delete rolled back", {{'S'}, {'D', 2}, {'R'}}, "1 2 3"},
        {"insert edit delete rolled back", {{'S'}, {'I', 4}, {'E', 4, 0}, {'D', 0}, {'R'}}, "1 2 3"},
        {"committed", {{'S'}, {'E', 2, 20}, {'D', 3}, {'I', 5}, {'C'}}, "1 5 20"},
        {"inner commit, outer rollback", {{'S'}, {'S'}, {'E', 1, 10}, {'I', 7}, {'C'}, {'R'}}, "1 2 3"},
        {"inner rollback, outer commit", {{'S'}, {'E', 1, 10}, {'S'}, {'E', 10, 20}, {'D', 2}, {'R'}, {'C'}}, "2 3 10"},
        {"edit before, rollback after", {{'E', 3, 30}, {'S'}, {'E', 30, 31}, {'R'}}, "1 2 30"},
        {"inner insert deleted in outer", {{'S'}, {'S'}, {'I', 4}, {'C'}, {'D', 4}, {'R'}}, "1 2 3"},
    };
    for (const TransactionCase& c : cases) {
        auto table = VersionedTable(mtvmAllSinceCheckPoint);
        table->IndexDefs().Add(QStringLiteral("ixN"), QStringLiteral("N"), {});
        table->CheckIndexes();
        table->SetIndexName(QStringLiteral("ixN"));
        for (const Step& step : c.Steps) {
            switch (step.Op) {
            case 'S': table->StartTransaction(); break;
            case 'C': table->Commit(); break;
            case 'R': table->Rollback(); break;
            case 'E': EditRow(*table, step.A, step.B); break;
            case 'I': AddRow(*table, step.A, "new"); break;
            case 'D': DeleteRow(*table, step.A); break;
            }
        }
        EXPECT_EQ(table->TransactionLevel(), 0) << c.Name;
        EXPECT_EQ(Column(*table, QStringLiteral("N")), Words(c.Expected)) << c.Name;
        // Every row the index holds is the one stored in its slot.
        for (TMemRow* row : table->CurrentIndex()->Rows()) EXPECT_EQ(table->RowStore().Slot(row->RecordID), row) << c.Name;
        EXPECT_EQ(table->RecordCount(), Words(c.Expected).size()) << c.Name;
    }
}

TEST(MemTableVersions, RolledBackRowKeepsItsBookmark)
{
    auto table = VersionedTable(mtvmAllSinceCheckPoint);
    ASSERT_TRUE(table->Locate(QStringLiteral("N"), 2, {}));
    const TBookmark bookmark = table->GetBookmark();
    table->StartTransaction();
    EditRow(*table, 2, 20);
    table->Rollback();
    table->First();
    ASSERT_TRUE(table->BookmarkValid(bookmark));
    table->GotoBookmark(bookmark);
    EXPECT_EQ(N(*table)->AsInteger(), 2);
    EXPECT_EQ(table->UpdateStatus(), usUnmodified);
}

TEST(MemTableJournal, RecordsImagesInOrder)
{
    auto table = MakeTable();
    table->SetEnableJournal(true);
    table->Open();
    ASSERT_NE(table->Journal(), nullptr);
    AddRow(*table, 1, "a");
    AddRow(*table, 2, "b");
    EditRow(*table, 1, 10);
    DeleteRow(*table, 2);
    TCustomMemTable* journal = table->Journal()->JournalTable();
    QStringList entries;
    journal->First();
    while (!journal->Eof()) {
        entries << QStringLiteral("%1/%2:%3:%4")
                       .arg(journal->FieldByName(QStringLiteral("__MT_Journal_Operation"))->AsInteger())
                       .arg(journal->FieldByName(QStringLiteral("__MT_Journal_RecordType"))->AsInteger())
                       .arg(journal->FieldByName(QStringLiteral("N"))->AsInteger())
                       .arg(journal->FieldByName(QStringLiteral("T"))->AsString());
        journal->Next();
    }
    EXPECT_EQ(entries, Words("0/1:1:a 0/1:2:b 1/2:1:a 1/1:10:a 2/2:2:b"));
    table->EmptyTable();
    EXPECT_EQ(journal->RecordCount(), 6);
    table->Close();
    EXPECT_EQ(table->Journal(), nullptr);
}

// Records what the hooks were told.
class RecordingDeltaHandler : public TCustomMemDeltaHandler {
public:
    using TCustomMemDeltaHandler::TCustomMemDeltaHandler;
    QStringList Calls;

protected:
    void InsertRecord() override { Calls << QStringLiteral("insert:") + CurrentValue(QStringLiteral("T")).AsString(); }
    void DeleteRecord() override { Calls << QStringLiteral("delete:") + OldestValue(QStringLiteral("T")).AsString(); }
    void ModifyRecord() override
    {
        Calls << QStringLiteral("modify:%1>%2")
                     .arg(OldestValue(QStringLiteral("N")).AsString(), CurrentValue(QStringLiteral("N")).AsString());
    }
};

TEST(MemTableDeltaHandler, ResolveReportsEachChangedRowOnce)
{
    RecordingDeltaHandler handler;
    EXPECT_EQ(ErrorOf([&] { handler.Resolve(); }), QStringLiteral("Delta handler is not assigned to any memorytables."));
    auto table = VersionedTable(mtvmAllSinceCheckPoint);
    table->SetDeltaHandler(&handler);
    EXPECT_EQ(handler.MemTable(), table.get());
    EditRow(*table, 1, 10);
    EditRow(*table, 10, 11);
    DeleteRow(*table, 2);
    AddRow(*table, 4, "d");
    AddRow(*table, 5, "e");
    DeleteRow(*table, 5);
    handler.Resolve();
    EXPECT_EQ(handler.Calls, Words("modify:1>11 delete:r2 insert:d"));
    table.reset();
    EXPECT_EQ(handler.MemTable(), nullptr);
}

TEST(MemTableDeltaHandler, AHandlerServesOneTable)
{
    auto a = MakeTable();
    auto b = MakeTable();
    {
        RecordingDeltaHandler handler;
        a->SetDeltaHandler(&handler);
        b->SetDeltaHandler(&handler);
        EXPECT_EQ(a->DeltaHandler(), nullptr);
        EXPECT_EQ(b->DeltaHandler(), &handler);
    }
    EXPECT_EQ(b->DeltaHandler(), nullptr);
}

}  // namespace
