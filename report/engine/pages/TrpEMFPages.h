// TrpEMFPages: a report's prepared pages. Each page record keeps its paper,
// margins, the printer layer's metrics and a byte stream of the printed
// object instances in prepared form (layout in TrpPreparedFormat.h). The
// list draws a page onto any QPainter at any scale, finds the object under a
// point, and saves and loads the whole list as a prepared-report file.
//
// A page's built objects (Built) are a cache read back from its stream on
// demand: created by BuildPage (and so by Draw and HitTest), released when
// the page is drawn while its Visible flag is clear, or when it is deleted.
// The stream is the page's content; the cache never writes back to it.
//
// Generation appends pages with Add and their objects with WriteObject; the
// preview, text search and the print job only read. One report draws at a
// time, on the user-interface thread.
#pragma once

#include "TrpPage.h"
#include "TrpPageMetrics.h"

#include <QByteArray>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace report {

class TrpReport;
class TrpView;

struct TrpEMFPage {
    // Assigned and used by the preview window.
    QRect LayoutRect;
    std::int32_t PaperSize = 0;
    // Tenths of a millimetre.
    std::int32_t PaperWidth = 0, PaperHeight = 0;
    TrpOrientation Orientation = TrpOrientation::Portrait;
    std::int32_t PaperBin = kDefaultPaperBin;
    // Objects are placed 1:1 on the whole sheet; when clear the content is
    // scaled into the printable area inside the margins.
    bool WholeSheet = true;
    // Engine pixels.
    std::int32_t LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
    TrpPageMetrics Metrics;
    // Set by the preview for pages on screen.
    bool Visible = false;
    // The version byte, then object records.
    QByteArray Stream;
    // The objects read back from Stream; null until built.
    std::unique_ptr<TrpPage> Built;
};

class TrpEMFPages {
public:
    explicit TrpEMFPages(TrpReport* report = nullptr) : report_(report) {}
    TrpEMFPages(const TrpEMFPages&) = delete;
    TrpEMFPages& operator=(const TrpEMFPages&) = delete;

    TrpReport* Report() const { return report_; }
    // The report whose events hear of the list's pages: during a composite
    // report's combined generation, the member report that is generating.
    void SetReport(TrpReport* report) { report_ = report; }
    std::size_t Count() const { return pages_.size(); }
    TrpEMFPage& Page(std::size_t index) const { return *pages_.at(index); }
    void Clear() { pages_.clear(); }
    void Delete(std::size_t index);

    // Appends a page with the paper, bin, margins and metrics of the
    // template page and an empty object stream, then calls "OnBeginPage"
    // of the report and of Composite (when set) with the new page's index.
    TrpEMFPage& Add(const TrpPage& templatePage);
    // Appends view's record (type, class name for extensions, prepared
    // body) to the stream of the page at index.
    void WriteObject(std::size_t index, TrpView& view);

    // Reads the page's stream into its cache unless already built. A
    // damaged stream throws ETrpTemplateError and leaves no cache.
    TrpPage& BuildPage(std::size_t index);
    // Draws the page's objects scaled into rect. A page whose Visible flag
    // is clear releases its cache and draws nothing. printing skips the
    // test against the surface's visible region.
    void Draw(std::size_t index, QPainter& canvas, const QRect& rect, bool printing = false);
    // The topmost object under point (page coordinates in engine pixels,
    // mapped to the printable area unless the page uses the whole sheet);
    // null when none.
    TrpView* ObjectAt(std::size_t index, QPoint point);
    // Calls the report's "OnObjectClick" (click) or "OnMouseOverObject"
    // for the object under point; true when a handler was called.
    bool HitTest(std::size_t index, QPoint point, bool click, int& cursor);

    void SaveToStream(QIODevice& device) const;
    // Written beside the target under a temporary name and renamed into
    // place when complete; a failure leaves the old file or none.
    void SaveToFile(const std::string& fileName) const;
    // Clears the list and reads a prepared-report file; a damaged one throws
    // ETrpTemplateError. Loaded pages cannot be prepared again.
    void LoadFromStream(QIODevice& device);
    void LoadFromFile(const std::string& fileName);

    // A composite report whose "OnBeginPage" also hears of new pages.
    TrpReport* Composite = nullptr;
    // False once pages come from a file: the print job may then not
    // regenerate them for another printer.
    bool CanRebuild = true;

private:
    TrpReport* report_;
    std::vector<std::unique_ptr<TrpEMFPage>> pages_;
};

} // namespace report
