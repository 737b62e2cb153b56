#include "platform/dao/DaoValue.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/SqliteDialect.h"
#include "platform/toolkit/DateTime.h"

#include <QCoreApplication>
#include <QLocale>
#include <QUuid>
#include <charconv>
#include <cmath>
#include <sqlite3.h>

namespace dao {

namespace {

[[noreturn]] void ConversionFailed()
{
    throw EDaoError(errConversion, QCoreApplication::translate("Dao", "Data type conversion error."), QStringLiteral("DAO.Field"));
}

bool IsIntegerType(int t) { return t == dbByte || t == dbInteger || t == dbLong || t == dbBigInt; }
bool IsFloatType(int t)
{
    return t == dbCurrency || t == dbSingle || t == dbDouble || t == dbNumeric || t == dbDecimal || t == dbFloat;
}
bool IsDateType(int t) { return t == dbDate || t == dbTime || t == dbTimeStamp; }
bool IsBinaryType(int t) { return t == dbBinary || t == dbLongBinary || t == dbVarBinary || t == dbGUID; }

namespace {

// A plain decimal ("-12", "3.25": digits on both sides of a point) as the C locale reads it,
// without the locale's machinery; false for anything else.
bool PlainDecimal(const QString& text, double& out)
{
    const qsizetype n = text.size();
    if (n == 0 || n > 40)
        return false;
    char digits[41];
    qsizetype point = -1;
    const qsizetype first = text[0] == u'-' ? 1 : 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'.' && point < 0)
            point = i;
        else if (!(c >= u'0' && c <= u'9') && !(c == u'-' && i == 0))
            return false;
        digits[i] = char(c);
    }
    if (n == first || point == first || point == n - 1)
        return false;
    const auto [end, error] = std::from_chars(digits, digits + n, out);
    return error == std::errc() && end == digits + n;
}

}  // namespace

bool TextToNumber(const QString& text, double& out)
{
    if (PlainDecimal(text, out))
        return std::isfinite(out);
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    out = QLocale::c().toDouble(t, &ok);
    if (!ok)
        out = QLocale::system().toDouble(t, &ok);
    if (!ok) {
        QString swapped = t;
        swapped.replace(QLatin1Char(','), QLatin1Char('.'));
        out = QLocale::c().toDouble(swapped, &ok);
    }
    return ok && std::isfinite(out);
}

bool TextToBoolean(const QString& text, bool& out)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on")) {
        out = true;
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")) {
        out = false;
        return true;
    }
    double n = 0;
    if (TextToNumber(t, n)) {
        out = n != 0;
        return true;
    }
    return false;
}

bool TextToDate(const QString& text, double& out)
{
    if (TryStrToDateTime(text.trimmed(), out))
        return true;
    const QDateTime iso = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (iso.isValid()) {
        out = QDateTimeToDateTime(iso);
        return true;
    }
    return TextToNumber(text, out);
}

// "{guid {XXXXXXXX-...}}" or "{XXXXXXXX-...}" to the 16 raw bytes.
bool TextToGuid(QString text, QByteArray& out)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("{guid "), Qt::CaseInsensitive)) {
        text = text.mid(6);
        if (text.endsWith(QLatin1String("}}")))
            text.chop(1);
    }
    const QUuid id(text);
    if (id.isNull() && text.remove(QLatin1Char('0')).remove(QLatin1Char('-')) != QLatin1String("{}"))
        return false;
    out = id.toRfc4122();
    return true;
}

qint64 RoundToInteger(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18)
        ConversionFailed();
    return qint64(std::llround(v));
}

TVariant IntegerInRange(qint64 v, int fieldType)
{
    switch (fieldType) {
    case dbByte:
        if (v < 0 || v > 255) ConversionFailed();
        return TVariant(int(v));
    case dbInteger:
        if (v < -32768 || v > 32767) ConversionFailed();
        return TVariant(int(v));
    case dbLong:
        if (v < INT32_MIN || v > INT32_MAX) ConversionFailed();
        return TVariant(int(v));
    default:
        return TVariant(v);
    }
}

}  // namespace

