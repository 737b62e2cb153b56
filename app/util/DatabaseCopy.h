#pragma once
// Copies of the shop database file (backups, the archive copy, the copy kept before a repair).
// A copy is taken through the database engine's online backup, never as raw bytes of a file
// another connection may be writing, and replaces the target only once it is complete.

#include <QString>

// Copies `source` to `target`, overwriting it. False when the source cannot be read as a
// database or the copy cannot be written; an existing target then stays as it was.
bool CopyDatabaseFile(const QString& source, const QString& target);
