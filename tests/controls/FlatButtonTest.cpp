#include "controls/FlatButton.h"

#include "FlatTestSupport.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include "platform/toolkit/gui/StandardControls.h"
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr TColor kFormColor = 0xC8D0D4; // the classic button face

// Rows of a 23-pixel-high gradient in 16 bands.
const std::vector<int> kBandOf23 = {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9, 10, 10, 11, 12, 12, 13, 14, 14, 15};

QFont CrispFont()
{
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void Prepare(TFlatButton& button, const QString& caption)
{
    button.SetColor(clBtnFace);
    button.SetFont(CrispFont());
    button.SetCaption(caption);
}

void SendEnter(QWidget& widget)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&widget, &enter);
}

void SendLeave(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

void SendKey(QWidget& widget, QEvent::Type type, int key, bool autoRepeat, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(type, key, modifiers, key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
    QApplication::sendEvent(&widget, &event);
}

std::vector<TColor> Ramp(TColor from, TColor to)
{
    return MakeColorRamp(from, to, 16, 1);
}

struct ButtonOnForm : TActiveForm {
    ButtonOnForm()
    {
        button.setParent(&form);
        Prepare(button, "OK");
        button.move(20, 20);
        button.OnClick = [this](QObject*) { ++clicks; };
    }
    TFlatButton button;
    int clicks = 0;
};

} // namespace

TEST(FlatButton, Defaults)
{
    TFlatButton button;
    EXPECT_EQ(button.size(), QSize(73, 25));
    EXPECT_TRUE(button.AutoGray());
    EXPECT_FALSE(button.Cancel());
    EXPECT_FALSE(button.Default());
    EXPECT_TRUE(button.Glyph().Empty());
    EXPECT_FALSE(button.HotTrack());
    EXPECT_EQ(button.Layout(), blGlyphLeft);
    EXPECT_EQ(button.Quality(), bqMiddle);
    EXPECT_TRUE(button.ShowAccelChar());
    EXPECT_TRUE(button.ShowFocusRect());
    EXPECT_TRUE(button.SmoothEdges());
    EXPECT_EQ(button.Spacing(), 3);
    EXPECT_TRUE(button.WordWrap());
    EXPECT_EQ(button.ModalResult(), mrNone);
    EXPECT_TRUE(button.TabStop());
    const TFlatColors& c = button.Colors();
    const std::vector<TColor> colors = {c.BackgroundFrom(), c.BackgroundTo(), c.BorderEdges(), c.BorderLine(),
                                        c.ClickedFrom(),    c.ClickedTo(),    c.FocusedFrom(), c.FocusedTo(),
                                        c.HighlightFrom(),  c.HighlightTo(),  c.HotTrack()};
    EXPECT_EQ(colors, (std::vector<TColor>{0xFFFFFF, 0xE7EBEF, 0xC0C0C0, 0x808080, 0xC6CFD6, 0xEBF3F7, 0xFFE7CE,
                                           0xEF846D, 0xCEF3FF, 0x0096E7, 0x0000FF}));
}

TEST(FlatButtonPaint, NormalFaceBorderAndCorners)
{
    TFlatButton button;
    Prepare(button, "");
    const QImage image = RenderWidget(button);
    const int w = 73;
    const int h = 25;
    struct Spot { int x, y, color; };
    const Spot spots[] = {
        {0, 0, kFormColor},     {w - 1, 0, kFormColor}, {0, h - 1, kFormColor}, {w - 1, h - 1, kFormColor},
        {1, 0, 0xC0C0C0},       {0, 1, 0xC0C0C0},       {w - 2, 0, 0xC0C0C0},   {w - 1, 1, 0xC0C0C0},
        {0, h - 2, 0xC0C0C0},   {1, h - 1, 0xC0C0C0},   {w - 2, h - 1, 0xC0C0C0}, {w - 1, h - 2, 0xC0C0C0},
        {2, 0, 0x808080},       {1, 1, 0x808080},       {0, 2, 0x808080},       {w - 3, 0, 0x808080},
        {w - 2, 1, 0x808080},   {w - 1, 12, 0x808080},  {36, h - 1, 0x808080},  {w - 2, h - 2, 0x808080},
    };
    for (const Spot& s : spots)
        EXPECT_EQ(PixelOf(image, s.x, s.y), s.color) << s.x << "," << s.y;
    const std::vector<TColor> face = Ramp(0xFFFFFF, 0xE7EBEF);
    for (int y = 1; y < h - 1; ++y) {
        EXPECT_EQ(PixelOf(image, 10, y), face[size_t(kBandOf23[size_t(y - 1)])]) << "row " << y;
        if (y > 1 && y < h - 2) {
            EXPECT_EQ(PixelOf(image, w - 2, y), face[size_t(kBandOf23[size_t(y - 1)])]) << "row " << y;
        }
    }
}

TEST(FlatButtonPaint, HotShowsTheHighlightRingAroundTheFace)
{
    TFlatButton button;
    Prepare(button, "");
    RenderWidget(button);  // the first size builds the gradients, while the button is idle
    SendEnter(button);
    ASSERT_EQ(button.State(), TFlatControlState(fcsMouseInside));
    const QImage image = RenderWidget(button);
    const std::vector<TColor> ring = Ramp(0xCEF3FF, 0x0096E7);
    const std::vector<TColor> face = Ramp(0xFFFFFF, 0xE7EBEF);
    for (int y = 3; y < 22; ++y) {
        EXPECT_EQ(PixelOf(image, 1, y), ring[size_t(kBandOf23[size_t(y - 1)])]) << "row " << y;
        EXPECT_EQ(PixelOf(image, 2, y), ring[size_t(kBandOf23[size_t(y - 1)])]) << "row " << y;
        // The face is the top of the normal gradient, moved in by two pixels.
        EXPECT_EQ(PixelOf(image, 10, y), face[size_t(kBandOf23[size_t(y - 3)])]) << "row " << y;
    }
    EXPECT_EQ(PixelOf(image, 10, 22), ring[14]);
    EXPECT_EQ(PixelOf(image, 70, 12), ring[size_t(kBandOf23[11])]);
    SendLeave(button);
    EXPECT_EQ(button.State(), TFlatControlState());
    EXPECT_EQ(PixelOf(RenderWidget(button), 1, 12), face[size_t(kBandOf23[11])]);
}

TEST(FlatButtonPaint, FocusedShowsTheFocusRingAndRect)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    f.button.setFocus();
    ASSERT_EQ(f.button.State(), TFlatControlState(fcsFocused));
    const QImage image = RenderWidget(f.button);
    const std::vector<TColor> ring = Ramp(0xFFE7CE, 0xEF846D);
    EXPECT_EQ(PixelOf(image, 1, 12), ring[size_t(kBandOf23[11])]);
    EXPECT_EQ(PixelOf(image, 71, 20), ring[size_t(kBandOf23[19])]);
    // The dotted rectangle inverts every other pixel of (3, 3) - (70, 22).
    EXPECT_EQ(PixelOf(image, 3, 3), 0x000000);
    EXPECT_EQ(PixelOf(image, 4, 3), 0xFFFFFF);
    EXPECT_EQ(PixelOf(image, 5, 3), 0x000000);
    EXPECT_EQ(PixelOf(image, 3, 5) ^ 0xFFFFFF, Ramp(0xFFFFFF, 0xE7EBEF)[size_t(kBandOf23[2])]);

    f.button.SetShowFocusRect(false);
    EXPECT_EQ(PixelOf(RenderWidget(f.button), 3, 3), 0xFFFFFF);
}

