#include "platform/dao/DaoQueryDef.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoValue.h"
#include "platform/dao/JetSql.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <sqlite3.h>

namespace dao {

namespace {

[[noreturn]] void Raise(int number, const QString& text) { throw EDaoError(number, text, QStringLiteral("DAO.QueryDef")); }

// The database of a definition or collection, refused once it is gone or closed.
std::shared_ptr<Store> OpenStore(const std::weak_ptr<Store>& weak)
{
    auto store = weak.lock();
    if (!store || !store->IsOpen())
        Raise(errNotConnected, QCoreApplication::translate("Dao", "Object invalid or no longer set."));
    return store;
}

// The text after a leading PARAMETERS declaration.
QString WithoutParameters(const QString& sql)
{
    QString t = sql.trimmed();
    if (!t.startsWith(QLatin1String("PARAMETERS"), Qt::CaseInsensitive))
        return t;
    bool inBracket = false;
    QChar quote;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (inBracket) {
            if (c == QLatin1Char(']'))
                inBracket = false;
        } else if (c == QLatin1Char('[')) {
            inBracket = true;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            return t.mid(i + 1).trimmed();
        }
    }
    return QString();
}

}  // namespace

void Parameter::SetValue(const TVariant& value) { value_ = type_ ? CoerceToField(value, type_) : value; }

QueryDef::QueryDef(std::weak_ptr<Store> store, QString name, QString sql)
    : store_(std::move(store)), name_(std::move(name)), sql_(std::move(sql))
{
}

std::shared_ptr<Store> QueryDef::LockStore() const { return OpenStore(store_); }

bool QueryDef::Saved() const { return saved_; }

void QueryDef::MarkSaved(double dateCreated, double lastUpdated)
{
    saved_ = true;
    dateCreated_ = dateCreated;
    lastUpdated_ = lastUpdated;
}

void QueryDef::SetName(const QString& name)
{
    if (saved_)
        Raise(errOperationNotSupported, QCoreApplication::translate("Dao", "Operation is not supported for this type of object: a saved "
                                                                           "query keeps its name."));
    name_ = name;
}

void QueryDef::SetSQL(const QString& sql)
{
    if (saved_) {
        QueryDefData q;
        q.name = name_;
        q.sql = sql;
        q.type = TypeOfText(sql);
        LockStore()->SaveQuery(q);
        if (const QueryDefData* stored = LockStore()->FindQueryDef(name_))
            lastUpdated_ = stored->lastUpdated;
    }
    sql_ = sql;
    parametersRead_ = false;
}

