// TrpPreviewSearch: the text search of a preview window. A page is drawn
// at 1:1 onto a TrpDrawingRecorder and its drawing calls are walked in
// order, counted from 0; a text call matches when it contains the search
// text (both upper-cased unless the search is case-sensitive) and its
// number is at least the search position. A text split over two calls is
// not found.
//
// State: search text (empty until the first search), case flag, search
// page (0-based, where the next search starts) and search position (calls
// of that page already passed). After a match the position lies just past
// the matching call, so the next search goes on from there; when no page
// matches the search page ends at the page count.
#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace report {

class TrpEMFPages;

struct TrpSearchMatch {
    std::size_t Page = 0;
    // Bounds of the matching text item, engine pixels of the page.
    QRect Rect;
};

class TrpPreviewSearch {
public:
    // Starts a search from the dialog's choices. currentPage is 1-based.
    std::optional<TrpSearchMatch> Find(TrpEMFPages& pages, const QString& text, bool caseSensitive,
                                       bool fromFirstPage, int currentPage);
    // Continues after the last match; nothing without a search text.
    std::optional<TrpSearchMatch> FindNext(TrpEMFPages& pages, int currentPage);

    const QString& Text() const { return text_; }
    bool CaseSensitive() const { return caseSensitive_; }
    std::size_t SearchPage() const { return page_; }
    std::size_t SearchPosition() const { return position_; }

private:
    std::optional<TrpSearchMatch> Run(TrpEMFPages& pages);
    std::optional<QRect> SearchPageCalls(TrpEMFPages& pages);
    void StartAtPage(int currentPage);

    QString text_;
    bool caseSensitive_ = false;
    std::size_t page_ = 0;
    std::size_t position_ = 0;
};

} // namespace report
