#pragma once
// Watches, on a timer, whether the database file of a database component can still be reached
// (a network share gone, the file removed or put back as another file) and reacts once per loss:
// an event, optionally disconnecting the database, optionally an error for the application's
// exception handler.

#include "platform/toolkit/Component.h"

#include <QFlags>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TDaoDatabase;
class TTimer;

namespace dao {
class Store;
}

enum class TErrAction { CloseDatabase = 0x1, RaiseException = 0x2 };
Q_DECLARE_FLAGS(TErrActionSet, TErrAction)
Q_DECLARE_OPERATORS_FOR_FLAGS(TErrActionSet)

class TDaoConnectionCheck : public TComponent {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TDaoConnectionCheck* sender)>;

    // ErrorCode when a file is found at the path but it is not the file the connection opened
    // (removed and replaced; an unlinked file stays readable through the open connection).
    static constexpr int FileReplaced = 1006;

    explicit TDaoConnectionCheck(QObject* owner = nullptr);
    ~TDaoConnectionCheck() override;

    // Starts the timer when Active was loaded True; errors are swallowed.
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    bool Active() const { return active_; }
    // Switching on needs a connected database; a refusal leaves Active False. Off never raises.
    void SetActive(bool value);
    // Milliseconds between checks.
    int Interval() const { return interval_; }
    void SetInterval(int value);
    TDaoDatabase* Database() const { return database_; }
    void SetDatabase(TDaoDatabase* value);
    // 0 when the last check found the file, else the system's error code (or FileReplaced).
    int ErrorCode() const { return errorCode_; }
    // Raised on a loss; "%s" (either case) stands for the database path.
    QString ExceptionText() const { return exceptionText_; }
    void SetExceptionText(const QString& value);
    TErrActionSet ErrorAction() const { return errorAction_; }
    void SetErrorAction(TErrActionSet value);

    // One timer tick. Never raises: whatever goes wrong, the loss message included, goes to the
    // application's exception handler.
    void CheckConnection();

    TNotifyEvent OnNoConnection;
    // After every check that finds the file.
    TNotifyEvent OnConnectionRestored;

private:
    struct FileIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    // Raises the refusal for a property changed while the checks run.
    void CheckInactive(const char* message) const;
    void RunCheck();
    // 0 when the database file is there and is the connection's own, else the error code.
    int SearchDatabaseFile();
    // False when the file found is not the one the current connection opened. A connection not
    // seen before takes the file found as its own.
    bool IsConnectionFile(const QString& foundPath);
    void ReactToLoss(const QString& path);
    QString LossMessage(const QString& path) const;
    static std::optional<FileIdentity> IdentityOf(const QString& path);
    std::shared_ptr<dao::Store> ConnectionStore() const;

    TTimer* timer_ = nullptr;
    bool checking_ = false;
    bool active_ = false;
    int interval_ = 1000;
    TDaoDatabase* database_ = nullptr;
    int errorCode_ = 0;
    QString exceptionText_ = QStringLiteral("Connection to Database %s is broken!");
    TErrActionSet errorAction_;

    // The connection whose file is watched, and that file.
    std::weak_ptr<dao::Store> watchedStore_;
    std::optional<FileIdentity> watchedFile_;
};
