#include "platform/toolkit/Component.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Strings.h"
#include "platform/toolkit/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(Variant, NullEmptyAndConversions)
{
    EXPECT_TRUE(TVariant().IsEmpty());
    EXPECT_TRUE(TVariant::Null().IsNull());
    EXPECT_EQ(TVariant::Null(), TVariant::Null());
    EXPECT_NE(TVariant(), TVariant::Null());
    EXPECT_EQ(TVariant(true).AsInteger(), -1);
    EXPECT_EQ(TVariant(QStringLiteral("12.5")).AsFloat(), 12.5);
    EXPECT_EQ(TVariant(QStringLiteral("12,5")).AsFloat(), 12.5);
    EXPECT_EQ(TVariant(2.5).AsInteger(), 2);  // banker's rounding
    EXPECT_EQ(TVariant(3.5).AsInteger(), 4);
    EXPECT_EQ(TVariant(7), TVariant(7.0));
    EXPECT_THROW(TVariant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(TVariant(QStringLiteral("abc")).AsFloat(), EVariantError);
    EXPECT_EQ(TVariant::Null().AsString(), QString());
}

TEST(Variant, ArraysKeepBoundsAndCopyOnWrite)
{
    TVariant a = TVariant::Array({TVariant(1), TVariant(QStringLiteral("x"))}, 0);
    TVariant b = a;
    b[1] = TVariant(2);
    EXPECT_EQ(a[1].AsString(), QStringLiteral("x"));
    EXPECT_EQ(b[1].AsInteger(), 2);
    EXPECT_EQ(a.ArrayHighBound(), 1);
    EXPECT_THROW(a[2], EVariantError);
}

TEST(DateTime, DayNumbersAndStamps)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2026, 12, 10), QDate(1899, 12, 30).daysTo(QDate(2026, 12, 10)));
    TTimeStamp ts = DateTimeToTimeStamp(EncodeDate(1899, 12, 30) + EncodeTime(12, 0, 0, 0));
    EXPECT_EQ(ts.Date, DateDelta);
    EXPECT_EQ(ts.Time, 43200000);
    EXPECT_EQ(TimeStampToText(ts), QStringLiteral("693594 43200000"));
    TTimeStamp back;
    EXPECT_TRUE(TextToTimeStamp(QStringLiteral("693594 43200000"), back));
    EXPECT_EQ(back, ts);
    EXPECT_FALSE(TextToTimeStamp(QStringLiteral("693594"), back));
    EXPECT_FALSE(TextToTimeStamp(QStringLiteral("a b"), back));
    // Before the epoch the fraction is still the time of day.
    TDateTime before = EncodeDate(1899, 12, 29) - EncodeTime(6, 0, 0, 0);
    EXPECT_EQ(DateTimeToQDateTime(before), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(QDateTimeToDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), before);
}

TEST(DateTime, TextForms)
{
    TDateTime d;
    EXPECT_TRUE(TryStrToDate(QStringLiteral("29/02/2024"), d));
    EXPECT_EQ(DateToStr(d), QStringLiteral("29.02.2024"));
    EXPECT_FALSE(TryStrToDate(QStringLiteral("30/02/2024"), d));
    EXPECT_FALSE(TryStrToDate(QStringLiteral("  /  /    "), d));
    EXPECT_TRUE(TryStrToDateTime(QStringLiteral("01.03.2024 10:30"), d));
    EXPECT_EQ(DateTimeToStr(d), QStringLiteral("01.03.2024 10:30:00"));
    EXPECT_THROW(StrToDate(QStringLiteral("x")), EConvertError);
}

TEST(Strings, TextNamesValuesAndCommaText)
{
    TStringList l;
    l.SetText(QStringLiteral("a=1\r\nB=2\nc"));
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Values(QStringLiteral("b")), QStringLiteral("2"));
    l.SetValue(QStringLiteral("a"), QStringLiteral("9"));
    EXPECT_EQ(l[0], QStringLiteral("a=9"));
    l.SetValue(QStringLiteral("c2"), QString());
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Text(), QStringLiteral("a=9\r\nB=2\r\nc\r\n"));
    l.SetCommaText(QStringLiteral("x, \"y z\",\"q\"\"\",,"));
    EXPECT_EQ(l.ToStringList(), (QStringList{"x", "y z", "q\"", "", ""}));
    EXPECT_EQ(l.CommaText(), QStringLiteral("x,\"y z\",\"q\"\"\",,"));
}

TEST(Strings, SortedListsAndChangeEvents)
{
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TStrings*) { ++changes; };
    l.SetSorted(true);
    l.Add(QStringLiteral("б"));
    l.Add(QStringLiteral("А"));
    l.Add(QStringLiteral("а"));  // duplicate without case: ignored
    EXPECT_EQ(l.ToStringList(), (QStringList{"А", "б"}));
    l.SetDuplicates(dupError);
    EXPECT_THROW(l.Add(QStringLiteral("Б")), EListError);
    EXPECT_THROW(l.Insert(0, QStringLiteral("x")), EListError);
    EXPECT_EQ(changes, 2);
    l.BeginUpdate();
    l.Clear();
    l.EndUpdate();
    EXPECT_EQ(changes, 3);
}

namespace {
struct Watcher : TComponent {
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> seen;
    void Notification(TComponent* c, TOperation op) override
    {
        seen.emplace_back(c, op);
        TComponent::Notification(c, op);
    }
};
}  // namespace

TEST(Component, OwnershipAndNotifications)
{
    auto* owner = new Watcher(nullptr);
    auto* a = new Watcher(owner);
    auto* b = new Watcher(owner);
    a->SetName(QStringLiteral("A"));
    EXPECT_THROW(b->SetName(QStringLiteral("a")), EInvalidOperation);
    EXPECT_EQ(owner->FindComponent(QStringLiteral("a")), a);
    Watcher outsider(nullptr);
    outsider.FreeNotification(b);
    // Only the address is compared; the object is gone by then.
    const auto gone = reinterpret_cast<std::uintptr_t>(static_cast<TComponent*>(b));
    delete b;  // owner, sibling a and the outsider each hear of it
    EXPECT_EQ(owner->ComponentCount(), 1);
    for (const Watcher* heard : {static_cast<const Watcher*>(a), static_cast<const Watcher*>(&outsider)}) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(heard->seen.back().first), gone);
        EXPECT_EQ(heard->seen.back().second, opRemove);
    }
    delete owner;  // frees a
}
