#include "memtable/MemRowStore.h"

#include "memtable/MemTableError.h"

TMemRow* TMemRowStore::Slot(int recordID) const
{
    if (recordID < 0 || recordID >= int(slots_.size())) return nullptr;
    return slots_[size_t(recordID)];
}

void TMemRowStore::StoreRow(TMemRow* row)
{
    std::lock_guard guard(lock_);
    // Both counters are checked first, so a refused row is never half stored.
    if (nextRecordNo_ >= maxRecordID_ || (freeSlots_.empty() && nextRecordID_ >= maxRecordID_))
        MemTableError(MemTableTexts::BookmarkCounterOutOfRange());
    if (freeSlots_.empty()) {
        slots_.push_back(nullptr);
        row->RecordID = nextRecordID_++;
    } else {
        row->RecordID = freeSlots_.back();
        freeSlots_.pop_back();
    }
    row->RecordNo = nextRecordNo_++;
    slots_[size_t(row->RecordID)] = row;
}

void TMemRowStore::ReleaseRow(const TMemRow* row)
{
    std::lock_guard guard(lock_);
    if (Slot(row->RecordID) != row) return;
    freeSlots_.push_back(row->RecordID);
    slots_[size_t(row->RecordID)] = nullptr;
}

void TMemRowStore::ReplaceRow(const TMemRow* row, TMemRow* replacement)
{
    std::lock_guard guard(lock_);
    if (Slot(row->RecordID) != row) return;
    replacement->RecordID = row->RecordID;
    replacement->RecordNo = row->RecordNo;
    slots_[size_t(row->RecordID)] = replacement;
}

std::vector<TMemRow*> TMemRowStore::TakeAllRows()
{
    std::lock_guard guard(lock_);
    std::vector<TMemRow*> rows;
    rows.reserve(slots_.size());
    for (TMemRow* row : slots_)
        if (row) rows.push_back(row);
    slots_.clear();
    freeSlots_.clear();
    nextRecordID_ = 0;
    nextRecordNo_ = 0;
    DeletedCount = 0;
    return rows;
}
