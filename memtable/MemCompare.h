#pragma once
// The one value comparison of the memory table: sorting, searching, unique checks, ranges,
// master/detail and Locate all order rows through these functions.

#include "memtable/MemRow.h"

#include <QFlags>
#include <QString>
#include <vector>

class TField;

enum TMemTableCompareOption { mtcoDescending = 0x1, mtcoCaseInsensitive = 0x2, mtcoPartialKey = 0x4 };
Q_DECLARE_FLAGS(TMemTableCompareOptions, TMemTableCompareOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMemTableCompareOptions)

// One field of an index, key or master field list: where its value lives and the field itself.
struct TMemKeyField {
    TMemSlot Slot;
    TField* Field = nullptr;
    bool Calculated = false;
};
using TMemKeyFields = std::vector<TMemKeyField>;

// Text held in a Text slot (zero-terminated within valueSize bytes).
QString MemSlotText(const quint8* value, int valueSize);
// Writes text into a Text slot, cut to what the slot holds.
void SetMemSlotText(quint8* value, int valueSize, const QString& text);

// Orders two present values of one slot kind; partialKey cuts b's text to a's length first.
int CompareFieldValues(const quint8* a, const quint8* b, const TMemSlot& slot, bool caseInsensitive,
                       bool partialKey);
// The first non-zero comparison over the first `count` fields (all when count is 0 or more than
// the list holds); null sorts before any value. A missing row on either side compares equal.
int CompareRowFields(const TMemKeyFields& fields, int count, TMemTableCompareOptions options, const TMemRow* a,
                     const TMemRow* b);
