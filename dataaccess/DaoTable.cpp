#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoBlobStream.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"

using daotable::Refuse;

// --- settings read and written as they stand ---------------------------------------------------------

TDaoDatabase* TDaoTable::Database() const { return d_->database_; }

QString TDaoTable::TableName() const { return d_->tableName_; }

TStrings& TDaoTable::SQL() { return d_->sql_; }

QString TDaoTable::QueryDefName() const { return d_->queryDefName_; }

TStrings& TDaoTable::QueryDefSQLText() { return d_->queryDefSQLText_; }

TStrings& TDaoTable::QueryDefParameters() { return d_->queryDefParameters_; }

void TDaoTable::SetQueryDefParameters(const TStrings& lines) { d_->queryDefParameters_.Assign(lines); }

QString TDaoTable::QueryDefParametersText() const { return d_->queryDefParameters_.Text(); }

void TDaoTable::SetQueryDefParametersText(const QString& text) { d_->queryDefParameters_.SetText(text); }

int TDaoTable::QueryDefODBCMaxRecords() const { return d_->queryDefODBCMaxRecords_; }

void TDaoTable::SetQueryDefODBCMaxRecords(int value) { d_->queryDefODBCMaxRecords_ = value; }

int TDaoTable::TableType() const { return d_->tableType_; }

int TDaoTable::LockType() const { return d_->lockType_; }

TOOSet TDaoTable::OpenOptions() const { return d_->openOptions_; }

bool TDaoTable::ReadOnly() const { return d_->readOnly_; }

QString TDaoTable::IndexName() const { return d_->indexName_; }

TDaoIndexDefs& TDaoTable::IndexDefs() { return *d_->indexDefs_; }

TStrings& TDaoTable::SortedBy() { return d_->sortedBy_; }

QString TDaoTable::SortedByText() const { return d_->sortedBy_.Text(); }

QString TDaoTable::Filter() const { return d_->filter_; }

TDataSource* TDaoTable::MasterSource() const { return d_->masterLink_->DataSource(); }

TStrings& TDaoTable::MasterFields() { return d_->masterFields_; }

bool TDaoTable::MasterAutoActivate() const { return d_->masterAutoActivate_; }

void TDaoTable::SetMasterAutoActivate(bool value) { d_->masterAutoActivate_ = value; }

TParams& TDaoTable::Params() { return *d_->params_; }

void TDaoTable::SetParams(const TParams& params) { d_->params_->AssignValues(params); }

bool TDaoTable::ParamCheck() const { return d_->paramCheck_; }

void TDaoTable::SetParamCheck(bool value) { d_->paramCheck_ = value; }

bool TDaoTable::CacheMemos() const { return d_->cacheMemos_; }

bool TDaoTable::CacheBlobs() const { return d_->cacheBlobs_; }

bool TDaoTable::CacheLookups() const { return d_->cacheLookups_; }

bool TDaoTable::ShowGUID() const { return d_->showGUID_; }

TComponent* TDaoTable::Encrypter() const { return d_->encrypter_; }

bool TDaoTable::DatabaseAutoActivate() const { return d_->databaseAutoActivate_; }

void TDaoTable::SetDatabaseAutoActivate(bool value) { d_->databaseAutoActivate_ = value; }

bool TDaoTable::UseBrackets() const { return d_->useBrackets_; }

void TDaoTable::SetUseBrackets(bool value) { d_->useBrackets_ = value; }

bool TDaoTable::UseCaptions() const { return d_->useCaptions_; }

void TDaoTable::SetUseCaptions(bool value) { d_->useCaptions_ = value; }

bool TDaoTable::UseDaoProperties() const { return d_->useDaoProperties_; }

void TDaoTable::SetUseDaoProperties(bool value) { d_->useDaoProperties_ = value; }

bool TDaoTable::UseGetRecNo() const { return d_->useGetRecNo_; }

void TDaoTable::SetUseGetRecNo(bool value) { d_->useGetRecNo_ = value; }

