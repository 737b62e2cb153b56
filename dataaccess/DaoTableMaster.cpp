// The table dataset following a master dataset: the link pairs, the criteria for the master's
// current values, and the re-opening when the master moves.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/toolkit/Exceptions.h"

namespace {

const QString kPairSeparator = QStringLiteral(" -> ");

}  // namespace

void TDaoTable::SetMasterSource(TDataSource* source)
{
    if (source && IsLinkedTo(source))
        DatabaseError(QStringLiteral("Circular links not allowed!"));
    if (!source)
        d_->masterFields_.Clear();
    d_->masterLink_->SetDataSource(source);
    ReopenForLinkChange();
}

void TDaoTable::SetMasterFields(const TStrings& lines)
{
    d_->masterFields_.SetText(lines.Text());
    ReopenForLinkChange();
}

void TDaoTable::ReopenForLinkChange()
{
    if (Active())
        RestartRecordset();
}

void TDaoTable::ParseMasterFields(const TStrings& lines)
{
    d_->detailFieldList_.Clear();
    d_->masterFieldList_.Clear();
    if (lines.Count() == 1 && lines.Get(0).contains(QLatin1Char(';'))) {
        for (QString name : lines.Get(0).split(QLatin1Char(';'))) {
            name = name.trimmed();
            if (name.isEmpty())
                continue;
            d_->detailFieldList_.Add(name);
            d_->masterFieldList_.Add(name);
        }
    } else {
        for (int i = 0; i < lines.Count(); ++i) {
            const QString line = lines.Get(i);
            const int at = line.indexOf(kPairSeparator);
            if (at < 0)
                continue;
            d_->detailFieldList_.Add(line.left(at).trimmed());
            d_->masterFieldList_.Add(line.mid(at + kPairSeparator.size()).trimmed());
        }
    }
    d_->masterLink_->SetFieldNames(d_->masterFieldList_.ToStringList().join(QLatin1Char(';')));
}

QString TDaoTable::BuildMasterDetailCriteria() const
{
    if (d_->detailFieldList_.Count() != d_->masterFieldList_.Count())
        DatabaseError(QStringLiteral("The number of Master and Detail fields must be equal!"));
    const QString failure = QStringLiteral("Unable to build Master/Detail SQL Relationship!");
    TDataSet* master = d_->masterLink_->DataSet();
    QStringList terms;
    for (int i = 0; i < d_->detailFieldList_.Count(); ++i) {
        if (!master)
            DatabaseError(failure);
        const TField* field = master->FieldByName(d_->masterFieldList_.Get(i));
        terms << CriteriaTerm(d_->detailFieldList_.Get(i), d_->useBrackets_, MasterComparison(*field, failure));
    }
    return terms.join(QStringLiteral(" AND "));
}

QString TDaoTable::CombineCriteria(const QString& criteria) const
{
    const QString own = Filtered() ? d_->filter_ : QString();
    if (criteria.isEmpty())
        return own;
    if (own.isEmpty())
        return criteria;
    return QLatin1Char('(') + criteria + QStringLiteral(") AND (") + own + QLatin1Char(')');
}

void TDaoTable::MasterValuesToParams()
{
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == dsSetKey || !d_->paramCheck_ || d_->params_->IsEmpty())
        return;
    for (TField* field : master->Fields()) {
        TParam* param = d_->params_->FindParam(field->FieldName());
        if (!param)
            continue;
        if (param->DataType() == ftUnknown)
            param->AssignField(field);
        else
            param->SetValue(field->Value());
    }
}

