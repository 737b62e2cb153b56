#include "platform/os/TickCount.h"

#include <chrono>

quint32 GetTickCount()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<quint32>(static_cast<quint64>(ms));
}
