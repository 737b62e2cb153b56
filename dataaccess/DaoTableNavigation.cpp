// The table dataset's moves: first, last, next and prior rows, bookmarks, record numbers and the
// record count.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QtEndian>
#include <algorithm>

using daorecord::Header;
using daotable::Refuse;

// --- rows --------------------------------------------------------------------------------------------

qint32 TDaoTable::ReadBookmark(dao::Recordset& rs)
{
    if (rs.Bof() || rs.Eof() || !d_->bookmarkable_)
        return 0;
    try {
        // The bookmark's four bytes are the key's low half, little-endian.
        return qint32(rs.CurrentKey());
    } catch (const Exception&) {
        InternalFirst();
        return 0;
    }
}

qint32 TDaoTable::ReadLastModified(dao::Recordset& rs)
{
    if ((rs.Bof() && rs.Eof()) || !d_->bookmarkable_)
        return 0;
    const QByteArray written = rs.LastModified();
    if (written.size() < 4)
        return ReadBookmark(rs);
    return qFromLittleEndian<qint32>(written.constData());
}

bool TDaoTable::EngineEditsRow(qint32 key)
{
    // Moving would end the engine's edit and with it the row as read when the edit began,
    // which the engine checks at Update to refuse overwriting another user's change.
    return d_->recordset_ && d_->recordset_->EditMode() == dao::dbEditInProgress && ReadBookmark(*d_->recordset_) == key;
}

bool TDaoTable::GotoRecordKey(qint32 key)
{
    if (key == 0 || !d_->recordset_)
        return false;
    QByteArray bookmark(4, '\0');
    qToLittleEndian<qint32>(key, bookmark.data());
    try {
        d_->recordset_->SetBookmark(bookmark);
    } catch (const EDaoError& error) {
        if (error.Number() == dao::errRecordDeleted && State() == dsBrowse)
            First();
        throw;
    }
    return true;
}

void TDaoTable::InternalFirst()
{
    d_->rows_.BeforeFirst();
    if (!d_->recordset_ || (d_->recordset_->Bof() && d_->recordset_->Eof()) || d_->tableType_ == dao::dbOpenForwardOnly)
        return;
    try {
        d_->recordset_->MoveFirst();
        d_->recordset_->MovePrevious();
    } catch (const Exception&) {
    }
}

void TDaoTable::InternalLast()
{
    if (!d_->recordset_ || (d_->recordset_->Bof() && d_->recordset_->Eof())) {
        d_->rows_.SetCurrent(-1);
        return;
    }
    try {
        if (d_->tableType_ == dao::dbOpenForwardOnly) {
            if (!d_->recordset_->Eof()) {
                // Before the first fetch the first row stands uncounted; it is passed too.
                d_->rows_.SetPassed(std::max(d_->rows_.Passed(), 0));
                while (!d_->recordset_->Eof()) {
                    d_->recordset_->MoveNext();
                    d_->rows_.SetPassed(d_->rows_.Passed() + 1);
                }
                // The step onto EOF passes no row: the number is the last row's.
                d_->rows_.SetPassed(d_->rows_.Passed() - 1);
            }
            d_->rows_.SetCurrent(d_->rows_.Passed());
            return;
        }
        const int former = d_->rows_.Current();
        d_->recordset_->MoveLast();
        d_->recordset_->MoveNext();
        d_->rows_.SetCurrent(d_->recordset_->RecordCount());
        if (d_->tableType_ == dao::dbOpenTable && (d_->rows_.Current() > d_->rows_.Highest() || d_->rows_.Current() < former)) {
            d_->rows_.SetCurrent(CheckedTableCount());
            d_->rows_.SetHighest(d_->rows_.Current());
        }
        d_->rows_.RaiseHighest();
    } catch (const EDaoError&) {
    }
}

