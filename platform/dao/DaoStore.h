#pragma once
// One open database file: its SQLite connection, the catalogue of what the engine keeps about
// tables, fields, indexes and saved queries, the password, and the connection's lock-file
// slot. Shared by the database object and every recordset opened from it.

#include "platform/dao/JetSql.h"
#include "platform/dao/DaoLockFile.h"
#include "platform/toolkit/Variant.h"

#include <QHash>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dao {

// The stored description of a field.
struct FieldDef {
    QString name;
    int type = 0;
    int size = 0;
    int attributes = 0;
    QString defaultValue;
    bool required = false;
    bool allowZeroLength = false;
    std::vector<std::pair<QString, TVariant>> properties;  // Caption, Format and others set by name

    bool IsCounter() const;
    // The value of a property set by name, Empty when not set.
    TVariant Property(const QString& name) const;
    void SetProperty(const QString& name, const TVariant& value);
};

struct IndexFieldDef {
    QString name;
    bool descending = false;
};

struct IndexDef {
    QString name;
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
    std::vector<IndexFieldDef> fields;
};

struct TableDefData {
    QString name;
    int attributes = 0;
    double dateCreated = 0;
    double lastUpdated = 0;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;

    const FieldDef* FindField(const QString& fieldName) const;
    const IndexDef* FindIndex(const QString& indexName) const;
    // The counter field's position, -1 without one.
    int CounterField() const;
    bool IsSystem() const;
};

struct QueryDefData {
    QString name;
    QString sql;
    int type = 0;
    double dateCreated = 0;
    double lastUpdated = 0;
};

