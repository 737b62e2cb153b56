#include "platform/dao/SqliteDialect.h"

#include <sqlite3.h>

#include "platform/dao/JetSql.h"

#include <QUuid>

namespace jet {

QString SqliteDialect::QuoteIdentifier(const QString& name) const
{
    return QLatin1Char('"') + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString SqliteDialect::TextLiteral(const QString& text) const
{
    const QString quoted = QLatin1Char('\'') + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
    if (!text.contains(QChar(0)))
        return quoted;
    // SQLite reads a statement only up to a NUL, so the character is made by a function.
    return u'(' + QString(quoted).replace(QChar(0), QStringLiteral("' || char(0) || '")) + u')';
}

QString SqliteDialect::BooleanLiteral(bool value) const
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

QString SqliteDialect::IntegerLiteral(qint64 value) const
{
    return QString::number(value);
}

// Always with a point or exponent, so SQLite reads a REAL.
QString SqliteDialect::FloatLiteral(double value) const
{
    QString text = QString::number(value, 'g', 17);
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(QLatin1String("inf")) &&
        !text.contains(QLatin1String("nan")))
        text += QStringLiteral(".0");
    return text;
}

QString SqliteDialect::DateLiteral(double dayNumber) const
{
    return FloatLiteral(dayNumber);
}

QString SqliteDialect::GuidLiteral(const QString& braced) const
{
    const QUuid uuid(braced);
    QByteArray bytes(16, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((uuid.data1 >> (8 * i)) & 0xFF);
    for (int i = 0; i < 2; ++i) {
        bytes[4 + i] = char((uuid.data2 >> (8 * i)) & 0xFF);
        bytes[6 + i] = char((uuid.data3 >> (8 * i)) & 0xFF);
    }
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = char(uuid.data4[i]);
    return QStringLiteral("X'%1'").arg(QString::fromLatin1(bytes.toHex().toUpper()));
}

QString SqliteDialect::WithTextCollation(const QString& sql) const
{
    return QStringLiteral("%1 COLLATE %2").arg(sql, QLatin1String(kTextCollation));
}

QString SqliteDialect::TruthAsValue(const QString& condition) const
{
    return QStringLiteral("(-(%1))").arg(condition);
}

QString SqliteDialect::ValueAsTruth(const QString& value) const
{
    return QStringLiteral("((%1) <> 0)").arg(value);
}

QString SqliteDialect::Like(const QString& value, const QString& pattern) const
{
    return Call(sqlfn::kLike, {value, pattern});
}

QString SqliteDialect::Concat(const QString& left, const QString& right) const
{
    return Call(sqlfn::kConcat, {left, right});
}

QString SqliteDialect::AddText(const QString& left, const QString& right) const
{
    return QStringLiteral("(%1 || %2)").arg(left, right);
}

QString SqliteDialect::Divide(const QString& left, const QString& right, bool rightIsNonZeroConstant) const
{
    if (rightIsNonZeroConstant)
        return QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(left, right);
    return Call(sqlfn::kDivide, {left, right});
}

QString SqliteDialect::IntDivide(const QString& left, const QString& right) const
{
    return Call(sqlfn::kIntDivide, {left, right});
}

QString SqliteDialect::Modulo(const QString& left, const QString& right) const
{
    return Call(sqlfn::kModulo, {left, right});
}

QString SqliteDialect::Power(const QString& left, const QString& right) const
{
    return Call(sqlfn::kPower, {left, right});
}

QString SqliteDialect::ToNumber(const QString& sql) const
{
    return Call(sqlfn::kToNumber, {sql});
}

QString SqliteDialect::Conditional(const QString& condition, const QString& whenTrue, const QString& whenFalse) const
{
    return QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(condition, whenTrue, whenFalse);
}

QString SqliteDialect::Coalesce(const QString& value, const QString& fallback) const
{
    return QStringLiteral("COALESCE(%1, %2)").arg(value, fallback);
}

QString SqliteDialect::Call(const char* function, const QStringList& args) const
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(function), args.join(QStringLiteral(", ")));
}

