#pragma once
// Byte streams: the abstract stream with its position, memory streams over a byte array, file
// streams with the class library's open modes, and string and byte-array streams.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Read and Write move up to `count` bytes and answer how many moved.
    virtual qint64 Read(void* buffer, qint64 count) = 0;
    virtual qint64 Write(const void* buffer, qint64 count) = 0;
    // Answers the new position. A position before the start raises EStreamError; one past the
    // end is allowed (reading there gives nothing, writing there fills the gap with zeros).
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;

    qint64 Position() { return Seek(0, soFromCurrent); }
    void SetPosition(qint64 position) { Seek(position, soFromBeginning); }
    virtual qint64 Size();
    virtual void SetSize(qint64 size) = 0;

    // All or nothing: EStreamError "Stream read error" / "Stream write error" when fewer bytes move.
    void ReadBuffer(void* buffer, qint64 count);
    void WriteBuffer(const void* buffer, qint64 count);
    // Copies `count` bytes from the source's position; a count of 0 copies the whole source
    // from its start. Answers the count copied.
    qint64 CopyFrom(TStream& source, qint64 count);

    // Convenience for byte arrays: up to `count` bytes from the position / all of `bytes`.
    QByteArray ReadBytes(qint64 count);
    void WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
};

// A stream over memory it owns.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(const QByteArray& bytes) : data_(bytes) {}

    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return data_.size(); }
    void SetSize(qint64 size) override;

    char* Memory() { return data_.data(); }
    const char* Memory() const { return data_.constData(); }
    const QByteArray& Bytes() const { return data_; }
    void Clear();
    // The whole of the source (from its start) / of this stream (into the target's position).
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target) const;
    // EStreamError when the file cannot be opened or created.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

protected:
    QByteArray data_;
    qint64 position_ = 0;
};

// Text held as UTF-8 bytes.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const QString& text = QString()) : TMemoryStream(text.toUtf8()) {}
    QString DataString() const { return QString::fromUtf8(data_); }
    void WriteString(const QString& text) { WriteBytes(text.toUtf8()); }
    QString ReadString(qint64 count) { return QString::fromUtf8(ReadBytes(count)); }
};

class TBytesStream : public TMemoryStream {
public:
    explicit TBytesStream(const QByteArray& bytes = QByteArray()) : TMemoryStream(bytes) {}
};

// Open modes: one access mode, optionally or-ed with a share mode (accepted; this system
// shares files through its own lock file, not through open modes).
constexpr unsigned fmCreate = 0xFF00;
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

// A stream over a file. fmCreate creates or truncates it; the open modes need it to exist.
// Raises EStreamError "Cannot create file "<name>". <reason>" or "Cannot open file ...".
class TFileStream : public TStream {
public:
    TFileStream(const QString& fileName, unsigned mode);

    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return file_.size(); }
    void SetSize(qint64 size) override;

    QString FileName() const { return file_.fileName(); }

private:
    QFile file_;
};
