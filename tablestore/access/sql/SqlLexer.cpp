// The SQL tokenizer.
#include "SqlLexer.h"

#include "SqlError.h"
#include "TextBlanks.h"

#include <algorithm>

namespace tabula {

namespace {

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string Cut(std::string_view text) {
    return std::string(text.substr(0, kSqlTokenTextMax));
}

unsigned char At(const std::string& text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

} // namespace

bool SqlIsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 129 && c <= 254);
}

bool SqlEqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

// The statement ends at its first zero byte, so the blanks between tokens
// are the trimmed bytes 1 to 32 (TextBlanks.h).
void TSqlLexer::Load(std::string_view text) {
    const std::size_t zero = text.find('\0');
    text_.assign(text.substr(0, zero));
    pos_ = 0;
    token_ = TSqlToken{};
}

void TSqlLexer::Next() {
    token_ = Scan(pos_);
}

TSqlToken TSqlLexer::Peek() const {
    std::size_t pos = pos_;
    return Scan(pos);
}

bool TSqlLexer::IsKeyword(std::string_view keyword) const {
    return (token_.kind == kTokSymbol || token_.kind == kTokBracketed) &&
           SqlEqualsIgnoreCase(token_.text, keyword);
}

std::string TSqlLexer::SourceFrom(std::size_t mark) const {
    std::size_t begin = std::min(mark, text_.size());
    std::size_t end = std::min(token_.start, text_.size());
    while (begin < end && IsTrimmedByte(At(text_, begin)))
        ++begin;
    while (end > begin && IsTrimmedByte(At(text_, end - 1)))
        --end;
    if (end - begin > kSqlSourceTextMax)
        RaiseSqlError("Source column expression exceeds maximum expression length of " +
                      std::to_string(kSqlSourceTextMax) + " characters");
    return text_.substr(begin, end - begin);
}

TSqlToken TSqlLexer::Scan(std::size_t& pos) const {
    const std::size_t n = text_.size();
    while (pos < n && IsTrimmedByte(At(text_, pos)))
        ++pos;
    if (At(text_, pos) == '/' && At(text_, pos + 1) == '*') {
        const std::size_t close = text_.find("*/", pos + 2);
        if (close == std::string::npos)
            RaiseSqlError("Missing ending comment slash and asterisk in SQL statement");
        pos = close + 2;
        while (pos < n && IsTrimmedByte(At(text_, pos)))
            ++pos;
    }

    TSqlToken t;
    t.start = pos;
    if (pos >= n) {
        t.kind = kTokEnd;
        return t;
    }
    const unsigned char c = At(text_, pos);
    if (SqlIsLetter(c) || c == '_') {
        std::size_t end = pos + 1;
        while (end < n &&
               (SqlIsLetter(At(text_, end)) || IsDigit(At(text_, end)) || At(text_, end) == '_'))
            ++end;
        t.kind = kTokSymbol;
        t.text = Cut(std::string_view(text_).substr(pos, end - pos));
        pos = end;
        return t;
    }
    if (c == '[') {
        const std::size_t close = text_.find(']', pos + 1);
        if (close == std::string::npos)
            RaiseSqlError("Missing right bracket after '" +
                          Cut(std::string_view(text_).substr(pos + 1)) + "' in SQL statement");
        t.kind = kTokBracketed;
        t.text = Cut(std::string_view(text_).substr(pos + 1, close - pos - 1));
        pos = close + 1;
        return t;
    }
    if (c == '\'' || c == '"') {
        std::size_t i = pos + 1;
        for (;;) {
            if (i >= n)
                RaiseSqlError(std::string(c == '\'' ? "Missing single quote after '"
                                                    : "Missing double quote after '") +
                              Cut(std::string_view(text_).substr(pos + 1)) + "' in SQL statement");
            if (At(text_, i) == c) {
                if (At(text_, i + 1) == c) {
                    i += 2; // a doubled quote stays inside the text
                    continue;
                }
                break;
            }
            ++i;
        }
        t.kind = kTokQuoted;
        t.quote = static_cast<char>(c);
        t.text = Cut(std::string_view(text_).substr(pos + 1, i - pos - 1));
        pos = i + 1;
        return t;
    }
    if (IsDigit(c)) {
        std::size_t end = pos + 1;
        bool digitsOnly = true;
        while (end < n) {
            const unsigned char d = At(text_, end);
            if (IsDigit(d)) {
                ++end;
            } else if (d == '.' || d == 'E' || d == 'e') {
                digitsOnly = false;
                ++end;
            } else if ((d == '+' || d == '-') &&
                       (At(text_, end - 1) == 'E' || At(text_, end - 1) == 'e')) {
                ++end;
            } else {
                break;
            }
        }
        t.kind = digitsOnly ? kTokInteger : kTokNumber;
        t.text = Cut(std::string_view(text_).substr(pos, end - pos));
        pos = end;
        return t;
    }
    t.kind = c;
    t.text = std::string(1, static_cast<char>(c));
    pos += 1;
    return t;
}

} // namespace tabula
