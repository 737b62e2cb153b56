#include "dataaccess/DaoCriteria.h"

#include "dataaccess/DaoSupport.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Strings.h"

#include <QUuid>
#include <algorithm>

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

const QString kQuote = QStringLiteral("\"");

bool IsIntegerType(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

// A number text as the engine reads it; false when the text is no number at all. The locale's
// own forms are read first, then the '.' form.
bool NumberText(const QString& text, TFieldType type, const QLocale& locale, QString& out)
{
    const QString t = text.trimmed();
    bool ok = false;
    double value = locale.toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return false;
    if (IsIntegerType(type) && value == double(qint64(value))) {
        out = QString::number(qint64(value));
        return true;
    }
    out = NumberLiteral(value, QLocale::c());
    return true;
}

// The typed text as a LIKE pattern that matches only itself: the engine's wildcards and the
// opening bracket each stand in brackets.
QString LiteralPattern(const QString& text)
{
    QString pattern;
    pattern.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'*' || c == u'?' || c == u'#' || c == u'[')
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

QString TextComparison(const QString& value, TLocateOptions options)
{
    if (!options.testFlag(loPartialKey)) {
        const QString literal = QuoteTextLiteral(value);
        if (options.testFlag(loCaseInsensitive))
            return QStringLiteral(" = LCASE(") + literal + QLatin1Char(')');
        return QStringLiteral(" = ") + literal;
    }
    // A partial key is a prefix of the row's text.
    const QString pattern = QuoteTextLiteral(LiteralPattern(value) + QLatin1Char('*'));
    if (options.testFlag(loCaseInsensitive))
        return QStringLiteral(" LIKE LCASE(") + pattern + QLatin1Char(')');
    return QStringLiteral(" LIKE ") + pattern;
}

QString GuidText(const QByteArray& bytes)
{
    const QString text = GuidBytesToText(bytes);
    if (!text.isEmpty() || bytes.size() != 16)
        return text;
    return QUuid().toString(QUuid::WithBraces).toUpper();
}

}  // namespace

TVariant VarRecToVariant(const TVarRec& value)
{
    return std::visit(Overloaded{
                          [](qint32 v) { return TVariant(v); },
                          [](bool v) { return TVariant(v); },
                          [](TVarRecCurrency v) { return TVariant::FromCurrency(v.amount); },
                          [](QChar v) { return TVariant(QString(v)); },
                          [](double v) { return TVariant(v); },
                          [](const QString& v) { return TVariant(v); },
                          [](const TVariant& v) { return v; },
                          [](const char* v) -> TVariant {
                              if (v)
                                  DatabaseError(QStringLiteral("Invalid data"));
                              return TVariant();
                          },
                          [](std::nullptr_t) { return TVariant(); },
                          [](const QObject*) -> TVariant { DatabaseError(QStringLiteral("Invalid object")); },
                          [](const void* v) -> TVariant {
                              if (v)
                                  DatabaseError(QStringLiteral("Invalid data"));
                              return TVariant();
                          },
                      },
                      value);
}

void ParseFieldList(const QString& text, TStrings& list)
{
    list.Clear();
    for (const QString& line : QString(text).replace(QLatin1Char(';'), QLatin1Char('\n')).split(QLatin1Char('\n')))
        list.Add(line.trimmed());
}

namespace {
// Marks the entries of a key value list that stand for Null; no text can be mistaken for it.
char nullKeyMark;
}  // namespace

bool IsNullKey(const TStrings& list, int index)
{
    return list.GetObject(index) == &nullKeyMark;
}

void KeyValuesToList(const TVariant& values, TStrings& list)
{
    list.Clear();
    auto add = [&](const TVariant& v) {
        if (v.IsNull())
            list.AddObject(QString(), &nullKeyMark);
        else
            list.Add(v.AsString());
    };
    if (!values.IsArray()) {
        add(values);
        return;
    }
    for (int i = values.ArrayLowBound(); i <= values.ArrayHighBound(); ++i)
        add(values[i]);
}

const QString& GuidValidChars()
{
    static const QString chars = QStringLiteral("-0123456789ABCDEFabcdef{}");
    return chars;
}

