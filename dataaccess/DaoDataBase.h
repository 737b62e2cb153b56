#pragma once
// The database component: the program's one connection to its database file. It owns the
// engine and workspace, opens the file with its password, lists tables and saved queries,
// keeps the open tables (closing them all at disconnect) and offers the maintenance the
// application uses: the last engine error, Idle, repair and compaction, engine versions.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/Strings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace dao {
class DBEngine;
class Workspace;
class Database;
}  // namespace dao

class TDbLogin;

// The engine's first error, as the application shows it.
struct TDaoErrorRecord {
    qint32 Number = 0;
    QString Source;
    QString Description;
    QString HelpFile;
    qint32 HelpContext = 0;
};

// The name of a collating order ("Bulgarian or Russian" for 1049); empty for an unknown one.
QString CollatingOrderName(int collatingOrder);

class TDaoDatabase : public TComponent {
    Q_OBJECT
public:
    using TLoginEvent = std::function<void(TDaoDatabase* database, TStrings* loginParams)>;
    using TConnectEvent = std::function<void(TDaoDatabase* database)>;

    // Raises "Cannot find DAO on your system!" or the engine-creation message when no engine
    // can be made.
    explicit TDaoDatabase(QObject* owner = nullptr);
    ~TDaoDatabase() override;

    // Starts engine and workspace (errors swallowed) unless connected.
    void Loaded() override;

    // --- connection ----------------------------------------------------------------------------
    bool Connected() const { return connected_; }
    void SetConnected(bool value) { F_Set_Active(value); }
    void F_Set_Active(bool value);
    void Close() { F_Set_Active(false); }

    // --- published properties ------------------------------------------------------------------
    QString Database() const { return database_; }
    void SetDatabase(const QString& value);
    QString DatabaseParameters() const { return databaseParameters_; }
    void SetDatabaseParameters(const QString& value);
    bool SmartOpen() const { return smartOpen_; }
    void SetSmartOpen(bool value) { smartOpen_ = value; }
    int EngineType() const { return engineType_; }
    void SetEngineType(int value);
    bool PrivateEngine() const { return privateEngine_; }
    void SetPrivateEngine(bool value);
    QString DatabaseType() const { return databaseType_; }
    void SetDatabaseType(const QString& value);
    QString Workspace() const { return workspace_; }
    void SetWorkspace(const QString& value);
    // The collating-order name of the open database, computed afresh.
    QString DatabaseLanguage() { return F_Get_DatabaseLanguage(); }
    void SetDatabaseLanguage(const QString& value) { databaseLanguage_ = value; }
    QString F_Get_DatabaseLanguage();
    QString Version() const { return version_; }
    void SetVersion(const QString& value);
    QString VersionDetails() const { return versionDetails_; }
    void SetVersionDetails(const QString&) {}
    QString DatabaseVersionInfo() const { return databaseVersionInfo_; }
    void SetDatabaseVersionInfo(const QString&) {}
    QString VersionInfo() const { return versionInfo_; }
    void SetVersionInfo(const QString&) {}
    QString SystemDatabase() const { return systemDatabase_; }
    void SetSystemDatabase(const QString& value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool value);
    bool MdbVersionAutoDetect() const { return mdbVersionAutoDetect_; }
    void SetMdbVersionAutoDetect(bool value) { mdbVersionAutoDetect_ = value; }
    QString UserName() const { return userName_; }
    void SetUserName(const QString& value);
    QString Password() const { return password_; }
    void SetPassword(const QString& value);
    QString DatabasePassword() const { return databasePassword_; }
    void SetDatabasePassword(const QString& value);
    bool SaveUserName() const { return saveUserName_; }
    void SetSaveUserName(bool value) { saveUserName_ = value; }
    int QueryTimeout() const { return queryTimeout_; }
    void SetQueryTimeout(int value) { queryTimeout_ = value; }
    bool UsesDynaDao() const { return usesDynaDao_; }
    void SetUsesDynaDao(bool) {}
    bool TrackTransactions() const { return trackTransactions_; }
    void SetTrackTransactions(bool value);
    QString ComponentVersion() const { return QStringLiteral("7.20"); }
    void SetComponentVersion(const QString&) {}
    int DefaultCursorDriver() const { return defaultCursorDriver_; }
    void SetDefaultCursorDriver(int value);
    bool UseODBCDialog() const { return useODBCDialog_; }
    void SetUseODBCDialog(bool value) { useODBCDialog_ = value; }

    // --- lists ---------------------------------------------------------------------------------
    TStringList& TableNames() { return tableNames_; }
    TStringList& QueryDefNames() { return queryDefNames_; }
    // The open tables: item text the table's name, item object the table.
    TStringList& OpenTables() { return openTables_; }
    TStringList& DatabaseTypes() { return databaseTypes_; }
    TStringList& AvailableVersions() { return availableVersions_; }
    TStringList& ODBCDrivers() { return odbcDrivers_; }
    TStringList& SystemDSNs() { return systemDSNs_; }
    TStringList& UserDSNs() { return userDSNs_; }
    TStringList& DSNDatabaseFiles() { return dsnDatabaseFiles_; }
    // "USER NAME=", "PASSWORD=", "DBPASSWORD=" lines used at connect instead of the dialog.
    TStringList& LoginValues() { return loginValues_; }

