#include "platform/report/ReportLabel.h"

TReportLabel::TReportLabel(TReportBand* band) : TReportText(band) {}

QString TReportLabel::PrintText(const TPrintContext&)
{
    return caption_;
}
