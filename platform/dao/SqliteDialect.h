#pragma once
// Every way SQLite differs from Jet, gathered in one place: the translator asks this object
// for each piece of SQL whose spelling depends on the engine, so another engine can stand
// behind the same translator with another dialect object of the same shape.
//
// SQLite, as the engine stores Jet values (see JetSql.h):
//  - identifiers are quoted with double quotes, a double quote inside doubled; names are
//    emitted as the catalogue spells them, the translator having resolved them without case;
//  - True and False are -1 and 0; a comparison yields 1 or 0, so where Jet would hand the
//    truth value on as data it is negated into -1 / 0;
//  - a date literal is its REAL day number; a GUID literal is a blob of the 16 bytes in the
//    order the GUID structure lies in memory (the first three groups little-endian);
//  - text compares under the JETTEXT collation; a text column is declared with it, any other
//    text comparison or ordering names it explicitly;
//  - '/' divides integers as integers and '+' never joins text, so both are spelled out; LIKE
//    knows neither Jet's wildcards nor case beyond ASCII, so it is the registered jet_like;
//  - Jet functions without an SQLite counterpart are registered functions named jet_*
//    (JetFunctions); aggregates map to SQLite's own, IIf to CASE and Nz to COALESCE.

#include <QString>
#include <QStringList>

#include <vector>

struct sqlite3;

namespace jet {

// The registered SQL functions, by the name the dialect emits and JetFunctions registers.
namespace sqlfn {
inline constexpr const char* kFormat = "jet_format";        // (value [, format [, dow [, woy]]])
inline constexpr const char* kDateValue = "jet_datevalue";  // (text) day first -> day number
inline constexpr const char* kLike = "jet_like";            // (value, pattern) -> 1 / 0 / NULL
inline constexpr const char* kLCase = "jet_lcase";
inline constexpr const char* kUCase = "jet_ucase";
inline constexpr const char* kNow = "jet_now";
inline constexpr const char* kDate = "jet_date";
inline constexpr const char* kYear = "jet_year";
inline constexpr const char* kMonth = "jet_month";
inline constexpr const char* kDay = "jet_day";
inline constexpr const char* kDivide = "jet_div";         // floating division, error on zero
inline constexpr const char* kIntDivide = "jet_intdiv";   // '\': operands rounded, quotient truncated
inline constexpr const char* kModulo = "jet_mod";         // Mod: operands rounded
inline constexpr const char* kPower = "jet_pow";
inline constexpr const char* kConcat = "jet_concat";      // '&': Null only when both are Null
inline constexpr const char* kToNumber = "jet_num";       // text that looks like a number, as one
}  // namespace sqlfn

class SqliteDialect {
public:
    // "name" with inner double quotes doubled.
    QString QuoteIdentifier(const QString& name) const;
    // 'text' with inner single quotes doubled; a NUL in it is made by char(0) in parentheses.
    QString TextLiteral(const QString& text) const;
    QString BooleanLiteral(bool value) const;
    QString IntegerLiteral(qint64 value) const;
    QString FloatLiteral(double value) const;
    QString DateLiteral(double dayNumber) const;
    // The blob of a GUID written "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
    QString GuidLiteral(const QString& braced) const;
    QString NullLiteral() const { return QStringLiteral("NULL"); }
    // The named parameter that carries the n-th bound value of a criteria (":c<n>").
    QString BoundValue(int number) const;

    // The expression compared and ordered as Jet compares text.
    QString WithTextCollation(const QString& sql) const;
    // A truth value handed on as Jet data: -1, 0 or Null.
    QString TruthAsValue(const QString& condition) const;
    // A Jet value tested as a condition where SQLite could not take it as one.
    QString ValueAsTruth(const QString& value) const;
    QString Like(const QString& value, const QString& pattern) const;
    QString Concat(const QString& left, const QString& right) const;
    QString AddText(const QString& left, const QString& right) const;
    // Division by a constant other than zero needs no guard.
    QString Divide(const QString& left, const QString& right, bool rightIsNonZeroConstant) const;
    QString IntDivide(const QString& left, const QString& right) const;
    QString Modulo(const QString& left, const QString& right) const;
    QString Power(const QString& left, const QString& right) const;
    QString ToNumber(const QString& sql) const;
    QString Conditional(const QString& condition, const QString& whenTrue, const QString& whenFalse) const;
    QString Coalesce(const QString& value, const QString& fallback) const;
    QString Call(const char* function, const QStringList& args) const;
    // The aggregate SQLite spells for a Jet aggregate name (Sum, Avg, Count, Max, Min); empty when none.
    QString Aggregate(const QString& jetName) const;
    // The engine's own key of a source's rows ("q.rowid"); unqualified for an empty name. A
    // counter column is this key; recordsets read and write rows by it.
    QString RowKey(const QString& quotedSource = QString()) const;
    // The key the engine gave the row the connection added last.
    qint64 LastInsertedKey(sqlite3* db) const;
    // " LIMIT n" after a SELECT, keeping its first n rows.
    QString Limit(qint64 rows) const;
    // The SELECT as a subquery that SQLite reads as it stands: a condition over its rows is not
    // pushed into it (into a grouping's HAVING, where an aggregate that reads another query for
    // each row would read it once more).
    QString Fenced(const QString& select) const;

