#include "platform/dao/DaoStore.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoValue.h"
#include "platform/dao/JetFunctions.h"
#include "platform/dao/SqliteDialect.h"
#include "platform/toolkit/DateTime.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <sqlite3.h>
#include <unistd.h>
#include <utility>

namespace dao {

namespace {

const QString kSource = QStringLiteral("DAO.Database");
// Every piece of SQL whose spelling is the engine's.
const jet::SqliteDialect kDialect;
const char* const kSignature = "dao-sqlite-store";
// The savepoint of a write inside a transaction already open.
QString WriteSavepoint() { return QStringLiteral("dao_write"); }

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void Raise(int number, const QString& text, const QString& source = kSource)
{
    throw EDaoError(number, text, source);
}

const QStringList& CatalogueTables()
{
    static const QStringList names{QStringLiteral("__dao_meta"), QStringLiteral("__dao_tables"),
                                   QStringLiteral("__dao_fields"), QStringLiteral("__dao_field_properties"),
                                   QStringLiteral("__dao_indexes"), QStringLiteral("__dao_queries")};
    return names;
}

QString HashPassword(const QString& salt, const QString& password)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::fromHex(salt.toLatin1()));
    hash.addData(password.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

QString NewSalt()
{
    QByteArray salt(16, '\0');
    for (auto& c : salt)
        c = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(salt.toHex());
}

QString EncodeIndexFields(const std::vector<IndexFieldDef>& fields)
{
    QStringList parts;
    for (const auto& f : fields)
        parts << (f.descending ? QStringLiteral("-") : QStringLiteral("+")) + f.name;
    return parts.join(QLatin1Char('\t'));
}

// The entry of a catalogue list whose name is `name`, without case; null when there is none.
template <class List>
auto FindNamed(List& items, const QString& name) -> decltype(&items.front())
{
    for (auto& item : items)
        if (item.name.compare(name, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

std::vector<IndexFieldDef> DecodeIndexFields(const QString& text)
{
    std::vector<IndexFieldDef> fields;
    for (const QString& part : text.split(QLatin1Char('\t'), Qt::SkipEmptyParts))
        fields.push_back({part.mid(1), part.startsWith(QLatin1Char('-'))});
    return fields;
}

QString SqliteIndexName(const QString& table, const QString& index)
{
    return QStringLiteral("__dao_ix_") + table + QLatin1Char('_') + index;
}

// A field guessed from a column of a table made without the catalogue.
FieldDef InferField(const QString& name, const QString& declared, bool primaryKey, bool autoIncrement)
{
    FieldDef f;
    f.name = name;
    const QString d = declared.toUpper();
    if (d.contains(QLatin1String("INT"))) {
        f.type = dbLong;
        if (primaryKey && autoIncrement)
            f.attributes = dbAutoIncrField | dbFixedField;
    } else if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")) || d.contains(QLatin1String("CLOB"))) {
        f.type = dbMemo;
    } else if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) || d.contains(QLatin1String("DOUB"))) {
        f.type = dbDouble;
    } else if (d.contains(QLatin1String("DATE")) || d.contains(QLatin1String("TIME"))) {
        f.type = dbDate;
    } else {
        f.type = d.isEmpty() || d.contains(QLatin1String("BLOB")) ? dbLongBinary : dbDouble;
    }
    if (f.attributes == 0)
        f.attributes = (f.type == dbMemo || f.type == dbLongBinary) ? dbVariableField : dbFixedField;
    f.attributes |= dbUpdatableField;
    if (f.type == dbMemo)
        f.allowZeroLength = true;
    return f;
}

}  // namespace

// ---- catalogue entries --------------------------------------------------------------------

bool FieldDef::IsCounter() const { return (attributes & dbAutoIncrField) != 0; }

TVariant FieldDef::Property(const QString& propertyName) const
{
    for (const auto& p : properties)
        if (p.first.compare(propertyName, Qt::CaseInsensitive) == 0)
            return p.second;
    return TVariant();
}

void FieldDef::SetProperty(const QString& propertyName, const TVariant& value)
{
    for (auto& p : properties)
        if (p.first.compare(propertyName, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    properties.emplace_back(propertyName, value);
}

const FieldDef* TableDefData::FindField(const QString& fieldName) const { return FindNamed(fields, fieldName); }

const IndexDef* TableDefData::FindIndex(const QString& indexName) const { return FindNamed(indexes, indexName); }

int TableDefData::CounterField() const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].IsCounter())
            return int(i);
    return -1;
}

bool TableDefData::IsSystem() const { return (unsigned(attributes) & 0x80000002u) != 0; }

// ---- statements ---------------------------------------------------------------------------

namespace {

// A read-only connection cannot roll back what a stopped writer left in the journal.
[[noreturn]] void RaiseNeedsRecovery(sqlite3* db)
{
    const char* file = sqlite3_db_filename(db, "main");
    Raise(errCannotOpenDatabase,
          QCoreApplication::translate("Dao", "The database '%1' was left unfinished by a program that stopped while writing to it; it "
                                             "cannot be read until it is opened once for writing (not read-only), which recovers it.")
              .arg(Native(QString::fromUtf8(file ? file : ""))));
}

}  // namespace

SqlStatement::SqlStatement(sqlite3* db, const QString& sql) : db_(db)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        if (rc == SQLITE_READONLY_ROLLBACK)
            RaiseNeedsRecovery(db);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            Raise(errDatabaseLocked, QCoreApplication::translate("Dao", "Could not read the database; it is locked by another connection."));
        if (rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB)
            Raise(errDamaged, QCoreApplication::translate("Dao", "The database is damaged: %1. Repair it before use.").arg(message));
        Raise(errEngineFailure, QCoreApplication::translate("Dao", "The engine cannot run the statement: %1.").arg(message));
    }
}

SqlStatement::~SqlStatement() { sqlite3_finalize(stmt_); }

