// The information component over lock files written by live connections, a slot left behind by
// a connection that died, and hand-made lock files of every shape.

#include "DataAccessFixture.h"

#include "dataaccess/DaoInfo.h"
#include "platform/dao/DaoLockFile.h"
#include "platform/os/CodePage1251.h"

#include <QFile>

namespace {

using namespace datest;

// One lock-file slot: computer and user names, each zero-padded to 32 bytes (or cut there).
QByteArray Slot(const QByteArray& computer, const QByteArray& user)
{
    return computer.left(32).leftJustified(32, '\0') + user.left(32).leftJustified(32, '\0');
}

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class DaoInfoTest : public DataAccessFixture {
protected:
    void Activate(const QString& databasePath)
    {
        info.SetDatabase(databasePath);
        info.SetActive(true);
    }

    TDaoInfo info;
};

TEST_F(DaoInfoTest, TwoConnectionsAndAStaleSlot)
{
    MakeShop();
    Connect();
    const auto second = dao::LockFile::Acquire(path, false, QStringLiteral("WS-2"), QStringLiteral("Ivan"));
    ASSERT_NE(second, nullptr);
    // What a connection that died leaves: its names and the mark of a slot in use, no lock.
    QByteArray stale = Slot("CRASHED-PC", "Petar");
    stale[63] = 1;
    QFile lockFile(dao::LockFile::PathFor(path));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lockFile.seek(2 * 64));
    ASSERT_EQ(lockFile.write(stale), 64);
    lockFile.close();

    QStringList order;
    info.AfterGetDatabaseVersion = [&] { order << "version"; };
    info.AfterGetNumberOfUsers = [&] { order << "count"; };
    info.AfterGetLoggedUsers = [&] { order << "all"; };
    info.AfterGetLoggedNowUsers = [&] { order << "now"; };
    info.AfterGetErrorUsers = [&] { order << "suspect"; };
    info.AfterGetLoggedUsersEx = [&] { order << "lockfile"; };
    Activate(path);
    EXPECT_EQ(order, QStringList({"version", "count", "all", "now", "suspect", "lockfile"}));

    const QString me = dao::LockFile::ComputerName() + QStringLiteral("/Admin");
    EXPECT_EQ(info.DatabaseVersion(), 4);
    EXPECT_EQ(info.NumberOfUsers(), 2);
    EXPECT_EQ(info.LoggedNowUsers().ToStringList(), QStringList({me, "WS-2/Ivan"}));
    EXPECT_EQ(info.ErrorUsers().ToStringList(), QStringList({"CRASHED-PC/Petar"}));
    EXPECT_EQ(info.LoggedUsers().ToStringList(), QStringList({me, "WS-2/Ivan", "CRASHED-PC/Petar"}));
    EXPECT_EQ(info.LoggedUsersEx().ToStringList(), QStringList({me, "WS-2/Ivan", "CRASHED-PC/Petar"}));
    EXPECT_EQ(info.LastError(), 0);

    // Every read asks afresh.
    database->Close();
    EXPECT_EQ(info.NumberOfUsers(), 1);
    EXPECT_EQ(info.LoggedNowUsers().ToStringList(), QStringList({"WS-2/Ivan"}));

    // Inactive: numbers 0, lists as last filled.
    info.SetActive(false);
    EXPECT_EQ(info.NumberOfUsers(), 0);
    EXPECT_EQ(info.DatabaseVersion(), 0);
    EXPECT_EQ(info.LoggedNowUsers().ToStringList(), QStringList({"WS-2/Ivan"}));
}

TEST_F(DaoInfoTest, WithoutTheUserListLibraryUsersCannotBeCounted)
{
    MakeShop();
    Connect();
    info.SetDaoInfoDll(dir.filePath(QStringLiteral("missing.dll")));
    Activate(path);
    EXPECT_LT(info.NumberOfUsers(), 0);  // not "nobody connected"
    EXPECT_EQ(info.LastError(), TDaoInfo::LibraryNotFound);
    EXPECT_EQ(info.LastError(), -1000);
    EXPECT_EQ(info.LastErrorText(), QStringLiteral("DLL Library not found!"));
    EXPECT_EQ(info.DatabaseVersion(), 0);
    EXPECT_EQ(info.LoggedNowUsers().Count(), 0);
    // The lock file is read without the library.
    EXPECT_EQ(info.LoggedUsersEx().ToStringList(), QStringList({dao::LockFile::ComputerName() + "/Admin"}));
}

