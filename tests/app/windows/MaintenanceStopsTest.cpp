#include "ProgramFixture.h"

#include "controls/FlatButton.h"
#include "platform/os/StopPoint.h"
#include "support/ChildRun.h"

#include <map>

namespace {

const QString kAdmin = QStringLiteral("Администратор");

// The number of rows of every table of the shop database, read past the program.
std::map<QString, qint64> RowCounts(const QString& file)
{
    std::map<QString, qint64> counts;
    sqlite3* db = OpenDatabaseFile(file, SQLITE_OPEN_READONLY);
    if (!db) return counts;
    QStringList tables;
    sqlite3_stmt* list = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'", -1, &list,
                       nullptr);
    while (list && sqlite3_step(list) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    for (const QString& table : tables) {
        sqlite3_stmt* count = nullptr;
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &count, nullptr) == SQLITE_OK && sqlite3_step(count) == SQLITE_ROW)
            counts[table] = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
    }
    sqlite3_close(db);
    return counts;
}

// The program of a child process, started over the folder the parent test prepared: it logs in
// and runs the repair or compaction of the settings window as a person would, until the stop
// point the parent named ends it.
TEST_F(ProgramTest, MaintenanceChild)
{
    const QString folder = QString::fromLocal8Bit(ChildArgument("MAINTENANCE_FOLDER"));
    const QByteArray kind = ChildArgument("MAINTENANCE_KIND");
    if (folder.isEmpty()) GTEST_SKIP() << "run by the maintenance stop tests";
    Stop();
    QDir::setCurrent(folder);
    SetProgramFolder(folder + QLatin1Char('/'));
    Start();
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    if (kind == "repair 3.5") {
        // The older engine repairs in place instead of compacting.
        DM->VantelDataBase->SetConnected(false);
        DM->VantelDataBase->SetVersion(QStringLiteral("3.5"));
    }
    fSetings->eRepbaseName->SetText(QStringLiteral("carvantel.mdb"));
    (kind == "compact" ? fSetings->fbtCompact : fSetings->fbtRepair)->Click();
    EXPECT_FALSE(Shown(QStringLiteral("Грешка при")));
}

// A repair or compaction ended at any of its steps never costs the shop its database: the
// next start finds it under its name with every row and logs in.
TEST_F(ProgramTest, AStopAtAnyStepOfRepairOrCompactionKeepsTheDatabaseWithEveryRow)
{
    LoginAsAdministrator();
    Seed("shop_basic.sql");
    Stop();
    const struct {
        const char* kind;
        const char* stopAt;
        int exitCode;
        int logins;  // logs rows added by the child and by the new start
    } cases[] = {
        {"compact", "maintain-copied", kStoppedAtPointExitCode, 2},
        {"compact", "compact-copied", kStoppedAtPointExitCode, 2},
        {"compact", "compact-synced", kStoppedAtPointExitCode, 2},
        {"compact", "compact-placed", kStoppedAtPointExitCode, 2},
        {"compact", "", 0, 3},
        {"repair", "maintain-copied", kStoppedAtPointExitCode, 2},
        {"repair", "compact-synced", kStoppedAtPointExitCode, 2},
        {"repair", "compact-placed", kStoppedAtPointExitCode, 2},
        {"repair 3.5", "repair-copied", kStoppedAtPointExitCode, 2},
        {"repair 3.5", "repair-synced", kStoppedAtPointExitCode, 2},
        {"repair 3.5", "repair-placed", kStoppedAtPointExitCode, 2},
        {"repair 3.5", "", 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " stopped at " + c.stopAt);
        std::map<QString, qint64> before = RowCounts(Path("CarVantel.mdb"));
        ASSERT_GT(before[QStringLiteral("myfirm")], 0);
        EXPECT_EQ(RunChildTest(QStringLiteral("ProgramTest.MaintenanceChild"),
                               {{"MAINTENANCE_FOLDER", dir_.path().toLocal8Bit()},
                                {"MAINTENANCE_KIND", c.kind},
                                {"CARVANTEL_STOP_AT", c.stopAt}}),
                  c.exitCode);

        host_.ClearShown();
        Start();
        EXPECT_TRUE(app::TemplateCopy.isEmpty());
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Stop();
        std::map<QString, qint64> after = RowCounts(Path("CarVantel.mdb"));
        // Each login adds its logs row, and so does the reconnect after a finished compaction.
        EXPECT_EQ(after[QStringLiteral("logs")], before[QStringLiteral("logs")] + c.logins);
        after.erase(QStringLiteral("logs"));
        before.erase(QStringLiteral("logs"));
        EXPECT_EQ(after, before);
    }
}

// Where an earlier version stopped between its two renames, the folder holds the compacted copy
// and the original under temporary names and no database: the start says so, names them and
// makes no empty database in the place of the shop's.
TEST_F(ProgramTest, AMissingDatabaseBesideMaintenanceLeftoversIsToldAndNoTemplateIsCopied)
{
    LoginAsAdministrator();
    Seed("shop_basic.sql");
    Stop();
    const struct {
        const char* name;
        std::function<void()> leave;
        QStringList named;
    } cases[] = {
        {"copy and original of an earlier compaction",
         [this] {
             ASSERT_TRUE(QFile::copy(Path("CarVantel.mdb"), Path("mdbAb12Cd.tmp")));
             ASSERT_TRUE(QFile::rename(Path("CarVantel.mdb"), Path("mdbAb12Cd.tmp.old")));
         },
         {QStringLiteral("mdbAb12Cd.tmp"), QStringLiteral("mdbAb12Cd.tmp.old")}},
        {"the copy taken before a repair",
         [this] { ASSERT_TRUE(QFile::rename(Path("CarVantel.mdb"), Path("Temp.mdb"))); },
         {QStringLiteral("Temp.mdb")}},
        {"an unfinished copy of the engine",
         [this] { ASSERT_TRUE(QFile::rename(Path("CarVantel.mdb"), Path("CarVantel.mdb.compact-1a2b"))); },
         {QStringLiteral("CarVantel.mdb.compact-1a2b")}},
    };
    const QByteArray shop = [this] {
        QFile f(Path("CarVantel.mdb"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files))
            if (name != QLatin1String("EmptyBase.mdb") && name != QLatin1String("Set.dll"))
                QFile::remove(Path(name.toUtf8().constData()));
        {
            QFile f(Path("CarVantel.mdb"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(shop);
        }
        c.leave();
        host_.ClearShown();
        Start();
        EXPECT_FALSE(FileExists(Path("CarVantel.mdb")));
        EXPECT_TRUE(app::TemplateCopy.isEmpty());
        EXPECT_TRUE(Shown(QStringLiteral("Базата данни CarVantel.mdb липсва")));
        for (const QString& name : c.named) EXPECT_TRUE(Shown(name)) << name.toStdString();
        host_.AnswerQuestion(QStringLiteral("Грешка при свързване с базата данни !"), mrYes);
        EXPECT_NE(Login(kAdmin, QString()), mrOk);
        EXPECT_FALSE(DM->VantelDataBase->Connected());
        EXPECT_FALSE(FileExists(Path("CarVantel.mdb")));
        Stop();
    }
}

}  // namespace
