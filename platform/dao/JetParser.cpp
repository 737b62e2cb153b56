#include "platform/dao/JetParser.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/toolkit/DateTime.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>

namespace jet {

namespace {

// Words that end an expression or a list where a name could otherwise stand.
const char* const kReserved[] = {"SELECT", "FROM",  "WHERE",   "GROUP",  "HAVING", "ORDER", "BY",    "AS",
                                 "ON",     "AND",   "OR",      "NOT",    "XOR",    "EQV",   "IMP",   "MOD",
                                 "LIKE",   "IS",    "BETWEEN", "IN",     "INNER",  "LEFT",  "RIGHT", "OUTER",
                                 "JOIN",   "UNION", "SET",     "VALUES", "INTO",   "ASC",   "DESC"};

bool IsReservedWord(const QString& word)
{
    for (const char* r : kReserved)
        if (word.compare(QLatin1String(r), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Parentheses add no level to the tree but one descent each through every precedence level;
// both are bounded, so that hostile text is refused before it can exhaust the stack.
constexpr int kMaxNesting = 256;

// Takes the node's height from its operands, refusing a tree grown too deep.
void Measure(Expr& e)
{
    int below = 0;
    for (const ExprPtr& a : e.args)
        below = std::max(below, a->height);
    e.height = below + 1;
    if (e.height > kMaxExprHeight)
        RaiseTooDeep(e.position);
}

ExprPtr MakeNode(Expr::Kind kind, int position)
{
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->position = position;
    return e;
}

ExprPtr MakeBinary(const QString& op, ExprPtr left, ExprPtr right)
{
    auto e = MakeNode(Expr::Kind::Binary, left->position);
    e->op = op;
    e->args.push_back(std::move(left));
    e->args.push_back(std::move(right));
    Measure(*e);
    return e;
}

ExprPtr MakeUnary(const QString& op, ExprPtr operand, int position)
{
    auto e = MakeNode(Expr::Kind::Unary, position);
    e->op = op;
    e->args.push_back(std::move(operand));
    Measure(*e);
    return e;
}

QString TokenDisplay(const Token& t)
{
    switch (t.kind) {
    case TokenKind::End: return QStringLiteral("end of statement");
    case TokenKind::QuotedName: return QLatin1Char('[') + t.text + u']';
    case TokenKind::String: return QLatin1Char('\'') + t.text + u'\'';
    case TokenKind::Date: return QLatin1Char('#') + t.text + u'#';
    case TokenKind::Guid: return QStringLiteral("{guid %1}").arg(t.text);
    default: return t.text;
    }
}

// Two-digit years: 00..29 are this century, 30..99 the last, as Jet reads them.
int FullYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<double> TimeValue(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*(AM|PM)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString half = m.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = (hour % 12) + (half == QLatin1String("PM") ? 12 : 0);
    }
    TDateTime value = 0;
    if (!TryEncodeTime(hour, minute, second, 0, value))
        return std::nullopt;
    return value;
}

}  // namespace

JetParser::JetParser(const QString& text) : tokens_(JetLexer(text).Tokenize()) {}

std::optional<double> JetParser::DateLiteralValue(const QString& raw)
{
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{1,4})(?:\\s+(.*))?$"));
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:\\s+(.*))?$"));
    const QString text = raw.trimmed();
    int year = 0, month = 0, day = 0;
    QString rest;
    if (auto m = mdy.match(text); m.hasMatch()) {
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = FullYear(m.captured(3).toInt(), int(m.captured(3).size()));
        rest = m.captured(4);
    } else if (auto m2 = ymd.match(text); m2.hasMatch()) {
        year = m2.captured(1).toInt();
        month = m2.captured(2).toInt();
        day = m2.captured(3).toInt();
        rest = m2.captured(4);
    } else {
        return TimeValue(text);
    }
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        return std::nullopt;
    if (rest.trimmed().isEmpty())
        return date;
    const auto time = TimeValue(rest);
    if (!time)
        return std::nullopt;
    return date < 0 ? date - *time : date + *time;
}

int JetParser::ParameterTypeByName(const QString& typeName)
{
    static const struct {
        const char* name;
        int type;
    } kTypes[] = {{"BIT", dao::dbBoolean},        {"YESNO", dao::dbBoolean},      {"LOGICAL", dao::dbBoolean},
                  {"BOOLEAN", dao::dbBoolean},    {"BYTE", dao::dbByte},          {"TINYINT", dao::dbByte},
                  {"SHORT", dao::dbInteger},      {"SMALLINT", dao::dbInteger},   {"INTEGER2", dao::dbInteger},
                  {"LONG", dao::dbLong},          {"INT", dao::dbLong},           {"INTEGER", dao::dbLong},
                  {"INTEGER4", dao::dbLong},      {"COUNTER", dao::dbLong},       {"CURRENCY", dao::dbCurrency},
                  {"MONEY", dao::dbCurrency},     {"IEEESINGLE", dao::dbSingle},  {"SINGLE", dao::dbSingle},
                  {"REAL", dao::dbSingle},        {"FLOAT4", dao::dbSingle},      {"IEEEDOUBLE", dao::dbDouble},
                  {"DOUBLE", dao::dbDouble},      {"FLOAT", dao::dbDouble},       {"FLOAT8", dao::dbDouble},
                  {"NUMBER", dao::dbDouble},      {"NUMERIC", dao::dbDouble},     {"DATETIME", dao::dbDate},
                  {"DATE", dao::dbDate},          {"TIME", dao::dbDate},          {"TIMESTAMP", dao::dbDate},
                  {"TEXT", dao::dbText},          {"CHAR", dao::dbText},          {"VARCHAR", dao::dbText},
                  {"STRING", dao::dbText},        {"ALPHANUMERIC", dao::dbText},  {"VALUE", dao::dbText},
                  {"MEMO", dao::dbMemo},          {"LONGTEXT", dao::dbMemo},      {"BINARY", dao::dbBinary},
                  {"VARBINARY", dao::dbBinary},   {"LONGBINARY", dao::dbLongBinary}, {"OLEOBJECT", dao::dbLongBinary},
                  {"GUID", dao::dbGUID},          {"DECIMAL", dao::dbDecimal}};
    for (const auto& t : kTypes)
        if (typeName.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return t.type;
    return 0;
}

// ---- token access -------------------------------------------------------------------------

const Token& JetParser::Peek(int ahead) const
{
    const size_t i = std::min(at_ + size_t(ahead), tokens_.size() - 1);
    return tokens_[i];
}

Token JetParser::Take()
{
    Token t = Peek();
    if (at_ < tokens_.size() - 1)
        ++at_;
    return t;
}

bool JetParser::IsKeyword(const Token& t, const char* word) const
{
    return t.kind == TokenKind::Name && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool JetParser::AcceptKeyword(const char* word)
{
    if (!AtKeyword(word))
        return false;
    Take();
    return true;
}

void JetParser::ExpectKeyword(const char* word)
{
    if (!AcceptKeyword(word))
        Fail(Peek(), QString::fromLatin1(word));
}

bool JetParser::AtSymbol(const char* symbol, int ahead) const
{
    const Token& t = Peek(ahead);
    return t.kind == TokenKind::Symbol && t.text == QLatin1String(symbol);
}

bool JetParser::AcceptSymbol(const char* symbol)
{
    if (!AtSymbol(symbol))
        return false;
    Take();
    return true;
}

void JetParser::ExpectSymbol(const char* symbol)
{
    if (!AcceptSymbol(symbol))
        Fail(Peek(), QLatin1Char('\'') + QString::fromLatin1(symbol) + u'\'');
}

bool JetParser::AtName() const
{
    const Token& t = Peek();
    return t.kind == TokenKind::QuotedName || (t.kind == TokenKind::Name && !IsReservedWord(t.text));
}

QString JetParser::ExpectName(const char* what)
{
    if (!AtName())
        Fail(Peek(), QString::fromLatin1(what));
    return Take().text;
}

void JetParser::ExpectEnd()
{
    AcceptSymbol(";");
    if (Peek().kind != TokenKind::End)
        Fail(Peek(), QStringLiteral("end of statement"));
}

void JetParser::Fail(const Token& at, const QString& expected) const
{
    throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Syntax error at position %1 near '%2'; expected %3.")
                                        .arg(at.position)
                                        .arg(TokenDisplay(at), expected));
}

JetParser::Nesting::Nesting(JetParser& parser) : parser_(parser)
{
    if (++parser_.nesting_ > kMaxNesting) {
        --parser_.nesting_;
        throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Expression too complex at position %1: more than %2 levels of "
                                                                           "parentheses, signs or NOT.")
                                            .arg(parser_.Peek().position)
                                            .arg(kMaxNesting));
    }
}

