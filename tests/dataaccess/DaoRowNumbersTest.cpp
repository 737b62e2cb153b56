#include "dataaccess/DaoRowNumbers.h"

#include "DataAccessFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DaoRowNumbers, DeletedRowTakesItsBookmarkAlongAndLaterRowsMoveUp)
{
    struct Case {
        const char* name;
        int deleted;
        std::vector<int> expected;  // the numbers of keys 10..13 afterwards, -1 for gone
    };
    const Case cases[] = {
        {"first", 0, {-1, 0, 1, 2}},
        {"middle", 1, {0, -1, 1, 2}},
        {"last", 3, {0, 1, 2, -1}},
        {"no bookmark there", 7, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        TDaoRowNumbers rows;
        for (int recNo = 0; recNo < 4; ++recNo)
            rows.Remember(recNo, 10 + recNo);
        rows.Forget(c.deleted);
        for (int i = 0; i < 4; ++i) {
            const std::optional<int> recNo = rows.RecNoOf(10 + i);
            EXPECT_EQ(recNo.value_or(-1), c.expected[size_t(i)]) << c.name << " key " << 10 + i;
            EXPECT_EQ(rows.Knows(10 + i), recNo.has_value()) << c.name;
        }
    }
}

TEST(DaoRowNumbers, RowKeepsOneBookmarkUntilAllAreForgotten)
{
    TDaoRowNumbers rows;
    rows.Remember(2, 40);
    rows.Remember(2, 41);
    EXPECT_FALSE(rows.Knows(40));
    EXPECT_EQ(rows.RecNoOf(41), 2);
    rows.ForgetBookmarks();
    EXPECT_FALSE(rows.Knows(41));
}

TEST(DaoRowNumbers, StepsCountTheCursorAndTheHighestRowSeen)
{
    TDaoRowNumbers rows;
    rows.BeforeFirst();
    for (int i = 0; i < 3; ++i) {
        rows.StepForward();
        rows.Fetched(false);
    }
    EXPECT_EQ(rows.Current(), 2);
    EXPECT_EQ(rows.Passed(), 2);
    EXPECT_EQ(rows.Highest(), 2);
    rows.Fetched(true);
    EXPECT_EQ(rows.Highest(), 3);
    rows.StepBack();
    rows.Fetched(false);
    EXPECT_EQ(rows.Current(), 1);
    EXPECT_EQ(rows.Passed(), 1);
    EXPECT_EQ(rows.Highest(), 3);
    rows.SetCurrent(5);
    rows.RaiseHighest();
    EXPECT_EQ(rows.Highest(), 5);
    rows.Reset();
    EXPECT_EQ(rows.Current(), -1);
    EXPECT_EQ(rows.Highest(), -1);
}

TEST(DaoRowNumbers, KeptCountHoldsUntilTheRowsChange)
{
    struct Case {
        const char* name;
        void (*after)(TDaoRowNumbers&);
        bool useKept;
        int kept;
    };
    const Case cases[] = {
        {"counted", [](TDaoRowNumbers&) {}, true, 5},
        {"not to be used", [](TDaoRowNumbers&) {}, false, -1},
        {"changed", [](TDaoRowNumbers& r) { r.CountChanged(); }, true, -1},
        {"posted", [](TDaoRowNumbers& r) { r.Posted(false); }, true, -1},
        {"walked anew", [](TDaoRowNumbers& r) { r.Walked(4); }, true, 4},
        {"reset", [](TDaoRowNumbers& r) { r.Reset(); }, true, -1},
    };
    for (const auto& c : cases) {
        TDaoRowNumbers rows;
        EXPECT_EQ(rows.KeptCount(true), -1) << c.name;
        rows.Counted(5);
        c.after(rows);
        EXPECT_EQ(rows.KeptCount(c.useKept), c.kept) << c.name;
    }
}

TEST(DaoRowNumbers, CountingMarksTheHighestRowExceptByWalking)
{
    TDaoRowNumbers rows;
    rows.Counted(5);
    EXPECT_EQ(rows.Highest(), 5);
    rows.Posted(true);
    EXPECT_EQ(rows.Highest(), 6);
    rows.Walked(2);
    EXPECT_EQ(rows.Highest(), 6);
    // A count asked for after a change is fresh from then on, whatever the counting finds.
    rows.CountChanged();
    EXPECT_EQ(rows.KeptCount(true), -1);
    EXPECT_EQ(rows.KeptCount(true), 2);
    EXPECT_EQ(rows.Highest(), 2);
}

TEST(DaoRowNumbers, WalkCountsRowsOrFindsTheNumberOfOne)
{
    struct Case {
        const char* name;
        std::vector<qint32> keys;
        std::optional<qint32> until;
        int expected;
    };
    const Case cases[] = {
        {"all", {5, 9, 7}, std::nullopt, 3},
        {"none", {}, std::nullopt, 0},
        {"first", {5, 9, 7}, 5, 1},
        {"last", {5, 9, 7}, 7, 3},
        {"absent", {5, 9, 7}, 8, -1},
        {"absent from none", {}, 8, -1},
    };
    for (const auto& c : cases) {
        size_t at = 0;
        const auto next = [&](qint32& key) {
            if (at >= c.keys.size())
                return false;
            key = c.keys[at++];
            return true;
        };
        EXPECT_EQ(TDaoRowNumbers::CountWalked(next, c.until), c.expected) << c.name;
    }
}

class DaoRowNumbersOnRecordset : public datest::DataAccessFixture {};

TEST_F(DaoRowNumbersOnRecordset, PositionOfEachRowWhereverTheRecordsetStands)
{
    MakeShop();
    dao::DBEngine engine(QStringLiteral("3.6"));
    auto db = engine.OpenDatabase(path);
    auto rs = db->OpenRecordset(QStringLiteral("items"), dao::dbOpenDynaset);
    EXPECT_EQ(TDaoRowNumbers::CountByMovingLast(*rs), 5);
    std::vector<qint32> keys;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        keys.push_back(qint32(rs->CurrentKey()));
    ASSERT_EQ(keys.size(), 5u);
    for (int row = 0; row < 5; ++row) {
        // From the last row the estimate overshoots the early rows and walks again from the first.
        rs->MoveLast();
        EXPECT_EQ(TDaoRowNumbers::PositionOf(*rs, keys[size_t(row)], 5), row) << row;
        rs->MoveFirst();
        EXPECT_EQ(TDaoRowNumbers::PositionOf(*rs, keys[size_t(row)], 5), row) << row;
    }
    EXPECT_EQ(TDaoRowNumbers::PositionOf(*rs, 999, 5), -1);
    rs->Close();
    db->Close();
}

}  // namespace
