#include "memtable/MemIndex.h"

#include "memtable/MemTableError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

// Sorting by numbers packs each key field into one unsigned word ordered as the field is (0 for
// null), so the sort compares packed words in one array instead of reaching into every row block.
bool IsPackable(TMemSlotKind kind)
{
    switch (kind) {
    case TMemSlotKind::SmallInt:
    case TMemSlotKind::Word:
    case TMemSlotKind::Boolean:
    case TMemSlotKind::Integer:
    case TMemSlotKind::Date:
    case TMemSlotKind::Time:
    case TMemSlotKind::Float:
    case TMemSlotKind::DateTime: return true;
    default: return false;
    }
}

template <typename T>
T ReadSlot(const quint8* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

int ValueBits(TMemSlotKind kind)
{
    switch (kind) {
    case TMemSlotKind::Boolean: return 1;
    case TMemSlotKind::SmallInt:
    case TMemSlotKind::Word: return 16;
    case TMemSlotKind::Integer:
    case TMemSlotKind::Date:
    case TMemSlotKind::Time: return 32;
    default: return 64;
    }
}

// The value as an unsigned number of ValueBits bits ordered as the value is.
quint64 OrderedBits(const quint8* v, TMemSlotKind kind)
{
    switch (kind) {
    case TMemSlotKind::Boolean: return ReadSlot<qint16>(v) != 0 ? 1 : 0;
    case TMemSlotKind::SmallInt: return quint16(ReadSlot<qint16>(v)) ^ 0x8000u;
    case TMemSlotKind::Word: return ReadSlot<quint16>(v);
    case TMemSlotKind::Integer:
    case TMemSlotKind::Date:
    case TMemSlotKind::Time: return quint32(ReadSlot<qint32>(v)) ^ 0x80000000u;
    default: {
        double d = ReadSlot<double>(v);
        if (d == 0) d = 0;  // -0 and +0 compare equal
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        constexpr quint64 sign = quint64(1) << 63;
        return (bits & sign) ? ~bits : (bits | sign);
    }
    }
}

// A key of W words filled from the most significant bit of the first word on.
template <size_t W>
class PackedKey {
public:
    void Put(quint64 value, int bits)
    {
        while (bits > 0) {
            const int room = 64 - used_ % 64;
            const int take = std::min(room, bits);
            const quint64 part = take == 64 ? value : (value >> (bits - take)) & ((quint64(1) << take) - 1);
            words_[size_t(used_ / 64)] |= take == 64 ? part : part << (room - take);
            used_ += take;
            bits -= take;
        }
    }
    const std::array<quint64, W>& Words() const { return words_; }

private:
    std::array<quint64, W> words_{};
    int used_ = 0;
};

struct PackedField {
    TMemSlot slot;
    int valueBits = 0;
    bool nullable = false;  // some row holds null: a presence bit goes first
};

// The fields' values read from the rows once: presence and ordered bits, field by field.
struct ExtractedKeys {
    std::vector<PackedField> fields;
    std::vector<quint64> values;  // row-major, fields.size() a row; 0 with presence unset
    std::vector<quint8> present;
};

template <size_t W>
void SortPacked(std::vector<TMemRow*>& rows, const ExtractedKeys& keys, bool descending)
{
    struct Entry {
        std::array<quint64, W> key;
        TMemRow* row;
    };
    const size_t k = keys.fields.size();
    std::vector<Entry> entries(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        PackedKey<W> key;
        for (size_t f = 0; f < k; ++f) {
            const PackedField& field = keys.fields[f];
            if (field.nullable) key.Put(keys.present[i * k + f], 1);
            key.Put(keys.values[i * k + f], field.valueBits);
        }
        entries[i] = Entry{key.Words(), rows[i]};
    }
    auto ascending = [](const Entry& a, const Entry& b) {
        for (size_t w = 0; w < W; ++w)
            if (a.key[w] != b.key[w]) return a.key[w] < b.key[w];
        return a.row->RecordNo < b.row->RecordNo;
    };
    if (descending)
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return ascending(b, a); });
    else
        std::sort(entries.begin(), entries.end(), ascending);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = entries[i].row;
}

