#include "platform/toolkit/gui/DBControls.h"

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Application.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

namespace {

bool ChangesText(const QKeyEvent* e)
{
    const QString text = e->text();
    if (!text.isEmpty() && text[0].isPrint()) return true;
    return e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete || e->matches(QKeySequence::Paste) ||
           e->matches(QKeySequence::Cut);
}

// The record gets the control's value when the focus leaves; a value the field refuses is
// reported and the focus stays, so nothing typed is lost.
void UpdateRecordOnExit(TFieldDataLink& link, QWidget* control)
{
    try {
        link.UpdateRecord();
    } catch (const EAbort&) {
        // The binding has said why, or said it before, and kept the focus.
    } catch (const std::exception& error) {
        control->setFocus(Qt::OtherFocusReason);
        ReportException(error);
    }
}

QStringList Values(const QString& list) { return list.split(QLatin1Char(';')); }

// What every single-field control does with its link: it shows the field on each data change,
// hands its value back when the record is written (a refused value said once) and takes the
// focus for its field.
template <class Show, class Store>
void FollowField(TFieldLinkBinding& binding, TControl* control, Show show, Store store)
{
    TFieldDataLink& link = binding.Link();
    link.OnDataChange = [show](TFieldDataLink*) { show(); };
    link.OnUpdateData = [&binding, control, store](TFieldDataLink*) {
        binding.StoreRefusingOnce(dynamic_cast<QWidget*>(control), store);
    };
    link.OnFocusControl = [control](TFieldDataLink*) { control->SetFocus(); };
}

// The person changes the value: the change goes on when the record may be edited, otherwise
// it is refused with a beep and the field is shown again.
template <class Show>
bool AcceptChange(TFieldBinding& binding, Show show)
{
    if (binding.BeginChange()) return true;
    QApplication::beep();
    show();
    return false;
}

template <class Show>
void MarkChanged(TFieldBinding& binding, Show show)
{
    if (AcceptChange(binding, show)) binding.SetModified();
}

// Escape puts back the record's value while there is a change to undo.
bool UndoOnEscape(TFieldLinkBinding& binding, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || !binding.Link().Modified()) return false;
    binding.Link().Reset();
    event->accept();
    return true;
}

void RefuseKey(QKeyEvent* event)
{
    QApplication::beep();
    event->accept();
}

}  // namespace

// -- TDBEdit

TDBEdit::TDBEdit(QWidget* parent) : TEdit(parent)
{
    TFieldDataLink& link = binding_.Link();
    FollowField(binding_, this, [this] { ShowField(); }, [this] { binding_.StoreText(Text()); });
    link.OnEditingChange = [this](TFieldDataLink*) { UpdateReadOnly(); };
    link.OnActiveChange = [this](TFieldDataLink*) { UpdateReadOnly(); };
    connect(this, &QLineEdit::textEdited, this,
            [this] { Guarded([this] { MarkChanged(binding_, [this] { ShowField(); }); }); });
}

void TDBEdit::SetReadOnly(bool readOnly)
{
    binding_.SetReadOnly(readOnly);
    UpdateReadOnly();
}

void TDBEdit::UpdateReadOnly() { setReadOnly(!binding_.CanEdit()); }

void TDBEdit::ShowField()
{
    if (binding_.Changing()) return;
    if (const int limit = binding_.MaxLength(); limit > 0) SetMaxLength(limit);
    const QString text = hasFocus() && binding_.CanEdit() ? binding_.EditText() : binding_.DisplayText();
    if (text != Text()) SetText(text);
    UpdateReadOnly();
}

bool TDBEdit::WantsKey(int key, TShiftState shift) const
{
    if (key == Qt::Key_Escape) return binding_.Link().Modified();
    return TEdit::WantsKey(key, shift);
}

void TDBEdit::keyPressEvent(QKeyEvent* event)
{
    if (UndoOnEscape(binding_, event)) {
        selectAll();
        return;
    }
    if (ChangesText(event)) {
        const QString text = event->text();
        const bool refused = (!text.isEmpty() && text[0].isPrint() && !binding_.IsValidChar(text[0])) ||
                             !binding_.BeginChange();
        if (refused) {
            RefuseKey(event);
            return;
        }
    }
    TEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event)
{
    TEdit::focusInEvent(event);
    // A value the record refused stays for the person to put right.
    if (!binding_.Link().Modified()) ShowField();
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    UpdateRecordOnExit(binding_.Link(), this);
    TEdit::focusOutEvent(event);
    if (!hasFocus() && !binding_.Link().Modified()) ShowField();
}

