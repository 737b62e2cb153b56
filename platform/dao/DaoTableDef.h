#pragma once
// A table definition: made with Database::CreateTableDef and appended to TableDefs to create
// the table, or read from TableDefs for a stored table (then fields and indexes appended to it
// are added to the stored table at once).

#include "platform/dao/DaoCollection.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoIndex.h"
#include "platform/dao/DaoStore.h"

#include <QString>
#include <memory>

namespace dao {

class Recordset;

class TableDef {
public:
    explicit TableDef(QString name = QString());
    TableDef(const TableDef&) = delete;
    TableDef& operator=(const TableDef&) = delete;

    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    // dbSystemObject for the engine's catalogue tables.
    int Attributes() const { return attributes_; }
    void SetAttributes(int attributes);
    QString Connect() const { return QString(); }
    QString SourceTableName() const { return QString(); }
    TVariant DateCreated() const;
    TVariant LastUpdated() const;
    int RecordCount() const;
    bool Updatable() const;
    dao::Fields& Fields() { return fields_; }
    dao::Indexes& Indexes() { return indexes_; }
    std::shared_ptr<Field> CreateField(const QString& name = QString(), int type = dbText, int size = 0);
    std::shared_ptr<Index> CreateIndex(const QString& name = QString());
    std::shared_ptr<Recordset> OpenRecordset(int type = 0, int options = 0);
    dao::Properties Properties() const;
    bool Appended() const { return !store_.expired(); }

    // For the engine's own classes.
    static std::shared_ptr<TableDef> FromStore(const std::shared_ptr<Store>& store, const TableDefData& data);
    TableDefData Def() const;
    // Binds a definition just created in the store to it.
    void Attach(const std::shared_ptr<Store>& store);

private:
    std::shared_ptr<Store> LockStore() const;
    QString name_;
    int attributes_ = 0;
    double dateCreated_ = 0;
    double lastUpdated_ = 0;
    dao::Fields fields_;
    dao::Indexes indexes_;
    std::weak_ptr<Store> store_;
};

class Database;

class TableDefs : public Collection<TableDef> {
public:
    explicit TableDefs(std::weak_ptr<Store> store) : store_(std::move(store)) {}
    // Creates the table with its fields and indexes.
    void Append(const std::shared_ptr<TableDef>& table);
    void Delete(const QString& name);
    // Reads the stored tables afresh.
    void Refresh();

private:
    std::weak_ptr<Store> store_;
    quint64 readGeneration_ = 0;  // the catalogue reading the items were made from
};

}  // namespace dao
