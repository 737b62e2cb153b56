#pragma once
// A drop-down list of one field of every row of a dataset, in the dataset's order, that acts as
// a navigator: choosing an entry moves the dataset to that row, and a move of the dataset by
// anyone else moves the selection by the same distance.

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/gui/StandardControls.h"

class TDBViewCombo;

// Watches the combo's dataset and keeps the list and the selection in step with it.
class TViewComboLink : public TDataLink {
public:
    explicit TViewComboLink(TDBViewCombo* combo) : FCombo(combo) {}

    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString& name) { FFieldName = name; }
    // The resolved field; nullptr until the dataset is open with that field.
    TField* Field() const { return FField; }
    // Resolves the field again (raises the dataset's error for an unknown name) and, when
    // active, rebuilds the list.
    void UpdateField();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override {}

private:
    TDBViewCombo* FCombo;
    QString FFieldName;
    TField* FField = nullptr;
    bool FInUpdate = false;
};

class TDBViewCombo : public TComboBox {
    Q_OBJECT
public:
    explicit TDBViewCombo(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* source) { FDataLink.SetDataSource(source); }
    QString DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& name);

    // Refills the list from the dataset and selects the current row's entry (raises OnChange).
    void Rebuild();
    // Selects the entry, moving the dataset unless the combo itself is moving it.
    void SetIndex(int index);
    // The dataset moved by `distance` rows: the selection follows.
    void ScrollBy(int distance);
    // The data source is going away.
    void Notification(TComponent* component, TOperation operation);

    // Never raises OnKeyUp.
    void KeyUp(int& key, TShiftState shift) override;

    // The entry that matches the dataset's current row.
    int SavedIndex() const { return FSavedIndex; }

protected:
    void Change() override;

private:
    friend class TViewComboLink;
    bool CanNavigate() const;

    TViewComboLink FDataLink{this};
    int FSavedIndex = -1;
    bool FBusy = false;
};
