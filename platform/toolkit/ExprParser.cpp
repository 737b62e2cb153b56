#include "platform/toolkit/ExprParser.h"

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
bool IsTextType(int t) { return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftFixedChar || t == ftWideString; }
bool IsDateType(int t) { return t == ftDate || t == ftTime || t == ftDateTime; }
bool IsNumberType(int t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency || t == ftBCD ||
           t == ftAutoInc || t == ftLargeint;
}

[[noreturn]] void NotFound(const QString& name) { DatabaseError(QCoreApplication::translate("Toolkit", "Field '%1' not found").arg(name)); }
[[noreturn]] void TypeMismatch() { DatabaseError(QCoreApplication::translate("Toolkit", "Type mismatch in expression")); }

// ---- tokens

enum class Tok { End, Name, Text, Number, Date, Symbol };

struct Token {
    Tok kind = Tok::End;
    QString text;  // name, text, symbol or the number's digits
    bool bracketed = false;
    int position = 0;  // 1-based
};

class Lexer {
public:
    explicit Lexer(const QString& text) : s_(text) {}

    Token Next()
    {
        while (i_ < s_.size() && s_.at(i_).isSpace()) ++i_;
        Token t;
        t.position = int(i_) + 1;
        if (i_ >= s_.size()) return t;
        const QChar c = s_.at(i_);
        if (c == QLatin1Char('[')) return Bracketed(t);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) return Quoted(t, c);
        if (c == QLatin1Char('#')) return DateLiteral(t);
        if (c.isDigit() || (c == QLatin1Char('.') && i_ + 1 < s_.size() && s_.at(i_ + 1).isDigit())) return Number(t);
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = i_;
            while (i_ < s_.size() && (s_.at(i_).isLetterOrNumber() || s_.at(i_) == QLatin1Char('_') ||
                                      s_.at(i_) == QLatin1Char('.')))
                ++i_;
            t.kind = Tok::Name;
            t.text = s_.mid(start, i_ - start);
            return t;
        }
        for (const QLatin1String two : {QLatin1String("<>"), QLatin1String("<="), QLatin1String(">=")}) {
            if (QStringView(s_).mid(i_, 2) == two) {
                i_ += 2;
                t.kind = Tok::Symbol;
                t.text = two;
                return t;
            }
        }
        if (QStringLiteral("=<>()+-*/,").contains(c)) {
            ++i_;
            t.kind = Tok::Symbol;
            t.text = c;
            return t;
        }
        Fail(t.position, QStringLiteral("unexpected character '%1'").arg(c));
    }

    [[noreturn]] static void Fail(int position, const QString& what)
    {
        DatabaseError(QCoreApplication::translate("Toolkit", "Error in filter expression at position %1: %2").arg(position).arg(what));
    }

private:
    const QString& s_;
    qsizetype i_ = 0;

    Token Bracketed(Token t)
    {
        const qsizetype close = s_.indexOf(QLatin1Char(']'), i_ + 1);
        if (close < 0) Fail(t.position, QStringLiteral("']' expected"));
        t.kind = Tok::Name;
        t.bracketed = true;
        t.text = s_.mid(i_ + 1, close - i_ - 1).trimmed();
        if (t.text.isEmpty()) Fail(t.position, QStringLiteral("empty field name"));
        i_ = close + 1;
        return t;
    }

    Token Quoted(Token t, QChar quote)
    {
        ++i_;
        QString value;
        for (;;) {
            if (i_ >= s_.size()) Fail(t.position, QStringLiteral("unterminated text constant"));
            const QChar c = s_.at(i_++);
            if (c.isNull()) Fail(t.position, QStringLiteral("a text constant cannot hold the character NUL"));
            if (c == quote) {
                if (i_ < s_.size() && s_.at(i_) == quote) {
                    value += quote;
                    ++i_;
                    continue;
                }
                break;
            }
            value += c;
        }
        t.kind = Tok::Text;
        t.text = value;
        return t;
    }

    Token DateLiteral(Token t)
    {
        const qsizetype close = s_.indexOf(QLatin1Char('#'), i_ + 1);
        if (close < 0) Fail(t.position, QStringLiteral("'#' expected"));
        t.kind = Tok::Date;
        t.text = s_.mid(i_ + 1, close - i_ - 1).trimmed();
        i_ = close + 1;
        return t;
    }

    Token Number(Token t)
    {
        const qsizetype start = i_;
        while (i_ < s_.size() && s_.at(i_).isDigit()) ++i_;
        if (i_ < s_.size() && s_.at(i_) == QLatin1Char('.')) {
            ++i_;
            while (i_ < s_.size() && s_.at(i_).isDigit()) ++i_;
        }
        if (i_ < s_.size() && (s_.at(i_) == QLatin1Char('e') || s_.at(i_) == QLatin1Char('E'))) {
            qsizetype j = i_ + 1;
            if (j < s_.size() && (s_.at(j) == QLatin1Char('+') || s_.at(j) == QLatin1Char('-'))) ++j;
            if (j < s_.size() && s_.at(j).isDigit()) {
                i_ = j;
                while (i_ < s_.size() && s_.at(i_).isDigit()) ++i_;
            }
        }
        if (i_ < s_.size() && (s_.at(i_).isLetter() || s_.at(i_) == QLatin1Char('_')))
            Fail(int(i_) + 1, QStringLiteral("unexpected character '%1'").arg(s_.at(i_)));
        t.kind = Tok::Number;
        t.text = s_.mid(start, i_ - start);
        return t;
    }
};

