#pragma once
// The user list of a database, read from its lock file: who is connected now, who was, and who
// left without closing. The three functions the information component asks.

#include <QString>
#include <QStringList>

namespace dao {

// The database's format version (3 or 4); negative on error (LDBUser_GetError tells which).
int LDBUser_GetDatabaseVersion(const QString& databasePath);

// Option 8: the number of users connected now (users may be null). Options 1 (every user in
// the lock file), 2 (connected now) and 4 (left without closing): fills users with
// "<computer>/<user>" lines and returns their number. Negative on error.
int LDBUser_GetUsers(QStringList* users, const QString& databasePath, int option);

// The text of an error code of the two functions above.
QString LDBUser_GetError(int code);

}  // namespace dao