bool IsTextType(int fieldType) { return fieldType == dbText || fieldType == dbChar || fieldType == dbMemo; }

QString StorageType(int fieldType)
{
    if (IsIntegerType(fieldType) || fieldType == dbBoolean)
        return QStringLiteral("INTEGER");
    if (IsFloatType(fieldType) || IsDateType(fieldType))
        return QStringLiteral("REAL");
    if (IsTextType(fieldType))
        return QStringLiteral("TEXT");
    return QStringLiteral("BLOB");
}

TVariant ColumnValue(sqlite3_stmt* stmt, int column, int fieldType)
{
    // One look-up of the cell, then the cheaper value accessors.
    sqlite3_value* cell = sqlite3_column_value(stmt, column);
    const int kind = sqlite3_value_type(cell);
    if (kind == SQLITE_NULL)
        return TVariant::Null();
    switch (fieldType) {
    case dbBoolean:
        return TVariant(sqlite3_value_int64(cell) != 0);
    case dbByte:
    case dbInteger:
    case dbLong:
        return TVariant(int(sqlite3_value_int64(cell)));
    case dbBigInt:
        return TVariant(qint64(sqlite3_value_int64(cell)));
    case dbCurrency:
        return TVariant::FromCurrency(sqlite3_value_double(cell));
    case dbSingle:
    case dbDouble:
    case dbNumeric:
    case dbDecimal:
    case dbFloat:
        return TVariant(sqlite3_value_double(cell));
    case dbDate:
    case dbTime:
    case dbTimeStamp:
        return TVariant::FromDate(sqlite3_value_double(cell));
    case dbText:
    case dbChar:
    case dbMemo: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(cell));
        return TVariant(QString::fromUtf8(text, sqlite3_value_bytes(cell)));
    }
    case dbBinary:
    case dbLongBinary:
    case dbVarBinary:
    case dbGUID: {
        const void* blob = sqlite3_value_blob(cell);
        return TVariant(QByteArray(static_cast<const char*>(blob), sqlite3_value_bytes(cell)));
    }
    default:
        break;
    }
    switch (kind) {
    case SQLITE_INTEGER: {
        const qint64 v = sqlite3_value_int64(cell);
        if (v >= INT32_MIN && v <= INT32_MAX)
            return TVariant(int(v));
        return TVariant(v);
    }
    case SQLITE_FLOAT:
        return TVariant(sqlite3_value_double(cell));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(cell));
        return TVariant(QString::fromUtf8(text, sqlite3_value_bytes(cell)));
    }
    default: {
        const void* blob = sqlite3_value_blob(cell);
        return TVariant(QByteArray(static_cast<const char*>(blob), sqlite3_value_bytes(cell)));
    }
    }
}

