#pragma once
// items(id counter, n long, x double, t text 20): the small table that the expression tests and
// the SQL fuzz target run their inputs on.

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"

#include <QString>
#include <vector>

struct ItemRow {
    int n;
    double x;
    QString t;  // empty: Null
};

inline void AppendItemsTable(dao::Database& db, const std::vector<ItemRow>& rows)
{
    using namespace dao;
    auto td = db.CreateTableDef(QStringLiteral("items"));
    auto id = td->CreateField(QStringLiteral("id"), dbLong);
    id->SetAttributes(dbAutoIncrField);
    td->Fields().Append(id);
    td->Fields().Append(td->CreateField(QStringLiteral("n"), dbLong));
    td->Fields().Append(td->CreateField(QStringLiteral("x"), dbDouble));
    td->Fields().Append(td->CreateField(QStringLiteral("t"), dbText, 20));
    db.TableDefs().Append(td);
    auto rs = db.OpenRecordset(QStringLiteral("items"), dbOpenDynaset);
    for (const ItemRow& row : rows) {
        rs->AddNew();
        rs->Fields()[QStringLiteral("n")]->SetValue(TVariant(row.n));
        rs->Fields()[QStringLiteral("x")]->SetValue(TVariant(row.x));
        if (!row.t.isEmpty())
            rs->Fields()[QStringLiteral("t")]->SetValue(TVariant(row.t));
        rs->Update();
    }
    rs->Close();
}
