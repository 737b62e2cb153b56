#include "memtable/MemBlob.h"

#include "memtable/MemTable.h"

#include "platform/toolkit/Exceptions.h"

// --- TMemBlob ------------------------------------------------------------------------------------

void TMemBlob::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    QByteArray bytes(qsizetype(stream.Size()), '\0');
    stream.ReadBuffer(bytes.data(), bytes.size());
    data_ = std::move(bytes);
}

void TMemBlob::SaveToStream(TStream& stream) const
{
    stream.SetSize(data_.size());
    stream.SetPosition(0);
    stream.WriteBuffer(data_.constData(), data_.size());
    stream.SetPosition(0);
}

TMemBlob* TMemBlob::Acquire(TMemBlob* blob)
{
    if (blob) blob->references_.fetch_add(1, std::memory_order_relaxed);
    return blob;
}

void TMemBlob::Release(TMemBlob* blob)
{
    if (blob && blob->references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete blob;
}

// --- TMemBlobStream ------------------------------------------------------------------------------

namespace {
// Clears a flag when the scope ends, also on failure.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};
}  // namespace

TMemBlobStream::TMemBlobStream(TField* field, TBlobStreamMode mode) : mode_(mode)
{
    field_ = dynamic_cast<TBlobField*>(field);
    table_ = field_ ? dynamic_cast<TCustomMemTable*>(field_->DataSet()) : nullptr;
    if (!field_ || !table_) throw EConvertError(QStringLiteral("Invalid class typecast"));
    TMemRow* row = table_->cursorOpen_ ? table_->CurrentRow() : nullptr;
    const int fieldNo = field_->FieldNo();
    if (row && fieldNo > 0 && fieldNo <= table_->layout_.SlotCount()) {
        const TMemSlot& slot = table_->layout_.Slot(fieldNo);
        if (slot.Kind == TMemSlotKind::Blob && slot.Offset < row->DataLength) {
            row_ = row;
            slotOffset_ = slot.Offset;
        }
    }
    if (Writable()) {
        if (!table_->loading_ && field_->ReadOnly())
            DatabaseError(MemTableTexts::FieldIsReadOnly(field_->DisplayName()));
        if (table_->State() != dsEdit && table_->State() != dsInsert) DatabaseError(MemTableTexts::NotInEditMode());
    }
    if (!row_) return;
    if (mode_ == bmWrite) {
        TMemRecordLayout::SetBlobAt(row_, slotOffset_, nullptr);
        modified_ = true;
        return;
    }
    ReadBlob();
}

TMemBlobStream::~TMemBlobStream()
{
    if (!modified_ || !row_) return;
    try {
        StoreBlob();
        field_->SetModified(true);
        table_->DataEvent(deFieldChange, reinterpret_cast<qintptr>(field_));
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TMemBlobStream::ReadBlob()
{
    const TMemBlob* blob = TMemRecordLayout::BlobAt(row_, slotOffset_);
    if (!blob) return;
    {
        FlagScope filling(filling_);
        if (table_->OnDecompressBlobStream) {
            TMemoryStream packed;
            blob->SaveToStream(packed);
            table_->OnDecompressBlobStream(table_, packed, *this);
        } else {
            blob->SaveToStream(*this);
        }
    }
    SetPosition(0);
}

void TMemBlobStream::StoreBlob()
{
    const bool present = Size() > 0;
    QByteArray bytes;
    if (present && table_->OnCompressBlobStream) {
        TMemoryStream packed;
        SetPosition(0);
        table_->OnCompressBlobStream(table_, *this, packed);
        bytes = packed.Bytes();
    } else {
        bytes = Bytes();
    }
    TMemRecordLayout::SetBlobAt(row_, slotOffset_, present ? new TMemBlob(bytes) : nullptr);
    row_->Data[slotOffset_] = present ? 1 : 0;
}

qint64 TMemBlobStream::Write(const void* buffer, qint64 count)
{
    const qint64 written = TMemoryStream::Write(buffer, count);
    // Read-write streams keep their writes too.
    if (!filling_ && Writable() && written > 0) modified_ = true;
    return written;
}

void TMemBlobStream::SetSize(qint64 size)
{
    const qint64 before = Size();
    TMemoryStream::SetSize(size);
    if (!filling_ && Writable() && size != before) modified_ = true;
}
