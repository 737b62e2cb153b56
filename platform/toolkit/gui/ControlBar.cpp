#include "platform/toolkit/gui/ControlBar.h"

#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace {

constexpr int kGripRoom = 11;
constexpr int kFrameRoom = 2;

}  // namespace

TControlBar::TControlBar(QWidget* parent) : QWidget(parent), TControl(this) { setAutoFillBackground(true); }

QRect TControlBar::BandRect(const QWidget* control)
{
    return control->geometry().adjusted(-kGripRoom, -kFrameRoom, kFrameRoom, kFrameRoom);
}

void TControlBar::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isHidden()) continue;
        const QRect band = BandRect(control);
        TBandPaintOptions options = bpoGrabber | bpoFrame;
        if (OnBandPaint) OnBandPaint(this, control, canvas, band, options);
        if (options & bpoFrame) qDrawShadePanel(&canvas, band, palette(), false, 1);
        if (options & bpoGrabber)
            for (int x : {band.left() + 3, band.left() + 6})
                qDrawShadeLine(&canvas, x, band.top() + 3, x, band.bottom() - 3, palette(), false, 1, 0);
    }
}
