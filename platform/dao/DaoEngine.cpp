#include "platform/dao/DaoEngine.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoMaintenance.h"

#include <QCoreApplication>
#include <algorithm>

namespace dao {

namespace {

const QString kSource = QStringLiteral("DAO.DBEngine");

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, kSource); }

}  // namespace

void Workspaces::Append(const std::shared_ptr<Workspace>& workspace)
{
    if (!workspace)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: no workspace."));
    if (Contains(workspace->Name()))
        Raise(3367, QCoreApplication::translate("Dao", "Cannot append. An object with that name already exists in the collection."));
    items_.push_back(workspace);
}

void Workspaces::Delete(const QString& name)
{
    const int i = IndexOf(name);
    if (i < 0)
        NotFound(name);
    items_.erase(items_.begin() + i);
}

DBEngine::DBEngine(const QString& version)
{
    if (version.startsWith(QLatin1String("3.5")))
        version_ = QStringLiteral("3.51");
    else if (version.startsWith(QLatin1String("3.6")))
        version_ = QStringLiteral("3.6");
    else
        Raise(errNotJetHere, QCoreApplication::translate("Dao", "Engine version '%1' is not installed; versions 3.5 and 3.6 are.").arg(version));
}

DBEngine::~DBEngine()
{
    for (const auto& w : created_)
        if (auto ws = w.lock())
            ws->Close();
}

QString DBEngine::Version() const { return version_; }

std::shared_ptr<Workspace> DBEngine::CreateWorkspace(const QString& name, const QString& user, const QString& password,
                                                     int type)
{
    if (type != dbUseJet && type != dbUseODBC)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: workspace type %1.").arg(type));
    if (user.compare(QLatin1String("Admin"), Qt::CaseInsensitive) != 0 || !password.isEmpty())
        Raise(3029, QCoreApplication::translate("Dao", "Not a valid account name or password."));
    auto ws = std::make_shared<Workspace>(name, user, type, version_);
    created_.erase(std::remove_if(created_.begin(), created_.end(), [](const auto& w) { return w.expired(); }),
                   created_.end());
    created_.push_back(ws);
    return ws;
}

const std::shared_ptr<Workspace>& DBEngine::DefaultWorkspace()
{
    if (!default_) {
        default_ = std::make_shared<Workspace>(QStringLiteral("#Default Workspace#"), defaultUser_, defaultType_, version_);
        created_.push_back(default_);
        std::vector<std::shared_ptr<Workspace>> rest(workspaces_.begin(), workspaces_.end());
        workspaces_ = dao::Workspaces();
        workspaces_.Add(default_);
        for (auto& w : rest)
            workspaces_.Add(w);
    }
    return default_;
}

Workspaces& DBEngine::Workspaces()
{
    DefaultWorkspace();
    return workspaces_;
}

Errors& DBEngine::Errors() { return ThreadErrors(); }

void DBEngine::Idle(int)
{
    for (const auto& w : created_)
        if (auto ws = w.lock())
            ws->RefreshCaches();
}

void DBEngine::RepairDatabase(const QString& name) { RepairDatabaseFile(name); }

void DBEngine::CompactDatabase(const QString& source, const QString& target, const QString& locale, int options,
                               const QString& password)
{
    CompactDatabaseFile(source, target, locale, options, password, version_);
}

void DBEngine::CompactDatabaseInPlace(const QString& name, const QString& password)
{
    CompactDatabaseFileInPlace(name, password, version_);
}

std::shared_ptr<Database> DBEngine::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect)
{
    return DefaultWorkspace()->OpenDatabase(name, exclusive, readOnly, connect);
}

std::shared_ptr<Database> DBEngine::CreateDatabase(const QString& name, const QString& locale, int options)
{
    return DefaultWorkspace()->CreateDatabase(name, locale, options);
}

Properties DBEngine::Properties() const
{
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Version"), TVariant(version_), dbText));
    list.Add(dao::Property(QStringLiteral("DefaultUser"), TVariant(defaultUser_), dbText));
    list.Add(dao::Property(QStringLiteral("DefaultType"), TVariant(defaultType_), dbLong));
    list.Add(dao::Property(QStringLiteral("SystemDB"), TVariant(systemDb_), dbText));
    list.Add(dao::Property(QStringLiteral("LoginTimeout"), TVariant(loginTimeout_), dbInteger));
    return list;
}

QStringList InstalledEngineVersions() { return {QStringLiteral("3.5"), QStringLiteral("3.6")}; }

QString EngineClassVersion(const QString& progId)
{
    const QString id = progId.trimmed().toLower();
    if (id == QLatin1String("dao.dbengine.35") || id == QLatin1String("dao.privatedbengine.35"))
        return QStringLiteral("3.51");
    if (id == QLatin1String("dao.dbengine.36") || id == QLatin1String("dao.privatedbengine.36")
        || id == QLatin1String("dao.privatedbengine") || id == QLatin1String("dao.dbengine"))
        return QStringLiteral("3.6");
    return QString();
}

bool EngineClassRegistered(const QString& progId) { return !EngineClassVersion(progId).isEmpty(); }

QStringList InstallableFormats(const QString&) { return {}; }

QStringList OdbcDrivers() { return {}; }

QStringList OdbcDataSources() { return {}; }

QString RegisteredSystemDatabase(const QString&) { return QString(); }

}  // namespace dao
