#include "platform/toolkit/Exceptions.h"

#include <QtDebug>

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}

void Exception::SetMessage(const QString& message)
{
    message_ = message;
    utf8_ = message_.toStdString();
}

void DatabaseError(const QString& message)
{
    throw EDatabaseError(message);
}

namespace {
TExceptionHandler& InstalledHandler()
{
    static TExceptionHandler handler;
    return handler;
}
}  // namespace

void SetExceptionHandler(TExceptionHandler handler) { InstalledHandler() = std::move(handler); }

void HandleException(std::exception_ptr error)
{
    if (!error) return;
    if (InstalledHandler()) {
        InstalledHandler()(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // abandoned on purpose: nothing to tell
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    } catch (...) {
        qWarning("Unknown exception");
    }
}
