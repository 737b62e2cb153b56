#include "platform/toolkit/gui/Form.h"

#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace {

std::vector<TForm*>& ModalStack()
{
    static std::vector<TForm*> stack;
    return stack;
}

// Enter on the keypad is Enter, Shift+Tab is Tab with Shift, as the windows expect them.
int NormalKey(const QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Enter:
        return Qt::Key_Return;
    case Qt::Key_Backtab:
        return Qt::Key_Tab;
    default:
        return e->key();
    }
}

TShiftState NormalShift(const QKeyEvent* e)
{
    TShiftState shift = e->modifiers() & ~Qt::KeypadModifier;
    if (e->key() == Qt::Key_Backtab) shift |= Qt::ShiftModifier;
    return shift;
}

bool IsDialogKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Escape || key == Qt::Key_Tab; }

TMouseButton ToMouseButton(Qt::MouseButton b)
{
    if (b == Qt::RightButton) return mbRight;
    if (b == Qt::MiddleButton) return mbMiddle;
    return mbLeft;
}

// Routes key, mouse and focus events of the toolkit's controls in the order the windows rely
// on: menu short-cuts, dialog keys, the form's key preview, the control's own key events and
// accelerators, then the widget's normal handling. Each event is routed once, at its first
// receiver, and then delivered on with Qt's own propagation.
class TEventRouter : public QObject {
public:
    explicit TEventRouter(QObject* parent) : QObject(parent)
    {
        connect(qApp, &QApplication::focusChanged, this, &TEventRouter::FocusChanged);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            break;
        default:
            return false;
        }
        if (std::find(inFlight_.begin(), inFlight_.end(), event) != inFlight_.end()) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (!TControl::Of(widget) && !TForm::ParentForm(widget))) return false;
        bool handled = true;
        Guarded([&] { handled = Route(widget, event); });
        return handled;
    }

