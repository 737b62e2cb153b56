#pragma once
// The state of a table dataset, shared by the units that make up the class.

#include "dataaccess/DaoRowNumbers.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Exceptions.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct TDaoTable::Private {
    // Settings.
    TDaoDatabase* database_ = nullptr;
    // The same object seen as a component, for the free notification of a database going away.
    TComponent* databaseComponent_ = nullptr;
    QString tableName_;
    TStringList sql_;
    QString queryDefName_;
    TStringList queryDefSQLText_;
    TStringList queryDefParameters_;
    int queryDefODBCMaxRecords_ = 0;
    int tableType_ = 2;
    int lockType_ = 3;
    TOOSet openOptions_ = 0;
    bool readOnly_ = false;
    QString indexName_;
    TDaoIndexDefs* indexDefs_ = nullptr;  // owned by the base, which lends it to TDataSet callers
    TStringList sortedBy_;
    QString filter_;
    TStringList masterFields_;
    bool masterAutoActivate_ = true;
    std::unique_ptr<TParams> params_;
    bool paramCheck_ = true;
    bool cacheMemos_ = false;
    bool cacheBlobs_ = false;
    bool cacheLookups_ = false;
    bool showGUID_ = false;
    QPointer<TComponent> encrypter_;
    bool databaseAutoActivate_ = false;
    bool useBrackets_ = true;
    bool useCaptions_ = false;
    bool useDaoProperties_ = true;
    bool useGetRecNo_ = true;
    bool useRecordCount_ = true;
    bool autoFindIndex_ = true;
    bool refreshSorted_ = false;
    bool warnOnBadDatabase_ = false;
    bool processMessages_ = false;
    TExportMethod exportMethod_ = VisibleFields;

    // Lists for the master link and the key search.
    TStringList masterFieldList_, detailFieldList_, keyFieldList_;
    std::unique_ptr<TMasterDataLink> masterLink_;

    // Engine state.
    std::shared_ptr<dao::Recordset> recordset_;
    std::shared_ptr<dao::Recordset> baseRecordset_;
    std::vector<std::shared_ptr<dao::Field>> fieldObjects_;
    bool recordsetOpen_ = false;
    bool batchMode_ = false;
    bool batchTransaction_ = false;  // this table began the engine transaction of its batch
    bool posting_ = false;
    bool closingByDatabase_ = false;
    bool masterInactive_ = true;
    bool encrypterValid_ = false;
    bool initingFromOpen_ = false;
    bool bookmarkable_ = false;
    int optionWord_ = 0;
    QString sortText_;
    const int execOptions_ = 128;
    std::vector<bool> fieldUpdatable_;
    QStringList fieldDefaults_;
    QStringList fieldCaptions_;
    std::vector<int> fieldEngineTypes_;
    std::vector<TField*> definitionFields_;
    quint64 definitionFieldsGeneration_ = 0;

    // Cursor.
    TDaoRowNumbers rows_;
    TRecordBuffer oldValues_ = nullptr;
    TRecordBuffer rangeStart_ = nullptr;
    TRecordBuffer rangeEnd_ = nullptr;
    bool rangeActive_ = false;
    TRecordBuffer lookupBuffer_ = nullptr;
    bool applyingMasterLink_ = false;
    QString findFields_;
    TVariant findValue_ = TVariant::Null();
    TLocateOptions findOptions_;
    int recordSize_ = 0;
};

namespace daotable {

[[noreturn]] inline void Refuse(const char* message) { DatabaseError(QString::fromLatin1(message)); }

// A default is stored as the engine writes it, a text default in quotes; a new row takes it bare.
inline QString UnquotedDefault(QString expression)
{
    if (expression.startsWith(QLatin1Char('\'')))
        expression.remove(0, 1);
    if (expression.endsWith(QLatin1Char('\'')))
        expression.chop(1);
    return expression;
}

}  // namespace daotable
