#pragma once
// Helpers of the flat control tests: offscreen renders, pixels as $BBGGRR, the box the caption
// ink covers, and a shown, active form to put controls on.

#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Form.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

inline QImage RenderWidget(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

inline int PixelOf(const QImage& image, int x, int y)
{
    return FlatFromQRgb(image.pixel(x, y));
}

// The smallest rectangle (right and bottom exclusive) holding every pixel inside `area` that
// `isInk` picks; empty when none.
template <typename Pick>
TFlatRect InkBox(const QImage& image, const TFlatRect& area, Pick isInk)
{
    TFlatRect box{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y) {
        for (int x = area.Left; x < area.Right; ++x) {
            if (!isInk(PixelOf(image, x, y)))
                continue;
            box.Left = std::min(box.Left, x);
            box.Top = std::min(box.Top, y);
            box.Right = std::max(box.Right, x + 1);
            box.Bottom = std::max(box.Bottom, y + 1);
        }
    }
    return box.IsEmpty() ? TFlatRect{} : box;
}

// Dark pixels: black caption text on the light faces.
inline bool IsDark(int color)
{
    return GetRValue(color) < 0x70 && GetGValue(color) < 0x70 && GetBValue(color) < 0x70;
}

// The caption's ink inside the face, clear of the border and the focus rectangle.
inline TFlatRect CaptionBox(const QImage& image)
{
    return InkBox(image, TFlatRect{4, 4, image.width() - 4, image.height() - 4}, IsDark);
}

// A shown form that has the keyboard, for focus and key tests.
class TActiveForm {
public:
    TActiveForm()
    {
        form.setObjectName("fTest");
        form.resize(400, 200);
        form.move(0, 0);
    }
    // Shows the form and waits until it is the active window.
    bool Activate()
    {
        form.show();
        form.activateWindow();
        return QTest::qWaitForWindowActive(&form);
    }

    TForm form;
};
