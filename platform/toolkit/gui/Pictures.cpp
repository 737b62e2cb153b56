#include "platform/toolkit/gui/Pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// Pictures larger than this are refused rather than allocated.
constexpr qint64 kMaxPixels = qint64(1) << 28;

struct TJpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

// libjpeg reports a fatal error here; control goes back to the setjmp in DecodeJpeg.
extern "C" void JpegErrorExit(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings about recoverable damage are not printed and the picture still decodes, except
// when the data ends early: then part of the picture is missing.
extern "C" void JpegWarning(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<TJpegErrors*>(cinfo->err)->truncated = true;
}

// All the decoder's state lives here, off the stack frame that setjmp returns to.
struct TJpegDecoder {
    jpeg_decompress_struct cinfo{};
    TJpegErrors errors{};
    std::vector<JSAMPLE> row;
    QImage image;
    QString failure;
};

QByteArray ReadFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(QStringLiteral("Cannot open picture file %1: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

void StoreRow(TJpegDecoder& d, int y)
{
    auto* out = reinterpret_cast<QRgb*>(d.image.scanLine(y));
    const JSAMPLE* in = d.row.data();
    const int width = int(d.cinfo.output_width);
    switch (d.cinfo.out_color_space) {
    case JCS_GRAYSCALE:
        for (int x = 0; x < width; ++x) out[x] = qRgb(in[x], in[x], in[x]);
        break;
    case JCS_CMYK:
        // Adobe writes CMYK inverted; the saw_Adobe_marker flag tells which way round it is.
        for (int x = 0; x < width; ++x) {
            int c = in[4 * x], m = in[4 * x + 1], yel = in[4 * x + 2], k = in[4 * x + 3];
            if (!d.cinfo.saw_Adobe_marker) {
                c = 255 - c;
                m = 255 - m;
                yel = 255 - yel;
                k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, yel * k / 255);
        }
        break;
    default:
        for (int x = 0; x < width; ++x) out[x] = qRgb(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
        break;
    }
}

}  // namespace

bool IsJpegData(const QByteArray& data)
{
    return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 && uchar(data[2]) == 0xFF;
}

QImage DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty()) throw EInvalidGraphic(QStringLiteral("JPEG error: the picture data is empty"));
    auto d = std::make_unique<TJpegDecoder>();
    d->cinfo.err = jpeg_std_error(&d->errors.pub);
    d->errors.pub.error_exit = JpegErrorExit;
    d->errors.pub.emit_message = JpegWarning;
    if (setjmp(d->errors.jump)) {
        jpeg_destroy_decompress(&d->cinfo);
        throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(d->errors.message)));
    }
    jpeg_create_decompress(&d->cinfo);
    jpeg_mem_src(&d->cinfo, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d->cinfo, TRUE);
    if (d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK)
        d->cinfo.out_color_space = JCS_CMYK;
    else if (d->cinfo.num_components == 1)
        d->cinfo.out_color_space = JCS_GRAYSCALE;
    else
        d->cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d->cinfo);
    const qint64 pixels = qint64(d->cinfo.output_width) * qint64(d->cinfo.output_height);
    if (pixels <= 0 || pixels > kMaxPixels) {
        d->failure = QStringLiteral("JPEG error: the picture is too large (%1 x %2)")
                         .arg(d->cinfo.output_width)
                         .arg(d->cinfo.output_height);
    } else {
        d->image = QImage(int(d->cinfo.output_width), int(d->cinfo.output_height), QImage::Format_RGB32);
        if (d->image.isNull()) d->failure = QStringLiteral("JPEG error: not enough memory for the picture");
    }
    if (!d->failure.isEmpty()) {
        jpeg_destroy_decompress(&d->cinfo);
        throw EInvalidGraphic(d->failure);
    }
    d->row.resize(size_t(d->cinfo.output_width) * size_t(d->cinfo.output_components));
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW rows[1] = {d->row.data()};
        const int y = int(d->cinfo.output_scanline);
        jpeg_read_scanlines(&d->cinfo, rows, 1);
        StoreRow(*d, y);
    }
    jpeg_finish_decompress(&d->cinfo);
    jpeg_destroy_decompress(&d->cinfo);
    if (d->errors.truncated) throw EInvalidGraphic(QStringLiteral("JPEG error: Premature end of JPEG file"));
    return d->image;
}

void TJPEGImage::LoadFromFile(const QString& fileName) { LoadFromData(ReadFile(fileName)); }

void TJPEGImage::LoadFromData(const QByteArray& data) { image_ = DecodeJpeg(data); }

QImage WithTransparentColor(const QImage& image, TColor key)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const TColor rgb = ColorToRGB(key);
    const QRgb wanted = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == (wanted & 0x00FFFFFFu)) line[x] = 0;
    }
    return out;
}

void TBitmap::LoadFromFile(const QString& fileName)
{
    TPicture picture;
    picture.LoadFromFile(fileName);
    image_ = picture.Image();
}

TColor TBitmap::KeyColor() const
{
    if (transparentColor_ != clDefault || image_.isNull()) return transparentColor_;
    return FromQColor(image_.pixelColor(0, image_.height() - 1));
}

QPixmap TBitmap::ToPixmap() const
{
    if (image_.isNull()) return {};
    if (!transparent_) return QPixmap::fromImage(image_);
    return QPixmap::fromImage(WithTransparentColor(image_, KeyColor()));
}

void TPicture::LoadFromFile(const QString& fileName) { LoadFromData(ReadFile(fileName)); }

void TPicture::LoadFromData(const QByteArray& data)
{
    if (IsJpegData(data)) {
        image_ = DecodeJpeg(data);
        return;
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull()) throw EInvalidGraphic(QStringLiteral("Unknown or damaged picture: %1").arg(reader.errorString()));
    image_ = image;
}
