#pragma once
// Pictures: JPEG decoded through libjpeg, bitmaps with a transparent key colour, and the picture
// that holds either, loaded from a file or from bytes.

#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Colors.h"

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

// A picture that cannot be read: corrupt data, an unknown kind, a missing file.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Decodes JPEG data into an RGB image; raises EInvalidGraphic "JPEG error: <what libjpeg found>"
// for data that is no JPEG or is damaged.
QImage DecodeJpeg(const QByteArray& data);
bool IsJpegData(const QByteArray& data);

class TJPEGImage {
public:
    void LoadFromFile(const QString& fileName);
    void LoadFromData(const QByteArray& data);
    const QImage& Image() const { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull(); }

private:
    QImage image_;
};

// A bitmap that can be drawn with one colour left out. With TransparentColor clDefault the
// colour of the bottom-left pixel is the key, as the toolkit does.
class TBitmap {
public:
    TBitmap() = default;
    explicit TBitmap(QImage image) : image_(std::move(image)) {}
    void LoadFromFile(const QString& fileName);
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image) { image_ = image; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull(); }

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor color) { transparentColor_ = color; }
    // The key colour in use: the set one, or the bottom-left pixel's.
    TColor KeyColor() const;
    // The bitmap as drawn: the key colour's pixels clear while Transparent is on.
    QPixmap ToPixmap() const;

private:
    QImage image_;
    bool transparent_ = false;
    TColor transparentColor_ = clDefault;
};

// The key colour's pixels of `image` made fully transparent.
QImage WithTransparentColor(const QImage& image, TColor key);

// A picture of any kind the program reads: JPEG through libjpeg, the rest (BMP, PNG, ICO, GIF)
// through Qt's readers.
class TPicture {
public:
    // Raises EInvalidGraphic for a missing, unreadable or unknown file.
    void LoadFromFile(const QString& fileName);
    void LoadFromData(const QByteArray& data);
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image) { image_ = image; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull(); }

private:
    QImage image_;
};
