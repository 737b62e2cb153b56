#pragma once
// Who is using a database file: the number of users connected, the users the lock file records,
// those connected now and those that left it in a suspect state, and the file's format version.
// It needs no connection. The answers come from the user-list library the program carries, which
// DaoInfoDll names by its file name ("msldbusr.dll" in any folder and letter case; any other name
// is a library that cannot be loaded), and from reading the lock file itself.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/Strings.h"

#include <QString>
#include <functional>

class TDaoInfo : public TComponent {
    Q_OBJECT
public:
    using TInfoCheckEvent = std::function<void()>;

    // What LastError holds when the user-list library cannot be loaded.
    static constexpr int LibraryNotFound = -1000;

    explicit TDaoInfo(QObject* owner = nullptr);
    ~TDaoInfo() override;

    // Switching on runs every question once, each followed by its event.
    bool Active() const { return active_; }
    void SetActive(bool value);
    QString Database() const { return database_; }
    void SetDatabase(const QString& value) { database_ = value; }
    QString DaoInfoDll() const { return daoInfoDll_; }
    void SetDaoInfoDll(const QString& value) { daoInfoDll_ = value; }

    // The results below are asked afresh on every read while Active; inactive, the numbers are 0
    // and the lists stay as last filled.
    // The file's format version; 0 when it cannot be told.
    int DatabaseVersion();
    // The users connected now. Below 0 when they cannot be counted (no library, no readable
    // file): LastError and LastErrorText tell why. Never 0 for "unknown", so that nobody takes
    // a failed count for an unused file.
    int NumberOfUsers();
    // Every user the library reports, those connected now, those in a suspect state.
    TStringList& LoggedUsers();
    TStringList& LoggedNowUsers();
    TStringList& ErrorUsers();
    // "computer/user" for every slot of the lock file.
    TStringList& LoggedUsersEx();

    int LastError() const { return lastError_; }
    QString LastErrorText() const { return lastErrorText_; }

    TInfoCheckEvent AfterGetDatabaseVersion;
    TInfoCheckEvent AfterGetNumberOfUsers;
    TInfoCheckEvent AfterGetLoggedUsers;
    TInfoCheckEvent AfterGetLoggedUsersEx;
    TInfoCheckEvent AfterGetLoggedNowUsers;
    TInfoCheckEvent AfterGetErrorUsers;

private:
    static constexpr int kAllUsers = 1;
    static constexpr int kUsersNow = 2;
    static constexpr int kSuspectUsers = 4;
    static constexpr int kUserCount = 8;
    static constexpr int kLockFileBytes = 16384;
    static constexpr int kSlotSize = 64;
    static constexpr int kNameSize = 32;

    // The library's questions; a negative answer is an error, kept in LastError.
    int QueryDatabaseVersion();
    int QueryUsers(int option);
    // Fills LoggedUsersEx from the lock file; false when there is none or it is empty. A read
    // error raises.
    bool ReadLdbUsers();
    bool LibraryLoaded();
    QString DatabasePath() const;
    TStringList* ListOf(int option);
    static void Notify(const TInfoCheckEvent& event);

    bool active_ = false;
    QString database_;
    QString daoInfoDll_ = QStringLiteral("msldbusr.dll");
    TStringList loggedUsers_;
    TStringList loggedUsersEx_;
    TStringList loggedNowUsers_;
    TStringList errorUsers_;
    int lastError_ = 0;
    QString lastErrorText_;
};
