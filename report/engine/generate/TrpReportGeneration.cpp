// Placeholder of the generation engine's entry points: builds no pages.
#include "TrpReportGeneration.h"

#include "TrpReport.h"

namespace report {

namespace {
std::string g_lastError;
}

bool BuildPages(TrpReport& /*report*/) { return true; }
void ShowPages(TrpReport& /*report*/) {}
void RunReport(TrpReport& report) {
    if (BuildPages(report))
        ShowPages(report);
}
const std::string& LastGenerationError() { return g_lastError; }

} // namespace report
