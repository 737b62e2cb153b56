#pragma once
// The window base of every `TfXxx`: shown modally with a modal result through the UI host seam,
// or shown without blocking; close query and close action; key preview; and the form-level
// dispatch of menu short-cuts, dialog keys (Enter -> Default button, Escape -> Cancel button)
// and accelerators (Alt+letter, or a bare letter while the focused control takes no text).
//
// Controls join the dispatch by implementing TDialogKeyTarget (or TFormButton, for a push
// button); the form finds them among its descendant widgets, no registration needed.

#include "platform/toolkit/gui/Control.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

class QEventLoop;
class TMainMenu;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter };

using TCloseEvent = std::function<void(QObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(QObject* sender, bool& canClose)>;

// A control that takes part in its form's dialog keys and accelerators. The form offers each key
// to the focused control first, then to every other enabled, shown one, until one takes it.
class TDialogKeyTarget {
public:
    virtual ~TDialogKeyTarget() = default;
    // Enter or Escape that the focused control did not keep; true when this control used it.
    virtual bool DialogKey(int key, TShiftState shift);
    // An accelerator: `ch` typed with Alt held (then `shift` has Qt::AltModifier), or a bare
    // character while the focused control takes no text. True when this control used it.
    virtual bool DialogChar(QChar ch, TShiftState shift);
    // The form's focus moved; `active` is its new active control (null when none).
    virtual void FocusChanged(QWidget* active);
};

// A push button as the form's dispatcher sees it. The default key rules are the standard push
// button's: Enter clicks the focused button, or the Default one while the focus is on no
// button; Escape without Shift, Ctrl or Alt clicks the Cancel button; the accelerator letter
// clicks the button. A button with rules of its own overrides DialogKey and DialogChar.
class TFormButton : public TDialogKeyTarget {
public:
    virtual QWidget* ButtonWidget() = 0;
    virtual bool Default() const = 0;
    virtual bool Cancel() const = 0;
    virtual TModalResult ModalResult() const = 0;
    virtual QString Caption() const = 0;
    // Hands the button's ModalResult to its form (also when it is 0), then raises OnClick.
    virtual void Click() = 0;

    bool DialogKey(int key, TShiftState shift) override;
    bool DialogChar(QChar ch, TShiftState shift) override;
};

class TForm : public QWidget, public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    // A form is a top-level window; `parent` only places it over another window.
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // The form a widget sits on (the widget itself when it is a form), or null.
    static TForm* ParentForm(const QWidget* widget);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // Shown modally through the UI host; the result is the modal result it closed with.
    // Raises EInvalidOperation "Cannot make a visible window modal" when already shown.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    // While modal, a value other than mrNone closes the form once the running handler returns
    // (a handler may still reset it to mrNone).
    void SetModalResult(TModalResult result);
    bool Modal() const { return modal_; }

    // Shown without blocking; over a modal form it stays usable and on top of it (that holds
    // for any way of showing the widget).
    void Show();
    void Hide();
    // Modal: ModalResult := mrCancel. Otherwise CloseQuery, then OnClose with caHide (the
    // action decides: caNone keeps it, caHide hides, caFree hides and deletes it later).
    void Close();
    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible) { visible ? Show() : Hide(); }

    // Raises OnCloseQuery; true when the form may close.
    virtual bool CloseQuery();

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    int ClientWidth() const { return width(); }
    int ClientHeight() const { return height(); }
    void SetClientWidth(int w) { resize(w, height()); }
    void SetClientHeight(int h) { resize(width(), h); }

    // The control that has (or last had) the focus on this form: for a composite control the
    // control itself, not its inner editor.
    QWidget* ActiveControl() const;
    void SetActiveControl(QWidget* control);

    // The main menu's bar takes the top of the form (above the form's layout, when it has one).
    TMainMenu* Menu() const;
    void SetMenu(TMainMenu* menu);

    // Offers a menu short-cut: first to the pop-up menus of `focus` and its parents, then to the
    // main menu. True when an item took it.
    bool IsShortCut(int key, TShiftState shift, QWidget* focus);
    // Offers a dialog key / an accelerator to the form's targets (see TDialogKeyTarget).
    bool DialogKey(int key, TShiftState shift);
    bool DialogChar(QChar ch, TShiftState shift);
    // Tells every target of the form where the focus is now (also after a Default change).
    void NotifyFocusChanged();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    // Raised by DoDestroy, which the application object calls before it deletes the form
    // (a base destructor could not reach the handlers of the derived window any more).
    TNotifyEvent OnDestroy;
    TNotifyEvent OnResize;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

    // Raise OnCreate once the form is built (the application object calls it from CreateForm)
    // and OnDestroy before it goes.
    void DoCreate();
    void DoDestroy();

    // The steps of a modal run, for the UI host: BeginModal shows the form (OnShow, OnActivate)
    // with ModalResult mrNone; CloseModal runs the close query and OnClose for a set modal
    // result and answers whether the form closes (if not, ModalResult is back to mrNone);
    // EndModal hides the form and gives the result. SetModalLoop lets a real host's loop be
    // told to look at ModalResult after each handler.
    void BeginModal();
    bool CloseModal();
    TModalResult EndModal();
    void SetModalLoop(QEventLoop* loop) { modalLoop_ = loop; }
    // The modal forms now running, innermost last.
    static const std::vector<TForm*>& ModalForms();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Activated();
    void Deactivated();
    void PlaceOnScreen();
    bool CloseNonModal();

    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool active_ = false;
    bool keyPreview_ = false;
    bool freeAfterModal_ = false;
    TFormStyle formStyle_ = fsNormal;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    QPointer<TMainMenu> menu_;
    QEventLoop* modalLoop_ = nullptr;
    QWidget* lastActive_ = nullptr;
};

// Installs the application-wide router of key, mouse and focus events to controls and forms
// (done by the first control or form; safe to call again).
void InstallControlEventRouter();