// ---- parser

using NodePtr = std::unique_ptr<TExprNode>;

NodePtr MakeConstant(const TVariant& value, int type)
{
    auto n = std::make_unique<TExprNode>();
    n->NodeClass = TExprNodeClass::Constant;
    n->Operator = TExprOperator::Constant;
    n->Value = value;
    n->FieldType = type;
    return n;
}

[[noreturn]] void FailTooDeep(int position)
{
    Lexer::Fail(position, QStringLiteral("the expression is nested more than %1 levels deep").arg(kMaxExprNesting));
}

// The node's height from its operands; a tree grown too high is refused at `position`.
NodePtr Measured(NodePtr n, int position)
{
    n->Height = 1 + std::max(n->Left ? n->Left->Height : 0, n->Right ? n->Right->Height : 0);
    if (n->Height > kMaxExprNesting) FailTooDeep(position);
    return n;
}

NodePtr MakeUnary(TExprOperator op, NodePtr operand, int position)
{
    auto n = std::make_unique<TExprNode>();
    n->NodeClass = TExprNodeClass::Unary;
    n->Operator = op;
    n->Left = std::move(operand);
    return Measured(std::move(n), position);
}

NodePtr MakeBinary(TExprOperator op, NodePtr left, NodePtr right, int position)
{
    auto n = std::make_unique<TExprNode>();
    n->NodeClass = TExprNodeClass::Binary;
    n->Operator = op;
    n->Left = std::move(left);
    n->Right = std::move(right);
    return Measured(std::move(n), position);
}

int LiteralTypeOfDate(double day) { return day == std::floor(day) ? ftDate : ftDateTime; }

bool IsComparison(TExprOperator op)
{
    return op >= TExprOperator::Equal && op <= TExprOperator::LessOrEqual;
}

class Parser {
public:
    Parser(const QString& text, const TExprFieldLookup& lookup) : lexer_(text), lookup_(lookup) { Advance(); }

    NodePtr ParseAll()
    {
        if (tok_.kind == Tok::End) Lexer::Fail(1, QCoreApplication::translate("Toolkit", "the expression is empty"));
        NodePtr root = ParseOr();
        if (tok_.kind != Tok::End) Lexer::Fail(tok_.position, QCoreApplication::translate("Toolkit", "unexpected '%1'").arg(Shown(tok_)));
        return root;
    }

private:
    Lexer lexer_;
    const TExprFieldLookup& lookup_;
    Token tok_;
    int nesting_ = 0;

    // One level of parentheses, NOT, sign or function call for as long as it lives.
    class Nesting {
    public:
        Nesting(Parser& parser, int position) : parser_(parser)
        {
            if (++parser_.nesting_ > kMaxExprNesting) FailTooDeep(position);
        }
        ~Nesting() { --parser_.nesting_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& parser_;
    };

    void Advance() { tok_ = lexer_.Next(); }

    static QString Shown(const Token& t)
    {
        switch (t.kind) {
        case Tok::Text: return QLatin1Char('\'') + t.text + QLatin1Char('\'');
        case Tok::Name: return t.bracketed ? QLatin1Char('[') + t.text + QLatin1Char(']') : t.text;
        case Tok::Date: return QLatin1Char('#') + t.text + QLatin1Char('#');
        default: return t.text;
        }
    }

