#include "platform/toolkit/Timer.h"

#include "platform/toolkit/Exceptions.h"

TTimer::TTimer(QObject* owner) : TComponent(owner)
{
    connect(&timer_, &QTimer::timeout, this, &TTimer::Tick);
    UpdateTimer();
}

TTimer::~TTimer()
{
    Destroying();
    timer_.stop();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(int interval)
{
    interval = std::max(interval, 0);
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::Timer()
{
    if (OnTimer) OnTimer(this);
}

void TTimer::UpdateTimer()
{
    timer_.stop();
    if (enabled_ && interval_ > 0 && !IsLoading() && !IsDestroying()) timer_.start(interval_);
}

void TTimer::Tick()
{
    try {
        Timer();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
