#include "platform/toolkit/gui/Control.h"

#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/Menus.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <algorithm>
#include <vector>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// Watches a parent and its aligned children, and places the children again when needed.
class TAligner : public QObject {
public:
    explicit TAligner(QWidget* parent) : QObject(parent), parent_(parent)
    {
        setObjectName(QStringLiteral("toolkitAligner"));
        parent->installEventFilter(this);
    }

    void Watch(QWidget* child)
    {
        if (!child->property("toolkitAligned").toBool()) {
            child->setProperty("toolkitAligned", true);
            child->installEventFilter(this);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ChildRemoved:
        case QEvent::LayoutRequest:
            if (!placing_ && (watched == parent_ || watched->parent() == parent_)) {
                placing_ = true;
                AlignControls(parent_);
                placing_ = false;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget* parent_;
    bool placing_ = false;
};

TAligner* AlignerOf(QWidget* parent)
{
    for (QObject* child : parent->children())
        if (child->objectName() == QLatin1String("toolkitAligner"))
            if (auto* aligner = dynamic_cast<TAligner*>(child)) return aligner;
    return new TAligner(parent);
}

}  // namespace

TControl::TControl(QWidget* self) : self_(self) { InstallControlEventRouter(); }

void TControl::SetAlign(TAlign align)
{
    align_ = align;
    QWidget* parent = self_->parentWidget();
    if (!parent || self_->isWindow()) return;
    AlignerOf(parent)->Watch(self_);
    AlignControls(parent);
}

void AlignControls(QWidget* parent)
{
    QRect area = parent->contentsRect();
    // A menu bar the form placed itself (no layout) takes the top.
    for (QObject* child : parent->children()) {
        auto* bar = qobject_cast<QMenuBar*>(child);
        if (bar && !parent->layout() && !bar->isHidden()) area.setTop(std::max(area.top(), bar->geometry().bottom() + 1));
    }
    std::vector<std::pair<TControl*, QWidget*>> aligned[6];
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || w->isHidden()) continue;
        auto* control = dynamic_cast<TControl*>(w);
        if (control && control->Align() != alNone) aligned[control->Align()].push_back({control, w});
    }
    auto byTop = [](const auto& a, const auto& b) { return a.second->y() < b.second->y(); };
    auto byLeft = [](const auto& a, const auto& b) { return a.second->x() < b.second->x(); };
    std::stable_sort(aligned[alTop].begin(), aligned[alTop].end(), byTop);
    std::stable_sort(aligned[alBottom].begin(), aligned[alBottom].end(), [&](const auto& a, const auto& b) { return byTop(b, a); });
    std::stable_sort(aligned[alLeft].begin(), aligned[alLeft].end(), byLeft);
    std::stable_sort(aligned[alRight].begin(), aligned[alRight].end(), [&](const auto& a, const auto& b) { return byLeft(b, a); });
    for (auto& [c, w] : aligned[alTop]) {
        w->setGeometry(area.left(), area.top(), area.width(), w->height());
        area.setTop(area.top() + w->height());
    }
    for (auto& [c, w] : aligned[alBottom]) {
        w->setGeometry(area.left(), area.bottom() - w->height() + 1, area.width(), w->height());
        area.setBottom(area.bottom() - w->height());
    }
    for (auto& [c, w] : aligned[alLeft]) {
        w->setGeometry(area.left(), area.top(), w->width(), area.height());
        area.setLeft(area.left() + w->width());
    }
    for (auto& [c, w] : aligned[alRight]) {
        w->setGeometry(area.right() - w->width() + 1, area.top(), w->width(), area.height());
        area.setRight(area.right() - w->width());
    }
    for (auto& [c, w] : aligned[alClient]) w->setGeometry(area);
}

TControl::~TControl() = default;

TControl* TControl::Of(const QWidget* widget)
{
    for (QWidget* w = const_cast<QWidget*>(widget); w; w = w->parentWidget()) {
        if (auto* control = dynamic_cast<TControl*>(w)) return control;
        if (w->isWindow()) break;
    }
    return nullptr;
}

