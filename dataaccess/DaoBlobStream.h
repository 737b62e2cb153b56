#pragma once
// The stream through which a table dataset's memo and blob fields are read and written. It
// works on the record buffer of the current row; writes reach the engine when the row is
// posted.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Streams.h"

#include <QByteArray>

class TDaoTable;

class TDaoBlobStream : public TStream {
public:
    // Write mode on a read-only table raises "Cannot write to ReadOnly table!".
    TDaoBlobStream(TField* field, TBlobStreamMode mode);
    // Tells the dataset of a change made through the stream.
    ~TDaoBlobStream() override;

    qint64 Read(void* buffer, qint64 count) override;
    // Writing past the end fills the gap with zeros; what followed the written bytes is dropped.
    qint64 Write(const void* buffer, qint64 count) override;
    // A position before the start is taken as the start.
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return data_.size(); }
    void SetSize(qint64 size) override;
    // Cuts the data at the position.
    void Truncate();

private:
    void LoadData();
    void Store();

    TField* field_;
    TDaoTable* table_;
    TRecordBuffer buffer_;
    TBlobStreamMode mode_;
    bool opened_ = false;
    bool modified_ = false;
    qint64 position_ = 0;
    QByteArray data_;
};