int TDaoTable::CheckedTableCount()
{
    // A table's header count is checked against a full count of its rows.
    const int header = d_->recordset_->RecordCount();
    auto snapshot = d_->recordset_->OpenRecordset(dao::dbOpenSnapshot);
    int rows = 0;
    try {
        if (!(snapshot->Bof() && snapshot->Eof())) {
            snapshot->MoveLast();
            rows = snapshot->RecordCount();
        }
    } catch (...) {
        snapshot->Close();
        throw;
    }
    snapshot->Close();
    if (rows != header && d_->warnOnBadDatabase_)
        DatabaseError(QCoreApplication::translate("DataAccess", "Database %1 needs to be repaired and compacted!").arg(d_->database_->Database()));
    return rows;
}

TGetResult TDaoTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck)
{
    if (!d_->recordset_)
        return grError;
    NoteInTransaction();
    const bool forwardOnly = d_->tableType_ == dao::dbOpenForwardOnly;
    // While a batch posts with controls off, the window is not refilled row by row.
    if (ControlsDisabled() && d_->posting_ && d_->batchMode_ && mode != gmCurrent && !(Filtered() && OnFilterRecord))
        return grEOF;
    // A pending engine edit is finished before the cursor reads other rows.
    if (State() == dsInsert) {
        if (!(d_->recordset_->Bof() && d_->recordset_->Eof()))
            CheckBrowseMode();
        return grError;
    }
    if (State() == dsEdit) {
        if (d_->recordset_->EditMode() == dao::dbEditInProgress)
            CheckBrowseMode();
        return grError;
    }
    for (;;) {
        TGetResult result = grOK;
        switch (mode) {
        case gmNext:
            if (!(forwardOnly && d_->rows_.Current() == -1) && !d_->recordset_->Eof())
                d_->recordset_->MoveNext();
            if (d_->recordset_->Eof()) {
                result = grEOF;
            } else {
                d_->rows_.StepForward();
            }
            break;
        case gmPrior:
            if (forwardOnly)
                return grBOF;
            if (!d_->recordset_->Bof())
                d_->recordset_->MovePrevious();
            if (d_->recordset_->Bof()) {
                result = grBOF;
            } else {
                d_->rows_.StepBack();
            }
            break;
        case gmCurrent:
            if (d_->recordset_->Bof())
                result = grBOF;
            else if (d_->recordset_->Eof())
                result = grEOF;
            break;
        }
        d_->rows_.Fetched(result == grEOF);
        if (result != grOK)
            return result;
        // A row another user deleted is absent: a move steps over it.
        if (!FetchRecord(buffer)) {
            if (mode == gmCurrent)
                return grError;
            continue;
        }
        ClearCalcFields(buffer);
        GetCalcFields(buffer);
        if ((d_->rangeActive_ && !RecordInRange(buffer)) || (Filtered() && OnFilterRecord && !RecordFilterAccepts(buffer))) {
            if (mode == gmCurrent)
                return grError;
            continue;
        }
        return grOK;
    }
}

void TDaoTable::InternalSetToRecord(TRecordBuffer buffer)
{
    if (!buffer || !d_->recordset_ || (d_->recordset_->Bof() && d_->recordset_->Eof()))
        return;
    const TDaoRecordHeader* header = Header(buffer);
    if (header->flag != quint8(bfCurrent) && header->flag != quint8(bfInserted))
        return;
    if (header->flag == quint8(bfInserted) && header->key == 0)
        return;
    const int former = d_->rows_.Current();
    d_->rows_.SetCurrent(header->recNo);
    if (d_->tableType_ == dao::dbOpenForwardOnly || State() == dsSetKey)
        return;
    if (!d_->bookmarkable_) {
        MoveToRecNo(former);
        return;
    }
    if (header->key == 0 || State() == dsEdit || State() == dsInsert) {
        if (d_->bookmarkable_ && header->key != 0 && !EngineEditsRow(header->key))
            GotoRecordKey(header->key);
        return;
    }
    try {
        GotoRecordKey(header->key);
    } catch (const EDaoError& error) {
        // A row that cannot be reached any more: start over and say why.
        const QString description = error.Description();
        InternalFirst();
        try {
            Resync(rmCenter);
        } catch (const Exception&) {
        }
        DatabaseError(description);
    }
}

