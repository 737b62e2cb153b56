#include "DataAccessFixture.h"

#include "dataaccess/DBLoginUnit.h"
#include "platform/os/Files.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"

#include <QApplication>
#include <QFileInfo>

namespace {

using namespace datest;

class DaoDataBaseTest : public DataAccessFixture {};

QByteArray JetHeader()
{
    QByteArray bytes(2048, '\0');
    bytes[0] = 0;
    bytes[1] = 1;
    bytes.replace(4, 15, "Standard Jet DB");
    return bytes;
}

TEST_F(DaoDataBaseTest, CreatedWithItsDefaults)
{
    TDaoDatabase db;
    EXPECT_EQ(db.ComponentVersion(), QStringLiteral("7.20"));
    EXPECT_EQ(db.UserName(), QStringLiteral("Admin"));
    EXPECT_EQ(db.DatabaseType(), QStringLiteral("Access"));
    EXPECT_EQ(db.Workspace(), QStringLiteral("DaoWorkspace"));
    EXPECT_EQ(db.EngineType(), 2);
    EXPECT_EQ(db.QueryTimeout(), 60);
    EXPECT_TRUE(db.SmartOpen());
    EXPECT_TRUE(db.TrackTransactions());
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.AvailableVersions().ToStringList(), QStringList({"3.5", "3.6"}));
    EXPECT_EQ(db.Version(), QStringLiteral("3.5"));
    EXPECT_EQ(db.VersionInfo(), QStringLiteral("(In Access'97 mode)"));
    EXPECT_EQ(db.DatabaseTypes().Get(0), QStringLiteral("Access"));
    EXPECT_EQ(db.DatabaseTypes().Get(1), QStringLiteral("ODBC"));
    std::unique_ptr<TStringList> versions(db.DaoVersionsList());
    EXPECT_EQ(versions->ToStringList(), QStringList({"3.5", "3.6"}));
    db.SetVersion(QStringLiteral("3.60"));
    EXPECT_EQ(db.Version(), QStringLiteral("3.6"));
    EXPECT_EQ(db.VersionInfo(), QStringLiteral("(In Access'2000 mode)"));
    db.Idle();  // needs no connection
}

TEST_F(DaoDataBaseTest, ConnectListsTablesAndQueriesAndNamesTheCollatingOrder)
{
    MakeShop();
    bool before = false, after = false;
    database = std::make_unique<TDaoDatabase>();
    database->SetVersion(QStringLiteral("3.6"));
    database->OnBeforeConnect = [&](TDaoDatabase*) { before = true; };
    database->OnAfterConnect = [&](TDaoDatabase* db) { after = db->Connected(); };
    Connect();
    EXPECT_TRUE(before);
    EXPECT_TRUE(after);
    EXPECT_EQ(database->TableNames().ToStringList(), QStringList({"items"}));
    EXPECT_EQ(database->QueryDefNames().ToStringList(), QStringList({"three"}));
    EXPECT_EQ(database->DatabaseLanguage(),
              QStringLiteral("General (English, French, German, Portuguese, Italian, and Modern Spanish)"));
    EXPECT_EQ(database->DatabaseVersionInfo(), QStringLiteral("4.0"));
    TStringList sql;
    database->GetQueryDefSQLText(QStringLiteral("three"), sql);
    EXPECT_TRUE(sql.Text().contains(QStringLiteral("PARAMETERS")));
    database->GetQueryDefSQLText(QStringLiteral("nosuch"), sql);
    EXPECT_EQ(sql.Count(), 0);
    EXPECT_EQ(CollatingOrderName(1049), QStringLiteral("Bulgarian or Russian"));
    EXPECT_EQ(CollatingOrderName(1048), QString());
}

TEST_F(DaoDataBaseTest, EmptyDatabaseIsRefusedBeforeAnyEvent)
{
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    bool fired = false;
    db.OnBeforeConnect = [&](TDaoDatabase*) { fired = true; };
    EXPECT_EQ(ErrorOf([&] { db.SetConnected(true); }),
              QStringLiteral("TDaoDatabase.F_Set_Active: Database property is not defined!"));
    EXPECT_FALSE(fired);
}

