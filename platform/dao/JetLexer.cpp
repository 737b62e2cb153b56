#include "platform/dao/JetLexer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"

#include <QCoreApplication>

namespace jet {

namespace {

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

[[noreturn]] void Unclosed(const QString& what, int position)
{
    throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Syntax error: %1 opened at position %2 is not closed.")
                                        .arg(what)
                                        .arg(position));
}

}  // namespace

JetLexer::JetLexer(QString text) : text_(std::move(text)) {}

std::vector<Token> JetLexer::Tokenize()
{
    std::vector<Token> tokens;
    for (;;) {
        tokens.push_back(Next());
        if (tokens.back().kind == TokenKind::End)
            return tokens;
    }
}

Token JetLexer::Next()
{
    while (at_ < text_.size() && text_[at_].isSpace())
        ++at_;
    if (at_ >= text_.size())
        return Token{TokenKind::End, QString(), int(text_.size()) + 1};
    const QChar c = text_[at_];
    const int start = at_;
    if (c == u'[')
        return ReadQuoted(TokenKind::QuotedName, u']');
    if (c == u'\'' || c == u'"')
        return ReadQuoted(TokenKind::String, c);
    if (c == u'#')
        return ReadQuoted(TokenKind::Date, u'#');
    if (c == u'{')
        return ReadGuid();
    if (c.isDigit() || (c == u'.' && at_ + 1 < text_.size() && text_[at_ + 1].isDigit()))
        return ReadNumber();
    if (IsWordChar(c)) {
        while (at_ < text_.size() && IsWordChar(text_[at_]))
            ++at_;
        return Token{TokenKind::Name, text_.mid(start, at_ - start), start + 1};
    }
    ++at_;
    if ((c == u'<' || c == u'>') && at_ < text_.size()) {
        const QChar n = text_[at_];
        if (n == u'=' || (c == u'<' && n == u'>')) {
            ++at_;
            return Token{TokenKind::Symbol, text_.mid(start, 2), start + 1};
        }
    }
    return Token{TokenKind::Symbol, QString(c), start + 1};
}

// Reads from an opening character to its closing one; a doubled closing character inside
// string literals stands for itself.
Token JetLexer::ReadQuoted(TokenKind kind, QChar close)
{
    const int start = at_;
    ++at_;
    QString value;
    for (;;) {
        if (at_ >= text_.size()) {
            const QString what = kind == TokenKind::String       ? QStringLiteral("the text literal")
                                 : kind == TokenKind::QuotedName ? QStringLiteral("the bracketed name")
                                                                 : QStringLiteral("the date literal");
            Unclosed(what, start + 1);
        }
        const QChar c = text_[at_++];
        if (c == close) {
            if (kind == TokenKind::String && at_ < text_.size() && text_[at_] == close) {
                value += c;
                ++at_;
                continue;
            }
            break;
        }
        value += c;
    }
    return Token{kind, value, start + 1};
}

Token JetLexer::ReadNumber()
{
    const int start = at_;
    bool isFloat = false;
    while (at_ < text_.size() && text_[at_].isDigit())
        ++at_;
    if (at_ < text_.size() && text_[at_] == u'.') {
        isFloat = true;
        ++at_;
        while (at_ < text_.size() && text_[at_].isDigit())
            ++at_;
    }
    if (at_ < text_.size() && (text_[at_] == u'e' || text_[at_] == u'E')) {
        int look = at_ + 1;
        if (look < text_.size() && (text_[look] == u'+' || text_[look] == u'-'))
            ++look;
        if (look < text_.size() && text_[look].isDigit()) {
            isFloat = true;
            at_ = look;
            while (at_ < text_.size() && text_[at_].isDigit())
                ++at_;
        }
    }
    return Token{isFloat ? TokenKind::Float : TokenKind::Integer, text_.mid(start, at_ - start), start + 1};
}

// "{guid {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}}": the value is the braced GUID.
Token JetLexer::ReadGuid()
{
    const int start = at_;
    const int end = text_.indexOf(QStringLiteral("}}"), at_);
    if (end < 0)
        Unclosed(QStringLiteral("the GUID literal"), start + 1);
    at_ = end + 2;
    QString inner = text_.mid(start + 1, end - start).trimmed();  // "guid {...}"
    if (!inner.startsWith(QStringLiteral("guid"), Qt::CaseInsensitive))
        throw EDaoError(dao::errSyntax,
                        QCoreApplication::translate("Dao", "Syntax error in query at position %1 near '{'.").arg(start + 1));
    inner = inner.mid(4).trimmed();
    return Token{TokenKind::Guid, inner, start + 1};
}

}  // namespace jet