    // --- engine objects ------------------------------------------------------------------------
    dao::DBEngine* EngineObject() const { return engine_.get(); }
    dao::Workspace* WorkspaceObject() const { return workspaceObject_.get(); }
    dao::Database* DatabaseObject() const { return databaseObject_.get(); }

    // --- operations ----------------------------------------------------------------------------
    // Rebuilds TableNames and QueryDefNames from the engine; never raises.
    void RefreshDefinitions();
    // Frees read locks and refreshes the cache; works while disconnected.
    void Idle();
    // Fills the record with the engine's first error, or clears it.
    void GetLastDaoError(TDaoErrorRecord& record);
    // Maintenance of a database file nobody has open.
    void RepairAccessDatabase(const QString& fileName, const QString& password);
    void CompactAccessDatabase(const QString& fileName, const QString& password);
    // What interrupted compactions and repairs of `fileName` (of this and earlier versions) can
    // have left in its folder, as full paths; some of it may be the only copy of the data.
    static QStringList MaintenanceLeftovers(const QString& fileName);
    // The stored query's SQL text; empty on any error.
    void GetQueryDefSQLText(const QString& queryName, TStrings& text);
    // The engine versions that can be made, sorted; the caller frees the list.
    TStringList* DaoVersionsList();
    int GetTransactionCount() const { return transactions_.Count(); }
    void AddTableToTransaction(const QString& name, int value);

    // --- transactions --------------------------------------------------------------------------
    // One transaction over the posts, deletes and statements of every table of this database
    // until CommitTrans or Rollback. The write lock is taken at once: what the tables read
    // inside it no other station changes before the commit. Raises the engine's error when the
    // lock cannot be had or a transaction is open already.
    void BeginTrans();
    void CommitTrans();
    // Keeps none of the transaction's writes and reads again every open table that wrote or read
    // inside it (every open table when transactions are not tracked), so that no buffer shows a
    // row as it was never stored. Raises the first error of a table's reading, after all were read.
    void Rollback();
    bool InTransaction() const;
    // Closes every table of OpenTables (each told it is closed by the database).
    void CloseTables();

    TLoginEvent OnLogin;
    TConnectEvent OnBeforeConnect, OnAfterConnect, OnBeforeDisconnect, OnAfterDisconnect;

private:
    void CheckDisconnected(const char* message) const;
    void DetectDaoVersions();
    static TStringList* DaoVersionsAvailable();
    void CreateDaoEngine(const QString& ver);
    void RestartEngine();
    // Stores a new value through `assign` and restarts; a failed restart puts the old value back.
    void AssignWithRestart(const std::function<void()>& assign, const std::function<void()>& restore);
    QString FindSystemDatabase() const;
    void DetectMdbVersion(const QString& fileName);
    void FillDatabaseTypes();
    void FillRegistryLists();
    void Connect();
    void Disconnect();
    // The login step; false when the user cancelled the dialog.
    bool RunLogin();
    void CallOnLogin();
    void TakeLoginValues(const TStrings& values);
    void OpenDatabaseObject();
    void SetVersionInfoFromEngine();

    QString database_;
    QString databaseParameters_;
    bool smartOpen_ = true;
    int engineType_ = 2;
    bool privateEngine_ = false;
    QString databaseType_ = QStringLiteral("Access");
    QString workspace_ = QStringLiteral("DaoWorkspace");
    QString databaseLanguage_;
    QString version_;
    QString versionDetails_;
    QString databaseVersionInfo_;
    QString versionInfo_;
    QString systemDatabase_;
    bool connected_ = false;
    bool readOnly_ = false;
    bool exclusive_ = false;
    bool loginPrompt_ = false;
    bool mdbVersionAutoDetect_ = false;
    QString userName_ = QStringLiteral("Admin");
    QString password_;
    QString databasePassword_;
    bool saveUserName_ = true;
    int queryTimeout_ = 60;
    bool usesDynaDao_ = false;
    bool trackTransactions_ = true;
    int defaultCursorDriver_ = -1;
    bool useODBCDialog_ = true;
    bool oleInitialised_ = false;
    bool cancelled_ = false;

    TStringList tableNames_;
    TStringList openTables_;
    TStringList queryDefNames_;
    TStringList odbcDrivers_, systemDSNs_, userDSNs_, dsnDatabaseFiles_;
    TStringList loginValues_;
    TStringList transactions_;
    TStringList databaseTypes_;
    TStringList availableVersions_;

    std::unique_ptr<dao::DBEngine> engine_;
    std::shared_ptr<dao::Workspace> workspaceObject_;
    std::shared_ptr<dao::Database> databaseObject_;
};
