#include "platform/toolkit/DataSource.h"

#include <QCoreApplication>
#include <algorithm>

// --- TDataSource ----------------------------------------------------------------------------------

TDataSource::TDataSource(QObject* owner) : TComponent(owner) {}

TDataSource::~TDataSource()
{
    Destroying();
    while (!links_.empty()) links_.back()->SetDataSource(nullptr);
    if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
    dataSet_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    // Following this source from the dataset's own masters would make a cycle.
    for (TDataSet* d = dataSet; d != nullptr;) {
        TDataSource* master = d->GetDataSource();
        if (master == this) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Circular datalinks are not allowed"));
        d = master != nullptr ? master->DataSet() : nullptr;
    }
    if (dataSet_ != nullptr) {
        dataSet_->RemoveDataSource(this);
        if (!dataSet_->IsDestroying()) RemoveFreeNotification(dataSet_);
    }
    dataSet_ = dataSet;
    if (dataSet_ != nullptr) {
        dataSet_->AddDataSource(this);
        FreeNotification(dataSet_);
    }
    StateChanged();
}

void TDataSource::SetEnabled(bool value)
{
    if (enabled_ == value) return;
    enabled_ = value;
    StateChanged();
}

TDataSetState TDataSource::State() const
{
    return (dataSet_ != nullptr && enabled_) ? dataSet_->State() : dsInactive;
}

void TDataSource::Edit()
{
    if (autoEdit_ && State() == dsBrowse) dataSet_->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const
{
    for (TDataLink* link : links_) {
        auto* master = dynamic_cast<TMasterDataLink*>(link);
        if (master == nullptr || master->Detail() == nullptr) continue;
        TDataSet* detail = master->Detail();
        if (detail == dataSet) return true;
        for (int i = 0; i < detail->DataSourceCount(); ++i)
            if (detail->DataSources(i)->IsLinkedTo(dataSet)) return true;
    }
    return false;
}

void TDataSource::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) SetDataSet(nullptr);
}

void TDataSource::AddDataLink(TDataLink* link)
{
    links_.push_back(link);
    if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (dataSet_ != nullptr && !dataSet_->IsDestroying()) dataSet_->UpdateBufferCount();
}

void TDataSource::NotifyLinks(TDataEvent event, qintptr info)
{
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, info);
}

void TDataSource::StateChanged()
{
    const TDataSetState state = State();
    if (state == lastState_) return;
    const TDataSetState previous = lastState_;
    lastState_ = state;
    NotifyLinks(deUpdateState, 0);
    if (OnStateChange) OnStateChange(this);
    if ((previous == dsInactive || state == dsInactive) && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        StateChanged();
        return;
    }
    if (State() == dsInactive) return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

// --- TDataLink ------------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
    dataSource_ = nullptr;
}

void TDataLink::SetDataSource(TDataSource* dataSource)
{
    if (dataSource == dataSource_) return;
    if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
    dataSource_ = dataSource;
    if (dataSource_ != nullptr) dataSource_->AddDataLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value)
{
    if (readOnly_ == value) return;
    readOnly_ = value;
    UpdateState();
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(count, 1);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (DataSet() == nullptr) return;
    if (active_) UpdateRange();
    DataSet()->UpdateBufferCount();
    if (active_) UpdateRange();
}

int TDataLink::ActiveRecord() const
{
    if (!active_) return 0;
    return DataSet()->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int index)
{
    if (active_) DataSet()->SetActiveRecord(index + firstRecord_);
}

int TDataLink::RecordCount() const
{
    if (!active_) return 0;
    return std::clamp(DataSet()->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit()
{
    if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord()
{
    if (updating_) return;
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

bool TDataLink::Eof() const { return active_ && DataSet()->Eof(); }
bool TDataLink::Bof() const { return active_ && DataSet()->Bof(); }

void TDataLink::UpdateState()
{
    const TDataSetState state = dataSource_ != nullptr ? dataSource_->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing((state == dsEdit || state == dsInsert) && !readOnly_);
}

void TDataLink::SetActive(bool value)
{
    if (active_ == value) return;
    active_ = value;
    if (value)
        UpdateRange();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value)
{
    if (editing_ == value) return;
    editing_ = value;
    EditingChanged();
}

int TDataLink::UpdateRange()
{
    const TDataSet* ds = DataSet();
    if (ds == nullptr) return 0;
    const int low = std::max(0, ds->activeRecord_ - bufferCount_ + 1);
    const int high = std::max(0, std::min(ds->bufferCount_ - bufferCount_, ds->activeRecord_));
    const int old = firstRecord_;
    firstRecord_ = std::clamp(firstRecord_, low, std::max(low, high));
    return firstRecord_ - old;
}

void TDataLink::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
        break;
    case deDataSetScroll:
        // The window's buffers moved forward by info rows; follow the rows first, then the cursor.
        firstRecord_ -= int(info);
        DataSetScrolled(UpdateRange());
        break;
    case deDataSetChange:
        UpdateRange();
        DataSetChanged();
        break;
    case deLayoutChange:
        UpdateRange();
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}

// --- TMasterDataLink ------------------------------------------------------------------------------

TMasterDataLink::TMasterDataLink(TDataSet* detail) : detail_(detail) {}

void TMasterDataLink::SetFieldNames(const QString& names)
{
    if (fieldNames_ == names) return;
    fieldNames_ = names;
    if (Active()) ActiveChanged();
}

void TMasterDataLink::ResolveFields()
{
    fields_.clear();
    if (!Active()) return;
    fields_ = DataSet()->GetFieldList(fieldNames_);
}

void TMasterDataLink::ActiveChanged()
{
    try {
        ResolveFields();
    } catch (...) {
        fields_.clear();
        throw;
    }
    if (detail_ != nullptr && detail_->IsDestroying()) return;
    if (Active() && !fields_.empty()) {
        if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
        OnMasterDisable(this);
    }
}

void TMasterDataLink::CheckBrowseMode()
{
    if (detail_ != nullptr && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() { ActiveChanged(); }

void TMasterDataLink::RecordChanged(TField* field)
{
    if (DataSource() == nullptr || DataSource()->State() == dsSetKey || !Active() || fields_.empty()) return;
    if (field != nullptr && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
    if (OnMasterChange) OnMasterChange(this);
}

// --- TFieldDataLink -------------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const QString& name)
{
    if (fieldName_ == name) return;
    fieldName_ = name;
    UpdateField();
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ != nullptr && field_->CanModify(); }

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::UpdateField()
{
    TField* field = nullptr;
    if (Active() && !fieldName_.isEmpty()) field = DataSet()->FindField(fieldName_);
    SetField(field);
}

void TFieldDataLink::SetField(TField* field)
{
    if (field_ == field) return;
    field_ = field;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::FocusControl(TField** field)
{
    if (field == nullptr || *field == nullptr || *field != field_) return;
    *field = nullptr;
    if (OnFocusControl) OnFocusControl(this);
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field)
{
    if (field != nullptr && field != field_) return;
    modified_ = false;
    if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::UpdateData()
{
    if (!modified_) return;
    if (field_ != nullptr && OnUpdateData) OnUpdateData(this);
    modified_ = false;
}
