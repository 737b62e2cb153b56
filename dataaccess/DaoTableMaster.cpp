// The table dataset following a master dataset: the link pairs, the criteria for the master's
// current values, and the re-opening when the master moves.

#include "dataaccess/DaoTable.h"

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
        masterFields_.Clear();
    masterLink_->SetDataSource(source);
    ReopenForLinkChange();
}

void TDaoTable::SetMasterFields(const TStrings& lines)
{
    masterFields_.SetText(lines.Text());
    ReopenForLinkChange();
}

void TDaoTable::ReopenForLinkChange()
{
    if (Active())
        RestartRecordset();
}

void TDaoTable::ParseMasterFields(const TStrings& lines)
{
    detailFieldList_.Clear();
    masterFieldList_.Clear();
    if (lines.Count() == 1 && lines.Get(0).contains(QLatin1Char(';'))) {
        for (QString name : lines.Get(0).split(QLatin1Char(';'))) {
            name = name.trimmed();
            if (name.isEmpty())
                continue;
            detailFieldList_.Add(name);
            masterFieldList_.Add(name);
        }
    } else {
        for (int i = 0; i < lines.Count(); ++i) {
            const QString line = lines.Get(i);
            const int at = line.indexOf(kPairSeparator);
            if (at < 0)
                continue;
            detailFieldList_.Add(line.left(at).trimmed());
            masterFieldList_.Add(line.mid(at + kPairSeparator.size()).trimmed());
        }
    }
    masterLink_->SetFieldNames(masterFieldList_.ToStringList().join(QLatin1Char(';')));
}

QString TDaoTable::BuildMasterDetailCriteria() const
{
    if (detailFieldList_.Count() != masterFieldList_.Count())
        DatabaseError(QStringLiteral("The number of Master and Detail fields must be equal!"));
    const QString failure = QStringLiteral("Unable to build Master/Detail SQL Relationship!");
    TDataSet* master = masterLink_->DataSet();
    QStringList terms;
    for (int i = 0; i < detailFieldList_.Count(); ++i) {
        if (!master)
            DatabaseError(failure);
        const TField* field = master->FieldByName(masterFieldList_.Get(i));
        terms << CriteriaTerm(detailFieldList_.Get(i), useBrackets_, MasterComparison(*field, failure));
    }
    return terms.join(QStringLiteral(" AND "));
}

QString TDaoTable::CombineCriteria(const QString& criteria) const
{
    const QString own = Filtered() ? filter_ : QString();
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
    if (!master || !master->Active() || master->State() == dsSetKey || !paramCheck_ || params_->IsEmpty())
        return;
    for (TField* field : master->Fields()) {
        TParam* param = params_->FindParam(field->FieldName());
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
    masterInactive_ = !source || !source->DataSet();
    if (masterInactive_)
        return;
    // The pairs are read at every opening, so a master opened later is followed too.
    applyingMasterLink_ = true;
    try {
        ParseMasterFields(masterFields_);
        if (!source->DataSet()->Active() && masterAutoActivate_)
            source->DataSet()->Open();
    } catch (...) {
        applyingMasterLink_ = false;
        throw;
    }
    applyingMasterLink_ = false;
    masterInactive_ = !masterLink_->Active();
    if (masterInactive_ || !source->Enabled() || detailFieldList_.Count() == 0)
        return;
    const QString criteria = CombineCriteria(BuildMasterDetailCriteria());
    if (SourceIsTable()) {
        QString text = QStringLiteral("Select * From [") + tableName_ + QStringLiteral("] Where ") + criteria;
        if (!sortText_.isEmpty())
            text += QStringLiteral(" Order By ") + sortText_;
        text += QLatin1Char(';');
        auto fresh = database_->DatabaseObject()->OpenRecordset(text, tableType_, optionWord_, lockType_);
        recordset_->Close();
        recordset_ = fresh;
        return;
    }
    // A query or SQL source is restricted as it stands, never replaced by the table's rows.
    recordset_->SetFilter(criteria);
    baseRecordset_ = recordset_;
    recordset_ = baseRecordset_->OpenRecordset(tableType_, optionWord_);
}

void TDaoTable::ReopenWithMasterCriteria()
{
    rows_.ForgetBookmarks();
    if (!SourceIsTable() && !baseRecordset_) {
        // Nothing to restrict in place: the source is opened afresh with the criteria.
        OpenDaoRecordset();
        return;
    }
    QString criteria = BuildMasterDetailCriteria();
    std::shared_ptr<dao::Recordset> fresh;
    if (SourceIsTable()) {
        QString text = QStringLiteral("Select * From [") + tableName_ + QStringLiteral("] Where ")
                       + CombineCriteria(criteria);
        if (!sortText_.isEmpty())
            text += QStringLiteral(" Order By ") + sortText_;
        text += QLatin1Char(';');
        fresh = database_->DatabaseObject()->OpenRecordset(text, tableType_, optionWord_, lockType_);
    } else {
        baseRecordset_->Requery();
        baseRecordset_->SetFilter(criteria);
        fresh = baseRecordset_->OpenRecordset(0, 9);
    }
    if (recordset_) {
        try {
            recordset_->Close();
        } catch (const Exception&) {
        }
    }
    recordset_ = fresh;
    FillFieldObjects();
    ResetCursorCounters();
    try {
        (void)recordset_->RecordCount();
    } catch (const Exception&) {
    }
    database_->Idle();
}

void TDaoTable::MasterChanged()
{
    if (!Active() || applyingMasterLink_)
        return;
    CheckBrowseMode();
    if (!masterLink_->Active() || masterLink_->FieldCount() == 0)
        return;
    if (sql_.Count() > 0)
        MasterValuesToParams();
    ReopenForMaster();
}

void TDaoTable::MasterDisabled()
{
    if (applyingMasterLink_)
        return;
    if (Active())
        CheckBrowseMode();
    masterInactive_ = !masterLink_->Active();
}

void TDaoTable::ReopenForMaster()
{
    if (IsDestroying())
        return;
    masterInactive_ = !masterLink_->Active();
    TDataSource* source = MasterSource();
    if (!source || masterInactive_ || !source->Enabled() || source->State() == dsEdit || masterFieldList_.Count() == 0)
        return;
    const dao::SharedRead read(ConnectedDatabase());
    CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    if (sql_.Count() > 0) {
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
    if (masterLink_->Active() && masterLink_->FieldCount() > 0)
        CopyMasterValues();
    TDataSet::DoOnNewRecord();
}

void TDaoTable::CopyMasterValues()
{
    const std::vector<TField*>& masters = masterLink_->Fields();
    for (size_t i = 0; i < masters.size() && int(i) < detailFieldList_.Count(); ++i)
        FieldByName(detailFieldList_.Get(int(i)))->AssignValue(masters[i]);
}
