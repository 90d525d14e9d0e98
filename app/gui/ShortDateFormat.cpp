// The program-wide short date format, kept in the table store's process-wide
// format settings.
#include "ShortDateFormat.h"

#include "tabula/FormatSettings.h"

namespace morvane {

void SetProgramShortDateFormat() {
    tabula::TFormatSettings settings = tabula::TFormatSettings::Global();
    settings.shortDateFormat = kShortDateFormat;
    tabula::TFormatSettings::SetGlobal(settings);
}

} // namespace morvane
