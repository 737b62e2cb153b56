#include "platform/dao/DaoLockFile.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/os/CodePage1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

// A byte far beyond the slots: every connection holds it shared, an exclusive one alone.
constexpr off_t kGate = 0x10000;
constexpr off_t kSlotArea = off_t(LockFile::kSlotSize) * LockFile::kMaxSlots;
constexpr int kMarkerByte = 63;  // behind the user name's terminating zero: 1 while connected

bool TryLock(int fd, short type, off_t start, off_t length)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    fl.l_pid = 0;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool LockedByOther(int fd, off_t start, off_t length)
{
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    fl.l_pid = 0;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0)
        return false;
    return fl.l_type != F_UNLCK;
}

// Names are stored in code page 1251, the form the shop's other tools read them in.
QByteArray Padded(const QString& text, int width)
{
    QByteArray bytes = ToCp1251(text).left(width);
    bytes.replace('\0', '?');
    bytes.append(QByteArray(width - int(bytes.size()), '\0'));
    return bytes;
}

QString SlotText(const char* bytes, int width)
{
    int n = 0;
    while (n < width && bytes[n] != '\0')
        ++n;
    return FromCp1251(QByteArray(bytes, n));
}

[[noreturn]] void InUseError(const QString& databasePath)
{
    throw EDaoError(errFileInUse,
                    QCoreApplication::translate("Dao", "Could not use '%1'; file already in use.").arg(QDir::toNativeSeparators(databasePath)),
                    QStringLiteral("DAO.Workspace"));
}

// Opens the lock file, making it when missing, and makes sure the name still refers to the
// file opened (a closing connection may have removed it meanwhile).
int OpenLockFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return -1;
        struct stat opened = {}, named = {};
        if (fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino
            && opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    return -1;
}

}  // namespace

QString LockFile::PathFor(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return info.absoluteDir().filePath(name + QStringLiteral(".ldb"));
}

QString LockFile::ComputerName()
{
    QString name = QSysInfo::machineHostName();
    if (name.isEmpty())
        name = QStringLiteral("localhost");
    return name.toUpper();
}

std::unique_ptr<LockFile> LockFile::Acquire(const QString& databasePath, bool exclusive, const QString& computer,
                                            const QString& user)
{
    const QString path = PathFor(databasePath);
    const int fd = OpenLockFile(path);
    if (fd < 0)
        return nullptr;
    if (!TryLock(fd, exclusive ? F_WRLCK : F_RDLCK, kGate, 1)) {
        ::close(fd);
        InUseError(databasePath);
    }
    int slot = -1;
    for (int i = 0; i < kMaxSlots && slot < 0; ++i) {
        if (TryLock(fd, F_WRLCK, off_t(i) * kSlotSize, kSlotSize))
            slot = i;
    }
    if (slot < 0) {
        ::close(fd);
        InUseError(databasePath);
    }
    QByteArray bytes = Padded(computer, 32) + Padded(user, 30) + QByteArray(2, '\0');
    bytes[kMarkerByte] = 1;
    if (::pwrite(fd, bytes.constData(), size_t(bytes.size()), off_t(slot) * kSlotSize) != bytes.size()) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<LockFile>(new LockFile(path, fd, slot));
}

LockFile::~LockFile()
{
    const char clean = 0;
    (void)::pwrite(fd_, &clean, 1, off_t(slot_) * kSlotSize + kMarkerByte);
    TryLock(fd_, F_UNLCK, off_t(slot_) * kSlotSize, kSlotSize);
    // The last one out removes the file, as long as nobody else holds the gate or a slot.
    if (TryLock(fd_, F_WRLCK, kGate, 1) && TryLock(fd_, F_WRLCK, 0, kSlotArea))
        ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
}

std::vector<LockFile::SlotInfo> LockFile::ReadSlots(const QString& databasePath)
{
    std::vector<SlotInfo> found;
    const QString path = PathFor(databasePath);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return found;
    QByteArray bytes(kSlotSize * 256, '\0');
    const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), 0);
    for (ssize_t i = 0; n > 0 && (i + 1) * kSlotSize <= n; ++i) {
        const char* slot = bytes.constData() + i * kSlotSize;
        SlotInfo info;
        info.computer = SlotText(slot, 32);
        info.user = SlotText(slot + 32, 32);
        info.live = LockedByOther(fd, off_t(i) * kSlotSize, kSlotSize);
        info.suspect = !info.live && slot[kMarkerByte] == 1 && !info.computer.isEmpty();
        found.push_back(info);
    }
    ::close(fd);
    return found;
}

bool LockFile::HeldExclusively(const QString& databasePath)
{
    const int fd = ::open(QFile::encodeName(PathFor(databasePath)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock fl = {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kGate;
    fl.l_len = 1;
    const bool held = fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

bool LockFile::InUse(const QString& databasePath)
{
    const int fd = ::open(QFile::encodeName(PathFor(databasePath)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool used = LockedByOther(fd, kGate, 1) || LockedByOther(fd, 0, kSlotArea);
    ::close(fd);
    return used;
}

}  // namespace dao
