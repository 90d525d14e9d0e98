// Prepared pages: building pages from template pages, the ".rpp" round
// trip, drawing at several scales, hit testing and the reader's handling of
// older, compressed and damaged files.
#include "TrpEMFPages.h"

#include "ETrpTemplateError.h"
#include "TrpLineView.h"
#include "TrpPreparedFormat.h"
#include "layout/LayoutTestSupport.h"
#include "template/TemplateSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace report {
namespace {

using testing::BuildFullTemplate;
using testing::ByteImage;
using testing::ExpectSameView;

// Drawing text needs the font machinery of a GUI application.
class TrpEMFPagesTest : public ::testing::Test {
protected:
    void SetUp() override { layout_test::EnsureGuiApplication(); }
};

QByteArray SaveBytes(const TrpEMFPages& pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pages.SaveToStream(buffer);
    return bytes;
}

void LoadBytes(TrpEMFPages& pages, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    pages.LoadFromStream(buffer);
}

// Writes every object of the template page into the prepared page, each
// memo with an evaluated text of its own.
void WriteAllObjects(TrpEMFPages& pages, std::size_t index, TrpPage& source) {
    for (std::size_t i = 0; i < source.Count(); ++i) {
        TrpView* view = source.Object(i);
        view->ResultMemo = {"page " + std::to_string(index), "object " + std::to_string(i)};
        pages.WriteObject(index, *view);
    }
}

TEST_F(TrpEMFPagesTest, TwoPagesSurviveSaveAndLoadByteForByte) {
    TrpReport report;
    BuildFullTemplate(report);
    TrpPage& source = *report.Pages[0];
    std::vector<int> begun;
    report.OnBeginPage = [&](int pgNo) { begun.push_back(pgNo); };

    TrpEMFPages pages(&report);
    for (std::size_t p = 0; p < 2; ++p) {
        TrpEMFPage& page = pages.Add(source);
        EXPECT_EQ(page.Stream, QByteArray(1, char(rppfmt::kStreamVersion)));
        WriteAllObjects(pages, p, source);
    }
    EXPECT_EQ(begun, (std::vector<int>{0, 1}));
    EXPECT_EQ(pages.Page(0).PaperWidth, source.PaperWidth);
    EXPECT_FALSE(pages.Page(0).WholeSheet) << "the template page stretches to the printable area";
    EXPECT_FALSE(source.Object(0)->PreparedForm) << "writing leaves the object's form alone";

    const QByteArray saved = SaveBytes(pages);
    TrpReport other;
    TrpEMFPages loaded(&other);
    EXPECT_TRUE(loaded.CanRebuild);
    LoadBytes(loaded, saved);
    EXPECT_FALSE(loaded.CanRebuild);
    ASSERT_EQ(loaded.Count(), 2u);
    for (std::size_t p = 0; p < 2; ++p) {
        SCOPED_TRACE(p);
        TrpEMFPage& a = pages.Page(p);
        TrpEMFPage& b = loaded.Page(p);
        EXPECT_EQ(a.PaperSize, b.PaperSize);
        EXPECT_EQ(a.PaperWidth, b.PaperWidth);
        EXPECT_EQ(a.PaperHeight, b.PaperHeight);
        EXPECT_EQ(a.Orientation, b.Orientation);
        EXPECT_EQ(a.PaperBin, b.PaperBin);
        EXPECT_EQ(a.WholeSheet, b.WholeSheet);
        EXPECT_EQ(a.LeftMargin, b.LeftMargin);
        EXPECT_EQ(a.TopMargin, b.TopMargin);
        EXPECT_EQ(a.RightMargin, b.RightMargin);
        EXPECT_EQ(a.BottomMargin, b.BottomMargin);
        EXPECT_EQ(a.Metrics, b.Metrics);
        EXPECT_EQ(a.Stream, b.Stream);
        TrpPage& builtA = pages.BuildPage(p);
        TrpPage& builtB = loaded.BuildPage(p);
        ASSERT_EQ(builtA.Count(), source.Count());
        ASSERT_EQ(builtB.Count(), source.Count());
        for (std::size_t i = 0; i < builtA.Count(); ++i)
            ExpectSameView(*builtA.Object(i), *builtB.Object(i));
        EXPECT_EQ(builtB.Object(0)->Memo, (TrpStrings{"page " + std::to_string(p), "object 0"}));
    }
    EXPECT_EQ(SaveBytes(loaded), saved);

    // Through a real file as well.
    QTemporaryDir dir;
    const std::string file = dir.filePath("pages.rpp").toStdString();
    loaded.SaveToFile(file);
    TrpEMFPages fromFile(&other);
    fromFile.LoadFromFile(file);
    EXPECT_EQ(SaveBytes(fromFile), saved);
    EXPECT_THROW(fromFile.LoadFromFile(dir.filePath("missing.rpp").toStdString()),
                 ETrpTemplateError);
}

// A page of the sheet the printer layer gives for paper 9, holding a red
// filled box and a line under it.
struct DrawingFixture {
    TrpReport report;
    TrpEMFPages pages{&report};
    TrpPage source;

