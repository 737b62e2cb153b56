#include "controls/FlatLook.h"

#include "FlatTestSupport.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QAction>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

TColor Background(const QWidget* widget) { return FromQColor(widget->palette().color(widget->backgroundRole())); }

// Paints `widget` offscreen, with every hook taking part.
QImage Grab(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

int CountPixels(const QImage& image, TColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += PixelOf(image, x, y) == color;
    return count;
}

}  // namespace

// -- colours

TEST(FlatLookColors, TableOfSystemAndOwnColoursOnTrueAndPaletteDisplays)
{
    TForm form;
    TFlatLook look(&form);
    look.SetColor(clRed);
    look.SetIconBackColor(clYellow);
    look.SetSelectColor(RGBColor(100, 100, 100));
    look.SetSelectBorderColor(clGreen);
    look.SetSelectFontColor(clNavy);
    look.SetCheckedColor(clPurple);
    look.SetMenuBarColor(clTeal);
    look.SetDisabledColor(clOlive);
    look.SetSeparatorColor(clMaroon);
    look.SetUseDimColor(true);

    struct Case {
        bool system, trueColor;
        TFlatLookColors expected;
    };
    const TColor face = RGBColor(212, 208, 200), highlight = RGBColor(10, 36, 106), shadow = RGBColor(128, 128, 128);
    const TColor border = RGBColor(122, 120, 110), popupShadow = RGBColor(136, 134, 124);
    const Case cases[] = {
        {true, true, {RGBColor(249, 248, 247), RGBColor(219, 216, 209), RGBColor(177, 185, 207), highlight, clBlack,
                      RGBColor(206, 211, 225), RGBColor(132, 146, 180), highlight, face, RGBColor(141, 141, 141),
                      RGBColor(160, 160, 160), border, popupShadow}},
        {true, false, {clWhite, face, clWhite, highlight, clBlack, clWhite, clWhite, highlight, face, shadow, shadow,
                       shadow, shadow}},
        {false, true, {clRed, clYellow, RGBColor(205, 205, 205), clGreen, clNavy, RGBColor(224, 224, 224),
                       RGBColor(178, 178, 178), clPurple, clTeal, clOlive, clMaroon, border, popupShadow}},
        {false, false, {clRed, clYellow, RGBColor(100, 100, 100), clGreen, clNavy, clWhite, clSilver, clPurple, clTeal,
                        clOlive, clMaroon, shadow, shadow}},
    };
    for (const Case& c : cases) {
        look.SetUseSystemColors(c.system);
        look.SetTrueColor(c.trueColor);
        look.SetGlobalColors();
        EXPECT_EQ(look.Colors(), c.expected) << "system " << c.system << " true colour " << c.trueColor;
    }
}

TEST(FlatLookColors, ArithmeticAtItsEdges)
{
    TForm form;
    TFlatLook look(&form);
    const TColor grey = RGBColor(100, 100, 100);
    EXPECT_EQ(look.LightenColor(grey, 100), clWhite);
    EXPECT_EQ(look.LightenColor(grey, 250), clWhite);  // capped at 100 percent
    EXPECT_EQ(look.LightenColor(grey, 0), grey);
    EXPECT_EQ(look.LightenColor(clBtnFace, 16), RGBColor(219, 216, 209));  // system colours as RGB first
    EXPECT_EQ(TFlatLook::DarkenColor(grey, 10), RGBColor(90, 92, 90));     // green two steps less
    EXPECT_EQ(TFlatLook::DarkenColor(grey, -10), RGBColor(110, 112, 110)); // negative brightens
    EXPECT_EQ(TFlatLook::DarkenColor(clBlack, 1), RGBColor(0, 1, 0));
    EXPECT_EQ(TFlatLook::DarkenColor(clWhite, -5), clWhite);  // clamped
    EXPECT_EQ(TFlatLook::GrayColor(RGBColor(30, 60, 90), 10), RGBColor(70, 70, 70));
    EXPECT_EQ(TFlatLook::GrayColor(clWhite, 10), RGBColor(240, 240, 240));  // capped at 240
    EXPECT_EQ(look.GetContrastTextColor(clWhite), clBlack);                // light: the font colour
    EXPECT_EQ(look.GetContrastTextColor(RGBColor(0, 210, 0)), clBlack);
    EXPECT_EQ(look.GetContrastTextColor(RGBColor(0, 0, 128)), RGBColor(230, 230, 242));
    look.SetTrueColor(false);
    EXPECT_EQ(look.GetNearestColor(RGBColor(250, 250, 250)), clWhite);
    EXPECT_EQ(look.LightenColor(RGBColor(0, 0, 100), 10), clNavy);
}

