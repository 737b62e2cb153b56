#pragma once
// A laid-out page: what the report prints, item by item, in report units from the sheet's
// top-left corner. Every renderer paints these and nothing else, so what the tests see is
// what is printed.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

enum class TPageItemKind { Text, Rectangle, Ellipse, Line, Image };

struct TPageItem {
    TPageItemKind Kind = TPageItemKind::Text;
    QString Name;  // the printable that made the item
    QRectF Rect;   // text: its clipping box; shapes and images: their box
    QLineF Line;   // lines only
    QString Text;
    QFont Font;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignTop;
    bool WordWrap = false;
    QColor Color = Qt::black;  // text colour or pen colour
    QColor Fill;               // invalid: not filled
    double PenWidth = 1.0;
    Qt::PenStyle PenStyle = Qt::SolidLine;
    QImage Image;
    bool Stretch = false;  // image scaled to the box, else drawn at its own size, clipped
    bool NeedsPageCount = false;  // the layout appends the page count to Text once it is known
};

struct TReportPage {
    int Number = 0;  // from 1
    QSizeF Size;     // the sheet in report units
    std::vector<TPageItem> Items;

    // One line per item, for comparing layouts with golden text.
    QString Dump() const;
};

QString DumpPages(const std::vector<TReportPage>& pages);
