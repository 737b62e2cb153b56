#include "dataaccess/DaoSupport.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Params.h"
#include "platform/toolkit/Strings.h"

#include <QUuid>
#include <QtEndian>
#include <cmath>
#include <vector>

int OptionWord(TOOSet options)
{
    int word = 0;
    for (int bit = 0; bit <= int(dbExecDirect); ++bit)
        if (options & (1u << unsigned(bit)))
            word += 1 << bit;
    return word;
}

QString QueryDefTypeName(int type)
{
    switch (type) {
    case 0: return QStringLiteral("dbQSelect");
    case 16: return QStringLiteral("dbQCrosstab");
    case 32: return QStringLiteral("dbQDelete");
    case 48: return QStringLiteral("dbQUpdate");
    case 64: return QStringLiteral("dbQAppend");
    case 80: return QStringLiteral("dbQMakeTable");
    case 96: return QStringLiteral("dbQDDL");
    case 112: return QStringLiteral("dbQSQLPassThrough");
    case 128: return QStringLiteral("dbQSetOperation");
    case 144: return QStringLiteral("dbQSPTBulk");
    case 160: return QStringLiteral("dbQCompound");
    case 224: return QStringLiteral("dbQProcedure");
    case 240: return QStringLiteral("dbQAction");
    default: return QString();
    }
}

QString DateTimeToStampText(double dateTime) { return TimeStampToText(DateTimeToTimeStamp(dateTime)); }

namespace {

bool ToInt(const QString& text, int& out)
{
    bool ok = false;
    out = text.trimmed().toInt(&ok);
    return ok;
}

// "h:nn[:ss][ AM|PM]" as a time of day; false when it is none.
bool ReadTimePart(QString text, double& time)
{
    bool pm = false;
    bool twelveHour = false;
    text = text.trimmed();
    if (text.endsWith(QLatin1String(" AM"), Qt::CaseInsensitive)) {
        text.chop(3);
        twelveHour = true;
    } else if (text.endsWith(QLatin1String(" PM"), Qt::CaseInsensitive)) {
        text.chop(3);
        twelveHour = pm = true;
    }
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 3)
        return false;
    int hours = 0, minutes = 0, seconds = 0;
    if (!ToInt(parts.at(0), hours))
        return false;
    if (parts.size() > 1 && !ToInt(parts.at(1), minutes))
        return false;
    if (parts.size() > 2 && !parts.at(2).trimmed().isEmpty() && !ToInt(parts.at(2), seconds))
        return false;
    if (twelveHour) {
        // 12 AM is midnight, 12 PM is noon.
        if (hours < 1 || hours > 12)
            return false;
        hours = hours % 12 + (pm ? 12 : 0);
    }
    return TryEncodeTime(hours, minutes, seconds, 0, time);
}

}  // namespace

QString DateLiteralToStamp(const QString& literal)
{
    const QString text = literal.trimmed();
    const int slash1 = text.indexOf(QLatin1Char('/'));
    const int slash2 = slash1 < 0 ? -1 : text.indexOf(QLatin1Char('/'), slash1 + 1);
    if (slash2 < 0)
        return QString();
    const int blank = text.indexOf(QLatin1Char(' '), slash2 + 1);
    int month = 0, day = 0, year = 0;
    if (!ToInt(text.left(slash1), month) || !ToInt(text.mid(slash1 + 1, slash2 - slash1 - 1), day)
        || !ToInt(blank < 0 ? text.mid(slash2 + 1) : text.mid(slash2 + 1, blank - slash2 - 1), year))
        return QString();
    double date = 0;
    if (!TryEncodeDate(year, month, day, date))
        return QString();
    double time = 0;
    if (blank >= 0 && !ReadTimePart(text.mid(blank + 1), time))
        return QString();
    TTimeStamp stamp = DateTimeToTimeStamp(date);
    stamp.Time = DateTimeToTimeStamp(time).Time;
    return TimeStampToText(stamp);
}

TVariant StringToTimeStampVariant(const QString& text)
{
    TTimeStamp stamp;
    if (!TextToTimeStamp(text, stamp))
        return TVariant::Null();
    return TVariant::FromDate(TimeStampToDateTime(stamp));
}

