#pragma once
// The memory table: a dataset whose rows live in process memory. Rows are fixed-size blocks in a
// row store; the table reads them through a current index (the row-order index or one of its
// IndexDefs indexes) and shows those its visibility test lets through (update status, range,
// master/detail, OnFilterRecord, the Filter expression). Several tables can be attached to one
// row store and see each other's posts.

#include "memtable/MemIndex.h"
#include "memtable/MemRow.h"
#include "memtable/MemRowStore.h"
#include "memtable/MemTableError.h"
#include "memtable/MemTableFormats.h"

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DataSource.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class TExprParser;
class TCustomMemDeltaHandler;
class TMemJournal;
class TMemBlobStream;

enum TMemVersioningMode { mtvm1SinceCheckPoint, mtvmAllSinceCheckPoint };

// Which update statuses are shown; empty shows every row but those marked deleted.
enum TMemUpdateStatusFlag {
    mtusUnmodified = 1 << musUnmodified,
    mtusModified = 1 << musModified,
    mtusInserted = 1 << musInserted,
    mtusDeleted = 1 << musDeleted
};
Q_DECLARE_FLAGS(TMemUpdateStatusSet, TMemUpdateStatusFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMemUpdateStatusSet)

class TCustomMemTable : public TDataSet, private TMemIndexHost {
    Q_OBJECT
public:
    using TMemRecordEvent = std::function<void(TCustomMemTable*, bool& accept)>;
    // fieldIndex: the field's 0-based position in Fields().
    using TMemFieldEvent = std::function<void(TCustomMemTable*, int fieldIndex, TField* field)>;
    using TMemOnCompress = std::function<void(TCustomMemTable*, TStream& uncompressed, TStream& compressed)>;
    using TMemOnDeCompress = std::function<void(TCustomMemTable*, TStream& compressed, TStream& decompressed)>;
    using TMemStorageEvent = std::function<void(TCustomMemTable*, TMemTableStorageType, TStream&)>;

    explicit TCustomMemTable(QObject* owner = nullptr);
    ~TCustomMemTable() override;

