#include "platform/dao/DaoMaintenance.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoLockFile.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/DaoValue.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/dao/JetSql.h"
#include "platform/dao/SqliteDialect.h"
#include "platform/os/Files.h"
#include "platform/os/StopPoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

namespace dao {

namespace {

// Every piece of SQL whose spelling is the engine's.
const jet::SqliteDialect kDialect;

const QString kSource = QStringLiteral("DAO.DBEngine");
// The schema name the damaged file is read under while it is salvaged.
QString Damaged() { return QStringLiteral("damaged"); }

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, kSource); }

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString TempBeside(const QString& path, const char* what)
{
    return path + QStringLiteral(".%1-%2").arg(QLatin1String(what)).arg(QRandomGenerator::global()->generate(), 0, 16);
}

void RemoveFile(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// The names TempBeside gives for `what` beside `path`, with their journals.
QRegularExpression TemporaryNames(const QString& path, const QString& what, QRegularExpression::PatternOptions options)
{
    return QRegularExpression(QStringLiteral("^%1\\.%2-[0-9a-f]{1,8}(-journal)?$")
                                  .arg(QRegularExpression::escape(QFileInfo(path).fileName()), what),
                              options);
}

// Removes what an interrupted run of the same step left beside `path`: files named as
// TempBeside names them, with their journals, and nothing else. The caller holds the file
// exclusively, so no running step can own them, and the file itself is still there, so they
// are never the only copy of its data.
void RemoveStaleTemporaries(const QString& path, const char* what)
{
    const QRegularExpression own = TemporaryNames(path, QLatin1String(what), QRegularExpression::NoPatternOption);
    const QDir folder = QFileInfo(path).absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
        if (own.match(name).hasMatch())
            QFile::remove(folder.filePath(name));
}

// A raw connection for the maintenance steps.
struct RawDb {
    sqlite3* db = nullptr;
    explicit RawDb(const QString& path, int flags = SQLITE_OPEN_READWRITE)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
            const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
            sqlite3_close_v2(db);
            db = nullptr;
            Raise(errDamaged, QCoreApplication::translate("Dao", "The database '%1' cannot be opened: %2.").arg(Native(path), why));
        }
        sqlite3_busy_timeout(db, kDialect.BusyTimeoutMilliseconds());
        jet::RegisterJetFunctions(db);
    }
    ~RawDb() { sqlite3_close_v2(db); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    bool Exec(const QString& sql, QString* error = nullptr) const
    {
        char* message = nullptr;
        const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok && error)
            *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        return ok;
    }
    QString Single(const QString& sql) const
    {
        sqlite3_stmt* s = nullptr;
        QString v;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return v;
    }
};

bool Healthy(const QString& path)
{
    try {
        RawDb db(path, SQLITE_OPEN_READONLY);
        return kDialect.IntegrityPassed(db.Single(kDialect.IntegrityCheck()))
               && !db.Single(QStringLiteral("SELECT value FROM \"__dao_meta\" WHERE key='signature'")).isEmpty();
    } catch (const EDaoError&) {
        return false;
    }
}

QString PasswordText(const QString& password)
{
    if (password.contains(QLatin1String("pwd="), Qt::CaseInsensitive))
        return Workspace::PasswordOf(password);
    return password;
}

// Makes sure a finished copy is on the disk before its name is changed: a rename that reaches
// the disk before the contents would leave an empty or torn file under the database's name.
void SyncCopy(const QString& temp)
{
    if (!SyncFileToDisk(temp)) {
        RemoveFile(temp);
        Raise(errDiskIo, QCoreApplication::translate("Dao", "The copy '%1' could not be written to the disk.").arg(Native(temp)));
    }
}

