#include "platform/toolkit/gui/StandardControls.h"

#include "platform/toolkit/gui/UiHost.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

Qt::Alignment HorizontalOf(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

Qt::Alignment VerticalOf(TTextLayout layout)
{
    switch (layout) {
    case tlCenter:
        return Qt::AlignVCenter;
    case tlBottom:
        return Qt::AlignBottom;
    case tlTop:
        break;
    }
    return Qt::AlignTop;
}

// Qt's own mnemonics stay off: the form's dispatch handles accelerators.
QString ButtonText(const QString& caption) { return StripAccel(caption); }

// A Qt signal that raises one of the control's events. It runs inside Qt's event handling, so
// a handler's error is reported there.
auto RaiseGuarded(const TNotifyEvent& event, QObject* sender)
{
    return [&event, sender] {
        Guarded([&event, sender] {
            if (event) event(sender);
        });
    };
}

}  // namespace

// -- TWidgetStrings

void TWidgetStrings::Check(int index, bool allowEnd) const
{
    const int limit = Count() + (allowEnd ? 1 : 0);
    if (index < 0 || index >= limit) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

QString TWidgetStrings::Get(int index) const
{
    Check(index);
    return ops_.get(index);
}

void TWidgetStrings::Put(int index, const QString& text)
{
    Check(index);
    Changing();
    ops_.put(index, text);
    Changed();
}

void* TWidgetStrings::GetObject(int index) const
{
    Check(index);
    return size_t(index) < objects_.size() ? objects_[size_t(index)] : nullptr;
}

void TWidgetStrings::PutObject(int index, void* object)
{
    Check(index);
    if (objects_.size() < size_t(Count())) objects_.resize(size_t(Count()), nullptr);
    objects_[size_t(index)] = object;
}

void TWidgetStrings::Insert(int index, const QString& text)
{
    Check(index, true);
    Changing();
    ops_.insert(index, text);
    if (objects_.size() < size_t(Count()) - 1) objects_.resize(size_t(Count()) - 1, nullptr);
    objects_.insert(objects_.begin() + index, nullptr);
    Changed();
}

void TWidgetStrings::Delete(int index)
{
    Check(index);
    Changing();
    ops_.remove(index);
    if (size_t(index) < objects_.size()) objects_.erase(objects_.begin() + index);
    Changed();
}

void TWidgetStrings::Clear()
{
    Changing();
    ops_.clear();
    objects_.clear();
    Changed();
}

// -- TLabel

TLabel::TLabel(QWidget* parent) : QLabel(parent), TControl(this)
{
    setTextFormat(Qt::PlainText);
    SetAlignment(taLeftJustify);
}

void TLabel::SetCaption(const QString& caption)
{
    caption_ = caption;
    Refresh();
}

void TLabel::SetShowAccelChar(bool show)
{
    showAccelChar_ = show;
    Refresh();
}

void TLabel::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    Refresh();
}

void TLabel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    setAlignment(HorizontalOf(alignment_) | VerticalOf(layout_));
}

void TLabel::SetLayout(TTextLayout layout)
{
    layout_ = layout;
    setAlignment(HorizontalOf(alignment_) | VerticalOf(layout_));
}

void TLabel::Refresh()
{
    const QString lines = MessageLines(caption_);
    setText(showAccelChar_ ? StripAccel(lines) : lines);
    if (autoSize_) adjustSize();
}

bool TLabel::DialogChar(QChar ch, TShiftState)
{
    if (!showAccelChar_ || !IsAccel(ch, caption_) || !focusControl_ || !CanFocusWidget(focusControl_)) return false;
    focusControl_->setFocus(Qt::ShortcutFocusReason);
    return true;
}

// -- TEdit

TEdit::TEdit(QWidget* parent) : QLineEdit(parent), TControl(this)
{
    // Typing raises OnChange here; SetText raises it itself, so a handler's error reaches the
    // program's caller.
    connect(this, &QLineEdit::textChanged, this, RaiseGuarded(OnChange, this));
}

void TEdit::SetText(const QString& text)
{
    if (text == this->text()) return;
    {
        const QSignalBlocker quiet(this);
        setText(text);
    }
    if (OnChange) OnChange(this);
}