bool TDaoTable::UseRecordCount() const { return d_->useRecordCount_; }

void TDaoTable::SetUseRecordCount(bool value) { d_->useRecordCount_ = value; }

bool TDaoTable::AutoFindIndex() const { return d_->autoFindIndex_; }

void TDaoTable::SetAutoFindIndex(bool value) { d_->autoFindIndex_ = value; }

bool TDaoTable::RefreshSorted() const { return d_->refreshSorted_; }

void TDaoTable::SetRefreshSorted(bool value) { d_->refreshSorted_ = value; }

bool TDaoTable::WarnOnBadDatabase() const { return d_->warnOnBadDatabase_; }

void TDaoTable::SetWarnOnBadDatabase(bool value) { d_->warnOnBadDatabase_ = value; }

bool TDaoTable::ProcessMessages() const { return d_->processMessages_; }

void TDaoTable::SetProcessMessages(bool value) { d_->processMessages_ = value; }

TExportMethod TDaoTable::ExportMethod() const { return d_->exportMethod_; }

void TDaoTable::SetExportMethod(TExportMethod method) { d_->exportMethod_ = method; }

bool TDaoTable::BatchMode() const { return d_->batchMode_; }

void TDaoTable::ForceReadOnly() { d_->readOnly_ = true; }

TStrings& TDaoTable::KeyFieldList() { return d_->keyFieldList_; }

bool TDaoTable::RangeActive() const { return d_->rangeActive_; }

const TStringList& TDaoTable::DetailFieldList() const { return d_->detailFieldList_; }

const TStringList& TDaoTable::MasterFieldList() const { return d_->masterFieldList_; }

dao::Recordset* TDaoTable::Recordset() const { return d_->recordset_.get(); }

bool TDaoTable::RecordsetOpen() const { return d_->recordsetOpen_; }

int TDaoTable::OptionWordValue() const { return d_->optionWord_; }

const QString& TDaoTable::SortText() const { return d_->sortText_; }

const QStringList& TDaoTable::FieldDefaults() const { return d_->fieldDefaults_; }

const QStringList& TDaoTable::FieldCaptions() const { return d_->fieldCaptions_; }

const std::vector<bool>& TDaoTable::FieldUpdatable() const { return d_->fieldUpdatable_; }

bool TDaoTable::IsCursorOpen() { return d_->recordsetOpen_; }

bool TDaoTable::GetCanModify() { return d_->recordsetOpen_ && !d_->readOnly_; }

// --- creation ----------------------------------------------------------------------------------------

TDaoTable::TDaoTable(QObject* owner)
    : TDataSet(owner), d_(std::make_unique<Private>())
{
    d_->params_ = std::make_unique<TParams>();
    d_->masterLink_ = std::make_unique<TMasterDataLink>(this);
    d_->sql_.OnChange = [this](TStrings*) { SQLChanged(); };
    d_->masterLink_->OnMasterChange = [this](TMasterDataLink*) { MasterChanged(); };
    d_->masterLink_->OnMasterDisable = [this](TMasterDataLink*) { MasterDisabled(); };
    auto indexDefs = std::make_unique<TDaoIndexDefs>(this);
    d_->indexDefs_ = indexDefs.get();
    AdoptIndexDefs(std::move(indexDefs));
    d_->fieldObjects_.resize(2);
    IdentifierChars();
}

TDaoTable::~TDaoTable()
{
    Destroying();
    // A table destroyed half-loaded still closes, so it leaves its database's list.
    if (IsLoading())
        TComponent::Loaded();
    if (d_->recordsetOpen_) {
        try {
            Close();
        } catch (const Exception&) {
        }
    }
    if (d_->database_)
        RemoveFreeNotification(d_->database_);
    if (d_->encrypter_)
        RemoveFreeNotification(d_->encrypter_);
    d_->fieldObjects_.clear();
    d_->masterLink_.reset();
    d_->recordset_.reset();
    d_->baseRecordset_.reset();
    FreeRecordBuffer(d_->oldValues_);
    FreeRangeBuffers();
}

