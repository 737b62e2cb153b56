#include "memtable/MemCompare.h"
#include "memtable/MemIndex.h"
#include "memtable/MemRow.h"

#include "platform/toolkit/Fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

namespace {

// One slot of every comparable kind, in this order.
struct KindLayout {
    KindLayout()
    {
        for (auto [kind, size] : std::initializer_list<std::pair<TMemSlotKind, int>>{
                 {TMemSlotKind::Text, 22},    {TMemSlotKind::SmallInt, 2}, {TMemSlotKind::Word, 2},
                 {TMemSlotKind::Boolean, 2},  {TMemSlotKind::Integer, 4},  {TMemSlotKind::Float, 8},
                 {TMemSlotKind::Date, 4},     {TMemSlotKind::Time, 4},     {TMemSlotKind::DateTime, 8},
                 {TMemSlotKind::LargeInt, 8}, {TMemSlotKind::Bcd, 34},     {TMemSlotKind::Bytes, 3},
                 {TMemSlotKind::VarBytes, 5}})
            layout.AddSlot(kind, size);
    }
    int FieldOf(TMemSlotKind kind) const
    {
        for (int i = 1; i <= layout.SlotCount(); ++i)
            if (layout.Slot(i).Kind == kind) return i;
        return 0;
    }
    TMemRecordLayout layout;
};

using Writer = std::function<void(quint8* value, int valueSize)>;

template <typename T>
Writer Raw(T v)
{
    return [v](quint8* value, int) { std::memcpy(value, &v, sizeof v); };
}
Writer Text(const char* text)
{
    return [text](quint8* value, int size) { SetMemSlotText(value, size, QString::fromUtf8(text)); };
}
Writer Bcd(const char* text)
{
    return [text](quint8* value, int) {
        TBcd bcd = StrToBcd(QString::fromLatin1(text));
        std::memcpy(value, &bcd, sizeof bcd);
    };
}
Writer Bytes(QByteArray bytes)
{
    return [bytes](quint8* value, int) { std::memcpy(value, bytes.constData(), size_t(bytes.size())); };
}
Writer VarBytes(QByteArray bytes)
{
    return [bytes](quint8* value, int) {
        quint16 length = quint16(bytes.size());
        std::memcpy(value, &length, 2);
        std::memcpy(value + 2, bytes.constData(), size_t(bytes.size()));
    };
}
const Writer Null;  // no value
// Unequal, in an order the collation decides.
constexpr int Differ = 99;

struct CompareCase {
    const char* name;
    TMemSlotKind kind;
    Writer a;
    Writer b;
    TMemTableCompareOptions options;
    int expected;
};

int Compare(const CompareCase& c, bool throughDescendingIndex)
{
    KindLayout k;
    const int fieldNo = k.FieldOf(c.kind);
    const TMemSlot& slot = k.layout.Slot(fieldNo);
    TMemRow* a = k.layout.AllocRow();
    TMemRow* b = k.layout.AllocRow();
    auto put = [&](TMemRow* row, const Writer& w) {
        if (!w) return;
        row->Data[slot.Offset] = 1;
        w(SlotValue(row, slot.Offset), slot.ValueSize);
    };
    put(a, c.a);
    put(b, c.b);
    TMemKeyFields fields{TMemKeyField{slot, nullptr, false}};
    int r = 0;
    if (throughDescendingIndex) {
        TMemIndexOptions options;
        options.Descending = true;
        options.CaseInsensitive = c.options.testFlag(mtcoCaseInsensitive);
        TMemIndex index(nullptr, QStringLiteral("d"), QStringLiteral("f"), options);
        index.SetFieldList(fields);
        r = index.CompareRows(a, b, false);
    } else {
        r = CompareRowFields(fields, 0, c.options, a, b);
    }
    k.layout.FreeRow(a, false);
    k.layout.FreeRow(b, false);
    return r;
}

const TMemTableCompareOptions None;
const TMemTableCompareOptions CI = mtcoCaseInsensitive;
const TMemTableCompareOptions Partial = mtcoPartialKey;

const CompareCase Cases[] = {
    {"text less", TMemSlotKind::Text, Text("abc"), Text("abd"), None, -1},
    {"text equal", TMemSlotKind::Text, Text("abc"), Text("abc"), None, 0},
    {"text case sensitive", TMemSlotKind::Text, Text("abc"), Text("ABC"), None, Differ},
    {"text case insensitive", TMemSlotKind::Text, Text("abc"), Text("ABC"), CI, 0},
    {"text cyrillic case insensitive", TMemSlotKind::Text, Text("приход"), Text("ПРИХОД"), CI, 0},
    {"text prefix without partial", TMemSlotKind::Text, Text("ab"), Text("abc"), None, -1},
    {"text prefix with partial", TMemSlotKind::Text, Text("ab"), Text("abc"), Partial, 0},
    {"text partial and case", TMemSlotKind::Text, Text("a"), Text("Ab"), Partial | CI, 0},
    {"text empty before any", TMemSlotKind::Text, Text(""), Text("a"), None, -1},
    {"text null before empty", TMemSlotKind::Text, Null, Text(""), None, -1},
    {"smallint signed", TMemSlotKind::SmallInt, Raw<qint16>(-5), Raw<qint16>(3), None, -1},
    {"word unsigned", TMemSlotKind::Word, Raw<quint16>(65535), Raw<quint16>(1), None, 1},
    {"boolean false before true", TMemSlotKind::Boolean, Raw<qint16>(0), Raw<qint16>(1), None, -1},
    {"boolean any non-zero is true", TMemSlotKind::Boolean, Raw<qint16>(2), Raw<qint16>(1), None, 0},
    {"boolean true after false", TMemSlotKind::Boolean, Raw<qint16>(1), Raw<qint16>(0), None, 1},
    {"integer", TMemSlotKind::Integer, Raw<qint32>(-100000), Raw<qint32>(7), None, -1},
    {"float", TMemSlotKind::Float, Raw<double>(0.25), Raw<double>(-0.5), None, 1},
    {"date", TMemSlotKind::Date, Raw<qint32>(739000), Raw<qint32>(739001), None, -1},
    {"time", TMemSlotKind::Time, Raw<qint32>(1000), Raw<qint32>(1000), None, 0},
    {"datetime", TMemSlotKind::DateTime, Raw<double>(6.4e13), Raw<double>(6.3e13), None, 1},
    {"largeint beyond 32 bits", TMemSlotKind::LargeInt, Raw<qint64>(1LL << 40), Raw<qint64>(1LL << 41), None, -1},
    {"bcd equal by value", TMemSlotKind::Bcd, Bcd("12.5"), Bcd("12.50"), None, 0},
    {"bcd signs", TMemSlotKind::Bcd, Bcd("-3"), Bcd("2"), None, -1},
    {"bcd magnitude", TMemSlotKind::Bcd, Bcd("100"), Bcd("99.99"), None, 1},
    {"bcd negatives", TMemSlotKind::Bcd, Bcd("-100"), Bcd("-99.99"), None, -1},
    {"bcd fraction", TMemSlotKind::Bcd, Bcd("0.015"), Bcd("0.0149"), None, 1},
    {"bytes", TMemSlotKind::Bytes, Bytes("\x01\x02\x03"), Bytes("\x01\x03\x00"), None, -1},
    {"bytes equal", TMemSlotKind::Bytes, Bytes("abc"), Bytes("abc"), None, 0},
    {"varbytes shorter first", TMemSlotKind::VarBytes, VarBytes("a"), VarBytes("ab"), None, -1},
    {"varbytes by content", TMemSlotKind::VarBytes, VarBytes("b"), VarBytes("ab"), None, 1},
    {"null before value", TMemSlotKind::Integer, Null, Raw<qint32>(-1), None, -1},
    {"value after null", TMemSlotKind::Float, Raw<double>(-1e300), Null, None, 1},
    {"both null", TMemSlotKind::Bcd, Null, Null, None, 0},
};

TEST(MemCompare, TableOfTypesNullsAndOptions)
{
    for (const CompareCase& c : Cases) {
        if (c.expected == Differ)
            EXPECT_NE(Compare(c, false), 0) << c.name;
        else
            EXPECT_EQ(Compare(c, false), c.expected) << c.name;
    }
}

TEST(MemCompare, DescendingIndexReversesEveryOrderIncludingNulls)
{
    for (const CompareCase& c : Cases) {
        if (c.options.testFlag(mtcoPartialKey)) continue;
        if (c.expected == Differ)
            EXPECT_EQ(Compare(c, true), -Compare(c, false)) << c.name;
        else
            EXPECT_EQ(Compare(c, true), -c.expected) << c.name;
    }
}

TEST(MemCompare, FirstDifferingFieldDecidesAndCountLimitsTheFields)
{
    KindLayout k;
    const TMemSlot& text = k.layout.Slot(k.FieldOf(TMemSlotKind::Text));
    const TMemSlot& number = k.layout.Slot(k.FieldOf(TMemSlotKind::Integer));
    TMemRow* a = k.layout.AllocRow();
    TMemRow* b = k.layout.AllocRow();
    for (TMemRow* row : {a, b}) {
        row->Data[text.Offset] = 1;
        SetMemSlotText(SlotValue(row, text.Offset), text.ValueSize, QStringLiteral("same"));
        row->Data[number.Offset] = 1;
    }
    qint32 one = 1, two = 2;
    std::memcpy(SlotValue(a, number.Offset), &two, 4);
    std::memcpy(SlotValue(b, number.Offset), &one, 4);
    TMemKeyFields fields{{text, nullptr, false}, {number, nullptr, false}};
    EXPECT_EQ(CompareRowFields(fields, 0, {}, a, b), 1);
    EXPECT_EQ(CompareRowFields(fields, 1, {}, a, b), 0);
    EXPECT_EQ(CompareRowFields(fields, 0, {}, a, nullptr), 0);
    k.layout.FreeRow(a, false);
    k.layout.FreeRow(b, false);
}

}  // namespace