// -- hooking

namespace {

struct HookCase {
    const char* what;
    std::function<QWidget*(QWidget* parent)> control;
    std::function<QWidget*(QWidget* form)> container;  // null: the form itself
    TFlatControls controls = TFlatControls::UpTo(xcGroupBox);
    TFlatContainers containers = TFlatContainers::UpTo(xccPageScroller);
    int controlTag = 0;
    int containerTag = 0;
    bool hooked = true;
};

template <class T>
QWidget* Make(QWidget* parent)
{
    return new T(parent);
}

}  // namespace

TEST(FlatLookHooking, TableOfKindsContainersSetsAndTags)
{
    const TFlatControls all = TFlatControls::UpTo(xcGroupBox);
    const TFlatContainers everywhere = TFlatContainers::UpTo(xccPageScroller);
    auto client = [](QWidget* form) { return new QWidget(form); };  // a plain area counts as the form
    const HookCase cases[] = {
        {"edit on the form", Make<TEdit>, nullptr},
        {"edit without its kind", Make<TEdit>, nullptr, all.Without(xcEdit), everywhere, 0, 0, false},
        {"masked edit is no plain edit", Make<TMaskEdit>, nullptr, all.Without(xcEdit)},
        {"masked edit without its kind", Make<TMaskEdit>, nullptr, all.Without(xcMaskEdit), everywhere, 0, 0, false},
        {"data edit as a masked edit", Make<TDBEdit>, nullptr, all.Without(xcEdit)},
        {"combo on a panel", Make<TComboBox>, Make<TPanel>},
        {"combo, panels not flat", Make<TComboBox>, Make<TPanel>, all, everywhere.Without(xccPanel), 0, 0, false},
        {"lookup combo as a button", Make<TDBLookupComboBox>, nullptr, all.Without(xcCombo)},
        {"lookup combo without buttons", Make<TDBLookupComboBox>, nullptr, all.Without(xcButton), everywhere, 0, 0, false},
        {"list box without its kind", Make<TListBox>, nullptr, all.Without(xcListBox).Without(xcToolbar), everywhere, 0, 0, false},
        {"memo in a group box", Make<TMemo>, Make<TGroupBox>},
        {"check box tagged 999", Make<TCheckBox>, nullptr, all, everywhere, 999, 0, false},
        {"radio button in a panel tagged 999", Make<TRadioButton>, Make<TPanel>, all, everywhere, 0, 999, false},
        {"radio button in a panel tagged 1000", Make<TRadioButton>, Make<TPanel>, all, everywhere, 0, 1000, true},
        {"button on the client area", Make<TButton>, client},
        {"button, forms not flat", Make<TButton>, client, all, everywhere.Without(xccForm), 0, 0, false},
        {"panel", Make<TPanel>, nullptr},
        {"group box without its kind", Make<TGroupBox>, nullptr, all.Without(xcGroupBox), everywhere, 0, 0, false},
        {"label is no kind", Make<TLabel>, nullptr, all, everywhere, 0, 0, false},
    };
    for (const HookCase& c : cases) {
        TForm form;
        QWidget* parent = c.container ? c.container(&form) : &form;
        if (TControl* owner = TControl::Of(parent); owner && parent != &form) owner->SetTag(c.containerTag);
        QWidget* control = c.control(parent);
        TControl::Of(control)->SetTag(c.controlTag);
        auto* look = new TFlatLook(&form);
        look->SetFlatControls(c.controls);
        look->SetFlatContainers(c.containers);
        look->SetActive(true);
        EXPECT_EQ(look->HookOf(control) != nullptr, c.hooked) << c.what;
    }
}