// Puts a finished file where it belongs without replacing an existing one.
void PlaceNew(const QString& temp, const QString& target)
{
    if (::link(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        RemoveFile(temp);
        Raise(errDatabaseExists, QCoreApplication::translate("Dao", "Database '%1' already exists.").arg(Native(target)));
    }
    QFile::remove(temp);
    SyncFolderToDisk(QFileInfo(target).absolutePath());
}

// Puts a finished file in the place of `path` in one rename, so that the name always names a
// whole database: the old one up to the rename, the new one after it.
void ReplaceWith(const QString& temp, const QString& path, const char* stepName)
{
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
        Raise(errDiskIo, QCoreApplication::translate("Dao", "The new copy of '%1' could not be put in its place; the "
                                                            "original is unchanged.").arg(Native(path)));
    StopPoint(stepName);
    SyncFolderToDisk(QFileInfo(path).absolutePath());
}

// Writes the compact copy of the open `store` into `temp` and checks it; the copy is on the
// disk when this returns.
void WriteCompactCopy(Store& store, const QString& source, const QString& temp, int collating, int options)
{
    store.Exec(kDialect.CompactInto(temp));
    StopPoint("compact-copied");
    {
        RawDb copy(temp);
        if (collating >= 0)
            copy.Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value=%1 WHERE key='collating_order'").arg(collating));
        if (options & dbVersion40)
            copy.Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value='4.0' WHERE key='format'"));
        else if (options & dbVersion30)
            copy.Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value='3.0' WHERE key='format'"));
    }
    if (!Healthy(temp))
        Raise(errDamaged, QCoreApplication::translate("Dao", "The compacted copy of '%1' did not pass its check; the original is unchanged.")
                              .arg(Native(source)));
    SyncCopy(temp);
    StopPoint("compact-synced");
}

// The source opened alone, so that nobody writes to it while it is copied.
std::shared_ptr<Store> OpenAlone(const QString& source, const QString& password, const QString& engineVersion)
{
    Store::OpenArguments args;
    args.path = source;
    args.exclusive = true;
    args.password = PasswordText(password);
    args.engineVersion = engineVersion;
    return Store::Open(args);
}

// Copies what can be read from a damaged file into a new one, table by table and, where a
// table cannot be read whole, row by row.
void Salvage(const QString& path, const QString& temp)
{
    RawDb source(path);
    RawDb target(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    target.Exec(kDialect.RollbackJournal());
    sqlite3_stmt* s = nullptr;
    std::vector<std::pair<QString, QString>> objects;
    const QByteArray list = kDialect.SchemaObjectsQuery().toUtf8();
    if (sqlite3_prepare_v2(source.db, list.constData(), -1, &s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            const QString type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
            const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)));
            objects.emplace_back(type == QLatin1String("table") ? name : QString(), sql);
        }
    }
    sqlite3_finalize(s);
    if (objects.empty())
        Raise(errDamaged, QCoreApplication::translate("Dao", "The database '%1' is damaged beyond repair: its table list cannot be read.").arg(Native(path)));
    target.Exec(kDialect.Attach(path, Damaged()));
    // One transaction for the whole copy: the new file is written once.
    target.Exec(QStringLiteral("BEGIN"));
    for (const auto& [table, sql] : objects) {
        if (table.isEmpty())
            continue;
        target.Exec(sql);
        if (kDialect.IsCounterStore(table))
            continue;
        const QString quoted = kDialect.QuoteIdentifier(table);
        if (target.Exec(kDialect.CopyRows(quoted, Damaged())))
            continue;
        target.Exec(kDialect.ClearRows(quoted));
        // Row by row, passing over what cannot be read.
        sqlite3_stmt* row = nullptr;
        const QByteArray next = kDialect.CopyRow(quoted, Damaged()).toUtf8();
        const QByteArray keys = kDialect.RowKeysQuery(quoted, Damaged()).toUtf8();
        std::vector<sqlite3_int64> rowKeys;
        if (sqlite3_prepare_v2(target.db, keys.constData(), -1, &row, nullptr) == SQLITE_OK)
            while (sqlite3_step(row) == SQLITE_ROW)
                rowKeys.push_back(sqlite3_column_int64(row, 0));
        sqlite3_finalize(row);
        if (sqlite3_prepare_v2(target.db, next.constData(), -1, &row, nullptr) == SQLITE_OK) {
            for (auto id : rowKeys) {
                sqlite3_bind_int64(row, 1, id);
                sqlite3_step(row);
                sqlite3_reset(row);
            }
        }
        sqlite3_finalize(row);
    }
    // Counters go on from the highest value ever handed out, or the highest key left.
    target.Exec(kDialect.CopyCounters(Damaged()));
    for (const auto& [table, sql] : objects)
        if (table.isEmpty())
            target.Exec(sql);
    target.Exec(QStringLiteral("COMMIT"));
    target.Exec(kDialect.Detach(Damaged()));
}

}  // namespace

