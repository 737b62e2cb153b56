#pragma once
// The message of the error an action raises, for tests that expect one.

#include "platform/toolkit/Exceptions.h"

#include <QString>
#include <functional>

// The message of the toolkit error (or any error derived from it) `action` raises; empty when
// it raises none.
inline QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}
