#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoBlobStream.h"
#include "dataaccess/DaoRecordBuffer.h"
#include "dataaccess/DaoRowNumbers.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/os/TickCount.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Filer.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

using daorecord::CalcArea;
using daorecord::Header;

namespace {

[[noreturn]] void Refuse(const char* message) { DatabaseError(QString::fromLatin1(message)); }

bool IsBlobKind(TFieldType type) { return IsBlobType(type); }

}  // namespace

// --- record buffers ----------------------------------------------------------------------------------

int TDaoTable::GetRecordSize() { return daorecord::BufferSize(CalcFieldsSize()); }

TRecordBuffer TDaoTable::AllocRecordBuffer() { return daorecord::AllocBuffer(CalcFieldsSize(), FieldDefs().Count()); }

void TDaoTable::FreeRecordBuffer(TRecordBuffer& buffer) { daorecord::FreeBuffer(buffer); }

void TDaoTable::ClearCalcFields(TRecordBuffer buffer)
{
    if (buffer && CalcFieldsSize() > 0)
        std::memset(CalcArea(buffer), 0, size_t(CalcFieldsSize()));
}

QString TDaoTable::FieldText(TRecordBuffer buffer, int index) const
{
    if (!buffer || index < 0 || size_t(index) >= Header(buffer)->texts->Count())
        return QString();
    return Header(buffer)->texts->Text(size_t(index));
}

bool TDaoTable::GetCurrentRecord(TRecordBuffer buffer)
{
    TRecordBuffer source = d_->recordsetOpen_ && !IsEmpty() ? GetActiveRecordBuffer() : nullptr;
    if (!source || !buffer)
        return false;
    daorecord::CopyBuffer(buffer, source, CalcFieldsSize());
    return true;
}

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

QByteArray TDaoTable::BlobBytes(const TField* field, const QString& text) const
{
    return field->DataType() == ftMemo || field->DataType() == ftFmtMemo ? text.toUtf8() : text.toLatin1();
}

QByteArray TDaoTable::ReadBlobData(TField* field, TRecordBuffer buffer)
{
    const int index = field->FieldNo() - 1;
    const bool memo = field->DataType() == ftMemo || field->DataType() == ftFmtMemo;
    const QString text = FieldText(buffer, index);
    const qint32 recNo = Header(buffer)->recNo;
    const QString fallback = recNo == -1 && index >= 0 && index < d_->fieldDefaults_.size() ? d_->fieldDefaults_.at(index) : QString();
    if ((memo && d_->cacheMemos_) || (!memo && d_->cacheBlobs_))
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (State() == dsInsert && recNo == -1)
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (!d_->recordset_ || index < 0 || size_t(index) >= d_->fieldObjects_.size())
        return QByteArray();
    const qint32 back = d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0;
    QByteArray data;
    try {
        if (Header(buffer)->key > 0)
            GotoRecordKey(Header(buffer)->key);
        const TVariant value = d_->fieldObjects_[size_t(index)]->Value();
        if (!value.IsClear()) {
            data = value.Type() == TVarType::Bytes ? value.AsBytes() : value.AsString().toUtf8();
            if (d_->encrypterValid_) {
                d_->encrypter_->setProperty("EncodedString", QString::fromUtf8(data));
                data = d_->encrypter_->property("DecodedString").toString().toUtf8();
            }
        }
    } catch (const Exception&) {
        data.clear();
        // The row may have gone: the buffers are read again where the user stands.
        if (d_->tableType_ != dao::dbOpenForwardOnly)
            RefreshKeepPosition();
    }
    if (back > 0) {
        try {
            GotoRecordKey(back);
        } catch (const Exception&) {
        }
    }
    return data;
}

void TDaoTable::StoreBlobData(TField* field, TRecordBuffer buffer, const QByteArray& data)
{
    const int index = field->FieldNo() - 1;
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return;
    const bool memo = field->DataType() == ftMemo || field->DataType() == ftFmtMemo;
    texts.SetText(size_t(index), memo ? QString::fromUtf8(data) : QString::fromLatin1(data));
    texts.mark[size_t(index)] = true;
}

