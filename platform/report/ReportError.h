#pragma once
// The report library's error: a report that cannot be laid out, printed or saved. It is a
// database error, so the application's handlers around each user action catch it too.

#include "platform/toolkit/Exceptions.h"

class EReportError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// Raises EReportError "<item>: <message>", or the message alone for an unnamed item.
[[noreturn]] void ReportError(const QString& itemName, const QString& message);
