#pragma once
// The dataset base: a state machine over a window of record buffers that a descendant fills
// through its slots (GetRecord, InternalFirst, ...), with bookmarks, edits, every before/after
// event, calculated and lookup fields, and data events for the data sources that show it.
//
// How the base drives the slots:
// - The window holds BufferCount() buffers plus one spare (used while inserting and while
//   filling), a calculation buffer and a temporary buffer, all from AllocRecordBuffer.
//   WindowRecordCount() of them hold rows; ActiveRecord() is the current row's index.
// - The cursor of the descendant stands on the row of buffer CurrentRecord(); before any move
//   that depends on it the base calls InternalSetToRecord with the active buffer.
//   InternalSetToRecord may receive buffers flagged bfInserted or bfEOF and must ignore them.
// - GetRecord(buffer, gmNext/gmPrior/gmCurrent, doCheck) moves the cursor and fills the buffer;
//   the descendant sets the buffer's bookmark flag (bfCurrent) and computes calculated fields
//   (GetCalcFields) for every row it fetches.
// - Insert opens a buffer at the active row (flag bfInserted, the cursor stays on the row the new
//   one stands before); Append opens it after the last row (flag bfEOF). Before InternalPost of
//   an insert the base puts the cursor back there: InternalSetToRecord of the following row, or
//   InternalLast for an appended record or an empty dataset.
// - After InternalPost, InternalDelete and InternalCancel the base re-reads the window around
//   the cursor's row (Resync).
// - The descendant calls BindFields(true) in InternalOpen (after its field definitions and
//   fields are made: InitFieldDefs, CreateFields when it has no fields of its own), and BindFields(false) and
//   DestroyFields (when DefaultFields()) in InternalClose. A descendant's destructor calls
//   Destroying() and then Close(), since the buffers are its own allocations; closing while
//   destroying posts nothing and sends no events.
// - Leaving a row in edit or insert state (a move, Close, Refresh) posts it when a field was
//   changed and cancels it otherwise (an untouched new record leaves no empty row behind).
// - SetFieldData of a descendant passes a data field's new value to TField::Validate first,
//   refuses writes outside the write states (edit, insert, set key, calculation, filter, new
//   value, internal calculation) and sends DataEvent(deFieldChange, qintptr(field)) unless it is
//   calculating or filtering. GetFieldData answers presence when given no buffer.
// - Error events (OnPostError, OnEditError, OnDeleteError) wrap InternalPost, InternalEdit and
//   InternalDelete: an EDatabaseError raised there goes to the handler with daFail preset;
//   daFail re-raises, daAbort raises the silent EAbort, daRetry runs the slot again.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QFlags>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TDataSource;
class TDataLink;
class TStream;

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// What a dataset tells its data sources and links. Info: the TField* for deFieldChange, a
// TField** for deFocusControl (a link that takes the focus sets it to nullptr), for
// deDataSetScroll the number of rows the window's buffers moved forward (negative: backward;
// links turn it into DataSetScrolled(distance)), 0 otherwise.
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

enum TResyncModeFlag { rmExact = 0x1, rmCenter = 0x2 };
Q_DECLARE_FLAGS(TResyncMode, TResyncModeFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TResyncMode)

enum TFilterOption { foCaseInsensitive = 0x1, foNoPartialCompare = 0x2 };
Q_DECLARE_FLAGS(TFilterOptions, TFilterOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFilterOptions)

enum TLocateOption { loCaseInsensitive = 0x1, loPartialKey = 0x2 };
Q_DECLARE_FLAGS(TLocateOptions, TLocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLocateOptions)

// An opaque record buffer of the descendant's layout.
using TRecordBuffer = char*;
// A bookmark: the descendant's BookmarkSize() bytes; empty means none.
using TBookmark = QByteArray;
using TBookmarkStr = QByteArray;

