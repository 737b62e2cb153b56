#pragma once
// The table dataset: every table, saved query and SQL text of the program is read and written
// through one. It opens one engine recordset through a database component and keeps every
// buffered row as text, one string per field.

#include "dataaccess/DaoCriteria.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoIndexDefs.h"
#include "dataaccess/DaoRowNumbers.h"
#include "dataaccess/DaoSupport.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Params.h"
#include "platform/toolkit/Strings.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace dao {
class Database;
class Recordset;
class QueryDef;
class Field;
}  // namespace dao

enum TExportMethod { VisibleFields, AllFields };

class TDaoTable : public TDataSet {
    Q_OBJECT
public:
    using TExportProgressEvent = std::function<void(TDaoTable*, int done, int total, bool& cancel)>;
    using TImportProgressEvent = std::function<void(TDaoTable*, int done, int total, bool& cancel)>;

    explicit TDaoTable(QObject* owner = nullptr);
    ~TDaoTable() override;

    // --- published properties ------------------------------------------------------------------
    QString ComponentVersion() const { return QStringLiteral("7.20"); }
    void SetComponentVersion(const QString&) {}
    TDaoDatabase* Database() const { return database_; }
    void SetDatabase(TDaoDatabase* database);
    QString TableName() const { return tableName_; }
    void SetTableName(const QString& name);
    TStrings& SQL() { return sql_; }
    void SetSQL(const TStrings& lines);
    QString QueryDefName() const { return queryDefName_; }
    void SetQueryDefName(const QString& name);
    // The stored query's type name; empty when it cannot be known.
    QString QueryDefType() const;
    void SetQueryDefType(const QString&) {}
    TStrings& QueryDefSQLText() { return queryDefSQLText_; }
    void SetQueryDefSQLText(const TStrings&) {}
    // One line per input parameter of the stored query; "NULL" stands for Null.
    TStrings& QueryDefParameters() { return queryDefParameters_; }
    void SetQueryDefParameters(const TStrings& lines) { queryDefParameters_.Assign(lines); }
    QString QueryDefParametersText() const { return queryDefParameters_.Text(); }
    void SetQueryDefParametersText(const QString& text) { queryDefParameters_.SetText(text); }
    int QueryDefODBCMaxRecords() const { return queryDefODBCMaxRecords_; }
    void SetQueryDefODBCMaxRecords(int value) { queryDefODBCMaxRecords_ = value; }
    int TableType() const { return tableType_; }
    void SetTableType(int value);
    int LockType() const { return lockType_; }
    void SetLockType(int value);
    TOOSet OpenOptions() const { return openOptions_; }
    void SetOpenOptions(TOOSet options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool LockEdits() const;
    void SetLockEdits(bool) {}
    QString IndexName() const { return indexName_; }
    void SetIndexName(const QString& name);
    int IndexFieldCount() const;
    void SetIndexFieldCount(int) {}
    TDaoIndexDefs& IndexDefs() { return *indexDefs_; }
    TStrings& SortedBy() { return sortedBy_; }
    void SetSortedBy(const TStrings& lines);
    QString SortedByText() const { return sortedBy_.Text(); }
    void SetSortedByText(const QString& text);
    QString Filter() const { return filter_; }
    void SetFilter(const QString& text) { SetFilterText(text); }
    void SetFiltered(bool value) override;
    // Re-opens an open, filtered recordset before the handler takes effect.
    void SetOnFilterRecord(TFilterRecordEvent handler);
    TDataSource* MasterSource() const { return masterLink_->DataSource(); }
    void SetMasterSource(TDataSource* source);
    TStrings& MasterFields() { return masterFields_; }
    // Re-opens an active table, so the rows follow the new pairs.
    void SetMasterFields(const TStrings& lines);
    bool MasterAutoActivate() const { return masterAutoActivate_; }
    void SetMasterAutoActivate(bool value) { masterAutoActivate_ = value; }
    TParams& Params() { return *params_; }
    // Takes the values of same-named parameters.
    void SetParams(const TParams& params) { params_->AssignValues(params); }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value) { paramCheck_ = value; }
    bool CacheMemos() const { return cacheMemos_; }
    void SetCacheMemos(bool value);
    bool CacheBlobs() const { return cacheBlobs_; }
    void SetCacheBlobs(bool value);
    bool CacheLookups() const { return cacheLookups_; }
    void SetCacheLookups(bool value);
    bool ShowGUID() const { return showGUID_; }
    void SetShowGUID(bool value);
    TComponent* Encrypter() const { return encrypter_; }
    void SetEncrypter(TComponent* encrypter);
    bool DatabaseAutoActivate() const { return databaseAutoActivate_; }
    void SetDatabaseAutoActivate(bool value) { databaseAutoActivate_ = value; }
    bool UseBrackets() const { return useBrackets_; }
    void SetUseBrackets(bool value) { useBrackets_ = value; }
    bool UseCaptions() const { return useCaptions_; }
    void SetUseCaptions(bool value) { useCaptions_ = value; }
    bool UseDaoProperties() const { return useDaoProperties_; }
    void SetUseDaoProperties(bool value) { useDaoProperties_ = value; }
    bool UseGetRecNo() const { return useGetRecNo_; }
    void SetUseGetRecNo(bool value) { useGetRecNo_ = value; }
    bool UseRecordCount() const { return useRecordCount_; }
    void SetUseRecordCount(bool value) { useRecordCount_ = value; }
    bool AutoFindIndex() const { return autoFindIndex_; }
    void SetAutoFindIndex(bool value) { autoFindIndex_ = value; }
    bool RefreshSorted() const { return refreshSorted_; }
    void SetRefreshSorted(bool value) { refreshSorted_ = value; }
    bool WarnOnBadDatabase() const { return warnOnBadDatabase_; }
    void SetWarnOnBadDatabase(bool value) { warnOnBadDatabase_ = value; }
    QString TableDateCreated() const;
    void SetTableDateCreated(const QString&) {}
    QString TableLastUpdated() const;
    void SetTableLastUpdated(const QString&) {}
    bool ProcessMessages() const { return processMessages_; }
    void SetProcessMessages(bool value) { processMessages_ = value; }
    TExportMethod ExportMethod() const { return exportMethod_; }
    void SetExportMethod(TExportMethod method) { exportMethod_ = method; }
    TExportProgressEvent OnExportProgress;
    TImportProgressEvent OnImportProgress;