void TDaoTable::Loaded()
{
    try {
        TDataSet::Loaded();
    } catch (const Exception&) {
        InternalHandleException();
    }
}

void TDaoTable::InternalHandleException() { HandleException(std::current_exception()); }

void TDaoTable::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component && component == d_->databaseComponent_) {
        // Close first, so no open recordset outlives the database it came from.
        if (d_->recordsetOpen_) {
            d_->closingByDatabase_ = true;
            try {
                Close();
            } catch (const Exception&) {
            }
            d_->closingByDatabase_ = false;
        }
        d_->database_ = nullptr;
        d_->databaseComponent_ = nullptr;
    }
    if (operation == opRemove && component && component == d_->encrypter_.data()) {
        if (d_->recordsetOpen_) {
            try {
                Close();
            } catch (const Exception&) {
            }
        }
        d_->encrypterValid_ = false;
        d_->encrypter_ = nullptr;
    }
    TDataSet::Notification(component, operation);
}

TStream* TDaoTable::CreateBlobStream(TField* field, TBlobStreamMode mode) { return new TDaoBlobStream(field, mode); }

// --- properties --------------------------------------------------------------------------------------

void TDaoTable::EmptyFieldInfo()
{
    d_->fieldCaptions_.clear();
    if (!Active()) {
        FieldDefs().Clear();
        d_->indexDefs_->Clear();
    }
}

void TDaoTable::SetDatabase(TDaoDatabase* database)
{
    if (Active())
        Refuse("TDaoTable.F_Set_Database: Cannot set Database while Table is Active!");
    if (d_->database_ == database)
        return;
    if (d_->database_)
        RemoveFreeNotification(d_->database_);
    d_->database_ = database;
    d_->databaseComponent_ = database;
    if (database)
        FreeNotification(database);
}

void TDaoTable::SetTableName(const QString& name)
{
    if (Active())
        Refuse("TDaoTable.F_Set_TableName: Cannot set TableName while Table is active!");
    d_->tableName_ = name;
    if (name.isEmpty())
        return;
    d_->sql_.Clear();
    d_->queryDefSQLText_.Clear();
    d_->queryDefParameters_.Clear();
    d_->sortedBy_.Clear();
    EmptyFieldInfo();
}

void TDaoTable::SetSQL(const TStrings& lines)
{
    d_->sql_.Assign(lines);
    if (lines.Count() == 0)
        return;
    d_->queryDefParameters_.Clear();
    d_->queryDefSQLText_.Clear();
    EmptyFieldInfo();
}

void TDaoTable::SQLChanged()
{
    if (IsLoading() || !d_->paramCheck_)
        return;
    auto fresh = std::make_unique<TParams>();
    fresh->ParseSQL(d_->sql_.Text(), true);
    fresh->AssignValues(*d_->params_);
    d_->params_ = std::move(fresh);
}

void TDaoTable::CheckRecordsetClosed(const char* message) const
{
    if (d_->recordsetOpen_)
        Refuse(message);
}

void TDaoTable::SetQueryDefName(const QString& name)
{
    CheckRecordsetClosed("TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!");
    if (d_->database_ && d_->database_->Connected())
        d_->database_->GetQueryDefSQLText(name, d_->queryDefSQLText_);
    d_->queryDefName_ = name;
    if (name.isEmpty())
        return;
    d_->sql_.Clear();
    d_->queryDefParameters_.Clear();
    d_->masterFieldList_.Clear();
    d_->detailFieldList_.Clear();
    d_->masterFields_.Clear();
    EmptyFieldInfo();
    if (d_->tableType_ == dao::dbOpenTable || d_->tableType_ == dao::dbOpenDynamic)
        d_->tableType_ = dao::dbOpenDynaset;
}

QString TDaoTable::QueryDefType() const
{
    if (!d_->database_ || !d_->database_->Connected() || d_->queryDefName_.isEmpty() || !d_->database_->DatabaseObject())
        return QString();
    try {
        return QueryDefTypeName(d_->database_->DatabaseObject()->QueryDefs().Item(d_->queryDefName_)->Type());
    } catch (const Exception&) {
        return QString();
    }
}

