// The engine object, workspaces, and what the system answers about installed engines.

#include "DaoTestFixture.h"

namespace daotest {
namespace {

class DaoEngineTest : public DaoFixture {};

TEST_F(DaoEngineTest, VersionsAndRegistryAnswers)
{
    EXPECT_EQ(InstalledEngineVersions(), (QStringList{"3.5", "3.6"}));
    struct ClassCase {
        const char* progId;
        const char* version;
    };
    for (const ClassCase& c : std::vector<ClassCase>{{"DAO.DBEngine.35", "3.51"}, {"DAO.DBEngine.36", "3.6"},
                                                     {"DAO.PrivateDBEngine.35", "3.51"}, {"DAO.PrivateDBEngine", "3.6"},
                                                     {"DAO.DBEngine.120", ""}}) {
        EXPECT_EQ(EngineClassVersion(QString::fromLatin1(c.progId)), QString::fromLatin1(c.version)) << c.progId;
        EXPECT_EQ(EngineClassRegistered(QString::fromLatin1(c.progId)), *c.version != 0);
    }
    EXPECT_TRUE(InstallableFormats(QStringLiteral("3.6")).isEmpty());
    EXPECT_TRUE(OdbcDrivers().isEmpty());
    EXPECT_EQ(ErrorOf([] { DBEngine e(QStringLiteral("4.0")); }), errNotJetHere);
}

TEST_F(DaoEngineTest, WorkspacesKnowOnlyTheAdministratorWithoutPassword)
{
    auto ws = engine.CreateWorkspace(QStringLiteral("DaoWorkspace"), QStringLiteral("admin"), QString());
    EXPECT_EQ(ws->Name(), QStringLiteral("DaoWorkspace"));
    engine.Workspaces().Append(ws);
    EXPECT_EQ(engine.Workspaces().Count(), 2);
    EXPECT_EQ(engine.Workspaces()[0]->Name(), QStringLiteral("#Default Workspace#"));
    EXPECT_EQ(ErrorOf([&] { engine.Workspaces().Append(ws); }), 3367);
    EXPECT_EQ(ErrorOf([&] { engine.CreateWorkspace(QStringLiteral("w"), QStringLiteral("guest"), QString()); }), 3029);
    EXPECT_EQ(ErrorOf([&] { engine.CreateWorkspace(QStringLiteral("w"), QStringLiteral("Admin"), QStringLiteral("x")); }), 3029);
    auto odbc = engine.CreateWorkspace(QStringLiteral("odbc"), QStringLiteral("Admin"), QString(), dbUseODBC);
    EXPECT_EQ(ErrorOf([&] { odbc->OpenConnection(QStringLiteral("shop")); }), errOdbcRefused);
    MakeShop()->Close();
    auto db = ws->OpenDatabase(path, false, false, QStringLiteral(";UID=Admin;PWD=;"));
    EXPECT_EQ(ws->Databases().Count(), 1);
    ws->Close();
    EXPECT_FALSE(db->IsOpen());
    EXPECT_EQ(ErrorOf([&] { db->OpenRecordset(QStringLiteral("parts")); }), errNotConnected);
}

TEST_F(DaoEngineTest, IdleWorksWithOrWithoutDatabases)
{
    DBEngine lone;
    lone.Idle(dbFreeLocks);
    lone.Idle(dbRefreshCache);
    auto db = MakeShop();
    engine.Idle(dbFreeLocks | dbRefreshCache);
    db->Close();
    engine.Idle(dbRefreshCache);
}

TEST_F(DaoEngineTest, ClosingADatabaseClosesItsRecordsets)
{
    auto db = MakeShop();
    auto rs = db->OpenRecordset(QStringLiteral("parts"));
    auto name = rs->Fields()[QStringLiteral("name")];
    db->Close();
    EXPECT_FALSE(rs->IsOpen());
    EXPECT_EQ(ErrorOf([&] { name->Value(); }), errNotConnected);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), errNotConnected);
}

TEST_F(DaoEngineTest, ReadOnlyDatabaseRefusesWrites)
{
    MakeShop()->Close();
    auto db = Open(QString(), false, true);
    EXPECT_FALSE(db->Updatable());
    auto rs = db->OpenRecordset(QStringLiteral("parts"));
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), errNotUpdatable);
    EXPECT_EQ(ErrorOf([&] { db->Execute(QStringLiteral("DELETE FROM parts")); }), errReadOnlyDatabase);
}

}  // namespace
}  // namespace daotest