TEST(FlatButtonPaint, PressedInsideShowsTheClickedFaceAndShiftsTheCaption)
{
    ButtonOnForm f;
    f.button.SetShowFocusRect(false);
    ASSERT_TRUE(f.Activate());
    const TFlatRect normal = CaptionBox(RenderWidget(f.button));
    ASSERT_FALSE(normal.IsEmpty());
    QTest::mousePress(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    SendEnter(f.button);
    ASSERT_EQ(f.button.State(), TFlatControlState(fcsMouseInside | fcsFocused | fcsPressed));
    const QImage image = RenderWidget(f.button);
    const std::vector<TColor> clicked = Ramp(0xC6CFD6, 0xEBF3F7);
    EXPECT_EQ(PixelOf(image, 1, 12), clicked[size_t(kBandOf23[11])]);
    EXPECT_EQ(PixelOf(image, 10, 2), clicked[size_t(kBandOf23[1])]);
    TFlatRect shifted = normal;
    shifted.Offset(1, 1);
    EXPECT_EQ(CaptionBox(image), shifted);
    QTest::mouseRelease(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.clicks, 1);
}

TEST(FlatButtonPaint, PressedAndDraggedOffShowsTheNormalFaceInTheFocusRing)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    QTest::mousePress(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(&f.button, QPoint(5, 6));
    QTest::mouseMove(&f.button, QPoint(200, 100));
    ASSERT_EQ(f.button.State(), TFlatControlState(fcsFocused | fcsPressed));
    const QImage image = RenderWidget(f.button);
    EXPECT_EQ(PixelOf(image, 1, 12), Ramp(0xFFE7CE, 0xEF846D)[size_t(kBandOf23[11])]);
    EXPECT_EQ(PixelOf(image, 10, 8), Ramp(0xFFFFFF, 0xE7EBEF)[size_t(kBandOf23[5])]);
    QTest::mouseRelease(&f.button, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_EQ(f.clicks, 0);
}

TEST(FlatButtonPaint, CaptionIsCentredAndHotTrackColoured)
{
    TFlatButton button;
    Prepare(button, "OK");
    const QFontMetrics metrics(CrispFont());
    const TFlatRect box = CaptionBox(RenderWidget(button));
    ASSERT_FALSE(box.IsEmpty());
    const int left = (73 - metrics.horizontalAdvance("OK")) / 2;
    const int top = (25 - metrics.height()) / 2;
    EXPECT_GE(box.Left, left);
    EXPECT_LE(box.Right, left + metrics.horizontalAdvance("OK"));
    EXPECT_GE(box.Top, top);
    EXPECT_LE(box.Bottom, top + metrics.height());
    EXPECT_LE(std::abs((box.Left + box.Right) - 73), 3);

    button.SetHotTrack(true);
    SendEnter(button);
    const QImage hot = RenderWidget(button);
    const TFlatRect red = InkBox(hot, TFlatRect{4, 4, 69, 21}, [](int c) { return c == 0x0000FF; });
    EXPECT_EQ(red, box);
}

TEST(FlatButtonPaint, DisabledGlyphTurnsGreyAndCaptionEmbossed)
{
    TFlatButton button;
    Prepare(button, "Save");
    button.Colors().SetBackgroundFrom(0xA0A0A0);
    button.Colors().SetBackgroundTo(0xA0A0A0);
    QImage glyph(8, 8, QImage::Format_RGB32);
    glyph.fill(qRgb(255, 0, 255));  // the transparent colour sits at the bottom left
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            glyph.setPixel(x, y, x < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 40));
    button.SetGlyph(TBitmap(glyph));
    button.setEnabled(false);
    const QImage image = RenderWidget(button);

    const TFlatRect glyphBox = InkBox(image, TFlatRect{3, 3, 70, 22}, [](int c) {
        return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c) && c != 0xA0A0A0 && c != 0x808080
            && c != 0xFFFFFF;
    });
    ASSERT_EQ(glyphBox.Width(), 8);
    EXPECT_EQ(glyphBox.Height(), 6);  // the transparent rows are left out
    for (int y = glyphBox.Top; y < glyphBox.Bottom; ++y)
        for (int x = glyphBox.Left; x < glyphBox.Right; ++x) {
            const int v = GetRValue(PixelOf(image, x, y));
            EXPECT_GE(v, 96);
            EXPECT_LE(v, 223);
        }
    EXPECT_EQ(PixelOf(image, glyphBox.Left, glyphBox.Top), RGBColor(138, 138, 138));     // (255 / 3) / 2 + 96
    EXPECT_EQ(PixelOf(image, glyphBox.Right - 1, glyphBox.Top), RGBColor(102, 102, 102)); // (40 / 3) / 2 + 96

    const TFlatRect text{glyphBox.Right + 1, 3, 70, 22};
    const TFlatRect white = InkBox(image, text, [](int c) { return c == 0xFFFFFF; });
    const TFlatRect shadow = InkBox(image, text, [](int c) { return c == 0x808080; });
    ASSERT_FALSE(white.IsEmpty());
    ASSERT_FALSE(shadow.IsEmpty());
    EXPECT_EQ(white.Right, shadow.Right + 1);
    EXPECT_EQ(white.Bottom, shadow.Bottom + 1);
    EXPECT_TRUE(InkBox(image, text, IsDark).IsEmpty());
}