int QueryDef::TypeOfText(const QString& sql)
{
    const QString body = WithoutParameters(sql);
    const QString word = body.section(QRegularExpression(QStringLiteral("[\\s(]")), 0, 0, QString::SectionSkipEmpty).toUpper();
    if (word == QLatin1String("SELECT")) {
        static const QRegularExpression into(QStringLiteral("\\bINTO\\b"), QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression unionWord(QStringLiteral("\\bUNION\\b"), QRegularExpression::CaseInsensitiveOption);
        const int from = body.indexOf(QRegularExpression(QStringLiteral("\\bFROM\\b"), QRegularExpression::CaseInsensitiveOption));
        const QRegularExpressionMatch m = into.match(body);
        if (m.hasMatch() && (from < 0 || m.capturedStart() < from))
            return dbQMakeTable;
        if (unionWord.match(body).hasMatch())
            return dbQSetOperation;
        return dbQSelect;
    }
    if (word == QLatin1String("TRANSFORM"))
        return dbQCrosstab;
    if (word == QLatin1String("DELETE"))
        return dbQDelete;
    if (word == QLatin1String("UPDATE"))
        return dbQUpdate;
    if (word == QLatin1String("INSERT"))
        return dbQAppend;
    if (word == QLatin1String("CREATE") || word == QLatin1String("ALTER") || word == QLatin1String("DROP"))
        return dbQDDL;
    return dbQSelect;
}

int QueryDef::Type() const { return TypeOfText(sql_); }

bool QueryDef::ReturnsRecords() const
{
    const int t = Type();
    return t == dbQSelect || t == dbQCrosstab || t == dbQSetOperation;
}

void QueryDef::ReadParameters()
{
    if (parametersRead_)
        return;
    auto store = LockStore();
    const jet::Statement statement = store->Translation(sql_);
    // Values already given survive a new reading of the same names.
    std::vector<std::shared_ptr<Parameter>> old(parameters_.begin(), parameters_.end());
    parameters_.Clear();
    for (const auto& p : statement.parameters) {
        auto param = std::make_shared<Parameter>(p.name, p.type);
        for (const auto& o : old)
            if (o->Name().compare(p.name, Qt::CaseInsensitive) == 0 && !o->Value().IsEmpty()) {
                param->SetValue(o->Value());
                param->SetDirection(o->Direction());
            }
        parameters_.Add(param);
    }
    parametersRead_ = true;
}

Parameters& QueryDef::Parameters()
{
    ReadParameters();
    return parameters_;
}

std::vector<TVariant> QueryDef::ParameterValues(const std::vector<jet::Parameter>& wanted) const
{
    std::vector<TVariant> values;
    int missing = 0;
    for (const auto& w : wanted) {
        const int i = parameters_.IndexOf(w.name);
        if (i < 0 || parameters_.Item(i)->Value().IsEmpty()) {
            ++missing;
            values.push_back(TVariant::Null());
        } else {
            values.push_back(parameters_.Item(i)->Value());
        }
    }
    if (missing > 0)
        Raise(errTooFewParameters, QCoreApplication::translate("Dao", "Too few parameters. Expected %1.").arg(missing));
    return values;
}

TVariant QueryDef::DateCreated() const { return dateCreated_ > 0 ? TVariant::FromDate(dateCreated_) : TVariant::Null(); }

TVariant QueryDef::LastUpdated() const { return lastUpdated_ > 0 ? TVariant::FromDate(lastUpdated_) : TVariant::Null(); }

std::shared_ptr<Recordset> QueryDef::OpenRecordset(int type, int options, int lockType)
{
    auto store = LockStore();
    ReadParameters();
    const jet::Statement statement = store->Translation(sql_);
    const std::vector<TVariant> values = ParameterValues(statement.parameters);
    auto rs = Recordset::OpenStatement(store, statement, values, name_.isEmpty() ? sql_ : name_, type, options,
                                       lockType == 0 ? dbOptimistic : lockType, maxRecords_);
    // Requery runs the query again with the parameter values it has then.
    std::weak_ptr<const QueryDef> self = weak_from_this();
    const std::vector<jet::Parameter> wanted = statement.parameters;
    rs->SetParameterSource([self, wanted]() -> std::optional<std::vector<TVariant>> {
        if (auto q = self.lock())
            return q->ParameterValues(wanted);
        return std::nullopt;
    });
    return rs;
}

void QueryDef::Execute(int options)
{
    auto store = LockStore();
    if (options & dbSQLPassThrough)
        Raise(errOdbcRefused, QCoreApplication::translate("Dao", "ODBC--call failed: pass-through queries need an ODBC connection, which "
                                                                 "this engine does not offer."));
    ReadParameters();
    const jet::Statement statement = store->Translation(sql_);
    recordsAffected_ = RunAction(*store, statement, ParameterValues(statement.parameters));
}

int RunAction(Store& store, const jet::Statement& statement, const std::vector<TVariant>& values)
{
    if (statement.kind == jet::StatementKind::Select)
        Raise(3065, QCoreApplication::translate("Dao", "Cannot execute a select query."));
    int affected = 0;
    WriteAtOnce(store, [&] {
        SqlStatement s(store.Db(), statement.sql);
        for (size_t i = 0; i < values.size(); ++i)
            s.Bind(int(i) + 1, values[i]);
        while (s.Step()) {
        }
        affected = sqlite3_changes(store.Db());
        s.Reset();
    });
    if (statement.kind == jet::StatementKind::Other)
        store.Reload();
    return affected;
}

void QueryDefs::Append(const std::shared_ptr<QueryDef>& query)
{
    auto store = OpenStore(store_);
    if (!query || query->Name().trimmed().isEmpty())
        Raise(errInvalidArgument, QCoreApplication::translate("Dao", "Invalid argument: a saved query needs a name."));
    if (store->FindQueryDef(query->Name()))
        Raise(errObjectExists, QCoreApplication::translate("Dao", "Object '%1' already exists.").arg(query->Name()));
    QueryDefData q;
    q.name = query->Name();
    q.sql = query->SQL();
    q.type = QueryDef::TypeOfText(q.sql);
    store->SaveQuery(q);
    if (const QueryDefData* stored = store->FindQueryDef(q.name))
        query->MarkSaved(stored->dateCreated, stored->lastUpdated);
    // The object appended is the collection's item from now on.
    items_.push_back(query);
    Refresh();
}

void QueryDefs::Delete(const QString& name)
{
    auto store = OpenStore(store_);
    store->DeleteQuery(name);
    Refresh();
}

void QueryDef::Reload(const QueryDefData& data)
{
    if (data.sql != sql_) {
        sql_ = data.sql;
        parametersRead_ = false;
    }
    MarkSaved(data.dateCreated, data.lastUpdated);
}

void QueryDefs::Refresh()
{
    auto store = store_.lock();
    // Made from the catalogue as it is read now, the items stand as they are.
    if (store && store->IsOpen() && !items_.empty() && readGeneration_ == store->CatalogGeneration())
        return;
    // The objects handed out before stay the collection's items, with their parameter values.
    std::vector<std::shared_ptr<QueryDef>> old = std::move(items_);
    items_.clear();
    if (!store || !store->IsOpen())
        return;
    for (const auto& q : store->Queries()) {
        std::shared_ptr<QueryDef> query;
        for (const auto& o : old)
            if (o->Name().compare(q.name, Qt::CaseInsensitive) == 0)
                query = o;
        if (!query)
            query = std::make_shared<QueryDef>(store, q.name, q.sql);
        query->Reload(q);
        items_.push_back(query);
    }
    readGeneration_ = store->CatalogGeneration();
}

}  // namespace dao