void TDaoTable::MoveToRecNo(int former)
{
    // Without bookmarks a row is reached by its number: a step from where the engine stands,
    // or from the first row when rows are skipped on the client.
    auto fromFirst = [this] {
        d_->recordset_->MoveFirst();
        if (d_->rows_.Current() != 0)
            d_->recordset_->Move(d_->rows_.Current());
    };
    try {
        if (d_->rangeActive_ || (Filtered() && OnFilterRecord))
            fromFirst();
        else if (d_->rows_.Current() != former)
            d_->recordset_->Move(d_->rows_.Current() - former);
    } catch (const EDaoError&) {
        fromFirst();
    }
}

void TDaoTable::InternalGotoBookmark(const char* bookmark)
{
    if (!d_->recordsetOpen_ || !d_->recordset_)
        Refuse("TDaoTable.InternalGotoBookmark: Cannot goto Bookmark - Table is not Active");
    if (!bookmark)
        Refuse("Invalid Bookmark!");
    if (d_->recordset_->Bof() && d_->recordset_->Eof())
        return;
    const qint32 key = qFromLittleEndian<qint32>(bookmark);
    if (!d_->bookmarkable_ || key == 0)
        Refuse("Bookmarks are not supported!");
    const std::optional<int> recNo = d_->rows_.RecNoOf(key);
    if (!recNo)
        Refuse("Invalid Bookmark!");
    try {
        GotoRecordKey(key);
    } catch (const EDaoError& error) {
        if (error.Number() != dao::errRecordDeleted)
            throw;
        RefreshKeepPosition();
        InternalFirst();
        throw;
    }
    d_->rows_.SetCurrent(*recNo);
}

void TDaoTable::SetBookmarkStr(const TBookmarkStr& value)
{
    if (value.isEmpty() || !d_->bookmarkable_ || IsEmpty())
        return;
    InternalGotoBookmark(value.constData());
    Resync(rmExact | rmCenter);
}

TBookmarkStr TDaoTable::GetBookmarkStr()
{
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!d_->bookmarkable_ || !buffer)
        return TBookmarkStr(BookmarkSize(), '\0');
    TBookmarkStr bookmark(4, '\0');
    GetBookmarkData(buffer, bookmark.data());
    return bookmark;
}

bool TDaoTable::BookmarkValid(const TBookmark& bookmark)
{
    if (!d_->recordsetOpen_ || bookmark.size() < 4 || !d_->recordset_ || !d_->bookmarkable_ || IsEmpty())
        return false;
    const qint32 key = qFromLittleEndian<qint32>(bookmark.constData());
    if (key == 0 || !d_->rows_.Knows(key))
        return false;
    // Tried on a clone so the cursor stays where it is.
    try {
        auto probe = d_->recordset_->Clone();
        probe->SetBookmark(bookmark.left(4));
        const bool valid = !probe->Bof() && !probe->Eof();
        probe->Close();
        return valid;
    } catch (const Exception&) {
        return false;
    }
}

int TDaoTable::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2)
{
    if (bookmark1.isEmpty() && bookmark2.isEmpty())
        return 0;
    if (bookmark1.isEmpty())
        return 1;
    if (bookmark2.isEmpty())
        return -1;
    const qint32 a = qFromLittleEndian<qint32>(bookmark1.constData());
    const qint32 b = qFromLittleEndian<qint32>(bookmark2.constData());
    return a < b ? -1 : (a > b ? 1 : 0);
}

