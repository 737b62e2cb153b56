#pragma once
// The work task: the vehicle hand-over protocol of the current order, its lines with a mark for
// labour, room for the worker's name, a car outline to mark damage on, and the signatures.

#include "platform/report/BandReport.h"

class TReportExpr;
class TReportLabel;
class TReportSysData;

class TOrderReport : public TBandReport {
    Q_OBJECT
public:
    explicit TOrderReport(QObject* owner = nullptr);
    ~TOrderReport() override;

    // Nothing is left to do once the protocol's preview has closed.
    void Report1AfterPreview(TBandReport* report);

    TReportBand* TitleBand1 = nullptr;
    TReportBand* ColumnHeaderBand1 = nullptr;
    TReportBand* DetailBand1 = nullptr;
    TReportBand* SummaryBand1 = nullptr;
    TReportBand* PageFooterBand1 = nullptr;

    TReportLabel* QRLabel25 = nullptr;
    TReportExpr* QRExprLabour = nullptr;
    TReportSysData* QRSysData1 = nullptr;

private:
    void BuildTitle();
    void BuildColumnHeader();
    void BuildDetail();
    void BuildSummary();
    void BuildCarOutline(double left, double top);
};

extern TOrderReport* OrderReport;
