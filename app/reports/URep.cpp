#include "app/reports/URep.h"

#include "app/reports/GridColumnCopy.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/ReportShape.h"
#include "platform/report/ReportSysData.h"

TReport* Report = nullptr;

namespace {

template <class TPrintableClass>
TPrintableClass* Put(TReportBand* band, const char* name, double left, double top, double width, double height = 17)
{
    auto* printable = new TPrintableClass(band);
    printable->setObjectName(QString::fromLatin1(name));
    printable->SetBounds(left, top, width, height);
    return printable;
}

TReportLabel* PutLabel(TReportBand* band, const char* name, const QString& caption, double left, double top,
                       double width, double height = 17)
{
    auto* label = Put<TReportLabel>(band, name, left, top, width, height);
    label->SetCaption(caption);
    return label;
}

TReportDBText* PutTotal(TReportBand* band, const char* name, const char* dataSet, const char* field, double left,
                        double top)
{
    auto* text = Put<TReportDBText>(band, name, left, top, 90);
    text->SetDataSetName(QString::fromLatin1(dataSet));
    text->SetDataField(QString::fromLatin1(field));
    text->SetAlignment(taRightJustify);
    return text;
}

}  // namespace

TReport::TReport(QObject* owner) : TBandReport(owner)
{
    setObjectName(QStringLiteral("Report"));
    Page().SetPaperSize(psLetter);
    Page().SetOrientation(poPortrait);
    TitleBand1 = CreateBand(rbTitle, 96);
    TitleBand1->setObjectName(QStringLiteral("TitleBand1"));
    ColumnHeaderBand1 = CreateBand(rbColumnHeader, 22);
    ColumnHeaderBand1->setObjectName(QStringLiteral("ColumnHeaderBand1"));
    DetailBand1 = CreateBand(rbDetail, 18);
    DetailBand1->setObjectName(QStringLiteral("DetailBand1"));
    PageFooterBand1 = CreateBand(rbPageFooter, 22);
    PageFooterBand1->setObjectName(QStringLiteral("PageFooterBand1"));
    SummaryBand1 = CreateBand(rbSummary, 190);
    SummaryBand1->setObjectName(QStringLiteral("SummaryBand1"));
    AddGridColumnSlots(ColumnHeaderBand1, DetailBand1);
    for (TReportBand* band : {ColumnHeaderBand1, DetailBand1})
        for (TReportPrintable* slot : band->Printables()) static_cast<TReportText*>(slot)->SetFont(ColumnFont());
    BuildTitle();
    QRSysData2 = Put<TReportSysData>(PageFooterBand1, "QRSysData2", 600, 2, 100);
    QRSysData2->SetData(sdPageNumber);
    QRSysData2->SetText(QStringLiteral("стр. "));
    QRSysData2->SetAlignment(taRightJustify);
    BuildSummary();
    if (!Report) Report = this;
}

TReport::~TReport()
{
    if (Report == this) Report = nullptr;
}

// The journal's columns are narrow: a smaller type keeps their texts whole.
QFont TReport::ColumnFont()
{
    QFont small = DefaultReportFont();
    small.setPixelSize(10);
    return small;
}

void TReport::BuildTitle()
{
    lblDate = PutLabel(TitleBand1, "lblDate", QStringLiteral("Дата "), 0, 0, 40);
    QRSysData1 = Put<TReportSysData>(TitleBand1, "QRSysData1", 40, 0, 100);
    QRSysData1->SetData(sdDate);
    lblVersion = PutLabel(TitleBand1, "lblVersion", QString(), 560, 0, 140);
    lblVersion->SetAlignment(taRightJustify);
    lblTitle = PutLabel(TitleBand1, "lblTitle", QString(), 0, 24, 700, 24);
    lblTitle->SetAlignment(taCenter);
    QFont big = lblTitle->Font();
    big.setPixelSize(20);
    big.setBold(true);
    lblTitle->SetFont(big);
    lblPeriod = PutLabel(TitleBand1, "lblPeriod", QString(), 0, 52, 700);
    lblPeriod->SetAlignment(taCenter);
    lblPeriod2 = PutLabel(TitleBand1, "lblPeriod2", QString(), 0, 74, 300);
}

void TReport::BuildSummary()
{
    auto* line = Put<TReportShape>(SummaryBand1, "QRShape1", 0, 2, 705, 4);
    line->SetShape(stHorLine);
    const double captionLeft = 0, valueLeft = 110, rightCaption = 260, rightValue = 370;
    lblTakings = PutLabel(SummaryBand1, "lblTakings", QStringLiteral("Постъпления"), captionLeft, 12, 105);
    qrTakedTotalSum = PutTotal(SummaryBand1, "qrTakedTotalSum", "tblCashTTotal", "TakedTotalSum", valueLeft, 12);
    lblSales = PutLabel(SummaryBand1, "lblSales", QStringLiteral("Поръчки"), captionLeft, 32, 105);
    qrTotalSale = PutTotal(SummaryBand1, "qrTotalSale", "tblCashSTotal", "TotalSale", valueLeft, 32);
    lblGiven = PutLabel(SummaryBand1, "lblGiven", QStringLiteral("Плащания"), rightCaption, 12, 105);
    qrGiveTotal = PutTotal(SummaryBand1, "qrGiveTotal", "tblCashGTotal", "GiveTotal", rightValue, 12);
    lblDeliveries = PutLabel(SummaryBand1, "lblDeliveries", QStringLiteral("Доставки"), rightCaption, 32, 105);
    qrDeliveryTotal = PutTotal(SummaryBand1, "qrDeliveryTotal", "tblCashDTotal", "Total", rightValue, 32);
    lblPayments = PutLabel(SummaryBand1, "lblPayments", QStringLiteral("Пл. на раб."), rightCaption, 52, 105);
    qrPaymentSum = PutTotal(SummaryBand1, "qrPaymentSum", "tblCashEPTotal", "PaymentSum", rightValue, 52);
    lblWages = PutLabel(SummaryBand1, "lblWages", QStringLiteral("Заплати"), rightCaption, 72, 105);
    qrWorkSum = PutTotal(SummaryBand1, "qrWorkSum", "tblCashEWTotal", "PaymentSum", rightValue, 72);

    lblIncome = PutLabel(SummaryBand1, "lblIncome", QStringLiteral("Общо приход"), captionLeft, 100, 105);
    lblIncomeValue = PutLabel(SummaryBand1, "lblIncomeValue", QString(), valueLeft, 100, 90);
    lblExpense = PutLabel(SummaryBand1, "lblExpense", QStringLiteral("Общо разход"), rightCaption, 100, 105);
    lblExpenseValue = PutLabel(SummaryBand1, "lblExpenseValue", QString(), rightValue, 100, 90);
    lblSaldoDate = PutLabel(SummaryBand1, "lblSaldoDate", QString(), captionLeft, 128, 400);
    lblOldBalance = PutLabel(SummaryBand1, "lblOldBalance", QStringLiteral("Старо салдо "), captionLeft, 148, 105);
    lblOldBalanceValue = PutLabel(SummaryBand1, "lblOldBalanceValue", QString(), valueLeft, 148, 90);
    lblNewBalance = PutLabel(SummaryBand1, "lblNewBalance", QStringLiteral("Ново салдо "), rightCaption, 148, 105);
    lblNewBalanceValue = PutLabel(SummaryBand1, "lblNewBalanceValue", QString(), rightValue, 148, 90);
    for (TReportLabel* value : {lblIncomeValue, lblExpenseValue, lblOldBalanceValue, lblNewBalanceValue})
        value->SetAlignment(taRightJustify);
}
