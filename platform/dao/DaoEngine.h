#pragma once
// The engine object: its version and defaults, the workspaces, the error collection, Idle,
// and the maintenance of closed database files. Also what the system answers about installed
// engines and formats.

#include "platform/dao/DaoCollection.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoWorkspace.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace dao {

class Workspaces : public Collection<Workspace> {
public:
    // Raises 3367 for a name already present.
    void Append(const std::shared_ptr<Workspace>& workspace);
    void Delete(const QString& name);
    void Refresh() {}
    void Add(std::shared_ptr<Workspace> workspace) { items_.push_back(std::move(workspace)); }
};

class DBEngine {
public:
    // "3.5" (also "3.51") or "3.6"; any other version is not installed (3447).
    explicit DBEngine(const QString& version = QStringLiteral("3.6"));
    ~DBEngine();
    DBEngine(const DBEngine&) = delete;
    DBEngine& operator=(const DBEngine&) = delete;

    // "3.51" or "3.6": the third character tells the version.
    QString Version() const;
    const QString& SystemDB() const { return systemDb_; }
    void SetSystemDB(const QString& path) { systemDb_ = path; }
    const QString& DefaultUser() const { return defaultUser_; }
    void SetDefaultUser(const QString& user) { defaultUser_ = user; }
    const QString& DefaultPassword() const { return defaultPassword_; }
    void SetDefaultPassword(const QString& password) { defaultPassword_ = password; }
    int DefaultType() const { return defaultType_; }
    void SetDefaultType(int type) { defaultType_ = type; }
    int LoginTimeout() const { return loginTimeout_; }
    void SetLoginTimeout(int seconds) { loginTimeout_ = seconds; }

    // A new workspace; without security only the user "Admin" with an empty password is known
    // (3029 otherwise).
    std::shared_ptr<Workspace> CreateWorkspace(const QString& name, const QString& user, const QString& password,
                                               int type = dbUseJet);
    // Item 0 is the default workspace.
    dao::Workspaces& Workspaces();
    // The errors of the last failing engine call of this thread.
    dao::Errors& Errors();
    // dbFreeLocks, dbRefreshCache: lets open databases see what other users changed. Works
    // with no database open.
    void Idle(int action = 0);
    // Both need the file closed by everyone (3045 otherwise).
    void RepairDatabase(const QString& name);
    void CompactDatabase(const QString& source, const QString& target, const QString& locale = QString(),
                         int options = 0, const QString& password = QString());
    // Compacts `name` into a new file that replaces it in one step.
    void CompactDatabaseInPlace(const QString& name, const QString& password = QString());
    // In the default workspace.
    std::shared_ptr<Database> OpenDatabase(const QString& name, bool exclusive = false, bool readOnly = false,
                                           const QString& connect = QString());
    std::shared_ptr<Database> CreateDatabase(const QString& name, const QString& locale, int options = 0);
    dao::Properties Properties() const;

private:
    const std::shared_ptr<Workspace>& DefaultWorkspace();
    QString version_;
    QString systemDb_;
    QString defaultUser_ = QStringLiteral("Admin");
    QString defaultPassword_;
    int defaultType_ = dbUseJet;
    int loginTimeout_ = 20;
    dao::Workspaces workspaces_;
    std::vector<std::weak_ptr<Workspace>> created_;
    std::shared_ptr<Workspace> default_;
};

// What the system tells about the engine classes, formats and drivers installed.
// Engine versions installed: "3.5" and "3.6".
QStringList InstalledEngineVersions();
// Whether an engine class ("DAO.DBEngine.36", "DAO.PrivateDBEngine.35", ...) is registered.
bool EngineClassRegistered(const QString& progId);
// The Version text an engine of that class reports; empty for an unknown class.
QString EngineClassVersion(const QString& progId);
// Installable formats of an engine version: none.
QStringList InstallableFormats(const QString& engineVersion);
// ODBC drivers and data sources: none.
QStringList OdbcDrivers();
QStringList OdbcDataSources();
// The workgroup file registered for an engine version: none.
QString RegisteredSystemDatabase(const QString& engineVersion);

}  // namespace dao
