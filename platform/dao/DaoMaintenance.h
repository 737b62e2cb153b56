#pragma once
// Compacting and repairing a database file that nobody has open. Both write a new file beside
// the target and put it in place in one rename, so a failure leaves the original as it was.

#include <QString>

namespace dao {

// Copies the database into a new, compact file `target` (which must not exist). The password
// ("<text>" or ";pwd=<text>") opens the source and stays on the copy; a locale text changes the
// collating order, options dbVersion30 / dbVersion40 the format version.
void CompactDatabaseFile(const QString& source, const QString& target, const QString& locale, int options,
                         const QString& password, const QString& engineVersion);

// Rebuilds the file in place, keeping every row that can still be read.
void RepairDatabaseFile(const QString& path);

}  // namespace dao
