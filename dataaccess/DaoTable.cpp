#include "dataaccess/DaoTable.h"

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
    TRecordBuffer source = recordsetOpen_ && !IsEmpty() ? GetActiveRecordBuffer() : nullptr;
    if (!source || !buffer)
        return false;
    daorecord::CopyBuffer(buffer, source, CalcFieldsSize());
    return true;
}

// --- creation ----------------------------------------------------------------------------------------

TDaoTable::TDaoTable(QObject* owner)
    : TDataSet(owner),
      indexDefs_(nullptr),
      params_(std::make_unique<TParams>()),
      masterLink_(std::make_unique<TMasterDataLink>(this))
{
    sql_.OnChange = [this](TStrings*) { SQLChanged(); };
    masterLink_->OnMasterChange = [this](TMasterDataLink*) { MasterChanged(); };
    masterLink_->OnMasterDisable = [this](TMasterDataLink*) { MasterDisabled(); };
    auto indexDefs = std::make_unique<TDaoIndexDefs>(this);
    indexDefs_ = indexDefs.get();
    AdoptIndexDefs(std::move(indexDefs));
    fieldObjects_.resize(2);
    IdentifierChars();
}

TDaoTable::~TDaoTable()
{
    Destroying();
    // A table destroyed half-loaded still closes, so it leaves its database's list.
    if (IsLoading())
        TComponent::Loaded();
    if (recordsetOpen_) {
        try {
            Close();
        } catch (const Exception&) {
        }
    }
    if (database_)
        RemoveFreeNotification(database_);
    if (encrypter_)
        RemoveFreeNotification(encrypter_);
    fieldObjects_.clear();
    masterLink_.reset();
    recordset_.reset();
    baseRecordset_.reset();
    FreeRecordBuffer(oldValues_);
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
    if (operation == opRemove && component && component == databaseComponent_) {
        // Close first, so no open recordset outlives the database it came from.
        if (recordsetOpen_) {
            closingByDatabase_ = true;
            try {
                Close();
            } catch (const Exception&) {
            }
            closingByDatabase_ = false;
        }
        database_ = nullptr;
        databaseComponent_ = nullptr;
    }
    if (operation == opRemove && component && component == encrypter_.data()) {
        if (recordsetOpen_) {
            try {
                Close();
            } catch (const Exception&) {
            }
        }
        encrypterValid_ = false;
        encrypter_ = nullptr;
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
    const QString fallback = recNo == -1 && index >= 0 && index < fieldDefaults_.size() ? fieldDefaults_.at(index) : QString();
    if ((memo && cacheMemos_) || (!memo && cacheBlobs_))
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (State() == dsInsert && recNo == -1)
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (!recordset_ || index < 0 || size_t(index) >= fieldObjects_.size())
        return QByteArray();
    const qint32 back = bookmarkable_ ? ReadBookmark(*recordset_) : 0;
    QByteArray data;
    try {
        if (Header(buffer)->key > 0)
            GotoRecordKey(Header(buffer)->key);
        const TVariant value = fieldObjects_[size_t(index)]->Value();
        if (!value.IsClear()) {
            data = value.Type() == TVarType::Bytes ? value.AsBytes() : value.AsString().toUtf8();
            if (encrypterValid_) {
                encrypter_->setProperty("EncodedString", QString::fromUtf8(data));
                data = encrypter_->property("DecodedString").toString().toUtf8();
            }
        }
    } catch (const Exception&) {
        data.clear();
        // The row may have gone: the buffers are read again where the user stands.
        if (tableType_ != dao::dbOpenForwardOnly)
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
            params_->Clear();
            reader.ReadCollection([this](TReader& r, int) {
                auto* param = params_->CreateParam(ftUnknown, QString(), ptUnknown);
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
            writer.WriteCollection(params_->Count(), [this](TWriter& w, int i) {
                const TParam* param = params_->Items(i);
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
        filer.Ancestor() ? true : !params_->IsEmpty());
}

// --- properties --------------------------------------------------------------------------------------

void TDaoTable::EmptyFieldInfo()
{
    fieldCaptions_.clear();
    if (!Active()) {
        FieldDefs().Clear();
        indexDefs_->Clear();
    }
}

void TDaoTable::SetDatabase(TDaoDatabase* database)
{
    if (Active())
        Refuse("TDaoTable.F_Set_Database: Cannot set Database while Table is Active!");
    if (database_ == database)
        return;
    if (database_)
        RemoveFreeNotification(database_);
    database_ = database;
    databaseComponent_ = database;
    if (database)
        FreeNotification(database);
}

void TDaoTable::SetTableName(const QString& name)
{
    if (Active())
        Refuse("TDaoTable.F_Set_TableName: Cannot set TableName while Table is active!");
    tableName_ = name;
    if (name.isEmpty())
        return;
    sql_.Clear();
    queryDefSQLText_.Clear();
    queryDefParameters_.Clear();
    sortedBy_.Clear();
    EmptyFieldInfo();
}

void TDaoTable::SetSQL(const TStrings& lines)
{
    sql_.Assign(lines);
    if (lines.Count() == 0)
        return;
    queryDefParameters_.Clear();
    queryDefSQLText_.Clear();
    EmptyFieldInfo();
}

void TDaoTable::SQLChanged()
{
    if (IsLoading() || !paramCheck_)
        return;
    auto fresh = std::make_unique<TParams>();
    fresh->ParseSQL(sql_.Text(), true);
    fresh->AssignValues(*params_);
    params_ = std::move(fresh);
}

void TDaoTable::CheckRecordsetClosed(const char* message) const
{
    if (recordsetOpen_)
        Refuse(message);
}

void TDaoTable::SetQueryDefName(const QString& name)
{
    CheckRecordsetClosed("TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!");
    if (database_ && database_->Connected())
        database_->GetQueryDefSQLText(name, queryDefSQLText_);
    queryDefName_ = name;
    if (name.isEmpty())
        return;
    sql_.Clear();
    queryDefParameters_.Clear();
    masterFieldList_.Clear();
    detailFieldList_.Clear();
    masterFields_.Clear();
    EmptyFieldInfo();
    if (tableType_ == dao::dbOpenTable || tableType_ == dao::dbOpenDynamic)
        tableType_ = dao::dbOpenDynaset;
}

QString TDaoTable::QueryDefType() const
{
    if (!database_ || !database_->Connected() || queryDefName_.isEmpty() || !database_->DatabaseObject())
        return QString();
    try {
        return QueryDefTypeName(database_->DatabaseObject()->QueryDefs().Item(queryDefName_)->Type());
    } catch (const Exception&) {
        return QString();
    }
}

void TDaoTable::SetTableType(int value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_TableType: Cannot set TableType while Table is active!");
    if (value == dao::dbOpenTable)
        sortedBy_.Clear();
    else
        indexDefs_->Clear();
    if (value == dao::dbOpenForwardOnly)
        sortedBy_.Clear();
    tableType_ = value;
}

void TDaoTable::SetLockType(int value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_LockType: Cannot set LockType while Table is active!");
    lockType_ = value;
}

void TDaoTable::SetOpenOptions(TOOSet options)
{
    const TOOSet old = openOptions_;
    ReopenAfterChange([&] { openOptions_ = options; }, [&] { openOptions_ = old; });
}

void TDaoTable::SetReadOnly(bool value)
{
    if (Active())
        Refuse("TDaoTable.F_Set_ReadOnly: Cannot set ReadOnly while table is Active!");
    readOnly_ = value || (database_ && database_->Connected() && database_->ReadOnly());
}

bool TDaoTable::LockEdits() const
{
    if (!Active() || !recordsetOpen_ || !recordset_ || !database_)
        return false;
    if (database_->DatabaseType() == QLatin1String("ODBC") || database_->ReadOnly() || readOnly_)
        return false;
    if (tableType_ != dao::dbOpenTable && tableType_ != dao::dbOpenDynaset)
        return false;
    return recordset_->LockEdits();
}

void TDaoTable::SetIndexName(const QString& name)
{
    if (!name.isEmpty() && tableType_ != dao::dbOpenTable)
        Refuse("TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!");
    if (tableType_ == dao::dbOpenTable && (!name.isEmpty() || Active()))
        sortedBy_.Clear();
    if (Active() && recordsetOpen_ && tableType_ == dao::dbOpenTable) {
        recordset_->SetIndex(name);
        indexName_ = name;
        CheckBrowseMode();
        ClearBuffers();
        rows_.CountChanged();
        ActivateBuffers();
        First();
        return;
    }
    indexName_ = name;
}

int TDaoTable::IndexFieldCount() const
{
    if (tableType_ != dao::dbOpenTable || !database_ || !database_->Connected() || tableName_.isEmpty()
        || indexName_.isEmpty() || !database_->DatabaseObject())
        return 0;
    try {
        return database_->DatabaseObject()->TableDefs().Item(tableName_)->Indexes().Item(indexName_)->Fields().Count();
    } catch (const Exception&) {
        return 0;
    }
}

void TDaoTable::SetSortedBy(const TStrings& lines)
{
    TStringList old(sortedBy_);
    ReopenAfterChange([&] { sortedBy_.Assign(lines); }, [&] { sortedBy_.Assign(old); });
}

void TDaoTable::SetSortedByText(const QString& text)
{
    TStringList lines;
    lines.SetText(text);
    SetSortedBy(lines);
}

void TDaoTable::SetFilterText(const QString& text)
{
    const QString old = filter_;
    if (recordsetOpen_ && Filtered())
        ReopenAfterChange([&] { filter_ = text; }, [&] { filter_ = old; });
    else
        filter_ = text;
    TDataSet::SetFilterText(text);
}

void TDaoTable::SetFiltered(bool value)
{
    const bool old = Filtered();
    if (value == old || !recordsetOpen_) {
        TDataSet::SetFiltered(value);
        return;
    }
    ReopenAfterChange([&] { TDataSet::SetFiltered(value); }, [&] { TDataSet::SetFiltered(old); });
}

void TDaoTable::SetOnFilterRecord(TFilterRecordEvent handler)
{
    TFilterRecordEvent old = OnFilterRecord;
    if (recordsetOpen_ && Filtered())
        ReopenAfterChange([&] { OnFilterRecord = handler; }, [&] { OnFilterRecord = old; });
    else
        OnFilterRecord = std::move(handler);
}

void TDaoTable::CloseOpenFirst()
{
    if (!recordsetOpen_ || IsLoading())
        return;
    Close();
    Open();
    First();
}

void TDaoTable::SetCacheMemos(bool value)
{
    cacheMemos_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetCacheBlobs(bool value)
{
    cacheBlobs_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetCacheLookups(bool value)
{
    cacheLookups_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetShowGUID(bool value)
{
    showGUID_ = value;
    CloseOpenFirst();
}

void TDaoTable::SetEncrypter(TComponent* encrypter)
{
    if (encrypter_ == encrypter)
        return;
    if (encrypter_)
        RemoveFreeNotification(encrypter_);
    encrypter_ = encrypter;
    if (encrypter)
        FreeNotification(encrypter);
    CloseOpenFirst();
}

// A stamp of the table, or of the saved query the dataset opens; empty when there is none.
QString TDaoTable::SourceStamp(TVariant (dao::Recordset::*ofTable)() const,
                               TVariant (dao::QueryDef::*ofQuery)() const) const
{
    if (!recordsetOpen_ || !recordset_)
        return QString();
    try {
        TVariant v;
        if (tableType_ == dao::dbOpenTable)
            v = (recordset_.get()->*ofTable)();
        else if (!queryDefName_.isEmpty() && database_ && database_->DatabaseObject())
            v = (database_->DatabaseObject()->QueryDefs().Item(queryDefName_).get()->*ofQuery)();
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
    batchMode_ = value;
    if (!value)
        posting_ = false;
    if (value) {
        BeginBatchWrites();
        DisableControls();
        return;
    }
    EndBatchWrites();
    EnableControls();
    if (Active())
        Resync(TResyncMode());
    if (useGetRecNo_ && Active())
        (void)RecNo();
}

dao::Database* TDaoTable::ConnectedDatabase() const
{
    return database_ && database_->Connected() ? database_->DatabaseObject() : nullptr;
}

// The writes of a batch go to the engine as one transaction, unless one is open already.
void TDaoTable::BeginBatchWrites()
{
    dao::Database* db = ConnectedDatabase();
    if (batchTransaction_ || !db || db->InTransaction() || !db->Updatable())
        return;
    db->BeginTrans();
    batchTransaction_ = true;
}

void TDaoTable::EndBatchWrites()
{
    if (!batchTransaction_)
        return;
    batchTransaction_ = false;
    dao::Database* db = ConnectedDatabase();
    if (db && db->InTransaction())
        db->CommitTrans();
}

// A write of the batch failed: none of the batch is kept; what follows is a batch of its own.
void TDaoTable::AbandonBatchWrites()
{
    if (!batchTransaction_)
        return;
    batchTransaction_ = false;
    dao::Database* db = ConnectedDatabase();
    if (db && db->InTransaction())
        db->Rollback();
    if (batchMode_)
        BeginBatchWrites();
}

void TDaoTable::GetLastDaoError(TDaoErrorRecord& record)
{
    if (database_ && database_->Connected())
        database_->GetLastDaoError(record);
}

// --- opening -----------------------------------------------------------------------------------------

void TDaoTable::ConnectDatabase()
{
    if (database_->Connected())
        return;
    if (!databaseAutoActivate_)
        Refuse("TDaoTable.OpenDaoRecordset: Database is NOT connected");
    database_->SetConnected(true);
}

void TDaoTable::ApplyQueryDefParameters(const char* failureMessage)
{
    try {
        auto query = database_->DatabaseObject()->QueryDefs().Item(queryDefName_);
        int line = 0;
        dao::Parameters& parameters = query->Parameters();
        for (int i = 0; i < parameters.Count(); ++i) {
            const auto& parameter = parameters.Item(i);
            if (parameter->Direction() != dao::dbParamInput && parameter->Direction() != dao::dbParamInputOutput)
                continue;
            if (line >= queryDefParameters_.Count())
                Refuse(failureMessage);
            const QString text = queryDefParameters_.Get(line++);
            parameter->SetValue(text == QLatin1String("NULL") ? TVariant::Null() : TVariant(text));
        }
    } catch (const Exception&) {
        Refuse(failureMessage);
    }
}

bool TDaoTable::SourceIsTable() const { return !tableName_.isEmpty() && sql_.Count() == 0 && queryDefName_.isEmpty(); }

std::shared_ptr<dao::Recordset> TDaoTable::OpenSourceRecordset()
{
    dao::Database* db = database_->DatabaseObject();
    if (!queryDefName_.isEmpty()) {
        ApplyQueryDefParameters("TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not "
                                "in valid format!");
        database_->GetQueryDefSQLText(queryDefName_, queryDefSQLText_);
        auto query = db->QueryDefs().Item(queryDefName_);
        query->SetMaxRecords(queryDefODBCMaxRecords_);
        if (database_->QueryTimeout() != 60)
            query->SetODBCTimeout(database_->QueryTimeout());
        return query->OpenRecordset(tableType_, optionWord_ | dao::dbDeferRows, lockType_);
    }
    QString source = tableName_;
    if (sql_.Count() > 0) {
        if (MasterSource())
            MasterValuesToParams();
        source = SubstituteParams(sql_);
    }
    return db->OpenRecordset(source, tableType_, optionWord_ | dao::dbDeferRows, lockType_);
}

void TDaoTable::ApplySortAndFilter()
{
    if (sortedBy_.Count() > 0) {
        sortText_ = SortTextOf(sortedBy_);
        recordset_->SetSort(sortText_);
        auto sorted = recordset_->OpenRecordset(tableType_, optionWord_ | dao::dbDeferRows);
        recordset_->Close();
        recordset_ = sorted;
    }
    if (Filtered() && !filter_.isEmpty()) {
        recordset_->SetFilter(filter_);
        auto filtered = recordset_->OpenRecordset(tableType_, optionWord_ | dao::dbDeferRows);
        recordset_->Close();
        recordset_ = filtered;
    }
}

void TDaoTable::BuildFieldLists()
{
    dao::Fields& fields = recordset_->Fields();
    const int count = fields.Count();
    fieldUpdatable_.assign(size_t(count), true);
    fieldDefaults_ = QStringList();
    for (int i = 0; i < count; ++i)
        fieldDefaults_ << QString();
    if (readOnly_ || !useDaoProperties_)
        return;
    const bool jet = database_->EngineType() == dao::dbUseJet;
    for (int i = 0; i < count; ++i) {
        const auto& field = fields.Item(i);
        const int attributes = field->Attributes();
        fieldUpdatable_[size_t(i)] = (attributes & dao::dbUpdatableField) && !(attributes & dao::dbAutoIncrField)
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
        fieldDefaults_[i] = text;
    }
}

void TDaoTable::FillFieldObjects()
{
    dao::Fields& fields = recordset_->Fields();
    fieldObjects_.assign(size_t(fields.Count()), nullptr);
    fieldEngineTypes_.assign(size_t(fields.Count()), 0);
    for (int i = 0; i < fields.Count(); ++i) {
        fieldObjects_[size_t(i)] = fields.Item(i);
        fieldEngineTypes_[size_t(i)] = fields.Item(i)->Type();
    }
}

void TDaoTable::ResetCursorCounters() { rows_.Reset(); }

void TDaoTable::OpenDaoRecordset()
{
    if (!database_)
        Refuse("TDaoTable.OpenDaoRecordset: Missing Database Property");
    if (tableName_.isEmpty() && sql_.Count() == 0 && queryDefName_.isEmpty())
        Refuse("TDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!");
    ConnectDatabase();
    if (tableType_ == dao::dbOpenDynamic && database_->DatabaseType() != QLatin1String("ODBC"))
        Refuse("TDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!");
    if (database_->ReadOnly() || tableType_ == dao::dbOpenForwardOnly || tableType_ == dao::dbOpenSnapshot)
        readOnly_ = true;
    optionWord_ = OptionWord(openOptions_);
    if (baseRecordset_) {
        try {
            baseRecordset_->Close();
        } catch (const Exception&) {
        }
        baseRecordset_.reset();
    }
    sortText_.clear();
    recordset_ = OpenSourceRecordset();
    try {
        database_->Idle();
        if (!recordset_->Updatable())
            readOnly_ = true;
        bookmarkable_ = recordset_->Bookmarkable();
        rows_.ForgetBookmarks();
        database_->RefreshDefinitions();
        if (!indexName_.isEmpty()) {
            try {
                recordset_->SetIndex(indexName_);
            } catch (const Exception&) {
            }
        }
        BuildFieldLists();
        // Each step opens the next recordset from the one before; only the last reads rows.
        ApplySortAndFilter();
        ApplyMasterLink();
        recordset_->ReadRows();
        FillFieldObjects();
        ResetCursorCounters();
        database_->Idle();
    } catch (...) {
        CloseDaoRecordset();
        throw;
    }
}

void TDaoTable::CloseDaoRecordset()
{
    for (auto& field : fieldObjects_)
        field.reset();
    if (recordset_) {
        try {
            recordset_->Close();
        } catch (const Exception&) {
        }
    }
}

void TDaoTable::SetUpOpenFields()
{
    const bool savedInactive = masterInactive_;
    masterInactive_ = true;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        TFieldDef* def = FieldDefs().Items(i);
        TField* field = def->Field();
        if (!field)
            continue;
        if (size_t(i) < fieldUpdatable_.size() && !fieldUpdatable_[size_t(i)])
            field->SetReadOnly(true);
        QString expression = field->DefaultExpression();
        if (!expression.isEmpty() && i < fieldDefaults_.size()) {
            if (expression.startsWith(QLatin1Char('\'')))
                expression.remove(0, 1);
            if (expression.endsWith(QLatin1Char('\'')))
                expression.chop(1);
            fieldDefaults_[i] = expression;
        }
        if (field->DataType() == ftDateTime)
            field->SetDisplayWidth(20);
        if (field->DataType() == ftMemo && cacheMemos_) {
            field->SetDisplayWidth(30);
            field->OnGetText = [this](TField* f, QString& text, bool) {
                text = FieldText(GetActiveRecordBuffer(), f->FieldNo() - 1).section(QLatin1Char('\r'), 0, 0);
            };
        }
        if (field->DataType() == ftBytes && def->Precision() == daorecord::kGuidMarker) {
            field->SetValidChars(QStringLiteral("-0123456789ABCDEFabcdef{}"));
            if (showGUID_) {
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
    masterInactive_ = savedInactive;
}

void TDaoTable::LookUpEncrypter()
{
    encrypterValid_ = false;
    if (!encrypter_)
        return;
    const QMetaObject* meta = encrypter_->metaObject();
    encrypterValid_ = meta->indexOfProperty("EncodedString") >= 0 && meta->indexOfProperty("DecodedString") >= 0;
}

void TDaoTable::RegisterWithDatabase()
{
    if (database_->OpenTables().IndexOfObject(this) < 0)
        database_->OpenTables().AddObject(Name(), this);
    if (database_->TrackTransactions() && database_->GetTransactionCount() > 0)
        database_->AddTableToTransaction(Name(), 1);
    database_->Idle();
}

void TDaoTable::InternalOpen()
{
    OpenDaoRecordset();
    try {
        if (Name().isEmpty())
            SetName(QStringLiteral("DaoTable_") + QString::number(GetTickCount()));
        initingFromOpen_ = true;
        try {
            InitFieldDefs();
        } catch (...) {
            initingFromOpen_ = false;
            throw;
        }
        initingFromOpen_ = false;
        if (DefaultFields() || FieldCount() == 0)
            CreateFields();
        if (cacheLookups_)
            for (TField* field : Fields())
                if (field->Lookup())
                    field->SetLookupCache(true);
        BindFields(true);
        if (useCaptions_)
            for (int i = 0; i < FieldDefs().Count() && i < fieldCaptions_.size(); ++i)
                if (TField* field = FieldDefs().Items(i)->Field())
                    field->SetDisplayLabel(fieldCaptions_.at(i));
        SetBookmarkSize(bookmarkable_ ? 4 : 0);
        recordSize_ = GetRecordSize();
        SetUpOpenFields();
        AllocRangeBuffers();
        LookUpEncrypter();
        recordsetOpen_ = true;
        if (tableType_ == dao::dbOpenTable) {
            try {
                (void)recordset_->RecordCount();
            } catch (const Exception&) {
            }
        }
        InternalFirst();
        RegisterWithDatabase();
    } catch (...) {
        recordsetOpen_ = false;
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
        CloseDaoRecordset();
        throw;
    }
}

void TDaoTable::InternalClose()
{
    if (!recordsetOpen_)
        return;
    EndBatchWrites();
    if (State() == dsEdit && recordset_) {
        try {
            recordset_->CancelUpdate();
        } catch (const Exception&) {
        }
    }
    recordsetOpen_ = false;
    optionWord_ = 0;
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    CloseDaoRecordset();
    if (baseRecordset_) {
        try {
            baseRecordset_->Close();
        } catch (const Exception&) {
        }
        baseRecordset_.reset();
    }
    recordset_.reset();
    if (!closingByDatabase_ && database_) {
        const int i = database_->OpenTables().IndexOfObject(this);
        if (i >= 0)
            database_->OpenTables().Delete(i);
    }
    closingByDatabase_ = false;
    FreeRecordBuffer(oldValues_);
    FreeRangeBuffers();
}

void TDaoTable::CloseByDatabase()
{
    closingByDatabase_ = true;
    try {
        Close();
    } catch (...) {
        closingByDatabase_ = false;
        throw;
    }
    closingByDatabase_ = false;
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
    if (!recordsetOpen_)
        return;
    try {
        RestartRecordset();
    } catch (...) {
        // Never left open over a recordset that is gone.
        if (!recordset_ || !recordset_->IsOpen()) {
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
    if (!recordsetOpen_)
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
    if (!recordsetOpen_ || !recordset_ || !recordset_->Restartable())
        return false;
    if (!queryDefName_.isEmpty()) {
        ApplyQueryDefParameters(
            "TDaoTable.Requery: Invalid number of QueryDef parameters or parameter is not in valid format!");
        // The engine's recordset keeps the values it was opened with; a fresh one takes the new ones.
        rows_.ForgetBookmarks();
        ReopenDaoRecordset();
        return true;
    }
    if (!MasterSource() || masterInactive_) {
        RequeryRecordset();
    } else {
        ReopenForMaster();
    }
    return true;
}

void TDaoTable::RequeryIfRestartable()
{
    if (!recordsetOpen_ || !recordset_ || !recordset_->Restartable())
        return;
    RequeryRecordset();
}

// Runs the engine recordset's query again and stands on its first row; bookmarks and record
// numbers of the old rows no longer hold.
void TDaoTable::RequeryRecordset()
{
    const dao::SharedRead read(ConnectedDatabase());
    CheckBrowseMode();
    rows_.ForgetBookmarks();
    ClearBuffers();
    recordset_->Requery();
    rows_.CountChanged();
    rows_.SetCurrent(-1);
    ActivateBuffers();
    First();
}

int TDaoTable::ExecSQL(const TStrings& lines)
{
    if (!database_ || !database_->Connected() || !database_->DatabaseObject())
        Refuse("TDaoTable.ExecSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
    database_->DatabaseObject()->Execute(SubstituteParams(lines), execOptions_);
    return database_->DatabaseObject()->RecordsAffected();
}

int TDaoTable::ExecuteSQL()
{
    if (!database_ || !database_->Connected() || !database_->DatabaseObject())
        Refuse("TDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
    database_->DatabaseObject()->Execute(SubstituteParams(sql_), execOptions_);
    return database_->DatabaseObject()->RecordsAffected();
}

QString TDaoTable::SubstituteParams(const TStrings& lines) const
{
    QString text = JoinLines(lines);
    if (!paramCheck_)
        return text;
    for (int i = 0; i < params_->Count(); ++i) {
        const TParam* param = params_->Items(i);
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
    if (!useGetRecNo_)
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
    definitionFields_.clear();
    fieldCaptions_.clear();
    const bool openHere = !initingFromOpen_ && !recordsetOpen_;
    if (openHere)
        OpenDaoRecordset();
    try {
        const bool jet = database_ && database_->EngineType() == dao::dbUseJet;
        if (size_t(fieldDefaults_.size()) < fieldObjects_.size())
            while (size_t(fieldDefaults_.size()) < fieldObjects_.size())
                fieldDefaults_ << QString();
        for (size_t i = 0; i < fieldObjects_.size(); ++i) {
            const auto& field = fieldObjects_[i];
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
                    fieldDefaults_[int(i)].clear();
            }
            const bool required = !readOnly_ && useDaoProperties_ && field->Required();
            TFieldDef* def = FieldDefs().Add(name, FieldTypeOfCode(code), SizedCode(code) ? size : 0, required);
            if (def->DataType() == ftBlob)
                fieldDefaults_[int(i)].clear();
            const TVariant caption = field->Property(QStringLiteral("Caption"));
            fieldCaptions_ << (useCaptions_ && !caption.IsEmpty() ? caption.AsString() : name);
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
    indexDefs_->Clear();
    if (tableName_.isEmpty() || tableType_ != dao::dbOpenTable || !database_ || database_->EngineType() == dao::dbUseODBC
        || !database_->DatabaseObject())
        return;
    auto table = database_->DatabaseObject()->TableDefs().Item(tableName_);
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
        TIndexDef* def = indexDefs_->Add(index->Name(), names.join(QLatin1Char(';')), options);
        if (def)
            def->SetDescFields(descending.join(QLatin1Char(';')));
    }
}

QString TDaoTable::FindIndexForFields(const QString& fields) const
{
    QString result;
    if (indexDefs_->Count() == 0 || tableType_ != dao::dbOpenTable || fields.isEmpty())
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
    for (int i = 0; i < indexDefs_->Count(); ++i) {
        const TIndexDef* def = indexDefs_->Items(i);
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
    if (rs.Bof() || rs.Eof() || !bookmarkable_)
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
    if ((rs.Bof() && rs.Eof()) || !bookmarkable_)
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
    return recordset_ && recordset_->EditMode() == dao::dbEditInProgress && ReadBookmark(*recordset_) == key;
}

bool TDaoTable::GotoRecordKey(qint32 key)
{
    if (key == 0 || !recordset_)
        return false;
    QByteArray bookmark(4, '\0');
    qToLittleEndian<qint32>(key, bookmark.data());
    try {
        recordset_->SetBookmark(bookmark);
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
    fetched = !IsBlobKind(type) || (type == ftMemo && cacheMemos_) || (type != ftMemo && cacheBlobs_);
    if (!fetched) {
        const int size = fieldObjects_[size_t(index)]->FieldSize();
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
    if (definitionFieldsGeneration_ != Fields().Generation() || definitionFields_.size() != count) {
        definitionFields_.resize(count);
        for (size_t i = 0; i < count; ++i)
            definitionFields_[i] = FieldDefs().Items(int(i))->Field();
        definitionFieldsGeneration_ = Fields().Generation();
    }
    return definitionFields_;
}

bool TDaoTable::FetchRecord(TRecordBuffer buffer)
{
    // No engine Idle per row: the recordset refreshes its cache with every window it reads,
    // and an Idle per row costs a file-lock round trip each.
    TDaoRecordHeader* header = Header(buffer);
    header->key = bookmarkable_ ? ReadBookmark(*recordset_) : 0;
    header->recNo = rows_.Current();
    header->flag = quint8(bfCurrent);
    TDaoRecordTexts& texts = *header->texts;
    const std::vector<TField*>& fields = DefinitionFields();
    const size_t count = fields.size();
    texts.Resize(count);
    for (size_t i = 0; i < count && i < fieldObjects_.size(); ++i) {
        const TField* field = fields[i];
        if (!field)
            continue;
        try {
            bool fetched = false;
            const TFieldType type = field->DataType();
            const bool wanted = !IsBlobKind(type) || (type == ftMemo && cacheMemos_) || (type != ftMemo && cacheBlobs_);
            static const TVariant notFetched;
            // Read in place: the value is copied once, into the row's texts or its text.
            const TVariant& value = wanted ? fieldObjects_[i]->CurrentValue() : notFetched;
            const bool decoded = encrypterValid_ && (type == ftString || IsBlobKind(type));
            if (wanted && !decoded && daorecord::KeptAsValue(value.Type())) {
                texts.SetValue(i, value);
            } else {
                QString text = ValueToText(field, value, fetched, int(i));
                if (fetched && decoded) {
                    encrypter_->setProperty("EncodedString", text);
                    text = encrypter_->property("DecodedString").toString();
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
    rows_.BeforeFirst();
    if (!recordset_ || (recordset_->Bof() && recordset_->Eof()) || tableType_ == dao::dbOpenForwardOnly)
        return;
    try {
        recordset_->MoveFirst();
        recordset_->MovePrevious();
    } catch (const Exception&) {
    }
}

void TDaoTable::InternalLast()
{
    if (!recordset_ || (recordset_->Bof() && recordset_->Eof())) {
        rows_.SetCurrent(-1);
        return;
    }
    try {
        if (tableType_ == dao::dbOpenForwardOnly) {
            if (!recordset_->Eof()) {
                // Before the first fetch the first row stands uncounted; it is passed too.
                int passed = std::max(rows_.Passed(), 0);
                while (!recordset_->Eof()) {
                    recordset_->MoveNext();
                    ++passed;
                }
                // The step onto EOF passes no row: the number is the last row's.
                rows_.SetPassed(passed - 1);
            }
            rows_.SetCurrent(rows_.Passed());
            return;
        }
        const int former = rows_.Current();
        recordset_->MoveLast();
        recordset_->MoveNext();
        rows_.SetCurrent(recordset_->RecordCount());
        if (tableType_ == dao::dbOpenTable && (rows_.Current() > rows_.Highest() || rows_.Current() < former)) {
            rows_.SetCurrent(CheckedTableCount());
            rows_.SetHighest(rows_.Current());
        }
        rows_.RaiseHighest();
    } catch (const EDaoError&) {
    }
}

int TDaoTable::CheckedTableCount()
{
    // A table's header count is checked against a full count of its rows.
    const int header = recordset_->RecordCount();
    auto snapshot = recordset_->OpenRecordset(dao::dbOpenSnapshot);
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
    if (rows != header && warnOnBadDatabase_)
        DatabaseError(QStringLiteral("Database %1 needs to be repaired and compacted!").arg(database_->Database()));
    return rows;
}

TGetResult TDaoTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck)
{
    if (!recordset_)
        return grError;
    const bool forwardOnly = tableType_ == dao::dbOpenForwardOnly;
    // While a batch posts with controls off, the window is not refilled row by row.
    if (ControlsDisabled() && posting_ && batchMode_ && mode != gmCurrent && !(Filtered() && OnFilterRecord))
        return grEOF;
    // A pending engine edit is finished before the cursor reads other rows.
    if (State() == dsInsert) {
        if (!(recordset_->Bof() && recordset_->Eof()))
            CheckBrowseMode();
        return grError;
    }
    if (State() == dsEdit) {
        if (recordset_->EditMode() == dao::dbEditInProgress)
            CheckBrowseMode();
        return grError;
    }
    for (;;) {
        TGetResult result = grOK;
        switch (mode) {
        case gmNext:
            if (!(forwardOnly && rows_.Current() == -1) && !recordset_->Eof())
                recordset_->MoveNext();
            if (recordset_->Eof()) {
                result = grEOF;
            } else {
                rows_.StepForward();
            }
            break;
        case gmPrior:
            if (forwardOnly)
                return grBOF;
            if (!recordset_->Bof())
                recordset_->MovePrevious();
            if (recordset_->Bof()) {
                result = grBOF;
            } else {
                rows_.StepBack();
            }
            break;
        case gmCurrent:
            if (recordset_->Bof())
                result = grBOF;
            else if (recordset_->Eof())
                result = grEOF;
            break;
        }
        rows_.Fetched(result == grEOF);
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
        if ((rangeActive_ && !RecordInRange(buffer)) || (Filtered() && OnFilterRecord && !RecordFilterAccepts(buffer))) {
            if (mode == gmCurrent)
                return grError;
            continue;
        }
        return grOK;
    }
}

void TDaoTable::InternalSetToRecord(TRecordBuffer buffer)
{
    if (!buffer || !recordset_ || (recordset_->Bof() && recordset_->Eof()))
        return;
    const TDaoRecordHeader* header = Header(buffer);
    if (header->flag != quint8(bfCurrent) && header->flag != quint8(bfInserted))
        return;
    if (header->flag == quint8(bfInserted) && header->key == 0)
        return;
    const int former = rows_.Current();
    rows_.SetCurrent(header->recNo);
    if (tableType_ == dao::dbOpenForwardOnly || State() == dsSetKey)
        return;
    if (!bookmarkable_) {
        MoveToRecNo(former);
        return;
    }
    if (header->key == 0 || State() == dsEdit || State() == dsInsert) {
        if (bookmarkable_ && header->key != 0 && !EngineEditsRow(header->key))
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
        recordset_->MoveFirst();
        if (rows_.Current() != 0)
            recordset_->Move(rows_.Current());
    };
    try {
        if (rangeActive_ || (Filtered() && OnFilterRecord))
            fromFirst();
        else if (rows_.Current() != former)
            recordset_->Move(rows_.Current() - former);
    } catch (const EDaoError&) {
        fromFirst();
    }
}

void TDaoTable::InternalGotoBookmark(const char* bookmark)
{
    if (!recordsetOpen_ || !recordset_)
        Refuse("TDaoTable.InternalGotoBookmark: Cannot goto Bookmark - Table is not Active");
    if (!bookmark)
        Refuse("Invalid Bookmark!");
    if (recordset_->Bof() && recordset_->Eof())
        return;
    const qint32 key = qFromLittleEndian<qint32>(bookmark);
    if (!bookmarkable_ || key == 0)
        Refuse("Bookmarks are not supported!");
    const std::optional<int> recNo = rows_.RecNoOf(key);
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
    rows_.SetCurrent(*recNo);
}

void TDaoTable::SetBookmarkStr(const TBookmarkStr& value)
{
    if (value.isEmpty() || !bookmarkable_ || IsEmpty())
        return;
    InternalGotoBookmark(value.constData());
    Resync(rmExact | rmCenter);
}

TBookmarkStr TDaoTable::GetBookmarkStr()
{
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!bookmarkable_ || !buffer)
        return TBookmarkStr(BookmarkSize(), '\0');
    TBookmarkStr bookmark(4, '\0');
    GetBookmarkData(buffer, bookmark.data());
    return bookmark;
}

bool TDaoTable::BookmarkValid(const TBookmark& bookmark)
{
    if (!recordsetOpen_ || bookmark.size() < 4 || !recordset_ || !bookmarkable_ || IsEmpty())
        return false;
    const qint32 key = qFromLittleEndian<qint32>(bookmark.constData());
    if (key == 0 || !rows_.Knows(key))
        return false;
    // Tried on a clone so the cursor stays where it is.
    try {
        auto probe = recordset_->Clone();
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
    if (!bookmarkable_) {
        qToLittleEndian<qint32>(0, data);
        return;
    }
    const TDaoRecordHeader* header = Header(buffer);
    qToLittleEndian<qint32>(header->key, data);
    if (header->key == 0)
        return;
    rows_.Remember(header->recNo, header->key);
}

void TDaoTable::SetBookmarkData(TRecordBuffer buffer, const void* data)
{
    Header(buffer)->key = qFromLittleEndian<qint32>(data);
}

TBookmarkFlag TDaoTable::GetBookmarkFlag(TRecordBuffer buffer) { return TBookmarkFlag(Header(buffer)->flag); }

void TDaoTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    Header(buffer)->flag = quint8(flag);
    if ((flag == bfEOF || flag == bfInserted) && batchMode_ && ControlsDisabled())
        posting_ = true;
}

int TDaoTable::CountByWalking(TRecordBuffer until)
{
    // Walks the accepted rows from the first; stops at the row of `until` when given.
    const qint32 wanted = until ? Header(until)->key : 0;
    const int savedRec = rows_.Current();
    const qint32 back = until ? wanted : (recordset_ && bookmarkable_ ? ReadBookmark(*recordset_) : 0);
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
    rows_.SetCurrent(savedRec);
    if (back != 0)
        GotoRecordKey(back);
    CursorPosChanged();
    if (!until)
        rows_.Walked(count);
    return count;
}

int TDaoTable::GetRecNo()
{
    if (!recordsetOpen_ || !recordset_)
        return -1;
    TRecordBuffer buffer = GetActiveRecordBuffer();
    UpdateCursorPos();
    InternalSetToRecord(buffer);
    if (!useGetRecNo_)
        return -1;
    if (rows_.Current() < -1)
        rows_.MarkStale();
    if (tableType_ == dao::dbOpenForwardOnly)
        return rows_.Current() + 1;
    if (recordset_->Bof())
        return -1;
    if ((Filtered() && OnFilterRecord) || rangeActive_)
        return buffer && bookmarkable_ ? CountByWalking(buffer) : -1;
    if (rows_.Stale() && buffer) {
        RecomputeRecNo(buffer);
    } else if (tableType_ == dao::dbOpenDynaset || tableType_ == dao::dbOpenSnapshot
               || tableType_ == dao::dbOpenDynamic) {
        const int position = recordset_->AbsolutePosition();
        if (position >= 0)
            rows_.SetCurrent(position);
    }
    return rows_.Current() + 1;
}

void TDaoTable::RecomputeRecNo(TRecordBuffer buffer)
{
    TDaoRecordHeader* header = Header(buffer);
    rows_.SetCurrent(-1);
    if (tableType_ == dao::dbOpenDynaset || tableType_ == dao::dbOpenSnapshot || tableType_ == dao::dbOpenDynamic) {
        rows_.SetCurrent(recordset_->AbsolutePosition());
    } else {
        bool moved = false;
        try {
            recordset_->MoveNext();
            moved = true;
            if (recordset_->Eof())
                rows_.SetCurrent(recordset_->RecordCount() - 1);
        } catch (const EDaoError&) {
        }
        if (moved)
            recordset_->MovePrevious();
        if (rows_.Current() == -1) {
            if (bookmarkable_) {
                const qint32 key = header->key != 0 ? header->key : ReadLastModified(*recordset_);
                auto clone = recordset_->Clone();
                rows_.SetCurrent(RecNoByPosition(*clone, key));
                clone->Close();
            } else {
                while (!recordset_->Bof()) {
                    recordset_->MovePrevious();
                    rows_.SetCurrent(rows_.Current() + 1);
                }
            }
        }
        header->recNo = rows_.Current();
        if (bookmarkable_ && header->key != 0) {
            GotoRecordKey(header->key);
        } else {
            recordset_->MoveFirst();
            if (rows_.Current() > 0)
                recordset_->Move(rows_.Current());
        }
    }
    if (rows_.Current() >= 0)
        header->recNo = rows_.Current();
    rows_.Recomputed();
}

void TDaoTable::SetRecNo(int value)
{
    CheckBrowseMode();
    if (!recordsetOpen_ || !recordset_ || value < 1)
        return;
    CursorPosChanged();
    DoBeforeScroll();
    if ((Filtered() && OnFilterRecord) || rangeActive_) {
        const int savedRec = rows_.Current();
        const qint32 back = bookmarkable_ ? ReadBookmark(*recordset_) : 0;
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
            rows_.SetCurrent(savedRec);
            if (back != 0)
                GotoRecordKey(back);
        }
    } else {
        rows_.SetCurrent(value - 1);
        recordset_->MoveFirst();
        if (rows_.Current() > 0)
            recordset_->Move(rows_.Current());
        if (recordset_->Eof()) {
            recordset_->MoveLast();
            rows_.SetCurrent(std::max(0, recordset_->AbsolutePosition()));
        }
    }
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDaoTable::GetRecordCount()
{
    if (!recordsetOpen_ || !recordset_)
        return -1;
    if (tableType_ == dao::dbOpenForwardOnly)
        return -1;
    if (const int kept = rows_.KeptCount(useRecordCount_); kept >= 0)
        return kept;
    if (recordset_->Bof() && recordset_->Eof()) {
        rows_.Counted(0);
        rows_.SetCurrent(-1);
        return 0;
    }
    if ((Filtered() && OnFilterRecord) || rangeActive_)
        return CountByWalking(TRecordBuffer(nullptr));
    int count = 0;
    if (tableType_ == dao::dbOpenTable) {
        count = recordset_->RecordCount();
        if (count > rows_.Highest()) {
            try {
                count = CheckedTableCount();
            } catch (const EDaoError&) {
            }
        }
    } else {
        // Counted on a clone, so the table's own position is not disturbed.
        try {
            auto counter = recordset_->Clone();
            count = TDaoRowNumbers::CountByMovingLast(*counter);
            counter->Close();
        } catch (const EDaoError&) {
        }
    }
    rows_.Counted(count);
    return count;
}

// --- field values ------------------------------------------------------------------------------------

bool TDaoTable::GetFieldData(TField* field, void* buffer)
{
    TRecordBuffer record = recordsetOpen_ ? GetActiveRecordBuffer() : nullptr;
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
    FreeRecordBuffer(oldValues_);
    oldValues_ = AllocRecordBuffer();
    if (TRecordBuffer active = GetActiveRecordBuffer(); active && active != buffer)
        GetCurrentRecord(oldValues_);
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    const int count = FieldDefs().Count();
    texts.Reset(size_t(count));
    const std::vector<TField*>& fields = DefinitionFields();
    for (int i = 0; i < count; ++i) {
        if (TField* field = fields[size_t(i)]) {
            QString expression = field->DefaultExpression();
            if (!expression.isEmpty() && i < fieldDefaults_.size()) {
                if (expression.startsWith(QLatin1Char('\'')))
                    expression.remove(0, 1);
                if (expression.endsWith(QLatin1Char('\'')))
                    expression.chop(1);
                fieldDefaults_[i] = expression;
                texts.mark[size_t(i)] = true;
            }
        }
        if (i < fieldDefaults_.size())
            texts.SetText(size_t(i), fieldDefaults_.at(i));
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
    FreeRecordBuffer(oldValues_);
    oldValues_ = AllocRecordBuffer();
    GetCurrentRecord(oldValues_);
    InternalSetToRecord(ActiveBuffer());
    for (;;) {
        try {
            if (recordset_->EditMode() != dao::dbEditInProgress)
                recordset_->Edit();
            break;
        } catch (const Exception& error) {
            if (recordset_->EditMode() != dao::dbEditInProgress) {
                try {
                    recordset_->Move(0);
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
    if (!encrypterValid_ || !encrypter_)
        return text;
    encrypter_->setProperty("DecodedString", text);
    return encrypter_->property("EncodedString").toString();
}

void TDaoTable::WriteMarkedFields(TRecordBuffer buffer)
{
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    for (int i = 0; i < FieldDefs().Count() && size_t(i) < fieldObjects_.size(); ++i) {
        if (size_t(i) >= texts.mark.size() || !texts.mark[size_t(i)])
            continue;
        if (size_t(i) < fieldUpdatable_.size() && !fieldUpdatable_[size_t(i)])
            continue;
        const TField* field = DefinitionFields()[size_t(i)];
        if (!field)
            continue;
        fieldObjects_[size_t(i)]->SetValue(TextToEngineValue(field, fieldEngineTypes_[size_t(i)], texts.Text(size_t(i))));
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
    rows_.Recomputed();
    TDataSet::InternalPost();
    CheckActive();
    TRecordBuffer buffer = ActiveBuffer();
    const bool inserting = State() == dsInsert;
    if (!inserting) {
        InternalSetToRecord(buffer);
        if (recordset_->EditMode() != dao::dbEditInProgress) {
            try {
                recordset_->Edit();
            } catch (const Exception&) {
                try {
                    recordset_->Move(0);
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
                recordset_->AddNew();
            WriteMarkedFields(buffer);
            recordset_->Update();
            break;
        } catch (const Exception& error) {
            const TDataAction action = AskErrorEvent(OnPostError, error);
            if (inserting) {
                if (recordset_->EditMode() == dao::dbEditAdd)
                    recordset_->CancelUpdate();
                if (action == daRetry)
                    continue;
            } else {
                if (action == daRetry) {
                    if (recordset_->EditMode() != dao::dbEditInProgress)
                        recordset_->Edit();
                    continue;
                }
                if (!recordset_->LockEdits() && recordset_->EditMode() == dao::dbEditInProgress)
                    recordset_->CancelUpdate();
                if (recordset_->EditMode() != dao::dbEditInProgress) {
                    try {
                        recordset_->Move(0);
                    } catch (const Exception&) {
                    }
                }
            }
            if (action == daAbort)
                throw EAbort();
            throw;
        }
    }
    rows_.Posted(inserting);
    // Stand on the row just written, so the window is read around it; its number comes from
    // the engine's position at once, so every buffer read around it is numbered right.
    if (bookmarkable_) {
        const bool jet = database_ && database_->EngineType() == dao::dbUseJet;
        const qint32 key = jet || !inserting ? ReadLastModified(*recordset_) : ReadBookmark(*recordset_);
        if (key != 0) {
            Header(buffer)->key = key;
            GotoRecordKey(key);
        }
        rows_.SetCurrent(std::max(0, recordset_->AbsolutePosition()));
    } else if (inserting) {
        try {
            InternalLast();
        } catch (const EDaoError&) {
        }
        rows_.SetCurrent(std::max(0, rows_.Current() - 1));
    }
    Header(buffer)->recNo = rows_.Current();
    FreeRecordBuffer(oldValues_);
    ClearBlobMarks();
    if (database_)
        database_->Idle();
    rows_.MarkStale();
}

void TDaoTable::Post()
{
    posting_ = true;
    try {
        TDataSet::Post();
    } catch (...) {
        posting_ = false;
        AbandonBatchWrites();
        throw;
    }
    posting_ = false;
    if (sortedBy_.Count() > 0 && refreshSorted_ && recordset_) {
        CheckBrowseMode();
        rows_.ForgetBookmarks();
        ClearBuffers();
        recordset_->Requery();
        rows_.CountChanged();
        InternalFirst();
        ActivateBuffers();
        First();
    }
}

void TDaoTable::InternalAddRecord(TRecordBuffer buffer, bool append)
{
    if (append) {
        InternalLast();
        SetBookmarkFlag(buffer, bfEOF);
    }
    recordset_->AddNew();
    try {
        WriteMarkedFields(buffer);
        recordset_->Update();
    } catch (...) {
        if (recordset_->EditMode() == dao::dbEditAdd)
            recordset_->CancelUpdate();
        throw;
    }
    rows_.CountChanged();
    if (database_)
        database_->Idle();
}

void TDaoTable::InternalCancel()
{
    posting_ = false;
    if (recordset_ && recordset_->EditMode() == dao::dbEditInProgress) {
        try {
            recordset_->CancelUpdate();
        } catch (const Exception&) {
        }
    }
    FreeRecordBuffer(oldValues_);
    ClearBlobMarks();
    if (database_)
        database_->Idle();
}

void TDaoTable::InternalDelete()
{
    TRecordBuffer buffer = ActiveBuffer();
    const qint32 recNo = buffer ? Header(buffer)->recNo : -1;
    InternalSetToRecord(buffer);
    for (;;) {
        try {
            recordset_->Delete();
            break;
        } catch (const Exception& error) {
            const auto* engine = dynamic_cast<const EDaoError*>(&error);
            const bool gone = engine && engine->Number() == dao::errRecordDeleted;
            const TDataAction action = AskErrorEvent(OnDeleteError, error);
            if (action == daRetry && OnDeleteError)
                continue;
            if (action == daAbort || (gone && !OnDeleteError)) {
                rows_.CountChanged();
                RefreshKeepPosition();
                return;
            }
            if (gone) {
                rows_.CountChanged();
                RefreshKeepPosition();
            }
            throw;
        }
    }
    // Only a delete that happened moves the numbers of the rows after it.
    if (recNo >= 0)
        rows_.Forget(recNo);
    if (database_)
        database_->Idle();
    rows_.CountChanged();
    // The only row deleted: nothing is left to stand on.
    const bool empty = recordset_->Bof() && recordset_->Eof();
    if (!empty && recordset_->Eof())
        recordset_->MoveLast();
    else if (!empty)
        recordset_->MoveNext();
    if (recordset_->Eof() && !(recordset_->Bof() && recordset_->Eof()))
        recordset_->MoveLast();
    rows_.SetCurrent((recordset_->Bof() || recordset_->Eof()) ? -1 : std::max(0, recordset_->AbsolutePosition()));
}

void TDaoTable::RefreshKeepPosition()
{
    rows_.CountChanged();
    try {
        Resync(rmExact | rmCenter);
        return;
    } catch (const Exception&) {
    }
    const int remembered = rows_.Current();
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
    rows_.CountChanged();
    if (!recordset_)
        return;
    if (database_)
        database_->Idle();
    if (!ControlsDisabled())
        RefreshKeepPosition();
}
