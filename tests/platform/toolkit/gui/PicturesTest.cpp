#include "platform/toolkit/gui/Colors.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Pictures.h"

#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

// A JPEG made with libjpeg's compressor: left half red, right half blue.
QByteArray MakeJpeg(int width, int height)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        row[size_t(x) * 3] = left ? 230 : 10;
        row[size_t(x) * 3 + 1] = 10;
        row[size_t(x) * 3 + 2] = left ? 10 : 230;
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

TEST(PicturesTest, JpegDecodesThroughLibjpeg)
{
    const QImage image = DecodeJpeg(MakeJpeg(64, 32));
    ASSERT_EQ(image.size(), QSize(64, 32));
    const QColor left = image.pixelColor(8, 16), right = image.pixelColor(56, 16);
    EXPECT_GT(left.red(), 200);
    EXPECT_LT(left.blue(), 50);
    EXPECT_GT(right.blue(), 200);
    EXPECT_LT(right.red(), 50);
}

TEST(PicturesTest, CorruptJpegIsRefusedWithAClearError)
{
    const QByteArray good = MakeJpeg(64, 32);
    struct Case {
        const char* what;
        QByteArray data;
    };
    QByteArray damagedHeader = good;
    const qsizetype frame = damagedHeader.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    damagedHeader[frame + 4] = char(7);  // a sample precision no JPEG has
    const std::vector<Case> cases = {
        {"not a JPEG", QByteArray("GIF89a not a picture at all")},
        {"cut short", good.left(good.size() / 2)},
        {"damaged header", damagedHeader},
        {"empty", QByteArray()},
    };
    for (const Case& c : cases) {
        try {
            DecodeJpeg(c.data);
            ADD_FAILURE() << c.what << " decoded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.Message().startsWith("JPEG error: ")) << c.what << ": " << e.what();
            EXPECT_GT(e.Message().size(), 12) << c.what;
        }
    }
}

TEST(PicturesTest, PictureFromAFileByItsContent)
{
    QTemporaryDir dir;
    const QString jpegName = dir.filePath("splash.bmp");  // the content decides, not the name
    QFile file(jpegName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(MakeJpeg(20, 10));
    file.close();
    TPicture picture;
    picture.LoadFromFile(jpegName);
    EXPECT_EQ(picture.Width(), 20);
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("missing.jpg")), EInvalidGraphic);
}

TEST(PicturesTest, BitmapLeavesOutItsKeyColour)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    image.setPixelColor(1, 1, QColor(0, 128, 0));
    TBitmap bitmap(image);
    EXPECT_EQ(bitmap.KeyColor(), clFuchsia);  // the bottom-left pixel's colour
    bitmap.SetTransparent(true);
    const QImage shown = bitmap.ToPixmap().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(shown.pixelColor(1, 1), QColor(0, 128, 0));
    bitmap.SetTransparentColor(clGreen);
    EXPECT_EQ(bitmap.ToPixmap().toImage().pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(bitmap.ToPixmap().toImage().pixelColor(0, 0).alpha(), 255);

    TImageList images;
    images.SetWidth(4);
    images.SetHeight(4);
    EXPECT_EQ(images.AddMasked(image, clDefault), 0);
    EXPECT_EQ(images.GetBitmap(0).toImage().pixelColor(0, 0).alpha(), 0);
}

TEST(PicturesTest, ColoursAreBBGGRRAndSystemColoursHaveClassicValues)
{
    EXPECT_EQ(RGBColor(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(ColorToRGB(7105791), 7105791);  // a plain colour stays
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnShadow), clGray);
    EXPECT_EQ(ColorToRGB(clHighlight), RGBColor(10, 36, 106));
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ToQColor(7105791), QColor(0xFF, 0x6C, 0x6C));
    EXPECT_EQ(FromQColor(QColor(0xFF, 0x6C, 0x6C)), 7105791);
}

}  // namespace
