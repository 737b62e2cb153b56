// The lock file and the user list, seen from a second process, and a writer killed in the
// middle of a transaction.

#include "DaoTestFixture.h"

#include "platform/dao/DaoLockFile.h"
#include "platform/dao/DaoUserList.h"
#include "platform/os/CodePage1251.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <unistd.h>

namespace daotest {
namespace {

// The child side: the test binary started again with DAO_TEST_CHILD set does its part before
// the tests start and never returns to them.
void ChildHold(const QString& path)
{
    DBEngine engine;
    auto db = engine.OpenDatabase(path);
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[16];
    while (::read(0, buffer, sizeof buffer) > 0) {
    }
    db->Close();
}

void ChildCrash(const QString& path)
{
    DBEngine engine;
    auto db = engine.OpenDatabase(path);
    for (int i = 0; i < 100; ++i)
        db->Execute(QStringLiteral("INSERT INTO parts (name, qty) VALUES ('committed %1', 1)").arg(i));
    // A held edit keeps one transaction open for everything that follows.
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset, 0, dbPessimistic);
    rs->Edit();
    const QString note = QString(2000, QLatin1Char('u'));
    for (int i = 0; i < 3000; ++i)
        db->Execute(QStringLiteral("INSERT INTO parts (name, qty, note) VALUES ('pending %1', 2, '%2')").arg(i).arg(note));
    db->Execute(QStringLiteral("UPDATE parts SET qty = 999"));
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

const bool childRan = [] {
    const char* task = std::getenv("DAO_TEST_CHILD");
    if (!task)
        return false;
    const QString t = QString::fromLocal8Bit(task);
    const QString path = t.section(QLatin1Char(':'), 1);
    try {
        if (t.startsWith(QLatin1String("hold:")))
            ChildHold(path);
        else if (t.startsWith(QLatin1String("crash:")))
            ChildCrash(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "child failed: %s\n", e.what());
        std::_Exit(2);
    }
    std::_Exit(0);
}();

class DaoLockFileTest : public DaoFixture {
protected:
    void StartChild(QProcess& child, const char* task)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DAO_TEST_CHILD"), QString::fromLatin1(task) + QLatin1Char(':') + path);
        child.setProcessEnvironment(env);
        child.start(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(), {});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray out;
        while (!out.contains("ready") && child.waitForReadyRead(60000))
            out += child.readAllStandardOutput();
        ASSERT_TRUE(out.contains("ready")) << child.readAllStandardError().toStdString();
    }

    int Users(int option, QStringList* names = nullptr) { return LDBUser_GetUsers(names, path, option); }
};

TEST_F(DaoLockFileTest, UserListSeesConnectionsOfThisAndAnotherProcess)
{
    MakeShop()->Close();
    EXPECT_EQ(Users(8), 0);
    QProcess child;
    StartChild(child, "hold");
    const QString computer = LockFile::ComputerName();
    QStringList now;
    EXPECT_EQ(Users(2, &now), 1);
    EXPECT_EQ(now, QStringList{computer.left(32) + QStringLiteral("/Admin")});

    // The slot as a reader of the raw file finds it: 32 bytes computer, 32 bytes user.
    QFile ldb(LockFile::PathFor(path));
    ASSERT_TRUE(ldb.open(QIODevice::ReadOnly));
    const QByteArray bytes = ldb.readAll();
    ldb.close();
    ASSERT_EQ(bytes.size() % 64, 0);
    EXPECT_EQ(QString::fromLatin1(bytes.left(32).constData()), computer.left(32));
    EXPECT_EQ(QByteArray(bytes.constData() + 32), QByteArray("Admin"));

    auto mine = Open();
    auto second = Open();
    EXPECT_EQ(Users(8), 3);
    EXPECT_EQ(ErrorOf([&] { Open(QString(), true); }), errFileInUse);
    second->Close();
    EXPECT_EQ(Users(8), 2);

    child.closeWriteChannel();
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(Users(8), 1);
    EXPECT_EQ(Users(4), 0);
    EXPECT_EQ(ErrorOf([&] { engine.CompactDatabase(path, dir.filePath(QStringLiteral("c.mdb"))); }), errFileInUse);
    mine->Close();
    EXPECT_FALSE(QFile::exists(LockFile::PathFor(path)));
    EXPECT_EQ(LDBUser_GetDatabaseVersion(path), 4);
    EXPECT_LT(LDBUser_GetDatabaseVersion(dir.filePath(QStringLiteral("none.mdb"))), 0);
    EXPECT_FALSE(LDBUser_GetError(-1).isEmpty());
}

TEST_F(DaoLockFileTest, KilledWriterLeavesAConsistentFileWithEveryCommittedRow)
{
    MakeShop()->Close();
    QProcess child;
    StartChild(child, "crash");
    child.kill();
    ASSERT_TRUE(child.waitForFinished(30000));

    // Its slot stays in the file, no longer live, marked as left without closing.
    EXPECT_EQ(Users(8), 0);
    QStringList suspect;
    EXPECT_EQ(Users(4, &suspect), 1);
    EXPECT_EQ(Users(1), 1);

    auto db = Open();
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db->GetStore()->Db(), "PRAGMA integrity_check", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok");
    sqlite3_finalize(s);
    auto rs = db->OpenRecordset(QStringLiteral("SELECT count(*) AS n, sum(qty) AS q FROM parts"), dbOpenSnapshot);
    EXPECT_EQ(rs->Fields()[0]->Value().AsInteger(), int(Parts().size()) + 100);
    EXPECT_EQ(rs->Fields()[1]->Value().AsInteger(), 142 + 100);
    // The engine goes on writing where the killed one left off.
    db->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('after')"));
    EXPECT_EQ(Users(8), 1);
}

// Readers of the lock file take its names as code page 1251, so Cyrillic names are written so.
TEST_F(DaoLockFileTest, CyrillicNamesAreStoredInCodePage1251)
{
    MakeShop()->Close();
    const QString computer = QStringLiteral("Сервиз-1");
    const QString user = QStringLiteral("Иван");
    auto lock = LockFile::Acquire(path, false, computer, user);
    ASSERT_TRUE(lock);
    QFile ldb(LockFile::PathFor(path));
    ASSERT_TRUE(ldb.open(QIODevice::ReadOnly));
    const QByteArray bytes = ldb.readAll();
    EXPECT_EQ(QByteArray(bytes.constData()), ToCp1251(computer));
    EXPECT_EQ(QByteArray(bytes.constData() + 32), ToCp1251(user));
    const auto found = LockFile::ReadSlots(path);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().computer, computer);
    EXPECT_EQ(found.front().user, user);
}

}  // namespace
}  // namespace daotest
