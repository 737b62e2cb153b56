#include "platform/toolkit/DataSet.h"

#include "platform/toolkit/DataSource.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

TDataSet::TDataSet(QObject* owner)
    : TComponent(owner),
      fields_(this),
      fieldDefs_(std::make_unique<TFieldDefs>(this)),
      indexDefs_(std::make_unique<TIndexDefs>(this))
{
}

TDataSet::~TDataSet()
{
    Destroying();
    while (!dataSources_.empty()) dataSources_.back()->SetDataSet(nullptr);
    // The fields outlive this part of the object only as components of their owners.
    std::vector<TField*> fields(fields_.begin(), fields_.end());
    fields_.Clear();
    for (TField* f : fields) {
        f->dataSet_ = nullptr;
        if (f->Owner() == this) delete f;
    }
}

void TDataSet::Error(const QString& message) const
{
    throw EDatabaseError(Name().isEmpty() ? message : Name() + QStringLiteral(": ") + message);
}

void TDataSet::CheckActive() const
{
    if (!Active()) Error(QCoreApplication::translate("Toolkit", DataSetMessages::DataSetClosed));
}

void TDataSet::CheckInactive() const
{
    if (Active()) Error(QCoreApplication::translate("Toolkit", DataSetMessages::DataSetOpen));
}

void TDataSet::CheckCanModify()
{
    if (!CanModify()) Error(QCoreApplication::translate("Toolkit", DataSetMessages::ReadOnlyDataSet));
}

void TDataSet::CheckEditing() const
{
    if (state_ != dsEdit && state_ != dsInsert) Error(QCoreApplication::translate("Toolkit", DataSetMessages::NotEditing));
}

// --- states and events ----------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state)
{
    const TDataSetState old = state_;
    state_ = state;
    ++tempStateCount_;
    return old;
}

void TDataSet::RestoreState(TDataSetState state)
{
    state_ = state;
    if (tempStateCount_ > 0) --tempStateCount_;
}

void TDataSet::DisableControls()
{
    if (disableCount_++ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (state_ != disableState_) NotifyDataSources(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive) NotifyDataSources(enableEvent_, 0);
}

TControlsOff::TControlsOff(TDataSet* dataSet) : dataSet_(dataSet), failuresBefore_(std::uncaught_exceptions())
{
    if (dataSet_) dataSet_->DisableControls();
}

TControlsOff::TControlsOff(TControlsOff&& other) noexcept
    : dataSet_(std::exchange(other.dataSet_, nullptr)), failuresBefore_(other.failuresBefore_)
{
}

TControlsOff::~TControlsOff() noexcept(false)
{
    if (std::uncaught_exceptions() <= failuresBefore_) {
        Enable();
        return;
    }
    // The failure on its way is the one to tell; the controls come back all the same.
    try {
        Enable();
    } catch (...) {
    }
}

void TControlsOff::Enable()
{
    if (TDataSet* dataSet = std::exchange(dataSet_, nullptr)) dataSet->EnableControls();
}

void TDataSet::DataEvent(TDataEvent event, qintptr info)
{
    switch (event) {
    case deFieldChange:
        AfterFieldChange(reinterpret_cast<TField*>(info));
        break;
    case deLayoutChange:
        if (ControlsDisabled()) enableEvent_ = deLayoutChange;
        break;
    default:
        break;
    }
    if (!ControlsDisabled() && tempStateCount_ == 0 && state_ != dsBlockRead) NotifyDataSources(event, info);
}

void TDataSet::NotifyDataSources(TDataEvent event, qintptr info)
{
    const std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        if (std::find(dataSources_.begin(), dataSources_.end(), source) != dataSources_.end())
            source->DataEvent(event, info);
}

void TDataSet::AfterFieldChange(TField* field)
{
    if (field == nullptr) return;
    const bool dataField = field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc;
    if (dataField) modified_ = true;
    if (state_ == dsSetKey) return;
    if (dataField && autoCalcFields_ && hasCalcFields_) GetCalcFields(ActiveBuffer());
    field->Change();
}

void TDataSet::AddDataSource(TDataSource* dataSource)
{
    dataSources_.push_back(dataSource);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource)
{
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), dataSource), dataSources_.end());
    if (!IsDestroying()) UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const
{
    int guard = 0;
    while (dataSource != nullptr && dataSource->DataSet() != nullptr && guard++ < 1000) {
        if (dataSource->DataSet() == this) return true;
        dataSource = dataSource->DataSet()->GetDataSource();
    }
    return false;
}