TEST(FlatButtonPaint, EmptyCaptionCentresTheImageOnOneLine)
{
    QImage glyph(8, 8, QImage::Format_RGB32);
    glyph.fill(qRgb(0, 0, 0));
    glyph.setPixel(0, 7, qRgb(0, 255, 0));  // transparent colour, used only at that pixel
    const QFontMetrics metrics(CrispFont());
    struct Case { TFlatLayout layout; int height; int x, y; };
    const int space = metrics.horizontalAdvance(' ');
    const int line = metrics.height();
    const Case cases[] = {
        {blGlyphLeft, 25, (73 - 11 - space) / 2, (25 - 8) / 2},
        {blGlyphRight, 25, (73 - space - 11) / 2 + space + 3, (25 - 8) / 2},
        {blGlyphTop, 60, (73 - 8) / 2, (60 - 11 - line) / 2},
        {blGlyphBottom, 60, (73 - 8) / 2, (60 - 11 - line) / 2 + line + 3},
    };
    for (const Case& c : cases) {
        TFlatButton button;
        Prepare(button, "");
        button.resize(73, c.height);
        button.SetLayout(c.layout);
        button.SetGlyph(TBitmap(glyph));
        const QImage image = RenderWidget(button);
        const TFlatRect box = InkBox(image, TFlatRect{3, 3, 70, c.height - 3}, IsDark);
        EXPECT_EQ(box, (TFlatRect{c.x, c.y, c.x + 8, c.y + 8})) << "layout " << c.layout;
    }
}