// -- TDBText

TDBText::TDBText(QWidget* parent) : TLabel(parent)
{
    SetAutoSize(false);
    SetShowAccelChar(false);
    binding_.SetReadOnly(true);
    binding_.Link().OnDataChange = [this](TFieldDataLink*) { SetCaption(binding_.DisplayText()); };
}

// -- TDBMemo

TDBMemo::TDBMemo(QWidget* parent) : TMemo(parent)
{
    TFieldDataLink& link = binding_.Link();
    FollowField(binding_, this, [this] { ShowField(); }, [this] { binding_.StoreText(toPlainText()); });
    link.OnEditingChange = [this](TFieldDataLink*) { setReadOnly(!binding_.CanEdit()); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (showing_) return;
        Guarded([this] { MarkChanged(binding_, [this] { ShowField(); }); });
    });
}

void TDBMemo::SetReadOnly(bool readOnly)
{
    binding_.SetReadOnly(readOnly);
    setReadOnly(!binding_.CanEdit());
}

void TDBMemo::ShowField()
{
    if (binding_.Changing()) return;
    const QString text = binding_.EditText();
    if (text != toPlainText()) {
        showing_ = true;
        SetText(text);
        showing_ = false;
    }
    setReadOnly(!binding_.CanEdit());
}

bool TDBMemo::WantsKey(int key, TShiftState shift) const
{
    if (key == Qt::Key_Escape) return binding_.Link().Modified();
    return TMemo::WantsKey(key, shift);
}

void TDBMemo::keyPressEvent(QKeyEvent* event)
{
    if (UndoOnEscape(binding_, event)) return;
    if (ChangesText(event) && !binding_.BeginChange()) {
        RefuseKey(event);
        return;
    }
    TMemo::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event)
{
    UpdateRecordOnExit(binding_.Link(), this);
    TMemo::focusOutEvent(event);
}

// -- TDBCheckBox

TDBCheckBox::TDBCheckBox(QWidget* parent) : TCheckBox(parent)
{
    FollowField(binding_, this, [this] { ShowField(); }, [this] { StoreState(); });
}

void TDBCheckBox::SetValueChecked(const QString& value)
{
    valueChecked_ = value;
    ShowField();
}

void TDBCheckBox::SetValueUnchecked(const QString& value)
{
    valueUnchecked_ = value;
    ShowField();
}

TCheckBoxState TDBCheckBox::FieldState() const
{
    const TField* field = binding_.BoundField();
    if (!field || field->IsNull()) return AllowGrayed() ? cbGrayed : cbUnchecked;
    if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = field->Text();
    for (const QString& v : Values(valueChecked_))
        if (text.compare(v, Qt::CaseInsensitive) == 0) return cbChecked;
    for (const QString& v : Values(valueUnchecked_))
        if (text.compare(v, Qt::CaseInsensitive) == 0) return cbUnchecked;
    return AllowGrayed() ? cbGrayed : cbUnchecked;
}

void TDBCheckBox::ShowField()
{
    if (binding_.Changing()) return;
    SetState(FieldState());
}

void TDBCheckBox::StoreState()
{
    TField* field = binding_.BoundField();
    if (!field) return;
    const TCheckBoxState state = State();
    if (state == cbGrayed) {
        field->Clear();
    } else if (field->DataType() == ftBoolean) {
        field->SetAsBoolean(state == cbChecked);
    } else {
        field->SetAsString(Values(state == cbChecked ? valueChecked_ : valueUnchecked_).value(0));
    }
}

void TDBCheckBox::nextCheckState()
{
    // The edit starts before the box changes, so the record's old value cannot undo the click.
    bool allowed = false;
    Guarded([&] { allowed = binding_.BeginChange(); });
    if (!allowed) {
        QApplication::beep();
        return;
    }
    TCheckBox::nextCheckState();
    binding_.SetModified();
}

void TDBCheckBox::focusOutEvent(QFocusEvent* event)
{
    UpdateRecordOnExit(binding_.Link(), this);
    TCheckBox::focusOutEvent(event);
}

// -- TDBComboBox

