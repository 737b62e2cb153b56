#include "platform/dao/JetFunctions.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/JetSql.h"
#include "platform/dao/SqliteDialect.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace jet {

namespace {

const char* const kOverflow = QT_TRANSLATE_NOOP("Dao", "Overflow");

[[noreturn]] void RaiseOverflow()
{
    throw EDaoError(dao::errOverflow, QCoreApplication::translate("Dao", kOverflow));
}

// What a registered function's failure says, so that the statement's reader raises the engine
// error itself (FunctionErrorOf).
const QLatin1String kFunctionErrorMark("Jet error ");

QByteArray FunctionErrorText(int number, const QString& description)
{
    return (kFunctionErrorMark + QString::number(number) + QStringLiteral(": ") + description).toUtf8();
}

// ---- Format -------------------------------------------------------------------------------

// |value| rounded half away from zero to `decimals` places, from its 15 significant digits
// (so 2.675 is the 2.675 the user sees, not the binary neighbour below it).
void RoundedParts(double value, int decimals, QString& intPart, QString& fracPart)
{
    const QByteArray e = QByteArray::number(std::fabs(value), 'e', 14);  // d.dddddddddddddde+XX
    std::string digits;
    digits.reserve(32);
    digits += e[0];
    digits.append(e.constData() + 2, 14);
    int pointPos = std::atoi(e.constData() + e.indexOf('e') + 1) + 1;
    if (value == 0)
        pointPos = 1;
    const int keep = pointPos + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < int(digits.size())) {
        const bool up = digits[size_t(keep)] >= '5';
        digits.resize(size_t(keep));
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[size_t(i)] == '9') {
                    digits[size_t(i)] = '0';
                } else {
                    ++digits[size_t(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++pointPos;
            }
        }
    }
    // digits now stand for 0.digits * 10^pointPos
    if (pointPos <= 0) {
        digits.insert(0, size_t(-pointPos), '0');
        pointPos = 0;
    }
    if (int(digits.size()) < pointPos + decimals)
        digits.append(size_t(pointPos + decimals - int(digits.size())), '0');
    int lead = 0;
    while (lead < pointPos && digits[size_t(lead)] == '0')
        ++lead;
    intPart = QString::fromLatin1(digits.data() + lead, pointPos - lead);
    fracPart = QString::fromLatin1(digits.data() + pointPos, decimals);
}

QString GroupThousands(const QString& digits)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += u',';
        out += digits[i];
    }
    return out;
}

QStringList SplitSections(const QString& format)
{
    QStringList sections;
    QString current;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'"')
            quoted = !quoted;
        if (c == u'\\' && i + 1 < format.size()) {
            current += c;
            current += format[++i];
            continue;
        }
        if (c == u';' && !quoted) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

struct FormatPiece {
    enum Kind { Zero, Hash, Point, Comma, Percent, Literal } kind;
    QString text;
};

std::vector<FormatPiece> ParsePieces(const QString& section)
{
    std::vector<FormatPiece> pieces;
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'\\' && i + 1 < section.size()) {
            pieces.push_back({FormatPiece::Literal, QString(section[++i])});
        } else if (c == u'"') {
            const int end = section.indexOf(u'"', i + 1);
            const int stop = end < 0 ? int(section.size()) : end;
            pieces.push_back({FormatPiece::Literal, section.mid(i + 1, stop - i - 1)});
            i = stop;
        } else if (c == u'0') {
            pieces.push_back({FormatPiece::Zero, {}});
        } else if (c == u'#') {
            pieces.push_back({FormatPiece::Hash, {}});
        } else if (c == u'.') {
            pieces.push_back({FormatPiece::Point, {}});
        } else if (c == u',') {
            pieces.push_back({FormatPiece::Comma, {}});
        } else if (c == u'%') {
            pieces.push_back({FormatPiece::Percent, {}});
        } else {
            pieces.push_back({FormatPiece::Literal, QString(c)});
        }
    }
    return pieces;
}

