#include "dataaccess/DaoInfo.h"

#include "platform/dao/DaoLockFile.h"
#include "platform/dao/DaoUserList.h"
#include "platform/os/CodePage1251.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"

#include <QFile>
#include <QStringList>
#include <algorithm>

namespace {

const QString kUserListLibrary = QStringLiteral("msldbusr.dll");

// A name field of a lock-file slot: single-byte text up to its zero byte or its full width.
QString SlotText(const QByteArray& slot, int from, int width)
{
    const QByteArray field = slot.mid(from, width);
    const qsizetype end = field.indexOf('\0');
    return FromCp1251(end < 0 ? field : field.left(end));
}

}  // namespace

TDaoInfo::TDaoInfo(QObject* owner) : TComponent(owner) {}

TDaoInfo::~TDaoInfo()
{
    Destroying();
    loggedUsers_.Clear();
    loggedUsersEx_.Clear();
    loggedNowUsers_.Clear();
    errorUsers_.Clear();
}

void TDaoInfo::SetActive(bool value)
{
    active_ = value;
    if (!value)
        return;
    QueryDatabaseVersion();
    Notify(AfterGetDatabaseVersion);
    QueryUsers(kUserCount);
    Notify(AfterGetNumberOfUsers);
    QueryUsers(kAllUsers);
    Notify(AfterGetLoggedUsers);
    QueryUsers(kUsersNow);
    Notify(AfterGetLoggedNowUsers);
    QueryUsers(kSuspectUsers);
    Notify(AfterGetErrorUsers);
    ReadLdbUsers();
    Notify(AfterGetLoggedUsersEx);
}

int TDaoInfo::DatabaseVersion()
{
    return active_ ? std::max(QueryDatabaseVersion(), 0) : 0;
}

int TDaoInfo::NumberOfUsers()
{
    return active_ ? QueryUsers(kUserCount) : 0;
}

TStringList& TDaoInfo::LoggedUsers()
{
    if (active_)
        QueryUsers(kAllUsers);
    return loggedUsers_;
}

TStringList& TDaoInfo::LoggedNowUsers()
{
    if (active_)
        QueryUsers(kUsersNow);
    return loggedNowUsers_;
}

TStringList& TDaoInfo::ErrorUsers()
{
    if (active_)
        QueryUsers(kSuspectUsers);
    return errorUsers_;
}

TStringList& TDaoInfo::LoggedUsersEx()
{
    if (active_)
        ReadLdbUsers();
    return loggedUsersEx_;
}

void TDaoInfo::Notify(const TInfoCheckEvent& event)
{
    if (event)
        event();
}

TStringList* TDaoInfo::ListOf(int option)
{
    switch (option) {
    case kAllUsers: return &loggedUsers_;
    case kUsersNow: return &loggedNowUsers_;
    case kSuspectUsers: return &errorUsers_;
    default: return nullptr;
    }
}

bool TDaoInfo::LibraryLoaded()
{
    if (ExtractFileName(daoInfoDll_).compare(kUserListLibrary, Qt::CaseInsensitive) == 0)
        return true;
    lastError_ = LibraryNotFound;
    lastErrorText_ = QStringLiteral("DLL Library not found!");
    return false;
}

QString TDaoInfo::DatabasePath() const
{
    return ResolveFileNameCase(database_);
}

int TDaoInfo::QueryDatabaseVersion()
{
    if (!LibraryLoaded())
        return LibraryNotFound;
    const int result = dao::LDBUser_GetDatabaseVersion(DatabasePath());
    if (result < 0) {
        lastError_ = result;
        lastErrorText_ = dao::LDBUser_GetError(result);
    }
    return result;
}

int TDaoInfo::QueryUsers(int option)
{
    TStringList* target = ListOf(option);
    if (target)
        target->Clear();
    if (!LibraryLoaded())
        return LibraryNotFound;
    if (target) {
        lastError_ = 0;
        lastErrorText_.clear();
    }
    QStringList users;
    const int result = dao::LDBUser_GetUsers(target ? &users : nullptr, DatabasePath(), option);
    if (result < 0) {
        lastError_ = result;
        lastErrorText_ = dao::LDBUser_GetError(result);
        return result;
    }
    if (target) {
        const int count = std::min(result, int(users.size()));
        for (int i = 0; i < count; ++i)
            target->Add(users.at(i));
    }
    return result;
}

bool TDaoInfo::ReadLdbUsers()
{
    loggedUsersEx_.Clear();
    const QString database = DatabasePath();
    if (!FileExists(database))
        return false;
    QFile lockFile(ResolveFileNameCase(dao::LockFile::PathFor(database)));
    if (!lockFile.exists())
        return false;
    if (!lockFile.open(QIODevice::ReadOnly)) {
        // The last connection out removes the file; gone meanwhile is no lock file, not an error.
        if (!lockFile.exists())
            return false;
        throw EStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(lockFile.fileName(), lockFile.errorString()));
    }
    const QByteArray bytes = lockFile.read(kLockFileBytes);
    if (bytes.isEmpty() && lockFile.error() != QFileDevice::NoError)
        throw EStreamError(QStringLiteral("Cannot read file \"%1\". %2").arg(lockFile.fileName(), lockFile.errorString()));
    if (bytes.isEmpty())
        return false;
    for (qsizetype at = 0; at + kSlotSize <= bytes.size(); at += kSlotSize) {
        const QByteArray slot = bytes.mid(at, kSlotSize);
        loggedUsersEx_.Add(SlotText(slot, 0, kNameSize) + QLatin1Char('/') + SlotText(slot, kNameSize, kNameSize));
    }
    return true;
}