TEST_F(DaoDataBaseTest, FailedConnectsFillTheLastErrorAndCreateNothing)
{
    MakeShop(QStringLiteral("secret"));
    const QString elsewhere = dir.filePath(QStringLiteral("other.mdb"));
    {
        QFile f(elsewhere);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(JetHeader());
    }
    struct Case {
        const char* name;
        QString file;
        QString password;
    };
    const Case cases[] = {
        {"wrong password", path, QStringLiteral("guess")},
        {"missing file", dir.filePath(QStringLiteral("missing.mdb")), QString()},
        {"Jet file from elsewhere", elsewhere, QString()},
    };
    SetProgramFolder(dir.path());
    for (const auto& c : cases) {
        const auto before = FolderState(dir.path());
        TDaoDatabase db;
        db.SetVersion(QStringLiteral("3.6"));
        db.SetDatabase(c.file);
        db.SetDatabasePassword(c.password);
        bool raised = false;
        try {
            db.SetConnected(true);
        } catch (const EDaoError&) {
            raised = true;
        }
        EXPECT_TRUE(raised) << c.name;
        EXPECT_FALSE(db.Connected()) << c.name;
        TDaoErrorRecord error;
        db.GetLastDaoError(error);
        EXPECT_NE(error.Number, 0) << c.name;
        EXPECT_FALSE(error.Description.isEmpty()) << c.name;
        EXPECT_EQ(FolderState(dir.path()), before) << c.name;
    }
    SetProgramFolder(QString());
}

TEST_F(DaoDataBaseTest, VersionAutoDetectChoosesTheEngineTheFileNeeds)
{
    MakeShop();  // format version 4.0
    TDaoDatabase db;
    db.SetDatabase(path);
    EXPECT_EQ(db.Version(), QStringLiteral("3.5"));
    EXPECT_THROW(db.SetConnected(true), EDaoError);
    db.SetMdbVersionAutoDetect(true);
    db.SetConnected(true);
    EXPECT_EQ(db.Version(), QStringLiteral("3.6"));
    db.SetConnected(false);
    // A file shorter than a header leaves the version alone.
    const QString tiny = dir.filePath(QStringLiteral("tiny.mdb"));
    QFile f(tiny);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100, 'x'));
    f.close();
    db.SetVersion(QStringLiteral("3.5"));
    db.SetDatabase(tiny);
    EXPECT_THROW(db.SetConnected(true), EDaoError);
    EXPECT_EQ(db.Version(), QStringLiteral("3.5"));
}

TEST_F(DaoDataBaseTest, SmartOpenLooksInTheProgramFolderOnlyForABareName)
{
    MakeShop();
    SetProgramFolder(dir.path() + QLatin1Char('/'));
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    const struct {
        const char* name;
        QString configured;
        QString opened;  // empty: refused with 3024 naming the configured path
    } cases[] = {
        {"bare name", QStringLiteral("shop.mdb"), dir.path() + QStringLiteral("/shop.mdb")},
        {"missing folder", QStringLiteral("/nowhere/at/all/shop.mdb"), QString()},
        {"unreachable share", QStringLiteral("//server/share/shop.mdb"), QString()},
        {"folder without the file", elsewhere + QStringLiteral("/shop.mdb"), QString()},
        {"relative folder", QStringLiteral("nowhere/shop.mdb"), QString()},
        {"the file where it is", path, path},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDaoDatabase db;
        db.SetVersion(QStringLiteral("3.6"));
        db.SetDatabase(c.configured);
        int number = 0;
        QString message;
        try {
            db.SetConnected(true);
        } catch (const EDaoError& error) {
            number = error.Number();
            message = error.Description();
        }
        if (c.opened.isEmpty()) {
            EXPECT_EQ(number, dao::errFileNotFound);
            EXPECT_FALSE(db.Connected());
            EXPECT_TRUE(message.contains(QFileInfo(c.configured).fileName())) << message.toStdString();
            EXPECT_FALSE(message.contains(dir.path() + QStringLiteral("/shop.mdb"))) << message.toStdString();
            EXPECT_EQ(db.Database(), c.configured);
        } else {
            EXPECT_EQ(number, 0) << message.toStdString();
            EXPECT_TRUE(db.Connected());
            EXPECT_EQ(db.Database(), c.opened);
        }
    }
    SetProgramFolder(QString());
}

