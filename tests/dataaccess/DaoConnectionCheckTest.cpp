// The connection check, driven tick by tick over a real database file that goes away, comes
// back, or is replaced by another file while the connection stays open.

#include "DataAccessFixture.h"

#include "dataaccess/DaoConnectionCheck.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Timer.h"

#include <QFile>
#include <cstdio>

namespace {

using namespace datest;

class DaoConnectionCheckTest : public DataAccessFixture {
protected:
    void SetUp() override
    {
        DataAccessFixture::SetUp();
        MakeShop();
        Connect();
        SetExceptionHandler([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const Exception& e) {
                handled << e.Message();
            }
        });
        check = std::make_unique<TDaoConnectionCheck>();
        check->SetDatabase(database.get());
        check->OnNoConnection = [this](TDaoConnectionCheck*) { ++lost; };
        check->OnConnectionRestored = [this](TDaoConnectionCheck*) { ++restored; };
    }

    void TearDown() override
    {
        check.reset();
        SetExceptionHandler(nullptr);
    }

    void Start(TErrActionSet actions = TErrAction::RaiseException)
    {
        check->SetErrorAction(actions);
        check->SetActive(true);
    }

    // A second, independent file at the database's path (a new inode, as a restore from a copy).
    void ReplaceWithCopy()
    {
        const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
        ASSERT_TRUE(QFile::copy(path, copy));
        ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()), 0);
    }

    TTimer* Timer() const { return qobject_cast<TTimer*>(check->Components(0)); }

    QString Broken() const { return QStringLiteral("Connection to Database %1 is broken!").arg(path); }

    std::unique_ptr<TDaoConnectionCheck> check;
    QStringList handled;
    int lost = 0;
    int restored = 0;
};

TEST_F(DaoConnectionCheckTest, TimerFollowsActiveAndInterval)
{
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(check->Interval(), 1000);
    EXPECT_FALSE(Timer()->Enabled());
    EXPECT_EQ(check->ExceptionText(), QStringLiteral("Connection to Database %s is broken!"));
    EXPECT_EQ(check->ErrorAction(), TErrActionSet());
    check->SetInterval(5000);
    EXPECT_EQ(Timer()->Interval(), 5000);
    Start();
    EXPECT_TRUE(Timer()->Enabled());
    check->SetActive(false);
    EXPECT_FALSE(Timer()->Enabled());
}

TEST_F(DaoConnectionCheckTest, RemovedFileIsLostOnceAndRestoredWhenItComesBack)
{
    Start();
    check->CheckConnection();
    check->CheckConnection();
    EXPECT_EQ(restored, 2);  // every tick that finds the file
    EXPECT_EQ(check->ErrorCode(), 0);

    const QString away = dir.filePath(QStringLiteral("away.mdb"));
    ASSERT_TRUE(QFile::rename(path, away));
    check->CheckConnection();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(handled, QStringList{Broken()});
    EXPECT_EQ(check->ErrorCode(), FindFileNotFound);
    check->CheckConnection();
    check->CheckConnection();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(handled.size(), 1);
    EXPECT_EQ(restored, 2);
    EXPECT_TRUE(check->Active());
    EXPECT_TRUE(database->Connected());

    // The same file back (a share reconnected): restored, and a later loss acts again.
    ASSERT_TRUE(QFile::rename(away, path));
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), 0);
    EXPECT_EQ(restored, 3);
    ASSERT_TRUE(QFile::remove(path));
    check->CheckConnection();
    EXPECT_EQ(lost, 2);
    EXPECT_EQ(handled.size(), 2);
}

TEST_F(DaoConnectionCheckTest, AnotherFileAtThePathIsNotTheConnectionsFile)
{
    Start();
    ReplaceWithCopy();
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), TDaoConnectionCheck::FileReplaced);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(handled, QStringList{Broken()});
    EXPECT_EQ(restored, 0);
    check->CheckConnection();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(restored, 0);

    // A new connection opens the file there now, which becomes the one watched.
    database->Close();
    database->SetConnected(true);
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), 0);
    EXPECT_EQ(restored, 1);
}

TEST_F(DaoConnectionCheckTest, RemovedThenReplacedStaysLostWithoutSecondAlarm)
{
    Start();
    ASSERT_TRUE(QFile::remove(path));  // the open connection still reads the unlinked file
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), FindFileNotFound);
    MakeShop();
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), TDaoConnectionCheck::FileReplaced);
    EXPECT_EQ(restored, 0);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(handled.size(), 1);
}

TEST_F(DaoConnectionCheckTest, CloseDatabaseDisconnectsWithoutRaising)
{
    Start(TErrAction::CloseDatabase);
    ASSERT_TRUE(QFile::remove(path));
    check->CheckConnection();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(database->Connected());
    EXPECT_TRUE(handled.isEmpty());
    EXPECT_TRUE(check->Active());
}

