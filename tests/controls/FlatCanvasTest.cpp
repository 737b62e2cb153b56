#include "controls/FlatCanvas.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The pixels of `image` that are not white, as "x,y" texts in row order.
std::vector<std::string> InkedPixels(const QImage& image)
{
    std::vector<std::string> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                pixels.push_back(std::to_string(x) + "," + std::to_string(y));
    return pixels;
}

} // namespace

TEST(FlatColorMath, ColoursAreBlueGreenRedAndPixelsRedGreenBlue)
{
    EXPECT_EQ(FlatToQRgb(0xEF846D), qRgb(0x6D, 0x84, 0xEF));
    EXPECT_EQ(FlatFromQRgb(qRgb(0x6D, 0x84, 0xEF)), 0xEF846D);
}

TEST(FlatColorMath, MulDivRoundsHalfAwayFromZero)
{
    struct Case { int a, b, c, expected; };
    const Case cases[] = {
        {0, 25, 16, 0},   {1, 23, 16, 1},   {3, 23, 16, 4},  {5, 23, 16, 7},  {8, 23, 16, 12},
        {15, 23, 16, 22}, {16, 23, 16, 23}, {1, 1, 2, 1},    {-1, 1, 2, -1},  {1, -3, 2, -2},
        {7, 21, 64, 2},   {7, 21, 0, -1},   {0x7FFFFFFF, 2, 1, -1}, {-6, -5, 4, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlatMulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(FlatColorMath, LightenDarkenGray)
{
    EXPECT_EQ(FlatLightenColor(0x000000, 50), RGBColor(128, 128, 128)); // 127.5 rounds to even
    EXPECT_EQ(FlatLightenColor(0x102030, 100), 0xFFFFFF);
    EXPECT_EQ(FlatLightenColor(0x102030, 250), 0xFFFFFF);               // capped at 100
    EXPECT_EQ(FlatLightenColor(0x808080, 0), 0x808080);
    EXPECT_EQ(FlatLightenColor(RGBColor(100, 0, 200), 10), RGBColor(116, 26, 206));
    EXPECT_EQ(FlatDarkenColor(RGBColor(100, 100, 100), 60), RGBColor(40, 42, 40));
    EXPECT_EQ(FlatDarkenColor(RGBColor(10, 1, 250), 20), RGBColor(0, 0, 230));
    EXPECT_EQ(FlatDarkenColor(RGBColor(250, 250, 250), -10), RGBColor(255, 255, 255));
    EXPECT_EQ(FlatGrayColor(RGBColor(30, 60, 90), 10), RGBColor(70, 70, 70));
    EXPECT_EQ(FlatGrayColor(0xFFFFFF, 10), RGBColor(240, 240, 240));
}

TEST(FlatCanvas, LinesStopShortOfTheirEnd)
{
    struct Case { int x1, y1, x2, y2; std::vector<std::string> pixels; };
    const Case cases[] = {
        {0, 1, 2, 0, {"1,0", "0,1"}},          // ties go toward the end point
        {3, 0, 5, 2, {"3,0", "4,1"}},
        {0, 3, 2, 5, {"0,3", "1,4"}},
        {2, 5, 5, 2, {"4,3", "3,4", "2,5"}},
        {1, 1, 4, 1, {"1,1", "2,1", "3,1"}},
        {2, 2, 2, 2, {}},
    };
    for (const Case& c : cases) {
        QImage image = WhiteImage(6, 6);
        TFlatCanvas canvas(image);
        canvas.SetPenColor(0);
        canvas.MoveTo(c.x1, c.y1);
        canvas.LineTo(c.x2, c.y2);
        EXPECT_EQ(InkedPixels(image), c.pixels) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

TEST(FlatCanvas, RoundRectCornersAreOneDiagonalPixel)
{
    QImage image = WhiteImage(8, 7);
    TFlatCanvas canvas(image);
    canvas.SetPenColor(0x808080);
    canvas.SetBrushColor(0x0000FF);
    canvas.RoundRect(TFlatRect{0, 0, 8, 7}, 5, 5);
    const char* const expected[] = {
        "  PPPP  ",
        " PBBBBP ",
        "PBBBBBBP",
        "PBBBBBBP",
        "PBBBBBBP",
        " PBBBBP ",
        "  PPPP  ",
    };
    for (int y = 0; y < 7; ++y) {
        std::string row;
        for (int x = 0; x < 8; ++x) {
            const int pixel = canvas.Pixel(x, y);
            row += pixel == 0x808080 ? 'P' : pixel == 0x0000FF ? 'B' : ' ';
        }
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
}

TEST(FlatCanvas, ClearBrushRoundRectLeavesTheInside)
{
    QImage image = WhiteImage(6, 6);
    TFlatCanvas canvas(image);
    canvas.SetPenColor(0);
    canvas.SetBrushClear();
    canvas.RoundRect(TFlatRect{0, 0, 6, 6}, 5, 5);
    EXPECT_EQ(canvas.Pixel(2, 2), 0xFFFFFF);
    EXPECT_EQ(canvas.Pixel(1, 1), 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFF);
}

TEST(FlatCanvas, FocusRectInvertsEveryOtherFramePixelAndUndoes)
{
    QImage image = WhiteImage(8, 6);
    TFlatCanvas canvas(image);
    canvas.DrawFocusRect(TFlatRect{1, 1, 7, 5});
    EXPECT_EQ(canvas.Pixel(1, 1), 0x000000);
    EXPECT_EQ(canvas.Pixel(2, 1), 0xFFFFFF);
    EXPECT_EQ(canvas.Pixel(3, 1), 0x000000);
    EXPECT_EQ(canvas.Pixel(1, 3), 0x000000);
    EXPECT_EQ(canvas.Pixel(6, 4), 0x000000);
    EXPECT_EQ(canvas.Pixel(5, 4), 0xFFFFFF);
    EXPECT_EQ(canvas.Pixel(3, 3), 0xFFFFFF); // inside untouched
    EXPECT_EQ(canvas.Pixel(7, 1), 0xFFFFFF); // right edge exclusive
    canvas.DrawFocusRect(TFlatRect{1, 1, 7, 5});
    EXPECT_TRUE(InkedPixels(image).empty());
}

TEST(FlatCanvas, CopyNeverReadsPastItsSource)
{
    QImage source(3, 2, QImage::Format_RGB32);
    source.fill(qRgb(0, 0, 255));
    QImage image = WhiteImage(6, 6);
    TFlatCanvas canvas(image);
    canvas.CopyFrom(1, 1, source, TFlatRect{0, 0, 5, 5});
    EXPECT_EQ(InkedPixels(image), (std::vector<std::string>{"1,1", "2,1", "3,1", "1,2", "2,2", "3,2"}));
}

TEST(FlatCanvas, TransparentCopyLeavesTheKeyColourAndClearPixelsOut)
{
    QImage glyph(3, 2, QImage::Format_ARGB32);
    glyph.fill(qRgb(0, 255, 0));
    glyph.setPixel(1, 0, qRgb(255, 0, 0));
    glyph.setPixel(2, 0, qRgba(0, 0, 255, 0));
    QImage image = WhiteImage(5, 4);
    TFlatCanvas canvas(image);
    canvas.DrawTransparent(1, 1, glyph, RGBColor(0, 255, 0));
    EXPECT_EQ(InkedPixels(image), std::vector<std::string>{"2,1"});
}

TEST(FlatCanvas, MeasuresTextWithPrefixesAndBreaks)
{
    QImage image = WhiteImage(10, 10);
    TFlatCanvas canvas(image);
    QFont font;
    font.setPixelSize(12);
    canvas.SetFont(font);
    const QFontMetrics metrics(font);
    const int line = metrics.height();

    TFlatRect r{5, 7, 500, 100};
    EXPECT_EQ(canvas.DrawText("&Save", r, DT_CALCRECT), line);
    EXPECT_EQ(r, (TFlatRect{5, 7, 5 + metrics.horizontalAdvance("Save"), 7 + line}));

    r = TFlatRect{0, 0, 500, 100};
    canvas.DrawText("A&&B", r, DT_CALCRECT);
    EXPECT_EQ(r.Width(), metrics.horizontalAdvance("A&B"));
    r = TFlatRect{0, 0, 500, 100};
    canvas.DrawText("A&&B", r, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(r.Width(), metrics.horizontalAdvance("A&&B"));

    const int narrow = metrics.horizontalAdvance("word word") + 1;
    r = TFlatRect{0, 0, narrow, 100};
    canvas.DrawText("word word word", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r.Height(), 2 * line);
    EXPECT_EQ(r.Width(), metrics.horizontalAdvance("word word"));

    r = TFlatRect{0, 0, 30, 100};
    canvas.DrawText("A caption far too long", r, DT_CALCRECT | DT_END_ELLIPSIS);
    EXPECT_LE(r.Width(), 30);
    EXPECT_EQ(r.Height(), line);

    r = TFlatRect{0, 0, 500, 100};
    canvas.DrawText("one\ntwo", r, DT_CALCRECT);
    EXPECT_EQ(r.Height(), 2 * line);
}

TEST(FlatCanvas, DrawsTextInsideItsRectInTheFontColour)
{
    QImage image = WhiteImage(60, 30);
    TFlatCanvas canvas(image);
    QFont font;
    font.setPixelSize(12);
    canvas.SetFont(font);
    canvas.SetFontColor(0x0000FF);
    canvas.SetTransparentText(true);
    TFlatRect r{10, 5, 60, 30};
    canvas.DrawText("Hi", r, DT_LEFT);
    int reddest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if ((p & 0xFFFFFF) == 0xFFFFFF)
                continue;
            EXPECT_GE(x, 10);
            EXPECT_GE(y, 5);
            EXPECT_GE(qRed(p), qGreen(p));
            reddest = std::max(reddest, qRed(p) - qGreen(p));
        }
    }
    EXPECT_GT(reddest, 100);
}
