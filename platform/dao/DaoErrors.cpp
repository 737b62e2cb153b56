#include "platform/dao/DaoErrors.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"

#include <QCoreApplication>

namespace dao {

const ErrorItem& Errors::Item(int index) const
{
    if (index < 0 || index >= Count()) {
        // Not recorded: asking the collection must not replace what it holds.
        throw EDaoError(errNotInCollection, QCoreApplication::translate("Dao", "Item not found in this collection."),
                        QStringLiteral("DAO.Errors"));
    }
    return items_[size_t(index)];
}

void Errors::Replace(ErrorItem item)
{
    items_.clear();
    items_.push_back(std::move(item));
}

Errors& ThreadErrors()
{
    thread_local Errors errors;
    return errors;
}

void RecordError(const EDaoError& error)
{
    if (error.Source() == QLatin1String("DAO.Errors"))
        return;
    ThreadErrors().Replace(
        ErrorItem(error.Number(), error.Source(), error.Description(), error.HelpFile(), error.HelpContext()));
}

}  // namespace dao
