#include "app/util/DatabaseCopy.h"

#include "dataaccess/DaoDataBase.h"
#include "platform/os/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>

namespace {

struct TConnection {
    sqlite3* db = nullptr;
    ~TConnection() { sqlite3_close(db); }
};

bool OpenFile(const QString& path, int flags, TConnection& connection)
{
    const QByteArray name = QFile::encodeName(path);
    return sqlite3_open_v2(name.constData(), &connection.db, flags, nullptr) == SQLITE_OK;
}

bool RunBackup(sqlite3* from, sqlite3* to)
{
    sqlite3_busy_timeout(from, 5000);
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) return false;
    int rc;
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(50);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    return sqlite3_backup_finish(backup) == SQLITE_OK && rc == SQLITE_DONE;
}

}  // namespace

bool CopyDatabaseFile(const QString& source, const QString& target)
{
    const QString from = ResolveFileNameCase(source);
    if (!FileExists(from)) return false;
    const QString to = ResolveFileNameCase(target);
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath()) return false;

    const QString partial = to + QStringLiteral(".partial");
    QFile::remove(partial);
    bool copied = false;
    {
        TConnection in;
        TConnection out;
        copied = OpenFile(from, SQLITE_OPEN_READONLY, in) &&
                 OpenFile(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, out) && RunBackup(in.db, out.db);
    }
    if (!copied) {
        QFile::remove(partial);
        return false;
    }
    // rename() puts the complete copy in place in one step.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(to).constData()) != 0) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

QString RepairCopyFile()
{
    return QDir::current().filePath(QStringLiteral("Temp.mdb"));
}

QStringList DatabaseLeftovers(const QString& database)
{
    QStringList found;
    for (const QString& name : {RepairCopyFile(), database + QStringLiteral("-journal")}) {
        const QString file = ResolveFileNameCase(name);
        if (FileExists(file)) found << QFileInfo(file).absoluteFilePath();
    }
    found << TDaoDatabase::MaintenanceLeftovers(database);
    found.removeDuplicates();
    return found;
}
