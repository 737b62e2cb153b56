#include "platform/dao/JetTranslator.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/JetFunctions.h"
#include "platform/dao/JetParser.h"
#include "platform/dao/SqliteDialect.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>

#include <map>
#include <optional>

namespace jet {

namespace {

bool IsTextType(int t)
{
    return t == dao::dbText || t == dao::dbMemo || t == dao::dbChar;
}

bool IsNumericType(int t)
{
    switch (t) {
    case dao::dbBoolean: case dao::dbByte: case dao::dbInteger: case dao::dbLong: case dao::dbCurrency:
    case dao::dbSingle: case dao::dbDouble: case dao::dbDate: case dao::dbBigInt: case dao::dbNumeric:
    case dao::dbDecimal: case dao::dbFloat: case dao::dbTime: case dao::dbTimeStamp:
        return true;
    default:
        return false;
    }
}

bool IsDateType(int t)
{
    return t == dao::dbDate || t == dao::dbTime || t == dao::dbTimeStamp;
}

// Jet widens arithmetic along Byte < Integer < Long < Currency < Single < Double; text and
// unknown values take part as Double.
int Rank(int t)
{
    switch (t) {
    case dao::dbByte: return 1;
    case dao::dbBoolean: case dao::dbInteger: return 2;
    case dao::dbLong: case dao::dbBigInt: return 3;
    case dao::dbCurrency: return 4;
    case dao::dbSingle: return 5;
    default: return 6;
    }
}

int TypeOfRank(int rank)
{
    static const int kTypes[] = {dao::dbDouble, dao::dbByte, dao::dbInteger, dao::dbLong,
                                 dao::dbCurrency, dao::dbSingle, dao::dbDouble};
    return kTypes[rank];
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString Key(const QString& name)
{
    return name.toCaseFolded();
}

[[noreturn]] void Raise(int number, const QString& text)
{
    throw EDaoError(number, text);
}

// A source of rows in a FROM list: a stored table, a saved query, or, for a filter, the
// columns of a result.
struct Source {
    QString name;    // what a qualifier names
    QString quoted;  // as the SQL names it
    QString query;   // the saved query read, when it is one
    const TableInfo* table = nullptr;
    std::vector<ResultColumn> columns;
    bool bare = false;  // columns written without a qualifier
    bool grouping = false;  // bare columns written as their grouping expression
    // A grouped query left-joined on its one free grouping column: not joined, each column read
    // for the row at hand by "(SELECT <name>.<column>" + correlatedFrom.
    QString correlatedFrom;
};

// An emitted expression with what Jet knows of its value.
struct Typed {
    QString sql;
    int type = 0;
    int size = 0;
    bool counter = false;
    QString format;
    bool condition = false;  // an SQLite truth value (1/0), not a Jet value
    bool aggregate = false;
    bool nullLiteral = false;
    bool constant = false;
    double constValue = 0;
    bool storedColumn = false;  // a column of a stored table, as it is
    int source = -1;            // a column as it is: its source
    QString column;             // and its name there
    QString ungrouped;          // a column outside any aggregate and not grouped
};

enum class Clause { Select, Where, On, GroupBy, Having, OrderBy, Criteria, Values };

struct ItemView {
    const Expr* expr = nullptr;
    QString alias;
};

struct Scope {
    std::vector<Source> sources;
    std::vector<ItemView> items;
    std::vector<char> expanding;
    bool aggregateQuery = false;
    QSet<QString> groupSql;
    int aggregateDepth = 0;
    bool allowParameters = true;
    bool namesUngrouped = false;  // a grouping scope met a column that is no grouping expression
    // A grouped query left-joined on its grouping key is read for each row (CorrelatedFrom) when
    // the rows are picked by a condition, or are not grouped and so come one by one; a grouping
    // of every row reads it whole, once, which suits SQLite's sort or a pass in key order.
    bool readPerRow = false;
    bool wholeForPicked = false;  // such a join was read whole here
};

struct SelectResult {
    QString sql;
    std::vector<ResultColumn> columns;
    bool singleTable = false;
    QString itemsSql, fromSql, tailSql;  // tail: WHERE .. ORDER BY .. LIMIT
    QString headSql;                     // SELECT .. FROM ..
    QString whereSql;                    // the WHERE condition alone
    QString groupTailSql;                // a grouped SELECT's tail after its WHERE
    QString pickedHeadSql, pickedWhereSql, pickedGroupTailSql;  // GroupedSelect's form for picked rows
    bool readsPerRow = false, pickedReadsPerRow = false;        // and GroupedSelect's flags
    QString tableFromSql;                // the table with its alias, for the by-key select
    QString rowKey;
};

bool CallsFunction(const Expr& e)
{
    if (e.kind == Expr::Kind::Call)
        return true;
    for (const auto& a : e.args)
        if (CallsFunction(*a))
            return true;
    return false;
}

bool ContainsAggregate(const Expr& e, const SqliteDialect& dialect)
{
    if (e.kind == Expr::Kind::Call && !dialect.Aggregate(e.op).isEmpty())
        return true;
    for (const auto& a : e.args)
        if (ContainsAggregate(*a, dialect))
            return true;
    return false;
}

void Absorb(Typed& into, const Typed& child)
{
    into.aggregate = into.aggregate || child.aggregate;
    if (into.ungrouped.isEmpty())
        into.ungrouped = child.ungrouped;
}

int ArithmeticType(const QString& op, const Typed& l, const Typed& r)
{
    if (op == QLatin1String("+") || op == QLatin1String("-")) {
        const bool ld = IsDateType(l.type), rd = IsDateType(r.type);
        if (ld && rd)
            return op == QLatin1String("-") ? dao::dbDouble : dao::dbDate;
        if (ld || rd)
            return dao::dbDate;
    }
    const int lr = l.nullLiteral ? 0 : Rank(l.type);
    const int rr = r.nullLiteral ? 0 : Rank(r.type);
    return TypeOfRank(std::max(std::max(lr, rr), 1));
}

}  // namespace

struct JetTranslator::Impl {
    Impl(const Catalog& c, const SqliteDialect& d) : catalog(c), dialect(d) {}

    const Catalog& catalog;
    const SqliteDialect& dialect;
    std::vector<Parameter> params;
    std::vector<QString> loading;
    std::map<QString, std::unique_ptr<JetStatement>> queries;
    std::map<QString, SelectResult> translated;
    std::vector<ExprPtr> synthesized;
    // Where literal values of a criteria go to be bound; null: written into the SQL.
    std::vector<TVariant>* bound = nullptr;
    int firstBound = 1;
    int emitDepth = 0;

    // ---- parameters and saved queries ------------------------------------------------------

    void Declare(const std::vector<ParamDecl>& decls)
    {
        for (const ParamDecl& d : decls) {
            bool known = false;
            for (const Parameter& p : params)
                known = known || SameName(p.name, d.name);
            if (!known)
                params.push_back(Parameter{d.name, d.type});
        }
    }

    Typed EmitParameter(const QString& name)
    {
        size_t i = 0;
        while (i < params.size() && !SameName(params[i].name, name))
            ++i;
        if (i == params.size())
            params.push_back(Parameter{name, 0});
        Typed t;
        t.sql = QStringLiteral("?%1").arg(i + 1);
        t.type = params[i].type;
        return t;
    }

    void LoadRef(const TableRef& ref)
    {
        if (ref.isJoin) {
            LoadRef(*ref.left);
            LoadRef(*ref.right);
            return;
        }
        if (catalog.FindTable(ref.name))
            return;
        const QString key = Key(ref.name);
        for (const QString& open : loading)
            if (open == key)
                Raise(dao::errCircularReference, QCoreApplication::translate("Dao", "Circular reference caused by '%1'.").arg(ref.name));
        if (queries.count(key))
            return;
        const std::optional<QString> text = catalog.FindQuery(ref.name);
        if (!text)
            Raise(dao::errCannotOpenTable,
                  QCoreApplication::translate("Dao", "The database engine cannot find the input table or query '%1'. Make sure it "
                                                     "exists and that its name is spelled correctly.")
                      .arg(ref.name));
        auto stmt = std::make_unique<JetStatement>(JetParser(*text).ParseStatement());
        if (stmt->kind != StmtKind::Select)
            Raise(dao::errCannotOpenTable,
                  QCoreApplication::translate("Dao", "The query '%1' is an action query and cannot be read as rows.").arg(ref.name));
        loading.push_back(key);
        Declare(stmt->parameters);
        LoadStatement(*stmt);
        loading.pop_back();
        queries[key] = std::move(stmt);
    }

