// The preview's text search over the recorded drawing calls of its pages.
#include "TrpPreviewSearch.h"

#include "TrpDrawingRecorder.h"
#include "TrpEMFPages.h"

#include <QLocale>
#include <QPainter>

namespace report {

std::optional<TrpSearchMatch> TrpPreviewSearch::Find(TrpEMFPages& pages, const QString& text,
                                                     bool caseSensitive, bool fromFirstPage,
                                                     int currentPage) {
    caseSensitive_ = caseSensitive;
    text_ = caseSensitive ? text : QLocale().toUpper(text);
    if (fromFirstPage) {
        page_ = 0;
        position_ = 0;
    } else {
        StartAtPage(currentPage);
    }
    return Run(pages);
}

std::optional<TrpSearchMatch> TrpPreviewSearch::FindNext(TrpEMFPages& pages, int currentPage) {
    if (text_.isEmpty())
        return std::nullopt;
    StartAtPage(currentPage);
    return Run(pages);
}

// A search that goes on from another page than the last one starts at that
// page's first call.
void TrpPreviewSearch::StartAtPage(int currentPage) {
    const std::size_t page = currentPage > 0 ? std::size_t(currentPage - 1) : 0;
    if (page != page_) {
        page_ = page;
        position_ = 0;
    }
}

std::optional<TrpSearchMatch> TrpPreviewSearch::Run(TrpEMFPages& pages) {
    // An empty text would match every text item.
    if (text_.isEmpty())
        return std::nullopt;
    while (page_ < pages.Count()) {
        if (std::optional<QRect> rect = SearchPageCalls(pages))
            return TrpSearchMatch{page_, *rect};
        // The page leaves the search not visible and without its built
        // objects; the preview builds them again if it shows the page.
        pages.Page(page_).Visible = false;
        pages.Page(page_).Built.reset();
        position_ = 0;
        ++page_;
    }
    return std::nullopt;
}

// Draws the search page 1:1 onto a recorder and walks its calls from 0;
// on a match the position moves just past the matching call.
std::optional<QRect> TrpPreviewSearch::SearchPageCalls(TrpEMFPages& pages) {
    TrpEMFPage& page = pages.Page(page_);
    const QSize sheet(page.Metrics.sheetWidth, page.Metrics.sheetHeight);
    if (sheet.isEmpty())
        return std::nullopt;
    TrpDrawingRecorder recorder(sheet);
    {
        const bool wasVisible = page.Visible;
        page.Visible = true;
        QPainter painter(&recorder);
        pages.Draw(page_, painter, QRect(QPoint(0, 0), sheet));
        page.Visible = wasVisible;
    }
    const QLocale locale;
    const std::vector<TrpDrawingCall>& calls = recorder.Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (!calls[i].IsText || i < position_)
            continue;
        const QString item = caseSensitive_ ? calls[i].Text : locale.toUpper(calls[i].Text);
        if (item.contains(text_)) {
            position_ = i + 1;
            return calls[i].Bounds;
        }
    }
    return std::nullopt;
}

} // namespace report
