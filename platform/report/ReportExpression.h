#pragma once
// The report's expression language: field references ("field" of the report's dataset,
// "dataset.field" of any dataset the report can see), numbers, 'texts', TRUE and FALSE,
// + - * / (+ joins texts), comparisons = <> < > <= >=, AND, OR, NOT, parentheses, and functions:
// IF(condition, then, else), SUM, COUNT, MIN, MAX, AVERAGE (aggregates over the detail rows),
// STR, UPPER, LOWER, COPY(text, start, count), FORMATNUMERIC(mask, number), INT, FRAC, DATE, TIME.
// Names and keywords ignore case. Null counts as 0 in arithmetic, as '' in texts, as false in
// conditions; aggregates skip it.

#include "platform/toolkit/Variant.h"

#include <QString>
#include <memory>

// Where an expression reads its fields. `dataSet` is empty for the report's own dataset.
class TExpressionContext {
public:
    virtual ~TExpressionContext() = default;
    // Raises EReportError (without an item name) for a dataset or field the report cannot see.
    virtual void CheckField(const QString& dataSet, const QString& field) const = 0;
    virtual TVariant FieldValue(const QString& dataSet, const QString& field) const = 0;
};

class TReportExpression {
public:
    // Parses the text; raises EReportError (without an item name) on a syntax error.
    explicit TReportExpression(const QString& text);
    ~TReportExpression();
    TReportExpression(const TReportExpression&) = delete;
    TReportExpression& operator=(const TReportExpression&) = delete;

    const QString& Text() const { return text_; }
    // Whether the expression holds an aggregate, which then needs every detail row.
    bool IsAggregate() const;
    // Raises EReportError for the first field the context cannot see.
    void Check(const TExpressionContext& context) const;
    TVariant Evaluate(const TExpressionContext& context) const;
    // Adds the context's current row to every aggregate of the expression.
    void Accumulate(const TExpressionContext& context);
    // Starts every aggregate afresh.
    void Reset();

    struct TNode;

private:
    QString text_;
    std::unique_ptr<TNode> root_;
};
