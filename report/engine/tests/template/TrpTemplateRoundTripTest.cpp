// A template with every object kind, two pages (one a dialog page) and a
// dictionary, each property away from its default: saved, loaded and saved
// again it gives the same bytes and the same model; prepared-form records
// read back as written.
#include "TemplateSupport.h"
#include "TrpBlobBinding.h"
#include "TrpLineView.h"
#include "TrpReadStream.h"
#include "TrpWriteStream.h"

using namespace report;
using namespace report::testing;

namespace {

TEST(TrpTemplateRoundTripTest, SaveLoadSaveGivesTheSameBytesAndModel) {
    RecordingSink boxes;
    TrpReport built;
    BuildFullTemplate(built);
    const QByteArray first = Save(built);

    TrpReport loaded;
    Load(loaded, first);
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectSameReport(built, loaded);
    EXPECT_EQ(Save(loaded), first);

    // The decodable bitmap is decoded; the metafile stays bytes only.
    auto* bitmap = static_cast<TrpPictureView*>(loaded.Pages[0]->Object(3));
    ASSERT_FALSE(bitmap->Picture.Image.isNull());
    EXPECT_EQ(bitmap->Picture.Image.size(), QSize(5, 3));
    EXPECT_EQ(bitmap->Picture.Image.pixelColor(4, 2), QColor(255, 0, 0));
    auto* metafile = static_cast<TrpPictureView*>(loaded.Pages[0]->Object(4));
    EXPECT_EQ(metafile->Picture.Bytes, kMetafileBytes);
}

TEST(TrpTemplateRoundTripTest, ReportHeaderAndRecordLayout) {
    TrpReport built;
    BuildFullTemplate(built);
    const QByteArray bytes = Save(built);
    // Version, the two printer flags, the virtual printer's one-byte name,
    // then the first page record's marker.
    EXPECT_EQ(bytes.left(11), QByteArray("\x18\x01\x00\x01\x00\x01\x00\x01\x00\xFF\xFF", 11));
    // The dictionary comes last, with this system's marker.
    const qsizetype dictionary = bytes.lastIndexOf(QByteArray("\xFE\xFE\xFF\x03\x00\x00\x00", 7));
    EXPECT_GT(dictionary, 0);
}

TEST(TrpTemplateRoundTripTest, PreparedFormCarriesTheEvaluatedTextOnly) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    auto* memo = static_cast<TrpMemoView*>(page->CreateView(kTypeMemo));
    SetEveryCommonField(*memo, 1);
    memo->PreparedForm = true;
    memo->ResultMemo = {"ACME Ltd", "42"};
    memo->Highlight.Condition = "never stored";

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        TrpWriteStream out(buffer);
        memo->SaveToStream(out);
    }
    EXPECT_FALSE(bytes.contains("[Value]"));
    EXPECT_FALSE(bytes.contains("Visible := True"));
    EXPECT_FALSE(bytes.contains("never stored"));

    TrpReport other;
    auto* copy = static_cast<TrpMemoView*>(other.Pages.Add()->CreateView(kTypeMemo));
    copy->PreparedForm = true;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TrpReadStream in(buffer, 24);
    copy->LoadFromStream(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(copy->Memo, memo->ResultMemo);
    EXPECT_EQ(copy->ResultMemo, memo->ResultMemo);
    EXPECT_EQ(copy->Font, memo->Font);
    EXPECT_EQ(copy->FormatCode, TrpView::DefaultFormatCode());
    EXPECT_TRUE(copy->Visible);
}

QByteArray Encoded(const char* format) {
    QImage image(6, 4, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

TEST(TrpTemplateRoundTripTest, IconsAndPicturesTakenFromJpegBlobs) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    auto* icon = static_cast<TrpPictureView*>(page->CreateView(kTypePicture));
    icon->Picture.Assign(TrpGraphicKind::Icon, Encoded("ICO").toStdString());
    ASSERT_FALSE(icon->Picture.Image.isNull());
    auto* photo = static_cast<TrpPictureView*>(page->CreateView(kTypePicture));
    photo->BlobType = btJPG;
    TrpBlobContent jpeg;
    jpeg.isNull = false;
    jpeg.bytes = Encoded("JPG").toStdString();
    photo->LoadFromBlob(jpeg);
    ASSERT_EQ(photo->Picture.Kind, TrpGraphicKind::Bitmap);

    TrpReport loaded;
    Load(loaded, Save(report));
    ExpectSameReport(report, loaded);
    for (std::size_t i = 0; i < 2; ++i) {
        auto* picture = static_cast<TrpPictureView*>(loaded.Pages[0]->Object(i));
        EXPECT_EQ(picture->Picture.Image.size(), QSize(6, 4)) << i;
    }
}

} // namespace
