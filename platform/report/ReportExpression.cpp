#include "platform/report/ReportExpression.h"

#include "platform/report/ReportError.h"
#include "platform/report/ReportFormat.h"
#include "platform/toolkit/DateTime.h"

#include <QCoreApplication>
#include <cmath>
#include <vector>

enum class TNodeKind { Constant, Field, Negate, Not, Binary, Function };

struct TReportExpression::TNode {
    TNodeKind kind = TNodeKind::Constant;
    TVariant value;       // constants
    QString dataSet;      // fields
    QString field;
    QString name;         // operator or upper-case function name
    std::vector<std::unique_ptr<TNode>> args;
    // aggregate state
    double sum = 0.0;
    qint64 count = 0;
    TVariant extreme;
};

namespace {

using TNode = TReportExpression::TNode;

[[noreturn]] void Fail(const QString& message)
{
    ReportError(QString(), message);
}

enum class TTokenKind { End, Number, Text, Name, Symbol };

struct TToken {
    TTokenKind kind = TTokenKind::End;
    QString text;
    double number = 0.0;
};

class TLexer {
public:
    explicit TLexer(const QString& text) : text_(text) { Advance(); }
    const TToken& Current() const { return token_; }

    void Advance()
    {
        while (at_ < text_.size() && text_.at(at_).isSpace())
            ++at_;
        token_ = TToken();
        if (at_ >= text_.size())
            return;
        const QChar c = text_.at(at_);
        if (c.isDigit())
            ReadNumber();
        else if (c == u'\'' || c == u'"')
            ReadText(c);
        else if (c.isLetter() || c == u'_')
            ReadName();
        else
            ReadSymbol();
    }

private:
    void ReadNumber()
    {
        const qsizetype start = at_;
        while (at_ < text_.size() && (text_.at(at_).isDigit() || text_.at(at_) == u'.'))
            ++at_;
        token_.kind = TTokenKind::Number;
        token_.text = text_.mid(start, at_ - start);
        bool ok = false;
        token_.number = token_.text.toDouble(&ok);
        if (!ok)
            Fail(QCoreApplication::translate("Toolkit", "'%1' is not a valid number").arg(token_.text));
    }

    // A quote inside a text is written twice.
    void ReadText(QChar quote)
    {
        ++at_;
        token_.kind = TTokenKind::Text;
        for (;;) {
            if (at_ >= text_.size())
                Fail(QCoreApplication::translate("Report", "Unterminated text in expression"));
            const QChar c = text_.at(at_++);
            if (c == quote) {
                if (at_ < text_.size() && text_.at(at_) == quote) {
                    token_.text += quote;
                    ++at_;
                    continue;
                }
                return;
            }
            token_.text += c;
        }
    }

    void ReadName()
    {
        const qsizetype start = at_;
        while (at_ < text_.size() && (text_.at(at_).isLetterOrNumber() || text_.at(at_) == u'_'))
            ++at_;
        token_.kind = TTokenKind::Name;
        token_.text = text_.mid(start, at_ - start);
    }

    void ReadSymbol()
    {
        static const QString pairs[] = {QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">=")};
        token_.kind = TTokenKind::Symbol;
        for (const QString& pair : pairs) {
            if (text_.mid(at_, 2) == pair) {
                token_.text = pair;
                at_ += 2;
                return;
            }
        }
        const QChar c = text_.at(at_);
        if (!QStringLiteral("+-*/=<>(),.").contains(c))
            Fail(QCoreApplication::translate("Report", "Unexpected character '%1' in expression").arg(c));
        token_.text = c;
        ++at_;
    }

    QString text_;
    qsizetype at_ = 0;
    TToken token_;
};

struct TFunctionInfo {
    const char* name;
    int minArgs;
    int maxArgs;
    bool aggregate;
};

