#include "memtable/MemTable.h"

#include "memtable/MemBlob.h"
#include "memtable/MemDeltaHandler.h"
#include "memtable/MemJournal.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/ExprParser.h"
#include "platform/toolkit/Filer.h"

#include <QFileInfo>

#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A bookmark names its row: record id + 1 and the record no, so that it still finds the same
// row after inserts, deletes and index switches, and never a later row in a reused slot.
struct BookmarkData {
    qint32 Bookmark = -1;
    qint32 RecordNo = -1;
};
static_assert(sizeof(BookmarkData) == 8);

BookmarkData ReadBookmark(const void* data)
{
    BookmarkData b;
    std::memcpy(&b, data, sizeof b);
    return b;
}

template <typename T>
void WriteValue(quint8* value, T v)
{
    std::memcpy(value, &v, sizeof v);
}

// Frees a scratch row when the scope ends.
class ScratchRow {
public:
    explicit ScratchRow(const TMemRecordLayout& layout) : layout_(layout), row_(layout.AllocRow()) {}
    ~ScratchRow() { layout_.FreeRow(row_, false); }
    ScratchRow(const ScratchRow&) = delete;
    ScratchRow& operator=(const ScratchRow&) = delete;
    TMemRow* get() const { return row_; }

private:
    const TMemRecordLayout& layout_;
    TMemRow* row_;
};

}  // namespace

// --- construction -------------------------------------------------------------------------------

TCustomMemTable::TCustomMemTable(QObject* owner)
    : TDataSet(owner), store_(std::make_shared<TMemRowStore>()), indexes_(this), masterLink_(this)
{
    currentIndex_ = indexes_.RowOrderIndex();
    masterLink_.OnMasterChange = [this](TMasterDataLink*) { MasterChanged(); };
    masterLink_.OnMasterDisable = [this](TMasterDataLink*) { MasterDisabled(); };
}

TCustomMemTable::~TCustomMemTable()
{
    destroying_ = true;
    // The persistent file is written as at any close; a destructor passes no error on, so the
    // application's handler hears of a failed save.
    if (Active()) {
        try {
            SavePersistentFile();
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    Destroying();
    try {
        Close();
    } catch (...) {
        // A destructor passes nothing on; the rows are freed below either way.
    }
    if (cursorOpen_) {
        cursorOpen_ = false;
        ClearRows(false);
    }
    journal_.reset();
    SetDeltaHandler(nullptr);
    DetachAll();
    if (attachedTo_) {
        std::lock_guard guard(attachedTo_->attachedLock_);
        auto& list = attachedTo_->attached_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        attachedTo_ = nullptr;
    }
    masterLink_.SetDataSource(nullptr);
    FreeKeyRows();
}

// --- properties ---------------------------------------------------------------------------------

void TCustomMemTable::SetEnableIndexes(bool value)
{
    if (enableIndexes_ == value) return;
    enableIndexes_ = value;
    if (value && cursorOpen_) {
        RebuildStaleIndexes();
        if (Active() && State() == dsBrowse) Resync(TResyncMode());
    }
}

void TCustomMemTable::SetIndexFieldNames(const QString& names)
{
    if (!cursorOpen_) {
        indexFieldNames_ = names;
        return;
    }
    if (names.isEmpty()) {
        SwitchToIndex(indexes_.RowOrderIndex());
        return;
    }
    if (TMemIndex* index = indexes_.IndexByFieldNames(names)) SwitchToIndex(index);
}

void TCustomMemTable::SetIndexName(const QString& name)
{
    if (!cursorOpen_) {
        indexName_ = name;
        return;
    }
    SwitchToIndex(name.isEmpty() ? indexes_.RowOrderIndex() : indexes_.IndexByName(name));
}

void TCustomMemTable::Sort()
{
    CheckActive();
    TMemIndexOptions options;
    options.Descending = sortOptions_.testFlag(mtcoDescending);
    options.CaseInsensitive = sortOptions_.testFlag(mtcoCaseInsensitive);
    auto* host = static_cast<TMemIndexHost*>(this);
    auto index = std::make_unique<TMemIndex>(host, QStringLiteral("__MT__SORT"), sortFields_, options);
    index->SetInternal(true);
    index->SetFieldList(BuildFieldList(sortFields_));
    index->Rebuild();
    TMemIndex* previous = sortIndex_;
    sortIndex_ = indexes_.AddIndex(std::move(index));
    SwitchToIndex(sortIndex_);
    if (previous) indexes_.DeleteIndex(previous);
}

void TCustomMemTable::DropSortIndex()
{
    if (!sortIndex_) return;
    if (currentIndex_ == sortIndex_) currentIndex_ = indexes_.RowOrderIndex();
    indexes_.DeleteIndex(sortIndex_);
    sortIndex_ = nullptr;
}

// --- record layout -------------------------------------------------------------------------------

TMemSlotKind TCustomMemTable::SlotKindOf(TFieldType type)
{
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString: return TMemSlotKind::Text;
    case ftSmallint: return TMemSlotKind::SmallInt;
    case ftWord: return TMemSlotKind::Word;
    case ftBoolean: return TMemSlotKind::Boolean;
    case ftInteger:
    case ftAutoInc: return TMemSlotKind::Integer;
    case ftFloat:
    case ftCurrency: return TMemSlotKind::Float;
    case ftDate: return TMemSlotKind::Date;
    case ftTime: return TMemSlotKind::Time;
    case ftDateTime: return TMemSlotKind::DateTime;
    case ftLargeint: return TMemSlotKind::LargeInt;
    case ftBCD: return TMemSlotKind::Bcd;
    case ftBytes: return TMemSlotKind::Bytes;
    case ftVarBytes: return TMemSlotKind::VarBytes;
    default: return TMemSlotKind::Blob;
    }
}

namespace {
bool IsSupportedType(TFieldType type)
{
    switch (type) {
    case ftUnknown:
    case ftCursor:
    case ftReference:
    case ftDataSet:
    case ftOraBlob:
    case ftOraClob:
    case ftVariant:
    case ftInterface:
    case ftIDispatch:
    case ftGuid: return false;
    default: return true;
    }
}
}  // namespace

void TCustomMemTable::CheckFieldDefTypes(const TFieldDefs& defs)
{
    for (int i = 0; i < defs.Count(); ++i) {
        TFieldDef* def = defs.Items(i);
        if (!IsSupportedType(def->DataType()))
            MemTableError(MemTableTexts::FieldTypeNotSupported(def->Name(), def->Name(), int(def->DataType())));
        if (def->HasChildDefs()) CheckFieldDefTypes(def->ChildDefs());
    }
}

void TCustomMemTable::LayoutDefs(const TFieldDefs& defs)
{
    for (int i = 0; i < defs.Count(); ++i) {
        TFieldDef* def = defs.Items(i);
        const TFieldType type = def->DataType();
        if (!IsSupportedType(type))
            MemTableError(MemTableTexts::FieldTypeNotSupported(def->Name(), def->Name(), int(type)));
        if (type == ftADT) {
            if (def->HasChildDefs()) LayoutDefs(def->ChildDefs());
        } else if (type == ftArray) {
            for (int n = 0; n < def->Size() && def->HasChildDefs(); ++n) LayoutDefs(def->ChildDefs());
        } else {
            const TMemSlotKind kind = SlotKindOf(type);
            const int size = kind == TMemSlotKind::Blob ? int(sizeof(TMemBlob*)) : FieldDataSize(type, def->Size());
            layout_.AddSlot(kind, size);
        }
    }
}

void TCustomMemTable::BuildLayout()
{
    layout_.Clear();
    LayoutDefs(FieldDefs());
    layout_.SetCalcFieldsSize(CalcFieldsSize());
}

TMemSlot TCustomMemTable::SlotOf(const TField* field) const
{
    if (field->FieldNo() > 0 && field->FieldNo() <= layout_.SlotCount()) return layout_.Slot(field->FieldNo());
    return TMemRecordLayout::CalcSlot(SlotKindOf(field->DataType()), field->DataSize(), layout_.DataSize(),
                                      field->Offset());
}

// --- opening and closing -------------------------------------------------------------------------

void TCustomMemTable::InternalInitFieldDefs()
{
    if (attachedTo_) {
        if (!attachedTo_->Active()) attachedTo_->InitFieldDefs();
        FieldDefs().Assign(attachedTo_->FieldDefs());
    } else if (FieldCount() > 0 && !DefaultFields()) {
        FieldDefs().Clear();
        for (TField* field : Fields())
            if (field->FieldKind() == fkData)
                FieldDefs().Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
    }
    ResetAutoInc();
}

void TCustomMemTable::ResetAutoInc()
{
    autoIncField_ = nullptr;
    for (TField* field : Fields())
        if (field->DataType() == ftAutoInc && field->FieldKind() == fkData) {
            autoIncField_ = field;
            break;
        }
    // Attached tables share one counter; it starts again only with the store empty.
    if (!attachedTo_ && store_->IsEmpty()) store_->HighestAutoInc = -1;
}

void TCustomMemTable::InternalOpen()
{
    InitFieldDefs();
    CheckFieldDefTypes(FieldDefs());
    if (FieldCount() == 0) CreateFields();
    try {
        BindFields(true);
        BuildLayout();
        ResetAutoInc();
        position_ = -1;
        SetBookmarkSize(int(sizeof(BookmarkData)));
        cursorOpen_ = true;
        CreateIndexes();
        RebuildStaleIndexes();
        if (enableJournal_ && !journal_) CreateJournal();
    } catch (...) {
        // A failed open leaves the table as it was before it.
        cursorOpen_ = false;
        EmptyIndexes();
        BindFields(false);
        if (DefaultFields()) DestroyFields();
        throw;
    }
    destroying_ = false;
}

void TCustomMemTable::InternalClose()
{
    DropSortIndex();
    currentIndex_ = indexes_.RowOrderIndex();
    if (attachedTo_)
        EmptyIndexes();
    else
        ClearRows(false);
    cursorOpen_ = false;
    transactionLevel_ = 0;
    journal_.reset();
    position_ = -1;
    overrideRow_ = nullptr;
    filterRow_ = nullptr;
    rangeActive_ = false;
    indexFieldList_.clear();
    FreeKeyRows();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    autoIncField_ = nullptr;
}

void TCustomMemTable::FreeKeyRows()
{
    for (TMemRow** row : {&rangeStart_, &rangeEnd_, &masterKey_}) {
        if (*row) layout_.FreeRow(*row, false);
        *row = nullptr;
    }
}

void TCustomMemTable::DoAfterOpen()
{
    if (inAfterOpen_) return;
    inAfterOpen_ = true;
    try {
        if (!indexFieldNames_.isEmpty())
            SetIndexFieldNames(indexFieldNames_);
        else if (!indexName_.isEmpty())
            SetIndexName(indexName_);
        else if (attachedTo_)
            CheckIndexes();
        if (hasFormData_) {
            const QByteArray data = formData_;
            hasFormData_ = false;
            formData_.clear();
            if (storeDataOnForm_ && !data.isEmpty()) {
                TMemoryStream stream(data);
                LoadBinaryFromStream(stream);
            }
        }
        LoadPersistentFile();
        if (!Filter().trimmed().isEmpty()) BuildFilter(Filter());
        // A master already open gives its key now, not only at its next move.
        if (masterLink_.Active() && masterLink_.FieldCount() > 0)
            MasterChanged();
        else if (Filtered() && (filter_ || OnFilterRecord))
            Resync(TResyncMode());
    } catch (...) {
        inAfterOpen_ = false;
        throw;
    }
    inAfterOpen_ = false;
    TDataSet::DoAfterOpen();
}

// --- rows ----------------------------------------------------------------------------------------

TRecordBuffer TCustomMemTable::AllocRecordBuffer() { return BufferOf(layout_.AllocRow()); }

void TCustomMemTable::FreeRecordBuffer(TRecordBuffer& buffer)
{
    if (buffer) layout_.FreeRow(RowOf(buffer), false);
    buffer = nullptr;
}

void TCustomMemTable::InternalInitRecord(TRecordBuffer buffer)
{
    TMemRow* row = RowOf(buffer);
    layout_.InitRow(row);
    // A new record shares nothing with the row the buffer showed before.
    row->UpdateStatus = musUnmodified;
    row->OlderVersion = nullptr;
    row->RecordID = -1;
    row->RecordNo = -1;
    row->RecNoStamp = -1;
}

void TCustomMemTable::ClearCalcFields(TRecordBuffer buffer)
{
    if (buffer) layout_.ClearCalcArea(RowOf(buffer));
}

void TCustomMemTable::CalcIndexRow(TMemRow* row)
{
    if (HoldsCalcArea(row)) GetCalcFields(BufferOf(row));
}

TMemRow* TCustomMemTable::ActiveRow() const
{
    if (WindowRecordCount() == 0 && State() == dsBrowse) return nullptr;
    return RowOf(ActiveBuffer());
}

TMemRow* TCustomMemTable::CurrentRow()
{
    if (overrideRow_) return overrideRow_;
    switch (State()) {
    case dsBrowse:
    case dsBlockRead: return WindowRecordCount() == 0 ? nullptr : RowOf(ActiveBuffer());
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue: return RowOf(ActiveBuffer());
    case dsSetKey: return RowOf(KeyBuffer());
    case dsCalcFields: return RowOf(CalcBuffer());
    case dsFilter: return filterRow_ ? filterRow_ : RowOf(FilterBuffer());
    case dsOldValue: {
        TMemRow* active = RowOf(ActiveBuffer());
        if (!active) return nullptr;
        if (active->OlderVersion) return active->OlderVersion;
        // While editing, the stored row still holds the values from before the edit.
        if (TMemRow* stored = StoredRowOf(active)) return stored;
        return active;
    }
    default: return nullptr;
    }
}

TRecordBuffer TCustomMemTable::GetActiveRecordBuffer() { return BufferOf(CurrentRow()); }

bool TCustomMemTable::GetCurrentRecord(TRecordBuffer buffer)
{
    TMemRow* active = ActiveRow();
    if (!cursorOpen_ || !active || !buffer) return false;
    TMemRow* target = RowOf(buffer);
    layout_.CopyRowInto(active, target);
    target->RecordID = active->RecordID;
    target->RecordNo = active->RecordNo;
    return true;
}

TMemRow* TCustomMemTable::StoredRowOf(const TMemRow* buffer) const
{
    if (!buffer || buffer->RecordID < 0) return nullptr;
    TMemRow* row = store_->Slot(buffer->RecordID);
    return (row && row->RecordNo == buffer->RecordNo) ? row : nullptr;
}

int TCustomMemTable::PositionOf(const TMemRow* row, int hint) const
{
    if (!row) return -1;
    if (hint >= 0 && hint < currentIndex_->Count() && currentIndex_->Row(hint) == row) return hint;
    return currentIndex_->FindRowPosition(row);
}

TGetResult TCustomMemTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck)
{
    TMemRow* target = RowOf(buffer);
    for (;;) {
        const int count = currentIndex_->Count();
        switch (mode) {
        case gmCurrent:
            if (position_ < 0) return grBOF;
            if (position_ >= count) return grEOF;
            break;
        case gmNext:
            if (position_ >= count - 1) return grEOF;
            ++position_;
            break;
        case gmPrior:
            if (position_ < 1) return grBOF;
            if (position_ > count) position_ = count;
            --position_;
            break;
        }
        TMemRow* row = currentIndex_->Row(position_);
        if (!RowVisible(row)) {
            if (mode == gmCurrent) return grError;
            continue;
        }
        layout_.CopyRowInto(row, target);
        target->RecNoStamp = position_ + 1;
        target->Bookmark = row->RecordID + 1;
        target->BookmarkFlag = bfCurrent;
        target->RecordID = row->RecordID;
        target->RecordNo = row->RecordNo;
        if (recalcOnFetch_) GetCalcFields(buffer);
        return grOK;
    }
}