bool SqlStatement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    const int code = sqlite3_extended_errcode(db_);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    if (code == SQLITE_READONLY_ROLLBACK)
        RaiseNeedsRecovery(db_);
    // Errors raised from a registered function carry the engine's own error in their text.
    if (const std::optional<jet::FunctionError> error = jet::FunctionErrorOf(message))
        Raise(error->number, error->description);
    if ((code & 0xff) == SQLITE_CONSTRAINT) {
        const QString lower = message.toLower();
        if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
            Raise(errDuplicateKey, QCoreApplication::translate("Dao", "The changes you requested to the table were not successful because "
                                                                      "they would create duplicate values in the index or primary key."));
        if (code == SQLITE_CONSTRAINT_NOTNULL) {
            const QString field = message.section(QLatin1Char(':'), 1).trimmed();
            Raise(errRequired, QCoreApplication::translate("Dao", "The field '%1' cannot contain a Null value because the Required property "
                                                                  "for this field is set to True. Enter a value in this field.").arg(field));
        }
        if (code == SQLITE_CONSTRAINT_CHECK) {
            const QString name = message.section(QLatin1Char(':'), 1).trimmed();
            if (name.startsWith(QLatin1String("len_")))
                Raise(errFieldTooLong, QCoreApplication::translate("Dao", "The field '%1' is too small to accept the amount of data you "
                                                                          "attempted to add.").arg(name.mid(4)));
            if (name.startsWith(QLatin1String("zl_")))
                Raise(errZeroLength, QCoreApplication::translate("Dao", "Field '%1' cannot be a zero-length string.").arg(name.mid(3)));
        }
        Raise(errEngineFailure, QCoreApplication::translate("Dao", "The change breaks a rule of the table: %1.").arg(lower));
    }
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        Raise(errDatabaseLocked, QCoreApplication::translate("Dao", "Could not update; the database is currently locked by another connection."));
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_DIRECTORY)
            Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "Cannot update: the folder of the database '%1' is read-only, so "
                                                                            "the engine cannot make its journal there.")
                                             .arg(Native(QString::fromUtf8(sqlite3_db_filename(db_, "main")))));
        Raise(errReadOnlyDatabase, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        Raise(errDamaged, QCoreApplication::translate("Dao", "The database is damaged: %1. Repair it before use.").arg(message));
    case SQLITE_IOERR:
    case SQLITE_FULL:
        Raise(errDiskIo, QCoreApplication::translate("Dao", "Disk or network error: %1.").arg(message));
    default:
        break;
    }
    Raise(errEngineFailure, QCoreApplication::translate("Dao", "The engine failed: %1.").arg(message));
}

void SqlStatement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void SqlStatement::Bind(int index, const TVariant& value) { BindValue(stmt_, index, value); }

void SqlStatement::BindKey(int index, qint64 key) { sqlite3_bind_int64(stmt_, index, key); }

namespace {

// Runs a statement once more with new values for ?1, ?2, ...
void StepWith(SqlStatement& statement, std::initializer_list<TVariant> values)
{
    statement.Reset();
    int index = 0;
    for (const TVariant& value : values)
        statement.Bind(++index, value);
    statement.Step();
}

void RunWith(sqlite3* db, const QString& sql, std::initializer_list<TVariant> values)
{
    SqlStatement statement(db, sql);
    StepWith(statement, values);
}

}  // namespace

// ---- opening and creating -----------------------------------------------------------------

QString Store::MetaTable() { return QStringLiteral("__dao_meta"); }

Store::~Store() { Close(); }

void Store::Close()
{
    ownsSharedRead_ = false;
    sharedReadDepth_ = 0;
    statements_.clear();
    freeTempTables_.clear();
    largeCopies_.clear();
    translations_.clear();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    lock_.reset();
}

void Store::CheckOpen() const
{
    if (!db_)
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
}

void Store::Connect(const QString& path, bool readOnly)
{
    const QByteArray name = QFile::encodeName(path);
    // A connection serves one thread at a time: the engine's objects are not shared between threads.
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(name.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
        sqlite3_close_v2(db_);
        db_ = nullptr;
        if (rc == SQLITE_READONLY || rc == SQLITE_PERM || rc == SQLITE_CANTOPEN)
            Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "The database '%1' cannot be opened: %2.").arg(Native(path), message));
        Raise(errDamaged, QCoreApplication::translate("Dao", "The database '%1' cannot be opened: %2.").arg(Native(path), message));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kDialect.BusyTimeoutMilliseconds());
    // Rows are read twice when a dynaset opens (keys, then rows); mapped pages make the second
    // reading cheap. Temporary tables (snapshots) stay in memory.
    sqlite3_exec(db_, kDialect.ConnectionSettings().toUtf8().constData(), nullptr, nullptr, nullptr);
    jet::RegisterJetFunctions(db_);
}

void Store::LoadMeta()
{
    SqlStatement has(db_, kDialect.TableExistsQuery(QStringLiteral("__dao_meta")));
    has.Step();
    if (sqlite3_column_int(has.Get(), 0) == 0)
        Raise(errUnrecognizedFormat, QCoreApplication::translate("Dao", "Unrecognized database format '%1'.").arg(Native(path_)));
    SqlStatement meta(db_, QStringLiteral("SELECT key, value FROM \"__dao_meta\""));
    bool signed_ = false;
    while (meta.Step()) {
        const QString key = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(meta.Get(), 0)));
        const QString value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(meta.Get(), 1)));
        if (key == QLatin1String("signature"))
            signed_ = value == QLatin1String(kSignature);
        else if (key == QLatin1String("format"))
            formatVersion_ = value;
        else if (key == QLatin1String("collating_order"))
            collatingOrder_ = value.toInt();
        else if (key == QLatin1String("password_salt"))
            passwordSalt_ = value;
        else if (key == QLatin1String("password_hash"))
            passwordHash_ = value;
    }
    if (!signed_)
        Raise(errUnrecognizedFormat, QCoreApplication::translate("Dao", "Unrecognized database format '%1'.").arg(Native(path_)));
}

void Store::CheckPassword(const QString& password) const
{
    if (passwordHash_.isEmpty())
        return;
    if (HashPassword(passwordSalt_, password) != passwordHash_)
        Raise(errNotValidPassword, QCoreApplication::translate("Dao", "Not a valid password."));
}

