#pragma once
// The standard controls the windows place: labels, edits, memos, push buttons, check boxes,
// radio buttons, combo and list boxes, group boxes, panels, scroll boxes, splitters, up-down
// arrows and pictures. Each is its Qt widget plus TControl; captions are the `Caption` property
// (the caption files read and write it by component name).

#include "platform/toolkit/Strings.h"
#include "platform/toolkit/gui/Control.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/Pictures.h"
#include "platform/toolkit/gui/Alignment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <functional>
#include <vector>

enum TTextLayout { tlTop, tlCenter, tlBottom };

// A string list that shows the lines of a widget (combo items, memo lines, tab captions).
// Objects are kept beside the lines; change the lines through the list to keep them paired.
class TWidgetStrings : public TStrings {
public:
    struct TOps {
        std::function<int()> count;
        std::function<QString(int)> get;
        std::function<void(int, const QString&)> put;
        std::function<void(int, const QString&)> insert;
        std::function<void(int)> remove;
        std::function<void()> clear;
    };
    explicit TWidgetStrings(TOps ops) : ops_(std::move(ops)) {}

    int Count() const override { return ops_.count(); }
    QString Get(int index) const override;
    void Put(int index, const QString& text) override;
    void* GetObject(int index) const override;
    void PutObject(int index, void* object) override;
    void Insert(int index, const QString& text) override;
    void Delete(int index) override;
    void Clear() override;

private:
    void Check(int index, bool allowEnd = false) const;
    TOps ops_;
    std::vector<void*> objects_;
};

class TLabel : public QLabel, public TControl, public TDialogKeyTarget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TLabel(QWidget* parent = nullptr);
    // "\r" breaks the line; '&' marks the accelerator unless ShowAccelChar is off.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    // The control the accelerator focuses.
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap(); }
    void SetWordWrap(bool wrap) { setWordWrap(wrap); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool Transparent() const { return !autoFillBackground(); }
    void SetTransparent(bool transparent) { setAutoFillBackground(!transparent); }

    bool DialogChar(QChar ch, TShiftState shift) override;

private:
    void Refresh();
    QString caption_;
    QPointer<QWidget> focusControl_;
    bool showAccelChar_ = true;
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
};

class TEdit : public QLineEdit, public TControl {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);
    QString Text() const { return text(); }
    // Raises OnChange when the text changes.
    void SetText(const QString& text);
    // 0 is no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
    // A character other than 0 hides the text.
    QChar PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(QChar ch);
    bool Modified() const { return isModified(); }
    void SetModified(bool modified) { setModified(modified); }
    void SelectAll() { selectAll(); }
    int SelStart() const { return cursorPosition(); }
    void SetSelStart(int start) { setCursorPosition(start); }
    int SelLength() const { return selectedText().size(); }
    void SetSelLength(int length) { setSelection(cursorPosition(), length); }
    QString SelText() const { return selectedText(); }
    // Raised on every change of the text, typed or set.
    TNotifyEvent OnChange;

protected:
    QPalette::ColorRole ColorRole() const override { return QPalette::Base; }

private:
    int maxLength_ = 0;
    QChar passwordChar_;
};

class TMemo : public QPlainTextEdit, public TControl {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent = nullptr);
    TStrings& Lines() { return lines_; }
    QString Text() const { return toPlainText(); }
    void SetText(const QString& text);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
    bool WordWrap() const { return lineWrapMode() != NoWrap; }
    void SetWordWrap(bool wrap) { setLineWrapMode(wrap ? WidgetWidth : NoWrap); }
    // Enter breaks the line (on) or goes to the form's Default button (off).
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool want) { wantReturns_ = want; }
    bool WantTabs() const { return !tabChangesFocus(); }
    void SetWantTabs(bool want) { setTabChangesFocus(!want); }
    TNotifyEvent OnChange;

    bool WantsKey(int key, TShiftState shift) const override;

protected:
    QPalette::ColorRole ColorRole() const override { return QPalette::Base; }

private:
    TWidgetStrings lines_;
    bool wantReturns_ = true;
};

