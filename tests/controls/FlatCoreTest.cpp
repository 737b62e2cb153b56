#include "controls/FlatCore.h"

#include "FlatTestSupport.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"

#include "platform/toolkit/gui/StandardControls.h"
#include <gtest/gtest.h>
#include <memory>

// -- colour ramps and gradients

TEST(FlatColorRamp, RunsFromTheFirstToTheLastColour)
{
    const std::vector<TColor> ramp = MakeColorRamp(0xFFFFFF, 0xE7EBEF, 16, 1);
    ASSERT_EQ(ramp.size(), 16u);
    EXPECT_EQ(ramp[0], 0xFFFFFF);
    EXPECT_EQ(ramp[1], RGBColor(254, 254, 253));
    EXPECT_EQ(ramp[8], RGBColor(246, 244, 242));
    EXPECT_EQ(ramp[15], 0xE7EBEF);
}

TEST(FlatColorRamp, TableOfRoundingStylesAndSystemColours)
{
    struct Case {
        TColor from, to;
        int steps, style;
        std::vector<TColor> expected;
    };
    const Case cases[] = {
        {RGBColor(0, 0, 0), RGBColor(5, 0, 0), 3, 1, {RGBColor(0, 0, 0), RGBColor(2, 0, 0), RGBColor(5, 0, 0)}},  // 2.5 to even
        {RGBColor(0, 0, 0), RGBColor(3, 0, 0), 3, 1, {RGBColor(0, 0, 0), RGBColor(2, 0, 0), RGBColor(3, 0, 0)}},  // 1.5 to even
        {RGBColor(5, 0, 0), RGBColor(0, 0, 0), 3, 0, {RGBColor(5, 0, 0), RGBColor(3, 0, 0), RGBColor(0, 0, 0)}},  // -2.5 to even
        {RGBColor(0, 10, 0), RGBColor(0, 0, 20), 2, 2, {RGBColor(0, 0, 20), RGBColor(0, 10, 0)}},                // styles 2, 3 reversed
        {RGBColor(0, 10, 0), RGBColor(0, 0, 20), 2, 3, {RGBColor(0, 0, 20), RGBColor(0, 10, 0)}},
        {clBtnFace, clWhite, 2, 1, {RGBColor(212, 208, 200), clWhite}},                                         // system colour as RGB
        {clBlack, clWhite, 1, 1, {clBlack, clWhite}},                                                           // at least two steps
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeColorRamp(c.from, c.to, c.steps, c.style), c.expected)
            << std::hex << c.from << " -> " << c.to << " steps " << c.steps << " style " << c.style;
}

namespace {

// Bands of 16 steps over 23 pixels: where each pixel row (or column) lands.
const std::vector<int> kBandOf23 = {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9, 10, 10, 11, 12, 12, 13, 14, 14, 15};

TColor Grey(int level)
{
    return RGBColor(level, level, level);
}

} // namespace

TEST(FlatGradient, BandEdgesFollowMulDivTopToBottom)
{
    QImage bitmap;
    FillGradient(5, 23, Grey(0), Grey(150), 16, 1, false, bitmap);
    ASSERT_EQ(bitmap.size(), QSize(5, 23));
    const std::vector<TColor> ramp = MakeColorRamp(Grey(0), Grey(150), 16, 1);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(FlatFromQRgb(bitmap.pixel(x, y)), ramp[size_t(kBandOf23[size_t(y)])]) << x << "," << y;
}

TEST(FlatGradient, BandEdgesFollowMulDivLeftToRightAndBackwards)
{
    QImage bitmap;
    FillGradient(23, 3, Grey(0), Grey(150), 16, 2, false, bitmap);
    const std::vector<TColor> ramp = MakeColorRamp(Grey(0), Grey(150), 16, 2);
    EXPECT_EQ(ramp.front(), Grey(150));
    for (int x = 0; x < 23; ++x)
        for (int y = 0; y < 3; ++y)
            ASSERT_EQ(FlatFromQRgb(bitmap.pixel(x, y)), ramp[size_t(kBandOf23[size_t(x)])]) << x << "," << y;
}

