#include "platform/dao/DaoWorkspace.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoStore.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace dao {

namespace {

const QString kSource = QStringLiteral("DAO.Workspace");

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, kSource); }

[[noreturn]] void OdbcRefused()
{
    Raise(errOdbcRefused, QCoreApplication::translate("Dao", "ODBC--call failed: this engine opens only its own database files and has no "
                                                             "ODBC connections."));
}

QString ValueOf(const QString& text, const QString& key)
{
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return QString();
}

}  // namespace

Workspace::Workspace(QString name, QString userName, int type, QString engineVersion)
    : name_(std::move(name)), userName_(std::move(userName)), type_(type), engineVersion_(std::move(engineVersion))
{
}

Workspace::~Workspace()
{
    try {
        Close();
    } catch (const EDaoError&) {
    }
}

QString Workspace::PasswordOf(const QString& connect)
{
    const QString kind = connect.section(QLatin1Char(';'), 0, 0).trimmed();
    if (kind.startsWith(QLatin1String("ODBC"), Qt::CaseInsensitive))
        OdbcRefused();
    if (!kind.isEmpty() && !kind.contains(QLatin1Char('=')))
        Raise(errIsamNotFound, QCoreApplication::translate("Dao", "Could not find installable ISAM: '%1' databases cannot be opened by this "
                                                                  "engine.").arg(kind));
    return ValueOf(connect, QStringLiteral("PWD"));
}

int Workspace::CollatingOrderOf(const QString& locale)
{
    const QString id = ValueOf(locale, QStringLiteral("LANGID")).trimmed();
    if (id.isEmpty())
        return dbSortGeneral;
    bool ok = false;
    const int langId = id.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? id.mid(2).toInt(&ok, 16) : id.toInt(&ok);
    if (!ok)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: locale '%1'.").arg(locale));
    // Bulgarian sorts with the Cyrillic order.
    if ((langId & 0x3ff) == 0x02 || (langId & 0x3ff) == 0x19)
        return dbSortCyrillic;
    if (langId == 0 || langId == 0x0400)
        return dbSortNeutral;
    return langId;
}

void Workspace::Prune()
{
    opened_.erase(std::remove_if(opened_.begin(), opened_.end(),
                                 [](const auto& w) {
                                     auto db = w.lock();
                                     return !db || !db->IsOpen();
                                 }),
                  opened_.end());
}

std::shared_ptr<Database> Workspace::OpenDatabase(const QString& name, bool exclusive, bool readOnly,
                                                  const QString& connect)
{
    if (type_ == dbUseODBC || name.trimmed().startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive))
        OdbcRefused();
    Store::OpenArguments args;
    args.path = name;
    args.exclusive = exclusive;
    args.readOnly = readOnly;
    args.password = PasswordOf(connect);
    args.engineVersion = engineVersion_;
    args.userName = userName_;
    auto db = Database::Open(args, connect);
    Prune();
    opened_.push_back(db);
    return db;
}

std::shared_ptr<Database> Workspace::OpenConnection(const QString&, int, bool, const QString&) { OdbcRefused(); }

std::shared_ptr<Database> Workspace::CreateDatabase(const QString& name, const QString& locale, int options)
{
    if (type_ == dbUseODBC)
        OdbcRefused();
    QString format = engineVersion_.size() >= 3 && engineVersion_.at(2) == QLatin1Char('5') ? QStringLiteral("3.0")
                                                                                              : QStringLiteral("4.0");
    if (options & dbVersion40) {
        if (format == QLatin1String("3.0"))
            Raise(errNotJetHere, QCoreApplication::translate("Dao", "Engine version %1 cannot make a database of format version 4.0; use "
                                                                    "engine version 3.6.").arg(engineVersion_));
        format = QStringLiteral("4.0");
    } else if (options & (dbVersion30 | dbVersion20 | dbVersion11 | dbVersion10)) {
        format = QStringLiteral("3.0");
    }
    const QString password = ValueOf(locale, QStringLiteral("PWD"));
    if (password.size() > 20)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a database password has at most 20 characters."));
    Store::Create(name, CollatingOrderOf(locale), format, password);
    return OpenDatabase(name, false, false, password.isEmpty() ? QString() : QStringLiteral(";pwd=") + password);
}

const Databases& Workspace::Databases()
{
    Prune();
    databases_ = dao::Databases();
    for (const auto& w : opened_)
        if (auto db = w.lock())
            databases_.Add(db);
    return databases_;
}

void Workspace::Close()
{
    for (const auto& w : opened_)
        if (auto db = w.lock())
            db->Close();
    opened_.clear();
    databases_ = dao::Databases();
}

void Workspace::RefreshCaches()
{
    for (const auto& w : opened_)
        if (auto db = w.lock())
            db->RefreshCache();
}

Properties Workspace::Properties() const
{
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Name"), TVariant(name_), dbText));
    list.Add(dao::Property(QStringLiteral("UserName"), TVariant(userName_), dbText));
    list.Add(dao::Property(QStringLiteral("Type"), TVariant(type_), dbLong));
    return list;
}

}  // namespace dao
