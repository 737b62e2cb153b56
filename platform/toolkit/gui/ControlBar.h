#pragma once
// A bar of bands: each control placed on it sits in a band with a grip at its left and a raised
// frame; a handler of the bar may paint the bands itself.

#include "platform/toolkit/gui/Control.h"

#include <QRect>
#include <QWidget>
#include <functional>

class QPainter;
class TControlBar;

// What the bar still draws of a band after its handler: the grip and the frame.
enum TBandPaintOption : unsigned { bpoGrabber = 1 << 0, bpoFrame = 1 << 1 };
using TBandPaintOptions = unsigned;
// Paints the band of `control` over `rect` on `canvas` (the bar's coordinates); what is left in
// `options` is then drawn as usual.
using TBandPaintEvent =
    std::function<void(TControlBar* sender, QWidget* control, QPainter& canvas, const QRect& rect, TBandPaintOptions& options)>;

class TControlBar : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TControlBar(QWidget* parent = nullptr);
    // The band around `control`: the grip's room at its left, a frame's on the other sides.
    static QRect BandRect(const QWidget* control);
    TBandPaintEvent OnBandPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};
