#pragma once
// An open database: statements run on it, recordsets opened from it, its table definitions
// and saved queries. Closing it closes every recordset opened from it.

#include "platform/dao/DaoField.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/DaoTableDef.h"

#include <QString>
#include <memory>
#include <vector>

namespace dao {

class Recordset;

class Database;

// Holds one read of the database's file while it lives: the statements run meanwhile share one
// lock. A write or a transaction begun meanwhile ends it first.
class SharedRead {
public:
    explicit SharedRead(Database* db);
    ~SharedRead();
    SharedRead(const SharedRead&) = delete;
    SharedRead& operator=(const SharedRead&) = delete;

private:
    std::shared_ptr<Store> store_;
};

class Database : public std::enable_shared_from_this<Database> {
public:
    static std::shared_ptr<Database> Open(const Store::OpenArguments& arguments, const QString& connect);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The file's path.
    const QString& Name() const { return name_; }
    const QString& Connect() const { return connect_; }
    bool Updatable() const;
    // The file's format version: "3.0" or "4.0".
    QString Version() const;
    // dbSortGeneral, dbSortCyrillic, ...
    int CollatingOrder() const;
    int QueryTimeout() const { return queryTimeout_; }
    void SetQueryTimeout(int seconds) { queryTimeout_ = seconds; }
    // Rows touched by the last Execute.
    int RecordsAffected() const { return recordsAffected_; }

    // Runs an action statement or the saved action query of that name.
    void Execute(const QString& text, int options = 0);
    // A stored table's name, a saved query's name or a SELECT statement. Type 0: table-type for
    // a stored table, dynaset otherwise.
    std::shared_ptr<Recordset> OpenRecordset(const QString& source, int type = 0, int options = 0, int lockType = 0);

    // A transaction over many writes on this database: all of them are kept by CommitTrans, none
    // by Rollback; each write inside it is still all or nothing by itself. Raises 3034 for a
    // commit or rollback without BeginTrans.
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    bool InTransaction() const;

    dao::TableDefs& TableDefs();
    dao::QueryDefs& QueryDefs();
    std::shared_ptr<TableDef> CreateTableDef(const QString& name = QString(), int attributes = 0);
    // With a name the query is saved at once.
    std::shared_ptr<QueryDef> CreateQueryDef(const QString& name = QString(), const QString& sql = QString());
    // What the planner assumes of a table's index in connections opened from now on: the table's
    // rows, and the rows that one value of each leading run of the index's fields picks; as if a
    // file of that size had been measured. Raises 3265 for an index the table does not have.
    void SetIndexStatistics(const QString& table, const QString& index, qint64 rows,
                            const std::vector<qint64>& rowsPerValue);
    // Changes the database password; the old one must be right (3031).
    void NewPassword(const QString& oldPassword, const QString& newPassword);
    dao::Properties Properties() const;

    void Close();
    bool IsOpen() const;
    // Lets recordsets see what other connections changed.
    void RefreshCache();
    const std::shared_ptr<Store>& GetStore() const { return store_; }

private:
    Database() = default;
    std::shared_ptr<Store> LiveStore() const;
    void Track(const std::shared_ptr<Recordset>& rs);

    std::shared_ptr<Store> store_;
    QString name_;
    QString connect_;
    int queryTimeout_ = 60;
    int recordsAffected_ = 0;
    std::unique_ptr<dao::TableDefs> tableDefs_;
    std::unique_ptr<dao::QueryDefs> queryDefs_;
    quint64 tableDefsGeneration_ = 0;
    quint64 queryDefsGeneration_ = 0;
    std::vector<std::weak_ptr<Recordset>> recordsets_;
};

}  // namespace dao
