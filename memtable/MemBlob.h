#pragma once
// Blob values of the memory table and the stream the blob fields read and write them through.
// A blob lives outside the row's fixed-size block; every row node whose slot refers to it holds
// one reference, so a record buffer, a stored row and its versions may share it, and it goes
// only when the last of them lets go (a cancelled edit never leaves a row on freed bytes).

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Streams.h"

#include <QByteArray>
#include <atomic>

class TCustomMemTable;
struct TMemRow;

class TMemBlob {
public:
    TMemBlob() = default;
    explicit TMemBlob(QByteArray data) : data_(std::move(data)) {}
    TMemBlob(const TMemBlob&) = delete;
    TMemBlob& operator=(const TMemBlob&) = delete;

    qint32 Size() const { return qint32(data_.size()); }
    const QByteArray& Data() const { return data_; }

    // The whole stream, read from its start.
    void LoadFromStream(TStream& stream);
    // The stream becomes the blob's bytes, positioned at the start.
    void SaveToStream(TStream& stream) const;

    // A new blob starts with the one reference of whoever made it.
    static TMemBlob* Acquire(TMemBlob* blob);
    static void Release(TMemBlob* blob);

private:
    ~TMemBlob() = default;
    QByteArray data_;
    std::atomic<int> references_{1};
};

// The stream a blob field of a memory table reads and writes its value through. Written bytes
// become the field's value when the stream is destroyed; writing nothing makes the field null.
class TMemBlobStream : public TMemoryStream {
public:
    // Raises EConvertError "Invalid class typecast" when the field is no blob field of a memory
    // table; DatabaseError for writing a read-only field or outside edit and insert.
    TMemBlobStream(TField* field, TBlobStreamMode mode);
    ~TMemBlobStream() override;
    TMemBlobStream(const TMemBlobStream&) = delete;
    TMemBlobStream& operator=(const TMemBlobStream&) = delete;

    qint64 Write(const void* buffer, qint64 count) override;
    void SetSize(qint64 size) override;

    bool Modified() const { return modified_; }

private:
    TBlobField* field_ = nullptr;
    TCustomMemTable* table_ = nullptr;
    TBlobStreamMode mode_;
    TMemRow* row_ = nullptr;
    int slotOffset_ = -1;
    bool modified_ = false;
    bool filling_ = false;

    void ReadBlob();
    void StoreBlob();
    bool Writable() const { return mode_ == bmWrite || mode_ == bmReadWrite; }
};
