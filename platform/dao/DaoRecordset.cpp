#include "platform/dao/DaoRecordset.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoValue.h"
#include "platform/dao/SqliteDialect.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>
#include <unordered_set>

namespace dao {

namespace {

const QString kSource = QStringLiteral("DAO.Recordset");
// Rows read at once: few after a jump, more and more while the reading goes straight on.
constexpr qint64 kSmallWindow = 32;
constexpr qint64 kLargeWindow = 2048;
// A search matching at most this many rows finds their positions by key.
constexpr size_t kFewMatches = 64;
constexpr int kInBatch = 32;

// Every piece of SQL whose spelling is the engine's.
const jet::SqliteDialect kDialect;
// The row key of the rows a SELECT reads as "q" (made on first use: recordsets may open before
// this file's objects are made, from another file's start-up).
const QString& RowKeyOfQ()
{
    static const QString key = kDialect.RowKey(QStringLiteral("q"));
    return key;
}

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, kSource); }
[[noreturn]] void NoCurrentRecord() { Raise(errNoCurrentRecord, QCoreApplication::translate("Dao", "No current record.")); }
[[noreturn]] void RecordDeleted() { Raise(errRecordDeleted, QCoreApplication::translate("Dao", "Record is deleted.")); }
[[noreturn]] void NotSupported(const QString& what)
{
    Raise(errOperationNotSupported, QCoreApplication::translate("Dao", "Operation is not supported for this type of object: %1.").arg(what));
}

// Resets a statement when the reading is done, so that no read lock outlives it.
struct ResetOnExit {
    SqlStatement& s;
    ~ResetOnExit() { s.Reset(); }
};

QString And(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return QStringLiteral("(%1) AND (%2)").arg(a, b);
}

QString WhereOrder(const QString& where, const QString& order)
{
    QString sql;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order;
    return sql;
}

}  // namespace

struct SourceColumn {
    FieldDef def;
    QString sourceTable;
    QString sourceField;
    QString baseColumn;  // the base table's column written through this one; empty: not written
    QString groupSql;    // the grouping expression it shows, in a grouped statement
};

// A temporary table holding a snapshot's rows; given back to the store, empty, with the last
// recordset using it.
struct TempTable {
    std::weak_ptr<Store> store;
    QString columnsSql;
    QString name;
    ~TempTable()
    {
        if (auto s = store.lock(); s && s->IsOpen()) {
            try {
                s->GiveBackTempTable(columnsSql, name);
            } catch (const EDaoError&) {
            }
        }
    }
};

// A copy's rows as they were read, row after row: the base row key, then every column.
struct RowCopy {
    std::vector<TVariant> cells;
    size_t width = 0;
    qint64 rows = 0;
};

struct RecordsetSource {
    enum class Kind { TableRows, QueryRows, TempRows, Plain };
    std::shared_ptr<Store> store;
    Kind kind = Kind::TableRows;
    QString name;
    QString baseTable;              // the table written through these rows; empty: read-only
    // TempRows are read from memory while they are few; their temporary table is made when SQL
    // has to run over them, or at once when they are many.
    mutable QString readTable;      // quoted table read by row key (TableRows, TempRows)
    mutable QStringList readColumns;  // quoted columns of readTable, one per column
    QString sql;                    // QueryRows: the keyed SELECT; Plain: the SELECT
    mutable QString rowsSql;        // the row key and every column of the rows read by key, unnarrowed
    mutable QString rowKey;         // the row key as rowsSql names it
    std::vector<TVariant> params;   // ?1 .. ?n of sql and rowsSql
    jet::GroupedSelect grouped;     // Plain: sql in parts, when it is a grouped SELECT
    std::vector<SourceColumn> columns;
    mutable std::shared_ptr<TempTable> temp;
    std::shared_ptr<const RowCopy> copy;  // TempRows: the rows in memory; null when only the table has them
    QString copyColumnsSql;               // TempRows: the temporary table's column definitions
    QStringList copyNames;                // and its quoted column names after the base key
    int maxRecords = 0;

    // rowsSql narrowed to the row keys between the two bound after the parameters, in key order;
    // made again only when the rows are read from elsewhere.
    const QString& KeyRangeSql() const
    {
        if (keyRangeRows_ != rowsSql || keyRangeKey_ != rowKey) {
            const int first = int(params.size()) + 1;
            keyRangeSql_ = QStringLiteral("%1 WHERE %2 BETWEEN ?%3 AND ?%4 ORDER BY %2").arg(rowsSql, rowKey).arg(first).arg(first + 1);
            keyRangeRows_ = rowsSql;
            keyRangeKey_ = rowKey;
        }
        return keyRangeSql_;
    }
    mutable QString keyRangeSql_, keyRangeRows_, keyRangeKey_;

    // The rows of a copy in memory, keyed 1 to n, in their order.
    bool InMemory() const { return kind == Kind::TempRows && copy; }
    const TVariant* CopiedRow(qint64 key) const { return copy->cells.data() + size_t(key - 1) * copy->width + 1; }
    // Makes the temporary table of a copy that has none yet, with the rows kept in memory.
    void EnsureTable() const;

    std::vector<jet::ResultColumn> ResultColumns() const
    {
        std::vector<jet::ResultColumn> result;
        for (const auto& c : columns) {
            jet::ResultColumn r;
            r.name = c.def.name;
            r.type = c.def.type;
            r.size = c.def.size;
            r.counter = c.def.IsCounter();
            r.format = c.def.Property(QStringLiteral("Format")).AsString();
            r.updatable = !c.baseColumn.isEmpty();
            r.baseColumn = c.baseColumn;
            r.groupSql = c.groupSql;
            result.push_back(r);
        }
        return result;
    }

    void SetRowsFromReadTable() const
    {
        rowKey = kDialect.RowKey();
        rowsSql = QStringLiteral("SELECT %1%2%3 FROM %4")
                      .arg(rowKey, readColumns.isEmpty() ? QString() : QStringLiteral(","), readColumns.join(QLatin1Char(',')),
                           readTable);
    }

    QString Limit() const { return maxRecords > 0 ? kDialect.Limit(maxRecords) : QString(); }

    // The recordset's row keys in order, as the first column.
    QString KeySelect(const QString& where, const QString& order) const
    {
        switch (kind) {
        case Kind::TableRows:
            // Without an order of their own the rows come in key order.
            return QStringLiteral("SELECT %1 FROM %2 AS q").arg(RowKeyOfQ(), readTable)
                   + WhereOrder(where, order.isEmpty() ? RowKeyOfQ() : order) + Limit();
        case Kind::TempRows:
            EnsureTable();
            return QStringLiteral("SELECT %1 FROM %2 AS q").arg(RowKeyOfQ(), readTable)
                   + WhereOrder(where, order.isEmpty() ? RowKeyOfQ() : order) + Limit();
        case Kind::QueryRows:
            if (where.isEmpty() && order.isEmpty())
                return sql + Limit();
            return QStringLiteral("SELECT * FROM (%1) AS q").arg(sql) + WhereOrder(where, order) + Limit();
        case Kind::Plain:
            break;
        }
        return QString();
    }

    // The base row key (or NULL) followed by every column, for copying into a snapshot.
    QString CopySelect(const QString& where, const QString& order) const
    {
        switch (kind) {
        case Kind::TableRows: {
            QStringList cols{RowKeyOfQ()};
            for (const auto& c : readColumns)
                cols << QStringLiteral("q.") + c;
            return QStringLiteral("SELECT %1 FROM %2 AS q").arg(cols.join(QLatin1Char(',')), readTable)
                   + WhereOrder(where, order.isEmpty() ? RowKeyOfQ() : order) + Limit();
        }
        case Kind::TempRows:
            EnsureTable();
            return QStringLiteral("SELECT q.* FROM %1 AS q").arg(readTable)
                   + WhereOrder(where, order.isEmpty() ? RowKeyOfQ() : order) + Limit();
        case Kind::QueryRows:
            return QStringLiteral("SELECT * FROM (%1) AS q").arg(sql) + WhereOrder(where, order) + Limit();
        case Kind::Plain: {
            // A condition that could not go before the grouping stays out of it.
            const QString rows = !where.isEmpty() && grouped.readsPerRow ? kDialect.Fenced(sql) : sql;
            return QStringLiteral("SELECT NULL, q.* FROM (%1) AS q").arg(rows) + WhereOrder(where, order) + Limit();
        }
        }
        return QString();
    }

