#include "platform/toolkit/gui/Canvas.h"

#include <QFontMetrics>
#include <QPainter>

void TCanvas::FillRect(const QRect& rect)
{
    if (!painter_ || brushColor_ == clNone) return;
    painter_->fillRect(rect, ToQColor(brushColor_));
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (!painter_) return;
    painter_->save();
    painter_->setFont(font_);
    painter_->setPen(ToQColor(fontColor_));
    painter_->drawText(QPoint(x, y + QFontMetrics(font_).ascent()), text);
    painter_->restore();
}

void TCanvas::TextRect(const QRect& rect, const QString& text, int alignment)
{
    if (!painter_) return;
    FillRect(rect);
    painter_->save();
    painter_->setClipRect(rect);
    painter_->setFont(font_);
    painter_->setPen(ToQColor(fontColor_));
    painter_->drawText(rect, alignment, text);
    painter_->restore();
}

int TCanvas::TextWidth(const QString& text) const { return QFontMetrics(font_).horizontalAdvance(text); }

int TCanvas::TextHeight(const QString& text) const { return QFontMetrics(font_).boundingRect(text).height(); }