void TEdit::SetMaxLength(int length)
{
    maxLength_ = std::max(0, length);
    setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TEdit::SetPasswordChar(QChar ch)
{
    passwordChar_ = ch;
    setEchoMode(ch.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

// -- TMemo

namespace {

TWidgetStrings::TOps MemoOps(QPlainTextEdit* memo)
{
    auto lines = [memo] {
        QStringList list = memo->toPlainText().split(QLatin1Char('\n'));
        if (memo->document()->isEmpty()) list.clear();
        return list;
    };
    auto store = [memo](const QStringList& list) { memo->setPlainText(list.join(QLatin1Char('\n'))); };
    auto change = [lines, store](auto edit) {
        QStringList list = lines();
        edit(list);
        store(list);
    };
    TWidgetStrings::TOps ops;
    ops.count = [lines] { return int(lines().size()); };
    ops.get = [lines](int i) { return lines().at(i); };
    ops.put = [change](int i, const QString& text) { change([&](QStringList& list) { list[i] = text; }); };
    ops.insert = [change](int i, const QString& text) { change([&](QStringList& list) { list.insert(i, text); }); };
    ops.remove = [change](int i) { change([&](QStringList& list) { list.removeAt(i); }); };
    ops.clear = [memo] { memo->clear(); };
    return ops;
}

}  // namespace

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent), TControl(this), lines_(MemoOps(this))
{
    connect(this, &QPlainTextEdit::textChanged, this, RaiseGuarded(OnChange, this));
}

void TMemo::SetText(const QString& text)
{
    {
        const QSignalBlocker quiet(this);
        setPlainText(MessageLines(text));
    }
    if (OnChange) OnChange(this);
}

bool TMemo::WantsKey(int key, TShiftState shift) const
{
    if (key == Qt::Key_Return) return wantReturns_ && !isReadOnly();
    return TControl::WantsKey(key, shift);
}

// -- TButton

TButton::TButton(QWidget* parent) : QPushButton(parent), TControl(this)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Guarded([this] { Click(); }); });
}

void TButton::SetCaption(const QString& caption)
{
    caption_ = caption;
    setText(ButtonText(caption));
}

void TButton::SetDefault(bool value)
{
    default_ = value;
    setDefault(value);
}

void TButton::Click()
{
    if (TForm* form = TForm::ParentForm(this)) form->SetModalResult(modalResult_);
    if (OnClick) OnClick(this);
}

// -- TCheckBox

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent), TControl(this)
{
    connect(this, &QCheckBox::stateChanged, this, RaiseGuarded(OnClick, this));
}

void TCheckBox::SetCaption(const QString& caption)
{
    caption_ = caption;
    setText(ButtonText(caption));
}

void TCheckBox::SetChecked(bool checked)
{
    if (checked == isChecked() && checkState() != Qt::PartiallyChecked) return;
    {
        const QSignalBlocker quiet(this);
        setChecked(checked);
    }
    if (OnClick) OnClick(this);
}

TCheckBoxState TCheckBox::State() const
{
    switch (checkState()) {
    case Qt::Checked:
        return cbChecked;
    case Qt::PartiallyChecked:
        return cbGrayed;
    case Qt::Unchecked:
        break;
    }
    return cbUnchecked;
}

void TCheckBox::SetState(TCheckBoxState state)
{
    if (state == State()) return;
    if (state == cbGrayed) setTristate(true);
    {
        const QSignalBlocker quiet(this);
        setCheckState(state == cbChecked ? Qt::Checked : state == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    }
    if (OnClick) OnClick(this);
}

void TCheckBox::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    setLayoutDirection(alignment == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

bool TCheckBox::DialogChar(QChar ch, TShiftState)
{
    if (!IsAccel(ch, caption_) || !CanFocus()) return false;
    SetFocus();
    click();
    return true;
}

// -- TRadioButton

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent), TControl(this)
{
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        Guarded([this, checked] {
            if (checked && OnClick) OnClick(this);
        });
    });
}

void TRadioButton::SetCaption(const QString& caption)
{
    caption_ = caption;
    setText(ButtonText(caption));
}

void TRadioButton::SetChecked(bool checked)
{
    if (checked == isChecked()) return;
    {
        const QSignalBlocker quiet(this);
        setChecked(checked);
    }
    if (checked && OnClick) OnClick(this);
}

bool TRadioButton::DialogChar(QChar ch, TShiftState)
{
    if (!IsAccel(ch, caption_) || !CanFocus()) return false;
    SetFocus();
    SetChecked(true);
    return true;
}

// -- TComboBox

