#pragma once
// A text computed by an expression ("IF(tblSaleDetail.service,'V','')", "tblSale.sale_num",
// "SUM(tblMemTable.total)"), numbers printed by the mask when one is given.

#include "platform/report/ReportPrintable.h"

#include <memory>

class TReportExpr : public TReportText {
    Q_OBJECT
public:
    explicit TReportExpr(TReportBand* band);
    ~TReportExpr() override;

    QString Expression() const { return expression_; }
    void SetExpression(const QString& expression);
    QString Mask() const { return mask_; }
    void SetMask(const QString& mask) { mask_ = mask; }
    // Aggregates start afresh each time the control's band has been placed on a page (always so
    // in a group footer).
    bool ResetAfterPrint() const { return resetAfterPrint_; }
    void SetResetAfterPrint(bool v) { resetAfterPrint_ = v; }

    void Check(const TPrintContext& context) override;
    void Accumulate(const TPrintContext& context) override;
    void ResetAggregates() override;

protected:
    QString PrintText(const TPrintContext& context) override;

private:
    // The parsed expression; raises EReportError naming the control on a syntax error.
    TReportExpression& Parsed();

    QString expression_;
    QString mask_;
    bool resetAfterPrint_ = false;
    std::unique_ptr<TReportExpression> parsed_;
};
