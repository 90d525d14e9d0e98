// Field values as the shell prints them (see ValueText.h).
#include "ValueText.h"

#include "tabula/FieldValue.h"
#include "tabula/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <unicode/ucnv.h>

namespace tabula::shell {
namespace {

std::string ShortestDouble(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// value / 10000 written exactly, without trailing zeros of the fraction.
std::string CurrencyText(TCurrency scaled) {
    const bool negative = scaled < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(scaled)
                                                  : static_cast<unsigned long long>(scaled);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return text;
}

std::string IsoText(TDateTime value, TFieldType type) {
    const TDateTimeParts p = PartsFromDateTime(value);
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", p.year, p.month, p.day);
    if (p.millisecond != 0)
        std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", p.hour, p.minute, p.second,
                      p.millisecond);
    else
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    if (type == TFieldType::ftDate)
        return date;
    if (type == TFieldType::ftTime)
        return time;
    return std::string(date) + "T" + time;
}

bool IsBinaryType(TFieldType type) {
    return type == TFieldType::ftBytes || type == TFieldType::ftVarBytes ||
           type == TFieldType::ftBlob || type == TFieldType::ftGraphic ||
           type == TFieldType::ftTypedBinary;
}

std::string HexText(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

} // namespace

TValueText FieldValueText(const TField& field, bool decodeText) {
    if (field.IsNull())
        return {};
    const TVariant value = field.AsVariant();
    const TFieldType type = field.DataType();
    if (const auto* b = std::get_if<bool>(&value))
        return {TValueKind::Boolean, *b ? "true" : "false"};
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return {TValueKind::Number, std::to_string(*i)};
    if (const auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d))
            return {};
        return {TValueKind::Number, ShortestDouble(*d)};
    }
    if (const auto* c = std::get_if<TCurrencyValue>(&value))
        return {TValueKind::Number, CurrencyText(c->scaled)};
    if (const auto* t = std::get_if<TDateTime>(&value))
        return {TValueKind::Text, IsoText(*t, type)};
    const std::string& bytes = std::get<std::string>(value);
    if (IsBinaryType(type))
        return {TValueKind::Text, HexText(bytes)};
    return {TValueKind::Text, decodeText ? DecodeWindows1252(bytes) : bytes};
}

std::string DecodeWindows1252(const std::string& bytes) {
    if (bytes.empty())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    // Every byte becomes at most three bytes of UTF-8 (U+FFFD included).
    std::string out(bytes.size() * 3 + 1, '\0');
    const int32_t length =
        ucnv_convert("UTF-8", "windows-1252", out.data(), static_cast<int32_t>(out.size()),
                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return bytes;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::size_t DisplayWidth(const std::string& utf8) {
    std::size_t width = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++width;
    return width;
}

} // namespace tabula::shell
