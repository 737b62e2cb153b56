#pragma once
// The engine criteria terms of the table dataset's searches and master-detail links, and the
// list and comparison routines they rest on. Every value that goes into a criteria text is
// checked or quoted here, so no search text can change the criteria around it.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Variant.h"

#include <QChar>
#include <QLocale>
#include <QObject>
#include <QString>
#include <cstddef>
#include <variant>

class TStrings;

// A currency amount passed as a key value.
struct TVarRecCurrency {
    double amount = 0;
};

// One key value of mixed simple type: integer, Boolean, currency, character, floating number,
// text, variant, character pointer, no value (nullptr), object, untyped pointer.
using TVarRec = std::variant<qint32, bool, TVarRecCurrency, QChar, double, QString, TVariant, const char*,
                             std::nullptr_t, const QObject*, const void*>;

// The variant of a key value; raises "Invalid object" and "Invalid data" for what is no value.
TVariant VarRecToVariant(const TVarRec& value);

// The ';'-separated names as lines, each trimmed (empty entries stay).
void ParseFieldList(const QString& text, TStrings& list);
// One line per value (per element of an array); a Null value gives an empty line marked as
// Null (IsNullKey), so a text reading "NULL" stays a text.
void KeyValuesToList(const TVariant& values, TStrings& list);
bool IsNullKey(const TStrings& list, int index);

// The characters a GUID field accepts.
const QString& GuidValidChars();
bool IsGuidValidChars(const QString& chars);

// "(" name " " comparison ")"; the name bracketed when asked.
QString CriteriaTerm(const QString& name, bool useBrackets, const QString& comparison);

// The comparison of a key or locate term for a value text (a Null key is "IS NULL", decided by
// the caller). `value` is replaced by the form the search used (a normalised date, a
// lower-cased text under loCaseInsensitive). A partial text key is a prefix that matches the
// typed characters only, the engine's wildcards among them. Raises `failure` for a type
// without comparison or a value the type cannot read.
QString KeyComparison(TFieldType type, bool guidField, QString& value, TLocateOptions options,
                      const QString& failure, const QLocale& locale = QLocale());

// The comparison for a master field's current value; raises `failure` for a type without one.
QString MasterComparison(const TField& field, const QString& failure);

// The sign of comparing two record texts of a field type (0 when they do not read as the type).
int CompareFieldText(const QString& a, const QString& b, TFieldType type);