    void LoadSelect(const SelectStmt& select)
    {
        for (const auto& ref : select.from)
            LoadRef(*ref);
    }

    void LoadStatement(const JetStatement& stmt)
    {
        if (stmt.select)
            LoadSelect(*stmt.select);
    }

    const SelectResult& QueryResult(const QString& name)
    {
        const QString key = Key(name);
        auto found = translated.find(key);
        if (found != translated.end())
            return found->second;
        SelectResult r = TranslateSelect(*queries.at(key)->select);
        return translated.emplace(key, std::move(r)).first->second;
    }

    // ---- names -----------------------------------------------------------------------------

    int FindAlias(const Scope& s, const QString& name) const
    {
        for (size_t i = 0; i < s.items.size(); ++i)
            if (!s.items[i].alias.isEmpty() && SameName(s.items[i].alias, name))
                return int(i);
        return -1;
    }

    Typed EmitAlias(int index, Scope& s)
    {
        if (s.expanding[size_t(index)])
            Raise(dao::errCircularReference,
                  QCoreApplication::translate("Dao", "Circular reference caused by alias '%1' in query definition's SELECT list.")
                      .arg(s.items[size_t(index)].alias));
        s.expanding[size_t(index)] = 1;
        Typed t = EmitValue(*s.items[size_t(index)].expr, s, Clause::Select);
        s.expanding[size_t(index)] = 0;
        t.sql = QLatin1Char('(') + t.sql + u')';
        return t;
    }

    std::optional<Typed> FindColumn(Scope& s, const Expr& e)
    {
        std::optional<Typed> found;
        int matches = 0;
        for (size_t i = 0; i < s.sources.size(); ++i) {
            const Source& src = s.sources[i];
            QString wanted = e.name;
            if (!e.qualifier.isEmpty() && !SameName(src.name, e.qualifier)) {
                if (!src.bare)
                    continue;
                wanted = e.qualifier + u'.' + e.name;  // a result column Jet named "table.column"
            }
            Typed t;
            bool hit = false;
            if (src.table) {
                for (const ColumnInfo& c : src.table->columns) {
                    if (SameName(c.name, wanted)) {
                        t.column = c.name;
                        t.type = c.type;
                        t.size = c.size;
                        t.counter = c.counter;
                        t.format = c.format;
                        t.storedColumn = true;
                        hit = true;
                        break;
                    }
                }
            } else {
                for (int pass = 0; pass < 2 && !hit; ++pass) {
                    for (const ResultColumn& c : src.columns) {
                        if (SameName(c.name, wanted)) {
                            t.column = c.name;
                            t.type = c.type;
                            t.size = c.size;
                            t.counter = c.counter;
                            t.format = c.format;
                            if (src.grouping) {
                                s.namesUngrouped = s.namesUngrouped || c.groupSql.isEmpty();
                                t.storedColumn = true;
                            }
                            hit = true;
                            break;
                        }
                    }
                    if (!src.bare || wanted == e.name)
                        break;
                    wanted = e.name;
                }
            }
            if (!hit)
                continue;
            t.source = int(i);
            t.sql = src.bare ? dialect.QuoteIdentifier(t.column) : src.quoted + u'.' + dialect.QuoteIdentifier(t.column);
            if (src.grouping)
                for (const ResultColumn& c : src.columns)
                    if (SameName(c.name, t.column) && !c.groupSql.isEmpty())
                        t.sql = c.groupSql;
            if (!src.correlatedFrom.isEmpty())
                t.sql = QStringLiteral("(SELECT ") + src.quoted + u'.' + dialect.QuoteIdentifier(t.column) + src.correlatedFrom;
            if (++matches > 1)
                Raise(dao::errAmbiguousField,
                      QCoreApplication::translate("Dao", "The specified field '%1' could refer to more than one table listed in the "
                                                         "FROM clause of your SQL statement.")
                          .arg(ExprText(e)));
            found = t;
        }
        if (found && s.aggregateQuery && s.aggregateDepth == 0 && !s.groupSql.contains(found->sql))
            found->ungrouped = ExprText(e);
        return found;
    }

    Typed EmitName(const Expr& e, Scope& s, Clause c)
    {
        if (c == Clause::Select && e.qualifier.isEmpty())
            if (const int i = FindAlias(s, e.name); i >= 0)
                return EmitAlias(i, s);
        if (auto column = FindColumn(s, e))
            return *column;
        if ((c == Clause::Having || c == Clause::OrderBy) && e.qualifier.isEmpty())
            if (const int i = FindAlias(s, e.name); i >= 0)
                return EmitAlias(i, s);
        if (!s.allowParameters)
            Raise(dao::errUnknownName,
                  QCoreApplication::translate("Dao", "The database engine does not recognize '%1' as a valid field name or expression.")
                      .arg(ExprText(e)));
        return EmitParameter(e.qualifier.isEmpty() ? e.name : e.qualifier + u'.' + e.name);
    }

    // ---- expressions -----------------------------------------------------------------------

    Typed Emit(const Expr& e, Scope& s, Clause c)
    {
        // Aliases expand into the expression that uses them, so the tree the parser bounded
        // can still grow here.
        if (emitDepth >= kMaxExprHeight)
            RaiseTooDeep(e.position);
        ++emitDepth;
        const auto leave = qScopeGuard([this] { --emitDepth; });
        Typed t = EmitNode(e, s, c);
        if (!t.ungrouped.isEmpty() && t.source < 0 && s.groupSql.contains(t.sql))
            t.ungrouped.clear();
        return t;
    }

    Typed EmitValue(const Expr& e, Scope& s, Clause c)
    {
        Typed t = Emit(e, s, c);
        if (t.condition) {
            t.sql = dialect.TruthAsValue(t.sql);
            t.condition = false;
            t.type = dao::dbBoolean;
        }
        return t;
    }

    Typed EmitCondition(const Expr& e, Scope& s, Clause c)
    {
        Typed t = Emit(e, s, c);
        t.condition = true;
        return t;
    }

