#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/ThreadList.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

TEST(ThreadList, TwoThreadsAddWithoutLosingItems)
{
    TThreadList<int> list;
    list.SetDuplicates(dupAccept);
    auto fill = [&list](int base) {
        for (int i = 0; i < 2000; ++i) list.Add(base + i);
    };
    std::thread a(fill, 0), b(fill, 100000);
    a.join();
    b.join();
    EXPECT_EQ(list.Count(), 4000);
    TThreadList<int>::Locked lock(list);
    long long sum = 0;
    for (int v : lock.Items()) sum += v;
    EXPECT_EQ(sum, 2LL * (1999LL * 2000 / 2) + 2000LL * 100000);
}

TEST(ThreadList, AHeldLockKeepsOtherThreadsOutAndIsReentrant)
{
    TThreadList<int> list;
    std::vector<int>& items = list.LockList();
    list.Add(1);  // the owning thread may take the lock again
    std::atomic<bool> added{false};
    std::thread other([&] {
        list.Add(2);
        added = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(added.load());
    EXPECT_EQ(items, std::vector<int>{1});
    list.UnlockList();
    other.join();
    EXPECT_TRUE(added.load());
    EXPECT_EQ(list.Count(), 2);
}

TEST(ThreadList, DuplicatesRemoveAndClear)
{
    TThreadList<const void*> list;
    int x = 0, y = 0;
    list.Add(&x);
    list.Add(&x);  // ignored by default
    EXPECT_EQ(list.Count(), 1);
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add(&x), EListError);
    list.Add(&y);
    list.Remove(&x);
    list.Remove(&x);  // absent: nothing happens
    {
        TThreadList<const void*>::Locked lock(list);
        EXPECT_EQ(lock.Items(), std::vector<const void*>{&y});
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