// A prepared statement, finalized with its owner.
class SqlStatement {
public:
    SqlStatement(sqlite3* db, const QString& sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;
    sqlite3_stmt* Get() const { return stmt_; }
    // Steps once; true while a row stands; raises the engine's error for a failure.
    bool Step();
    void Reset();
    void Bind(int index, const TVariant& value);
    void BindKey(int index, qint64 key);

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Store : public jet::Catalog {
public:
    struct OpenArguments {
        QString path;
        bool exclusive = false;
        bool readOnly = false;
        QString password;
        QString engineVersion = QStringLiteral("3.6");
        QString userName = QStringLiteral("Admin");
    };
    // Opens an existing file; never creates one. Raises 3024, 3343, 3049, 3447, 3031, 3045.
    static std::shared_ptr<Store> Open(const OpenArguments& arguments);
    // Makes a new database file, all at once or not at all. Raises 3204 when it exists.
    static void Create(const QString& path, int collatingOrder, const QString& formatVersion,
                       const QString& password);
    // The format version ("3.0", "4.0") of a file, without opening a connection on it.
    static QString ReadFormatVersion(const QString& path);

    ~Store() override;
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    // Raises 3420 when the database has been closed.
    void CheckOpen() const;
    sqlite3* Db() const { return db_; }
    const QString& Path() const { return path_; }
    bool ReadOnly() const { return readOnly_; }
    bool Exclusive() const { return exclusive_; }
    int CollatingOrder() const { return collatingOrder_; }
    const QString& FormatVersion() const { return formatVersion_; }

    // Catalogue.
    void Reload();
    // Moves on every reading of the catalogue.
    quint64 CatalogGeneration() const { return generation_; }
    const std::vector<TableDefData>& Tables() const { return tables_; }
    const TableDefData* FindTableDef(const QString& name) const;
    const std::vector<QueryDefData>& Queries() const { return queries_; }
    const QueryDefData* FindQueryDef(const QString& name) const;
    const jet::TableInfo* FindTable(const QString& name) const override;
    std::optional<QString> FindQuery(const QString& name) const override;

    void CreateTable(const TableDefData& table);
    void DeleteTable(const QString& name);
    void AddField(const QString& table, const FieldDef& field);
    void UpdateField(const QString& table, const QString& fieldName, const FieldDef& field);
    void AddIndex(const QString& table, const IndexDef& index);
    // What the planner assumes of an index from the next connection on (Database::SetIndexStatistics).
    void SetIndexStatistics(const QString& table, const QString& index, qint64 rows,
                            const std::vector<qint64>& rowsPerValue);
    void DeleteIndex(const QString& table, const QString& index);
    void SaveQuery(const QueryDefData& query);
    void DeleteQuery(const QString& name);
    void SetPassword(const QString& oldPassword, const QString& newPassword);

    // Statements.
    void Exec(const QString& sql);
    SqlStatement& Cached(const QString& sql);
    // Runs a statement without values through the cache.
    void Run(const QString& sql);
    // The Jet text translated for this catalogue; kept until the catalogue is read again.
    const jet::Statement& Translation(const QString& jetText);
    // An empty temporary table with these column definitions, made or kept from an earlier copy;
    // GiveBackTempTable empties it and keeps it for the next copy of the same columns.
    QString TakeTempTable(const QString& columnsSql);
    // Whether TakeTempTable would hand out a table kept before, without making one.
    bool HasFreeTempTable(const QString& columnsSql) const { return freeTempTables_.count(columnsSql) > 0; }
    void GiveBackTempTable(const QString& columnsSql, const QString& name);
    // Copies by their statement that came out too many for memory: the next copy by the same
    // statement goes into its table at once.
    bool CopiedLarge(const QString& copySql) const { return largeCopies_.count(copySql) > 0; }
    void NoteLargeCopy(const QString& copySql) { largeCopies_.insert(copySql); }
    // Drops the cached statements whose text contains `naming` (a table about to go).
    void ForgetStatements(const QString& naming);
    // One write: its own transaction, or a savepoint inside an open one.
    void BeginWrite();
    // Raises 3027 on a read-only database.
    void CheckWritable() const;
    void Commit();
    void Rollback();
    // A transaction the caller holds over many writes; each write inside it is a savepoint.
    // Raises 3034 when none is open (commit, rollback); only one at a time.
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction();
    bool InTransaction() const;
    // One read of the file over many statements, so that they share one lock instead of each
    // taking its own; nested ones join the outer one. Inside a transaction nothing happens; a
    // write or a transaction begun ends it first, so no write waits for its end.
    void BeginSharedRead();
    void EndSharedRead();
    // A transaction stands that is only a shared read.
    bool InSharedRead() const { return ownsSharedRead_; }
    // Ends a shared read at once, before something that must not run inside it.
    void LeaveSharedRead();

    // Rows cached by recordsets stay good while the epoch stands.
    quint64 Epoch() const { return epoch_; }
    void Touch() { ++epoch_; }
    // Looks whether another connection changed the file; moves the epoch when it did.
    void RefreshCache();

    static QString MetaTable();

private:
    Store() = default;
    void Connect(const QString& path, bool readOnly);
    void LoadMeta();
    void CheckPassword(const QString& password) const;
    void WriteTableRow(const TableDefData& table);
    void WriteFieldRows(const QString& table, const std::vector<FieldDef>& fields);
    void WriteIndexRow(const QString& table, const IndexDef& index, int ordinal);
    void CreateSqliteIndex(const TableDefData& table, const IndexDef& index);
    void RebuildTable(const TableDefData& table);
    void TouchTable(const QString& table);
    QString ReadCatalogVersion() const;

    sqlite3* db_ = nullptr;
    QString path_;
    bool readOnly_ = false;
    bool exclusive_ = false;
    int collatingOrder_ = 1033;
    QString formatVersion_;
    QString passwordSalt_;
    QString passwordHash_;
    std::vector<TableDefData> tables_;
    std::vector<QueryDefData> queries_;
    mutable std::vector<jet::TableInfo> tableInfos_;
    std::unordered_map<std::string, std::unique_ptr<SqlStatement>> statements_;
    std::unique_ptr<LockFile> lock_;
    quint64 epoch_ = 1;
    quint64 generation_ = 0;
    QString catalogVersion_;
    qint64 dataVersion_ = -1;
    std::unordered_map<QString, jet::Statement> translations_;
    quint64 translationsGeneration_ = 0;
    std::multimap<QString, QString> freeTempTables_;  // column definitions -> name
    std::unordered_set<QString> largeCopies_;
    int tempTableCount_ = 0;
    int sharedReadDepth_ = 0;
    bool ownsSharedRead_ = false;
    bool sharedReadRefreshed_ = false;  // the shared read has looked for others' changes
};

// One shared read of the store while it lives (see Store::BeginSharedRead).
class StoreRead {
public:
    explicit StoreRead(Store& store) : store_(store) { store_.BeginSharedRead(); }
    ~StoreRead();
    StoreRead(const StoreRead&) = delete;
    StoreRead& operator=(const StoreRead&) = delete;

private:
    Store& store_;
};

// Runs `change` as one write of the store: all of it or, when anything fails, nothing.
template <class Change>
void WriteAtOnce(Store& store, Change&& change)
{
    store.BeginWrite();
    try {
        change();
        store.Commit();
    } catch (...) {
        store.Rollback();
        throw;
    }
}

// Runs `change`, a single statement, as one write of the store. Inside a transaction already
// held the statement is all or nothing by itself and takes no savepoint of its own.
template <class Change>
void WriteStatement(Store& store, Change&& change)
{
    if (!store.InTransaction() || store.InSharedRead()) {
        WriteAtOnce(store, std::forward<Change>(change));
        return;
    }
    store.CheckWritable();
    try {
        change();
    } catch (...) {
        store.Touch();
        throw;
    }
    store.Touch();
}

// The row key in a bookmark: four bytes, little-endian.
QByteArray KeyToBookmark(qint64 key);
qint64 BookmarkToKey(const QByteArray& bookmark);

}  // namespace dao
