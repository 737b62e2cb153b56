#pragma once
// A write of several steps, over several tables of one database, kept whole or not at all: the
// steps run inside one transaction, which the scope commits when they are done and rolls back
// (reading the tables again) when it is left any other way, by an exception or a return.

class TDaoDatabase;

class TDaoTransaction {
public:
    // Begins the transaction, or joins the one open already, whose owner then decides.
    explicit TDaoTransaction(TDaoDatabase& database);
    ~TDaoTransaction();
    TDaoTransaction(const TDaoTransaction&) = delete;
    TDaoTransaction& operator=(const TDaoTransaction&) = delete;

    // Keeps the steps; raises the engine's error when it cannot, and the scope then rolls back.
    void Commit();

private:
    TDaoDatabase& database_;
    bool owner_ = false;
    bool committed_ = false;
};
