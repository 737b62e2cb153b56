#pragma once
// A saved query: its Jet text, its kind, its parameters with their values, and the recordset
// or action it runs. Made by Database::CreateQueryDef; with a name it is saved at once.

#include "platform/dao/DaoCollection.h"
#include "platform/dao/DaoStore.h"
#include "platform/toolkit/Variant.h"

#include <QString>
#include <memory>

namespace dao {

class Recordset;

class Parameter {
public:
    Parameter(QString name, int type) : name_(std::move(name)), type_(type) {}
    const QString& Name() const { return name_; }
    // The declared type; 0 when the parameter is not declared.
    int Type() const { return type_; }
    int Direction() const { return direction_; }
    void SetDirection(int direction) { direction_ = direction; }
    const TVariant& Value() const { return value_; }
    // Converted to the declared type at once (3421 when it cannot be).
    void SetValue(const TVariant& value);

private:
    QString name_;
    int type_ = 0;
    int direction_ = dbParamInput;
    TVariant value_;
};

class Parameters : public Collection<Parameter> {
public:
    void Refresh() {}
    // For the engine's own classes.
    void Add(std::shared_ptr<Parameter> p) { items_.push_back(std::move(p)); }
    void Clear() { items_.clear(); }
};

class QueryDef : public std::enable_shared_from_this<QueryDef> {
public:
    QueryDef(std::weak_ptr<Store> store, QString name, QString sql);

    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    const QString& SQL() const { return sql_; }
    // Saved at once when the query is.
    void SetSQL(const QString& sql);
    // dbQSelect, dbQUpdate, ... from the text.
    int Type() const;
    bool ReturnsRecords() const;
    dao::Parameters& Parameters();
    int MaxRecords() const { return maxRecords_; }
    void SetMaxRecords(int count) { maxRecords_ = count; }
    int ODBCTimeout() const { return odbcTimeout_; }
    void SetODBCTimeout(int seconds) { odbcTimeout_ = seconds; }
    QString Connect() const { return QString(); }
    TVariant DateCreated() const;
    TVariant LastUpdated() const;
    int RecordsAffected() const { return recordsAffected_; }
    bool Saved() const;

    std::shared_ptr<Recordset> OpenRecordset(int type = 0, int options = 0, int lockType = 0);
    void Execute(int options = 0);
    void Close() {}

    // The kind of statement a Jet text is, read from its first words.
    static int TypeOfText(const QString& sql);
    // For the engine's own classes.
    void MarkSaved(double dateCreated, double lastUpdated);
    // The values of the parameters a translated statement wants, in its order (3061 when one has none).
    std::vector<TVariant> ParameterValues(const std::vector<jet::Parameter>& wanted) const;
    // Takes the text of the stored query again after the catalogue was read afresh.
    void Reload(const QueryDefData& data);

private:
    std::shared_ptr<Store> LockStore() const;
    void ReadParameters();

    std::weak_ptr<Store> store_;
    QString name_;
    QString sql_;
    bool saved_ = false;
    double dateCreated_ = 0;
    double lastUpdated_ = 0;
    int maxRecords_ = 0;
    int odbcTimeout_ = 60;
    int recordsAffected_ = 0;
    dao::Parameters parameters_;
    QString parametersFor_;
    bool parametersRead_ = false;
};

class QueryDefs : public Collection<QueryDef> {
public:
    explicit QueryDefs(std::weak_ptr<Store> store) : store_(std::move(store)) {}
    void Append(const std::shared_ptr<QueryDef>& query);
    void Delete(const QString& name);
    void Refresh();

private:
    std::weak_ptr<Store> store_;
    quint64 readGeneration_ = 0;  // the catalogue's generation the items were made from
};

// Runs a translated action statement with its parameter values; returns the rows affected.
int RunAction(Store& store, const jet::Statement& statement, const std::vector<TVariant>& values);

}  // namespace dao