    // --- properties ----------------------------------------------------------------------------
    // Always "2.33"; a written value is ignored.
    QString Version() const { return QStringLiteral("2.33"); }
    void SetVersion(const QString&) {}
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    // Calculated fields are computed for every fetched row.
    bool RecalcOnFetch() const { return recalcOnFetch_; }
    void SetRecalcOnFetch(bool value) { recalcOnFetch_ = value; }
    // Off: no index is kept up (each becomes stale) and no unique check runs; switching it on
    // again rebuilds the stale ones.
    bool EnableIndexes() const { return enableIndexes_; }
    void SetEnableIndexes(bool value);
    // Selects the index whose field names are the text (nothing when none has them); empty
    // selects the row order. Kept until open while inactive.
    QString IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const QString& names);
    // Selects the index of that name (EMemTableError when there is none); empty: row order.
    QString IndexName() const { return indexName_; }
    void SetIndexName(const QString& name);
    void SetIndexDefs(const TIndexDefs& defs) { IndexDefs().Assign(defs); }
    // Rows' calculated fields are computed before they are compared.
    bool RecalcOnIndex() const { return recalcOnIndex_; }
    void SetRecalcOnIndex(bool value) { recalcOnIndex_ = value; }
    QString SortFields() const { return sortFields_; }
    void SetSortFields(const QString& names) { sortFields_ = names; }
    TMemTableCompareOptions SortOptions() const { return sortOptions_; }
    void SetSortOptions(TMemTableCompareOptions options) { sortOptions_ = options; }
    // Orders the rows by SortFields and SortOptions through an index of the table's own, kept
    // up like the others until the table closes or another index is chosen.
    void Sort();
    bool EnableVersioning() const { return enableVersioning_; }
    void SetEnableVersioning(bool value) { enableVersioning_ = value; }
    TMemVersioningMode VersioningMode() const { return versioningMode_; }
    void SetVersioningMode(TMemVersioningMode mode) { versioningMode_ = mode; }
    int TransactionLevel() const { return transactionLevel_; }

    // --- transactions, journal, deltas -----------------------------------------------------------
    // Nested levels over the row versions; they need versioning in mtvmAllSinceCheckPoint.
    // A pending edit is posted before a level starts or ends, and dropped by a rollback.
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    // Every row becomes unmodified with no older versions; rows marked deleted go.
    void CheckPoint();
    // Every change is appended as before and after images to a second memory table while open.
    bool EnableJournal() const { return enableJournal_; }
    void SetEnableJournal(bool value);
    TMemJournal* Journal() const { return journal_.get(); }
    TCustomMemDeltaHandler* DeltaHandler() const { return deltaHandler_; }
    void SetDeltaHandler(TCustomMemDeltaHandler* handler);
    // Removes every row, journaling a delete for each.
    void EmptyTable();

    // --- blobs ---------------------------------------------------------------------------------
    TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    void CloseBlob(TField* field) override;
    TMemOnCompress OnCompressBlobStream;
    TMemOnDeCompress OnDecompressBlobStream;

    // --- save formats and the persistent file -------------------------------------------------------
    void SaveBinaryToStream(TStream& stream, TMemTableSaveFlags flags);
    // EMemTableError with mtfSaveDeltas.
    void SaveCSVToStream(TStream& stream, TMemTableSaveFlags flags);
    void SaveBinaryToFile(const QString& fileName, TMemTableSaveFlags flags);
    void SaveCSVToFile(const QString& fileName, TMemTableSaveFlags flags);
    void LoadBinaryFromStream(TStream& stream);
    void LoadCSVFromStream(TStream& stream);
    void LoadBinaryFromFile(const QString& fileName);
    void LoadCSVFromFile(const QString& fileName);
    // The whole table as comma text with CommaTextOptions / as binary bytes with AllDataOptions.
    QString CommaText();
    void SetCommaText(const QString& text);
    QByteArray AllData();
    void SetAllData(const QByteArray& data);

    QString PersistentFile() const { return persistentFile_; }
    void SetPersistentFile(const QString& fileName) { persistentFile_ = fileName; }
    // Loaded after open and written again before close.
    bool Persistent() const { return persistent_; }
    void SetPersistent(bool value) { persistent_ = value; }
    TMemTablePersistentSaveFormat PersistentSaveFormat() const { return persistentSaveFormat_; }
    void SetPersistentSaveFormat(TMemTablePersistentSaveFormat format) { persistentSaveFormat_ = format; }
    TMemTableSaveFlags PersistentSaveOptions() const { return persistentSaveOptions_; }
    void SetPersistentSaveOptions(TMemTableSaveFlags flags) { persistentSaveOptions_ = flags; }
    TMemTableSaveFlags CommaTextOptions() const { return commaTextOptions_; }
    void SetCommaTextOptions(TMemTableSaveFlags flags) { commaTextOptions_ = flags; }
    TMemTableSaveFlags AllDataOptions() const { return allDataOptions_; }
    void SetAllDataOptions(TMemTableSaveFlags flags) { allDataOptions_ = flags; }
    // The rows travel with the form as its "Data" property.
    bool StoreDataOnForm() const { return storeDataOnForm_; }
    void SetStoreDataOnForm(bool value) { storeDataOnForm_ = value; }
    void DefineProperties(TFiler& filer) override;

    TMemRecordEvent OnLoadRecord, OnSaveRecord;
    TMemFieldEvent OnLoadField, OnSaveField;
    TMemOnCompress OnCompressSave;
    TMemOnDeCompress OnDecompressLoad;
    TMemStorageEvent OnSave, OnLoad;

    // --- visibility --------------------------------------------------------------------------------
    QString MasterFields() const { return masterLink_.FieldNames(); }
    void SetMasterFields(const QString& names) { masterLink_.SetFieldNames(names); }
    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    // DatabaseError when the source would make the table its own master.
    void SetMasterSource(TDataSource* source);
    // Shows only rows whose first index fields lie between the two keys (a value or an array of
    // values, one per leading field of the current index), and goes to the first of them.
    void SetRange(const TVariant& startValues, const TVariant& endValues);
    void ClearRange();
    bool RangeActive() const { return rangeActive_; }
    TMemUpdateStatusSet StatusFilter() const { return statusFilter_; }
    void SetStatusFilter(TMemUpdateStatusSet statuses);
    void SetFiltered(bool value) override;
    // The options shape the parse: a changed set parses the filter again.
    void SetFilterOptions(TFilterOptions options) override;
    bool Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions options) override;
    TVariant Lookup(const QString& keyFields, const TVariant& keyValues, const QString& resultFields) override;

    // --- attachment ----------------------------------------------------------------------------
    // Shares the other table's row store (closing this one first); none gives it a store of its own.
    TCustomMemTable* AttachedTo() const { return attachedTo_; }
    void SetAttachedTo(TCustomMemTable* table);
    // After a post or cancel, the tables sharing the store refresh.
    bool AttachedAutoRefresh() const { return attachedAutoRefresh_; }
    void SetAttachedAutoRefresh(bool value) { attachedAutoRefresh_ = value; }

    // --- dataset operations --------------------------------------------------------------------
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
    void SetRecNo(int value) override;
    TUpdateStatus UpdateStatus() override;
    bool GetFieldData(TField* field, void* buffer) override;
    void SetFieldData(TField* field, const void* buffer) override;
    bool GetIsIndexField(TField* field) override;
    // False whenever anything hides rows, so record numbers and counts agree.
    bool IsSequenced() override { return !FilteringNeeded(); }
    TRecordBuffer GetActiveRecordBuffer() override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;
    void Notification(TComponent* component, TOperation operation) override;

    // --- for the journal, the save formats and tests -----------------------------------------------
    TMemRowStore& RowStore() { return *store_; }
    const TMemRecordLayout& Layout() const { return layout_; }
    TMemIndexes& Indexes() { return indexes_; }
    TMemIndex* CurrentIndex() const { return currentIndex_; }
    // While set, every field read and write goes to this row.
    TMemRow* OverrideRow() const { return overrideRow_; }
    void SetOverrideRow(TMemRow* row) { overrideRow_ = row; }
    // Field value into a row (keys, master values, Locate keys): Null clears it.
    void PutFieldValue(TMemRow* row, TField* field, const TVariant& value);
    // "a;b" against a value or an array of values.
    void PutKeyValues(TMemRow* row, const QString& fieldNames, const TVariant& values);
    // The fields of "a;b" as an index or key field list; DatabaseError for one that cannot be indexed.
    TMemKeyFields BuildFieldList(const QString& fieldNames);
    // Drops indexes no longer in IndexDefs, adds the new ones and rebuilds the stale ones.
    void CheckIndexes();
    void CreateIndexes();
    void ResetAutoInc();
    // A row passes the visibility test.
    bool RowVisible(TMemRow* row);
    bool FilteringNeeded();

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    int GetRecordSize() override { return layout_.DataSize(); }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() override { return cursorOpen_; }
    void InternalInitFieldDefs() override;
    void InternalFirst() override { position_ = -1; }
    void InternalLast() override { position_ = currentIndex_->Count(); }
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const char* bookmark) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool GetCanModify() override { return !readOnly_; }
    int GetRecNo() override;
    int GetRecordCount() override;
    void DoOnNewRecord() override;
    bool FindRecord(bool restart, bool goForward) override;
    void SetFilterText(const QString& text) override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    void DoAfterOpen() override;
    void DoBeforeClose() override;
    void DoAfterPost() override;
    void DoAfterCancel() override;