    // --- operations ----------------------------------------------------------------------------
    void SetBatchMode(bool value);
    bool BatchMode() const { return batchMode_; }
    // Fills the record through the connected database; leaves it alone otherwise.
    void GetLastDaoError(TDaoErrorRecord& record);
    void OpenDaoRecordset();
    void CloseDaoRecordset();
    // Re-opens the engine recordset and keeps the dataset open; nothing when closed.
    void ReopenDaoRecordset();
    // Re-runs the open recordset with fresh input parameters; false when nothing was done.
    bool Requery();
    void RequeryIfRestartable();
    int ExecSQL(const TStrings& lines);
    int ExecuteSQL();
    // The SQL text of the lines with every ":name" parameter replaced by its literal.
    QString SubstituteParams(const TStrings& lines) const;
    void ReopenWithMasterCriteria();
    // The 0-based position of the row with the key in rs (a clone), estimated from its
    // PercentPosition and walked from there; -1 when the row is not in rs.
    int RecNoByPosition(dao::Recordset& rs, qint32 key);
    void ReadIndexDefs();
    QString FindIndexForFields(const QString& fields) const;
    // Closes without touching the database's list of open tables (the database empties it).
    void CloseByDatabase();
    // The database turned read-only.
    void ForceReadOnly() { readOnly_ = true; }

    // Posts through the base and, with RefreshSorted, re-reads the sorted rows.
    void Post() override;

