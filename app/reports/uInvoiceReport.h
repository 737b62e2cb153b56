#pragma once
// The invoice form: the current order's lines under the client's and the own firm's boxes, the
// totals, the amount in words, the bank and the car. It prints the invoice (original or copy),
// the pro-forma and the order sheet; the main window sets its captions for each.

#include "platform/report/BandReport.h"
#include "platform/toolkit/DataSet.h"

class TReportDBText;
class TReportLabel;
class TReportShape;
class TReportSysData;

class TInvoiceReport : public TBandReport {
    Q_OBJECT
public:
    explicit TInvoiceReport(QObject* owner = nullptr);
    ~TInvoiceReport() override;

    // Puts `tblSale` back on the order the preview was opened for (SaleBookmark).
    void Report1AfterPreview(TBandReport* report);
    // The printed order's place in `tblSale`, taken before the preview.
    TBookmark SaleBookmark;

    // The car row of the summary: captions set, labels and fields shown and printing, or all
    // off with the fuel and damage number hidden.
    void ShowCarRow(bool shown);

    TReportBand* TitleBand1 = nullptr;
    TReportBand* ColumnHeaderBand1 = nullptr;
    TReportBand* DetailBand1 = nullptr;
    TReportBand* SummaryBand1 = nullptr;
    TReportBand* PageFooterBand1 = nullptr;

    TReportLabel* QRLFuckName = nullptr;
    TReportLabel* QRLInvoiceType = nullptr;
    TReportLabel* qrlinvoice_num = nullptr;
    TReportLabel* qrlDigitinWords = nullptr;
    TReportLabel* QRLDDS = nullptr;
    TReportDBText* QRDTaxRate = nullptr;
    TReportLabel* QRLProcent = nullptr;
    TReportDBText* QRTDDS = nullptr;
    TReportDBText* QRDBText4 = nullptr;
    TReportDBText* QRDBText27 = nullptr;
    TReportLabel* QRLabel8 = nullptr;
    TReportDBText* QRDBText2 = nullptr;
    TReportLabel* QRL_AutoNum = nullptr;
    TReportDBText* QRD_AutoNum = nullptr;
    TReportLabel* QRL_TankType = nullptr;
    TReportDBText* QRD_TankType = nullptr;
    TReportLabel* QRL_ShtetaNum = nullptr;
    TReportDBText* QRD_ShtetaNum = nullptr;
    TReportSysData* QRSysData1 = nullptr;

    // A box of the title: its caption, dataset and fields, and where it stands.
    struct TParty {
        const char* Caption;
        const char* DataSet;
        const char* Name;
        const char* Mol;
        const char* Bulstat;
        const char* TaxNum;
        const char* Address;
        double Left;
    };

private:
    void BuildTitle();
    void BuildPartyBox(const TParty& party);
    void BuildColumnHeader();
    void BuildDetail();
    void BuildSummary();
    void BuildBankAndCar(double top);
};

extern TInvoiceReport* InvoiceReport;
