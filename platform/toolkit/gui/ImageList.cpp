#include "platform/toolkit/gui/ImageList.h"

#include "platform/toolkit/gui/Pictures.h"

#include <QPainter>
#include <algorithm>

TImageList::TImageList(QObject* owner) : TComponent(owner) {}

TImageList::~TImageList()
{
    for (TChangeLink* link : changeLinks_) link->sender_ = nullptr;
}

void TImageList::RegisterChanges(TChangeLink* link)
{
    if (!link || link->sender_ == this) return;
    if (link->sender_) link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    changeLinks_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link)
{
    const auto found = std::find(changeLinks_.begin(), changeLinks_.end(), link);
    if (found == changeLinks_.end()) return;
    (*found)->sender_ = nullptr;
    changeLinks_.erase(found);
}

TChangeLink::~TChangeLink()
{
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange) OnChange(sender_);
}

int TImageList::Add(const QImage& image)
{
    images_.push_back(QPixmap::fromImage(image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    Changed();
    return Count() - 1;
}

int TImageList::AddMasked(const QImage& image, TColor maskColor)
{
    TBitmap bitmap(image);
    bitmap.SetTransparent(true);
    bitmap.SetTransparentColor(maskColor);
    return Add(WithTransparentColor(image, bitmap.KeyColor()));
}

int TImageList::AddStrip(const QImage& strip, TColor maskColor)
{
    int first = -1;
    for (int x = 0; x + width_ <= strip.width(); x += width_) {
        const QImage cell = strip.copy(x, 0, width_, std::min(height_, strip.height()));
        const int index = maskColor == clNone ? Add(cell) : AddMasked(cell, maskColor);
        if (first < 0) first = index;
    }
    return first;
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    images_.erase(images_.begin() + index);
    Changed();
}

void TImageList::Clear()
{
    images_.clear();
    Changed();
}

QPixmap TImageList::GetBitmap(int index) const
{
    if (index < 0 || index >= Count()) return {};
    return images_[size_t(index)];
}

QIcon TImageList::GetIcon(int index) const
{
    const QPixmap pixmap = GetBitmap(index);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

void TImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const
{
    const QPixmap pixmap = GetBitmap(index);
    if (pixmap.isNull()) return;
    if (enabled) {
        painter.drawPixmap(x, y, pixmap);
        return;
    }
    painter.drawPixmap(x, y, GetIcon(index).pixmap(pixmap.size(), QIcon::Disabled));
}

void TImageList::Changed()
{
    if (OnChange) OnChange(this);
    // A listener may register or leave (or free another link) while being told.
    const std::vector<TChangeLink*> links = changeLinks_;
    for (TChangeLink* link : links)
        if (std::find(changeLinks_.begin(), changeLinks_.end(), link) != changeLinks_.end()) link->Change();
}
