// Decoding by character set: one 256-entry table per code page, built once
// through an ICU converter.
#include "TrpTextCodec.h"

#include <array>
#include <map>
#include <unicode/ucnv.h>

namespace report {

namespace {

using Table = std::array<char16_t, 256>;

// Windows character-set codes and their code pages.
const char* CodePageOf(std::int16_t charset) {
    switch (charset) {
    case 161:
        return "windows-1253"; // Greek
    case 162:
        return "windows-1254"; // Turkish
    case 163:
        return "windows-1258"; // Vietnamese
    case 177:
        return "windows-1255"; // Hebrew
    case 178:
        return "windows-1256"; // Arabic
    case 186:
        return "windows-1257"; // Baltic
    case 204:
        return "windows-1251"; // Russian
    case 238:
        return "windows-1250"; // Eastern Europe
    default:
        return "windows-1252";
    }
}

Table BuildTable(const char* codePage) {
    Table t{};
    for (unsigned b = 0; b < 256; ++b)
        t[b] = static_cast<char16_t>(b);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(codePage, &status);
    if (U_FAILURE(status))
        return t;
    for (unsigned b = 0x80; b < 256; ++b) {
        const char in = static_cast<char>(b);
        UChar u[2];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(conv, u, 2, &in, 1, &status);
        // An unassigned byte decodes to the substitution character.
        if (U_SUCCESS(status) && n == 1 && u[0] != 0xFFFD && u[0] != 0x1A)
            t[b] = u[0];
    }
    ucnv_close(conv);
    return t;
}

const Table& TableOf(std::int16_t charset) {
    // Built on the one user-interface thread, like every drawing.
    static std::map<std::string, Table> tables;
    const char* codePage = CodePageOf(charset);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, BuildTable(codePage)).first;
    return it->second;
}

} // namespace

QString DecodeReportText(std::string_view bytes, std::int16_t charset) {
    const Table& t = TableOf(charset);
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
        out.append(QChar(t[static_cast<unsigned char>(c)]));
    return out;
}

} // namespace report