namespace {

TWidgetStrings::TOps ComboOps(QComboBox* combo)
{
    TWidgetStrings::TOps ops;
    ops.count = [combo] { return combo->count(); };
    ops.get = [combo](int i) { return combo->itemText(i); };
    ops.put = [combo](int i, const QString& text) { combo->setItemText(i, text); };
    ops.insert = [combo](int i, const QString& text) {
        // The edit text of an editable combo stays what it was; a new item does not replace it.
        const QString text0 = combo->currentText();
        const QSignalBlocker quiet(combo);
        combo->insertItem(i, text);
        if (combo->isEditable()) combo->setEditText(text0);
        else if (combo->count() == 1) combo->setCurrentIndex(-1);
    };
    ops.remove = [combo](int i) {
        const QSignalBlocker quiet(combo);
        combo->removeItem(i);
    };
    ops.clear = [combo] {
        const QString text0 = combo->currentText();
        const QSignalBlocker quiet(combo);
        combo->clear();
        if (combo->isEditable()) combo->setEditText(text0);
    };
    return ops;
}

}  // namespace

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent), TControl(this), items_(ComboOps(this))
{
    setInsertPolicy(QComboBox::NoInsert);
    SetStyle(csDropDown);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] {
        Guarded([this] {
            if (OnSelect) OnSelect(this);
            if (OnClick) OnClick(this);
            Change();
        });
    });
}

void TComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TComboBox::SetStyle(TComboBoxStyle style)
{
    style_ = style;
    const QString text0 = currentText();
    setEditable(style != csDropDownList);
    if (QLineEdit* edit = lineEdit()) {
        if (maxLength_ > 0) edit->setMaxLength(maxLength_);
        if (edit != connectedEdit_) {
            connectedEdit_ = edit;
            connect(edit, &QLineEdit::textEdited, this, [this] { Guarded([this] { Change(); }); });
        }
        edit->setText(text0);
    }
}

void TComboBox::SetText(const QString& text)
{
    const QSignalBlocker quiet(this);
    if (isEditable()) {
        const int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index >= 0) setCurrentIndex(index);
        setEditText(text);
    } else {
        setCurrentIndex(findText(text, Qt::MatchFixedString));
    }
}

void TComboBox::SetMaxLength(int length)
{
    maxLength_ = std::max(0, length);
    if (QLineEdit* edit = lineEdit()) edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

bool TComboBox::DroppedDown() const { return view() && view()->isVisible(); }

void TComboBox::SetDroppedDown(bool down)
{
    if (down) showPopup();
    else hidePopup();
}

void TComboBox::SetSorted(bool sorted)
{
    sorted_ = sorted;
    if (sorted) model()->sort(0);
}

void TComboBox::showPopup()
{
    if (OnDropDown) OnDropDown(this);
    QComboBox::showPopup();
}

void TComboBox::hidePopup()
{
    const bool wasDown = DroppedDown();
    QComboBox::hidePopup();
    if (wasDown && OnCloseUp) OnCloseUp(this);
}

// -- TListBox

namespace {

TWidgetStrings::TOps ListOps(QListWidget* list)
{
    TWidgetStrings::TOps ops;
    ops.count = [list] { return list->count(); };
    ops.get = [list](int i) { return list->item(i)->text(); };
    ops.put = [list](int i, const QString& text) { list->item(i)->setText(text); };
    ops.insert = [list](int i, const QString& text) { list->insertItem(i, text); };
    ops.remove = [list](int i) { delete list->takeItem(i); };
    ops.clear = [list] { list->clear(); };
    return ops;
}

}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent), TControl(this), items_(ListOps(this)) {}

// -- TGroupBox, TScrollBox, TSplitter

TGroupBox::TGroupBox(QWidget* parent) : QGroupBox(parent), TControl(this) {}

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent), TControl(this)
{
    setWidget(new QWidget);
    setWidgetResizable(true);
}

TSplitter::TSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent), TControl(this) {}

// -- TPanel

TPanel::TPanel(QWidget* parent) : QFrame(parent), TControl(this)
{
    SetColor(clBtnFace);
    UpdateMargins();
}

void TPanel::SetCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

void TPanel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    update();
}

void TPanel::SetBevelOuter(TBevelCut cut)
{
    bevelOuter_ = cut;
    UpdateMargins();
}

void TPanel::SetBevelInner(TBevelCut cut)
{
    bevelInner_ = cut;
    UpdateMargins();
}