// --- positions and bookmarks ---------------------------------------------------------------------

void TCustomMemTable::InternalSetToRecord(TRecordBuffer buffer)
{
    const TMemRow* row = RowOf(buffer);
    if (row->BookmarkFlag == bfInserted || row->BookmarkFlag == bfEOF) return;
    const int pos = PositionOf(StoredRowOf(row), row->RecNoStamp - 1);
    if (pos >= 0) position_ = pos;
}

void TCustomMemTable::InternalGotoBookmark(const char* bookmark)
{
    if (!bookmark) MemTableError(MemTableTexts::BookmarkNotFound(-200));
    const BookmarkData b = ReadBookmark(bookmark);
    if (b.Bookmark < 1 || b.Bookmark > store_->SlotCount()) MemTableError(MemTableTexts::BookmarkNotFound(b.Bookmark));
    TMemRow probe;
    probe.RecordID = b.Bookmark - 1;
    probe.RecordNo = b.RecordNo;
    const int pos = PositionOf(StoredRowOf(&probe), -1);
    if (pos < 0) MemTableError(MemTableTexts::BookmarkNotFound(b.Bookmark));
    position_ = pos;
}

void TCustomMemTable::GetBookmarkData(TRecordBuffer buffer, void* data)
{
    const TMemRow* row = RowOf(buffer);
    const BookmarkData b{row->Bookmark, row->RecordNo};
    std::memcpy(data, &b, sizeof b);
}

void TCustomMemTable::SetBookmarkData(TRecordBuffer buffer, const void* data)
{
    TMemRow* row = RowOf(buffer);
    const BookmarkData b = ReadBookmark(data);
    row->Bookmark = b.Bookmark;
    row->RecordID = b.Bookmark - 1;
    row->RecordNo = b.RecordNo;
}

TBookmarkFlag TCustomMemTable::GetBookmarkFlag(TRecordBuffer buffer)
{
    return TBookmarkFlag(RowOf(buffer)->BookmarkFlag);
}

void TCustomMemTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    RowOf(buffer)->BookmarkFlag = quint8(flag);
}

bool TCustomMemTable::BookmarkValid(const TBookmark& bookmark)
{
    CursorPosChanged();
    if (!cursorOpen_ || bookmark.size() != int(sizeof(BookmarkData))) return false;
    const BookmarkData b = ReadBookmark(bookmark.constData());
    if (b.Bookmark < 1 || b.Bookmark > store_->SlotCount()) return false;
    std::lock_guard guard(store_->Lock());
    const TMemRow* row = store_->Slot(b.Bookmark - 1);
    return row && row->RecordNo == b.RecordNo;
}

int TCustomMemTable::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2)
{
    if (bookmark1.isEmpty() || bookmark2.isEmpty()) return TDataSet::CompareBookmarks(bookmark1, bookmark2);
    const BookmarkData a = ReadBookmark(bookmark1.constData());
    const BookmarkData b = ReadBookmark(bookmark2.constData());
    if (a.Bookmark != b.Bookmark) return a.Bookmark < b.Bookmark ? -1 : 1;
    return a.RecordNo < b.RecordNo ? -1 : (a.RecordNo > b.RecordNo ? 1 : 0);
}

int TCustomMemTable::GetRecNo()
{
    const TMemRow* active = ActiveRow();
    return (cursorOpen_ && active && active->BookmarkFlag == bfCurrent) ? active->RecNoStamp : -1;
}

void TCustomMemTable::SetRecNo(int value)
{
    CheckBrowseMode();
    if (value < 1 || value > currentIndex_->Count()) return;
    if (const TMemRow* active = ActiveRow(); active && active->RecNoStamp == value) return;
    DoBeforeScroll();
    position_ = value - 1;
    CursorPosChanged();
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TCustomMemTable::GetRecordCount()
{
    if (!cursorOpen_) return -1;
    if (!FilteringNeeded()) return currentIndex_->Count();
    int count = 0;
    for (TMemRow* row : currentIndex_->Rows())
        if (RowVisible(row)) ++count;
    return count;
}

bool TCustomMemTable::FindRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    CursorPosChanged();
    const int count = currentIndex_->Count();
    int pos = restart ? (goForward ? -1 : count) : position_;
    // Hidden rows are stepped over: landing on one could never be shown.
    do {
        pos += goForward ? 1 : -1;
    } while (pos >= 0 && pos < count && !RowVisible(currentIndex_->Row(pos)));
    if (pos < 0 || pos >= count || (!restart && pos == position_)) return false;
    position_ = pos;
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

// --- field values --------------------------------------------------------------------------------

bool TCustomMemTable::GetFieldData(TField* field, void* buffer)
{
    if (!cursorOpen_ || !field) return false;
    TMemRow* row = CurrentRow();
    if (!row) return false;
    if (field->FieldNo() <= 0) {
        if (!HoldsCalcArea(row)) return false;
        return ReadCalcField(reinterpret_cast<const char*>(row->Data + layout_.DataSize()), field, buffer);
    }
    if (field->FieldNo() > layout_.SlotCount()) return false;
    const TMemSlot& slot = layout_.Slot(field->FieldNo());
    if (slot.Kind == TMemSlotKind::Blob) return SlotHasValue(row, slot.Offset);
    if (!SlotHasValue(row, slot.Offset)) return false;
    if (buffer) std::memcpy(buffer, SlotValue(row, slot.Offset), size_t(slot.ValueSize));
    return true;
}

void TCustomMemTable::SetFieldData(TField* field, const void* buffer)
{
    if (!cursorOpen_ || !field) return;
    const TDataSetState state = State();
    switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc: break;
    default: DatabaseError(MemTableTexts::NotInEditMode());
    }
    TMemRow* row = CurrentRow();
    if (!row) return;
    const bool writingRecord = state == dsEdit || state == dsInsert || state == dsNewValue;
    if (!loading_ && writingRecord && (readOnly_ || field->ReadOnly()))
        DatabaseError(MemTableTexts::FieldIsReadOnly(field->DisplayName()));
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) field->Validate(buffer);
    if (field->FieldNo() <= 0) {
        if (HoldsCalcArea(row)) WriteCalcField(reinterpret_cast<char*>(row->Data + layout_.DataSize()), field, buffer);
    } else if (field->FieldNo() <= layout_.SlotCount()) {
        const TMemSlot& slot = layout_.Slot(field->FieldNo());
        row->Data[slot.Offset] = buffer ? 1 : 0;
        if (buffer && slot.Kind != TMemSlotKind::Blob)
            std::memcpy(SlotValue(row, slot.Offset), buffer, size_t(slot.ValueSize));
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

void TCustomMemTable::PutFieldValue(TMemRow* row, TField* field, const TVariant& value)
{
    const TMemSlot slot = SlotOf(field);
    quint8* data = SlotValue(row, slot.Offset);
    if (value.IsClear() || value.IsArray()) {
        if (slot.Kind == TMemSlotKind::Blob) TMemRecordLayout::SetBlobAt(row, slot.Offset, nullptr);
        row->Data[slot.Offset] = 0;
        std::memset(data, 0, size_t(slot.ValueSize));
        return;
    }
    row->Data[slot.Offset] = 1;
    switch (slot.Kind) {
    case TMemSlotKind::Text:
        SetMemSlotText(data, slot.ValueSize, value.AsString().left(std::max(0, field->Size())));
        break;
    case TMemSlotKind::SmallInt: WriteValue(data, qint16(value.AsInteger())); break;
    case TMemSlotKind::Word: WriteValue(data, quint16(value.AsInteger())); break;
    case TMemSlotKind::Integer: WriteValue(data, qint32(value.AsInteger())); break;
    case TMemSlotKind::Float: WriteValue(data, value.AsFloat()); break;
    case TMemSlotKind::Date: WriteValue(data, qint32(DateTimeToTimeStamp(value.AsDateTime()).Date)); break;
    case TMemSlotKind::Time: WriteValue(data, qint32(DateTimeToTimeStamp(value.AsDateTime()).Time)); break;
    case TMemSlotKind::DateTime: {
        const TTimeStamp stamp = DateTimeToTimeStamp(value.AsDateTime());
        WriteValue(data, double(stamp.Date) * MSecsPerDay + stamp.Time);
        break;
    }
    case TMemSlotKind::LargeInt: WriteValue(data, qint64(std::llround(value.AsFloat()))); break;
    // Booleans, decimals and bytes are keys by value as much as numbers are.
    case TMemSlotKind::Boolean: WriteValue(data, qint16(value.AsBoolean() ? 1 : 0)); break;
    case TMemSlotKind::Bcd: {
        const TBcd bcd = value.IsText() ? StrToBcd(value.AsString()) : DoubleToBcd(value.AsFloat());
        WriteValue(data, bcd);
        break;
    }
    case TMemSlotKind::Bytes: {
        const QByteArray bytes = value.AsBytes().left(slot.ValueSize);
        std::memset(data, 0, size_t(slot.ValueSize));
        std::memcpy(data, bytes.constData(), size_t(bytes.size()));
        break;
    }
    case TMemSlotKind::VarBytes: {
        const QByteArray bytes = value.AsBytes().left(slot.ValueSize - 2);
        std::memset(data, 0, size_t(slot.ValueSize));
        WriteValue(data, quint16(bytes.size()));
        std::memcpy(data + 2, bytes.constData(), size_t(bytes.size()));
        break;
    }
    case TMemSlotKind::Blob: break;
    }
}

void TCustomMemTable::PutKeyValues(TMemRow* row, const QString& fieldNames, const TVariant& values)
{
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.empty()) MemTableError(MemTableTexts::AtLeastOneField());
    if (!values.IsArray()) {
        if (fields.size() > 1) MemTableError(MemTableTexts::MoreFieldsThanValues());
        PutFieldValue(row, fields.front(), values);
        return;
    }
    for (int i = values.ArrayLowBound(); i <= values.ArrayHighBound(); ++i)
        if (values[i].IsArray()) MemTableError(MemTableTexts::ValuesInvalidDimensionCount());
    const int count = std::min<int>(int(fields.size()), values.ArrayCount());
    for (int i = 0; i < count; ++i) PutFieldValue(row, fields[size_t(i)], values[values.ArrayLowBound() + i]);
}

TMemKeyFields TCustomMemTable::BuildFieldList(const QString& fieldNames)
{
    TMemKeyFields list;
    for (const QString& name : SplitFieldNames(fieldNames)) {
        TField* field = FieldByName(name);
        const bool dataOrCalc = field->FieldKind() == fkData || field->FieldKind() == fkCalculated ||
                                field->FieldKind() == fkInternalCalc;
        if (!dataOrCalc || !IsSupportedType(field->DataType()) || IsBlobType(field->DataType()) ||
            field->DataType() == ftADT || field->DataType() == ftArray)
            DatabaseError(MemTableTexts::CantIndexOnField(field->DisplayName()));
        const bool calculated = field->FieldKind() != fkData;
        if (calculated) recalcOnIndex_ = true;
        list.push_back(TMemKeyField{SlotOf(field), field, calculated});
    }
    return list;
}