// --- buffers --------------------------------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const
{
    if (buffers_.empty()) return nullptr;
    return buffers_[size_t(activeRecord_)];
}

TRecordBuffer TDataSet::GetActiveRecordBuffer()
{
    switch (state_) {
    case dsBrowse:
    case dsBlockRead:
        return recordCount_ == 0 ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue:
    case dsOldValue:
        return ActiveBuffer();
    case dsCalcFields:
        return calcBuffer_;
    case dsFilter:
        return filterBuffer_;
    case dsSetKey:
        return keyBuffer_;
    default:
        return nullptr;
    }
}

void TDataSet::AllocateBuffers()
{
    int count = 1;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
    for (int i = 0; i <= count; ++i) buffers_.push_back(AllocRecordBuffer());
    bufferCount_ = count;
    calcBuffer_ = AllocRecordBuffer();
    tempBuffer_ = AllocRecordBuffer();
    ClearBuffers();
}

void TDataSet::FreeBuffers()
{
    for (TRecordBuffer& buffer : buffers_) FreeRecordBuffer(buffer);
    buffers_.clear();
    if (calcBuffer_ != nullptr) FreeRecordBuffer(calcBuffer_);
    if (tempBuffer_ != nullptr) FreeRecordBuffer(tempBuffer_);
    calcBuffer_ = nullptr;
    tempBuffer_ = nullptr;
    bufferCount_ = 0;
    ClearBuffers();
}

void TDataSet::UpdateBufferCount()
{
    if (!Active() || buffers_.empty()) return;
    int count = 1;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int count)
{
    if (count == bufferCount_ || count < 1) return;
    insertPushedRow_ = false;
    if (count > bufferCount_) {
        while (int(buffers_.size()) < count + 1) buffers_.push_back(AllocRecordBuffer());
        bufferCount_ = count;
        if (state_ == dsBrowse && recordCount_ > 0) {
            GetNextRecords();
            while (recordCount_ < bufferCount_ && GetPriorRecord()) ++activeRecord_;
        }
        return;
    }
    const int drop = std::max(0, activeRecord_ - (count - 1));
    if (drop > 0) {
        std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.end());
        activeRecord_ -= drop;
        recordCount_ -= drop;
        currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
    }
    recordCount_ = std::min(recordCount_, count);
    if (currentRecord_ >= recordCount_) currentRecord_ = -1;
    while (int(buffers_.size()) > count + 1) {
        FreeRecordBuffer(buffers_.back());
        buffers_.pop_back();
    }
    bufferCount_ = count;
}

void TDataSet::ClearBuffers()
{
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = false;
    eof_ = false;
    insertPushedRow_ = false;
}