QString NormalizeDateText(const QString& text)
{
    QString s = text;
    const int g = s.indexOf(QStringLiteral("г."));
    if (g >= 0)
        s.remove(g, 2);
    for (QChar& c : s)
        if (!c.isDigit() && c != QLatin1Char('/') && c != QLatin1Char('.') && c != QLatin1Char(':'))
            c = QLatin1Char(' ');
    s = s.simplified();
    const int colon = s.indexOf(QLatin1Char(':'));
    const int keep = colon < 0 ? -1 : s.lastIndexOf(QLatin1Char(' '), colon);
    QString result;
    result.reserve(s.size());
    for (int i = 0; i < s.size(); ++i)
        if (s.at(i) != QLatin1Char(' ') || i == keep)
            result += s.at(i);
    return result;
}

QString BracketDottedName(const QString& name)
{
    QStringList parts = name.split(QLatin1Char('.'));
    for (QString& part : parts)
        part = QLatin1Char('[') + part + QLatin1Char(']');
    return parts.join(QLatin1Char('.'));
}

const QString& IdentifierChars()
{
    static const QString chars = [] {
        QString s = QStringLiteral("_");
        for (int code = 32; code <= 255; ++code) {
            const QChar c = Cp1251Char(static_cast<unsigned char>(code));
            if (c.isLetterOrNumber())
                s += c;
        }
        return s;
    }();
    return chars;
}

bool IsIdentifierChar(QChar c)
{
    // Letters beyond the code page (other scripts) continue a name just as well.
    return c == QLatin1Char('_') || c.isLetterOrNumber() || IdentifierChars().contains(c);
}

QString QuoteTextLiteral(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString NumberLiteral(double value, const QLocale& locale)
{
    QString text = locale.toString(value, 'g', QLocale::FloatingPointShortest);
    text.remove(locale.groupSeparator());
    text.replace(locale.decimalPoint(), QStringLiteral("."));
    text.replace(locale.negativeSign(), QStringLiteral("-"));
    text.replace(locale.exponential(), QStringLiteral("E"), Qt::CaseInsensitive);
    text.remove(QChar(0x00A0));
    text.remove(QChar(0x202F));
    return text;
}

QString GuidBytesToText(const QByteArray& bytes)
{
    if (bytes.size() != 16)
        return QString();
    // The engine's byte order is the little-endian one of the registry form.
    const QUuid guid(qFromLittleEndian<quint32>(bytes.constData()), qFromLittleEndian<quint16>(bytes.constData() + 4),
                     qFromLittleEndian<quint16>(bytes.constData() + 6), uchar(bytes[8]), uchar(bytes[9]),
                     uchar(bytes[10]), uchar(bytes[11]), uchar(bytes[12]), uchar(bytes[13]), uchar(bytes[14]),
                     uchar(bytes[15]));
    if (guid.isNull())
        return QString();
    return guid.toString(QUuid::WithBraces).toUpper();
}

QByteArray GuidTextToBytes(const QString& text)
{
    const QUuid guid = QUuid::fromString(text.trimmed());
    if (guid.isNull())
        return QByteArray();
    QByteArray bytes(16, '\0');
    qToLittleEndian<quint32>(guid.data1, bytes.data());
    qToLittleEndian<quint16>(guid.data2, bytes.data() + 4);
    qToLittleEndian<quint16>(guid.data3, bytes.data() + 6);
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = char(guid.data4[i]);
    return bytes;
}

namespace {

QString TwoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString DatePart(double value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return TwoDigits(m) + QLatin1Char('/') + TwoDigits(d) + QLatin1Char('/') + QStringLiteral("%1").arg(y, 4, 10, QLatin1Char('0'));
}

QString TimePart(double value)
{
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(value, h, n, s, ms);
    return TwoDigits(h) + QLatin1Char(':') + TwoDigits(n) + QLatin1Char(':') + TwoDigits(s);
}

}  // namespace

QString DateTimeLiteral(double value, TFieldType type)
{
    QString body;
    if (type == ftDate)
        body = DatePart(value);
    else if (type == ftTime)
        body = TimePart(value);
    else
        body = DatePart(value) + QLatin1Char(' ') + TimePart(value);
    return QLatin1Char('#') + body + QLatin1Char('#');
}

QString ParamLiteral(const TParam& param, const QLocale& locale)
{
    const TVariant value = param.Value();
    switch (param.DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid:
        return QuoteTextLiteral(value.AsString());
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return NumberLiteral(value.AsFloat(), locale);
    case ftDate:
    case ftTime:
    case ftDateTime:
        return DateTimeLiteral(value.AsDateTime(), param.DataType());
    case ftBytes:
        return QStringLiteral("{guid ") + GuidBytesToText(value.AsBytes()) + QLatin1Char('}');
    default:
        if (value.IsText())
            return QuoteTextLiteral(value.AsString());
        if (value.Type() == TVarType::Double || value.Type() == TVarType::Currency)
            return NumberLiteral(value.AsFloat(), locale);
        if (value.Type() == TVarType::Boolean)
            return value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
        return value.AsString();
    }
}

namespace {

// The Null test that replaces the comparison ending just before `at`; sets `from` to where the
// replaced text starts.
QString NullTest(const QString& text, int at, int& from)
{
    int i = at;
    while (i > 0 && text.at(i - 1).isSpace())
        --i;
    if (i >= 2 && text.mid(i - 2, 2) == QLatin1String("<>")) {
        from = i - 2;
        return QStringLiteral(" IS NOT NULL");
    }
    if (i >= 1 && text.at(i - 1) == QLatin1Char('=')
        && !(i >= 2 && (text.at(i - 2) == QLatin1Char('<') || text.at(i - 2) == QLatin1Char('>')))) {
        from = i - 1;
        return QStringLiteral(" IS NULL");
    }
    from = at;
    return QStringLiteral("NULL");
}

// Marks the characters inside quoted literals and bracketed names, where no token is replaced.
std::vector<bool> QuotedMask(const QString& text)
{
    std::vector<bool> quoted(size_t(text.size()), false);
    QChar closing;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (closing.isNull()) {
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                closing = c;
            else if (c == QLatin1Char('['))
                closing = QLatin1Char(']');
            quoted[size_t(i)] = !closing.isNull();
            continue;
        }
        quoted[size_t(i)] = true;
        if (c == closing)
            closing = QChar();
    }
    return quoted;
}

}  // namespace

