#pragma once
// A list shared between threads: every walk or change happens between LockList and UnlockList
// (or inside a TThreadList::Locked scope); the lock is re-entrant, so the owning thread may lock
// again while it holds it.

#include "platform/toolkit/Strings.h"  // TDuplicates

#include <QRecursiveMutex>
#include <algorithm>
#include <vector>

[[noreturn]] void ThreadListDuplicateError();

template <typename T>
class TThreadList {
public:
    TThreadList() = default;
    TThreadList(const TThreadList&) = delete;
    TThreadList& operator=(const TThreadList&) = delete;

    // The items, locked for the caller until the matching UnlockList.
    std::vector<T>& LockList()
    {
        mutex_.lock();
        return items_;
    }
    void UnlockList() { mutex_.unlock(); }

    // Holds the lock for a scope.
    class Locked {
    public:
        explicit Locked(TThreadList& list) : list_(list), items_(list.LockList()) {}
        ~Locked() { list_.UnlockList(); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;
        std::vector<T>& Items() { return items_; }

    private:
        TThreadList& list_;
        std::vector<T>& items_;
    };

    // An item already in the list is ignored (dupIgnore, the default), added again (dupAccept)
    // or refused with EListError "List does not allow duplicates" (dupError).
    void Add(const T& item)
    {
        Locked lock(*this);
        if (duplicates_ != dupAccept && std::find(items_.begin(), items_.end(), item) != items_.end()) {
            if (duplicates_ == dupError) ThreadListDuplicateError();
            return;
        }
        items_.push_back(item);
    }
    // Removes the first occurrence, if any.
    void Remove(const T& item)
    {
        Locked lock(*this);
        const auto it = std::find(items_.begin(), items_.end(), item);
        if (it != items_.end()) items_.erase(it);
    }
    void Clear()
    {
        Locked lock(*this);
        items_.clear();
    }
    int Count()
    {
        Locked lock(*this);
        return int(items_.size());
    }

    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

private:
    QRecursiveMutex mutex_;
    std::vector<T> items_;
    TDuplicates duplicates_ = dupIgnore;
};
