// Page export: PDF text, fonts and page sizes read back with poppler's
// tools, PNG files at a resolution, and that a failed export leaves neither
// a file nor a temporary one behind (and an older file untouched).
#include "TrpPageExport.h"

#include "EnginePixels.h"
#include "TrpEMFPages.h"
#include "TrpReport.h"
#include "export/HandMadePages.h"
#include "layout/LayoutTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace report {
namespace {

using test::AddHandMadePages;
using test::HandMadeTexts;

// The standard output of a poppler tool; skips the test when the tool is
// not installed.
#define POPPLER_OUTPUT(var, tool, ...)                                                             \
    QString var;                                                                                   \
    do {                                                                                           \
        const QString path = QStandardPaths::findExecutable(tool);                                 \
        if (path.isEmpty())                                                                        \
            GTEST_SKIP() << tool << " is not installed";                                           \
        QProcess process;                                                                          \
        process.start(path, QStringList{__VA_ARGS__});                                             \
        ASSERT_TRUE(process.waitForFinished(60000));                                               \
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();          \
        var = QString::fromUtf8(process.readAllStandardOutput());                                  \
    } while (false)

class TrpPageExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        layout_test::EnsureGuiApplication();
        Printer().SelectPrinter(Printer().VirtualPrinterIndex());
        AddHandMadePages(pages);
    }
    std::string Path(const QString& name) const { return dir.filePath(name).toStdString(); }
    // The entries of the directory, hidden ones included.
    QStringList Entries(const QString& sub = QString()) const {
        return QDir(dir.filePath(sub))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Appends a page whose stream holds an object record cut short: it
    // fails only when it is drawn.
    void AddDamagedPage() {
        TrpPage source;
        source.ChangePaper(kA4PaperCode, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
        TrpEMFPage& page = pages.Add(source);
        page.Stream.append(char(kTypeMemo));
        page.Stream.append("\x05\x00", 2);
    }

    TrpReport report;
    TrpEMFPages pages{&report};
    QTemporaryDir dir;
};

// Points of a length in tenths of a millimetre.
double Points(int tenths) {
    return tenths / kTenthsMmPerInch * 72.0;
}

TEST_F(TrpPageExportTest, PdfKeepsTextAsTextWithEmbeddedFontsOnEachPagesPaper) {
    const std::string pdf = Path("report.pdf");
    ExportPdf(pages, pdf);
    EXPECT_EQ(Entries(), QStringList{"report.pdf"}) << "no temporary file stays";
    for (std::size_t p = 0; p < pages.Count(); ++p) {
        EXPECT_FALSE(pages.Page(p).Built) << "page " << p << " released its objects";
        EXPECT_FALSE(pages.Page(p).Visible);
    }

    for (int p = 1; p <= 2; ++p) {
        SCOPED_TRACE(p);
        POPPLER_OUTPUT(text, "pdftotext", "-layout", "-f", QString::number(p), "-l",
                       QString::number(p), QString::fromStdString(pdf), "-");
        for (const auto& t : HandMadeTexts()[std::size_t(p - 1)])
            EXPECT_TRUE(text.contains(QString::fromStdString(t.text))) << text.toStdString();
    }
    POPPLER_OUTPUT(first, "pdftotext", "-f", "1", "-l", "1", QString::fromStdString(pdf), "-");
    EXPECT_FALSE(first.contains("landscape")) << "each text is on its own page";

    // "Page    1 size: 595.276 x 841.89 pts (A4)"
    POPPLER_OUTPUT(info, "pdfinfo", "-f", "1", "-l", "2", QString::fromStdString(pdf));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
    const QRegularExpression sizeLine("Page\\s+(\\d) size:\\s+([\\d.]+) x ([\\d.]+) pts");
    int seen = 0;
    for (auto it = sizeLine.globalMatch(info); it.hasNext(); ++seen) {
        const auto m = it.next();
        const TrpEMFPage& page = pages.Page(std::size_t(m.captured(1).toInt() - 1));
        EXPECT_NEAR(m.captured(2).toDouble(), Points(page.PaperWidth), 0.5) << info.toStdString();
        EXPECT_NEAR(m.captured(3).toDouble(), Points(page.PaperHeight), 0.5);
    }
    EXPECT_EQ(seen, 2);
    ASSERT_GT(pages.Page(1).PaperWidth, pages.Page(1).PaperHeight) << "page 2 is landscape";

    // Every font is embedded (the "emb" column).
    POPPLER_OUTPUT(fonts, "pdffonts", QString::fromStdString(pdf));
    const QStringList lines = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(lines.isEmpty()) << fonts.toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(QRegularExpression("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d+")))
            << "not embedded: " << line.toStdString();
    EXPECT_TRUE(fonts.contains("LiberationSerif")) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains("LiberationMono"));
}