    // The statement's parameters, then the criteria's values by their names.
    void BindParams(SqlStatement& s, const std::vector<TVariant>& criteriaValues = {}) const
    {
        for (size_t i = 0; i < params.size(); ++i)
            s.Bind(int(i) + 1, params[i]);
        for (size_t i = 0; i < criteriaValues.size(); ++i) {
            const QByteArray name = kDialect.BoundValue(int(i) + 1).toUtf8();
            if (const int at = sqlite3_bind_parameter_index(s.Get(), name.constData()); at > 0)
                s.Bind(at, criteriaValues[i]);
        }
    }
};

namespace {

// Copies beyond this many cells go to a temporary table: SQLite fills one faster than memory
// grows to hold them, and a small copy is read back faster from memory.
constexpr size_t kCopyCellsInMemory = 1 << 12;

// The statement that puts one copied row into the copy's table: its key, then its cells.
QString CopyInsertSql(const RecordsetSource& copy)
{
    QStringList marks;
    for (qsizetype i = 0; i <= copy.copyNames.size() + 1; ++i)
        marks << QStringLiteral("?%1").arg(i + 1);
    return QStringLiteral("INSERT INTO %1(%2,\"__base_key\"%3%4) VALUES(%5)")
        .arg(copy.readTable, kDialect.RowKey(), copy.copyNames.isEmpty() ? QString() : QStringLiteral(","),
             copy.copyNames.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// Puts the rows of `copy` kept in memory, then the row `select` stands on and the rest it reads,
// into copy's table in one write of the temporary database; the copy is read from that table
// from then on.
void CopyOnInto(RecordsetSource& copy, SqlStatement& select)
{
    Store& store = *copy.store;
    qint64 key = copy.copy->rows;
    const int width = int(copy.copy->width);
    const QString savepoint = QStringLiteral("dao_copy");
    store.Run(kDialect.Savepoint(savepoint));
    try {
        copy.EnsureTable();
        SqlStatement& insert = store.Cached(CopyInsertSql(copy));
        ResetOnExit done{insert};
        // Every row binds every value, so the bindings are not cleared between rows.
        do {
            insert.BindKey(1, ++key);
            for (int c = 0; c < width; ++c)
                sqlite3_bind_value(insert.Get(), c + 2, sqlite3_column_value(select.Get(), c));
            insert.Step();
            sqlite3_reset(insert.Get());
        } while (select.Step());
        store.Run(kDialect.ReleaseSavepoint(savepoint));
    } catch (...) {
        sqlite3_exec(store.Db(), kDialect.RollbackToSavepoint(savepoint).toUtf8().constData(), nullptr, nullptr,
                     nullptr);
        throw;
    }
    copy.copy.reset();
}

std::shared_ptr<RecordsetSource> Materialize(const RecordsetSource& from, const QString& where,
                                             const std::vector<TVariant>& whereValues, const QString& order)
{
    QStringList defs{QStringLiteral("\"__base_key\" INTEGER")};
    QStringList names;
    for (size_t i = 0; i < from.columns.size(); ++i) {
        const FieldDef& d = from.columns[i].def;
        QString n = d.name.isEmpty() ? QStringLiteral("Expr%1").arg(i + 1) : d.name;
        const QString base = n;
        for (int k = 1; names.contains(n, Qt::CaseInsensitive) || n.compare(QLatin1String("__base_key"), Qt::CaseInsensitive) == 0; ++k)
            n = base + QStringLiteral("_%1").arg(k);
        names << n;
        QString type = d.type ? StorageType(d.type) : QString();
        if (IsTextType(d.type))
            type += kDialect.TextColumnCollation();
        defs << QuoteName(n) + QLatin1Char(' ') + type;
    }
    auto src = std::make_shared<RecordsetSource>();
    src->store = from.store;
    src->kind = RecordsetSource::Kind::TempRows;
    src->name = from.name;
    src->copyColumnsSql = defs.join(QLatin1Char(','));
    for (const auto& n : names)
        src->copyNames << QuoteName(n);
    src->columns = from.columns;
    for (size_t i = 0; i < src->columns.size(); ++i) {
        src->columns[i].baseColumn.clear();
        src->columns[i].groupSql.clear();
        src->columns[i].def.attributes &= ~dbUpdatableField;
    }

    const QString copySql = from.CopySelect(where, order);
    Store& store = *from.store;
    // A statement may do much of its work before its first row (a sort, a grouping, a subquery
    // read whole): then rows too many for memory go on from the same statement into a table,
    // which must be there before it starts.
    if (!store.CopiedLarge(copySql) && !store.HasFreeTempTable(src->copyColumnsSql))
        store.GiveBackTempTable(src->copyColumnsSql, store.TakeTempTable(src->copyColumnsSql));
    if (!store.CopiedLarge(copySql)) {
        SqlStatement& select = store.Cached(copySql);
        ResetOnExit reset{select};
        from.BindParams(select, whereValues);
        auto copy = std::make_shared<RowCopy>();
        copy->width = from.columns.size() + 1;
        std::vector<int> types{0};
        for (const auto& c : from.columns)
            types.push_back(c.def.type);
        bool more = select.Step();
        const int beforeFirstRow = sqlite3_stmt_status(select.Get(), SQLITE_STMTSTATUS_VM_STEP, 0);
        for (; more && copy->cells.size() < kCopyCellsInMemory; more = select.Step()) {
            for (size_t c = 0; c < types.size(); ++c)
                copy->cells.push_back(ColumnValue(select.Get(), int(c), types[c]));
            ++copy->rows;
        }
        src->copy = std::move(copy);
        if (!more)
            return src;
        store.NoteLargeCopy(copySql);
        // Work done before the first row (rows put in order, a subquery read whole) is not done
        // again when it outweighs that of the rows read since: the table takes those read so far
        // and the rest as the statement reads on, one by one. Else the engine copies them again
        // in one statement, which is faster. A table kept from before is needed, as making one
        // would stop the statement.
        const int sinceFirstRow = sqlite3_stmt_status(select.Get(), SQLITE_STMTSTATUS_VM_STEP, 0) - beforeFirstRow;
        if (beforeFirstRow > sinceFirstRow && store.HasFreeTempTable(src->copyColumnsSql)) {
            CopyOnInto(*src, select);
            return src;
        }
        src->copy.reset();
    }
    // Many rows: the engine copies them into the table itself.
    src->EnsureTable();
    SqlStatement& insert = store.Cached(QStringLiteral("INSERT INTO %1 ").arg(src->readTable) + copySql);
    ResetOnExit reset{insert};
    from.BindParams(insert, whereValues);
    insert.Step();
    return src;
}

// Whether rows of that source opened as that type are a copy taken when they are first read.
bool CopiesRows(const RecordsetSource& source, int type)
{
    return type == dbOpenSnapshot || source.kind == RecordsetSource::Kind::Plain
           || (type == dbOpenForwardOnly && source.kind != RecordsetSource::Kind::TableRows);
}

std::shared_ptr<RecordsetSource> TableSource(const std::shared_ptr<Store>& store, const TableDefData& table)
{
    auto src = std::make_shared<RecordsetSource>();
    src->store = store;
    src->kind = RecordsetSource::Kind::TableRows;
    src->name = table.name;
    src->baseTable = table.IsSystem() ? QString() : table.name;
    src->readTable = QuoteName(table.name);
    for (const auto& f : table.fields) {
        SourceColumn c;
        c.def = f;
        c.sourceTable = table.name;
        c.sourceField = f.name;
        if (!f.IsCounter() && !table.IsSystem())
            c.baseColumn = f.name;
        src->readColumns << QuoteName(f.name);
        src->columns.push_back(c);
    }
    src->SetRowsFromReadTable();
    return src;
}

}  // namespace

void RecordsetSource::EnsureTable() const
{
    if (kind != Kind::TempRows || temp)
        return;
    auto table = std::make_shared<TempTable>();
    table->store = store;
    table->columnsSql = copyColumnsSql;
    table->name = store->TakeTempTable(copyColumnsSql);
    readTable = kDialect.TempTable(QuoteName(table->name));
    readColumns = copyNames;
    SetRowsFromReadTable();
    temp = table;
    if (!copy)
        return;
    SqlStatement& insert = store->Cached(CopyInsertSql(*this));
    for (qint64 key = 1; key <= copy->rows; ++key) {
        ResetOnExit next{insert};
        insert.BindKey(1, key);
        const TVariant* cells = copy->cells.data() + size_t(key - 1) * copy->width;
        for (size_t c = 0; c < copy->width; ++c)
            insert.Bind(int(c) + 2, cells[c]);
        insert.Step();
    }
}

// ---- opening ------------------------------------------------------------------------------

std::shared_ptr<Recordset> Recordset::OpenTable(const std::shared_ptr<Store>& store, const QString& table, int type,
                                                int options, int lockType)
{
    store->CheckOpen();
    const TableDefData* def = store->FindTableDef(table);
    if (!def)
        Raise(errCannotOpenTable, QCoreApplication::translate("Dao", "The engine cannot find the input table or query '%1'.").arg(table));
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->Init(TableSource(store, *def), type == 0 ? dbOpenTable : type, options, lockType);
    return rs;
}

std::shared_ptr<Recordset> Recordset::OpenStatement(const std::shared_ptr<Store>& store, const jet::Statement& statement,
                                                    const std::vector<TVariant>& parameters, const QString& name,
                                                    int type, int options, int lockType, int maxRecords)
{
    store->CheckOpen();
    if (statement.kind != jet::StatementKind::Select)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: '%1' returns no rows; run it with Execute.").arg(name));
    auto src = std::make_shared<RecordsetSource>();
    src->store = store;
    src->name = name;
    src->params = parameters;
    src->maxRecords = maxRecords;
    const bool keyed = !statement.baseTable.isEmpty() && !statement.keyedSql.isEmpty() && !statement.rowsByKeySql.isEmpty();
    const TableDefData* base = keyed ? store->FindTableDef(statement.baseTable) : nullptr;
    src->kind = keyed ? RecordsetSource::Kind::QueryRows : RecordsetSource::Kind::Plain;
    src->sql = keyed ? statement.keyedSql : statement.sql;
    if (!keyed)
        src->grouped = statement.grouped;
    if (keyed) {
        src->rowsSql = statement.rowsByKeySql;
        src->rowKey = statement.rowKeySql;
    }
    src->baseTable = keyed && base && !base->IsSystem() ? base->name : QString();
    for (const auto& r : statement.columns) {
        SourceColumn c;
        const FieldDef* baseField = base && !r.baseColumn.isEmpty() ? base->FindField(r.baseColumn) : nullptr;
        if (baseField)
            c.def = *baseField;
        c.def.name = r.name;
        c.def.type = r.type;
        c.def.size = r.size;
        if (!r.format.isEmpty())
            c.def.SetProperty(QStringLiteral("Format"), TVariant(r.format));
        c.def.attributes = r.counter ? (dbAutoIncrField | dbFixedField) : (c.def.attributes & ~(dbAutoIncrField | dbUpdatableField));
        if (baseField) {
            c.sourceTable = base->name;
            c.sourceField = baseField->name;
        }
        if (!keyed)
            c.groupSql = r.groupSql;
        if (r.updatable && baseField && !baseField->IsCounter() && !src->baseTable.isEmpty()) {
            c.baseColumn = baseField->name;
            c.def.attributes |= dbUpdatableField;
        }
        src->columns.push_back(c);
    }
    if (src->baseTable.isEmpty())
        for (auto& c : src->columns)
            c.baseColumn.clear();
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->Init(src, type == 0 ? dbOpenDynaset : type, options, lockType);
    return rs;
}

void Recordset::Init(std::shared_ptr<RecordsetSource> source, int type, int options, int lockType)
{
    if (type == dbOpenDynamic)
        Raise(errOperationNotSupported,
              QCoreApplication::translate("Dao", "Dynamic recordsets need an ODBC connection, which this engine does not offer."));
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot && type != dbOpenForwardOnly)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: recordset type %1.").arg(type));
    if (options & dbSQLPassThrough)
        Raise(errOdbcRefused, QCoreApplication::translate("Dao", "ODBC--call failed: pass-through queries need an ODBC connection, which "
                                                                 "this engine does not offer."));
    if (type == dbOpenTable && (source->kind != RecordsetSource::Kind::TableRows))
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a table-type recordset needs a stored table."));
    if (options & dbForwardOnly)
        type = dbOpenForwardOnly;
    if (lockType == dbPessimistic)
        lockEdits_ = true;
    options_ = options;
    type_ = type;
    copyPending_ = CopiesRows(*source, type);
    if (copyPending_) {
        origin_ = source;
        originWhere_ = whereSql_;
        originValues_ = whereValues_;
        originOrder_ = orderSql_;
    }
    source_ = std::move(source);
    forwardOnly_ = type == dbOpenForwardOnly;
    readOnly_ = (options & dbReadOnly) || type == dbOpenSnapshot || forwardOnly_ || copyPending_
                || source_->baseTable.isEmpty() || source_->store->ReadOnly();
    fields_.Clear();
    for (size_t i = 0; i < source_->columns.size(); ++i) {
        const SourceColumn& c = source_->columns[i];
        FieldDef d = c.def;
        if (readOnly_ || c.baseColumn.isEmpty())
            d.attributes &= ~dbUpdatableField;
        else
            d.attributes |= dbUpdatableField;
        auto f = std::make_shared<Field>(d);
        f->BindToRecordset(this, int(i), c.sourceTable, c.sourceField, int(i));
        fields_.Add(std::move(f));
    }
    fields_.SetFrozen(true);
    rowsPending_ = true;
    if (!(options & dbDeferRows)) {
        ReadRows();
        return;
    }
    // A recordset opened only to open others from it may never read its rows; a statement
    // that cannot run fails here all the same (a copy, when the recordsets opened from it run).
    if (!copyPending_)
        source_->store->Cached(KeySql());
}

void Recordset::ReadRows() const
{
    if (!rowsPending_ || !source_)
        return;
    // Recordsets are only ever made non-const; reading the rows is what opening postponed.
    auto* self = const_cast<Recordset*>(this);
    if (copyPending_) {
        self->source_ = Materialize(*source_, whereSql_, whereValues_, orderSql_);
        self->whereSql_.clear();
        self->whereValues_.clear();
        self->orderSql_.clear();
        self->copyPending_ = false;
    }
    self->LoadKeys(0, false);
}

void Recordset::CheckRows() const
{
    CheckOpen();
    ReadRows();
}

Recordset::~Recordset()
{
    try {
        Close();
    } catch (const EDaoError&) {
    }
}

void Recordset::Close()
{
    if (!source_)
        return;
    editMode_ = 0;
    ReleaseLock();
    for (const auto& f : fields_)
        f->Detach();
    keys_.clear();
    rowsPending_ = copyPending_ = false;
    positions_.clear();
    windowValues_.clear();
    windowState_.clear();
    source_.reset();
}

const QString& Recordset::Name() const
{
    CheckOpen();
    return source_->name;
}

void Recordset::CheckOpen() const
{
    if (!source_ || !source_->store->IsOpen())
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
}

// ---- keys and rows ------------------------------------------------------------------------

QString Recordset::KeySql() const
{
    QString order = orderSql_;
    if (type_ == dbOpenTable && !index_.isEmpty()) {
        const TableDefData* t = source_->store->FindTableDef(source_->baseTable.isEmpty() ? source_->name : source_->baseTable);
        const IndexDef* ix = t ? t->FindIndex(index_) : nullptr;
        if (ix) {
            QStringList parts;
            for (const auto& f : ix->fields)
                parts << QStringLiteral("q.") + QuoteName(f.name) + (f.descending ? QStringLiteral(" DESC") : QString());
            parts << RowKeyOfQ();
            order = parts.join(QLatin1Char(','));
        }
    }
    return source_->KeySelect(whereSql_, order);
}

void Recordset::LoadKeys(qint64 keepKey, bool keep)
{
    CheckOpen();
    std::vector<qint64> keys;
    if (source_->InMemory() && whereSql_.isEmpty() && orderSql_.isEmpty()) {
        keys.resize(size_t(source_->copy->rows));
        std::iota(keys.begin(), keys.end(), qint64(1));
    } else {
        SqlStatement& s = source_->store->Cached(KeySql());
        ResetOnExit reset{s};
        source_->BindParams(s, whereValues_);
        while (s.Step())
            keys.push_back(sqlite3_column_int64(s.Get(), 0));
    }
    rowsPending_ = false;
    keys_ = std::move(keys);
    positionsValid_ = false;
    InvalidateCache();
    currentDeleted_ = false;
    const qint64 count = qint64(keys_.size());
    qint64 p = count > 0 ? 0 : -1;
    if (keep) {
        const qint64 found = PositionOfKey(keepKey);
        if (found >= 0)
            p = found;
    }
    pos_ = p;
    seen_ = count > 0 ? std::max<qint64>(1, std::min(count, p + 1)) : 0;
}

qint64 Recordset::PositionOfKey(qint64 key) const
{
    if (!positionsValid_) {
        // Keys in ascending order, as a table's rows come, are searched; any other order is hashed.
        keysAscending_ = std::adjacent_find(keys_.begin(), keys_.end(), std::greater_equal<>()) == keys_.end();
        positions_.clear();
        if (!keysAscending_) {
            positions_.reserve(keys_.size());
            for (size_t i = 0; i < keys_.size(); ++i)
                positions_.emplace(keys_[i], qint64(i));
        }
        positionsValid_ = true;
    }
    if (keysAscending_) {
        const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
        return it != keys_.end() && *it == key ? qint64(it - keys_.begin()) : -1;
    }
    const auto it = positions_.find(key);
    return it == positions_.end() ? -1 : it->second;
}

void Recordset::InvalidateCache() const
{
    windowState_.clear();
    windowValues_.clear();
    windowEpoch_ = 0;
}

void Recordset::FetchWindow(qint64 position) const
{
    Store& store = *source_->store;
    // The look for other users' changes and the rows share one lock of the file.
    const StoreRead read(store);
    store.RefreshCache();
    const size_t columns = source_->columns.size();
    const qint64 count = qint64(keys_.size());
    // Read forward from the row, or backward when moving back over the rows read last.
    const qint64 previousEnd = windowStart_ + qint64(windowState_.size());
    const bool straightOn = !windowState_.empty() && (position == previousEnd || position == windowStart_ - 1);
    windowSize_ = straightOn ? std::min(kLargeWindow, windowSize_ * 2) : kSmallWindow;
    qint64 start = position;
    if (!windowState_.empty() && position < windowStart_ && position >= windowStart_ - windowSize_)
        start = std::max<qint64>(0, position - windowSize_ + 1);
    const qint64 end = std::min(count, start + windowSize_);
    const qint64 n = end - start;
    windowStart_ = start;
    windowState_.assign(size_t(n), 2);
    // The values are written over in place: a slot of a row not found is never read.
    windowValues_.resize(size_t(n) * columns);
    const qint64* slice = keys_.data() + start;
    bool ascending = true;
    for (qint64 i = 1; i < n && ascending; ++i)
        ascending = slice[i] > slice[i - 1];
    // The keys are bound after the statement's own parameters.
    const int firstKey = int(source_->params.size()) + 1;
    auto fill = [&](sqlite3_stmt* stmt, qint64 at) {
        TVariant* row = windowValues_.data() + size_t(at) * columns;
        for (size_t c = 0; c < columns; ++c)
            row[c] = ColumnValue(stmt, int(c) + 1, source_->columns[c].def.type);
        windowState_[size_t(at)] = 1;
    };
    if (ascending && n > 0 && slice[n - 1] - slice[0] < 4 * n) {
        SqlStatement& s = store.Cached(source_->KeyRangeSql());
        ResetOnExit reset{s};
        source_->BindParams(s);
        s.BindKey(firstKey, slice[0]);
        s.BindKey(firstKey + 1, slice[n - 1]);
        qint64 i = 0;
        while (i < n && s.Step()) {
            const qint64 key = sqlite3_column_int64(s.Get(), 0);
            while (i < n && slice[i] < key)
                ++i;
            if (i < n && slice[i] == key)
                fill(s.Get(), i++);
        }
    } else {
        QStringList marks;
        for (int i = 0; i < kInBatch; ++i)
            marks << QStringLiteral("?%1").arg(firstKey + i);
        SqlStatement& s = store.Cached(
            QStringLiteral("%1 WHERE %2 IN (%3)").arg(source_->rowsSql, source_->rowKey, marks.join(QLatin1Char(','))));
        std::unordered_map<qint64, qint64> at;
        for (qint64 from = 0; from < n; from += kInBatch) {
            ResetOnExit reset{s};
            source_->BindParams(s);
            at.clear();
            for (int i = 0; i < kInBatch; ++i) {
                if (from + i < n) {
                    s.BindKey(firstKey + i, slice[from + i]);
                    at.emplace(slice[from + i], from + i);
                } else {
                    s.Bind(firstKey + i, TVariant::Null());
                }
            }
            while (s.Step()) {
                const auto it = at.find(sqlite3_column_int64(s.Get(), 0));
                if (it != at.end())
                    fill(s.Get(), it->second);
            }
        }
    }
    windowEpoch_ = store.Epoch();
}

void Recordset::CheckCurrent() const
{
    CheckRows();
    if (currentDeleted_)
        RecordDeleted();
    if (pos_ < 0 || pos_ >= qint64(keys_.size()))
        NoCurrentRecord();
}

const TVariant* Recordset::CurrentRow() const
{
    if (source_->InMemory() && !currentDeleted_ && pos_ >= 0 && pos_ < qint64(keys_.size()) && source_->store->IsOpen())
        return source_->CopiedRow(keys_[size_t(pos_)]);
    const qint64 offset = pos_ - windowStart_;
    if (!currentDeleted_ && offset >= 0 && offset < qint64(windowState_.size()) && windowState_[size_t(offset)] == 1
        && windowEpoch_ == source_->store->Epoch() && source_->store->IsOpen())
        return windowValues_.data() + size_t(offset) * source_->columns.size();
    CheckCurrent();
    if (windowEpoch_ != source_->store->Epoch() || offset < 0 || offset >= qint64(windowState_.size())
        || windowState_[size_t(offset)] == 0) {
        FetchWindow(pos_);
    }
    const qint64 at = pos_ - windowStart_;
    if (windowState_[size_t(at)] != 1)
        RecordDeleted();
    return windowValues_.data() + size_t(at) * source_->columns.size();
}

const TVariant& Recordset::FieldValue(int column) const
{
    if (!source_)
        CheckOpen();
    if (editMode_ != dbEditNone)
        return editBuffer_[size_t(column)];
    return CurrentRow()[column];
}

int Recordset::FieldSize(int column) const
{
    const TVariant& v = FieldValue(column);
    if (v.IsClear())
        return 0;
    if (v.Type() == TVarType::Bytes)
        return int(v.AsBytes().size());
    return int(v.AsString().size());
}

std::vector<TVariant> Recordset::ReadBaseRow(qint64 key) const
{
    SqlStatement& s =
        source_->store->Cached(QStringLiteral("SELECT * FROM %1 WHERE %2=?1").arg(QuoteName(source_->baseTable), kDialect.RowKey()));
    ResetOnExit reset{s};
    s.BindKey(1, key);
    std::vector<TVariant> row;
    if (s.Step()) {
        const int n = sqlite3_column_count(s.Get());
        for (int c = 0; c < n; ++c)
            row.push_back(ColumnValue(s.Get(), c, 0));
    }
    return row;
}

// ---- moving -------------------------------------------------------------------------------

void Recordset::SetPosition(qint64 position)
{
    const qint64 count = qint64(keys_.size());
    pos_ = std::clamp<qint64>(position, -1, count);
    seen_ = std::max(seen_, std::min(pos_ + 1, count));
    currentDeleted_ = false;
}

void Recordset::LeaveEdit()
{
    if (editMode_ == dbEditNone)
        return;
    editMode_ = dbEditNone;
    editBuffer_.clear();
    assigned_.clear();
    original_.clear();
    ReleaseLock();
}

void Recordset::ReleaseLock()
{
    if (!holdingLock_)
        return;
    holdingLock_ = false;
    if (source_ && source_->store->IsOpen() && source_->store->InTransaction()) {
        // Everything written while the row was held is kept.
        source_->store->Exec(QStringLiteral("COMMIT"));
        source_->store->Touch();
    }
}

void Recordset::CheckScrollable() const
{
    if (forwardOnly_)
        NotSupported(QStringLiteral("a forward-only recordset moves forward only"));
}

bool Recordset::Bof() const
{
    CheckRows();
    return keys_.empty() || pos_ < 0;
}

bool Recordset::Eof() const
{
    CheckRows();
    return keys_.empty() || pos_ >= qint64(keys_.size());
}

void Recordset::MoveFirst()
{
    CheckRows();
    if (forwardOnly_ && pos_ > 0)
        CheckScrollable();
    LeaveEdit();
    if (keys_.empty())
        NoCurrentRecord();
    SetPosition(0);
}

void Recordset::MoveLast()
{
    CheckRows();
    LeaveEdit();
    if (keys_.empty())
        NoCurrentRecord();
    SetPosition(qint64(keys_.size()) - 1);
    seen_ = qint64(keys_.size());
}

void Recordset::MoveNext()
{
    CheckRows();
    LeaveEdit();
    if (Eof())
        NoCurrentRecord();
    SetPosition(currentDeleted_ ? pos_ : pos_ + 1);
}

void Recordset::MovePrevious()
{
    CheckRows();
    CheckScrollable();
    LeaveEdit();
    if (Bof())
        NoCurrentRecord();
    SetPosition(pos_ - 1);
}

void Recordset::Move(int rows, const QByteArray& start)
{
    CheckRows();
    if (rows < 0)
        CheckScrollable();
    qint64 from = pos_;
    if (!start.isEmpty()) {
        from = PositionOfKey(BookmarkToKey(start));
        if (start.size() < 4 || from < 0)
            Raise(errInvalidBookmark, QCoreApplication::translate("Dao", "Not a valid bookmark."));
    } else {
        if ((Bof() && Eof()) || (Eof() && rows >= 0) || (Bof() && rows <= 0))
            NoCurrentRecord();
        if (rows == 0) {
            // Move 0 reads the current row afresh.
            if (currentDeleted_)
                RecordDeleted();
            LeaveEdit();
            InvalidateCache();
            return;
        }
        if (currentDeleted_ && rows > 0)
            --from;
    }
    LeaveEdit();
    SetPosition(from + rows);
}

int Recordset::AbsolutePosition() const
{
    CheckRows();
    if (currentDeleted_ || pos_ < 0 || pos_ >= qint64(keys_.size()))
        return -1;
    return int(pos_);
}

void Recordset::SetAbsolutePosition(int position)
{
    CheckRows();
    CheckScrollable();
    if (position < 0 || position >= int(keys_.size()))
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: position %1.").arg(position));
    LeaveEdit();
    SetPosition(position);
}

double Recordset::PercentPosition() const
{
    CheckRows();
    if (keys_.empty() || pos_ < 0)
        return 0;
    if (pos_ >= qint64(keys_.size()))
        return 100;
    return double(pos_) * 100.0 / double(keys_.size());
}

void Recordset::SetPercentPosition(double percent)
{
    CheckRows();
    CheckScrollable();
    if (percent < 0 || percent > 100)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: percent position %1.").arg(percent));
    if (keys_.empty())
        return;
    LeaveEdit();
    const qint64 count = qint64(keys_.size());
    SetPosition(std::clamp<qint64>(qint64(percent * double(count) / 100.0 + 0.5), 0, count - 1));
}

int Recordset::RecordCount() const
{
    CheckRows();
    if (type_ == dbOpenTable)
        return int(keys_.size());
    return int(std::min<qint64>(seen_, qint64(keys_.size())));
}

bool Recordset::Bookmarkable() const
{
    CheckOpen();
    return !forwardOnly_;
}

QByteArray Recordset::Bookmark() const { return KeyToBookmark(CurrentKey()); }

qint64 Recordset::CurrentKey() const
{
    CheckRows();
    if (forwardOnly_)
        NotSupported(QStringLiteral("a forward-only recordset has no bookmarks"));
    CheckCurrent();
    return keys_[size_t(pos_)];
}

void Recordset::SetBookmark(const QByteArray& bookmark)
{
    CheckRows();
    if (forwardOnly_)
        NotSupported(QStringLiteral("a forward-only recordset has no bookmarks"));
    const qint64 p = bookmark.size() >= 4 ? PositionOfKey(BookmarkToKey(bookmark)) : -1;
    if (p < 0)
        Raise(errInvalidBookmark, QCoreApplication::translate("Dao", "Not a valid bookmark."));
    LeaveEdit();
    SetPosition(p);
}

QByteArray Recordset::LastModified() const
{
    CheckOpen();
    return lastModified_;
}

std::shared_ptr<Recordset> Recordset::Clone()
{
    CheckRows();
    if (forwardOnly_)
        NotSupported(QStringLiteral("a forward-only recordset cannot be cloned"));
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->source_ = source_;
    rs->origin_ = origin_;
    rs->originWhere_ = originWhere_;
    rs->originValues_ = originValues_;
    rs->originOrder_ = originOrder_;
    rs->parameterSource_ = parameterSource_;
    rs->type_ = type_;
    rs->options_ = options_;
    rs->readOnly_ = readOnly_;
    rs->lockEdits_ = lockEdits_;
    rs->whereSql_ = whereSql_;
    rs->whereValues_ = whereValues_;
    rs->orderSql_ = orderSql_;
    rs->filter_ = filter_;
    rs->sort_ = sort_;
    rs->index_ = index_;
    rs->keys_ = keys_;
    rs->pos_ = -1;
    rs->seen_ = seen_;
    for (int i = 0; i < fields_.Count(); ++i) {
        const auto& src = fields_.Item(i);
        auto f = std::make_shared<Field>(src->Def());
        f->BindToRecordset(rs.get(), i, src->SourceTable(), src->SourceField(), i);
        rs->fields_.Add(std::move(f));
    }
    rs->fields_.SetFrozen(true);
    return rs;
}

// ---- index and seek -----------------------------------------------------------------------

void Recordset::SetIndex(const QString& index)
{
    CheckOpen();
    if (type_ != dbOpenTable)
        NotSupported(QStringLiteral("only a table-type recordset has an index"));
    LeaveEdit();
    if (index.isEmpty()) {
        index_.clear();
    } else {
        const TableDefData* t = source_->store->FindTableDef(source_->name);
        const IndexDef* ix = t ? t->FindIndex(index) : nullptr;
        if (!ix)
            Raise(errNotIndexOfTable, QCoreApplication::translate("Dao", "'%1' is not an index in this table.").arg(index));
        index_ = ix->name;
    }
    LoadKeys(0, false);
}

void Recordset::Seek(const QString& comparison, const std::vector<TVariant>& keys)
{
    CheckRows();
    if (type_ != dbOpenTable)
        NotSupported(QStringLiteral("Seek needs a table-type recordset"));
    if (index_.isEmpty())
        Raise(errNoIndex, QCoreApplication::translate("Dao", "Operation invalid without a current index."));
    const QString op = comparison.trimmed();
    static const QStringList ops{QStringLiteral("="), QStringLiteral(">="), QStringLiteral(">"), QStringLiteral("<="),
                                 QStringLiteral("<")};
    if (!ops.contains(op))
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: Seek comparison '%1'.").arg(comparison));
    const TableDefData* t = source_->store->FindTableDef(source_->name);
    const IndexDef* ix = t ? t->FindIndex(index_) : nullptr;
    if (!ix)
        Raise(errNotIndexOfTable, QCoreApplication::translate("Dao", "'%1' is not an index in this table.").arg(index_));
    if (keys.empty() || keys.size() > 13 || keys.size() > ix->fields.size())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: Seek takes 1 to %1 key values.")
                                      .arg(std::min<size_t>(13, ix->fields.size())));
    LeaveEdit();
    const size_t n = keys.size();
    std::vector<TVariant> values;
    std::vector<QString> cols;
    std::vector<bool> desc;
    for (size_t i = 0; i < n; ++i) {
        const FieldDef* f = t->FindField(ix->fields[i].name);
        values.push_back(CoerceToField(keys[i], f ? f->type : 0));
        cols.push_back(QStringLiteral("q.") + QuoteName(ix->fields[i].name));
        desc.push_back(ix->fields[i].descending);
    }
    auto param = [](size_t i) { return QStringLiteral("?%1").arg(i + 1); };
    const bool forward = op.startsWith(QLatin1Char('>')) || op == QLatin1String("=");
    QString where;
    if (op == QLatin1String("=")) {
        QStringList parts;
        for (size_t i = 0; i < n; ++i)
            parts << cols[i] + QStringLiteral(" IS ") + param(i);
        where = parts.join(QStringLiteral(" AND "));
    } else {
        QStringList alternatives;
        for (size_t i = 0; i < n; ++i) {
            QStringList parts;
            for (size_t j = 0; j < i; ++j)
                parts << cols[j] + QStringLiteral(" IS ") + param(j);
            const bool greater = forward != desc[i];
            parts << cols[i] + (greater ? QStringLiteral(" > ") : QStringLiteral(" < ")) + param(i);
            alternatives << QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        }
        if (op.endsWith(QLatin1Char('='))) {
            QStringList parts;
            for (size_t i = 0; i < n; ++i)
                parts << cols[i] + QStringLiteral(" IS ") + param(i);
            alternatives << QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        }
        where = alternatives.join(QStringLiteral(" OR "));
    }
    QStringList order;
    for (const auto& f : ix->fields) {
        const bool d = f.descending != !forward;
        order << QStringLiteral("q.") + QuoteName(f.name) + (d ? QStringLiteral(" DESC") : QString());
    }
    order << (forward ? RowKeyOfQ() : RowKeyOfQ() + QStringLiteral(" DESC"));
    SqlStatement s(source_->store->Db(), QStringLiteral("SELECT %1 FROM %2 AS q WHERE %3 ORDER BY %4%5")
                                             .arg(RowKeyOfQ(), source_->readTable, where, order.join(QLatin1Char(',')),
                                                  kDialect.Limit(1)));
    for (size_t i = 0; i < n; ++i)
        s.Bind(int(i) + 1, values[i]);
    const bool found = s.Step();
    const qint64 key = found ? sqlite3_column_int64(s.Get(), 0) : 0;
    s.Reset();
    noMatch_ = !found;
    if (!found)
        return;
    qint64 p = PositionOfKey(key);
    if (p < 0) {
        // Added by another user since the keys were read.
        LoadKeys(key, true);
        p = PositionOfKey(key);
    }
    if (p < 0) {
        noMatch_ = true;
        return;
    }
    SetPosition(p);
}

