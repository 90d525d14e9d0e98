// Scanning helpers for expression text.
#include "TrpExpressionText.h"

#include <cctype>

namespace report {

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '"' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsIdentPart(char c) {
    return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '#';
}

std::string TrimText(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

std::size_t SkipQuoted(const std::string& text, std::size_t pos) {
    char quote = text[pos];
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != quote)
            continue;
        if (quote == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return std::string::npos;
}

namespace {

// The closing partner of the opening bracket at pos, skipping quoted texts.
// squareOnly counts "[" and "]" alone; otherwise brackets of either kind
// count towards one depth (a text mixing them badly is caught when its
// parts are parsed).
std::size_t FindMatching(const std::string& text, std::size_t pos, bool squareOnly) {
    int depth = 0;
    for (std::size_t i = pos; i < text.size();) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            i = SkipQuoted(text, i);
            if (i == std::string::npos)
                return std::string::npos;
            continue;
        }
        const bool opens = c == '[' || (!squareOnly && c == '(');
        const bool closes = c == ']' || (!squareOnly && c == ')');
        if (opens)
            ++depth;
        else if (closes && --depth == 0)
            return i;
        ++i;
    }
    return std::string::npos;
}

} // namespace

std::size_t FindClosing(const std::string& text, std::size_t pos) {
    return FindMatching(text, pos, false);
}

std::size_t FindClosingBracket(const std::string& text, std::size_t pos) {
    return FindMatching(text, pos, true);
}

std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts;
    if (TrimText(text).empty())
        return parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            std::size_t end = SkipQuoted(text, i);
            i = end == std::string::npos ? text.size() : end;
            continue;
        }
        if (c == '(' || c == '[') {
            std::size_t end = FindClosing(text, i);
            i = end == std::string::npos ? text.size() : end + 1;
            continue;
        }
        if (c == ',') {
            parts.push_back(TrimText(text.substr(start, i - start)));
            start = i + 1;
        }
        ++i;
    }
    parts.push_back(TrimText(text.substr(start)));
    return parts;
}

} // namespace report