namespace {

// An opening refused because another connection held the file's lock for longer than the
// engine waits.
[[noreturn]] void RaiseLocked(const QString& path)
{
    Raise(errDatabaseLocked, QCoreApplication::translate("Dao", "Could not open the database '%1'; another connection "
                                                                "kept it locked for longer than %2 seconds.")
                                 .arg(Native(path))
                                 .arg(kDialect.BusyTimeoutMilliseconds() / 1000));
}

// What the first bytes of a file say it is; raises for anything but an SQLite file.
void CheckHeader(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        Raise(errFileNotFound, QCoreApplication::translate("Dao", "Could not find file '%1'.").arg(Native(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "The database '%1' cannot be opened: %2.").arg(Native(path), file.errorString()));
    const QByteArray head = file.read(100);
    const QByteArray kind = head.mid(4, 15);
    if (kind == "Standard Jet DB" || kind == "Standard ACE DB")
        Raise(errUnrecognizedFormat,
              QCoreApplication::translate("Dao", "Unrecognized database format '%1': it is a Jet database file, which this engine "
                                                 "cannot read.").arg(Native(path)));
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        Raise(errUnrecognizedFormat, QCoreApplication::translate("Dao", "Unrecognized database format '%1'.").arg(Native(path)));
}

}  // namespace

std::shared_ptr<Store> Store::Open(const OpenArguments& arguments)
{
    const QString path = QFileInfo(arguments.path).absoluteFilePath();
    CheckHeader(path);
    // Refused before anything is read: someone holds the file alone, or we want it alone.
    if (LockFile::HeldExclusively(path) || (arguments.exclusive && LockFile::InUse(path)))
        Raise(errFileInUse, QCoreApplication::translate("Dao", "Could not use '%1'; file already in use.").arg(Native(path)), QStringLiteral("DAO.Workspace"));
    std::shared_ptr<Store> store(new Store);
    store->path_ = path;
    store->readOnly_ = arguments.readOnly;
    store->exclusive_ = arguments.exclusive;
    store->Connect(path, arguments.readOnly);
    try {
        store->LoadMeta();
        if (store->formatVersion_.toDouble() >= 4.0 && arguments.engineVersion.size() >= 3
            && arguments.engineVersion.at(2) == QLatin1Char('5'))
            Raise(errNotJetHere,
                  QCoreApplication::translate("Dao", "The database '%1' has format version %2, which engine version %3 cannot use; "
                                                     "open it with engine version 3.6.")
                      .arg(Native(path), store->formatVersion_, arguments.engineVersion));
        store->CheckPassword(arguments.password);
        store->lock_ = LockFile::Acquire(path, arguments.exclusive, LockFile::ComputerName(), arguments.userName);
        // Without its lock file nobody would see this user, and a folder that refuses one
        // refuses the journal of every write as well.
        if (!store->lock_ && !arguments.readOnly)
            Raise(errCannotOpenDatabase,
                  QCoreApplication::translate("Dao", "The database '%1' cannot be opened for writing: the lock file '%2' cannot be made "
                                                     "in its folder '%3'. The folder may be read-only; open the database read-only or "
                                                     "allow writing in the folder.")
                      .arg(Native(path), Native(LockFile::PathFor(path)), Native(QFileInfo(path).absolutePath())));
        if (arguments.exclusive) {
            // Other connections without a lock file slot are kept out as well.
            store->Exec(kDialect.ExclusiveLocking());
        }
        store->Reload();
    } catch (const EDaoError& error) {
        store->Close();
        if (error.Number() == errDatabaseLocked)
            RaiseLocked(path);
        throw;
    } catch (...) {
        store->Close();
        throw;
    }
    return store;
}

QString Store::ReadFormatVersion(const QString& path)
{
    CheckHeader(path);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        Raise(errDamaged, QCoreApplication::translate("Dao", "The database '%1' cannot be opened.").arg(Native(path)));
    }
    // A file another connection is writing is waited for as an opening waits, never taken for
    // one of another format.
    sqlite3_busy_timeout(db, kDialect.BusyTimeoutMilliseconds());
    QString version;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT value FROM \"__dao_meta\" WHERE key='format'", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            version = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        RaiseLocked(path);
    if (version.isEmpty())
        Raise(errUnrecognizedFormat, QCoreApplication::translate("Dao", "Unrecognized database format '%1'.").arg(Native(path)));
    return version;
}

void Store::Create(const QString& pathIn, int collatingOrder, const QString& formatVersion, const QString& password)
{
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    if (QFileInfo::exists(path))
        Raise(errDatabaseExists, QCoreApplication::translate("Dao", "Database '%1' already exists.").arg(Native(path)), QStringLiteral("DAO.Workspace"));
    const QString temp = path + QStringLiteral(".new-") + QString::number(QRandomGenerator::global()->generate(), 16);
    sqlite3* db = nullptr;
    auto fail = [&](const QString& why) {
        sqlite3_close_v2(db);
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "Could not create the database '%1': %2.").arg(Native(path), why),
              QStringLiteral("DAO.Workspace"));
    };
    if (sqlite3_open_v2(QFile::encodeName(temp).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr) != SQLITE_OK)
        fail(db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no file"));
    QString sql = kDialect.RollbackJournal() + QStringLiteral("; BEGIN;") + kDialect.CatalogueSchema();
    auto meta = [&](const QString& key, const QString& value) {
        sql += QStringLiteral("INSERT INTO \"__dao_meta\" VALUES(%1, %2);").arg(QuoteText(key), QuoteText(value));
    };
    meta(QStringLiteral("signature"), QString::fromLatin1(kSignature));
    meta(QStringLiteral("format"), formatVersion);
    meta(QStringLiteral("collating_order"), QString::number(collatingOrder));
    meta(QStringLiteral("created"), QString::number(Now(), 'g', 17));
    meta(QStringLiteral("catalog_version"), QStringLiteral("1"));
    if (!password.isEmpty()) {
        const QString salt = NewSalt();
        meta(QStringLiteral("password_salt"), salt);
        meta(QStringLiteral("password_hash"), HashPassword(salt, password));
    }
    sql += QStringLiteral("COMMIT;");
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString why = QString::fromUtf8(error);
        sqlite3_free(error);
        fail(why);
    }
    sqlite3_close_v2(db);
    db = nullptr;
    // A hard link puts the finished file in place, refusing to replace one made meanwhile.
    if (::link(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        if (QFileInfo::exists(path))
            Raise(errDatabaseExists, QCoreApplication::translate("Dao", "Database '%1' already exists.").arg(Native(path)), QStringLiteral("DAO.Workspace"));
        Raise(errCannotOpenDatabase, QCoreApplication::translate("Dao", "Could not create the database '%1'.").arg(Native(path)), QStringLiteral("DAO.Workspace"));
    }
    QFile::remove(temp);
}

