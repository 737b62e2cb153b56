// The table dataset's record source: opening and closing the engine recordset, re-opening it
// when a setting changes, re-querying, running SQL and substituting parameters.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/os/TickCount.h"
#include "platform/toolkit/Exceptions.h"

using daotable::Refuse;

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
            d_->fieldDefaults_[i] = daotable::UnquotedDefault(expression);
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
