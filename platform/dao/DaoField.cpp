#include "platform/dao/DaoField.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

namespace dao {

namespace {

const QString kSource = QStringLiteral("DAO.Field");

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, kSource); }

// Attributes a field gets from its type when none are given.
int TypeAttributes(int type)
{
    return (type == dbText || type == dbMemo || type == dbLongBinary || type == dbVarBinary) ? dbVariableField : dbFixedField;
}

int DefaultSize(int type)
{
    switch (type) {
    case dbText:
        return 50;
    case dbBoolean:
    case dbByte:
        return 1;
    case dbInteger:
        return 2;
    case dbLong:
    case dbSingle:
        return 4;
    case dbCurrency:
    case dbDouble:
    case dbDate:
    case dbBigInt:
        return 8;
    case dbGUID:
        return 16;
    case dbBinary:
        return 255;
    default:
        return 0;
    }
}

}  // namespace

Field::Field(QString name, int type, int size)
{
    def_.name = std::move(name);
    def_.type = type;
    def_.size = size > 0 ? size : DefaultSize(type);
    def_.attributes = TypeAttributes(type) | dbUpdatableField;
    def_.allowZeroLength = false;
}

void Field::CheckDefinable() const
{
    if (recordsetField_ || !table_.isEmpty())
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: the field '%1' is already part of a table or "
                                                                      "recordset.").arg(def_.name));
}

void Field::SetName(const QString& name)
{
    CheckDefinable();
    def_.name = name;
}

void Field::SetType(int type)
{
    CheckDefinable();
    def_.type = type;
    if (def_.size == 0 || type != dbText)
        def_.size = DefaultSize(type);
    def_.attributes = (def_.attributes & ~(dbFixedField | dbVariableField)) | TypeAttributes(type);
}

void Field::SetSize(int size)
{
    if (recordsetField_ || table_.isEmpty() || def_.type != dbText) {
        CheckDefinable();
        def_.size = size;
        return;
    }
    // A stored text field is resized as Jet's ALTER COLUMN does it, its rows kept; a row longer
    // than the new size refuses the change.
    if (size < 1 || size > 255)
        Raise(errInvalidArgument, QStringLiteral("Invalid argument: a text field holds 1 to 255 characters."));
    const int old = std::exchange(def_.size, size);
    try {
        Persist();
    } catch (...) {
        def_.size = old;
        throw;
    }
}

void Field::SetAttributes(int attributes)
{
    CheckDefinable();
    def_.attributes = attributes;
    if (attributes & dbAutoIncrField)
        def_.attributes &= ~dbUpdatableField;
}

void Field::SetDefaultValue(const QString& text)
{
    def_.defaultValue = text;
    Persist();
}

void Field::SetRequired(bool required)
{
    def_.required = required;
    Persist();
}

void Field::SetAllowZeroLength(bool allow)
{
    def_.allowZeroLength = allow;
    Persist();
}

void Field::Persist()
{
    if (recordsetField_)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: a recordset's field keeps its table's definition."));
    if (table_.isEmpty())
        return;
    auto store = store_.lock();
    if (!store)
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
    store->UpdateField(table_, def_.name, def_);
}

TVariant Field::Value() const { return CurrentValue(); }

const TVariant& Field::CurrentValue() const
{
    if (!owner_)
        Raise(recordsetField_ ? int(errNotConnected) : int(errInvalidOperation),
              recordsetField_ ? QStringLiteral("Object invalid or no longer set.")
                              : QStringLiteral("Invalid operation: only a recordset's field has a value."));
    return owner_->FieldValue(column_);
}

void Field::SetValue(const TVariant& value)
{
    if (!owner_)
        Raise(recordsetField_ ? int(errNotConnected) : int(errInvalidOperation),
              recordsetField_ ? QStringLiteral("Object invalid or no longer set.")
                              : QStringLiteral("Invalid operation: only a recordset's field has a value."));
    owner_->SetFieldValue(column_, value);
}

int Field::FieldSize() const
{
    if (!owner_)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: only a recordset's field has a value."));
    return owner_->FieldSize(column_);
}