class TButton : public QPushButton, public TControl, public TFormButton {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TButton(QWidget* parent = nullptr);
    QString Caption() const override { return caption_; }
    void SetCaption(const QString& caption);
    bool Default() const override { return default_; }
    void SetDefault(bool value);
    bool Cancel() const override { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const override { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    QWidget* ButtonWidget() override { return this; }
    void Click() override;
    bool ClicksOnMouseUp() const override { return false; }

private:
    QString caption_;
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public QCheckBox, public TControl, public TDialogKeyTarget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TCheckBox(QWidget* parent = nullptr);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // A change, by the user or by the program, raises OnClick.
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    TCheckBoxState State() const;
    void SetState(TCheckBoxState state);
    bool AllowGrayed() const { return isTristate(); }
    void SetAllowGrayed(bool allow) { setTristate(allow); }
    // taLeftJustify puts the text left of the box.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool ClicksOnMouseUp() const override { return false; }
    bool DialogChar(QChar ch, TShiftState shift) override;

private:
    QString caption_;
    TAlignment alignment_ = taRightJustify;
};

class TRadioButton : public QRadioButton, public TControl, public TDialogKeyTarget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TRadioButton(QWidget* parent = nullptr);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Becoming checked, by the user or by the program, raises OnClick; the other radio buttons
    // of the same parent are unchecked.
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    bool ClicksOnMouseUp() const override { return false; }
    bool DialogChar(QChar ch, TShiftState shift) override;

private:
    QString caption_;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public QComboBox, public TControl {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);
    TStrings& Items() { return items_; }
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    // The edit text; in a drop-down list the chosen item's (setting selects the item with that
    // text, or none).
    QString Text() const { return currentText(); }
    void SetText(const QString& text);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int count) { setMaxVisibleItems(count); }
    bool DroppedDown() const;
    void SetDroppedDown(bool down);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    // OnChange: the user typed or chose an item (not raised by the program's own changes).
    TNotifyEvent OnChange;
    // OnSelect (and OnClick): the user chose an item from the list.
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void showPopup() override;
    void hidePopup() override;
    bool ClicksOnMouseUp() const override { return false; }

protected:
    // The user's change of the text or the choice; raises OnChange.
    virtual void Change();
    QPalette::ColorRole ColorRole() const override { return QPalette::Base; }

private:
    TWidgetStrings items_;
    QPointer<QLineEdit> connectedEdit_;
    TComboBoxStyle style_ = csDropDown;
    int maxLength_ = 0;
    bool sorted_ = false;
};

class TListBox : public QListWidget, public TControl {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);
    TStrings& Items() { return items_; }
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int index) { setCurrentRow(index); }

protected:
    QPalette::ColorRole ColorRole() const override { return QPalette::Base; }

private:
    TWidgetStrings items_;
};

class TGroupBox : public QGroupBox, public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TGroupBox(QWidget* parent = nullptr);
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsSingleBorder };

class TPanel : public QFrame, public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TPanel(QWidget* parent = nullptr);
    // Drawn in the middle (by Alignment) of the panel.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateMargins();
    QString caption_;
    TAlignment alignment_ = taCenter;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
};

// A scrolling area; controls go on Client().
class TScrollBox : public QScrollArea, public TControl {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent = nullptr);
    QWidget* Client() const { return widget(); }
};

class TSplitter : public QSplitter, public TControl {
    Q_OBJECT
public:
    explicit TSplitter(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

enum TUDBtnType { btNext, btPrev };
using TUDChangingEvent = std::function<void(QObject* sender, bool& allowChange)>;

// Up and down arrows that step Position between Min and Max and show it in the associated edit.
class TUpDown : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);
    int Min() const { return min_; }
    void SetMin(int min);
    int Max() const { return max_; }
    void SetMax(int max);
    int Position() const { return position_; }
    // Clamped to Min .. Max; the associated edit shows it.
    void SetPosition(int position);
    int Increment() const { return increment_; }
    void SetIncrement(int increment) { increment_ = increment; }
    // Past an end, go round to the other.
    bool Wrap() const { return wrap_; }
    void SetWrap(bool wrap) { wrap_ = wrap; }
    TEdit* Associate() const { return associate_; }
    void SetAssociate(TEdit* edit);
    // One step as by the arrow: OnChanging may refuse it; OnClick follows a step taken.
    void Step(TUDBtnType button);
    TUDChangingEvent OnChanging;
    bool ClicksOnMouseUp() const override { return false; }

private:
    void ShowInAssociate();
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int increment_ = 1;
    bool wrap_ = false;
    QPointer<TEdit> associate_;
};

// A picture on the form.
class TImage : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    TPicture& Picture() { return picture_; }
    void LoadFromFile(const QString& fileName);
    void SetImage(const QImage& image);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool proportional);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
};

// The widest a window grows to fit its text: most of the width of the screen it is on.
int WidestWindowWidth(const QWidget* window);

// The lines of `window`'s shown, word-wrapped labels that the label breaks for want of width
// although the window could have been wide enough for them (WidestWindowWidth): a window too
// narrow for its text. Lines are the text's own ("\r" in a caption).
QStringList LinesBrokenByWidth(const QWidget* window);
