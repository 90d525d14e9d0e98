// TrpMemoLayoutState: the working state of a text object between measuring,
// printing and drawing.
//
// Modes: Normal (nothing done yet) -> Measured (CalcHeight ran the script
// and expanded the memo; printing must not repeat that and uses the kept
// lines) -> SplitPart (parts of the kept lines are being printed across
// pages; each part takes the lines that fit and leaves the rest kept).
// The generation engine returns the object to Normal when it is done with
// it.
#pragma once

#include "TrpObjectCodes.h"

#include <cstdint>

namespace report {

enum class TrpLayoutMode : std::uint8_t { Normal = 0, Measured = 1, SplitPart = 2 };

struct TrpMemoLayoutState {
    TrpLayoutMode Mode = TrpLayoutMode::Normal;
    // Set while the object is printed into a generated page: line output
    // then stops at the first line that does not fit.
    bool Printing = false;
    // Lines output by the last draw.
    int LinesPrinted = 0;
    // Height of the laid-out text including both insets, from the last
    // layout.
    int TextHeight = 0;
    // The evaluated text carried paragraph marks (a further part of a
    // split object) and was taken line for line.
    bool AlreadyWrapped = false;
    // The laid-out lines measuring produced, less the parts printed since.
    TrpStrings KeptLines;
};

} // namespace report