TEST(FlatButtonPaint, LongCaptionsEndInAnEllipsisOrBreak)
{
    const QString caption = "Write every change";
    const QFontMetrics metrics(CrispFont());
    ASSERT_GT(metrics.horizontalAdvance(caption), 73);

    TFlatButton single;
    Prepare(single, caption);
    single.SetWordWrap(false);
    const QImage one = RenderWidget(single);
    const TFlatRect box = CaptionBox(one);
    EXPECT_EQ(box.Height() <= metrics.height(), true);
    // The last ink is the ellipsis: dots on the base line only.
    const TFlatRect tail{box.Right - 2, box.Top, box.Right, box.Bottom};
    const TFlatRect dots = InkBox(one, tail, IsDark);
    EXPECT_LE(dots.Height(), 3);

    TFlatButton wrapped;
    Prepare(wrapped, caption);
    wrapped.resize(73, 60);
    const TFlatRect lines = CaptionBox(RenderWidget(wrapped));
    EXPECT_GT(lines.Height(), metrics.height());
    EXPECT_GE(lines.Left, 4);
    EXPECT_LE(lines.Right, 69);
}

TEST(FlatButtonPaint, ShowAccelCharOffShowsTheAmpersandAndNoUnderline)
{
    TFlatButton marked;
    Prepare(marked, "&Save");
    TFlatButton literal;
    Prepare(literal, "&Save");
    literal.SetShowAccelChar(false);
    const TFlatRect withUnderline = CaptionBox(RenderWidget(marked));
    const TFlatRect withAmpersand = CaptionBox(RenderWidget(literal));
    const QFontMetrics metrics(CrispFont());
    EXPECT_GE(withAmpersand.Width() - withUnderline.Width(), metrics.horizontalAdvance('&') - 2);
    EXPECT_GT(withUnderline.Bottom, withAmpersand.Bottom);
    TFlatButton only;
    Prepare(only, "&");
    EXPECT_TRUE(CaptionBox(RenderWidget(only)).Height() <= 2);  // an underlined blank
}

TEST(FlatButtonPaint, ColoursAndQualityRebuildTheGradients)
{
    TFlatButton button;
    Prepare(button, "");
    button.Colors().SetBackgroundFrom(clRed);
    EXPECT_EQ(PixelOf(RenderWidget(button), 10, 1), 0x0000FF);
    button.Colors().SetBackgroundFrom(clBtnFace);
    EXPECT_EQ(PixelOf(RenderWidget(button), 10, 1), kFormColor);

    auto distinctRows = [&button]() {
        const QImage image = RenderWidget(button);
        std::set<int> colors;
        for (int y = 1; y < 24; ++y)
            colors.insert(PixelOf(image, 40, y));
        return colors.size();
    };
    button.Colors().SetBackgroundFrom(clBlack);
    button.Colors().SetBackgroundTo(clWhite);
    button.SetQuality(bqLow);
    EXPECT_EQ(distinctRows(), 8u);
    button.SetQuality(bqMiddle);
    EXPECT_EQ(distinctRows(), 16u);
    button.SetQuality(bqHigh);
    EXPECT_GT(distinctRows(), 16u);
}

