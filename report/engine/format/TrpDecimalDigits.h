// TrpDecimalDigits: the decimal digits of a magnitude, as the number
// formatters place them.
//
// A double carries 15 significant decimal digits, so a value is taken at that
// precision and then rounded, halves away from zero, to the places a format
// shows: 1.005 and 2.675 (stored just below their halves) show as 1.01 and
// 2.68 with two decimals, as they read.
//
// Invariant: `digits` has no leading or trailing zeros ("" is zero, and then
// `pointPosition` is 0); the value is 0.d1d2d3... × 10^pointPosition.
#pragma once

#include <string>

namespace report {

struct TrpDecimalDigits {
    std::string digits;
    int pointPosition = 0;

    // |value|, which must be finite.
    static TrpDecimalDigits Of(double value);

    bool IsZero() const { return digits.empty(); }
    // The digit worth 10^power ('0' outside the digits).
    char DigitAtPower(int power) const;
    // Number of digits before the point (0 for a value below 1).
    int IntegerDigitCount() const { return pointPosition > 0 ? pointPosition : 0; }
    // Number of digits after the point up to the last nonzero one.
    int FractionDigitCount() const;

    // Keep `places` digits after the point (may be negative: tens, hundreds).
    void RoundToPlaces(int places);
    // Keep `count` significant digits (count >= 1).
    void RoundToSignificant(int count);

private:
    void RoundAtIndex(int keep);
    void Normalize();
};

} // namespace report
