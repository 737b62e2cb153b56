#pragma once
// Turns parsed Jet statements into SQLite SQL through the dialect object: resolves names
// against the catalogue (a name that is no column becomes a parameter), expands the saved
// queries a statement reads, substitutes aliases reused in the same SELECT list, and gives
// every result column its Jet type. One translator serves one statement.

#include "platform/dao/JetSql.h"

#include <memory>

namespace jet {

class JetTranslator {
public:
    explicit JetTranslator(const Catalog& catalog);
    ~JetTranslator();

    Statement Translate(const QString& jetText);
    QString Criteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns);
    QString Sort(const QString& jetSort, const std::vector<ResultColumn>& columns);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