void TDaoTable::ApplyMasterLink()
{
    TDataSource* source = MasterSource();
    d_->masterInactive_ = !source || !source->DataSet();
    if (d_->masterInactive_)
        return;
    // The pairs are read at every opening, so a master opened later is followed too.
    d_->applyingMasterLink_ = true;
    try {
        ParseMasterFields(d_->masterFields_);
        if (!source->DataSet()->Active() && d_->masterAutoActivate_)
            source->DataSet()->Open();
    } catch (...) {
        d_->applyingMasterLink_ = false;
        throw;
    }
    d_->applyingMasterLink_ = false;
    d_->masterInactive_ = !d_->masterLink_->Active();
    if (d_->masterInactive_ || !source->Enabled() || d_->detailFieldList_.Count() == 0)
        return;
    const QString criteria = CombineCriteria(BuildMasterDetailCriteria());
    if (SourceIsTable()) {
        QString text = QStringLiteral("Select * From [") + d_->tableName_ + QStringLiteral("] Where ") + criteria;
        if (!d_->sortText_.isEmpty())
            text += QStringLiteral(" Order By ") + d_->sortText_;
        text += QLatin1Char(';');
        auto fresh = d_->database_->DatabaseObject()->OpenRecordset(text, d_->tableType_, d_->optionWord_, d_->lockType_);
        d_->recordset_->Close();
        d_->recordset_ = fresh;
        return;
    }
    // A query or SQL source is restricted as it stands, never replaced by the table's rows.
    d_->recordset_->SetFilter(criteria);
    d_->baseRecordset_ = d_->recordset_;
    d_->recordset_ = d_->baseRecordset_->OpenRecordset(d_->tableType_, d_->optionWord_);
}

void TDaoTable::ReopenWithMasterCriteria()
{
    d_->rows_.ForgetBookmarks();
    if (!SourceIsTable() && !d_->baseRecordset_) {
        // Nothing to restrict in place: the source is opened afresh with the criteria.
        OpenDaoRecordset();
        return;
    }
    QString criteria = BuildMasterDetailCriteria();
    std::shared_ptr<dao::Recordset> fresh;
    if (SourceIsTable()) {
        QString text = QStringLiteral("Select * From [") + d_->tableName_ + QStringLiteral("] Where ")
                       + CombineCriteria(criteria);
        if (!d_->sortText_.isEmpty())
            text += QStringLiteral(" Order By ") + d_->sortText_;
        text += QLatin1Char(';');
        fresh = d_->database_->DatabaseObject()->OpenRecordset(text, d_->tableType_, d_->optionWord_, d_->lockType_);
    } else {
        d_->baseRecordset_->Requery();
        d_->baseRecordset_->SetFilter(criteria);
        fresh = d_->baseRecordset_->OpenRecordset(0, 9);
    }
    if (d_->recordset_) {
        try {
            d_->recordset_->Close();
        } catch (const Exception&) {
        }
    }
    d_->recordset_ = fresh;
    FillFieldObjects();
    ResetCursorCounters();
    try {
        (void)d_->recordset_->RecordCount();
    } catch (const Exception&) {
    }
    d_->database_->Idle();
}

void TDaoTable::MasterChanged()
{
    if (!Active() || d_->applyingMasterLink_)
        return;
    CheckBrowseMode();
    if (!d_->masterLink_->Active() || d_->masterLink_->FieldCount() == 0)
        return;
    if (d_->sql_.Count() > 0)
        MasterValuesToParams();
    ReopenForMaster();
}

void TDaoTable::MasterDisabled()
{
    if (d_->applyingMasterLink_)
        return;
    if (Active())
        CheckBrowseMode();
    d_->masterInactive_ = !d_->masterLink_->Active();
}

void TDaoTable::ReopenForMaster()
{
    if (IsDestroying())
        return;
    d_->masterInactive_ = !d_->masterLink_->Active();
    TDataSource* source = MasterSource();
    if (!source || d_->masterInactive_ || !source->Enabled() || source->State() == dsEdit || d_->masterFieldList_.Count() == 0)
        return;
    NoteInTransaction();
    const dao::SharedRead read(ConnectedDatabase());
    CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    if (d_->sql_.Count() > 0) {
        OpenDaoRecordset();
    } else {
        try {
            ReopenWithMasterCriteria();
        } catch (const Exception&) {
            OpenDaoRecordset();
        }
    }
    ActivateBuffers();
    First();
}

void TDaoTable::DoOnNewRecord()
{
    if (d_->masterLink_->Active() && d_->masterLink_->FieldCount() > 0)
        CopyMasterValues();
    TDataSet::DoOnNewRecord();
}

void TDaoTable::CopyMasterValues()
{
    const std::vector<TField*>& masters = d_->masterLink_->Fields();
    for (size_t i = 0; i < masters.size() && int(i) < d_->detailFieldList_.Count(); ++i)
        FieldByName(d_->detailFieldList_.Get(int(i)))->AssignValue(masters[i]);
}
