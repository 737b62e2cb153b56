#include "platform/dao/DaoUserList.h"

#include "platform/dao/DaoError.h"
#include "platform/dao/DaoLockFile.h"
#include "platform/dao/DaoStore.h"

#include <QFileInfo>

namespace dao {

namespace {

enum UserListError { errNoFile = -1, errNotDatabase = -2, errUnreadable = -3, errBadOption = -5 };

}  // namespace

int LDBUser_GetDatabaseVersion(const QString& databasePath)
{
    if (!QFileInfo(databasePath).isFile())
        return errNoFile;
    try {
        return Store::ReadFormatVersion(databasePath).section(QLatin1Char('.'), 0, 0).toInt();
    } catch (const EDaoError& e) {
        return e.Number() == 3343 ? errNotDatabase : errUnreadable;
    }
}

int LDBUser_GetUsers(QStringList* users, const QString& databasePath, int option)
{
    if (option != 1 && option != 2 && option != 4 && option != 8)
        return errBadOption;
    if (!QFileInfo(databasePath).isFile())
        return errNoFile;
    int count = 0;
    for (const auto& slot : LockFile::ReadSlots(databasePath)) {
        if (slot.computer.isEmpty() && slot.user.isEmpty())
            continue;
        const bool wanted = option == 1 || ((option == 2 || option == 8) && slot.live) || (option == 4 && slot.suspect);
        if (!wanted)
            continue;
        ++count;
        if (users && option != 8)
            users->append(slot.computer + QLatin1Char('/') + slot.user);
    }
    return count;
}

QString LDBUser_GetError(int code)
{
    switch (code) {
    case errNoFile:
        return QStringLiteral("The database file was not found.");
    case errNotDatabase:
        return QStringLiteral("The file is not a database of this engine.");
    case errUnreadable:
        return QStringLiteral("The database file cannot be read.");
    case errBadOption:
        return QStringLiteral("The option is not one of 1, 2, 4 and 8.");
    default:
        return code < 0 ? QStringLiteral("Unknown error %1.").arg(code) : QString();
    }
}

}  // namespace dao