    bool IsKeyword(const char* word) const
    {
        return tok_.kind == Tok::Name && !tok_.bracketed && tok_.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool IsSymbol(const char* symbol) const { return tok_.kind == Tok::Symbol && tok_.text == QLatin1String(symbol); }

    void Expect(const char* symbol)
    {
        if (!IsSymbol(symbol)) {
            const QString found = tok_.kind == Tok::End ? QStringLiteral("the end") : QLatin1Char('\'') + Shown(tok_) + QLatin1Char('\'');
            Lexer::Fail(tok_.position, QCoreApplication::translate("Toolkit", "'%1' expected instead of %2").arg(QLatin1String(symbol), found));
        }
        Advance();
    }

    NodePtr ParseOr()
    {
        NodePtr left = ParseAnd();
        while (IsKeyword("OR")) {
            const int at = tok_.position;
            Advance();
            left = MakeBinary(TExprOperator::Or, std::move(left), ParseAnd(), at);
        }
        return left;
    }

    NodePtr ParseAnd()
    {
        NodePtr left = ParseNot();
        while (IsKeyword("AND")) {
            const int at = tok_.position;
            Advance();
            left = MakeBinary(TExprOperator::And, std::move(left), ParseNot(), at);
        }
        return left;
    }

    NodePtr ParseNot()
    {
        if (IsKeyword("NOT")) {
            const int at = tok_.position;
            const Nesting nesting(*this, at);
            Advance();
            return MakeUnary(TExprOperator::Not, ParseNot(), at);
        }
        return ParseComparison();
    }

    NodePtr ParseComparison()
    {
        NodePtr left = ParseAdditive();
        static const std::pair<const char*, TExprOperator> comparisons[] = {
            {"=", TExprOperator::Equal},          {"<>", TExprOperator::NotEqual},
            {"<", TExprOperator::Less},           {">", TExprOperator::Greater},
            {"<=", TExprOperator::LessOrEqual},   {">=", TExprOperator::GreaterOrEqual}};
        for (const auto& [symbol, op] : comparisons) {
            if (IsSymbol(symbol)) {
                const int opAt = tok_.position;
                Advance();
                const int at = tok_.position;
                NodePtr right = ParseAdditive();
                TypeConstants(*left, *right, at);
                return MakeBinary(op, std::move(left), std::move(right), opAt);
            }
        }
        if (IsKeyword("IS")) {
            const int at = tok_.position;
            Advance();
            bool negated = false;
            if (IsKeyword("NOT")) {
                negated = true;
                Advance();
            }
            if (!IsKeyword("NULL")) Lexer::Fail(tok_.position, QCoreApplication::translate("Toolkit", "NULL expected"));
            Advance();
            return MakeUnary(negated ? TExprOperator::NotBlank : TExprOperator::IsBlank, std::move(left), at);
        }
        bool negatedLike = false;
        const int likeAt = tok_.position;
        if (IsKeyword("NOT")) {
            negatedLike = true;
            Advance();
            if (!IsKeyword("LIKE")) Lexer::Fail(tok_.position, QCoreApplication::translate("Toolkit", "LIKE expected"));
        }
        if (IsKeyword("LIKE")) {
            Advance();
            NodePtr like = MakeBinary(TExprOperator::Like, std::move(left), ParseAdditive(), likeAt);
            return negatedLike ? MakeUnary(TExprOperator::Not, std::move(like), likeAt) : std::move(like);
        }
        return left;
    }

    NodePtr ParseAdditive()
    {
        NodePtr left = ParseMultiplicative();
        for (;;) {
            TExprOperator op;
            if (IsSymbol("+")) op = TExprOperator::Add;
            else if (IsSymbol("-")) op = TExprOperator::Subtract;
            else return left;
            const int at = tok_.position;
            Advance();
            left = MakeBinary(op, std::move(left), ParseMultiplicative(), at);
        }
    }

    NodePtr ParseMultiplicative()
    {
        NodePtr left = ParseUnary();
        for (;;) {
            TExprOperator op;
            if (IsSymbol("*")) op = TExprOperator::Multiply;
            else if (IsSymbol("/")) op = TExprOperator::Divide;
            else return left;
            const int at = tok_.position;
            Advance();
            left = MakeBinary(op, std::move(left), ParseUnary(), at);
        }
    }

    NodePtr ParseUnary()
    {
        if (IsSymbol("-")) {
            const int at = tok_.position;
            const Nesting nesting(*this, at);
            Advance();
            NodePtr operand = ParseUnary();
            if (operand->NodeClass == TExprNodeClass::Constant && operand->Value.IsNumeric()) {
                const TVariant& v = operand->Value;
                if (v.Type() == TVarType::Integer) operand->Value = TVariant(-v.AsInteger());
                else if (v.Type() == TVarType::Int64) operand->Value = TVariant(-v.AsInt64());
                else operand->Value = TVariant(-v.AsFloat());
                return operand;
            }
            return MakeUnary(TExprOperator::Minus, std::move(operand), at);
        }
        if (IsSymbol("+")) {
            const Nesting nesting(*this, tok_.position);
            Advance();
            return ParseUnary();
        }
        return ParsePrimary();
    }

    NodePtr ParsePrimary()
    {
        const Token t = tok_;
        switch (t.kind) {
        case Tok::End: Lexer::Fail(t.position, QCoreApplication::translate("Toolkit", "operand expected at the end"));
        case Tok::Text: Advance(); return MakeConstant(TVariant(t.text), ftString);
        case Tok::Number: Advance(); return NumberConstant(t);
        case Tok::Date: {
            Advance();
            TDateTime day = 0;
            if (!TryStrToDateTime(t.text, day)) Lexer::Fail(t.position, QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(t.text));
            return MakeConstant(TVariant::FromDate(day), LiteralTypeOfDate(day));
        }
        case Tok::Symbol:
            if (IsSymbol("(")) {
                const Nesting nesting(*this, t.position);
                Advance();
                NodePtr inner = ParseOr();
                Expect(")");
                return inner;
            }
            Lexer::Fail(t.position, QCoreApplication::translate("Toolkit", "operand expected instead of '%1'").arg(t.text));
        case Tok::Name: break;
        }
        Advance();
        if (!t.bracketed) {
            if (t.text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) return MakeConstant(TVariant::Null(), 0);
            if (t.text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) return MakeConstant(TVariant(true), ftBoolean);
            if (t.text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) return MakeConstant(TVariant(false), ftBoolean);
            for (const char* word : {"AND", "OR", "NOT", "IS", "LIKE"})
                if (t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
                    Lexer::Fail(t.position, QCoreApplication::translate("Toolkit", "operand expected instead of '%1'").arg(t.text));
            if (IsSymbol("(")) return Function(t);
        }
        return Field(t);
    }

    NodePtr NumberConstant(const Token& t)
    {
        bool ok = false;
        if (!t.text.contains(QLatin1Char('.')) && !t.text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
            const qint64 v = t.text.toLongLong(&ok);
            if (ok && v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
                return MakeConstant(TVariant(int(v)), ftInteger);
            if (ok) return MakeConstant(TVariant(v), ftFloat);
        }
        const double d = t.text.toDouble(&ok);
        if (!ok) Lexer::Fail(t.position, QCoreApplication::translate("Toolkit", "'%1' is not a valid number").arg(t.text));
        return MakeConstant(TVariant(d), ftFloat);
    }

    NodePtr Function(const Token& name)
    {
        const Nesting nesting(*this, name.position);
        Advance();  // '('
        NodePtr argument = ParseOr();
        if (IsSymbol(",")) Lexer::Fail(tok_.position, QCoreApplication::translate("Toolkit", "%1 takes one argument").arg(name.text.toUpper()));
        Expect(")");
        if (name.text.compare(QLatin1String("UPPER"), Qt::CaseInsensitive) == 0)
            return MakeUnary(TExprOperator::Upper, std::move(argument), name.position);
        if (name.text.compare(QLatin1String("LOWER"), Qt::CaseInsensitive) == 0)
            return MakeUnary(TExprOperator::Lower, std::move(argument), name.position);
        if (name.text.compare(QLatin1String("DATEVALUE"), Qt::CaseInsensitive) == 0) {
            if (argument->NodeClass == TExprNodeClass::Constant && argument->Value.IsText()) {
                TDateTime day = 0;
                if (!TryStrToDate(argument->Value.AsString(), day))
                    Lexer::Fail(name.position,
                                QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(argument->Value.AsString()));
                return MakeConstant(TVariant::FromDate(DateOf(day)), ftDate);
            }
            return MakeUnary(TExprOperator::DateValue, std::move(argument), name.position);
        }
        Lexer::Fail(name.position, QCoreApplication::translate("Toolkit", "unknown function '%1'").arg(name.text));
    }

    NodePtr Field(const Token& t)
    {
        auto n = std::make_unique<TExprNode>();
        n->NodeClass = TExprNodeClass::Field;
        n->Operator = TExprOperator::Field;
        n->FieldName = t.text;
        if (lookup_) {
            const std::optional<TExprFieldInfo> info = lookup_(t.text);
            if (!info) NotFound(t.text);
            n->FieldNo = info->FieldNo;
            n->FieldType = info->FieldType;
        }
        return n;
    }

    // A text constant compared with a field of known type becomes a constant of that kind.
    static void TypeConstants(TExprNode& left, TExprNode& right, int position)
    {
        const bool leftField = left.NodeClass == TExprNodeClass::Field;
        TExprNode* field = leftField ? &left : (right.NodeClass == TExprNodeClass::Field ? &right : nullptr);
        TExprNode* constant = leftField ? &right : &left;
        if (!field || constant->NodeClass != TExprNodeClass::Constant || !constant->Value.IsText()) return;
        const QString text = constant->Value.AsString();
        if (IsDateType(field->FieldType)) {
            TDateTime day = 0;
            if (!TryStrToDateTime(text, day)) Lexer::Fail(position, QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(text));
            constant->Value = TVariant::FromDate(day);
            constant->FieldType = LiteralTypeOfDate(day);
        } else if (IsNumberType(field->FieldType)) {
            bool ok = false;
            const double d = text.trimmed().toDouble(&ok);
            if (!ok) return;  // stays text: compares as text, and matches nothing numeric
            constant->Value = TVariant(d);
            constant->FieldType = ftFloat;
        } else if (field->FieldType == ftBoolean) {
            if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) constant->Value = TVariant(true);
            else if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) constant->Value = TVariant(false);
            else return;
            constant->FieldType = ftBoolean;
        }
    }
};

// ---- evaluation

enum class Kind { Clear, Boolean, Number, Date, Text, Bytes };

Kind KindOf(const TVariant& v)
{
    switch (v.Type()) {
    case TVarType::Empty:
    case TVarType::Null: return Kind::Clear;
    case TVarType::Boolean: return Kind::Boolean;
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency: return Kind::Number;
    case TVarType::Date: return Kind::Date;
    case TVarType::String: return Kind::Text;
    case TVarType::Bytes:
    case TVarType::Array: return Kind::Bytes;
    }
    return Kind::Clear;
}

template <typename T>
int Sign(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool TextToNumber(const QString& text, double& out)
{
    bool ok = false;
    out = text.trimmed().toDouble(&ok);
    return ok;
}

bool TextToBoolean(const QString& text, bool& out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) out = true;
    else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) out = false;
    else return false;
    return true;
}

int CompareText(const QString& a, const QString& b, bool caseInsensitive)
{
    const int c = a.compare(b, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString TextOf(const TVariant& v)
{
    switch (v.Type()) {
    case TVarType::Double:
    case TVarType::Currency: return FloatToStr(v.AsFloat());
    case TVarType::Date: return DateTimeToStr(v.AsDateTime());
    case TVarType::Boolean: return v.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.AsString();
    }
}

// Three-way comparison of two values that are not clear.
int CompareValues(const TVariant& a, const TVariant& b, bool caseInsensitive)
{
    const Kind ka = KindOf(a), kb = KindOf(b);
    if (ka == Kind::Text && kb == Kind::Text) return CompareText(a.AsString(), b.AsString(), caseInsensitive);
    if (ka == Kind::Text || kb == Kind::Text) {
        const bool textLeft = ka == Kind::Text;
        const TVariant& text = textLeft ? a : b;
        const TVariant& other = textLeft ? b : a;
        const Kind ko = textLeft ? kb : ka;
        int c = 0;
        bool converted = false;
        if (ko == Kind::Number) {
            double d = 0;
            if ((converted = TextToNumber(text.AsString(), d))) c = Sign(d, other.AsFloat());
        } else if (ko == Kind::Date) {
            TDateTime d = 0;
            if ((converted = TryStrToDateTime(text.AsString(), d))) c = Sign(d, other.AsDateTime());
        } else if (ko == Kind::Boolean) {
            bool t = false;
            if ((converted = TextToBoolean(text.AsString(), t))) c = Sign(int(t), int(other.AsBoolean()));
        }
        if (!converted) c = CompareText(text.AsString(), TextOf(other), caseInsensitive);
        return textLeft ? c : -c;
    }
    if (ka == Kind::Boolean || kb == Kind::Boolean) return Sign(int(a.AsBoolean()), int(b.AsBoolean()));
    if (ka == Kind::Bytes || kb == Kind::Bytes) {
        if (ka != kb) TypeMismatch();
        return Sign(a.AsBytes(), b.AsBytes());
    }
    if (a.Type() != TVarType::Double && b.Type() != TVarType::Double && a.Type() != TVarType::Currency &&
        b.Type() != TVarType::Currency && ka == Kind::Number && kb == Kind::Number)
        return Sign(a.AsInt64(), b.AsInt64());
    return Sign(a.AsFloat(), b.AsFloat());
}

bool Truth(const TVariant& v)
{
    if (v.IsClear()) return false;
    try {
        return v.AsBoolean();
    } catch (const EVariantError&) {
        TypeMismatch();
    }
}

QRegularExpression LikePattern(const QString& pattern, bool caseInsensitive)
{
    QString re;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('%') || c == QLatin1Char('*')) re += QLatin1String(".*");
        else if (c == QLatin1Char('_') || c == QLatin1Char('?')) re += QLatin1Char('.');
        else re += QRegularExpression::escape(QString(c));
    }
    QRegularExpression::PatternOptions options = QRegularExpression::DotMatchesEverythingOption;
    if (caseInsensitive) options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(QRegularExpression::anchoredPattern(re), options);
}

bool IsIntegral(const TVariant& v) { return v.Type() == TVarType::Integer || v.Type() == TVarType::Int64; }

TVariant FromInt64(qint64 v)
{
    if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max()) return TVariant(int(v));
    return TVariant(v);
}

