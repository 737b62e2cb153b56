#include "controls/FlatCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

void TFlatRect::Offset(int dx, int dy)
{
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
}

QRgb FlatToQRgb(TColor color)
{
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

TColor FlatFromQRgb(QRgb rgb)
{
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

TColor FlatLightenColor(TColor color, int percent)
{
    const int p = std::min(percent, 100);
    auto lighten = [p](int channel) {
        return channel + int(std::nearbyint((255 - channel) * p / 100.0));
    };
    return RGBColor(lighten(GetRValue(color)), lighten(GetGValue(color)), lighten(GetBValue(color)));
}

TColor FlatDarkenColor(TColor color, int amount)
{
    return RGBColor(std::clamp(GetRValue(color) - amount, 0, 255),
                   std::clamp(GetGValue(color) - amount + 2, 0, 255),
                   std::clamp(GetBValue(color) - amount, 0, 255));
}

TColor FlatGrayColor(TColor color, int amount)
{
    const int v = std::clamp((GetRValue(color) + GetGValue(color) + GetBValue(color)) / 3 + amount, 0, 240);
    return RGBColor(v, v, v);
}

int FlatMulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = c < 0 ? -std::int64_t(c) : c;
    const std::int64_t rounded = (magnitude + divisor / 2) / divisor;
    const std::int64_t result = negative ? -rounded : rounded;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return int(result);
}

TFlatCanvas::TFlatCanvas(QImage& image) : image_(image) {}

TColor TFlatCanvas::Pixel(int x, int y) const
{
    if (!image_.valid(x, y))
        return 0;
    return FlatFromQRgb(image_.pixel(x, y));
}

void TFlatCanvas::SetPixel(int x, int y, TColor color)
{
    if (image_.valid(x, y))
        image_.setPixel(x, y, FlatToQRgb(color));
}

void TFlatCanvas::FillImageRect(const TFlatRect& rect, TColor color)
{
    const int left = std::max(rect.Left, 0);
    const int top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, image_.width());
    const int bottom = std::min(rect.Bottom, image_.height());
    const QRgb rgb = FlatToQRgb(color);
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + left, line + std::max(left, right), rgb);
    }
}

void TFlatCanvas::FillRect(const TFlatRect& rect)
{
    if (!brushClear_)
        FillImageRect(rect, brushColor_);
}

void TFlatCanvas::PenPixel(int x, int y)
{
    SetPixel(x, y, penColor_);
}

void TFlatCanvas::MoveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void TFlatCanvas::LineTo(int x, int y)
{
    const int dx = x - penX_;
    const int dy = y - penY_;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    // Ties between two rows (or columns) go toward the end point.
    for (int i = 0; i < steps; ++i)
        PenPixel(penX_ + FlatMulDiv(i, dx, steps), penY_ + FlatMulDiv(i, dy, steps));
    MoveTo(x, y);
}

namespace {

// Whether (x, y) lies inside a rectangle whose corners are cut by quarter ellipses of radii
// rx, ry with their centres rx, ry pixels in from the corner pixels.
bool InsideRoundRect(const TFlatRect& r, double rx, double ry, int x, int y)
{
    if (!r.Contains(x, y))
        return false;
    const double cxLeft = r.Left + rx;
    const double cxRight = r.Right - 1 - rx;
    const double cyTop = r.Top + ry;
    const double cyBottom = r.Bottom - 1 - ry;
    double cx = 0;
    double cy = 0;
    if (x < cxLeft)
        cx = cxLeft;
    else if (x > cxRight)
        cx = cxRight;
    else
        return true;
    if (y < cyTop)
        cy = cyTop;
    else if (y > cyBottom)
        cy = cyBottom;
    else
        return true;
    if (rx <= 0 || ry <= 0)
        return true;
    const double nx = (x - cx) / rx;
    const double ny = (y - cy) / ry;
    return nx * nx + ny * ny <= 1.0 + 1e-9;
}

} // namespace