TEST(FlatLookHooking, NeverTwiceAndRestoredAtTheNextEventAfterDeactivation)
{
    TForm form;
    form.resize(200, 100);
    auto* edit = new TEdit(&form);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    look->HookComponents(&form, true, true);
    look->SetFlatControls(TFlatControls::UpTo(xcGroupBox).Without(xcListBox));
    EXPECT_EQ(look->findChildren<TControlSubClass*>().size(), 1);

    Grab(edit);
    EXPECT_FALSE(edit->hasFrame());  // the flat border replaces the 3-D one

    look->SetActive(false);
    ASSERT_NE(look->HookOf(edit), nullptr);  // still there until the control's next event
    Grab(edit);
    EXPECT_EQ(look->HookOf(edit), nullptr);
    EXPECT_TRUE(edit->hasFrame());
}

TEST(FlatLookHooking, ControlsAndWindowsDestroyedWhileHookedLeaveNothingBehind)
{
    auto form = std::make_unique<TForm>();
    auto* edit = new TEdit(form.get());
    auto* box = new TCheckBox(form.get());
    auto* look = new TFlatLook(form.get());
    look->SetActive(true);
    ASSERT_NE(look->HookOf(box), nullptr);
    delete edit;
    EXPECT_EQ(look->findChildren<TControlSubClass*>().size(), 1);
    form.reset();  // the sanitizers check the rest
}

TEST(FlatLookHooking, MenusTaggedToKeepTheirLook)
{
    TForm form;
    auto* bar = new TMainMenu(&form);
    auto* top = new TMenuItem(&form);
    bar->Items()->Add(top);
    auto* popup = new TPopupMenu(&form);
    popup->SetTag(999);  // a pop-up menu's own tag does not count
    auto* kept = new TMenuItem(&form);
    kept->SetTag(999);
    auto* drawn = new TMenuItem(&form);
    popup->Items()->Add(kept);
    popup->Items()->Add(drawn);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    EXPECT_TRUE(look->HooksItem(top));
    EXPECT_TRUE(look->HooksItem(drawn));
    EXPECT_FALSE(look->HooksItem(kept));
    EXPECT_FALSE(kept->OnDrawItem);

    look->SetActive(false);
    EXPECT_FALSE(top->OnDrawItem);
    bar->SetTag(999);
    look->SetActive(true);
    EXPECT_FALSE(look->HooksItem(top));  // a main menu tagged 999 is left alone

    TMenuItem* later = new TMenuItem(&form);
    popup->Items()->Add(later);
    EXPECT_FALSE(look->HooksItem(later));
    QPainter painter;
    QImage image(100, 20, QImage::Format_RGB32);
    painter.begin(&image);
    drawn->OnDrawItem(drawn, painter, QRect(0, 0, 100, 20), false);  // drawing a sibling hooks it
    painter.end();
    EXPECT_TRUE(look->HooksItem(later));
}

// -- menus

class FlatLookMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = new TMainMenu(&form);
        top = Add(bar->Items(), "&Операции");
        first = Add(top, "&Нова поръчка", "F5");
        line = Add(top, "-");
        checked = Add(top, "&Бутони");
        checked->SetChecked(true);
        look = new TFlatLook(&form);
        look->SetFlatMenu(true);
        look->SetActive(true);
        menu = top->SubMenu();
        menu->ensurePolished();
        menu->adjustSize();
    }
    TMenuItem* Add(TMenuItem* parent, const char* caption, const char* shortCut = "")
    {
        auto* item = new TMenuItem(&form);
        item->SetCaption(QString::fromUtf8(caption));
        item->SetShortCut(TextToShortCut(QString::fromLatin1(shortCut)));
        parent->Add(item);
        return item;
    }
    QRect Geometry(TMenuItem* item) const { return menu->actionGeometry(item->Action()); }

    TForm form;
    TMainMenu* bar = nullptr;
    TMenuItem *top = nullptr, *first = nullptr, *line = nullptr, *checked = nullptr;
    TFlatLook* look = nullptr;
    QMenu* menu = nullptr;
};

