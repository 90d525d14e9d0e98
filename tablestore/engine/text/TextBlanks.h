// The table store's one definition of trimmed and blank text, and the two
// narrower trims some texts use instead.
//
// Trimmed text has lost its leading and trailing bytes 0 to 32 (the control
// bytes and the space); blank text is text that nothing is left of after
// trimming. Names looked up in a table (fields, indexes) and table paths are
// trimmed this way.
//
// Some texts lose only spaces (byte 32), TrimSpaces: field names and
// passwords of a new table, in-memory file names, keyword texts of field
// values, database and query directories, file stems of locked files.
// Number and date texts and field-name lists lose spaces and tabs (bytes 32
// and 9), TrimSpacesAndTabs. Every trim returns a view into its argument.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace tabula {

// True for the bytes trimming removes: 0 to 32.
constexpr bool IsTrimmedByte(unsigned char c) {
    return c <= 32;
}

// The text without its leading and trailing bytes 0 to 32.
inline std::string_view Trimmed(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsTrimmedByte(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && IsTrimmedByte(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// True when nothing is left after trimming.
inline bool IsBlank(std::string_view text) {
    return Trimmed(text).empty();
}

// The trimmed text in upper case (ASCII letters through std::toupper): the
// form in which names of fields and indexes are compared.
inline std::string UpperTrimmed(std::string_view text) {
    std::string out(Trimmed(text));
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The text without its leading and trailing spaces (byte 32 only).
inline std::string_view TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The text without its leading and trailing spaces and tabs (bytes 32 and 9).
inline std::string_view TrimSpacesAndTabs(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace tabula
