#include "platform/toolkit/Streams.h"

#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace {
qint64 TargetPosition(qint64 current, qint64 size, qint64 offset, TSeekOrigin origin)
{
    qint64 base = 0;
    switch (origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = current; break;
    case soFromEnd: base = size; break;
    }
    const qint64 target = base + offset;
    if (target < 0) throw EStreamError(QStringLiteral("Stream seek error"));
    return target;
}
}  // namespace

qint64 TStream::Size()
{
    const qint64 here = Seek(0, soFromCurrent);
    const qint64 end = Seek(0, soFromEnd);
    Seek(here, soFromBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, qint64 count)
{
    if (count < 0 || (count > 0 && Read(buffer, count) != count)) throw EStreamError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, qint64 count)
{
    if (count < 0 || (count > 0 && Write(buffer, count) != count))
        throw EStreamError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream& source, qint64 count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr qint64 chunk = 1 << 16;
    QByteArray buffer(int(std::min(count, chunk)), Qt::Uninitialized);
    qint64 left = count;
    while (left > 0) {
        const qint64 n = std::min(left, chunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.constData(), n);
        left -= n;
    }
    return count;
}

QByteArray TStream::ReadBytes(qint64 count)
{
    if (count <= 0) return {};
    QByteArray bytes(count, Qt::Uninitialized);
    const qint64 n = Read(bytes.data(), count);
    bytes.truncate(std::max<qint64>(n, 0));
    return bytes;
}

qint64 TMemoryStream::Read(void* buffer, qint64 count)
{
    const qint64 n = std::clamp<qint64>(data_.size() - position_, 0, std::max<qint64>(count, 0));
    if (n > 0) std::memcpy(buffer, data_.constData() + position_, size_t(n));
    position_ += n;
    return n;
}

qint64 TMemoryStream::Write(const void* buffer, qint64 count)
{
    if (count <= 0) return 0;
    const qint64 end = position_ + count;
    if (end > data_.size()) SetSize(end);
    std::memcpy(data_.data() + position_, buffer, size_t(count));
    position_ = end;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin)
{
    position_ = TargetPosition(position_, data_.size(), offset, origin);
    return position_;
}

void TMemoryStream::SetSize(qint64 size)
{
    if (size < 0) throw EStreamError(QStringLiteral("Stream write error"));
    const qint64 old = data_.size();
    data_.resize(size);
    if (size > old) std::memset(data_.data() + old, 0, size_t(size - old));
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const qint64 size = source.Size();
    QByteArray bytes(size, Qt::Uninitialized);
    source.ReadBuffer(bytes.data(), size);
    data_ = bytes;
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) const { target.WriteBuffer(data_.constData(), data_.size()); }

void TMemoryStream::LoadFromFile(const QString& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const QString& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

TFileStream::TFileStream(const QString& fileName, unsigned mode) : file_(ResolveFileNameCase(fileName))
{
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw EStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file_.errorString()));
        return;
    }
    QIODevice::OpenMode open;
    switch (mode & 0x3) {
    case fmOpenWrite: open = QIODevice::WriteOnly; break;
    case fmOpenReadWrite: open = QIODevice::ReadWrite; break;
    default: open = QIODevice::ReadOnly; break;
    }
    // Opening never creates: the file must be there.
    if (!QFileInfo(file_.fileName()).isFile() || !file_.open(open))
        throw EStreamError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(fileName, file_.exists() ? file_.errorString() : QStringLiteral("No such file")));
}

qint64 TFileStream::Read(void* buffer, qint64 count)
{
    if (count <= 0 || !file_.isReadable()) return 0;
    const qint64 n = file_.read(static_cast<char*>(buffer), count);
    return std::max<qint64>(n, 0);
}

qint64 TFileStream::Write(const void* buffer, qint64 count)
{
    if (count <= 0 || !file_.isWritable()) return 0;
    const qint64 n = file_.write(static_cast<const char*>(buffer), count);
    return std::max<qint64>(n, 0);
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin)
{
    const qint64 target = TargetPosition(file_.pos(), file_.size(), offset, origin);
    if (!file_.seek(target)) throw EStreamError(QStringLiteral("Stream seek error"));
    return target;
}

void TFileStream::SetSize(qint64 size)
{
    if (size < 0 || !file_.resize(size)) throw EStreamError(QStringLiteral("Stream write error"));
    if (file_.pos() > size) file_.seek(size);
}
