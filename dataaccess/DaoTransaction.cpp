#include "dataaccess/DaoTransaction.h"

#include "dataaccess/DaoDataBase.h"

#include <exception>

TDaoTransaction::TDaoTransaction(TDaoDatabase& database) : database_(database)
{
    if (database_.InTransaction())
        return;
    database_.BeginTrans();
    owner_ = true;
}

TDaoTransaction::~TDaoTransaction()
{
    if (!owner_ || committed_)
        return;
    try {
        database_.Rollback();
    } catch (const std::exception&) {
        // What the person is told is why the steps stopped; a table that could not be read
        // again shows its rows once it is read next.
    }
}

void TDaoTransaction::Commit()
{
    if (!owner_ || committed_)
        return;
    database_.CommitTrans();
    committed_ = true;
}