bool TCustomMemTable::GetIsIndexField(TField* field)
{
    return std::any_of(indexFieldList_.begin(), indexFieldList_.end(),
                       [field](const TMemKeyField& key) { return key.Field == field; });
}

TUpdateStatus TCustomMemTable::UpdateStatus()
{
    if (const TMemRow* row = cursorOpen_ ? CurrentRow() : nullptr) return TUpdateStatus(row->UpdateStatus);
    return TDataSet::UpdateStatus();
}

// --- editing -------------------------------------------------------------------------------------

void TCustomMemTable::DoOnNewRecord()
{
    if (masterLink_.Active() && masterLink_.FieldCount() > 0) {
        const int n = std::min<int>(masterLink_.FieldCount(), int(indexFieldList_.size()));
        for (int i = 0; i < n; ++i)
            if (TField* target = indexFieldList_[size_t(i)].Field)
                target->SetAsVariant(masterLink_.Fields()[size_t(i)]->AsVariant());
    }
    for (TField* field : Fields())
        if (!field->DefaultExpression().isEmpty()) field->SetAsString(field->DefaultExpression());
    TDataSet::DoOnNewRecord();
    if (autoIncField_) {
        WriteAutoInc(RowOf(ActiveBuffer()), store_->HighestAutoInc + 1);
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(autoIncField_));
    }
}

void TCustomMemTable::WriteAutoInc(TMemRow* row, qint32 value)
{
    const TMemSlot& slot = layout_.Slot(autoIncField_->FieldNo());
    row->Data[slot.Offset] = 1;
    WriteValue(SlotValue(row, slot.Offset), value);
}

std::vector<TCustomMemTable*> TCustomMemTable::IndexedTables()
{
    TCustomMemTable* owner = StoreOwner();
    std::vector<TCustomMemTable*> tables;
    if (owner->cursorOpen_) tables.push_back(owner);
    std::lock_guard guard(owner->attachedLock_);
    for (TCustomMemTable* table : owner->attached_)
        if (table->cursorOpen_) tables.push_back(table);
    return tables;
}

void TCustomMemTable::CheckUniqueEverywhere(const TMemRow* row, const TMemRow* exceptRow)
{
    // Every table on the store is checked, inserts included: an attached table's unique index
    // must not end up holding two equal keys.
    for (TCustomMemTable* table : IndexedTables()) table->indexes_.CheckUnique(row, exceptRow);
}

int TCustomMemTable::UpdateIndexesEverywhere(TMemIndexOperation operation, TMemRow* row, const TMemRow* newRow)
{
    // Every position is found before any index changes, so a refusal leaves them all as they were.
    std::vector<TMemIndexChange> plan;
    for (TCustomMemTable* table : IndexedTables()) {
        const bool own = table == this;
        table->indexes_.PlanUpdate(operation, row, newRow, own ? currentIndex_ : nullptr, own ? position_ : -1, plan);
    }
    TMemIndexes::ApplyUpdate(plan);
    for (const TMemIndexChange& change : plan)
        if (change.Index == currentIndex_) return change.InsertAt;
    return -1;
}

void TCustomMemTable::InternalPost()
{
    TDataSet::InternalPost();
    TMemRow* buffer = RowOf(ActiveBuffer());
    std::lock_guard guard(store_->Lock());
    if (State() == dsEdit)
        PostEditedRow(buffer);
    else
        PostNewRow(buffer);
}

void TCustomMemTable::PostEditedRow(TMemRow* buffer)
{
    TMemRow* stored = StoredRowOf(buffer);
    if (!stored) MemTableError(MemTableTexts::BookmarkNotFound(buffer->Bookmark));
    CheckUniqueEverywhere(buffer, stored);
    const int hint = PositionOf(stored, buffer->RecNoStamp - 1);
    position_ = hint >= 0 ? hint : position_;
    const int moved = UpdateIndexesEverywhere(mioEdit, stored, buffer);
    LogChange(mjoModify, buffer, stored);
    if (enableVersioning_ && Modified() &&
        (versioningMode_ == mtvmAllSinceCheckPoint || buffer->UpdateStatus == musUnmodified)) {
        buffer->UpdateStatus = musModified;
        // The copy keeps the level its state was made at, so a rollback walks back to it.
        buffer->OlderVersion = layout_.DuplicateRow(stored, true);
        buffer->OlderVersion->TransLevel = stored->TransLevel;
    }
    layout_.CopyRowInto(buffer, stored);
    stored->TransLevel = transactionLevel_;
    if (autoIncField_) {
        qint32 value = 0;
        if (autoIncField_->GetData(&value)) store_->HighestAutoInc = std::max(store_->HighestAutoInc, value);
    }
    if (moved >= 0) position_ = moved;
}

void TCustomMemTable::PostNewRow(TMemRow* buffer)
{
    TMemRow* row = layout_.DuplicateRow(buffer, false);
    row->OlderVersion = nullptr;
    try {
        CheckUniqueEverywhere(row, nullptr);
        store_->StoreRow(row);
    } catch (...) {
        layout_.FreeRow(row, false);
        throw;
    }
    if (enableVersioning_) row->UpdateStatus = musInserted;
    row->TransLevel = transactionLevel_;
    const int inserted = UpdateIndexesEverywhere(mioInsert, row, nullptr);
    LogChange(mjoInsert, row, nullptr);
    if (autoIncField_) {
        const TMemSlot& slot = layout_.Slot(autoIncField_->FieldNo());
        qint32 value = 0;
        if (SlotHasValue(row, slot.Offset)) std::memcpy(&value, SlotValue(row, slot.Offset), sizeof value);
        store_->HighestAutoInc = std::max(store_->HighestAutoInc, value);
    }
    // A stale current index did not take the row and leaves the cursor where it was.
    if (inserted >= 0) position_ = inserted;
}

void TCustomMemTable::InternalAddRecord(TRecordBuffer buffer, bool append)
{
    std::lock_guard guard(store_->Lock());
    if (append) position_ = currentIndex_->Count();
    PostNewRow(RowOf(buffer));
}

void TCustomMemTable::InternalDelete()
{
    std::lock_guard guard(store_->Lock());
    TMemRow* row = StoredRowOf(RowOf(ActiveBuffer()));
    if (!row) MemTableError(MemTableTexts::BookmarkNotFound(RowOf(ActiveBuffer())->Bookmark));
    if (enableVersioning_ && row->UpdateStatus == musDeleted) return;
    LogChange(mjoDelete, nullptr, row);
    if (enableVersioning_) {
        TMemRow* older = layout_.DuplicateRow(row, true);
        older->TransLevel = row->TransLevel;
        row->OlderVersion = older;
        row->UpdateStatus = musDeleted;
        row->TransLevel = transactionLevel_;
        ++store_->DeletedCount;
        return;
    }
    const int pos = PositionOf(row, RowOf(ActiveBuffer())->RecNoStamp - 1);
    if (pos >= 0) position_ = pos;
    RemoveStoredRow(row);
}

void TCustomMemTable::RemoveStoredRow(TMemRow* row)
{
    UpdateIndexesEverywhere(mioDelete, row, nullptr);
    store_->ReleaseRow(row);
    layout_.FreeRow(row, true);
}

void TCustomMemTable::EmptyIndexes()
{
    indexes_.EmptyAll(false);
    position_ = -1;
}

void TCustomMemTable::ClearRows(bool journal)
{
    // Tables sharing the store let go of the rows before any is freed.
    std::vector<TCustomMemTable*> others;
    {
        std::lock_guard guard(attachedLock_);
        others = attached_;
    }
    for (TCustomMemTable* table : others) table->EmptyIndexes();
    indexes_.EmptyAll(true);
    {
        std::lock_guard guard(store_->Lock());
        if (journal && JournalingOn())
            for (int id = 0; id < store_->SlotCount(); ++id)
                if (TMemRow* row = store_->Slot(id)) LogChange(mjoDelete, nullptr, row);
        for (TMemRow* row : store_->TakeAllRows()) layout_.FreeRow(row, true);
    }
    position_ = -1;
    for (TCustomMemTable* table : others) {
        table->indexes_.EmptyAll(true);
        if (table->Active() && table->State() == dsBrowse && !table->destroying_) table->Resync(TResyncMode());
    }
}

// --- indexes -------------------------------------------------------------------------------------

void TCustomMemTable::CreateIndexes()
{
    DropSortIndex();
    indexes_.Clear(store_->IsEmpty());
    currentIndex_ = indexes_.RowOrderIndex();
    indexFieldList_.clear();
    for (int i = 0; i < IndexDefs().Count(); ++i) {
        const TIndexDef* def = IndexDefs().Items(i);
        AddIndexFromDef(def);
    }
}

