#include "platform/dao/DaoIndex.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"

#include <QCoreApplication>

namespace dao {

namespace {

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, QStringLiteral("DAO.Index")); }

}  // namespace

Index::Index(QString name) { def_.name = std::move(name); }

void Index::CheckDefinable() const
{
    if (frozen_)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: the index '%1' is already part of a table.").arg(def_.name));
}

void Index::SetName(const QString& name)
{
    CheckDefinable();
    def_.name = name;
}

void Index::SetPrimary(bool primary)
{
    CheckDefinable();
    def_.primary = primary;
}

void Index::SetUnique(bool unique)
{
    CheckDefinable();
    def_.unique = unique;
}

void Index::SetRequired(bool required)
{
    CheckDefinable();
    def_.required = required;
}

void Index::SetIgnoreNulls(bool ignore)
{
    CheckDefinable();
    def_.ignoreNulls = ignore;
}

std::shared_ptr<Field> Index::CreateField(const QString& name, int type, int size)
{
    auto f = std::make_shared<Field>(name, type, size);
    f->SetAttributes(0);
    return f;
}

Properties Index::Properties() const
{
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Name"), TVariant(def_.name), dbText));
    list.Add(dao::Property(QStringLiteral("Primary"), TVariant(Primary()), dbBoolean));
    list.Add(dao::Property(QStringLiteral("Unique"), TVariant(Unique()), dbBoolean));
    list.Add(dao::Property(QStringLiteral("Required"), TVariant(Required()), dbBoolean));
    list.Add(dao::Property(QStringLiteral("IgnoreNulls"), TVariant(IgnoreNulls()), dbBoolean));
    return list;
}

std::shared_ptr<Index> Index::FromDef(const IndexDef& def)
{
    auto index = std::make_shared<Index>(def.name);
    index->def_ = def;
    for (const auto& f : def.fields) {
        auto field = std::make_shared<Field>(f.name, dbText, 0);
        field->SetAttributes(f.descending ? dbDescending : 0);
        index->fields_.Add(field);
    }
    index->Freeze();
    return index;
}

IndexDef Index::Def() const
{
    IndexDef d = def_;
    d.fields.clear();
    for (const auto& f : fields_)
        d.fields.push_back({f->Name(), (f->Attributes() & dbDescending) != 0});
    return d;
}

void Index::Freeze()
{
    frozen_ = true;
    fields_.SetFrozen(true);
}

void Indexes::Append(const std::shared_ptr<Index>& index)
{
    if (!index || index->Name().trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: an index needs a name."));
    if (Contains(index->Name()))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Index '%1' already exists.").arg(index->Name()));
    if (index->Def().fields.empty())
        Raise(3264, QCoreApplication::translate("Dao", "No field defined--cannot append TableDef or Index."));
    if (onAppend_)
        onAppend_(index);
    items_.push_back(index);
}

void Indexes::Delete(const QString& name)
{
    const int i = IndexOf(name);
    if (i < 0)
        NotFound(name);
    if (onDelete_)
        onDelete_(items_[size_t(i)]->Name());
    items_.erase(items_.begin() + i);
}

}  // namespace dao