// ---- catalogue ----------------------------------------------------------------------------

namespace {

QString Text(sqlite3_stmt* s, int c)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)), sqlite3_column_bytes(s, c));
}

}  // namespace

void Store::Reload()
{
    CheckOpen();
    std::vector<TableDefData> tables;
    {
        SqlStatement s(db_, QStringLiteral("SELECT name, attributes, date_created, last_updated FROM \"__dao_tables\" ORDER BY ")
                                + kDialect.RowKey());
        while (s.Step()) {
            TableDefData t;
            t.name = Text(s.Get(), 0);
            t.attributes = sqlite3_column_int(s.Get(), 1);
            t.dateCreated = sqlite3_column_double(s.Get(), 2);
            t.lastUpdated = sqlite3_column_double(s.Get(), 3);
            tables.push_back(std::move(t));
        }
    }
    auto find = [&](const QString& name) { return FindNamed(tables, name); };
    {
        SqlStatement s(db_, QStringLiteral("SELECT table_name, name, type, size, attributes, default_value, required,"
                                           " allow_zero_length FROM \"__dao_fields\" ORDER BY table_name, ordinal"));
        while (s.Step()) {
            TableDefData* t = find(Text(s.Get(), 0));
            if (!t)
                continue;
            FieldDef f;
            f.name = Text(s.Get(), 1);
            f.type = sqlite3_column_int(s.Get(), 2);
            f.size = sqlite3_column_int(s.Get(), 3);
            f.attributes = sqlite3_column_int(s.Get(), 4);
            f.defaultValue = Text(s.Get(), 5);
            f.required = sqlite3_column_int(s.Get(), 6) != 0;
            f.allowZeroLength = sqlite3_column_int(s.Get(), 7) != 0;
            t->fields.push_back(std::move(f));
        }
    }
    {
        SqlStatement s(db_, QStringLiteral("SELECT table_name, field_name, name, value FROM \"__dao_field_properties\" ORDER BY ")
                                + kDialect.RowKey());
        while (s.Step()) {
            TableDefData* t = find(Text(s.Get(), 0));
            if (!t)
                continue;
            for (auto& f : t->fields)
                if (f.name.compare(Text(s.Get(), 1), Qt::CaseInsensitive) == 0)
                    f.properties.emplace_back(Text(s.Get(), 2), ColumnValue(s.Get(), 3, 0));
        }
    }
    {
        SqlStatement s(db_, QStringLiteral("SELECT table_name, name, is_primary, is_unique, required, ignore_nulls, fields"
                                           " FROM \"__dao_indexes\" ORDER BY table_name, ordinal"));
        while (s.Step()) {
            TableDefData* t = find(Text(s.Get(), 0));
            if (!t)
                continue;
            IndexDef i;
            i.name = Text(s.Get(), 1);
            i.primary = sqlite3_column_int(s.Get(), 2) != 0;
            i.unique = sqlite3_column_int(s.Get(), 3) != 0;
            i.required = sqlite3_column_int(s.Get(), 4) != 0;
            i.ignoreNulls = sqlite3_column_int(s.Get(), 5) != 0;
            i.fields = DecodeIndexFields(Text(s.Get(), 6));
            t->indexes.push_back(std::move(i));
        }
    }
    // Tables made without the catalogue, and the catalogue itself as system objects.
    {
        SqlStatement s(db_, kDialect.TableListQuery());
        while (s.Step()) {
            const QString name = Text(s.Get(), 0);
            const QString createSql = Text(s.Get(), 1);
            if (find(name))
                continue;
            TableDefData t;
            t.name = name;
            t.attributes = CatalogueTables().contains(name) ? int(0x80000002u) : 0;
            SqlStatement info(db_, kDialect.ColumnListQuery(name));
            while (info.Step()) {
                const bool autoInc = kDialect.DeclaresCounter(createSql);
                t.fields.push_back(InferField(Text(info.Get(), 1), Text(info.Get(), 2),
                                              sqlite3_column_int(info.Get(), 5) != 0, autoInc));
            }
            tables.push_back(std::move(t));
        }
    }
    std::vector<QueryDefData> queries;
    {
        SqlStatement s(db_, QStringLiteral("SELECT name, sql, type, date_created, last_updated FROM \"__dao_queries\" ORDER BY ")
                                + kDialect.RowKey());
        while (s.Step()) {
            QueryDefData q;
            q.name = Text(s.Get(), 0);
            q.sql = Text(s.Get(), 1);
            q.type = sqlite3_column_int(s.Get(), 2);
            q.dateCreated = sqlite3_column_double(s.Get(), 3);
            q.lastUpdated = sqlite3_column_double(s.Get(), 4);
            queries.push_back(std::move(q));
        }
    }
    tables_ = std::move(tables);
    queries_ = std::move(queries);
    tableInfos_.clear();
    for (const auto& t : tables_) {
        jet::TableInfo info;
        info.name = t.name;
        for (const auto& f : t.fields) {
            jet::ColumnInfo c;
            c.name = f.name;
            c.type = f.type;
            c.size = f.size;
            c.counter = f.IsCounter();
            c.format = f.Property(QStringLiteral("Format")).AsString();
            info.columns.push_back(c);
        }
        tableInfos_.push_back(std::move(info));
    }
    SqlStatement version(db_, kDialect.DataVersionQuery());
    if (version.Step())
        dataVersion_ = sqlite3_column_int64(version.Get(), 0);
    version.Reset();
    catalogVersion_ = ReadCatalogVersion();
    ++generation_;
}