TEST_F(FlatLookMenu, ItemsMeasureByTheirText)
{
    const int textHeight = QFontMetrics(look->Font()).height();
    EXPECT_EQ(Geometry(line).height(), 4);
    EXPECT_EQ(Geometry(first).height(), textHeight + int(std::lround(textHeight * 0.75)));
    int width = 0, height = 0;
    look->MenuMeasureItem(first, width, height);
    const QFontMetrics metrics(look->Font());
    EXPECT_EQ(width, metrics.horizontalAdvance(QStringLiteral("&Нова поръчкаWWWF5")) + 5 -
                         metrics.horizontalAdvance(QLatin1Char('&')) + 24);
}

TEST_F(FlatLookMenu, IconColumnSelectionSeparatorCheckMarkAndBorder)
{
    const TFlatLookColors& colors = look->Colors();
    QImage image = Grab(menu);
    const QRect item = Geometry(first);
    const int middle = item.center().y();
    EXPECT_EQ(PixelOf(image, item.left() + 1, middle), colors.IconColumn);
    EXPECT_EQ(PixelOf(image, item.left() + 23, middle), colors.IconColumn);  // the column is 24 wide
    EXPECT_EQ(PixelOf(image, item.left() + 24, middle), colors.Menu);

    const QRect separator = Geometry(line);
    const int lineY = separator.top() + 2;
    EXPECT_EQ(PixelOf(image, item.left() + 24 + 7, lineY), colors.Separator);
    EXPECT_EQ(PixelOf(image, item.left() + 24 + 6, lineY), colors.Menu);

    // The check mark: a 10-pixel box in the check area colour with a black tick.
    const QRect checkedItem = Geometry(checked);
    const int boxLeft = checkedItem.left() + 7, boxTop = checkedItem.top() + (checkedItem.height() + 1 - 10) / 2;
    EXPECT_EQ(PixelOf(image, boxLeft, boxTop + 5), colors.Checked);
    EXPECT_EQ(PixelOf(image, boxLeft + 1, boxTop + 5), clBlack);
    EXPECT_EQ(PixelOf(image, boxLeft + 7, boxTop + 3), colors.CheckArea);

    // Flat border and a 2-pixel shadow.
    EXPECT_EQ(PixelOf(image, 0, image.height() / 2), colors.PopupBorder);
    EXPECT_EQ(PixelOf(image, image.width() - 1, image.height() / 2), colors.PopupShadow);
    EXPECT_EQ(PixelOf(image, image.width() - 2, image.height() / 2), colors.PopupShadow);
    EXPECT_EQ(PixelOf(image, image.width() - 1, 0), ColorToRGB(clBtnFace));

    menu->popup(QPoint(0, 0));
    menu->setActiveAction(first->Action());
    image = Grab(menu);
    const QRect shown = Geometry(first);
    menu->hide();
    EXPECT_EQ(PixelOf(image, shown.left() + 40, shown.top() + 1), colors.SelectBorder);
    EXPECT_EQ(PixelOf(image, shown.left() + 40, shown.top() + 2), colors.Select);
    EXPECT_EQ(PixelOf(image, shown.left() + 2, shown.center().y()), colors.Select);
    EXPECT_EQ(PixelOf(image, shown.right() - 1, shown.center().y()), colors.SelectBorder);  // one in for the border
    EXPECT_EQ(PixelOf(image, shown.right(), shown.center().y()), colors.Menu);
}

TEST_F(FlatLookMenu, TheWidestCaptionEndsClearOfTheBorder)
{
    // A menu without short cuts, which would widen every item by their column.
    TMenuItem* data = Add(bar->Items(), "&Данни");
    TMenuItem* wide = Add(data, "&Марки и модели на автомобилите");
    look->HookMenuItems(wide);
    data->SubMenu()->adjustSize();
    const QRect item = data->SubMenu()->actionGeometry(wide->Action());
    const int textEnd = item.left() + look->IconWidth() + 3 +
                        QFontMetrics(look->Font()).horizontalAdvance(QStringLiteral(" Марки и модели на автомобилите"));
    EXPECT_LE(textEnd + 4, item.right());
}

