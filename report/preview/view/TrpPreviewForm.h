// TrpPreviewForm: the preview window of a report's prepared pages. It lays
// the pages out on a grey desk (TrpPageLayout), draws them through its page
// box (TrpPBox), pages, zooms, scrolls, searches (TrpPreviewSearch), opens
// and saves prepared-report files and asks the print request to print.
//
// Page ownership: Attach takes the report's prepared pages and leaves the
// report a fresh empty list; print and save give them back for the length
// of the operation (GiveBackPages / TakePages); closing the window frees
// the pages it holds, so the report keeps the empty list.
//
// States: empty (no pages) --Attach--> showing; showing --layout or
// search--> not ready (painting suspended) --> showing; --Escape/ExitBtn-->
// closed (bounds written).
// CurrentPage is 1-based and within 1..page count while pages are held.
#pragma once

#include "TrpEMFPages.h"
#include "TrpPageLayout.h"
#include "TrpPreviewSearch.h"
#include "TrpPreviewSearchForm.h"
#include "TrpPreviewZoom.h"

#include <QDialog>
#include <memory>
#include <optional>

class QActionGroup;
class QLabel;
class QMenu;
class QScrollBar;

namespace report {

class TrpPBox;
class TrpReport;
class TrpSpeedButton;
class TrpTBButton;
class TrpTBSeparator;

class TrpPreviewForm : public QDialog {
    Q_OBJECT
    friend class TrpPBox;

public:
    static constexpr int kToolbarHeight = 33;
    static constexpr int kButtonSize = 24;
    static constexpr int kZoomButtonWidth = 53;
    static constexpr int kGapWidth = 8;
    static constexpr int kBarExtent = 16;
    static constexpr int kPageLabelWidth = 96;
    static constexpr int kSmallStep = 10;
    static constexpr int kLargeStep = 200;
    static constexpr int kWheelStep = 10;
    // The search scrolls a match this far inside the view.
    static constexpr int kMatchInset = 10;
    static inline const QColor kDeskColour{128, 128, 128};
    static inline const char* const kSettingsOrganization = "ReportEngine";
    static inline const char* const kSettingsGroup = "Form/TrpPreviewForm";

    explicit TrpPreviewForm(QWidget* parent = nullptr);
    ~TrpPreviewForm() override;

    // Takes the report's pages and sets the window up for them; false (and
    // nothing taken) when the report has no prepared page.
    bool Attach(TrpReport& report);

    TrpReport* Report() const { return report_; }
    TrpEMFPages* Pages() const { return pages_.get(); }
    std::size_t PageCount() const { return pages_ ? pages_->Count() : 0; }
    int CurrentPage() const { return currentPage_; }
    double Zoom() const { return zoom_; }
    TrpZoomMode ZoomMode() const { return zoomMode_; }
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }
    int PagesPerRow() const { return layout_.PagesPerRow; }
    const std::optional<TrpSearchMatch>& LastMatch() const { return match_; }
    const TrpPreviewSearch& Search() const { return search_; }

    // The actions of buttons, menu and keys.
    void FullLayout(bool reset);
    void LayOut();
    void PriorPage();
    void NextPage();
    void LastPage();
    void ScrollToCurrentPage();
    void ChooseZoom(int tag);
    void OpenReport();
    void SaveReport();
    void PrintReport();
    void FindText();
    void FindNext();
    void CloseWindow();
    // True when the key was handled or is to be swallowed.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);

    // Print and save: the report owns the pages meanwhile.
    void GiveBackPages();
    void TakePages();

    // Named as in the window definition.
    TrpTBButton *ZoomBtn, *LoadBtn, *SaveBtn, *PrintBtn, *PageSetupBtn, *FindBtn, *HelpBtn,
        *ExitBtn;
    TrpTBSeparator *ZoomGap, *FileGap, *HelpGap;
    QLabel* Label1;
    TrpPBox* PBox;
    QScrollBar *VScrollBar, *HScrollBar;
    TrpSpeedButton *PgUp, *PgDown;
    QMenu* ProcMenu;

protected:
    // Set by the embedded control: no own help and close buttons, no kept
    // bounds, Escape does not close.
    bool embedded_ = false;

    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void CreateToolbar();
    void CreateZoomMenu();
    void CreateScrollArea();
    void SetUpButtons(const TrpReport& report);
    void ArrangeToolbar();
    void PlaceScrollArea();
    void UpdatePageLabel();
    void CheckZoomItem(int tag);
    void SetScroll(QScrollBar* bar, int value, bool byUser);
    void VerticalScrolled(int value);
    void HorizontalScrolled(int value);
    void ShowMatch(const std::optional<TrpSearchMatch>& match);
    void RestoreBounds();
    void SaveBounds() const;
    void ShowError(const std::exception& error);
    std::vector<QSize> SheetSizes() const;

    TrpReport* report_ = nullptr;
    std::unique_ptr<TrpEMFPages> pages_;
    int currentPage_ = 1;
    double zoom_ = 1.0;
    TrpZoomMode zoomMode_ = TrpZoomMode::Percent;
    int scrollX_ = 0, scrollY_ = 0;
    bool ready_ = true;
    // Set while the program, not the user, moves a scroll bar.
    bool scrollingByProgram_ = false;
    bool boundsRestored_ = false;
    TrpPageLayoutResult layout_;
    TrpPreviewSearch search_;
    std::optional<TrpSearchMatch> match_;
    TrpSearchRequest lastRequest_;
    QWidget* toolbar_ = nullptr;
    QActionGroup* zoomGroup_ = nullptr;
};

} // namespace report