private:
    friend class TMemBlobStream;
    friend class TMemJournal;
    friend class TMemTableFormats;

    // TMemIndexHost
    TMemRowStore& IndexRowStore() override { return *store_; }
    bool IndexHostActive() const override { return cursorOpen_; }
    bool IndexesEnabled() const override { return enableIndexes_; }
    bool RecalcRowsOnIndex() const override { return recalcOnIndex_; }
    void CalcIndexRow(TMemRow* row) override;

    static TMemRow* RowOf(TRecordBuffer buffer) { return reinterpret_cast<TMemRow*>(buffer); }
    static TRecordBuffer BufferOf(TMemRow* row) { return reinterpret_cast<TRecordBuffer>(row); }
    TMemRow* CurrentRow();
    // A row made by a table with fewer calculated fields has no room for this table's.
    bool HoldsCalcArea(const TMemRow* row) const { return row->DataLength >= layout_.BufferSize(); }
    TMemRow* ActiveRow() const;
    TMemSlot SlotOf(const TField* field) const;
    static TMemSlotKind SlotKindOf(TFieldType type);
    void BuildLayout();
    void LayoutDefs(const TFieldDefs& defs);
    static void CheckFieldDefTypes(const TFieldDefs& defs);
    TCustomMemTable* StoreOwner() { return attachedTo_ ? attachedTo_ : this; }
    // The tables whose indexes follow the store: its owner and every attached table, open ones only.
    std::vector<TCustomMemTable*> IndexedTables();
    // The stored row a record buffer shows, or none when it was removed meanwhile.
    TMemRow* StoredRowOf(const TMemRow* buffer) const;
    int PositionOf(const TMemRow* row, int hint) const;
    void PostNewRow(TMemRow* buffer);
    void PostEditedRow(TMemRow* buffer);
    void CheckUniqueEverywhere(const TMemRow* row, const TMemRow* exceptRow);
    // Returns where the row now stands in the current index when it moved there, else -1.
    int UpdateIndexesEverywhere(TMemIndexOperation operation, TMemRow* row, const TMemRow* newRow);
    void RemoveStoredRow(TMemRow* row);
    void ClearRows(bool journal);
    bool JournalingOn() const;
    void LogChange(int operation, TMemRow* newRow, TMemRow* oldRow);
    void CreateJournal();
    // The end of Commit, Rollback and CheckPoint: indexes rebuilt, cursors back on their rows.
    void FinishVersionWalk();
    TMemIndex* AddIndexFromDef(const TIndexDef* def);
    void EndTransactionLevel(const std::function<void(int level)>& walk);
    void SavePersistentFile();
    void LoadPersistentFile();
    void EmptyIndexes();
    void RebuildStaleIndexes();
    void SwitchToIndex(TMemIndex* index);
    void FreeKeyRows();
    void DropSortIndex();
    int FindKeyValues(const QString& fieldNames, const TVariant& values, TLocateOptions options);
    bool InRange(const TMemRow* row) const;
    bool MatchesMaster(const TMemRow* row) const;
    void MasterChanged();
    void MasterDisabled();
    void BuildFilter(const QString& text);
    bool FilterExpressionMatches();
    TVariant FilterFieldValue(int fieldNo, const QString& name);
    void RefreshIfActive();
    void RefreshAttachedTables();
    void DetachAll();
    void WriteAutoInc(TMemRow* row, qint32 value);

    std::shared_ptr<TMemRowStore> store_;
    TMemRecordLayout layout_;
    TMemIndexes indexes_;
    TMemIndex* currentIndex_ = nullptr;
    TMemIndex* sortIndex_ = nullptr;
    TMemKeyFields indexFieldList_;
    int position_ = -1;

    TField* autoIncField_ = nullptr;
    TMemRow* overrideRow_ = nullptr;
    TMemRow* filterRow_ = nullptr;
    TMemRow* rangeStart_ = nullptr;
    TMemRow* rangeEnd_ = nullptr;
    int rangeFieldCount_ = 0;
    TMemRow* masterKey_ = nullptr;
    TMasterDataLink masterLink_;
    std::unique_ptr<TExprParser> filter_;

    std::unique_ptr<TMemJournal> journal_;
    TCustomMemDeltaHandler* deltaHandler_ = nullptr;
    QByteArray formData_;
    bool hasFormData_ = false;
    QString persistentFile_;
    TMemTablePersistentSaveFormat persistentSaveFormat_ = mtsfBinary;
    TMemTableSaveFlags persistentSaveOptions_ =
        mtfSaveData | mtfSaveNonVisible | mtfSaveIgnoreRange | mtfSaveIgnoreMasterDetail;
    TMemTableSaveFlags commaTextOptions_ = mtfSaveData;
    TMemTableSaveFlags allDataOptions_ = mtfSaveData | mtfSaveNonVisible | mtfSaveBlobs | mtfSaveFiltered |
                                         mtfSaveIgnoreRange | mtfSaveIgnoreMasterDetail | mtfSaveDeltas;
    bool persistent_ = false;
    bool storeDataOnForm_ = false;
    bool enableJournal_ = false;

    TCustomMemTable* attachedTo_ = nullptr;
    std::vector<TCustomMemTable*> attached_;
    mutable std::recursive_mutex attachedLock_;

    QString indexFieldNames_;
    QString indexName_;
    QString sortFields_;
    TMemTableCompareOptions sortOptions_;
    TMemUpdateStatusSet statusFilter_;
    TMemVersioningMode versioningMode_ = mtvm1SinceCheckPoint;
    int transactionLevel_ = 0;
    bool readOnly_ = false;
    bool recalcOnFetch_ = true;
    bool enableIndexes_ = true;
    bool recalcOnIndex_ = false;
    bool enableVersioning_ = false;
    bool attachedAutoRefresh_ = true;
    bool rangeActive_ = false;
    bool cursorOpen_ = false;
    bool loading_ = false;
    bool destroying_ = false;
    bool inAfterOpen_ = false;
};

// The memory table as a form or data module holds it; all behaviour is its parent's.
class TMemTable : public TCustomMemTable {
    Q_OBJECT
public:
    explicit TMemTable(QObject* owner = nullptr) : TCustomMemTable(owner) {}
};