void TFlatCanvas::RoundRect(const TFlatRect& rect, int ellipseWidth, int ellipseHeight)
{
    if (rect.IsEmpty())
        return;
    const double rx = std::clamp(ellipseWidth - 1, 0, rect.Width() - 1) / 2.0;
    const double ry = std::clamp(ellipseHeight - 1, 0, rect.Height() - 1) / 2.0;
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        for (int x = rect.Left; x < rect.Right; ++x) {
            if (!InsideRoundRect(rect, rx, ry, x, y))
                continue;
            const bool edge = !InsideRoundRect(rect, rx, ry, x - 1, y)
                || !InsideRoundRect(rect, rx, ry, x + 1, y)
                || !InsideRoundRect(rect, rx, ry, x, y - 1)
                || !InsideRoundRect(rect, rx, ry, x, y + 1);
            if (edge)
                PenPixel(x, y);
            else if (!brushClear_)
                SetPixel(x, y, brushColor_);
        }
    }
}

void TFlatCanvas::DrawFocusRect(const TFlatRect& rect)
{
    if (rect.IsEmpty())
        return;
    auto invert = [this](int x, int y) {
        if (((x + y) & 1) == 0 && image_.valid(x, y))
            image_.setPixel(x, y, image_.pixel(x, y) ^ 0x00FFFFFF);
    };
    for (int x = rect.Left; x < rect.Right; ++x) {
        invert(x, rect.Top);
        if (rect.Bottom - 1 > rect.Top)
            invert(x, rect.Bottom - 1);
    }
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
        invert(rect.Left, y);
        if (rect.Right - 1 > rect.Left)
            invert(rect.Right - 1, y);
    }
}

void TFlatCanvas::CopyFrom(int x, int y, const QImage& source, const TFlatRect& sourceRect)
{
    // Only what the source really holds: a request larger than the source is cut to it.
    const int left = std::max(sourceRect.Left, 0);
    const int top = std::max(sourceRect.Top, 0);
    const int right = std::min(sourceRect.Right, source.width());
    const int bottom = std::min(sourceRect.Bottom, source.height());
    for (int sy = top; sy < bottom; ++sy) {
        const int dy = y + sy - sourceRect.Top;
        if (dy < 0 || dy >= image_.height())
            continue;
        for (int sx = left; sx < right; ++sx) {
            const int dx = x + sx - sourceRect.Left;
            if (dx >= 0 && dx < image_.width())
                image_.setPixel(dx, dy, source.pixel(sx, sy) | 0xFF000000);
        }
    }
}

void TFlatCanvas::CopyFrom(int x, int y, const QImage& source)
{
    CopyFrom(x, y, source, TFlatRect{0, 0, source.width(), source.height()});
}

void TFlatCanvas::DrawTransparent(int x, int y, const QImage& source, TColor keyColor)
{
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = FlatToQRgb(keyColor);
    for (int sy = 0; sy < argb.height(); ++sy) {
        for (int sx = 0; sx < argb.width(); ++sx) {
            const QRgb pixel = argb.pixel(sx, sy);
            if (qAlpha(pixel) == 0 || (pixel | 0xFF000000) == transparent || !image_.valid(x + sx, y + sy))
                continue;
            image_.setPixel(x + sx, y + sy, pixel | 0xFF000000);
        }
    }
}

namespace {

struct TextLine {
    QString text;
    int underline = -1; // index of the underlined character, -1 for none
};

// Removes the prefix marks: "&&" becomes "&", "&x" underlines x.
TextLine StripPrefixes(const QString& text)
{
    TextLine line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&')
                line.underline = int(line.text.size());
        } else if (text[i] == u'&') {
            continue;
        }
        line.text += text[i];
    }
    return line;
}

