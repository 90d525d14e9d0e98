// The report engine's windows, installed together by a program that has a
// display: the preview window behind the engine's preview seam, the progress
// window behind its progress seam, and the print dialog behind the preview's
// Print button.
#pragma once

namespace report {

// Installs all three for the life of the program; the desktop program calls
// it once at start. Calling it again changes nothing.
void InstallReportWindows();

} // namespace report