void TDaoTable::DefineProperties(TFiler& filer)
{
    TDataSet::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("ParamData"),
        [this](TReader& reader) {
            d_->params_->Clear();
            reader.ReadCollection([this](TReader& r, int) {
                auto* param = d_->params_->CreateParam(ftUnknown, QString(), ptUnknown);
                while (!r.EndOfList()) {
                    const QString prop = r.ReadPropName();
                    if (prop == QLatin1String("Name"))
                        param->SetName(r.ReadString());
                    else if (prop == QLatin1String("DataType"))
                        param->SetDataType(TFieldType(r.ReadInteger()));
                    else if (prop == QLatin1String("ParamType"))
                        param->SetParamType(TParamType(r.ReadInteger()));
                    else if (prop == QLatin1String("Value"))
                        param->SetValue(r.ReadVariant());
                    else
                        r.SkipValue();
                }
            });
        },
        [this](TWriter& writer) {
            writer.WriteCollection(d_->params_->Count(), [this](TWriter& w, int i) {
                const TParam* param = d_->params_->Items(i);
                w.WritePropName(QStringLiteral("Name"));
                w.WriteString(param->Name());
                w.WritePropName(QStringLiteral("DataType"));
                w.WriteInteger(param->DataType());
                w.WritePropName(QStringLiteral("ParamType"));
                w.WriteInteger(param->ParamType());
                if (!param->IsNull()) {
                    w.WritePropName(QStringLiteral("Value"));
                    w.WriteVariant(param->Value());
                }
            });
        },
        filer.Ancestor() ? true : !d_->params_->IsEmpty());
}

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

// --- opening -----------------------------------------------------------------------------------------

void TDaoTable::ConnectDatabase()
{
    if (d_->database_->Connected())
        return;
    if (!d_->databaseAutoActivate_)
        Refuse("TDaoTable.OpenDaoRecordset: Database is NOT connected");
    d_->database_->SetConnected(true);
}

void TDaoTable::ApplyQueryDefParameters(const char* failureMessage)
{
    try {
        auto query = d_->database_->DatabaseObject()->QueryDefs().Item(d_->queryDefName_);
        int line = 0;
        dao::Parameters& parameters = query->Parameters();
        for (int i = 0; i < parameters.Count(); ++i) {
            const auto& parameter = parameters.Item(i);
            if (parameter->Direction() != dao::dbParamInput && parameter->Direction() != dao::dbParamInputOutput)
                continue;
            if (line >= d_->queryDefParameters_.Count())
                Refuse(failureMessage);
            const QString text = d_->queryDefParameters_.Get(line++);
            parameter->SetValue(text == QLatin1String("NULL") ? TVariant::Null() : TVariant(text));
        }
    } catch (const Exception&) {
        Refuse(failureMessage);
    }
}

bool TDaoTable::SourceIsTable() const { return !d_->tableName_.isEmpty() && d_->sql_.Count() == 0 && d_->queryDefName_.isEmpty(); }

std::shared_ptr<dao::Recordset> TDaoTable::OpenSourceRecordset()
{
    dao::Database* db = d_->database_->DatabaseObject();
    if (!d_->queryDefName_.isEmpty()) {
        ApplyQueryDefParameters("TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not "
                                "in valid format!");
        d_->database_->GetQueryDefSQLText(d_->queryDefName_, d_->queryDefSQLText_);
        auto query = db->QueryDefs().Item(d_->queryDefName_);
        query->SetMaxRecords(d_->queryDefODBCMaxRecords_);
        if (d_->database_->QueryTimeout() != 60)
            query->SetODBCTimeout(d_->database_->QueryTimeout());
        return query->OpenRecordset(d_->tableType_, d_->optionWord_ | dao::dbDeferRows, d_->lockType_);
    }
    QString source = d_->tableName_;
    if (d_->sql_.Count() > 0) {
        if (MasterSource())
            MasterValuesToParams();
        source = SubstituteParams(d_->sql_);
    }
    return db->OpenRecordset(source, d_->tableType_, d_->optionWord_ | dao::dbDeferRows, d_->lockType_);
}

void TDaoTable::ApplySortAndFilter()
{
    if (d_->sortedBy_.Count() > 0) {
        d_->sortText_ = SortTextOf(d_->sortedBy_);
        d_->recordset_->SetSort(d_->sortText_);
        auto sorted = d_->recordset_->OpenRecordset(d_->tableType_, d_->optionWord_ | dao::dbDeferRows);
        d_->recordset_->Close();
        d_->recordset_ = sorted;
    }
    if (Filtered() && !d_->filter_.isEmpty()) {
        d_->recordset_->SetFilter(d_->filter_);
        auto filtered = d_->recordset_->OpenRecordset(d_->tableType_, d_->optionWord_ | dao::dbDeferRows);
        d_->recordset_->Close();
        d_->recordset_ = filtered;
    }
}