TEST_F(FlatLookMenu, TheBarAroundItsItemsTakesTheMenuColour)
{
    form.SetMenu(bar);
    look->SetMenuBarColor(clTeal);  // repaints the bar
    QMenuBar* menuBar = bar->MenuBar(&form);
    menuBar->resize(400, menuBar->sizeHint().height());
    const QRect item = menuBar->actionGeometry(top->Action());
    const int middle = item.center().y();
    EXPECT_EQ(PixelOf(Grab(menuBar), item.right() + 40, middle), ColorToRGB(clMenu));
    look->SetDrawMenuBar(true);
    look->SetUseSystemColors(false);
    EXPECT_EQ(PixelOf(Grab(menuBar), item.right() + 40, middle), ColorToRGB(clTeal));
    look->SetActive(false);
    EXPECT_EQ(PixelOf(Grab(menuBar), item.right() + 40, middle), FromQColor(form.palette().color(QPalette::Window)));
}

// -- controls

TEST(FlatLookPaint, ComboButtonArrowAndFrame)
{
    TForm form;
    form.resize(300, 100);
    auto* combo = new TComboBox(&form);
    combo->setGeometry(10, 10, 150, 21);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    const QImage image = Grab(combo);
    const int w = combo->width();
    const TColor parent = Background(&form);
    const TColor v = TFlatLook::DarkenColor(parent, 60);
    EXPECT_EQ(PixelOf(image, 0, 10), parent);
    EXPECT_EQ(PixelOf(image, w - 2, 15), v);
    EXPECT_EQ(PixelOf(image, w - 19, 15), ColorToRGB(clBtnFace));  // the button is 17 wide
    EXPECT_EQ(PixelOf(image, w - 3, 15), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelOf(image, w - 20, 15), v);                       // its edge toward the text
    for (int x = w - 10; x <= w - 6; ++x) EXPECT_EQ(PixelOf(image, x, 10), clBlack) << x;
    EXPECT_EQ(PixelOf(image, w - 11, 10), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelOf(image, w - 10, 11), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelOf(image, w - 9, 11), clBlack);
    EXPECT_EQ(PixelOf(image, w - 8, 12), clBlack);
    EXPECT_EQ(PixelOf(image, w - 9, 12), ColorToRGB(clBtnFace));
}

TEST(FlatLookPaint, EditBorderFollowsFocus)
{
    TForm form;
    auto* edit = new TEdit(&form);
    edit->setGeometry(0, 0, 100, 21);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    EXPECT_EQ(PixelOf(Grab(edit), 0, 10), TFlatLook::DarkenColor(Background(&form), 60));
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &focus);
    EXPECT_EQ(PixelOf(Grab(edit), 50, 0), RGBColor(157, 167, 195));
}

TEST(FlatLookPaint, CheckBoxAndRadioButtonMarks)
{
    TForm form;
    auto* box = new TCheckBox(&form);
    box->setGeometry(0, 0, 120, 22);
    box->SetChecked(true);
    auto* radio = new TRadioButton(&form);
    radio->setGeometry(0, 30, 120, 23);
    radio->SetChecked(true);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);

    QImage image = Grab(box);
    const int top = 3 + (22 - 6 - 16) / 2;
    const int x = 2, y = top + 14;  // the inner box's left and bottom
    EXPECT_EQ(PixelOf(image, x, top + 8), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelOf(image, x + 2, y - 5), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelOf(image, x + 4, y - 3), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelOf(image, x + 2, y - 7), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelOf(image, x + 8, y - 7), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelOf(image, x + 8, y - 3), clWhite);

    image = Grab(radio);
    const int circleTop = 4 + (23 - 8 - 15) / 2;
    EXPECT_EQ(PixelOf(image, 7, circleTop + 7), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelOf(image, 7, circleTop + 3), ColorToRGB(clWindow));
}