void TDaoTable::GetBookmarkData(TRecordBuffer buffer, void* data)
{
    if (!d_->bookmarkable_) {
        qToLittleEndian<qint32>(0, data);
        return;
    }
    const TDaoRecordHeader* header = Header(buffer);
    qToLittleEndian<qint32>(header->key, data);
    if (header->key == 0)
        return;
    d_->rows_.Remember(header->recNo, header->key);
}

void TDaoTable::SetBookmarkData(TRecordBuffer buffer, const void* data)
{
    Header(buffer)->key = qFromLittleEndian<qint32>(data);
}

TBookmarkFlag TDaoTable::GetBookmarkFlag(TRecordBuffer buffer) { return TBookmarkFlag(Header(buffer)->flag); }

void TDaoTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    Header(buffer)->flag = quint8(flag);
    if ((flag == bfEOF || flag == bfInserted) && d_->batchMode_ && ControlsDisabled())
        d_->posting_ = true;
}

int TDaoTable::CountByWalking(TRecordBuffer until)
{
    // Walks the accepted rows from the first; stops at the row of `until` when given.
    const qint32 wanted = until ? Header(until)->key : 0;
    const int savedRec = d_->rows_.Current();
    const qint32 back = until ? wanted : (d_->recordset_ && d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0);
    TRecordBuffer scratch = AllocRecordBuffer();
    int count = 0;
    const TDataSetState saved = SetTempState(dsBrowse);
    try {
        InternalFirst();
        count = TDaoRowNumbers::CountWalked(
            [&](qint32& key) {
                if (GetRecord(scratch, gmNext, false) != grOK)
                    return false;
                key = Header(scratch)->key;
                return true;
            },
            until ? std::optional<qint32>(wanted) : std::nullopt);
    } catch (...) {
        RestoreState(saved);
        FreeRecordBuffer(scratch);
        throw;
    }
    RestoreState(saved);
    FreeRecordBuffer(scratch);
    d_->rows_.SetCurrent(savedRec);
    if (back != 0)
        GotoRecordKey(back);
    CursorPosChanged();
    if (!until)
        d_->rows_.Walked(count);
    return count;
}

int TDaoTable::GetRecNo()
{
    if (!d_->recordsetOpen_ || !d_->recordset_)
        return -1;
    TRecordBuffer buffer = GetActiveRecordBuffer();
    UpdateCursorPos();
    InternalSetToRecord(buffer);
    if (!d_->useGetRecNo_)
        return -1;
    if (d_->rows_.Current() < -1)
        d_->rows_.MarkStale();
    if (d_->tableType_ == dao::dbOpenForwardOnly)
        return d_->rows_.Current() + 1;
    if (d_->recordset_->Bof())
        return -1;
    if ((Filtered() && OnFilterRecord) || d_->rangeActive_)
        return buffer && d_->bookmarkable_ ? CountByWalking(buffer) : -1;
    if (d_->rows_.Stale() && buffer) {
        RecomputeRecNo(buffer);
    } else if (d_->tableType_ == dao::dbOpenDynaset || d_->tableType_ == dao::dbOpenSnapshot
               || d_->tableType_ == dao::dbOpenDynamic) {
        const int position = d_->recordset_->AbsolutePosition();
        if (position >= 0)
            d_->rows_.SetCurrent(position);
    }
    return d_->rows_.Current() + 1;
}

