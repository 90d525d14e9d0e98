// Shared pieces of the print tests: a platform with named printers and no
// device behind them, a print target that records what the job asks of it,
// and prepared pages with a line of text each.
#pragma once

#include "TrpEMFPages.h"
#include "TrpMemoView.h"
#include "TrpObjectCodes.h"
#include "TrpPrintTarget.h"
#include "TrpPrinterBackend.h"
#include "TrpReport.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace print_test {

using namespace report;

// Printers "Office" and "Lab", A4 at 600 dpi with a 100-dot border; each
// applied device mode is counted.
class FakeBackend : public TrpPrinterBackend {
public:
    std::vector<std::string> PrinterNames() override { return names; }
    int CurrentPrinter() override { return current; }
    bool MakeCurrent(int index) override {
        if (index == refusedPrinter)
            return false;
        current = index;
        return true;
    }
    std::optional<TrpDeviceInfo> ReadDevice() override { return info; }
    bool ApplyDeviceMode(const TrpDeviceMode& mode) override {
        ++modesApplied;
        info.paperCode = mode.paperCode;
        info.portrait = mode.portrait;
        return true;
    }
    bool Printing() override { return false; }

    std::vector<std::string> names{"Office", "Lab"};
    int current = 0;
    int refusedPrinter = -1;
    int modesApplied = 0;
    TrpDeviceInfo info = [] {
        TrpDeviceInfo d;
        d.device = "Office";
        d.paperCode = 9;
        d.dpiX = d.dpiY = 600;
        d.physicalWidth = 4961;
        d.physicalHeight = 7016;
        d.physicalOffsetX = d.physicalOffsetY = 100;
        d.pageWidth = 4761;
        d.pageHeight = 6816;
        d.paperCodes = {9, 1, 11};
        d.paperNames = {"A4", "Letter", "A5"};
        return d;
    }();
};

// Records "begin <title>", "sheet <page> <size>x<w>x<h>[L]", "draw <page>
// <rect>", "end", "abort".
class RecordingTarget : public TrpPrintTarget {
public:
    void BeginDoc(const std::string& title) override {
        log << QStringLiteral("begin ") + QString::fromStdString(title);
    }
    void StartSheet(const TrpPrintPaper& paper) override {
        pendingPaper = QStringLiteral("%1x%2x%3%4")
                           .arg(paper.size)
                           .arg(paper.width)
                           .arg(paper.height)
                           .arg(paper.orientation == TrpOrientation::Landscape ? "L" : "");
    }
    void DrawPage(TrpEMFPages&, std::size_t index, const QRect& rect) override {
        pages << static_cast<int>(index) + 1;
        papers << pendingPaper;
        rects << rect;
    }
    void EndDoc() override { log << QStringLiteral("end"); }
    void Abort() override { log << QStringLiteral("abort"); }
    int Resolution() const override { return 1200; }

    QStringList log;
    QList<int> pages;
    QStringList papers;
    QList<QRect> rects;
    QString pendingPaper;
};

struct PagePaper {
    int size = 9;
    int width = 2100;
    int height = 2970;
    TrpOrientation orientation = TrpOrientation::Portrait;
};

// count prepared pages, page n carrying the text "Sheet n" in a memo at
// the top left; papers (when given) per page.
inline std::unique_ptr<TrpEMFPages> MakePages(TrpReport& report, int count,
                                              const std::vector<PagePaper>& papers = {}) {
    auto pages = std::make_unique<TrpEMFPages>(&report);
    TrpPage source;
    TrpView* view = source.CreateView(kTypeMemo);
    view->Left = 40;
    view->Top = 40;
    view->Width = 400;
    view->Height = 40;
    for (int n = 1; n <= count; ++n) {
        TrpEMFPage& page = pages->Add(source);
        if (!papers.empty()) {
            const PagePaper& p = papers.at(static_cast<std::size_t>(n - 1));
            page.PaperSize = p.size;
            page.PaperWidth = p.width;
            page.PaperHeight = p.height;
            page.Orientation = p.orientation;
        }
        view->ResultMemo = {"Sheet " + std::to_string(n)};
        pages->WriteObject(static_cast<std::size_t>(n - 1), *view);
    }
    return pages;
}

} // namespace print_test