// The pieces of the sections met last: a query formats every row with the same few patterns.
const std::vector<FormatPiece>& PiecesOf(const QString& section)
{
    thread_local std::vector<std::pair<QString, std::vector<FormatPiece>>> known;
    for (const auto& [text, pieces] : known)
        if (text == section)
            return pieces;
    if (known.size() >= 8)
        known.erase(known.begin());
    known.emplace_back(section, ParsePieces(section));
    return known.back().second;
}

QString FormatWithPattern(double value, const QString& section, bool writeSign)
{
    const std::vector<FormatPiece>& pieces = PiecesOf(section);
    int intMin = 0, decimals = 0, fracMin = 0;
    bool seenPoint = false, grouping = false, percent = false, anyDigit = false;
    for (const FormatPiece& p : pieces) {
        const bool digit = p.kind == FormatPiece::Zero || p.kind == FormatPiece::Hash;
        anyDigit = anyDigit || digit;
        if (p.kind == FormatPiece::Point) {
            seenPoint = true;
        } else if (p.kind == FormatPiece::Percent) {
            percent = true;
        } else if (p.kind == FormatPiece::Comma && !seenPoint) {
            grouping = true;
        } else if (digit && seenPoint) {
            ++decimals;
            if (p.kind == FormatPiece::Zero)
                fracMin = decimals;
        } else if (p.kind == FormatPiece::Zero) {
            ++intMin;
        }
    }
    if (!anyDigit) {
        QString out;
        for (const FormatPiece& p : pieces)
            out += p.kind == FormatPiece::Literal ? p.text : p.kind == FormatPiece::Percent ? QStringLiteral("%") : QString();
        return out;
    }
    if (percent)
        value *= 100;
    QString intPart, fracPart;
    RoundedParts(value, decimals, intPart, fracPart);
    const bool isZero =
        intPart.isEmpty() && std::all_of(fracPart.begin(), fracPart.end(), [](QChar d) { return d == u'0'; });
    while (fracPart.size() > fracMin && fracPart.endsWith(u'0'))
        fracPart.chop(1);
    if (intPart.size() < intMin)
        intPart = QString(intMin - int(intPart.size()), u'0') + intPart;
    if (grouping)
        intPart = GroupThousands(intPart);

    QString out;
    if (writeSign && value < 0 && !isZero)
        out += u'-';
    bool intWritten = false, afterPoint = false;
    int fracIndex = 0;
    for (const FormatPiece& p : pieces) {
        switch (p.kind) {
        case FormatPiece::Zero:
        case FormatPiece::Hash:
            if (afterPoint) {
                if (fracIndex < fracPart.size())
                    out += fracPart[fracIndex];
                ++fracIndex;
            } else if (!intWritten) {
                out += intPart;
                intWritten = true;
            }
            break;
        case FormatPiece::Point:
            if (!intWritten) {
                out += intPart;
                intWritten = true;
            }
            afterPoint = true;
            out += u'.';
            break;
        case FormatPiece::Comma: break;
        case FormatPiece::Percent: out += u'%'; break;
        case FormatPiece::Literal: out += p.text; break;
        }
    }
    return out;
}

bool IsDatePattern(const QString& format)
{
    bool quoted = false;
    bool dateLetter = false;
    for (const QChar c : format) {
        if (c == u'"')
            quoted = !quoted;
        if (quoted)
            continue;
        if (c == u'0' || c == u'#')
            return false;
        const QChar l = c.toLower();
        if (l == u'd' || l == u'm' || l == u'y' || l == u'h' || l == u'n' || l == u's')
            dateLetter = true;
    }
    return dateLetter;
}

