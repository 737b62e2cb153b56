#include "app/reports/PrintFlow.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportError.h"

bool RunReport(TBandReport& report, TPrintMode mode, const QString& pdfFile)
{
    switch (mode) {
    case TPrintMode::Preview:
        report.Preview();
        return true;
    case TPrintMode::Print:
        return report.Print();
    case TPrintMode::Pdf:
        if (pdfFile.isEmpty()) throw EReportError(QStringLiteral("RunReport: no PDF file name"));
        report.SaveToPdf(pdfFile);
        return true;
    }
    return false;
}