    Typed EmitNode(const Expr& e, Scope& s, Clause c)
    {
        switch (e.kind) {
        case Expr::Kind::Literal: return EmitLiteral(e);
        case Expr::Kind::Name: return EmitName(e, s, c);
        case Expr::Kind::Star:
            Raise(dao::errSyntax, QCoreApplication::translate("Dao", "Syntax error at position %1 near '*'; expected an expression.")
                                      .arg(e.position));
        case Expr::Kind::Unary: return EmitUnary(e, s, c);
        case Expr::Kind::Binary: return EmitBinary(e, s, c);
        case Expr::Kind::IsNull: {
            Typed v = EmitValue(*e.args[0], s, c);
            Typed t;
            Absorb(t, v);
            t.sql = QStringLiteral("(%1 IS %2NULL)").arg(v.sql, e.negated ? QStringLiteral("NOT ") : QString());
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        case Expr::Kind::Between: {
            Typed v = EmitValue(*e.args[0], s, c);
            Typed lo = EmitValue(*e.args[1], s, c);
            Typed hi = EmitValue(*e.args[2], s, c);
            Typed t;
            Absorb(t, v);
            Absorb(t, lo);
            Absorb(t, hi);
            const QString subject = IsTextType(v.type) ? dialect.WithTextCollation(v.sql) : v.sql;
            t.sql = QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                        .arg(subject, e.negated ? QStringLiteral("NOT ") : QString(), lo.sql, hi.sql);
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        case Expr::Kind::In: {
            Typed v = EmitValue(*e.args[0], s, c);
            Typed t;
            Absorb(t, v);
            QStringList list;
            for (size_t i = 1; i < e.args.size(); ++i) {
                Typed item = EmitValue(*e.args[i], s, c);
                Absorb(t, item);
                list << item.sql;
            }
            const QString subject = IsTextType(v.type) ? dialect.WithTextCollation(v.sql) : v.sql;
            t.sql = QStringLiteral("(%1 %2IN (%3))")
                        .arg(subject, e.negated ? QStringLiteral("NOT ") : QString(), list.join(QStringLiteral(", ")));
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        case Expr::Kind::Call: return EmitCall(e, s, c);
        }
        return Typed{};
    }

    // The literal as a named parameter, when the literals are bound and it is a plain value.
    bool BindLiteral(const Expr& e, Typed& t)
    {
        if (!bound)
            return false;
        TVariant value;
        switch (e.literal) {
        case LiteralKind::Integer: value = TVariant(qint64(e.integer)); break;
        case LiteralKind::Float: value = TVariant(e.number); break;
        case LiteralKind::String: value = TVariant(e.text); break;
        case LiteralKind::Boolean: value = TVariant(qint64(e.integer != 0 ? -1 : 0)); break;
        case LiteralKind::Date: value = TVariant::FromDate(e.number); break;
        default: return false;
        }
        t.sql = dialect.BoundValue(firstBound + int(bound->size()));
        bound->push_back(std::move(value));
        return true;
    }

    // A text the translator made from a literal, bound as the literal would be.
    QString TextValue(const QString& text)
    {
        if (!bound)
            return dialect.TextLiteral(text);
        bound->push_back(TVariant(text));
        return dialect.BoundValue(firstBound + int(bound->size()) - 1);
    }

    Typed EmitLiteral(const Expr& e)
    {
        Typed t = EmitLiteralText(e);
        Typed b = t;
        if (BindLiteral(e, b))
            return b;
        return t;
    }

    Typed EmitLiteralText(const Expr& e)
    {
        Typed t;
        switch (e.literal) {
        case LiteralKind::Null: t.sql = dialect.NullLiteral(); t.nullLiteral = true; break;
        case LiteralKind::Integer:
            t.sql = dialect.IntegerLiteral(e.integer);
            t.type = dao::dbLong;
            t.constant = true;
            t.constValue = double(e.integer);
            break;
        case LiteralKind::Float:
            t.sql = dialect.FloatLiteral(e.number);
            t.type = dao::dbDouble;
            t.constant = true;
            t.constValue = e.number;
            break;
        case LiteralKind::String:
            t.sql = dialect.TextLiteral(e.text);
            t.type = dao::dbText;
            t.size = int(e.text.size());
            break;
        case LiteralKind::Boolean: t.sql = dialect.BooleanLiteral(e.integer != 0); t.type = dao::dbBoolean; break;
        case LiteralKind::Date: t.sql = dialect.DateLiteral(e.number); t.type = dao::dbDate; break;
        case LiteralKind::Guid: t.sql = dialect.GuidLiteral(e.text); t.type = dao::dbGUID; break;
        }
        return t;
    }

    Typed EmitUnary(const Expr& e, Scope& s, Clause c)
    {
        if (e.op == QLatin1String("NOT")) {
            Typed v = EmitCondition(*e.args[0], s, c);
            Typed t;
            Absorb(t, v);
            t.sql = QStringLiteral("(NOT %1)").arg(v.sql);
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        Typed v = EmitValue(*e.args[0], s, c);
        if (e.op == QLatin1String("+"))
            return v;
        Typed t;
        Absorb(t, v);
        // Apart, so that a negative operand never makes "--", which SQLite reads as a comment.
        t.sql = QStringLiteral("(- %1)").arg(v.sql);
        t.type = IsTextType(v.type) || v.type == 0 ? dao::dbDouble : v.type == dao::dbBoolean ? dao::dbInteger : v.type;
        t.constant = v.constant;
        t.constValue = -v.constValue;
        return t;
    }

    Typed EmitBinary(const Expr& e, Scope& s, Clause c)
    {
        const QString& op = e.op;
        Typed t;
        if (op == QLatin1String("AND") || op == QLatin1String("OR") || op == QLatin1String("XOR") ||
            op == QLatin1String("EQV") || op == QLatin1String("IMP")) {
            const Typed l = EmitCondition(*e.args[0], s, c);
            const Typed r = EmitCondition(*e.args[1], s, c);
            Absorb(t, l);
            Absorb(t, r);
            // XOR, EQV and IMP compare truth values, so a Jet value (-1, 5) is first made one.
            const QString lt = IsConditionNode(*e.args[0]) ? l.sql : dialect.ValueAsTruth(l.sql);
            const QString rt = IsConditionNode(*e.args[1]) ? r.sql : dialect.ValueAsTruth(r.sql);
            if (op == QLatin1String("AND") || op == QLatin1String("OR"))
                t.sql = QStringLiteral("(%1 %2 %3)").arg(l.sql, op, r.sql);
            else if (op == QLatin1String("XOR"))
                t.sql = QStringLiteral("(%1 <> %2)").arg(lt, rt);
            else if (op == QLatin1String("EQV"))
                t.sql = QStringLiteral("(%1 = %2)").arg(lt, rt);
            else
                t.sql = QStringLiteral("((NOT %1) OR %2)").arg(lt, rt);
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        Typed l = EmitValue(*e.args[0], s, c);
        Typed r = EmitValue(*e.args[1], s, c);
        Absorb(t, l);
        Absorb(t, r);
        if (op == QLatin1String("LIKE")) {
            t.sql = dialect.Like(l.sql, r.sql);
            if (e.negated)
                t.sql = QStringLiteral("(NOT %1)").arg(t.sql);
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        if (op == QLatin1String("=") || op == QLatin1String("<>") || op == QLatin1String("<") ||
            op == QLatin1String(">") || op == QLatin1String("<=") || op == QLatin1String(">=")) {
            // Text against a number compares as numbers, as Jet converts; a stored text column
            // already brings SQLite's own conversion through its affinity.
            bool lt = IsTextType(l.type), rt = IsTextType(r.type);
            if (lt && IsNumericType(r.type) && !l.storedColumn) {
                l.sql = dialect.ToNumber(l.sql);
                lt = false;
            }
            if (rt && IsNumericType(l.type) && !r.storedColumn) {
                r.sql = dialect.ToNumber(r.sql);
                rt = false;
            }
            const QString left = (lt || rt) ? dialect.WithTextCollation(l.sql) : l.sql;
            t.sql = QStringLiteral("(%1 %2 %3)").arg(left, op, r.sql);
            t.condition = true;
            t.type = dao::dbBoolean;
            return t;
        }
        if (op == QLatin1String("&")) {
            t.sql = dialect.Concat(l.sql, r.sql);
            t.type = dao::dbText;
            t.size = 255;
            return t;
        }
        if (op == QLatin1String("+") && IsTextType(l.type) && IsTextType(r.type)) {
            t.sql = dialect.AddText(l.sql, r.sql);
            t.type = dao::dbText;
            t.size = 255;
            return t;
        }
        if (op == QLatin1String("+") || op == QLatin1String("-") || op == QLatin1String("*")) {
            t.sql = QStringLiteral("(%1 %2 %3)").arg(l.sql, op, r.sql);
            t.type = ArithmeticType(op, l, r);
            return t;
        }
        if (op == QLatin1String("/")) {
            t.sql = dialect.Divide(l.sql, r.sql, r.constant && r.constValue != 0);
            t.type = dao::dbDouble;
            return t;
        }
        if (op == QLatin1String("\\")) {
            t.sql = dialect.IntDivide(l.sql, r.sql);
            t.type = dao::dbLong;
            return t;
        }
        if (op == QLatin1String("MOD")) {
            t.sql = dialect.Modulo(l.sql, r.sql);
            t.type = dao::dbLong;
            return t;
        }
        t.sql = dialect.Power(l.sql, r.sql);
        t.type = dao::dbDouble;
        return t;
    }

    static bool IsConditionNode(const Expr& e)
    {
        switch (e.kind) {
        case Expr::Kind::IsNull: case Expr::Kind::Between: case Expr::Kind::In: return true;
        case Expr::Kind::Unary: return e.op == QLatin1String("NOT");
        case Expr::Kind::Binary:
            return e.op == QLatin1String("AND") || e.op == QLatin1String("OR") || e.op == QLatin1String("XOR") ||
                   e.op == QLatin1String("EQV") || e.op == QLatin1String("IMP") || e.op == QLatin1String("LIKE") ||
                   e.op == QLatin1String("=") || e.op == QLatin1String("<>") || e.op == QLatin1String("<") ||
                   e.op == QLatin1String(">") || e.op == QLatin1String("<=") || e.op == QLatin1String(">=");
        default: return false;
        }
    }

    [[noreturn]] void WrongArguments(const Expr& e) const
    {
        Raise(dao::errSyntax,
              QCoreApplication::translate("Dao", "Wrong number of arguments used with function in query expression '%1' at position %2.")
                  .arg(ExprText(e))
                  .arg(e.position));
    }

    static bool IsTextLiteral(const Expr& e)
    {
        return e.kind == Expr::Kind::Literal && e.literal == LiteralKind::String;
    }

    Typed EmitAggregate(const Expr& e, const QString& function, Scope& s, Clause c)
    {
        if (c == Clause::Where || c == Clause::On || c == Clause::GroupBy || c == Clause::Criteria ||
            c == Clause::Values)
            Raise(dao::errAggregateMisplaced,
                  QCoreApplication::translate("Dao", "Cannot have aggregate function in this clause (%1).").arg(ExprText(e)));
        if (s.aggregateDepth > 0)
            Raise(dao::errAggregateMisplaced,
                  QCoreApplication::translate("Dao", "Cannot have aggregate function in expression (%1).").arg(ExprText(e)));
        if (e.args.size() != 1)
            WrongArguments(e);
        Typed t;
        t.aggregate = true;
        if (e.args[0]->kind == Expr::Kind::Star) {
            if (function != QLatin1String("COUNT"))
                WrongArguments(e);
            t.sql = QStringLiteral("COUNT(*)");
            t.type = dao::dbLong;
            return t;
        }
        ++s.aggregateDepth;
        Typed v = EmitValue(*e.args[0], s, c);
        --s.aggregateDepth;
        t.sql = QStringLiteral("%1(%2)").arg(function, v.sql);
        if (function == QLatin1String("COUNT")) {
            t.type = dao::dbLong;
        } else if (function == QLatin1String("SUM")) {
            const int rank = IsTextType(v.type) || v.type == 0 ? 6 : Rank(v.type);
            t.type = rank <= 3 ? dao::dbLong : rank == 4 ? dao::dbCurrency : dao::dbDouble;
        } else if (function == QLatin1String("AVG")) {
            t.type = v.type == dao::dbCurrency ? dao::dbCurrency : dao::dbDouble;
        } else {
            t.type = v.type;
            t.size = v.size;
            t.format = v.format;
            if (IsTextType(v.type) && !v.storedColumn)
                t.sql = QStringLiteral("%1(%2)").arg(function, dialect.WithTextCollation(v.sql));
        }
        return t;
    }

    Typed EmitCall(const Expr& e, Scope& s, Clause c)
    {
        const QString aggregate = dialect.Aggregate(e.op);
        if (!aggregate.isEmpty())
            return EmitAggregate(e, aggregate, s, c);
        const auto is = [&](const char* name) { return e.op.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
        const size_t n = e.args.size();
        Typed t;
        std::vector<Typed> args;
        const auto values = [&](size_t from) {
            for (size_t i = from; i < n; ++i) {
                args.push_back(EmitValue(*e.args[i], s, c));
                Absorb(t, args.back());
            }
        };
        const auto sqls = [&]() {
            QStringList list;
            for (const Typed& a : args)
                list << a.sql;
            return list;
        };
        if (is("IIf")) {
            if (n != 3)
                WrongArguments(e);
            Typed cond = EmitCondition(*e.args[0], s, c);
            Absorb(t, cond);
            values(1);
            t.sql = dialect.Conditional(cond.sql, args[0].sql, args[1].sql);
            // The result takes the wider of the two branches; a Null branch says nothing.
            const Typed& a = args[0];
            const Typed& b = args[1];
            if (a.nullLiteral) {
                t.type = b.type;
                t.size = b.size;
            } else if (b.nullLiteral || a.type == b.type) {
                t.type = a.type;
                t.size = std::max(a.size, b.size);
            } else if (IsTextType(a.type) || IsTextType(b.type)) {
                t.type = dao::dbText;
                t.size = 255;
            } else {
                t.type = TypeOfRank(std::max(Rank(a.type), Rank(b.type)));
            }
            return t;
        }
        if (is("Nz")) {
            if (n < 1 || n > 2)
                WrongArguments(e);
            values(0);
            const QString fallback = n == 2 ? args[1].sql
                                     : IsTextType(args[0].type) ? dialect.TextLiteral(QString())
                                                                : dialect.IntegerLiteral(0);
            t.sql = dialect.Coalesce(args[0].sql, fallback);
            t.type = args[0].type;
            t.size = args[0].size;
            t.format = args[0].format;
            return t;
        }
        if (is("Format")) {
            if (n < 1 || n > 4)
                WrongArguments(e);
            values(0);
            t.sql = dialect.Call(sqlfn::kFormat, sqls());
            t.type = dao::dbText;
            t.size = 255;
            return t;
        }
        if (is("DateValue")) {
            if (n != 1)
                WrongArguments(e);
            t.type = dao::dbDate;
            if (IsTextLiteral(*e.args[0])) {
                const auto day = DateValueOf(e.args[0]->text);
                if (!day)
                    Raise(dao::errTypeMismatch,
                          QCoreApplication::translate("Dao", "Data type mismatch in criteria expression: '%1' at position %2 is no date.")
                              .arg(e.args[0]->text)
                              .arg(e.args[0]->position));
                t.sql = dialect.DateLiteral(*day);
                return t;
            }
            values(0);
            t.sql = dialect.Call(sqlfn::kDateValue, sqls());
            return t;
        }
        if (is("LCase") || is("UCase")) {
            if (n != 1)
                WrongArguments(e);
            t.type = dao::dbText;
            t.size = 255;
            const bool lower = is("LCase");
            if (IsTextLiteral(*e.args[0])) {
                const QString& text = e.args[0]->text;
                t.sql = TextValue(lower ? text.toLower() : text.toUpper());
                return t;
            }
            values(0);
            t.sql = dialect.Call(lower ? sqlfn::kLCase : sqlfn::kUCase, sqls());
            return t;
        }
        if (is("Now") || is("Date")) {
            if (n != 0)
                WrongArguments(e);
            t.sql = dialect.Call(is("Now") ? sqlfn::kNow : sqlfn::kDate, {});
            t.type = dao::dbDate;
            return t;
        }
        if (is("Year") || is("Month") || is("Day")) {
            if (n != 1)
                WrongArguments(e);
            values(0);
            t.sql = dialect.Call(is("Year") ? sqlfn::kYear : is("Month") ? sqlfn::kMonth : sqlfn::kDay, sqls());
            t.type = dao::dbInteger;
            return t;
        }
        Raise(dao::errUndefinedFunction,
              QCoreApplication::translate("Dao", "Undefined function '%1' in expression at position %2.").arg(e.op).arg(e.position));
    }

    // ---- SELECT ----------------------------------------------------------------------------

    void CollectSources(const TableRef& ref, Scope& s, std::vector<QString>& fromTexts)
    {
        if (ref.isJoin) {
            CollectSources(*ref.left, s, fromTexts);
            CollectSources(*ref.right, s, fromTexts);
            return;
        }
        Source src;
        src.name = ref.alias.isEmpty() ? ref.name : ref.alias;
        if (const TableInfo* table = catalog.FindTable(ref.name)) {
            src.table = table;
            src.name = ref.alias.isEmpty() ? table->name : ref.alias;
            src.quoted = dialect.QuoteIdentifier(src.name);
            fromTexts.push_back(ref.alias.isEmpty() ? src.quoted
                                                    : dialect.QuoteIdentifier(table->name) + QStringLiteral(" AS ") +
                                                          src.quoted);
        } else {
            const SelectResult& q = QueryResult(ref.name);
            src.columns = q.columns;
            src.query = ref.name;
            src.quoted = dialect.QuoteIdentifier(src.name);
            fromTexts.push_back(QStringLiteral("(%1) AS %2").arg(AsSource(q.sql, q.readsPerRow), src.quoted));
        }
        for (const Source& other : s.sources)
            if (SameName(other.name, src.name))
                Raise(dao::errSyntax,
                      QCoreApplication::translate("Dao", "Syntax error at position %1 near '%2'; the source is named twice in the FROM "
                                                         "clause.")
                          .arg(ref.position)
                          .arg(ref.name));
        s.sources.push_back(std::move(src));
    }

    // The terms of a condition joined by AND at its top, in their order.
    static std::vector<const Expr*> Conjuncts(const Expr& condition)
    {
        if (condition.kind == Expr::Kind::Binary && condition.op == QLatin1String("AND")) {
            std::vector<const Expr*> terms = Conjuncts(*condition.args[0]);
            for (const Expr* t : Conjuncts(*condition.args[1]))
                terms.push_back(t);
            return terms;
        }
        return {&condition};
    }

    // The name of a term "name = constant" (either way round), or nullptr.
    static const Expr* PinnedName(const Expr& term)
    {
        if (term.kind != Expr::Kind::Binary || term.op != QLatin1String("=") || term.negated)
            return nullptr;
        for (size_t side = 0; side < 2; ++side) {
            const Expr& name = *term.args[side];
            const Expr& value = *term.args[1 - side];
            if (name.kind == Expr::Kind::Name && value.kind == Expr::Kind::Literal && value.literal != LiteralKind::Null)
                return &name;
        }
        return nullptr;
    }

    // The grouping expression of a saved query's GROUP BY item that no top-level HAVING term
    // "item = constant" fixes; empty unless exactly one is free, so that the query has at most
    // one row for each value of it.
    static const Expr* FreeGroupingItem(const SelectStmt& q)
    {
        if (q.groupBy.empty() || q.top >= 0)
            return nullptr;
        const std::vector<const Expr*> terms = q.having ? Conjuncts(*q.having) : std::vector<const Expr*>{};
        auto fixed = [&](const Expr& g) {
            for (const Expr* t : terms)
                if (const Expr* name = PinnedName(*t); name && SameName(ExprText(*name), ExprText(g)))
                    return true;
            return false;
        };
        const Expr* free = nullptr;
        for (const auto& g : q.groupBy) {
            if (g->kind != Expr::Kind::Name)
                return nullptr;
            if (fixed(*g))
                continue;
            if (free)
                return nullptr;
            free = g.get();
        }
        return free;
    }

    // For "outer LEFT JOIN query ON outer.x = query.k", where the query is grouped with k its
    // one free grouping column: the FROM text that reads the query's row for the outer row at
    // hand, its rows picked by k before they are grouped. Empty when the join is not of that kind.
    QString CorrelatedFrom(const TableRef& ref, Scope& s, size_t queryIndex)
    {
        const TableRef& right = *ref.right;
        const Source& query = s.sources[queryIndex];
        if (ref.join != JoinKind::Left || right.isJoin || query.table || !ref.on || ref.on->kind != Expr::Kind::Binary
            || ref.on->op != QLatin1String("="))
            return QString();
        const auto stored = queries.find(Key(right.name));
        if (stored == queries.end() || !stored->second->select)
            return QString();
        const SelectStmt& q = *stored->second->select;
        const Expr* free = FreeGroupingItem(q);
        if (!free)
            return QString();
        std::optional<Typed> sides[2];
        for (int i = 0; i < 2; ++i) {
            if (ref.on->args[size_t(i)]->kind != Expr::Kind::Name)
                return QString();
            sides[i] = FindColumn(s, *ref.on->args[size_t(i)]);
            if (!sides[i] || IsTextType(sides[i]->type) || sides[i]->type == 0)
                return QString();
        }
        const int inner = sides[0]->source == int(queryIndex) ? 0 : sides[1]->source == int(queryIndex) ? 1 : -1;
        if (inner < 0 || sides[1 - inner]->source >= int(queryIndex))
            return QString();
        const Typed& outer = *sides[1 - inner];
        // The query's column k is its free grouping item as it stands.
        const SelectResult& result = QueryResult(right.name);
        const ResultColumn* k = nullptr;
        for (const ResultColumn& c : result.columns)
            if (SameName(c.name, sides[inner]->column))
                k = &c;
        if (!k || k->groupSql.isEmpty() || result.groupTailSql.isEmpty())
            return QString();
        bool kIsFree = false;
        for (const SelectItem& item : q.items) {
            const QString name = !item.alias.isEmpty() ? item.alias : item.expr->kind == Expr::Kind::Name ? item.expr->name : QString();
            if (SameName(name, k->name))
                kIsFree = SameName(ExprText(*item.expr), ExprText(*free));
        }
        if (!kIsFree)
            return QString();
        // Names of the outer row must not be taken by the query's own sources.
        for (const auto& from : q.from)
            if (SourceNamed(*from, s.sources[size_t(outer.source)].name))
                return QString();
        const GroupedSelect rows = GroupedOf(result).Filtered(QStringLiteral("%1 = %2").arg(k->groupSql, outer.sql));
        return QStringLiteral(" FROM (%1) AS %2)").arg(rows.Sql(), query.quoted);
    }

    static bool SourceNamed(const TableRef& ref, const QString& name)
    {
        if (ref.isJoin)
            return SourceNamed(*ref.left, name) || SourceNamed(*ref.right, name);
        return SameName(ref.alias.isEmpty() ? ref.name : ref.alias, name);
    }

    QString EmitFrom(const TableRef& ref, Scope& s, const std::vector<QString>& fromTexts, size_t& next, bool nested)
    {
        if (!ref.isJoin)
            return fromTexts[next++];
        const QString left = EmitFrom(*ref.left, s, fromTexts, next, true);
        if (!ref.right->isJoin) {
            const QString correlated = CorrelatedFrom(ref, s, next);
            if (!correlated.isEmpty() && s.readPerRow) {
                s.sources[next++].correlatedFrom = correlated;
                return left;
            }
            s.wholeForPicked = s.wholeForPicked || !correlated.isEmpty();
        }
        const QString right = EmitFrom(*ref.right, s, fromTexts, next, true);
        const QString kind = ref.join == JoinKind::Inner  ? QStringLiteral("INNER JOIN")
                             : ref.join == JoinKind::Left ? QStringLiteral("LEFT JOIN")
                                                          : QStringLiteral("RIGHT JOIN");
        const Typed on = EmitCondition(*ref.on, s, Clause::On);
        const QString text = QStringLiteral("%1 %2 %3 ON %4").arg(left, kind, right, on.sql);
        return nested ? QLatin1Char('(') + text + u')' : text;
    }

    // A stored table's counter as it is: one row of that table for each value.
    static bool IsRowKey(const Scope& s, const Typed& t)
    {
        return t.source >= 0 && t.counter && t.storedColumn && s.sources[size_t(t.source)].table;
    }

    // Which sources a join may fill with Nulls, whether any join is a RIGHT JOIN, and the pairs
    // of columns its ON conditions set equal (each as a top-level AND term).
    struct JoinFacts {
        std::vector<char> nullable;
        std::vector<std::pair<Typed, Typed>> equal;
        bool rightJoin = false;
    };

    void CollectJoinFacts(const TableRef& ref, Scope& s, size_t& next, bool nullable, JoinFacts& facts)
    {
        if (!ref.isJoin) {
            facts.nullable[next++] = nullable;
            return;
        }
        facts.rightJoin = facts.rightJoin || ref.join == JoinKind::Right;
        CollectJoinFacts(*ref.left, s, next, nullable, facts);
        CollectJoinFacts(*ref.right, s, next, nullable || ref.join == JoinKind::Left, facts);
        std::vector<const Expr*> pending{ref.on.get()};
        while (!pending.empty()) {
            const Expr* e = pending.back();
            pending.pop_back();
            if (!e || e->kind != Expr::Kind::Binary || e->negated)
                continue;
            if (e->op == QLatin1String("AND")) {
                pending.push_back(e->args[0].get());
                pending.push_back(e->args[1].get());
            } else if (e->op == QLatin1String("=") && e->args[0]->kind == Expr::Kind::Name
                       && e->args[1]->kind == Expr::Kind::Name) {
                const std::optional<Typed> a = FindColumn(s, *e->args[0]);
                const std::optional<Typed> b = FindColumn(s, *e->args[1]);
                if (a && b && a->source >= 0 && b->source >= 0)
                    facts.equal.emplace_back(*a, *b);
            }
        }
    }

    // The facts of the FROM list's joins; nullopt with a RIGHT JOIN, whose left side is the one
    // it may fill with Nulls.
    std::optional<JoinFacts> FactsOfJoins(const SelectStmt& select, Scope& s)
    {
        JoinFacts facts;
        facts.nullable.assign(s.sources.size(), 0);
        size_t next = 0;
        for (const auto& ref : select.from)
            CollectJoinFacts(*ref, s, next, false, facts);
        if (facts.rightJoin || next != s.sources.size())
            return std::nullopt;
        return facts;
    }

    // The grouping items SQLite has to group by. After a stored table's counter, a column of that
    // table, or of a table joined on its own counter to one of those, has one value in each
    // group: grouping by it as well makes the same groups in the same order, and only costs SQLite
    // a sort it could not skip when it reads every row. A statement with a condition of its own
    // keeps them all: the sort they need lets SQLite pick its rows through an index of the
    // condition instead of reading the table in key order.
    QStringList GroupingNeeded(const SelectStmt& select, bool hasWhere, Scope& s, const QStringList& parts,
                               const std::vector<Typed>& typed)
    {
        if (hasWhere)
            return parts;
        const std::optional<JoinFacts> joins = FactsOfJoins(select, s);
        if (!joins)
            return parts;
        const JoinFacts& facts = *joins;
        size_t key = 0;
        while (key < typed.size() && !(IsRowKey(s, typed[key]) && !facts.nullable[size_t(typed[key].source)]))
            ++key;
        if (key == typed.size())
            return parts;
        std::vector<char> fixed(s.sources.size(), 0);
        fixed[size_t(typed[key].source)] = 1;
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& [a, b] : facts.equal) {
                for (const auto& [from, to] : {std::pair{a, b}, std::pair{b, a}}) {
                    if (fixed[size_t(from.source)] && !fixed[size_t(to.source)] && IsRowKey(s, to)) {
                        fixed[size_t(to.source)] = 1;
                        grew = true;
                    }
                }
            }
        }
        QStringList needed = parts.mid(0, qsizetype(key) + 1);
        for (size_t i = key + 1; i < typed.size(); ++i)
            if (!(typed[i].source >= 0 && typed[i].storedColumn && s.sources[size_t(typed[i].source)].table
                  && fixed[size_t(typed[i].source)]))
                needed << parts[qsizetype(i)];
        return needed;
    }

    // A HAVING term "grouping column = constant" keeps the groups of the rows it keeps: it goes
    // into the WHERE terms, so that SQLite groups only those rows, and the column leaves the
    // grouping while another stays, as it has one value in all of them. SQLite would otherwise
    // sort every row by it, which a correlated read of the query pays for each outer row.
    void PinGroupsByRows(std::vector<const Expr*>& havingTerms, Scope& s, QStringList& whereTerms,
                         QStringList& groupParts, std::vector<Typed>& groupTyped)
    {
        for (auto term = havingTerms.begin(); term != havingTerms.end();) {
            const Expr* name = PinnedName(**term);
            const std::optional<Typed> column = name ? FindColumn(s, *name) : std::nullopt;
            const qsizetype at = column ? groupParts.indexOf(column->sql) : -1;
            if (at < 0) {
                ++term;
                continue;
            }
            whereTerms << EmitCondition(**term, s, Clause::Where).sql;
            if (groupParts.size() > 1) {
                groupParts.removeAt(at);
                groupTyped.erase(groupTyped.begin() + at);
            }
            term = havingTerms.erase(term);
        }
    }

    static GroupedSelect GroupedOf(const SelectResult& r)
    {
        return GroupedSelect{r.headSql,        r.whereSql,      r.groupTailSql,  r.pickedHeadSql,
                             r.pickedWhereSql, r.pickedGroupTailSql, r.readsPerRow, r.pickedReadsPerRow};
    }

    // A saved query's text in a FROM list; one whose aggregates read another query for each row
    // is fenced, the conditions it can take being pushed into it before (PushIntoGroupedQueries).
    QString AsSource(const QString& sql, bool readsPerRow) const { return readsPerRow ? dialect.Fenced(sql) : sql; }

    static void CollectNames(const Expr& e, std::vector<const Expr*>& names)
    {
        if (e.kind == Expr::Kind::Name)
            names.push_back(&e);
        for (const auto& a : e.args)
            CollectNames(*a, names);
    }

    // The source whose grouping columns alone (beside parameters) a WHERE term names, when that
    // source is a grouped saved query no join fills with Nulls; -1 otherwise.
    int GroupedSourceOfTerm(const Expr& term, Scope& s, const std::vector<char>& nullable)
    {
        if (CallsFunction(term))
            return -1;
        std::vector<const Expr*> names;
        CollectNames(term, names);
        int target = -1;
        for (const Expr* name : names) {
            const std::optional<Typed> column = FindColumn(s, *name);
            if (!column)
                continue;  // a parameter
            const Source& src = s.sources[size_t(column->source)];
            bool grouping = false;
            for (const ResultColumn& c : src.columns)
                grouping = grouping || (SameName(c.name, column->column) && !c.groupSql.isEmpty());
            if (src.query.isEmpty() || nullable[size_t(column->source)] || !grouping
                || (target >= 0 && target != column->source))
                return -1;
            target = column->source;
        }
        return target;
    }

    // A WHERE term on grouping columns of a grouped saved query read in the FROM list keeps the
    // rows of the groups it keeps, so it is applied to the query's rows before they are grouped
    // as well (with the same collation), and SQLite reads only those rows through its indexes;
    // SQLite cannot push it there itself, the grouping being reduced to the key. The term stays
    // in the WHERE too. A query that a join may fill with Nulls takes none: its missing groups
    // would come back as Nulls that the term may keep.
    void PushIntoGroupedQueries(const SelectStmt& select, Scope& s, std::vector<QString>& fromTexts)
    {
        const std::optional<JoinFacts> joins = FactsOfJoins(select, s);
        if (!joins)
            return;
        std::map<int, QStringList> pushed;
        for (const Expr* term : Conjuncts(*select.where)) {
            const int target = GroupedSourceOfTerm(*term, s, joins->nullable);
            if (target < 0)
                continue;
            Scope grouped;
            grouped.sources.push_back(s.sources[size_t(target)]);
            grouped.sources[0].grouping = true;
            pushed[target] << EmitCondition(*term, grouped, Clause::Where).sql;
        }
        for (const auto& [target, terms] : pushed) {
            const Source& src = s.sources[size_t(target)];
            const GroupedSelect rows = GroupedOf(QueryResult(src.query)).Filtered(
                terms.size() == 1 ? terms[0] : u'(' + terms.join(QStringLiteral(") AND (")) + u')');
            fromTexts[size_t(target)] = QStringLiteral("(%1) AS %2").arg(AsSource(rows.Sql(), rows.readsPerRow), src.quoted);
        }
    }

    void ExpandItems(const SelectStmt& select, Scope& s)
    {
        for (const SelectItem& item : select.items) {
            if (item.expr->kind != Expr::Kind::Star) {
                s.items.push_back(ItemView{item.expr.get(), item.alias});
                continue;
            }
            bool any = false;
            for (const Source& src : s.sources) {
                if (!item.expr->qualifier.isEmpty() && !SameName(src.name, item.expr->qualifier))
                    continue;
                any = true;
                QStringList names;
                if (src.table)
                    for (const ColumnInfo& c : src.table->columns)
                        names << c.name;
                else
                    for (const ResultColumn& c : src.columns)
                        names << c.name;
                for (const QString& name : names) {
                    auto e = std::make_unique<Expr>();
                    e->kind = Expr::Kind::Name;
                    e->position = item.expr->position;
                    e->qualifier = src.name;
                    e->name = name;
                    s.items.push_back(ItemView{e.get(), QString()});
                    synthesized.push_back(std::move(e));
                }
            }
            if (!any)
                Raise(dao::errUnknownName,
                      QCoreApplication::translate("Dao", "The database engine does not recognize '%1' as a valid field name or expression.")
                          .arg(ExprText(*item.expr)));
        }
        s.expanding.assign(s.items.size(), 0);
    }

    void CheckGrouped(const Typed& t) const
    {
        if (!t.ungrouped.isEmpty())
            Raise(dao::errNotInAggregate,
                  QCoreApplication::translate("Dao", "You tried to execute a query that does not include the specified expression '%1' "
                                                     "as part of an aggregate function.")
                      .arg(t.ungrouped));
    }

    SelectResult TranslateSelect(const SelectStmt& select, bool pickRows = false)
    {
        Scope s;
        SelectResult r;
        std::vector<QString> fromTexts;
        for (const auto& ref : select.from)
            CollectSources(*ref, s, fromTexts);
        ExpandItems(select, s);
        s.aggregateQuery = !select.groupBy.empty() || (select.having && ContainsAggregate(*select.having, dialect));
        for (const ItemView& item : s.items)
            s.aggregateQuery = s.aggregateQuery || ContainsAggregate(*item.expr, dialect);
        s.readPerRow = pickRows || select.where || !s.aggregateQuery;
        // DISTINCTROW keeps one row per row of the tables read: that is every row of a single
        // table and every group of a grouped query; over a join it would need the rows' keys,
        // which this dialect does not carry, so it is refused rather than run as something else.
        if (select.distinctRow && !s.aggregateQuery && s.sources.size() > 1)
            Raise(dao::errOperationNotSupported,
                  QCoreApplication::translate("Dao", "DISTINCTROW over more than one table without GROUP BY is not supported."));

        if (select.where)
            PushIntoGroupedQueries(select, s, fromTexts);

        QStringList fromParts;
        size_t next = 0;
        for (const auto& ref : select.from)
            fromParts << EmitFrom(*ref, s, fromTexts, next, false);
        r.fromSql = fromParts.join(QStringLiteral(", "));

        QStringList groupParts;
        std::vector<Typed> groupTyped;
        for (const auto& g : select.groupBy) {
            const Typed t = EmitValue(*g, s, Clause::GroupBy);
            groupParts << t.sql;
            groupTyped.push_back(t);
            s.groupSql.insert(t.sql);
        }

        QStringList itemParts;
        int unnamed = 0;
        std::vector<Typed> typed;
        for (size_t i = 0; i < s.items.size(); ++i) {
            s.expanding.assign(s.items.size(), 0);
            s.expanding[i] = s.items[i].alias.isEmpty() ? 0 : 1;
            Typed t = EmitValue(*s.items[i].expr, s, Clause::Select);
            s.expanding[i] = 0;
            if (s.aggregateQuery)
                CheckGrouped(t);
            ResultColumn col;
            if (!s.items[i].alias.isEmpty())
                col.name = s.items[i].alias;
            else if (s.items[i].expr->kind == Expr::Kind::Name && t.source >= 0)
                col.name = t.column;
            else
                col.name = QStringLiteral("Expr%1").arg(1000 + unnamed++);
            col.type = t.type ? t.type : dao::dbText;
            col.size = t.type ? t.size : 255;
            col.counter = t.counter && s.items[i].expr->kind == Expr::Kind::Name;
            col.format = s.items[i].expr->kind == Expr::Kind::Name ? t.format : QString();
            r.columns.push_back(col);
            typed.push_back(t);
        }
        // Two plain columns of one name are told apart by their source, as Jet names them.
        for (size_t i = 0; i < r.columns.size(); ++i) {
            bool clash = false;
            for (size_t j = 0; j < r.columns.size(); ++j)
                clash = clash || (i != j && SameName(r.columns[i].name, r.columns[j].name));
            if (clash && s.items[i].alias.isEmpty() && typed[i].source >= 0)
                r.columns[i].name = s.sources[size_t(typed[i].source)].name + u'.' + typed[i].column;
        }
        for (size_t i = 0; i < r.columns.size(); ++i) {
            itemParts << typed[i].sql + QStringLiteral(" AS ") + dialect.QuoteIdentifier(r.columns[i].name);
            if (s.aggregateQuery && select.top < 0 && typed[i].source >= 0 && !typed[i].aggregate
                && s.groupSql.contains(typed[i].sql))
                r.columns[i].groupSql = typed[i].sql;
        }
        r.itemsSql = itemParts.join(QStringLiteral(", "));

        QStringList whereTerms;
        if (select.where)
            whereTerms << EmitCondition(*select.where, s, Clause::Where).sql;
        std::vector<const Expr*> havingTerms = select.having ? Conjuncts(*select.having) : std::vector<const Expr*>{};
        const size_t havingTermCount = havingTerms.size();
        if (select.top < 0)
            PinGroupsByRows(havingTerms, s, whereTerms, groupParts, groupTyped);

        QString tail;
        if (!whereTerms.isEmpty()) {
            r.whereSql = whereTerms.size() == 1 ? whereTerms[0] : u'(' + whereTerms.join(QStringLiteral(") AND (")) + u')';
            tail += QStringLiteral(" WHERE ") + r.whereSql;
        }
        const qsizetype groupTailAt = tail.size();
        QString groupBy, pickedGroupBy;
        if (!groupParts.isEmpty()) {
            groupBy = QStringLiteral(" GROUP BY ")
                      + GroupingNeeded(select, !whereTerms.isEmpty(), s, groupParts, groupTyped).join(QStringLiteral(", "));
            pickedGroupBy = QStringLiteral(" GROUP BY ") + groupParts.join(QStringLiteral(", "));
        }
        tail += groupBy;
        if (havingTerms.size() == havingTermCount && select.having) {
            const Typed h = EmitCondition(*select.having, s, Clause::Having);
            CheckGrouped(h);
            tail += QStringLiteral(" HAVING ") + h.sql;
        } else if (!havingTerms.empty()) {
            QStringList parts;
            for (const Expr* term : havingTerms) {
                const Typed h = EmitCondition(*term, s, Clause::Having);
                CheckGrouped(h);
                parts << h.sql;
            }
            tail += QStringLiteral(" HAVING ") + (parts.size() == 1 ? parts[0] : u'(' + parts.join(QStringLiteral(") AND (")) + u')');
        }
        if (!select.orderBy.empty()) {
            QStringList parts;
            for (const OrderItem& o : select.orderBy) {
                const Typed t = EmitValue(*o.expr, s, Clause::OrderBy);
                if (s.aggregateQuery)
                    CheckGrouped(t);
                QString part = IsTextType(t.type) && !t.storedColumn ? dialect.WithTextCollation(t.sql) : t.sql;
                if (o.descending)
                    part += QStringLiteral(" DESC");
                parts << part;
            }
            tail += QStringLiteral(" ORDER BY ") + parts.join(QStringLiteral(", "));
        }
        if (select.top >= 0) {
            // Jet's TOP keeps every row that ties with the last one in the order; a plain row
            // limit would drop some of them, so only an unordered TOP is taken.
            if (!select.orderBy.empty())
                Raise(dao::errOperationNotSupported,
                      QCoreApplication::translate("Dao", "TOP together with ORDER BY is not supported."));
            tail += dialect.Limit(select.top);
        }
        r.tailSql = tail;
        if (s.aggregateQuery && select.top < 0) {
            r.groupTailSql = tail.mid(groupTailAt);
            r.pickedGroupTailSql = pickedGroupBy + tail.mid(groupTailAt + groupBy.size());
        }

        r.sql = QStringLiteral("SELECT ") + (select.distinct ? QStringLiteral("DISTINCT ") : QString()) + r.itemsSql;
        if (!r.fromSql.isEmpty())
            r.sql += QStringLiteral(" FROM ") + r.fromSql;
        r.headSql = r.sql;
        r.sql += tail;

        bool perRow = false;
        for (const Source& src : s.sources)
            perRow = perRow || !src.correlatedFrom.isEmpty();
        r.readsPerRow = r.pickedReadsPerRow = perRow && !r.groupTailSql.isEmpty();
        if (!r.groupTailSql.isEmpty()) {
            if (s.wholeForPicked) {
                const SelectResult picked = TranslateSelect(select, true);
                r.pickedHeadSql = picked.headSql;
                r.pickedWhereSql = picked.whereSql;
                r.pickedGroupTailSql = picked.pickedGroupTailSql;
                r.pickedReadsPerRow = picked.readsPerRow;
            } else {
                r.pickedHeadSql = r.headSql;
                r.pickedWhereSql = r.whereSql;
            }
        }

        r.singleTable = select.from.size() == 1 && !select.from[0]->isJoin && s.sources.size() == 1 &&
                        s.sources[0].table && !s.aggregateQuery && !select.distinct;
        if (r.singleTable) {
            r.tableFromSql = fromTexts[0];
            r.rowKey = dialect.RowKey(s.sources[0].quoted);
            for (size_t i = 0; i < r.columns.size(); ++i) {
                const Typed& t = typed[i];
                if (s.items[i].expr->kind == Expr::Kind::Name && t.storedColumn && !t.counter) {
                    r.columns[i].updatable = true;
                    r.columns[i].baseColumn = t.column;
                }
            }
        }
        return r;
    }

    // ---- action statements -----------------------------------------------------------------

    const TableInfo& TargetTable(const TableRef& ref) const
    {
        if (const TableInfo* table = catalog.FindTable(ref.name))
            return *table;
        if (catalog.FindQuery(ref.name))
            Raise(dao::errNotUpdatable, QCoreApplication::translate("Dao", "Operation must use an updatable query."));
        Raise(dao::errCannotOpenTable,
              QCoreApplication::translate("Dao", "The database engine cannot find the input table or query '%1'. Make sure it exists and "
                                                 "that its name is spelled correctly.")
                  .arg(ref.name));
    }

    Scope TableScope(const TableRef& ref, const TableInfo& table, QString& fromText) const
    {
        Scope s;
        Source src;
        src.table = &table;
        src.name = ref.alias.isEmpty() ? table.name : ref.alias;
        src.quoted = dialect.QuoteIdentifier(src.name);
        fromText = ref.alias.isEmpty() ? src.quoted
                                       : dialect.QuoteIdentifier(table.name) + QStringLiteral(" AS ") + src.quoted;
        s.sources.push_back(src);
        return s;
    }

    const ColumnInfo& TargetColumn(const TableInfo& table, const Expr& name, int error) const
    {
        for (const ColumnInfo& c : table.columns)
            if (SameName(c.name, name.name))
                return c;
        if (error == dao::errUnknownInsertField)
            Raise(error, QCoreApplication::translate("Dao", "The INSERT INTO statement contains the following unknown field name: '%1'.")
                             .arg(name.name));
        Raise(error, QCoreApplication::translate("Dao", "The database engine does not recognize '%1' as a valid field name or expression.")
                         .arg(ExprText(name)));
    }

    QString TranslateDelete(const JetStatement& stmt)
    {
        const TableInfo& table = TargetTable(*stmt.table);
        QString from;
        Scope s = TableScope(*stmt.table, table, from);
        QString sql = QStringLiteral("DELETE FROM ") + from;
        if (stmt.where)
            sql += QStringLiteral(" WHERE ") + EmitCondition(*stmt.where, s, Clause::Where).sql;
        return sql;
    }

    QString TranslateUpdate(const JetStatement& stmt)
    {
        const TableInfo& table = TargetTable(*stmt.table);
        QString from;
        Scope s = TableScope(*stmt.table, table, from);
        QStringList sets;
        for (const Assignment& a : stmt.assignments) {
            const ColumnInfo& column = TargetColumn(table, *a.target, dao::errUnknownName);
            sets << dialect.QuoteIdentifier(column.name) + QStringLiteral(" = ") +
                        EmitValue(*a.value, s, Clause::Values).sql;
        }
        QString sql = QStringLiteral("UPDATE ") + from + QStringLiteral(" SET ") + sets.join(QStringLiteral(", "));
        if (stmt.where)
            sql += QStringLiteral(" WHERE ") + EmitCondition(*stmt.where, s, Clause::Where).sql;
        return sql;
    }

    QString TranslateInsert(const JetStatement& stmt)
    {
        const TableInfo& table = TargetTable(*stmt.table);
        QStringList targets;
        for (const auto& c : stmt.columns)
            targets << dialect.QuoteIdentifier(TargetColumn(table, *c, dao::errUnknownInsertField).name);
        QString body;
        if (stmt.select) {
            const SelectResult r = TranslateSelect(*stmt.select);
            if (targets.isEmpty()) {  // Jet appends by name
                for (const ResultColumn& c : r.columns) {
                    Expr name;
                    name.name = c.name;
                    targets << dialect.QuoteIdentifier(TargetColumn(table, name, dao::errUnknownInsertField).name);
                }
            }
            if (targets.size() != qsizetype(r.columns.size()))
                Raise(dao::errValueCount, QCoreApplication::translate("Dao", "Number of query values and destination fields are not the same."));
            body = r.sql;
        } else {
            if (targets.isEmpty())
                for (const ColumnInfo& c : table.columns)
                    targets << dialect.QuoteIdentifier(c.name);
            if (targets.size() != qsizetype(stmt.values.size()))
                Raise(dao::errValueCount, QCoreApplication::translate("Dao", "Number of query values and destination fields are not the same."));
            Scope none;
            QStringList values;
            for (const auto& v : stmt.values)
                values << EmitValue(*v, none, Clause::Values).sql;
            body = QStringLiteral("VALUES (") + values.join(QStringLiteral(", ")) + u')';
        }
        return QStringLiteral("INSERT INTO %1 (%2) %3")
            .arg(dialect.QuoteIdentifier(table.name), targets.join(QStringLiteral(", ")), body);
    }

    // ---- filters ---------------------------------------------------------------------------

    Scope ColumnsScope(const std::vector<ResultColumn>& columns) const
    {
        Scope s;
        Source src;
        src.bare = true;
        src.columns = columns;
        s.sources.push_back(src);
        s.allowParameters = false;
        return s;
    }
};

JetTranslator::JetTranslator(const Catalog& catalog, const SqliteDialect& dialect)
    : impl_(std::make_unique<Impl>(catalog, dialect))
{
}

JetTranslator::~JetTranslator() = default;

Statement JetTranslator::Translate(const QString& jetText)
{
    Impl& m = *impl_;
    const JetStatement stmt = JetParser(jetText).ParseStatement();
    m.Declare(stmt.parameters);
    m.LoadStatement(stmt);
    Statement out;
    switch (stmt.kind) {
    case StmtKind::Select: {
        const SelectResult r = m.TranslateSelect(*stmt.select);
        out.kind = StatementKind::Select;
        out.sql = r.sql;
        out.columns = r.columns;
        if (!r.groupTailSql.isEmpty())
            out.grouped = Impl::GroupedOf(r);
        if (r.singleTable) {
            out.baseTable = m.catalog.FindTable(stmt.select->from[0]->name)->name;
            out.keyedSql = QStringLiteral("SELECT %1, %2 FROM %3%4").arg(r.rowKey, r.itemsSql, r.fromSql, r.tailSql);
            out.rowByKeySql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?%4")
                                  .arg(r.itemsSql, r.tableFromSql, r.rowKey)
                                  .arg(m.params.size() + 1);
            out.rowsByKeySql = QStringLiteral("SELECT %1, %2 FROM %3").arg(r.rowKey, r.itemsSql, r.tableFromSql);
            out.rowKeySql = r.rowKey;
        }
        break;
    }
    case StmtKind::Delete:
        out.kind = StatementKind::Delete;
        out.sql = m.TranslateDelete(stmt);
        break;
    case StmtKind::Update:
        out.kind = StatementKind::Update;
        out.sql = m.TranslateUpdate(stmt);
        break;
    case StmtKind::Insert:
        out.kind = StatementKind::Insert;
        out.sql = m.TranslateInsert(stmt);
        break;
    }
    out.parameters = m.params;
    return out;
}

QString JetTranslator::Criteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                                std::vector<TVariant>* bound, int firstBound)
{
    const ExprPtr e = JetParser(jetCriteria).ParseCriteria();
    Scope s = impl_->ColumnsScope(columns);
    impl_->bound = bound;
    impl_->firstBound = firstBound;
    const QString sql = impl_->EmitCondition(*e, s, Clause::Criteria).sql;
    impl_->bound = nullptr;
    return sql;
}

std::optional<QString> JetTranslator::GroupCriteria(const QString& jetCriteria, const std::vector<ResultColumn>& columns,
                                                    std::vector<TVariant>& bound, int firstBound)
{
    const ExprPtr e = JetParser(jetCriteria).ParseCriteria();
    if (CallsFunction(*e))
        return std::nullopt;
    Scope s = impl_->ColumnsScope(columns);
    s.sources[0].grouping = true;
    impl_->bound = &bound;
    impl_->firstBound = firstBound;
    QString sql;
    try {
        sql = impl_->EmitCondition(*e, s, Clause::Criteria).sql;
    } catch (...) {
        impl_->bound = nullptr;
        throw;
    }
    impl_->bound = nullptr;
    if (s.namesUngrouped)
        return std::nullopt;
    return sql;
}

QString JetTranslator::Sort(const QString& jetSort, const std::vector<ResultColumn>& columns)
{
    const std::vector<OrderItem> items = JetParser(jetSort).ParseSortList();
    Scope s = impl_->ColumnsScope(columns);
    QStringList parts;
    for (const OrderItem& o : items) {
        const Typed t = impl_->EmitValue(*o.expr, s, Clause::Criteria);
        QString part = IsTextType(t.type) ? impl_->dialect.WithTextCollation(t.sql) : t.sql;
        if (o.descending)
            part += QStringLiteral(" DESC");
        parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace jet
