#pragma once
// The lock file beside a database: one 64-byte slot per connection (32 bytes computer name,
// 32 bytes user name, each zero-padded), and a byte-range lock on its slot for as long as the
// connection lives, so that a reader tells live slots from those left behind. Locks belong to
// the open file, not the process, so two connections in one process see each other.

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace dao {

class LockFile {
public:
    static constexpr int kSlotSize = 64;
    static constexpr int kMaxSlots = 255;

    struct SlotInfo {
        QString computer;
        QString user;
        bool live = false;     // a connection holds the slot now
        bool suspect = false;  // left without closing (the connection died)
    };

    // The lock file's name: the database's folder and name without its last extension, ".ldb".
    static QString PathFor(const QString& databasePath);

    // Takes a slot for a new connection. Raises 3045 when another connection holds the database
    // exclusively, or when exclusive use is asked while others are connected. Returns nullptr
    // when the lock file cannot be made (a read-only folder): the connection goes on without.
    static std::unique_ptr<LockFile> Acquire(const QString& databasePath, bool exclusive, const QString& computer,
                                             const QString& user);

    // Every complete slot of the lock file, in order; empty when there is none.
    static std::vector<SlotInfo> ReadSlots(const QString& databasePath);

    // True when a live connection holds the file (another one than the asking connection).
    static bool InUse(const QString& databasePath);
    // True when a live connection holds the file exclusively.
    static bool HeldExclusively(const QString& databasePath);

    // This machine's name as it goes into the slots.
    static QString ComputerName();

    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    int Slot() const { return slot_; }
    const QString& Path() const { return path_; }

private:
    LockFile(QString path, int fd, int slot) : path_(std::move(path)), fd_(fd), slot_(slot) {}
    QString path_;
    int fd_ = -1;
    int slot_ = -1;
};

}  // namespace dao