TEST(FlatGradient, MoreBandsThanRowsKeepsTheLastBandThatStartsOnARow)
{
    struct Case { int height, steps; };
    for (const Case c : {Case{21, 64}, Case{7, 16}, Case{100, 8}, Case{1, 2}}) {
        QImage bitmap;
        FillGradient(3, c.height, Grey(10), Grey(250), c.steps, 1, false, bitmap);
        const std::vector<TColor> ramp = MakeColorRamp(Grey(10), Grey(250), c.steps, 1);
        for (int y = 0; y < c.height; ++y) {
            int band = 0;
            for (int i = 0; i < c.steps; ++i)
                if (FlatMulDiv(i, c.height, c.steps) <= y)
                    band = i;
            ASSERT_EQ(FlatFromQRgb(bitmap.pixel(1, y)), ramp[size_t(band)]) << c.height << "/" << c.steps << " row " << y;
        }
    }
}

TEST(FlatGradient, DitherMovesTheSeamRowWhenBandsAreShort)
{
    // 23 rows in 16 bands: the noise reaches 0 rows deep, so the first row of every band
    // takes the colour of the band above, on every column.
    QImage bitmap;
    FillGradient(40, 23, Grey(0), Grey(150), 16, 1, true, bitmap);
    const std::vector<TColor> ramp = MakeColorRamp(Grey(0), Grey(150), 16, 1);
    for (int y = 0; y < 23; ++y) {
        const int band = kBandOf23[size_t(y)];
        const bool seam = band > 0 && FlatMulDiv(band, 23, 16) == y;
        const TColor expected = ramp[size_t(seam ? band - 1 : band)];
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(FlatFromQRgb(bitmap.pixel(x, y)), expected) << x << "," << y;
    }
}

TEST(FlatGradient, DitherNoiseStaysNearTheSeamAndRepeatsEvery16Columns)
{
    const int height = 100;
    const int steps = 8;
    QImage bitmap;
    FillGradient(50, height, Grey(0), Grey(210), steps, 1, true, bitmap);
    const std::vector<TColor> ramp = MakeColorRamp(Grey(0), Grey(210), steps, 1);
    bool sawNoise = false;
    for (int y = 0; y < height; ++y) {
        int band = 0;
        for (int i = 0; i < steps; ++i)
            if (FlatMulDiv(i, height, steps) <= y)
                band = i;
        const int depth = y - FlatMulDiv(band, height, steps);
        for (int x = 0; x < 50; ++x) {
            const TColor pixel = FlatFromQRgb(bitmap.pixel(x, y));
            ASSERT_EQ(pixel, FlatFromQRgb(bitmap.pixel(x % 16, y))) << x << "," << y;
            if (pixel == ramp[size_t(band)])
                continue;
            sawNoise = true;
            ASSERT_GT(band, 0);
            ASSERT_EQ(pixel, ramp[size_t(band - 1)]) << x << "," << y;
            ASSERT_LT(depth, height / (steps - 1)) << x << "," << y;
        }
    }
    EXPECT_TRUE(sawNoise);
}

TEST(FlatGradient, NarrowAndEmptyBitmaps)
{
    QImage bitmap;
    FillGradient(5, 23, Grey(0), Grey(150), 64, 1, true, bitmap);  // strip wider than the bitmap
    EXPECT_EQ(bitmap.size(), QSize(5, 23));
    FillGradient(0, 23, Grey(0), Grey(150), 16, 1, true, bitmap);
    EXPECT_TRUE(bitmap.isNull());
    FillGradient(-4, -4, Grey(0), Grey(150), 16, 1, false, bitmap);
    EXPECT_TRUE(bitmap.isNull());
}