QString Store::ReadCatalogVersion() const
{
    SqlStatement s(db_, QStringLiteral("SELECT value FROM \"__dao_meta\" WHERE key='catalog_version'"));
    const QString v = s.Step() ? Text(s.Get(), 0) : QString();
    s.Reset();
    return v;
}

const TableDefData* Store::FindTableDef(const QString& name) const { return FindNamed(tables_, name); }

const QueryDefData* Store::FindQueryDef(const QString& name) const { return FindNamed(queries_, name); }

const jet::TableInfo* Store::FindTable(const QString& name) const
{
    return FindNamed(std::as_const(tableInfos_), name);
}

std::optional<QString> Store::FindQuery(const QString& name) const
{
    if (const QueryDefData* q = FindQueryDef(name))
        return q->sql;
    return std::nullopt;
}

void Store::TouchTable(const QString& table)
{
    RunWith(db_, QStringLiteral("UPDATE \"__dao_tables\" SET last_updated=?1 WHERE name=?2"), {TVariant(Now()), TVariant(table)});
    Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value=value+1 WHERE key='catalog_version'"));
}

void Store::WriteTableRow(const TableDefData& table)
{
    RunWith(db_, QStringLiteral("INSERT INTO \"__dao_tables\"(name, attributes, date_created, last_updated) VALUES(?1,?2,?3,?3)"),
            {TVariant(table.name), TVariant(table.attributes), TVariant(Now())});
}

void Store::WriteFieldRows(const QString& table, const std::vector<FieldDef>& fields)
{
    SqlStatement count(db_, QStringLiteral("SELECT coalesce(max(ordinal),-1)+1 FROM \"__dao_fields\" WHERE table_name=?1"));
    count.Bind(1, TVariant(table));
    count.Step();
    int ordinal = sqlite3_column_int(count.Get(), 0);
    SqlStatement s(db_, QStringLiteral("INSERT OR REPLACE INTO \"__dao_fields\"(table_name, ordinal, name, type, size, attributes,"
                                       " default_value, required, allow_zero_length) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9)"));
    SqlStatement p(db_, QStringLiteral("INSERT OR REPLACE INTO \"__dao_field_properties\"(table_name, field_name, name, value) VALUES(?1,?2,?3,?4)"));
    for (const auto& f : fields) {
        StepWith(s, {TVariant(table), TVariant(ordinal++), TVariant(f.name), TVariant(f.type), TVariant(f.size),
                     TVariant(f.attributes), TVariant(f.defaultValue), TVariant(f.required ? 1 : 0),
                     TVariant(f.allowZeroLength ? 1 : 0)});
        for (const auto& prop : f.properties)
            StepWith(p, {TVariant(table), TVariant(f.name), TVariant(prop.first), prop.second});
    }
}

void Store::WriteIndexRow(const QString& table, const IndexDef& index, int ordinal)
{
    RunWith(db_,
            QStringLiteral("INSERT INTO \"__dao_indexes\"(table_name, name, ordinal, is_primary, is_unique, required,"
                           " ignore_nulls, fields) VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"),
            {TVariant(table), TVariant(index.name), TVariant(ordinal), TVariant(index.primary ? 1 : 0),
             TVariant(index.unique || index.primary ? 1 : 0), TVariant(index.required || index.primary ? 1 : 0),
             TVariant(index.ignoreNulls ? 1 : 0), TVariant(EncodeIndexFields(index.fields))});
}

void Store::CreateSqliteIndex(const TableDefData& table, const IndexDef& index)
{
    // The counter is the row key already: an index on it alone needs nothing below.
    if (index.fields.size() == 1) {
        const FieldDef* f = table.FindField(index.fields[0].name);
        if (f && f->IsCounter())
            return;
    }
    QStringList columns;
    for (const auto& f : index.fields)
        columns << QuoteName(f.name) + (f.descending ? QStringLiteral(" DESC") : QString());
    Exec(QStringLiteral("CREATE %1INDEX %2 ON %3(%4)")
             .arg(index.unique || index.primary ? QStringLiteral("UNIQUE ") : QString(),
                  QuoteName(SqliteIndexName(table.name, index.name)), QuoteName(table.name), columns.join(QLatin1Char(','))));
}

namespace {

QString ColumnSql(const FieldDef& f)
{
    QString sql = QuoteName(f.name) + QLatin1Char(' ') + StorageType(f.type);
    if (f.IsCounter())
        return sql + kDialect.CounterColumn();
    if (IsTextType(f.type))
        sql += kDialect.TextColumnCollation();
    if (f.type == dbBoolean) {
        const QString def = DefaultClause(f.defaultValue, f.type);
        sql += QStringLiteral(" NOT NULL ") + (def.isEmpty() || def == QLatin1String("DEFAULT NULL") ? QStringLiteral("DEFAULT 0") : def);
        return sql;
    }
    if (f.required)
        sql += QStringLiteral(" NOT NULL");
    const QString def = DefaultClause(f.defaultValue, f.type);
    if (!def.isEmpty())
        sql += QLatin1Char(' ') + def;
    if ((f.type == dbText || f.type == dbChar) && f.size > 0)
        sql += QStringLiteral(" CONSTRAINT %1 CHECK(length(%2) <= %3)")
                   .arg(QuoteName(QStringLiteral("len_") + f.name), QuoteName(f.name)).arg(f.size);
    if (IsTextType(f.type) && !f.allowZeroLength)
        sql += QStringLiteral(" CONSTRAINT %1 CHECK(length(%2) > 0)").arg(QuoteName(QStringLiteral("zl_") + f.name), QuoteName(f.name));
    return sql;
}

}  // namespace

