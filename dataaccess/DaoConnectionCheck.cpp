#include "dataaccess/DaoConnectionCheck.h"

#include "dataaccess/DaoDataBase.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Timer.h"

#include <QDir>
#include <QFile>
#include <QScopedValueRollback>
#include <sys/stat.h>

TDaoConnectionCheck::TDaoConnectionCheck(QObject* owner) : TComponent(owner)
{
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(interval_);
    timer_->OnTimer = [this](TTimer*) { CheckConnection(); };
}

TDaoConnectionCheck::~TDaoConnectionCheck()
{
    Destroying();
    if (active_)
        SetActive(false);
    timer_->OnTimer = nullptr;
    delete timer_;
}

void TDaoConnectionCheck::Loaded()
{
    TComponent::Loaded();
    if (active_)
        timer_->SetEnabled(true);
}

void TDaoConnectionCheck::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component && component == database_) {
        database_ = nullptr;
        watchedStore_.reset();
        watchedFile_.reset();
    }
}

void TDaoConnectionCheck::SetActive(bool value)
{
    if (value == active_)
        return;
    active_ = value;
    if (IsLoading())
        return;
    if (value) {
        if (!database_) {
            active_ = false;
            DatabaseError(QStringLiteral("Database property is not set!"));
        }
        if (!database_->Connected()) {
            active_ = false;
            DatabaseError(QStringLiteral("Database is not connected!"));
        }
        // The file there now is the one just connected to; later checks compare against it.
        watchedStore_.reset();
        watchedFile_.reset();
        SearchDatabaseFile();
    }
    timer_->SetEnabled(value);
}

void TDaoConnectionCheck::CheckInactive(const char* message) const
{
    if (active_ && !IsLoading())
        DatabaseError(QString::fromLatin1(message));
}

void TDaoConnectionCheck::SetInterval(int value)
{
    CheckInactive("Cannot set CheckInterval while Active property is true!");
    interval_ = value;
    timer_->SetInterval(value);
}

void TDaoConnectionCheck::SetDatabase(TDaoDatabase* value)
{
    CheckInactive("Cannot set Database while Active property is true!");
    if (value == database_)
        return;
    if (database_)
        database_->RemoveFreeNotification(this);
    database_ = value;
    if (database_)
        database_->FreeNotification(this);
    watchedStore_.reset();
    watchedFile_.reset();
}

void TDaoConnectionCheck::SetExceptionText(const QString& value)
{
    CheckInactive("Cannot set ExceptionText while Active property is true!");
    exceptionText_ = value;
}

void TDaoConnectionCheck::SetErrorAction(TErrActionSet value)
{
    CheckInactive("Cannot set OnErrorAction while Active property is true!");
    errorAction_ = value;
}

void TDaoConnectionCheck::CheckConnection()
{
    // A handler or message box of the previous tick may still be open.
    if (checking_ || !database_)
        return;
    try {
        const QScopedValueRollback<bool> running(checking_, true);
        RunCheck();
    } catch (...) {
        // Nothing leaves a tick into the event loop.
        HandleException(std::current_exception());
    }
}

void TDaoConnectionCheck::RunCheck()
{
    const QString path = database_->Database();
    const int result = SearchDatabaseFile();
    if (result != FindFound && errorCode_ == FindFound) {
        errorCode_ = result;
        if (database_->Connected())
            ReactToLoss(path);
        return;
    }
    // Still missing keeps the code; a loss acts only once.
    errorCode_ = result;
    if (result == FindFound && OnConnectionRestored)
        OnConnectionRestored(this);
}

void TDaoConnectionCheck::ReactToLoss(const QString& path)
{
    if (OnNoConnection)
        OnNoConnection(this);
    // The handler may have freed the database.
    if (errorAction_.testFlag(TErrAction::CloseDatabase) && database_)
        database_->Close();
    if (errorAction_.testFlag(TErrAction::RaiseException))
        DatabaseError(LossMessage(path));
}

QString TDaoConnectionCheck::LossMessage(const QString& path) const
{
    return QString(exceptionText_).replace(QLatin1String("%s"), path, Qt::CaseInsensitive);
}

int TDaoConnectionCheck::SearchDatabaseFile()
{
    TSearchRec rec;
    const int result = FindFirst(database_->Database(), faAnyFile, rec);
    const QString found = QDir(rec.Folder).filePath(rec.Name);
    FindClose(rec);
    if (result != FindFound)
        return result;
    return IsConnectionFile(found) ? FindFound : FileReplaced;
}

bool TDaoConnectionCheck::IsConnectionFile(const QString& foundPath)
{
    const std::shared_ptr<dao::Store> store = ConnectionStore();
    if (!store) {
        watchedStore_.reset();
        watchedFile_.reset();
        return true;
    }
    if (watchedStore_.lock() != store) {
        watchedStore_ = store;
        watchedFile_ = IdentityOf(foundPath);
        return true;
    }
    return !watchedFile_ || IdentityOf(foundPath) == watchedFile_;
}

std::shared_ptr<dao::Store> TDaoConnectionCheck::ConnectionStore() const
{
    if (!database_ || !database_->Connected() || !database_->DatabaseObject())
        return nullptr;
    return database_->DatabaseObject()->GetStore();
}

std::optional<TDaoConnectionCheck::FileIdentity> TDaoConnectionCheck::IdentityOf(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}
