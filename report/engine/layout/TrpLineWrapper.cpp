// Line wrapping of one text line. Positions are 0-based here: start is the
// first character of the line being built, cut the last blank seen since
// then (or start itself when there was none).
#include "TrpLineWrapper.h"

#include "TrpHyphenation.h"
#include "TrpParagraphMark.h"

namespace report {

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Characters that end a word for hyphenation.
bool EndsWord(char c) {
    return c == ' ' || c == ',' || c == '-' || c == '.' || IsLineEnd(c);
}

std::string Piece(std::string_view text, std::size_t from, std::size_t to) {
    return std::string(text.substr(from, to - from));
}

} // namespace

int TrpLineWrapper::HyphenCut(std::string_view text, std::size_t start, std::size_t blank,
                              std::size_t over) const {
    // The word starts after the blank, or at the line start when the line
    // has no blank yet.
    const std::size_t wordStart = text[blank] == ' ' ? blank + 1 : blank;
    std::size_t wordEnd = over;
    while (wordEnd < text.size() && !EndsWord(text[wordEnd]))
        ++wordEnd;
    if (wordStart >= wordEnd)
        return -1;
    int best = -1;
    for (int point : HyphenationPoints(text.substr(wordStart, wordEnd - wordStart))) {
        const std::size_t last = wordStart + static_cast<std::size_t>(point) - 1;
        if (Fits(Piece(text, start, last + 1) + "-"))
            best = static_cast<int>(last);
    }
    return best;
}

void TrpLineWrapper::Wrap(std::string_view text, TrpStrings& out) const {
    const std::size_t n = text.size();
    bool hasLineEnd = false;
    for (char c : text)
        hasLineEnd = hasLineEnd || IsLineEnd(c);
    if (!hasLineEnd && (n <= 1 || Fits(text))) {
        out.push_back(std::string(text) + kParagraphMark);
        return;
    }
    std::size_t start = 0, cut = 0, i = 0;
    while (i < n) {
        const char c = text[i];
        if (IsLineEnd(c)) {
            out.push_back(Piece(text, start, i) + kParagraphMark);
            while (i < n && IsLineEnd(text[i]))
                ++i;
            if (i == n)
                return;
            start = cut = i;
            continue;
        }
        if (c == ' ') {
            cut = i;
            ++i;
            continue;
        }
        if (Fits(text.substr(start, i - start + 1))) {
            ++i;
            continue;
        }
        if (wordBreak_) {
            const int last = HyphenCut(text, start, cut, i);
            if (last >= 0) {
                const auto kept = static_cast<std::size_t>(last);
                out.push_back(Piece(text, start, kept + 1) + "-");
                start = cut = i = kept + 1;
                continue;
            }
        }
        if (cut == start)
            cut = i;
        out.push_back(text[cut] == ' ' ? Piece(text, start, cut) : Piece(text, start, cut + 1));
        start = cut = cut + 1;
        ++i;
    }
    if (start < n)
        out.push_back(Piece(text, start, n) + kParagraphMark);
}

} // namespace report