QString FormatDatePattern(double dayNumber, const QString& format)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(dayNumber, year, month, day);
    DecodeTime(dayNumber, hour, minute, second, msec);
    QString out;
    for (int i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'"') {
            const int end = format.indexOf(u'"', i + 1);
            const int stop = end < 0 ? int(format.size()) : end;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        int run = 1;
        while (i + run < format.size() && format[i + run].toLower() == c.toLower())
            ++run;
        const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        switch (c.toLower().unicode()) {
        case 'd': out += run >= 2 ? two(day) : QString::number(day); break;
        case 'm': out += run >= 2 ? two(month) : QString::number(month); break;
        case 'y': out += run >= 3 ? QString::number(year) : two(year % 100); break;
        case 'h': out += run >= 2 ? two(hour) : QString::number(hour); break;
        case 'n': out += run >= 2 ? two(minute) : QString::number(minute); break;
        case 's': out += run >= 2 ? two(second) : QString::number(second); break;
        default: out += QString(run, c); break;
        }
        i += run;
    }
    return out;
}

QString GeneralNumber(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

// ---- LIKE ---------------------------------------------------------------------------------

struct PatternItem {
    enum Kind { Char, AnyOne, Digit, AnyRun, Set };
    explicit PatternItem(Kind k, QChar ch = QChar()) : kind(k), c(ch) {}
    Kind kind;
    QChar c;
    bool negated = false;
    std::vector<std::pair<QChar, QChar>> ranges;
};

std::optional<std::vector<PatternItem>> CompilePattern(const QString& rawPattern)
{
    const QString pattern = rawPattern.toCaseFolded();
    std::vector<PatternItem> items;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            if (items.empty() || items.back().kind != PatternItem::AnyRun)
                items.emplace_back(PatternItem::AnyRun);
        } else if (c == u'?') {
            items.emplace_back(PatternItem::AnyOne);
        } else if (c == u'#') {
            items.emplace_back(PatternItem::Digit);
        } else if (c == u'[') {
            const int end = pattern.indexOf(u']', i + 1);
            if (end < 0)
                return std::nullopt;
            PatternItem set(PatternItem::Set);
            int j = i + 1;
            if (j < end && pattern[j] == u'!') {
                set.negated = true;
                ++j;
            }
            for (; j < end; ++j) {
                if (j + 2 < end && pattern[j + 1] == u'-') {
                    set.ranges.emplace_back(pattern[j], pattern[j + 2]);
                    j += 2;
                } else {
                    set.ranges.emplace_back(pattern[j], pattern[j]);
                }
            }
            items.push_back(std::move(set));
            i = end;
        } else {
            items.emplace_back(PatternItem::Char, c);
        }
    }
    return items;
}

bool ItemMatches(const PatternItem& item, QChar c)
{
    switch (item.kind) {
    case PatternItem::Char: return item.c == c;
    case PatternItem::AnyOne: return true;
    case PatternItem::Digit: return c.isDigit();
    case PatternItem::Set: {
        bool in = false;
        for (const auto& [lo, hi] : item.ranges)
            in = in || (c >= lo && c <= hi);
        return in != item.negated;
    }
    case PatternItem::AnyRun: return false;
    }
    return false;
}

// Greedy match with one back-up point per '*', linear in practice.
bool MatchCompiled(const std::vector<PatternItem>& items, const QString& rawValue)
{
    const QString value = rawValue.toCaseFolded();
    size_t p = 0;
    int v = 0;
    size_t starItem = size_t(-1);
    int starValue = 0;
    while (v < value.size()) {
        if (p < items.size() && items[p].kind == PatternItem::AnyRun) {
            starItem = p++;
            starValue = v;
        } else if (p < items.size() && ItemMatches(items[p], value[v])) {
            ++p;
            ++v;
        } else if (starItem != size_t(-1)) {
            p = starItem + 1;
            v = ++starValue;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p].kind == PatternItem::AnyRun)
        ++p;
    return p == items.size();
}

// ---- SQLite values ------------------------------------------------------------------------

const char* const kTypeMismatch = "Data type mismatch in criteria expression.";

