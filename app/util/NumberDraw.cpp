#include "app/util/NumberDraw.h"

#include "dataaccess/DaoDataBase.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoRecordset.h"

namespace app {

qint32 DrawNextNumber(TDaoDatabase& database, const QString& table, const QString& field, qint32 rowId,
                      const QString& scope)
{
    dao::Database* db = database.DatabaseObject();
    if (!db) throw std::runtime_error("The database is not connected.");
    const std::shared_ptr<dao::Store>& store = db->GetStore();
    // The write lock is taken before the highest number is read: no other station can store
    // one in between.
    store->BeginWrite();
    try {
        QString highest = QStringLiteral("SELECT Max([%1]) AS Highest FROM %2").arg(field, table);
        if (!scope.isEmpty()) highest += QStringLiteral(" WHERE ") + scope;
        qint32 number = 1;
        {
            const auto rows = db->OpenRecordset(highest, dao::dbOpenSnapshot);
            if (!rows->Eof() && !rows->FieldValue(0).IsNull()) number = rows->FieldValue(0).AsInteger() + 1;
            rows->Close();
        }
        db->Execute(QStringLiteral("UPDATE %1 SET [%2]=%3 WHERE id=%4")
                        .arg(table, field, QString::number(number), QString::number(rowId)));
        store->Commit();
        return number;
    } catch (...) {
        store->Rollback();
        throw;
    }
}

}  // namespace app