void TDaoTable::BuildFieldLists()
{
    dao::Fields& fields = d_->recordset_->Fields();
    const int count = fields.Count();
    d_->fieldUpdatable_.assign(size_t(count), true);
    d_->fieldDefaults_ = QStringList();
    for (int i = 0; i < count; ++i)
        d_->fieldDefaults_ << QString();
    if (d_->readOnly_ || !d_->useDaoProperties_)
        return;
    const bool jet = d_->database_->EngineType() == dao::dbUseJet;
    for (int i = 0; i < count; ++i) {
        const auto& field = fields.Item(i);
        const int attributes = field->Attributes();
        d_->fieldUpdatable_[size_t(i)] = (attributes & dao::dbUpdatableField) && !(attributes & dao::dbAutoIncrField)
                                     && !(attributes & dao::dbSystemField);
        QString text;
        try {
            text = jet ? field->DefaultValue() : QString();
            const int type = field->Type();
            if ((type == dao::dbText || type == dao::dbMemo) && text.size() >= 2 && text.startsWith(QLatin1Char('"'))
                && text.endsWith(QLatin1Char('"')))
                text = text.mid(1, text.size() - 2);
            if (type == dao::dbDate)
                text = text.size() >= 2 && text.startsWith(QLatin1Char('#')) && text.endsWith(QLatin1Char('#'))
                           ? DateLiteralToStamp(text.mid(1, text.size() - 2))
                           : QString();
            if (text.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
                text.clear();
        } catch (const Exception&) {
            text.clear();
        }
        d_->fieldDefaults_[i] = text;
    }
}

void TDaoTable::FillFieldObjects()
{
    dao::Fields& fields = d_->recordset_->Fields();
    d_->fieldObjects_.assign(size_t(fields.Count()), nullptr);
    d_->fieldEngineTypes_.assign(size_t(fields.Count()), 0);
    for (int i = 0; i < fields.Count(); ++i) {
        d_->fieldObjects_[size_t(i)] = fields.Item(i);
        d_->fieldEngineTypes_[size_t(i)] = fields.Item(i)->Type();
    }
}

void TDaoTable::ResetCursorCounters() { d_->rows_.Reset(); }

void TDaoTable::OpenDaoRecordset()
{
    if (!d_->database_)
        Refuse("TDaoTable.OpenDaoRecordset: Missing Database Property");
    if (d_->tableName_.isEmpty() && d_->sql_.Count() == 0 && d_->queryDefName_.isEmpty())
        Refuse("TDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!");
    ConnectDatabase();
    NoteInTransaction();
    if (d_->tableType_ == dao::dbOpenDynamic && d_->database_->DatabaseType() != QLatin1String("ODBC"))
        Refuse("TDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!");
    if (d_->database_->ReadOnly() || d_->tableType_ == dao::dbOpenForwardOnly || d_->tableType_ == dao::dbOpenSnapshot)
        d_->readOnly_ = true;
    d_->optionWord_ = OptionWord(d_->openOptions_);
    if (d_->baseRecordset_) {
        try {
            d_->baseRecordset_->Close();
        } catch (const Exception&) {
        }
        d_->baseRecordset_.reset();
    }
    d_->sortText_.clear();
    d_->recordset_ = OpenSourceRecordset();
    try {
        d_->database_->Idle();
        if (!d_->recordset_->Updatable())
            d_->readOnly_ = true;
        d_->bookmarkable_ = d_->recordset_->Bookmarkable();
        d_->rows_.ForgetBookmarks();
        d_->database_->RefreshDefinitions();
        if (!d_->indexName_.isEmpty()) {
            try {
                d_->recordset_->SetIndex(d_->indexName_);
            } catch (const Exception&) {
            }
        }
        BuildFieldLists();
        // Each step opens the next recordset from the one before; only the last reads rows.
        ApplySortAndFilter();
        ApplyMasterLink();
        d_->recordset_->ReadRows();
        FillFieldObjects();
        ResetCursorCounters();
        d_->database_->Idle();
    } catch (...) {
        CloseDaoRecordset();
        throw;
    }
}

void TDaoTable::CloseDaoRecordset()
{
    for (auto& field : d_->fieldObjects_)
        field.reset();
    if (d_->recordset_) {
        try {
            d_->recordset_->Close();
        } catch (const Exception&) {
        }
    }
}

void TDaoTable::SetUpOpenFields()
{
    const bool savedInactive = d_->masterInactive_;
    d_->masterInactive_ = true;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        TFieldDef* def = FieldDefs().Items(i);
        TField* field = def->Field();
        if (!field)
            continue;
        if (size_t(i) < d_->fieldUpdatable_.size() && !d_->fieldUpdatable_[size_t(i)])
            field->SetReadOnly(true);
        QString expression = field->DefaultExpression();
        if (!expression.isEmpty() && i < d_->fieldDefaults_.size()) {
            if (expression.startsWith(QLatin1Char('\'')))
                expression.remove(0, 1);
            if (expression.endsWith(QLatin1Char('\'')))
                expression.chop(1);
            d_->fieldDefaults_[i] = expression;
        }
        if (field->DataType() == ftDateTime)
            field->SetDisplayWidth(20);
        if (field->DataType() == ftMemo && d_->cacheMemos_) {
            field->SetDisplayWidth(30);
            field->OnGetText = [this](TField* f, QString& text, bool) {
                text = FieldText(GetActiveRecordBuffer(), f->FieldNo() - 1).section(QLatin1Char('\r'), 0, 0);
            };
        }
        if (field->DataType() == ftBytes && def->Precision() == daorecord::kGuidMarker) {
            field->SetValidChars(QStringLiteral("-0123456789ABCDEFabcdef{}"));
            if (d_->showGUID_) {
                field->SetDisplayWidth(38);
                field->OnGetText = [this](TField* f, QString& text, bool) {
                    text = daorecord::StripGuidText(FieldText(GetActiveRecordBuffer(), f->FieldNo() - 1));
                };
                field->OnSetText = [](TField* f, const QString& text) {
                    if (text.size() == 38) {
                        const QByteArray bytes = GuidTextToBytes(text);
                        if (!bytes.isEmpty())
                            f->SetAsBytes(bytes);
                    }
                };
            }
        }
    }
    d_->masterInactive_ = savedInactive;
}