TEST(FlatLookPaint, ButtonFaceFromItsParentAndDefaultUnderlays)
{
    TForm form;
    auto* panel = new TPanel(&form);
    panel->setGeometry(0, 0, 200, 100);
    panel->SetColor(RGBColor(100, 150, 200));
    auto* plain = new TButton(panel);
    plain->setGeometry(10, 10, 90, 25);
    plain->SetCaption(QStringLiteral("&Изход"));
    auto* tinted = new TButton(panel);
    tinted->setGeometry(10, 50, 90, 25);
    tinted->SetTag(1000);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);

    QImage image = Grab(tinted);
    EXPECT_EQ(PixelOf(image, 45, 12), look->LightenColor(RGBColor(100, 150, 200), 16));
    EXPECT_EQ(PixelOf(image, 89, 12), TFlatLook::DarkenColor(ColorToRGB(clBtnShadow), 50));  // raised edge
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(tinted, &enter);
    EXPECT_EQ(PixelOf(Grab(tinted), 45, 12), look->LightenColor(RGBColor(100, 150, 200), 40));

    const TColor underlay = TFlatLook::DarkenColor(clWhite, 30);
    EXPECT_EQ(CountPixels(Grab(plain), underlay), 0);
    plain->SetDefault(true);
    EXPECT_GT(CountPixels(Grab(plain), underlay), 0);
}

TEST(FlatLookPaint, HeldSpacePaintsThePressedLookOnce)
{
    TForm form;
    auto* button = new TButton(&form);
    button->setGeometry(0, 0, 90, 25);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    TControlSubClass* hook = look->HookOf(button);
    ASSERT_NE(hook, nullptr);
    const TColor edge = TFlatLook::DarkenColor(ColorToRGB(clBtnShadow), 50);
    for (int i = 0; i < 4; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), i > 0);
        QCoreApplication::sendEvent(button, &press);
        if (i > 0) {
            QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
            QCoreApplication::sendEvent(button, &repeat);
        }
    }
    EXPECT_EQ(hook->SpacePaints(), 1);
    EXPECT_TRUE(hook->SpaceDown());
    QImage image = Grab(button);
    EXPECT_EQ(PixelOf(image, 0, 12), edge);  // pressed: the edge runs along the left and top
    EXPECT_EQ(PixelOf(image, 45, 0), edge);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(button, &release);
    image = Grab(button);
    EXPECT_EQ(PixelOf(image, 45, 24), edge);
    EXPECT_NE(PixelOf(image, 0, 12), edge);
}

TEST(FlatLookPaint, DoubleClickOnACheckBoxTogglesItTwice)
{
    TForm form;
    auto* box = new TCheckBox(&form);
    box->setGeometry(0, 0, 120, 22);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    int toggles = 0;
    QObject::connect(box, &QCheckBox::toggled, [&toggles] { ++toggles; });
    const QPointF at(5, 11);
    auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, at, box->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &event);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    EXPECT_EQ(toggles, 2);
    EXPECT_FALSE(box->Checked());
}

TEST(FlatLookPaint, PanelBevelAndGroupBoxFrame)
{
    TForm form;
    form.resize(300, 200);
    auto* panel = new TPanel(&form);
    panel->setGeometry(0, 0, 100, 50);
    auto* group = new TGroupBox(&form);
    group->setGeometry(0, 60, 150, 80);
    group->SetCaption(QStringLiteral("Група"));
    auto* look = new TFlatLook(&form);
    look->SetActive(true);

    const TColor color = Background(panel);
    QImage image = Grab(panel);
    EXPECT_EQ(PixelOf(image, 0, 20), look->LightenColor(color, 60));  // raised: light top and left
    EXPECT_EQ(PixelOf(image, 99, 20), TFlatLook::DarkenColor(color, 60));

    image = Grab(group);
    const int h = QFontMetrics(group->font()).height();
    const TColor light = look->LightenColor(Background(group), 60);
    EXPECT_EQ(PixelOf(image, 0, h / 2 + 10), light);
    EXPECT_EQ(PixelOf(image, 3, h / 2 - 1), light);
    EXPECT_EQ(PixelOf(image, 149, h / 2 + 10), TFlatLook::DarkenColor(Background(group), 60));
    EXPECT_EQ(PixelOf(image, 3, 0), Background(&form));
}

// -- tool bars and control bars