TEST(FlatButtonPaint, FaceCopyStaysInsideAGradientBuiltWhileHighlighted)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    f.button.setFocus();
    f.button.resize(80, 30);  // rebuilt while focused: the face gradient is the smaller one
    TEdit edit(&f.form);
    edit.show();
    edit.setFocus();
    ASSERT_FALSE(f.button.IsHighlighted(false));
    const QImage image = RenderWidget(f.button);
    const std::vector<TColor> face = MakeColorRamp(0xFFFFFF, 0xE7EBEF, 16, 1);
    // What the smaller gradient does not cover keeps the control's colour.
    for (int y = 2; y < 28; ++y)
        for (int x = 2; x < 78; ++x) {
            const int pixel = PixelOf(image, x, y);
            const bool ink = IsDark(pixel) || (x > 20 && x < 60);
            if (!ink) {
                ASSERT_TRUE(pixel == kFormColor || std::find(face.begin(), face.end(), pixel) != face.end())
                    << x << "," << y << " " << std::hex << pixel;
            }
        }
    EXPECT_EQ(PixelOf(image, 77, 15), kFormColor);
}

// -- keys

TEST(FlatButtonKeys, HeldSpaceClicksOnceOnRelease)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    QCursor::setPos(QPoint(390, 190));
    f.button.setFocus();
    SendKey(f.button, QEvent::KeyPress, Qt::Key_Space, false);
    EXPECT_EQ(f.button.State() & (fcsPressed | fcsMouseInside), TFlatControlState(fcsPressed | fcsMouseInside));
    for (int i = 0; i < 3; ++i) {
        SendKey(f.button, QEvent::KeyRelease, Qt::Key_Space, true);
        SendKey(f.button, QEvent::KeyPress, Qt::Key_Space, true);
    }
    EXPECT_EQ(f.clicks, 0);
    EXPECT_TRUE(f.button.State() & fcsPressed);
    SendKey(f.button, QEvent::KeyRelease, Qt::Key_Space, false);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_FALSE(f.button.State() & fcsPressed);
    EXPECT_FALSE(f.button.State() & fcsMouseInside);  // the pointer is elsewhere
}

TEST(FlatButtonKeys, SpaceWithAModifierDoesNotPress)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    f.button.setFocus();
    QTest::keyClick(&f.button, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(f.clicks, 0);
    EXPECT_FALSE(f.button.State() & fcsPressed);
}

