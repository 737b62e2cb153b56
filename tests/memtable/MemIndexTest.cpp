#include "MemRowFixture.h"

#include "memtable/MemTableError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <set>

namespace {

using OptInt = std::optional<int>;
using OptText = std::optional<QString>;

class MemIndexTest : public ::testing::Test, public MemRowFixture {
protected:
    MemIndexTest() : indexes(this)
    {
        number = indexes.AddIndexDef(QStringLiteral("Num"), QStringLiteral("N"),
                                     TMemIndexOptions{true, false, false, false});
        number->SetFieldList({Key(1)});
        text = indexes.AddIndexDef(QStringLiteral("TextDesc"), QStringLiteral("T"),
                                   TMemIndexOptions{false, true, true, false});
        text->SetFieldList({Key(2)});
    }

    TMemRow* Insert(OptInt n, OptText t, int cursor = -1)
    {
        TMemRow* row = NewRow(n, t);
        try {
            indexes.CheckUnique(row, nullptr);
        } catch (...) {
            layout.FreeRow(row, false);
            throw;
        }
        store.StoreRow(row);
        std::vector<TMemIndexChange> plan;
        const int at = cursor < 0 ? indexes.RowOrderIndex()->Count() : cursor;
        indexes.PlanUpdate(mioInsert, row, nullptr, indexes.RowOrderIndex(), at, plan);
        TMemIndexes::ApplyUpdate(plan);
        return row;
    }
    void Edit(TMemRow* row, OptInt n, OptText t)
    {
        TMemRow* buffer = layout.DuplicateRow(row, false);
        buffer->RecordID = row->RecordID;
        buffer->RecordNo = row->RecordNo;
        SetNumber(buffer, n);
        SetText(buffer, t);
        try {
            indexes.CheckUnique(buffer, row);
            std::vector<TMemIndexChange> plan;
            indexes.PlanUpdate(mioEdit, row, buffer, nullptr, -1, plan);
            TMemIndexes::ApplyUpdate(plan);
        } catch (...) {
            layout.FreeRow(buffer, false);
            throw;
        }
        layout.CopyRowInto(buffer, row);
        layout.FreeRow(buffer, false);
    }
    void Delete(TMemRow* row)
    {
        std::vector<TMemIndexChange> plan;
        indexes.PlanUpdate(mioDelete, row, nullptr, nullptr, -1, plan);
        TMemIndexes::ApplyUpdate(plan);
        store.ReleaseRow(row);
        layout.FreeRow(row, true);
    }
    std::vector<OptText> Texts(const TMemIndex* index) const
    {
        std::vector<OptText> out;
        for (const TMemRow* row : index->Rows()) out.push_back(Text(row));
        return out;
    }
    std::vector<OptInt> Numbers(const TMemIndex* index) const
    {
        std::vector<OptInt> out;
        for (const TMemRow* row : index->Rows()) out.push_back(Number(row, layout));
        return out;
    }
    std::vector<TMemRow*> StoredRows() const
    {
        std::vector<TMemRow*> rows;
        for (int id = 0; id < store.SlotCount(); ++id)
            if (TMemRow* row = store.Slot(id)) rows.push_back(row);
        return rows;
    }
    std::vector<TMemRow*> Rebuilt(const TMemIndex* index)
    {
        TMemIndex fresh(this, index->Name(), index->FieldNames(), index->Options());
        fresh.SetFieldList(index->FieldList());
        fresh.Rebuild();
        return fresh.Rows();
    }