bool IsNull(sqlite3_value* v)
{
    return sqlite3_value_type(v) == SQLITE_NULL;
}

QString TextOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return QString();
    case SQLITE_INTEGER: return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return FloatToStr(sqlite3_value_double(v));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    }
}

std::optional<double> NumberOfText(const QString& text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (ok)
        return d;
    return std::nullopt;
}

std::optional<double> NumberOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return double(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_TEXT: return NumberOfText(TextOf(v));
    default: return std::nullopt;
    }
}

void ResultText(sqlite3_context* ctx, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void ResultEngineError(sqlite3_context* ctx, int number, const QString& description)
{
    const QByteArray utf8 = FunctionErrorText(number, description);
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

// No exception may cross SQLite's frames; its text becomes the statement's error, an engine
// error's with its number.
void ResultError(sqlite3_context* ctx, const Exception& error)
{
    if (const auto* engineError = dynamic_cast<const EDaoError*>(&error)) {
        ResultEngineError(ctx, engineError->Number(), engineError->Description());
        return;
    }
    const QByteArray utf8 = error.Message().toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

// Numbers of either SQLite kind, or an error; false when the caller should stop.
bool TwoNumbers(sqlite3_context* ctx, sqlite3_value** argv, double& a, double& b)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return false;
    }
    const auto x = NumberOf(argv[0]);
    const auto y = NumberOf(argv[1]);
    if (!x || !y) {
        sqlite3_result_error(ctx, kTypeMismatch, -1);
        return false;
    }
    a = *x;
    b = *y;
    return true;
}

// A pattern of digits alone ("0.00", "#,##0.0"): its result depends on the number and nothing else.
bool IsDigitPattern(const QString& format)
{
    return (format.contains(u'0') || format.contains(u'#')) && !format.contains(u'"') && !format.contains(u'\\')
        && !format.contains(u';');
}

// Whether a number formatted so reads the same whatever the settings (no date or time in it).
bool DependsOnNumberAlone(const QString& format)
{
    if (IsDigitPattern(format))
        return true;
    const QString name = format.trimmed();
    for (const char* named : {"Fixed", "Standard", "Percent", "General Number"})
        if (name.compare(QLatin1String(named), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The last numbers formatted with a pattern of digits or a named number format. A query that
// names a formatted value in its other columns has each mention written out again, so one row
// formats the same number several times over.
class RecentFormats {
public:
    const QByteArray* Find(double value, const char* format, int bytes) const
    {
        for (const Entry& e : entries_)
            if (e.used && std::memcmp(&e.value, &value, sizeof value) == 0 && e.format.size() == bytes
                && std::memcmp(e.format.constData(), format, size_t(bytes)) == 0)
                return &e.text;
        return nullptr;
    }
    void Keep(double value, const char* format, int bytes, QByteArray text)
    {
        Entry& e = entries_[next_];
        next_ = (next_ + 1) % entries_.size();
        e = {true, value, QByteArray(format, bytes), std::move(text)};
    }

private:
    struct Entry {
        bool used = false;
        double value = 0;
        QByteArray format;
        QByteArray text;
    };
    std::array<Entry, 4> entries_;
    size_t next_ = 0;
};

// A number formatted without dates, from the recent results when it was formatted just now.
bool FormatRecentNumber(sqlite3_context* ctx, sqlite3_value* value, sqlite3_value* format)
{
    const int type = sqlite3_value_type(value);
    if ((type != SQLITE_FLOAT && type != SQLITE_INTEGER) || sqlite3_value_type(format) != SQLITE_TEXT)
        return false;
    const double number = type == SQLITE_FLOAT ? sqlite3_value_double(value) : double(sqlite3_value_int64(value));
    const char* pattern = reinterpret_cast<const char*>(sqlite3_value_text(format));
    const int bytes = sqlite3_value_bytes(format);
    thread_local RecentFormats recent;
    if (const QByteArray* text = recent.Find(number, pattern, bytes)) {
        sqlite3_result_text(ctx, text->constData(), int(text->size()), SQLITE_TRANSIENT);
        return true;
    }
    const QString patternText = QString::fromUtf8(pattern, bytes);
    if (!DependsOnNumberAlone(patternText))
        return false;
    QByteArray text = FormatNumber(number, patternText).toUtf8();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    recent.Keep(number, pattern, bytes, std::move(text));
    return true;
}

void SqlFormat(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc < 1 || IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    try {
        if (argc >= 2 && FormatRecentNumber(ctx, argv[0], argv[1]))
            return;
        const QString format = argc >= 2 && !IsNull(argv[1]) ? TextOf(argv[1]) : QString();
        const auto number = NumberOf(argv[0]);
        if (!number) {
            ResultText(ctx, TextOf(argv[0]));
            return;
        }
        ResultText(ctx, FormatNumber(*number, format));
    } catch (const Exception& error) {
        ResultError(ctx, error);
    }
}

void SqlDateValue(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, DateOf(sqlite3_value_double(argv[0])));
        return;
    }
    const auto day = DateValueOf(TextOf(argv[0]));
    if (!day) {
        sqlite3_result_error(ctx, kTypeMismatch, -1);
        return;
    }
    sqlite3_result_double(ctx, *day);
}

struct CompiledPattern {
    QString source;
    std::vector<PatternItem> items;
};

void SqlLike(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* compiled = static_cast<CompiledPattern*>(sqlite3_get_auxdata(ctx, 1));
    if (!compiled) {
        const QString source = TextOf(argv[1]);
        auto items = CompilePattern(source);
        if (!items) {
            sqlite3_result_error(ctx, "Invalid pattern string.", -1);
            return;
        }
        compiled = new CompiledPattern{source, std::move(*items)};
        sqlite3_set_auxdata(ctx, 1, compiled, [](void* p) { delete static_cast<CompiledPattern*>(p); });
        compiled = static_cast<CompiledPattern*>(sqlite3_get_auxdata(ctx, 1));
        if (!compiled) {  // SQLite may drop aux data at once; match without the cache
            auto again = CompilePattern(source);
            sqlite3_result_int(ctx, MatchCompiled(*again, TextOf(argv[0])) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(ctx, MatchCompiled(compiled->items, TextOf(argv[0])) ? 1 : 0);
}

void SqlLCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, TextOf(argv[0]).toLower());
}

void SqlUCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, TextOf(argv[0]).toUpper());
}

void SqlNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, ::Now());
}

void SqlDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, ::Date());
}

// Year, Month or Day of a day number or of a date text.
template <int Part>
void SqlDatePart(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::optional<double> day;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT)
        day = DateValueOf(TextOf(argv[0]));
    else
        day = NumberOf(argv[0]);
    if (!day) {
        sqlite3_result_error(ctx, kTypeMismatch, -1);
        return;
    }
    int year = 0, month = 0, dayOfMonth = 0;
    try {
        DecodeDate(*day, year, month, dayOfMonth);
    } catch (const Exception& error) {
        ResultError(ctx, error);
        return;
    }
    sqlite3_result_int(ctx, Part == 0 ? year : Part == 1 ? month : dayOfMonth);
}

void SqlDivide(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double a = 0, b = 0;
    if (!TwoNumbers(ctx, argv, a, b))
        return;
    if (b == 0) {
        sqlite3_result_error(ctx, "Division by zero.", -1);
        return;
    }
    sqlite3_result_double(ctx, a / b);
}

// An operand of a whole-number division as the whole number it rounds to; the overflow error
// for one past the 64-bit range (or no number at all).
qint64 WholeNumberOf(sqlite3_value* v, double number)
{
    if (sqlite3_value_type(v) == SQLITE_INTEGER)
        return sqlite3_value_int64(v);
    const double whole = std::nearbyint(number);
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (!(whole >= -kLimit && whole < kLimit))
        RaiseOverflow();
    return qint64(whole);
}