// ---- finding, filter, sort ----------------------------------------------------------------

jet::BoundCriteria Recordset::CriteriaSql(const QString& criteria) const
{
    return jet::TranslateBoundCriteria(criteria, source_->ResultColumns(), int(whereValues_.size()) + 1);
}

std::vector<TVariant> Recordset::WhereValuesAnd(const std::vector<TVariant>& more) const
{
    std::vector<TVariant> values = whereValues_;
    values.insert(values.end(), more.begin(), more.end());
    return values;
}

QString Recordset::SortSql(const QString& sort) const
{
    return jet::TranslateSort(sort, source_->ResultColumns());
}

void Recordset::Find(const QString& criteria, int direction, bool fromStart)
{
    CheckRows();
    CheckScrollable();
    const jet::BoundCriteria expr = CriteriaSql(criteria);
    std::unordered_set<qint64> matching;
    {
        SqlStatement& s = source_->store->Cached(source_->KeySelect(And(whereSql_, expr.sql), QString()));
        ResetOnExit reset{s};
        source_->BindParams(s, WhereValuesAnd(expr.values));
        while (s.Step())
            matching.insert(sqlite3_column_int64(s.Get(), 0));
    }
    const qint64 count = qint64(keys_.size());
    qint64 p;
    if (fromStart)
        p = direction > 0 ? 0 : count - 1;
    else if (direction > 0)
        p = pos_ < 0 ? 0 : (currentDeleted_ ? pos_ : pos_ + 1);
    else
        p = pos_ >= count ? count - 1 : pos_ - 1;
    qint64 found = -1;
    if (matching.size() <= kFewMatches) {
        // A few rows match: their positions are looked up instead of every row's key.
        for (const qint64 key : matching) {
            const qint64 at = PositionOfKey(key);
            if (at >= 0 && (direction > 0 ? at >= p : at <= p) && (found < 0 || (direction > 0 ? at < found : at > found)))
                found = at;
        }
    } else {
        for (; p >= 0 && p < count && found < 0; p += direction)
            if (matching.count(keys_[size_t(p)]))
                found = p;
    }
    if (found >= 0) {
        LeaveEdit();
        SetPosition(found);
        noMatch_ = false;
        return;
    }
    noMatch_ = true;
}

