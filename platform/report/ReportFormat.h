#pragma once
// How the report turns values into printed text: number masks such as "0.00", "#,##0.00" or
// "0000000000.", and the plain text of every value kind.

#include "platform/toolkit/Variant.h"

#include <QString>

// A number by a mask: '0' a digit always printed, '#' a digit printed when significant, '.' the
// decimal point, ',' in the integer part groups thousands, text in quotes and any other character
// printed as it stands. Up to three sections "positive;negative;zero"; the negative section is
// printed without a sign. Halves round away from zero. The point is printed unless every
// fraction place is '#' and nothing is left after it.
QString FormatNumber(const QString& mask, double value);

// A value's printed text: Null and Empty as empty text, numbers by the mask (or the shortest
// exact form without one), dates as "dd.MM.yyyy" (with the time when it has one), booleans as
// "True"/"False".
QString FormatValue(const TVariant& value, const QString& mask = QString());
