// Latin-1 bytes to JSON string literals; see JsonText.h.
#include "JsonText.h"

namespace morvane {

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7f) {
                out += "\\u00";
                out.push_back(kHex[b >> 4]);
                out.push_back(kHex[b & 0xf]);
            } else if (b < 0x80) {
                out.push_back(static_cast<char>(b));
            } else {
                // Two-byte UTF-8 form of U+0080..U+00FF.
                out.push_back(static_cast<char>(0xc0 | (b >> 6)));
                out.push_back(static_cast<char>(0x80 | (b & 0x3f)));
            }
        }
    }
    out.push_back('"');
}

} // namespace morvane