namespace {

// The widget's parent; for a popup window (a combo's list) the widget it was opened from, so
// the popup counts as part of it; null for any other window.
QWidget* HolderOf(const QWidget* widget)
{
    if (!widget->isWindow()) return widget->parentWidget();
    return widget->windowType() == Qt::Popup ? widget->parentWidget() : nullptr;
}

}  // namespace

TControl* TControl::FocusOwnerOf(const QWidget* widget)
{
    for (QWidget* w = const_cast<QWidget*>(widget); w; w = HolderOf(w))
        if (auto* control = dynamic_cast<TControl*>(w)) return control;
    return nullptr;
}

bool TControl::Holds(const QWidget* ancestor, const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = HolderOf(w))
        if (w == ancestor) return true;
    return false;
}

void TControl::SetHint(const QString& hint)
{
    hint_ = hint;
    self_->setToolTip(showHint_ ? hint_ : QString());
}

void TControl::SetShowHint(bool show)
{
    showHint_ = show;
    self_->setToolTip(showHint_ ? hint_ : QString());
}

void TControl::SetColor(TColor color)
{
    color_ = color;
    const QPalette::ColorRole role = ColorRole();
    QPalette palette = self_->palette();
    palette.setColor(role, color == clDefault ? QApplication::palette(self_).color(role) : ToQColor(color));
    if (role == QPalette::Window) self_->setAutoFillBackground(color != clDefault);
    self_->setPalette(palette);
}

void TControl::SetFontColor(TColor color)
{
    fontColor_ = color;
    QPalette palette = self_->palette();
    const QPalette defaults = QApplication::palette(self_);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, color == clDefault ? defaults.color(role) : ToQColor(color));
    self_->setPalette(palette);
}

bool TControl::CanFocus() const { return CanFocusWidget(self_); }

void TControl::SetFocus()
{
    // A control that cannot take the focus now stays as it is; the window goes on.
    if (CanFocus()) self_->setFocus(Qt::OtherFocusReason);
}

TPopupMenu* TControl::PopupMenu() const { return popupMenu_.data(); }

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    popupMenu_ = menu;
    self_->setContextMenuPolicy(menu ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
    if (popupConnected_) return;
    popupConnected_ = true;
    QObject::connect(self_, &QWidget::customContextMenuRequested, self_, [this](const QPoint& pos) {
        TPopupMenu* popup = popupMenu_.data();
        if (!popup || !popup->AutoPopup()) return;
        popup->SetPopupComponent(self_);
        const QPoint global = self_->mapToGlobal(pos);
        Guarded([&] { popup->Popup(global.x(), global.y()); });
    });
}

bool TControl::WantsKey(int key, TShiftState) const { return WidgetWantsKey(self_, key); }

bool TControl::TakesText() const { return WidgetTakesText(self_); }

void TControl::KeyUp(int& key, TShiftState shift)
{
    if (OnKeyUp) OnKeyUp(self_, key, shift);
}

bool WidgetWantsKey(const QWidget* self_, int key)
{
    if (auto* view = qobject_cast<const QAbstractItemView*>(self_)) {
        if (key == Qt::Key_Tab) return view->tabKeyNavigation();
        // An open cell editor keeps Enter and Escape for itself.
        QWidget* focus = QApplication::focusWidget();
        return focus && focus != view && view->isAncestorOf(focus);
    }
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(self_))
        return !plain->isReadOnly() && (key == Qt::Key_Return || (key == Qt::Key_Tab && !plain->tabChangesFocus()));
    if (auto* rich = qobject_cast<const QTextEdit*>(self_))
        return !rich->isReadOnly() && (key == Qt::Key_Return || (key == Qt::Key_Tab && !rich->tabChangesFocus()));
    if (auto* combo = qobject_cast<const QComboBox*>(self_)) return combo->view() && combo->view()->isVisible();
    return false;
}

bool WidgetTakesText(const QWidget* w)
{
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

bool CanFocusWidget(const QWidget* widget)
{
    if (!widget || !widget->isEnabled()) return false;
    return widget->isWindow() || widget->isVisibleTo(widget->window());
}

bool IsAccel(QChar ch, const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper() == ch.toUpper();
    }
    return false;
}

QString StripAccel(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}
