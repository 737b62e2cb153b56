#include "dataaccess/DaoRowNumbers.h"

#include "platform/dao/DaoRecordset.h"

#include <algorithm>
#include <cmath>

void TDaoRowNumbers::Reset()
{
    countChanged_ = true;
    current_ = -1;
    highest_ = -1;
    count_ = -1;
}

void TDaoRowNumbers::BeforeFirst()
{
    current_ = -1;
    passed_ = -1;
}

void TDaoRowNumbers::StepForward()
{
    ++current_;
    ++passed_;
}

void TDaoRowNumbers::StepBack()
{
    --current_;
    --passed_;
}

void TDaoRowNumbers::Fetched(bool atEnd) { highest_ = atEnd ? current_ + 1 : std::max(highest_, current_); }

void TDaoRowNumbers::RaiseHighest() { highest_ = std::max(highest_, current_); }

int TDaoRowNumbers::KeptCount(bool useKept)
{
    if (useKept && !countChanged_ && count_ >= 0) {
        highest_ = count_;
        return count_;
    }
    countChanged_ = false;
    return -1;
}

void TDaoRowNumbers::Counted(int count) { count_ = highest_ = count; }

void TDaoRowNumbers::Walked(int count)
{
    count_ = count;
    countChanged_ = false;
}

void TDaoRowNumbers::Posted(bool added)
{
    countChanged_ = true;
    if (added)
        ++highest_;
}

void TDaoRowNumbers::Remember(int recNo, qint32 key)
{
    const auto at = std::find(bookmarkRecNos_.begin(), bookmarkRecNos_.end(), recNo);
    if (at != bookmarkRecNos_.end()) {
        bookmarkKeys_[size_t(at - bookmarkRecNos_.begin())] = key;
    } else {
        bookmarkRecNos_.push_back(recNo);
        bookmarkKeys_.push_back(key);
    }
}

bool TDaoRowNumbers::Knows(qint32 key) const
{
    return std::find(bookmarkKeys_.begin(), bookmarkKeys_.end(), key) != bookmarkKeys_.end();
}

std::optional<int> TDaoRowNumbers::RecNoOf(qint32 key) const
{
    const auto at = std::find(bookmarkKeys_.begin(), bookmarkKeys_.end(), key);
    if (at == bookmarkKeys_.end())
        return std::nullopt;
    return bookmarkRecNos_[size_t(at - bookmarkKeys_.begin())];
}

void TDaoRowNumbers::Forget(int recNo)
{
    for (size_t i = 0; i < bookmarkRecNos_.size();) {
        if (bookmarkRecNos_[i] == recNo) {
            bookmarkRecNos_.erase(bookmarkRecNos_.begin() + qsizetype(i));
            bookmarkKeys_.erase(bookmarkKeys_.begin() + qsizetype(i));
            continue;
        }
        if (bookmarkRecNos_[i] > recNo)
            --bookmarkRecNos_[i];
        ++i;
    }
}

void TDaoRowNumbers::ForgetBookmarks()
{
    bookmarkRecNos_.clear();
    bookmarkKeys_.clear();
}

int TDaoRowNumbers::PositionOf(dao::Recordset& rs, qint32 key, int count)
{
    const double p = std::max(0.0, rs.PercentPosition() - 2.0);
    int n = int(std::lround(count * p / 100.0));
    auto keyOf = [&rs]() -> qint32 { return qint32(rs.CurrentKey()); };
    rs.MoveFirst();
    if (n > 0)
        rs.Move(n);
    while (!rs.Eof() && keyOf() != key) {
        rs.MoveNext();
        ++n;
    }
    if (rs.Eof()) {
        // The estimate overshot: count from the start.
        n = 0;
        rs.MoveFirst();
        while (!rs.Eof() && keyOf() != key) {
            rs.MoveNext();
            ++n;
        }
    }
    return rs.Eof() ? -1 : n;
}

int TDaoRowNumbers::CountByMovingLast(dao::Recordset& rs)
{
    rs.MoveLast();
    return rs.RecordCount();
}

int TDaoRowNumbers::CountWalked(const std::function<bool(qint32& key)>& next, std::optional<qint32> until)
{
    int count = 0;
    qint32 key = 0;
    while (next(key)) {
        ++count;
        if (until && key == *until)
            return count;
    }
    return until ? -1 : count;
}
