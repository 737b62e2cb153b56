#pragma once
// A small pixel-exact drawing surface for the flat controls. Coordinates and rectangles follow
// the old device-context rules the flat look was designed with: a rectangle's right and bottom
// edges are exclusive, a line stops one pixel short of its end point, colours are RGB values
// (system colours already converted). Everything is drawn into a QImage, so a widget paints into
// one of these and copies it out in a single blit (double buffering).

#include "platform/toolkit/gui/Colors.h"

#include <QFont>
#include <QImage>
#include <QString>

// Left/top inclusive, right/bottom exclusive.
struct TFlatRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    void Offset(int dx, int dy);
    bool operator==(const TFlatRect&) const = default;
};

// Text layout flags of the caption drawing, with the values the flat controls were written with.
enum : unsigned {
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_RTLREADING = 0x20000,
    DT_END_ELLIPSIS = 0x8000,
};

// An RGB colour as a pixel value and back.
QRgb FlatToQRgb(TColor color);
TColor FlatFromQRgb(QRgb rgb);

// Colour arithmetic of the flat look, on RGB values.
// Each channel moved `percent` (capped at 100) of the way to white.
TColor FlatLightenColor(TColor color, int percent);
// Red and blue down by `amount`, green by two less, each clamped to 0..255; a negative amount
// brightens.
TColor FlatDarkenColor(TColor color, int amount);
// The channel average plus `amount`, capped at 240, as a grey.
TColor FlatGrayColor(TColor color, int amount);

// a * b / c through a 64-bit product, rounded half away from zero; -1 when c is 0 or the
// result does not fit.
int FlatMulDiv(int a, int b, int c);

class TFlatCanvas {
public:
    // Draws into `image` (Format_RGB32); the image must outlive the canvas.
    explicit TFlatCanvas(QImage& image);

    QImage& Image() { return image_; }

    void SetPenColor(TColor color) { penColor_ = color; }
    TColor PenColor() const { return penColor_; }
    void SetBrushColor(TColor color) { brushColor_ = color; brushClear_ = false; }
    void SetBrushClear() { brushClear_ = true; }
    void SetFont(const QFont& font) { font_ = font; }
    const QFont& Font() const { return font_; }
    void SetFontColor(TColor color) { fontColor_ = color; }
    TColor FontColor() const { return fontColor_; }
    // Transparent text leaves the pixels between the glyph strokes alone.
    void SetTransparentText(bool transparent) { transparentText_ = transparent; }

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Fills with the brush (nothing when the brush is clear).
    void FillRect(const TFlatRect& rect);
    void MoveTo(int x, int y);
    // Draws with the pen from the current position up to, not including, (x, y).
    void LineTo(int x, int y);
    // Outline with the pen, inside with the brush; the corners are quarters of an
    // ellipseWidth x ellipseHeight ellipse.
    void RoundRect(const TFlatRect& rect, int ellipseWidth, int ellipseHeight);
    // Inverts every other pixel of the rectangle's one-pixel frame; drawing it twice restores.
    void DrawFocusRect(const TFlatRect& rect);

    // Copies `source` (the part `sourceRect` of it) with its top-left at (x, y). Only pixels
    // that exist in the source are copied.
    void CopyFrom(int x, int y, const QImage& source, const TFlatRect& sourceRect);
    void CopyFrom(int x, int y, const QImage& source);
    // Copies `source` leaving out the pixels of the colour `keyColor` and the fully clear ones.
    void DrawTransparent(int x, int y, const QImage& source, TColor keyColor);

    // Draws or, with DT_CALCRECT, measures text in `rect`. "&x" underlines x unless
    // DT_NOPREFIX; "&&" stands for "&". Measuring sets rect's right and bottom to the text's
    // extent. Returns the text height.
    int DrawText(const QString& text, TFlatRect& rect, unsigned flags);

private:
    void FillImageRect(const TFlatRect& rect, TColor color);
    void PenPixel(int x, int y);

    QImage& image_;
    TColor penColor_ = clBlack;
    TColor brushColor_ = clWhite;
    bool brushClear_ = false;
    QFont font_;
    TColor fontColor_ = clBlack;
    bool transparentText_ = false;
    int penX_ = 0;
    int penY_ = 0;
};