bool IsGuidValidChars(const QString& chars)
{
    QString a = chars, b = GuidValidChars();
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

QString CriteriaTerm(const QString& name, bool useBrackets, const QString& comparison)
{
    return QLatin1Char('(') + (useBrackets ? BracketDottedName(name) : name) + QLatin1Char(' ') + comparison
           + QLatin1Char(')');
}

QString KeyComparison(TFieldType type, bool guidField, QString& value, TLocateOptions options, const QString& failure,
                      const QLocale& locale)
{
    switch (type) {
    case ftString:
    case ftMemo: {
        if (value.isEmpty())
            return QStringLiteral(" = ") + kQuote + kQuote;
        if (options.testFlag(loCaseInsensitive))
            value = value.toLower();
        return TextComparison(value, options);
    }
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftAutoInc: {
        if (value.isEmpty())
            return QStringLiteral(" IS NULL");
        QString number;
        if (!NumberText(value, type, locale, number))
            DatabaseError(failure);
        return QStringLiteral(" = ") + number;
    }
    case ftBoolean: {
        if (value.isEmpty())
            return QStringLiteral(" IS NULL");
        bool flag = false;
        if (!TextToBoolean(value, flag))
            DatabaseError(failure);
        return flag ? QStringLiteral(" = True") : QStringLiteral(" = False");
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        if (value.isEmpty())
            return QStringLiteral(" IS NULL");
        value = NormalizeDateText(value);
        TDateTime when = 0;
        if (!TryStrToDateTime(value, when))
            DatabaseError(failure);
        return QStringLiteral(" = ") + DateTimeLiteral(when, type);
    }
    case ftBytes: {
        if (value.isEmpty())
            return QStringLiteral(" IS NULL");
        if (!guidField)
            return QStringLiteral(" = ") + QuoteTextLiteral(value);
        const QByteArray bytes = GuidTextToBytes(value);
        if (bytes.isEmpty())
            DatabaseError(failure);
        return QStringLiteral(" = {guid ") + GuidText(bytes) + QLatin1Char('}');
    }
    default:
        DatabaseError(failure);
    }
}

QString MasterComparison(const TField& field, const QString& failure)
{
    if (field.IsNull())
        return QStringLiteral("IS NULL");
    const TFieldType type = field.DataType();
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
        return QStringLiteral(" = ") + QuoteTextLiteral(field.AsString());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return QStringLiteral(" = ") + QString::number(field.AsVariant().AsInt64());
    case ftFloat:
    case ftCurrency:
        return QStringLiteral(" = ") + NumberLiteral(field.AsFloat(), QLocale::c());
    case ftBoolean:
        return field.AsBoolean() ? QStringLiteral(" = True") : QStringLiteral(" = False");
    case ftDate:
    case ftTime:
    case ftDateTime:
        return QStringLiteral(" = ") + DateTimeLiteral(field.AsDateTime(), type);
    case ftBytes:
        if (IsGuidValidChars(field.ValidChars()))
            return QStringLiteral(" = {guid ") + GuidText(field.AsBytes()) + QLatin1Char('}');
        return QStringLiteral(" = ") + QuoteTextLiteral(field.AsString());
    default:
        DatabaseError(failure);
    }
}

namespace {

int Sign(qint64 v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

bool IntegerText(const QString& text, qint64& out)
{
    bool ok = false;
    out = text.trimmed().toLongLong(&ok);
    return ok;
}

// Timestamp texts compare by day, then by millisecond; other texts as texts.
int CompareStampTexts(const QString& a, const QString& b)
{
    TTimeStamp x, y;
    if (TextToTimeStamp(a, x) && TextToTimeStamp(b, y))
        return x.Date != y.Date ? Sign(qint64(x.Date) - y.Date) : Sign(qint64(x.Time) - y.Time);
    return Sign(a.compare(b, Qt::CaseInsensitive));
}

}  // namespace

int CompareFieldText(const QString& a, const QString& b, TFieldType type)
{
    qint64 x = 0, y = 0;
    switch (type) {
    case ftString:
    case ftMemo:
        return Sign(a.compare(b, Qt::CaseInsensitive));
    case ftDate:
    case ftTime:
    case ftDateTime:
        return CompareStampTexts(a, b);
    case ftSmallint:
        return IntegerText(a, x) && IntegerText(b, y) ? Sign(qint64(qint16(x)) - qint16(y)) : 0;
    case ftWord:
        return IntegerText(a, x) && IntegerText(b, y) ? Sign(qint64(quint16(x)) - quint16(y)) : 0;
    case ftInteger:
    case ftAutoInc:
        return IntegerText(a, x) && IntegerText(b, y) ? Sign(x - y) : 0;
    case ftBoolean: {
        const bool ta = a.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        const bool tb = b.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        return ta && !tb ? 1 : (tb && !ta ? -1 : 0);
    }
    case ftFloat:
    case ftCurrency: {
        bool okA = false, okB = false;
        const double fa = a.trimmed().toDouble(&okA), fb = b.trimmed().toDouble(&okB);
        if (!okA || !okB)
            return 0;
        return fa > fb ? 1 : (fa < fb ? -1 : 0);
    }
    default:
        return 0;
    }
}
