#include "platform/report/ReportExpr.h"

#include "platform/report/ReportError.h"
#include "platform/report/ReportFormat.h"

TReportExpr::TReportExpr(TReportBand* band) : TReportText(band) {}

TReportExpr::~TReportExpr() = default;

void TReportExpr::SetExpression(const QString& expression)
{
    expression_ = expression;
    parsed_.reset();
}

TReportExpression& TReportExpr::Parsed()
{
    if (!parsed_) {
        try {
            parsed_ = std::make_unique<TReportExpression>(expression_);
        } catch (const EReportError& e) {
            ReportError(Name(), e.Message());
        }
    }
    return *parsed_;
}

void TReportExpr::Check(const TPrintContext& context)
{
    TReportExpression& expression = Parsed();
    try {
        expression.Check(context);
    } catch (const EReportError& e) {
        ReportError(Name(), e.Message());
    }
}

QString TReportExpr::PrintText(const TPrintContext& context)
{
    try {
        return FormatValue(Parsed().Evaluate(context), mask_);
    } catch (const EReportError& e) {
        ReportError(Name(), e.Message());
    }
}

void TReportExpr::Accumulate(const TPrintContext& context)
{
    TReportExpression& expression = Parsed();
    if (!expression.IsAggregate())
        return;
    try {
        expression.Accumulate(context);
    } catch (const EReportError& e) {
        ReportError(Name(), e.Message());
    }
}

void TReportExpr::ResetAggregates()
{
    if (parsed_)
        parsed_->Reset();
}
