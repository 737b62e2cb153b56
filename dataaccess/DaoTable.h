#pragma once
// The table dataset: every table, saved query and SQL text of the program is read and written
// through one. It opens one engine recordset through a database component and keeps every
// buffered row as text, one string per field.

#include "dataaccess/DaoCriteria.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoIndexDefs.h"
#include "dataaccess/DaoSupport.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Params.h"
#include "platform/toolkit/Strings.h"

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
    TDaoDatabase* Database() const;
    void SetDatabase(TDaoDatabase* database);
    QString TableName() const;
    void SetTableName(const QString& name);
    TStrings& SQL();
    void SetSQL(const TStrings& lines);
    QString QueryDefName() const;
    void SetQueryDefName(const QString& name);
    // The stored query's type name; empty when it cannot be known.
    QString QueryDefType() const;
    void SetQueryDefType(const QString&) {}
    TStrings& QueryDefSQLText();
    void SetQueryDefSQLText(const TStrings&) {}
    // One line per input parameter of the stored query; "NULL" stands for Null.
    TStrings& QueryDefParameters();
    void SetQueryDefParameters(const TStrings& lines);
    QString QueryDefParametersText() const;
    void SetQueryDefParametersText(const QString& text);
    int QueryDefODBCMaxRecords() const;
    void SetQueryDefODBCMaxRecords(int value);
    int TableType() const;
    void SetTableType(int value);
    int LockType() const;
    void SetLockType(int value);
    TOOSet OpenOptions() const;
    void SetOpenOptions(TOOSet options);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    bool LockEdits() const;
    void SetLockEdits(bool) {}
    QString IndexName() const;
    void SetIndexName(const QString& name);
    int IndexFieldCount() const;
    void SetIndexFieldCount(int) {}
    TDaoIndexDefs& IndexDefs();
    TStrings& SortedBy();
    void SetSortedBy(const TStrings& lines);
    QString SortedByText() const;
    void SetSortedByText(const QString& text);
    QString Filter() const;
    void SetFilter(const QString& text) { SetFilterText(text); }
    void SetFiltered(bool value) override;
    // Re-opens an open, filtered recordset before the handler takes effect.
    void SetOnFilterRecord(TFilterRecordEvent handler);
    TDataSource* MasterSource() const;
    void SetMasterSource(TDataSource* source);
    TStrings& MasterFields();
    // Re-opens an active table, so the rows follow the new pairs.
    void SetMasterFields(const TStrings& lines);
    bool MasterAutoActivate() const;
    void SetMasterAutoActivate(bool value);
    TParams& Params();
    // Takes the values of same-named parameters.
    void SetParams(const TParams& params);
    bool ParamCheck() const;
    void SetParamCheck(bool value);
    bool CacheMemos() const;
    void SetCacheMemos(bool value);
    bool CacheBlobs() const;
    void SetCacheBlobs(bool value);
    bool CacheLookups() const;
    void SetCacheLookups(bool value);
    bool ShowGUID() const;
    void SetShowGUID(bool value);
    TComponent* Encrypter() const;
    void SetEncrypter(TComponent* encrypter);
    bool DatabaseAutoActivate() const;
    void SetDatabaseAutoActivate(bool value);
    bool UseBrackets() const;
    void SetUseBrackets(bool value);
    bool UseCaptions() const;
    void SetUseCaptions(bool value);
    bool UseDaoProperties() const;
    void SetUseDaoProperties(bool value);
    bool UseGetRecNo() const;
    void SetUseGetRecNo(bool value);
    bool UseRecordCount() const;
    void SetUseRecordCount(bool value);
    bool AutoFindIndex() const;
    void SetAutoFindIndex(bool value);
    bool RefreshSorted() const;
    void SetRefreshSorted(bool value);
    bool WarnOnBadDatabase() const;
    void SetWarnOnBadDatabase(bool value);
    QString TableDateCreated() const;
    void SetTableDateCreated(const QString&) {}
    QString TableLastUpdated() const;
    void SetTableLastUpdated(const QString&) {}
    bool ProcessMessages() const;
    void SetProcessMessages(bool value);
    TExportMethod ExportMethod() const;
    void SetExportMethod(TExportMethod method);
    TExportProgressEvent OnExportProgress;
    TImportProgressEvent OnImportProgress;

    // --- operations ----------------------------------------------------------------------------
    void SetBatchMode(bool value);
    bool BatchMode() const;
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
    void ForceReadOnly();
    // The rows as stored after a transaction they were written or read in was rolled back: an
    // edit is cancelled, the rows are read afresh, and the dataset stays on its row while that
    // row is stored (on the first row otherwise).
    void ReadAfterRollback();

    // Posts through the base and, with RefreshSorted, re-reads the sorted rows.
    void Post() override;

    // --- searches ------------------------------------------------------------------------------
    void SetKeyFields(const QString& names);
    TStrings& KeyFieldList();
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
    bool RangeActive() const;
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
    const TStringList& DetailFieldList() const;
    const TStringList& MasterFieldList() const;
    void MasterValuesToParams();
    void ReopenForMaster();

    // The engine recordset and its field objects (for the other units of this layer and tests).
    dao::Recordset* Recordset() const;
    bool RecordsetOpen() const;
    int OptionWordValue() const;
    const QString& SortText() const;
    const QStringList& FieldDefaults() const;
    const QStringList& FieldCaptions() const;
    const std::vector<bool>& FieldUpdatable() const;

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
    bool IsCursorOpen() override;
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
    bool GetCanModify() override;
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
    // Records the table in the database's open transaction, for its re-reading at a rollback.
    void NoteInTransaction();
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

    // What the table keeps between calls (DaoTablePrivate.h).
    struct Private;
    std::unique_ptr<Private> d_;
};