// What interrupted compactions of earlier versions left (a compacted copy, a moved-aside
// original) may be the only copy of the shop's data: a further compaction keeps it. Only the
// engine's unfinished copies of the very file it compacts, which the file itself outlives, go.
TEST_F(DaoDataBaseTest, CompactionKeepsWhatEarlierRunsLeftAndListsIt)
{
    MakeShop();
    const struct {
        const char* name;
        bool leftover;  // listed as a compaction's or repair's leftover
        bool removed;   // by the next compaction
    } files[] = {
        {"mdbAb12Cd.tmp", true, false},
        {"mdbAb12Cd.tmp.compact-1f2e", true, false},
        {"mdbAb12Cd.tmp.compact-1f2e-journal", true, false},
        {"mdbZz99Yy.tmp.old", true, false},
        {"MDBZZ99YY.TMP.OLD", true, false},
        {"shop.mdb.compact-9a0b", true, true},
        {"shop.mdb.compact-9a0b-journal", true, true},
        {"shop.mdb.repair-77", true, false},
        {"mdb123.tmp", false, false},
        {"mdbAb12Cd.tmpx", false, false},
        {"notes.tmp", false, false},
        {"shop.mdb.bak", false, false},
        {"other.mdb.compact-1", false, false},
    };
    QStringList listed;
    for (const auto& f : files) {
        QFile file(dir.filePath(QString::fromLatin1(f.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("partial");
        if (f.leftover) listed << dir.filePath(QString::fromLatin1(f.name));
    }
    listed.sort();
    EXPECT_EQ(TDaoDatabase::MaintenanceLeftovers(path), listed);

    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.CompactAccessDatabase(path, QString());
    for (const auto& f : files)
        EXPECT_EQ(QFile::exists(dir.filePath(QString::fromLatin1(f.name))), !f.removed) << f.name;
    db.SetDatabase(path);
    db.SetConnected(true);
    EXPECT_TRUE(db.Connected());
}

TEST_F(DaoDataBaseTest, SettersAreRefusedWhileConnected)
{
    MakeShop();
    Connect();
    struct Case {
        const char* message;
        std::function<void(TDaoDatabase&)> write;
    };
    const Case cases[] = {
        {"TDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!",
         [](TDaoDatabase& d) { d.SetDatabase(QStringLiteral("x.mdb")); }},
        {"TDaoDatabase.F_Set_DaoVersion: Cannot set Dao Version while Database is connected!",
         [](TDaoDatabase& d) { d.SetVersion(QStringLiteral("3.5")); }},
        {"TDaoDatabase.F_Set_ReadOnly: Cannot change mode while Database is connected!",
         [](TDaoDatabase& d) { d.SetReadOnly(true); }},
        {"TDaoDatabase.F_Set_DatabasePassword: Cannot change Database Password while Database is connected!",
         [](TDaoDatabase& d) { d.SetDatabasePassword(QStringLiteral("x")); }},
        {"TDaoDatabase.F_Set_UserName: Cannot change User Name while Database is connected!",
         [](TDaoDatabase& d) { d.SetUserName(QStringLiteral("x")); }},
        {"Cannot set TrackTransactions property when Database is connected!",
         [](TDaoDatabase& d) { d.SetTrackTransactions(false); }},
        {"TDaoDatabase.F_Set_DatabaseType: Cannot set Database Type while Database is connected!",
         [](TDaoDatabase& d) { d.SetDatabaseType(QStringLiteral("ODBC")); }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { c.write(*database); }), QString::fromLatin1(c.message));
        EXPECT_TRUE(database->Connected());
        EXPECT_EQ(database->Database(), path);
    }
}

TEST_F(DaoDataBaseTest, ARestartThatFailsPutsTheOldValueBack)
{
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.SetEngineType(2);
    EXPECT_FALSE(ErrorOf([&] { db.SetEngineType(7); }).isEmpty());
    EXPECT_EQ(db.EngineType(), 2);
    // User name and password keep what was written even when the engine refuses them.
    db.SetUserName(QStringLiteral("Somebody"));
    EXPECT_EQ(db.UserName(), QStringLiteral("Somebody"));
}

TEST_F(DaoDataBaseTest, DisconnectClosesEveryRegisteredTable)
{
    MakeShop();
    Connect();
    auto a = Table();
    auto b = Table();
    b->SQL().SetText(QStringLiteral("SELECT * FROM items WHERE kind = 'work'"));
    a->Open();
    b->Open();
    ASSERT_EQ(database->OpenTables().Count(), 2);
    EXPECT_EQ(database->OpenTables().GetObject(0), a.get());
    database->SetConnected(false);
    EXPECT_FALSE(a->Active());
    EXPECT_FALSE(b->Active());
    EXPECT_EQ(database->OpenTables().Count(), 0);
    EXPECT_EQ(database->TableNames().Count(), 0);
    // Reconnecting lets them open again and register afresh.
    database->SetConnected(true);
    a->Open();
    EXPECT_EQ(database->OpenTables().Count(), 1);
    a->Close();
    EXPECT_EQ(database->OpenTables().Count(), 0);
}

TEST_F(DaoDataBaseTest, CompactionKeepsTheDataAndThePassword)
{
    MakeShop(QStringLiteral("secret"));
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.CompactAccessDatabase(path, QStringLiteral("secret"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"shop.mdb"}));
    db.SetDatabase(path);
    EXPECT_THROW(db.SetConnected(true), EDaoError);
    db.SetDatabasePassword(QStringLiteral("secret"));
    db.SetConnected(true);
    TDaoTable table;
    table.SetDatabase(&db);
    table.SetTableName(QStringLiteral("items"));
    table.Open();
    EXPECT_EQ(Column(table, QStringLiteral("name")),
              QStringList({"Brake pad", "Air filter", "Oil change", "Spark plug", "Wheel align"}));
    table.Close();
    db.SetConnected(false);
    // The 3.6 engine repairs by compacting.
    db.SetVersion(QStringLiteral("3.6"));
    db.RepairAccessDatabase(path, QStringLiteral("secret"));
    db.SetConnected(true);
    EXPECT_TRUE(db.Connected());
}

TEST_F(DaoDataBaseTest, CompactionOfAnOpenFileLeavesItAlone)
{
    MakeShop();
    Connect();
    const auto before = FolderState(dir.path());
    TDaoDatabase other;
    other.SetVersion(QStringLiteral("3.6"));
    EXPECT_THROW(other.CompactAccessDatabase(path, QString()), EDaoError);
    database->SetConnected(false);
    EXPECT_EQ(FolderState(dir.path()).value(QStringLiteral("shop.mdb")), before.value(QStringLiteral("shop.mdb")));
}

TEST_F(DaoDataBaseTest, LoginValuesAndOnLoginSupplyTheCredentials)
{
    MakeShop(QStringLiteral("pw"));
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.SetDatabase(path);
    db.LoginValues().Add(QStringLiteral("DBPASSWORD=pw"));
    db.SetConnected(true);
    EXPECT_EQ(db.DatabasePassword(), QStringLiteral("pw"));
    db.SetConnected(false);

    TDaoDatabase viaEvent;
    viaEvent.SetVersion(QStringLiteral("3.6"));
    viaEvent.SetDatabase(path);
    QString seen;
    viaEvent.OnLogin = [&](TDaoDatabase*, TStrings* params) {
        seen = params->Text();
        params->SetValue(QStringLiteral("DBPASSWORD"), QStringLiteral("pw"));
    };
    viaEvent.SetConnected(true);
    EXPECT_TRUE(viaEvent.Connected());
    EXPECT_EQ(seen, QStringLiteral("USER NAME=Admin\r\nPASSWORD=\r\nDBPASSWORD=\r\n"));
}

TEST_F(DaoDataBaseTest, LoginDialogAsksAndItsCancelEndsQuietly)
{
    MakeShop(QStringLiteral("pw"));
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.SetDatabase(path);
    db.SetLoginPrompt(true);
    host.OnForm(QStringLiteral("DbLogin"), [&](TForm& form) {
        auto& login = static_cast<TDbLogin&>(form);
        EXPECT_EQ(login.Caption(), QStringLiteral("Database Login"));
        EXPECT_EQ(login.Username->text(), QStringLiteral("Admin"));
        EXPECT_EQ(login.DatabaseName->Caption(), path);
        login.DbPassword->SetText(QStringLiteral("pw"));
        login.Button1->Click();
        return mrNone;
    });
    db.SetConnected(true);
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(db.DatabasePassword(), QStringLiteral("pw"));
    db.SetConnected(false);

    db.SetLoginPrompt(true);
    host.ClearShown();
    host.OnForm(QStringLiteral("DbLogin"), [](TForm& form) {
        static_cast<TDbLogin&>(form).Button2->Click();
        return mrNone;
    });
    db.SetConnected(true);
    EXPECT_FALSE(db.Connected());
    EXPECT_TRUE(host.Texts().join(QLatin1Char('\n'))
                    .contains(QStringLiteral("If You not enter Username and Password You may not gain access")));
    EXPECT_EQ(db.UserName(), QString());
}

TEST_F(DaoDataBaseTest, ARefusedLoginAsksAgainUntilCancelled)
{
    MakeShop();
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TDaoDatabase db;
    db.SetVersion(QStringLiteral("3.6"));
    db.SetDatabase(path);
    db.SetLoginPrompt(true);
    int shown = 0;
    host.OnForm(
        QStringLiteral("DbLogin"),
        [&](TForm& form) {
            auto& login = static_cast<TDbLogin&>(form);
            if (++shown == 1) {
                login.Username->SetText(QStringLiteral("Nobody"));
                login.Button1->Click();
            } else {
                login.Button2->Click();
            }
            return mrNone;
        },
        -1);
    EXPECT_NO_THROW(db.SetConnected(true));
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(db.Connected());
    EXPECT_GE(host.CountOf(TShownRecord::Message), 2);  // the engine's refusal, then the warning
}

TEST_F(DaoDataBaseTest, LoginFormLayout)
{
    TDbLogin form;
    EXPECT_EQ(form.ClientWidth(), 375);
    EXPECT_EQ(form.ClientHeight(), 180);
    EXPECT_EQ(form.Password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.DbPassword->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(form.Button1->Default());
    EXPECT_TRUE(form.Button2->Cancel());
    QWidget* next = form.Username->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, form.Password);
}

}  // namespace