private:
    bool Route(QWidget* widget, QEvent* event)
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            return ShortcutOverride(widget, static_cast<QKeyEvent*>(event));
        case QEvent::KeyPress:
            return KeyPress(widget, static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease:
            return KeyRelease(widget, static_cast<QKeyEvent*>(event));
        default:
            return Mouse(widget, static_cast<QMouseEvent*>(event));
        }
    }


    // Delivers the event on, with Qt's propagation to the parents, without routing it again.
    // The original delivery then stops here; its acceptance is what the delivery gave.
    bool Deliver(QWidget* target, QEvent* event)
    {
        inFlight_.push_back(event);
        Guarded([&] { QCoreApplication::sendEvent(target, event); });
        inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), event));
        return Consumed(event);
    }

    static bool Consumed(QEvent* event)
    {
        event->accept();
        return true;
    }

    // Alt+character goes to the form's accelerators before Qt's mnemonics take it.
    bool ShortcutOverride(QWidget* target, QKeyEvent* e)
    {
        const TShiftState shift = NormalShift(e);
        if ((shift & Qt::AltModifier) && !(shift & Qt::ControlModifier) && e->text().size() == 1 &&
            e->text()[0].isLetterOrNumber() && TForm::ParentForm(target)) {
            e->accept();
            return true;
        }
        return false;
    }

    static bool Wants(TControl* control, QWidget* target, int key, TShiftState shift)
    {
        return control ? control->WantsKey(key, shift) : WidgetWantsKey(target, key);
    }

    static bool TakesText(TControl* control, QWidget* target)
    {
        return control ? control->TakesText() : WidgetTakesText(target);
    }

    // The control whose events a key raises: none for a plain Qt widget on a form.
    static TControl* KeyControl(QWidget* target, TForm* form)
    {
        TControl* owner = TControl::Of(target);
        return owner == form && target != form ? nullptr : owner;
    }

    bool KeyPress(QWidget* target, QKeyEvent* e)
    {
        QPointer<QWidget> guard(target);
        TForm* form = TForm::ParentForm(target);
        TControl* control = KeyControl(target, form);
        const int key = NormalKey(e);
        const TShiftState shift = NormalShift(e);

        if (form && form->IsShortCut(key, shift, target)) return Consumed(e);
        if (!guard) return Consumed(e);
        if (form && IsDialogKey(key) && !Wants(control, target, key, shift)) {
            if (key == Qt::Key_Tab) return Deliver(target, e);  // moves the focus, raises nothing
            if (form->DialogKey(key, shift)) return Consumed(e);
            if (!guard) return Consumed(e);
        }

        int k = key;
        const bool preview = form && form->KeyPreview() && control != form;
        if (preview && form->OnKeyDown) {
            form->OnKeyDown(form, k, shift);
            if (k == 0 || !guard) return Consumed(e);
        }
        if (control && control->OnKeyDown) {
            control->OnKeyDown(control->Widget(), k, shift);
            if (k == 0 || !guard) return Consumed(e);
        }

        const QString text = e->text();
        if (text.size() == 1) {
            const QChar ch = text[0];
            const bool alt = shift & Qt::AltModifier;
            if (form && (alt ? !(shift & Qt::ControlModifier) : ch.isPrint() && !TakesText(control, target))) {
                if (form->DialogChar(ch, shift)) return Consumed(e);
                if (!guard) return Consumed(e);
                if (alt && form->Menu() && form->Menu()->OpenAccelerator(ch)) return Consumed(e);
            }
            if (alt && !(shift & Qt::ControlModifier)) {
                // An Alt+letter nobody took types nothing.
                QKeyEvent bare(QEvent::KeyPress, k, e->modifiers(), QString(), e->isAutoRepeat(), ushort(e->count()));
                Deliver(target, &bare);
                return Consumed(e);
            }
            if (!alt) {
                QChar c = ch;
                if (preview && form->OnKeyPress) {
                    form->OnKeyPress(form, c);
                    if (c.isNull() || !guard) return Consumed(e);
                }
                if (control && control->OnKeyPress) {
                    control->OnKeyPress(control->Widget(), c);
                    if (c.isNull() || !guard) return Consumed(e);
                }
                if (c != ch) {
                    QKeyEvent typed(QEvent::KeyPress, c.isLetterOrNumber() ? int(c.toUpper().unicode()) : k,
                                    e->modifiers(), QString(c), e->isAutoRepeat(), ushort(e->count()));
                    Deliver(target, &typed);
                    return Consumed(e);
                }
            }
        }
        if (k != key) {
            QKeyEvent changed(QEvent::KeyPress, k, e->modifiers(), QString(), e->isAutoRepeat(), ushort(e->count()));
            Deliver(target, &changed);
            return Consumed(e);
        }
        return Deliver(target, e);
    }

    bool KeyRelease(QWidget* target, QKeyEvent* e)
    {
        QPointer<QWidget> guard(target);
        TForm* form = TForm::ParentForm(target);
        TControl* control = KeyControl(target, form);
        int k = NormalKey(e);
        const TShiftState shift = NormalShift(e);
        if (form && form->KeyPreview() && control != form && form->OnKeyUp) {
            form->OnKeyUp(form, k, shift);
            if (k == 0 || !guard) return Consumed(e);
        }
        if (control) {
            control->KeyUp(k, shift);
            if (k == 0 || !guard) return Consumed(e);
        }
        return Deliver(target, e);
    }

    bool Mouse(QWidget* target, QMouseEvent* e)
    {
        TControl* control = KeyControl(target, TForm::ParentForm(target));
        if (!control) return false;
        QPointer<QWidget> self(control->Widget());
        const QPoint at = target->mapTo(self.data(), e->position().toPoint());
        const TShiftState shift = e->modifiers();
        const QEvent::Type type = e->type();
        const Qt::MouseButton button = e->button();
        if (type == QEvent::MouseMove && control->OnMouseMove) control->OnMouseMove(self.data(), shift, at.x(), at.y());
        if (!self) return Consumed(e);
        if (type == QEvent::MouseButtonPress && button == Qt::LeftButton) pressed_ = self.data();
        Deliver(target, e);
        if (!self) return true;
        if (type == QEvent::MouseButtonPress && control->OnMouseDown)
            control->OnMouseDown(self.data(), ToMouseButton(button), shift, at.x(), at.y());
        if (type == QEvent::MouseButtonRelease) {
            if (control->OnMouseUp) control->OnMouseUp(self.data(), ToMouseButton(button), shift, at.x(), at.y());
            if (self && button == Qt::LeftButton && pressed_ == self.data() && self->rect().contains(at) &&
                control->ClicksOnMouseUp() && control->OnClick)
                control->OnClick(self.data());
            pressed_ = nullptr;
        }
        if (self && type == QEvent::MouseButtonDblClick && control->OnDblClick) control->OnDblClick(self.data());
        return true;
    }

    void FocusChanged(QWidget* old, QWidget* now)
    {
        Guarded([&] { NotifyFocus(old, now); });
    }

    void NotifyFocus(QWidget* old, QWidget* now)
    {
        // An exit handler may delete either widget (a grid closing its cell editor): nothing
        // is read from one after the handlers ran unless it is still there.
        TControl* from = old ? TControl::FocusOwnerOf(old) : nullptr;
        TControl* to = now ? TControl::FocusOwnerOf(now) : nullptr;
        QPointer<QWidget> toWidget(to ? to->Widget() : nullptr);
        QPointer<TForm> fromForm(old ? TForm::ParentForm(old) : nullptr);
        QPointer<TForm> toForm(now ? TForm::ParentForm(now) : nullptr);
        if (from != to) {
            if (from && from->OnExit) from->OnExit(from->Widget());
            if (toWidget && to->OnEnter) to->OnEnter(toWidget.data());
        }
        if (fromForm) fromForm->NotifyFocusChanged();
        if (toForm && toForm != fromForm) toForm->NotifyFocusChanged();
    }

    std::vector<QEvent*> inFlight_;
    QPointer<QWidget> pressed_;
};

}  // namespace