QString ReplaceParamToken(const QString& text, const QString& token, const QString& literal, bool isNull)
{
    if (token.isEmpty())
        return text;
    const std::vector<bool> quoted = QuotedMask(text);
    const QString lowerText = text.toLower();
    const QString lowerToken = token.toLower();
    QString result;
    int copied = 0;
    int pos = lowerText.indexOf(lowerToken);
    while (pos >= 0) {
        const QChar before = pos == 0 ? QLatin1Char(' ') : text.at(pos - 1);
        const int end = pos + int(token.size());
        const QChar after = end >= text.size() ? QLatin1Char(' ') : text.at(end);
        if (!IsIdentifierChar(before) && !IsIdentifierChar(after) && !quoted[size_t(pos)]) {
            if (isNull) {
                int from = pos;
                const QString test = NullTest(text, pos, from);
                // Trailing blanks already copied stay out of the comparison that is replaced.
                if (from < copied)
                    from = copied;
                result += text.mid(copied, from - copied);
                while (test.startsWith(QLatin1Char(' ')) && result.endsWith(QLatin1Char(' ')))
                    result.chop(1);
                result += test;
            } else {
                result += text.mid(copied, pos - copied);
                result += literal;
            }
            copied = end;
            pos = lowerText.indexOf(lowerToken, end);
        } else {
            pos = lowerText.indexOf(lowerToken, pos + 1);
        }
    }
    result += text.mid(copied);
    return result;
}

QString JoinLines(const TStrings& lines)
{
    QString text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += lines.Get(i);
    }
    return text;
}

QString SortTextOf(const TStrings& lines)
{
    QString text;
    for (int i = 0; i < lines.Count(); ++i) {
        text += lines.Get(i);
        if (i + 1 < lines.Count())
            text += QLatin1Char(',');
        text += QLatin1Char(' ');
    }
    return text;
}

bool TextToInteger(const QString& text, qint64& out)
{
    if (text.isEmpty())
        return false;
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok) {
        out = v;
        return true;
    }
    const double d = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(d)) {
        out = qint64(std::llround(d));
        return true;
    }
    return false;
}

bool TextToFloat(const QString& text, double& out)
{
    if (text.isEmpty())
        return false;
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (ok)
        out = d;
    return ok;
}

bool TextToBoolean(const QString& text, bool& out)
{
    if (text.isEmpty())
        return false;
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('=')))
        t.remove(0, 1);
    t = t.toLower();
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")) {
        out = false;
        return true;
    }
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on") || t == QLatin1String("-1")) {
        out = true;
        return true;
    }
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok)
        out = v != 0;
    return ok;
}

