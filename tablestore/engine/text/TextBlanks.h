// Blank trimming shared by the engine's name and text handling: names of
// tables, fields, passwords and descriptor texts lose leading and trailing
// spaces (byte 32 only) before they are compared or stored.
#pragma once

#include <string>

namespace tabula {

inline std::string TrimBlanks(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    return text.substr(first, last - first);
}

} // namespace tabula
