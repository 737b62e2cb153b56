#pragma once
// Single-field data-aware controls and the navigator. Each follows the dataset through its
// field binding (FieldBinding.h): it shows the current record's field, starts an edit when the
// person changes it (edit on typing, when the source's AutoEdit allows), writes its value into
// the record before the record is posted or when the focus leaves it, and refuses changes
// when the field or the dataset cannot be modified.

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/gui/FieldBinding.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QWidget>
#include <map>
#include <memory>

class QToolButton;

class TDBEdit : public TEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }
    // Read-only of its own accord (the field or the dataset can make it read-only too).
    bool ReadOnly() const { return binding_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    TFieldBinding& Binding() { return binding_; }

    // Escape puts back the record's value while there is a change to undo.
    bool WantsKey(int key, TShiftState shift) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    void UpdateReadOnly();
    TFieldLinkBinding binding_;
};

// The field's display text as a label.
class TDBText : public TLabel {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }

private:
    TFieldLinkBinding binding_;
};

class TDBMemo : public TMemo {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget* parent = nullptr);
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }
    bool ReadOnly() const { return binding_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    bool WantsKey(int key, TShiftState shift) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    TFieldLinkBinding binding_;
    bool showing_ = false;
};

// Checked when the field is true (a boolean field) or its text is one of ValueChecked
// ("a;b", without case); unchecked for ValueUnchecked; Null shows grayed when AllowGrayed.
class TDBCheckBox : public TCheckBox {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }
    bool ReadOnly() const { return binding_.ReadOnly(); }
    void SetReadOnly(bool readOnly) { binding_.SetReadOnly(readOnly); }
    QString ValueChecked() const { return valueChecked_; }
    void SetValueChecked(const QString& value);
    QString ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUnchecked(const QString& value);

protected:
    void nextCheckState() override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TCheckBoxState FieldState() const;
    void ShowField();
    void StoreState();
    TFieldLinkBinding binding_;
    QString valueChecked_ = QStringLiteral("True");
    QString valueUnchecked_ = QStringLiteral("False");
};

// A combo of fixed items whose text is the field's.
class TDBComboBox : public TComboBox {
    Q_OBJECT
public:
    explicit TDBComboBox(QWidget* parent = nullptr);
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }
    bool ReadOnly() const { return binding_.ReadOnly(); }
    void SetReadOnly(bool readOnly) { binding_.SetReadOnly(readOnly); }

protected:
    void Change() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    bool UserChanged();
    TFieldLinkBinding binding_;
};

// A drop-down list of the ListField of every row of ListSource's dataset; choosing one writes
// its KeyField value into DataField of DataSource.
class TDBLookupComboBox : public TComboBox {
    Q_OBJECT
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);
    ~TDBLookupComboBox() override;
    TDataSource* DataSource() const { return binding_.Link().DataSource(); }
    void SetDataSource(TDataSource* source) { binding_.Link().SetDataSource(source); }
    QString DataField() const { return binding_.Link().FieldName(); }
    void SetDataField(const QString& name) { binding_.Link().SetFieldName(name); }
    TField* Field() const { return binding_.BoundField(); }
    bool ReadOnly() const { return binding_.ReadOnly(); }
    void SetReadOnly(bool readOnly) { binding_.SetReadOnly(readOnly); }
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* source);
    QString KeyField() const { return keyField_; }
    void SetKeyField(const QString& name);
    QString ListField() const { return listField_; }
    void SetListField(const QString& name);
    // The key of the chosen row (Null when none).
    TVariant KeyValue() const;
    void SetKeyValue(const TVariant& key);
    // Reads the list again from the list dataset (its position is kept).
    void RebuildList();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    class TListLink;
    void ShowField();
    void UserChose(int index);
    TFieldLinkBinding binding_;
    std::unique_ptr<TListLink> listLink_;
    QString keyField_;
    QString listField_;
    std::vector<TVariant> keys_;
    bool rebuilding_ = false;
};

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
using TNavClickEvent = std::function<void(QObject* sender, TNavigateBtn button)>;

// Buttons that move through and edit the dataset of DataSource; each is enabled only where its
// action makes sense.
class TDBNavigator : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    bool VisibleButton(TNavigateBtn button) const;
    void SetVisibleButton(TNavigateBtn button, bool visible);
    // Delete asks "Delete record?" first.
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool confirm) { confirmDelete_ = confirm; }
    QToolButton* Button(TNavigateBtn button) const;
    // The button's action, as a click does: BeforeAction (which may raise to stop it), the
    // action, then OnClick.
    void BtnClick(TNavigateBtn button);
    bool ButtonEnabled(TNavigateBtn button) const;
    TNavClickEvent BeforeAction;
    TNavClickEvent OnClickButton;
    bool ClicksOnMouseUp() const override { return false; }

private:
    class TNavLink;
    void UpdateButtons();
    std::unique_ptr<TNavLink> link_;
    std::map<TNavigateBtn, QToolButton*> buttons_;
    bool confirmDelete_ = true;
};
