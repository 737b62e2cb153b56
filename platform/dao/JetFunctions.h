#pragma once
// The Jet functions SQLite lacks, as registered SQL functions (names in SqliteDialect.h), and
// the JETTEXT collation. The value rules are public so the translator can fold constants with
// exactly the rules the engine applies to rows.

#include <QString>
#include <optional>

struct sqlite3;

namespace jet {

// Jet's Format of a number: named formats (General Number, Fixed, Standard, Percent, Yes/No,
// True/False, On/Off, Short Date, Long Time, ...) and patterns of 0 # . , % and literals, up to
// four sections separated by ';'. The point is always '.', halves round away from zero. An
// infinite or undefined number raises the engine's overflow error.
QString FormatNumber(double value, const QString& format);

// Datevalue of a text, day first: "dd/mm/yyyy" (also '.' or '-' between), an optional time
// after it is dropped; nullopt when the text names no real day.
std::optional<double> DateValueOf(const QString& text);

// A Jet LIKE pattern against a value: * any run, ? one character, # one digit, [..] one of,
// [!..] none of, ranges a-z inside brackets; letters without case. nullopt for a malformed
// pattern (an unclosed '[').
std::optional<bool> LikeMatch(const QString& value, const QString& pattern);

// The JETTEXT order: without case, Unicode-aware.
int CompareText(const QString& a, const QString& b);

// The engine error a registered function failed its statement with, read back from the
// statement's error text; nullopt when the text is SQLite's own.
struct FunctionError {
    int number = 0;
    QString description;
};
std::optional<FunctionError> FunctionErrorOf(const QString& message);

// Registers every jet_* function and the collation on the connection.
void RegisterFunctions(sqlite3* db);

}  // namespace jet
