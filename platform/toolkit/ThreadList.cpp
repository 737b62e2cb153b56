#include "platform/toolkit/ThreadList.h"

#include "platform/toolkit/Exceptions.h"

void ThreadListDuplicateError() { throw EListError(QStringLiteral("List does not allow duplicates")); }
