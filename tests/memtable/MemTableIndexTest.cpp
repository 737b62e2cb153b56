#include "MemTableFixture.h"

#include "memtable/MemCompare.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

namespace {

// ByN: unique over N; ByT: descending and case-insensitive over T.
std::unique_ptr<TMemTable> MakeIndexedTable()
{
    auto table = MakeTable();
    table->IndexDefs().Add(QStringLiteral("ByN"), QStringLiteral("N"), ixUnique);
    table->IndexDefs().Add(QStringLiteral("ByT"), QStringLiteral("T"), TIndexOptions(ixDescending | ixCaseInsensitive));
    return table;
}

std::optional<int> StoredNumber(TMemTable& table, const TMemRow* row)
{
    const TMemSlot& slot = table.Layout().Slot(table.FieldByName(QStringLiteral("N"))->FieldNo());
    if (!SlotHasValue(row, slot.Offset)) return std::nullopt;
    qint32 v;
    std::memcpy(&v, SlotValue(row, slot.Offset), sizeof v);
    return v;
}

std::optional<QString> StoredText(TMemTable& table, const TMemRow* row)
{
    const TMemSlot& slot = table.Layout().Slot(table.FieldByName(QStringLiteral("T"))->FieldNo());
    if (!SlotHasValue(row, slot.Offset)) return std::nullopt;
    return MemSlotText(SlotValue(row, slot.Offset), slot.ValueSize);
}

TEST(MemTableIndexes, RandomEditsThroughTheDatasetKeepIndexesSortedAndEqualToARebuild)
{
    auto table = MakeIndexedTable();
    table->Open();
    TMemIndex* byN = table->Indexes().IndexByName(QStringLiteral("ByN"));
    TMemIndex* byT = table->Indexes().IndexByName(QStringLiteral("ByT"));
    std::mt19937 random(4242);
    const QStringList texts = Words("a A b B ab AB Ab c я Я");
    auto anyNumber = [&]() -> TVariant {
        if (random() % 25 == 0) return TVariant::Null();
        return int(random() % 60);
    };
    auto anyText = [&]() -> TVariant {
        if (random() % 15 == 0) return TVariant::Null();
        return texts[int(random() % unsigned(texts.size()))];
    };
    auto holds = [&](const TVariant& n, int exceptID) {
        for (const TMemRow* row : table->Indexes().RowOrderIndex()->Rows()) {
            const std::optional<int> v = StoredNumber(*table, row);
            const bool same = n.IsNull() ? !v.has_value() : (v && *v == n.AsInteger());
            if (same && row->RecordID != exceptID) return true;
        }
        return false;
    };
    const QString indexNames[] = {QString(), QStringLiteral("ByN"), QStringLiteral("ByT")};
    for (int step = 0; step < 400; ++step) {
        const int count = table->RecordCount();
        const unsigned op = count == 0 ? 0 : random() % 4;
        const TVariant n = anyNumber();
        const TVariant t = anyText();
        if (op == 0) {
            if (count > 0 && random() % 2) {
                table->SetRecNo(int(random() % unsigned(count)) + 1);
                table->Insert();
            } else {
                table->Append();
            }
            table->FieldByName(QStringLiteral("N"))->SetAsVariant(n);
            table->FieldByName(QStringLiteral("T"))->SetAsVariant(t);
            if (holds(n, -1)) {
                EXPECT_EQ(ErrorOf([&] { table->Post(); }), QStringLiteral("Duplicate index value. Operation aborted."))
                    << step;
                table->Cancel();
            } else {
                table->Post();
                EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsVariant(), t) << "the posted row is current";
            }
        } else if (op == 1) {
            table->SetRecNo(int(random() % unsigned(count)) + 1);
            const int recNo = table->RecNo();
            const TMemRow* current = table->CurrentIndex()->Row(recNo - 1);
            table->Edit();
            table->FieldByName(QStringLiteral("N"))->SetAsVariant(n);
            table->FieldByName(QStringLiteral("T"))->SetAsVariant(t);
            if (holds(n, current->RecordID)) {
                EXPECT_EQ(ErrorOf([&] { table->Post(); }), QStringLiteral("Duplicate index value. Operation aborted."))
                    << step;
                table->Cancel();
            } else {
                table->Post();
            }
        } else if (op == 2) {
            table->SetRecNo(int(random() % unsigned(count)) + 1);
            table->Delete();
        } else {
            table->SetIndexName(indexNames[random() % 3]);
        }

        std::vector<TMemRow*> rows;
        for (int id = 0; id < table->RowStore().SlotCount(); ++id)
            if (TMemRow* row = table->RowStore().Slot(id)) rows.push_back(row);
        std::vector<TMemRow*> expectN = rows;
        std::sort(expectN.begin(), expectN.end(), [&](const TMemRow* a, const TMemRow* b) {
            const auto x = StoredNumber(*table, a), y = StoredNumber(*table, b);
            if (x != y) return !x || (y && *x < *y);
            return a->RecordNo < b->RecordNo;
        });
        std::vector<TMemRow*> expectT = rows;
        std::sort(expectT.begin(), expectT.end(), [&](const TMemRow* a, const TMemRow* b) {
            const auto x = StoredText(*table, a), y = StoredText(*table, b);
            if (x.has_value() != y.has_value()) return x.has_value();
            if (x && y) {
                const int r = QString::localeAwareCompare(x->toUpper(), y->toUpper());
                if (r != 0) return r > 0;
            }
            return a->RecordNo > b->RecordNo;
        });
        ASSERT_EQ(byN->Rows(), expectN) << "step " << step;
        ASSERT_EQ(byT->Rows(), expectT) << "step " << step;
        ASSERT_EQ(int(table->Indexes().RowOrderIndex()->Rows().size()), int(rows.size()));
        for (TMemIndex* index : {byN, byT}) {
            const std::vector<TMemRow*> before = index->Rows();
            index->Rebuild();
            ASSERT_EQ(index->Rows(), before) << index->Name().toStdString() << " step " << step;
        }
        if (step % 50 == 0) {
            QStringList shown;
            for (const TMemRow* row : table->CurrentIndex()->Rows()) {
                const auto text = StoredText(*table, row);
                shown << (text ? *text : QStringLiteral("<null>"));
            }
            ASSERT_EQ(Column(*table, QStringLiteral("T")), shown) << "step " << step;
        }
    }
}

