#include "app/reports/uUniversalReportPlus.h"

#include "app/reports/ReportPlacing.h"

using namespace report_placing;

TfUniversalReportPlus* fUniversalReportPlus = nullptr;

TfUniversalReportPlus::TfUniversalReportPlus(QObject* owner)
    : TfUniversalReport(owner, QStringLiteral("fUniversalReportPlus"))
{
    SummaryBand->SetHeight(2 * kRowHeight + 12);
    PutLabel(SummaryBand, "QRLabelDeliveryTotal", QStringLiteral("Всичко по доставка :"), 0, 6, 150);
    total_d = PutField(SummaryBand, "total_d", "tblArticleTotalq", "total_d", 152, 6, 120);
    PutLabel(SummaryBand, "QRLabelSaleTotal", QStringLiteral("Всичко за продажба :"), 0, 6 + kRowHeight, 150);
    total_s = PutField(SummaryBand, "total_s", "tblArticleTotalq", "total_s", 152, 6 + kRowHeight, 120);
    for (TReportDBText* total : {total_d, total_s}) {
        total->SetMask(QStringLiteral("0.00"));
        total->SetAlignment(taRightJustify);
    }
    if (!fUniversalReportPlus) fUniversalReportPlus = this;
}

TfUniversalReportPlus::~TfUniversalReportPlus()
{
    if (fUniversalReportPlus == this) fUniversalReportPlus = nullptr;
}