void Recordset::FindFirst(const QString& criteria) { Find(criteria, 1, true); }
void Recordset::FindLast(const QString& criteria) { Find(criteria, -1, true); }
void Recordset::FindNext(const QString& criteria) { Find(criteria, 1, false); }
void Recordset::FindPrevious(const QString& criteria) { Find(criteria, -1, false); }

void Recordset::SetFilter(const QString& filter)
{
    CheckOpen();
    filter_ = filter;
}

void Recordset::SetSort(const QString& sort)
{
    CheckOpen();
    sort_ = sort;
}

std::shared_ptr<Recordset> Recordset::OpenRecordset(int type, int options)
{
    CheckOpen();
    if (type == 0)
        type = type_ == dbOpenTable ? dbOpenDynaset : type_;
    if (type == dbOpenTable)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a table-type recordset opens from a table only."));
    // Rows not read yet are filtered where they come from, unless a copy must stand between.
    if (copyPending_ && !CopiesRows(*source_, (options & dbForwardOnly) ? dbOpenForwardOnly : type))
        ReadRows();
    std::shared_ptr<RecordsetSource> source = source_;
    jet::BoundCriteria filter = filter_.trimmed().isEmpty() ? jet::BoundCriteria{} : CriteriaSql(filter_);
    QString where = And(whereSql_, filter.sql);
    // A filter on what a grouped statement groups by picks its rows before they are grouped, so
    // that the statement reads only those through its indexes.
    if (!filter.sql.isEmpty() && copyPending_ && source_->grouped.IsGrouped()) {
        if (auto before = jet::TranslateGroupCriteria(filter_, source_->ResultColumns(), int(whereValues_.size()) + 1)) {
            source = std::make_shared<RecordsetSource>(*source_);
            source->grouped = source_->grouped.Filtered(before->sql);
            source->sql = source->grouped.Sql();
            filter = std::move(*before);
            where = whereSql_;
        }
    }
    QString order = sort_.trimmed().isEmpty() ? orderSql_ : SortSql(sort_);
    if (order.isEmpty() && type_ == dbOpenTable && !index_.isEmpty()) {
        const QString keySql = KeySql();
        const int at = keySql.indexOf(QLatin1String(" ORDER BY "));
        if (at >= 0)
            order = keySql.mid(at + 10);
    }
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->whereSql_ = where;
    rs->whereValues_ = WhereValuesAnd(filter.values);
    rs->orderSql_ = order;
    rs->lockEdits_ = lockEdits_;
    rs->Init(source, type, options | (options_ & dbReadOnly), lockEdits_ ? dbPessimistic : dbOptimistic);
    return rs;
}