void TDaoTable::SetTableType(int value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_TableType: Cannot set TableType while Table is active!");
    if (value == dao::dbOpenTable)
        d_->sortedBy_.Clear();
    else
        d_->indexDefs_->Clear();
    if (value == dao::dbOpenForwardOnly)
        d_->sortedBy_.Clear();
    d_->tableType_ = value;
}

void TDaoTable::SetLockType(int value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_LockType: Cannot set LockType while Table is active!");
    d_->lockType_ = value;
}

void TDaoTable::SetOpenOptions(TOOSet options)
{
    const TOOSet old = d_->openOptions_;
    ReopenAfterChange([&] { d_->openOptions_ = options; }, [&] { d_->openOptions_ = old; });
}

void TDaoTable::SetReadOnly(bool value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_ReadOnly: Cannot set ReadOnly while table is Active!");
    d_->readOnly_ = value || (d_->database_ && d_->database_->Connected() && d_->database_->ReadOnly());
}

bool TDaoTable::LockEdits() const
{
    if (!Active() || !d_->recordsetOpen_ || !d_->recordset_ || !d_->database_)
        return false;
    if (d_->database_->DatabaseType() == QLatin1String("ODBC") || d_->database_->ReadOnly() || d_->readOnly_)
        return false;
    if (d_->tableType_ != dao::dbOpenTable && d_->tableType_ != dao::dbOpenDynaset)
        return false;
    return d_->recordset_->LockEdits();
}

void TDaoTable::SetIndexName(const QString& name)
{
    if (!name.isEmpty() && d_->tableType_ != dao::dbOpenTable)
        Refuse("TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!");
    if (d_->tableType_ == dao::dbOpenTable && (!name.isEmpty() || Active()))
        d_->sortedBy_.Clear();
    if (Active() && d_->recordsetOpen_ && d_->tableType_ == dao::dbOpenTable) {
        d_->recordset_->SetIndex(name);
        d_->indexName_ = name;
        CheckBrowseMode();
        ClearBuffers();
        d_->rows_.CountChanged();
        ActivateBuffers();
        First();
        return;
    }
    d_->indexName_ = name;
}

int TDaoTable::IndexFieldCount() const
{
    if (d_->tableType_ != dao::dbOpenTable || !d_->database_ || !d_->database_->Connected() || d_->tableName_.isEmpty()
        || d_->indexName_.isEmpty() || !d_->database_->DatabaseObject())
        return 0;
    try {
        return d_->database_->DatabaseObject()->TableDefs().Item(d_->tableName_)->Indexes().Item(d_->indexName_)->Fields().Count();
    } catch (const Exception&) {
        return 0;
    }
}

void TDaoTable::SetSortedBy(const TStrings& lines)
{
    TStringList old(d_->sortedBy_);
    ReopenAfterChange([&] { d_->sortedBy_.Assign(lines); }, [&] { d_->sortedBy_.Assign(old); });
}

void TDaoTable::SetSortedByText(const QString& text)
{
    TStringList lines;
    lines.SetText(text);
    SetSortedBy(lines);
}

void TDaoTable::SetFilterText(const QString& text)
{
    const QString old = d_->filter_;
    if (d_->recordsetOpen_ && Filtered())
        ReopenAfterChange([&] { d_->filter_ = text; }, [&] { d_->filter_ = old; });
    else
        d_->filter_ = text;
    TDataSet::SetFilterText(text);
}

void TDaoTable::SetFiltered(bool value)
{
    const bool old = Filtered();
    if (value == old || !d_->recordsetOpen_) {
        TDataSet::SetFiltered(value);
        return;
    }
    ReopenAfterChange([&] { TDataSet::SetFiltered(value); }, [&] { TDataSet::SetFiltered(old); });
}

