#include "platform/dao/DaoTableDef.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoValue.h"

#include <QCoreApplication>
#include <sqlite3.h>

namespace dao {

namespace {

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, QStringLiteral("DAO.TableDef")); }

// The database of a definition or collection, refused once it is gone or closed.
std::shared_ptr<Store> OpenStore(const std::weak_ptr<Store>& weak)
{
    auto store = weak.lock();
    if (!store || !store->IsOpen())
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
    return store;
}

// The attributes a stored field reports: fixed or variable length, updatable unless a counter.
FieldDef Normalized(FieldDef f)
{
    const bool variable = f.type == dbText || f.type == dbMemo || f.type == dbLongBinary || f.type == dbVarBinary;
    f.attributes &= ~(dbFixedField | dbVariableField | dbUpdatableField);
    f.attributes |= variable ? dbVariableField : dbFixedField;
    if (f.IsCounter()) {
        f.type = dbLong;
        f.size = 4;
    } else {
        f.attributes |= dbUpdatableField;
    }
    if (f.type == dbBoolean)
        f.required = false;
    return f;
}

}  // namespace

TableDef::TableDef(QString name) : name_(std::move(name))
{
    fields_.SetAppendHook([this](const std::shared_ptr<Field>& field) {
        if (auto store = store_.lock()) {
            store->AddField(name_, Normalized(field->Def()));
            field->BindToTable(store_, name_, fields_.Count());
        }
    });
    indexes_.SetHooks(
        [this](const std::shared_ptr<Index>& index) {
            if (auto store = store_.lock()) {
                for (const auto& f : index->Def().fields)
                    if (!fields_.Contains(f.name))
                        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Item not found in this collection: the table '%1' has no "
                                                                                   "field '%2'.").arg(name_, f.name));
                store->AddIndex(name_, index->Def());
                index->Freeze();
            }
        },
        [this](const QString& name) {
            if (auto store = store_.lock())
                store->DeleteIndex(name_, name);
        });
}

std::shared_ptr<Store> TableDef::LockStore() const { return OpenStore(store_); }

void TableDef::SetName(const QString& name)
{
    if (Appended())
        Raise(errOperationNotSupported, QCoreApplication::translate("Dao", "Operation is not supported for this type of object: a stored "
                                                                           "table keeps its name."));
    name_ = name;
}

void TableDef::SetAttributes(int attributes)
{
    if (Appended())
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a stored table keeps its attributes."));
    attributes_ = attributes & ~int(0x80000002u);
}

TVariant TableDef::DateCreated() const { return dateCreated_ > 0 ? TVariant::FromDate(dateCreated_) : TVariant::Null(); }

TVariant TableDef::LastUpdated() const
{
    if (auto store = store_.lock(); store && store->IsOpen())
        if (const TableDefData* t = store->FindTableDef(name_); t && t->lastUpdated > 0)
            return TVariant::FromDate(t->lastUpdated);
    return lastUpdated_ > 0 ? TVariant::FromDate(lastUpdated_) : TVariant::Null();
}

int TableDef::RecordCount() const
{
    if (!Appended())
        return 0;
    auto store = LockStore();
    SqlStatement s(store->Db(), QStringLiteral("SELECT count(*) FROM %1").arg(QuoteName(name_)));
    s.Step();
    const int n = sqlite3_column_int(s.Get(), 0);
    s.Reset();
    return n;
}

bool TableDef::Updatable() const
{
    auto store = store_.lock();
    return !store || (!store->ReadOnly() && (unsigned(attributes_) & 0x80000002u) == 0);
}

std::shared_ptr<Field> TableDef::CreateField(const QString& name, int type, int size)
{
    return std::make_shared<Field>(name, type, size);
}

std::shared_ptr<Index> TableDef::CreateIndex(const QString& name) { return std::make_shared<Index>(name); }

std::shared_ptr<Recordset> TableDef::OpenRecordset(int type, int options)
{
    return Recordset::OpenTable(LockStore(), name_, type == 0 ? dbOpenTable : type, options, dbOptimistic);
}

Properties TableDef::Properties() const
{
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Name"), TVariant(name_), dbText));
    list.Add(dao::Property(QStringLiteral("Attributes"), TVariant(attributes_), dbLong));
    list.Add(dao::Property(QStringLiteral("DateCreated"), DateCreated(), dbDate));
    list.Add(dao::Property(QStringLiteral("LastUpdated"), LastUpdated(), dbDate));
    return list;
}

std::shared_ptr<TableDef> TableDef::FromStore(const std::shared_ptr<Store>& store, const TableDefData& data)
{
    auto t = std::make_shared<TableDef>(data.name);
    t->attributes_ = data.attributes;
    t->dateCreated_ = data.dateCreated;
    t->lastUpdated_ = data.lastUpdated;
    int ordinal = 0;
    for (const auto& f : data.fields) {
        auto field = std::make_shared<Field>(f);
        field->BindToTable(store, data.name, ordinal++);
        t->fields_.Add(field);
    }
    t->fields_.SetDeletable(false);
    for (const auto& ix : data.indexes)
        t->indexes_.Add(Index::FromDef(ix));
    t->store_ = store;
    return t;
}

TableDefData TableDef::Def() const
{
    TableDefData d;
    d.name = name_;
    d.attributes = attributes_;
    for (const auto& f : fields_)
        d.fields.push_back(Normalized(f->Def()));
    for (const auto& ix : indexes_)
        d.indexes.push_back(ix->Def());
    return d;
}

void TableDef::Attach(const std::shared_ptr<Store>& store)
{
    const TableDefData* data = store->FindTableDef(name_);
    if (!data)
        return;
    attributes_ = data->attributes;
    dateCreated_ = data->dateCreated;
    lastUpdated_ = data->lastUpdated;
    int ordinal = 0;
    for (const auto& f : fields_)
        f->BindToTable(store, name_, ordinal++);
    fields_.SetDeletable(false);
    for (const auto& ix : indexes_)
        ix->Freeze();
    store_ = store;
}

void TableDefs::Append(const std::shared_ptr<TableDef>& table)
{
    auto store = OpenStore(store_);
    if (!table)
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: no table definition."));
    if (table->Appended())
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Table '%1' already exists.").arg(table->Name()));
    store->CreateTable(table->Def());
    table->Attach(store);
    Refresh();
}

void TableDefs::Delete(const QString& name)
{
    auto store = OpenStore(store_);
    store->DeleteTable(name);
    Refresh();
}

void TableDefs::Refresh()
{
    auto store = store_.lock();
    // Made from the catalogue as it is read now, the items stand as they are.
    if (store && store->IsOpen() && !items_.empty() && readGeneration_ == store->CatalogGeneration())
        return;
    items_.clear();
    if (!store || !store->IsOpen())
        return;
    for (const auto& t : store->Tables())
        items_.push_back(TableDef::FromStore(store, t));
    readGeneration_ = store->CatalogGeneration();
}

}  // namespace dao
