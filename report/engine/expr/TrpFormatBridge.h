// The display formats as expressions call them. This is the one place the
// expression side reaches the format functions, so that their home can
// change without touching the callers.
#pragma once

#include "TrpValue.h"

#include <cstdint>
#include <string>

namespace report {

std::string FormatValueText(const TrpValue& value, std::int32_t formatCode,
                            const std::string& pattern);
std::string FormatFloatText(const std::string& pattern, double value);
std::string FormatDateTimeText(const std::string& pattern, const TrpValue& value);
std::string FormatMaskedText(const std::string& mask, const std::string& text);
// Reads an inline format (the text after " #" in a bracket) into a format
// code and pattern.
void ParseInlineFormatText(const std::string& text, std::int32_t& code, std::string& pattern);

} // namespace report