TDBComboBox::TDBComboBox(QWidget* parent) : TComboBox(parent)
{
    FollowField(binding_, this, [this] { ShowField(); }, [this] { binding_.StoreText(Text()); });
}

// The record takes the person's choice before the OnChange handler runs: a handler that puts the
// record into edit would otherwise show the field again over the choice and lose it.
void TDBComboBox::Change()
{
    if (UserChanged()) TComboBox::Change();
}

void TDBComboBox::ShowField()
{
    if (binding_.Changing()) return;
    if (const int limit = binding_.MaxLength(); limit > 0) SetMaxLength(limit);
    const QString text = binding_.EditText();
    if (text != Text()) SetText(text);
}

bool TDBComboBox::UserChanged()
{
    const QString chosen = Text();
    if (!AcceptChange(binding_, [this] { ShowField(); })) return false;
    if (Text() != chosen) SetText(chosen);
    binding_.SetModified();
    return true;
}

void TDBComboBox::keyPressEvent(QKeyEvent* event)
{
    if (UndoOnEscape(binding_, event)) return;
    TComboBox::keyPressEvent(event);
}

void TDBComboBox::focusOutEvent(QFocusEvent* event)
{
    UpdateRecordOnExit(binding_.Link(), this);
    TComboBox::focusOutEvent(event);
}

// -- TDBLookupComboBox

class TDBLookupComboBox::TListLink : public TDataLink {
public:
    explicit TListLink(TDBLookupComboBox* owner) : owner_(owner) {}

protected:
    void ActiveChanged() override { owner_->RebuildList(); }
    void DataSetChanged() override
    {
        if (DataSet() && DataSet()->State() == dsBrowse) owner_->RebuildList();
    }
    void DataSetScrolled(int) override {}
    void RecordChanged(TField*) override {}
    void LayoutChanged() override { owner_->RebuildList(); }

private:
    TDBLookupComboBox* owner_;
};

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent) : TComboBox(parent), listLink_(std::make_unique<TListLink>(this))
{
    SetStyle(csDropDownList);
    FollowField(binding_, this, [this] { ShowField(); }, [this] {
        if (TField* field = binding_.BoundField()) field->SetAsVariant(KeyValue());
    });
    connect(this, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { Guarded([this, index] { UserChose(index); }); });
}

TDBLookupComboBox::~TDBLookupComboBox() = default;

TDataSource* TDBLookupComboBox::ListSource() const { return listLink_->DataSource(); }

void TDBLookupComboBox::SetListSource(TDataSource* source) { listLink_->SetDataSource(source); }

void TDBLookupComboBox::SetKeyField(const QString& name)
{
    keyField_ = name;
    RebuildList();
}

void TDBLookupComboBox::SetListField(const QString& name)
{
    listField_ = name;
    RebuildList();
}

void TDBLookupComboBox::RebuildList()
{
    // Walking the list dataset sends it a dataset change of its own; that one is ours.
    if (rebuilding_) return;
    rebuilding_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{rebuilding_};
    keys_.clear();
    {
        const QSignalBlocker quiet(this);
        clear();
    }
    TDataSet* list = listLink_->DataSet();
    if (list && list->Active() && list->State() == dsBrowse && !keyField_.isEmpty() && !listField_.isEmpty()) {
        TField* key = list->FieldByName(keyField_);
        TField* shown = list->FieldByName(listField_);
        const TBookmark here = list->GetBookmark();
        const TControlsOff listOff(list);
        const QSignalBlocker quiet(this);
        for (list->First(); !list->Eof(); list->Next()) {
            keys_.push_back(key->AsVariant());
            addItem(shown->DisplayText());
        }
        if (!here.isEmpty()) list->GotoBookmark(here);
    }
    ShowField();
}

TVariant TDBLookupComboBox::KeyValue() const
{
    const int index = currentIndex();
    return index >= 0 && size_t(index) < keys_.size() ? keys_[size_t(index)] : TVariant::Null();
}

void TDBLookupComboBox::SetKeyValue(const TVariant& key)
{
    int found = -1;
    for (size_t i = 0; i < keys_.size() && found < 0; ++i)
        if (!key.IsClear() && keys_[i] == key) found = int(i);
    const QSignalBlocker quiet(this);
    setCurrentIndex(found);
}

