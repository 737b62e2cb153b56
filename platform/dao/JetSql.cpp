#include "platform/dao/JetSql.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/JetFunctions.h"
#include "platform/dao/JetTranslator.h"

#include <QCoreApplication>

namespace jet {

namespace {

// Filters and sort lists name result columns only, never tables or queries.
class NoCatalog : public Catalog {
public:
    const TableInfo* FindTable(const QString&) const override { return nullptr; }
    std::optional<QString> FindQuery(const QString&) const override { return std::nullopt; }
};

// The engine the translated text runs on.
const SqliteDialect kDialect;

}  // namespace

Statement Translate(const QString& jetText, const Catalog& catalog)
{
    return JetTranslator(catalog, kDialect).Translate(jetText);
}

QString TranslateCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns)
{
    const NoCatalog none;
    return JetTranslator(none, kDialect).Criteria(jetCriteria, columns);
}

BoundCriteria TranslateBoundCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                                     int firstValue)
{
    // The criteria met last: a linked or filtered dataset is opened again and again with the
    // same text over the same columns.
    QString key = jetCriteria;
    key += QChar(0) + QString::number(firstValue);
    for (const ResultColumn& c : columns)
        key += QChar(0) + c.name + QChar(1) + QString::number(c.type);
    thread_local std::vector<std::pair<QString, BoundCriteria>> recent;
    for (const auto& [known, criteria] : recent)
        if (known == key)
            return criteria;
    const NoCatalog none;
    BoundCriteria result;
    result.sql = JetTranslator(none, kDialect).Criteria(jetCriteria, columns, &result.values, firstValue);
    if (recent.size() >= 16)
        recent.erase(recent.begin());
    recent.emplace_back(std::move(key), result);
    return result;
}

std::optional<BoundCriteria> TranslateGroupCriteria(const QString& jetCriteria,
                                                    const std::vector<ResultColumn>& columns, int firstValue)
{
    const NoCatalog none;
    BoundCriteria result;
    std::optional<QString> sql = JetTranslator(none, kDialect).GroupCriteria(jetCriteria, columns, result.values, firstValue);
    if (!sql)
        return std::nullopt;
    result.sql = *sql;
    return result;
}

GroupedSelect GroupedSelect::Filtered(const QString& condition) const
{
    GroupedSelect g = *this;
    if (!pickedTail.isEmpty()) {
        g.head = pickedHead;
        g.where = pickedWhere;
        g.tail = pickedTail;
        g.readsPerRow = pickedReadsPerRow;
    }
    g.where = g.where.isEmpty() ? condition : QStringLiteral("(%1) AND (%2)").arg(g.where, condition);
    return g;
}

QString GroupedSelect::Sql() const
{
    return head + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where) + tail;
}

QString TranslateSort(const QString& jetSort, const std::vector<ResultColumn>& columns)
{
    const NoCatalog none;
    return JetTranslator(none, kDialect).Sort(jetSort, columns);
}

void CheckParameterCount(const Statement& statement, int supplied)
{
    const int missing = int(statement.parameters.size()) - supplied;
    if (missing > 0)
        throw EDaoError(dao::errTooFewParameters, QCoreApplication::translate("Dao", "Too few parameters. Expected %1.").arg(missing));
}

void RegisterJetFunctions(sqlite3* db)
{
    RegisterFunctions(db);
}

}  // namespace jet
