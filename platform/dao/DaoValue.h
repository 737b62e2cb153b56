#pragma once
// Values between the engine's field types and SQLite: what a column holds, what a field
// accepts, and the conversions in both directions.

#include "platform/toolkit/Variant.h"

#include <QString>

struct sqlite3_stmt;

namespace dao {

// The value of a result column read as the given field type (0: by the stored kind).
TVariant ColumnValue(sqlite3_stmt* stmt, int column, int fieldType);

// Binds a value already converted for its field (Null and Empty bind NULL).
void BindValue(sqlite3_stmt* stmt, int index, const TVariant& value);

// The value converted to what a field of that type stores; raises the engine's conversion
// error (3421) when it cannot be. Null stays Null; Empty becomes Null.
TVariant CoerceToField(const TVariant& value, int fieldType);

// The SQLite column type a field type is stored as.
QString StorageType(int fieldType);

// True for the text types, whose length is limited by the field size.
bool IsTextType(int fieldType);

// The value of a Jet default-value text when it is a constant (number, quoted text, #date#,
// True/False, Null), Now(), Date(), Time() or a new GUID (GenGUID()); Empty when it is something else.
TVariant EvaluateDefault(const QString& defaultText, int fieldType);

// The engine's DEFAULT clause for a default-value text, empty when it cannot be one.
QString DefaultClause(const QString& defaultText, int fieldType);

// The engine's quoted identifier and text literal (the dialect's QuoteIdentifier and
// TextLiteral), for the store's own statements.
QString QuoteName(const QString& name);
QString QuoteText(const QString& text);

}  // namespace dao