QByteArray Field::GetChunk(int offset, int bytes) const
{
    const TVariant v = Value();
    if (v.IsClear())
        return QByteArray();
    const QByteArray data = v.Type() == TVarType::Bytes ? v.AsBytes() : v.AsString().toUtf8();
    return data.mid(offset, bytes);
}

void Field::AppendChunk(const QByteArray& data)
{
    const TVariant v = Value();
    if (def_.type == dbMemo || def_.type == dbText)
        SetValue(TVariant((v.IsClear() ? QString() : v.AsString()) + QString::fromUtf8(data)));
    else
        SetValue(TVariant((v.IsClear() ? QByteArray() : v.AsBytes()) + data));
}

Properties Field::Properties() const
{
    dao::Properties list;
    list.Add(dao::Property(QStringLiteral("Name"), TVariant(def_.name), dbText));
    list.Add(dao::Property(QStringLiteral("Type"), TVariant(def_.type), dbInteger));
    list.Add(dao::Property(QStringLiteral("Size"), TVariant(def_.size), dbLong));
    list.Add(dao::Property(QStringLiteral("Attributes"), TVariant(def_.attributes), dbLong));
    list.Add(dao::Property(QStringLiteral("DefaultValue"), TVariant(def_.defaultValue), dbText));
    list.Add(dao::Property(QStringLiteral("Required"), TVariant(def_.required), dbBoolean));
    list.Add(dao::Property(QStringLiteral("AllowZeroLength"), TVariant(def_.allowZeroLength), dbBoolean));
    list.Add(dao::Property(QStringLiteral("OrdinalPosition"), TVariant(ordinal_), dbInteger));
    list.Add(dao::Property(QStringLiteral("SourceTable"), TVariant(sourceTable_), dbText));
    list.Add(dao::Property(QStringLiteral("SourceField"), TVariant(sourceField_), dbText));
    for (const auto& p : def_.properties)
        list.Add(dao::Property(p.first, p.second, dbText, recordsetField_));
    return list;
}

TVariant Field::Property(const QString& name) const { return def_.Property(name); }

void Field::SetProperty(const QString& name, const TVariant& value)
{
    if (name.trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a property needs a name."));
    def_.SetProperty(name, value);
    Persist();
}

void Field::DeleteProperty(const QString& name)
{
    auto& props = def_.properties;
    const auto before = props.size();
    props.erase(std::remove_if(props.begin(), props.end(),
                               [&](const auto& p) { return p.first.compare(name, Qt::CaseInsensitive) == 0; }),
                props.end());
    if (props.size() == before)
        Raise(errFieldNotFound, QCoreApplication::translate("Dao", "Property not found: '%1'.").arg(name));
    Persist();
}

void Field::BindToTable(std::weak_ptr<Store> store, QString table, int ordinal)
{
    store_ = std::move(store);
    table_ = std::move(table);
    ordinal_ = ordinal;
}

void Field::BindToRecordset(Recordset* owner, int column, QString sourceTable, QString sourceField, int ordinal)
{
    recordsetField_ = true;
    owner_ = owner;
    column_ = column;
    sourceTable_ = std::move(sourceTable);
    sourceField_ = std::move(sourceField);
    ordinal_ = ordinal;
}

void Fields::Append(const std::shared_ptr<Field>& field)
{
    if (frozen_)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: the fields of this object cannot change."));
    if (!field || field->Name().trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a field needs a name."));
    if (Contains(field->Name()))
        Raise(errNameInUse, QCoreApplication::translate("Dao", "Cannot define field more than once: '%1'.").arg(field->Name()));
    if (onAppend_)
        onAppend_(field);
    items_.push_back(field);
}

void Fields::Delete(const QString& name)
{
    if (frozen_ || !deletable_)
        Raise(errInvalidOperation, QCoreApplication::translate("Dao", "Invalid operation: the fields of this object cannot change."));
    const int i = IndexOf(name);
    if (i < 0)
        NotFound(name);
    items_.erase(items_.begin() + i);
}

}  // namespace dao
