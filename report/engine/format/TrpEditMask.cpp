// Edit masks (the language is described in TrpFormat.h): the mask is read
// into a row of cells, each a position for one character of the text or a
// literal, and the text is laid into the positions. The result has exactly
// one character per cell.
#include "TrpFormat.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace report {

namespace {

constexpr char kEscape = '\\';
constexpr char kFieldSeparator = ';';
constexpr char kKeepNoLiterals = '0';
constexpr char kDefaultBlank = ' ';

enum class CaseMode { None, Upper, Lower };

struct MaskCell {
    bool position = false;
    char literal = 0;
    CaseMode caseMode = CaseMode::None;
};

struct ParsedMask {
    std::vector<MaskCell> cells;
    bool fillFromEnd = false;
    bool keepLiterals = false;
    char blank = kDefaultBlank;
};

bool IsPositionCharacter(char c) {
    return std::string_view("09#LlAaCc").find(c) != std::string_view::npos;
}

// The mask's fields at unescaped ";": mask, keep flag, blank character.
std::vector<std::string_view> SplitFields(std::string_view mask) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == kEscape) {
            ++i;
        } else if (mask[i] == kFieldSeparator) {
            fields.push_back(mask.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.push_back(mask.substr(start));
    return fields;
}

ParsedMask Parse(std::string_view maskText) {
    const std::vector<std::string_view> fields = SplitFields(maskText);
    ParsedMask parsed;
    parsed.keepLiterals =
        fields.size() > 1 && !fields[1].empty() && fields[1][0] != kKeepNoLiterals;
    if (fields.size() > 2 && !fields[2].empty())
        parsed.blank = fields[2][0];
    const auto settings = TrpFormatSettings::Current();
    const std::string_view mask = fields[0];
    CaseMode caseMode = CaseMode::None;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        MaskCell cell;
        if (c == kEscape) {
            if (++i >= mask.size())
                break;
            cell.literal = mask[i];
        } else if (c == '>' || c == '<') {
            const bool pair = i + 1 < mask.size() && mask[i + 1] == (c == '>' ? '<' : '>');
            caseMode = pair ? CaseMode::None : c == '>' ? CaseMode::Upper : CaseMode::Lower;
            i += pair ? 1 : 0;
            continue;
        } else if (c == '!') {
            parsed.fillFromEnd = true;
            continue;
        } else if (IsPositionCharacter(c)) {
            cell.position = true;
            cell.caseMode = caseMode;
        } else if (c == '_') {
            cell.literal = ' ';
        } else if (c == '/') {
            cell.literal = settings->dateSeparator;
        } else if (c == ':') {
            cell.literal = settings->timeSeparator;
        } else {
            cell.literal = c;
        }
        parsed.cells.push_back(cell);
    }
    return parsed;
}

char Cased(char c, CaseMode mode) {
    const auto byte = static_cast<unsigned char>(c);
    if (mode == CaseMode::Upper)
        return static_cast<char>(std::toupper(byte));
    if (mode == CaseMode::Lower)
        return static_cast<char>(std::tolower(byte));
    return c;
}

} // namespace

std::string FormatText(const std::string& mask, const std::string& text) {
    const ParsedMask parsed = Parse(mask);
    // The text characters that go to positions, each with its cell, and the
    // number of cells they are aligned against.
    std::size_t slots = parsed.cells.size();
    if (!parsed.keepLiterals) {
        slots = 0;
        for (const MaskCell& cell : parsed.cells)
            slots += cell.position ? 1 : 0;
    }
    const std::size_t skip = parsed.fillFromEnd && text.size() < slots ? slots - text.size() : 0;

    std::string out;
    out.reserve(parsed.cells.size());
    std::size_t slot = 0;
    for (const MaskCell& cell : parsed.cells) {
        const bool consumes = parsed.keepLiterals || cell.position;
        const std::size_t at = slot - skip;
        const bool has = consumes && slot >= skip && at < text.size();
        if (cell.position)
            out += has ? Cased(text[at], cell.caseMode) : parsed.blank;
        else
            out += cell.literal;
        slot += consumes ? 1 : 0;
    }
    return out;
}

} // namespace report