    // --- columns and tables --------------------------------------------------------------------
    // Follows a text column's type: the column compares and sorts as Jet compares text.
    QString TextColumnCollation() const;
    // Follows a counter column's type: the column is the row key, and its values are never
    // handed out twice, not even after the highest row was deleted.
    QString CounterColumn() const;
    // The name of a temporary table (one the connection alone sees) of that quoted name.
    QString TempTable(const QString& quotedName) const;
    QString CreateTempTable(const QString& quotedName, const QString& columnsSql) const;
    // Names the engine keeps for its own objects; no table of the program may take one.
    bool IsEngineName(const QString& name) const;

    // --- the planner's statistics ---------------------------------------------------------------
    // Makes the engine's table of what its planner assumes of indexes, measuring nothing, when
    // the file has none; the planner reads it when a connection opens.
    QString PlannerStatisticsTable() const;
    // Drop and add the figures of one index: ?1 its table, ?2 the index as the engine names it,
    // ?3 (adding) IndexStatisticsText.
    QString ClearIndexStatistics() const;
    QString AddIndexStatistics() const;
    // The table's rows, then the rows that one value of each leading run of the index's fields
    // picks on average.
    QString IndexStatisticsText(qint64 rows, const std::vector<qint64>& rowsPerValue) const;

    // --- catalogues -----------------------------------------------------------------------------
    // The statements that make the tables of the program's own catalogue (tables, fields, their
    // properties, indexes, saved queries, the file's settings) in a new file; names compare
    // without case.
    QString CatalogueSchema() const;

    // --- the engine's own catalogue --------------------------------------------------------------
    // The tables of the file, the engine's own left out, as rows (name, create statement) in the
    // order they were made.
    QString TableListQuery() const;
    // One row, one count: 1 when the file has a table of that name.
    QString TableExistsQuery(const QString& name) const;
    // The columns of a table, a row each: name at 1, declared type at 2, key flag at 5.
    QString ColumnListQuery(const QString& table) const;
    // The create statement of a table (as TableListQuery gives it) declares a counter column.
    bool DeclaresCounter(const QString& createSql) const;
    // A table's counter kept apart from its rows: ?1 the table's name; one row, the highest value
    // handed out, when the table has one.
    QString CounterQuery() const;
    // Raises a table's kept counter to ?2 (never lowers it): ?1 the table's name. Changes
    // nothing when the table has no kept counter yet.
    QString RaiseCounterStatement() const;
    // Keeps ?2 as the counter of table ?1.
    QString InsertCounterStatement() const;
    // One row, one number that changes whenever another connection committed a change.
    QString DataVersionQuery() const;

    // --- connections and transactions -----------------------------------------------------------
    // Settings every connection of the store gets: rows read twice when a dynaset opens (keys,
    // then rows) come from mapped pages the second time; temporary tables stay in memory.
    QString ConnectionSettings() const;
    // How long any connection, opening or writing, waits for another connection's lock before
    // it gives up with "locked".
    int BusyTimeoutMilliseconds() const { return 5000; }
    // Other connections, with or without a lock file slot, are kept out while this one is open.
    QString ExclusiveLocking() const;
    // A journal beside the file while a transaction writes, gone when it ends: a file other
    // engines' tools can copy when no one has it open.
    QString RollbackJournal() const;
    // Begins a transaction that takes the write lock at once, so a write never waits halfway.
    QString BeginWrite() const;
    // A nested write inside an open transaction, kept or undone on its own.
    QString Savepoint(const QString& name) const;
    QString ReleaseSavepoint(const QString& name) const;
    // Undoes the savepoint's writes and ends it.
    QString RollbackToSavepoint(const QString& name) const;

    // --- compaction and repair -------------------------------------------------------------------
    // Writes a compacted copy of the whole file to a new file at `path`.
    QString CompactInto(const QString& path) const;
    // One row per fault found in the file; a single IntegrityPassed row when there is none.
    QString IntegrityCheck() const;
    bool IntegrityPassed(const QString& answer) const;
    // Every table and index of the file as rows (type, name, create statement): tables first,
    // each kind in the order made. A table row's type is "table".
    QString SchemaObjectsQuery() const;
    // The engine's table of kept counters, which a copy takes over whole.
    bool IsCounterStore(const QString& table) const;
    // Another file seen through this connection under the schema name `alias`, and let go.
    QString Attach(const QString& path, const QString& alias) const;
    QString Detach(const QString& alias) const;
    // The rows of a quoted table copied from the same table of schema `from`; every row, one row
    // (its key ?1), or none left.
    QString CopyRows(const QString& quotedTable, const QString& from) const;
    QString CopyRow(const QString& quotedTable, const QString& from) const;
    QString ClearRows(const QString& quotedTable) const;
    // The row keys of a quoted table of schema `from`, in order.
    QString RowKeysQuery(const QString& quotedTable, const QString& from) const;
    // The counters kept in schema `from` taken over, replacing those of the same tables.
    QString CopyCounters(const QString& from) const;

    // --- column defaults -------------------------------------------------------------------------
    // The moment, the day and the time of day at which a row is added, as Jet's date values.
    QString NowValue() const;
    QString TodayValue() const;
    QString TimeOfDayValue() const;
};

}  // namespace jet