    DrawingFixture() {
        source.ChangePaper(9, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
        TrpView* box = source.CreateView(kTypeMemo);
        box->SetBounds(100, 100, 200, 100);
        box->FillColor = 0x0000FF;
        box->FrameTyp = 0;
        box->ResultMemo = {"Total"};
        // Measured when the page is built: wider than the 20 pixels given.
        TrpView* label = source.CreateView(kTypeMemo);
        label->SetBounds(100, 400, 20, 40);
        label->SetFlag(kMemoAutoWidth, true);
        label->ResultMemo = {"A much longer caption"};
        TrpView* line = source.CreateView(kTypeLine);
        line->SetBounds(100, 300, 400, 0);
        line->FrameWidth = 4;
        line->FrameTyp = 15;
        pages.Add(source);
        for (std::size_t i = 0; i < source.Count(); ++i)
            pages.WriteObject(0, *source.Object(i));
        pages.Page(0).Visible = true;
    }

    QImage DrawAt(double scale) {
        const TrpPageMetrics& m = pages.Page(0).Metrics;
        const QSize size(int(m.sheetWidth * scale), int(m.sheetHeight * scale));
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        pages.Draw(0, painter, QRect(QPoint(0, 0), size));
        return image;
    }
};

TEST_F(TrpEMFPagesTest, DrawScalesEveryObjectIntoTheRectangle) {
    DrawingFixture f;
    ASSERT_GT(f.pages.Page(0).Metrics.sheetWidth, 0);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PAGE_PNGS"));
    for (double scale : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const QImage image = f.DrawAt(scale);
        image.save(dir.filePath(QString("page-%1.png").arg(int(scale * 100))));
        const auto at = [&](double x, double y) {
            return image.pixelColor(int(x * scale), int(y * scale));
        };
        EXPECT_EQ(at(200, 150), QColor(255, 0, 0)) << "inside the box";
        EXPECT_EQ(at(290, 110), QColor(255, 0, 0));
        EXPECT_EQ(at(290, 190), QColor(255, 0, 0));
        EXPECT_EQ(at(90, 150), QColor(Qt::white)) << "left of the box";
        EXPECT_EQ(at(200, 210), QColor(Qt::white)) << "below the box";
        EXPECT_EQ(at(310, 150), QColor(Qt::white)) << "right of the box";
        EXPECT_NE(at(300, 300), QColor(Qt::white)) << "on the line";
        EXPECT_EQ(at(300, 320), QColor(Qt::white)) << "below the line";
    }
    TrpView* label = f.pages.BuildPage(0).Object(1);
    EXPECT_GT(label->Width, 100) << "auto width measured when built";
    EXPECT_EQ(f.pages.ObjectAt(0, {150, 410}), label);
    if (!dir.autoRemove())
        std::printf("PNGs in %s\n", qPrintable(dir.path()));
}

TEST_F(TrpEMFPagesTest, DrawingAnInvisiblePageReleasesItsObjects) {
    DrawingFixture f;
    f.pages.BuildPage(0);
    ASSERT_TRUE(f.pages.Page(0).Built);
    f.pages.Page(0).Visible = false;
    const QImage image = f.DrawAt(1.0);
    EXPECT_FALSE(f.pages.Page(0).Built);
    EXPECT_EQ(image.pixelColor(200, 150), QColor(Qt::white));

    // An object far outside the surface is skipped, one inside is drawn.
    f.pages.Page(0).Visible = true;
    QImage small(50, 50, QImage::Format_RGB32);
    small.fill(Qt::white);
    QPainter painter(&small);
    const TrpPageMetrics& m = f.pages.Page(0).Metrics;
    f.pages.Draw(0, painter, QRect(-150, -120, m.sheetWidth, m.sheetHeight));
    EXPECT_EQ(small.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_TRUE(f.pages.Page(0).Built);
}

TEST_F(TrpEMFPagesTest, HitTestFindsTheTopmostObjectAndCallsTheHandler) {
    TrpReport report;
    TrpEMFPages pages(&report);
    TrpPage source;
    source.ChangePaper(9, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
    source.CreateView(kTypeMemo)->SetBounds(0, 0, 100, 100);
    source.CreateView(kTypeMemo)->SetBounds(50, 50, 100, 100);
    pages.Add(source);
    for (std::size_t i = 0; i < source.Count(); ++i)
        pages.WriteObject(0, *source.Object(i));
    TrpEMFPage& page = pages.Page(0);
    ASSERT_TRUE(page.WholeSheet);

    int cursor = 0;
    EXPECT_FALSE(pages.HitTest(0, {75, 75}, true, cursor)) << "no handler";
    std::vector<std::string> clicked;
    report.OnObjectClick = [&](TrpView* view) { clicked.push_back(view->Name); };
    report.OnMouseOverObject = [&](TrpView* view, int& c) { c = int(view->Name.size()); };
    EXPECT_TRUE(pages.HitTest(0, {75, 75}, true, cursor));
    EXPECT_TRUE(pages.HitTest(0, {10, 10}, true, cursor));
    EXPECT_FALSE(pages.HitTest(0, {160, 160}, true, cursor));
    EXPECT_EQ(clicked, (std::vector<std::string>{"Memo2", "Memo1"}));
    EXPECT_TRUE(pages.HitTest(0, {120, 120}, false, cursor));
    EXPECT_EQ(cursor, 5);

    // Scaled into the printable area: sheet 2:1 over the area, shifted by
    // margin and offset.
    page.WholeSheet = false;
    page.Metrics.sheetWidth = 1000;
    page.Metrics.sheetHeight = 1000;
    page.Metrics.printableWidth = 540;
    page.Metrics.printableHeight = 560;
    page.LeftMargin = page.RightMargin = 20;
    page.TopMargin = page.BottomMargin = 30;
    page.Metrics.offsetX = 5;
    page.Metrics.offsetY = 7;
    EXPECT_EQ(pages.ObjectAt(0, {25 + 10, 37 + 10}), pages.BuildPage(0).Object(0));
    EXPECT_EQ(pages.ObjectAt(0, {25 + 250, 37 + 250}), pages.BuildPage(0).Object(1));
    EXPECT_EQ(pages.ObjectAt(0, {20, 30}), nullptr);
    // Margins that swallow the printable area fall back to 1:1.
    page.LeftMargin = 600;
    EXPECT_EQ(pages.ObjectAt(0, {10, 10}), pages.BuildPage(0).Object(0));
}

// A page entry of the current layout holding stream.
void AppendEntry(ByteImage& image, const QByteArray& stream, bool withBin = true) {
    const qsizetype start = image.Size();
    image.I32(0).I16(256).I32(1500).I32(2500).U8(1);
    if (withBin)
        image.I32(3);
    image.U8(1);
    if (withBin)
        image.I32(1).I32(2).I32(3).I32(4);
    image.bytes.append(stream);
    image.PatchI32(start, image.Size());
}

QByteArray OneMemoStream() {
    TrpPage source;
    TrpEMFPages pages;
    pages.Add(source);
    TrpView* memo = source.CreateView(kTypeMemo);
    memo->ResultMemo = {"hello"};
    pages.WriteObject(0, *memo);
    return pages.Page(0).Stream;
}

TEST_F(TrpEMFPagesTest, ReaderTakesOlderCompressedAndAncientLayouts) {
    const QByteArray stream = OneMemoStream();
    TrpEMFPages pages;

    // No version byte: the first byte is the flag, entries lack bin and margins.
    ByteImage noVersion;
    noVersion.U8(0).Str("Printer").I32(1);
    AppendEntry(noVersion, stream, false);
    LoadBytes(pages, noVersion.bytes);
    ASSERT_EQ(pages.Count(), 1u);
    EXPECT_EQ(pages.Page(0).PaperBin, kDefaultPaperBin);
    EXPECT_EQ(pages.Page(0).LeftMargin, 0);
    EXPECT_EQ(pages.Page(0).Orientation, TrpOrientation::Landscape);
    EXPECT_EQ(pages.BuildPage(0).Count(), 1u);
    EXPECT_EQ(pages.BuildPage(0).Object(0)->Memo, TrpStrings{"hello"});

    // Compressed pages load empty.
    for (int flag : {1, 255}) {
        ByteImage compressed;
        compressed.U8(24).U8(flag).Str("").I32(2);
        AppendEntry(compressed, stream);
        AppendEntry(compressed, stream);
        LoadBytes(pages, compressed.bytes);
        ASSERT_EQ(pages.Count(), 2u);
        EXPECT_EQ(pages.Page(1).LeftMargin, 1);
        EXPECT_EQ(pages.BuildPage(1).Count(), 0u);
    }

    // Any other flag: the oldest layout, whose metafile pages stay empty.
    ByteImage ancient;
    ancient.ZList({"Old printer", "more"}).I32(1);
    const qsizetype start = ancient.Size();
    ancient.I32(0).I16(9).I32(2100).I32(2970).U8(0).U8(1);
    ancient.bytes.append("metafile bytes");
    ancient.PatchI32(start, ancient.Size());
    LoadBytes(pages, ancient.bytes);
    ASSERT_EQ(pages.Count(), 1u);
    EXPECT_EQ(pages.Page(0).PaperSize, 9);
    EXPECT_TRUE(pages.Page(0).WholeSheet);
    EXPECT_EQ(pages.BuildPage(0).Count(), 0u);
}

TEST_F(TrpEMFPagesTest, DamagedFilesFailCleanly) {
    const QByteArray stream = OneMemoStream();
    TrpEMFPages pages;
    const auto fails = [&](const QByteArray& bytes) {
        EXPECT_THROW(LoadBytes(pages, bytes), ETrpTemplateError);
        EXPECT_EQ(pages.Count(), 0u);
    };
    fails({});
    // A page count far beyond the bytes there.
    fails(ByteImage().U8(24).U8(0).Str("").I32(0x7FFFFFFF).bytes);
    fails(ByteImage().U8(24).U8(0).Str("").I32(-1).bytes);
    // End offsets before the entry's fixed part and past the end.
    for (std::int64_t end : {std::int64_t(0), std::int64_t(20), std::int64_t(100000)}) {
        ByteImage bad;
        bad.U8(24).U8(0).Str("").I32(1);
        AppendEntry(bad, stream);
        bad.PatchI32(bad.Size() - stream.size() - 36, end);
        fails(bad.bytes);
    }
    // A page stream with an unknown object type or a cut body loads, but
    // cannot be built.
    for (const QByteArray& body :
         {QByteArray("\x18\x07", 2), stream.left(stream.size() - 3), QByteArray("\x05", 1)}) {
        ByteImage file;
        file.U8(24).U8(0).Str("").I32(1);
        AppendEntry(file, body);
        LoadBytes(pages, file.bytes);
        EXPECT_THROW(pages.BuildPage(0), ETrpTemplateError);
        EXPECT_FALSE(pages.Page(0).Built);
    }
}

TEST_F(TrpEMFPagesTest, FuzzedFilesNeverCrash) {
    TrpReport report;
    BuildFullTemplate(report);
    TrpEMFPages source(&report);
    source.Add(*report.Pages[0]);
    WriteAllObjects(source, 0, *report.Pages[0]);
    const QByteArray valid = SaveBytes(source);

    std::mt19937 random(20261209);
    QImage image(100, 100, QImage::Format_RGB32);
    const auto attempt = [&](const QByteArray& bytes) {
        TrpEMFPages pages(&report);
        try {
            LoadBytes(pages, bytes);
        } catch (const ETrpTemplateError&) {
            return;
        }
        for (std::size_t p = 0; p < pages.Count(); ++p) {
            pages.Page(p).Visible = true;
            QPainter painter(&image);
            try {
                pages.Draw(p, painter, image.rect());
            } catch (const ETrpTemplateError&) {
            }
        }
    };
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = valid;
        const int changes = 1 + int(random() % 8);
        for (int c = 0; c < changes; ++c)
            bytes[int(random() % bytes.size())] = char(random() % 256);
        if (round % 10 == 0)
            bytes.truncate(int(random() % bytes.size()));
        attempt(bytes);
    }
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes(int(random() % 200), '\0');
        for (auto& b : bytes)
            b = char(random() % 256);
        attempt(bytes);
    }
}

} // namespace
} // namespace report