TEST_F(TrpPageExportTest, PngOnePerPageAtTheResolution) {
    const std::string out = Path("png/nested");
    for (int dpi : {50, 150}) {
        SCOPED_TRACE(dpi);
        const std::vector<std::string> files = ExportPng(pages, out, dpi);
        ASSERT_EQ(files.size(), 2u);
        EXPECT_EQ(Entries("png/nested"), (QStringList{"page-001.png", "page-002.png"}));
        for (std::size_t p = 0; p < files.size(); ++p) {
            const TrpEMFPage& page = pages.Page(p);
            QImage image(QString::fromStdString(files[p]));
            ASSERT_FALSE(image.isNull()) << files[p];
            EXPECT_EQ(image.width(), RoundHalfEven(page.PaperWidth * dpi / kTenthsMmPerInch));
            EXPECT_EQ(image.height(), RoundHalfEven(page.PaperHeight * dpi / kTenthsMmPerInch));
            EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, dpi, 0.5);
            EXPECT_FALSE(page.Built);
            // The first object's frame is inked where its left edge lies.
            const TrpView& first = *pages.BuildPage(p).Object(0);
            const double scale = dpi / kEnginePixelsPerInch;
            const int x = int(first.Left * scale), y = int((first.Top + first.Height / 2) * scale);
            int darkest = 255;
            for (int dx = -2; dx <= 2; ++dx)
                darkest = std::min(darkest, qGray(image.pixel(x + dx, y)));
            EXPECT_LT(darkest, 200) << "frame at the object's left edge";
            EXPECT_EQ(qGray(image.pixel(x - 6, y)), 255) << "nothing left of it";
            EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255)) << "paper stays white";
        }
    }
    EXPECT_THROW(ExportPng(pages, out, 0), ETrpExportError);
    EXPECT_THROW(ExportPng(pages, out, 100000), ETrpExportError);
}

// A page that does not use the whole sheet is scaled into the printable
// area (the virtual printer's 5 mm border) inside its margins.
TEST_F(TrpPageExportTest, PagesWithoutTheWholeSheetFillThePrintableArea) {
    TrpEMFPages scaled(&report);
    TrpPage source;
    source.ChangePaper(kA4PaperCode, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
    source.UseMargins = false;
    source.LeftMargin = 40;
    TrpView* box = source.CreateView(kTypeMemo);
    box->SetBounds(0, 0, 100, 100);
    box->FillColor = 0x000000;
    scaled.Add(source);
    scaled.WriteObject(0, *box);
    ASSERT_FALSE(scaled.Page(0).WholeSheet);
    const std::vector<std::string> files = ExportPng(scaled, Path("scaled"), 100);
    ASSERT_EQ(files.size(), 1u);
    const QImage image(QString::fromStdString(files[0]));
    const TrpEMFPage& page = scaled.Page(0);
    const TrpPageMetrics& m = page.Metrics;
    const double scale = 100 / kEnginePixelsPerInch;
    const double kx = double(m.printableWidth - page.LeftMargin) / m.sheetWidth;
    const int left = int(RoundHalfEven((m.offsetX + page.LeftMargin) * scale));
    const int top = int(RoundHalfEven(m.offsetY * scale));
    const int right = left + int(100 * kx * scale);
    EXPECT_EQ(qGray(image.pixel(left - 2, top + 5)), 255) << "left of the scaled box";
    EXPECT_EQ(qGray(image.pixel(left + 2, top - 2)), 255) << "above the scaled box";
    EXPECT_EQ(qGray(image.pixel(left + 2, top + 2)), 0) << "inside the scaled box";
    EXPECT_EQ(qGray(image.pixel(right - 3, top + 5)), 0);
    EXPECT_EQ(qGray(image.pixel(right + 3, top + 5)), 255) << "the box is scaled down";
}

TEST_F(TrpPageExportTest, FailedExportsLeaveNothingBehind) {
    // A target whose directory cannot exist: its parent is a file.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        ExportPdf(pages, Path("blocker/out.pdf"));
        ADD_FAILURE() << "no error";
    } catch (const ETrpExportError& error) {
        EXPECT_NE(std::string(error.what()).find("blocker/out.pdf"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(ExportPng(pages, Path("blocker/png")), ETrpExportError);
    EXPECT_EQ(Entries(), QStringList{"blocker"});

    // A page that fails while drawing: the old PDF stays as it was, and no
    // image of the sound pages before it is left.
    QFile old(dir.filePath("out.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    AddDamagedPage();
    try {
        ExportPdf(pages, Path("out.pdf"));
        ADD_FAILURE() << "no error";
    } catch (const ETrpExportError& error) {
        EXPECT_NE(std::string(error.what()).find("out.pdf"), std::string::npos) << error.what();
    }
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    EXPECT_THROW(ExportPng(pages, Path("png")), ETrpExportError);
    EXPECT_EQ(Entries("png"), QStringList{}) << "neither images nor temporary files";
    EXPECT_EQ(Entries(), (QStringList{"blocker", "out.pdf", "png"}));
    for (std::size_t p = 0; p < pages.Count(); ++p)
        EXPECT_FALSE(pages.Page(p).Built);
}

TEST_F(TrpPageExportTest, NoPagesAndUnusablePapersAreRefused) {
    TrpEMFPages none(&report);
    EXPECT_THROW(ExportPdf(none, Path("empty.pdf")), ETrpExportError);
    EXPECT_THROW(ExportPng(none, Path("empty")), ETrpExportError);
    EXPECT_EQ(Entries(), QStringList{}) << "an empty report writes no file";

    // Paper values as a damaged prepared-report file may carry them.
    for (std::int32_t width : {0, -10, 1 << 30}) {
        SCOPED_TRACE(width);
        pages.Page(1).PaperWidth = width;
        EXPECT_THROW(ExportPdf(pages, Path("bad.pdf")), ETrpExportError);
        EXPECT_THROW(ExportPng(pages, Path("bad")), ETrpExportError);
    }
    pages.Page(1).PaperWidth = 50000;
    EXPECT_THROW(ExportPng(pages, Path("bad"), 600), ETrpExportError) << "image too large";
    EXPECT_EQ(Entries(), QStringList{"bad"});
    EXPECT_EQ(Entries("bad"), QStringList{});
}

} // namespace
} // namespace report
