// TrpPrintRequest: what the print dialog hands to the print job: the page
// list text, copies, collation and the odd/even selection.
#pragma once

#include <string>

namespace report {

// The entries of the dialog's "Print" list, in its order.
enum class TrpPageSelection { AllPages = 0, OddPages = 1, EvenPages = 2 };

struct TrpPrintRequest {
    std::string pageList;
    int copies = 1;
    bool collate = true;
    TrpPageSelection selection = TrpPageSelection::AllPages;
};

} // namespace report
