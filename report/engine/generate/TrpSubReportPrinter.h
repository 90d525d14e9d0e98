// TrpSubReportPrinter: printing the sub-report objects of a band. Each
// sub-report object names another template page (its sub-report page); that
// page's data loop is first recorded as a list of actions and then replayed
// inside the holding band, all sub-reports of the band side by side. A
// sub-report whose next band does not fit pauses; when every sub-report has
// either finished or paused, the holding page starts a new generated page
// and the paused ones go on there at the new page's position.
//
// States of one sub-report page and their transitions:
//   idle --holding band prints--> recording (every band print of the page
//       becomes a print action, every dataset walk start a first action,
//       every step to the next record a next action; nothing is drawn)
//   recording --data loop done--> placed (position, bottom limit and left
//       taken from the holding band and object; replay position 0)
//   placed/paused --replay--> replaying: actions run from the replay
//       position on the page's own forming state, swapped in
//   replaying --a band does not fit--> paused (replay position stays on it)
//   replaying --a nested band's sub-reports paused--> paused with that band
//       pending; the band is resumed first when the replay goes on
//   replaying --all actions done--> finished; when all sub-reports of the
//       band are finished the actions are freed -> idle
//
// Invariants: a page is in at most one run at a time (a sub-report object
// naming a page that is already running - itself, an enclosing sub-report
// or a second object of the same band - prints nothing), which also bounds
// the nesting; the generator's forming state always belongs to the page
// whose bands print, and is put back when a replay returns.
#pragma once

#include "TrpPageGenerator.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace report {

class TrpBand;
class TrpPage;
class TrpSubReportView;

class TrpSubReportPrinter {
public:
    explicit TrpSubReportPrinter(TrpPageGenerator& generator) : gen_(generator) {}
    TrpSubReportPrinter(const TrpSubReportPrinter&) = delete;
    TrpSubReportPrinter& operator=(const TrpSubReportPrinter&) = delete;

    // True while a sub-report page's data loop is being recorded.
    bool Recording() const { return recording_ != nullptr; }
    // The recording hooks of the data loop.
    void RecordPrint(TrpBand& band);
    void RecordFirst(TrpBand& band);
    void RecordNext(TrpBand& band, bool counted);
    void RecordLineRestart(TrpBand& band);

    // Runs the sub-report objects of band, from object index first on; the
    // band is drawn at top with height on the current page. Afterwards the
    // page's CurY lies below the lowest sub-report (or the band, whichever
    // is lower) - unless the page is itself a replaying sub-report page and
    // a sub-report paused: then the band is left pending on that page.
    void Run(TrpBand& band, std::size_t first, int top, int height);
    // True while band's sub-reports wait for a page break; the band's child
    // band prints when they are done.
    bool Pending(const TrpBand& band) const { return bands_.count(&band) != 0; }

private:
    // The kinds of recorded actions; the codes are those of the action list.
    enum class TActionKind : std::uint8_t {
        Print = 0, // print the band
        First = 1, // the band's dataset walk starts
        Next = 2,  // the walk steps to the next record
        // The data band's LINE# restarts after a group break.
        RestartLine = 3,
    };
    struct TAction {
        TrpBand* Band;
        TActionKind Kind;
        // Next: the record counts (false when its subset printed nothing).
        bool Counted = true;
        // Print of a group header: its LINE# as the data loop counted it.
        int GroupLineNo = 0;
    };
    // The run-time sub-report state of one template page.
    struct TPageRun {
        TrpPage* Page = nullptr;
        bool Active = false;
        std::vector<TAction> Actions;
        std::size_t ReplayPosition = 0;
        TrpBand* Pending = nullptr;
        // The child band of a pending band, printed once that is done.
        TrpBand* PendingChild = nullptr;
        TrpFormingState Forming;
        int CurrentNo = 1; // the page's own "CURRENT#"
    };
    // One sub-report object of a running band.
    struct TSubReport {
        TPageRun* Run;
        bool Finished = false;
    };
    // A band whose sub-reports are running.
    struct TBandRun {
        std::vector<TSubReport> SubReports;
        // The band's own bottom while it is still on the page it began on.
        int Floor = 0;
        int LowestBottom = 0;
    };
    class TReplayScope;

    TPageRun* Record(TrpSubReportView& view);
    void Place(TPageRun& run, const TrpSubReportView& view, int top);
    // Moves the unfinished sub-reports of band to the current page's
    // position (after a page break).
    void MoveToCurrentPage(TBandRun& band);
    // Replays the band's sub-reports until all are finished (true) or, on
    // a replaying sub-report page, until one pauses (false: band pending).
    bool Continue(TrpBand& band);
    // Replays one page from its replay position; true when it finished.
    bool Replay(TPageRun& run);
    bool ReplayAction(TPageRun& run, const TAction& action);
    void Finish(TrpBand& band);

    TrpPageGenerator& gen_;
    std::map<const TrpPage*, TPageRun> pages_;
    std::map<const TrpBand*, TBandRun> bands_;
    TPageRun* recording_ = nullptr;
    // The sub-report page whose replay is printing right now.
    TPageRun* replaying_ = nullptr;
};

} // namespace report