TMemIndex* TCustomMemTable::AddIndexFromDef(const TIndexDef* def)
{
    TMemIndexOptions options;
    options.Unique = def->Options().testFlag(ixUnique);
    options.Descending = def->Options().testFlag(ixDescending);
    options.CaseInsensitive = def->Options().testFlag(ixCaseInsensitive);
    options.NonMaintained = def->Options().testFlag(ixNonMaintained);
    TMemIndex* index = indexes_.AddIndexDef(def->Name(), def->Fields(), options);
    index->SetFieldList(BuildFieldList(def->Fields()));
    return index;
}

void TCustomMemTable::RebuildStaleIndexes()
{
    for (int i = 0; i < indexes_.Count(); ++i)
        if (!indexes_.Items(i)->Valid()) indexes_.Items(i)->Rebuild();
}

void TCustomMemTable::CheckIndexes()
{
    for (int i = indexes_.Count() - 1; i > 0; --i) {
        TMemIndex* index = indexes_.Items(i);
        if (index->Internal() || IndexDefs().FindIndex(index->Name())) continue;
        if (index == currentIndex_) {
            currentIndex_ = indexes_.RowOrderIndex();
            indexFieldList_.clear();
            indexFieldNames_.clear();
            position_ = std::min(position_, currentIndex_->Count() - 1);
        }
        indexes_.DeleteIndex(index);
    }
    for (int i = 0; i < IndexDefs().Count(); ++i) {
        const TIndexDef* def = IndexDefs().Items(i);
        if (indexes_.FindIndex(def->Name())) continue;
        AddIndexFromDef(def)->SetValid(false);
    }
    if (cursorOpen_) RebuildStaleIndexes();
    if (Active() && State() == dsBrowse) Resync(TResyncMode());
}

void TCustomMemTable::SwitchToIndex(TMemIndex* index)
{
    if (!index) index = indexes_.RowOrderIndex();
    if (index == currentIndex_) return;
    TMemRow* remembered = nullptr;
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
        remembered = StoredRowOf(ActiveRow());
    }
    rangeActive_ = false;
    if (index->Internal()) {
        indexFieldNames_.clear();
        indexName_.clear();
    } else {
        indexFieldNames_ = index->FieldNames();
        indexName_ = index->Name();
    }
    currentIndex_ = index;
    // A sort lasts until another order is chosen.
    if (sortIndex_ && sortIndex_ != index) {
        indexes_.DeleteIndex(sortIndex_);
        sortIndex_ = nullptr;
    }
    indexFieldList_ = index->FieldList();
    recalcOnIndex_ = std::any_of(indexFieldList_.begin(), indexFieldList_.end(),
                                 [](const TMemKeyField& key) { return key.Calculated; });
    if (!Active()) return;
    try {
        // A stale index shows every row again once it is chosen.
        if (!index->Valid()) index->Rebuild();
        const int pos = remembered ? index->FindRowPosition(remembered) : -1;
        position_ = pos >= 0 ? pos : std::min(position_, index->Count() - 1);
        CursorPosChanged();
        Resync(TResyncMode());
    } catch (...) {
        Close();
        throw;
    }
}

// --- visibility ----------------------------------------------------------------------------------

bool TCustomMemTable::FilteringNeeded()
{
    if (statusFilter_ != TMemUpdateStatusSet() || store_->DeletedCount > 0 || rangeActive_) return true;
    if (Filtered() && (filter_ || OnFilterRecord)) return true;
    return masterLink_.DataSource() && !MasterFields().isEmpty() && !indexFieldList_.empty();
}

bool TCustomMemTable::RowVisible(TMemRow* row)
{
    if (!FilteringNeeded()) return true;
    if (statusFilter_ != TMemUpdateStatusSet()) {
        if (!statusFilter_.testFlag(TMemUpdateStatusFlag(1 << row->UpdateStatus))) return false;
    } else if (row->UpdateStatus == musDeleted) {
        return false;
    }
    const bool master = masterLink_.DataSource() && !MasterFields().isEmpty() && !indexFieldList_.empty();
    const bool userFilter = Filtered() && OnFilterRecord;
    const bool expression = Filtered() && filter_;
    if (!rangeActive_ && !master && !userFilter && !expression) return true;
    const TDataSetState saved = SetTempState(dsFilter);
    TMemRow* savedRow = filterRow_;
    filterRow_ = row;
    bool visible = true;
    try {
        if (recalcOnIndex_) CalcIndexRow(row);
        if (rangeActive_) visible = InRange(row);
        if (visible && master) visible = MatchesMaster(row);
        if (visible && userFilter) OnFilterRecord(this, visible);
        if (visible && expression) visible = FilterExpressionMatches();
    } catch (...) {
        filterRow_ = savedRow;
        RestoreState(saved);
        throw;
    }
    filterRow_ = savedRow;
    RestoreState(saved);
    return visible;
}

bool TCustomMemTable::InRange(const TMemRow* row) const
{
    if (CompareRowFields(indexFieldList_, rangeFieldCount_, {}, row, rangeStart_) < 0) return false;
    return CompareRowFields(indexFieldList_, rangeFieldCount_, {}, row, rangeEnd_) <= 0;
}

bool TCustomMemTable::MatchesMaster(const TMemRow* row) const
{
    if (!masterKey_) return true;
    return CompareRowFields(indexFieldList_, masterLink_.FieldCount(), {}, row, masterKey_) == 0;
}

void TCustomMemTable::SetRange(const TVariant& startValues, const TVariant& endValues)
{
    CheckBrowseMode();
    if (indexFieldList_.empty()) DatabaseError(MemTableTexts::CantIndexOnField(QString()));
    QStringList names;
    for (const TMemKeyField& key : indexFieldList_) names << key.Field->FieldName();
    const int count = std::max(startValues.IsArray() ? startValues.ArrayCount() : 1,
                               endValues.IsArray() ? endValues.ArrayCount() : 1);
    rangeFieldCount_ = std::min<int>(count, int(names.size()));
    const QString keyNames = names.mid(0, rangeFieldCount_).join(QLatin1Char(';'));
    for (TMemRow** row : {&rangeStart_, &rangeEnd_}) {
        if (!*row) *row = layout_.AllocRow();
        layout_.InitRow(*row);
    }
    PutKeyValues(rangeStart_, keyNames, startValues);
    PutKeyValues(rangeEnd_, keyNames, endValues);
    rangeActive_ = true;
    First();
}

void TCustomMemTable::ClearRange()
{
    if (!rangeActive_) return;
    TMemRow* remembered = Active() ? StoredRowOf(ActiveRow()) : nullptr;
    rangeActive_ = false;
    if (!Active()) return;
    const int pos = remembered ? currentIndex_->FindRowPosition(remembered) : -1;
    if (pos < 0) {
        First();
        return;
    }
    position_ = pos;
    CursorPosChanged();
    Resync(TResyncMode());
}

void TCustomMemTable::SetStatusFilter(TMemUpdateStatusSet statuses)
{
    statusFilter_ = statuses;
    RefreshIfActive();
}

void TCustomMemTable::SetMasterSource(TDataSource* source)
{
    if (source && source->DataSet() == this) DatabaseError(MemTableTexts::SelfReferencingMaster());
    masterLink_.SetDataSource(source);
}

void TCustomMemTable::MasterChanged()
{
    if (masterLink_.FieldCount() == 0 || MasterFields().isEmpty() || !cursorOpen_) return;
    if (int(indexFieldList_.size()) < masterLink_.FieldCount())
        DatabaseError(MemTableTexts::MasterFieldCountMismatch());
    if (!masterKey_) masterKey_ = layout_.AllocRow();
    layout_.InitRow(masterKey_);
    for (int i = 0; i < masterLink_.FieldCount(); ++i)
        PutFieldValue(masterKey_, indexFieldList_[size_t(i)].Field, masterLink_.Fields()[size_t(i)]->AsVariant());
    CheckBrowseMode();
    First();
}

void TCustomMemTable::MasterDisabled()
{
    if (Active() && State() == dsBrowse) First();
}

void TCustomMemTable::RefreshIfActive()
{
    if (Active() && State() == dsBrowse) Refresh();
}

void TCustomMemTable::SetFilterText(const QString& text)
{
    TDataSet::SetFilterText(text);
    filter_.reset();
    if (cursorOpen_) {
        BuildFilter(text);
        if (Filtered()) RefreshIfActive();
    }
}

void TCustomMemTable::SetFiltered(bool value)
{
    if (value == Filtered()) return;
    TDataSet::SetFiltered(value);
    if (!cursorOpen_) return;
    if (filter_ || Filter().trimmed().isEmpty())
        RefreshIfActive();
    else
        SetFilterText(Filter());
}

void TCustomMemTable::SetFilterOptions(TFilterOptions options)
{
    if (options == FilterOptions()) return;
    TDataSet::SetFilterOptions(options);
    if (cursorOpen_ && !Filter().trimmed().isEmpty()) SetFilterText(Filter());
}

