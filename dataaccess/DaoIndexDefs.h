#pragma once
// The index definitions of a table dataset; adding one that its stored table lacks creates the
// index in the engine too.

#include "platform/toolkit/Fields.h"

class TDaoTable;

class TDaoIndexDefs : public TIndexDefs {
public:
    explicit TDaoIndexDefs(TDaoTable* table);

    TDaoTable* Table() const { return table_; }
    // Adds the definition (nothing at all on a table without TableName) and creates the index
    // in the stored table when it is missing there and every field exists. An open table is
    // closed meanwhile and opened again afterwards, also when the engine refuses the index.
    TIndexDef* Add(const QString& name, const QString& fields, TIndexOptions options);

private:
    void CreateEngineIndex(const QString& name, const QStringList& fieldNames, TIndexOptions options);
    TDaoTable* table_;
};