void TDaoTable::LookUpEncrypter()
{
    d_->encrypterValid_ = false;
    if (!d_->encrypter_)
        return;
    const QMetaObject* meta = d_->encrypter_->metaObject();
    d_->encrypterValid_ = meta->indexOfProperty("EncodedString") >= 0 && meta->indexOfProperty("DecodedString") >= 0;
}

void TDaoTable::RegisterWithDatabase()
{
    if (d_->database_->OpenTables().IndexOfObject(this) < 0)
        d_->database_->OpenTables().AddObject(Name(), this);
    NoteInTransaction();
    d_->database_->Idle();
}

void TDaoTable::NoteInTransaction()
{
    if (d_->database_ && d_->database_->TrackTransactions() && d_->database_->GetTransactionCount() > 0)
        d_->database_->AddTableToTransaction(Name(), 1);
}

void TDaoTable::ReadAfterRollback()
{
    if (!d_->recordsetOpen_ || !d_->recordset_)
        return;
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    // Rows read by their keys are read again where the dataset stands (a row of the
    // transaction's own is gone, and skipped as a deleted one); a copy made inside the
    // transaction is made again.
    if (d_->recordset_->Updatable())
        RefreshKeepPosition();
    else if (!Requery())
        RestartRecordset();
}

void TDaoTable::InternalOpen()
{
    OpenDaoRecordset();
    try {
        if (Name().isEmpty())
            SetName(QStringLiteral("DaoTable_") + QString::number(GetTickCount()));
        d_->initingFromOpen_ = true;
        try {
            InitFieldDefs();
        } catch (...) {
            d_->initingFromOpen_ = false;
            throw;
        }
        d_->initingFromOpen_ = false;
        if (DefaultFields() || FieldCount() == 0)
            CreateFields();
        if (d_->cacheLookups_)
            for (TField* field : Fields())
                if (field->Lookup())
                    field->SetLookupCache(true);
        BindFields(true);
        if (d_->useCaptions_)
            for (int i = 0; i < FieldDefs().Count() && i < d_->fieldCaptions_.size(); ++i)
                if (TField* field = FieldDefs().Items(i)->Field())
                    field->SetDisplayLabel(d_->fieldCaptions_.at(i));
        SetBookmarkSize(d_->bookmarkable_ ? 4 : 0);
        d_->recordSize_ = GetRecordSize();
        SetUpOpenFields();
        AllocRangeBuffers();
        LookUpEncrypter();
        d_->recordsetOpen_ = true;
        if (d_->tableType_ == dao::dbOpenTable) {
            try {
                (void)d_->recordset_->RecordCount();
            } catch (const Exception&) {
            }
        }
        InternalFirst();
        RegisterWithDatabase();
    } catch (...) {
        d_->recordsetOpen_ = false;
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
        CloseDaoRecordset();
        throw;
    }
}

