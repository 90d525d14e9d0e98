// TrpPageGenerator: one pass of a report build - forming each template
// page into generated pages, walking the data levels, and starting new
// columns and pages. Printing and drawing single bands belongs to
// TrpBandPrinter, which works on this generator's state.
//
// States of one pass and their transitions:
//   idle --Run--> pages started (run-time bands built, aggregates collected)
//   pages started --FormPage(page)--> forming: CurY moves down the current
//       generated page; a band that does not fit, "NEWPAGE"/"NEWCOLUMN" or
//       "FormNewPage" -> NewColumn -> (last column) NewPage: column footer,
//       page footer, new generated page, overlay, page and column headers
//   forming --page's data done--> page closed (page footers, "OnEndPage")
//   page closed --next template page--> forming (or appending to the last
//       sheet with "PrintToPrevPage")
//   any --report terminated (STOPREPORT, Cancel, calculation error)--> the
//       loops unwind; pages ended -> idle
// Pages named by sub-report objects are not formed in the page loop; their
// data loops run only through TrpSubReportPrinter, which records them and
// swaps each page's forming state in while it replays. On such a page no
// new column or page is started: a band that does not fit is reported to
// the replay, which breaks the page holding the sub-report.
#pragma once

#include "TrpBandStructure.h"
#include "TrpObjectBlobBindings.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace report {

class TrpBandPrinter;
class TrpReport;
class TrpSubReportPrinter;

// What the page generator and the band printer share while a page forms.
struct TrpFormingState {
    TrpPage* Page = nullptr;
    TrpBandStructure* Structure = nullptr;
    int CurY = 0;
    int BottomLimit = 0;
    int ColumnIndex = 0; // the page column, from 0
    int ColumnLeft = 0;
    int ColumnTop = 0;
    int PageCounter = 0;   // the generated page being filled
    int FormFirstPage = 0; // the first generated page of this template page
    // The position right after a column's headers: a band starting there
    // is not moved to another column (it would fit no better); INT_MAX
    // while a page's headers print.
    int FreshY = 0;
    bool PrintingColumnFooter = false;
    bool ColumnFooterCounted = true;
    bool RepeatingHeader = false;
    TrpBand* LastDrawnBand = nullptr;
    // Generated pages on which the page footer has been printed.
    std::vector<bool> FooterPrinted;
    // "PrintToPrevPage": the previous template page's end.
    struct TAppend {
        bool Armed = false;
        int CurY = 0;
        int BottomLimit = 0;
        bool FooterPrinted = false;
    } Append;
};

class TrpPageGenerator {
public:
    explicit TrpPageGenerator(TrpReport& report);
    ~TrpPageGenerator();
    TrpPageGenerator(const TrpPageGenerator&) = delete;
    TrpPageGenerator& operator=(const TrpPageGenerator&) = delete;

    // One pass over all template pages. progress is told each page number.
    void Run(const std::function<void(int pageNo)>& progress);

    TrpReport& Report() { return report_; }
    TrpBandPrinter& Printer() { return *printer_; }
    TrpSubReportPrinter& SubReports() { return *subReports_; }
    // The run-time bands of a report page; null for a page without them.
    TrpBandStructure* StructureOf(const TrpPage& page) const;
    // Runs the data loop of a sub-report page as the current page (its
    // band prints are recorded, not drawn); the current page is put back.
    void RunDataLoop(TrpPage& page);
    // Set for the final pass of a two-pass generation, which keeps the
    // sub-report page flags of the first pass.
    bool FinalOfTwoPasses = false;
    TrpFormingState& State() { return state_; }

    void NewPage();
    // band: the band being printed when the break came (for its repeated
    // headers); may be null.
    void NewColumn(TrpBand* band);
    int ColumnFooterHeight() const;
    // Starts a new generated page of the current template page.
    void StartGeneratedPage();
    // Makes this pass a member's part of a composite report's combined
    // generation: it goes on from the previous member's forming state
    // (page counter, append state, printed page footers; null for the
    // first member), "OnEndPage" is told to the composite too, and
    // following is the next member's first template page (null for the
    // last), which may continue on this member's last sheet.
    void JoinComposite(TrpReport& composite, const TrpFormingState* previous, TrpPage* following);
    void ReportProgress(int pageNo) { progress_(pageNo); }

private:
    void StartPages();
    void EndPages();
    void CollectAggregates(TrpBandStructure& structure);
    void BindBlobs(TrpBandStructure& structure);
    void BeginForming(TrpPage& page);
    void ManualBuild(TrpPage& page);
    void FormPage(TrpPage& page);
    void FinishPage();
    void PrintPageFooters(bool allowFirst);
    void DataLoop(int level);
    void WalkDataBand(TrpBand& band, int level);
    TrpBand* BreakingGroup(TrpBand& band, bool atEnd);
    void QueueGroupHeaders(TrpBand* from);
    void QueueGroupFooters(TrpBand& data, TrpBand* breaking);
    void PrintQueue();
    void RepeatHeaders(TrpBand* band);
    void ArmNextPage(std::size_t pageIndex);
    void RunPageScript(TrpPage& page);
    void InstallRequests();
    void TellEndPage(int pageNo);

    std::function<void(int)> progress_;
    std::map<TrpPage*, TrpStrings> pageScripts_;

    TrpReport& report_;
    std::unique_ptr<TrpBandPrinter> printer_;
    std::unique_ptr<TrpSubReportPrinter> subReports_;
    TrpFormingState state_;
    std::map<TrpPage*, std::unique_ptr<TrpBandStructure>> structures_;
    std::set<TrpView*> compiled_;
    TrpObjectBlobBindings blobs_;
    std::vector<TrpBand*> queue_;
    int deepestLevel_ = 0;
    TrpReport* composite_ = nullptr;
    TrpPage* following_ = nullptr;
};

} // namespace report