void BindValue(sqlite3_stmt* stmt, int index, const TVariant& value)
{
    switch (value.Type()) {
    case TVarType::Empty:
    case TVarType::Null:
        sqlite3_bind_null(stmt, index);
        break;
    case TVarType::Boolean:
        sqlite3_bind_int(stmt, index, value.AsBoolean() ? -1 : 0);
        break;
    case TVarType::Integer:
    case TVarType::Int64:
        sqlite3_bind_int64(stmt, index, value.AsInt64());
        break;
    case TVarType::Double:
    case TVarType::Currency:
    case TVarType::Date:
        sqlite3_bind_double(stmt, index, value.AsFloat());
        break;
    case TVarType::String: {
        const QByteArray utf8 = value.AsString().toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        break;
    }
    case TVarType::Bytes: {
        const QByteArray bytes = value.AsBytes();
        sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    case TVarType::Array: {
        // A byte array given element by element.
        QByteArray bytes;
        for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i)
            bytes.append(char(value[i].AsInteger()));
        sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

TVariant CoerceToField(const TVariant& value, int fieldType)
{
    if (value.IsClear())
        return TVariant::Null();
    const TVarType kind = value.Type();
    const bool isText = kind == TVarType::String;
    const QString text = isText ? value.AsString() : QString();
    try {
        if (fieldType == dbBoolean) {
            if (isText) {
                bool b = false;
                if (!TextToBoolean(text, b)) ConversionFailed();
                return TVariant(b);
            }
            if (kind == TVarType::Bytes || kind == TVarType::Array) ConversionFailed();
            return TVariant(value.AsFloat() != 0);
        }
        if (IsIntegerType(fieldType)) {
            if (isText) {
                double n = 0;
                if (!TextToNumber(text, n)) ConversionFailed();
                return IntegerInRange(RoundToInteger(n), fieldType);
            }
            if (kind == TVarType::Boolean) return IntegerInRange(value.AsBoolean() ? -1 : 0, fieldType);
            if (kind == TVarType::Integer || kind == TVarType::Int64)
                return IntegerInRange(value.AsInt64(), fieldType);
            if (kind == TVarType::Bytes || kind == TVarType::Array) ConversionFailed();
            return IntegerInRange(RoundToInteger(value.AsFloat()), fieldType);
        }
        if (IsFloatType(fieldType)) {
            double n = 0;
            if (isText) {
                if (!TextToNumber(text, n)) ConversionFailed();
            } else if (kind == TVarType::Boolean) {
                n = value.AsBoolean() ? -1 : 0;
            } else if (kind == TVarType::Bytes || kind == TVarType::Array) {
                ConversionFailed();
            } else {
                n = value.AsFloat();
            }
            if (fieldType == dbCurrency) return TVariant::FromCurrency(std::round(n * 10000.0) / 10000.0);
            if (fieldType == dbSingle) return TVariant(double(float(n)));
            return TVariant(n);
        }
        if (IsDateType(fieldType)) {
            double d = 0;
            if (isText) {
                if (!TextToDate(text, d)) ConversionFailed();
            } else if (kind == TVarType::Boolean || kind == TVarType::Bytes || kind == TVarType::Array) {
                ConversionFailed();
            } else {
                d = value.AsFloat();
            }
            return TVariant::FromDate(d);
        }
        if (IsTextType(fieldType)) {
            if (kind == TVarType::Bytes) return TVariant(QString::fromUtf8(value.AsBytes()));
            if (kind == TVarType::Boolean) return TVariant(value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False"));
            if (kind == TVarType::Double || kind == TVarType::Currency) return TVariant(FloatToStr(value.AsFloat()));
            if (kind == TVarType::Date) return TVariant(DateTimeToStr(value.AsDateTime()));
            if (kind == TVarType::Array) ConversionFailed();
            return TVariant(value.AsString());
        }
        if (fieldType == dbGUID) {
            if (kind == TVarType::Bytes) {
                if (value.AsBytes().size() != 16) ConversionFailed();
                return value;
            }
            QByteArray bytes;
            if (!isText || !TextToGuid(text, bytes)) ConversionFailed();
            return TVariant(bytes);
        }
        if (IsBinaryType(fieldType)) {
            if (kind == TVarType::Bytes) return value;
            if (kind == TVarType::Array) {
                QByteArray bytes;
                for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i)
                    bytes.append(char(value[i].AsInteger()));
                return TVariant(bytes);
            }
            if (isText) return TVariant(text.toUtf8());
            ConversionFailed();
        }
    } catch (const EVariantError&) {
        ConversionFailed();
    }
    return value;
}

TVariant EvaluateDefault(const QString& defaultText, int fieldType)
{
    QString t = defaultText.trimmed();
    if (t.isEmpty())
        return TVariant();
    if (t.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
        return TVariant::Null();
    if (t.startsWith(QLatin1Char('=')))
        t = t.mid(1).trimmed();
    const QString lower = t.toLower();
    try {
        if (lower == QLatin1String("now()"))
            return CoerceToField(TVariant::FromDate(Now()), fieldType);
        if (lower == QLatin1String("genguid()") || (lower == QLatin1String("genuniqueid()") && fieldType == dbGUID))
            return TVariant(QUuid::createUuid().toRfc4122());
        if (lower == QLatin1String("date()"))
            return CoerceToField(TVariant::FromDate(Date()), fieldType);
        if (lower == QLatin1String("time()"))
            return CoerceToField(TVariant::FromDate(Time()), fieldType);
        if (lower == QLatin1String("true") || lower == QLatin1String("yes"))
            return CoerceToField(TVariant(true), fieldType);
        if (lower == QLatin1String("false") || lower == QLatin1String("no"))
            return CoerceToField(TVariant(false), fieldType);
        if (t.size() >= 2 && ((t.startsWith(QLatin1Char('"')) && t.endsWith(QLatin1Char('"')))
                              || (t.startsWith(QLatin1Char('\'')) && t.endsWith(QLatin1Char('\''))))) {
            const QChar q = t.front();
            QString inner = t.mid(1, t.size() - 2);
            inner.replace(QString(2, q), QString(q));
            return CoerceToField(TVariant(inner), fieldType);
        }
        if (t.size() >= 2 && t.startsWith(QLatin1Char('#')) && t.endsWith(QLatin1Char('#'))) {
            // #month/day/year [time]#, as Jet writes date literals.
            const QString inner = t.mid(1, t.size() - 2).trimmed();
            const QString datePart = inner.section(QLatin1Char(' '), 0, 0);
            const QString timePart = inner.section(QLatin1Char(' '), 1);
            const QStringList mdy = datePart.split(QLatin1Char('/'));
            double d = 0;
            if (mdy.size() != 3 || !TryEncodeDate(mdy[2].toInt(), mdy[0].toInt(), mdy[1].toInt(), d))
                return TVariant();
            if (!timePart.isEmpty()) {
                double tm = 0;
                if (!TryStrToTime(timePart, tm))
                    return TVariant();
                d += tm;
            }
            return CoerceToField(TVariant::FromDate(d), fieldType);
        }
        double n = 0;
        if (TextToNumber(t, n) && !t.contains(QLatin1Char(' ')))
            return CoerceToField(TVariant(n), fieldType);
    } catch (const EDaoError&) {
        return TVariant();
    }
    return TVariant();
}

namespace {

// Every piece of SQL whose spelling is the engine's.
const jet::SqliteDialect kDialect;

}  // namespace

QString DefaultClause(const QString& defaultText, int fieldType)
{
    const QString lower = defaultText.trimmed().toLower();
    if (lower == QLatin1String("now()"))
        return QStringLiteral("DEFAULT ") + kDialect.NowValue();
    if (lower == QLatin1String("date()"))
        return QStringLiteral("DEFAULT ") + kDialect.TodayValue();
    if (lower == QLatin1String("time()"))
        return QStringLiteral("DEFAULT ") + kDialect.TimeOfDayValue();
    const TVariant v = EvaluateDefault(defaultText, fieldType);
    switch (v.Type()) {
    case TVarType::Empty:
        return QString();
    case TVarType::Null:
        return QStringLiteral("DEFAULT NULL");
    case TVarType::Boolean:
        return QStringLiteral("DEFAULT ") + kDialect.BooleanLiteral(v.AsBoolean());
    case TVarType::Integer:
    case TVarType::Int64:
        return QStringLiteral("DEFAULT ") + QString::number(v.AsInt64());
    case TVarType::Double:
    case TVarType::Currency:
    case TVarType::Date:
        return QStringLiteral("DEFAULT ") + QString::number(v.AsFloat(), 'g', 17);
    case TVarType::String:
        return QStringLiteral("DEFAULT ") + QuoteText(v.AsString());
    default:
        return QString();
    }
}

QString QuoteName(const QString& name) { return kDialect.QuoteIdentifier(name); }

QString QuoteText(const QString& text) { return kDialect.TextLiteral(text); }

}  // namespace dao
