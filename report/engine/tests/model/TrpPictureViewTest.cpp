// Pictures: keeping and decoding graphic bytes, loading from BLOB content
// and files, and where the graphic lands when drawn.
#include "TrpPictureView.h"

#include "TrpBlobBinding.h"
#include "TrpEngineLists.h"
#include "TrpMemoView.h"
#include "TrpValueConvert.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace report;

namespace {

std::string Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QImage Solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

constexpr QRgb kRed = 0xFFFF0000;

} // namespace

TEST(TrpPictureViewTest, GraphicBytesAreKeptAndDecodedWherePossible) {
    const std::string bmp = Encoded(Solid(4, 3, kRed), "BMP");
    TrpPicture picture;
    picture.Assign(TrpGraphicKind::Bitmap, bmp);
    EXPECT_EQ(picture.Bytes, bmp);
    EXPECT_EQ(picture.Image.size(), QSize(4, 3));

    // Metafile bytes stay opaque; undecodable bitmap bytes are kept too.
    picture.Assign(TrpGraphicKind::Metafile, std::string("\x01\x00\x09\x00", 4));
    EXPECT_EQ(picture.Kind, TrpGraphicKind::Metafile);
    EXPECT_EQ(picture.Bytes.size(), 4u);
    EXPECT_TRUE(picture.Image.isNull());
    picture.Assign(TrpGraphicKind::Bitmap, "BM\xff\xff\xff\xff garbage");
    EXPECT_TRUE(picture.Image.isNull());
    EXPECT_FALSE(picture.Empty());
    picture.Assign(TrpGraphicKind::None, "ignored");
    EXPECT_TRUE(picture.Empty());
    EXPECT_TRUE(picture.Bytes.empty());
}

TEST(TrpPictureViewTest, BlobContentIsDecodedByBlobType) {
    TrpPictureView view;
    EXPECT_EQ(ValueToInt(EngineConstants().Get("btWMF")), 3);
    view.BlobType = btJPG;
    view.LoadFromBlob({false, Encoded(Solid(8, 6, kRed), "JPG")});
    EXPECT_EQ(view.Picture.Kind, TrpGraphicKind::Bitmap);
    EXPECT_EQ(view.Picture.Image.size(), QSize(8, 6));
    // Kept as a bitmap file image, so that it is written back as one.
    EXPECT_EQ(view.Picture.Bytes.substr(0, 2), "BM");

    view.BlobType = btWMF;
    view.LoadFromBlob({false, "opaque"});
    EXPECT_EQ(view.Picture.Kind, TrpGraphicKind::Metafile);
    EXPECT_EQ(view.Picture.Bytes, "opaque");

    view.BlobType = btBMP;
    view.LoadFromBlob({false, "not a picture"});
    EXPECT_TRUE(view.Picture.Empty());
    view.LoadFromBlob({false, Encoded(Solid(2, 2, kRed), "BMP")});
    view.LoadFromBlob({true, {}});
    EXPECT_TRUE(view.Picture.Empty());

    // A text object takes the bytes as its evaluated lines.
    TrpMemoView memo;
    memo.LoadFromBlob({false, "first\r\nsecond"});
    EXPECT_EQ(memo.ResultMemo, (TrpStrings{"first", "second"}));
    memo.LoadFromBlob({true, {}});
    EXPECT_TRUE(memo.ResultMemo.empty());
}

TEST(TrpPictureViewTest, LoadFromFileTellsKindsByExtension) {
    const std::string dir = ::testing::TempDir();
    const std::string png = dir + "trp_picture_test.png";
    const std::string wmf = dir + "trp_picture_test.WMF";
    ASSERT_TRUE(Solid(5, 5, kRed).save(QString::fromStdString(png), "PNG"));
    {
        QFile file(QString::fromStdString(wmf));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("metafile bytes");
    }
    TrpPictureView view;
    view.CallMethod("LoadFromFile", png, {}, {});
    EXPECT_EQ(view.Picture.Kind, TrpGraphicKind::Bitmap);
    EXPECT_EQ(view.Picture.Image.size(), QSize(5, 5));
    EXPECT_TRUE(view.LoadFromFile(wmf));
    EXPECT_EQ(view.Picture.Kind, TrpGraphicKind::Metafile);
    EXPECT_EQ(view.Picture.Bytes, "metafile bytes");
    // An icon file that does not decode leaves the picture unchanged.
    EXPECT_FALSE(view.LoadFromFile(wmf.substr(0, wmf.size() - 4) + ".ico"));
    EXPECT_EQ(view.Picture.Kind, TrpGraphicKind::Metafile);
    QFile::remove(QString::fromStdString(png));
    QFile::remove(QString::fromStdString(wmf));
}

TEST(TrpPictureViewTest, DrawingStretchesKeepsAspectOrCentres) {
    TrpPictureView view;
    view.Picture.AssignDecodedBitmap(Encoded(Solid(20, 10, kRed), "BMP"));
    view.SetBounds(10, 10, 59, 59); // drawn into 60 x 60 pixels, 10 .. 69
    auto draw = [&view](std::uint16_t flags) {
        view.Flags = flags;
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        view.Draw(painter);
        return image;
    };
    QImage image = draw(kFlagStretched);
    EXPECT_EQ(image.pixel(10, 10), kRed);
    EXPECT_EQ(image.pixel(69, 69), kRed);
    EXPECT_NE(image.pixel(70, 70), kRed);

    // Keeping the aspect: 60 x 30 at the top left, or centred.
    image = draw(kFlagStretched | kPictureKeepAspect);
    EXPECT_EQ(image.pixel(69, 39), kRed);
    EXPECT_NE(image.pixel(40, 41), kRed);
    image = draw(kFlagStretched | kPictureKeepAspect | kPictureCenter);
    EXPECT_NE(image.pixel(40, 20), kRed);
    EXPECT_EQ(image.pixel(40, 30), kRed);
    EXPECT_EQ(image.pixel(40, 50), kRed);
    EXPECT_NE(image.pixel(40, 60), kRed);

    // Unstretched: the picture's own size, at the top left or centred.
    image = draw(0);
    EXPECT_EQ(image.pixel(29, 19), kRed);
    EXPECT_NE(image.pixel(30, 19), kRed);
    image = draw(kPictureCenter);
    EXPECT_EQ(image.pixel(30, 35), kRed);
    EXPECT_NE(image.pixel(15, 35), kRed);
}
