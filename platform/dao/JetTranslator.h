#pragma once
// Turns parsed Jet statements into SQLite SQL through the dialect object: resolves names
// against the catalogue (a name that is no column becomes a parameter), expands the saved
// queries a statement reads, substitutes aliases reused in the same SELECT list, and gives
// every result column its Jet type. One translator serves one statement.

#include "platform/dao/JetSql.h"
#include "platform/dao/SqliteDialect.h"

#include <memory>

namespace jet {

class JetTranslator {
public:
    // Emits every engine-specific piece through `dialect`, which outlives the translator.
    JetTranslator(const Catalog& catalog, const SqliteDialect& dialect);
    ~JetTranslator();

    Statement Translate(const QString& jetText);
    // With `bound` given, literal values go there as named parameters numbered from `firstBound`.
    QString Criteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                     std::vector<TVariant>* bound = nullptr, int firstBound = 1);
    // A criteria over the grouping expressions of the columns, values bound; nullopt when it
    // cannot stand before the grouping.
    std::optional<QString> GroupCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                                         std::vector<TVariant>& bound, int firstBound);
    QString Sort(const QString& jetSort, const std::vector<ResultColumn>& columns);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
