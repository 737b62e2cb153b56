#pragma once
// The record numbers of the table dataset: where its cursor stands counted from the first row,
// the highest number seen, the count kept between changes, and the numbers of the rows whose
// bookmarks were handed out. The engine knows rows only by key; the dataset's callers count
// them, so these numbers are kept beside the engine's cursor and mended when rows come and go.

#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace dao {
class Recordset;
}

class TDaoRowNumbers {
public:
    // A fresh recordset: nothing numbered, nothing counted.
    void Reset();

    // --- the cursor ------------------------------------------------------------------------------
    // The 0-based number of the row the cursor stands on; -1 before the first.
    int Current() const { return current_; }
    void SetCurrent(int recNo) { current_ = recNo; }
    // Before the first row, with no row passed.
    void BeforeFirst();
    // One row on or back; a forward-only cursor counts the rows it passed alongside.
    void StepForward();
    void StepBack();
    // The rows a forward-only cursor passed (-1 before it read any).
    int Passed() const { return passed_; }
    void SetPassed(int rows) { passed_ = rows; }

    // --- the highest number seen -------------------------------------------------------------------
    int Highest() const { return highest_; }
    void SetHighest(int recNo) { highest_ = recNo; }
    // After a fetch: at the end the rows number one past the current row.
    void Fetched(bool atEnd);
    // The cursor's number is the highest seen when it is beyond it.
    void RaiseHighest();

    // --- the count ---------------------------------------------------------------------------------
    // The rows changed: the kept count no longer holds.
    void CountChanged() { countChanged_ = true; }
    // The count kept since the last change when it may be used; -1 when the rows must be counted
    // again (from then on the count is taken as fresh, as the counting that follows makes it).
    int KeptCount(bool useKept);
    // The rows were counted: the count and the highest number seen are `count`.
    void Counted(int count);
    // The rows were counted by walking them: the count is kept, the highest number left alone.
    void Walked(int count);
    // A row was written: the count changes, an added row is one more seen.
    void Posted(bool added);

    // --- a number worked out afresh ----------------------------------------------------------------
    // The current number may be wrong after a post moved rows; worked out again when asked.
    void MarkStale() { stale_ = true; }
    bool Stale() const { return stale_; }
    void Recomputed() { stale_ = false; }

    // --- bookmarks -----------------------------------------------------------------------------------
    // The bookmark of row number `recNo` is `key` (a row keeps one bookmark).
    void Remember(int recNo, qint32 key);
    bool Knows(qint32 key) const;
    // The number of the row a handed-out bookmark stands for.
    std::optional<int> RecNoOf(qint32 key) const;
    // Row `recNo` was deleted: its bookmark goes and the rows after it move up by one.
    void Forget(int recNo);
    // The rows were read afresh: no bookmark handed out so far holds.
    void ForgetBookmarks();

    // --- counting on the engine's recordsets ---------------------------------------------------------
    // The 0-based position of the row with the key in `rs` of `count` rows, estimated from its
    // PercentPosition and walked from there; -1 when the row is not in `rs`. Moves `rs`.
    static int PositionOf(dao::Recordset& rs, qint32 key, int count);
    // The rows of `rs` counted by moving it to its last row.
    static int CountByMovingLast(dao::Recordset& rs);
    // The rows `next` hands out one by one (false at the end); with `until` the 1-based number of
    // the row of that key, -1 when none has it.
    static int CountWalked(const std::function<bool(qint32& key)>& next, std::optional<qint32> until);

private:
    int current_ = -1;
    int passed_ = -1;
    int highest_ = -1;
    int count_ = -1;
    bool countChanged_ = true;
    bool stale_ = false;
    // Parallel: the record number and key of each handed-out bookmark.
    std::vector<int> bookmarkRecNos_;
    std::vector<qint32> bookmarkKeys_;
};
