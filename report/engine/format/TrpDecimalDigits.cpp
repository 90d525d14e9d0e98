// Decimal digits of a magnitude at a double's precision, with rounding of
// halves away from zero.
#include "TrpDecimalDigits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace report {

namespace {

constexpr int kSignificantDigits = 15;

} // namespace

TrpDecimalDigits TrpDecimalDigits::Of(double value) {
    TrpDecimalDigits result;
    value = std::fabs(value);
    if (value == 0 || !std::isfinite(value))
        return result;
    // "d.dddddddddddddde±xx": 15 significant digits and the exponent.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits - 1, value);
    const char* e = buffer;
    while (*e && *e != 'e')
        ++e;
    for (const char* p = buffer; p < e; ++p) {
        if (*p >= '0' && *p <= '9')
            result.digits += *p;
    }
    result.pointPosition = *e ? std::atoi(e + 1) + 1 : 1;
    result.Normalize();
    return result;
}

char TrpDecimalDigits::DigitAtPower(int power) const {
    const long index = static_cast<long>(pointPosition) - 1 - power;
    if (index < 0 || index >= static_cast<long>(digits.size()))
        return '0';
    return digits[static_cast<std::size_t>(index)];
}

int TrpDecimalDigits::FractionDigitCount() const {
    const int count = static_cast<int>(digits.size()) - pointPosition;
    return count > 0 ? count : 0;
}

void TrpDecimalDigits::RoundToPlaces(int places) {
    if (!IsZero())
        RoundAtIndex(pointPosition + places);
}

void TrpDecimalDigits::RoundToSignificant(int count) {
    if (!IsZero())
        RoundAtIndex(count < 1 ? 1 : count);
}

// Keeps digits[0..keep) and rounds by the first dropped digit.
void TrpDecimalDigits::RoundAtIndex(int keep) {
    if (keep >= static_cast<int>(digits.size()))
        return;
    if (keep < 0) {
        digits.clear();
        Normalize();
        return;
    }
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
            digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++digits[static_cast<std::size_t>(i)];
        } else {
            digits.insert(digits.begin(), '1');
            ++pointPosition;
        }
    }
    Normalize();
}

void TrpDecimalDigits::Normalize() {
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0')
        ++lead;
    digits.erase(0, lead);
    pointPosition -= static_cast<int>(lead);
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty())
        pointPosition = 0;
}

} // namespace report