void InstallControlEventRouter()
{
    static QPointer<TEventRouter> router;
    if (router || !qApp) return;
    router = new TEventRouter(qApp);
    qApp->installEventFilter(router);
}

// -- dialog key targets

bool TDialogKeyTarget::DialogKey(int, TShiftState) { return false; }
bool TDialogKeyTarget::DialogChar(QChar, TShiftState) { return false; }
void TDialogKeyTarget::FocusChanged(QWidget*) {}

bool TFormButton::DialogKey(int key, TShiftState shift)
{
    QWidget* self = ButtonWidget();
    if (!CanFocusWidget(self) || (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) return false;
    if (key == Qt::Key_Return) {
        TForm* form = TForm::ParentForm(self);
        QWidget* active = form ? form->ActiveControl() : nullptr;
        const bool focusOnButton = active && dynamic_cast<TFormButton*>(active);
        if (active == self || (Default() && !focusOnButton)) {
            Click();
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Escape && Cancel()) {
        Click();
        return true;
    }
    return false;
}

bool TFormButton::DialogChar(QChar ch, TShiftState)
{
    if (!IsAccel(ch, Caption()) || !CanFocusWidget(ButtonWidget())) return false;
    Click();
    return true;
}

// -- TForm

TForm::TForm(QWidget* parent) : QWidget(parent, Qt::Window), TControl(this)
{
    // A form is button-face grey like its panels, and its buttons and frames take that grey
    // over, so that one window shows one grey.
    SetColor(clBtnFace);
    QPalette faces = palette();
    faces.setColor(QPalette::Button, ToQColor(clBtnFace));
    setPalette(faces);
}

TForm::~TForm()
{
    auto& stack = ModalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
}

TForm* TForm::ParentForm(const QWidget* widget)
{
    for (QWidget* w = const_cast<QWidget*>(widget); w; w = w->parentWidget())
        if (auto* form = qobject_cast<TForm*>(w)) return form;
    return nullptr;
}

const std::vector<TForm*>& TForm::ModalForms() { return ModalStack(); }

void TForm::DoCreate()
{
    if (OnCreate) OnCreate(this);
}

void TForm::DoDestroy()
{
    if (OnDestroy) OnDestroy(this);
}

TModalResult TForm::ShowModal()
{
    if (isVisible() || !isEnabled() || modal_) throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    return UiHost().RunModal(*this);
}

void TForm::SetModalResult(TModalResult result)
{
    modalResult_ = result;
    if (modal_ && modalLoop_ && result != mrNone) modalLoop_->quit();
}

void TForm::BeginModal()
{
    modalResult_ = mrNone;
    freeAfterModal_ = false;
    modal_ = true;
    ModalStack().push_back(this);
    show();
    raise();
    activateWindow();
    if (!active_) Activated();
}

bool TForm::CloseModal()
{
    if (modalResult_ == mrNone) return false;
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        if (OnClose) OnClose(this, action);
    }
    if (action == caNone) {
        modalResult_ = mrNone;
        return false;
    }
    freeAfterModal_ = action == caFree;
    return true;
}

TModalResult TForm::EndModal()
{
    const TModalResult result = modalResult_;
    hide();
    modal_ = false;
    modalLoop_ = nullptr;
    auto& stack = ModalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    if (freeAfterModal_) deleteLater();
    return result;
}

void TForm::Show()
{
    if (!ModalStack().empty() && !modal_ && ModalStack().back() != this) {
        // Over a running modal window a plain window must stay usable: Qt lets through the
        // windows that the modal one is a transient parent of.
        create();
        TForm* top = ModalStack().back();
        top->create();
        if (windowHandle() && top->windowHandle()) windowHandle()->setTransientParent(top->windowHandle());
    }
    show();
    raise();
}

void TForm::Hide()
{
    if (modal_) {
        // A modal window that is hidden is done with: its run ends as by the close box.
        if (modalResult_ == mrNone) SetModalResult(mrCancel);
        return;
    }
    hide();
}

void TForm::Close()
{
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    CloseNonModal();
}

bool TForm::CloseNonModal()
{
    if (!CloseQuery()) return false;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    switch (action) {
    case caNone:
        return false;
    case caMinimize:
        showMinimized();
        return true;
    case caFree:
        hide();
        deleteLater();
        return true;
    case caHide:
        hide();
        return true;
    }
    return true;
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::SetFormStyle(TFormStyle style)
{
    formStyle_ = style;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, style == fsStayOnTop);
    if (shown) show();
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    borderStyle_ = style;
    const bool shown = isVisible();
    Qt::WindowFlags flags = Qt::Window;
    switch (style) {
    case bsNone:
        flags |= Qt::FramelessWindowHint;
        break;
    case bsDialog:
        flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsSingle:
    case bsSizeable:
        break;
    }
    if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    if (shown) show();
}

QWidget* TForm::ActiveControl() const
{
    QWidget* focus = focusWidget();
    if (!focus) return nullptr;
    TControl* control = TControl::Of(focus);
    if (!control || control->Widget() == this) return focus;
    return control->Widget();
}

void TForm::SetActiveControl(QWidget* control)
{
    if (control && CanFocusWidget(control)) control->setFocus(Qt::OtherFocusReason);
}

TMainMenu* TForm::Menu() const { return menu_.data(); }

void TForm::SetMenu(TMainMenu* menu)
{
    menu_ = menu;
    if (!menu) return;
    QMenuBar* bar = menu->MenuBar(this);
    if (layout())
        layout()->setMenuBar(bar);
    else
        bar->setGeometry(0, 0, width(), bar->sizeHint().height());
    bar->show();
}

bool TForm::IsShortCut(int key, TShiftState shift, QWidget* focus)
{
    if (key == 0 || (shift == Qt::NoModifier && key < Qt::Key_Escape)) return false;
    for (QWidget* w = focus; w; w = w->parentWidget()) {
        auto* control = dynamic_cast<TControl*>(w);
        if (control && control->PopupMenu() && control->PopupMenu()->IsShortCut(key, shift)) return true;
        if (w == this) break;
    }
    return menu_ && menu_->IsShortCut(key, shift);
}

namespace {

// The form's dialog key targets that can act now, the active control's first.
std::vector<TDialogKeyTarget*> TargetsOf(TForm* form)
{
    std::vector<TDialogKeyTarget*> targets;
    QWidget* active = form->ActiveControl();
    if (auto* first = dynamic_cast<TDialogKeyTarget*>(active); first && CanFocusWidget(active)) targets.push_back(first);
    for (QWidget* w : form->findChildren<QWidget*>()) {
        auto* target = dynamic_cast<TDialogKeyTarget*>(w);
        if (!target || w == active || TForm::ParentForm(w) != form) continue;
        if (!w->isEnabled() || !w->isVisibleTo(form)) continue;
        targets.push_back(target);
    }
    return targets;
}

// Offers a key to the targets in turn until one takes it; a target that closed the form
// took it.
template <class Offer>
bool OfferToTargets(TForm* form, Offer offer)
{
    QPointer<TForm> self(form);
    for (TDialogKeyTarget* target : TargetsOf(form)) {
        if (offer(target)) return true;
        if (!self) return true;
    }
    return false;
}

}  // namespace

bool TForm::DialogKey(int key, TShiftState shift)
{
    return OfferToTargets(this, [&](TDialogKeyTarget* target) { return target->DialogKey(key, shift); });
}

bool TForm::DialogChar(QChar ch, TShiftState shift)
{
    return OfferToTargets(this, [&](TDialogKeyTarget* target) { return target->DialogChar(ch, shift); });
}

void TForm::NotifyFocusChanged()
{
    QWidget* active = ActiveControl();
    for (QWidget* w : findChildren<QWidget*>())
        if (auto* target = dynamic_cast<TDialogKeyTarget*>(w); target && ParentForm(w) == this) target->FocusChanged(active);
}

void TForm::Activated()
{
    active_ = true;
    if (OnActivate) OnActivate(this);
}

void TForm::Deactivated()
{
    active_ = false;
    if (OnDeactivate) OnDeactivate(this);
}

void TForm::PlaceOnScreen()
{
    QRect area;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
        break;
    case poMainFormCenter:
    case poOwnerFormCenter:
        if (parentWidget()) area = parentWidget()->window()->frameGeometry();
        else if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
        break;
    case poDesigned:
    case poDefault:
        return;
    }
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    PlaceOnScreen();
    if (OnShow) OnShow(this);
}

void TForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    if (active_) Deactivated();
    if (OnHide) OnHide(this);
}

void TForm::closeEvent(QCloseEvent* event)
{
    // The form hides itself; the close box of a modal form answers Cancel.
    event->ignore();
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    CloseNonModal();
}

void TForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (menu_ && !layout())
        if (QMenuBar* bar = menu_->MenuBar(this)) bar->setGeometry(0, 0, width(), bar->sizeHint().height());
    if (OnResize) OnResize(this);
}

bool TForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !active_) Activated();
    if (event->type() == QEvent::WindowDeactivate && active_) Deactivated();
    return QWidget::event(event);
}
