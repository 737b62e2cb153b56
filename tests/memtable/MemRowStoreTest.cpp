#include "memtable/MemRowStore.h"
#include "memtable/MemTableError.h"

#include <gtest/gtest.h>

namespace {

struct Rows {
    TMemRecordLayout layout;
    TMemRowStore store;
    explicit Rows(qint32 maxID = TMemRowStore::MaxRecordID) : store(maxID) { layout.AddSlot(TMemSlotKind::Integer, 4); }
    ~Rows()
    {
        for (TMemRow* row : store.TakeAllRows()) layout.FreeRow(row, true);
    }
};

TEST(MemRowStore, FreedIdIsReusedWithTheNextSerialNumber)
{
    Rows r;
    TMemRow* a = r.layout.AllocRow();
    TMemRow* b = r.layout.AllocRow();
    r.store.StoreRow(a);
    r.store.StoreRow(b);
    EXPECT_EQ(a->RecordID, 0);
    EXPECT_EQ(b->RecordID, 1);
    r.store.ReleaseRow(a);
    r.layout.FreeRow(a, true);
    TMemRow* c = r.layout.AllocRow();
    r.store.StoreRow(c);
    EXPECT_EQ(c->RecordID, 0);
    EXPECT_EQ(c->RecordNo, 2);
    EXPECT_EQ(r.store.SlotCount(), 2);
}

TEST(MemRowStore, CounterOverflowIsRefusedBeforeTheRowIsStored)
{
    Rows r(2);
    TMemRow* a = r.layout.AllocRow();
    TMemRow* b = r.layout.AllocRow();
    r.store.StoreRow(a);
    r.store.StoreRow(b);
    TMemRow* c = r.layout.AllocRow();
    try {
        r.store.StoreRow(c);
        FAIL() << "no error";
    } catch (const EMemTableError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Bookmark counter is out of range. Please close and reopen table."));
    }
    EXPECT_EQ(c->RecordID, -1);
    EXPECT_EQ(r.store.RowCount(), 2);
    r.layout.FreeRow(c, true);
    // A freed slot is no way round the serial numbers running out.
    r.store.ReleaseRow(a);
    r.layout.FreeRow(a, true);
    TMemRow* d = r.layout.AllocRow();
    EXPECT_THROW(r.store.StoreRow(d), EMemTableError);
    r.layout.FreeRow(d, true);
}

TEST(MemRowStore, DuplicateAndCopyKeepIdentityWhereTheyShould)
{
    Rows r;
    TMemRow* row = r.layout.AllocRow();
    r.store.StoreRow(row);
    row->Data[0] = 1;
    row->UpdateStatus = musModified;
    TMemRow* copy = r.layout.DuplicateRow(row, true);
    EXPECT_EQ(copy->RecordID, -1);
    EXPECT_EQ(copy->Data[0], 1);
    EXPECT_EQ(copy->UpdateStatus, musModified);
    copy->Data[0] = 0;
    r.layout.CopyRowInto(copy, row);
    EXPECT_EQ(row->RecordID, 0);
    EXPECT_EQ(row->Data[0], 0);
    r.layout.FreeRow(copy, false);
}

}  // namespace
