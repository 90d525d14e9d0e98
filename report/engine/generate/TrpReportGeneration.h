// The report operations of generation: BuildPages turns a loaded template
// into the report's generated pages (report.EMFPages()); ShowPages hands
// them to the report's "Preview" control or to the installed preview sink;
// RunReport is BuildPages followed by ShowPages.
//
// One report generates at a time, on the user-interface thread. A
// calculation error is shown in a message box captioned "Error" (through
// the message-box seam) and leaves no pages; LastGenerationError tells the
// text to callers without a window.
#pragma once

#include <string>

namespace report {

class TrpReport;

// False when the user cancelled the progress window.
bool BuildPages(TrpReport& report);
void ShowPages(TrpReport& report);
void RunReport(TrpReport& report);

// The composed calculation-error text of the last BuildPages; empty when it
// had none.
const std::string& LastGenerationError();

} // namespace report