    TMemIndexes indexes;
    TMemIndex* number = nullptr;
    TMemIndex* text = nullptr;
};

// The orders written out independently of the index code.
bool NumberBefore(const TMemRow* a, const TMemRow* b, const TMemRecordLayout& layout)
{
    const OptInt x = MemRowFixture::Number(a, layout), y = MemRowFixture::Number(b, layout);
    if (x != y) return !x || (y && *x < *y);
    return a->RecordNo < b->RecordNo;
}

TEST_F(MemIndexTest, RandomInsertsEditsAndDeletesMatchSortedReferenceAndRebuild)
{
    std::mt19937 random(20261210);
    const QString letters = QStringLiteral("aAbBcCяЯ");
    auto randomText = [&]() -> OptText {
        if (random() % 10 == 0) return std::nullopt;
        QString t;
        for (unsigned i = random() % 4; i > 0; --i) t += letters[int(random() % unsigned(letters.size()))];
        return t;
    };
    auto randomNumber = [&]() -> OptInt {
        if (random() % 20 == 0) return std::nullopt;
        return int(random() % 80);
    };
    auto hasNumber = [&](OptInt n, const TMemRow* except) {
        for (TMemRow* row : StoredRows())
            if (row != except && Number(row, layout) == n) return true;
        return false;
    };
    for (int step = 0; step < 1500; ++step) {
        std::vector<TMemRow*> rows = StoredRows();
        const unsigned op = rows.empty() ? 0 : random() % 3;
        const OptInt n = randomNumber();
        const OptText t = randomText();
        if (op == 0) {
            const bool duplicate = hasNumber(n, nullptr);
            const int cursor = int(random() % unsigned(indexes.RowOrderIndex()->Count() + 1));
            if (duplicate)
                EXPECT_THROW(Insert(n, t, cursor), EMemTableError) << step;
            else
                EXPECT_NO_THROW(Insert(n, t, cursor)) << step;
        } else {
            TMemRow* row = rows[random() % rows.size()];
            if (op == 1) {
                const bool duplicate = hasNumber(n, row);
                if (duplicate)
                    EXPECT_THROW(Edit(row, n, t), EMemTableError) << step;
                else
                    EXPECT_NO_THROW(Edit(row, n, t)) << step;
            } else {
                Delete(row);
            }
        }

        rows = StoredRows();
        std::vector<TMemRow*> byNumber = rows;
        std::sort(byNumber.begin(), byNumber.end(),
                  [&](const TMemRow* a, const TMemRow* b) { return NumberBefore(a, b, layout); });
        ASSERT_EQ(number->Rows(), byNumber) << "step " << step;
        ASSERT_TRUE(number->Valid());
        std::vector<TMemRow*> byText = rows;
        std::sort(byText.begin(), byText.end(), [&](const TMemRow* a, const TMemRow* b) {
            const OptText x = Text(a), y = Text(b);
            // Descending: values before nulls, greater before smaller, later rows first.
            if (x.has_value() != y.has_value()) return x.has_value();
            if (x && y) {
                const int r = QString::localeAwareCompare(x->toUpper(), y->toUpper());
                if (r != 0) return r > 0;
            }
            return a->RecordNo > b->RecordNo;
        });
        ASSERT_EQ(text->Rows(), byText) << "step " << step;
        ASSERT_EQ(number->Rows(), Rebuilt(number)) << "step " << step;
        ASSERT_EQ(text->Rows(), Rebuilt(text)) << "step " << step;
        std::vector<TMemRow*> inRowOrder = indexes.RowOrderIndex()->Rows();
        std::sort(inRowOrder.begin(), inRowOrder.end());
        std::sort(rows.begin(), rows.end());
        ASSERT_EQ(inRowOrder, rows) << "step " << step;
    }
}

TEST_F(MemIndexTest, DescendingCaseInsensitiveIndexPutsBFirstThenBothSpellingsOfA)
{
    Insert(1, QStringLiteral("b"));
    Insert(2, QStringLiteral("A"));
    Insert(3, QStringLiteral("a"));
    std::vector<OptText> t = Texts(text);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], QStringLiteral("b"));
    EXPECT_EQ(t[1]->toUpper(), QStringLiteral("A"));
    EXPECT_EQ(t[2]->toUpper(), QStringLiteral("A"));
}

TEST_F(MemIndexTest, NullKeysSortFirstAscendingAndLastDescending)
{
    Insert(5, QStringLiteral("x"));
    Insert(std::nullopt, std::nullopt);
    Insert(-3, QStringLiteral("y"));
    EXPECT_EQ(Numbers(number), (std::vector<OptInt>{std::nullopt, -3, 5}));
    EXPECT_EQ(Texts(text), (std::vector<OptText>{QStringLiteral("y"), QStringLiteral("x"), std::nullopt}));
}

TEST_F(MemIndexTest, UniqueIndexOverEqualKeysFailsToBuildAndStaysInvalid)
{
    Store(1, QStringLiteral("a"));
    Store(1, QStringLiteral("b"));
    try {
        number->Rebuild();
        FAIL() << "no error";
    } catch (const EMemTableError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Duplicate index value. Operation aborted."));
    }
    EXPECT_FALSE(number->Valid());
}

TEST_F(MemIndexTest, UniqueCheckIgnoresRowsMarkedDeletedAndTheEditedRowItself)
{
    TMemRow* row = Insert(7, QStringLiteral("a"));
    EXPECT_NO_THROW(Edit(row, 7, QStringLiteral("b")));
    row->UpdateStatus = musDeleted;
    EXPECT_NO_THROW(Insert(7, QStringLiteral("c")));
    EXPECT_EQ(number->Count(), 2);
}