// Both operands rounded to whole numbers first; the lowest number divided by -1 has no
// 64-bit result.
template <class Op>
void WholeNumberDivision(sqlite3_context* ctx, sqlite3_value** argv, Op op)
{
    double a = 0, b = 0;
    if (!TwoNumbers(ctx, argv, a, b))
        return;
    try {
        const qint64 x = WholeNumberOf(argv[0], a);
        const qint64 y = WholeNumberOf(argv[1], b);
        if (y == 0) {
            sqlite3_result_error(ctx, "Division by zero.", -1);
            return;
        }
        if (x == std::numeric_limits<qint64>::min() && y == -1)
            RaiseOverflow();
        sqlite3_result_int64(ctx, op(x, y));
    } catch (const Exception& error) {
        ResultError(ctx, error);
    }
}

void SqlIntDivide(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    WholeNumberDivision(ctx, argv, [](qint64 x, qint64 y) { return x / y; });
}

void SqlModulo(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    WholeNumberDivision(ctx, argv, [](qint64 x, qint64 y) { return x % y; });
}

// A power past the largest number overflows, as Jet's does.
void SqlPower(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double a = 0, b = 0;
    if (!TwoNumbers(ctx, argv, a, b))
        return;
    const double power = std::pow(a, b);
    if (std::isinf(power) && std::isfinite(a) && std::isfinite(b)) {
        ResultEngineError(ctx, dao::errOverflow, QCoreApplication::translate("Dao", kOverflow));
        return;
    }
    sqlite3_result_double(ctx, power);
}

void SqlConcat(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (IsNull(argv[0]) && IsNull(argv[1]))
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, TextOf(argv[0]) + TextOf(argv[1]));
}

void SqlToNumber(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type != SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const auto number = NumberOfText(TextOf(argv[0]));
    if (!number) {
        sqlite3_result_error(ctx, kTypeMismatch, -1);
        return;
    }
    sqlite3_result_double(ctx, *number);
}

int CollateText(void*, int n1, const void* p1, int n2, const void* p2)
{
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    const int n = std::min(n1, n2);
    for (int i = 0; i < n; ++i) {
        if (a[i] >= 0x80 || b[i] >= 0x80)
            return CompareText(QString::fromUtf8(reinterpret_cast<const char*>(a), n1),
                               QString::fromUtf8(reinterpret_cast<const char*>(b), n2));
        const int x = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
        const int y = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
        if (x != y)
            return x < y ? -1 : 1;
    }
    return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

}  // namespace

QString FormatNumber(double value, const QString& format)
{
    if (!std::isfinite(value))
        RaiseOverflow();
    // A plain pattern of digits ("0.00"): no named format and no date pattern has a 0 or # outside
    // quotes, and this one has no quotes.
    if (IsDigitPattern(format))
        return FormatWithPattern(value, format, true);
    const QString name = format.trimmed();
    const auto is = [&](const char* n) { return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0; };
    if (name.isEmpty() || is("General Number"))
        return GeneralNumber(value);
    if (is("Fixed"))
        return FormatWithPattern(value, QStringLiteral("0.00"), true);
    if (is("Standard"))
        return FormatWithPattern(value, QStringLiteral("#,##0.00"), true);
    if (is("Percent"))
        return FormatWithPattern(value, QStringLiteral("0.00%"), true);
    if (is("Scientific"))
        return QString::number(value, 'E', 2);
    if (is("Yes/No"))
        return value != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    if (is("True/False"))
        return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (is("On/Off"))
        return value != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    if (is("General Date"))
        return DateTimeToStr(value);
    if (is("Long Date") || is("Medium Date") || is("Short Date"))
        return DateToStr(value);
    if (is("Long Time") || is("Medium Time"))
        return FormatDatePattern(value, QStringLiteral("hh:nn:ss"));
    if (is("Short Time"))
        return FormatDatePattern(value, QStringLiteral("hh:nn"));
    if (IsDatePattern(format))
        return FormatDatePattern(value, format);

    const QStringList sections = SplitSections(format);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        return FormatWithPattern(-value, sections[1], false);
    if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty())
        return FormatWithPattern(0, sections[2], false);
    return FormatWithPattern(value, sections[0], true);
}

