// The table dataset's edits: editing, inserting, posting, cancelling, deleting and refreshing rows.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/toolkit/Exceptions.h"

#include <algorithm>

using daorecord::Header;

// --- editing -----------------------------------------------------------------------------------------

QString TDaoTable::ErrorText(const Exception& error)
{
    // The failing call's own error, never what the engine recorded for an earlier one.
    if (const auto* engine = dynamic_cast<const EDaoError*>(&error))
        return engine->Description();
    return error.Message();
}

TDataAction TDaoTable::AskErrorEvent(const TDataSetErrorEvent& event, const Exception& error)
{
    TDataAction action = daFail;
    if (event) {
        EDatabaseError handed(ErrorText(error));
        event(this, handed, action);
    }
    return action;
}

void TDaoTable::InternalEdit()
{
    NoteInTransaction();
    FreeRecordBuffer(d_->oldValues_);
    d_->oldValues_ = AllocRecordBuffer();
    GetCurrentRecord(d_->oldValues_);
    InternalSetToRecord(ActiveBuffer());
    for (;;) {
        try {
            if (d_->recordset_->EditMode() != dao::dbEditInProgress)
                d_->recordset_->Edit();
            break;
        } catch (const Exception& error) {
            if (d_->recordset_->EditMode() != dao::dbEditInProgress) {
                try {
                    d_->recordset_->Move(0);
                } catch (const Exception&) {
                }
            }
            const TDataAction action = AskErrorEvent(OnEditError, error);
            if (action == daRetry)
                continue;
            if (action == daAbort)
                throw EAbort();
            if (const auto* engine = dynamic_cast<const EDaoError*>(&error);
                engine && engine->Number() == dao::errRecordDeleted)
                RefreshKeepPosition();
            throw;
        }
    }
    if (TRecordBuffer active = ActiveBuffer(); active && WindowRecordCount() > 0) {
        const qint32 recNo = Header(active)->recNo;
        FetchRecord(active);
        Header(active)->recNo = recNo;
    }
}

TVariant TDaoTable::TextToEngineValue(const TField* field, int fieldType, const QString& text) const
{
    return daorecord::TextToEngineValue(field->DataType(), fieldType == dao::dbGUID, text,
                                        [this](const QString& plain) { return EncryptText(plain); });
}

QString TDaoTable::EncryptText(const QString& text) const
{
    if (!d_->encrypterValid_ || !d_->encrypter_)
        return text;
    d_->encrypter_->setProperty("DecodedString", text);
    return d_->encrypter_->property("EncodedString").toString();
}

void TDaoTable::WriteMarkedFields(TRecordBuffer buffer)
{
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    for (int i = 0; i < FieldDefs().Count() && size_t(i) < d_->fieldObjects_.size(); ++i) {
        if (size_t(i) >= texts.mark.size() || !texts.mark[size_t(i)])
            continue;
        if (size_t(i) < d_->fieldUpdatable_.size() && !d_->fieldUpdatable_[size_t(i)])
            continue;
        const TField* field = DefinitionFields()[size_t(i)];
        if (!field)
            continue;
        d_->fieldObjects_[size_t(i)]->SetValue(TextToEngineValue(field, d_->fieldEngineTypes_[size_t(i)], texts.Text(size_t(i))));
    }
}

void TDaoTable::ClearBlobMarks()
{
    for (TField* field : Fields())
        if (auto* blob = dynamic_cast<TBlobField*>(field))
            blob->SetModified(false);
}

void TDaoTable::InternalPost()
{
    NoteInTransaction();
    d_->rows_.Recomputed();
    TDataSet::InternalPost();
    CheckActive();
    TRecordBuffer buffer = ActiveBuffer();
    const bool inserting = State() == dsInsert;
    if (!inserting) {
        InternalSetToRecord(buffer);
        // The engine's edit may have been left since this dataset's Edit (a move, a refused
        // post): it is taken up again against the row as it was read then.
        if (d_->recordset_->EditMode() != dao::dbEditInProgress) {
            try {
                d_->recordset_->ResumeEdit();
            } catch (const Exception&) {
                try {
                    d_->recordset_->Move(0);
                } catch (const Exception&) {
                }
                RefreshKeepPosition();
                throw;
            }
        }
    }
    for (;;) {
        try {
            if (inserting)
                d_->recordset_->AddNew();
            WriteMarkedFields(buffer);
            d_->recordset_->Update();
            break;
        } catch (const Exception& error) {
            const TDataAction action = AskErrorEvent(OnPostError, error);
            if (inserting) {
                if (d_->recordset_->EditMode() == dao::dbEditAdd)
                    d_->recordset_->CancelUpdate();
                if (action == daRetry)
                    continue;
            } else {
                if (action == daRetry) {
                    if (d_->recordset_->EditMode() != dao::dbEditInProgress)
                        d_->recordset_->ResumeEdit();
                    continue;
                }
                if (!d_->recordset_->LockEdits() && d_->recordset_->EditMode() == dao::dbEditInProgress)
                    d_->recordset_->CancelUpdate();
                if (d_->recordset_->EditMode() != dao::dbEditInProgress) {
                    try {
                        d_->recordset_->Move(0);
                    } catch (const Exception&) {
                    }
                }
            }
            if (action == daAbort)
                throw EAbort();
            throw;
        }
    }
    d_->rows_.Posted(inserting);
    // Stand on the row just written, so the window is read around it; its number comes from
    // the engine's position at once, so every buffer read around it is numbered right.
    if (d_->bookmarkable_) {
        const bool jet = d_->database_ && d_->database_->EngineType() == dao::dbUseJet;
        const qint32 key = jet || !inserting ? ReadLastModified(*d_->recordset_) : ReadBookmark(*d_->recordset_);
        if (key != 0) {
            Header(buffer)->key = key;
            GotoRecordKey(key);
        }
        d_->rows_.SetCurrent(std::max(0, d_->recordset_->AbsolutePosition()));
    } else if (inserting) {
        try {
            InternalLast();
        } catch (const EDaoError&) {
        }
        d_->rows_.SetCurrent(std::max(0, d_->rows_.Current() - 1));
    }
    Header(buffer)->recNo = d_->rows_.Current();
    FreeRecordBuffer(d_->oldValues_);
    ClearBlobMarks();
    if (d_->database_)
        d_->database_->Idle();
    d_->rows_.MarkStale();
}