void Store::CreateTable(const TableDefData& tableIn)
{
    CheckOpen();
    TableDefData table = tableIn;
    if (table.name.trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a table needs a name."));
    if (FindTableDef(table.name) || FindQueryDef(table.name) || table.name.startsWith(QLatin1String("__dao"), Qt::CaseInsensitive)
        || kDialect.IsEngineName(table.name))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Table '%1' already exists.").arg(table.name));
    if (table.fields.empty())
        Raise(3264, QCoreApplication::translate("Dao", "No field defined--cannot append TableDef or Index."));
    QStringList columns;
    for (size_t i = 0; i < table.fields.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (table.fields[j].name.compare(table.fields[i].name, Qt::CaseInsensitive) == 0)
                Raise(errNameInUse, QCoreApplication::translate("Dao", "Cannot define field more than once: '%1'.").arg(table.fields[i].name));
        columns << ColumnSql(table.fields[i]);
    }
    for (const auto& index : table.indexes)
        for (const auto& f : index.fields)
            if (!table.FindField(f.name))
                Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection: the index '%1' names the field '%2', "
                                                                           "which the table does not have.").arg(index.name, f.name));
    WriteAtOnce(*this, [&] {
        Exec(QStringLiteral("CREATE TABLE %1(%2)").arg(QuoteName(table.name), columns.join(QStringLiteral(", "))));
        WriteTableRow(table);
        WriteFieldRows(table.name, table.fields);
        int ordinal = 0;
        for (const auto& index : table.indexes) {
            WriteIndexRow(table.name, index, ordinal++);
            CreateSqliteIndex(table, index);
        }
        TouchTable(table.name);
    });
    Reload();
}

void Store::DeleteTable(const QString& name)
{
    CheckOpen();
    const TableDefData* t = FindTableDef(name);
    if (!t)
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    if (t->IsSystem())
        Raise(errOperationNotSupported, QCoreApplication::translate("Dao", "The catalogue table '%1' cannot be deleted.").arg(name));
    const QString real = t->name;
    WriteAtOnce(*this, [&] {
        Exec(QStringLiteral("DROP TABLE %1").arg(QuoteName(real)));
        for (const char* table : {"__dao_tables", "__dao_fields", "__dao_field_properties", "__dao_indexes"})
            RunWith(db_,
                    QStringLiteral("DELETE FROM \"%1\" WHERE %2=?1")
                        .arg(QLatin1String(table), QLatin1String(qstrcmp(table, "__dao_tables") == 0 ? "name" : "table_name")),
                    {TVariant(real)});
        Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value=value+1 WHERE key='catalog_version'"));
    });
    Reload();
}

void Store::AddField(const QString& tableName, const FieldDef& fieldIn)
{
    CheckOpen();
    const TableDefData* t = FindTableDef(tableName);
    if (!t)
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    if (t->FindField(fieldIn.name))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Field '%1' already exists in table '%2'.").arg(fieldIn.name, t->name));
    if (fieldIn.IsCounter())
        Raise(errOperationNotSupported, QCoreApplication::translate("Dao", "A counter field can only be defined with its table."));
    FieldDef field = fieldIn;
    const QString table = t->name;
    // A column added later cannot demand a value of the rows already there.
    FieldDef column = field;
    if (column.type != dbBoolean && DefaultClause(column.defaultValue, column.type).isEmpty())
        column.required = false;
    WriteAtOnce(*this, [&] {
        Exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(QuoteName(table), ColumnSql(column)));
        WriteFieldRows(table, {field});
        TouchTable(table);
    });
    Reload();
}

void Store::UpdateField(const QString& tableName, const QString& fieldName, const FieldDef& field)
{
    CheckOpen();
    const TableDefData* t = FindTableDef(tableName);
    if (!t || !t->FindField(fieldName))
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    const QString table = t->name;
    const FieldDef& old = *t->FindField(fieldName);
    const bool rulesChange = old.required != field.required || old.allowZeroLength != field.allowZeroLength
                             || old.defaultValue != field.defaultValue || old.size != field.size;
    TableDefData rebuilt = *t;
    for (auto& f : rebuilt.fields)
        if (f.name.compare(fieldName, Qt::CaseInsensitive) == 0) {
            f.required = field.required;
            f.allowZeroLength = field.allowZeroLength;
            f.defaultValue = field.defaultValue;
            f.size = field.size;
        }
    WriteAtOnce(*this, [&] {
        if (rulesChange && !rebuilt.IsSystem())
            RebuildTable(rebuilt);
        RunWith(db_,
                QStringLiteral("UPDATE \"__dao_fields\" SET default_value=?1, required=?2, allow_zero_length=?3, size=?4"
                               " WHERE table_name=?5 AND name=?6"),
                {TVariant(field.defaultValue), TVariant(field.required ? 1 : 0), TVariant(field.allowZeroLength ? 1 : 0),
                 TVariant(field.size), TVariant(table), TVariant(fieldName)});
        RunWith(db_, QStringLiteral("DELETE FROM \"__dao_field_properties\" WHERE table_name=?1 AND field_name=?2"),
                {TVariant(table), TVariant(fieldName)});
        SqlStatement p(db_, QStringLiteral("INSERT INTO \"__dao_field_properties\"(table_name, field_name, name, value) VALUES(?1,?2,?3,?4)"));
        for (const auto& prop : field.properties)
            StepWith(p, {TVariant(table), TVariant(fieldName), TVariant(prop.first), prop.second});
        TouchTable(table);
    });
    Reload();
}

void Store::RebuildTable(const TableDefData& table)
{
    // SQLite cannot change a column's rules in place: the table is made again under its name,
    // keeping every row with its key and the counter's next value.
    const QString name = QuoteName(table.name);
    const QString temp = QuoteName(QStringLiteral("__dao_rebuild"));
    QStringList columns;
    QStringList names{kDialect.RowKey()};
    for (const auto& f : table.fields) {
        columns << ColumnSql(f);
        names << QuoteName(f.name);
    }
    qint64 sequence = -1;
    {
        SqlStatement seq(db_, kDialect.CounterQuery());
        seq.Bind(1, TVariant(table.name));
        if (seq.Step())
            sequence = sqlite3_column_int64(seq.Get(), 0);
        seq.Reset();
    }
    Exec(QStringLiteral("CREATE TABLE %1(%2)").arg(temp, columns.join(QStringLiteral(", "))));
    Exec(QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM %3").arg(temp, names.join(QLatin1Char(',')), name));
    Exec(QStringLiteral("DROP TABLE %1").arg(name));
    Exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(temp, name));
    if (sequence >= 0) {
        RunWith(db_, kDialect.RaiseCounterStatement(),
                {TVariant(table.name), TVariant(sequence)});
        if (sqlite3_changes(db_) == 0)
            RunWith(db_, kDialect.InsertCounterStatement(),
                    {TVariant(table.name), TVariant(sequence)});
    }
    for (const auto& index : table.indexes)
        CreateSqliteIndex(table, index);
}

