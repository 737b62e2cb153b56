#include "platform/report/ReportFormat.h"

#include "platform/toolkit/DateTime.h"

#include <QStringList>
#include <cmath>

namespace {

// Splits on ';' outside quotes.
QStringList MaskSections(const QString& mask)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

struct TMaskShape {
    int intZeros = 0;      // '0' places before the point
    int fracZeros = 0;     // '0' places after the point
    int fracPlaces = 0;    // all places after the point
    bool grouping = false;
    bool hasPoint = false;
    bool hasDigits = false;
};

TMaskShape ShapeOf(const QString& mask)
{
    TMaskShape shape;
    QChar quote;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'.' && !shape.hasPoint) {
            shape.hasPoint = true;
        } else if (c == u',' && !shape.hasPoint) {
            shape.grouping = true;
        } else if (c == u'0' || c == u'#') {
            shape.hasDigits = true;
            if (shape.hasPoint) {
                ++shape.fracPlaces;
                if (c == u'0')
                    shape.fracZeros = shape.fracPlaces;
            } else if (c == u'0') {
                ++shape.intZeros;
            }
        }
    }
    return shape;
}

QString Digits(double absValue, const TMaskShape& shape, QString& fraction)
{
    const double scale = std::pow(10.0, shape.fracPlaces);
    double scaled = absValue * scale;
    // The nudge makes decimal halves that binary cannot hold exactly (2.675) round up.
    scaled = std::round(scaled + 1e-7);
    QString text = QString::number(scaled, 'f', 0);
    while (text.size() <= shape.fracPlaces)
        text.prepend(u'0');
    fraction = text.right(shape.fracPlaces);
    QString integer = text.left(text.size() - shape.fracPlaces);
    while (fraction.size() > shape.fracZeros && fraction.endsWith(u'0'))
        fraction.chop(1);
    if (integer == QStringLiteral("0") && shape.intZeros == 0)
        integer.clear();
    while (integer.size() < shape.intZeros)
        integer.prepend(u'0');
    if (shape.grouping) {
        for (int at = integer.size() - 3; at > 0; at -= 3)
            integer.insert(at, u',');
    }
    return integer;
}

// Writes the mask with the number's digits in place of its placeholders.
QString ApplyMask(const QString& mask, double absValue)
{
    const TMaskShape shape = ShapeOf(mask);
    if (!shape.hasDigits)
        return mask;
    QString fraction;
    const QString integer = Digits(absValue, shape, fraction);
    QString out;
    QChar quote;
    bool digitsWritten = false;
    bool pointSeen = false;
    int fracAt = 0;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (!pointSeen) {
                if (!digitsWritten)
                    out += integer;
                digitsWritten = true;
            } else {
                if (fracAt < fraction.size())
                    out += fraction.at(fracAt);
                ++fracAt;
            }
        } else if (c == u'.' && !pointSeen) {
            if (!digitsWritten)
                out += integer;
            digitsWritten = true;
            pointSeen = true;
            if (!fraction.isEmpty() || shape.fracPlaces == 0)
                out += u'.';
        } else if (c == u',' && !pointSeen) {
            // grouping is part of the integer digits
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

QString FormatNumber(const QString& mask, double value)
{
    if (mask.isEmpty())
        return FloatToStr(value);
    const QStringList sections = MaskSections(mask);
    if (value == 0.0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return ApplyMask(sections.at(2), 0.0);
    if (value < 0.0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return ApplyMask(sections.at(1), -value);
    const QString text = ApplyMask(sections.at(0), std::fabs(value));
    if (value < 0.0) {
        // No minus sign for a value that rounds to zero.
        for (QChar c : text)
            if (c.isDigit() && c != u'0')
                return u'-' + text;
    }
    return text;
}

QString FormatValue(const TVariant& value, const QString& mask)
{
    switch (value.Type()) {
    case TVarType::Empty:
    case TVarType::Null:
        return {};
    case TVarType::Boolean:
        return value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case TVarType::Date:
        return DateTimeToStr(value.AsDateTime());
    case TVarType::Integer:
    case TVarType::Int64:
        if (mask.isEmpty())
            return QString::number(value.AsInt64());
        return FormatNumber(mask, value.AsFloat());
    case TVarType::Double:
    case TVarType::Currency:
        return FormatNumber(mask, value.AsFloat());
    default:
        return value.AsString();
    }
}
