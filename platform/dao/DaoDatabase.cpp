#include "platform/dao/DaoDatabase.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/JetSql.h"

#include <QCoreApplication>
#include <algorithm>

namespace dao {

namespace {

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, QStringLiteral("DAO.Database")); }

// A source written as [name] means the name.
QString Unbracketed(const QString& source)
{
    const QString t = source.trimmed();
    if (t.size() > 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')) && t.count(QLatin1Char(']')) == 1)
        return t.mid(1, t.size() - 2);
    return t;
}

}  // namespace

std::shared_ptr<Database> Database::Open(const Store::OpenArguments& arguments, const QString& connect)
{
    std::shared_ptr<Database> db(new Database);
    db->store_ = Store::Open(arguments);
    db->name_ = db->store_->Path();
    db->connect_ = connect;
    return db;
}

Database::~Database()
{
    try {
        Close();
    } catch (const EDaoError&) {
    }
}

std::shared_ptr<Store> Database::LiveStore() const
{
    if (!store_ || !store_->IsOpen())
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
    return store_;
}

bool Database::IsOpen() const { return store_ && store_->IsOpen(); }

bool Database::Updatable() const { return !LiveStore()->ReadOnly(); }

QString Database::Version() const { return LiveStore()->FormatVersion(); }

int Database::CollatingOrder() const { return LiveStore()->CollatingOrder(); }

void Database::Track(const std::shared_ptr<Recordset>& rs)
{
    recordsets_.erase(std::remove_if(recordsets_.begin(), recordsets_.end(), [](const auto& w) { return w.expired(); }),
                      recordsets_.end());
    recordsets_.push_back(rs);
}

void Database::Execute(const QString& text, int options)
{
    auto store = LiveStore();
    if (options & dbSQLPassThrough)
        Raise(errOdbcRefused, QCoreApplication::translate("Dao", "ODBC--call failed: pass-through queries need an ODBC connection, which "
                                                                 "this engine does not offer."));
    QString sql = text;
    if (const QueryDefData* q = store->FindQueryDef(Unbracketed(text)))
        sql = q->sql;
    const jet::Statement statement = store->Translation(sql);
    if (!statement.parameters.empty())
        Raise(errTooFewParameters, QCoreApplication::translate("Dao", "Too few parameters. Expected %1.").arg(statement.parameters.size()));
    recordsAffected_ = 0;
    recordsAffected_ = RunAction(*store, statement, {});
}

void Database::BeginTrans() { LiveStore()->BeginTransaction(); }

void Database::CommitTrans() { LiveStore()->CommitTransaction(); }

void Database::Rollback() { LiveStore()->RollbackTransaction(); }

bool Database::InTransaction() const
{
    return store_ && store_->IsOpen() && store_->InTransaction() && !store_->InSharedRead();
}

SharedRead::SharedRead(Database* db) : store_(db && db->IsOpen() ? db->GetStore() : nullptr)
{
    if (store_)
        store_->BeginSharedRead();
}

SharedRead::~SharedRead()
{
    if (store_) {
        try {
            store_->EndSharedRead();
        } catch (const EDaoError&) {
            // Ending a read that wrote nothing gives up nothing.
        }
    }
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString& source, int type, int options, int lockType)
{
    auto store = LiveStore();
    const QString name = Unbracketed(source);
    if (lockType == 0)
        lockType = dbOptimistic;
    std::shared_ptr<Recordset> rs;
    if (const TableDefData* t = store->FindTableDef(name)) {
        rs = Recordset::OpenTable(store, t->name, type == 0 ? dbOpenTable : type, options, lockType);
    } else if (store->FindQueryDef(name)) {
        rs = QueryDefs().Item(name)->OpenRecordset(type, options, lockType);
    } else {
        if (type == dbOpenTable)
            Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a table-type recordset needs a stored table."));
        const jet::Statement statement = store->Translation(source);
        if (!statement.parameters.empty())
            Raise(errTooFewParameters, QCoreApplication::translate("Dao", "Too few parameters. Expected %1.").arg(statement.parameters.size()));
        rs = Recordset::OpenStatement(store, statement, {}, source, type, options, lockType);
    }
    Track(rs);
    return rs;
}

dao::TableDefs& Database::TableDefs()
{
    auto store = LiveStore();
    if (!tableDefs_)
        tableDefs_ = std::make_unique<dao::TableDefs>(store);
    if (tableDefsGeneration_ != store->CatalogGeneration()) {
        tableDefs_->Refresh();
        tableDefsGeneration_ = store->CatalogGeneration();
    }
    return *tableDefs_;
}

dao::QueryDefs& Database::QueryDefs()
{
    auto store = LiveStore();
    if (!queryDefs_)
        queryDefs_ = std::make_unique<dao::QueryDefs>(store);
    if (queryDefsGeneration_ != store->CatalogGeneration()) {
        queryDefs_->Refresh();
        queryDefsGeneration_ = store->CatalogGeneration();
    }
    return *queryDefs_;
}

std::shared_ptr<TableDef> Database::CreateTableDef(const QString& name, int attributes)
{
    LiveStore();
    auto t = std::make_shared<TableDef>(name);
    t->SetAttributes(attributes);
    return t;
}

std::shared_ptr<QueryDef> Database::CreateQueryDef(const QString& name, const QString& sql)
{
    auto store = LiveStore();
    auto q = std::make_shared<QueryDef>(store, name, sql);
    if (!name.isEmpty())
        QueryDefs().Append(q);
    return q;
}

void Database::SetIndexStatistics(const QString& table, const QString& index, qint64 rows,
                                  const std::vector<qint64>& rowsPerValue)
{
    LiveStore()->SetIndexStatistics(table, index, rows, rowsPerValue);
}

void Database::NewPassword(const QString& oldPassword, const QString& newPassword)
{
    if (newPassword.size() > 20)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a database password has at most 20 characters."));
    // The connect text ends its PWD value at the first ';': such a password could be set but
    // never given back, and the file would open for nobody.
    if (newPassword.contains(QLatin1Char(';')))
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a database password cannot contain ';'."));
    LiveStore()->SetPassword(oldPassword, newPassword);
}

Properties Database::Properties() const
{
    auto store = LiveStore();
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Name"), TVariant(name_), dbText));
    list.Add(dao::Property(QStringLiteral("Connect"), TVariant(connect_), dbText));
    list.Add(dao::Property(QStringLiteral("Version"), TVariant(store->FormatVersion()), dbText));
    list.Add(dao::Property(QStringLiteral("CollatingOrder"), TVariant(store->CollatingOrder()), dbLong));
    list.Add(dao::Property(QStringLiteral("QueryTimeout"), TVariant(queryTimeout_), dbInteger));
    list.Add(dao::Property(QStringLiteral("Updatable"), TVariant(!store->ReadOnly()), dbBoolean));
    return list;
}

void Database::RefreshCache()
{
    if (IsOpen())
        store_->RefreshCache();
}

void Database::Close()
{
    for (const auto& w : recordsets_)
        if (auto rs = w.lock())
            rs->Close();
    recordsets_.clear();
    tableDefs_.reset();
    queryDefs_.reset();
    if (store_)
        store_->Close();
}

}  // namespace dao