void Store::AddIndex(const QString& tableName, const IndexDef& index)
{
    CheckOpen();
    const TableDefData* t = FindTableDef(tableName);
    if (!t)
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    if (index.name.trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: an index needs a name."));
    if (t->FindIndex(index.name))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Index '%1' already exists.").arg(index.name));
    if (index.fields.empty())
        Raise(3264, QCoreApplication::translate("Dao", "No field defined--cannot append TableDef or Index."));
    for (const auto& f : index.fields)
        if (!t->FindField(f.name))
            Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection: the table '%1' has no field '%2'.")
                                        .arg(t->name, f.name));
    if (index.primary)
        for (const auto& other : t->indexes)
            if (other.primary)
                Raise(3283, QCoreApplication::translate("Dao", "Primary key already exists."));
    const TableDefData table = *t;
    WriteAtOnce(*this, [&] {
        WriteIndexRow(table.name, index, int(table.indexes.size()));
        CreateSqliteIndex(table, index);
        TouchTable(table.name);
    });
    Reload();
}

void Store::SetIndexStatistics(const QString& tableName, const QString& indexName, qint64 rows,
                               const std::vector<qint64>& rowsPerValue)
{
    CheckOpen();
    CheckWritable();
    const TableDefData* t = FindTableDef(tableName);
    const IndexDef* index = t ? t->FindIndex(indexName) : nullptr;
    if (!index)
        Raise(errNotInCollection, QStringLiteral("Item not found in this collection: no index '%1' of '%2'.")
                                      .arg(indexName, tableName));
    const QString table = t->name;
    const QString name = SqliteIndexName(t->name, index->name);
    WriteAtOnce(*this, [&] {
        Run(kDialect.PlannerStatisticsTable());
        RunWith(db_, kDialect.ClearIndexStatistics(), {TVariant(table), TVariant(name)});
        RunWith(db_, kDialect.AddIndexStatistics(),
                {TVariant(table), TVariant(name), TVariant(kDialect.IndexStatisticsText(rows, rowsPerValue))});
    });
}

void Store::DeleteIndex(const QString& tableName, const QString& indexName)
{
    CheckOpen();
    const TableDefData* t = FindTableDef(tableName);
    if (!t || !t->FindIndex(indexName))
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    const QString table = t->name;
    const QString index = t->FindIndex(indexName)->name;
    WriteAtOnce(*this, [&] {
        Exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(QuoteName(SqliteIndexName(table, index))));
        RunWith(db_, QStringLiteral("DELETE FROM \"__dao_indexes\" WHERE table_name=?1 AND name=?2"),
                {TVariant(table), TVariant(index)});
        TouchTable(table);
    });
    Reload();
}