TEST(FlatButtonKeys, KeyReleaseWhileTheMouseIsHeldClicksOnlyOnce)
{
    ButtonOnForm f;
    ASSERT_TRUE(f.Activate());
    QTest::mousePress(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    SendKey(f.button, QEvent::KeyRelease, Qt::Key_A, false);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_FALSE(f.button.State() & fcsPressed);
    QTest::mouseRelease(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.clicks, 1);
    QTest::mouseClick(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.clicks, 2);
}

TEST(FlatButtonKeys, EnterGoesToTheFocusedFlatButtonElseTheDefault)
{
    ButtonOnForm f;
    f.button.SetDefault(true);
    TFlatButton other(&f.form);
    other.move(120, 20);
    int otherClicks = 0;
    other.OnClick = [&otherClicks](QObject*) { ++otherClicks; };
    TEdit edit(&f.form);
    edit.move(20, 80);
    ASSERT_TRUE(f.Activate());

    edit.setFocus();
    EXPECT_TRUE(f.button.IsHighlighted(false));
    EXPECT_EQ(PixelOf(RenderWidget(f.button), 1, 12), Ramp(0xFFE7CE, 0xEF846D)[size_t(kBandOf23[11])]);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(f.clicks, 1);

    other.setFocus();
    EXPECT_FALSE(f.button.IsHighlighted(false));
    QTest::keyClick(&other, Qt::Key_Return);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(f.clicks, 1);

    f.button.SetDefault(false);
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(f.clicks, 1);
}

TEST(FlatButtonKeys, SettingDefaultRepaintsEveryButtonsLook)
{
    ButtonOnForm f;
    TEdit edit(&f.form);
    edit.move(20, 80);
    ASSERT_TRUE(f.Activate());
    edit.setFocus();
    EXPECT_FALSE(f.button.IsHighlighted(false));
    f.button.SetDefault(true);
    EXPECT_TRUE(f.button.IsHighlighted(false));
}

TEST(FlatButtonKeys, EscapeClicksTheCancelButtonWithoutModifiers)
{
    struct Case { Qt::KeyboardModifiers modifiers; bool cancel; int clicks; };
    const Case cases[] = {
        {Qt::NoModifier, true, 1},
        {Qt::ControlModifier, true, 0},
        {Qt::ShiftModifier, true, 0},
        {Qt::AltModifier, true, 0},
        {Qt::NoModifier, false, 0},
    };
    for (const Case& c : cases) {
        ButtonOnForm f;
        f.button.SetCancel(c.cancel);
        TEdit edit(&f.form);
        ASSERT_TRUE(f.Activate());
        edit.setFocus();
        QTest::keyClick(&edit, Qt::Key_Escape, c.modifiers);
        EXPECT_EQ(f.clicks, c.clicks) << "modifiers " << c.modifiers << " cancel " << c.cancel;
    }
}

// -- modal results through a modal form

TEST(FlatButtonModal, EveryWayOfClickingEndsTheModalFormWithTheButtonsResult)
{
    enum TWay { Mouse, Space, EnterFocused, EnterDefault, Escape, Accelerator };
    struct Case { TModalResult result; TWay way; };
    const Case cases[] = {
        {mrOk, Mouse},      {mrCancel, Escape},          {mrYes, Space},   {mrNo, Accelerator},
        {mrAll, EnterFocused}, {mrYesToAll, EnterDefault}, {mrCancel, Mouse},
    };
    for (const Case& c : cases) {
        TScriptedUiHost host;
        TScopedUiHost installed(host);
        TForm form;
        form.setObjectName("fModal");
        form.resize(300, 120);
        TFlatButton button(&form);
        button.SetCaption("&Go");
        button.move(10, 10);
        button.SetModalResult(c.result);
        TFlatButton holder(&form);
        holder.move(100, 10);
        TEdit edit(&form);
        edit.move(10, 60);
        host.OnForm("fModal", [&](TForm& shown) {
            if (!QTest::qWaitForWindowActive(&shown))
                return mrAbort;
            switch (c.way) {
            case Mouse:
                QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
                break;
            case Space:
                button.setFocus();
                QTest::keyClick(&button, Qt::Key_Space);
                break;
            case EnterFocused:
                button.setFocus();
                QTest::keyClick(&button, Qt::Key_Return);
                break;
            case EnterDefault:
                button.SetDefault(true);
                edit.setFocus();
                QTest::keyClick(&edit, Qt::Key_Return);
                break;
            case Escape:
                button.SetCancel(true);
                holder.setFocus();
                QTest::keyClick(&holder, Qt::Key_Escape);
                break;
            case Accelerator:
                holder.setFocus();
                QTest::keyClick(&holder, Qt::Key_G, Qt::AltModifier);
                break;
            }
            return mrNone;
        });
        EXPECT_EQ(form.ShowModal(), c.result) << "way " << c.way;
    }
}

TEST(FlatButtonModal, AButtonWithoutAResultKeepsTheFormOpen)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TForm form;
    form.setObjectName("fModal");
    TFlatButton none(&form);
    TFlatButton yes(&form);
    yes.move(100, 0);
    yes.SetModalResult(mrYes);
    bool stayedOpen = false;
    host.OnForm("fModal", [&](TForm& shown) {
        shown.SetModalResult(mrOk);
        QTest::mouseClick(&none, Qt::LeftButton, {}, QPoint(5, 5));
        stayedOpen = shown.ModalResult() == mrNone && shown.Modal() && shown.isVisible();
        QTest::mouseClick(&yes, Qt::LeftButton, {}, QPoint(5, 5));
        return mrNone;
    });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_TRUE(stayedOpen);
}
