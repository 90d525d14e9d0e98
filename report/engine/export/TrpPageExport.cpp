// Page export: PDF documents and PNG images of prepared pages.
//
// Each page is drawn as the print job draws it on a printer: a page that
// uses the whole sheet fills it, any other page is scaled into the
// printable area inside its margins. The page's cache of built objects is
// released right after it is drawn, so an export of many pages holds no
// more than one page's objects at a time. A page's Visible flag is restored
// afterwards.
//
// Paper values come from prepared-report files and are untrusted: a size
// outside 1..kMaxPaperTenthsMm, or an image larger than kMaxImageSide a side or
// kMaxImagePixels in all, is refused with ETrpExportError before anything is drawn for it.
#include "TrpPageExport.h"

#include "EnginePixels.h"
#include "TrpEMFPages.h"
#include "TrpReport.h"

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace report {

namespace {

// The resolution of the PDF's drawing coordinates. Text and lines stay
// vectors at any resolution; this one keeps positions exact to 1/600 inch
// while keeping scaled font heights well inside the engine's pixel limit.
constexpr int kPdfResolution = 600;
// PDF viewers refuse pages larger than 200 inches a side.
constexpr int kMaxPaperTenthsMm = 50800;
static_assert(kMaxPaperTenthsMm == 200 * static_cast<int>(kTenthsMmPerInch));
// Resolutions accepted for images.
constexpr int kMinDpi = 1;
constexpr int kMaxDpi = 1200;
// The largest page image drawn: a side QPainter can address, and at most
// the pixels of an A4 sheet at kMaxDpi (about 560 MB at 4 bytes a pixel),
// whatever paper size a file claims.
constexpr int kMaxImageSide = 32767;
constexpr std::int64_t kMaxImagePixels = 140'000'000;
static_assert(9921LL * 14031 <= kMaxImagePixels, "A4 at 1200 dpi fits");
constexpr const char* kPngPattern = "page-%03zu.png";

std::string PngName(std::size_t pageNo) {
    char name[32];
    std::snprintf(name, sizeof name, kPngPattern, pageNo);
    return name;
}

QString Native(const std::string& fileName) {
    return QFile::decodeName(QByteArray::fromStdString(fileName));
}

void CheckPaper(const TrpEMFPage& page, std::size_t index, const std::string& fileName) {
    const auto usable = [](std::int32_t v) { return v > 0 && v <= kMaxPaperTenthsMm; };
    if (!usable(page.PaperWidth) || !usable(page.PaperHeight) || page.Metrics.sheetWidth <= 0 ||
        page.Metrics.sheetHeight <= 0)
        throw ETrpExportError(fileName + ": page " + std::to_string(index + 1) +
                              " has an unusable paper size " + std::to_string(page.PaperWidth) +
                              " x " + std::to_string(page.PaperHeight));
}

// The page's sheet as a PDF page: width and height as drawn (already
// exchanged for landscape). The orientation follows the sheet's shape, so
// that a paper whose orientation byte disagrees with its sizes is still
// drawn upright; square sheets keep the page's own orientation.
QPageLayout PdfLayout(const TrpEMFPage& page) {
    const double w = page.PaperWidth / 10.0;
    const double h = page.PaperHeight / 10.0;
    QPageLayout::Orientation orientation = w > h ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (w == h && page.Orientation == TrpOrientation::Landscape)
        orientation = QPageLayout::Landscape;
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter);
    return QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int Scaled(int enginePixels, double scale) {
    return static_cast<int>(RoundHalfEven(enginePixels * scale));
}

// Where the page is drawn on a device sheet of deviceSheet pixels.
QRect PageRect(const TrpEMFPage& page, QSize deviceSheet) {
    const QRect sheet(QPoint(0, 0), deviceSheet);
    if (page.WholeSheet)
        return sheet;
    const TrpPageMetrics& m = page.Metrics;
    const double sx = static_cast<double>(deviceSheet.width()) / m.sheetWidth;
    const double sy = static_cast<double>(deviceSheet.height()) / m.sheetHeight;
    const int left = Scaled(m.offsetX + page.LeftMargin, sx);
    const int top = Scaled(m.offsetY + page.TopMargin, sy);
    const int right = Scaled(m.offsetX + m.printableWidth - page.RightMargin, sx);
    const int bottom = Scaled(m.offsetY + m.printableHeight - page.BottomMargin, sy);
    // Margins that swallow the printable area leave nothing to scale into;
    // the sheet is then taken whole.
    if (right <= left || bottom <= top)
        return sheet;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Draws one page for print and releases its built objects.
void DrawPage(TrpEMFPages& pages, std::size_t index, QPainter& painter, QSize deviceSheet) {
    TrpEMFPage& page = pages.Page(index);
    const bool wasVisible = page.Visible;
    page.Visible = true;
    try {
        pages.Draw(index, painter, PageRect(page, deviceSheet), true);
    } catch (...) {
        page.Visible = false;
        pages.Draw(index, painter, QRect(), true);
        page.Visible = wasVisible;
        throw;
    }
    page.Visible = false;
    pages.Draw(index, painter, QRect(), true);
    page.Visible = wasVisible;
}

void RequirePages(const TrpEMFPages& pages, const std::string& target) {
    if (pages.Count() == 0)
        throw ETrpExportError(target + ": no pages to export");
}

void WritePdfPages(TrpEMFPages& pages, QPdfWriter& writer, const std::string& fileName) {
    writer.setResolution(kPdfResolution);
    writer.setCreator(QStringLiteral("Morvane report engine"));
    if (TrpReport* report = pages.Report(); report && !report->Title.empty())
        writer.setTitle(QString::fromStdString(report->Title));
    CheckPaper(pages.Page(0), 0, fileName);
    writer.setPageLayout(PdfLayout(pages.Page(0)));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ETrpExportError("Cannot write " + fileName);
    try {
        for (std::size_t i = 0; i < pages.Count(); ++i) {
            const TrpEMFPage& page = pages.Page(i);
            CheckPaper(page, i, fileName);
            const QPageLayout layout = PdfLayout(page);
            if (i > 0) {
                if (!(layout == writer.pageLayout()))
                    writer.setPageLayout(layout);
                writer.newPage();
            }
            DrawPage(pages, i, painter, layout.fullRectPixels(kPdfResolution).size());
        }
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
}

QImage RenderPng(TrpEMFPages& pages, std::size_t index, int dpi, const std::string& fileName) {
    const TrpEMFPage& page = pages.Page(index);
    CheckPaper(page, index, fileName);
    const auto pixels = [dpi](std::int32_t tenths) {
        return RoundHalfEven(static_cast<double>(tenths) * dpi / kTenthsMmPerInch);
    };
    const std::int64_t w = std::max<std::int64_t>(1, pixels(page.PaperWidth));
    const std::int64_t h = std::max<std::int64_t>(1, pixels(page.PaperHeight));
    if (w > kMaxImageSide || h > kMaxImageSide || w * h > kMaxImagePixels)
        throw ETrpExportError(fileName + ": page " + std::to_string(index + 1) + " at " +
                              std::to_string(dpi) + " dpi is too large for an image");
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (image.isNull())
        throw ETrpExportError(fileName + ": not enough memory for the page image");
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPage(pages, index, painter, image.size());
    painter.end();
    return image;
}

// A finished page image waiting beside its target under a temporary name;
// removed when dropped before it is moved into place.
struct PendingPng {
    std::unique_ptr<QTemporaryFile> file;
    std::string target;
};

PendingPng WritePendingPng(const QImage& image, const QDir& dir, const std::string& name) {
    PendingPng pending{std::make_unique<QTemporaryFile>(dir.filePath(
                           QStringLiteral(".%1.XXXXXX").arg(QString::fromStdString(name)))),
                       dir.filePath(QString::fromStdString(name)).toStdString()};
    if (!pending.file->open())
        throw ETrpExportError("Cannot create " + pending.target);
    if (!image.save(pending.file.get(), "PNG") || !pending.file->flush())
        throw ETrpExportError("Cannot write " + pending.target);
    pending.file->close();
    return pending;
}

} // namespace

void ExportPdf(TrpEMFPages& pages, const std::string& fileName) {
    RequirePages(pages, fileName);
    // The old file stays until the new one is complete; an unfinished one
    // is removed when the save file is dropped without commit.
    QSaveFile file(Native(fileName));
    if (!file.open(QIODevice::WriteOnly))
        throw ETrpExportError("Cannot create " + fileName + ": " +
                              file.errorString().toStdString());
    try {
        QPdfWriter writer(&file);
        WritePdfPages(pages, writer, fileName);
    } catch (const ETrpExportError&) {
        throw;
    } catch (const std::exception& error) {
        throw ETrpExportError("Cannot write " + fileName + ": " + error.what());
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw ETrpExportError("Cannot write " + fileName + ": " + file.errorString().toStdString());
}

std::vector<std::string> ExportPng(TrpEMFPages& pages, const std::string& directory, int dpi) {
    RequirePages(pages, directory);
    if (dpi < kMinDpi || dpi > kMaxDpi)
        throw ETrpExportError(directory + ": resolution " + std::to_string(dpi) + " dpi outside " +
                              std::to_string(kMinDpi) + ".." + std::to_string(kMaxDpi));
    QDir dir(Native(directory));
    if (!dir.mkpath(QStringLiteral(".")))
        throw ETrpExportError("Cannot create directory " + directory);
    // Every page is rendered and written under a temporary name first; only
    // when all of them are complete are they moved into place, so a failure
    // leaves the directory as it was.
    std::vector<PendingPng> pending;
    for (std::size_t i = 0; i < pages.Count(); ++i) {
        const std::string name = PngName(i + 1);
        const std::string target = dir.filePath(QString::fromStdString(name)).toStdString();
        try {
            pending.push_back(WritePendingPng(RenderPng(pages, i, dpi, target), dir, name));
        } catch (const ETrpExportError&) {
            throw;
        } catch (const std::exception& error) {
            throw ETrpExportError("Cannot write " + target + ": " + error.what());
        }
    }
    std::vector<std::string> written;
    for (PendingPng& png : pending) {
        std::error_code error;
        std::filesystem::rename(png.file->fileName().toStdString(), png.target, error);
        if (error)
            throw ETrpExportError("Cannot write " + png.target + ": " + error.message());
        png.file->setAutoRemove(false);
        written.push_back(png.target);
    }
    return written;
}

} // namespace report
