#include "controls/FlatButton.h"

#include "FlatTestSupport.h"

#include <QKeyEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A 16 x 16 picture: a 10 x 10 square of `inner` on the key colour.
QImage Square(TColor inner)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(ToQColor(clFuchsia));
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            image.setPixel(x, y, FlatToQRgb(inner));
    return image;
}

int CountOf(const QImage& image, TColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += PixelOf(image, x, y) == color;
    return count;
}

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

// A button on a form, with an action in a list whose images are red (0) and blue (1).
struct ActionButton : TActiveForm {
    ActionButton()
    {
        button.setParent(&form);
        button.move(20, 20);
        button.SetColor(clBtnFace);
        images.AddMasked(Square(clRed), clFuchsia);
        images.AddMasked(Square(clBlue), clFuchsia);
        list.SetImages(&images);
        action.SetActionList(&list);
    }
    QImage Render() { return RenderWidget(button); }

    TImageList images;
    TActionList list;
    TCustomAction action;
    TFlatButton button;
};

} // namespace

TEST(FlatButtonAction, TakesCaptionEnabledStateAndHintFromItsAction)
{
    ActionButton f;
    f.action.SetCaption("&Print");
    f.action.SetHint("Prints the order");
    f.action.SetEnabled(false);
    f.button.SetAction(&f.action);
    EXPECT_EQ(f.button.Action(), &f.action);
    EXPECT_EQ(f.button.Caption(), "&Print");
    EXPECT_EQ(f.button.Hint(), "Prints the order");
    EXPECT_FALSE(f.button.isEnabled());

    f.action.SetEnabled(true);
    f.action.SetCaption("Print &all");
    EXPECT_TRUE(f.button.isEnabled());
    EXPECT_EQ(f.button.Caption(), "Print &all");
}

TEST(FlatButtonAction, ClickingRunsTheActionAndHandsTheModalResultOn)
{
    ActionButton f;
    int runs = 0;
    f.action.OnExecute = [&](QObject* sender) {
        EXPECT_EQ(sender, &f.action);
        ++runs;
    };
    f.button.SetAction(&f.action);
    f.button.SetModalResult(mrOk);
    ASSERT_TRUE(f.Activate());

    QTest::mouseClick(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(f.form.ModalResult(), mrOk);

    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&f.button, &down);
    QApplication::sendEvent(&f.button, &up);
    EXPECT_EQ(runs, 2);

    // A disabled action disables the button, which takes no clicks.
    f.action.SetEnabled(false);
    QTest::mouseClick(&f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(runs, 2);
}

TEST(FlatButtonAction, AnOnClickOfItsOwnRunsInsteadOfTheAction)
{
    ActionButton f;
    int runs = 0;
    int clicks = 0;
    f.action.OnExecute = [&](QObject*) { ++runs; };
    f.button.SetAction(&f.action);
    f.button.OnClick = [&](QObject*) { ++clicks; };
    f.button.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(runs, 0);
}

TEST(FlatButtonAction, ShowsTheActionsImageAndFollowsItsImageIndex)
{
    ActionButton f;
    f.action.SetImageIndex(0);
    f.button.SetAction(&f.action);
    EXPECT_EQ(f.button.ImageIndex(), 0);
    QImage image = f.Render();
    EXPECT_EQ(CountOf(image, clRed), 100);
    EXPECT_EQ(CountOf(image, clFuchsia), 0); // the mask keeps the key colour off the face

    f.action.SetImageIndex(1);
    image = f.Render();
    EXPECT_EQ(CountOf(image, clBlue), 100);
    EXPECT_EQ(CountOf(image, clRed), 0);

    // The masked corner is no key colour: a black picture is drawn in full.
    f.action.SetImageIndex(f.images.AddMasked(Square(clBlack), clFuchsia));
    EXPECT_EQ(CountOf(f.Render(), clBlack), 100);
}

TEST(FlatButtonAction, AnIndexOutsideTheListShowsTheGlyph)
{
    ActionButton f;
    f.button.SetGlyph(TBitmap(Square(clLime)));
    f.action.SetImageIndex(5);
    f.button.SetAction(&f.action);
    EXPECT_EQ(f.button.ImageIndex(), -1);
    EXPECT_EQ(CountOf(f.Render(), clLime), 100);
}

TEST(FlatButtonAction, ChangingTheImageListRepaintsWithTheNewPicture)
{
    ActionButton f;
    f.action.SetImageIndex(1);
    f.button.SetAction(&f.action);
    ASSERT_TRUE(f.Activate());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
    TPaintCounter counter(f.button);

    f.images.Clear();
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(f.button.ImageIndex(), -1);
    EXPECT_EQ(CountOf(f.Render(), clBlue), 0);

    f.images.AddMasked(Square(clLime), clFuchsia);
    EXPECT_EQ(f.button.ImageIndex(), -1); // index 1 is not there yet
    const int before = counter.paints;
    f.images.AddMasked(Square(clRed), clFuchsia);
    QApplication::processEvents();
    EXPECT_GT(counter.paints, before);
    EXPECT_EQ(f.button.ImageIndex(), 1);
    const QImage image = f.button.grab().toImage();
    EXPECT_EQ(CountOf(image, clRed), 100);
    EXPECT_EQ(CountOf(image, clLime), 0);
}

TEST(FlatButtonAction, ImagesGivenToTheListLaterAreListenedTo)
{
    ActionButton f;
    TImageList other;
    other.AddMasked(Square(clLime), clFuchsia);
    f.action.SetImageIndex(0);
    f.button.SetAction(&f.action);
    f.list.SetImages(&other);
    EXPECT_EQ(CountOf(f.Render(), clLime), 100);

    // The old list is no longer listened to, the new one is.
    f.images.Clear();
    EXPECT_EQ(f.button.ImageIndex(), 0);
    other.Clear();
    EXPECT_EQ(f.button.ImageIndex(), -1);
}

TEST(FlatButtonAction, ADisabledActionsImageTurnsGrey)
{
    ActionButton f;
    f.action.SetImageIndex(0);
    f.action.SetEnabled(false);
    f.button.SetAction(&f.action);
    const QImage image = f.Render();
    EXPECT_EQ(CountOf(image, clRed), 0);
    EXPECT_EQ(CountOf(image, FlatDisabledGray(clRed)), 100);
}

TEST(FlatButtonAction, LosingTheActionShowsTheGlyphAgain)
{
    ActionButton f;
    f.button.SetGlyph(TBitmap(Square(clLime)));
    auto action = std::make_unique<TCustomAction>();
    action->SetActionList(&f.list);
    action->SetImageIndex(0);
    f.button.SetAction(action.get());
    EXPECT_EQ(CountOf(f.Render(), clRed), 100);

    action.reset();
    EXPECT_EQ(f.button.Action(), nullptr);
    const QImage image = f.Render();
    EXPECT_EQ(CountOf(image, clRed), 0);
    EXPECT_EQ(CountOf(image, clLime), 100);
    f.images.Clear(); // the button still hears of its old list, harmlessly
}

TEST(FlatButtonAction, ButtonAndActionGoInEitherOrder)
{
    TCustomAction action;
    {
        TFlatButton button;
        button.SetAction(&action);
        EXPECT_EQ(action.LinkCount(), 1);
    }
    EXPECT_EQ(action.LinkCount(), 0);
    TImageList images;
    {
        TActionList list;
        list.SetImages(&images);
        action.SetActionList(&list);
        TFlatButton button;
        button.SetAction(&action);
    }
    images.Clear(); // no listener is left behind
    EXPECT_EQ(action.ActionList(), nullptr);
}
