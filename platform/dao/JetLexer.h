#pragma once
// Splits Jet SQL text into tokens. Keywords are not told apart here: a word is a Name and the
// parser decides by its place whether it is a keyword.

#include <QString>
#include <vector>

namespace jet {

enum class TokenKind {
    End,
    Name,        // a plain word: letters, digits, underscore
    QuotedName,  // [text in brackets]
    String,      // 'text' or "text", the quotes doubled inside
    Integer,
    Float,
    Date,        // #text between hashes#
    Guid,        // {guid {...}}
    Symbol       // ( ) , . ; * + - / \ ^ & = <> < > <= >= !
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;      // the value: a name without brackets, a string without quotes, a symbol
    int position = 0;  // 1-based character position in the statement
};

class JetLexer {
public:
    explicit JetLexer(QString text);
    // The whole text as tokens, ending with one End token; raises EDaoError on an unclosed
    // string, bracket, date or GUID literal.
    std::vector<Token> Tokenize();

private:
    Token Next();
    Token ReadQuoted(TokenKind kind, QChar close);
    Token ReadNumber();
    Token ReadGuid();

    QString text_;
    int at_ = 0;
};

}  // namespace jet
