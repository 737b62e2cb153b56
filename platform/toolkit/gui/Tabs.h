#pragma once
// Tab strips and pages: a tab control (a strip of tabs that a window reads to switch its own
// pages), a tab set (the same with a click event), a page control with tab sheets, and a
// notebook of pages without tabs.

#include "platform/toolkit/gui/Control.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>

using TTabChangingEvent = std::function<void(QObject* sender, bool& allowChange)>;

class TTabControl : public QTabBar, public TControl {
    Q_OBJECT
public:
    explicit TTabControl(QWidget* parent = nullptr);
    TStrings& Tabs() { return tabs_; }
    int TabIndex() const { return currentIndex(); }
    // Setting it raises neither OnChanging nor OnChange.
    void SetTabIndex(int index);
    // The person picks a tab: OnChanging may refuse it, then OnChange.
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;
    bool ClicksOnMouseUp() const override { return false; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool AllowChange();
    TWidgetStrings tabs_;
    bool quiet_ = false;
};

// A tab strip whose clicks are the event the windows use.
class TTabSet : public TTabControl {
    Q_OBJECT
public:
    explicit TTabSet(QWidget* parent = nullptr);
};

class TPageControl;

class TTabSheet : public QWidget, public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    // Joins the page control as its last page.
    explicit TTabSheet(TPageControl* pageControl);
    TPageControl* PageControl() const { return pageControl_; }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool visible);

private:
    TPageControl* pageControl_;
    QString caption_;
    bool tabVisible_ = true;
};

class TPageControl : public QTabWidget, public TControl {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    int PageCount() const { return count(); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index);
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;
    bool ClicksOnMouseUp() const override { return false; }

private:
    friend class TTabSheet;
    bool quiet_ = false;
};

// Pages without tabs, one shown at a time; a page is named in Pages.
class TNotebook : public QStackedWidget, public TControl {
    Q_OBJECT
public:
    explicit TNotebook(QWidget* parent = nullptr);
    // A new page at the end, named.
    QWidget* AddPage(const QString& name);
    QWidget* Page(int index) const { return widget(index); }
    QStringList Pages() const { return names_; }
    int PageIndex() const { return currentIndex(); }
    void SetPageIndex(int index);
    QString ActivePage() const;
    void SetActivePage(const QString& name);
    TNotifyEvent OnPageChanged;

private:
    QStringList names_;
};
