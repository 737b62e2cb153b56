#include "platform/toolkit/gui/Menus.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

namespace {

constexpr int kCheckMarkWidth = 12;

// Lets an item with draw or measure handlers paint and size itself; every other item, and
// everything around the items, is left to the application's style.
class TOwnerDrawMenuStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        if (type == CT_MenuItem || type == CT_MenuBarItem) {
            if (TMenuItem* item = MeasuredItem(option, widget); item && item->OnMeasureItem) {
                int width = 0;
                int height = 0;
                item->OnMeasureItem(item, width, height);
                // Like the system, a pop-up item gets the check mark's width beyond what it asked.
                if (type == CT_MenuItem) width += kCheckMarkWidth;
                return QSize(width, height);
            }
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuItem || element == CE_MenuBarItem) {
            if (TMenuItem* item = DrawnItem(option, widget); item && item->OnDrawItem) {
                item->OnDrawItem(item, *painter, option->rect, option->state & State_Selected);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    // An owner-drawn pop-up keeps a 3-pixel frame for its border and shadow, and no margins.
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (qobject_cast<const QMenu*>(widget) && OwnerDrawn(widget)) {
            if (metric == PM_MenuPanelWidth) return 3;
            if (metric == PM_MenuHMargin || metric == PM_MenuVMargin) return 0;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    static bool OwnerDrawn(const QWidget* widget)
    {
        const QList<QAction*> actions = ActionsOf(widget);
        return std::any_of(actions.begin(), actions.end(), [](const QAction* action) {
            const TMenuItem* item = TMenuItem::OfAction(action);
            return item && item->OnDrawItem;
        });
    }

    static QList<QAction*> ActionsOf(const QWidget* widget) { return widget ? widget->actions() : QList<QAction*>(); }

    static TMenuItem* DrawnItem(const QStyleOption* option, const QWidget* widget)
    {
        const QAction* action = nullptr;
        if (const auto* menu = qobject_cast<const QMenu*>(widget))
            action = menu->actionAt(option->rect.center());
        else if (const auto* bar = qobject_cast<const QMenuBar*>(widget))
            action = bar->actionAt(option->rect.center());
        return TMenuItem::OfAction(action);
    }

    // The style is asked for sizes by text; items that read alike measure alike.
    static TMenuItem* MeasuredItem(const QStyleOption* option, const QWidget* widget)
    {
        const auto* menuOption = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!menuOption) return nullptr;
        const bool separator = menuOption->menuItemType == QStyleOptionMenuItem::Separator;
        const QString text = menuOption->text.section(QLatin1Char('\t'), 0, 0);
        for (QAction* action : ActionsOf(widget)) {
            if (action->isSeparator() != separator || !action->isVisible()) continue;
            if (separator || action->text() == text) return TMenuItem::OfAction(action);
        }
        return nullptr;
    }
};

void TellMenuShowing(TMenu* menu)
{
    if (!menu) return;
    QEvent showing(MenuShowingEvent());
    QCoreApplication::sendEvent(menu, &showing);
}

QStyle* OwnerDrawMenuStyle()
{
    static QPointer<TOwnerDrawMenuStyle> style;
    if (!style) {
        style = new TOwnerDrawMenuStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

QEvent::Type MenuShowingEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TShortCut ShortCut(int key, TShiftState shift)
{
    if (key == 0) return {};
    return QKeySequence(QKeyCombination(shift & ~Qt::KeypadModifier, Qt::Key(key)));
}

TShortCut TextToShortCut(const QString& text)
{
    const QKeySequence seq = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (seq.isEmpty() || seq[0].key() == Qt::Key_unknown) return {};
    return QKeySequence(seq[0]);
}

QString ShortCutToText(const TShortCut& shortCut) { return shortCut.toString(QKeySequence::PortableText); }

// -- TMenuItem

TMenuItem::TMenuItem(QObject* owner) : TComponent(owner), action_(new QAction(this))
{
    connect(action_, &QAction::triggered, this, [this] {
        SyncAction();  // Qt toggles a checkable action itself; Checked stays ours.
        Guarded([this] { Click(); });
    });
}

TMenuItem::~TMenuItem()
{
    Destroying();
    if (parent_) parent_->Remove(this);
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        if (!child->Owner() && !child->parent()) delete child;
    }
}

void TMenuItem::SetCaption(const QString& caption)
{
    caption_ = caption;
    SyncAction();
}

void TMenuItem::SetShortCut(const TShortCut& shortCut)
{
    shortCut_ = shortCut;
    SyncAction();
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked_ == checked) return;
    checked_ = checked;
    if (checked_ && radioItem_) UncheckGroupSiblings();
    SyncAction();
}

void TMenuItem::SetRadioItem(bool radio)
{
    radioItem_ = radio;
    if (checked_ && radioItem_) UncheckGroupSiblings();
}

void TMenuItem::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    SyncAction();
}

void TMenuItem::SetVisible(bool visible)
{
    visible_ = visible;
    SyncAction();
}

void TMenuItem::SetHint(const QString& hint)
{
    hint_ = hint;
    SyncAction();
}

void TMenuItem::UncheckGroupSiblings()
{
    if (!parent_) return;
    for (TMenuItem* sibling : parent_->items_)
        if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_ && sibling->checked_) {
            sibling->checked_ = false;
            sibling->SyncAction();
        }
}