namespace {

// A shown form with a flat tool bar of two buttons with pictures, the second one a check button.
class FlatLookToolBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = new TToolBar(&window.form);
        bar->setGeometry(0, 0, 200, 45);
        auto* pictures = new TImageList(&window.form);
        pictures->SetWidth(16);
        pictures->SetHeight(16);
        // A blue square on white; the white of its corner is the picture's transparent colour.
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter(&picture).fillRect(4, 4, 8, 8, Qt::darkBlue);
        pictures->Add(picture);
        bar->SetImages(pictures);
        button = new TToolButton(bar);
        button->SetImageIndex(0);
        check = new TToolButton(bar);
        check->SetImageIndex(0);
        check->SetStyle(tbsCheck);
        bar->SetButtonSize(43, 39);
        look = new TFlatLook(&window.form);
        look->SetActive(true);
        ASSERT_TRUE(window.Activate());
    }
    // The mouse over the middle of `over`, or far from both buttons.
    void MoveMouse(QWidget* over)
    {
        if (over) QTest::mouseMove(over, over->rect().center());
        else QTest::mouseMove(&window.form, QPoint(380, 180));
        QApplication::processEvents();
    }

    TActiveForm window;
    TToolBar* bar = nullptr;
    TToolButton* button = nullptr;
    TToolButton* check = nullptr;
    TFlatLook* look = nullptr;
};

}  // namespace

TEST_F(FlatLookToolBar, ButtonsInEachStateTakeTheirColoursAndFrames)
{
    const TFlatLookColors& colors = look->Colors();
    const TColor face = look->LightenColor(Background(bar), 16);
    struct Case {
        const char* state;
        std::function<void()> into;
        TToolButton* shown;
        TColor inside;
        bool framed;
    };
    const Case cases[] = {
        {"normal", [&] {
             MoveMouse(button);
             MoveMouse(nullptr);
         },
         button, face, false},
        {"hot", [&] { MoveMouse(button); }, button, colors.Select, true},
        {"pressed", [&] { QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center()); },
         button, colors.CheckAreaSelected, true},
        {"checked and hot", [&] {
             QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
             MoveMouse(check);
             QTest::mouseClick(check, Qt::LeftButton, {}, check->rect().center());
         },
         check, colors.CheckAreaSelected, true},
        {"checked", [&] { MoveMouse(nullptr); }, check, colors.CheckArea, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        c.into();
        TToolButton* shown = c.shown;
        const QImage image = Grab(shown);
        const int w = image.width(), h = image.height(), middle = h / 2;
        EXPECT_EQ(PixelOf(image, w / 2, 0), face);  // the top line keeps the bar's face
        EXPECT_EQ(PixelOf(image, 3, middle), c.inside);
        EXPECT_EQ(PixelOf(image, w / 2, 1), c.inside);
        EXPECT_EQ(PixelOf(image, w - 1, middle), c.inside);
        const TColor frame = c.framed ? colors.SelectBorder : c.inside;
        EXPECT_EQ(PixelOf(image, 0, middle), frame);
        EXPECT_EQ(PixelOf(image, w - 2, middle), frame);
        EXPECT_EQ(PixelOf(image, w / 2, 2), frame);
        EXPECT_EQ(PixelOf(image, w / 2, h - 2), frame);
        // The picture, centred 4 pixels below the top, is dimmed unless the mouse is over it or it
        // is checked, and lifts by a pixel under the mouse unless pressed or checked.
        const TCustomDrawState state = shown->DrawState();
        const bool lifted = (state & cdsHot) && !(state & (cdsSelected | cdsChecked));
        const bool dimmed = !(state & (cdsHot | cdsChecked));
        const int left = int(std::lround((w - 16) / 2.0)) - (lifted ? 1 : 0), top = 4 - (lifted ? 1 : 0);
        const TColor blue = FromQColor(QColor(Qt::darkBlue));
        EXPECT_EQ(PixelOf(image, left + 4, top + 4), dimmed ? look->LightenColor(blue, look->DimLevel()) : blue);
        EXPECT_EQ(PixelOf(image, left + 3, top + 3), c.inside);  // its white is not drawn
    }
    EXPECT_TRUE(check->Down());
}