void TDaoTable::SetOnFilterRecord(TFilterRecordEvent handler)
{
    TFilterRecordEvent old = OnFilterRecord;
    if (d_->recordsetOpen_ && Filtered())
        ReopenAfterChange([&] { OnFilterRecord = handler; }, [&] { OnFilterRecord = old; });
    else
        OnFilterRecord = std::move(handler);
}

void TDaoTable::CloseOpenFirst()
{
    if (!d_->recordsetOpen_ || IsLoading())
        return;
    Close();
    Open();
    First();
}

void TDaoTable::SetCacheMemos(bool value)
{
    d_->cacheMemos_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetCacheBlobs(bool value)
{
    d_->cacheBlobs_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetCacheLookups(bool value)
{
    d_->cacheLookups_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetShowGUID(bool value)
{
    d_->showGUID_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetEncrypter(TComponent* encrypter)
{
    if (d_->encrypter_ == encrypter)
        return;
    if (d_->encrypter_)
        RemoveFreeNotification(d_->encrypter_);
    d_->encrypter_ = encrypter;
    if (encrypter)
        FreeNotification(encrypter);
    CloseOpenFirst();
}

// A stamp of the table, or of the saved query the dataset opens; empty when there is none.
QString TDaoTable::SourceStamp(TVariant (dao::Recordset::*ofTable)() const,
                               TVariant (dao::QueryDef::*ofQuery)() const) const
{
    if (!d_->recordsetOpen_ || !d_->recordset_)
        return QString();
    try {
        TVariant v;
        if (d_->tableType_ == dao::dbOpenTable)
            v = (d_->recordset_.get()->*ofTable)();
        else if (!d_->queryDefName_.isEmpty() && d_->database_ && d_->database_->DatabaseObject())
            v = (d_->database_->DatabaseObject()->QueryDefs().Item(d_->queryDefName_).get()->*ofQuery)();
        return v.IsClear() ? QString() : DateTimeToStr(v.AsDateTime());
    } catch (const Exception&) {
        return QString();
    }
}

QString TDaoTable::TableDateCreated() const
{
    return SourceStamp(&dao::Recordset::DateCreated, &dao::QueryDef::DateCreated);
}

QString TDaoTable::TableLastUpdated() const
{
    return SourceStamp(&dao::Recordset::LastUpdated, &dao::QueryDef::LastUpdated);
}

void TDaoTable::SetBatchMode(bool value)
{
    d_->batchMode_ = value;
    if (!value)
        d_->posting_ = false;
    if (value) {
        BeginBatchWrites();
        DisableControls();
        return;
    }
    EndBatchWrites();
    EnableControls();
    if (Active())
        Resync(TResyncMode());
    if (d_->useGetRecNo_ && Active())
        (void)RecNo();
}

dao::Database* TDaoTable::ConnectedDatabase() const
{
    return d_->database_ && d_->database_->Connected() ? d_->database_->DatabaseObject() : nullptr;
}

// The writes of a batch go to the engine as one transaction, unless one is open already.
void TDaoTable::BeginBatchWrites()
{
    dao::Database* db = ConnectedDatabase();
    if (d_->batchTransaction_ || !db || db->InTransaction() || !db->Updatable())
        return;
    db->BeginTrans();
    d_->batchTransaction_ = true;
}

void TDaoTable::EndBatchWrites()
{
    if (!d_->batchTransaction_)
        return;
    d_->batchTransaction_ = false;
    dao::Database* db = ConnectedDatabase();
    if (db && db->InTransaction())
        db->CommitTrans();
}

// A write of the batch failed: none of the batch is kept; what follows is a batch of its own.
void TDaoTable::AbandonBatchWrites()
{
    if (!d_->batchTransaction_)
        return;
    d_->batchTransaction_ = false;
    dao::Database* db = ConnectedDatabase();
    if (db && db->InTransaction())
        db->Rollback();
    if (d_->batchMode_)
        BeginBatchWrites();
}

void TDaoTable::GetLastDaoError(TDaoErrorRecord& record)
{
    if (d_->database_ && d_->database_->Connected())
        d_->database_->GetLastDaoError(record);
}
