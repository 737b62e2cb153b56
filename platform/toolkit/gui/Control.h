#pragma once
// What every control of the toolkit adds to its Qt widget: the events the windows bind by name,
// tag, hint, help context, pop-up menu, and which keys the control keeps for itself. A control
// class inherits its Qt widget class and TControl; the form's event router (Form.cpp) raises the
// key, mouse and focus events, so a control class only raises the events of its own kind
// (OnClick, OnChange).

#include "platform/toolkit/gui/Colors.h"

#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>

class TPopupMenu;
class TBasicAction;
class TControl;
class TControlActionLink;

// Frees a control's action link (the link classes live with the actions, in Actions.h).
struct TControlActionLinkDeleter {
    void operator()(TControlActionLink* link) const;
};
// Makes the action link of a client control; ActionLinkClassOf<Link>() gives one.
using TControlActionLinkClass = TControlActionLink* (*)(TControl* client);

using TShiftState = Qt::KeyboardModifiers;
using TNotifyEvent = std::function<void(QObject* sender)>;
// `key` is a Qt::Key; Enter on the keypad arrives as Qt::Key_Return and Shift+Tab as Qt::Key_Tab
// with Shift. A handler that sets `key` to 0 swallows the key.
using TKeyEvent = std::function<void(QObject* sender, int& key, TShiftState shift)>;
// `key` is the typed character: '\r' for Enter, '\x1b' for Escape, '\t' for Tab, '\b' for
// Backspace. A handler that sets it to 0 swallows it; one that changes it types the new one.
using TKeyPressEvent = std::function<void(QObject* sender, QChar& key)>;
using TMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Where a control sits in its parent: stacked along an edge (keeping its height or width) or
// filling what the edge controls leave.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using TMouseEvent = std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

class TControl {
public:
    explicit TControl(QWidget* self);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    QWidget* Widget() const { return self_; }
    // The nearest control at or above `widget` (an inner editor belongs to its grid or combo).
    static TControl* Of(const QWidget* widget);
    // The same for the widget holding the focus: a popup it opened (a combo's list) is still
    // that control, so opening and closing the list is no exit and no entry.
    static TControl* FocusOwnerOf(const QWidget* widget);
    // `widget` is `ancestor` or lies within it, popups it opened included.
    static bool Holds(const QWidget* ancestor, const QWidget* widget);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    QString Name() const { return self_->objectName(); }
    void SetName(const QString& name) { self_->setObjectName(name); }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

    // The hint shows as a tool tip only while ShowHint is on.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    bool Enabled() const { return self_->isEnabled(); }
    void SetEnabled(bool enabled) { self_->setEnabled(enabled); }
    bool Visible() const { return !self_->isHidden(); }
    void SetVisible(bool visible) { self_->setVisible(visible); }
    void Show() { self_->show(); }
    void Hide() { self_->hide(); }

    int Left() const { return self_->x(); }
    int Top() const { return self_->y(); }
    int Width() const { return self_->width(); }
    int Height() const { return self_->height(); }
    void SetLeft(int left) { self_->move(left, self_->y()); }
    void SetTop(int top) { self_->move(self_->x(), top); }
    void SetWidth(int width) { self_->resize(width, self_->height()); }
    void SetHeight(int height) { self_->resize(self_->width(), height); }
    void SetBounds(int left, int top, int width, int height) { self_->setGeometry(left, top, width, height); }
    // The parent places aligned controls again whenever it, or one of them, changes size or
    // is shown or hidden.
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    // Background and font colours as toolkit colours; clDefault gives back the style's own.
    TColor Color() const { return color_; }
    virtual void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    virtual void SetFontColor(TColor color);
    QFont Font() const { return self_->font(); }
    void SetFont(const QFont& font) { self_->setFont(font); }

    bool Focused() const { return self_->hasFocus(); }
    bool CanFocus() const;
    void SetFocus();
    void Repaint() { self_->repaint(); }
    void Invalidate() { self_->update(); }

    // Opens on a right click (when its AutoPopup is on); its short-cuts work while the focus
    // is in this control or below it.
    TPopupMenu* PopupMenu() const;
    void SetPopupMenu(TPopupMenu* menu);

    // Enter, Escape or Tab that this control uses itself, so the form does not take it for its
    // Default or Cancel button or for moving the focus.
    virtual bool WantsKey(int key, TShiftState shift) const;
    // True when typed characters go into this control, so that a bare letter is no accelerator.
    virtual bool TakesText() const;
    // True when a left press and release on the control raise OnClick (the router does it);
    // buttons, check boxes and the like raise OnClick themselves and answer false.
    virtual bool ClicksOnMouseUp() const { return true; }
    // A key released over the control (the event router calls it); raises OnKeyUp. Setting
    // `key` to 0 swallows the key.
    virtual void KeyUp(int& key, TShiftState shift);

    // The action whose caption, enabled state, hint and help context the control shows and
    // which a click runs when the control has no OnClick of its own; nullptr for none. An
    // action that is freed is forgotten. (Defined with the actions.)
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    TControlActionLink* ActionLink() const { return actionLink_.get(); }

protected:
    // Takes the properties of the action `sender`; with `checkDefaults` only those the control
    // still has at their defaults. Runs on every change of the action.
    virtual void ActionChange(QObject* sender, bool checkDefaults);
    // The kind of link SetAction makes for this control.
    virtual TControlActionLinkClass GetActionLinkClass() const;
    // OnClick when it is set, otherwise the action.
    void ClickOrExecute();

    // The palette role a colour change paints; edits and lists use the base, panels the window.
    virtual QPalette::ColorRole ColorRole() const { return QPalette::Window; }

private:
    QWidget* self_;
    QPointer<TPopupMenu> popupMenu_;
    bool popupConnected_ = false;
    QString hint_;
    bool showHint_ = true;
    int tag_ = 0;
    int helpContext_ = 0;
    TColor color_ = clDefault;
    TColor fontColor_ = clDefault;
    TAlign align_ = alNone;
    std::unique_ptr<TControlActionLink, TControlActionLinkDeleter> actionLink_;
};

// Places the aligned controls of `parent` (SetAlign does it on every change that matters).
void AlignControls(QWidget* parent);

// Errors that reach the event loop from a handler are reported as the toolkit does: the
// application object's HandleException, or an error box through the UI host. A scripted host's
// process exit ends the handler quietly (the host has recorded it).
void ReportException(const std::exception& error);
template <class F>
void Guarded(F&& action) noexcept;

// The rules for a plain Qt widget that is no toolkit control (TControl's defaults use them).
bool WidgetWantsKey(const QWidget* widget, int key);
bool WidgetTakesText(const QWidget* widget);
// Whether a widget can take the focus now: enabled and shown within its window.
bool CanFocusWidget(const QWidget* widget);
// True when `ch` is the accelerator of `caption` (the letter after a single '&').
bool IsAccel(QChar ch, const QString& caption);
// The caption as shown: "&&" becomes "&", a single '&' disappears.
QString StripAccel(const QString& caption);

#include <exception>

class EProcessExit;
namespace toolkit_detail {
bool IsProcessExit(const std::exception& error);
}

template <class F>
void Guarded(F&& action) noexcept
{
    try {
        action();
    } catch (const std::exception& error) {
        if (!toolkit_detail::IsProcessExit(error)) ReportException(error);
    } catch (...) {
        ReportException(std::runtime_error("Unknown error"));
    }
}