    // --- searches ------------------------------------------------------------------------------
    void SetKeyFields(const QString& names);
    TStrings& KeyFieldList() { return keyFieldList_; }
    // A text key is searched lower-cased as a prefix; other keys by equality.
    bool FindKey(const std::vector<TVarRec>& keyValues);
    bool Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions options) override;
    TVariant Lookup(const QString& keyFields, const TVariant& keyValues, const QString& resultFields) override;
    bool FindFirstMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);
    bool FindLastMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);
    bool FindNextMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);
    bool FindPriorMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);
    // The search FindFirst and its siblings repeat.
    void SetFindRecordSearch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options);

    // Ranges: a field's start and end texts (record texts) bound the rows shown once applied.
    void SetRangeStart(const QString& fieldName, const QString& text);
    void SetRangeEnd(const QString& fieldName, const QString& text);
    void ApplyRange();
    bool RangeActive() const { return rangeActive_; }
    bool RecordInRange(TRecordBuffer buffer) const;
    // Kind 1: negative when a field is below its start text; kind 2: positive when above its end.
    int CompareRecordToKey(TRecordBuffer record, TRecordBuffer key, int kind) const;

    // Criteria texts (values may be rewritten to the form searched).
    QString BuildKeyCriteria(const TStrings& fields, TStrings& values) const;
    QString BuildLocateCriteria(const TStrings& fields, TStrings& values, TLocateOptions options) const;
    QString BuildMasterDetailCriteria() const;
    // The criteria joined with the table's own Filter when filtered.
    QString CombineCriteria(const QString& criteria) const;

    // --- master-detail -------------------------------------------------------------------------
    void ParseMasterFields(const TStrings& lines);
    const TStringList& DetailFieldList() const { return detailFieldList_; }
    const TStringList& MasterFieldList() const { return masterFieldList_; }
    void MasterValuesToParams();
    void ReopenForMaster();

    // The engine recordset and its field objects (for the other units of this layer and tests).
    dao::Recordset* Recordset() const { return recordset_.get(); }
    bool RecordsetOpen() const { return recordsetOpen_; }
    int OptionWordValue() const { return optionWord_; }
    const QString& SortText() const { return sortText_; }
    const QStringList& FieldDefaults() const { return fieldDefaults_; }
    const QStringList& FieldCaptions() const { return fieldCaptions_; }
    const std::vector<bool>& FieldUpdatable() const { return fieldUpdatable_; }

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler& filer) override;
    TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool GetFieldData(TField* field, void* buffer) override;
    void SetFieldData(TField* field, const void* buffer) override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;
    // The row a lookup fetched, while its result fields are read.
    TRecordBuffer GetActiveRecordBuffer() override;
    bool BookmarkValid(const TBookmark& bookmark) override;
    // Goes to the row of that 1-based number (of the accepted rows under a filter event).
    void SetRecNo(int value) override;
    int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;

    // The text a buffer holds for a field (empty = Null).
    QString FieldText(TRecordBuffer buffer, int index) const;

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    int GetRecordSize() override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() override { return recordsetOpen_; }
    void InternalInitFieldDefs() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const char* bookmark) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalEdit() override;
    void InternalCancel() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    TBookmarkStr GetBookmarkStr() override;
    void SetBookmarkStr(const TBookmarkStr& value) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool GetCanModify() override { return recordsetOpen_ && !readOnly_; }
    TDataSource* GetDataSource() override { return MasterSource(); }
    void DoOnNewRecord() override;
    bool FindRecord(bool restart, bool goForward) override;
    int GetRecNo() override;
    int GetRecordCount() override;
    void SetFilterText(const QString& text) override;
    void UpdateIndexDefs() override { ReadIndexDefs(); }
    void ClearCalcFields(TRecordBuffer buffer) override;