void TPanel::SetBevelWidth(int width)
{
    bevelWidth_ = std::max(1, width);
    UpdateMargins();
}

void TPanel::SetBorderWidth(int width)
{
    borderWidth_ = std::max(0, width);
    UpdateMargins();
}

void TPanel::UpdateMargins()
{
    const int edge = (bevelOuter_ != bvNone ? bevelWidth_ : 0) + borderWidth_ + (bevelInner_ != bvNone ? bevelWidth_ : 0);
    setContentsMargins(edge, edge, edge, edge);
    update();
}

void TPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect r = rect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const QColor light = ToQColor(clBtnHighlight), dark = ToQColor(clBtnShadow);
        const QColor topLeft = cut == bvLowered ? dark : cut == bvRaised ? light : palette().color(QPalette::Window);
        const QColor bottomRight = cut == bvLowered ? light : cut == bvRaised ? dark : palette().color(QPalette::Window);
        for (int i = 0; i < bevelWidth_; ++i) {
            painter.setPen(topLeft);
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(bottomRight);
            painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.drawLine(r.topRight(), r.bottomRight());
            r.adjust(1, 1, -1, -1);
        }
    };
    bevel(bevelOuter_);
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    bevel(bevelInner_);
    if (!caption_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(r, int(HorizontalOf(alignment_) | Qt::AlignVCenter), StripAccel(caption_));
    }
}

// -- TUpDown

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), TControl(this)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { Guarded([this] { Step(btNext); }); });
    connect(down, &QToolButton::clicked, this, [this] { Guarded([this] { Step(btPrev); }); });
    resize(17, 21);
}

void TUpDown::SetMin(int min)
{
    min_ = min;
    SetPosition(position_);
}

void TUpDown::SetMax(int max)
{
    max_ = max;
    SetPosition(position_);
}

void TUpDown::SetPosition(int position)
{
    position_ = std::clamp(position, std::min(min_, max_), std::max(min_, max_));
    ShowInAssociate();
}

void TUpDown::SetAssociate(TEdit* edit)
{
    associate_ = edit;
    ShowInAssociate();
}

void TUpDown::ShowInAssociate()
{
    if (associate_) associate_->SetText(QString::number(position_));
}

void TUpDown::Step(TUDBtnType button)
{
    if (associate_) {
        bool ok = false;
        const int typed = associate_->Text().trimmed().toInt(&ok);
        if (ok) position_ = std::clamp(typed, std::min(min_, max_), std::max(min_, max_));
    }
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    int next = position_ + (button == btNext ? increment_ : -increment_);
    if (next > max_) next = wrap_ ? min_ : max_;
    if (next < min_) next = wrap_ ? max_ : min_;
    SetPosition(next);
    if (OnClick) OnClick(this);
}

// -- TImage

TImage::TImage(QWidget* parent) : QWidget(parent), TControl(this) {}

void TImage::LoadFromFile(const QString& fileName)
{
    picture_.LoadFromFile(fileName);
    update();
}

void TImage::SetImage(const QImage& image)
{
    picture_.SetImage(image);
    update();
}

void TImage::SetStretch(bool stretch)
{
    stretch_ = stretch;
    update();
}

void TImage::SetCenter(bool center)
{
    center_ = center;
    update();
}

void TImage::SetProportional(bool proportional)
{
    proportional_ = proportional;
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (picture_.Empty()) return;
    QPainter painter(this);
    const QImage& image = picture_.Image();
    QSize size = image.size();
    if (stretch_) size = proportional_ ? image.size().scaled(this->size(), Qt::KeepAspectRatio) : this->size();
    QPoint at(0, 0);
    if (center_) at = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    painter.drawImage(QRect(at, size), image);
}

// -- windows that fit their text

int WidestWindowWidth(const QWidget* window)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().width() * 9 / 10 : 800;
}

QStringList LinesBrokenByWidth(const QWidget* window)
{
    QStringList broken;
    if (!window) return broken;
    const int widest = WidestWindowWidth(window);
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->wordWrap() || !label->isVisibleTo(window)) continue;
        const int room = label->contentsRect().width();
        const QFontMetrics metrics(label->font());
        for (const QString& line : label->text().split(QLatin1Char('\n'))) {
            const int needed = metrics.horizontalAdvance(line);
            if (needed > room && window->width() + needed - room <= widest) broken << line;
        }
    }
    return broken;
}
