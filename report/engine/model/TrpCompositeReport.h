// TrpCompositeReport: a report that generates a list of other reports one
// after another into its own generated pages. The list is borrowed: the
// reports belong to their own owners.
#pragma once

#include "TrpReport.h"

#include <vector>

namespace report {

class TrpCompositeReport : public TrpReport {
public:
    using TrpReport::TrpReport;

    std::vector<TrpReport*> Reports;
};

} // namespace report
