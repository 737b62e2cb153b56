// Writes of several tables as one transaction of the database component: kept together at the
// commit, or none of them, with every table read again so that it shows what is stored.

#include "DataAccessFixture.h"

#include "dataaccess/DaoTransaction.h"
#include "platform/toolkit/Fields.h"

#include <QFile>
#include <sqlite3.h>

namespace {

using namespace datest;

class DaoTransactionTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        // moves(id counter, item_id long, qty long) with one move of item 1.
        MakeShopAndConnect([](dao::Database& db) {
            auto td = CounterTable(db, QStringLiteral("moves"));
            td->Fields().Append(td->CreateField(QStringLiteral("item_id"), dao::dbLong));
            td->Fields().Append(td->CreateField(QStringLiteral("qty"), dao::dbLong));
            db.TableDefs().Append(td);
            db.Execute(QStringLiteral("INSERT INTO moves (item_id, qty) VALUES (1, 4)"), dao::dbFailOnError);
        });
        items = Table();
        items->Open();
        moves = Table(QStringLiteral("moves"));
        moves->Open();
    }

    // One text `sql` answers on the file, read past the component.
    QString Stored(const QString& sql) const
    {
        QString value;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return value;
    }

    // Runs `sql` on the file past the component; SQLite's answer.
    int Run(const char* sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc;
    }

    // Item 3's quantity edited to 77 and a move of it appended, each posted.
    void WriteBoth()
    {
        ASSERT_TRUE(items->Locate(QStringLiteral("id"), TVariant(3), {}));
        items->Edit();
        items->FieldByName(QStringLiteral("qty"))->SetAsInteger(77);
        items->Post();
        moves->Append();
        moves->FieldByName(QStringLiteral("item_id"))->SetAsInteger(3);
        moves->FieldByName(QStringLiteral("qty"))->SetAsInteger(2);
        moves->Post();
    }

    std::unique_ptr<TDaoTable> items;
    std::unique_ptr<TDaoTable> moves;
};

TEST_F(DaoTransactionTest, WritesLeftWithoutACommitAreNotStoredAndNoTableShowsThem)
{
    const struct {
        const char* name;
        bool commit;
        bool raise;
    } cases[] = {{"committed", true, false}, {"left by an error", false, true}, {"left by a return", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            TDaoTransaction transaction(*database);
            WriteBoth();
            // Inside, the tables read what the transaction wrote.
            EXPECT_EQ(Column(*moves, QStringLiteral("qty")), (QStringList{"4", "2"}));
            ASSERT_TRUE(items->Locate(QStringLiteral("id"), TVariant(3), {}));
            if (c.raise) throw Exception(QStringLiteral("a step failed"));
            if (c.commit) transaction.Commit();
        } catch (const Exception&) {
        }
        const QString qty = c.commit ? QStringLiteral("77") : QStringLiteral("1");
        EXPECT_EQ(Stored(QStringLiteral("SELECT qty FROM items WHERE id=3")), qty);
        EXPECT_EQ(Stored(QStringLiteral("SELECT count(*) FROM moves")), c.commit ? QStringLiteral("2") : QStringLiteral("1"));
        EXPECT_FALSE(database->InTransaction());
        // The tables show what is stored, each on the row it stood on.
        EXPECT_EQ(items->State(), dsBrowse);
        EXPECT_EQ(items->FieldByName(QStringLiteral("id"))->AsInteger(), 3);
        EXPECT_EQ(items->FieldByName(QStringLiteral("qty"))->AsString(), qty);
        EXPECT_EQ(moves->RecordCount(), c.commit ? 2 : 1);
        EXPECT_EQ(Column(*moves, QStringLiteral("qty")), c.commit ? (QStringList{"4", "2"}) : (QStringList{"4"}));
        // The next case starts from the shop as made.
        database->DatabaseObject()->Execute(QStringLiteral("UPDATE items SET qty=1 WHERE id=3"), dao::dbFailOnError);
        database->DatabaseObject()->Execute(QStringLiteral("DELETE FROM moves WHERE id>1"), dao::dbFailOnError);
        items->Requery();
        moves->Requery();
    }
}

TEST_F(DaoTransactionTest, APostThatFailsInsideLeavesNoTableInEditAndNothingStored)
{
    ASSERT_EQ(Run("CREATE TRIGGER refuse BEFORE INSERT ON moves BEGIN SELECT RAISE(ABORT, 'no'); END"), SQLITE_OK);
    const QString error = ErrorOf([&] {
        TDaoTransaction transaction(*database);
        WriteBoth();
        transaction.Commit();
    });
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Stored(QStringLiteral("SELECT qty FROM items WHERE id=3")), QStringLiteral("1"));
    EXPECT_EQ(moves->State(), dsBrowse);
    EXPECT_EQ(moves->RecordCount(), 1);
    EXPECT_EQ(items->FieldByName(QStringLiteral("qty"))->AsString(), QStringLiteral("1"));
}

TEST_F(DaoTransactionTest, NoOtherConnectionWritesWhileItIsOpen)
{
    const auto otherWrite = [this] { return Run("UPDATE items SET qty=qty+1 WHERE id=1"); };
    {
        TDaoTransaction transaction(*database);
        // Nothing written yet, and still the lock is held: what is read now stays as read.
        EXPECT_EQ(otherWrite(), SQLITE_BUSY);
        transaction.Commit();
    }
    EXPECT_EQ(otherWrite(), SQLITE_OK);
}

TEST_F(DaoTransactionTest, AnInnerOneJoinsTheOuterWhichDecides)
{
    {
        TDaoTransaction outer(*database);
        {
            TDaoTransaction inner(*database);
            WriteBoth();
            inner.Commit();
        }
        EXPECT_TRUE(database->InTransaction());
    }
    EXPECT_EQ(Stored(QStringLiteral("SELECT qty FROM items WHERE id=3")), QStringLiteral("1"));
    EXPECT_EQ(moves->RecordCount(), 1);
}

TEST_F(DaoTransactionTest, CommitAndRollbackWithoutBeginAreRefused)
{
    EXPECT_FALSE(ErrorOf([&] { database->CommitTrans(); }).isEmpty());
    database->BeginTrans();
    EXPECT_FALSE(ErrorOf([&] { database->BeginTrans(); }).isEmpty());
    database->CommitTrans();
    EXPECT_EQ(database->GetTransactionCount(), 0);
}

}  // namespace