QString SqliteDialect::Aggregate(const QString& jetName) const
{
    static const char* const kAggregates[] = {"SUM", "AVG", "COUNT", "MAX", "MIN"};
    for (const char* a : kAggregates)
        if (jetName.compare(QLatin1String(a), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(a);
    return QString();
}

QString SqliteDialect::RowKey(const QString& quotedSource) const
{
    return quotedSource.isEmpty() ? QStringLiteral("rowid") : quotedSource + QStringLiteral(".rowid");
}

qint64 SqliteDialect::LastInsertedKey(sqlite3* db) const { return sqlite3_last_insert_rowid(db); }

QString SqliteDialect::Limit(qint64 rows) const
{
    return QStringLiteral(" LIMIT %1").arg(rows);
}

// A subquery with a LIMIT is neither flattened nor given outer conditions; -1 keeps every row.
QString SqliteDialect::Fenced(const QString& select) const { return select + QStringLiteral(" LIMIT -1"); }

QString SqliteDialect::BoundValue(int number) const { return QStringLiteral(":c%1").arg(number); }

QString SqliteDialect::TextColumnCollation() const
{
    return QStringLiteral(" COLLATE ") + QLatin1String(kTextCollation);
}

QString SqliteDialect::CounterColumn() const { return QStringLiteral(" PRIMARY KEY AUTOINCREMENT"); }

QString SqliteDialect::TempTable(const QString& quotedName) const { return QStringLiteral("temp.") + quotedName; }

QString SqliteDialect::CreateTempTable(const QString& quotedName, const QString& columnsSql) const
{
    return QStringLiteral("CREATE TEMP TABLE %1(%2)").arg(quotedName, columnsSql);
}

bool SqliteDialect::IsEngineName(const QString& name) const
{
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

// Analysing the schema table measures nothing but makes sqlite_stat1, which may then be written.
QString SqliteDialect::PlannerStatisticsTable() const { return QStringLiteral("ANALYZE sqlite_master"); }

QString SqliteDialect::ClearIndexStatistics() const
{
    return QStringLiteral("DELETE FROM sqlite_stat1 WHERE tbl=?1 AND idx=?2");
}

QString SqliteDialect::AddIndexStatistics() const
{
    return QStringLiteral("INSERT INTO sqlite_stat1(tbl, idx, stat) VALUES(?1, ?2, ?3)");
}

QString SqliteDialect::IndexStatisticsText(qint64 rows, const std::vector<qint64>& rowsPerValue) const
{
    QStringList figures{QString::number(rows)};
    for (const qint64 n : rowsPerValue)
        figures << QString::number(n);
    return figures.join(u' ');
}

QString SqliteDialect::TableListQuery() const
{
    return QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite!_%' ESCAPE "
                          "'!' ORDER BY ")
           + RowKey();
}

QString SqliteDialect::TableExistsQuery(const QString& name) const
{
    return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=%1").arg(TextLiteral(name));
}

QString SqliteDialect::ColumnListQuery(const QString& table) const
{
    return QStringLiteral("PRAGMA table_info(%1)").arg(QuoteIdentifier(table));
}

bool SqliteDialect::DeclaresCounter(const QString& createSql) const
{
    return createSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
}

QString SqliteDialect::CounterQuery() const { return QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name=?1"); }

QString SqliteDialect::RaiseCounterStatement() const
{
    return QStringLiteral("UPDATE sqlite_sequence SET seq=max(seq, ?2) WHERE name=?1");
}

QString SqliteDialect::InsertCounterStatement() const
{
    return QStringLiteral("INSERT INTO sqlite_sequence(name, seq) VALUES(?1, ?2)");
}

QString SqliteDialect::DataVersionQuery() const { return QStringLiteral("PRAGMA data_version"); }

QString SqliteDialect::ConnectionSettings() const
{
    return QStringLiteral("PRAGMA mmap_size=268435456; PRAGMA temp_store=MEMORY");
}

QString SqliteDialect::ExclusiveLocking() const { return QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"); }

QString SqliteDialect::RollbackJournal() const { return QStringLiteral("PRAGMA journal_mode=DELETE"); }

QString SqliteDialect::BeginWrite() const { return QStringLiteral("BEGIN IMMEDIATE"); }

QString SqliteDialect::Savepoint(const QString& name) const { return QStringLiteral("SAVEPOINT ") + name; }

QString SqliteDialect::ReleaseSavepoint(const QString& name) const { return QStringLiteral("RELEASE ") + name; }

QString SqliteDialect::RollbackToSavepoint(const QString& name) const
{
    return QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(name);
}

QString SqliteDialect::CompactInto(const QString& path) const
{
    return QStringLiteral("VACUUM INTO %1").arg(TextLiteral(path));
}

QString SqliteDialect::IntegrityCheck() const { return QStringLiteral("PRAGMA integrity_check"); }

bool SqliteDialect::IntegrityPassed(const QString& answer) const { return answer == QLatin1String("ok"); }

QString SqliteDialect::SchemaObjectsQuery() const
{
    return QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY type='index', %1")
        .arg(RowKey());
}

bool SqliteDialect::IsCounterStore(const QString& table) const { return table == QLatin1String("sqlite_sequence"); }

QString SqliteDialect::Attach(const QString& path, const QString& alias) const
{
    return QStringLiteral("ATTACH DATABASE %1 AS %2").arg(TextLiteral(path), alias);
}

QString SqliteDialect::Detach(const QString& alias) const { return QStringLiteral("DETACH DATABASE ") + alias; }

QString SqliteDialect::CopyRows(const QString& quotedTable, const QString& from) const
{
    return QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%1").arg(quotedTable, from);
}

QString SqliteDialect::CopyRow(const QString& quotedTable, const QString& from) const
{
    return CopyRows(quotedTable, from) + QStringLiteral(" WHERE %1=?1").arg(RowKey());
}

QString SqliteDialect::ClearRows(const QString& quotedTable) const
{
    return QStringLiteral("DELETE FROM main.%1").arg(quotedTable);
}

QString SqliteDialect::RowKeysQuery(const QString& quotedTable, const QString& from) const
{
    return QStringLiteral("SELECT %3 FROM %2.%1 ORDER BY %3").arg(quotedTable, from, RowKey());
}

QString SqliteDialect::CopyCounters(const QString& from) const
{
    return QStringLiteral("INSERT OR REPLACE INTO main.sqlite_sequence SELECT * FROM %1.sqlite_sequence").arg(from);
}

QString SqliteDialect::CatalogueSchema() const
{
    return QStringLiteral(
        "CREATE TABLE \"__dao_meta\"(key TEXT PRIMARY KEY, value);"
        "CREATE TABLE \"__dao_tables\"(name TEXT PRIMARY KEY COLLATE NOCASE, attributes INTEGER NOT NULL DEFAULT 0,"
        " date_created REAL, last_updated REAL);"
        "CREATE TABLE \"__dao_fields\"(table_name TEXT NOT NULL COLLATE NOCASE, ordinal INTEGER NOT NULL,"
        " name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, size INTEGER NOT NULL DEFAULT 0,"
        " attributes INTEGER NOT NULL DEFAULT 0, default_value TEXT, required INTEGER NOT NULL DEFAULT 0,"
        " allow_zero_length INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(table_name, name));"
        "CREATE TABLE \"__dao_field_properties\"(table_name TEXT NOT NULL COLLATE NOCASE,"
        " field_name TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE, value,"
        " PRIMARY KEY(table_name, field_name, name));"
        "CREATE TABLE \"__dao_indexes\"(table_name TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
        " ordinal INTEGER NOT NULL, is_primary INTEGER NOT NULL DEFAULT 0, is_unique INTEGER NOT NULL DEFAULT 0,"
        " required INTEGER NOT NULL DEFAULT 0, ignore_nulls INTEGER NOT NULL DEFAULT 0, fields TEXT NOT NULL,"
        " PRIMARY KEY(table_name, name));"
        "CREATE TABLE \"__dao_queries\"(name TEXT PRIMARY KEY COLLATE NOCASE, sql TEXT NOT NULL,"
        " type INTEGER NOT NULL DEFAULT 0, date_created REAL, last_updated REAL);");
}

// Day numbers count from 30 December 1899, Julian day 2415018.5.
QString SqliteDialect::NowValue() const { return QStringLiteral("(julianday('now','localtime') - 2415018.5)"); }

QString SqliteDialect::TodayValue() const
{
    return QStringLiteral("(CAST(julianday('now','localtime') - 2415018.5 AS INTEGER))");
}

QString SqliteDialect::TimeOfDayValue() const
{
    return QStringLiteral(
        "((julianday('now','localtime') - 2415018.5) - CAST(julianday('now','localtime') - 2415018.5 AS INTEGER))");
}

}  // namespace jet
