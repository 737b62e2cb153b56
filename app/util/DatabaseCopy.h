#pragma once
// Copies of the shop database file (backups, the archive copy, the copy kept before a repair).
// A copy is taken through the database engine's online backup, never as raw bytes of a file
// another connection may be writing, and replaces the target only once it is complete.

#include <QString>
#include <QStringList>

// Copies `source` to `target`, overwriting it. False when the source cannot be read as a
// database or the copy cannot be written; an existing target then stays as it was.
bool CopyDatabaseFile(const QString& source, const QString& target);

// The copy the settings window takes before a repair or compaction: "Temp.mdb" in the current
// folder.
QString RepairCopyFile();

// What of the database `database` can be there when the file itself is missing: the copy taken
// before a repair, its journal and what interrupted compactions and repairs left beside it. Full
// paths; empty when there is nothing.
QStringList DatabaseLeftovers(const QString& database);
