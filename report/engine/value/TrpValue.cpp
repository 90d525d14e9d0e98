// Report values: conversions, arithmetic and comparison.
#include "TrpValue.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>

namespace report {

namespace {

// Days from 0001-01-01 to 1899-12-30, the day-number origin of date-times.
constexpr std::int64_t kCivilDaysToOrigin = 693594;
constexpr double kSecondsPerDay = 86400.0;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::int64_t ClipToInt(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(value));
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Day number (days since 1899-12-30) of a valid civil date.
double DayNumber(int y, int m, int d) {
    std::int64_t years = y - 1;
    std::int64_t days = years * 365 + years / 4 - years / 100 + years / 400;
    for (int i = 1; i < m; ++i)
        days += DaysInMonth(y, i);
    days += d - 1;
    return static_cast<double>(days - kCivilDaysToOrigin + 1);
}

// Reads an unsigned decimal at text[pos...]; false when no digit is there
// or it has more than maxDigits digits.
bool ReadPart(const std::string& text, std::size_t& pos, int maxDigits, int& out) {
    std::size_t start = pos;
    out = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (static_cast<int>(pos - start) >= maxDigits)
            return false;
        out = out * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

std::optional<double> ReadTime(const std::string& text, std::size_t pos) {
    int h = 0, n = 0, s = 0;
    if (!ReadPart(text, pos, 2, h) || pos >= text.size() || text[pos] != ':')
        return std::nullopt;
    ++pos;
    if (!ReadPart(text, pos, 2, n))
        return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!ReadPart(text, pos, 2, s))
            return std::nullopt;
    }
    if (pos != text.size() || h > 23 || n > 59 || s > 59)
        return std::nullopt;
    return (h * 3600.0 + n * 60.0 + s) / kSecondsPerDay;
}

// Integer arithmetic of + - * with the overflow check; nullopt on overflow.
std::optional<std::int64_t> IntegerOp(char op, std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    bool overflow = op == '+'   ? __builtin_add_overflow(a, b, &r)
                    : op == '-' ? __builtin_sub_overflow(a, b, &r)
                                : __builtin_mul_overflow(a, b, &r);
    if (overflow)
        return std::nullopt;
    return r;
}

bool IsIntegral(const TrpValue& v) {
    return v.IsInteger() || v.IsBoolean() || v.IsEmpty();
}

std::int64_t IntegralOf(const TrpValue& v) {
    if (v.IsInteger())
        return v.AsInteger();
    if (v.IsBoolean())
        return v.AsBoolean() ? 1 : 0;
    return 0;
}

// + - * on operands that are not both texts.
TrpValue NumericOp(char op, const TrpValue& a, const TrpValue& b) {
    if (a.IsNull() || b.IsNull())
        return TrpValue::Null();
    if (IsIntegral(a) && IsIntegral(b)) {
        if (auto r = IntegerOp(op, IntegralOf(a), IntegralOf(b)))
            return *r;
    }
    double x = a.ToReal(), y = b.ToReal();
    double r = op == '+' ? x + y : op == '-' ? x - y : x * y;
    if (op != '*' && (a.IsDateTime() != b.IsDateTime()))
        return TrpValue::DateTime(r);
    return r;
}

} // namespace