void Recordset::Requery()
{
    CheckOpen();
    LeaveEdit();
    source_->store->RefreshCache();
    std::optional<std::vector<TVariant>> values;
    if (parameterSource_)
        values = parameterSource_();
    if (copyPending_) {
        // Not copied yet: the copy, when it is taken, runs with the new values.
        if (values) {
            auto fresh = std::make_shared<RecordsetSource>(*source_);
            fresh->params = *values;
            source_ = origin_ = fresh;
        }
        return;
    }
    if (origin_) {
        if (values) {
            auto fresh = std::make_shared<RecordsetSource>(*origin_);
            fresh->params = *values;
            origin_ = fresh;
        }
        source_ = Materialize(*origin_, originWhere_, originValues_, originOrder_);
    } else if (values) {
        auto fresh = std::make_shared<RecordsetSource>(*source_);
        fresh->params = *values;
        source_ = fresh;
    }
    if (!rowsPending_)
        LoadKeys(0, false);
}

bool Recordset::Restartable() const
{
    CheckOpen();
    return type_ != dbOpenTable;
}

bool Recordset::Updatable() const
{
    CheckOpen();
    return !readOnly_;
}

dao::Fields& Recordset::Fields()
{
    CheckOpen();
    return fields_;
}

TVariant Recordset::DateCreated() const
{
    CheckOpen();
    const TableDefData* t = type_ == dbOpenTable ? source_->store->FindTableDef(source_->name) : nullptr;
    return t && t->dateCreated > 0 ? TVariant::FromDate(t->dateCreated) : TVariant::Null();
}

