// JSON string literals for single-byte text: every byte becomes the Unicode
// character of the same number (U+0000..U+00FF, Latin-1), written as UTF-8,
// so a reader can recover every byte of a registration file exactly.
// Quotes, backslashes and control characters (below 32, and 127) are escaped.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Appends `text` as a quoted JSON string to `out`.
void AppendJsonString(std::string& out, std::string_view text);

} // namespace morvane