void TMenuItem::SyncAction()
{
    action_->setText(caption_);
    action_->setSeparator(IsLine());
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    action_->setStatusTip(hint_);
    action_->setCheckable(checked_);
    action_->setChecked(checked_);
    // Shown in the menu; matched by the form's dispatch, so Qt takes it only inside the menu.
    action_->setShortcutContext(Qt::WidgetShortcut);
    action_->setShortcut(shortCut_);
}

void TMenuItem::Click()
{
    if (!enabled_) return;
    if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
    if (OnClick) OnClick(this);
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return items_[size_t(index)];
}

int TMenuItem::MenuIndex() const
{
    if (!parent_) return -1;
    auto it = std::find(parent_->items_.begin(), parent_->items_.end(), this);
    return int(it - parent_->items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item || item == this) return;
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Rebuild();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    Rebuild();
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = Items(index);
    if (!item) return;
    Remove(item);
    if (!item->Owner()) delete item;
}

void TMenuItem::Clear()
{
    while (!items_.empty()) Delete(Count() - 1);
}

TMenuItem* TMenuItem::Find(const QString& caption) const
{
    for (TMenuItem* item : items_)
        if (StripAccel(item->caption_).compare(StripAccel(caption), Qt::CaseInsensitive) == 0) return item;
    return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(const TShortCut& shortCut)
{
    if (!enabled_ || !visible_) return nullptr;
    if (!shortCut_.isEmpty() && shortCut_ == shortCut) return this;
    for (TMenuItem* item : items_)
        if (TMenuItem* found = item->FindShortCut(shortCut)) return found;
    return nullptr;
}

QMenu* TMenuItem::SubMenu()
{
    if (!subMenu_) {
        subMenu_ = std::make_unique<QMenu>();
        subMenu_->setStyle(OwnerDrawMenuStyle());
        // Opening an item with sub-items raises its OnClick, so handlers can set the items up.
        connect(subMenu_.get(), &QMenu::aboutToShow, this, [this] {
            TellMenuShowing(GetParentMenu());
            Guarded([this] {
                if (OnClick) OnClick(this);
            });
        });
        if (!container_) container_ = subMenu_.get();
        action_->setMenu(subMenu_.get());
    }
    return subMenu_.get();
}

void TMenuItem::SetContainer(QWidget* container)
{
    if (container_)
        for (TMenuItem* item : items_) container_->removeAction(item->action_);
    container_ = container;
    if (container_) Rebuild();
}

void TMenuItem::Rebuild()
{
    if (IsDestroying()) return;
    if (!container_ && !items_.empty()) SubMenu();
    if (subMenu_ && container_ == subMenu_.get()) action_->setMenu(items_.empty() ? nullptr : subMenu_.get());
    if (!container_) return;
    for (QAction* a : container_->actions()) container_->removeAction(a);
    for (TMenuItem* item : items_) {
        if (!item->items_.empty()) item->SubMenu();
        container_->addAction(item->action_);
    }
}

// -- TMenu

TMenuItem* TMenuItem::OfAction(const QAction* action)
{
    return action ? qobject_cast<TMenuItem*>(action->parent()) : nullptr;
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return qobject_cast<TMenu*>(root->parent());
}

TMenu::TMenu(QObject* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

bool TMenu::IsShortCut(int key, TShiftState shift)
{
    const TShortCut wanted = ShortCut(key, shift);
    if (wanted.isEmpty()) return false;
    TMenuItem* found = nullptr;
    for (int i = 0; i < items_->Count() && !found; ++i) found = items_->Items(i)->FindShortCut(wanted);
    if (!found) return false;
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = found->Parent(); p && p != items_; p = p->Parent()) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if ((*it)->OnClick) (*it)->OnClick(*it);
    found->Click();
    return true;
}

// -- TMainMenu

TMainMenu::TMainMenu(QObject* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu()
{
    Destroying();
    if (bar_) Items()->SetContainer(nullptr);
}

QMenuBar* TMainMenu::MenuBar(QWidget* parent)
{
    if (!bar_) {
        bar_ = new QMenuBar(parent);
        bar_->setStyle(OwnerDrawMenuStyle());
        bar_->installEventFilter(this);
        connect(bar_, &QObject::destroyed, this, [this] { bar_ = nullptr; });
        Items()->SetContainer(bar_);
    }
    return bar_;
}

bool TMainMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == bar_ && event->type() == QEvent::Show) TellMenuShowing(this);
    return false;
}

bool TMainMenu::OpenAccelerator(QChar ch)
{
    if (!bar_) return false;
    for (int i = 0; i < Items()->Count(); ++i) {
        TMenuItem* item = Items()->Items(i);
        if (item->Visible() && item->Enabled() && IsAccel(ch, item->Caption())) {
            bar_->setActiveAction(item->Action());
            return true;
        }
    }
    return false;
}

// -- TPopupMenu

TPopupMenu::TPopupMenu(QObject* owner) : TMenu(owner) {}

TPopupMenu::~TPopupMenu()
{
    Destroying();
    Items()->SetContainer(nullptr);
}

QMenu* TPopupMenu::Menu()
{
    if (!menu_) {
        menu_ = std::make_unique<QMenu>();
        menu_->setStyle(OwnerDrawMenuStyle());
        connect(menu_.get(), &QMenu::aboutToShow, this, [this] { TellMenuShowing(this); });
        Items()->SetContainer(menu_.get());
    }
    return menu_.get();
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup) OnPopup(this);
    Menu()->popup(QPoint(x, y));
}
