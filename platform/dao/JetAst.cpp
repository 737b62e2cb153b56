#include "platform/dao/JetAst.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"

#include <QCoreApplication>
#include <QStringList>

namespace jet {

namespace {

QString NameText(const Expr& e)
{
    const QString name = QStringLiteral("[%1]").arg(e.name);
    return e.qualifier.isEmpty() ? name : QStringLiteral("[%1].%2").arg(e.qualifier, name);
}

QString ArgsText(const Expr& e, int from)
{
    QStringList parts;
    for (size_t i = size_t(from); i < e.args.size(); ++i)
        parts << ExprText(*e.args[i]);
    return parts.join(QStringLiteral(", "));
}

QString LiteralText(const Expr& e)
{
    switch (e.literal) {
    case LiteralKind::Null: return QStringLiteral("Null");
    case LiteralKind::Boolean: return e.integer ? QStringLiteral("True") : QStringLiteral("False");
    case LiteralKind::String: return QLatin1Char('\'') + QString(e.text).replace(u'\'', QStringLiteral("''")) + u'\'';
    case LiteralKind::Date: return QLatin1Char('#') + e.text + u'#';
    case LiteralKind::Guid: return QStringLiteral("{guid %1}").arg(e.text);
    default: return e.text;
    }
}

}  // namespace

QString ExprText(const Expr& e)
{
    switch (e.kind) {
    case Expr::Kind::Literal: return LiteralText(e);
    case Expr::Kind::Name: return NameText(e);
    case Expr::Kind::Star: return e.qualifier.isEmpty() ? QStringLiteral("*") : e.qualifier + QStringLiteral(".*");
    case Expr::Kind::Unary:
        return e.op == QLatin1String("NOT") ? QStringLiteral("Not ") + ExprText(*e.args[0]) : e.op + ExprText(*e.args[0]);
    case Expr::Kind::Binary:
        return QStringLiteral("%1%2%3").arg(ExprText(*e.args[0]), e.op.front().isLetter() ? u' ' + e.op + u' ' : e.op,
                                            ExprText(*e.args[1]));
    case Expr::Kind::IsNull:
        return ExprText(*e.args[0]) + (e.negated ? QStringLiteral(" Is Not Null") : QStringLiteral(" Is Null"));
    case Expr::Kind::Between:
        return QStringLiteral("%1%2 Between %3 And %4")
            .arg(ExprText(*e.args[0]), e.negated ? QStringLiteral(" Not") : QString(), ExprText(*e.args[1]),
                 ExprText(*e.args[2]));
    case Expr::Kind::In:
        return QStringLiteral("%1%2 In (%3)")
            .arg(ExprText(*e.args[0]), e.negated ? QStringLiteral(" Not") : QString(), ArgsText(e, 1));
    case Expr::Kind::Call: return QStringLiteral("%1(%2)").arg(e.op, ArgsText(e, 0));
    }
    return QString();
}

void RaiseTooDeep(int position)
{
    throw EDaoError(dao::errSyntax, QCoreApplication::translate("Dao", "Expression too complex at position %1: it is nested more than %2 "
                                                                       "levels deep.")
                                        .arg(position)
                                        .arg(kMaxExprHeight));
}

}  // namespace jet
