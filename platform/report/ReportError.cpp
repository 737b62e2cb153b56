#include "platform/report/ReportError.h"

void ReportError(const QString& itemName, const QString& message)
{
    if (itemName.isEmpty())
        throw EReportError(message);
    throw EReportError(itemName + QStringLiteral(": ") + message);
}