constexpr TFunctionInfo Functions[] = {
    {"IF", 3, 3, false},    {"SUM", 1, 1, true},   {"COUNT", 0, 1, true}, {"MIN", 1, 1, true},
    {"MAX", 1, 1, true},    {"AVERAGE", 1, 1, true}, {"STR", 1, 1, false}, {"UPPER", 1, 1, false},
    {"LOWER", 1, 1, false}, {"COPY", 3, 3, false}, {"FORMATNUMERIC", 2, 2, false},
    {"INT", 1, 1, false},   {"FRAC", 1, 1, false}, {"DATE", 0, 0, false}, {"TIME", 0, 0, false},
};

const TFunctionInfo* FindFunction(const QString& upperName)
{
    for (const TFunctionInfo& f : Functions)
        if (upperName == QLatin1String(f.name))
            return &f;
    return nullptr;
}

bool IsAggregateNode(const TNode& node)
{
    if (node.kind != TNodeKind::Function)
        return false;
    const TFunctionInfo* f = FindFunction(node.name);
    return f && f->aggregate;
}

bool ContainsAggregate(const TNode& node)
{
    if (IsAggregateNode(node))
        return true;
    for (const auto& arg : node.args)
        if (ContainsAggregate(*arg))
            return true;
    return false;
}

class TParser {
public:
    explicit TParser(const QString& text) : lexer_(text) {}

    std::unique_ptr<TNode> ParseAll()
    {
        if (lexer_.Current().kind == TTokenKind::End)
            Fail(QCoreApplication::translate("Report", "Empty expression"));
        auto node = ParseOr();
        if (lexer_.Current().kind != TTokenKind::End)
            Fail(QCoreApplication::translate("Report", "Unexpected '%1' in expression").arg(lexer_.Current().text));
        return node;
    }

private:
    bool IsSymbol(const char* s) const
    {
        return lexer_.Current().kind == TTokenKind::Symbol && lexer_.Current().text == QLatin1String(s);
    }

    bool IsKeyword(const char* k) const
    {
        return lexer_.Current().kind == TTokenKind::Name &&
               lexer_.Current().text.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
    }

    void Expect(const char* s)
    {
        if (!IsSymbol(s))
            Fail(QCoreApplication::translate("Report", "'%1' expected in expression").arg(QLatin1String(s)));
        lexer_.Advance();
    }

    static std::unique_ptr<TNode> Binary(const QString& op, std::unique_ptr<TNode> a, std::unique_ptr<TNode> b)
    {
        auto node = std::make_unique<TNode>();
        node->kind = TNodeKind::Binary;
        node->name = op;
        node->args.push_back(std::move(a));
        node->args.push_back(std::move(b));
        return node;
    }

    std::unique_ptr<TNode> ParseOr()
    {
        auto node = ParseAnd();
        while (IsKeyword("OR")) {
            lexer_.Advance();
            node = Binary(QStringLiteral("OR"), std::move(node), ParseAnd());
        }
        return node;
    }

    std::unique_ptr<TNode> ParseAnd()
    {
        auto node = ParseNot();
        while (IsKeyword("AND")) {
            lexer_.Advance();
            node = Binary(QStringLiteral("AND"), std::move(node), ParseNot());
        }
        return node;
    }

    std::unique_ptr<TNode> ParseNot()
    {
        if (IsKeyword("NOT")) {
            lexer_.Advance();
            auto node = std::make_unique<TNode>();
            node->kind = TNodeKind::Not;
            node->args.push_back(ParseNot());
            return node;
        }
        return ParseComparison();
    }

    std::unique_ptr<TNode> ParseComparison()
    {
        auto node = ParseSum();
        for (const char* op : {"=", "<>", "<", ">", "<=", ">="}) {
            if (IsSymbol(op)) {
                lexer_.Advance();
                return Binary(QLatin1String(op), std::move(node), ParseSum());
            }
        }
        return node;
    }

    std::unique_ptr<TNode> ParseSum()
    {
        auto node = ParseProduct();
        while (IsSymbol("+") || IsSymbol("-")) {
            const QString op = lexer_.Current().text;
            lexer_.Advance();
            node = Binary(op, std::move(node), ParseProduct());
        }
        return node;
    }