void TDaoTable::RecomputeRecNo(TRecordBuffer buffer)
{
    TDaoRecordHeader* header = Header(buffer);
    d_->rows_.SetCurrent(-1);
    if (d_->tableType_ == dao::dbOpenDynaset || d_->tableType_ == dao::dbOpenSnapshot || d_->tableType_ == dao::dbOpenDynamic) {
        d_->rows_.SetCurrent(d_->recordset_->AbsolutePosition());
    } else {
        bool moved = false;
        try {
            d_->recordset_->MoveNext();
            moved = true;
            if (d_->recordset_->Eof())
                d_->rows_.SetCurrent(d_->recordset_->RecordCount() - 1);
        } catch (const EDaoError&) {
        }
        if (moved)
            d_->recordset_->MovePrevious();
        if (d_->rows_.Current() == -1) {
            if (d_->bookmarkable_) {
                const qint32 key = header->key != 0 ? header->key : ReadLastModified(*d_->recordset_);
                auto clone = d_->recordset_->Clone();
                d_->rows_.SetCurrent(RecNoByPosition(*clone, key));
                clone->Close();
            } else {
                while (!d_->recordset_->Bof()) {
                    d_->recordset_->MovePrevious();
                    d_->rows_.SetCurrent(d_->rows_.Current() + 1);
                }
            }
        }
        header->recNo = d_->rows_.Current();
        if (d_->bookmarkable_ && header->key != 0) {
            GotoRecordKey(header->key);
        } else {
            d_->recordset_->MoveFirst();
            if (d_->rows_.Current() > 0)
                d_->recordset_->Move(d_->rows_.Current());
        }
    }
    if (d_->rows_.Current() >= 0)
        header->recNo = d_->rows_.Current();
    d_->rows_.Recomputed();
}

void TDaoTable::SetRecNo(int value)
{
    CheckBrowseMode();
    if (!d_->recordsetOpen_ || !d_->recordset_ || value < 1)
        return;
    CursorPosChanged();
    DoBeforeScroll();
    if ((Filtered() && OnFilterRecord) || d_->rangeActive_) {
        const int savedRec = d_->rows_.Current();
        const qint32 back = d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0;
        TRecordBuffer scratch = AllocRecordBuffer();
        const TDataSetState saved = SetTempState(dsBrowse);
        int reached = 0;
        try {
            InternalFirst();
            while (reached < value && GetRecord(scratch, gmNext, false) == grOK)
                ++reached;
        } catch (...) {
            RestoreState(saved);
            FreeRecordBuffer(scratch);
            throw;
        }
        RestoreState(saved);
        FreeRecordBuffer(scratch);
        if (reached < value) {
            // Fewer rows than asked for: stay where we were.
            d_->rows_.SetCurrent(savedRec);
            if (back != 0)
                GotoRecordKey(back);
        }
    } else {
        d_->rows_.SetCurrent(value - 1);
        d_->recordset_->MoveFirst();
        if (d_->rows_.Current() > 0)
            d_->recordset_->Move(d_->rows_.Current());
        if (d_->recordset_->Eof()) {
            d_->recordset_->MoveLast();
            d_->rows_.SetCurrent(std::max(0, d_->recordset_->AbsolutePosition()));
        }
    }
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDaoTable::GetRecordCount()
{
    if (!d_->recordsetOpen_ || !d_->recordset_)
        return -1;
    if (d_->tableType_ == dao::dbOpenForwardOnly)
        return -1;
    if (const int kept = d_->rows_.KeptCount(d_->useRecordCount_); kept >= 0)
        return kept;
    if (d_->recordset_->Bof() && d_->recordset_->Eof()) {
        d_->rows_.Counted(0);
        d_->rows_.SetCurrent(-1);
        return 0;
    }
    if ((Filtered() && OnFilterRecord) || d_->rangeActive_)
        return CountByWalking(TRecordBuffer(nullptr));
    int count = 0;
    if (d_->tableType_ == dao::dbOpenTable) {
        count = d_->recordset_->RecordCount();
        if (count > d_->rows_.Highest()) {
            try {
                count = CheckedTableCount();
            } catch (const EDaoError&) {
            }
        }
    } else {
        // Counted on a clone, so the table's own position is not disturbed.
        try {
            auto counter = d_->recordset_->Clone();
            count = TDaoRowNumbers::CountByMovingLast(*counter);
            counter->Close();
        } catch (const EDaoError&) {
        }
    }
    d_->rows_.Counted(count);
    return count;
}
