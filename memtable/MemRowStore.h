#pragma once
// The row store: stored rows by record id, free slots for reuse, the serial counters, and what
// tables attached to one store share (the AutoInc counter, the count of rows marked deleted).

#include "memtable/MemRow.h"

#include <mutex>
#include <vector>

class TMemRowStore {
public:
    // The highest record id a store hands out.
    static constexpr qint32 MaxRecordID = 0x7FFFFFCF;

    explicit TMemRowStore(qint32 maxRecordID = MaxRecordID) : maxRecordID_(maxRecordID) {}
    TMemRowStore(const TMemRowStore&) = delete;
    TMemRowStore& operator=(const TMemRowStore&) = delete;

    // Held for every walk or change of the store; re-entrant, since the journal and the index
    // upkeep take it again inside a post.
    std::recursive_mutex& Lock() const { return lock_; }

    int SlotCount() const { return int(slots_.size()); }
    TMemRow* Slot(int recordID) const;
    bool IsEmpty() const { return slots_.size() == freeSlots_.size(); }
    int RowCount() const { return int(slots_.size() - freeSlots_.size()); }

    // Gives the row a record id (a freed one first) and the next record no and puts it into its
    // slot. A counter past its limit raises EMemTableError before anything is stored.
    void StoreRow(TMemRow* row);
    // Empties the row's slot and remembers it for reuse; the caller frees the row.
    void ReleaseRow(const TMemRow* row);
    // Puts another node into the row's slot (a version restored by a rollback); it takes the
    // row's record id and record no.
    void ReplaceRow(const TMemRow* row, TMemRow* replacement);
    // Empties the store and resets the counters; returns the rows for the caller to free.
    std::vector<TMemRow*> TakeAllRows();

    qint32 NextRecordID() const { return nextRecordID_; }
    qint32 NextRecordNo() const { return nextRecordNo_; }

    // Shared by every table attached to this store.
    int DeletedCount = 0;
    qint32 HighestAutoInc = -1;

private:
    mutable std::recursive_mutex lock_;
    std::vector<TMemRow*> slots_;
    std::vector<qint32> freeSlots_;
    qint32 nextRecordID_ = 0;
    qint32 nextRecordNo_ = 0;
    qint32 maxRecordID_;
};
