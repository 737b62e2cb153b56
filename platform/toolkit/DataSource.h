#pragma once
// Data sources and data links: how grids, single-field controls and detail datasets follow a
// dataset. A dataset sends data events to its data sources; each source passes them to its
// links, which turn them into the virtual notifications below.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/DataSet.h"

#include <functional>
#include <vector>

class TDataLink;

class TDataSource : public TComponent {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TDataSource*)>;
    // Field is the changed field, or nullptr when the record or the whole dataset changed.
    using TDataChangeEvent = std::function<void(TDataSource*, TField* field)>;

    explicit TDataSource(QObject* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Raises "Circular datalinks are not allowed" when the dataset follows this source.
    void SetDataSet(TDataSet* dataSet);
    // Edit on a link's request starts the dataset's edit when the source is in browse state.
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool value) { autoEdit_ = value; }
    // A disabled source shows its links an inactive dataset.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The dataset's state, dsInactive without an enabled dataset.
    TDataSetState State() const;
    // AutoEdit: Edit on the dataset when it is browsing.
    void Edit();
    // True when a dataset of a link of this source is `dataSet` or follows it.
    bool IsLinkedTo(TDataSet* dataSet) const;

    int DataLinkCount() const { return int(links_.size()); }
    TDataLink* DataLinks(int index) const { return links_.at(size_t(index)); }

    void Notification(TComponent* component, TOperation operation) override;

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    void DataEvent(TDataEvent event, qintptr info);
    void NotifyLinks(TDataEvent event, qintptr info);
    void StateChanged();

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> links_;
    TDataSetState lastState_ = dsInactive;
    bool autoEdit_ = true;
    bool enabled_ = true;
};

// A view of a dataset through a data source: BufferCount rows of the dataset's window starting
// at the link's first record, the current one being ActiveRecord.
class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* dataSource);
    TDataSet* DataSet() const;
    // The source is enabled and its dataset open.
    bool Active() const { return active_; }
    // The dataset is in edit or insert state (and the link is not read-only).
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // The number of rows the link shows; the dataset keeps at least this many buffers.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // Index of the current row among the link's rows; setting it makes another row current
    // for reading (a grid painting its rows), without any event.
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    // Rows of the link that hold data.
    int RecordCount() const;
    // Starts editing through the source (AutoEdit); true when the dataset is editing after it.
    bool Edit();
    // Writes the control's value into the record (UpdateData) unless that is under way.
    void UpdateRecord();
    // The dataset's ends (false without an active dataset).
    bool Eof() const;
    bool Bof() const;
    // Dispatches a dataset's data event to the notifications below.
    virtual void DataEvent(TDataEvent event, qintptr info);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // The link's rows moved by distance (positive: later rows of the dataset now show).
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void FocusControl(TField** field) {}
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}
    int FirstRecord() const { return firstRecord_; }

private:
    friend class TDataSource;
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    // Keeps the dataset's active row inside the link's rows; returns how far the first row moved.
    int UpdateRange();

    TDataSource* dataSource_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
};

// A detail's link to its master: the master fields named FieldNames ("a;b").
class TMasterDataLink : public TDataLink {
public:
    using TNotifyEvent = std::function<void(TMasterDataLink*)>;

    // The detail dataset that follows (it may not be its own master).
    explicit TMasterDataLink(TDataSet* detail = nullptr);

    TDataSet* Detail() const { return detail_; }
    QString FieldNames() const { return fieldNames_; }
    // Resolves the names again when active (raises for a missing field).
    void SetFieldNames(const QString& names);
    const std::vector<TField*>& Fields() const { return fields_; }
    int FieldCount() const { return int(fields_.size()); }

    // The master moved or changed a link field / the link became inactive.
    TNotifyEvent OnMasterChange;
    TNotifyEvent OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;

private:
    void ResolveFields();

    TDataSet* detail_;
    QString fieldNames_;
    std::vector<TField*> fields_;
};

// One field of the current record, for a single-field control.
class TFieldDataLink : public TDataLink {
public:
    using TNotifyEvent = std::function<void(TFieldDataLink*)>;

    TFieldDataLink() = default;

    // The resolved field, nullptr when the name is empty, unknown or the link inactive.
    TField* Field() const { return field_; }
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    // The link may edit and its field may be modified.
    bool CanModify() const;
    // The control's value differs from the record's; UpdateRecord writes it.
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    void Reset();
    // Starts editing; true when the control may change the value.
    bool EditField() { return Edit(); }

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;
    // The dataset asks for the field's control to take the focus.
    TNotifyEvent OnFocusControl;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetField(TField* field);

    TField* field_ = nullptr;
    QString fieldName_;
    bool modified_ = false;
};