TEST(MemTableIndexes, BookmarksFindTheirRowAfterInsertsDeletesAndIndexSwitches)
{
    auto table = MakeIndexedTable();
    table->Open();
    for (int i = 1; i <= 5; ++i) AddRow(*table, i * 10, QString(QChar('a' + i - 1)));
    table->SetRecNo(3);
    const TBookmark c = table->GetBookmark();
    table->First();
    table->Insert();
    table->FieldByName(QStringLiteral("N"))->SetAsInteger(1);
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("z"));
    table->Post();
    table->Last();
    table->Delete();
    table->SetIndexName(QStringLiteral("ByT"));
    table->First();
    table->GotoBookmark(c);
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("c"));
    EXPECT_TRUE(table->BookmarkValid(c));
    table->Delete();
    EXPECT_FALSE(table->BookmarkValid(c));
    // The freed slot is reused by the next row: the old bookmark still names no row.
    AddRow(*table, 99, "new");
    EXPECT_FALSE(table->BookmarkValid(c));
    EXPECT_EQ(ErrorOf([&] { table->GotoBookmark(c); }), QStringLiteral("Bookmark 3 not found."));
    TBookmark far(8, '\0');
    const qint32 farBookmark = 99;
    std::memcpy(far.data(), &farBookmark, 4);
    EXPECT_EQ(ErrorOf([&] { table->GotoBookmark(far); }), QStringLiteral("Bookmark 99 not found."));
    EXPECT_EQ(table->CompareBookmarks(TBookmark(), c), 1);
    EXPECT_EQ(table->CompareBookmarks(c, c), 0);
}