class TDataSet : public TComponent {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet*)>;
    // The error is the exception the operation raised; set the action to decide.
    using TDataSetErrorEvent = std::function<void(TDataSet*, Exception& error, TDataAction& action)>;
    using TFilterRecordEvent = std::function<void(TDataSet*, bool& accept)>;

    explicit TDataSet(QObject* owner = nullptr);
    ~TDataSet() override;

    // --- opening and closing -----------------------------------------------------------------
    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    // While the component is loading, the value is kept and applied by Loaded.
    void SetActive(bool value);
    TDataSetState State() const { return state_; }

    // --- moving ------------------------------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Returns the distance actually moved.
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return bof_ && eof_; }
    // Re-reads the window around the cursor's row.
    void Resync(TResyncMode mode);
    // Re-reads the rows from the source (InternalRefresh), keeping the position.
    void Refresh();
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }

    // 1-based number of the current row and the number of rows; -1 when unknown.
    int RecNo() { return GetRecNo(); }
    virtual void SetRecNo(int value);
    int RecordCount() { return GetRecordCount(); }

    // --- bookmarks ---------------------------------------------------------------------------
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    virtual bool BookmarkValid(const TBookmark& bookmark);
    // Negative, 0 or positive; an empty bookmark orders after any other.
    virtual int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2);
    int BookmarkSize() const { return bookmarkSize_; }
    // The active row's bookmark as bytes / going to one.
    TBookmarkStr Bookmark() { return GetBookmarkStr(); }
    void SetBookmark(const TBookmarkStr& value) { SetBookmarkStr(value); }

    // --- editing -----------------------------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    // Posts a pending edit or insert; raises on a closed dataset.
    void CheckBrowseMode();
    // Asks the data links to write what their controls hold; raises when not editing.
    void UpdateRecord();
    // A whole record at once: Insert or Append, the values in field order (Empty skips one), Post.
    void InsertRecord(const std::vector<TVariant>& values);
    void AppendRecord(const std::vector<TVariant>& values);
    void SetFields(const std::vector<TVariant>& values);
    bool CanModify() { return GetCanModify(); }
    bool Modified() const { return modified_; }
    virtual TUpdateStatus UpdateStatus() { return usUnmodified; }
    // Reading rows in blocks without telling the links: a size above 0 enters dsBlockRead,
    // 0 goes back to browsing.
    int BlockReadSize() const { return blockReadSize_; }
    virtual void SetBlockReadSize(int value);

    // --- controls ----------------------------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    // Sends a data event to every data source of the dataset (unless controls are disabled).
    void DataEvent(TDataEvent event, qintptr info = 0);
    // True when dataSource shows this dataset, directly or through the masters of its dataset
    // (GetDataSource), so that following it would make a cycle.
    bool IsLinkedTo(TDataSource* dataSource) const;
    // The data source this dataset follows as a detail; none in the base.
    virtual TDataSource* GetDataSource() { return nullptr; }
    int DataSourceCount() const { return int(dataSources_.size()); }
    TDataSource* DataSources(int index) const { return dataSources_.at(size_t(index)); }

    // --- fields ------------------------------------------------------------------------------
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TFieldDefs& FieldDefs() { return *fieldDefs_; }
    TIndexDefs& IndexDefs() { return *indexDefs_; }
    TField* FindField(const QString& name) const { return fields_.FindField(name); }
    // Raises "<dataset>: Field '<name>' not found".
    TField* FieldByName(const QString& name) const { return fields_.FieldByName(name); }
    // Fields named "a;b;c" in that order; raises for a missing one.
    std::vector<TField*> GetFieldList(const QString& names) const;
    // One field's value, or a variant array of the values of "a;b;c".
    TVariant FieldValues(const QString& names) const;
    void SetFieldValues(const QString& names, const TVariant& value);
    // True when the dataset made its fields from the definitions at open.
    bool DefaultFields() const { return defaultFields_; }
    // Reads the field definitions from the source (InternalInitFieldDefs).
    void InitFieldDefs();
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }
    int CalcFieldsSize() const { return calcFieldsSize_; }

    // --- filtering and searching -------------------------------------------------------------
    QString Filter() const { return filterText_; }
    void SetFilter(const QString& text) { SetFilterText(text); }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions options);
    // The base finds nothing; descendants search.
    virtual bool Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);
    virtual TVariant Lookup(const QString& keyFields, const TVariant& keyValues,
                            const QString& resultFields);

    // --- blobs -------------------------------------------------------------------------------
    // A stream over the blob field's value in the current row; the caller owns it. The base has
    // no blobs and raises.
    virtual TStream* CreateBlobStream(TField* field, TBlobStreamMode mode);
    // A descendant forgets a blob it handed out for the field (after a cancel).
    virtual void CloseBlob(TField* field) {}

    // The record buffer field access uses in the current state (nullptr when none).
    virtual TRecordBuffer GetActiveRecordBuffer();
    // Copies the active record into buffer; false when there is none.
    virtual bool GetCurrentRecord(TRecordBuffer buffer) { return false; }
    // Field data in the native layout of Fields.h, read from or written to the buffer the state
    // selects. buffer nullptr: read answers presence only, write clears.
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual void SetFieldData(TField* field, const void* buffer);
    // True when the field belongs to the current index.
    virtual bool GetIsIndexField(TField* field) { return false; }
    virtual bool IsSequenced() { return true; }

    // Loading from a form: applies a stored Active.
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // The base streams nothing beyond the component's own properties.
    void DefineProperties(TFiler& filer) override { TComponent::DefineProperties(filer); }

    // --- events ------------------------------------------------------------------------------
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // --- slots of descendants ----------------------------------------------------------------
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual int GetRecordSize() = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void InternalGotoBookmark(const char* bookmark) = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    // A whole prepared record stored at once. The base's InsertRecord/AppendRecord go through
    // Insert or Append and Post instead, so that every event fires; descendants use it for
    // their own bulk paths.
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) {}
    virtual void InternalDelete() = 0;
    // The base checks required fields; descendants call it before storing.
    virtual void InternalPost();
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    // The base re-reads the window; descendants re-read their source first.
    virtual void InternalRefresh() {}
    // Called inside a catch handler for an exception the dataset will not pass on (a failed
    // open while loading); the base hands it to the installed exception handler.
    virtual void InternalHandleException();
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual TBookmarkStr GetBookmarkStr();
    virtual void SetBookmarkStr(const TBookmarkStr& value);
    virtual bool GetCanModify() { return true; }
    virtual int GetRecNo() { return -1; }
    virtual int GetRecordCount() { return -1; }
    // Sets OnNewRecord going (descendants put their defaults in around it).
    virtual void DoOnNewRecord();
    // Restart/direction search of FindFirst and friends; the base finds nothing.
    virtual bool FindRecord(bool restart, bool goForward) { return false; }
    virtual void SetFilterText(const QString& text);
    virtual void UpdateIndexDefs() {}
    // Zeroes the calculated area of buffer (after the descendant's record data).
    virtual void ClearCalcFields(TRecordBuffer buffer) {}
    // Lookup fields first, then OnCalcFields (the calculation buffer is current meanwhile).
    virtual void CalculateFields(TRecordBuffer buffer);
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoAfterPost();
    virtual void DoAfterCancel();
    virtual void DoBeforeOpen();
    virtual void DoAfterClose();
    virtual void DoBeforeInsert();
    virtual void DoAfterInsert();
    virtual void DoBeforeEdit();
    virtual void DoAfterEdit();
    virtual void DoBeforePost();
    virtual void DoBeforeCancel();
    virtual void DoBeforeDelete();
    virtual void DoAfterDelete();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();
    virtual void DoBeforeRefresh();
    virtual void DoAfterRefresh();
    virtual void DoOnCalcFields();

    // --- services for descendants -------------------------------------------------------------
    // Computes calculated and lookup fields of buffer in the calculation state (when the
    // dataset has any).
    void GetCalcFields(TRecordBuffer buffer);
    // Makes fields from FieldDefs (owned by the dataset) and marks DefaultFields.
    void CreateFields();
    // Frees the fields the dataset owns.
    void DestroyFields();
    // true: gives calculated and lookup fields their offsets and works out CalcFieldsSize;
    // false: forgets that.
    void BindFields(bool binding);
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    // A descendant with index definitions of its own kind hands them here, so that callers
    // holding a TDataSet see the same list.
    void AdoptIndexDefs(std::unique_ptr<TIndexDefs> defs) { indexDefs_ = std::move(defs); }
    // Changes the state without events to the links; RestoreState undoes it.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    void SetState(TDataSetState state);
    void SetModified(bool value) { modified_ = value; }
    // The filter buffer of the dsFilter state, the key buffer of dsSetKey.
    TRecordBuffer FilterBuffer() const { return filterBuffer_; }
    void SetFilterBuffer(TRecordBuffer buffer) { filterBuffer_ = buffer; }
    TRecordBuffer KeyBuffer() const { return keyBuffer_; }
    void SetKeyBuffer(TRecordBuffer buffer) { keyBuffer_ = buffer; }
    // Calls OnFilterRecord with the row of buffer made current (dsFilter); true when none.
    bool RecordFilterAccepts(TRecordBuffer buffer);

    void CheckActive() const;
    void CheckInactive() const;
    void CheckCanModify();
    // Raises "Dataset not in edit or insert mode" outside dsEdit/dsInsert.
    void CheckEditing() const;
    // Puts the cursor on the active buffer's row.
    void UpdateCursorPos();
    // Forgets where the cursor stands, so that the next UpdateCursorPos moves it.
    void CursorPosChanged() { currentRecord_ = -1; }
    // Empties the window (BOF, EOF false).
    void ClearBuffers();
    // Fills the window from the cursor's current row.
    void ActivateBuffers();
    // Runs a slot under an error event (see the top of this file).
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);
    // Raises EDatabaseError "<name>: <message>" (the name left out when empty).
    [[noreturn]] void Error(const QString& message) const;

    // The window (see the top of this file).
    int BufferCount() const { return bufferCount_; }
    int WindowRecordCount() const { return recordCount_; }
    int ActiveRecord() const { return activeRecord_; }
    int CurrentRecord() const { return currentRecord_; }
    TRecordBuffer Buffers(int index) const { return buffers_.at(size_t(index)); }
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer CalcBuffer() const { return calcBuffer_; }
    TRecordBuffer TempBuffer() const { return tempBuffer_; }

    // Presence byte and native value of a calculated or lookup field in a calculated area
    // (the caller finds the area in its own record layout).
    static bool ReadCalcField(const char* calcArea, const TField* field, void* buffer);
    static void WriteCalcField(char* calcArea, const TField* field, const void* buffer);

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TField;
    friend class TFieldDefs;
    friend class TIndexDefs;

    void AddDataSource(TDataSource* dataSource);
    void RemoveDataSource(TDataSource* dataSource);
    void UpdateBufferCount();
    void SetBufferCount(int count);
    void AllocateBuffers();
    void FreeBuffers();
    void SetCurrentRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    // Link access: temporarily make another window row the active one (for painting rows).
    void SetActiveRecord(int index);
    void BeginInsertAppend();
    void EndInsertAppend();
    void PositionCursorForInsertPost();
    void DropInsertedBuffer();
    void AfterFieldChange(TField* field);
    void NotifyDataSources(TDataEvent event, qintptr info);
    void CalculateLookupField(TField* field);
    void AddRecord(const std::vector<TVariant>& values, bool append);

    TFields fields_;
    std::unique_ptr<TFieldDefs> fieldDefs_;
    std::unique_ptr<TIndexDefs> indexDefs_;
    std::vector<TDataSource*> dataSources_;
    std::vector<TRecordBuffer> buffers_;
    TRecordBuffer calcBuffer_ = nullptr;
    TRecordBuffer tempBuffer_ = nullptr;
    TRecordBuffer filterBuffer_ = nullptr;
    TRecordBuffer keyBuffer_ = nullptr;
    TDataSetState state_ = dsInactive;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    QString filterText_;
    TFilterOptions filterOptions_;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    int bookmarkSize_ = 0;
    int calcFieldsSize_ = 0;
    int disableCount_ = 0;
    // Temporary states (SetTempState) keep events from the links without disabling controls.
    int tempStateCount_ = 0;
    int blockReadSize_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool filtered_ = false;
    bool autoCalcFields_ = true;
    bool defaultFields_ = false;
    bool streamedActive_ = false;
    bool hasCalcFields_ = false;
    // The insert pushed the window's last row into the spare buffer.
    bool insertPushedRow_ = false;
};

