// The text rules of the registration-file checks; see FieldRules.h.
#include "FieldRules.h"

#include "InOutError.h"

#include <array>
#include <limits>

namespace morvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The two pad strings, built once: 300 "0" and 300 spaces.
const std::string& ZeroPad() {
    static const std::string pad(kPadTextLength, '0');
    return pad;
}
const std::string& SpacePad() {
    static const std::string pad(kPadTextLength, ' ');
    return pad;
}

constexpr std::array<std::string_view, 16> kProductCodes{
    "PAY", "DCP", "MCL", "MCP", "DDP", "CCP", "BNT", "PA2",
    "PA3", "PA4", "PA5", "PA6", "XMQ", "XDQ", "MC1", "MC2",
};

constexpr std::array<std::string_view, 5> kAccountOptionalProducts{
    "MCP", "DDP", "CCP", "XMQ", "XDQ",
};

// Weights of d1..d9 in the account check digit.
constexpr std::array<int, 9> kCheckWeights{4, 3, 2, 7, 6, 5, 4, 3, 2};
constexpr std::size_t kAccountDigits = 10;
constexpr std::size_t kLongAccountDigits = 11;
constexpr std::size_t kDroppedLongAccountIndex = 3; // the 4th character

} // namespace

bool IsNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    if (i == n) {
        return false; // the rest must not be empty
    }
    while (i < n && IsDigit(text[i])) {
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (i == n || !IsDigit(text[i])) {
            return false;
        }
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
    }
    return i == n;
}

bool IsPositiveNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (i < text.size() && text[i] == '-') {
        return false; // zero or below
    }
    for (; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i) {
        if (text[i] >= '1' && text[i] <= '9') {
            return true;
        }
    }
    return false;
}

long long ToWholeNumber(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        throw EConvertError::NotAnInteger(std::string(text));
    }
    // Accumulate as a negative number so that the most negative value fits.
    constexpr long long kMin = std::numeric_limits<long long>::min();
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            throw EConvertError::NotAnInteger(std::string(text));
        }
        const int digit = text[i] - '0';
        if (value < (kMin + digit) / 10) {
            throw EConvertError::NotAnInteger(std::string(text));
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin) {
            throw EConvertError::NotAnInteger(std::string(text));
        }
        value = -value;
    }
    return value;
}

bool IsValidAccountNumber(std::string_view text) {
    if (!IsNumber(text)) {
        return false;
    }
    if (text.size() != kAccountDigits && text.size() != kLongAccountDigits) {
        return false;
    }
    std::array<char, kAccountDigits> chars{};
    std::size_t k = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.size() == kLongAccountDigits && i == kDroppedLongAccountIndex) {
            continue;
        }
        chars[k++] = text[i];
    }
    std::array<int, kAccountDigits> d{};
    for (std::size_t i = 0; i < kAccountDigits; ++i) {
        // A digit converts to itself; anything else (a sign, a point, an
        // exponent letter) goes through the conversion, which rejects it.
        d[i] = IsDigit(chars[i]) ? chars[i] - '0'
                                 : static_cast<int>(ToWholeNumber(std::string_view(&chars[i], 1)));
    }
    int sum = 0;
    bool allZero = d[kAccountDigits - 1] == 0;
    for (std::size_t i = 0; i < kCheckWeights.size(); ++i) {
        sum += kCheckWeights[i] * d[i];
        allZero = allZero && d[i] == 0;
    }
    const int r = sum % 10;
    const int expected = r == 0 ? 0 : 10 - r;
    return expected == d[kAccountDigits - 1] && !allZero;
}

std::string PadText(char fill, int count) {
    if (count < 1) {
        return {};
    }
    const std::string& pad = fill == '0' ? ZeroPad() : SpacePad();
    return pad.substr(0, static_cast<std::size_t>(count < kPadTextLength ? count : kPadTextLength));
}

bool IsProductCode(std::string_view code) {
    for (std::string_view p : kProductCodes) {
        if (code == p) {
            return true;
        }
    }
    return false;
}

bool IsAccountOptionalProduct(std::string_view code) {
    for (std::string_view p : kAccountOptionalProducts) {
        if (code == p) {
            return true;
        }
    }
    return false;
}

} // namespace morvane