TVariant NumberOf(const TVariant& v)
{
    const Kind k = KindOf(v);
    if (k == Kind::Number || k == Kind::Date) return v;
    if (k == Kind::Boolean) return TVariant(v.AsBoolean() ? -1 : 0);
    if (k == Kind::Text) {
        double d = 0;
        if (TextToNumber(v.AsString(), d)) return TVariant(d);
    }
    TypeMismatch();
}

TVariant Arithmetic(TExprOperator op, const TVariant& a, const TVariant& b)
{
    if (a.IsClear() || b.IsClear()) return TVariant::Null();
    if (op == TExprOperator::Add && KindOf(a) == Kind::Text && KindOf(b) == Kind::Text)
        return TVariant(a.AsString() + b.AsString());
    const TVariant x = NumberOf(a), y = NumberOf(b);
    const bool dates = KindOf(x) == Kind::Date || KindOf(y) == Kind::Date;
    if (IsIntegral(x) && IsIntegral(y) && op != TExprOperator::Divide) {
        qint64 r = 0;
        const qint64 p = x.AsInt64(), q = y.AsInt64();
        bool overflow = false;
        switch (op) {
        case TExprOperator::Add: overflow = __builtin_add_overflow(p, q, &r); break;
        case TExprOperator::Subtract: overflow = __builtin_sub_overflow(p, q, &r); break;
        default: overflow = __builtin_mul_overflow(p, q, &r); break;
        }
        if (!overflow) return FromInt64(r);
    }
    const double p = x.AsFloat(), q = y.AsFloat();
    switch (op) {
    case TExprOperator::Add: return dates ? TVariant::FromDate(p + q) : TVariant(p + q);
    case TExprOperator::Subtract:
        // A date less a number is a date; a date less a date a number of days.
        return KindOf(x) == Kind::Date && KindOf(y) != Kind::Date ? TVariant::FromDate(p - q) : TVariant(p - q);
    case TExprOperator::Multiply: return TVariant(p * q);
    default: return q == 0 ? TVariant::Null() : TVariant(p / q);
    }
}