void TDBLookupComboBox::ShowField()
{
    if (binding_.Changing()) return;
    const TField* field = binding_.BoundField();
    SetKeyValue(field ? field->AsVariant() : TVariant::Null());
}

void TDBLookupComboBox::UserChose(int index)
{
    if (!AcceptChange(binding_, [this] { ShowField(); })) return;
    if (currentIndex() != index) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    binding_.SetModified();
}

void TDBLookupComboBox::focusOutEvent(QFocusEvent* event)
{
    UpdateRecordOnExit(binding_.Link(), this);
    TComboBox::focusOutEvent(event);
}

// -- TDBNavigator

class TDBNavigator::TNavLink : public TDataLink {
public:
    explicit TNavLink(TDBNavigator* owner) : owner_(owner) {}

protected:
    void ActiveChanged() override { owner_->UpdateButtons(); }
    void DataSetChanged() override { owner_->UpdateButtons(); }
    void DataSetScrolled(int) override { owner_->UpdateButtons(); }
    void EditingChanged() override { owner_->UpdateButtons(); }
    void RecordChanged(TField*) override {}

private:
    TDBNavigator* owner_;
};

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), TControl(this), link_(std::make_unique<TNavLink>(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    struct Face {
        TNavigateBtn button;
        const char* text;
        const char* hint;
    };
    static const Face faces[] = {
        {nbFirst, "|<", "First record"}, {nbPrior, "<", "Prior record"}, {nbNext, ">", "Next record"},
        {nbLast, ">|", "Last record"},   {nbInsert, "+", "Insert record"}, {nbDelete, "-", "Delete record"},
        {nbEdit, "^", "Edit record"},    {nbPost, "\u2713", "Post edit"},   {nbCancel, "x", "Cancel edit"},
        {nbRefresh, "\u21bb", "Refresh data"},
    };
    for (const Face& f : faces) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(f.text));
        b->setToolTip(QString::fromUtf8(f.hint));
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        buttons_[f.button] = b;
        const TNavigateBtn button = f.button;
        connect(b, &QToolButton::clicked, this, [this, button] { Guarded([this, button] { BtnClick(button); }); });
    }
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() = default;

TDataSource* TDBNavigator::DataSource() const { return link_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    UpdateButtons();
}

bool TDBNavigator::VisibleButton(TNavigateBtn button) const { return !buttons_.at(button)->isHidden(); }

void TDBNavigator::SetVisibleButton(TNavigateBtn button, bool visible) { buttons_.at(button)->setVisible(visible); }

QToolButton* TDBNavigator::Button(TNavigateBtn button) const { return buttons_.at(button); }

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const
{
    TDataSet* data = link_->DataSet();
    if (!link_->Active() || !data) return false;
    const bool browsing = !link_->Editing();
    const bool canModify = data->CanModify() && !link_->ReadOnly();
    switch (button) {
    case nbFirst:
    case nbPrior:
        return browsing && !data->Bof();
    case nbNext:
    case nbLast:
        return browsing && !data->Eof();
    case nbInsert:
        return canModify;
    case nbDelete:
        return canModify && !data->IsEmpty();
    case nbEdit:
        return canModify && browsing && !data->IsEmpty();
    case nbPost:
    case nbCancel:
        return link_->Editing();
    case nbRefresh:
        return browsing;
    }
    return false;
}

void TDBNavigator::UpdateButtons()
{
    for (auto& [button, widget] : buttons_) widget->setEnabled(ButtonEnabled(button));
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    TDataSet* data = link_->DataSet();
    if (!data || !link_->Active()) return;
    if (BeforeAction) BeforeAction(this, button);
    switch (button) {
    case nbFirst:
        data->First();
        break;
    case nbPrior:
        data->Prior();
        break;
    case nbNext:
        data->Next();
        break;
    case nbLast:
        data->Last();
        break;
    case nbInsert:
        data->Insert();
        break;
    case nbDelete:
        if (!confirmDelete_ || MessageDlg(QCoreApplication::translate("Toolkit", "Delete record?"), mtConfirmation, mbOKCancel) == mrOk)
            data->Delete();
        break;
    case nbEdit:
        data->Edit();
        break;
    case nbPost:
        data->Post();
        break;
    case nbCancel:
        data->Cancel();
        break;
    case nbRefresh:
        data->Refresh();
        break;
    }
    if (OnClickButton) OnClickButton(this, button);
}