// False when the fields are not all numbers, so that the general comparison has to sort.
bool TrySortPacked(std::vector<TMemRow*>& rows, const TMemKeyFields& keyFields, bool descending)
{
    if (keyFields.empty() || keyFields.size() > 4) return false;
    ExtractedKeys keys;
    for (const TMemKeyField& key : keyFields) {
        if (!IsPackable(key.Slot.Kind)) return false;
        keys.fields.push_back(PackedField{key.Slot, ValueBits(key.Slot.Kind), false});
    }
    const size_t k = keys.fields.size();
    keys.values.resize(rows.size() * k);
    keys.present.resize(rows.size() * k);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t f = 0; f < k; ++f) {
            PackedField& field = keys.fields[f];
            const bool present = SlotHasValue(rows[i], field.slot.Offset);
            keys.present[i * k + f] = present ? 1 : 0;
            if (present)
                keys.values[i * k + f] = OrderedBits(SlotValue(rows[i], field.slot.Offset), field.slot.Kind);
            else
                field.nullable = true;
        }
    int bits = 0;
    for (const PackedField& field : keys.fields) bits += field.valueBits + (field.nullable ? 1 : 0);
    if (bits <= 64)
        SortPacked<1>(rows, keys, descending);
    else if (bits <= 128)
        SortPacked<2>(rows, keys, descending);
    else if (bits <= 192)
        SortPacked<3>(rows, keys, descending);
    else
        SortPacked<5>(rows, keys, descending);
    return true;
}

}  // namespace

TMemIndex::TMemIndex(TMemIndexHost* host, QString name, QString fieldNames, TMemIndexOptions options, bool rowOrder)
    : host_(host), name_(std::move(name)), fieldNames_(std::move(fieldNames)), options_(options), rowOrder_(rowOrder),
      internal_(rowOrder)
{
    if (options_.Descending) compareOptions_ |= mtcoDescending;
    if (options_.CaseInsensitive) compareOptions_ |= mtcoCaseInsensitive;
    valid_ = !host_ || host_->IndexRowStore().IsEmpty();
}

void TMemIndex::Prepare(const TMemRow* row) const
{
    if (host_ && host_->RecalcRowsOnIndex()) host_->CalcIndexRow(const_cast<TMemRow*>(row));
}

int TMemIndex::CompareRows(const TMemRow* a, const TMemRow* b, bool tieBreak) const
{
    int r = CompareRowFields(fieldList_, 0, compareOptions_, a, b);
    if (r == 0 && tieBreak && a && b) r = a->RecordNo < b->RecordNo ? -1 : (a->RecordNo > b->RecordNo ? 1 : 0);
    return compareOptions_.testFlag(mtcoDescending) ? -r : r;
}