TEST(FlatDrawLine, ExtendDrawsTheEndPixelInTheLineDirection)
{
    struct Case { int x1, y1, x2, y2; bool extend; int endX, endY, endColor; };
    const Case cases[] = {
        {0, 2, 4, 2, false, 4, 2, 0xFFFFFF},
        {0, 2, 4, 2, true, 4, 2, 0},
        {4, 4, 1, 1, true, 1, 1, 0},
        {4, 4, 1, 1, false, 1, 1, 0xFFFFFF},
        {1, 4, 1, 0, true, 1, 0, 0},
        {0, 0, 5, 1, true, 5, 1, 0},  // a shallow line ends on its end pixel too
    };
    for (const Case& c : cases) {
        QImage image(6, 6, QImage::Format_RGB32);
        image.fill(Qt::white);
        TFlatCanvas canvas(image);
        canvas.SetPenColor(0);
        DrawLine(canvas, c.x1, c.y1, c.x2, c.y2, c.extend);
        EXPECT_EQ(canvas.Pixel(c.x1, c.y1), 0);
        EXPECT_EQ(canvas.Pixel(c.endX, c.endY), c.endColor) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

// -- components

TEST(FlatComponents, BannerAndVersionTextsIgnoreWrites)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TFlatStyleManager manager;
    EXPECT_EQ(manager.Version(), "1.0.0");
    EXPECT_FALSE(manager.About().isEmpty());
    manager.SetAbout("other");
    manager.SetVersion("9");
    EXPECT_EQ(manager.About(), FlatAboutBanner());
    EXPECT_EQ(manager.Version(), "1.0.0");

    TFlatCustomComponent plain;
    EXPECT_EQ(plain.Version(), "");

    TFlatButton button;
    EXPECT_EQ(button.Version(), "1.0.2g");
    button.SetVersion("1");
    button.SetAbout("x");
    EXPECT_EQ(button.Version(), "1.0.2g");
    EXPECT_EQ(button.About(), FlatAboutBanner());
}

TEST(FlatStyleManager, EveryCreationTellsItIsInBeta)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TApplication application;
    application.SetTitle("Workshop");
    for (int i = 0; i < 2; ++i)
        TFlatStyleManager manager;
    ASSERT_EQ(host.CountOf(TShownRecord::Message), 2);
    EXPECT_EQ(host.Shown().at(0).Text,
              "The \"TFlatStyleManager\" component is currently in beta state and has no functionality yet!");
    EXPECT_EQ(host.Shown().at(0).Caption, "Workshop");
}

TEST(FlatStyleManager, RegistersControlsAndForgetsBothWays)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    auto manager = std::make_unique<TFlatStyleManager>();
    EXPECT_EQ(manager->Theme(), WindowsXP);
    auto first = std::make_unique<TFlatButton>();
    TFlatButton second;
    first->SetStyleManager(manager.get());
    second.SetStyleManager(manager.get());
    manager->RegisterControl(first.get());
    EXPECT_EQ(manager->Controls(), (std::vector<TFlatCustomControl*>{first.get(), &second}));

    manager->SetTheme(OfficeXP);
    EXPECT_EQ(second.GetTheme(), OfficeXP);

    first.reset();
    EXPECT_EQ(manager->Controls(), std::vector<TFlatCustomControl*>{&second});

    second.SetStyleManager(nullptr);
    EXPECT_TRUE(manager->Controls().empty());
    second.SetStyleManager(manager.get());
    manager.reset();
    EXPECT_EQ(second.StyleManager(), nullptr);
    EXPECT_EQ(second.GetTheme(), WindowsXP);
}

// -- the control's states and keys on a form

namespace {

struct TwoButtons : TActiveForm {
    TwoButtons()
    {
        save.setParent(&form);
        save.SetCaption("&Save");
        save.SetBounds(10, 10, 73, 25);
        other.setParent(&form);
        other.SetCaption("Other");
        other.SetBounds(100, 10, 73, 25);
        save.OnClick = [this](QObject*) { ++saveClicks; };
        other.OnClick = [this](QObject*) { ++otherClicks; };
    }
    TFlatButton save;
    TFlatButton other;
    int saveClicks = 0;
    int otherClicks = 0;
};

} // namespace

