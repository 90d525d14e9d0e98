// Conversions of report values for property access.
#include "TrpValueConvert.h"

#include "tabula/Component.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace report {

namespace {

double TextToReal(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return 0;
    double result = 0;
    auto [end, ec] = std::from_chars(text.data() + begin, text.data() + text.size(), result);
    (void)end;
    return ec == std::errc() ? result : 0;
}

std::int64_t RealToInt(double value) {
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace

std::int64_t ValueToInt(const TrpValue& value) {
    if (auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (auto* b = std::get_if<bool>(&value))
        return *b ? 1 : 0;
    return RealToInt(ValueToReal(value));
}

double ValueToReal(const TrpValue& value) {
    if (auto* d = std::get_if<double>(&value))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&value))
        return static_cast<double>(*i);
    if (auto* b = std::get_if<bool>(&value))
        return *b ? 1 : 0;
    if (auto* c = std::get_if<tabula::TCurrencyValue>(&value))
        return static_cast<double>(c->scaled) / 10000.0;
    if (auto* t = std::get_if<tabula::TDateTime>(&value))
        return t->value;
    if (auto* s = std::get_if<std::string>(&value))
        return TextToReal(*s);
    return 0;
}

bool ValueToBool(const TrpValue& value) {
    if (auto* b = std::get_if<bool>(&value))
        return *b;
    if (auto* s = std::get_if<std::string>(&value)) {
        if (tabula::SameName(*s, "TRUE"))
            return true;
        if (tabula::SameName(*s, "FALSE"))
            return false;
    }
    return ValueToReal(value) != 0;
}

std::string ValueToText(const TrpValue& value) {
    if (auto* s = std::get_if<std::string>(&value))
        return *s;
    if (auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (auto* b = std::get_if<bool>(&value))
        return *b ? "True" : "False";
    if (std::holds_alternative<std::monostate>(value))
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", ValueToReal(value));
    return buffer;
}

std::string JoinLines(const TrpStrings& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

TrpStrings SplitLines(const std::string& text) {
    TrpStrings lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace report
