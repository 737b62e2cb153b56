#include "memtable/MemCompare.h"

#include "platform/toolkit/Fields.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename T>
T Read(const quint8* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int r) { return r < 0 ? -1 : (r > 0 ? 1 : 0); }

int SlotTextLength(const quint8* value, int valueSize)
{
    const int units = valueSize / 2;
    int length = 0;
    while (length < units && Read<char16_t>(value + 2 * length) != 0) ++length;
    return length;
}

bool IsAligned(const quint8* value) { return reinterpret_cast<quintptr>(value) % alignof(char16_t) == 0; }

int CompareTextViews(QStringView left, QStringView right, bool caseInsensitive, bool partialKey)
{
    if (partialKey && right.size() > left.size()) right.truncate(left.size());
    if (caseInsensitive)
        return Sign(QString::localeAwareCompare(left.toString().toUpper(), right.toString().toUpper()));
    return Sign(QString::localeAwareCompare(left, right));
}

int CompareTexts(const quint8* a, const quint8* b, int valueSize, bool caseInsensitive, bool partialKey)
{
    // Data slots hold text at even offsets and are read in place; calculated slots may not.
    if (IsAligned(a) && IsAligned(b))
        return CompareTextViews(QStringView(reinterpret_cast<const char16_t*>(a), SlotTextLength(a, valueSize)),
                                QStringView(reinterpret_cast<const char16_t*>(b), SlotTextLength(b, valueSize)),
                                caseInsensitive, partialKey);
    return CompareTextViews(MemSlotText(a, valueSize), MemSlotText(b, valueSize), caseInsensitive, partialKey);
}

// A decimal as sign, integer digits without leading zeros and fraction digits without trailing
// zeros, so that two values order by comparing the parts.
struct DecimalParts {
    bool negative = false;
    QString integer;
    QString fraction;
};

DecimalParts SplitDecimal(const TBcd& bcd)
{
    QString text = BcdToStr(bcd);
    DecimalParts parts;
    if (text.startsWith(QLatin1Char('-'))) {
        parts.negative = true;
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    parts.integer = point < 0 ? text : text.left(point);
    parts.fraction = point < 0 ? QString() : text.mid(point + 1);
    while (parts.integer.startsWith(QLatin1Char('0'))) parts.integer.remove(0, 1);
    while (parts.fraction.endsWith(QLatin1Char('0'))) parts.fraction.chop(1);
    if (parts.integer.isEmpty() && parts.fraction.isEmpty()) parts.negative = false;
    return parts;
}

int CompareMagnitudes(const DecimalParts& a, const DecimalParts& b)
{
    if (a.integer.size() != b.integer.size()) return Order(a.integer.size(), b.integer.size());
    if (int r = Sign(a.integer.compare(b.integer))) return r;
    return Sign(a.fraction.compare(b.fraction));
}

int CompareBcds(const quint8* a, const quint8* b)
{
    const DecimalParts left = SplitDecimal(Read<TBcd>(a));
    const DecimalParts right = SplitDecimal(Read<TBcd>(b));
    if (left.negative != right.negative) return left.negative ? -1 : 1;
    const int r = CompareMagnitudes(left, right);
    return left.negative ? -r : r;
}

int CompareByteRuns(const quint8* a, int lengthA, const quint8* b, int lengthB)
{
    if (int r = std::memcmp(a, b, size_t(std::min(lengthA, lengthB)))) return Sign(r);
    return Order(lengthA, lengthB);
}

int CompareVarBytes(const quint8* a, const quint8* b, int valueSize)
{
    const int maxLength = valueSize - 2;
    const int lengthA = std::min<int>(Read<quint16>(a), maxLength);
    const int lengthB = std::min<int>(Read<quint16>(b), maxLength);
    return CompareByteRuns(a + 2, lengthA, b + 2, lengthB);
}

}  // namespace

QString MemSlotText(const quint8* value, int valueSize)
{
    const int length = SlotTextLength(value, valueSize);
    QString text(length, Qt::Uninitialized);
    std::memcpy(text.data(), value, size_t(length) * 2);
    return text;
}

void SetMemSlotText(quint8* value, int valueSize, const QString& text)
{
    qsizetype length = std::min<qsizetype>(text.size(), valueSize / 2 - 1);
    // Never cut a surrogate pair in half.
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate()) --length;
    std::memset(value, 0, size_t(valueSize));
    std::memcpy(value, text.constData(), size_t(length) * 2);
}

int CompareFieldValues(const quint8* a, const quint8* b, const TMemSlot& slot, bool caseInsensitive, bool partialKey)
{
    switch (slot.Kind) {
    case TMemSlotKind::Text: return CompareTexts(a, b, slot.ValueSize, caseInsensitive, partialKey);
    case TMemSlotKind::SmallInt: return Order(Read<qint16>(a), Read<qint16>(b));
    case TMemSlotKind::Word: return Order(Read<quint16>(a), Read<quint16>(b));
    case TMemSlotKind::Boolean: return Order(Read<qint16>(a) != 0, Read<qint16>(b) != 0);
    case TMemSlotKind::Integer:
    case TMemSlotKind::Date:
    case TMemSlotKind::Time: return Order(Read<qint32>(a), Read<qint32>(b));
    case TMemSlotKind::Float:
    case TMemSlotKind::DateTime: return Order(Read<double>(a), Read<double>(b));
    case TMemSlotKind::LargeInt: return Order(Read<qint64>(a), Read<qint64>(b));
    case TMemSlotKind::Bcd: return CompareBcds(a, b);
    case TMemSlotKind::Bytes: return CompareByteRuns(a, slot.ValueSize, b, slot.ValueSize);
    case TMemSlotKind::VarBytes: return CompareVarBytes(a, b, slot.ValueSize);
    case TMemSlotKind::Blob: return 0;
    }
    return 0;
}

int CompareRowFields(const TMemKeyFields& fields, int count, TMemTableCompareOptions options, const TMemRow* a,
                     const TMemRow* b)
{
    if (!a || !b) return 0;
    const bool ci = options.testFlag(mtcoCaseInsensitive);
    const bool partial = options.testFlag(mtcoPartialKey);
    const size_t n = (count > 0 && size_t(count) < fields.size()) ? size_t(count) : fields.size();
    for (size_t i = 0; i < n; ++i) {
        const TMemSlot& slot = fields[i].Slot;
        const bool hasA = SlotHasValue(a, slot.Offset);
        const bool hasB = SlotHasValue(b, slot.Offset);
        int r = 0;
        if (hasA && hasB)
            r = CompareFieldValues(SlotValue(a, slot.Offset), SlotValue(b, slot.Offset), slot, ci, partial);
        else if (hasA)
            r = 1;
        else if (hasB)
            r = -1;
        if (r != 0) return r;
    }
    return 0;
}