    std::unique_ptr<TNode> ParseProduct()
    {
        auto node = ParseUnary();
        while (IsSymbol("*") || IsSymbol("/")) {
            const QString op = lexer_.Current().text;
            lexer_.Advance();
            node = Binary(op, std::move(node), ParseUnary());
        }
        return node;
    }

    std::unique_ptr<TNode> ParseUnary()
    {
        if (IsSymbol("-")) {
            lexer_.Advance();
            auto node = std::make_unique<TNode>();
            node->kind = TNodeKind::Negate;
            node->args.push_back(ParseUnary());
            return node;
        }
        if (IsSymbol("+")) {
            lexer_.Advance();
            return ParseUnary();
        }
        return ParsePrimary();
    }

    std::unique_ptr<TNode> ParsePrimary()
    {
        const TToken token = lexer_.Current();
        auto node = std::make_unique<TNode>();
        switch (token.kind) {
        case TTokenKind::Number:
            lexer_.Advance();
            node->value = token.number;
            return node;
        case TTokenKind::Text:
            lexer_.Advance();
            node->value = token.text;
            return node;
        case TTokenKind::Name:
            lexer_.Advance();
            return ParseName(token.text, std::move(node));
        case TTokenKind::Symbol:
            if (token.text == QStringLiteral("(")) {
                lexer_.Advance();
                auto inner = ParseOr();
                Expect(")");
                return inner;
            }
            break;
        case TTokenKind::End:
            Fail(QCoreApplication::translate("Report", "Unexpected end of expression"));
        }
        Fail(QCoreApplication::translate("Report", "Unexpected '%1' in expression").arg(token.text));
    }

    std::unique_ptr<TNode> ParseName(const QString& name, std::unique_ptr<TNode> node)
    {
        const QString upper = name.toUpper();
        if (IsSymbol("("))
            return ParseCall(upper, std::move(node));
        if (upper == QStringLiteral("TRUE") || upper == QStringLiteral("FALSE")) {
            node->value = upper == QStringLiteral("TRUE");
            return node;
        }
        if (const TFunctionInfo* f = FindFunction(upper); f && f->minArgs == 0) {
            node->kind = TNodeKind::Function;
            node->name = upper;
            return node;
        }
        node->kind = TNodeKind::Field;
        node->field = name;
        if (IsSymbol(".")) {
            lexer_.Advance();
            if (lexer_.Current().kind != TTokenKind::Name)
                Fail(QCoreApplication::translate("Report", "Field name expected after '%1.'").arg(name));
            node->dataSet = name;
            node->field = lexer_.Current().text;
            lexer_.Advance();
        }
        return node;
    }

    std::unique_ptr<TNode> ParseCall(const QString& upper, std::unique_ptr<TNode> node)
    {
        const TFunctionInfo* f = FindFunction(upper);
        if (!f)
            Fail(QCoreApplication::translate("Report", "Unknown function %1").arg(upper));
        lexer_.Advance();  // (
        node->kind = TNodeKind::Function;
        node->name = upper;
        if (!IsSymbol(")")) {
            node->args.push_back(ParseOr());
            while (IsSymbol(",")) {
                lexer_.Advance();
                node->args.push_back(ParseOr());
            }
        }
        Expect(")");
        const int count = int(node->args.size());
        if (count < f->minArgs || count > f->maxArgs)
            Fail(QCoreApplication::translate("Report", "Wrong number of arguments to %1").arg(upper));
        if (f->aggregate)
            for (const auto& arg : node->args)
                if (ContainsAggregate(*arg))
                    Fail(QCoreApplication::translate("Report", "%1 cannot hold another aggregate").arg(upper));
        return node;
    }

    TLexer lexer_;
};

bool IsNumberLike(const TVariant& v)
{
    return v.IsClear() || v.IsNumeric() || v.Type() == TVarType::Boolean || v.Type() == TVarType::Date;
}

