#pragma once
// The cash report: a grid's rows as a table (the journal), under a title with the cash box and
// the period, and a summary with the period's totals and balances.

#include "platform/report/BandReport.h"

class TReportDBText;
class TReportLabel;
class TReportSysData;

class TReport : public TBandReport {
    Q_OBJECT
public:
    explicit TReport(QObject* owner = nullptr);
    ~TReport() override;

    // The type of the journal's columns; their widths are measured in it.
    static QFont ColumnFont();

    TReportBand* TitleBand1 = nullptr;
    TReportBand* ColumnHeaderBand1 = nullptr;
    TReportBand* DetailBand1 = nullptr;
    TReportBand* PageFooterBand1 = nullptr;
    TReportBand* SummaryBand1 = nullptr;

    // Title.
    TReportLabel* lblDate = nullptr;
    TReportSysData* QRSysData1 = nullptr;
    TReportLabel* lblVersion = nullptr;
    TReportLabel* lblTitle = nullptr;
    TReportLabel* lblPeriod = nullptr;
    TReportLabel* lblPeriod2 = nullptr;
    // Page footer.
    TReportSysData* QRSysData2 = nullptr;
    // Summary: the six totals beside their captions, then the sums and the balances.
    TReportLabel* lblTakings = nullptr;
    TReportDBText* qrTakedTotalSum = nullptr;
    TReportLabel* lblSales = nullptr;
    TReportDBText* qrTotalSale = nullptr;
    TReportLabel* lblGiven = nullptr;
    TReportDBText* qrGiveTotal = nullptr;
    TReportLabel* lblDeliveries = nullptr;
    TReportDBText* qrDeliveryTotal = nullptr;
    TReportLabel* lblPayments = nullptr;
    TReportDBText* qrPaymentSum = nullptr;
    TReportLabel* lblWages = nullptr;
    TReportDBText* qrWorkSum = nullptr;
    TReportLabel* lblIncome = nullptr;
    TReportLabel* lblIncomeValue = nullptr;
    TReportLabel* lblExpense = nullptr;
    TReportLabel* lblExpenseValue = nullptr;
    TReportLabel* lblSaldoDate = nullptr;
    TReportLabel* lblOldBalance = nullptr;
    TReportLabel* lblOldBalanceValue = nullptr;
    TReportLabel* lblNewBalance = nullptr;
    TReportLabel* lblNewBalanceValue = nullptr;

private:
    void BuildTitle();
    void BuildSummary();
};

// The cash report template, made with the other templates at start-up.
extern TReport* Report;
