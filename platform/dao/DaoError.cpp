#include "platform/dao/DaoError.h"

#include "platform/dao/DaoErrors.h"

EDaoError::EDaoError(int number, QString description, QString source, QString helpFile, int helpContext)
    : Exception(description), number_(number), source_(std::move(source)), description_(std::move(description)),
      helpFile_(std::move(helpFile)), helpContext_(helpContext)
{
    dao::RecordError(*this);
}
