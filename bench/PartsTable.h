#pragma once
// The data file the DAO benchmarks measure on, and the walk over it with SQLite alone that
// they are measured against.

#include <QString>

namespace bench {

// A new data file with parts(id counter, name text 40, price double, qty long, bought date,
// active boolean) holding that many rows of the same pseudo-random values on every run.
void BuildPartsDatabase(const QString& path, int rows);

// Every field of every row read with raw sqlite3_step, summed as the benchmarks sum them.
double RawPartsWalk(const QString& path);

}  // namespace bench
