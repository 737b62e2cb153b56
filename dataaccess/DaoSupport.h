#pragma once
// Text routines of the table dataset: timestamp texts, parameter literals and their whole-word
// substitution, criteria name quoting, GUID texts, and the engine's option and query-type names.

#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

class TParam;
class TStrings;

// Options of an engine recordset, in the order of their engine constants (1, 2, 4, ... 2048).
enum TOO {
    dbDenyWrite, dbDenyRead, dbReadOnly, dbAppendOnly, dbInconsistent, dbConsistent, dbSQLPassThrough,
    dbFailOnError, dbForwardOnly, dbSeeChanges, dbRunAsync, dbExecDirect
};
// A set of TOO: bit n stands for the element n.
using TOOSet = unsigned int;
constexpr TOOSet OOBit(TOO option) { return 1u << unsigned(option); }

// The engine's option value of a set: the sum of the constants of its elements.
int OptionWord(TOOSet options);

// The name of a saved query's engine type ("dbQSelect", ...); empty for an unknown type.
QString QueryDefTypeName(int type);

// "<day count> <milliseconds>" of a date-time (days since 1 January of year 1).
QString DateTimeToStampText(double dateTime);

// A Jet date literal "m/d/yyyy[ h:nn[:ss][ AM|PM]]" (without the '#' signs) as timestamp text;
// empty when it names no real date or time.
QString DateLiteralToStamp(const QString& literal);

// Timestamp text to a date variant; Null when the text is no valid timestamp.
TVariant StringToTimeStampVariant(const QString& text);

// A date criterion typed by a person: digits and separators only, one blank between date and
// time. The separators are '/', '.' for dates and ':' for times.
QString NormalizeDateText(const QString& text);

// "a.b" -> "[a].[b]".
QString BracketDottedName(const QString& name);

// The characters that continue a parameter name: "_" and every letter and digit of the code
// page's characters 32 to 255.
const QString& IdentifierChars();
bool IsIdentifierChar(QChar c);

// Record texts to values; each is false when the text is empty or does not read as the type.
// Integers accept a float text and round it ("12.7" gives 13).
bool TextToInteger(const QString& text, qint64& out);
bool TextToFloat(const QString& text, double& out);
// "true", "yes", "on", "-1" and non-zero integers are true; "false", "no", "off", 0 false; one
// leading "=" is ignored; case does not matter.
bool TextToBoolean(const QString& text, bool& out);

// A double-quoted text literal, inner double quotes doubled.
QString QuoteTextLiteral(const QString& text);
// A number as the engine reads it: '.' for the decimal point, no group separators, whatever
// the locale's own forms are.
QString NumberLiteral(double value, const QLocale& locale = QLocale());
// The braced upper-case form of 16 GUID bytes; empty for another length or the null GUID.
QString GuidBytesToText(const QByteArray& bytes);
// The 16 bytes of a GUID text ("{...}" or bare); empty when the text is no GUID.
QByteArray GuidTextToBytes(const QString& text);

// "#mm/dd/yyyy#", "#hh:nn:ss#" or "#mm/dd/yyyy hh:nn:ss#" by the type (ftDate, ftTime, any other),
// with these separators whatever the locale's are.
QString DateTimeLiteral(double value, TFieldType type);

// The literal that stands for a non-Null parameter in SQL text.
QString ParamLiteral(const TParam& param, const QLocale& locale = QLocale());

// Replaces every whole-word occurrence of token (compared without case) outside quoted literals
// and bracketed names by literal; the rest of the text keeps its case and replacements are not
// searched again. For a Null value an
// equality before the token becomes "IS NULL", an inequality "IS NOT NULL", and a token
// standing anywhere else the literal NULL.
QString ReplaceParamToken(const QString& text, const QString& token, const QString& literal, bool isNull = false);

// The lines of a string list joined with one blank.
QString JoinLines(const TStrings& lines);

// The Sort text of sort lines: "a, b " (each line followed by a blank, commas between lines).
QString SortTextOf(const TStrings& lines);