TrpValue TrpValue::FromVariant(const tabula::TVariant& value) {
    if (std::holds_alternative<std::monostate>(value))
        return Null();
    if (auto* b = std::get_if<bool>(&value))
        return *b;
    if (auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (auto* d = std::get_if<double>(&value))
        return *d;
    if (auto* c = std::get_if<tabula::TCurrencyValue>(&value))
        return static_cast<double>(c->scaled) / 10000.0;
    if (auto* t = std::get_if<tabula::TDateTime>(&value))
        return DateTime(t->value);
    return std::get<std::string>(value);
}

bool TrpValue::IsNumeric() const {
    return IsInteger() || IsReal() || IsBoolean() || IsDateTime();
}

std::optional<double> TextToNumber(const std::string& raw) {
    std::string text = Trim(raw);
    if (text.empty())
        return std::nullopt;
    std::string normal;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-')
        normal += text[i++];
    bool digits = false, separator = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits = true;
            normal += c;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
            normal += '.';
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            normal += text[i++];
        std::size_t expStart = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            normal += text[i++];
        if (i == expStart)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return std::strtod(normal.c_str(), nullptr);
}

std::string RealToText(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";
    char buffer[64];
    double magnitude = std::fabs(value);
    if (magnitude >= 1e-5 && magnitude < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string text = buffer;
    std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    int exponent = std::atoi(text.c_str() + e + 1);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0')
            mantissa.pop_back();
        if (mantissa.back() == '.')
            mantissa.pop_back();
    }
    return mantissa + "E" + std::to_string(exponent);
}

TrpCivilDate CivilDateOf(double days) {
    // Day numbers outside 0001-01-01 .. 9999-12-31 clip to those ends.
    constexpr double kFirst = 1 - kCivilDaysToOrigin, kLast = 2958465;
    double whole = std::floor(std::isnan(days) ? 0 : days);
    whole = whole < kFirst ? kFirst : whole > kLast ? kLast : whole;
    auto n = static_cast<std::int64_t>(whole) + kCivilDaysToOrigin - 1;
    TrpCivilDate date;
    date.year = 1 + static_cast<int>(n / 146097 * 400);
    n %= 146097;
    while (n >= (IsLeapYear(date.year) ? 366 : 365)) {
        n -= IsLeapYear(date.year) ? 366 : 365;
        ++date.year;
    }
    date.month = 1;
    while (n >= DaysInMonth(date.year, date.month)) {
        n -= DaysInMonth(date.year, date.month);
        ++date.month;
    }
    date.day = static_cast<int>(n) + 1;
    return date;
}

std::string DateTimeToText(double days) {
    if (!std::isfinite(days))
        return RealToText(days);
    double whole = std::floor(days);
    auto seconds = static_cast<std::int64_t>(std::llround((days - whole) * kSecondsPerDay));
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    char buffer[48];
    std::string text;
    if (whole != 0) {
        TrpCivilDate date = CivilDateOf(whole);
        std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", date.day, date.month, date.year);
        text = buffer;
    }
    if (seconds != 0 || text.empty()) {
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
        text += (text.empty() ? "" : " ") + std::string(buffer);
    }
    return text;
}

std::optional<double> TextToDateTime(const std::string& raw) {
    std::string text = Trim(raw);
    if (text.find(':') != std::string::npos && text.find(' ') == std::string::npos)
        return ReadTime(text, 0);
    std::size_t pos = 0;
    int d = 0, m = 0, y = 0;
    if (!ReadPart(text, pos, 2, d) || pos >= text.size())
        return std::nullopt;
    char sep = text[pos];
    if (sep != '.' && sep != '/' && sep != '-')
        return std::nullopt;
    ++pos;
    if (!ReadPart(text, pos, 2, m) || pos >= text.size() || text[pos] != sep)
        return std::nullopt;
    ++pos;
    if (!ReadPart(text, pos, 4, y))
        return std::nullopt;
    if (y < 100)
        y += y < 50 ? 2000 : 1900;
    if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
        return std::nullopt;
    double date = DayNumber(y, m, d);
    if (pos == text.size())
        return date;
    if (text[pos] != ' ')
        return std::nullopt;
    auto time = ReadTime(Trim(text.substr(pos)), 0);
    if (!time)
        return std::nullopt;
    return date + *time;
}

std::optional<double> TrpValue::TryToReal() const {
    switch (Kind()) {
    case TrpValueKind::Empty:
    case TrpValueKind::Null:
        return 0.0;
    case TrpValueKind::Integer:
        return static_cast<double>(AsInteger());
    case TrpValueKind::Real:
        return AsReal();
    case TrpValueKind::Boolean:
        return AsBoolean() ? 1.0 : 0.0;
    case TrpValueKind::DateTime:
        return AsDateTime();
    case TrpValueKind::Text:
        return TextToNumber(AsText());
    }
    return std::nullopt;
}

double TrpValue::ToReal() const {
    if (auto r = TryToReal())
        return *r;
    throw ETrpValueError("'" + AsText() + "' is not a valid number");
}

std::int64_t TrpValue::ToInt() const {
    if (IsInteger())
        return AsInteger();
    return ClipToInt(ToReal());
}

bool TrpValue::ToBool() const {
    if (IsBoolean())
        return AsBoolean();
    if (IsText()) {
        std::string upper = Trim(AsText());
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "TRUE")
            return true;
        if (upper == "FALSE")
            return false;
    }
    return ToReal() != 0;
}

