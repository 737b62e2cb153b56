#pragma once
// Compacting and repairing a database file that nobody has open. Each writes a new file beside
// the target, puts it on the disk and only then gives it its name in one rename, so a failure or
// a stop at any step leaves the original (or the finished new file) under the name.

#include <QString>
#include <QStringList>

namespace dao {

// Copies the database into a new, compact file `target` (which must not exist). The password
// ("<text>" or ";pwd=<text>") opens the source and stays on the copy; a locale text changes the
// collating order, options dbVersion30 / dbVersion40 the format version.
void CompactDatabaseFile(const QString& source, const QString& target, const QString& locale, int options,
                         const QString& password, const QString& engineVersion);

// Compacts the database into a new file that takes its name in one rename, the original held
// alone until then. The password opens the file and stays on it.
void CompactDatabaseFileInPlace(const QString& path, const QString& password, const QString& engineVersion);

// The files an interrupted compaction or repair of `path` can have left beside it (names
// matched without letter case), as full paths in name order.
QStringList MaintenanceLeftovers(const QString& path);

// Rebuilds the file in place, keeping every row that can still be read.
void RepairDatabaseFile(const QString& path);

}  // namespace dao
