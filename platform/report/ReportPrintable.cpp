#include "platform/report/ReportPrintable.h"

#include "platform/report/ReportBand.h"
#include "platform/report/ReportPageSetup.h"

#include <QFontMetricsF>
#include <cmath>

TReportPrintable::TReportPrintable(TReportBand* band) : TComponent(band) {}

TReportBand* TReportPrintable::Band() const
{
    return qobject_cast<TReportBand*>(Owner());
}

void TReportPrintable::SetBounds(double left, double top, double width, double height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TReportPrintable::Check(const TPrintContext&) {}

void TReportPrintable::Accumulate(const TPrintContext&) {}

void TReportPrintable::ResetAggregates() {}

QFont DefaultReportFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    return font;
}

QFont PixelFont(const QFont& font)
{
    if (font.pixelSize() > 0)
        return font;
    QFont pixels = font;
    pixels.setPixelSize(qMax(1, qRound(font.pointSizeF() * ReportUnitsPerInch / 72.0)));
    return pixels;
}

TReportText::TReportText(TReportBand* band) : TReportPrintable(band), font_(DefaultReportFont()) {}

TPageItem TReportText::TextItem(const QString& text, double bandWidth) const
{
    TPageItem item;
    item.Kind = TPageItemKind::Text;
    item.Name = Name();
    item.Text = text;
    item.Font = PixelFont(font_);
    item.Color = fontColor_;
    item.WordWrap = wordWrap_;
    switch (alignment_) {
    case taLeftJustify:
        item.Alignment = Qt::AlignLeft | Qt::AlignTop;
        break;
    case taRightJustify:
        item.Alignment = Qt::AlignRight | Qt::AlignTop;
        break;
    case taCenter:
        item.Alignment = Qt::AlignHCenter | Qt::AlignTop;
        break;
    }
    QRectF box = BoundsRect();
    if (alignToBand_) {
        box.setLeft(0.0);
        box.setWidth(bandWidth);
    } else if (autoSize_ && !wordWrap_) {
        const double width = std::ceil(QFontMetricsF(item.Font).horizontalAdvance(text));
        if (alignment_ == taRightJustify)
            box.setLeft(box.right() - width);
        else if (alignment_ == taCenter)
            box.setLeft(box.center().x() - width / 2.0);
        box.setWidth(width);
    }
    item.Rect = box;
    return item;
}

void TReportText::Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items)
{
    const QString text = PrintText(context);
    TPageItem item = TextItem(text, bandWidth);
    if (color_.isValid()) {
        TPageItem fill;
        fill.Kind = TPageItemKind::Rectangle;
        fill.Name = Name();
        fill.Rect = item.Rect;
        fill.Fill = color_;
        fill.PenStyle = Qt::NoPen;
        fill.PenWidth = 0.0;
        items.push_back(fill);
    }
    items.push_back(std::move(item));
}
