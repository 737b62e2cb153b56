#include "dataaccess/DaoDataBase.h"

#include "dataaccess/DBLoginUnit.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DaoMaintenance.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Application.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <exception>

namespace {

// Earlier versions of this compaction moved the original aside before the compacted copy took
// its name: "mdb" and six letters or digits, ".tmp" (the copy), ".tmp.old" (the original), and
// the engine's own temporaries of that copy.
const QRegularExpression& EarlierCompactionNames()
{
    static const QRegularExpression names(
        QStringLiteral("^mdb[A-Za-z0-9]{6}\\.tmp(\\.old|\\.compact-[0-9a-f]{1,8}(-journal)?)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return names;
}

const QString kVersion35 = QStringLiteral("3.5");
const QString kVersion36 = QStringLiteral("3.6");

QString EngineProgId(bool privateEngine, const QString& version)
{
    const QString suffix = version == kVersion35 ? QStringLiteral(".35") : QStringLiteral(".36");
    return (privateEngine ? QStringLiteral("DAO.PrivateDBEngine") : QStringLiteral("DAO.DBEngine")) + suffix;
}

// Makes an engine of a registered class; null when the class is not there or refuses.
std::unique_ptr<dao::DBEngine> CreateEngineOfClass(const QString& progId)
{
    if (!dao::EngineClassRegistered(progId))
        return nullptr;
    try {
        return std::make_unique<dao::DBEngine>(dao::EngineClassVersion(progId));
    } catch (const Exception&) {
        return nullptr;
    }
}

void RunGuarded(const std::function<void()>& step)
{
    try {
        step();
    } catch (const Exception&) {
    }
}

// The value of NAME in Name=Value lines; `present` tells whether the line is there.
QString LoginValue(const TStrings& values, const QString& name, bool& present)
{
    present = values.IndexOfName(name) >= 0;
    return present ? values.Values(name) : QString();
}

}  // namespace

QString CollatingOrderName(int collatingOrder)
{
    switch (collatingOrder) {
    case 1024: return QStringLiteral("Neutral");
    case 1025: return QStringLiteral("Arabic");
    case 1028: return QStringLiteral("Traditional Chinese");
    case 1029: return QStringLiteral("Czech");
    case 1030: return QStringLiteral("Norwegian or Danish");
    case 1032: return QStringLiteral("Greek");
    case 1033: return QStringLiteral("General (English, French, German, Portuguese, Italian, and Modern Spanish)");
    case 1034: return QStringLiteral("Spanish");
    case 1037: return QStringLiteral("Hebrew");
    case 1038: return QStringLiteral("Hungarian");
    case 1039: return QStringLiteral("Icelandic");
    case 1041: return QStringLiteral("Japanese");
    case 1042: return QStringLiteral("Korean");
    case 1043: return QStringLiteral("Dutch");
    case 1045: return QStringLiteral("Polish");
    case 1049: return QStringLiteral("Bulgarian or Russian");
    case 1053: return QStringLiteral("Swedish or Finnish");
    case 1054: return QStringLiteral("Thai");
    case 1055: return QStringLiteral("Turkish");
    case 1060: return QStringLiteral("Slovenian");
    case 2052: return QStringLiteral("Simplified Chinese");
    case -1: return QStringLiteral("Undefined or unknown");
    default: return QString();
    }
}

// --- creation and destruction ----------------------------------------------------------------------

TDaoDatabase::TDaoDatabase(QObject* owner) : TComponent(owner)
{
    // The thread's object services need no initialisation here; the flag keeps the lifecycle.
    oleInitialised_ = true;
    privateEngine_ = false;
    DetectDaoVersions();
    version_ = availableVersions_.Get(0) == kVersion35 ? kVersion35 : kVersion36;
    CreateDaoEngine(version_);
    systemDatabase_ = FindSystemDatabase();
    if (!systemDatabase_.isEmpty())
        engine_->SetSystemDB(systemDatabase_);
    engine_->SetDefaultUser(QStringLiteral("Admin"));
    engine_->SetDefaultPassword(QString());
    engine_->SetDefaultType(dao::dbUseJet);
    SetVersionInfoFromEngine();
    FillDatabaseTypes();
    FillRegistryLists();
}

TDaoDatabase::~TDaoDatabase()
{
    if (connected_) {
        try {
            Disconnect();
        } catch (const Exception&) {
        }
    }
    if (workspaceObject_)
        RunGuarded([&] { workspaceObject_->Close(); });
    databaseObject_.reset();
    workspaceObject_.reset();
    engine_.reset();
    oleInitialised_ = false;
}

void TDaoDatabase::Loaded()
{
    TComponent::Loaded();
    if (!connected_)
        RunGuarded([&] { RestartEngine(); });
}

// --- engine ------------------------------------------------------------------------------------------

void TDaoDatabase::DetectDaoVersions()
{
    availableVersions_.Clear();
    for (const QString& version : {kVersion35, kVersion36}) {
        const QString progId = EngineProgId(privateEngine_, version);
        if (dao::EngineClassRegistered(progId) && CreateEngineOfClass(progId))
            availableVersions_.Add(version);
    }
    if (availableVersions_.Count() == 0)
        DatabaseError(QStringLiteral("Cannot find DAO on your system!"));
}

TStringList* TDaoDatabase::DaoVersionsAvailable()
{
    auto* list = new TStringList;
    list->SetSorted(true);
    list->SetDuplicates(dupIgnore);
    if (CreateEngineOfClass(QStringLiteral("DAO.PrivateDBEngine.35")))
        list->Add(kVersion35);
    if (CreateEngineOfClass(QStringLiteral("DAO.PrivateDBEngine.36")))
        list->Add(kVersion36);
    if (auto engine = CreateEngineOfClass(QStringLiteral("DAO.PrivateDBEngine")))
        list->Add(engine->Version());
    return list;
}

TStringList* TDaoDatabase::DaoVersionsList() { return DaoVersionsAvailable(); }

void TDaoDatabase::CreateDaoEngine(const QString& ver)
{
    usesDynaDao_ = true;
    const QString missing = QStringLiteral("You does not have Microsoft DAO installed ot it is an OLD Version!");
    if (ver == kVersion35) {
        engine_ = CreateEngineOfClass(EngineProgId(privateEngine_, kVersion35));
        if (engine_) {
            version_ = kVersion35;
            return;
        }
        engine_ = CreateEngineOfClass(EngineProgId(privateEngine_, kVersion36));
        if (!engine_)
            DatabaseError(missing);
        version_ = kVersion36;
    } else if (ver == kVersion36) {
        engine_ = CreateEngineOfClass(EngineProgId(privateEngine_, kVersion36));
        if (!engine_)
            DatabaseError(missing);
        version_ = kVersion36;
    }
}

void TDaoDatabase::SetVersionInfoFromEngine()
{
    versionDetails_ = engine_ ? engine_->Version() : QString();
    if (versionDetails_.size() >= 3 && versionDetails_.at(2) == QLatin1Char('5'))
        versionInfo_ = QStringLiteral("(In Access'97 mode)");
    else if (versionDetails_.size() >= 3 && versionDetails_.at(2) == QLatin1Char('6'))
        versionInfo_ = QStringLiteral("(In Access'2000 mode)");
}

void TDaoDatabase::RestartEngine()
{
    if (workspaceObject_) {
        RunGuarded([&] { workspaceObject_->Close(); });
        workspaceObject_.reset();
    }
    engine_.reset();
    oleInitialised_ = true;
    CreateDaoEngine(version_);
    if (!engine_)
        DatabaseError(QStringLiteral("You does not have Microsoft DAO installed ot it is an OLD Version!"));
    engine_->SetSystemDB(systemDatabase_);
    SetVersionInfoFromEngine();
    engine_->SetDefaultUser(userName_);
    engine_->SetDefaultPassword(password_);
    auto ws = engine_->CreateWorkspace(workspace_, userName_, password_, engineType_);
    engine_->Workspaces().Append(ws);
    workspaceObject_ = ws;
    if (engineType_ == dao::dbUseODBC)
        workspaceObject_->SetDefaultCursorDriver(defaultCursorDriver_);
    workspace_ = workspaceObject_->Name();
}

void TDaoDatabase::AssignWithRestart(const std::function<void()>& assign, const std::function<void()>& restore)
{
    assign();
    if (IsLoading())
        return;
    try {
        RestartEngine();
    } catch (...) {
        restore();
        RunGuarded([&] { RestartEngine(); });
        throw;
    }
}

QString TDaoDatabase::FindSystemDatabase() const
{
    return dao::RegisteredSystemDatabase(version_ == kVersion36 ? QStringLiteral("4.0") : QStringLiteral("3.5"));
}

void TDaoDatabase::DetectMdbVersion(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file.read(160);
    file.close();
    if (header.size() < 160)
        return;
    if (availableVersions_.IndexOf(kVersion35) >= 0)
        version_ = kVersion35;
    bool formatFour = header.at(156) == '4' && header.at(157) == '.';
    // This engine's files keep their format version in the catalogue, not at a fixed offset.
    try {
        formatFour = formatFour || dao::Store::ReadFormatVersion(fileName) == QLatin1String("4.0");
    } catch (const Exception&) {
    }
    if (formatFour && version_ == kVersion35 && usesDynaDao_)
        version_ = kVersion36;
}

void TDaoDatabase::FillDatabaseTypes()
{
    databaseTypes_.Clear();
    databaseTypes_.AddStrings(dao::InstallableFormats(version_));
    databaseTypes_.Insert(0, QStringLiteral("ODBC"));
    databaseTypes_.Insert(0, QStringLiteral("Access"));
}

void TDaoDatabase::FillRegistryLists()
{
    odbcDrivers_.Clear();
    odbcDrivers_.AddStrings(dao::OdbcDrivers());
    systemDSNs_.Clear();
    systemDSNs_.AddStrings(dao::OdbcDataSources());
    userDSNs_.Clear();
    // The data sources this engine knows name no database files.
    dsnDatabaseFiles_.Clear();
}

// --- connecting --------------------------------------------------------------------------------------

void TDaoDatabase::F_Set_Active(bool value)
{
    if (value == connected_)
        return;
    if (value)
        Connect();
    else
        Disconnect();
}

void TDaoDatabase::TakeLoginValues(const TStrings& values)
{
    bool present = false;
    QString v = LoginValue(values, QStringLiteral("USER NAME"), present);
    if (present)
        userName_ = v;
    v = LoginValue(values, QStringLiteral("PASSWORD"), present);
    if (present)
        password_ = v;
    v = LoginValue(values, QStringLiteral("DBPASSWORD"), present);
    if (present)
        databasePassword_ = v;
}

void TDaoDatabase::CallOnLogin()
{
    TStringList params;
    params.Add(QStringLiteral("USER NAME=") + userName_);
    params.Add(QStringLiteral("PASSWORD=") + password_);
    params.Add(QStringLiteral("DBPASSWORD=") + databasePassword_);
    OnLogin(this, &params);
    userName_ = params.Values(QStringLiteral("USER NAME"));
    password_ = params.Values(QStringLiteral("PASSWORD"));
    databasePassword_ = params.Values(QStringLiteral("DBPASSWORD"));
}

bool TDaoDatabase::RunLogin()
{
    cancelled_ = false;
    if (!loginPrompt_) {
        if (OnLogin)
            CallOnLogin();
        else
            TakeLoginValues(loginValues_);
        return true;
    }
    TDbLogin form(nullptr);
    form.Username->SetText(saveUserName_ ? userName_ : QString());
    form.Password->SetText(QString());
    form.DbPassword->SetText(QString());
    form.DatabaseName->SetCaption(database_);
    form.SetActiveControl(form.Username);
    if (OnLogin) {
        CallOnLogin();
    } else if (loginValues_.Count() == 0) {
        if (form.ShowModal() == mrOk) {
            userName_ = form.Username->text();
            password_ = form.Password->text();
            databasePassword_ = form.DbPassword->text();
        } else {
            ShowMessage(QStringLiteral("If You not enter Username and Password You may not gain access to your data!"));
            userName_.clear();
            password_.clear();
            databasePassword_.clear();
            cancelled_ = true;
        }
    } else {
        TakeLoginValues(loginValues_);
    }
    return !cancelled_;
}

void TDaoDatabase::OpenDatabaseObject()
{
    const bool jet = engineType_ == dao::dbUseJet;
    if (databaseType_.compare(QLatin1String("Access"), Qt::CaseInsensitive) == 0) {
        if (!jet)
            DatabaseError(QStringLiteral("TDaoDatabase.F_Set_Active: ODBC direct workspaces\r\nare NOT supported for MS "
                                         "Access Databases!"));
        // Only a bare file name is looked for in the program folder: a path that cannot be
        // reached (a network folder that is down) must fail, never open a local namesake.
        if (smartOpen_ && ExtractFileName(database_) == database_ && !FileExists(database_))
            database_ = ProgramFolder() + database_;
        const QString connect = QStringLiteral(";UID=%1;PWD=%2;%3").arg(userName_, databasePassword_, databaseParameters_);
        databaseObject_ = workspaceObject_->OpenDatabase(database_, exclusive_, readOnly_, connect);
        return;
    }
    if (databaseType_.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0) {
        const QString connect = database_.startsWith(QLatin1String("odbc;"), Qt::CaseInsensitive)
                                    ? QStringLiteral("%1;%2").arg(database_, databaseParameters_)
                                    : QStringLiteral("%1;UID=%2;PWD=%3;DSN=%4;%5")
                                          .arg(databaseType_, userName_, password_, database_, databaseParameters_);
        databaseObject_ = jet ? workspaceObject_->OpenDatabase(database_, true, readOnly_, connect)
                              : workspaceObject_->OpenConnection(database_, 1, readOnly_, connect);
        return;
    }
    if (!jet)
        DatabaseError(QStringLiteral("TDaoDatabase.F_Set_Active: ODBC direct workspaces NOT supported!"));
    const QString connect = !password_.isEmpty() && !userName_.isEmpty()
                                ? QStringLiteral("%1;UID=%2;PWD=%3;%4").arg(databaseType_, userName_, password_,
                                                                            databaseParameters_)
                                : QStringLiteral("%1;%2").arg(databaseType_, databaseParameters_);
    databaseObject_ = workspaceObject_->OpenDatabase(database_, exclusive_, readOnly_, connect);
}

void TDaoDatabase::Connect()
{
    if (database_.isEmpty())
        DatabaseError(QStringLiteral("TDaoDatabase.F_Set_Active: Database property is not defined!"));
    if (databaseType_.isEmpty())
        DatabaseError(QStringLiteral("TDaoDatabase.F_Set_Active: DatabaseType property is not defined!"));
    if (OnBeforeConnect)
        OnBeforeConnect(this);
    for (;;) {
        RunLogin();
        try {
            if (mdbVersionAutoDetect_ && databaseType_ == QLatin1String("Access"))
                DetectMdbVersion(database_);
            RestartEngine();
            break;
        } catch (const Exception& error) {
            if (!loginPrompt_)
                throw;
            if (cancelled_)
                return;
            ShowMessage(error.Message());
        }
    }
    OpenDatabaseObject();
    if (queryTimeout_ != 60)
        databaseObject_->SetQueryTimeout(queryTimeout_);
    if (databaseType_ != QLatin1String("ODBC"))
        databaseVersionInfo_ = databaseObject_->Version();
    RefreshDefinitions();
    connected_ = true;
    databaseLanguage_ = F_Get_DatabaseLanguage();
    Idle();
    if (OnAfterConnect)
        OnAfterConnect(this);
}

void TDaoDatabase::CloseTables()
{
    // Each table closes without touching the list; it is emptied afterwards.
    for (int i = 0; i < openTables_.Count(); ++i) {
        auto* table = static_cast<TDaoTable*>(openTables_.GetObject(i));
        if (!table)
            continue;
        try {
            table->CloseByDatabase();
        } catch (const Exception&) {
        }
    }
    openTables_.Clear();
}

void TDaoDatabase::Disconnect()
{
    if (OnBeforeDisconnect)
        OnBeforeDisconnect(this);
    tableNames_.Clear();
    queryDefNames_.Clear();
    CloseTables();
    if (databaseObject_)
        RunGuarded([&] { databaseObject_->Close(); });
    databaseObject_.reset();
    transactions_.Clear();
    connected_ = false;
    if (OnAfterDisconnect)
        OnAfterDisconnect(this);
}

void TDaoDatabase::RefreshDefinitions()
{
    tableNames_.Clear();
    queryDefNames_.Clear();
    if (!databaseObject_)
        return;
    if (engineType_ == dao::dbUseJet)
        RunGuarded([&] { databaseObject_->TableDefs().Refresh(); });
    RunGuarded([&] { databaseObject_->QueryDefs().Refresh(); });
    if (engine_)
        RunGuarded([&] { engine_->Errors().Refresh(); });
    if (engineType_ == dao::dbUseJet) {
        RunGuarded([&] {
            const dao::TableDefs& defs = databaseObject_->TableDefs();
            for (int i = 0; i < defs.Count(); ++i) {
                const auto& def = defs.Item(i);
                if ((quint32(def->Attributes()) & 0x80000002u) == 0)
                    tableNames_.Add(def->Name());
            }
        });
    }
    RunGuarded([&] {
        const dao::QueryDefs& queries = databaseObject_->QueryDefs();
        for (int i = 0; i < queries.Count(); ++i)
            queryDefNames_.Add(queries.Item(i)->Name());
    });
}

QString TDaoDatabase::F_Get_DatabaseLanguage()
{
    if (!connected_ || !databaseObject_)
        return QString();
    int order = -1;
    try {
        order = databaseObject_->CollatingOrder();
    } catch (const Exception&) {
        order = -1;
    }
    databaseLanguage_ = CollatingOrderName(order);
    return databaseLanguage_;
}

// --- services ----------------------------------------------------------------------------------------

void TDaoDatabase::Idle()
{
    if (!engine_)
        return;
    // Both in one call: each call looks at the file again.
    engine_->Idle(dao::dbFreeLocks | dao::dbRefreshCache);
}

void TDaoDatabase::GetLastDaoError(TDaoErrorRecord& record)
{
    record = TDaoErrorRecord();
    if (!engine_)
        return;
    const dao::Errors& errors = engine_->Errors();
    if (errors.Count() == 0)
        return;
    const dao::ErrorItem& item = errors.Item(0);
    record.Number = item.Number();
    record.Source = item.Source();
    record.Description = item.Description();
    record.HelpFile = item.HelpFile();
    record.HelpContext = item.HelpContext();
}

void TDaoDatabase::RepairAccessDatabase(const QString& fileName, const QString& password)
{
    if (version_ == kVersion35)
        engine_->RepairDatabase(fileName);
    else
        CompactAccessDatabase(fileName, password);
}

void TDaoDatabase::CompactAccessDatabase(const QString& fileName, const QString& password)
{
    const QString pwd = password.isEmpty() ? QString() : QStringLiteral(";pwd=") + password;
    // The compacted copy takes the file's name in one rename: there is never a moment without
    // the database under its name, and nothing of an earlier run is removed.
    engine_->CompactDatabaseInPlace(fileName, pwd);
}

QStringList TDaoDatabase::MaintenanceLeftovers(const QString& fileName)
{
    QStringList found = dao::MaintenanceLeftovers(fileName);
    const QDir folder = QFileInfo(ExpandFileName(fileName)).absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (EarlierCompactionNames().match(name).hasMatch())
            found << folder.filePath(name);
    found.sort();
    return found;
}

void TDaoDatabase::GetQueryDefSQLText(const QString& queryName, TStrings& text)
{
    text.Clear();
    if (!databaseObject_)
        return;
    try {
        text.SetText(databaseObject_->QueryDefs().Item(queryName)->SQL());
    } catch (const Exception&) {
        text.Clear();
    }
}

// --- transactions ------------------------------------------------------------------------------------

void TDaoDatabase::BeginTrans()
{
    if (!connected_ || !databaseObject_)
        DatabaseError(QStringLiteral("TDaoDatabase.BeginTrans: Database is not connected!"));
    databaseObject_->BeginTrans();
    if (trackTransactions_)
        transactions_.Add(QString());
}

void TDaoDatabase::CommitTrans()
{
    if (!connected_ || !databaseObject_)
        DatabaseError(QStringLiteral("TDaoDatabase.CommitTrans: Database is not connected!"));
    databaseObject_->CommitTrans();
    if (transactions_.Count() > 0)
        transactions_.Delete(transactions_.Count() - 1);
}

void TDaoDatabase::Rollback()
{
    QStringList touched;
    const bool tracked = transactions_.Count() > 0;
    if (tracked) {
        TStringList entry;
        entry.SetCommaText(transactions_.Get(transactions_.Count() - 1));
        for (int i = 0; i < entry.Count(); ++i)
            touched << entry.Names(i);
        transactions_.Delete(transactions_.Count() - 1);
    }
    if (!connected_ || !databaseObject_)
        return;
    // A statement that failed may have ended the transaction in the engine already.
    if (databaseObject_->InTransaction())
        databaseObject_->Rollback();
    std::exception_ptr firstError;
    for (int i = 0; i < openTables_.Count(); ++i) {
        auto* table = static_cast<TDaoTable*>(openTables_.GetObject(i));
        if (!table || (tracked && !touched.contains(table->Name())))
            continue;
        try {
            table->ReadAfterRollback();
        } catch (const std::exception&) {
            if (!firstError)
                firstError = std::current_exception();
        }
    }
    if (firstError)
        std::rethrow_exception(firstError);
}

bool TDaoDatabase::InTransaction() const { return connected_ && databaseObject_ && databaseObject_->InTransaction(); }

void TDaoDatabase::AddTableToTransaction(const QString& name, int value)
{
    if (transactions_.Count() == 0)
        return;
    try {
        const int last = transactions_.Count() - 1;
        const QString lastEntry = transactions_.Get(last);
        TStringList entry;
        entry.SetCommaText(lastEntry);
        if (entry.IndexOfName(name) >= 0) {
            entry.SetValue(name, QString::number(value));
            transactions_.Put(last, entry.CommaText());
        } else {
            QString line = lastEntry;
            if (!line.isEmpty())
                line += QLatin1Char(',');
            line += name + QLatin1Char('=') + QString::number(value);
            transactions_.Put(last, line);
        }
    } catch (const Exception&) {
    }
}

// --- setters -----------------------------------------------------------------------------------------

void TDaoDatabase::CheckDisconnected(const char* message) const
{
    if (connected_)
        DatabaseError(QString::fromLatin1(message));
}

void TDaoDatabase::SetDatabase(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!");
    database_ = value;
}

void TDaoDatabase::SetDatabaseParameters(const QString& value)
{
    CheckDisconnected(
        "TDaoDatabase.F_Set_DatabaseParameters: Cannot set DatabaseParameters while Database is connected!");
    databaseParameters_ = value;
}

void TDaoDatabase::SetSystemDatabase(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_SystemDatabase: Cannot set SystemDatabase while Database is connected!");
    const QString old = systemDatabase_;
    AssignWithRestart([&] { systemDatabase_ = value.isEmpty() ? FindSystemDatabase() : value; },
                      [&] { systemDatabase_ = old; });
}

void TDaoDatabase::SetVersion(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_DaoVersion: Cannot set Dao Version while Database is connected!");
    const QString old = version_;
    AssignWithRestart(
        [&] {
            version_ = value.left(3);
            FillDatabaseTypes();
        },
        [&] {
            version_ = old;
            FillDatabaseTypes();
        });
    if (engine_ && !IsLoading())
        versionDetails_ = engine_->Version();
}

void TDaoDatabase::SetWorkspace(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_Workspace: Cannot set Workspace while Database is connected!");
    const QString old = workspace_;
    AssignWithRestart([&] { workspace_ = value; }, [&] { workspace_ = old; });
}

void TDaoDatabase::SetDatabaseType(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_DatabaseType: Cannot set Database Type while Database is connected!");
    database_.clear();
    databaseType_ = value;
}

void TDaoDatabase::SetEngineType(int value)
{
    CheckDisconnected("TDaoDatabase.F_Set_EngineType: Cannot set EngineType Type while Database is connected!");
    const int old = engineType_;
    AssignWithRestart([&] { engineType_ = value; }, [&] { engineType_ = old; });
}

void TDaoDatabase::SetPrivateEngine(bool value)
{
    CheckDisconnected("TDaoDatabase.F_Set_EngineType: Cannot set PrivateEngine Type while Database is connected!");
    const bool old = privateEngine_;
    AssignWithRestart([&] { privateEngine_ = value; }, [&] { privateEngine_ = old; });
}

void TDaoDatabase::SetReadOnly(bool value)
{
    CheckDisconnected("TDaoDatabase.F_Set_ReadOnly: Cannot change mode while Database is connected!");
    readOnly_ = value;
    if (value)
        for (int i = 0; i < openTables_.Count(); ++i)
            if (auto* table = static_cast<TDaoTable*>(openTables_.GetObject(i)))
                table->ForceReadOnly();
}

void TDaoDatabase::SetExclusive(bool value)
{
    CheckDisconnected("TDaoDatabase.F_Set_Exclusive: Cannot change Exclusive mode while Database is connected!");
    exclusive_ = value;
}

void TDaoDatabase::SetLoginPrompt(bool value)
{
    CheckDisconnected("TDaoDatabase.F_Set_LoginPrompt: Cannot change LoginPrompt while Database is connected!");
    loginPrompt_ = value;
}

void TDaoDatabase::SetUserName(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_UserName: Cannot change User Name while Database is connected!");
    userName_ = value;
    if (!IsLoading())
        RunGuarded([&] { RestartEngine(); });
}

void TDaoDatabase::SetPassword(const QString& value)
{
    CheckDisconnected("TDaoDatabase.F_Set_Password: Cannot change Password while Database is connected!");
    password_ = value;
    if (!IsLoading())
        RunGuarded([&] { RestartEngine(); });
}

void TDaoDatabase::SetDatabasePassword(const QString& value)
{
    CheckDisconnected(
        "TDaoDatabase.F_Set_DatabasePassword: Cannot change Database Password while Database is connected!");
    databasePassword_ = value;
}

void TDaoDatabase::SetTrackTransactions(bool value)
{
    CheckDisconnected("Cannot set TrackTransactions property when Database is connected!");
    trackTransactions_ = value;
}

void TDaoDatabase::SetDefaultCursorDriver(int value)
{
    defaultCursorDriver_ = value;
    if (!IsLoading() && engineType_ == dao::dbUseODBC && workspaceObject_)
        workspaceObject_->SetDefaultCursorDriver(value);
}
