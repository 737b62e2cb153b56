#pragma once
// The seam between the engine and the Jet SQL dialect: the engine hands Jet text to Translate
// and runs what comes back on SQLite; the dialect never touches a connection except to
// register its functions and collation on it.
//
// How the engine stores Jet values in SQLite, which the translated SQL relies on:
//  - every table's row key is the engine's own key (SqliteDialect::RowKey); a counter column is
//    "INTEGER PRIMARY KEY AUTOINCREMENT", so it is that key and its values are never reused;
//  - Boolean: INTEGER -1 / 0, never NULL; Date/Time: REAL day number (days since 30 December
//    1899, time as the fraction); Byte/Integer/Long/BigInt: INTEGER; Currency/Single/Double/
//    Numeric/Decimal/Float: REAL; Text/Char/Memo: TEXT declared COLLATE kTextCollation;
//    Binary/VarBinary/LongBinary/GUID: BLOB (a GUID is its 16 raw bytes).

#include "platform/toolkit/Variant.h"

#include <QString>
#include <optional>
#include <vector>

struct sqlite3;

namespace jet {

// The collation that compares text as Jet does: without case, Unicode-aware.
inline constexpr const char* kTextCollation = "JETTEXT";

// A column of a stored table as the engine's catalogue keeps it.
struct ColumnInfo {
    QString name;
    int type = 0;       // dao::FieldType
    int size = 0;       // characters for text, bytes for binary, 0 otherwise
    bool counter = false;
    QString format;     // the "Format" field property, empty when not set
};

struct TableInfo {
    QString name;
    std::vector<ColumnInfo> columns;
};

// What the translator may ask the engine about the database it translates for.
class Catalog {
public:
    virtual ~Catalog() = default;
    // The stored table of that name (case-insensitive), or nullptr.
    virtual const TableInfo* FindTable(const QString& name) const = 0;
    // The Jet text of the saved query of that name (case-insensitive).
    virtual std::optional<QString> FindQuery(const QString& name) const = 0;
};

// A parameter of a statement: declared in PARAMETERS (type set) or a name that resolves to no
// column (type 0). Bound positionally: parameters[i] is "?<i+1>" in the SQL.
struct Parameter {
    QString name;
    int type = 0;  // dao::FieldType, 0 when undeclared
};

// A column of a SELECT's result.
struct ResultColumn {
    QString name;
    int type = 0;          // dao::FieldType of the value
    int size = 0;
    bool counter = false;  // a counter column selected as it is (renamed or not)
    QString format;        // the base column's "Format" property, when the column is one
    bool updatable = false;
    QString baseColumn;    // the base table's column written through this one, when updatable
    // In a grouped SELECT, a column that is one of the grouping expressions as it stands: that
    // expression. A filter on such columns alone may stand before the grouping.
    QString groupSql;
};

// A grouped SELECT in its parts, so that a condition on its grouping expressions can go into
// its WHERE, before the grouping.
struct GroupedSelect {
    QString head;   // SELECT .. FROM ..
    QString where;  // its own condition, empty when none
    QString tail;   // GROUP BY .. HAVING .. ORDER BY ..; empty: not a grouped SELECT
    // The same SELECT for rows that a condition picks, when it differs: grouping by every
    // grouping item (the tail above may leave out what follows from the key), and reading a
    // grouped query joined on its grouping key for each row rather than whole. The form above
    // suits reading every row.
    QString pickedHead, pickedWhere, pickedTail;
    // Whether each form reads another query for each row in its aggregates: a condition over
    // its result is then kept out of it (SqliteDialect::Fenced), so that those are not read twice.
    bool readsPerRow = false, pickedReadsPerRow = false;
    bool IsGrouped() const { return !tail.isEmpty(); }
    // The same rows grouped from only those rows that meet `condition` as well, in the form
    // for picked rows.
    GroupedSelect Filtered(const QString& condition) const;
    QString Sql() const;
};

enum class StatementKind { Select, Delete, Update, Insert, Other };

struct Statement {
    StatementKind kind = StatementKind::Other;
    QString sql;                        // SQLite text, parameters as ?1 .. ?n
    std::vector<Parameter> parameters;  // declared ones first, in declaration order, then the others in order of use
    std::vector<ResultColumn> columns;  // Select only
    // A Select whose rows come from one stored table (no join, no grouping, no DISTINCT):
    QString baseTable;                  // that table; empty when the rows cannot be written
    QString keyedSql;                   // the same rows with the table's row key as an extra first column
    QString rowByKeySql;                // the result columns of one row, its row key bound as the last parameter
    QString rowsByKeySql;               // the row key and the result columns of rows of the table, to be
                                        // narrowed by a condition on rowKeySql that the reader appends
    QString rowKeySql;                  // the row key as rowsByKeySql names it
    GroupedSelect grouped;              // a grouped Select without TOP; empty otherwise
};

// Translates one Jet statement. Saved queries it reads are expanded (a cycle is an error);
// raises EDaoError (dao::errSyntax and friends) naming the position and the token of any text
// it cannot translate; it never returns SQL that means something else.
Statement Translate(const QString& jetText, const Catalog& catalog);

// A Jet criteria expression (a Filter, a FindFirst argument, a WHERE fragment) over the given
// columns, as an SQLite expression; parameters are not allowed in it. Columns are written
// unqualified, so the expression fits a SELECT over the result as a subquery or over the table;
// a name that is no column raises dao::errUnknownName.
QString TranslateCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns);

// A criteria expression as TranslateCriteria makes it, its literal values left out of the SQL:
// each is the named parameter the dialect spells for its number, counted from `firstValue`,
// and its value stands at [number - firstValue] in `values`. Bound so, the same criteria with
// other values is the same statement, and SQLite plans it with its indexes.
struct BoundCriteria {
    QString sql;
    std::vector<TVariant> values;
};
BoundCriteria TranslateBoundCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                                     int firstValue);
// The same over the grouping expressions (ResultColumn::groupSql) of the columns it names, to
// filter a grouped statement's rows before they are grouped; nullopt when it names a column that
// is no grouping expression or calls a function (which could tell apart rows of one group).
std::optional<BoundCriteria> TranslateGroupCriteria(const QString& jetCriteria,
                                                    const std::vector<ResultColumn>& columns, int firstValue);

// A Jet sort list ("[a] DESC, b") over the given columns, as an SQLite ORDER BY list.
QString TranslateSort(const QString& jetSort, const std::vector<ResultColumn>& columns);

// Raises EDaoError dao::errTooFewParameters "Too few parameters. Expected <n>." (n the number
// without a value) when fewer values than the statement's parameters are supplied.
void CheckParameterCount(const Statement& statement, int supplied);

// Registers the Jet functions (Format, IIf, Nz, Datevalue, LCase, UCase, Now, the LIKE
// wildcards, ...) and kTextCollation on a connection. Call once per connection.
void RegisterJetFunctions(sqlite3* db);

}  // namespace jet