TEST(MemTableIndexes, SelectingIndexesByNameAndFieldNames)
{
    auto table = MakeIndexedTable();
    table->SetIndexFieldNames(QStringLiteral("T"));
    table->Open();
    for (const char* t : {"b", "A", "a", "c"}) AddRow(*table, int(table->RecordCount()), t);
    EXPECT_EQ(table->IndexName(), QStringLiteral("ByT"));
    const QStringList desc = Column(*table, QStringLiteral("T"));
    EXPECT_EQ(desc.mid(0, 2), Words("c b"));
    table->SetIndexFieldNames(QStringLiteral("Nothing;Like;This"));
    EXPECT_EQ(table->CurrentIndex()->Name(), QStringLiteral("ByT"));
    table->SetIndexFieldNames(QString());
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("b A a c"));
    EXPECT_EQ(ErrorOf([&] { table->SetIndexName(QStringLiteral("Nope")); }),
              QStringLiteral("Index Nope does not exist"));
    table->SetIndexName(QStringLiteral("byn"));
    EXPECT_TRUE(table->GetIsIndexField(table->FieldByName(QStringLiteral("N"))));
    EXPECT_FALSE(table->GetIsIndexField(table->FieldByName(QStringLiteral("T"))));
}

TEST(MemTableIndexes, RefusedPostLeavesRowsAndIndexesAsTheyWere)
{
    auto table = MakeIndexedTable();
    table->Open();
    AddRow(*table, 1, "a");
    AddRow(*table, 2, "b");
    const std::vector<TMemRow*> byT = table->Indexes().IndexByName(QStringLiteral("ByT"))->Rows();
    table->First();
    table->Edit();
    table->FieldByName(QStringLiteral("N"))->SetAsInteger(2);
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("zz"));
    EXPECT_THROW(table->Post(), EMemTableError);
    table->Cancel();
    EXPECT_EQ(table->Indexes().IndexByName(QStringLiteral("ByT"))->Rows(), byT);
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("a b"));
    AddRow(*table, 3, "c");
    EXPECT_EQ(table->RecordCount(), 3);
}

TEST(MemTableIndexes, IndexDefinitionsThatCannotBeBuilt)
{
    {
        auto table = MakeTable();
        table->FieldDefs().Add(QStringLiteral("M"), ftMemo);
        table->IndexDefs().Add(QStringLiteral("ByM"), QStringLiteral("M"), {});
        EXPECT_EQ(ErrorOf([&] { table->Open(); }), QStringLiteral("Can't index on field M"));
        EXPECT_FALSE(table->Active());
    }
    {
        auto table = MakeTable();
        table->IndexDefs().Add(QString(), QStringLiteral("N"), {});
        EXPECT_EQ(ErrorOf([&] { table->Open(); }), QStringLiteral("Missing Name or FieldNames in IndexDef!"));
    }
}

TEST(MemTableIndexes, NonMaintainedIndexIsRebuiltByCheckIndexes)
{
    auto table = MakeTable();
    table->IndexDefs().Add(QStringLiteral("Lazy"), QStringLiteral("N"), ixNonMaintained);
    table->Open();
    AddRow(*table, 2, "b");
    AddRow(*table, 1, "a");
    TMemIndex* lazy = table->Indexes().IndexByName(QStringLiteral("Lazy"));
    EXPECT_EQ(lazy->Count(), 0);
    EXPECT_FALSE(lazy->Valid());
    table->CheckIndexes();
    EXPECT_TRUE(lazy->Valid());
    table->SetIndexName(QStringLiteral("Lazy"));
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("a b"));
    // Deleting the current row of a stale index leaves it pointing at nothing freed.
    AddRow(*table, 0, "c");
    table->First();
    table->Delete();
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("b"));
}

TEST(MemTableIndexes, IndexesSwitchedOffAreRebuiltWhenSwitchedOn)
{
    auto table = MakeIndexedTable();
    table->SetIndexName(QStringLiteral("ByT"));
    table->Open();
    AddRow(*table, 5, "e");
    table->SetEnableIndexes(false);
    AddRow(*table, 1, "a");
    AddRow(*table, 7, "z");
    EXPECT_FALSE(table->CurrentIndex()->Valid());
    table->SetEnableIndexes(true);
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("z e a"));
    // Without the checks a unique key could be doubled; switching them on again says so.
    table->SetEnableIndexes(false);
    AddRow(*table, 5, "twin");
    EXPECT_EQ(ErrorOf([&] { table->SetEnableIndexes(true); }),
              QStringLiteral("Duplicate index value. Operation aborted."));
    EXPECT_FALSE(table->Indexes().IndexByName(QStringLiteral("ByN"))->Valid());
}

