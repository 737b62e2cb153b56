#pragma once
// The parsed form of a Jet statement. Nodes own their children; names are kept as written
// and resolved only when the statement is translated.

#include <QString>
#include <memory>
#include <vector>

namespace jet {

// The deepest expression tree a statement may hold, parser's and translator's bound alike.
// Both walk the tree recursively, so hostile text must not make it deeper than the stack
// allows; SQLite's own parser refuses the SQL of trees even a little over a hundred deep.
inline constexpr int kMaxExprHeight = 256;

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

enum class LiteralKind { Null, Integer, Float, String, Boolean, Date, Guid };

struct Expr {
    enum class Kind {
        Literal,
        Name,     // [qualifier.]name: a column, an alias or a parameter
        Star,     // * or qualifier.*
        Unary,    // op: "-", "+", "NOT"
        Binary,   // op: arithmetic, comparison, "&", "AND", "OR", "XOR", "EQV", "IMP", "LIKE"
        IsNull,   // args[0] IS [NOT] NULL
        Between,  // args[0] [NOT] BETWEEN args[1] AND args[2]
        In,       // args[0] [NOT] IN (args[1..])
        Call      // name(args)
    };
    Kind kind = Kind::Literal;
    int position = 0;  // of the node's first token
    QString op;        // operator in upper case, or the function name as written
    QString qualifier;
    QString name;
    bool negated = false;
    std::vector<ExprPtr> args;
    int height = 1;  // levels of the tree from this node down, counting itself

    LiteralKind literal = LiteralKind::Null;
    qint64 integer = 0;
    double number = 0;  // Float, and the day number of Date
    QString text;       // String, the braced GUID, and the source text of any literal
};

enum class JoinKind { Inner, Left, Right };

struct TableRef {
    bool isJoin = false;
    // a named source: a stored table or a saved query
    QString name;
    QString alias;
    int position = 0;
    // a join
    JoinKind join = JoinKind::Inner;
    std::unique_ptr<TableRef> left, right;
    ExprPtr on;
};
using TableRefPtr = std::unique_ptr<TableRef>;

struct SelectItem {
    ExprPtr expr;
    QString alias;  // empty when none was written
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

struct SelectStmt {
    bool distinct = false;
    bool distinctRow = false;
    qint64 top = -1;
    std::vector<SelectItem> items;
    std::vector<TableRefPtr> from;  // comma-separated sources
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
    std::vector<OrderItem> orderBy;
};

struct ParamDecl {
    QString name;
    int type = 0;  // dao::FieldType
    int position = 0;
};

struct Assignment {
    ExprPtr target;  // a Name
    ExprPtr value;
};

enum class StmtKind { Select, Delete, Update, Insert };

struct JetStatement {
    StmtKind kind = StmtKind::Select;
    std::vector<ParamDecl> parameters;
    std::unique_ptr<SelectStmt> select;  // Select, and the source of INSERT ... SELECT
    TableRefPtr table;                   // target of Delete, Update, Insert
    ExprPtr where;                       // Delete, Update
    std::vector<Assignment> assignments; // Update
    std::vector<ExprPtr> columns;        // Insert column list (Names), empty for all
    std::vector<ExprPtr> values;         // Insert ... VALUES
};

// The expression as Jet text, for messages.
QString ExprText(const Expr& expr);

// Raises the engine's syntax error for an expression deeper than kMaxExprHeight.
[[noreturn]] void RaiseTooDeep(int position);

}  // namespace jet