JetParser::Nesting::~Nesting() { --parser_.nesting_; }

// ---- statements ---------------------------------------------------------------------------

JetStatement JetParser::ParseStatement()
{
    JetStatement stmt;
    if (AtKeyword("PARAMETERS"))
        ParseParameters(stmt);
    if (AtKeyword("SELECT")) {
        stmt.kind = StmtKind::Select;
        stmt.select = ParseSelect();
    } else if (AtKeyword("DELETE")) {
        ParseDelete(stmt);
    } else if (AtKeyword("UPDATE")) {
        ParseUpdate(stmt);
    } else if (AtKeyword("INSERT")) {
        ParseInsert(stmt);
    } else {
        Fail(Peek(), QStringLiteral("SELECT, DELETE, UPDATE or INSERT"));
    }
    ExpectEnd();
    return stmt;
}

ExprPtr JetParser::ParseCriteria()
{
    ExprPtr e = ParseExpr();
    if (Peek().kind != TokenKind::End)
        Fail(Peek(), QStringLiteral("end of expression"));
    return e;
}

std::vector<OrderItem> JetParser::ParseSortList()
{
    std::vector<OrderItem> items = ParseOrderList();
    if (Peek().kind != TokenKind::End)
        Fail(Peek(), QStringLiteral("end of sort list"));
    return items;
}

