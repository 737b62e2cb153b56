#pragma once
// The filter-expression parser: a dataset's Filter text becomes an expression tree that the
// dataset evaluates per row, either through Evaluate (field values asked by name through a
// callback) or from the compact node data (FilterData) laid out below.
//
// Syntax: field names plain (customer, сума) or in brackets ([sale date]); text constants in
// single quotes ('it''s', quote doubled) or double quotes ("make"); numbers (12, 0.5, 1e3);
// dates as #dd/mm/yyyy# or DateValue("dd/mm/yyyy"); TRUE, FALSE, NULL; comparisons = <> < >
// <= >=; IS [NOT] NULL; [NOT] LIKE with % or * for any run of characters and _ or ? for one;
// + - * / and unary minus; NOT, AND, OR (lowest); parentheses; UPPER(x), LOWER(x),
// DATEVALUE(x). Keywords and function names ignore case.
//
// Limits: parentheses, NOT, signs and function calls nest at most kMaxExprNesting deep, and the
// tree (a long chain of AND, OR or arithmetic counts one level per operator) is at most
// kMaxExprNesting levels high; past either the text is refused, so that no hostile filter can
// exhaust the stack. A text constant cannot hold the character NUL (the node data ends it there).
//
// Meaning: a comparison with Null or Empty on either side is false, IS NULL true; a Null
// operand of NOT, AND, OR counts as false; arithmetic with Null gives Null, so does division by
// zero. Text compares with text, numbers with numbers, dates with dates; a text constant
// compared with a date, number or Boolean field is read as that kind when the field's type is
// known at parse time, and otherwise when the row's value arrives. With case-insensitivity text
// compares without letter case; unless partial compare is switched off, "= 'Ab*'" (a text
// constant ending in '*') matches every text that starts with Ab ("<>" its opposite).
//
// Node data (little-endian): a 10-byte header (version 1, total size, node count, size of the
// node area, offset of the literal area from the start), then the nodes, the root first, then
// the literal area. Node references are 16-bit offsets counted from the end of the header.
// Every node is 16 bytes: class (32-bit) at 0, operator (32-bit) at 4, then
//   unary: operand reference at 8;  binary: left and right references at 8 and 10;
//   field: field number (32-bit, 1-based, 0 when unknown) at 8, offset of its zero-terminated
//          UTF-8 name in the literal area at 12, its field type at 14;
//   constant: field type (32-bit) at 8, offset of the value in the literal area at 12, the
//          value's size at 14.
// Constant values: String zero-terminated UTF-8; Integer 32-bit; Float double; Boolean 16-bit
// (1 or 0); Date 32-bit day number (1 January of year 1 is day 1); Time 32-bit milliseconds;
// DateTime double milliseconds since the start of day 1. Case-insensitivity is carried into
// the node data as UPPER on both sides of a text comparison; a partial compare goes as LIKE.

#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

inline constexpr int kMaxExprNesting = 256;

struct TExprFilterOptions {
    bool CaseInsensitive = false;
    bool NoPartialCompare = false;
};

// What a dataset knows of a field at parse time: its 1-based position in the field list and its
// field type number (the dataset's field type enumeration as an integer).
struct TExprFieldInfo {
    int FieldNo = 0;
    int FieldType = 0;
};

// Field lookup at parse time: nothing for a name the dataset does not have, which makes the
// parse fail with "Field '<name>' not found".
using TExprFieldLookup = std::function<std::optional<TExprFieldInfo>(const QString& name)>;
// Field value of the row being tested: nothing when there is no such field, which raises
// EDatabaseError "Field '<name>' not found". fieldNo is 0 when no lookup was given at parse time.
using TExprFieldValue = std::function<std::optional<TVariant>(const QString& name, int fieldNo)>;

enum class TExprNodeClass { Unary = 1, Binary = 2, Field = 4, Constant = 5 };

enum class TExprOperator {
    IsBlank = 1,
    NotBlank = 2,
    Equal = 3,
    NotEqual = 4,
    Greater = 5,
    Less = 6,
    GreaterOrEqual = 7,
    LessOrEqual = 8,
    Not = 9,
    And = 10,
    Or = 11,
    Field = 13,
    Constant = 14,
    Minus = 15,
    Add = 16,
    Subtract = 17,
    Multiply = 18,
    Divide = 19,
    Like = 22,
    Upper = 33,
    Lower = 34,
    DateValue = 41,
};

struct TExprNode {
    TExprNodeClass NodeClass = TExprNodeClass::Constant;
    TExprOperator Operator = TExprOperator::Constant;
    std::unique_ptr<TExprNode> Left;   // the operand of a unary node
    std::unique_ptr<TExprNode> Right;
    QString FieldName;
    int FieldNo = 0;
    int FieldType = 0;  // of a field, or of a constant (its literal type)
    TVariant Value;     // of a constant
    int Height = 1;     // levels of the tree from this node down
};

class TExprParser {
public:
    // Parses `text`; EDatabaseError "Error in filter expression at position <n>: <what>" on bad
    // syntax, "Field '<name>' not found" when the lookup does not know a field.
    explicit TExprParser(const QString& text, TExprFieldLookup lookup = {}, TExprFilterOptions options = {});
    ~TExprParser();
    TExprParser(const TExprParser&) = delete;
    TExprParser& operator=(const TExprParser&) = delete;

    const QString& Text() const { return text_; }
    TExprFilterOptions Options() const { return options_; }
    const TExprNode& Root() const { return *root_; }
    // The field names the expression uses, each once, in order of appearance.
    QStringList FieldNames() const;

    TVariant Evaluate(const TExprFieldValue& values) const;
    // The evaluation as a Boolean: false for Null and Empty.
    bool Matches(const TExprFieldValue& values) const;

    const QByteArray& FilterData() const { return filterData_; }

private:
    QString text_;
    TExprFilterOptions options_;
    std::unique_ptr<TExprNode> root_;
    QByteArray filterData_;
};
