#pragma once
// The timer component: while Enabled with an Interval above 0 it ticks every Interval
// milliseconds on the thread of its event loop and calls OnTimer (when assigned). A timer made
// while its owner is loading starts when loading ends (Loaded). An exception that leaves
// OnTimer goes to HandleException, never through the event loop.

#include "platform/toolkit/Component.h"

#include <QTimer>
#include <functional>

class TTimer : public TComponent {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TTimer*)>;

    explicit TTimer(QObject* owner = nullptr);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A negative interval counts as 0, which stops the ticks.
    void SetInterval(int interval);

    void Loaded() override;

    TNotifyEvent OnTimer;

protected:
    // One tick: calls OnTimer.
    virtual void Timer();

private:
    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;

    void UpdateTimer();
    void Tick();
};