void TDaoTable::InternalClose()
{
    if (!d_->recordsetOpen_)
        return;
    EndBatchWrites();
    if (State() == dsEdit && d_->recordset_) {
        try {
            d_->recordset_->CancelUpdate();
        } catch (const Exception&) {
        }
    }
    d_->recordsetOpen_ = false;
    d_->optionWord_ = 0;
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    CloseDaoRecordset();
    if (d_->baseRecordset_) {
        try {
            d_->baseRecordset_->Close();
        } catch (const Exception&) {
        }
        d_->baseRecordset_.reset();
    }
    d_->recordset_.reset();
    if (!d_->closingByDatabase_ && d_->database_) {
        const int i = d_->database_->OpenTables().IndexOfObject(this);
        if (i >= 0)
            d_->database_->OpenTables().Delete(i);
    }
    d_->closingByDatabase_ = false;
    FreeRecordBuffer(d_->oldValues_);
    FreeRangeBuffers();
}

void TDaoTable::CloseByDatabase()
{
    d_->closingByDatabase_ = true;
    try {
        Close();
    } catch (...) {
        d_->closingByDatabase_ = false;
        throw;
    }
    d_->closingByDatabase_ = false;
}

// --- re-opening and re-querying ----------------------------------------------------------------------

void TDaoTable::RestartRecordset()
{
    const dao::SharedRead read(ConnectedDatabase());
    CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    OpenDaoRecordset();
    ActivateBuffers();
    First();
}

void TDaoTable::ReopenDaoRecordset()
{
    if (!d_->recordsetOpen_)
        return;
    try {
        RestartRecordset();
    } catch (...) {
        // Never left open over a recordset that is gone.
        if (!d_->recordset_ || !d_->recordset_->IsOpen()) {
            try {
                Close();
            } catch (const Exception&) {
            }
        }
        throw;
    }
}

void TDaoTable::ReopenAfterChange(const std::function<void()>& apply, const std::function<void()>& restore)
{
    apply();
    if (!d_->recordsetOpen_)
        return;
    try {
        RestartRecordset();
    } catch (...) {
        restore();
        try {
            ReopenDaoRecordset();
        } catch (const Exception&) {
        }
        throw;
    }
}

bool TDaoTable::Requery()
{
    if (!d_->recordsetOpen_ || !d_->recordset_ || !d_->recordset_->Restartable())
        return false;
    if (!d_->queryDefName_.isEmpty()) {
        ApplyQueryDefParameters(
            "TDaoTable.Requery: Invalid number of QueryDef parameters or parameter is not in valid format!");
        // The engine's recordset keeps the values it was opened with; a fresh one takes the new ones.
        d_->rows_.ForgetBookmarks();
        ReopenDaoRecordset();
        return true;
    }
    // Linked without field pairs the table follows no master, and the master's re-open would
    // leave it as it was.
    if (!MasterSource() || d_->masterInactive_ || d_->masterFieldList_.Count() == 0) {
        RequeryRecordset();
    } else {
        ReopenForMaster();
    }
    return true;
}

void TDaoTable::RequeryIfRestartable()
{
    if (!d_->recordsetOpen_ || !d_->recordset_ || !d_->recordset_->Restartable())
        return;
    RequeryRecordset();
}

// Runs the engine recordset's query again and stands on its first row; bookmarks and record
// numbers of the old rows no longer hold.
void TDaoTable::RequeryRecordset()
{
    NoteInTransaction();
    const dao::SharedRead read(ConnectedDatabase());
    CheckBrowseMode();
    d_->rows_.ForgetBookmarks();
    ClearBuffers();
    d_->recordset_->Requery();
    d_->rows_.CountChanged();
    d_->rows_.SetCurrent(-1);
    ActivateBuffers();
    First();
}

