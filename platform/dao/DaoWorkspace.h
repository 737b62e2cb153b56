#pragma once
// A workspace: a session of one user in which databases are opened and created.

#include "platform/dao/DaoCollection.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoField.h"

#include <QString>
#include <memory>
#include <vector>

namespace dao {

class Databases : public Collection<Database> {
public:
    void Refresh() {}
    void Add(std::shared_ptr<Database> db) { items_.push_back(std::move(db)); }
};

class Workspace {
public:
    Workspace(QString name, QString userName, int type, QString engineVersion);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const QString& Name() const { return name_; }
    const QString& UserName() const { return userName_; }
    int Type() const { return type_; }
    int DefaultCursorDriver() const { return defaultCursorDriver_; }
    void SetDefaultCursorDriver(int driver) { defaultCursorDriver_ = driver; }

    // Opens an existing database file. The connect text may give ";pwd=<password>"; a connect
    // text naming ODBC (3146) or another installable format (3170) is refused.
    std::shared_ptr<Database> OpenDatabase(const QString& name, bool exclusive = false, bool readOnly = false,
                                           const QString& connect = QString());
    // Refused: this engine has no ODBC connections (3146).
    std::shared_ptr<Database> OpenConnection(const QString& name, int options = 0, bool readOnly = false,
                                             const QString& connect = QString());
    // Makes a new database file. Locale: dbLangGeneral and the like, optionally followed by
    // ";pwd=<password>"; options: dbVersion30 / dbVersion40.
    std::shared_ptr<Database> CreateDatabase(const QString& name, const QString& locale, int options = 0);
    // The databases open in this workspace.
    const dao::Databases& Databases();
    // Closes every database opened in it.
    void Close();
    dao::Properties Properties() const;

    void RefreshCaches();

    // The password a connect text gives (";pwd=..."), after checking the text names no other
    // kind of database.
    static QString PasswordOf(const QString& connect);
    // The collating order a locale text names (";LANGID=0x0409;..."), dbSortGeneral by default.
    static int CollatingOrderOf(const QString& locale);

private:
    void Prune();
    QString name_;
    QString userName_;
    int type_ = dbUseJet;
    QString engineVersion_;
    int defaultCursorDriver_ = -1;
    std::vector<std::weak_ptr<Database>> opened_;
    dao::Databases databases_;
};

}  // namespace dao
