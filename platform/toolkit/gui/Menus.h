#pragma once
// Main menus, pop-up menus and their items. An item is a component (its name is the object
// name the caption files use) shown through a QAction; items with sub-items open a QMenu.
// Short-cuts are matched by the form's key dispatch, not by Qt's shortcut map, so a short-cut
// works exactly while its form has the focus and its item is enabled and shown.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/Control.h"

#include <QEvent>
#include <QKeySequence>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QPainter;
class QRect;
class QMenu;
class QMenuBar;
class QWidget;

// A short-cut is one key combination; an empty sequence is none.
using TShortCut = QKeySequence;
TShortCut ShortCut(int key, TShiftState shift);
// "Ctrl+Ins", "F5", "Ctrl+Del", "Shift+F2"; an empty or unknown text gives no short-cut.
TShortCut TextToShortCut(const QString& text);
QString ShortCutToText(const TShortCut& shortCut);

class TMenu;

// Sent to a menu (its TMainMenu or TPopupMenu) just before one of its lists opens and whenever
// its menu bar is shown, so that a component may make the items ready first.
QEvent::Type MenuShowingEvent();

// Owner drawing: with a handler set, the item is measured or painted by it instead of the style.
// `selected` is the highlighted item of an open menu or the open item of the menu bar.
using TMenuDrawItemEvent = std::function<void(QObject* sender, QPainter& canvas, const QRect& rect, bool selected)>;
using TMenuMeasureItemEvent = std::function<void(QObject* sender, int& width, int& height)>;

class TMenuItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TMenuItem(QObject* owner = nullptr);
    ~TMenuItem() override;

    // "-" makes the item a separator line.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool IsLine() const { return caption_ == QLatin1String("-"); }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(const TShortCut& shortCut);
    // Checking a radio item unchecks the other radio items of its group under the same parent.
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool radio);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    // A click toggles Checked (a radio item only checks itself).
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { imageIndex_ = index; }

    // Raised by a click, a short-cut, and (for an item with sub-items) by opening it.
    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;
    // The item a menu's action shows; null for an action of no item.
    static TMenuItem* OfAction(const QAction* action);
    // The menu the item is part of; null while it is in none.
    TMenu* GetParentMenu() const;
    // AutoCheck, then OnClick. Does nothing while the item is disabled.
    virtual void Click();

    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    // Sub-items are not owned by their parent item unless they have no owner.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear();
    // The sub-item whose caption (without '&') matches, ignoring case; null when none.
    TMenuItem* Find(const QString& caption) const;
    // The enabled, shown item at or below this one with the short-cut; null when none.
    TMenuItem* FindShortCut(const TShortCut& shortCut);

    QAction* Action() const { return action_; }
    // The QMenu of the sub-items (created on first use).
    QMenu* SubMenu();
    // Where the sub-items' actions are shown: the sub-menu, or for a menu's root item the menu
    // bar or pop-up it is shown in; null detaches them.
    void SetContainer(QWidget* container);

private:
    void Rebuild();
    void UncheckGroupSiblings();
    void SyncAction();

    QString caption_;
    TShortCut shortCut_;
    bool checked_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool autoCheck_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    QString hint_;
    int imageIndex_ = -1;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    QAction* action_ = nullptr;
    std::unique_ptr<QMenu> subMenu_;
    QPointer<QWidget> container_;
};

// What a main menu and a pop-up menu share: the root item and the short-cut lookup.
class TMenu : public TComponent {
    Q_OBJECT
public:
    explicit TMenu(QObject* owner = nullptr);
    TMenuItem* Items() const { return items_; }
    // Finds the item of the short-cut; raises the OnClick of its parent items from the top
    // (as opening them would) and clicks it. True when an item took it.
    bool IsShortCut(int key, TShiftState shift);

private:
    TMenuItem* items_;
};

class TMainMenu : public TMenu {
    Q_OBJECT
public:
    explicit TMainMenu(QObject* owner = nullptr);
    ~TMainMenu() override;
    // The menu bar showing the top items, made once, a child of `parent`.
    QMenuBar* MenuBar(QWidget* parent);
    // Opens the top item whose caption has the accelerator `ch`; true when there is one.
    bool OpenAccelerator(QChar ch);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenuBar* bar_ = nullptr;
};

class TPopupMenu : public TMenu {
    Q_OBJECT
public:
    explicit TPopupMenu(QObject* owner = nullptr);
    ~TPopupMenu() override;
    // Raised just before the menu opens (handlers enable and disable items here).
    TNotifyEvent OnPopup;
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    // The control the menu was last opened for.
    QWidget* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(QWidget* control) { popupComponent_ = control; }
    // OnPopup, then the menu opens at the screen point without waiting for a choice.
    void Popup(int x, int y);
    QMenu* Menu();

private:
    std::unique_ptr<QMenu> menu_;
    QWidget* popupComponent_ = nullptr;
    bool autoPopup_ = true;
};