void TDaoTable::Post()
{
    d_->posting_ = true;
    try {
        TDataSet::Post();
    } catch (...) {
        d_->posting_ = false;
        AbandonBatchWrites();
        throw;
    }
    d_->posting_ = false;
    if (d_->sortedBy_.Count() > 0 && d_->refreshSorted_ && d_->recordset_) {
        CheckBrowseMode();
        d_->rows_.ForgetBookmarks();
        ClearBuffers();
        d_->recordset_->Requery();
        d_->rows_.CountChanged();
        InternalFirst();
        ActivateBuffers();
        First();
    }
}

void TDaoTable::InternalAddRecord(TRecordBuffer buffer, bool append)
{
    NoteInTransaction();
    if (append) {
        InternalLast();
        SetBookmarkFlag(buffer, bfEOF);
    }
    d_->recordset_->AddNew();
    try {
        WriteMarkedFields(buffer);
        d_->recordset_->Update();
    } catch (...) {
        if (d_->recordset_->EditMode() == dao::dbEditAdd)
            d_->recordset_->CancelUpdate();
        throw;
    }
    d_->rows_.CountChanged();
    if (d_->database_)
        d_->database_->Idle();
}

void TDaoTable::InternalCancel()
{
    d_->posting_ = false;
    if (d_->recordset_ && d_->recordset_->EditMode() == dao::dbEditInProgress) {
        try {
            d_->recordset_->CancelUpdate();
        } catch (const Exception&) {
        }
    }
    FreeRecordBuffer(d_->oldValues_);
    ClearBlobMarks();
    if (d_->database_)
        d_->database_->Idle();
}

void TDaoTable::InternalDelete()
{
    NoteInTransaction();
    TRecordBuffer buffer = ActiveBuffer();
    const qint32 recNo = buffer ? Header(buffer)->recNo : -1;
    InternalSetToRecord(buffer);
    for (;;) {
        try {
            d_->recordset_->Delete();
            break;
        } catch (const Exception& error) {
            const auto* engine = dynamic_cast<const EDaoError*>(&error);
            const bool gone = engine && engine->Number() == dao::errRecordDeleted;
            const TDataAction action = AskErrorEvent(OnDeleteError, error);
            if (action == daRetry && OnDeleteError)
                continue;
            if (action == daAbort || (gone && !OnDeleteError)) {
                d_->rows_.CountChanged();
                RefreshKeepPosition();
                return;
            }
            if (gone) {
                d_->rows_.CountChanged();
                RefreshKeepPosition();
            }
            throw;
        }
    }
    // Only a delete that happened moves the numbers of the rows after it.
    if (recNo >= 0)
        d_->rows_.Forget(recNo);
    if (d_->database_)
        d_->database_->Idle();
    d_->rows_.CountChanged();
    // The only row deleted: nothing is left to stand on.
    const bool empty = d_->recordset_->Bof() && d_->recordset_->Eof();
    if (!empty && d_->recordset_->Eof())
        d_->recordset_->MoveLast();
    else if (!empty)
        d_->recordset_->MoveNext();
    if (d_->recordset_->Eof() && !(d_->recordset_->Bof() && d_->recordset_->Eof()))
        d_->recordset_->MoveLast();
    d_->rows_.SetCurrent((d_->recordset_->Bof() || d_->recordset_->Eof()) ? -1 : std::max(0, d_->recordset_->AbsolutePosition()));
}

void TDaoTable::RefreshKeepPosition()
{
    d_->rows_.CountChanged();
    try {
        Resync(rmExact | rmCenter);
        return;
    } catch (const Exception&) {
    }
    const int remembered = d_->rows_.Current();
    if (State() == dsBrowse)
        CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    OpenDaoRecordset();
    InternalFirst();
    ActivateBuffers();
    if (State() != dsBrowse)
        return;
    First();
    if (remembered > 0 && remembered < RecordCount())
        MoveBy(remembered);
    else if (remembered > 0)
        Last();
}

void TDaoTable::InternalRefresh()
{
    NoteInTransaction();
    d_->rows_.CountChanged();
    if (!d_->recordset_)
        return;
    if (d_->database_)
        d_->database_->Idle();
    if (!ControlsDisabled())
        RefreshKeepPosition();
}
