#include "platform/report/ReportImage.h"

TReportImage::TReportImage(TReportBand* band) : TReportPrintable(band) {}

void TReportImage::Print(const TPrintContext&, double, std::vector<TPageItem>& items)
{
    if (picture_.isNull())
        return;
    TPageItem item;
    item.Kind = TPageItemKind::Image;
    item.Name = Name();
    item.Rect = BoundsRect();
    item.Image = picture_;
    item.Stretch = stretch_;
    items.push_back(std::move(item));
}
