#pragma once
// An index of a table definition: its name, kind and fields (a field's Attributes hold
// dbDescending for a descending one).

#include "platform/dao/DaoField.h"

#include <QString>
#include <memory>

namespace dao {

class Index {
public:
    explicit Index(QString name = QString());

    const QString& Name() const { return def_.name; }
    void SetName(const QString& name);
    bool Primary() const { return def_.primary; }
    void SetPrimary(bool primary);
    bool Unique() const { return def_.unique || def_.primary; }
    void SetUnique(bool unique);
    bool Required() const { return def_.required || def_.primary; }
    void SetRequired(bool required);
    bool IgnoreNulls() const { return def_.ignoreNulls; }
    void SetIgnoreNulls(bool ignore);
    bool Foreign() const { return false; }
    dao::Fields& Fields() { return fields_; }
    // A field object for the index's field list.
    std::shared_ptr<Field> CreateField(const QString& name, int type = dbText, int size = 0);
    dao::Properties Properties() const;

    // For the engine's own classes.
    static std::shared_ptr<Index> FromDef(const IndexDef& def);
    // The description with the fields as appended so far.
    IndexDef Def() const;
    void Freeze();

private:
    void CheckDefinable() const;
    IndexDef def_;
    dao::Fields fields_;
    bool frozen_ = false;
};

class Indexes : public Collection<Index> {
public:
    using AppendHook = std::function<void(const std::shared_ptr<Index>&)>;
    void Append(const std::shared_ptr<Index>& index);
    void Delete(const QString& name);
    void Refresh() {}
    // For the engine's own classes.
    void Add(std::shared_ptr<Index> index) { items_.push_back(std::move(index)); }
    void SetHooks(AppendHook onAppend, std::function<void(const QString&)> onDelete)
    {
        onAppend_ = std::move(onAppend);
        onDelete_ = std::move(onDelete);
    }

private:
    AppendHook onAppend_;
    std::function<void(const QString&)> onDelete_;
};

}  // namespace dao
