#pragma once
// A printable control on a band: where it stands (report units, from the band's top-left), and
// whether it prints. A control prints only while both Enabled and Visible; the program changes
// either at run time. TReportText is the common part of every control that prints a text.

#include "platform/report/ReportExpression.h"
#include "platform/report/ReportPage.h"
#include "platform/toolkit/Component.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Alignment.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <vector>

class TReportBand;

// What a control can ask while the report is laid out.
class TPrintContext : public TExpressionContext {
public:
    // The field's display text; raises EReportError for a field the report cannot see.
    virtual QString FieldText(const QString& dataSet, const QString& field) const = 0;
    virtual int PageNumber() const = 0;
    // Fixed when the layout starts, so every page shows the same moment.
    virtual TDateTime PrintDateTime() const = 0;
    virtual QString ReportTitle() const = 0;
    // The number of detail rows printed so far, the current one included.
    virtual int DetailNumber() const = 0;
};


class TReportPrintable : public TComponent {
    Q_OBJECT
public:
    // The band owns the control; controls print in the order they were created.
    explicit TReportPrintable(TReportBand* band);

    TReportBand* Band() const;

    double Left() const { return left_; }
    void SetLeft(double v) { left_ = v; }
    double Top() const { return top_; }
    void SetTop(double v) { top_ = v; }
    double Width() const { return width_; }
    void SetWidth(double v) { width_ = v; }
    double Height() const { return height_; }
    void SetHeight(double v) { height_ = v; }
    void SetBounds(double left, double top, double width, double height);
    QRectF BoundsRect() const { return QRectF(left_, top_, width_, height_); }

    // A disabled control prints nothing.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }
    // A hidden control prints nothing either.
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    bool Printing() const { return enabled_ && visible_; }

    // Raises EReportError naming the control when it cannot be printed (unknown field, bad
    // expression). Called for every printing control before the first page is laid out.
    virtual void Check(const TPrintContext& context);
    // Adds the control's items, in band coordinates, for a band `bandWidth` wide.
    virtual void Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items) = 0;
    // Aggregates: every detail row is offered to every control; after printing in a footer the
    // control starts afresh.
    virtual void Accumulate(const TPrintContext& context);
    virtual void ResetAggregates();

private:
    double left_ = 0.0;
    double top_ = 0.0;
    double width_ = 65.0;
    double height_ = 17.0;
    bool enabled_ = true;
    bool visible_ = true;
};

// The default report font: one that has the Cyrillic letters, 13 pixels.
QFont DefaultReportFont();
// The font sized in pixels (report units), as every page item carries it: a size in points
// becomes points * 96 / 72 pixels, so it prints the same on every device.
QFont PixelFont(const QFont& font);

class TReportText : public TReportPrintable {
    Q_OBJECT
public:
    explicit TReportText(TReportBand* band);

    // Sized in pixels (report units) or points.
    QFont& Font() { return font_; }
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& c) { fontColor_ = c; }
    // Background; an invalid colour leaves the band showing through.
    QColor Color() const { return color_; }
    void SetColor(const QColor& c) { color_ = c; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { alignment_ = a; }
    // Aligns across the whole band instead of the control's own box.
    bool AlignToBand() const { return alignToBand_; }
    void SetAlignToBand(bool v) { alignToBand_ = v; }
    // The box grows or shrinks to the text's width, keeping the edge the alignment holds.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v) { wordWrap_ = v; }

    void Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items) override;

protected:
    // The text to print now.
    virtual QString PrintText(const TPrintContext& context) = 0;
    // The text item for `text`, its box placed by size and alignment.
    TPageItem TextItem(const QString& text, double bandWidth) const;

private:
    QFont font_;
    QColor fontColor_ = Qt::black;
    QColor color_;
    TAlignment alignment_ = taLeftJustify;
    bool alignToBand_ = false;
    bool autoSize_ = false;
    bool wordWrap_ = false;
};