void TCustomMemTable::BuildFilter(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return;
    filter_.reset();
    TExprFilterOptions options;
    options.CaseInsensitive = FilterOptions().testFlag(foCaseInsensitive);
    options.NoPartialCompare = FilterOptions().testFlag(foNoPartialCompare);
    auto lookup = [this](const QString& name) -> std::optional<TExprFieldInfo> {
        TField* field = FindField(name);
        if (!field) return std::nullopt;
        return TExprFieldInfo{Fields().IndexOf(field) + 1, int(field->DataType())};
    };
    filter_ = std::make_unique<TExprParser>(trimmed, lookup, options);
}

// --- the filter's node data ----------------------------------------------------------------------

namespace {

// Reads the parser's node data: a 10-byte header whose word at byte 8 is the literal area's
// offset, nodes referred to by offsets from the header's end, little-endian throughout.
class FilterNodes {
public:
    explicit FilterNodes(const QByteArray& data) : data_(data)
    {
        if (data_.size() < HeaderSize) Broken();
        literals_ = Word(8);
    }
    static constexpr int HeaderSize = 10;
    static constexpr int NodeSize = 16;

    quint16 Word(int at) const
    {
        Need(at, 2);
        return qFromLittleEndian<quint16>(data_.constData() + at);
    }
    quint32 Long(int at) const
    {
        Need(at, 4);
        return qFromLittleEndian<quint32>(data_.constData() + at);
    }
    int Node(int reference) const
    {
        const int at = HeaderSize + reference;
        Need(at, NodeSize);
        return at;
    }
    int Literal(int offset, int size) const
    {
        const int at = literals_ + offset;
        Need(at, size);
        return at;
    }
    QString LiteralText(int offset) const
    {
        const int at = Literal(offset, 1);
        const char* text = data_.constData() + at;
        return QString::fromUtf8(text, qsizetype(qstrnlen(text, uint(data_.size() - at))));
    }
    double LiteralDouble(int offset) const
    {
        const int at = Literal(offset, 8);
        return qFromLittleEndian<double>(data_.constData() + at);
    }

private:
    void Need(int at, int size) const
    {
        if (at < 0 || at + size > data_.size()) Broken();
    }
    [[noreturn]] static void Broken() { DatabaseError(QStringLiteral("Invalid filter expression")); }

