// Two connections editing the same rows through the table dataset: a change another user
// posted since this user's Edit is refused, never overwritten.

#include "DataAccessFixture.h"

namespace {

using namespace datest;

class DaoTableConcurrencyTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShop();
        Connect();
        other = std::make_unique<TDaoDatabase>();
        other->SetVersion(QStringLiteral("3.6"));
        other->SetDatabase(path);
        other->SetConnected(true);
    }

    std::unique_ptr<TDaoTable> OtherTable()
    {
        auto table = std::make_unique<TDaoTable>();
        table->SetDatabase(other.get());
        table->SetTableName(QStringLiteral("items"));
        return table;
    }

    // The engine's error number a post raises; 0 when it raises none.
    static int PostError(TDaoTable& table)
    {
        try {
            table.Post();
        } catch (const EDaoError& error) {
            return error.Number();
        }
        return 0;
    }

    // -1 when the row is gone.
    int QtyOf(int id)
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.OpenDatabase(path);
        auto rs = db->OpenRecordset(QStringLiteral("SELECT qty FROM items WHERE id = %1").arg(id), dao::dbOpenSnapshot);
        return rs->Eof() ? -1 : rs->Fields().Item(0)->Value().AsInteger();
    }

    std::unique_ptr<TDaoDatabase> other;
};

struct Interleaving {
    const char* name;
    std::function<void(TDaoTable& theirs)> meanwhile;  // what the other user does between Edit and Post
    int error;                                          // what our post raises
};

TEST_F(DaoTableConcurrencyTest, APostAfterAnotherUsersChangeIsRefusedNotOverwriting)
{
    const Interleaving cases[] = {
        {"same field",
         [](TDaoTable& t) {
             t.Edit();
             t.FieldByName(QStringLiteral("qty"))->SetAsInteger(20);
             t.Post();
         },
         dao::errWriteConflict},
        {"other field",
         [](TDaoTable& t) {
             t.Edit();
             t.FieldByName(QStringLiteral("kind"))->SetAsString(QStringLiteral("spare"));
             t.Post();
         },
         dao::errWriteConflict},
        {"only read", [](TDaoTable& t) { t.Edit(); t.Cancel(); }, 0},
        {"deleted", [](TDaoTable& t) { t.Delete(); }, dao::errRecordDeleted},  // last: the row is gone
    };
    for (const Interleaving& c : cases) {
        SCOPED_TRACE(c.name);
        database->DatabaseObject()->Execute(QStringLiteral("UPDATE items SET qty = 10, kind = 'part' WHERE id = 1"), dao::dbFailOnError);
        auto ours = Table();
        auto theirs = OtherTable();
        ours->Open();
        theirs->Open();
        ours->Edit();
        ours->FieldByName(QStringLiteral("qty"))->SetAsInteger(11);
        c.meanwhile(*theirs);
        EXPECT_EQ(PostError(*ours), c.error);
        if (c.error != 0) {
            EXPECT_EQ(ours->State(), dsEdit);  // the user's values stay for another try
            EXPECT_EQ(ours->Recordset()->EditMode(), dao::dbEditNone);
            EXPECT_NE(QtyOf(1), 11);
            // Trying again without reading the row again is refused the same way.
            EXPECT_EQ(PostError(*ours), c.error);
            EXPECT_NE(QtyOf(1), 11);
            EXPECT_EQ(ErrorOf([&] { ours->Cancel(); }), QString());
        }
        if (c.error == 0) {
            EXPECT_EQ(QtyOf(1), 11);
        }
        ours->Close();
        theirs->Close();
    }
}

// The engine's edit is left whenever its recordset moves (a grid reading the rows around the
// current one); the post then takes it up again against the row as this dataset's Edit read it.
TEST_F(DaoTableConcurrencyTest, AChangeMadeWhileTheEnginesEditWasLeftIsStillRefused)
{
    auto ours = Table();
    auto theirs = OtherTable();
    ours->Open();
    theirs->Open();
    ours->Edit();
    ours->FieldByName(QStringLiteral("qty"))->SetAsInteger(11);
    theirs->Edit();
    theirs->FieldByName(QStringLiteral("qty"))->SetAsInteger(20);
    theirs->Post();
    ours->Recordset()->Move(0);
    ASSERT_EQ(ours->Recordset()->EditMode(), dao::dbEditNone);
    EXPECT_EQ(PostError(*ours), dao::errWriteConflict);
    EXPECT_EQ(QtyOf(1), 20);

    // Untouched by anyone else meanwhile, the same path writes.
    ours->Cancel();
    ours->Refresh();
    ours->Edit();
    ours->FieldByName(QStringLiteral("qty"))->SetAsInteger(21);
    ours->Recordset()->Move(0);
    EXPECT_EQ(PostError(*ours), 0);
    EXPECT_EQ(QtyOf(1), 21);
}

TEST_F(DaoTableConcurrencyTest, TheConflictReachesThePostErrorEventAndItsActionsHold)
{
    auto ours = Table();
    auto theirs = OtherTable();
    ours->Open();
    theirs->Open();
    QStringList seen;
    TDataAction answer = daAbort;
    ours->OnPostError = [&](TDataSet*, Exception& error, TDataAction& action) {
        seen << error.Message();
        action = answer;
    };
    ours->Edit();
    ours->FieldByName(QStringLiteral("qty"))->SetAsInteger(11);
    theirs->Edit();
    theirs->FieldByName(QStringLiteral("qty"))->SetAsInteger(20);
    theirs->Post();
    EXPECT_THROW(ours->Post(), EAbort);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen.first().contains(QStringLiteral("changed by another user"))) << seen.first().toStdString();
    EXPECT_EQ(QtyOf(1), 20);

    // Read again and repeat: the post goes through.
    ours->Cancel();
    ours->Refresh();
    ours->Edit();
    EXPECT_EQ(ours->FieldByName(QStringLiteral("qty"))->AsInteger(), 20);
    ours->FieldByName(QStringLiteral("qty"))->SetAsInteger(21);
    ours->Post();
    EXPECT_EQ(QtyOf(1), 21);
}

// Two users add one to the same counter in turn, each retrying a refused post after reading
// the row again: no increment is lost.
TEST_F(DaoTableConcurrencyTest, InterleavedIncrementsWithRetryLoseNothing)
{
    auto first = Table();
    auto second = OtherTable();
    first->Open();
    second->Open();
    const int start = QtyOf(1);
    int refusals = 0;
    auto add = [&](TDaoTable& t) {
        for (;;) {
            t.Edit();
            TField* qty = t.FieldByName(QStringLiteral("qty"));
            qty->SetAsInteger(qty->AsInteger() + 1);
            if (PostError(t) == 0)
                return;
            ++refusals;
            t.Cancel();
            t.Refresh();
        }
    };
    const int rounds = 40;
    for (int i = 0; i < rounds; ++i) {
        // Both read the counter before either posts.
        first->Edit();
        second->Edit();
        TField* a = first->FieldByName(QStringLiteral("qty"));
        a->SetAsInteger(a->AsInteger() + 1);
        TField* b = second->FieldByName(QStringLiteral("qty"));
        b->SetAsInteger(b->AsInteger() + 1);
        ASSERT_EQ(PostError(*first), 0);
        if (PostError(*second) != 0) {
            ++refusals;
            second->Cancel();
            second->Refresh();
            add(*second);
        }
        first->Refresh();
    }
    EXPECT_EQ(QtyOf(1), start + 2 * rounds);
    EXPECT_EQ(refusals, rounds);
}

}  // namespace
