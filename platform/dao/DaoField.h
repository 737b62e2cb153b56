#pragma once
// A field: of a table definition, of an index, or of a recordset (then it also carries the
// current row's value). Its properties are the built-in ones and those set by name
// ("Caption", "Format", ...).

#include "platform/dao/DaoCollection.h"
#include "platform/dao/DaoStore.h"
#include "platform/toolkit/Variant.h"

#include <QString>
#include <functional>
#include <memory>

namespace dao {

class Recordset;

class Property {
public:
    Property(QString name, TVariant value, int type = 0, bool inherited = false)
        : name_(std::move(name)), value_(std::move(value)), type_(type), inherited_(inherited) {}
    const QString& Name() const { return name_; }
    const TVariant& Value() const { return value_; }
    int Type() const { return type_; }
    bool Inherited() const { return inherited_; }

private:
    QString name_;
    TVariant value_;
    int type_ = 0;
    bool inherited_ = false;
};

// The properties of an object as they stand when asked for.
class Properties : public Collection<Property> {
public:
    void Add(Property p) { items_.push_back(std::make_shared<Property>(std::move(p))); }
    void Refresh() {}
};

class Field {
public:
    // A field not yet appended anywhere (CreateField).
    explicit Field(QString name = QString(), int type = dbText, int size = 0);
    // A field carrying a stored description.
    explicit Field(const FieldDef& def) : def_(def) {}

    const QString& Name() const { return def_.name; }
    void SetName(const QString& name);
    int Type() const { return def_.type; }
    void SetType(int type);
    // Characters of a text field, bytes of a binary one; 0 for memo and long binary.
    int Size() const { return def_.size; }
    // Before the field is appended; a table's text field also afterwards (rows kept, 3163 when
    // a stored value is longer than the new size).
    void SetSize(int size);
    int Attributes() const { return def_.attributes; }
    void SetAttributes(int attributes);
    const QString& DefaultValue() const { return def_.defaultValue; }
    void SetDefaultValue(const QString& text);
    bool Required() const { return def_.required; }
    void SetRequired(bool required);
    bool AllowZeroLength() const { return def_.allowZeroLength; }
    void SetAllowZeroLength(bool allow);
    int OrdinalPosition() const { return ordinal_; }
    const QString& SourceTable() const { return sourceTable_; }
    const QString& SourceField() const { return sourceField_; }
    // A recordset field's current value; 3021 without a current row, 3167 on a deleted row.
    TVariant Value() const;
    // The same value without a copy, for a reader that takes it at once: it stays valid only
    // until the recordset moves, writes or closes.
    const TVariant& CurrentValue() const;
    // Writes the edit buffer of the recordset (Edit or AddNew first, else 3020).
    void SetValue(const TVariant& value);
    // The length in bytes (memo: characters) of the current value; 0 for Null.
    int FieldSize() const;
    QByteArray GetChunk(int offset, int bytes) const;
    void AppendChunk(const QByteArray& data);
    // The field can be written (dbUpdatableField).
    bool DataUpdatable() const { return (def_.attributes & dbUpdatableField) != 0; }

    dao::Properties Properties() const;
    // A property set by name; Empty when the field has none of that name.
    TVariant Property(const QString& name) const;
    void SetProperty(const QString& name, const TVariant& value);
    void DeleteProperty(const QString& name);

    // For the engine's own classes.
    const FieldDef& Def() const { return def_; }
    void BindToTable(std::weak_ptr<Store> store, QString table, int ordinal);
    void BindToRecordset(Recordset* owner, int column, QString sourceTable, QString sourceField, int ordinal);
    void Detach() { owner_ = nullptr; }

private:
    void CheckDefinable() const;
    void Persist();

    FieldDef def_;
    int ordinal_ = 0;
    QString sourceTable_;
    QString sourceField_;
    std::weak_ptr<Store> store_;
    QString table_;
    bool recordsetField_ = false;
    Recordset* owner_ = nullptr;
    int column_ = -1;
};

// The fields of a table definition, an index or a recordset.
class Fields : public Collection<Field> {
public:
    using AppendHook = std::function<void(const std::shared_ptr<Field>&)>;
    explicit Fields(AppendHook onAppend = nullptr) : onAppend_(std::move(onAppend)) {}
    // Raises 3191 for a name already present.
    void Append(const std::shared_ptr<Field>& field);
    void Delete(const QString& name);
    void Refresh() {}
    // For the engine's own classes.
    void Add(std::shared_ptr<Field> field) { items_.push_back(std::move(field)); }
    void Clear() { items_.clear(); }
    void SetAppendHook(AppendHook hook) { onAppend_ = std::move(hook); }
    void SetFrozen(bool frozen) { frozen_ = frozen; }
    void SetDeletable(bool deletable) { deletable_ = deletable; }

private:
    AppendHook onAppend_;
    bool frozen_ = false;
    bool deletable_ = true;
};

}  // namespace dao