TEST_F(MemIndexTest, NonMaintainedIndexKeepsItsListButLetsGoOfDeletedRows)
{
    TMemIndex* stale = indexes.AddIndexDef(QStringLiteral("Stale"), QStringLiteral("N"),
                                           TMemIndexOptions{false, false, false, true});
    stale->SetFieldList({Key(1)});
    TMemRow* first = Insert(2, QStringLiteral("a"));
    EXPECT_EQ(stale->Count(), 0);
    EXPECT_FALSE(stale->Valid());
    stale->Rebuild();
    EXPECT_EQ(stale->Count(), 1);
    EXPECT_TRUE(stale->Valid());
    Insert(1, QStringLiteral("b"));
    EXPECT_EQ(stale->Count(), 1);
    Delete(first);
    EXPECT_EQ(stale->Count(), 0);  // no reference to the freed row remains
    stale->Rebuild();
    EXPECT_EQ(Numbers(stale), (std::vector<OptInt>{1}));
}

TEST_F(MemIndexTest, InvalidIndexStaysInvalidUntilRebuilt)
{
    Insert(1, QStringLiteral("a"));
    text->SetValid(false);
    Insert(2, QStringLiteral("b"));
    EXPECT_FALSE(text->Valid());
    EXPECT_EQ(text->Count(), 1);
    text->Rebuild();
    EXPECT_TRUE(text->Valid());
    EXPECT_EQ(text->Count(), 2);
}

TEST_F(MemIndexTest, IndexesOffMakeEveryIndexStaleAndSkipUniqueChecks)
{
    Insert(1, QStringLiteral("a"));
    enabled = false;
    EXPECT_NO_THROW(Insert(1, QStringLiteral("b")));
    EXPECT_FALSE(number->Valid());
    EXPECT_FALSE(indexes.RowOrderIndex()->Valid());
}

TEST_F(MemIndexTest, RefusedEditLeavesEveryIndexAsItWas)
{
    TMemRow* row = Insert(1, QStringLiteral("a"));
    Insert(2, QStringLiteral("b"));
    const std::vector<TMemRow*> byNumber = number->Rows();
    // The text index has lost the row: its edit cannot be placed.
    text->RemoveRowAt(text->FindRowPosition(row));
    const std::vector<TMemRow*> byText = text->Rows();
    try {
        Edit(row, 3, QStringLiteral("z"));
        FAIL() << "no error";
    } catch (const EMemTableError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could'nt perform operation since key fields changed."));
    }
    EXPECT_EQ(number->Rows(), byNumber);
    EXPECT_EQ(text->Rows(), byText);
}

TEST_F(MemIndexTest, RowOrderIndexInsertsAtTheCursorAndFindsIdsAfterwards)
{
    TMemRow* a = Insert(1, QStringLiteral("a"));
    TMemRow* b = Insert(2, QStringLiteral("b"));
    TMemRow* c = Insert(3, QStringLiteral("c"), 0);
    EXPECT_EQ(indexes.RowOrderIndex()->Rows(), (std::vector<TMemRow*>{c, a, b}));
    for (TMemRow* row : {a, b, c})
        EXPECT_EQ(indexes.RowOrderIndex()->Row(indexes.RowOrderIndex()->FindRecordID(row->RecordID)), row);
    EXPECT_EQ(indexes.RowOrderIndex()->FindRecordID(99), -1);
}

TEST_F(MemIndexTest, SearchKeySkipsRowsNotAcceptedAndIgnoresCaseOnlyWhenAsked)
{
    TMemIndex* caseSensitive =
        indexes.AddIndexDef(QStringLiteral("CS"), QStringLiteral("T"), TMemIndexOptions{});
    caseSensitive->SetFieldList({Key(2)});
    for (int i = 0; i < 40; ++i) Insert(i, i % 2 ? QStringLiteral("Ab%1").arg(i) : QStringLiteral("ab%1").arg(i));
    TMemRow* key = NewRow(std::nullopt, QStringLiteral("AB1"));
    const TMemKeyFields keys{Key(2)};
    // Case-insensitive search over a case-sensitive order: scanned, still found.
    int pos = caseSensitive->SearchKey(keys, key, mtcoCaseInsensitive, false, nullptr);
    ASSERT_GE(pos, 0);
    EXPECT_EQ(Text(caseSensitive->Row(pos)), QStringLiteral("Ab1"));
    // Partial key: the first accepted row whose text starts with the key.
    SetText(key, QStringLiteral("ab1"));
    pos = caseSensitive->SearchKey(keys, key, mtcoPartialKey, false,
                                   [&](const TMemRow* row) { return Text(row) != QStringLiteral("ab10"); });
    ASSERT_GE(pos, 0);
    EXPECT_EQ(Text(caseSensitive->Row(pos)), QStringLiteral("ab12"));
    EXPECT_EQ(caseSensitive->SearchKey(keys, key, {}, false, nullptr), -1);
    layout.FreeRow(key, false);
}