std::optional<double> DateValueOf(const QString& text)
{
    static const QRegularExpression dmy(QStringLiteral("^(\\d{1,2})[./-](\\d{1,2})[./-](\\d{1,4})(?:\\s+(.*))?$"));
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:\\s+(.*))?$"));
    static const QRegularExpression time(QStringLiteral("^\\d{1,2}:\\d{1,2}(:\\d{1,2})?(\\s*(AM|PM))?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString t = text.trimmed();
    int year = 0, month = 0, day = 0;
    QString rest;
    if (auto m = ymd.match(t); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        rest = m.captured(4);
    } else if (auto m2 = dmy.match(t); m2.hasMatch()) {
        day = m2.captured(1).toInt();
        month = m2.captured(2).toInt();
        year = m2.captured(3).toInt();
        if (m2.captured(3).size() <= 2)
            year += year < 30 ? 2000 : 1900;
        rest = m2.captured(4);
    } else {
        return std::nullopt;
    }
    if (!rest.trimmed().isEmpty() && !time.match(rest.trimmed()).hasMatch())
        return std::nullopt;
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value))
        return std::nullopt;
    return value;
}

std::optional<bool> LikeMatch(const QString& value, const QString& pattern)
{
    const auto items = CompilePattern(pattern);
    if (!items)
        return std::nullopt;
    return MatchCompiled(*items, value);
}

int CompareText(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::optional<FunctionError> FunctionErrorOf(const QString& message)
{
    if (!message.startsWith(kFunctionErrorMark))
        return std::nullopt;
    const qsizetype colon = message.indexOf(QStringLiteral(": "), kFunctionErrorMark.size());
    bool ok = false;
    const int number = message.mid(kFunctionErrorMark.size(), colon - kFunctionErrorMark.size()).toInt(&ok);
    if (colon < 0 || !ok)
        return std::nullopt;
    return FunctionError{number, message.mid(colon + 2)};
}

void RegisterFunctions(sqlite3* db)
{
    using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);
    const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    const struct {
        const char* name;
        int args;
        int flags;
        Fn fn;
    } kFunctions[] = {
        {sqlfn::kFormat, -1, pure, SqlFormat},      {sqlfn::kDateValue, 1, pure, SqlDateValue},
        {sqlfn::kLike, 2, pure, SqlLike},           {sqlfn::kLCase, 1, pure, SqlLCase},
        {sqlfn::kUCase, 1, pure, SqlUCase},         {sqlfn::kNow, 0, SQLITE_UTF8, SqlNow},
        {sqlfn::kDate, 0, SQLITE_UTF8, SqlDate},    {sqlfn::kYear, 1, pure, SqlDatePart<0>},
        {sqlfn::kMonth, 1, pure, SqlDatePart<1>},   {sqlfn::kDay, 1, pure, SqlDatePart<2>},
        {sqlfn::kDivide, 2, pure, SqlDivide},       {sqlfn::kIntDivide, 2, pure, SqlIntDivide},
        {sqlfn::kModulo, 2, pure, SqlModulo},       {sqlfn::kPower, 2, pure, SqlPower},
        {sqlfn::kConcat, 2, pure, SqlConcat},       {sqlfn::kToNumber, 1, pure, SqlToNumber},
    };
    for (const auto& f : kFunctions)
        sqlite3_create_function_v2(db, f.name, f.args, f.flags, nullptr, f.fn, nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, CollateText, nullptr);
}

}  // namespace jet