void CompactDatabaseFile(const QString& sourceIn, const QString& targetIn, const QString& locale, int options,
                         const QString& password, const QString& engineVersion)
{
    const QString source = QFileInfo(sourceIn).absoluteFilePath();
    const QString target = QFileInfo(targetIn).absoluteFilePath();
    if (QFileInfo::exists(target) || source == target)
        Raise(errDatabaseExists, QCoreApplication::translate("Dao", "Database '%1' already exists.").arg(Native(target)));
    const int collating = locale.trimmed().isEmpty() ? -1 : Workspace::CollatingOrderOf(locale);
    auto store = OpenAlone(source, password, engineVersion);
    RemoveStaleTemporaries(target, "compact");
    const QString temp = TempBeside(target, "compact");
    try {
        WriteCompactCopy(*store, source, temp, collating, options);
        store->Close();
        PlaceNew(temp, target);
    } catch (...) {
        store->Close();
        RemoveFile(temp);
        throw;
    }
}

void CompactDatabaseFileInPlace(const QString& pathIn, const QString& password, const QString& engineVersion)
{
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    // Held alone until the copy has its name: nobody can write to the original meanwhile and
    // lose that write with it.
    auto store = OpenAlone(path, password, engineVersion);
    RemoveStaleTemporaries(path, "compact");
    const QString temp = TempBeside(path, "compact");
    try {
        WriteCompactCopy(*store, path, temp, -1, 0);
        ReplaceWith(temp, path, "compact-placed");
        store->Close();
    } catch (...) {
        store->Close();
        RemoveFile(temp);
        throw;
    }
}

QStringList MaintenanceLeftovers(const QString& pathIn)
{
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    const QDir folder = QFileInfo(path).absoluteDir();
    QStringList found;
    for (const char* what : {"compact", "repair"}) {
        const QRegularExpression names =
            TemporaryNames(path, QLatin1String(what), QRegularExpression::CaseInsensitiveOption);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
            if (names.match(name).hasMatch())
                found << folder.filePath(name);
    }
    found.sort();
    return found;
}

void RepairDatabaseFile(const QString& pathIn)
{
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    if (!QFileInfo(path).isFile())
        Raise(errFileNotFound, QCoreApplication::translate("Dao", "Could not find file '%1'.").arg(Native(path)));
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "The database '%1' cannot be opened: %2.").arg(Native(path), file.errorString()));
        const QByteArray head = file.read(16);
        if (head != QByteArray("SQLite format 3\0", 16))
            Raise(errUnrecognizedFormat, QCoreApplication::translate("Dao", "Unrecognized database format '%1'.").arg(Native(path)));
    }
    // Nobody may come in while the file is rebuilt.
    const auto lock = LockFile::Acquire(path, true, LockFile::ComputerName(), QStringLiteral("Admin"));
    RemoveStaleTemporaries(path, "repair");
    const QString temp = TempBeside(path, "repair");
    try {
        bool copied = false;
        {
            RawDb db(path);
            QString error;
            copied = db.Exec(kDialect.CompactInto(temp), &error);
        }
        StopPoint("repair-copied");
        if (!copied || !Healthy(temp)) {
            RemoveFile(temp);
            Salvage(path, temp);
        }
        if (!Healthy(temp))
            Raise(errDamaged, QCoreApplication::translate("Dao", "The database '%1' cannot be repaired; it is left as it was.").arg(Native(path)));
        SyncCopy(temp);
        StopPoint("repair-synced");
        ReplaceWith(temp, path, "repair-placed");
    } catch (...) {
        RemoveFile(temp);
        throw;
    }
}

}  // namespace dao