private:
    friend class TDaoBlobStream;
    // The engine's database when connected; batch mode's engine transaction.
    dao::Database* ConnectedDatabase() const;
    void BeginBatchWrites();
    void EndBatchWrites();
    void AbandonBatchWrites();
    // The stream's bytes of a blob text and back (memos are UTF-8 text).
    QByteArray BlobBytes(const TField* field, const QString& text) const;
    QByteArray ReadBlobData(TField* field, TRecordBuffer buffer);
    void StoreBlobData(TField* field, TRecordBuffer buffer, const QByteArray& data);

    void SQLChanged();
    void EmptyFieldInfo();
    void CheckRecordsetClosed(const char* message) const;
    // Re-opens the recordset after `apply` changed a setting; a failure puts the old setting
    // back (`restore`) and re-opens with it, or closes the dataset when even that fails.
    void ReopenAfterChange(const std::function<void()>& apply, const std::function<void()>& restore);
    void CloseOpenFirst();
    QString SourceStamp(TVariant (dao::Recordset::*ofTable)() const, TVariant (dao::QueryDef::*ofQuery)() const) const;
    // Closes the engine recordset and opens it afresh on the first row, the dataset staying open.
    void RestartRecordset();
    void RequeryRecordset();
    void ConnectDatabase();
    void ApplyQueryDefParameters(const char* failureMessage);
    std::shared_ptr<dao::Recordset> OpenSourceRecordset();
    void ApplySortAndFilter();
    void ApplyMasterLink();
    void MasterDisabled();
    void CopyMasterValues();
    // Re-opens an active table over its new settings (master source or pairs).
    void ReopenForLinkChange();
    // Searches, their common first steps and the move to a found row.
    bool SearchAllowed() const;
    void SplitKeys(const QString& keyFields, const TVariant& keyValues, TStringList& fields, TStringList& values) const;
    QString LocateIndexName(const QString& keyFields) const;
    std::shared_ptr<dao::Recordset> SeekOnClone(const QString& index, const TStringList& fields,
                                                const TStringList& values, TLocateOptions options);
    bool LocateByWalking(const TStringList& fields, const TStringList& values, TLocateOptions options);
    void MoveToFoundRow(dao::Recordset& clone, TResyncMode mode);
    bool FindOnClone(const QString& keyFields, const TVariant& keyValues, int kind, TLocateOptions options);
    QString BuildCriteria(const TStrings& fields, TStrings& values, TLocateOptions options, const char* failure) const;
    void SetRangeText(TRecordBuffer buffer, const QString& fieldName, const QString& text);
    void AllocRangeBuffers();
    void FreeRangeBuffers();
    TVariant LookupNonDataFields(dao::Recordset& snapshot, const QString& resultFields);
    bool SourceIsTable() const;
    void BuildFieldLists();
    void FillFieldObjects();
    void ResetCursorCounters();
    void SetUpOpenFields();
    void LookUpEncrypter();
    void RegisterWithDatabase();
    void MasterChanged();

    qint32 ReadBookmark(dao::Recordset& rs);
    qint32 ReadLastModified(dao::Recordset& rs);
    void MoveToRecNo(int former);
    bool FetchRecord(TRecordBuffer buffer);
    QString ValueToText(const TField* field, const TVariant& value, bool& fetched, int index);
    bool GotoRecordKey(qint32 key);
    bool EngineEditsRow(qint32 key);
    void WriteMarkedFields(TRecordBuffer buffer);
    TVariant TextToEngineValue(const TField* field, int fieldType, const QString& text) const;
    QString EncryptText(const QString& text) const;
    static QString ErrorText(const Exception& error);
    TDataAction AskErrorEvent(const TDataSetErrorEvent& event, const Exception& error);
    void ClearBlobMarks();
    int CountByWalking(TRecordBuffer until);
    // The rows of a table-type recordset counted on a snapshot; raises the repair message when
    // WarnOnBadDatabase is on and the table's own count disagrees.
    int CheckedTableCount();
    // The record number of the active row worked out afresh from the engine.
    void RecomputeRecNo(TRecordBuffer buffer);
    // Re-reads the window where it stands; re-opens when the row has gone.
    void RefreshKeepPosition();
    int FieldIndex(const TField* field) const;
    // The field of each definition, looked up again only when the dataset's fields change.
    const std::vector<TField*>& DefinitionFields();

    // Settings.
    TDaoDatabase* database_ = nullptr;
    // The same object seen as a component, for the free notification of a database going away.
    TComponent* databaseComponent_ = nullptr;
    QString tableName_;
    TStringList sql_;
    QString queryDefName_;
    TStringList queryDefSQLText_;
    TStringList queryDefParameters_;
    int queryDefODBCMaxRecords_ = 0;
    int tableType_ = 2;
    int lockType_ = 3;
    TOOSet openOptions_ = 0;
    bool readOnly_ = false;
    QString indexName_;
    TDaoIndexDefs* indexDefs_;  // owned by the base, which lends it to TDataSet callers
    TStringList sortedBy_;
    QString filter_;
    TStringList masterFields_;
    bool masterAutoActivate_ = true;
    std::unique_ptr<TParams> params_;
    bool paramCheck_ = true;
    bool cacheMemos_ = false;
    bool cacheBlobs_ = false;
    bool cacheLookups_ = false;
    bool showGUID_ = false;
    QPointer<TComponent> encrypter_;
    bool databaseAutoActivate_ = false;
    bool useBrackets_ = true;
    bool useCaptions_ = false;
    bool useDaoProperties_ = true;
    bool useGetRecNo_ = true;
    bool useRecordCount_ = true;
    bool autoFindIndex_ = true;
    bool refreshSorted_ = false;
    bool warnOnBadDatabase_ = false;
    bool processMessages_ = false;
    TExportMethod exportMethod_ = VisibleFields;

    // Lists for the master link and the key search.
    TStringList masterFieldList_, detailFieldList_, keyFieldList_;
    std::unique_ptr<TMasterDataLink> masterLink_;

    // Engine state.
    std::shared_ptr<dao::Recordset> recordset_;
    std::shared_ptr<dao::Recordset> baseRecordset_;
    std::vector<std::shared_ptr<dao::Field>> fieldObjects_;
    bool recordsetOpen_ = false;
    bool batchMode_ = false;
    bool batchTransaction_ = false;  // this table began the engine transaction of its batch
    bool posting_ = false;
    bool closingByDatabase_ = false;
    bool masterInactive_ = true;
    bool encrypterValid_ = false;
    bool initingFromOpen_ = false;
    bool bookmarkable_ = false;
    int optionWord_ = 0;
    QString sortText_;
    const int execOptions_ = 128;
    std::vector<bool> fieldUpdatable_;
    QStringList fieldDefaults_;
    QStringList fieldCaptions_;
    std::vector<int> fieldEngineTypes_;
    std::vector<TField*> definitionFields_;
    quint64 definitionFieldsGeneration_ = 0;

    // Cursor.
    TDaoRowNumbers rows_;
    TRecordBuffer oldValues_ = nullptr;
    TRecordBuffer rangeStart_ = nullptr;
    TRecordBuffer rangeEnd_ = nullptr;
    bool rangeActive_ = false;
    TRecordBuffer lookupBuffer_ = nullptr;
    bool applyingMasterLink_ = false;
    QString findFields_;
    TVariant findValue_ = TVariant::Null();
    TLocateOptions findOptions_;
    int recordSize_ = 0;
};