double TrpValue::ToDateTime() const {
    if (IsDateTime())
        return AsDateTime();
    if (IsText()) {
        if (auto days = TextToDateTime(AsText()))
            return *days;
        throw ETrpValueError("'" + AsText() + "' is not a valid date");
    }
    return ToReal();
}

std::string TrpValue::ToText() const {
    switch (Kind()) {
    case TrpValueKind::Empty:
    case TrpValueKind::Null:
        return {};
    case TrpValueKind::Integer:
        return std::to_string(AsInteger());
    case TrpValueKind::Real:
        return RealToText(AsReal());
    case TrpValueKind::Boolean:
        return AsBoolean() ? "True" : "False";
    case TrpValueKind::DateTime:
        return DateTimeToText(AsDateTime());
    case TrpValueKind::Text:
        return AsText();
    }
    return {};
}

TrpValue Add(const TrpValue& a, const TrpValue& b) {
    if ((a.IsText() || a.IsEmpty()) && (b.IsText() || b.IsEmpty()) && (a.IsText() || b.IsText())) {
        std::string left = a.ToText(), right = b.ToText();
        if (left.size() + right.size() > kMaxTextLength)
            throw ETrpValueError("Text too long");
        return left + right;
    }
    return NumericOp('+', a, b);
}

TrpValue Subtract(const TrpValue& a, const TrpValue& b) {
    if (a.IsDateTime() && b.IsDateTime())
        return a.AsDateTime() - b.AsDateTime();
    return NumericOp('-', a, b);
}

TrpValue Multiply(const TrpValue& a, const TrpValue& b) {
    return NumericOp('*', a, b);
}

TrpValue Divide(const TrpValue& a, const TrpValue& b) {
    if (a.IsNull() || b.IsNull())
        return TrpValue::Null();
    double divisor = b.ToReal();
    double dividend = a.ToReal();
    if (divisor == 0)
        return std::int64_t{0};
    return dividend / divisor;
}

TrpValue Modulo(const TrpValue& a, const TrpValue& b) {
    if (a.IsNull() || b.IsNull())
        return TrpValue::Null();
    std::int64_t divisor = b.ToInt();
    std::int64_t dividend = a.ToInt();
    if (divisor == 0 || divisor == -1)
        return std::int64_t{0};
    return dividend % divisor;
}

TrpValue Negate(const TrpValue& a) {
    if (a.IsNull())
        return a;
    if (IsIntegral(a)) {
        std::int64_t v = IntegralOf(a);
        if (v != std::numeric_limits<std::int64_t>::min())
            return -v;
    }
    if (a.IsDateTime())
        return TrpValue::DateTime(-a.AsDateTime());
    return -a.ToReal();
}

int Compare(const TrpValue& a, const TrpValue& b) {
    bool aNone = IsNull(a), bNone = IsNull(b);
    if (aNone || bNone) {
        // Empty beside a value counts as that value's zero.
        if (a.IsEmpty() && !bNone)
            return Compare(b.IsText() ? TrpValue(std::string()) : TrpValue(0), b);
        if (b.IsEmpty() && !aNone)
            return Compare(a, a.IsText() ? TrpValue(std::string()) : TrpValue(0));
        return aNone == bNone ? 0 : (aNone ? -1 : 1);
    }
    if (a.IsText() && b.IsText()) {
        int c = a.AsText().compare(b.AsText());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    auto x = a.TryToReal(), y = b.TryToReal();
    if (!x || !y) {
        int c = a.ToText().compare(b.ToText());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (IsIntegral(a) && IsIntegral(b)) {
        std::int64_t p = IntegralOf(a), q = IntegralOf(b);
        return p < q ? -1 : p > q ? 1 : 0;
    }
    return *x < *y ? -1 : *x > *y ? 1 : 0;
}

std::ostream& operator<<(std::ostream& out, const TrpValue& value) {
    static constexpr const char* names[] = {"Empty",   "Null", "Integer", "Real",
                                            "Boolean", "Text", "DateTime"};
    return out << names[static_cast<int>(value.Kind())] << "(" << value.ToText() << ")";
}

} // namespace report
