#pragma once
// A drawing surface as the windows' paint handlers use it: a font with a colour and a brush
// colour that the next fill and text take. It draws through the QPainter of the paint under way.

#include "platform/toolkit/gui/Colors.h"

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

class TCanvas {
public:
    explicit TCanvas(QPainter* painter = nullptr) : painter_(painter) {}
    QPainter* Painter() const { return painter_; }
    void SetPainter(QPainter* painter) { painter_ = painter; }

    QFont Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color) { fontColor_ = color; }
    bool FontBold() const { return font_.bold(); }
    void SetFontBold(bool bold) { font_.setBold(bold); }
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor color) { brushColor_ = color; }

    // Fills with the brush colour.
    void FillRect(const QRect& rect);
    // Text in the font and its colour at a point (top-left of the text).
    void TextOut(int x, int y, const QString& text);
    // Fills the rectangle, then the text inside it, clipped, placed by Qt alignment flags.
    void TextRect(const QRect& rect, const QString& text, int alignment);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

private:
    QPainter* painter_;
    QFont font_;
    TColor fontColor_ = clWindowText;
    TColor brushColor_ = clWindow;
};