TEST(MemIndexNames, LookupByNameAndFieldNames)
{
    MemRowFixture f;
    TMemIndexes indexes(&f);
    indexes.AddIndexDef(QStringLiteral("ByName"), QStringLiteral("Name;Date"), {});
    EXPECT_EQ(indexes.IndexByName(QStringLiteral("byname"))->Name(), QStringLiteral("ByName"));
    EXPECT_EQ(indexes.IndexByFieldNames(QStringLiteral("NAME;date"))->Name(), QStringLiteral("ByName"));
    EXPECT_EQ(indexes.IndexByFieldNames(QStringLiteral("Date")), nullptr);
    try {
        indexes.IndexByName(QStringLiteral("Nope"));
        FAIL() << "no error";
    } catch (const EMemTableError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Index Nope does not exist"));
    }
    EXPECT_THROW(indexes.AddIndexDef(QString(), QStringLiteral("Name"), {}), EMemTableError);
    EXPECT_THROW(indexes.AddIndexDef(QStringLiteral("X"), QString(), {}), EMemTableError);
}

}  // namespace

namespace {

// Rows of every kind the sort packs into words, checked against the general comparison.
class NumberKinds : public TMemIndexHost {
public:
    NumberKinds()
    {
        for (TMemSlotKind kind : {TMemSlotKind::SmallInt, TMemSlotKind::Word, TMemSlotKind::Boolean,
                                  TMemSlotKind::Integer, TMemSlotKind::Float, TMemSlotKind::DateTime})
            layout.AddSlot(kind, TMemRecordLayout::ValueSizeOf(kind, 0));
    }
    ~NumberKinds() override
    {
        for (TMemRow* row : store.TakeAllRows()) layout.FreeRow(row, true);
    }
    TMemRowStore& IndexRowStore() override { return store; }
    bool IndexHostActive() const override { return true; }
    bool IndexesEnabled() const override { return true; }
    bool RecalcRowsOnIndex() const override { return false; }
    void CalcIndexRow(TMemRow*) override {}

    TMemRecordLayout layout;
    TMemRowStore store;
};

TEST(MemIndexSort, PackedNumberKeysSortAsTheGeneralComparisonOrders)
{
    NumberKinds k;
    std::mt19937 random(7);
    const double doubles[] = {-1e300, -2.5, -0.0, 0.0, 1e-300, 3.25, 1e300};
    for (int i = 0; i < 300; ++i) {
        TMemRow* row = k.layout.AllocRow();
        for (int f = 1; f <= k.layout.SlotCount(); ++f) {
            const TMemSlot& slot = k.layout.Slot(f);
            if (random() % 8 == 0) continue;  // null
            row->Data[slot.Offset] = 1;
            quint8* v = SlotValue(row, slot.Offset);
            const qint64 r = qint64(random() % 7) - 3;
            switch (slot.Kind) {
            case TMemSlotKind::SmallInt: { qint16 x = qint16(r * 10000); std::memcpy(v, &x, 2); break; }
            case TMemSlotKind::Word: { quint16 x = quint16((r + 3) * 10000); std::memcpy(v, &x, 2); break; }
            case TMemSlotKind::Boolean: { qint16 x = qint16(random() % 3); std::memcpy(v, &x, 2); break; }
            case TMemSlotKind::Integer: {
                qint32 x = r == -3 ? std::numeric_limits<qint32>::min() : qint32(r);
                std::memcpy(v, &x, 4);
                break;
            }
            default: { double x = doubles[random() % 7]; std::memcpy(v, &x, 8); break; }
            }
        }
        k.store.StoreRow(row);
    }
    for (int first = 1; first <= k.layout.SlotCount(); ++first)
        for (bool descending : {false, true}) {
            const int second = first % k.layout.SlotCount() + 1;
            TMemIndex index(&k, QStringLiteral("i"), QStringLiteral("f"),
                            TMemIndexOptions{false, descending, false, false});
            index.SetFieldList({{k.layout.Slot(first), nullptr, false}, {k.layout.Slot(second), nullptr, false}});
            index.Rebuild();
            for (int i = 1; i < index.Count(); ++i)
                ASSERT_LT(index.CompareRows(index.Row(i - 1), index.Row(i), true), 0)
                    << "fields " << first << "," << second << " descending " << descending << " at " << i;
        }
}

}  // namespace
