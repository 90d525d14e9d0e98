// Writing dates and times as text by a format pattern of the process-wide
// format settings (reading them is TFormatSettings' job).
//
// Pattern letters: d / dd day, m / mm month, yy / yyyy year, h / hh hour,
// n / nn minute, s / ss second, z / zzz millisecond, "/" the date separator,
// ":" the time separator, "ampm" the AM or PM string (the hour then counts
// 1..12); text in double or single quotes is copied; every other character
// is copied as it is.
#pragma once

#include "FieldValue.h"
#include "FormatSettings.h"

#include <string>

namespace tabula {

std::string FormatDateTimeText(const std::string& pattern, const TDateTimeParts& parts,
                               const TFormatSettings& settings);

} // namespace tabula
