// Float patterns: sections, digit placeholders, grouping and exponent form
// (the language is described in TrpFormat.h).
#include "TrpDecimalDigits.h"
#include "TrpFormat.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace report {

namespace {

constexpr int kMaxSections = 3;
constexpr int kMaxExponentDigits = 4;
constexpr double kGeneralFormLimit = 1e18;
constexpr int kGeneralDigits = 15;
constexpr int kGeneralLowestFixedExponent = -5;

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsExponentAt(std::string_view text, std::size_t i) {
    return (text[i] == 'E' || text[i] == 'e') && i + 1 < text.size() &&
           (text[i + 1] == '+' || text[i + 1] == '-');
}

// Index just past the quoted text that starts at i.
std::size_t SkipQuoted(std::string_view text, std::size_t i) {
    const std::size_t close = text.find(text[i], i + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

std::vector<std::string_view> SplitSections(std::string_view pattern) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    for (std::size_t i = 0; i < pattern.size();) {
        if (IsQuote(pattern[i])) {
            i = SkipQuoted(pattern, i);
        } else if (pattern[i] == ';') {
            sections.push_back(pattern.substr(start, i - start));
            if (static_cast<int>(sections.size()) == kMaxSections)
                return sections;
            start = ++i;
        } else {
            ++i;
        }
    }
    sections.push_back(pattern.substr(start));
    return sections;
}

// What a section asks for, read before any digit is written.
struct SectionLayout {
    int integerPlaces = 0; // placeholders before the point
    int minIntegerDigits = 0;
    int fractionPlaces = 0;
    int minFractionDigits = 0;
    bool grouping = false;
    bool scientific = false;
};

SectionLayout Analyse(std::string_view section) {
    SectionLayout layout;
    bool afterPoint = false;
    int firstIntegerZero = -1;
    for (std::size_t i = 0; i < section.size() && !layout.scientific;) {
        const char c = section[i];
        if (IsQuote(c)) {
            i = SkipQuoted(section, i);
            continue;
        }
        if (c == '0' || c == '#') {
            if (afterPoint) {
                ++layout.fractionPlaces;
                if (c == '0')
                    layout.minFractionDigits = layout.fractionPlaces;
            } else {
                if (c == '0' && firstIntegerZero < 0)
                    firstIntegerZero = layout.integerPlaces;
                ++layout.integerPlaces;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            layout.grouping = true;
        } else if (IsExponentAt(section, i)) {
            layout.scientific = true;
        }
        ++i;
    }
    if (firstIntegerZero >= 0)
        layout.minIntegerDigits = layout.integerPlaces - firstIntegerZero;
    if (layout.scientific)
        layout.grouping = false;
    return layout;
}

bool HasPlaceholder(const SectionLayout& layout) {
    return layout.integerPlaces + layout.fractionPlaces > 0;
}

// Writes one section with the digits already rounded for it.
class SectionWriter {
public:
    SectionWriter(const SectionLayout& layout, const TrpDecimalDigits& digits, int exponent,
                  char decimalSeparator, const std::string& thousands)
        : layout_(layout), digits_(digits), exponent_(exponent),
          decimalSeparator_(decimalSeparator), thousands_(thousands) {
        integerDigits_ = std::max(digits.IntegerDigitCount(), layout.minIntegerDigits);
        fractionDigits_ = std::max(std::min(digits.FractionDigitCount(), layout.fractionPlaces),
                                   layout.minFractionDigits);
    }

    std::string Write(std::string_view section) {
        for (std::size_t i = 0; i < section.size();) {
            const char c = section[i];
            if (IsQuote(c)) {
                const std::size_t end = SkipQuoted(section, i);
                const std::size_t stop = end > i + 1 && section[end - 1] == c ? end - 1 : end;
                out_.append(section.substr(i + 1, stop - (i + 1)));
                i = end;
            } else if (layout_.scientific && !inExponent_ && IsExponentAt(section, i)) {
                i = WriteExponent(section, i);
            } else {
                WriteCharacter(c);
                ++i;
            }
        }
        return out_;
    }

private:
    void WriteCharacter(char c) {
        if (c == '0' || c == '#') {
            if (inExponent_)
                return;
            if (pointSeen_)
                WriteFractionPlaceholder();
            else
                WriteIntegerPlaceholder();
        } else if (c == '.') {
            if (!pointSeen_) {
                pointSeen_ = true;
                if (layout_.integerPlaces == 0)
                    WriteIntegerRange(integerDigits_ - 1, 0);
                if (fractionDigits_ > 0)
                    out_ += decimalSeparator_;
            }
        } else if (c != ',') {
            out_ += c;
        }
    }

    void WriteIntegerDigit(int power) {
        out_ += digits_.DigitAtPower(power);
        if (layout_.grouping && power > 0 && power % 3 == 0)
            out_ += thousands_;
    }

    void WriteIntegerRange(int fromPower, int toPower) {
        for (int power = fromPower; power >= toPower; --power)
            WriteIntegerDigit(power);
    }

    void WriteIntegerPlaceholder() {
        const int power = layout_.integerPlaces - 1 - integerPlaceholder_;
        if (integerPlaceholder_ == 0 && integerDigits_ > layout_.integerPlaces)
            WriteIntegerRange(integerDigits_ - 1, layout_.integerPlaces);
        if (power < integerDigits_)
            WriteIntegerDigit(power);
        ++integerPlaceholder_;
    }

    void WriteFractionPlaceholder() {
        if (fractionPlaceholder_ < fractionDigits_)
            out_ += digits_.DigitAtPower(-1 - fractionPlaceholder_);
        ++fractionPlaceholder_;
    }

    // "E+00": the letter as written, the sign, the exponent's digits.
    std::size_t WriteExponent(std::string_view section, std::size_t i) {
        inExponent_ = true;
        out_ += section[i];
        const bool alwaysSign = section[i + 1] == '+';
        if (exponent_ < 0)
            out_ += '-';
        else if (alwaysSign)
            out_ += '+';
        std::size_t next = i + 2;
        int zeros = 0;
        while (next < section.size() && section[next] == '0') {
            ++zeros;
            ++next;
        }
        std::string number = std::to_string(exponent_ < 0 ? -exponent_ : exponent_);
        const int width = std::min(zeros, kMaxExponentDigits);
        if (static_cast<int>(number.size()) < width)
            number.insert(0, static_cast<std::size_t>(width) - number.size(), '0');
        out_ += number;
        return next;
    }

    const SectionLayout& layout_;
    const TrpDecimalDigits& digits_;
    int exponent_;
    char decimalSeparator_;
    const std::string& thousands_;
    int integerDigits_ = 0;
    int fractionDigits_ = 0;
    int integerPlaceholder_ = 0;
    int fractionPlaceholder_ = 0;
    bool pointSeen_ = false;
    bool inExponent_ = false;
    std::string out_;
};

// The thousands separator to write beside a decimal separator: the locale's,
// unless it is that very character, which would make the number ambiguous.
std::string ThousandsFor(char decimalSeparator) {
    std::string thousands = TrpFormatSettings::Current()->thousandSeparator;
    if (thousands == std::string(1, decimalSeparator))
        thousands = decimalSeparator == '.' ? "," : ".";
    return thousands;
}

std::string GeneralFloat(double value, char decimalSeparator) {
    TrpDecimalDigits digits = TrpDecimalDigits::Of(value);
    if (digits.IsZero())
        return "0";
    std::string out = value < 0 ? "-" : "";
    const int exponent = digits.pointPosition - 1;
    if (exponent >= kGeneralDigits || exponent < kGeneralLowestFixedExponent) {
        out += digits.digits[0];
        if (digits.digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits.digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (digits.pointPosition <= 0)
        out += '0';
    for (int power = digits.pointPosition - 1; power >= 0; --power)
        out += digits.DigitAtPower(power);
    const int fraction = digits.FractionDigitCount();
    if (fraction > 0)
        out += decimalSeparator;
    for (int k = 1; k <= fraction; ++k)
        out += digits.DigitAtPower(-k);
    return out;
}

// The digits of value rounded for a section; exponent form shifts them so
// that the mantissa has the section's integer places.
TrpDecimalDigits RoundForSection(double value, const SectionLayout& layout, int& exponent) {
    TrpDecimalDigits digits = TrpDecimalDigits::Of(value);
    exponent = 0;
    if (!layout.scientific) {
        digits.RoundToPlaces(layout.fractionPlaces);
        return digits;
    }
    if (digits.IsZero())
        return digits;
    digits.RoundToSignificant(std::max(1, layout.integerPlaces + layout.fractionPlaces));
    exponent = digits.pointPosition - layout.integerPlaces;
    digits.pointPosition = layout.integerPlaces;
    return digits;
}

} // namespace

std::string FormatFloat(const std::string& pattern, double value, char decimalSeparator) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const std::vector<std::string_view> sections = SplitSections(pattern);
    const auto pick = [&sections](std::size_t i) {
        return i < sections.size() && !sections[i].empty() ? i : 0;
    };
    std::size_t chosen = value < 0 ? pick(1) : value == 0 ? pick(2) : 0;
    if (sections[chosen].empty())
        return GeneralFloat(value, decimalSeparator);
    SectionLayout layout = Analyse(sections[chosen]);
    if (!layout.scientific && std::fabs(value) >= kGeneralFormLimit)
        return GeneralFloat(value, decimalSeparator);

    int exponent = 0;
    TrpDecimalDigits digits = RoundForSection(value, layout, exponent);
    if (digits.IsZero() && value != 0) {
        // Rounded away entirely: written as a zero, without a sign.
        chosen = pick(2);
        layout = Analyse(sections[chosen]);
        value = 0;
        exponent = 0;
    }
    const bool minus = value < 0 && chosen == 0 && HasPlaceholder(layout);
    const std::string thousands = ThousandsFor(decimalSeparator);
    std::string text = SectionWriter(layout, digits, exponent, decimalSeparator, thousands)
                           .Write(sections[chosen]);
    return minus ? "-" + text : text;
}

} // namespace report