void TDataSet::SetCurrentRecord(int index)
{
    if (currentRecord_ == index) return;
    InternalSetToRecord(buffers_[size_t(index)]);
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos()
{
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord()
{
    if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
    TRecordBuffer target = buffers_[size_t(recordCount_)];
    if (GetRecord(target, gmNext, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.end());
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord()
{
    if (recordCount_ > 0) SetCurrentRecord(0);
    TRecordBuffer target = buffers_[size_t(recordCount_)];
    if (GetRecord(target, gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < bufferCount_) ++recordCount_;
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords()
{
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
    return n;
}

int TDataSet::GetPriorRecords()
{
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
    return n;
}

void TDataSet::ActivateBuffers()
{
    if (buffers_.empty()) return;
    ClearBuffers();
    if (GetRecord(buffers_[0], gmCurrent, false) == grOK) {
        recordCount_ = 1;
        currentRecord_ = 0;
        GetNextRecords();
        while (recordCount_ < bufferCount_ && GetPriorRecord()) ++activeRecord_;
    } else {
        CursorPosChanged();
        GetNextRecords();
    }
    if (recordCount_ == 0) bof_ = eof_ = true;
}

void TDataSet::Resync(TResyncMode mode)
{
    if (buffers_.empty()) return;
    TRecordBuffer spare = buffers_[size_t(bufferCount_)];
    if (mode.testFlag(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) Error(QCoreApplication::translate("Toolkit", DataSetMessages::RecordNotFound));
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        bof_ = eof_ = true;
        DataEvent(deDataSetChange, 0);
        return;
    }
    const int offset = mode.testFlag(rmCenter) ? (bufferCount_ - 1) / 2 : std::min(activeRecord_, bufferCount_ - 1);
    std::swap(buffers_[0], buffers_[size_t(bufferCount_)]);
    ClearBuffers();
    recordCount_ = 1;
    currentRecord_ = 0;
    while (activeRecord_ < offset && GetPriorRecord()) ++activeRecord_;
    GetNextRecords();
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++activeRecord_;
    DataEvent(deDataSetChange, 0);
}

void TDataSet::SetActiveRecord(int index)
{
    if (index >= 0 && index < std::max(recordCount_, 1) && index < bufferCount_) activeRecord_ = index;
}

// --- opening and closing --------------------------------------------------------------------------

void TDataSet::SetActive(bool value)
{
    if (IsLoading()) {
        streamedActive_ = value;
        return;
    }
    if (value == Active()) return;
    if (value)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (IsLoading()) {
        streamedActive_ = true;
        return;
    }
    if (Active()) return;
    DoBeforeOpen();
    state_ = dsOpening;
    try {
        InternalOpen();
        AllocateBuffers();
        // The window is filled before the links hear of the new state, so that what they
        // read on becoming active is the first rows.
        GetNextRecords();
        bof_ = true;
        eof_ = recordCount_ == 0;
        state_ = dsInactive;
        SetState(dsBrowse);
    } catch (...) {
        const bool announced = state_ != dsOpening && state_ != dsInactive;
        try {
            FreeBuffers();
            if (IsCursorOpen()) InternalClose();
        } catch (...) {
        }
        state_ = announced ? dsBrowse : dsInactive;
        if (announced) SetState(dsInactive);
        bof_ = eof_ = true;
        throw;
    }
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::Close()
{
    if (IsLoading()) {
        streamedActive_ = false;
        return;
    }
    if (!Active()) return;
    if (!IsDestroying()) {
        CheckBrowseMode();
        DoBeforeClose();
    }
    InternalClose();
    FreeBuffers();
    SetState(dsInactive);
    bof_ = eof_ = true;
    if (!IsDestroying()) DoAfterClose();
}

void TDataSet::Loaded()
{
    TComponent::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::Notification(TComponent* component, TOperation operation) { TComponent::Notification(component, operation); }

void TDataSet::InitFieldDefs()
{
    InternalInitFieldDefs();
    fieldDefs_->SetUpdated(true);
}

void TDataSet::InternalHandleException() { HandleException(std::current_exception()); }

// --- moving ---------------------------------------------------------------------------------------

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecords();
    } catch (...) {
        bof_ = true;
        eof_ = recordCount_ == 0;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    bof_ = true;
    eof_ = recordCount_ == 0;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecords();
    } catch (...) {
        activeRecord_ = std::max(0, recordCount_ - 1);
        eof_ = true;
        bof_ = recordCount_ == 0;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    activeRecord_ = std::max(0, recordCount_ - 1);
    eof_ = true;
    bof_ = recordCount_ == 0;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
    bof_ = false;
    eof_ = false;
    const int oldRecordCount = recordCount_;
    int shift = 0;
    DoBeforeScroll();
    try {
        while (distance > 0) {
            if (activeRecord_ < recordCount_ - 1) {
                ++activeRecord_;
            } else {
                const int before = recordCount_;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                if (recordCount_ > before)
                    ++activeRecord_;
                else
                    ++shift;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (activeRecord_ > 0) {
                --activeRecord_;
            } else {
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                --shift;
            }
            ++distance;
            --moved;
        }
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    if (recordCount_ != oldRecordCount)
        DataEvent(deDataSetChange, 0);
    else
        DataEvent(deDataSetScroll, shift);
    if (moved != 0) DoAfterScroll();
    return moved;
}

void TDataSet::SetRecNo(int) {}

void TDataSet::SetBlockReadSize(int value)
{
    if (value > 0) {
        CheckBrowseMode();
        blockReadSize_ = value;
        SetState(dsBlockRead);
    } else {
        blockReadSize_ = 0;
        if (state_ != dsBlockRead) return;
        SetState(dsBrowse);
        DataEvent(deDataSetChange, 0);
    }
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    DoBeforeRefresh();
    UpdateCursorPos();
    InternalRefresh();
    Resync(TResyncMode());
    DoAfterRefresh();
}

// --- bookmarks ------------------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark()
{
    if (!Active() || bookmarkSize_ <= 0 || recordCount_ == 0) return TBookmark();
    TRecordBuffer buffer = ActiveBuffer();
    if (GetBookmarkFlag(buffer) != bfCurrent) return TBookmark();
    TBookmark bookmark(bookmarkSize_, '\0');
    GetBookmarkData(buffer, bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    if (bookmark.isEmpty()) return;
    // The descendant reads BookmarkSize() bytes; a shorter one would be read past its end.
    if (bookmark.size() < bookmarkSize_) DatabaseError(QCoreApplication::translate("Toolkit", "Invalid bookmark"));
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.constData());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2)
{
    if (bookmark1.isEmpty() && bookmark2.isEmpty()) return 0;
    if (bookmark1.isEmpty()) return 1;
    if (bookmark2.isEmpty()) return -1;
    return 0;
}

TBookmarkStr TDataSet::GetBookmarkStr() { return GetBookmark(); }

void TDataSet::SetBookmarkStr(const TBookmarkStr& value) { GotoBookmark(value); }

// --- editing --------------------------------------------------------------------------------------

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent)
{
    for (;;) {
        try {
            operation();
            return;
        } catch (EDatabaseError& error) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(this, error, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert) return;
    CheckActive();
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation(
        [this] {
            UpdateCursorPos();
            InternalEdit();
        },
        OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend()
{
    SetState(dsInsert);
    try {
        DoOnNewRecord();
        if (autoCalcFields_) GetCalcFields(ActiveBuffer());
    } catch (...) {
        DropInsertedBuffer();
        SetState(dsBrowse);
        if (recordCount_ > 0) {
            CursorPosChanged();
            UpdateCursorPos();
        }
        Resync(TResyncMode());
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    if (recordCount_ == 0) {
        activeRecord_ = 0;
    } else {
        UpdateCursorPos();
    }
    const int at = activeRecord_;
    insertPushedRow_ = recordCount_ == bufferCount_;
    std::rotate(buffers_.begin() + at, buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < bufferCount_) ++recordCount_;
    if (currentRecord_ >= at) ++currentRecord_;
    TRecordBuffer buffer = buffers_[size_t(at)];
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
    InternalInsert();
    bof_ = eof_ = false;
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    InternalLast();
    TRecordBuffer buffer = buffers_[0];
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    // The cursor stands past the last row, which is where the new record goes.
    currentRecord_ = 0;
    GetPriorRecords();
    activeRecord_ = recordCount_ - 1;
    InternalInsert();
    bof_ = eof_ = false;
    EndInsertAppend();
}

void TDataSet::DropInsertedBuffer()
{
    const int at = activeRecord_;
    if (insertPushedRow_) {
        std::rotate(buffers_.begin() + at, buffers_.begin() + at + 1, buffers_.end());
    } else {
        std::rotate(buffers_.begin() + at, buffers_.begin() + at + 1, buffers_.begin() + recordCount_);
        --recordCount_;
    }
    if (currentRecord_ > at)
        --currentRecord_;
    else if (currentRecord_ == at)
        currentRecord_ = -1;
    if (activeRecord_ >= recordCount_) activeRecord_ = std::max(0, recordCount_ - 1);
    insertPushedRow_ = false;
}

void TDataSet::PositionCursorForInsertPost()
{
    TRecordBuffer buffer = ActiveBuffer();
    const int next = activeRecord_ + 1;
    const bool nextHoldsRow = next < recordCount_ || (next == bufferCount_ && insertPushedRow_);
    CursorPosChanged();
    if (GetBookmarkFlag(buffer) == bfEOF || !nextHoldsRow) {
        InternalLast();
    } else {
        SetCurrentRecord(next);
    }
}

void TDataSet::Post()
{
    if (state_ != dsEdit && state_ != dsInsert) return;
    UpdateRecord();
    DataEvent(deCheckBrowseMode, 0);
    DoBeforePost();
    const bool inserting = state_ == dsInsert;
    CheckOperation(
        [this, inserting] {
            if (inserting)
                PositionCursorForInsertPost();
            else
                UpdateCursorPos();
            InternalPost();
        },
        OnPostError);
    insertPushedRow_ = false;
    SetState(dsBrowse);
    Resync(TResyncMode());
    DoAfterPost();
}

void TDataSet::InternalPost()
{
    for (TField* field : fields_) field->CheckRequired();
}

void TDataSet::Cancel()
{
    if (state_ == dsSetKey) {
        SetState(dsBrowse);
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert) return;
    const bool inserting = state_ == dsInsert;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    InternalCancel();
    if (inserting) DropInsertedBuffer();
    SetState(dsBrowse);
    if (recordCount_ > 0) {
        CursorPosChanged();
        UpdateCursorPos();
    }
    Resync(TResyncMode());
    DoAfterCancel();
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) Error(QCoreApplication::translate("Toolkit", DataSetMessages::EmptyDataSet));
    CheckCanModify();
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation(
        [this] {
            UpdateCursorPos();
            InternalDelete();
        },
        OnDeleteError);
    SetState(dsBrowse);
    CursorPosChanged();
    Resync(TResyncMode());
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        SetState(dsBrowse);
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord()
{
    CheckEditing();
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::SetFields(const std::vector<TVariant>& values)
{
    CheckEditing();
    for (size_t i = 0; i < values.size() && int(i) < fields_.Count(); ++i)
        if (!values[i].IsEmpty()) fields_[int(i)]->SetAsVariant(values[i]);
}

void TDataSet::AddRecord(const std::vector<TVariant>& values, bool append)
{
    if (append)
        Append();
    else
        Insert();
    try {
        SetFields(values);
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void TDataSet::InsertRecord(const std::vector<TVariant>& values) { AddRecord(values, false); }
void TDataSet::AppendRecord(const std::vector<TVariant>& values) { AddRecord(values, true); }

// --- fields ---------------------------------------------------------------------------------------

std::vector<TField*> TDataSet::GetFieldList(const QString& names) const
{
    std::vector<TField*> list;
    for (const QString& name : SplitFieldNames(names)) list.push_back(FieldByName(name));
    return list;
}

TVariant TDataSet::FieldValues(const QString& names) const
{
    const std::vector<TField*> list = GetFieldList(names);
    if (list.size() == 1) return list.front()->AsVariant();
    std::vector<TVariant> values;
    for (TField* f : list) values.push_back(f->AsVariant());
    return TVariant::Array(std::move(values));
}

void TDataSet::SetFieldValues(const QString& names, const TVariant& value)
{
    const std::vector<TField*> list = GetFieldList(names);
    if (list.size() == 1) {
        list.front()->SetAsVariant(value);
        return;
    }
    if (!value.IsArray() || value.ArrayCount() != int(list.size()))
        Error(QCoreApplication::translate("Toolkit", "More fields than values"));
    for (size_t i = 0; i < list.size(); ++i) list[i]->SetAsVariant(value[value.ArrayLowBound() + int(i)]);
}

void TDataSet::CreateFields()
{
    const bool wasEmpty = fields_.Count() == 0;
    for (int i = 0; i < fieldDefs_->Count(); ++i) {
        TFieldDef* def = fieldDefs_->Items(i);
        if (def->DataType() == ftUnknown || FindField(def->Name()) != nullptr) continue;
        def->CreateField(this);
    }
    if (wasEmpty) defaultFields_ = true;
}

void TDataSet::DestroyFields()
{
    const std::vector<TField*> fields(fields_.begin(), fields_.end());
    for (TField* f : fields) {
        if (f->Owner() != this) continue;
        fields_.Remove(f);
        f->dataSet_ = nullptr;
        delete f;
    }
    defaultFields_ = false;
}

void TDataSet::BindFields(bool binding)
{
    calcFieldsSize_ = 0;
    hasCalcFields_ = false;
    if (!binding) return;
    for (TField* f : fields_) {
        switch (f->FieldKind()) {
        case fkCalculated:
        case fkLookup:
            f->SetOffset(calcFieldsSize_);
            f->SetFieldNo(0);
            calcFieldsSize_ += 1 + f->DataSize();
            hasCalcFields_ = true;
            if (f->FieldKind() == fkLookup) {
                if (f->LookupDataSet() == nullptr || f->LookupDataSet() == this)
                    Error(QCoreApplication::translate("Toolkit", "Lookup information for field '%1' is incomplete").arg(f->DisplayName()));
                GetFieldList(f->KeyFields());
            }
            break;
        case fkInternalCalc:
            hasCalcFields_ = true;
            break;
        default: {
            TFieldDef* def = fieldDefs_->FindDef(f->FieldName());
            if (def == nullptr) Error(QCoreApplication::translate("Toolkit", DataSetMessages::FieldNotFound).arg(f->DisplayName()));
            f->SetFieldNo(def->FieldNo());
            break;
        }
        }
    }
}

bool TDataSet::ReadCalcField(const char* calcArea, const TField* field, void* buffer)
{
    const char* slot = calcArea + field->Offset();
    if (slot[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, slot + 1, size_t(field->DataSize()));
    return true;
}

void TDataSet::WriteCalcField(char* calcArea, const TField* field, const void* buffer)
{
    char* slot = calcArea + field->Offset();
    slot[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr)
        std::memcpy(slot + 1, buffer, size_t(field->DataSize()));
    else
        std::memset(slot + 1, 0, size_t(field->DataSize()));
}

void TDataSet::GetCalcFields(TRecordBuffer buffer)
{
    if (!hasCalcFields_ || buffer == nullptr) return;
    const TDataSetState saved = SetTempState(dsCalcFields);
    const TRecordBuffer savedCalc = calcBuffer_;
    calcBuffer_ = buffer;
    try {
        ClearCalcFields(buffer);
        CalculateFields(buffer);
    } catch (...) {
        calcBuffer_ = savedCalc;
        RestoreState(saved);
        throw;
    }
    calcBuffer_ = savedCalc;
    RestoreState(saved);
}

void TDataSet::CalculateFields(TRecordBuffer)
{
    for (TField* f : fields_)
        if (f->FieldKind() == fkLookup) CalculateLookupField(f);
    DoOnCalcFields();
}

void TDataSet::CalculateLookupField(TField* field)
{
    TDataSet* lookup = field->LookupDataSet();
    if (lookup == nullptr || !lookup->Active()) return;
    const TVariant keys = FieldValues(field->KeyFields());
    if (keys.IsClear()) return;
    const TVariant value = lookup->Lookup(field->LookupKeyFields(), keys, field->LookupResultField());
    if (!value.IsClear()) field->SetAsVariant(value);
}

bool TDataSet::RecordFilterAccepts(TRecordBuffer buffer)
{
    if (!OnFilterRecord) return true;
    const TDataSetState saved = SetTempState(dsFilter);
    const TRecordBuffer savedFilter = filterBuffer_;
    filterBuffer_ = buffer;
    bool accept = true;
    try {
        OnFilterRecord(this, accept);
    } catch (...) {
        filterBuffer_ = savedFilter;
        RestoreState(saved);
        throw;
    }
    filterBuffer_ = savedFilter;
    RestoreState(saved);
    return accept;
}

bool TDataSet::GetFieldData(TField*, void*) { return false; }
void TDataSet::SetFieldData(TField*, const void*) {}

// --- filters, searches, blobs ---------------------------------------------------------------------

void TDataSet::SetFiltered(bool value) { filtered_ = value; }
void TDataSet::SetFilterText(const QString& text) { filterText_ = text; }
void TDataSet::SetFilterOptions(TFilterOptions options) { filterOptions_ = options; }

bool TDataSet::Locate(const QString&, const TVariant&, TLocateOptions) { return false; }

TVariant TDataSet::Lookup(const QString&, const TVariant&, const QString&) { return TVariant::Null(); }

TStream* TDataSet::CreateBlobStream(TField* field, TBlobStreamMode)
{
    Error(QCoreApplication::translate("Toolkit", DataSetMessages::NoBlobs).arg(field ? field->DisplayName() : QString()));
}

// --- event doors ----------------------------------------------------------------------------------

namespace {
void Fire(const TDataSet::TDataSetNotifyEvent& event, TDataSet* sender)
{
    if (event) event(sender);
}
}  // namespace

void TDataSet::DoOnNewRecord() { Fire(OnNewRecord, this); }
void TDataSet::DoAfterOpen() { Fire(AfterOpen, this); }
void TDataSet::DoBeforeClose() { Fire(BeforeClose, this); }
void TDataSet::DoAfterPost() { Fire(AfterPost, this); }
void TDataSet::DoAfterCancel() { Fire(AfterCancel, this); }
void TDataSet::DoBeforeOpen() { Fire(BeforeOpen, this); }
void TDataSet::DoAfterClose() { Fire(AfterClose, this); }
void TDataSet::DoBeforeInsert() { Fire(BeforeInsert, this); }
void TDataSet::DoAfterInsert() { Fire(AfterInsert, this); }
void TDataSet::DoBeforeEdit() { Fire(BeforeEdit, this); }
void TDataSet::DoAfterEdit() { Fire(AfterEdit, this); }
void TDataSet::DoBeforePost() { Fire(BeforePost, this); }
void TDataSet::DoBeforeCancel() { Fire(BeforeCancel, this); }
void TDataSet::DoBeforeDelete() { Fire(BeforeDelete, this); }
void TDataSet::DoAfterDelete() { Fire(AfterDelete, this); }
void TDataSet::DoBeforeScroll() { Fire(BeforeScroll, this); }
void TDataSet::DoAfterScroll() { Fire(AfterScroll, this); }
void TDataSet::DoBeforeRefresh() { Fire(BeforeRefresh, this); }
void TDataSet::DoAfterRefresh() { Fire(AfterRefresh, this); }
void TDataSet::DoOnCalcFields() { Fire(OnCalcFields, this); }