// Greedy breaking at blanks; a word wider than the width stays whole on its own line.
std::vector<TextLine> BreakWords(const TextLine& paragraph, const QFontMetrics& metrics, int width)
{
    std::vector<TextLine> lines;
    const QString& text = paragraph.text;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        qsizetype lastFit = -1;
        while (true) {
            qsizetype wordEnd = end;
            while (wordEnd < text.size() && text[wordEnd] == u' ')
                ++wordEnd;
            while (wordEnd < text.size() && text[wordEnd] != u' ')
                ++wordEnd;
            const bool fits = metrics.horizontalAdvance(text.mid(start, wordEnd - start)) <= width;
            if (fits || lastFit < 0)
                lastFit = wordEnd;
            if (!fits || wordEnd >= text.size())
                break;
            end = wordEnd;
        }
        TextLine line;
        line.text = text.mid(start, lastFit - start);
        // Blanks where a line breaks take no room; a text that ends in blanks keeps them.
        if (lastFit < text.size()) {
            while (line.text.endsWith(u' '))
                line.text.chop(1);
        }
        if (paragraph.underline >= start && paragraph.underline < start + line.text.size())
            line.underline = int(paragraph.underline - start);
        lines.push_back(line);
        start = lastFit;
        while (start < text.size() && text[start] == u' ')
            ++start;
        if (start >= text.size())
            break;
    }
    return lines;
}

} // namespace

int TFlatCanvas::DrawText(const QString& text, TFlatRect& rect, unsigned flags)
{
    const QFontMetrics metrics(font_);
    const int lineHeight = metrics.height();
    const int width = rect.Width();

    std::vector<TextLine> lines;
    const QStringList paragraphs = (flags & DT_SINGLELINE)
        ? QStringList{QString(text).replace(u'\n', u' ').remove(u'\r')}
        : QString(text).remove(u'\r').split(u'\n');
    for (const QString& paragraph : paragraphs) {
        TextLine stripped = (flags & DT_NOPREFIX) ? TextLine{paragraph, -1} : StripPrefixes(paragraph);
        if (flags & DT_WORDBREAK) {
            for (TextLine& line : BreakWords(stripped, metrics, width))
                lines.push_back(std::move(line));
        } else {
            lines.push_back(std::move(stripped));
        }
    }
    if (flags & DT_END_ELLIPSIS) {
        for (TextLine& line : lines) {
            if (metrics.horizontalAdvance(line.text) <= width)
                continue;
            line.text = metrics.elidedText(line.text, Qt::ElideRight, std::max(width, 0));
            if (line.underline >= line.text.size() - 1)
                line.underline = -1;
        }
    }

    int textWidth = 0;
    for (const TextLine& line : lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line.text));
    const int textHeight = lineHeight * int(lines.size());

    if (flags & DT_CALCRECT) {
        rect.Right = rect.Left + textWidth;
        rect.Bottom = rect.Top + textHeight;
        return textHeight;
    }

    QPainter painter(&image_);
    painter.setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
    painter.setFont(font_);
    const QColor color(FlatToQRgb(fontColor_));
    painter.setPen(color);
    int y = rect.Top;
    for (const TextLine& line : lines) {
        const int lineWidth = metrics.horizontalAdvance(line.text);
        int x = rect.Left;
        if (flags & DT_CENTER)
            x = rect.Left + (width - lineWidth) / 2;
        else if (flags & DT_RIGHT)
            x = rect.Right - lineWidth;
        if (!transparentText_ && !brushClear_)
            painter.fillRect(QRect(x, y, lineWidth, lineHeight), QColor(FlatToQRgb(brushColor_)));
        painter.drawText(QPoint(x, y + metrics.ascent()), line.text);
        if (line.underline >= 0) {
            const int from = x + metrics.horizontalAdvance(line.text.left(line.underline));
            const int to = from + metrics.horizontalAdvance(line.text.at(line.underline));
            const int underlineY = y + metrics.ascent() + 1;
            painter.fillRect(QRect(from, underlineY, std::max(to - from, 1), 1), color);
        }
        y += lineHeight;
    }
    return textHeight;
}
