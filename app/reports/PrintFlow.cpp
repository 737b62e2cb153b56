#include "app/reports/PrintFlow.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportError.h"

void RunReport(TBandReport& report, TPrintMode mode, const QString& pdfFile)
{
    switch (mode) {
    case TPrintMode::Preview:
        report.Preview();
        return;
    case TPrintMode::Print:
        report.Print();
        return;
    case TPrintMode::Pdf:
        if (pdfFile.isEmpty()) throw EReportError(QStringLiteral("RunReport: no PDF file name"));
        report.SaveToPdf(pdfFile);
        return;
    }
}
