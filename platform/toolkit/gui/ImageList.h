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
class TImageList;

// One listener's registration with an image list: OnChange is raised with the list after each
// change. A link belongs to one list at a time and leaves it when freed.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    // The list the link is registered with; nullptr when none (or when it was freed).
    TImageList* Sender() const { return sender_; }
    std::function<void(QObject* sender)> OnChange;
    void Change();

private:
    friend class TImageList;
    TImageList* sender_ = nullptr;
};

class TImageList : public TComponent {
    Q_OBJECT
public:
    explicit TImageList(QObject* owner = nullptr);
    // Every registered link is left without a list.
    ~TImageList() override;
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
    // Any number of listeners, told after OnChange in the order they registered. Registering
    // takes the link from the list it was with; registering twice changes nothing.
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

private:
    void Changed();
    int width_ = 16;
    int height_ = 16;
    std::vector<QPixmap> images_;
    std::vector<TChangeLink*> changeLinks_;
};
