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
    return QLatin1Char('\'') + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
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

QString SqliteDialect::BoundValue(int number) const { return QStringLiteral(":c%1").arg(number); }

}  // namespace jet