double ToNumber(const TVariant& v)
{
    if (v.IsClear())
        return 0.0;
    if (v.Type() == TVarType::Boolean)
        return v.AsBoolean() ? 1.0 : 0.0;
    if (v.IsText()) {
        bool ok = false;
        const double d = v.AsString().trimmed().toDouble(&ok);
        if (!ok)
            Fail(QCoreApplication::translate("Toolkit", "'%1' is not a valid number").arg(v.AsString()));
        return d;
    }
    return v.AsFloat();
}

bool ToBoolean(const TVariant& v)
{
    if (v.IsClear())
        return false;
    if (v.Type() == TVarType::Boolean)
        return v.AsBoolean();
    if (v.IsText()) {
        const QString t = v.AsString().trimmed();
        return t.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("1") ||
               t == QStringLiteral("-1");
    }
    return v.AsFloat() != 0.0;
}

int Compare(const TVariant& a, const TVariant& b)
{
    if (IsNumberLike(a) && IsNumberLike(b)) {
        const double x = ToNumber(a);
        const double y = ToNumber(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return FormatValue(a).compare(FormatValue(b));
}

TVariant Arithmetic(const QString& op, const TVariant& a, const TVariant& b)
{
    if (op == QStringLiteral("+") && (a.IsText() || b.IsText()))
        return FormatValue(a) + FormatValue(b);
    const double x = ToNumber(a);
    const double y = ToNumber(b);
    if (op == QStringLiteral("+")) {
        if (a.Type() == TVarType::Date || b.Type() == TVarType::Date)
            return TVariant::FromDate(x + y);
        return x + y;
    }
    if (op == QStringLiteral("-"))
        return x - y;
    if (op == QStringLiteral("*"))
        return x * y;
    if (y == 0.0)
        Fail(QCoreApplication::translate("Report", "Division by zero"));
    return x / y;
}

TVariant EvaluateNode(const TNode& node, const TExpressionContext& context);

TVariant EvaluateBinary(const TNode& node, const TExpressionContext& context)
{
    const QString& op = node.name;
    if (op == QStringLiteral("AND"))
        return ToBoolean(EvaluateNode(*node.args[0], context)) && ToBoolean(EvaluateNode(*node.args[1], context));
    if (op == QStringLiteral("OR"))
        return ToBoolean(EvaluateNode(*node.args[0], context)) || ToBoolean(EvaluateNode(*node.args[1], context));
    const TVariant a = EvaluateNode(*node.args[0], context);
    const TVariant b = EvaluateNode(*node.args[1], context);
    if (op == QStringLiteral("="))
        return Compare(a, b) == 0;
    if (op == QStringLiteral("<>"))
        return Compare(a, b) != 0;
    if (op == QStringLiteral("<"))
        return Compare(a, b) < 0;
    if (op == QStringLiteral(">"))
        return Compare(a, b) > 0;
    if (op == QStringLiteral("<="))
        return Compare(a, b) <= 0;
    if (op == QStringLiteral(">="))
        return Compare(a, b) >= 0;
    return Arithmetic(op, a, b);
}

TVariant AggregateValue(const TNode& node)
{
    if (node.name == QStringLiteral("SUM"))
        return node.sum;
    if (node.name == QStringLiteral("COUNT"))
        return node.count;
    if (node.name == QStringLiteral("AVERAGE"))
        return node.count ? TVariant(node.sum / double(node.count)) : TVariant::Null();
    return node.extreme.IsEmpty() ? TVariant::Null() : node.extreme;
}

TVariant EvaluateFunction(const TNode& node, const TExpressionContext& context)
{
    if (IsAggregateNode(node))
        return AggregateValue(node);
    const QString& f = node.name;
    auto arg = [&](int i) { return EvaluateNode(*node.args[size_t(i)], context); };
    if (f == QStringLiteral("IF"))
        return ToBoolean(arg(0)) ? arg(1) : arg(2);
    if (f == QStringLiteral("STR"))
        return FormatValue(arg(0));
    if (f == QStringLiteral("UPPER"))
        return FormatValue(arg(0)).toUpper();
    if (f == QStringLiteral("LOWER"))
        return FormatValue(arg(0)).toLower();
    if (f == QStringLiteral("COPY")) {
        const qsizetype start = qMax<qsizetype>(qsizetype(ToNumber(arg(1))), 1);
        const qsizetype count = qMax<qsizetype>(qsizetype(ToNumber(arg(2))), 0);
        return FormatValue(arg(0)).mid(start - 1, count);
    }
    if (f == QStringLiteral("FORMATNUMERIC"))
        return FormatNumber(FormatValue(arg(0)), ToNumber(arg(1)));
    if (f == QStringLiteral("INT"))
        return std::trunc(ToNumber(arg(0)));
    if (f == QStringLiteral("FRAC")) {
        const double v = ToNumber(arg(0));
        return v - std::trunc(v);
    }
    if (f == QStringLiteral("DATE"))
        return TVariant::FromDate(Date());
    return TVariant::FromDate(Time());  // TIME
}

TVariant EvaluateNode(const TNode& node, const TExpressionContext& context)
{
    switch (node.kind) {
    case TNodeKind::Constant:
        return node.value;
    case TNodeKind::Field:
        return context.FieldValue(node.dataSet, node.field);
    case TNodeKind::Negate:
        return -ToNumber(EvaluateNode(*node.args[0], context));
    case TNodeKind::Not:
        return !ToBoolean(EvaluateNode(*node.args[0], context));
    case TNodeKind::Binary:
        return EvaluateBinary(node, context);
    case TNodeKind::Function:
        return EvaluateFunction(node, context);
    }
    return {};
}

void AddToAggregate(TNode& node, const TExpressionContext& context)
{
    if (node.args.empty()) {  // COUNT of rows
        ++node.count;
        return;
    }
    const TVariant v = EvaluateNode(*node.args[0], context);
    if (v.IsClear())
        return;
    ++node.count;
    if (node.name == QStringLiteral("SUM") || node.name == QStringLiteral("AVERAGE")) {
        node.sum += ToNumber(v);
    } else if (node.name == QStringLiteral("MIN")) {
        if (node.extreme.IsEmpty() || Compare(v, node.extreme) < 0)
            node.extreme = v;
    } else if (node.name == QStringLiteral("MAX")) {
        if (node.extreme.IsEmpty() || Compare(v, node.extreme) > 0)
            node.extreme = v;
    }
}

void AccumulateNode(TNode& node, const TExpressionContext& context)
{
    if (IsAggregateNode(node)) {
        AddToAggregate(node, context);
        return;
    }
    for (auto& arg : node.args)
        AccumulateNode(*arg, context);
}

void ResetNode(TNode& node)
{
    node.sum = 0.0;
    node.count = 0;
    node.extreme = TVariant();
    for (auto& arg : node.args)
        ResetNode(*arg);
}

void CheckNode(const TNode& node, const TExpressionContext& context)
{
    if (node.kind == TNodeKind::Field)
        context.CheckField(node.dataSet, node.field);
    for (const auto& arg : node.args)
        CheckNode(*arg, context);
}

}  // namespace

TReportExpression::TReportExpression(const QString& text) : text_(text), root_(TParser(text).ParseAll()) {}

TReportExpression::~TReportExpression() = default;

bool TReportExpression::IsAggregate() const
{
    return ContainsAggregate(*root_);
}

void TReportExpression::Check(const TExpressionContext& context) const
{
    CheckNode(*root_, context);
}

TVariant TReportExpression::Evaluate(const TExpressionContext& context) const
{
    return EvaluateNode(*root_, context);
}

void TReportExpression::Accumulate(const TExpressionContext& context)
{
    AccumulateNode(*root_, context);
}

void TReportExpression::Reset()
{
    ResetNode(*root_);
}
