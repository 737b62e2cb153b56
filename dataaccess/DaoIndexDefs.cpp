#include "dataaccess/DaoIndexDefs.h"

#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoIndex.h"
#include "platform/dao/DaoTableDef.h"

TDaoIndexDefs::TDaoIndexDefs(TDaoTable* table) : TIndexDefs(table), table_(table) {}

TIndexDef* TDaoIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options)
{
    if (table_->TableName().isEmpty())
        return nullptr;
    TIndexDef* def = TIndexDefs::Add(name, fields, options);
    TDaoDatabase* database = table_->Database();
    if (!database || !database->DatabaseObject())
        return def;
    dao::TableDefs& tables = database->DatabaseObject()->TableDefs();
    if (!tables.Contains(table_->TableName()))
        return def;
    const auto table = tables.Item(table_->TableName());
    if (table->Indexes().Contains(name))
        return def;
    const QStringList names = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& field : names)
        if (!table->Fields().Contains(field.trimmed()))
            return def;
    CreateEngineIndex(name, names, options);
    // Re-opening the table re-reads the definitions, so the one added may have been replaced.
    return FindIndex(name);
}

void TDaoIndexDefs::CreateEngineIndex(const QString& name, const QStringList& fieldNames, TIndexOptions options)
{
    TDaoDatabase* database = table_->Database();
    const bool wasActive = table_->Active();
    if (wasActive)
        table_->Close();
    std::exception_ptr failure;
    try {
        database->RefreshDefinitions();
        const auto table = database->DatabaseObject()->TableDefs().Item(table_->TableName());
        auto index = table->CreateIndex(name);
        if (options.testFlag(ixPrimary))
            index->SetPrimary(true);
        if (options.testFlag(ixUnique))
            index->SetUnique(true);
        for (const QString& fieldName : fieldNames) {
            auto field = index->CreateField(fieldName.trimmed());
            if (options.testFlag(ixDescending))
                field->SetAttributes(field->Attributes() | dao::dbDescending);
            index->Fields().Append(field);
        }
        table->Indexes().Append(index);
        database->RefreshDefinitions();
    } catch (...) {
        failure = std::current_exception();
    }
    if (wasActive)
        table_->Open();
    if (failure)
        std::rethrow_exception(failure);
}
