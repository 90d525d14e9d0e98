// The program-wide short date format. Each window of the program sets it
// when it is created, so every date turned into text (by the table store
// and, through it, by the reports) reads day/month/year, whatever the
// machine's locale.
#pragma once

namespace morvane {

inline constexpr const char* kShortDateFormat = "dd/mm/yyyy";

// Makes kShortDateFormat the short date format of the process-wide format
// settings; the other settings stay as they are.
void SetProgramShortDateFormat();

} // namespace morvane
