#include "platform/toolkit/gui/Tabs.h"

#include <QKeyEvent>
#include <QMouseEvent>

// -- TTabControl

namespace {

TWidgetStrings::TOps TabOps(QTabBar* bar)
{
    TWidgetStrings::TOps ops;
    ops.count = [bar] { return bar->count(); };
    ops.get = [bar](int i) { return bar->tabText(i); };
    ops.put = [bar](int i, const QString& text) { bar->setTabText(i, text); };
    ops.insert = [bar](int i, const QString& text) {
        const QSignalBlocker quiet(bar);
        bar->insertTab(i, text);
    };
    ops.remove = [bar](int i) {
        const QSignalBlocker quiet(bar);
        bar->removeTab(i);
    };
    ops.clear = [bar] {
        const QSignalBlocker quiet(bar);
        while (bar->count() > 0) bar->removeTab(0);
    };
    return ops;
}

}  // namespace

TTabControl::TTabControl(QWidget* parent) : QTabBar(parent), TControl(this), tabs_(TabOps(this))
{
    setDrawBase(true);
    connect(this, &QTabBar::currentChanged, this, [this] {
        if (quiet_) return;
        Guarded([this] {
            if (OnChange) OnChange(this);
            if (OnClick) OnClick(this);
        });
    });
}

void TTabControl::SetTabIndex(int index)
{
    quiet_ = true;
    setCurrentIndex(index);
    quiet_ = false;
}

bool TTabControl::AllowChange()
{
    bool allow = true;
    Guarded([&] {
        if (OnChanging) OnChanging(this, allow);
    });
    return allow;
}

void TTabControl::mousePressEvent(QMouseEvent* event)
{
    const int index = tabAt(event->position().toPoint());
    if (index >= 0 && index != currentIndex() && !AllowChange()) {
        event->accept();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TTabControl::keyPressEvent(QKeyEvent* event)
{
    const bool moves = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right;
    if (moves && !AllowChange()) {
        event->accept();
        return;
    }
    QTabBar::keyPressEvent(event);
}

TTabSet::TTabSet(QWidget* parent) : TTabControl(parent) { setShape(QTabBar::RoundedSouth); }

// -- TTabSheet, TPageControl

TTabSheet::TTabSheet(TPageControl* pageControl) : QWidget(pageControl), TControl(this), pageControl_(pageControl)
{
    pageControl_->quiet_ = true;
    pageControl_->addTab(this, QString());
    pageControl_->quiet_ = false;
}

void TTabSheet::SetCaption(const QString& caption)
{
    caption_ = caption;
    if (pageControl_) pageControl_->setTabText(PageIndex(), caption);
}

int TTabSheet::PageIndex() const { return pageControl_ ? pageControl_->indexOf(const_cast<TTabSheet*>(this)) : -1; }

void TTabSheet::SetTabVisible(bool visible)
{
    tabVisible_ = visible;
    if (pageControl_) pageControl_->setTabVisible(PageIndex(), visible);
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), TControl(this)
{
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (quiet_) return;
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
}

TTabSheet* TPageControl::Pages(int index) const { return qobject_cast<TTabSheet*>(widget(index)); }

TTabSheet* TPageControl::ActivePage() const { return qobject_cast<TTabSheet*>(currentWidget()); }

void TPageControl::SetActivePage(TTabSheet* page)
{
    quiet_ = true;
    setCurrentWidget(page);
    quiet_ = false;
}

void TPageControl::SetActivePageIndex(int index)
{
    quiet_ = true;
    setCurrentIndex(index);
    quiet_ = false;
}

// -- TNotebook

TNotebook::TNotebook(QWidget* parent) : QStackedWidget(parent), TControl(this)
{
    connect(this, &QStackedWidget::currentChanged, this, [this] {
        Guarded([this] {
            if (OnPageChanged) OnPageChanged(this);
        });
    });
}

QWidget* TNotebook::AddPage(const QString& name)
{
    auto* page = new QWidget(this);
    page->setObjectName(name);
    names_ << name;
    addWidget(page);
    return page;
}

void TNotebook::SetPageIndex(int index) { setCurrentIndex(index); }

QString TNotebook::ActivePage() const { return names_.value(currentIndex()); }

void TNotebook::SetActivePage(const QString& name)
{
    const int index = int(names_.indexOf(name));
    if (index >= 0) setCurrentIndex(index);
}