class Evaluator {
public:
    Evaluator(const TExprFieldValue& values, TExprFilterOptions options) : values_(values), options_(options) {}

    TVariant Eval(const TExprNode& n) const
    {
        switch (n.NodeClass) {
        case TExprNodeClass::Constant: return n.Value;
        case TExprNodeClass::Field: {
            std::optional<TVariant> v = values_ ? values_(n.FieldName, n.FieldNo) : std::nullopt;
            if (!v) NotFound(n.FieldName);
            return *v;
        }
        case TExprNodeClass::Unary: return Unary(n);
        case TExprNodeClass::Binary: return Binary(n);
        }
        return TVariant();
    }

private:
    const TExprFieldValue& values_;
    TExprFilterOptions options_;

    TVariant Unary(const TExprNode& n) const
    {
        const TVariant v = Eval(*n.Left);
        switch (n.Operator) {
        case TExprOperator::IsBlank: return TVariant(v.IsClear());
        case TExprOperator::NotBlank: return TVariant(!v.IsClear());
        case TExprOperator::Not: return TVariant(!Truth(v));
        case TExprOperator::Minus: {
            if (v.IsClear()) return TVariant::Null();
            const TVariant x = NumberOf(v);
            if (IsIntegral(x) && x.AsInt64() != std::numeric_limits<qint64>::min()) return FromInt64(-x.AsInt64());
            return KindOf(x) == Kind::Date ? TVariant::FromDate(-x.AsFloat()) : TVariant(-x.AsFloat());
        }
        case TExprOperator::Upper: return v.IsClear() ? TVariant::Null() : TVariant(TextOf(v).toUpper());
        case TExprOperator::Lower: return v.IsClear() ? TVariant::Null() : TVariant(TextOf(v).toLower());
        case TExprOperator::DateValue: {
            if (v.IsClear()) return TVariant::Null();
            if (KindOf(v) == Kind::Date || KindOf(v) == Kind::Number) return TVariant::FromDate(DateOf(v.AsFloat()));
            TDateTime day = 0;
            if (!TryStrToDate(v.AsString(), day)) DatabaseError(QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(v.AsString()));
            return TVariant::FromDate(DateOf(day));
        }
        default: return TVariant();
        }
    }