void JetParser::ParseParameters(JetStatement& stmt)
{
    Take();  // PARAMETERS
    do {
        ParamDecl decl;
        decl.position = Peek().position;
        if (Peek().kind != TokenKind::QuotedName && Peek().kind != TokenKind::Name)
            Fail(Peek(), QStringLiteral("a parameter name"));
        decl.name = Take().text;
        const Token typeToken = Peek();
        if (typeToken.kind != TokenKind::Name)
            Fail(typeToken, QStringLiteral("a parameter type"));
        Take();
        decl.type = ParameterTypeByName(typeToken.text);
        if (decl.type == 0)
            Fail(typeToken, QStringLiteral("a parameter type"));
        if (AcceptSymbol("(")) {  // Text (50)
            if (Peek().kind != TokenKind::Integer)
                Fail(Peek(), QStringLiteral("a size"));
            Take();
            ExpectSymbol(")");
        }
        stmt.parameters.push_back(decl);
    } while (AcceptSymbol(","));
    ExpectSymbol(";");
}

std::unique_ptr<SelectStmt> JetParser::ParseSelect()
{
    ExpectKeyword("SELECT");
    auto select = std::make_unique<SelectStmt>();
    if (AcceptKeyword("DISTINCTROW"))
        select->distinctRow = true;
    else if (AcceptKeyword("DISTINCT"))
        select->distinct = true;
    else
        AcceptKeyword("ALL");
    if (AcceptKeyword("TOP")) {
        if (Peek().kind != TokenKind::Integer)
            Fail(Peek(), QStringLiteral("a row count"));
        select->top = Take().text.toLongLong();
        if (AtKeyword("PERCENT"))
            Fail(Peek(), QStringLiteral("the select list (TOP ... PERCENT is not supported)"));
    }
    ParseSelectItems(*select);
    if (AcceptKeyword("FROM")) {
        do
            select->from.push_back(ParseJoinedSource());
        while (AcceptSymbol(","));
    }
    if (AcceptKeyword("WHERE"))
        select->where = ParseExpr();
    if (AtKeyword("GROUP")) {
        Take();
        ExpectKeyword("BY");
        do
            select->groupBy.push_back(ParseExpr());
        while (AcceptSymbol(","));
    }
    if (AcceptKeyword("HAVING"))
        select->having = ParseExpr();
    if (AtKeyword("ORDER")) {
        Take();
        ExpectKeyword("BY");
        select->orderBy = ParseOrderList();
    }
    return select;
}

