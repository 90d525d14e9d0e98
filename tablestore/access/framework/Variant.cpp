// Date-time conversions and key matching of TVariant values.
#include "Variant.h"

#include "DataFileFormat.h"

#include <cctype>
#include <cmath>

namespace tabula {

TDateTime DateTimeFromParts(const TDateTimeParts& p) {
    const double days = static_cast<double>(DayNumber(p.year, p.month, p.day)) -
                        static_cast<double>(datafmt::kDayOf18991230);
    const double ms = static_cast<double>(TimeOfDayMs(p.hour, p.minute, p.second, p.millisecond));
    const double fraction = ms / static_cast<double>(datafmt::kMsPerDay);
    // Before 1899-12-30 the fraction counts away from zero, as the
    // platform's date-time values do.
    return TDateTime{days < 0 ? days - fraction : days + fraction};
}

TDateTimeParts PartsFromDateTime(TDateTime value) {
    double whole = std::trunc(value.value);
    double fraction = std::fabs(value.value - whole);
    auto ms = static_cast<std::int64_t>(std::llround(fraction * datafmt::kMsPerDay));
    if (ms >= datafmt::kMsPerDay) {
        ms -= datafmt::kMsPerDay;
        whole += value.value < 0 ? -1 : 1;
    }
    const double day = whole + datafmt::kDayOf18991230;
    TDateTimeParts parts;
    if (day >= 1 && day <= kMaxDayNumber) {
        if (auto date = DateOfDayNumber(static_cast<std::int32_t>(day)))
            parts = *date;
    }
    parts.hour = static_cast<int>(ms / 3600000);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

namespace {

bool AsNumber(const TVariant& v, double& out) {
    if (auto* b = std::get_if<bool>(&v)) {
        out = *b ? 1 : 0;
    } else if (auto* i = std::get_if<std::int64_t>(&v)) {
        out = static_cast<double>(*i);
    } else if (auto* d = std::get_if<double>(&v)) {
        out = *d;
    } else if (auto* c = std::get_if<TCurrencyValue>(&v)) {
        out = static_cast<double>(c->scaled) / kCurrencyScale;
    } else if (auto* t = std::get_if<TDateTime>(&v)) {
        out = t->value;
    } else {
        return false;
    }
    return true;
}

bool SameText(const std::string& a, const std::string& b, bool caseInsensitive) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (caseInsensitive) {
            x = static_cast<unsigned char>(std::toupper(x));
            y = static_cast<unsigned char>(std::toupper(y));
        }
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

bool VariantMatches(const TVariant& value, const TVariant& key, bool caseInsensitive,
                    bool partial) {
    if (VarIsNull(value) || VarIsNull(key))
        return VarIsNull(value) && VarIsNull(key);
    const auto* text = std::get_if<std::string>(&value);
    const auto* keyText = std::get_if<std::string>(&key);
    if (text && keyText) {
        if (partial && keyText->size() <= text->size())
            return SameText(text->substr(0, keyText->size()), *keyText, caseInsensitive);
        return SameText(*text, *keyText, caseInsensitive);
    }
    double a = 0;
    double b = 0;
    if (AsNumber(value, a) && AsNumber(key, b))
        return a == b;
    return false;
}

} // namespace tabula
