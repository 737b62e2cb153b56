#pragma once
// Date helpers for cash periods and reports, and a money amount written in Bulgarian words for
// the invoice. The words are the program's string resources, looked up by number, so that a
// translation replaces them without code changes.

#include "platform/toolkit/DateTime.h"

#include <QString>

// The grammatical gender a number word agrees with.
enum TWordGender { wgNeuter = 1, wgMasculine = 2, wgFeminine = 3 };

// The text of string resource `id`; empty for an unknown id.
QString LoadResString(int id);

// The first day of `value`'s month, without time.
TDateTime FirstDayOfMonth(TDateTime value);
// The first day of the month one calendar month later, minus one day.
TDateTime LastDayOfMonth(TDateTime value);
// `value` without its time, plus one day.
TDateTime NextDay(TDateTime value);
// `value` without its time, plus `days` (negative counts back).
TDateTime AddDays(int days, TDateTime value);

// `value` to the nearest hundredth, ties to even on the stored double. Raises EConvertError for
// NaN, an infinity, or a value whose hundredths do not fit a 64-bit whole number.
double RoundTo2(double value);

// The word of a digit 1 to 9 in `gender`; empty for any other digit.
QString DigitInWords(int digit, int gender);
// 0 to 999 in words, units agreeing with `gender`; empty for 0.
QString HundredsInWords(int value, int gender);
// "<leva in words> лев(а) и <stotinki in digits> стотинк(а|и)", with "минус" before an amount
// that is below zero once rounded. Raises EConvertError beyond 999 999 999 999.99 leva, for NaN
// and for an infinity.
QString AmountInWords(double value);