TVariant Recordset::LastUpdated() const
{
    CheckOpen();
    const TableDefData* t = type_ == dbOpenTable ? source_->store->FindTableDef(source_->name) : nullptr;
    return t && t->lastUpdated > 0 ? TVariant::FromDate(t->lastUpdated) : TVariant::Null();
}

// ---- editing ------------------------------------------------------------------------------

void Recordset::SetLockEdits(bool lock)
{
    CheckOpen();
    if (editMode_ != dbEditNone)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: LockEdits cannot change during an edit."));
    lockEdits_ = lock;
}

void Recordset::Edit()
{
    CheckRows();
    if (readOnly_)
        Raise(errNotUpdatable, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    CheckCurrent();
    LeaveEdit();
    Store& store = *source_->store;
    store.LeaveSharedRead();
    if (lockEdits_ && !store.InTransaction()) {
        store.Exec(kDialect.BeginWrite());
        holdingLock_ = true;
    }
    try {
        const qint64 key = keys_[size_t(pos_)];
        store.RefreshCache();
        std::vector<TVariant> original = ReadBaseRow(key);
        if (original.empty())
            RecordDeleted();
        InvalidateCache();
        const TVariant* row = CurrentRow();
        editBuffer_.assign(row, row + source_->columns.size());
        assigned_.assign(source_->columns.size(), false);
        original_ = std::move(original);
        editKey_ = key;
        editMode_ = dbEditInProgress;
        begunKey_ = key;
        begunOriginal_ = original_;
    } catch (...) {
        ReleaseLock();
        throw;
    }
}

void Recordset::ResumeEdit()
{
    const bool sameRow = begunKey_ != 0 && pos_ >= 0 && pos_ < qint64(keys_.size()) && keys_[size_t(pos_)] == begunKey_;
    std::vector<TVariant> begun = sameRow ? begunOriginal_ : std::vector<TVariant>();
    Edit();
    if (sameRow) {
        original_ = begun;
        begunOriginal_ = std::move(begun);
    }
}

void Recordset::AddNew()
{
    CheckRows();
    if (readOnly_)
        Raise(errNotUpdatable, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    LeaveEdit();
    const size_t n = source_->columns.size();
    editBuffer_.assign(n, TVariant::Null());
    assigned_.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        const FieldDef& d = source_->columns[i].def;
        if (d.IsCounter() || source_->columns[i].baseColumn.isEmpty())
            continue;
        const TVariant v = EvaluateDefault(d.defaultValue, d.type);
        if (!v.IsEmpty())
            editBuffer_[i] = v;
        else if (d.type == dbBoolean)
            editBuffer_[i] = TVariant(false);
    }
    editKey_ = 0;
    editMode_ = dbEditAdd;
}

void Recordset::SetFieldValue(int column, const TVariant& value)
{
    CheckOpen();
    if (editMode_ == dbEditNone)
        Raise(errUpdateWithoutEdit, QCoreApplication::translate("Dao", "Update or CancelUpdate without AddNew or Edit."));
    const SourceColumn& c = source_->columns[size_t(column)];
    if (c.baseColumn.isEmpty())
        throw EDaoError(errFieldNotUpdatable, QCoreApplication::translate("Dao", "Field '%1' cannot be updated.").arg(c.def.name),
                        QStringLiteral("DAO.Field"));
    TVariant v = CoerceToField(value, c.def.type);
    if (c.def.type == dbBoolean && v.IsNull())
        v = TVariant(false);
    if ((c.def.type == dbText || c.def.type == dbChar) && c.def.size > 0 && v.IsText() && v.AsString().size() > c.def.size)
        throw EDaoError(errFieldTooLong, QCoreApplication::translate("Dao", "The field '%1' is too small to accept the amount of data you "
                                                                            "attempted to add.").arg(c.def.name),
                        QStringLiteral("DAO.Field"));
    editBuffer_[size_t(column)] = v;
    assigned_[size_t(column)] = true;
}

namespace {

void CheckRequired(const TableDefData& table, const QString& column, const TVariant& value)
{
    const FieldDef* f = table.FindField(column);
    if (f && f->required && value.IsClear())
        Raise(errRequired, QCoreApplication::translate("Dao", "The field '%1.%2' cannot contain a Null value because the Required property "
                                                              "for this field is set to True. Enter a value in this field.")
                               .arg(table.name, f->name));
    if (f && IsTextType(f->type) && !f->allowZeroLength && value.IsText() && value.AsString().isEmpty())
        Raise(errZeroLength, QCoreApplication::translate("Dao", "Field '%1.%2' cannot be a zero-length string.").arg(table.name, f->name));
    for (const auto& ix : table.indexes)
        if (ix.primary && value.IsClear())
            for (const auto& ixf : ix.fields)
                if (ixf.name.compare(column, Qt::CaseInsensitive) == 0 && f && !f->IsCounter())
                    Raise(3058, QCoreApplication::translate("Dao", "Index or primary key cannot contain a Null value."));
}

bool InPrimaryKey(const TableDefData& table, const QString& column)
{
    for (const auto& ix : table.indexes)
        if (ix.primary)
            for (const auto& ixf : ix.fields)
                if (ixf.name.compare(column, Qt::CaseInsensitive) == 0)
                    return true;
    return false;
}

// The catalogue entry of the table the recordset writes to.
const TableDefData& BaseTable(const Store& store, const QString& name)
{
    const TableDefData* table = store.FindTableDef(name);
    if (!table)
        Raise(errCannotOpenTable, QCoreApplication::translate("Dao", "The engine cannot find the table '%1'.").arg(name));
    return *table;
}

}  // namespace

// How rows with the same fields given are added: the statement, and the checks in the order
// of the table's fields (a given column's value, or a required field left without a default).
struct InsertPlan {
    quint64 generation = 0;
    std::vector<bool> included;  // the columns the statement writes
    std::vector<bool> assigned;  // the columns given a value
    QString sql;
    struct Check {
        size_t column = 0;  // a given column whose value is checked
        QString missing;    // or, when set, a field that gets no value at all
    };
    std::vector<Check> checks;
};

void Recordset::Insert()
{
    Store& store = *source_->store;
    const TableDefData* table = &BaseTable(store, source_->baseTable);
    std::vector<bool> included(source_->columns.size(), false);
    for (size_t i = 0; i < source_->columns.size(); ++i) {
        const SourceColumn& c = source_->columns[i];
        // A new GUID made by the default goes in as it was shown.
        const bool madeGuid = c.def.type == dbGUID && c.def.defaultValue.contains(QLatin1String("gen"), Qt::CaseInsensitive)
                              && !editBuffer_[i].IsClear();
        included[i] = !c.baseColumn.isEmpty() && (assigned_[i] || madeGuid);
    }
    if (!insertPlan_ || insertPlan_->generation != store.CatalogGeneration() || insertPlan_->included != included
        || insertPlan_->assigned != assigned_) {
        auto plan = std::make_shared<InsertPlan>();
        plan->generation = store.CatalogGeneration();
        plan->included = included;
        plan->assigned = assigned_;
        QStringList names;
        QStringList marks;
        for (size_t i = 0; i < source_->columns.size(); ++i) {
            if (!included[i])
                continue;
            names << QuoteName(source_->columns[i].baseColumn);
            marks << QStringLiteral("?%1").arg(marks.size() + 1);
        }
        // Fields left alone get their default; a required one without default must be given.
        for (const auto& f : table->fields) {
            if (f.IsCounter())
                continue;
            bool given = false;
            for (size_t i = 0; i < source_->columns.size(); ++i)
                if (assigned_[i] && source_->columns[i].baseColumn.compare(f.name, Qt::CaseInsensitive) == 0) {
                    plan->checks.push_back({i, QString()});
                    given = true;
                }
            // A default is worked out only where a rule wants a value (Now() is dear).
            if (!given && f.type != dbBoolean && (f.required || InPrimaryKey(*table, f.name))
                && EvaluateDefault(f.defaultValue, f.type).IsClear())
                plan->checks.push_back({0, f.name});
        }
        plan->sql = names.isEmpty()
                        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteName(table->name))
                        : QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                              .arg(QuoteName(table->name), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        insertPlan_ = std::move(plan);
    }
    const InsertPlan& plan = *insertPlan_;
    for (const auto& check : plan.checks) {
        if (check.missing.isEmpty())
            CheckRequired(*table, source_->columns[check.column].baseColumn, editBuffer_[check.column]);
        else
            CheckRequired(*table, check.missing, TVariant::Null());
    }
    const QString& sql = plan.sql;
    std::vector<TVariant> values;
    for (size_t i = 0; i < source_->columns.size(); ++i)
        if (included[i])
            values.push_back(editBuffer_[i]);
    qint64 key = 0;
    WriteStatement(store, [&] {
        SqlStatement& s = store.Cached(sql);
        ResetOnExit reset{s};
        for (size_t i = 0; i < values.size(); ++i)
            s.Bind(int(i) + 1, values[i]);
        s.Step();
        key = kDialect.LastInsertedKey(store.Db());
    });
    lastModified_ = KeyToBookmark(key);
    if (type_ == dbOpenTable && !index_.isEmpty()) {
        const qint64 current = pos_ >= 0 && pos_ < qint64(keys_.size()) ? keys_[size_t(pos_)] : 0;
        const qint64 keepSeen = seen_;
        LoadKeys(current, current != 0);
        seen_ = keepSeen + 1;
    } else {
        const bool after = keys_.empty() || keys_.back() < key;
        keys_.push_back(key);
        if (positionsValid_ && keysAscending_)
            positionsValid_ = after;
        else if (positionsValid_)
            positions_.emplace(key, qint64(keys_.size()) - 1);
        ++seen_;
    }
    InvalidateCache();
}

void Recordset::Rewrite()
{
    Store& store = *source_->store;
    const TableDefData* table = &BaseTable(store, source_->baseTable);
    QStringList sets;
    std::vector<TVariant> values;
    for (size_t i = 0; i < source_->columns.size(); ++i) {
        const SourceColumn& c = source_->columns[i];
        if (c.baseColumn.isEmpty() || !assigned_[i])
            continue;
        CheckRequired(*table, c.baseColumn, editBuffer_[i]);
        values.push_back(editBuffer_[i]);
        sets << QStringLiteral("%1=?%2").arg(QuoteName(c.baseColumn)).arg(values.size());
    }
    WriteAtOnce(store, [&] {
        const std::vector<TVariant> now = ReadBaseRow(editKey_);
        if (now.empty())
            RecordDeleted();
        if (now != original_)
            Raise(errWriteConflict, QCoreApplication::translate("Dao", "The record was changed by another user since you began editing it; "
                                                                       "your changes were not saved. Read the record again and repeat them."));
        if (!sets.isEmpty()) {
            SqlStatement& s = store.Cached(QStringLiteral("UPDATE %1 SET %2 WHERE %3=?%4")
                                               .arg(QuoteName(table->name), sets.join(QLatin1Char(',')), kDialect.RowKey())
                                               .arg(values.size() + 1));
            ResetOnExit reset{s};
            for (size_t i = 0; i < values.size(); ++i)
                s.Bind(int(i) + 1, values[i]);
            s.BindKey(int(values.size()) + 1, editKey_);
            s.Step();
        }
    });
    lastModified_ = KeyToBookmark(editKey_);
    InvalidateCache();
}

void Recordset::Update()
{
    CheckOpen();
    if (editMode_ == dbEditNone)
        Raise(errUpdateWithoutEdit, QCoreApplication::translate("Dao", "Update or CancelUpdate without AddNew or Edit."));
    if (editMode_ == dbEditAdd)
        Insert();
    else
        Rewrite();
    begunKey_ = 0;
    begunOriginal_.clear();
    editMode_ = dbEditNone;
    editBuffer_.clear();
    assigned_.clear();
    original_.clear();
    ReleaseLock();
}

void Recordset::CancelUpdate()
{
    CheckOpen();
    if (editMode_ == dbEditNone)
        Raise(errUpdateWithoutEdit, QCoreApplication::translate("Dao", "Update or CancelUpdate without AddNew or Edit."));
    LeaveEdit();
}

void Recordset::Delete()
{
    CheckRows();
    if (readOnly_)
        Raise(errNotUpdatable, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    CheckCurrent();
    LeaveEdit();
    Store& store = *source_->store;
    const qint64 key = keys_[size_t(pos_)];
    WriteAtOnce(store, [&] {
        SqlStatement& s = store.Cached(
            QStringLiteral("DELETE FROM %1 WHERE %2=?1").arg(QuoteName(source_->baseTable), kDialect.RowKey()));
        ResetOnExit reset{s};
        s.BindKey(1, key);
        s.Step();
        if (sqlite3_changes(store.Db()) == 0)
            RecordDeleted();
    });
    keys_.erase(keys_.begin() + pos_);
    // Ascending keys stay ascending; hashed positions after the row moved.
    positionsValid_ = positionsValid_ && keysAscending_;
    InvalidateCache();
    if (seen_ > pos_)
        --seen_;
    currentDeleted_ = true;
}

}  // namespace dao