// A dataset's controls kept disabled while it lives and enabled again on every path out,
// a failure between included. Given no dataset it does nothing.
class TControlsOff {
public:
    explicit TControlsOff(TDataSet* dataSet);
    TControlsOff(TControlsOff&& other) noexcept;
    // What enabling raises reaches the caller, unless a failure is already on its way out.
    ~TControlsOff() noexcept(false);
    TControlsOff(const TControlsOff&) = delete;
    TControlsOff& operator=(const TControlsOff&) = delete;
    TControlsOff& operator=(TControlsOff&&) = delete;
    // Enables them now; the guard then does nothing more.
    void Enable();

private:
    TDataSet* dataSet_;
    int failuresBefore_;
};

// "Dataset not in edit or insert mode" and the other texts datasets raise, marked for translation:
// QCoreApplication::translate("Toolkit", text) gives one in the program's language.
namespace DataSetMessages {
inline const char* const EmptyDataSet = QT_TRANSLATE_NOOP("Toolkit", "Cannot perform this operation on an empty dataset");
inline const char* const RecordNotFound = QT_TRANSLATE_NOOP("Toolkit", "Record not found");
inline const char* const NotEditing = QT_TRANSLATE_NOOP("Toolkit", "Dataset not in edit or insert mode");
inline const char* const DataSetClosed = QT_TRANSLATE_NOOP("Toolkit", "Cannot perform this operation on a closed dataset");
inline const char* const DataSetOpen = QT_TRANSLATE_NOOP("Toolkit", "Cannot perform this operation on an open dataset");
inline const char* const ReadOnlyDataSet = QT_TRANSLATE_NOOP("Toolkit", "Cannot modify a read-only dataset");
inline const char* const FieldNotFound = QT_TRANSLATE_NOOP("Toolkit", "Field '%1' not found");
inline const char* const FieldRequired = QT_TRANSLATE_NOOP("Toolkit", "Field '%1' must have a value");
inline const char* const FieldReadOnly = QT_TRANSLATE_NOOP("Toolkit", "Field '%1' cannot be modified");
inline const char* const NoBlobs = QT_TRANSLATE_NOOP("Toolkit", "Field '%1' has no blob stream");
}  // namespace DataSetMessages
