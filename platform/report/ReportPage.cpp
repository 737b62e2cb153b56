#include "platform/report/ReportPage.h"

#include <QStringList>

namespace {

QString Num(double v)
{
    return QString::number(v, 'f', 1);
}

QString Box(const QRectF& r)
{
    return QStringLiteral("[%1,%2 %3x%4]").arg(Num(r.x()), Num(r.y()), Num(r.width()), Num(r.height()));
}

QString FontText(const QFont& font)
{
    QString text = font.pixelSize() > 0 ? QString::number(font.pixelSize()) + QStringLiteral("px")
                                        : Num(font.pointSizeF()) + QStringLiteral("pt");
    if (font.bold())
        text += QStringLiteral(" bold");
    if (font.italic())
        text += QStringLiteral(" italic");
    if (font.underline())
        text += QStringLiteral(" underline");
    return text;
}

QString AlignmentText(Qt::Alignment a)
{
    if (a & Qt::AlignHCenter)
        return QStringLiteral("center");
    if (a & Qt::AlignRight)
        return QStringLiteral("right");
    return QStringLiteral("left");
}

QString PenText(const TPageItem& item)
{
    QString text = QStringLiteral("pen=") + Num(item.PenWidth);
    if (item.Color != Qt::black)
        text += QLatin1Char(' ') + item.Color.name();
    if (item.Fill.isValid())
        text += QStringLiteral(" fill=") + item.Fill.name();
    return text;
}

QString ItemLine(const TPageItem& item)
{
    switch (item.Kind) {
    case TPageItemKind::Text:
        return QStringLiteral("text %1 %2 \"%3\" %4 %5%6")
            .arg(item.Name, Box(item.Rect), item.Text, FontText(item.Font), AlignmentText(item.Alignment),
                 item.WordWrap ? QStringLiteral(" wrap") : QString());
    case TPageItemKind::Rectangle:
        return QStringLiteral("rect %1 %2 %3").arg(item.Name, Box(item.Rect), PenText(item));
    case TPageItemKind::Ellipse:
        return QStringLiteral("ellipse %1 %2 %3").arg(item.Name, Box(item.Rect), PenText(item));
    case TPageItemKind::Line:
        return QStringLiteral("line %1 (%2,%3)-(%4,%5) %6")
            .arg(item.Name, Num(item.Line.x1()), Num(item.Line.y1()), Num(item.Line.x2()), Num(item.Line.y2()),
                 PenText(item));
    case TPageItemKind::Image:
        return QStringLiteral("image %1 %2 %3x%4%5")
            .arg(item.Name, Box(item.Rect))
            .arg(item.Image.width())
            .arg(item.Image.height())
            .arg(item.Stretch ? QStringLiteral(" stretch") : QString());
    }
    return {};
}

}  // namespace

QString TReportPage::Dump() const
{
    QStringList lines;
    lines << QStringLiteral("page %1 %2x%3").arg(Number).arg(Num(Size.width()), Num(Size.height()));
    for (const TPageItem& item : Items)
        lines << QStringLiteral("  ") + ItemLine(item);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString DumpPages(const std::vector<TReportPage>& pages)
{
    QString text;
    for (const TReportPage& page : pages)
        text += page.Dump();
    return text;
}