    TVariant Binary(const TExprNode& n) const
    {
        switch (n.Operator) {
        case TExprOperator::And: return TVariant(Truth(Eval(*n.Left)) && Truth(Eval(*n.Right)));
        case TExprOperator::Or: return TVariant(Truth(Eval(*n.Left)) || Truth(Eval(*n.Right)));
        default: break;
        }
        const TVariant a = Eval(*n.Left);
        const TVariant b = Eval(*n.Right);
        if (IsComparison(n.Operator)) return TVariant(Compare(n, a, b));
        if (n.Operator == TExprOperator::Like) {
            if (a.IsClear() || b.IsClear()) return TVariant(false);
            return TVariant(LikePattern(TextOf(b), options_.CaseInsensitive).match(TextOf(a)).hasMatch());
        }
        return Arithmetic(n.Operator, a, b);
    }

    bool Compare(const TExprNode& n, const TVariant& a, const TVariant& b) const
    {
        if (a.IsClear() || b.IsClear()) return false;
        if ((n.Operator == TExprOperator::Equal || n.Operator == TExprOperator::NotEqual) && IsPartial(*n.Right) &&
            KindOf(a) == Kind::Text) {
            const QString prefix = n.Right->Value.AsString().chopped(1);
            const bool starts =
                a.AsString().startsWith(prefix, options_.CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
            return n.Operator == TExprOperator::Equal ? starts : !starts;
        }
        const int c = CompareValues(a, b, options_.CaseInsensitive);
        switch (n.Operator) {
        case TExprOperator::Equal: return c == 0;
        case TExprOperator::NotEqual: return c != 0;
        case TExprOperator::Greater: return c > 0;
        case TExprOperator::Less: return c < 0;
        case TExprOperator::GreaterOrEqual: return c >= 0;
        default: return c <= 0;
        }
    }

    bool IsPartial(const TExprNode& n) const
    {
        return !options_.NoPartialCompare && n.NodeClass == TExprNodeClass::Constant && n.Value.IsText() &&
               n.Value.AsString().endsWith(QLatin1Char('*'));
    }
};

// ---- node data

class DataWriter {
public:
    DataWriter(TExprFilterOptions options) : options_(options) {}

