#include "platform/report/ReportSysData.h"

TReportSysData::TReportSysData(TReportBand* band) : TReportText(band) {}

QString TReportSysData::PrintText(const TPrintContext& context)
{
    switch (data_) {
    case sdDate:
        return text_ + DateToStr(context.PrintDateTime());
    case sdTime:
        return text_ + TimeToStr(context.PrintDateTime());
    case sdDateTime:
        return text_ + DateToStr(context.PrintDateTime()) + QLatin1Char(' ') + TimeToStr(context.PrintDateTime());
    case sdPageNumber:
        return text_ + QString::number(context.PageNumber());
    case sdPageCount:
        return text_;  // the count follows once the last page is known
    case sdReportTitle:
        return text_ + context.ReportTitle();
    case sdDetailNo:
        return text_ + QString::number(context.DetailNumber());
    }
    return text_;
}

void TReportSysData::Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items)
{
    TReportText::Print(context, bandWidth, items);
    if (data_ == sdPageCount)
        items.back().NeedsPageCount = true;
}
