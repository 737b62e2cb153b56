#pragma once
// A list of same-sized pictures that menus, tool buttons and tree nodes show by index.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/Colors.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <functional>
#include <vector>

class QPainter;

class TImageList : public TComponent {
    Q_OBJECT
public:
    explicit TImageList(QObject* owner = nullptr);
    int Width() const { return width_; }
    void SetWidth(int width) { width_ = width; }
    int Height() const { return height_; }
    void SetHeight(int height) { height_ = height; }
    int Count() const { return int(images_.size()); }
    // Scaled to the list's size; the index of the new picture.
    int Add(const QImage& image);
    // The key colour's pixels become transparent (clDefault: the bottom-left pixel's).
    int AddMasked(const QImage& image, TColor maskColor);
    // A strip of pictures side by side, each Width wide.
    int AddStrip(const QImage& strip, TColor maskColor = clNone);
    void Delete(int index);
    void Clear();
    QPixmap GetBitmap(int index) const;
    QIcon GetIcon(int index) const;
    // Draws the picture (greyed when not enabled).
    void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;
    // Told of every change (the controls showing the pictures repaint).
    std::function<void(TImageList*)> OnChange;

private:
    void Changed();
    int width_ = 16;
    int height_ = 16;
    std::vector<QPixmap> images_;
};