    QByteArray Build(const TExprNode& root)
    {
        Emit(root);
        constexpr int header = 10;
        const qint64 total = header + nodes_.size() + literals_.size();
        if (total > 0xFFFF) DatabaseError(QCoreApplication::translate("Toolkit", "Filter expression is too long"));
        QByteArray data(header, '\0');
        qToLittleEndian(quint16(1), data.data());
        qToLittleEndian(quint16(total), data.data() + 2);
        qToLittleEndian(quint16(count_), data.data() + 4);
        qToLittleEndian(quint16(nodes_.size()), data.data() + 6);
        qToLittleEndian(quint16(header + nodes_.size()), data.data() + 8);
        return data + nodes_ + literals_;
    }

private:
    TExprFilterOptions options_;
    QByteArray nodes_;
    QByteArray literals_;
    int count_ = 0;

    quint16 NewNode(TExprNodeClass nodeClass, int op)
    {
        const auto at = quint16(nodes_.size());
        nodes_.append(16, '\0');
        qToLittleEndian(quint32(nodeClass), nodes_.data() + at);
        qToLittleEndian(quint32(op), nodes_.data() + at + 4);
        ++count_;
        return at;
    }

    void Put16(quint16 at, int offset, quint16 value) { qToLittleEndian(value, nodes_.data() + at + offset); }
    void Put32(quint16 at, int offset, quint32 value) { qToLittleEndian(value, nodes_.data() + at + offset); }

    quint16 AddLiteral(const QByteArray& bytes)
    {
        const auto at = quint16(literals_.size());
        literals_.append(bytes);
        return at;
    }