void JetParser::ParseSelectItems(SelectStmt& select)
{
    do {
        SelectItem item;
        if (AtSymbol("*")) {
            item.expr = MakeNode(Expr::Kind::Star, Take().position);
        } else {
            item.expr = ParseExpr();
            if (AcceptKeyword("AS")) {
                if (Peek().kind == TokenKind::String)
                    item.alias = Take().text;
                else
                    item.alias = ExpectName("an alias");
            }
        }
        select.items.push_back(std::move(item));
    } while (AcceptSymbol(","));
}

TableRefPtr JetParser::ParseJoinedSource()
{
    const Nesting nesting(*this);
    TableRefPtr left = ParseSingleSource();
    for (;;) {
        JoinKind kind;
        const int position = Peek().position;
        if (AcceptKeyword("INNER")) {
            kind = JoinKind::Inner;
        } else if (AcceptKeyword("LEFT")) {
            kind = JoinKind::Left;
            AcceptKeyword("OUTER");
        } else if (AcceptKeyword("RIGHT")) {
            kind = JoinKind::Right;
            AcceptKeyword("OUTER");
        } else {
            return left;
        }
        ExpectKeyword("JOIN");
        auto join = std::make_unique<TableRef>();
        join->isJoin = true;
        join->join = kind;
        join->position = position;
        join->left = std::move(left);
        join->right = ParseSingleSource();
        ExpectKeyword("ON");
        join->on = ParseExpr();
        left = std::move(join);
    }
}

TableRefPtr JetParser::ParseSingleSource()
{
    if (AtSymbol("(")) {
        if (AtKeyword("SELECT", 1))
            Fail(Peek(1), QStringLiteral("a table or query name (subqueries are not supported)"));
        Take();
        TableRefPtr inner = ParseJoinedSource();
        ExpectSymbol(")");
        return inner;
    }
    auto ref = std::make_unique<TableRef>();
    ref->position = Peek().position;
    ref->name = ExpectName("a table or query name");
    if (AcceptKeyword("AS"))
        ref->alias = ExpectName("an alias");
    else if (AtName())
        ref->alias = Take().text;
    return ref;
}

std::vector<OrderItem> JetParser::ParseOrderList()
{
    std::vector<OrderItem> items;
    do {
        OrderItem item;
        item.expr = ParseExpr();
        if (AcceptKeyword("DESC"))
            item.descending = true;
        else
            AcceptKeyword("ASC");
        items.push_back(std::move(item));
    } while (AcceptSymbol(","));
    return items;
}

// DELETE [*|t.*] FROM t [WHERE ...]
void JetParser::ParseDelete(JetStatement& stmt)
{
    stmt.kind = StmtKind::Delete;
    Take();
    if (!AtKeyword("FROM")) {
        if (!AcceptSymbol("*")) {
            ExpectName("'*' or FROM");
            ExpectSymbol(".");
            ExpectSymbol("*");
        }
    }
    ExpectKeyword("FROM");
    stmt.table = ParseSingleSource();
    if (AtKeyword("INNER") || AtKeyword("LEFT") || AtKeyword("RIGHT"))
        Fail(Peek(), QStringLiteral("WHERE (a delete over a join is not supported)"));
    if (AcceptKeyword("WHERE"))
        stmt.where = ParseExpr();
}