int TDaoTable::ExecSQL(const TStrings& lines)
{
    if (!d_->database_ || !d_->database_->Connected() || !d_->database_->DatabaseObject())
        Refuse("TDaoTable.ExecSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
    d_->database_->DatabaseObject()->Execute(SubstituteParams(lines), d_->execOptions_);
    return d_->database_->DatabaseObject()->RecordsAffected();
}

int TDaoTable::ExecuteSQL()
{
    if (!d_->database_ || !d_->database_->Connected() || !d_->database_->DatabaseObject())
        Refuse("TDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
    d_->database_->DatabaseObject()->Execute(SubstituteParams(d_->sql_), d_->execOptions_);
    return d_->database_->DatabaseObject()->RecordsAffected();
}

QString TDaoTable::SubstituteParams(const TStrings& lines) const
{
    QString text = JoinLines(lines);
    if (!d_->paramCheck_)
        return text;
    for (int i = 0; i < d_->params_->Count(); ++i) {
        const TParam* param = d_->params_->Items(i);
        const QString token = QLatin1Char(':') + param->Name();
        if (param->IsNull())
            text = ReplaceParamToken(text, token, QString(), true);
        else
            text = ReplaceParamToken(text, token, ParamLiteral(*param));
    }
    return text;
}

int TDaoTable::RecNoByPosition(dao::Recordset& rs, qint32 key)
{
    if (!d_->useGetRecNo_)
        return -1;
    const int count = RecordCount();
    return TDaoRowNumbers::PositionOf(rs, key, count);
}

// --- field and index definitions ---------------------------------------------------------------------

namespace {

TFieldType FieldTypeOfCode(int code)
{
    switch (code) {
    case dao::dbBoolean: return ftBoolean;
    case dao::dbByte:
    case dao::dbInteger: return ftSmallint;
    case dao::dbLong: return ftInteger;
    case dao::dbCurrency: return ftCurrency;
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbNumeric:
    case dao::dbDecimal:
    case dao::dbFloat: return ftFloat;
    case dao::dbDate: return ftDate;
    case dao::dbBinary:
    case dao::dbGUID: return ftBytes;
    case dao::dbText:
    case dao::dbChar: return ftString;
    case dao::dbLongBinary:
    case dao::dbVarBinary: return ftBlob;
    case dao::dbMemo: return ftMemo;
    case dao::dbBigInt: return ftInteger;
    case dao::dbTime: return ftTime;
    case dao::dbTimeStamp: return ftDateTime;
    case 40000: return ftAutoInc;
    default: return ftUnknown;
    }
}

bool SizedCode(int code)
{
    return code == dao::dbBinary || code == dao::dbText || code == dao::dbLongBinary || code == dao::dbMemo
           || code == dao::dbGUID || code == dao::dbVarBinary || code == dao::dbChar;
}

}  // namespace

void TDaoTable::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    d_->definitionFields_.clear();
    d_->fieldCaptions_.clear();
    const bool openHere = !d_->initingFromOpen_ && !d_->recordsetOpen_;
    if (openHere)
        OpenDaoRecordset();
    try {
        const bool jet = d_->database_ && d_->database_->EngineType() == dao::dbUseJet;
        if (size_t(d_->fieldDefaults_.size()) < d_->fieldObjects_.size())
            while (size_t(d_->fieldDefaults_.size()) < d_->fieldObjects_.size())
                d_->fieldDefaults_ << QString();
        for (size_t i = 0; i < d_->fieldObjects_.size(); ++i) {
            const auto& field = d_->fieldObjects_[i];
            if (!field)
                continue;
            int code = field->Type();
            const QString name = field->Name();
            int size = field->Size();
            if (code == dao::dbText && size == 0)
                size = 255;
            if (code == dao::dbDate) {
                const TVariant format = field->Property(QStringLiteral("Format"));
                if (format.IsEmpty()) {
                    code = dao::dbTimeStamp;
                } else {
                    const QString f = format.AsString();
                    if (f == QLatin1String("Long Time") || f == QLatin1String("Medium Time")
                        || f == QLatin1String("Short Time"))
                        code = dao::dbTime;
                    else if (f == QLatin1String("General Date"))
                        code = dao::dbTimeStamp;
                }
            }
            if (code == dao::dbLong && (field->Attributes() & dao::dbAutoIncrField))
                code = 40000;
            if (jet) {
                const QString defaultText = field->DefaultValue().toLower();
                if (code == 40000 || (code == dao::dbLong && defaultText.contains(QLatin1String("genuniqueid")))
                    || (code == dao::dbGUID && defaultText.contains(QLatin1String("genguid"))))
                    d_->fieldDefaults_[int(i)].clear();
            }
            const bool required = !d_->readOnly_ && d_->useDaoProperties_ && field->Required();
            TFieldDef* def = FieldDefs().Add(name, FieldTypeOfCode(code), SizedCode(code) ? size : 0, required);
            if (def->DataType() == ftBlob)
                d_->fieldDefaults_[int(i)].clear();
            const TVariant caption = field->Property(QStringLiteral("Caption"));
            d_->fieldCaptions_ << (d_->useCaptions_ && !caption.IsEmpty() ? caption.AsString() : name);
            if (code == dao::dbGUID)
                def->SetPrecision(daorecord::kGuidMarker);
        }
        ReadIndexDefs();
    } catch (...) {
        if (openHere)
            CloseDaoRecordset();
        throw;
    }
    if (openHere)
        CloseDaoRecordset();
}

void TDaoTable::ReadIndexDefs()
{
    d_->indexDefs_->Clear();
    if (d_->tableName_.isEmpty() || d_->tableType_ != dao::dbOpenTable || !d_->database_ || d_->database_->EngineType() == dao::dbUseODBC
        || !d_->database_->DatabaseObject())
        return;
    auto table = d_->database_->DatabaseObject()->TableDefs().Item(d_->tableName_);
    dao::Indexes& indexes = table->Indexes();
    try {
        indexes.Refresh();
    } catch (const Exception&) {
    }
    for (int i = 0; i < indexes.Count(); ++i) {
        const auto& index = indexes.Item(i);
        bool primary = false, unique = false;
        try {
            primary = index->Primary();
            unique = index->Unique();
        } catch (const Exception&) {
            primary = unique = false;
        }
        QStringList names, descending;
        dao::Fields& fields = index->Fields();
        for (int f = 0; f < fields.Count(); ++f) {
            names << fields.Item(f)->Name();
            if (fields.Item(f)->Attributes() & dao::dbDescending)
                descending << fields.Item(f)->Name();
        }
        TIndexOptions options;
        if (primary)
            options |= ixPrimary;
        if (unique)
            options |= ixUnique;
        if (descending.size() == names.size())
            options |= ixDescending;
        TIndexDef* def = d_->indexDefs_->Add(index->Name(), names.join(QLatin1Char(';')), options);
        if (def)
            def->SetDescFields(descending.join(QLatin1Char(';')));
    }
}

QString TDaoTable::FindIndexForFields(const QString& fields) const
{
    QString result;
    if (d_->indexDefs_->Count() == 0 || d_->tableType_ != dao::dbOpenTable || fields.isEmpty())
        return result;
    QString list = fields;
    const bool exact = list.startsWith(QLatin1Char('!'));
    if (exact)
        list.remove(0, 1);
    const QStringList wanted = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    auto containsAll = [&](const QStringList& have) {
        for (const QString& w : wanted)
            if (!have.contains(w, Qt::CaseInsensitive))
                return false;
        return true;
    };
    for (int i = 0; i < d_->indexDefs_->Count(); ++i) {
        const TIndexDef* def = d_->indexDefs_->Items(i);
        const QStringList have = def->Fields().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (exact) {
            if (have.size() == wanted.size() && containsAll(have))
                return def->Name();
            continue;
        }
        if (have.size() >= wanted.size() && containsAll(have)) {
            result = def->Name();
            if (!have.isEmpty() && wanted.contains(have.first(), Qt::CaseInsensitive))
                return result;
        }
    }
    return result;
}

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

int TDaoTable::FieldIndex(const TField* field) const { return field->FieldNo() - 1; }

QString TDaoTable::ValueToText(const TField* field, const TVariant& value, bool& fetched, int index)
{
    const TFieldType type = field->DataType();
    fetched = !IsBlobKind(type) || (type == ftMemo && d_->cacheMemos_) || (type != ftMemo && d_->cacheBlobs_);
    if (!fetched) {
        const int size = d_->fieldObjects_[size_t(index)]->FieldSize();
        return size == 0 ? QString() : QString::number(size);
    }
    if (value.IsClear())
        return QString();
    if (value.Type() == TVarType::Bytes)
        return daorecord::IsGuidField(field) ? daorecord::GuidFieldText(value.AsBytes()) : QString::fromLatin1(value.AsBytes());
    return daorecord::EngineValueText(value);
}

const std::vector<TField*>& TDaoTable::DefinitionFields()
{
    const size_t count = size_t(FieldDefs().Count());
    if (d_->definitionFieldsGeneration_ != Fields().Generation() || d_->definitionFields_.size() != count) {
        d_->definitionFields_.resize(count);
        for (size_t i = 0; i < count; ++i)
            d_->definitionFields_[i] = FieldDefs().Items(int(i))->Field();
        d_->definitionFieldsGeneration_ = Fields().Generation();
    }
    return d_->definitionFields_;
}

bool TDaoTable::FetchRecord(TRecordBuffer buffer)
{
    // No engine Idle per row: the recordset refreshes its cache with every window it reads,
    // and an Idle per row costs a file-lock round trip each.
    TDaoRecordHeader* header = Header(buffer);
    header->key = d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0;
    header->recNo = d_->rows_.Current();
    header->flag = quint8(bfCurrent);
    TDaoRecordTexts& texts = *header->texts;
    const std::vector<TField*>& fields = DefinitionFields();
    const size_t count = fields.size();
    texts.Resize(count);
    for (size_t i = 0; i < count && i < d_->fieldObjects_.size(); ++i) {
        const TField* field = fields[i];
        if (!field)
            continue;
        try {
            bool fetched = false;
            const TFieldType type = field->DataType();
            const bool wanted = !IsBlobKind(type) || (type == ftMemo && d_->cacheMemos_) || (type != ftMemo && d_->cacheBlobs_);
            static const TVariant notFetched;
            // Read in place: the value is copied once, into the row's texts or its text.
            const TVariant& value = wanted ? d_->fieldObjects_[i]->CurrentValue() : notFetched;
            const bool decoded = d_->encrypterValid_ && (type == ftString || IsBlobKind(type));
            if (wanted && !decoded && daorecord::KeptAsValue(value.Type())) {
                texts.SetValue(i, value);
            } else {
                QString text = ValueToText(field, value, fetched, int(i));
                if (fetched && decoded) {
                    d_->encrypter_->setProperty("EncodedString", text);
                    text = d_->encrypter_->property("DecodedString").toString();
                }
                texts.SetText(i, std::move(text));
            }
        } catch (const EDaoError& error) {
            if (error.Number() == dao::errRecordDeleted)
                return false;
            texts.SetText(i, QString());
        }
        texts.mark[i] = false;
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
        DatabaseError(QStringLiteral("Database %1 needs to be repaired and compacted!").arg(d_->database_->Database()));
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

// --- field values ------------------------------------------------------------------------------------

bool TDaoTable::GetFieldData(TField* field, void* buffer)
{
    TRecordBuffer record = d_->recordsetOpen_ ? GetActiveRecordBuffer() : nullptr;
    if (!record || !field)
        return false;
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
        return ReadCalcField(CalcArea(record), field, buffer);
    const int index = FieldIndex(field);
    TDaoRecordTexts& texts = *Header(record)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return false;  // no text: Null
    if (const TVariant* value = texts.PendingValue(size_t(index))) {
        if (!buffer)
            return true;
        if (daorecord::ValueFieldData(field->DataType(), *value, buffer))
            return true;
    }
    const QString& text = texts.Text(size_t(index));
    if (!buffer)
        return !text.isEmpty();
    return daorecord::TextFieldData(field->DataType(), field->Size(), daorecord::IsGuidField(field), text, buffer);
}

void TDaoTable::SetFieldData(TField* field, const void* buffer)
{
    TRecordBuffer record = GetActiveRecordBuffer();
    if (!record || !field)
        return;
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
        WriteCalcField(CalcArea(record), field, buffer);
        return;
    }
    field->Validate(buffer);
    if (field->ReadOnly() && State() != dsSetKey && State() != dsFilter)
        return;
    const QString text =
        daorecord::FieldDataText(field->DataType(), field->Size(), daorecord::IsGuidField(field), buffer);
    const int index = FieldIndex(field);
    TDaoRecordTexts& texts = *Header(record)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return;
    texts.SetText(size_t(index), text);
    texts.mark[size_t(index)] = true;
    const TDataSetState state = State();
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

// --- editing -----------------------------------------------------------------------------------------

void TDaoTable::InternalInitRecord(TRecordBuffer buffer)
{
    FreeRecordBuffer(d_->oldValues_);
    d_->oldValues_ = AllocRecordBuffer();
    if (TRecordBuffer active = GetActiveRecordBuffer(); active && active != buffer)
        GetCurrentRecord(d_->oldValues_);
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    const int count = FieldDefs().Count();
    texts.Reset(size_t(count));
    const std::vector<TField*>& fields = DefinitionFields();
    for (int i = 0; i < count; ++i) {
        if (TField* field = fields[size_t(i)]) {
            QString expression = field->DefaultExpression();
            if (!expression.isEmpty() && i < d_->fieldDefaults_.size()) {
                if (expression.startsWith(QLatin1Char('\'')))
                    expression.remove(0, 1);
                if (expression.endsWith(QLatin1Char('\'')))
                    expression.chop(1);
                d_->fieldDefaults_[i] = expression;
                texts.mark[size_t(i)] = true;
            }
        }
        if (i < d_->fieldDefaults_.size())
            texts.SetText(size_t(i), d_->fieldDefaults_.at(i));
    }
    Header(buffer)->flag = quint8(bfInserted);
    Header(buffer)->key = 0;
    Header(buffer)->recNo = -1;
}

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
