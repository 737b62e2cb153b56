// Opening, creating, passwords and the maintenance of database files.

#include "DaoTestFixture.h"

#include "platform/dao/DaoErrors.h"
#include "platform/dao/DaoLockFile.h"

#include <chrono>
#include <sqlite3.h>
#include <thread>

namespace daotest {
namespace {

class DaoStoreTest : public DaoFixture {};

struct OpenCase {
    const char* what;
    std::function<void(const QString& path)> make;  // puts the file (or nothing) at path
    const char* connect;
    int number;
    const char* inText;
};

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray JetHeader(const char* kind)
{
    QByteArray b(2048, '\0');
    b.replace(4, 15, kind);
    return b;
}

TEST_F(DaoStoreTest, RefusedOpensSayWhyAndChangeNothingOnDisk)
{
    const std::vector<OpenCase> cases = {
        {"missing file", [](const QString&) {}, "", errFileNotFound, "Could not find file"},
        {"Jet file", [](const QString& p) { WriteFile(p, JetHeader("Standard Jet DB")); }, "", errUnrecognizedFormat, "Jet database file"},
        {"ACE file", [](const QString& p) { WriteFile(p, JetHeader("Standard ACE DB")); }, "", errUnrecognizedFormat, "Jet database file"},
        {"text file", [](const QString& p) { WriteFile(p, QByteArray("name;price\nbrake;12\n").repeated(20)); }, "",
         errUnrecognizedFormat, "Unrecognized database format"},
        {"empty file", [](const QString& p) { WriteFile(p, QByteArray()); }, "", errUnrecognizedFormat, "Unrecognized database format"},
        {"foreign SQLite file",
         [](const QString& p) {
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "CREATE TABLE t(a); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         "", errUnrecognizedFormat, "Unrecognized database format"},
        {"damaged file",
         [this](const QString& p) {
             MakeShop()->Close();
             QFile f(p);
             f.open(QIODevice::ReadWrite);
             QByteArray bytes = f.readAll();
             for (int i = 100; i < bytes.size(); ++i)
                 bytes[i] = char(0xA5 ^ i);
             f.seek(0);
             f.write(bytes);
         },
         "", errDamaged, "damaged"},
        {"wrong password", [this](const QString&) { MakeShop(QStringLiteral("quietmaple"))->Close(); }, ";pwd=Quietmaple",
         errNotValidPassword, "Not a valid password."},
        {"no password", [this](const QString&) { MakeShop(QStringLiteral("quietmaple"))->Close(); }, "",
         errNotValidPassword, "Not a valid password."},
        {"ODBC connect", [this](const QString&) { MakeShop()->Close(); }, "ODBC;DSN=shop", errOdbcRefused, "ODBC"},
        {"other format", [this](const QString&) { MakeShop()->Close(); }, "dBASE IV;", errIsamNotFound, "installable ISAM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path);
        c.make(path);
        const auto before = FolderState(dir.path());
        QString description;
        int number = 0;
        try {
            engine.OpenDatabase(path, false, false, QString::fromLatin1(c.connect));
        } catch (const EDaoError& e) {
            number = e.Number();
            description = e.Description();
        }
        EXPECT_EQ(number, c.number);
        EXPECT_TRUE(description.contains(QLatin1String(c.inText), Qt::CaseInsensitive)) << description.toStdString();
        EXPECT_EQ(FolderState(dir.path()), before);
        // The engine's error collection holds what was raised.
        ASSERT_EQ(engine.Errors().Count(), 1);
        EXPECT_EQ(engine.Errors().Item(0).Number(), c.number);
        EXPECT_EQ(engine.Errors().Item(0).Description(), description);
    }
}

TEST_F(DaoStoreTest, CreatingRefusesAnExistingFileAndKeepsLocaleVersionAndPassword)
{
    MakeShop(QStringLiteral("quietmaple"))->Close();
    EXPECT_EQ(ErrorOf([&] { engine.CreateDatabase(path, QString::fromLatin1(dbLangGeneral)); }), errDatabaseExists);
    auto db = Open(QStringLiteral("quietmaple"));
    EXPECT_EQ(db->Version(), QStringLiteral("4.0"));
    EXPECT_EQ(db->CollatingOrder(), dbSortGeneral);
    db->Close();

    const QString cyr = dir.filePath(QStringLiteral("cyr.mdb"));
    DBEngine old(QStringLiteral("3.5"));
    old.CreateDatabase(cyr, QString::fromLatin1(dbLangCyrillic))->Close();
    auto c = old.OpenDatabase(cyr);
    EXPECT_EQ(c->Version(), QStringLiteral("3.0"));
    EXPECT_EQ(c->CollatingOrder(), dbSortCyrillic);
}

TEST_F(DaoStoreTest, AnOlderEngineIsToldToUseTheNewerOne)
{
    MakeShop()->Close();
    DBEngine old(QStringLiteral("3.5"));
    EXPECT_EQ(old.Version().at(2), QLatin1Char('5'));
    EXPECT_EQ(ErrorOf([&] { old.OpenDatabase(path); }), errNotJetHere);
    EXPECT_EQ(engine.Version().at(2), QLatin1Char('6'));
}

TEST_F(DaoStoreTest, NewPasswordNeedsTheOldOne)
{
    auto db = MakeShop(QStringLiteral("old"));
    EXPECT_EQ(ErrorOf([&] { db->NewPassword(QStringLiteral("wrong"), QStringLiteral("new")); }), errNotValidPassword);
    db->NewPassword(QStringLiteral("old"), QStringLiteral("new"));
    db->Close();
    EXPECT_EQ(ErrorOf([&] { Open(QStringLiteral("old")); }), errNotValidPassword);
    Open(QStringLiteral("new"))->Close();
    // The password is kept as a salted hash, never as its text.
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_FALSE(f.readAll().contains("new\0"));
}

// A password is set only when the connect text can give it back whole; the file always opens
// with the password it was left with.
TEST_F(DaoStoreTest, APasswordTheConnectTextCannotCarryIsRefused)
{
    const struct {
        const char* password;
        bool refused;
    } cases[] = {
        {"ab;cd", true}, {";", true}, {"ab;", true}, {"a=b", false}, {"парола", false}, {"x y", false},
    };
    MakeShop(QStringLiteral("old"))->Close();
    QString current = QStringLiteral("old");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        const QString wanted = QString::fromUtf8(c.password);
        auto db = Open(current);
        EXPECT_EQ(ErrorOf([&] { db->NewPassword(current, wanted); }), c.refused ? int(errInvalidArgument) : 0);
        db->Close();
        if (!c.refused)
            current = wanted;
        EXPECT_EQ(ErrorOf([&] { Open(current)->Close(); }), 0);
    }
}

int CountRows(Database& db)
{
    auto rs = db.OpenRecordset(QStringLiteral("parts"), dbOpenTable);
    return rs->RecordCount();
}

TEST_F(DaoStoreTest, CompactKeepsRowsPasswordAndCounters)
{
    auto db = MakeShop(QStringLiteral("quietmaple"));
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    rs->MoveLast();
    rs->Delete();  // the highest counter value
    rs->Close();
    db->Close();

    const QString target = dir.filePath(QStringLiteral("compact.mdb"));
    EXPECT_EQ(ErrorOf([&] { engine.CompactDatabase(path, target, QString(), 0, QStringLiteral(";pwd=bad")); }),
              errNotValidPassword);
    EXPECT_FALSE(QFile::exists(target));
    engine.CompactDatabase(path, target, QString(), 0, QStringLiteral(";pwd=quietmaple"));
    EXPECT_EQ(ErrorOf([&] { engine.CompactDatabase(path, target); }), errDatabaseExists);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(target, path));

    EXPECT_EQ(ErrorOf([&] { Open(); }), errNotValidPassword);
    auto again = Open(QStringLiteral("quietmaple"));
    EXPECT_EQ(CountRows(*again), int(Parts().size()) - 1);
    auto add = again->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    add->AddNew();
    add->Fields()[QStringLiteral("name")]->SetValue(TVariant("Fan belt"));
    add->Update();
    add->SetBookmark(add->LastModified());
    // The deleted row's counter value is never handed out again.
    EXPECT_EQ(add->Fields()[QStringLiteral("id")]->Value().AsInteger(), int(Parts().size()) + 1);
}

// What an interrupted compaction or repair left beside the file goes with the next one; files
// of any other name stay.
TEST_F(DaoStoreTest, MaintenanceRemovesItsOwnStaleTemporariesOnly)
{
    MakeShop()->Close();
    const QString target = dir.filePath(QStringLiteral("c.mdb"));
    const struct {
        const char* name;
        bool removed;
    } files[] = {
        {"shop.mdb.repair-1f2e3d4c", true},    {"shop.mdb.repair-1f2e3d4c-journal", true},
        {"shop.mdb.repair-ab", true},          {"c.mdb.compact-9a", true},
        {"c.mdb.compact-9a-journal", true},    {"shop.mdb.repair-notes", false},
        {"other.mdb.repair-1f2e", false},      {"shop.mdb.compact-1f2e", false},
        {"shop.mdb.repair-1f2e.txt", false},   {"shop.mdb.bak", false},
        {"c.mdb.compact-123456789", false},
    };
    for (const auto& f : files) {
        QFile file(dir.filePath(QString::fromLatin1(f.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("partial");
    }
    engine.RepairDatabase(path);
    engine.CompactDatabase(path, target);
    for (const auto& f : files)
        EXPECT_EQ(QFile::exists(dir.filePath(QString::fromLatin1(f.name))), !f.removed) << f.name;
    EXPECT_EQ(CountRows(*Open()), int(Parts().size()));
}

// A copy taken while a writer was half-way: the file with its hot journal.
TEST_F(DaoStoreTest, AReadOnlyOpenOfAnInterruptedWriteSaysItNeedsRecovery)
{
    MakeShop()->Close();
    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        // Enough changed pages that the writer spills them to the file before its commit.
        ASSERT_EQ(sqlite3_exec(db,
                               "PRAGMA cache_size=10; CREATE TABLE pad (b BLOB); BEGIN IMMEDIATE;"
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                               "INSERT INTO pad SELECT randomblob(1000) FROM n; UPDATE parts SET qty = qty + 1;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        ASSERT_TRUE(QFile::exists(path + QStringLiteral("-journal")));
        ASSERT_TRUE(QFile::copy(path, copy));
        ASSERT_TRUE(QFile::copy(path + QStringLiteral("-journal"), copy + QStringLiteral("-journal")));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    QString message;
    int number = 0;
    try {
        engine.OpenDatabase(copy, false, true);
    } catch (const EDaoError& error) {
        number = error.Number();
        message = error.Description();
    }
    EXPECT_EQ(number, errCannotOpenDatabase);
    EXPECT_TRUE(message.contains(QStringLiteral("opened once for writing"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("copy.mdb"))) << message.toStdString();
    // A writable open recovers it; read-only opens work again and see the rows as before.
    engine.OpenDatabase(copy)->Close();
    auto again = engine.OpenDatabase(copy, false, true);
    EXPECT_EQ(CountRows(*again), int(Parts().size()));
}

// A folder where the lock file cannot be made (a read-only share) is named as the cause, not
// mistaken for a read-only database file.
TEST_F(DaoStoreTest, AFolderThatRefusesTheLockFileIsToldApartFromAReadOnlyFile)
{
    MakeShop()->Close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shop.ldb")));  // the lock file cannot be made
    QString message;
    int number = 0;
    try {
        Open();
    } catch (const EDaoError& error) {
        number = error.Number();
        message = error.Description();
    }
    EXPECT_EQ(number, errCannotOpenDatabase);
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(dir.path()))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("lock file"))) << message.toStdString();
    // Reading needs no lock file.
    auto reader = Open(QString(), false, true);
    EXPECT_EQ(CountRows(*reader), int(Parts().size()));
    EXPECT_EQ(ErrorOf([&] { reader->Execute(QStringLiteral("DELETE FROM parts"), dbFailOnError); }), errReadOnlyDatabase);
}

// Another connection writing the file holds its lock for a while; whatever opens or reads the
// file meanwhile waits for it as a write would, and is not told the file is something else.
TEST_F(DaoStoreTest, OpeningAFileAnotherConnectionHoldsWaitsForItsLock)
{
    MakeShop()->Close();
    const std::function<void()> readers[] = {
        [&] { EXPECT_EQ(CountRows(*Open()), int(Parts().size())); },
        [&] { EXPECT_EQ(Store::ReadFormatVersion(path), QStringLiteral("4.0")); },
    };
    for (const auto& read : readers) {
        sqlite3* writer = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &writer), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([writer] {
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
        });
        EXPECT_EQ(ErrorOf(read), 0);
        release.join();
        sqlite3_close(writer);
    }
}

TEST_F(DaoStoreTest, CompactAndRepairRefuseAFileInUse)
{
    auto db = MakeShop();
    EXPECT_EQ(ErrorOf([&] { engine.CompactDatabase(path, dir.filePath(QStringLiteral("c.mdb"))); }), errFileInUse);
    EXPECT_EQ(ErrorOf([&] { engine.RepairDatabase(path); }), errFileInUse);
    EXPECT_EQ(ErrorOf([&] { engine.CompactDatabaseInPlace(path); }), errFileInUse);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("c.mdb"))));
    EXPECT_EQ(CountRows(*db), int(Parts().size()));
    db->Close();
    EXPECT_FALSE(QFile::exists(LockFile::PathFor(path)));
}

TEST_F(DaoStoreTest, RepairKeepsDataAndPassword)
{
    MakeShop(QStringLiteral("quietmaple"))->Close();
    engine.RepairDatabase(path);
    auto db = Open(QStringLiteral("quietmaple"));
    EXPECT_EQ(CountRows(*db), int(Parts().size()));
    db->Close();
    EXPECT_EQ(ErrorOf([&] { engine.RepairDatabase(dir.filePath(QStringLiteral("none.mdb"))); }), errFileNotFound);
}

TEST_F(DaoStoreTest, RepairSalvagesTheReadableRowsOfADamagedTable)
{
    {
        auto db = MakeShop();
        ASSERT_NO_FATAL_FAILURE(
            FillStraight(*db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                             "2000) INSERT INTO parts (name, qty, note) SELECT 'bulk ' || i, 1, "
                                             "printf('%.300c', 'x') FROM n")));
        db->Close();
    }
    // Spoil a page in the middle of the file, where only row data lives.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    f.seek((size / 4096 / 2) * 4096 + 200);
    f.write(QByteArray(600, '\x7f'));
    f.close();
    engine.RepairDatabase(path);
    auto db = Open();
    const int rows = CountRows(*db);
    EXPECT_GT(rows, 1000);
    EXPECT_LT(rows, 2000 + int(Parts().size()) + 1);
}

TEST_F(DaoStoreTest, ErrorsCollectionFollowsTheLastFailure)
{
    auto db = MakeShop();
    auto rs = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    rs->MoveLast();
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->Fields()[0]->Value(); }), errNoCurrentRecord);
    ASSERT_EQ(engine.Errors().Count(), 1);
    const ErrorItem& e = engine.Errors().Item(0);
    EXPECT_EQ(e.Number(), errNoCurrentRecord);
    EXPECT_EQ(e.Description(), QStringLiteral("No current record."));
    EXPECT_EQ(e.Source(), QStringLiteral("DAO.Recordset"));
    EXPECT_EQ(ErrorOf([&] { engine.Errors().Item(1); }), errFieldNotFound);
    EXPECT_EQ(engine.Errors().Item(0).Number(), errNoCurrentRecord);
}

}  // namespace
}  // namespace daotest
