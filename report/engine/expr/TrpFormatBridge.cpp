// The display formats as expressions call them: a plain rendering until
// the format functions join the engine (numbers with their decimals and
// separator, booleans by their choice text, everything else as text).
#include "TrpFormatBridge.h"

#include "TrpExpressionText.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace report {

namespace {

constexpr int kCategoryNumber = 1;
constexpr int kCategoryBoolean = 4;
constexpr int kIndexCustom = 4;

std::string Fixed(double value, int decimals, char separator) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals < 0 ? 0 : decimals % 20, value);
    std::string text = buffer;
    for (char& c : text)
        if (c == '.')
            c = separator;
    return text;
}

// Decimals of a custom number pattern: the digits after its ".".
int PatternDecimals(const std::string& pattern) {
    std::size_t dot = pattern.find('.');
    if (dot == std::string::npos)
        return 0;
    int n = 0;
    for (std::size_t i = dot + 1; i < pattern.size() && (pattern[i] == '0' || pattern[i] == '#');
         ++i)
        ++n;
    return n;
}

} // namespace

std::string FormatValueText(const TrpValue& value, std::int32_t code, const std::string& pattern) {
    if (value.IsNull() || value.IsEmpty())
        return {};
    if (value.IsText() && TrimText(value.AsText()).empty())
        return {};
    int category = (code >> 24) & 0x0F;
    int index = (code >> 16) & 0xFF;
    int decimals = (code >> 8) & 0xFF;
    char separator = static_cast<char>(code & 0xFF);
    if (category == kCategoryNumber) {
        auto number = value.TryToReal();
        if (!number)
            return value.ToText();
        if (index == kIndexCustom)
            decimals = PatternDecimals(pattern);
        return Fixed(*number, decimals, separator ? separator : '.');
    }
    if (category == kCategoryBoolean) {
        auto number = value.TryToReal();
        if (!number)
            return value.ToText();
        std::string choice = index == kIndexCustom ? pattern : "False;True";
        std::size_t semi = choice.find(';');
        if (*number != 0)
            return semi == std::string::npos ? std::string() : choice.substr(semi + 1, 255);
        return choice.substr(0, semi);
    }
    return value.ToText();
}

std::string FormatFloatText(const std::string& pattern, double value) {
    return Fixed(value, PatternDecimals(pattern), '.');
}

std::string FormatDateTimeText(const std::string&, const TrpValue& value) {
    return value.ToText();
}

std::string FormatMaskedText(const std::string&, const std::string& text) {
    return text;
}

void ParseInlineFormatText(const std::string& raw, std::int32_t& code, std::string& pattern) {
    std::string text = raw;
    if (text.empty())
        return;
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        text = "N" + text;
    char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (kind == 'N') {
        // A digit after "N" asks for fixed notation, except in a pattern
        // made of zeros only ("N0.00"), which is a custom pattern.
        bool fixed = text.size() > 1 && std::isdigit(static_cast<unsigned char>(text[1])) &&
                     text.find_first_not_of("0.,-", 1) != std::string::npos;
        char separator = '.';
        for (std::size_t i = text.size() - 1; i >= 1; --i) {
            if (text[i] == ',' || text[i] == '-' || text[i] == '.') {
                separator = text[i];
                text[i] = '.';
                break;
            }
        }
        int decimals = 0;
        if (fixed) {
            std::size_t dot = text.find('.');
            if (dot != std::string::npos)
                decimals = std::atoi(text.c_str() + dot + 1) & 0xFF;
        }
        code = (kCategoryNumber << 24) | ((fixed ? 1 : kIndexCustom) << 16) | (decimals << 8) |
               static_cast<unsigned char>(separator);
        pattern = fixed ? std::string() : text.substr(1);
    } else if (kind == 'D' || kind == 'T') {
        code = ((kind == 'D' ? 2 : 3) << 24) | (kIndexCustom << 16);
        pattern = text.substr(1);
    } else if (kind == 'B') {
        code = (kCategoryBoolean << 24) | (kIndexCustom << 16);
        pattern = text.substr(1);
    }
}

} // namespace report