TEST(MemTableIndexes, SortOrdersByTheSortFields)
{
    auto table = MakeTable();
    table->Open();
    for (const char* t : {"b", "C", "a"}) AddRow(*table, 0, t);
    table->SetSortFields(QStringLiteral("T"));
    table->SetSortOptions(TMemTableCompareOptions(mtcoCaseInsensitive) | mtcoDescending);
    table->Sort();
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("C b a"));
    EXPECT_TRUE(table->IndexFieldNames().isEmpty());
    AddRow(*table, 0, "d");
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("d C b a"));
    const int withSort = table->Indexes().Count();
    table->SetIndexName(QString());
    EXPECT_EQ(table->Indexes().Count(), withSort - 1);
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("b C a d"));
    table->Sort();
    table->Close();
    table->Open();
    EXPECT_EQ(table->CurrentIndex(), table->Indexes().RowOrderIndex());
}

TEST(MemTableIndexes, RangeShowsOnlyKeysBetweenItsEnds)
{
    auto table = MakeIndexedTable();
    table->SetIndexName(QStringLiteral("ByN"));
    table->Open();
    for (int i = 1; i <= 6; ++i) AddRow(*table, i, QStringLiteral("r%1").arg(i));
    table->SetRange(2, 4);
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("2 3 4"));
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_FALSE(table->IsSequenced());
    table->First();
    table->Next();
    table->ClearRange();
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 3);
    EXPECT_EQ(table->RecordCount(), 6);
    EXPECT_TRUE(table->IsSequenced());
}

}  // namespace

namespace {

TEST(MemTableIndexes, LocateThroughTheCurrentIndexFindsEveryKey)
{
    auto table = MakeIndexedTable();
    table->Open();
    std::mt19937 random(99);
    const QStringList texts = Words("alpha Alpha beta BETA gamma delta Delta epsilon");
    for (int i = 0; i < 200; ++i)
        AddRow(*table, i * 3, texts[int(random() % unsigned(texts.size()))] + QString::number(i % 7));
    for (const QString& index : {QStringLiteral("ByN"), QStringLiteral("ByT"), QString()}) {
        table->SetIndexName(index);
        for (int i = 0; i < 200; i += 7) {
            ASSERT_TRUE(table->Locate(QStringLiteral("N"), i * 3, {})) << index.toStdString() << " " << i;
            EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), i * 3);
        }
        EXPECT_FALSE(table->Locate(QStringLiteral("N"), 1, {}));
        for (const QString& text : texts) {
            const QString key = text.toUpper() + QStringLiteral("3");
            bool anyCase = false;
            table->First();
            while (!table->Eof()) {
                anyCase = anyCase || table->FieldByName(QStringLiteral("T"))->AsString().toUpper() == key;
                table->Next();
            }
            EXPECT_EQ(table->Locate(QStringLiteral("T"), key, loCaseInsensitive), anyCase) << key.toStdString();
            if (anyCase) {
                EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString().toUpper(), key);
            }
            const QString prefix = text.left(3).toLower();
            EXPECT_TRUE(table->Locate(QStringLiteral("T"), prefix, TLocateOptions(loCaseInsensitive) | loPartialKey))
                << prefix.toStdString();
            EXPECT_TRUE(table->FieldByName(QStringLiteral("T"))->AsString().toLower().startsWith(prefix));
        }
    }
}

}  // namespace

namespace {

TEST(MemTableIndexes, IndexOverACalculatedFieldComputesRowsBeforeComparing)
{
    auto table = MakeTable();
    for (const char* name : {"ID", "N", "T"})
        table->FieldDefs().Find(QString::fromLatin1(name))->CreateField(table.get());
    auto* negated = new TIntegerField(table.get());
    negated->SetFieldName(QStringLiteral("Negated"));
    negated->SetFieldKind(fkCalculated);
    negated->SetDataSet(table.get());
    table->OnCalcFields = [](TDataSet* ds) {
        ds->FieldByName(QStringLiteral("Negated"))->SetAsInteger(-ds->FieldByName(QStringLiteral("N"))->AsInteger());
    };
    table->IndexDefs().Add(QStringLiteral("ByNegated"), QStringLiteral("Negated"), {});
    table->SetIndexName(QStringLiteral("ByNegated"));
    table->Open();
    for (int n : {2, 5, 1, 4}) AddRow(*table, n, "x");
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("5 4 2 1"));
    EXPECT_TRUE(table->Locate(QStringLiteral("Negated"), -4, {}));
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
}

}  // namespace
