#pragma once
// Reads Jet SQL into the statement tree: SELECT (DISTINCT, DISTINCTROW, TOP, joins nested in
// parentheses, WHERE, GROUP BY, HAVING, ORDER BY), DELETE, UPDATE, INSERT INTO, a leading
// PARAMETERS declaration, and bare expressions and sort lists for filters.

#include "platform/dao/JetAst.h"
#include "platform/dao/JetLexer.h"

#include <optional>

namespace jet {

class JetParser {
public:
    explicit JetParser(const QString& text);
    // A whole statement with an optional closing ";"; anything after it is an error.
    JetStatement ParseStatement();
    // One expression taking the whole text.
    ExprPtr ParseCriteria();
    // "expr [ASC|DESC], ..." taking the whole text.
    std::vector<OrderItem> ParseSortList();

    // The day number of a #...# literal's text: month first ("mm/dd/yyyy [hh:nn[:ss] [AM|PM]]"),
    // ISO "yyyy-mm-dd", or a time alone; nullopt when it names no real date or time.
    static std::optional<double> DateLiteralValue(const QString& text);
    // The declared type of a PARAMETERS entry by its Jet type name, 0 when unknown.
    static int ParameterTypeByName(const QString& typeName);

private:
    const Token& Peek(int ahead = 0) const;
    Token Take();
    bool IsKeyword(const Token& t, const char* word) const;
    bool AtKeyword(const char* word, int ahead = 0) const { return IsKeyword(Peek(ahead), word); }
    bool AcceptKeyword(const char* word);
    void ExpectKeyword(const char* word);
    bool AtSymbol(const char* symbol, int ahead = 0) const;
    bool AcceptSymbol(const char* symbol);
    void ExpectSymbol(const char* symbol);
    bool AtName() const;
    QString ExpectName(const char* what);
    void ExpectEnd();
    [[noreturn]] void Fail(const Token& at, const QString& expected) const;

    void ParseParameters(JetStatement& stmt);
    std::unique_ptr<SelectStmt> ParseSelect();
    void ParseSelectItems(SelectStmt& select);
    TableRefPtr ParseJoinedSource();
    TableRefPtr ParseSingleSource();
    std::vector<OrderItem> ParseOrderList();
    void ParseDelete(JetStatement& stmt);
    void ParseUpdate(JetStatement& stmt);
    void ParseInsert(JetStatement& stmt);

    ExprPtr ParseExpr();
    ExprPtr ParseEqv();
    ExprPtr ParseXor();
    ExprPtr ParseOr();
    ExprPtr ParseAnd();
    ExprPtr ParseNot();
    ExprPtr ParseComparison();
    ExprPtr ParseConcat();
    ExprPtr ParseAdditive();
    ExprPtr ParseMod();
    ExprPtr ParseIntDiv();
    ExprPtr ParseMultiplicative();
    ExprPtr ParseUnary();
    ExprPtr ParsePower();
    ExprPtr ParsePrimary();
    ExprPtr ParseNameOrCall();
    ExprPtr ParseLiteral();

    // Counts the recursive descents under way, refusing one too many.
    class Nesting {
    public:
        explicit Nesting(JetParser& parser);
        ~Nesting();
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        JetParser& parser_;
    };

    std::vector<Token> tokens_;
    size_t at_ = 0;
    int nesting_ = 0;
};

}  // namespace jet