int TMemIndex::LowerBound(const TMemKeyFields& fields, const TMemRow* key, TMemTableCompareOptions options) const
{
    const bool descending = options.testFlag(mtcoDescending);
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        Prepare(rows_[size_t(mid)]);
        int r = CompareRowFields(fields, 0, options, key, rows_[size_t(mid)]);
        if (descending) r = -r;
        if (r > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int TMemIndex::FindInsertPosition(const TMemRow* row, bool nearest) const
{
    return FindInsertPosition(row, nearest, compareOptions_);
}

int TMemIndex::FindInsertPosition(const TMemRow* row, bool nearest, TMemTableCompareOptions options) const
{
    const bool descending = options.testFlag(mtcoDescending);
    auto compare = [&](const TMemRow* other) {
        Prepare(other);
        int r = CompareRowFields(fieldList_, 0, options, row, other);
        return descending ? -r : r;
    };
    if (UsesBinarySearch()) {
        const int pos = LowerBound(fieldList_, row, options);
        if (pos >= Count()) return -1;
        return (nearest || compare(rows_[size_t(pos)]) == 0) ? pos : -1;
    }
    for (int i = 0; i < Count(); ++i) {
        const int r = compare(rows_[size_t(i)]);
        if (r == 0 || (nearest && r < 0)) return i;
    }
    return -1;
}

int TMemIndex::FindOrderedPosition(const TMemRow* row) const
{
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        Prepare(rows_[size_t(mid)]);
        if (CompareRows(rows_[size_t(mid)], row, true) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int TMemIndex::FindRowPosition(const TMemRow* row) const
{
    if (UsesBinarySearch()) {
        const int pos = FindOrderedPosition(row);
        if (pos < Count() && rows_[size_t(pos)] == row) return pos;
    } else if (rowOrder_ && valid_) {
        const int pos = BinaryFindRecordID(row->RecordID);
        if (pos >= 0 && rows_[size_t(pos)] == row) return pos;
    }
    // An index whose order is not known, or a row whose calculated key moved, is scanned.
    auto it = std::find(rows_.begin(), rows_.end(), row);
    return it == rows_.end() ? -1 : int(it - rows_.begin());
}

int TMemIndex::BinaryFindRecordID(qint32 recordID) const
{
    // Rows appended in order keep ascending ids; anything else may miss.
    int lo = 0;
    int hi = Count() - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const qint32 id = rows_[size_t(mid)]->RecordID;
        if (id == recordID) return mid;
        if (id < recordID)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

int TMemIndex::FindRecordID(qint32 recordID) const
{
    if (rowOrder_ && valid_)
        if (const int pos = BinaryFindRecordID(recordID); pos >= 0) return pos;
    for (int i = 0; i < Count(); ++i)
        if (rows_[size_t(i)]->RecordID == recordID) return i;
    return -1;
}

int TMemIndex::SearchKey(const TMemKeyFields& keyFields, const TMemRow* key, TMemTableCompareOptions options,
                         bool nearest, const TMemRowAccept& accept) const
{
    options &= ~TMemTableCompareOptions(mtcoDescending);
    auto sameFields = [&] {
        if (keyFields.size() != fieldList_.size()) return false;
        for (size_t i = 0; i < keyFields.size(); ++i)
            if (keyFields[i].Slot.Offset != fieldList_[i].Slot.Offset) return false;
        return true;
    };
    // The index order only helps when its case rule is the search's.
    const bool ordered = UsesBinarySearch() && sameFields() &&
                         options.testFlag(mtcoCaseInsensitive) == compareOptions_.testFlag(mtcoCaseInsensitive);
    const bool descending = compareOptions_.testFlag(mtcoDescending);
    auto compare = [&](const TMemRow* other) {
        Prepare(other);
        int r = CompareRowFields(keyFields, 0, options, key, other);
        return (ordered && descending) ? -r : r;
    };
    TMemTableCompareOptions searchOptions = options;
    searchOptions.setFlag(mtcoDescending, descending);
    const int start = ordered ? LowerBound(keyFields, key, searchOptions) : 0;
    for (int i = start; i < Count(); ++i) {
        const TMemRow* row = rows_[size_t(i)];
        const int r = compare(row);
        if (r == 0 || (nearest && r < 0)) {
            if (!accept || accept(row)) return i;
            continue;
        }
        if (ordered) return -1;
    }
    return -1;
}

void TMemIndex::SortRows()
{
    if (!Sortable()) {
        valid_ = true;
        return;
    }
    if (host_ && host_->RecalcRowsOnIndex())
        for (TMemRow* row : rows_) host_->CalcIndexRow(row);
    if (!TrySortPacked(rows_, fieldList_, compareOptions_.testFlag(mtcoDescending)))
        std::sort(rows_.begin(), rows_.end(),
                  [this](const TMemRow* a, const TMemRow* b) { return CompareRows(a, b, true) < 0; });
    valid_ = true;
    if (!options_.Unique) return;
    const TMemRow* lastLive = nullptr;
    for (const TMemRow* row : rows_) {
        if (row->UpdateStatus == musDeleted) continue;
        if (lastLive && CompareRows(lastLive, row, false) == 0) {
            valid_ = false;
            MemTableError(MemTableTexts::DuplicateIndexValue());
        }
        lastLive = row;
    }
}

void TMemIndex::LoadRows()
{
    rows_.clear();
    valid_ = false;
    TMemRowStore& store = host_->IndexRowStore();
    std::lock_guard guard(store.Lock());
    rows_.reserve(size_t(store.RowCount()));
    for (int id = 0; id < store.SlotCount(); ++id)
        if (TMemRow* row = store.Slot(id)) rows_.push_back(row);
}

void TMemIndex::Rebuild()
{
    if (host_ && host_->IndexHostActive()) {
        LoadRows();
        SortRows();
    } else {
        valid_ = true;
    }
}

void TMemIndex::Clear(bool valid)
{
    rows_.clear();
    valid_ = valid;
}

const TMemRow* TMemIndex::FindDuplicate(const TMemRow* row, const TMemRow* exceptRow) const
{
    auto isDuplicate = [&](const TMemRow* other) {
        return other != exceptRow && other->UpdateStatus != musDeleted &&
               (exceptRow == nullptr || other->RecordID != exceptRow->RecordID) && CompareRows(row, other, false) == 0;
    };
    if (UsesBinarySearch()) {
        for (int i = FindInsertPosition(row, true); i >= 0 && i < Count(); ++i) {
            const TMemRow* other = rows_[size_t(i)];
            Prepare(other);
            if (CompareRows(row, other, false) != 0) break;
            if (isDuplicate(other)) return other;
        }
        return nullptr;
    }
    // An index out of date may miss rows: ask the store itself.
    TMemRowStore& store = host_->IndexRowStore();
    std::lock_guard guard(store.Lock());
    for (int id = 0; id < store.SlotCount(); ++id) {
        const TMemRow* other = store.Slot(id);
        if (!other) continue;
        Prepare(other);
        if (isDuplicate(other)) return other;
    }
    return nullptr;
}

TMemIndexes::TMemIndexes(TMemIndexHost* host) : host_(host)
{
    items_.push_back(std::make_unique<TMemIndex>(host, RowOrderName, QString(), TMemIndexOptions{}, true));
}

TMemIndex* TMemIndexes::FindIndex(const QString& name) const
{
    for (const auto& index : items_)
        if (index->Name().compare(name, Qt::CaseInsensitive) == 0) return index.get();
    return nullptr;
}

TMemIndex* TMemIndexes::IndexByName(const QString& name) const
{
    TMemIndex* index = FindIndex(name);
    if (!index) MemTableError(MemTableTexts::IndexDoesNotExist(name));
    return index;
}

TMemIndex* TMemIndexes::IndexByFieldNames(const QString& names) const
{
    const QString wanted = names.toUpper();
    for (const auto& index : items_)
        if (!index->RowOrder() && index->FieldNames().toUpper() == wanted) return index.get();
    return nullptr;
}

TMemIndex* TMemIndexes::AddIndex(std::unique_ptr<TMemIndex> index)
{
    items_.push_back(std::move(index));
    return items_.back().get();
}

TMemIndex* TMemIndexes::AddIndexDef(const QString& name, const QString& fieldNames, TMemIndexOptions options)
{
    if (name.isEmpty() || fieldNames.isEmpty()) MemTableError(MemTableTexts::MissingIndexDefNames());
    return AddIndex(std::make_unique<TMemIndex>(host_, name, fieldNames, options));
}

std::unique_ptr<TMemIndex> TMemIndexes::DeleteIndex(TMemIndex* index)
{
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == index; });
    if (it == items_.end() || it == items_.begin()) return nullptr;
    std::unique_ptr<TMemIndex> removed = std::move(*it);
    items_.erase(it);
    return removed;
}

void TMemIndexes::Clear(bool valid)
{
    items_.resize(1);
    items_.front()->Clear(valid);
}

void TMemIndexes::EmptyAll(bool valid)
{
    for (auto& index : items_) index->Clear(valid);
}

void TMemIndexes::ReindexAll()
{
    for (auto& index : items_) index->Rebuild();
}

void TMemIndexes::CheckUnique(const TMemRow* row, const TMemRow* exceptRow) const
{
    if (!host_->IndexesEnabled()) return;
    for (const auto& index : items_) {
        if (!index->Options().Unique || !index->Maintained()) continue;
        if (index->FindDuplicate(row, exceptRow)) MemTableError(MemTableTexts::DuplicateIndexValue());
    }
}

void TMemIndexes::PlanUpdate(TMemIndexOperation operation, TMemRow* row, const TMemRow* newRow,
                             const TMemIndex* cursorIndex, int cursorPosition, std::vector<TMemIndexChange>& plan) const
{
    const bool enabled = host_->IndexesEnabled();
    for (const auto& item : items_) {
        TMemIndex* index = item.get();
        TMemIndexChange change;
        change.Index = index;
        change.Row = row;
        change.KeepValid = enabled && index->Maintained();
        const bool upkeep = change.KeepValid && index->Valid();
        switch (operation) {
        case mioInsert:
            if (!upkeep) break;
            if (index->RowOrder())
                change.InsertAt = index == cursorIndex ? std::clamp(cursorPosition, 0, index->Count()) : index->Count();
            else
                change.InsertAt = index->FindOrderedPosition(row);
            break;
        case mioEdit: {
            if (!upkeep || index->RowOrder()) break;
            int from = -1;
            if (index == cursorIndex && cursorPosition >= 0 && cursorPosition < index->Count() &&
                index->Row(cursorPosition) == row)
                from = cursorPosition;
            else
                from = index->FindRowPosition(row);
            if (from < 0) MemTableError(MemTableTexts::KeyFieldsChanged());
            int to = index->FindOrderedPosition(newRow);
            if (to > from) --to;
            if (to != from) {
                change.RemoveAt = from;
                change.InsertAt = to;
            }
            break;
        }
        case mioDelete:
            // Every index lets go of a deleted row, kept up or not, so none is left pointing at it.
            if (index->RowOrder()) {
                const int pos = index->FindRecordID(row->RecordID);
                change.RemoveAt = (pos >= 0 && index->Row(pos) == row) ? pos : index->FindRowPosition(row);
            } else {
                change.RemoveAt = index->FindRowPosition(row);
            }
            break;
        }
        plan.push_back(change);
    }
}

void TMemIndexes::ApplyUpdate(const std::vector<TMemIndexChange>& plan)
{
    for (const TMemIndexChange& change : plan) {
        if (change.RemoveAt >= 0) change.Index->RemoveRowAt(change.RemoveAt);
        if (change.InsertAt >= 0) change.Index->InsertRowAt(change.InsertAt, change.Row);
        if (!change.KeepValid) change.Index->SetValid(false);
    }
}