void Store::SaveQuery(const QueryDefData& query)
{
    CheckOpen();
    if (query.name.trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a saved query needs a name."));
    if (FindTableDef(query.name))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Object '%1' already exists.").arg(query.name));
    WriteAtOnce(*this, [&] {
        const QueryDefData* old = FindQueryDef(query.name);
        RunWith(db_,
                QStringLiteral("INSERT OR REPLACE INTO \"__dao_queries\"(%1, name, sql, type, date_created, last_updated)"
                               " VALUES((SELECT %1 FROM \"__dao_queries\" WHERE name=?1),?1,?2,?3,?4,?5)")
                    .arg(kDialect.RowKey()),
                {TVariant(old ? old->name : query.name), TVariant(query.sql), TVariant(query.type),
                 TVariant(old ? old->dateCreated : Now()), TVariant(Now())});
        Exec(QStringLiteral("UPDATE \"__dao_meta\" SET value=value+1 WHERE key='catalog_version'"));
    });
    Reload();
}

void Store::DeleteQuery(const QString& name)
{
    CheckOpen();
    if (!FindQueryDef(name))
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection."));
    WriteAtOnce(*this, [&] { RunWith(db_, QStringLiteral("DELETE FROM \"__dao_queries\" WHERE name=?1"), {TVariant(name)}); });
    Reload();
}

void Store::SetPassword(const QString& oldPassword, const QString& newPassword)
{
    CheckOpen();
    CheckPassword(oldPassword);
    if (readOnly_)
        Raise(errReadOnlyDatabase, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    const QString salt = newPassword.isEmpty() ? QString() : NewSalt();
    const QString hash = newPassword.isEmpty() ? QString() : HashPassword(salt, newPassword);
    WriteAtOnce(*this, [&] {
        Exec(QStringLiteral("DELETE FROM \"__dao_meta\" WHERE key IN ('password_salt','password_hash')"));
        if (!hash.isEmpty())
            Exec(QStringLiteral("INSERT INTO \"__dao_meta\" VALUES('password_salt', %1), ('password_hash', %2)")
                     .arg(QuoteText(salt), QuoteText(hash)));
    });
    passwordSalt_ = salt;
    passwordHash_ = hash;
}

// ---- statements and transactions ----------------------------------------------------------

void Store::Exec(const QString& sql)
{
    CheckOpen();
    SqlStatement s(db_, sql);
    while (s.Step()) {
    }
}

SqlStatement& Store::Cached(const QString& sql)
{
    CheckOpen();
    const std::string key = sql.toStdString();
    auto it = statements_.find(key);
    if (it == statements_.end())
        it = statements_.emplace(key, std::make_unique<SqlStatement>(db_, sql)).first;
    else
        it->second->Reset();
    return *it->second;
}

bool Store::InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

void Store::CheckWritable() const
{
    CheckOpen();
    if (readOnly_)
        Raise(errReadOnlyDatabase, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
}

void Store::BeginWrite()
{
    CheckWritable();
    LeaveSharedRead();
    Run(InTransaction() ? kDialect.Savepoint(WriteSavepoint()) : kDialect.BeginWrite());
}

void Store::BeginSharedRead()
{
    if (sharedReadDepth_++ == 0 && IsOpen() && !InTransaction()) {
        Run(QStringLiteral("BEGIN"));
        ownsSharedRead_ = true;
        sharedReadRefreshed_ = false;
    }
}

void Store::EndSharedRead()
{
    if (sharedReadDepth_ > 0 && --sharedReadDepth_ == 0)
        LeaveSharedRead();
}

void Store::LeaveSharedRead()
{
    if (!ownsSharedRead_)
        return;
    ownsSharedRead_ = false;
    sharedReadRefreshed_ = false;
    // Nothing was written in it: ending it cannot fail for want of a lock.
    if (IsOpen() && InTransaction())
        Run(QStringLiteral("COMMIT"));
}

StoreRead::~StoreRead()
{
    try {
        store_.EndSharedRead();
    } catch (const EDaoError&) {
        // Ending a read that wrote nothing gives up nothing.
    }
}

void Store::Run(const QString& sql)
{
    SqlStatement& s = Cached(sql);
    try {
        while (s.Step()) {
        }
    } catch (...) {
        s.Reset();
        throw;
    }
    s.Reset();
}

const jet::Statement& Store::Translation(const QString& jetText)
{
    if (translationsGeneration_ != generation_ || translations_.size() > 256) {
        translations_.clear();
        translationsGeneration_ = generation_;
    }
    auto it = translations_.find(jetText);
    if (it == translations_.end())
        it = translations_.emplace(jetText, jet::Translate(jetText, *this)).first;
    return it->second;
}

QString Store::TakeTempTable(const QString& columnsSql)
{
    CheckOpen();
    if (const auto free = freeTempTables_.find(columnsSql); free != freeTempTables_.end()) {
        const QString name = free->second;
        freeTempTables_.erase(free);
        return name;
    }
    const QString name = QStringLiteral("__dao_snap_%1").arg(++tempTableCount_);
    Exec(kDialect.CreateTempTable(QuoteName(name), columnsSql));
    return name;
}

void Store::GiveBackTempTable(const QString& columnsSql, const QString& name)
{
    if (!IsOpen())
        return;
    constexpr size_t kKeptAlike = 4;
    if (freeTempTables_.count(columnsSql) < kKeptAlike) {
        Run(QStringLiteral("DELETE FROM ") + kDialect.TempTable(QuoteName(name)));
        freeTempTables_.emplace(columnsSql, name);
        return;
    }
    ForgetStatements(QuoteName(name));
    Exec(QStringLiteral("DROP TABLE IF EXISTS ") + kDialect.TempTable(QuoteName(name)));
}

void Store::ForgetStatements(const QString& naming)
{
    const std::string fragment = naming.toStdString();
    std::erase_if(statements_, [&](const auto& entry) { return entry.first.find(fragment) != std::string::npos; });
}

void Store::BeginTransaction()
{
    CheckOpen();
    if (readOnly_)
        Raise(errReadOnlyDatabase, QCoreApplication::translate("Dao", "Cannot update. Database or object is read-only."));
    LeaveSharedRead();
    if (InTransaction())
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a transaction is already open."));
    Run(kDialect.BeginWrite());
}

void Store::CommitTransaction()
{
    CheckOpen();
    if (!InTransaction())
        Raise(errCommitWithoutBegin, QCoreApplication::translate("Dao", "Commit or Rollback without BeginTrans."));
    Run(QStringLiteral("COMMIT"));
    ++epoch_;
}

void Store::RollbackTransaction()
{
    CheckOpen();
    if (!InTransaction())
        Raise(errCommitWithoutBegin, QCoreApplication::translate("Dao", "Commit or Rollback without BeginTrans."));
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    ++epoch_;
}

void Store::Commit()
{
    if (!InTransaction())
        return;
    // Inside a held transaction (a pessimistic edit or a batch) a write ends its savepoint only.
    SqlStatement& probe = Cached(kDialect.ReleaseSavepoint(WriteSavepoint()));
    const int rc = sqlite3_step(probe.Get());
    sqlite3_reset(probe.Get());
    if (rc != SQLITE_DONE)
        Run(QStringLiteral("COMMIT"));
    ++epoch_;
}

void Store::Rollback()
{
    if (!InTransaction())
        return;
    char* error = nullptr;
    if (sqlite3_exec(db_, kDialect.RollbackToSavepoint(WriteSavepoint()).toUtf8().constData(), nullptr, nullptr, &error)
        != SQLITE_OK) {
        sqlite3_free(error);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    ++epoch_;
}

void Store::RefreshCache()
{
    if (!db_)
        return;
    // Within a shared read no other connection can write: one look is enough.
    if (ownsSharedRead_ && sharedReadRefreshed_)
        return;
    SqlStatement& s = Cached(kDialect.DataVersionQuery());
    qint64 version = dataVersion_;
    if (s.Step())
        version = sqlite3_column_int64(s.Get(), 0);
    s.Reset();
    sharedReadRefreshed_ = ownsSharedRead_;
    if (version != dataVersion_) {
        dataVersion_ = version;
        ++epoch_;
        // Another connection changed the catalogue only when its version moved.
        if (ReadCatalogVersion() != catalogVersion_)
            Reload();
    }
}

QByteArray KeyToBookmark(qint64 key)
{
    const quint32 k = quint32(qint32(key));
    QByteArray b(4, '\0');
    b[0] = char(k & 0xff);
    b[1] = char((k >> 8) & 0xff);
    b[2] = char((k >> 16) & 0xff);
    b[3] = char((k >> 24) & 0xff);
    return b;
}

qint64 BookmarkToKey(const QByteArray& bookmark)
{
    if (bookmark.size() < 4)
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bookmark.constData());
    return qint32(quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24));
}

}  // namespace dao
