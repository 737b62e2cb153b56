#include "memtable/MemRow.h"

#include "memtable/MemTableError.h"

#include <algorithm>
#include <new>
#include <cstring>

int TMemRecordLayout::ValueSizeOf(TMemSlotKind kind, int fieldSize)
{
    switch (kind) {
    case TMemSlotKind::Text: return (fieldSize + 1) * 2;
    case TMemSlotKind::SmallInt:
    case TMemSlotKind::Word:
    case TMemSlotKind::Boolean: return 2;
    case TMemSlotKind::Integer:
    case TMemSlotKind::Date:
    case TMemSlotKind::Time: return 4;
    case TMemSlotKind::Float:
    case TMemSlotKind::DateTime:
    case TMemSlotKind::LargeInt: return 8;
    case TMemSlotKind::Bcd: return 34;
    case TMemSlotKind::Bytes: return fieldSize;
    case TMemSlotKind::VarBytes: return fieldSize + 2;
    case TMemSlotKind::Blob: return int(sizeof(TMemBlob*));
    }
    return 0;
}

int TMemRecordLayout::AddSlot(TMemSlotKind kind, int valueSize)
{
    if (int(slots_.size()) >= MaxFieldNumbers) MemTableError(MemTableTexts::TooManyFieldNumbers());
    // Text is compared in place, so its code units start at an even offset.
    if (kind == TMemSlotKind::Text && (dataSize_ + 1) % 2 != 0) ++dataSize_;
    TMemSlot slot{dataSize_, kind, valueSize};
    if (kind == TMemSlotKind::Blob) blobOffsets_.push_back(dataSize_);
    slots_.push_back(slot);
    dataSize_ += 1 + valueSize;
    return int(slots_.size());
}

TMemSlot TMemRecordLayout::CalcSlot(TMemSlotKind kind, int valueSize, int dataSize, int offset)
{
    return TMemSlot{dataSize + offset, kind, valueSize};
}

void TMemRecordLayout::Clear()
{
    slots_.clear();
    blobOffsets_.clear();
    dataSize_ = 0;
    calcSize_ = 0;
}

TMemRow* TMemRecordLayout::AllocRow() const
{
    // Node and data block share one allocation, so a row is read with one memory access.
    const size_t length = size_t(BufferSize());
    void* block = ::operator new(sizeof(TMemRow) + length + 1);
    auto* row = new (block) TMemRow;
    row->DataLength = BufferSize();
    row->Data = reinterpret_cast<quint8*>(row + 1);
    std::memset(row->Data, 0, length + 1);
    return row;
}

TMemBlob* TMemRecordLayout::BlobAt(const TMemRow* row, int offset)
{
    TMemBlob* blob = nullptr;
    std::memcpy(&blob, row->Data + offset + 1, sizeof blob);
    return blob;
}

void TMemRecordLayout::SetBlobAt(TMemRow* row, int offset, TMemBlob* blob)
{
    TMemBlob* old = BlobAt(row, offset);
    std::memcpy(row->Data + offset + 1, &blob, sizeof blob);
    if (old != blob) TMemBlob::Release(old);
}

void TMemRecordLayout::ReleaseBlobs(TMemRow* row) const
{
    for (int offset : blobOffsets_) {
        if (offset >= row->DataLength) continue;
        SetBlobAt(row, offset, nullptr);
    }
}

void TMemRecordLayout::AcquireBlobs(const TMemRow* row) const
{
    for (int offset : blobOffsets_)
        if (offset < row->DataLength) TMemBlob::Acquire(BlobAt(row, offset));
}

void TMemRecordLayout::FreeRow(TMemRow* row, bool withVersions) const
{
    while (row) {
        TMemRow* older = withVersions ? row->OlderVersion : nullptr;
        ReleaseBlobs(row);
        row->Guard1 = row->Guard2 = 0;
        row->~TMemRow();
        ::operator delete(row);
        row = older;
    }
}

TMemRow* TMemRecordLayout::DuplicateRow(const TMemRow* row, bool copyBlobs) const
{
    TMemRow* copy = AllocRow();
    copy->RecNoStamp = row->RecNoStamp;
    copy->BookmarkFlag = row->BookmarkFlag;
    copy->Bookmark = row->Bookmark;
    copy->UpdateStatus = row->UpdateStatus;
    copy->OlderVersion = row->OlderVersion;
    std::memcpy(copy->Data, row->Data, size_t(std::min(copy->DataLength, row->DataLength)));
    for (int offset : blobOffsets_) {
        if (offset >= copy->DataLength) continue;
        TMemBlob* blob = BlobAt(copy, offset);
        if (!blob) continue;
        if (copyBlobs) {
            TMemBlob* own = new TMemBlob(blob->Data());
            std::memcpy(copy->Data + offset + 1, &own, sizeof own);
        } else {
            TMemBlob::Acquire(blob);
        }
    }
    return copy;
}

void TMemRecordLayout::CopyRowInto(const TMemRow* source, TMemRow* target) const
{
    if (source == target) return;
    // Taken before the target lets go, so a blob both share never reaches zero on the way.
    AcquireBlobs(source);
    ReleaseBlobs(target);
    target->Guard1 = target->Guard2 = MemRowGuard;
    target->RecNoStamp = source->RecNoStamp;
    target->BookmarkFlag = source->BookmarkFlag;
    target->Bookmark = source->Bookmark;
    target->UpdateStatus = source->UpdateStatus;
    target->OlderVersion = source->OlderVersion;
    const qint32 length = std::min(source->DataLength, target->DataLength);
    std::memcpy(target->Data, source->Data, size_t(length));
    std::memset(target->Data + length, 0, size_t(target->DataLength - length));
}

void TMemRecordLayout::InitRow(TMemRow* row) const
{
    ReleaseBlobs(row);
    row->Bookmark = -1;
    std::memset(row->Data, 0, size_t(row->DataLength));
}

void TMemRecordLayout::ClearCalcArea(TMemRow* row) const
{
    if (row->DataLength > dataSize_) std::memset(row->Data + dataSize_, 0, size_t(row->DataLength - dataSize_));
}
