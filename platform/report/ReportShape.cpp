#include "platform/report/ReportShape.h"

TReportShape::TReportShape(TReportBand* band) : TReportPrintable(band) {}

void TReportShape::Print(const TPrintContext&, double, std::vector<TPageItem>& items)
{
    TPageItem item;
    item.Name = Name();
    item.Color = penColor_;
    item.PenWidth = penWidth_;
    item.PenStyle = penStyle_;
    const QRectF box = BoundsRect();
    switch (shape_) {
    case stRectangle:
    case stEllipse: {
        item.Kind = shape_ == stRectangle ? TPageItemKind::Rectangle : TPageItemKind::Ellipse;
        const double inset = penWidth_ / 2.0;
        item.Rect = box.adjusted(inset, inset, -inset, -inset);
        item.Fill = brushColor_;
        break;
    }
    case stHorLine:
        item.Kind = TPageItemKind::Line;
        item.Rect = box;
        item.Line = QLineF(box.left(), box.center().y(), box.right(), box.center().y());
        break;
    case stVertLine:
        item.Kind = TPageItemKind::Line;
        item.Rect = box;
        item.Line = QLineF(box.center().x(), box.top(), box.center().x(), box.bottom());
        break;
    }
    items.push_back(std::move(item));
}