TEST_F(DaoConnectionCheckTest, BothActionsCloseThenRaise)
{
    bool connectedWhenRaised = true;
    SetExceptionHandler([&](std::exception_ptr) { connectedWhenRaised = database->Connected(); });
    Start(TErrAction::CloseDatabase | TErrAction::RaiseException);
    ASSERT_TRUE(QFile::remove(path));
    check->CheckConnection();
    EXPECT_FALSE(connectedWhenRaised);
}

TEST_F(DaoConnectionCheckTest, LossMessageTakesThePathForEveryPercentS)
{
    // '@' stands for the database path in the expected texts.
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Връзката с базата данни %s е прекъсната!", "Връзката с базата данни @ е прекъсната!"},
        {"Lost %S.", "Lost @."},
        {"No database, 100% sure", "No database, 100% sure"},
        {"%s and %s", "@ and @"},
    };
    const QString away = dir.filePath(QStringLiteral("away.mdb"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        handled.clear();
        check->SetActive(false);
        check->SetExceptionText(QString::fromUtf8(c.text));
        Start();
        ASSERT_TRUE(QFile::rename(path, away));
        check->CheckConnection();
        ASSERT_TRUE(QFile::rename(away, path));
        check->CheckConnection();
        EXPECT_EQ(handled, QStringList{QString::fromUtf8(c.expected).replace(QLatin1Char('@'), path)});
    }
}

TEST_F(DaoConnectionCheckTest, MissingFileOfDisconnectedDatabaseOnlySetsTheCode)
{
    Start();
    database->Close();
    ASSERT_TRUE(QFile::remove(path));
    check->CheckConnection();
    EXPECT_EQ(check->ErrorCode(), FindFileNotFound);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(handled.isEmpty());
}

TEST_F(DaoConnectionCheckTest, ActivationNeedsAConnectedDatabase)
{
    database->Close();
    EXPECT_EQ(ErrorOf([&] { check->SetActive(true); }), QStringLiteral("Database is not connected!"));
    EXPECT_FALSE(check->Active());
    check->SetDatabase(nullptr);
    EXPECT_EQ(ErrorOf([&] { check->SetActive(true); }), QStringLiteral("Database property is not set!"));
    EXPECT_FALSE(check->Active());
    EXPECT_FALSE(Timer()->Enabled());
}

TEST_F(DaoConnectionCheckTest, SettingsAreRefusedWhileActive)
{
    Start();
    TDaoDatabase other;
    const struct {
        std::function<void()> change;
        const char* message;
    } cases[] = {
        {[&] { check->SetInterval(5000); }, "Cannot set CheckInterval while Active property is true!"},
        {[&] { check->SetDatabase(&other); }, "Cannot set Database while Active property is true!"},
        {[&] { check->SetExceptionText(QStringLiteral("x")); }, "Cannot set ExceptionText while Active property is true!"},
        {[&] { check->SetErrorAction(TErrAction::CloseDatabase); }, "Cannot set OnErrorAction while Active property is true!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.change), QString::fromLatin1(c.message));
    EXPECT_EQ(check->Interval(), 1000);
    EXPECT_EQ(check->Database(), database.get());
    EXPECT_EQ(check->ExceptionText(), QStringLiteral("Connection to Database %s is broken!"));
    EXPECT_EQ(check->ErrorAction(), TErrActionSet(TErrAction::RaiseException));
    check->SetActive(false);
    check->SetInterval(5000);
    EXPECT_EQ(check->Interval(), 5000);
}

TEST_F(DaoConnectionCheckTest, HandlerErrorsGoToTheApplicationAndTheNextTickRuns)
{
    check->OnConnectionRestored = [this](TDaoConnectionCheck* sender) {
        ++restored;
        sender->CheckConnection();  // a tick while one is running does nothing
        throw EDatabaseError(QStringLiteral("handler failed"));
    };
    Start();
    check->CheckConnection();
    check->CheckConnection();
    EXPECT_EQ(restored, 2);
    EXPECT_EQ(handled, QStringList({"handler failed", "handler failed"}));
}

TEST_F(DaoConnectionCheckTest, FreeingTheDatabaseClearsTheReference)
{
    Start();
    database.reset();
    EXPECT_EQ(check->Database(), nullptr);
    check->CheckConnection();
    EXPECT_TRUE(handled.isEmpty());
    check.reset();  // destroyed while active
}

TEST_F(DaoConnectionCheckTest, StreamedActiveStartsTheTimerAtLoaded)
{
    auto loading = std::make_unique<TDaoConnectionCheck>();
    loading->BeginLoading();
    loading->SetActive(true);
    loading->SetInterval(5000);  // not refused while loading
    auto* timer = qobject_cast<TTimer*>(loading->Components(0));
    EXPECT_FALSE(timer->Enabled());
    loading->Loaded();
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 5000);
}

}  // namespace
