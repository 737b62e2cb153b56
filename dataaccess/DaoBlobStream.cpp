#include "dataaccess/DaoBlobStream.h"

#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Exceptions.h"

#include <algorithm>
#include <cstring>

TDaoBlobStream::TDaoBlobStream(TField* field, TBlobStreamMode mode)
    : field_(field), table_(qobject_cast<TDaoTable*>(field->DataSet())), buffer_(nullptr), mode_(mode)
{
    opened_ = true;
    if (!table_)
        return;
    buffer_ = table_->GetActiveRecordBuffer();
    if (!buffer_)
        return;
    if (mode == bmWrite) {
        if (table_->ReadOnly())
            DatabaseError(QStringLiteral("Cannot write to ReadOnly table!"));
        Truncate();
        return;
    }
    LoadData();
}

TDaoBlobStream::~TDaoBlobStream()
{
    if (!modified_ || !table_)
        return;
    try {
        table_->DataEvent(deFieldChange, reinterpret_cast<qintptr>(field_));
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TDaoBlobStream::LoadData()
{
    auto* blob = dynamic_cast<TBlobField*>(field_);
    // A value written through an earlier stream of this edit is the buffer's text.
    if (blob && blob->Modified()) {
        data_ = table_->BlobBytes(field_, table_->FieldText(buffer_, field_->FieldNo() - 1));
        return;
    }
    data_ = table_->ReadBlobData(field_, buffer_);
}

void TDaoBlobStream::Store()
{
    if (!table_ || !buffer_)
        return;
    table_->StoreBlobData(field_, buffer_, data_);
    if (auto* blob = dynamic_cast<TBlobField*>(field_))
        blob->SetModified(true);
    modified_ = true;
}

qint64 TDaoBlobStream::Read(void* buffer, qint64 count)
{
    if (!opened_ || count <= 0 || position_ >= data_.size())
        return 0;
    const qint64 n = std::min<qint64>(count, data_.size() - position_);
    std::memcpy(buffer, data_.constData() + position_, size_t(n));
    position_ += n;
    return n;
}

qint64 TDaoBlobStream::Write(const void* buffer, qint64 count)
{
    if (!opened_ || count <= 0)
        return 0;
    QByteArray head = data_.left(position_);
    if (head.size() < position_)
        head.append(QByteArray(position_ - head.size(), '\0'));
    data_ = head + QByteArray(static_cast<const char*>(buffer), count);
    position_ += count;
    Store();
    return count;
}

qint64 TDaoBlobStream::Seek(qint64 offset, TSeekOrigin origin)
{
    qint64 target = offset;
    if (origin == soFromCurrent)
        target = position_ + offset;
    else if (origin == soFromEnd)
        target = data_.size() + offset;
    position_ = std::max<qint64>(0, target);
    return position_;
}

void TDaoBlobStream::SetSize(qint64 size)
{
    if (!opened_)
        return;
    const qint64 old = data_.size();
    data_.resize(std::max<qint64>(0, size));
    if (data_.size() > old)
        std::memset(data_.data() + old, 0, size_t(data_.size() - old));
    position_ = std::min<qint64>(position_, data_.size());
    Store();
}

void TDaoBlobStream::Truncate()
{
    if (!opened_)
        return;
    data_.truncate(position_);
    Store();
}