// UPDATE t SET a = e, ... [WHERE ...]
void JetParser::ParseUpdate(JetStatement& stmt)
{
    stmt.kind = StmtKind::Update;
    Take();
    stmt.table = ParseSingleSource();
    ExpectKeyword("SET");
    do {
        Assignment a;
        a.target = ParseNameOrCall();
        if (a.target->kind != Expr::Kind::Name)
            Fail(Peek(), QStringLiteral("a column name"));
        ExpectSymbol("=");
        a.value = ParseExpr();
        stmt.assignments.push_back(std::move(a));
    } while (AcceptSymbol(","));
    if (AcceptKeyword("WHERE"))
        stmt.where = ParseExpr();
}

// INSERT INTO t [(a, b)] VALUES (...) | SELECT ...
void JetParser::ParseInsert(JetStatement& stmt)
{
    stmt.kind = StmtKind::Insert;
    Take();
    ExpectKeyword("INTO");
    stmt.table = std::make_unique<TableRef>();
    stmt.table->position = Peek().position;
    stmt.table->name = ExpectName("a table name");
    if (AcceptSymbol("(")) {
        do {
            auto name = MakeNode(Expr::Kind::Name, Peek().position);
            name->name = ExpectName("a column name");
            if (AcceptSymbol(".")) {
                name->qualifier = name->name;
                name->name = ExpectName("a column name");
            }
            stmt.columns.push_back(std::move(name));
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }
    if (AcceptKeyword("VALUES")) {
        ExpectSymbol("(");
        do
            stmt.values.push_back(ParseExpr());
        while (AcceptSymbol(","));
        ExpectSymbol(")");
    } else if (AtKeyword("SELECT")) {
        stmt.select = ParseSelect();
    } else {
        Fail(Peek(), QStringLiteral("VALUES or SELECT"));
    }
}

// ---- expressions, lowest precedence first ---------------------------------------------------

ExprPtr JetParser::ParseExpr()
{
    const Nesting nesting(*this);
    ExprPtr left = ParseEqv();
    while (AtKeyword("IMP")) {
        Take();
        left = MakeBinary(QStringLiteral("IMP"), std::move(left), ParseEqv());
    }
    return left;
}

ExprPtr JetParser::ParseEqv()
{
    ExprPtr left = ParseXor();
    while (AtKeyword("EQV")) {
        Take();
        left = MakeBinary(QStringLiteral("EQV"), std::move(left), ParseXor());
    }
    return left;
}

ExprPtr JetParser::ParseXor()
{
    ExprPtr left = ParseOr();
    while (AtKeyword("XOR")) {
        Take();
        left = MakeBinary(QStringLiteral("XOR"), std::move(left), ParseOr());
    }
    return left;
}

ExprPtr JetParser::ParseOr()
{
    ExprPtr left = ParseAnd();
    while (AtKeyword("OR")) {
        Take();
        left = MakeBinary(QStringLiteral("OR"), std::move(left), ParseAnd());
    }
    return left;
}

ExprPtr JetParser::ParseAnd()
{
    ExprPtr left = ParseNot();
    while (AtKeyword("AND")) {
        Take();
        left = MakeBinary(QStringLiteral("AND"), std::move(left), ParseNot());
    }
    return left;
}

ExprPtr JetParser::ParseNot()
{
    if (AtKeyword("NOT")) {
        const int position = Take().position;
        const Nesting nesting(*this);
        return MakeUnary(QStringLiteral("NOT"), ParseNot(), position);
    }
    return ParseComparison();
}

ExprPtr JetParser::ParseComparison()
{
    ExprPtr left = ParseConcat();
    for (;;) {
        const Token& t = Peek();
        if (t.kind == TokenKind::Symbol &&
            (t.text == QLatin1String("=") || t.text == QLatin1String("<>") || t.text == QLatin1String("<") ||
             t.text == QLatin1String(">") || t.text == QLatin1String("<=") || t.text == QLatin1String(">="))) {
            const QString op = Take().text;
            left = MakeBinary(op, std::move(left), ParseConcat());
            continue;
        }
        if (AtKeyword("IS")) {
            Take();
            auto e = MakeNode(Expr::Kind::IsNull, left->position);
            e->negated = AcceptKeyword("NOT");
            ExpectKeyword("NULL");
            e->args.push_back(std::move(left));
            Measure(*e);
            left = std::move(e);
            continue;
        }
        const bool negated = AtKeyword("NOT") && (AtKeyword("LIKE", 1) || AtKeyword("BETWEEN", 1) || AtKeyword("IN", 1));
        if (negated)
            Take();
        if (AcceptKeyword("LIKE")) {
            left = MakeBinary(QStringLiteral("LIKE"), std::move(left), ParseConcat());
            left->negated = negated;
            continue;
        }
        if (AcceptKeyword("BETWEEN")) {
            auto e = MakeNode(Expr::Kind::Between, left->position);
            e->negated = negated;
            e->args.push_back(std::move(left));
            e->args.push_back(ParseConcat());
            ExpectKeyword("AND");
            e->args.push_back(ParseConcat());
            Measure(*e);
            left = std::move(e);
            continue;
        }
        if (AcceptKeyword("IN")) {
            auto e = MakeNode(Expr::Kind::In, left->position);
            e->negated = negated;
            e->args.push_back(std::move(left));
            ExpectSymbol("(");
            if (AtKeyword("SELECT"))
                Fail(Peek(), QStringLiteral("a list of values (subqueries are not supported)"));
            do
                e->args.push_back(ParseExpr());
            while (AcceptSymbol(","));
            ExpectSymbol(")");
            Measure(*e);
            left = std::move(e);
            continue;
        }
        return left;
    }
}

ExprPtr JetParser::ParseConcat()
{
    ExprPtr left = ParseAdditive();
    while (AtSymbol("&")) {
        Take();
        left = MakeBinary(QStringLiteral("&"), std::move(left), ParseAdditive());
    }
    return left;
}

ExprPtr JetParser::ParseAdditive()
{
    ExprPtr left = ParseMod();
    while (AtSymbol("+") || AtSymbol("-")) {
        const QString op = Take().text;
        left = MakeBinary(op, std::move(left), ParseMod());
    }
    return left;
}

ExprPtr JetParser::ParseMod()
{
    ExprPtr left = ParseIntDiv();
    while (AtKeyword("MOD")) {
        Take();
        left = MakeBinary(QStringLiteral("MOD"), std::move(left), ParseIntDiv());
    }
    return left;
}

ExprPtr JetParser::ParseIntDiv()
{
    ExprPtr left = ParseMultiplicative();
    while (AtSymbol("\\")) {
        Take();
        left = MakeBinary(QStringLiteral("\\"), std::move(left), ParseMultiplicative());
    }
    return left;
}

ExprPtr JetParser::ParseMultiplicative()
{
    ExprPtr left = ParseUnary();
    while (AtSymbol("*") || AtSymbol("/")) {
        const QString op = Take().text;
        left = MakeBinary(op, std::move(left), ParseUnary());
    }
    return left;
}

ExprPtr JetParser::ParseUnary()
{
    if (AtSymbol("-") || AtSymbol("+")) {
        const Token t = Take();
        const Nesting nesting(*this);
        return MakeUnary(t.text, ParseUnary(), t.position);
    }
    return ParsePower();
}

// '^' binds tighter than a sign before it: -2^2 is -4; the exponent may carry its own sign.
ExprPtr JetParser::ParsePower()
{
    ExprPtr left = ParsePrimary();
    while (AtSymbol("^")) {
        Take();
        ExprPtr right;
        if (AtSymbol("-") || AtSymbol("+")) {
            const Token t = Take();
            right = MakeUnary(t.text, ParsePrimary(), t.position);
        } else {
            right = ParsePrimary();
        }
        left = MakeBinary(QStringLiteral("^"), std::move(left), std::move(right));
    }
    return left;
}

ExprPtr JetParser::ParsePrimary()
{
    const Token& t = Peek();
    if (t.kind == TokenKind::Symbol && t.text == QLatin1String("(")) {
        if (AtKeyword("SELECT", 1))
            Fail(Peek(1), QStringLiteral("an expression (subqueries are not supported)"));
        Take();
        ExprPtr inner = ParseExpr();
        ExpectSymbol(")");
        return inner;
    }
    if (t.kind == TokenKind::Name || t.kind == TokenKind::QuotedName) {
        if (t.kind == TokenKind::Name && (IsKeyword(t, "NULL") || IsKeyword(t, "TRUE") || IsKeyword(t, "FALSE")))
            return ParseLiteral();
        if (t.kind == TokenKind::Name && IsReservedWord(t.text))
            Fail(t, QStringLiteral("an expression"));
        return ParseNameOrCall();
    }
    if (t.kind == TokenKind::Symbol || t.kind == TokenKind::End)
        Fail(t, QStringLiteral("an expression"));
    return ParseLiteral();
}

ExprPtr JetParser::ParseNameOrCall()
{
    const Token first = Take();
    if (first.kind == TokenKind::Name && AtSymbol("(")) {
        Take();
        auto call = MakeNode(Expr::Kind::Call, first.position);
        call->op = first.text;
        if (!AtSymbol(")")) {
            do {
                if (AtSymbol("*") && (AtSymbol(")", 1)))
                    call->args.push_back(MakeNode(Expr::Kind::Star, Take().position));
                else
                    call->args.push_back(ParseExpr());
            } while (AcceptSymbol(","));
        }
        ExpectSymbol(")");
        Measure(*call);
        return call;
    }
    if (first.kind != TokenKind::Name && first.kind != TokenKind::QuotedName)
        Fail(first, QStringLiteral("a name"));
    auto name = MakeNode(Expr::Kind::Name, first.position);
    name->name = first.text;
    if (AtSymbol(".") || AtSymbol("!")) {
        Take();
        name->qualifier = name->name;
        if (AtSymbol("*")) {
            Take();
            name->kind = Expr::Kind::Star;
            name->name.clear();
            return name;
        }
        const Token& second = Peek();
        if (second.kind != TokenKind::Name && second.kind != TokenKind::QuotedName)
            Fail(second, QStringLiteral("a column name"));
        name->name = Take().text;
    }
    return name;
}

ExprPtr JetParser::ParseLiteral()
{
    const Token t = Take();
    auto e = MakeNode(Expr::Kind::Literal, t.position);
    e->text = t.text;
    switch (t.kind) {
    case TokenKind::Name:
        if (IsKeyword(t, "NULL")) {
            e->literal = LiteralKind::Null;
        } else {
            e->literal = LiteralKind::Boolean;
            e->integer = IsKeyword(t, "TRUE") ? -1 : 0;
        }
        return e;
    case TokenKind::String: e->literal = LiteralKind::String; return e;
    case TokenKind::Integer: {
        bool ok = false;
        e->integer = t.text.toLongLong(&ok);
        if (ok) {
            e->literal = LiteralKind::Integer;
            return e;
        }
        e->literal = LiteralKind::Float;
        e->number = t.text.toDouble();
        return e;
    }
    case TokenKind::Float: e->literal = LiteralKind::Float; e->number = t.text.toDouble(); return e;
    case TokenKind::Date: {
        const auto value = DateLiteralValue(t.text);
        if (!value)
            throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Syntax error in date at position %1 near '#%2#'.")
                                                .arg(t.position)
                                                .arg(t.text));
        e->literal = LiteralKind::Date;
        e->number = *value;
        return e;
    }
    case TokenKind::Guid: {
        const QUuid uuid(t.text);
        if (uuid.isNull() && !t.text.startsWith(QStringLiteral("{00000000")))
            throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Syntax error in GUID at position %1 near '{guid %2}'.")
                                                .arg(t.position)
                                                .arg(t.text));
        e->literal = LiteralKind::Guid;
        return e;
    }
    default: Fail(t, QStringLiteral("an expression"));
    }
}

}  // namespace jet