    const QByteArray& data_;
    int literals_ = 0;
};

enum : int {
    ncUnary = 1,
    ncBinary = 2,
    ncField = 4,
    ncConstant = 5,
    opIsBlank = 1,
    opNotBlank = 2,
    opEqual = 3,
    opNotEqual = 4,
    opGreater = 5,
    opLess = 6,
    opGreaterOrEqual = 7,
    opLessOrEqual = 8,
    opNot = 9,
    opAnd = 10,
    opOr = 11,
    opField = 13,
    opConstant = 14,
    opMinus = 15,
    opAdd = 16,
    opSubtract = 17,
    opMultiply = 18,
    opDivide = 19,
    opModulus = 20,
    opRemainder = 21,
    opLike = 22,
    opUpper = 33,
    opLower = 34,
    opDateValue = 41
};

bool Truth(const TVariant& v)
{
    if (v.IsClear()) return false;
    try {
        return v.AsBoolean();
    } catch (const EVariantError&) {
        return false;
    }
}

bool IsDateKind(const TVariant& v) { return v.Type() == TVarType::Date; }
bool IsIntegral(const TVariant& v) { return v.Type() == TVarType::Integer || v.Type() == TVarType::Int64; }

// Orders two present values; nothing when they cannot be compared.
std::optional<int> CompareVariants(const TVariant& a, const TVariant& b)
{
    auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (a.IsText() && b.IsText()) {
        const int r = QString::localeAwareCompare(a.AsString(), b.AsString());
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    if (a.Type() == TVarType::Boolean || b.Type() == TVarType::Boolean) {
        try {
            return order(a.AsBoolean(), b.AsBoolean());
        } catch (const EVariantError&) {
            return std::nullopt;
        }
    }
    try {
        if (IsDateKind(a) || IsDateKind(b)) return order(a.AsDateTime(), b.AsDateTime());
        if (IsIntegral(a) && IsIntegral(b)) return order(a.AsInt64(), b.AsInt64());
        return order(a.AsFloat(), b.AsFloat());
    } catch (const EVariantError&) {
        return std::nullopt;
    }
}

bool LikeMatches(const QString& text, const QString& pattern)
{
    QString re;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('%') || c == QLatin1Char('*'))
            re += QLatin1String(".*");
        else if (c == QLatin1Char('_') || c == QLatin1Char('?'))
            re += QLatin1Char('.');
        else
            re += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(re), QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

TVariant Arithmetic(int op, const TVariant& a, const TVariant& b)
{
    if (a.IsClear() || b.IsClear()) return TVariant::Null();
    try {
        if (op == opAdd && (a.IsText() || b.IsText())) return TVariant(a.AsString() + b.AsString());
        const bool date = IsDateKind(a) || IsDateKind(b);
        // Whole numbers stay whole while the result fits in 64 bits.
        qint64 whole = 0;
        const bool integral = IsIntegral(a) && IsIntegral(b);
        switch (op) {
        case opAdd:
            if (date) return TVariant::FromDate(a.AsFloat() + b.AsFloat());
            if (integral && !__builtin_add_overflow(a.AsInt64(), b.AsInt64(), &whole)) return TVariant(whole);
            return TVariant(a.AsFloat() + b.AsFloat());
        case opSubtract:
            if (IsDateKind(a) && IsDateKind(b)) return TVariant(a.AsFloat() - b.AsFloat());
            if (date) return TVariant::FromDate(a.AsFloat() - b.AsFloat());
            if (integral && !__builtin_sub_overflow(a.AsInt64(), b.AsInt64(), &whole)) return TVariant(whole);
            return TVariant(a.AsFloat() - b.AsFloat());
        case opMultiply:
            if (integral && !__builtin_mul_overflow(a.AsInt64(), b.AsInt64(), &whole)) return TVariant(whole);
            return TVariant(a.AsFloat() * b.AsFloat());
        case opDivide: {
            const double divisor = b.AsFloat();
            if (divisor == 0) return TVariant::Null();
            return TVariant(a.AsFloat() / divisor);
        }
        default: {
            const qint64 divisor = b.AsInt64();
            if (divisor == 0) return TVariant::Null();
            if (divisor == -1) return TVariant(qint64(0));  // the lowest number % -1 would trap
            return TVariant(a.AsInt64() % divisor);
        }
        }
    } catch (const EVariantError&) {
        return TVariant::Null();
    }
}


// Evaluates the node data for one row; field values come from the table in the filter state.
class FilterEvaluator {
public:
    using FieldValue = std::function<TVariant(int fieldNo, const QString& name)>;
    FilterEvaluator(const QByteArray& data, FieldValue fieldValue) : nodes_(data), fieldValue_(std::move(fieldValue)) {}

    bool Matches() const { return Truth(Evaluate(0)); }

private:
    TVariant Evaluate(int reference) const
    {
        const int at = nodes_.Node(reference);
        const int op = int(nodes_.Long(at + 4));
        switch (int(nodes_.Long(at))) {
        case ncUnary: return Unary(op, Evaluate(nodes_.Word(at + 8)));
        case ncBinary: return Binary(op, nodes_.Word(at + 8), nodes_.Word(at + 10));
        case ncField:
            if (op != opField) MemTableError(MemTableTexts::UnknownOperator(op));
            return fieldValue_(int(nodes_.Long(at + 8)), nodes_.LiteralText(nodes_.Word(at + 12)));
        case ncConstant: return Constant(int(nodes_.Long(at + 8)), nodes_.Word(at + 12));
        default: return TVariant();
        }
    }

    static TVariant Unary(int op, const TVariant& v)
    {
        switch (op) {
        case opIsBlank: return TVariant(v.IsClear());
        case opNotBlank: return TVariant(!v.IsClear());
        case opNot: return v.IsClear() ? TVariant(true) : TVariant(!Truth(v));
        case opMinus:
            if (v.IsClear()) return TVariant::Null();
            if (IsIntegral(v) && v.AsInt64() != std::numeric_limits<qint64>::min()) return TVariant(-v.AsInt64());
            return TVariant(-v.AsFloat());
        case opUpper: return v.IsClear() ? v : TVariant(v.AsString().toUpper());
        case opLower: return v.IsClear() ? v : TVariant(v.AsString().toLower());
        case opDateValue: {
            TDateTime day = 0;
            if (v.IsClear() || !TryStrToDate(v.AsString(), day)) return TVariant::Null();
            return TVariant::FromDate(DateOf(day));
        }
        default: return TVariant();
        }
    }

    TVariant Binary(int op, int left, int right) const
    {
        // The right operand only when it can still change the result.
        if (op == opAnd) return TVariant(Truth(Evaluate(left)) && Truth(Evaluate(right)));
        if (op == opOr) return TVariant(Truth(Evaluate(left)) || Truth(Evaluate(right)));
        const TVariant a = Evaluate(left);
        const TVariant b = Evaluate(right);
        switch (op) {
        case opEqual:
        case opNotEqual:
        case opGreater:
        case opLess:
        case opGreaterOrEqual:
        case opLessOrEqual: return TVariant(Compare(op, a, b));
        case opAdd:
        case opSubtract:
        case opMultiply:
        case opDivide:
        case opModulus:
        case opRemainder: return Arithmetic(op, a, b);
        case opLike: return TVariant(!a.IsClear() && !b.IsClear() && LikeMatches(a.AsString(), b.AsString()));
        default: MemTableError(MemTableTexts::OperatorNotSupported(op));
        }
    }

    // A comparison with Null is false; values that cannot be ordered are only unequal.
    static bool Compare(int op, const TVariant& a, const TVariant& b)
    {
        if (a.IsClear() || b.IsClear()) return false;
        const std::optional<int> r = CompareVariants(a, b);
        if (!r) return op == opNotEqual;
        switch (op) {
        case opEqual: return *r == 0;
        case opNotEqual: return *r != 0;
        case opGreater: return *r > 0;
        case opLess: return *r < 0;
        case opGreaterOrEqual: return *r >= 0;
        default: return *r <= 0;
        }
    }

    TVariant Constant(int type, int offset) const
    {
        switch (type) {
        case ftUnknown: return TVariant::Null();
        case ftSmallint:
        case ftWord: return TVariant(int(nodes_.Word(nodes_.Literal(offset, 2))));
        case ftInteger:
        case ftAutoInc: return TVariant(int(qint32(nodes_.Long(nodes_.Literal(offset, 4)))));
        case ftFloat:
        case ftCurrency: return TVariant(nodes_.LiteralDouble(offset));
        case ftString:
        case ftFixedChar:
        case ftWideString:
        case ftGuid: return TVariant(nodes_.LiteralText(offset));
        case ftDate: {
            const int day = int(qint32(nodes_.Long(nodes_.Literal(offset, 4))));
            return TVariant::FromDate(TimeStampToDateTime(TTimeStamp{0, day}));
        }
        case ftTime: {
            const int msecs = int(qint32(nodes_.Long(nodes_.Literal(offset, 4))));
            return TVariant::FromDate(TimeStampToDateTime(TTimeStamp{msecs, DateDelta}));
        }
        case ftDateTime: {
            const double msecs = nodes_.LiteralDouble(offset);
            const double days = std::floor(msecs / MSecsPerDay);
            return TVariant::FromDate(TimeStampToDateTime(TTimeStamp{int(msecs - days * MSecsPerDay), int(days)}));
        }
        case ftBoolean: return TVariant(nodes_.Word(nodes_.Literal(offset, 2)) != 0);
        case ftBCD: return TVariant(0);
        default: MemTableError(MemTableTexts::UnknownFieldType(type));
        }
    }

    FilterNodes nodes_;
    FieldValue fieldValue_;
};

}  // namespace

TVariant TCustomMemTable::FilterFieldValue(int fieldNo, const QString& name)
{
    TField* field = (fieldNo >= 1 && fieldNo <= FieldCount()) ? Fields()[fieldNo - 1] : FieldByName(name);
    return field->AsVariant();
}

bool TCustomMemTable::FilterExpressionMatches()
{
    auto fieldValue = [this](int fieldNo, const QString& name) { return FilterFieldValue(fieldNo, name); };
    const FilterEvaluator evaluator(filter_->FilterData(), fieldValue);
    return evaluator.Matches();
}

// --- Locate and Lookup ---------------------------------------------------------------------------

int TCustomMemTable::FindKeyValues(const QString& fieldNames, const TVariant& values, TLocateOptions options)
{
    if (values.IsArray())
        for (int i = values.ArrayLowBound(); i <= values.ArrayHighBound(); ++i)
            if (values[i].IsArray()) MemTableError(MemTableTexts::ValuesInvalidDimensionCount());
    CheckBrowseMode();
    CursorPosChanged();
    TMemTableCompareOptions compare;
    if (options.testFlag(loCaseInsensitive)) compare |= mtcoCaseInsensitive;
    if (options.testFlag(loPartialKey)) compare |= mtcoPartialKey;
    const bool savedRecalc = recalcOnIndex_;
    recalcOnIndex_ = false;
    TMemKeyFields keys;
    try {
        keys = BuildFieldList(fieldNames);
    } catch (...) {
        recalcOnIndex_ = savedRecalc;
        throw;
    }
    if (!recalcOnIndex_) recalcOnIndex_ = savedRecalc;
    ScratchRow key(layout_);
    PutKeyValues(key.get(), fieldNames, values);
    // Hidden rows are never found.
    return currentIndex_->SearchKey(keys, key.get(), compare, false, [this](const TMemRow* row) {
        return RowVisible(const_cast<TMemRow*>(row));
    });
}

bool TCustomMemTable::Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    DoBeforeScroll();
    const int pos = FindKeyValues(keyFields, keyValues, options);
    if (pos < 0) return false;
    position_ = pos;
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

TVariant TCustomMemTable::Lookup(const QString& keyFields, const TVariant& keyValues, const QString& resultFields)
{
    const int pos = FindKeyValues(keyFields, keyValues, {});
    if (pos < 0) return TVariant::Null();
    ScratchRow found(layout_);
    layout_.CopyRowInto(currentIndex_->Row(pos), found.get());
    GetCalcFields(BufferOf(found.get()));
    TMemRow* saved = overrideRow_;
    overrideRow_ = found.get();
    TVariant result;
    try {
        result = FieldValues(resultFields);
    } catch (...) {
        overrideRow_ = saved;
        throw;
    }
    overrideRow_ = saved;
    return result;
}

// --- attachment ----------------------------------------------------------------------------------

void TCustomMemTable::SetAttachedTo(TCustomMemTable* table)
{
    if (table == attachedTo_) return;
    if (table == this) MemTableError(MemTableTexts::CantAttachToItself());
    if (table && table->attachedTo_) MemTableError(MemTableTexts::CantAttachToAttachment());
    if (table) {
        std::lock_guard guard(attachedLock_);
        if (!attached_.empty()) MemTableError(MemTableTexts::CantAttachTableWithAttachments());
    }
    Close();
    if (attachedTo_) {
        {
            std::lock_guard guard(attachedTo_->attachedLock_);
            auto& list = attachedTo_->attached_;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
        attachedTo_ = nullptr;
        store_ = std::make_shared<TMemRowStore>();
    }
    if (!table) return;
    {
        std::lock_guard guard(table->attachedLock_);
        table->attached_.push_back(this);
    }
    attachedTo_ = table;
    store_ = table->store_;
    if (!table->Active()) table->InitFieldDefs();
    FieldDefs().Assign(table->FieldDefs());
}

void TCustomMemTable::DetachAll()
{
    std::vector<TCustomMemTable*> others;
    {
        std::lock_guard guard(attachedLock_);
        others = attached_;
    }
    for (TCustomMemTable* table : others) {
        try {
            table->SetAttachedTo(nullptr);
        } catch (...) {
            // Its close failed: it still leaves this store.
            std::lock_guard guard(attachedLock_);
            attached_.erase(std::remove(attached_.begin(), attached_.end(), table), attached_.end());
            table->attachedTo_ = nullptr;
            table->store_ = std::make_shared<TMemRowStore>();
        }
    }
}

void TCustomMemTable::Notification(TComponent* component, TOperation operation)
{
    TDataSet::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == deltaHandler_ && deltaHandler_) deltaHandler_ = nullptr;
    if (masterLink_.DataSource() == component) masterLink_.SetDataSource(nullptr);
    if (component == attachedTo_ && attachedTo_) SetAttachedTo(nullptr);
}

void TCustomMemTable::RefreshAttachedTables()
{
    if (!attachedAutoRefresh_) return;
    TCustomMemTable* owner = StoreOwner();
    if (owner != this && owner->Active() && owner->State() == dsBrowse) owner->Refresh();
    std::vector<TCustomMemTable*> others;
    {
        std::lock_guard guard(owner->attachedLock_);
        others = owner->attached_;
    }
    for (TCustomMemTable* table : others)
        if (table != this && table->Active() && table->State() == dsBrowse) table->Refresh();
}

void TCustomMemTable::DoAfterPost()
{
    RefreshAttachedTables();
    TDataSet::DoAfterPost();
}

void TCustomMemTable::DoAfterCancel()
{
    RefreshAttachedTables();
    TDataSet::DoAfterCancel();
}

// --- transactions and check points ---------------------------------------------------------------

void TCustomMemTable::StartTransaction()
{
    if (!Active()) return;
    if (!enableVersioning_ || versioningMode_ != mtvmAllSinceCheckPoint)
        MemTableError(MemTableTexts::TransactioningRequiresMultiversion());
    CheckBrowseMode();
    ++transactionLevel_;
}

void TCustomMemTable::Commit()
{
    if (!Active() || transactionLevel_ <= 0) return;
    CheckBrowseMode();
    EndTransactionLevel([this](int level) {
        for (int id = 0; id < store_->SlotCount(); ++id) {
            TMemRow* row = store_->Slot(id);
            if (!row) continue;
            TMemRow* older = row->OlderVersion;
            while (older && older->TransLevel == level) {
                TMemRow* next = older->OlderVersion;
                layout_.FreeRow(older, false);
                older = next;
            }
            row->OlderVersion = older;
            // What the inner level did now belongs to the outer one and goes with its rollback.
            if (row->TransLevel == level) row->TransLevel = level - 1;
        }
    });
}

void TCustomMemTable::Rollback()
{
    if (!Active() || transactionLevel_ <= 0) return;
    Cancel();
    EndTransactionLevel([this](int level) {
        for (int id = 0; id < store_->SlotCount(); ++id) {
            TMemRow* row = store_->Slot(id);
            while (row && row->TransLevel == level && row->UpdateStatus != musUnmodified) {
                if (row->UpdateStatus == musInserted) {
                    store_->ReleaseRow(row);
                    layout_.FreeRow(row, true);
                    break;
                }
                TMemRow* older = row->OlderVersion;
                if (!older) break;
                if (row->UpdateStatus == musDeleted && older->UpdateStatus != musDeleted) --store_->DeletedCount;
                store_->ReplaceRow(row, older);
                layout_.FreeRow(row, false);
                row = older;
            }
        }
    });
}

// Walks the versions of the innermost level under the store's lock; the level ends even when
// the walk fails, so the table never stays inside a transaction it can no longer finish.
void TCustomMemTable::EndTransactionLevel(const std::function<void(int level)>& walk)
{
    const int level = transactionLevel_;
    std::unique_lock guard(store_->Lock());
    try {
        walk(level);
    } catch (...) {
        --transactionLevel_;
        FinishVersionWalk();
        throw;
    }
    --transactionLevel_;
    FinishVersionWalk();
}

void TCustomMemTable::CheckPoint()
{
    CheckActive();
    if (transactionLevel_ > 0) MemTableError(MemTableTexts::CheckPointInsideTransaction());
    CheckBrowseMode();
    std::unique_lock guard(store_->Lock());
    for (int id = 0; id < store_->SlotCount(); ++id) {
        TMemRow* row = store_->Slot(id);
        if (!row) continue;
        if (row->UpdateStatus == musDeleted) {
            store_->ReleaseRow(row);
            layout_.FreeRow(row, true);
            continue;
        }
        layout_.FreeRow(row->OlderVersion, true);
        row->OlderVersion = nullptr;
        row->UpdateStatus = musUnmodified;
        row->TransLevel = 0;
    }
    store_->DeletedCount = 0;
    FinishVersionWalk();
}

void TCustomMemTable::FinishVersionWalk()
{
    std::exception_ptr failure;
    const std::vector<TCustomMemTable*> tables = IndexedTables();
    for (TCustomMemTable* table : tables) {
        try {
            table->indexes_.ReindexAll();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        table->position_ = std::min(table->position_, table->currentIndex_->Count() - 1);
    }
    for (TCustomMemTable* table : tables) {
        if (!table->Active() || table->State() != dsBrowse) continue;
        table->CursorPosChanged();
        table->Resync(TResyncMode());
    }
    if (failure) std::rethrow_exception(failure);
}

// --- journal and delta handler -------------------------------------------------------------------

void TCustomMemTable::SetEnableJournal(bool value)
{
    enableJournal_ = value;
    if (value && !journal_ && cursorOpen_) CreateJournal();
}

void TCustomMemTable::CreateJournal()
{
    auto journal = std::make_unique<TMemJournal>(this);
    journal->Setup();
    journal_ = std::move(journal);
}

bool TCustomMemTable::JournalingOn() const { return enableJournal_ && journal_; }

void TCustomMemTable::LogChange(int operation, TMemRow* newRow, TMemRow* oldRow)
{
    if (JournalingOn()) journal_->LogChange(TMemJournalOperation(operation), newRow, oldRow);
}

void TCustomMemTable::SetDeltaHandler(TCustomMemDeltaHandler* handler)
{
    if (handler == deltaHandler_) return;
    TCustomMemDeltaHandler* previous = deltaHandler_;
    deltaHandler_ = handler;
    if (previous) {
        RemoveFreeNotification(previous);
        if (previous->MemTable() == this) previous->SetMemTable(nullptr);
    }
    if (handler) {
        FreeNotification(handler);
        if (handler->MemTable() != this) handler->SetMemTable(this);
    }
}

void TCustomMemTable::EmptyTable()
{
    CheckActive();
    CheckBrowseMode();
    ClearRows(true);
    store_->HighestAutoInc = -1;
    Resync(TResyncMode());
}

// --- blobs ---------------------------------------------------------------------------------------

TStream* TCustomMemTable::CreateBlobStream(TField* field, TBlobStreamMode mode)
{
    return new TMemBlobStream(field, mode);
}

void TCustomMemTable::CloseBlob(TField* field)
{
    if (!field || !cursorOpen_) return;
    if (State() == dsEdit && StoredRowOf(ActiveRow())) return;
    if (field->FieldNo() <= 0 || field->FieldNo() > layout_.SlotCount()) return;
    const TMemSlot& slot = layout_.Slot(field->FieldNo());
    TMemRow* row = RowOf(ActiveBuffer());
    if (slot.Kind != TMemSlotKind::Blob || !row) return;
    TMemRecordLayout::SetBlobAt(row, slot.Offset, nullptr);
    row->Data[slot.Offset] = 0;
}

// --- save formats and the persistent file --------------------------------------------------------

void TCustomMemTable::SaveBinaryToStream(TStream& stream, TMemTableSaveFlags flags)
{
    TMemTableFormats::SaveBinary(*this, stream, flags);
}

void TCustomMemTable::SaveCSVToStream(TStream& stream, TMemTableSaveFlags flags)
{
    TMemTableFormats::SaveCSV(*this, stream, flags);
}

void TCustomMemTable::SaveBinaryToFile(const QString& fileName, TMemTableSaveFlags flags)
{
    TMemTableFormats::SaveToFile(*this, fileName, mtsfBinary, flags);
}

void TCustomMemTable::SaveCSVToFile(const QString& fileName, TMemTableSaveFlags flags)
{
    TMemTableFormats::SaveToFile(*this, fileName, mtsfCSV, flags);
}

void TCustomMemTable::LoadBinaryFromStream(TStream& stream) { TMemTableFormats::LoadBinary(*this, stream); }

void TCustomMemTable::LoadCSVFromStream(TStream& stream) { TMemTableFormats::LoadCSV(*this, stream); }

void TCustomMemTable::LoadBinaryFromFile(const QString& fileName)
{
    TMemTableFormats::LoadFromFile(*this, fileName, mtsfBinary);
}

void TCustomMemTable::LoadCSVFromFile(const QString& fileName)
{
    TMemTableFormats::LoadFromFile(*this, fileName, mtsfCSV);
}

QString TCustomMemTable::CommaText()
{
    TMemoryStream stream;
    SaveCSVToStream(stream, commaTextOptions_);
    return DecodeUtf8OrCp1251(stream.Bytes());
}

void TCustomMemTable::SetCommaText(const QString& text)
{
    TMemoryStream stream(text.toUtf8());
    LoadCSVFromStream(stream);
}

QByteArray TCustomMemTable::AllData()
{
    TMemoryStream stream;
    SaveBinaryToStream(stream, allDataOptions_);
    return stream.Bytes();
}

void TCustomMemTable::SetAllData(const QByteArray& data)
{
    TMemoryStream stream(data);
    LoadBinaryFromStream(stream);
}

void TCustomMemTable::LoadPersistentFile()
{
    if (!persistent_ || persistentFile_.isEmpty() || !QFileInfo::exists(persistentFile_)) return;
    TMemTableFormats::LoadFromFile(*this, persistentFile_, persistentSaveFormat_);
    First();
}

void TCustomMemTable::SavePersistentFile()
{
    if (!persistent_ || persistentFile_.isEmpty()) return;
    TMemTableFormats::SaveToFile(*this, persistentFile_, persistentSaveFormat_, persistentSaveOptions_);
}

void TCustomMemTable::DoBeforeClose()
{
    if (!destroying_) TDataSet::DoBeforeClose();
    SavePersistentFile();
}

void TCustomMemTable::DefineProperties(TFiler& filer)
{
    TDataSet::DefineProperties(filer);
    auto readData = [this](TStream& stream) {
        stream.SetPosition(0);
        formData_ = stream.ReadBytes(stream.Size());
        hasFormData_ = true;
        // A table already open takes the rows now; otherwise they wait for the open.
        if (Active() && !IsLoading()) {
            hasFormData_ = false;
            TMemoryStream data(formData_);
            formData_.clear();
            if (storeDataOnForm_) LoadBinaryFromStream(data);
        }
    };
    auto writeData = [this](TStream& stream) {
        if (Active()) SaveBinaryToStream(stream, MemFormDataFlags);
    };
    filer.DefineBinaryProperty(QStringLiteral("Data"), readData, writeData, storeDataOnForm_);
}