TEST_F(DaoInfoTest, LibraryIsFoundByItsFileNameInAnyFolderAndCase)
{
    MakeShop();
    info.SetDaoInfoDll(QStringLiteral(".\\Msldbusr.dll"));
    Activate(path);
    EXPECT_EQ(info.NumberOfUsers(), 0);  // the file exists and nobody has it open
    EXPECT_EQ(info.LastError(), 0);
    EXPECT_EQ(info.DatabaseVersion(), 4);
}

TEST_F(DaoInfoTest, MissingDatabaseFileIsAnErrorNotAnEmptyFile)
{
    Activate(dir.filePath(QStringLiteral("nosuch.mdb")));
    EXPECT_LT(info.NumberOfUsers(), 0);
    EXPECT_LT(info.LastError(), 0);
    EXPECT_FALSE(info.LastErrorText().isEmpty());
    EXPECT_EQ(info.DatabaseVersion(), 0);
    EXPECT_EQ(info.LoggedUsersEx().Count(), 0);
}

TEST_F(DaoInfoTest, LockFileShapes)
{
    const QByteArray full32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    QByteArray many;
    for (int i = 0; i < 300; ++i)
        many += Slot("PC" + QByteArray::number(i), "u");
    const struct {
        const char* name;
        const char* database;
        const char* lockFile;
        QByteArray bytes;
        QStringList expected;
    } cases[] = {
        {"130 bytes are two slots", "shop.mdb", "shop.ldb", Slot("A", "x") + Slot("B", "y") + QByteArray(2, 'z'),
         {"A/x", "B/y"}},
        {"names filling their 32 bytes", "shop.mdb", "shop.ldb", Slot(full32, full32),
         {QString::fromLatin1(full32 + "/" + full32)}},
        {"the last extension gives way", "shop.old.mdb", "shop.old.ldb", Slot("C", "z"), {"C/z"}},
        {"a name without extension", "shop", "shop.ldb", Slot("D", "w"), {"D/w"}},
        {"fewer than 64 bytes", "shop.mdb", "shop.ldb", QByteArray("short"), {}},
        {"an empty slot", "shop.mdb", "shop.ldb", QByteArray(64, '\0'), {"/"}},
        {"single-byte Cyrillic", "shop.mdb", "shop.ldb", Slot(ToCp1251(QStringLiteral("КАСА-1")), ToCp1251(QStringLiteral("Иван"))),
         {QStringLiteral("КАСА-1/Иван")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        WriteFile(folder.filePath(QString::fromLatin1(c.database)), "not a database");
        WriteFile(folder.filePath(QString::fromLatin1(c.lockFile)), c.bytes);
        Activate(folder.filePath(QString::fromLatin1(c.database)));
        EXPECT_EQ(info.LoggedUsersEx().ToStringList(), c.expected);
    }

    SCOPED_TRACE("at most 256 slots are read");
    QTemporaryDir folder;
    WriteFile(folder.filePath(QStringLiteral("shop.mdb")), "not a database");
    WriteFile(folder.filePath(QStringLiteral("shop.ldb")), many);
    Activate(folder.filePath(QStringLiteral("shop.mdb")));
    EXPECT_EQ(info.LoggedUsersEx().Count(), 256);
    EXPECT_EQ(info.LoggedUsersEx().Get(255), QStringLiteral("PC255/u"));
}

TEST_F(DaoInfoTest, NoLockFileGivesNoLines)
{
    MakeShop();
    Activate(path);
    EXPECT_EQ(info.LoggedUsersEx().Count(), 0);
    EXPECT_EQ(info.NumberOfUsers(), 0);
}

}  // namespace