TEST(FlatCustomControl, AcceleratorNeedsAltUnlessFocused)
{
    struct Case { bool focusSave; Qt::KeyboardModifiers modifiers; int clicks; };
    const Case cases[] = {
        {false, Qt::NoModifier, 0},
        {false, Qt::AltModifier, 1},
        {true, Qt::NoModifier, 1},
        {true, Qt::AltModifier, 1},
        {false, Qt::ControlModifier, 0},
    };
    for (const Case& c : cases) {
        TwoButtons f;
        ASSERT_TRUE(f.Activate());
        (c.focusSave ? f.save : f.other).setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, c.modifiers);
        EXPECT_EQ(f.saveClicks, c.clicks) << "focus on Save " << c.focusSave << " modifiers " << c.modifiers;
        EXPECT_EQ(f.otherClicks, 0);
    }
}

TEST(FlatCustomControl, DisabledButtonTakesNoAccelerator)
{
    TwoButtons f;
    ASSERT_TRUE(f.Activate());
    f.other.setFocus();
    f.save.setEnabled(false);
    QTest::keyClick(&f.other, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(f.saveClicks, 0);
}

TEST(FlatCustomControl, FocusFollowsTheFormAndLosingItClearsThePress)
{
    TwoButtons f;
    ASSERT_TRUE(f.Activate());
    QTest::mousePress(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(f.save.hasFocus());
    EXPECT_EQ(f.save.State() & (fcsFocused | fcsPressed), TFlatControlState(fcsFocused | fcsPressed));
    EXPECT_TRUE(f.other.ActiveIsDx());

    TEdit edit(&f.form);
    edit.show();
    edit.setFocus();
    EXPECT_FALSE(f.save.State() & fcsFocused);
    EXPECT_FALSE(f.save.State() & fcsPressed);
    EXPECT_FALSE(f.other.ActiveIsDx());
    QTest::mouseRelease(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(FlatCustomControl, AWindowPoppingUpWhilePressedClearsTheLook)
{
    TwoButtons f;
    ASSERT_TRUE(f.Activate());
    QTest::mousePress(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(f.save.State() & (fcsFocused | fcsPressed), TFlatControlState(fcsFocused | fcsPressed));
    TForm dialog;
    dialog.resize(100, 50);
    TEdit edit(&dialog);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_FALSE(f.save.State() & fcsFocused);
    EXPECT_FALSE(f.save.State() & fcsPressed);
    dialog.hide();
    QTest::mouseRelease(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(FlatCustomControl, DraggingOntoANeighbourLeavesItHot)
{
    TwoButtons f;
    ASSERT_TRUE(f.Activate());
    const QPoint onOther = f.save.mapFromGlobal(f.other.mapToGlobal(QPoint(20, 10)));
    int leaves = 0;
    f.save.OnMouseLeave = [&leaves](QObject*) { ++leaves; };
    QTest::mousePress(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(&f.save, QPoint(6, 6));
    EXPECT_EQ(f.save.State() & fcsMouseInside, fcsMouseInside);
    QTest::mouseMove(&f.save, onOther);
    EXPECT_EQ(f.save.State() & (fcsPressed | fcsMouseInside), TFlatControlState(fcsPressed));
    EXPECT_EQ(leaves, 1);
    QTest::mouseRelease(&f.save, Qt::LeftButton, {}, onOther);
    EXPECT_EQ(f.saveClicks, 0);
    EXPECT_FALSE(f.save.State() & fcsPressed);
    EXPECT_TRUE(f.other.State() & fcsMouseInside);
}

TEST(FlatCustomControl, ClickHandsTheModalResultOnEvenWhenZero)
{
    TwoButtons f;
    f.form.SetModalResult(mrOk);
    f.save.SetModalResult(mrNone);
    f.save.Click();
    EXPECT_EQ(f.form.ModalResult(), mrNone);
    f.save.SetModalResult(mrYes);
    f.save.Click();
    EXPECT_EQ(f.form.ModalResult(), mrYes);
    EXPECT_EQ(f.saveClicks, 2);

    TFlatButton loose;
    loose.SetModalResult(mrOk);
    int clicks = 0;
    loose.OnClick = [&clicks](QObject*) { ++clicks; };
    loose.Click();
    EXPECT_EQ(clicks, 1);
}

TEST(FlatCustomControl, DoubleClickIsTwoClicks)
{
    TwoButtons f;
    ASSERT_TRUE(f.Activate());
    QTest::mouseClick(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&f.save, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.saveClicks, 2);
}