    static QByteArray Raw32(qint32 v)
    {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray RawDouble(double v)
    {
        QByteArray b(8, '\0');
        qToLittleEndian(v, b.data());
        return b;
    }

    bool IsText(const TExprNode& n) const
    {
        switch (n.NodeClass) {
        case TExprNodeClass::Constant: return n.Value.IsText();
        case TExprNodeClass::Field: return IsTextType(n.FieldType);
        case TExprNodeClass::Unary: return n.Operator == TExprOperator::Upper || n.Operator == TExprOperator::Lower;
        case TExprNodeClass::Binary: return n.Operator == TExprOperator::Add && IsText(*n.Left) && IsText(*n.Right);
        }
        return false;
    }

    quint16 EmitUpper(const TExprNode& operand)
    {
        const quint16 at = NewNode(TExprNodeClass::Unary, int(TExprOperator::Upper));
        Put16(at, 8, Emit(operand));
        return at;
    }

    quint16 Emit(const TExprNode& n)
    {
        switch (n.NodeClass) {
        case TExprNodeClass::Constant: return EmitConstant(n);
        case TExprNodeClass::Field: {
            const quint16 at = NewNode(TExprNodeClass::Field, int(TExprOperator::Field));
            Put32(at, 8, quint32(n.FieldNo));
            Put16(at, 12, AddLiteral(n.FieldName.toUtf8() + '\0'));
            Put16(at, 14, quint16(n.FieldType));
            return at;
        }
        case TExprNodeClass::Unary: {
            const quint16 at = NewNode(TExprNodeClass::Unary, int(n.Operator));
            Put16(at, 8, Emit(*n.Left));
            return at;
        }
        case TExprNodeClass::Binary: break;
        }
        const bool partial = (n.Operator == TExprOperator::Equal || n.Operator == TExprOperator::NotEqual) &&
                             !options_.NoPartialCompare && n.Right->NodeClass == TExprNodeClass::Constant &&
                             n.Right->Value.IsText() && n.Right->Value.AsString().endsWith(QLatin1Char('*'));
        if (partial && n.Operator == TExprOperator::NotEqual) {
            const quint16 at = NewNode(TExprNodeClass::Unary, int(TExprOperator::Not));
            Put16(at, 8, EmitBinary(n, TExprOperator::Like));
            return at;
        }
        return EmitBinary(n, partial ? TExprOperator::Like : n.Operator);
    }

    quint16 EmitBinary(const TExprNode& n, TExprOperator op)
    {
        const quint16 at = NewNode(TExprNodeClass::Binary, int(op));
        const bool fold = options_.CaseInsensitive && (IsComparison(n.Operator) || n.Operator == TExprOperator::Like) &&
                          (IsText(*n.Left) || IsText(*n.Right));
        Put16(at, 8, fold ? EmitUpper(*n.Left) : Emit(*n.Left));
        Put16(at, 10, fold ? EmitUpper(*n.Right) : Emit(*n.Right));
        return at;
    }

    quint16 EmitConstant(const TExprNode& n)
    {
        const quint16 at = NewNode(TExprNodeClass::Constant, int(TExprOperator::Constant));
        QByteArray value;
        int type = n.FieldType;
        const TVariant& v = n.Value;
        switch (v.Type()) {
        case TVarType::String: value = v.AsString().toUtf8() + '\0'; type = ftString; break;
        case TVarType::Boolean:
            value = QByteArray(2, '\0');
            qToLittleEndian(quint16(v.AsBoolean() ? 1 : 0), value.data());
            type = ftBoolean;
            break;
        case TVarType::Integer: value = Raw32(v.AsInteger()); type = ftInteger; break;
        case TVarType::Date: {
            const TTimeStamp stamp = DateTimeToTimeStamp(v.AsDateTime());
            if (type == ftDate) value = Raw32(stamp.Date);
            else if (type == ftTime) value = Raw32(stamp.Time);
            else {
                type = ftDateTime;
                value = RawDouble(double(stamp.Date) * MSecsPerDay + stamp.Time);
            }
            break;
        }
        case TVarType::Empty:
        case TVarType::Null: type = 0; break;
        default: value = RawDouble(v.AsFloat()); type = ftFloat; break;
        }
        Put32(at, 8, quint32(type));
        Put16(at, 12, AddLiteral(value));
        Put16(at, 14, quint16(value.size()));
        return at;
    }
};

void CollectNames(const TExprNode& n, QStringList& names)
{
    if (n.NodeClass == TExprNodeClass::Field) {
        bool seen = false;
        for (const QString& name : names) seen = seen || name.compare(n.FieldName, Qt::CaseInsensitive) == 0;
        if (!seen) names.append(n.FieldName);
    }
    if (n.Left) CollectNames(*n.Left, names);
    if (n.Right) CollectNames(*n.Right, names);
}
}  // namespace

TExprParser::TExprParser(const QString& text, TExprFieldLookup lookup, TExprFilterOptions options)
    : text_(text), options_(options)
{
    root_ = Parser(text_, lookup).ParseAll();
    filterData_ = DataWriter(options_).Build(*root_);
}

TExprParser::~TExprParser() = default;

QStringList TExprParser::FieldNames() const
{
    QStringList names;
    CollectNames(*root_, names);
    return names;
}

TVariant TExprParser::Evaluate(const TExprFieldValue& values) const { return Evaluator(values, options_).Eval(*root_); }

bool TExprParser::Matches(const TExprFieldValue& values) const { return Truth(Evaluate(values)); }
