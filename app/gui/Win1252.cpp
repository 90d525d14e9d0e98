// TWin1252: Windows-1252 conversion. The 128 upper byte values are decoded
// once through an ICU converter into a table; encoding searches that table.
#include "Win1252.h"

#include <array>
#include <unicode/ucnv.h>

namespace morvane {

namespace {

// The bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in the code
// page; they stand for themselves.
bool IsUnassigned(unsigned b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

using Table = std::array<char16_t, 256>;

Table BuildTable() {
    Table t{};
    for (unsigned b = 0; b < 256; ++b)
        t[b] = static_cast<char16_t>(b);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-1252", &status);
    if (U_FAILURE(status))
        return t; // Latin-1 stands in when ICU lacks the converter
    for (unsigned b = 0x80; b < 256; ++b) {
        if (IsUnassigned(b))
            continue;
        const char in = static_cast<char>(b);
        UChar u[2];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(conv, u, 2, &in, 1, &status);
        if (U_SUCCESS(status) && n == 1)
            t[b] = u[0];
    }
    ucnv_close(conv);
    return t;
}

const Table& DecodeTable() {
    static const Table table = BuildTable();
    return table;
}

} // namespace

QString TWin1252::Decode(const std::string& bytes) {
    const Table& t = DecodeTable();
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
        out.append(QChar(t[static_cast<unsigned char>(c)]));
    return out;
}

std::string TWin1252::Encode(const QString& text) {
    const Table& t = DecodeTable();
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        char b = '?';
        if (u < 0x80) {
            b = static_cast<char>(u);
        } else {
            for (unsigned i = 0x80; i < 256; ++i)
                if (t[i] == u) {
                    b = static_cast<char>(i);
                    break;
                }
        }
        out.push_back(b);
    }
    return out;
}

} // namespace morvane
