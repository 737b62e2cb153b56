#pragma once
// Boxes, ellipses and lines. A horizontal line runs through the middle of the control's box,
// a vertical one likewise; a box's frame is drawn inside its bounds.

#include "platform/report/ReportPrintable.h"

enum TShapeType { stRectangle, stEllipse, stHorLine, stVertLine };

class TReportShape : public TReportPrintable {
    Q_OBJECT
public:
    explicit TReportShape(TReportBand* band);

    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType shape) { shape_ = shape; }
    double PenWidth() const { return penWidth_; }
    void SetPenWidth(double width) { penWidth_ = width; }
    QColor PenColor() const { return penColor_; }
    void SetPenColor(const QColor& c) { penColor_ = c; }
    Qt::PenStyle PenStyle() const { return penStyle_; }
    void SetPenStyle(Qt::PenStyle style) { penStyle_ = style; }
    // Fill of a box or ellipse; an invalid colour leaves it empty.
    QColor BrushColor() const { return brushColor_; }
    void SetBrushColor(const QColor& c) { brushColor_ = c; }

    void Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items) override;

private:
    TShapeType shape_ = stRectangle;
    double penWidth_ = 1.0;
    QColor penColor_ = Qt::black;
    Qt::PenStyle penStyle_ = Qt::SolidLine;
    QColor brushColor_;
};
