// The checker's one definition of trimmed and blank text, and the narrower
// trim the settings files use.
//
// Trimmed text has lost its leading and trailing bytes 0 to 32 (the control
// bytes and the space); blank text is text that nothing is left of after
// trimming. This is the same rule as the table store's (which keeps its own
// copy behind its private headers). Settings-file lines, section names, keys
// and values lose only spaces and tabs (bytes 32 and 9): TrimSpacesAndTabs.
// All functions return views into their argument and are byte-based.
#pragma once

#include <string_view>

namespace morvane {

// The text without its leading and trailing bytes of value 0 to 32.
inline std::string_view Trimmed(std::string_view text) {
    constexpr unsigned char kHighestTrimmedByte = 32;
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= kHighestTrimmedByte) {
        ++b;
    }
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= kHighestTrimmedByte) {
        --e;
    }
    return text.substr(b, e - b);
}

// True when nothing is left after trimming.
inline bool IsBlank(std::string_view text) {
    return Trimmed(text).empty();
}

// The text without its leading and trailing spaces and tabs (bytes 32 and 9).
inline std::string_view TrimSpacesAndTabs(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace morvane
