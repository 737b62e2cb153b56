#include "platform/dao/JetSql.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/JetFunctions.h"
#include "platform/dao/JetTranslator.h"

namespace jet {

namespace {

// Filters and sort lists name result columns only, never tables or queries.
class NoCatalog : public Catalog {
public:
    const TableInfo* FindTable(const QString&) const override { return nullptr; }
    std::optional<QString> FindQuery(const QString&) const override { return std::nullopt; }
};

}  // namespace

Statement Translate(const QString& jetText, const Catalog& catalog)
{
    return JetTranslator(catalog).Translate(jetText);
}

QString TranslateCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns)
{
    const NoCatalog none;
    return JetTranslator(none).Criteria(jetCriteria, columns);
}

QString TranslateSort(const QString& jetSort, const std::vector<ResultColumn>& columns)
{
    const NoCatalog none;
    return JetTranslator(none).Sort(jetSort, columns);
}

void CheckParameterCount(const Statement& statement, int supplied)
{
    const int missing = int(statement.parameters.size()) - supplied;
    if (missing > 0)
        throw EDaoError(dao::errTooFewParameters, QStringLiteral("Too few parameters. Expected %1.").arg(missing));
}

void RegisterJetFunctions(sqlite3* db)
{
    RegisterFunctions(db);
}

}  // namespace jet
