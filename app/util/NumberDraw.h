#pragma once
// Running numbers (orders, invoices) drawn so that two stations never store the same one.

#include <QString>

class TDaoDatabase;

namespace app {

// Stores in `field` of the `table` row whose id is `rowId` one more than the highest `field`
// of the rows `scope` selects (every row when empty; Jet criteria without user text), reading
// and writing inside one write transaction of the engine, and returns the number stored.
// Throws the engine's error; nothing is stored then.
qint32 DrawNextNumber(TDaoDatabase& database, const QString& table, const QString& field, qint32 rowId,
                      const QString& scope = QString());

}  // namespace app