TEST_F(FlatLookToolBar, ADropDownButtonHasItsArrowAndTwoFrames)
{
    button->SetStyle(tbsDropDown);
    MoveMouse(button);
    const QImage image = Grab(button);
    const int w = image.width(), h = image.height();
    const int top = 1 + (h - 1 - 3) / 2 + 1;
    for (const QPoint ink : {QPoint(w - 10, top), QPoint(w - 6, top), QPoint(w - 9, top + 1), QPoint(w - 8, top + 2)})
        EXPECT_EQ(PixelOf(image, ink.x(), ink.y()), clBlack) << ink.x() << "," << ink.y();
    EXPECT_NE(PixelOf(image, w - 10, top + 1), clBlack);
    EXPECT_EQ(PixelOf(image, w - 13, h / 2), look->Colors().SelectBorder);  // the split between the frames
    EXPECT_EQ(PixelOf(image, w - 12, h / 2), look->Colors().Select);
}

TEST_F(FlatLookToolBar, TheBarIsPaintedByItsStyleWithoutItsKindOrOnceInactive)
{
    EXPECT_TRUE(look->HooksBar(bar));
    look->SetFlatControls(TFlatControls::UpTo(xcGroupBox).Without(xcToolbar));
    EXPECT_FALSE(look->HooksBar(bar));
    EXPECT_FALSE(bar->OnCustomDrawButton);
    look->SetFlatControls(TFlatControls::UpTo(xcGroupBox));
    EXPECT_TRUE(look->HooksBar(bar));
    look->SetActive(false);
    EXPECT_FALSE(bar->OnCustomDrawButton);
}

TEST(FlatLookControlBar, BandsFilledLightWithAFadingGrip)
{
    TForm form;
    form.resize(300, 100);
    auto* bands = new TControlBar(&form);
    bands->setGeometry(0, 0, 300, 60);
    auto* inside = new TEdit(bands);
    inside->setGeometry(20, 10, 100, 24);
    auto* look = new TFlatLook(&form);
    look->SetActive(true);
    ASSERT_TRUE(look->HooksBar(bands));
    const QImage image = Grab(bands);
    const QRect band = TControlBar::BandRect(inside);
    const TColor color = Background(bands);
    EXPECT_EQ(PixelOf(image, band.left() + 8, band.top() + 1), look->LightenColor(color, 6));
    EXPECT_EQ(PixelOf(image, band.right() - 1, band.bottom()), look->LightenColor(color, 6));  // no frame
    int firstLine = band.top() + 5;
    if (firstLine % 2 != 0) ++firstLine;
    EXPECT_EQ(PixelOf(image, band.left() + 3, firstLine), TFlatLook::DarkenColor(color, 30));
    EXPECT_EQ(PixelOf(image, band.left() + 5, firstLine + 2), TFlatLook::DarkenColor(color, 37));
    EXPECT_EQ(PixelOf(image, band.left() + 6, firstLine), look->LightenColor(color, 6));
    EXPECT_EQ(PixelOf(image, band.left() + 3, firstLine + 1), look->LightenColor(color, 6));
}

// -- menus made after the component was attached

TEST(FlatLookAutoDetect, APopUpMenuMadeLaterIsFlatWhenShownOnlyWithAutoDetect)
{
    for (const bool autoDetect : {true, false}) {
        SCOPED_TRACE(autoDetect ? "on" : "off");
        TForm form;
        auto* look = new TFlatLook(&form);
        look->SetAutoDetect(autoDetect);
        look->SetActive(true);
        auto* popup = new TPopupMenu(&form);
        auto* item = new TMenuItem(&form);
        item->SetCaption(QStringLiteral("&Добави"));
        popup->Items()->Add(item);
        EXPECT_FALSE(item->OnDrawItem);  // not before it shows
        popup->Popup(10, 10);
        QMenu* menu = popup->Menu();
        QApplication::processEvents();
        EXPECT_EQ(bool(item->OnDrawItem), autoDetect);
        const QImage image = Grab(menu);
        const QRect shown = menu->actionGeometry(item->Action());
        const TColor iconColumn = look->Colors().IconColumn;
        EXPECT_EQ(PixelOf(image, shown.left() + 2, shown.center().y()) == iconColumn, autoDetect);
        menu->hide();
    }
}
