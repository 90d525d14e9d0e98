// The small text rules shared by the record checks of a registration file:
// cutting a field out of a line, the number test, the account
// check digit of the bank's own accounts, the product code lists and the pad
// strings used to build sequence numbers.
//
// All functions are pure (no state beyond two constant pad strings) and
// byte-based: no character-set conversion, comparisons byte for byte.
#pragma once

#include "RegistrationLayout.h"
#include "TrimmedText.h"

#include <string>
#include <string_view>

namespace morvane {

// The bytes of `span` in `line`, clipped to the line (a short line yields a
// shorter or empty field, never an out-of-range access).
inline std::string_view FieldOf(std::string_view line, layout::TFieldSpan span) {
    const std::size_t start = span.Column - 1;
    return start >= line.size() ? std::string_view{} : line.substr(start, span.Length);
}

// The number test: any number of leading spaces (byte 32 only), an optional
// "+" or "-", then a non-empty rest of decimal digits (zero or more),
// optionally "." and digits (zero or more), optionally "E" or "e" with an
// optional sign and at least one digit. Nothing may follow. So "." and "E5"
// pass; "", "   ", "+", "1 " and "1E" fail. Any number of digits.
bool IsNumber(std::string_view text);

// True when a text that passes the number test has a value above zero. The
// value is decided exactly from the digits (positive sign and any non-zero
// digit before the exponent), so no rounding or underflow can change it.
bool IsPositiveNumber(std::string_view text);

// Whole-number conversion: an optional "+" or "-" followed by one or more
// decimal digits, nothing else (no spaces, no hexadecimal). Anything else,
// or a value outside the range of long long, throws EConvertError
// "'<text>' is not a valid integer value".
long long ToWholeNumber(std::string_view text);

// The check of an account number held at the bank itself (text: the trimmed
// account number). False unless the text passes the number test and has 10
// or 11 characters; an 11-character number drops its 4th character. The ten
// characters are weighed 4,3,2,7,6,5,4,3,2 on d1..d9; the check digit is
// (10 - sum mod 10) mod 10 and must equal d10, and the ten digits must not
// all be zero. Each weighed character is converted on its own, so a sign, a
// point or an exponent letter among them throws EConvertError naming that
// single character.
bool IsValidAccountNumber(std::string_view text);

// `count` copies of `fill`, cut from a 300-character string of "0" (when
// fill is '0') or of spaces (any other fill). A count below 1 gives the empty
// text, a count above 300 gives 300 copies.
std::string PadText(char fill, int count);
constexpr int kPadTextLength = 300;

// The 16 product codes of a detail record, compared untrimmed.
bool IsProductCode(std::string_view code);
// The products whose account number is optional and whose account name is
// required: "MCP", "DDP", "CCP", "XMQ", "XDQ".
bool IsAccountOptionalProduct(std::string_view code);

} // namespace morvane
