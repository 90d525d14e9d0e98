// Comparison, LIKE matching and case mapping of SQL values; see SqlCompare.h.
//
// Locale services live in a per-thread cache keyed by locale id: each entry
// holds the engine's collator (or nothing when ICU does not know the id) and,
// built on first use, the single-byte lower-case map. Entries are never
// dropped, so references handed out stay valid for the thread's life.
#include "SqlCompare.h"

#include "LocaleCollator.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tabula {

using namespace datafmt;

namespace {

struct TLocaleServices {
    std::unique_ptr<TLocaleCollator> collator; // null: byte-wise and ASCII
    std::optional<std::array<std::uint8_t, 256>> lowerMap;
};

TLocaleServices& ServicesFor(std::uint32_t localeId) {
    thread_local std::map<std::uint32_t, TLocaleServices> cache;
    auto [it, inserted] = cache.try_emplace(localeId);
    if (inserted) {
        try {
            it->second.collator = std::make_unique<TLocaleCollator>(localeId);
        } catch (...) {
            it->second.collator.reset(); // unknown locale: byte-wise from here on
        }
    }
    return it->second;
}

const TLocaleCollator* CollatorFor(std::uint32_t localeId) {
    return localeId == 0 ? nullptr : ServicesFor(localeId).collator.get();
}

int Sign(std::int64_t d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int CompareDoubles(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareStrings(const std::string& a, const std::string& b, std::uint32_t localeId) {
    if (const TLocaleCollator* collator = CollatorFor(localeId)) {
        // The collator reads both texts up to a common slot size: give it
        // two zero-padded buffers of that size.
        const std::size_t size = std::max(a.size(), b.size()) + 1;
        std::vector<std::uint8_t> pa(size, 0), pb(size, 0);
        std::copy(a.begin(), a.end(), pa.begin());
        std::copy(b.begin(), b.end(), pb.begin());
        return collator->Compare(pa.data(), pb.data(), size);
    }
    const int c = a.compare(b); // char_traits<char> compares as unsigned bytes
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

int SqlCompareValues(const TSqlValue& a, const TSqlValue& b, std::uint32_t localeId) {
    // The untyped NULL constant stands for the other side's zero value.
    if (a.Type() == kSqlNullType && b.Type() != kSqlNullType)
        return SqlCompareValues(TSqlValue::NullOf(b.TypeSlot()), b, localeId);
    if (b.Type() == kSqlNullType && a.Type() != kSqlNullType)
        return SqlCompareValues(a, TSqlValue::NullOf(a.TypeSlot()), localeId);
    const std::uint8_t ta = a.Type();
    const std::uint8_t tb = b.Type();
    if (ta == kSqlNullType)
        return 0;
    if (ta == kFtString || tb == kFtString)
        return CompareStrings(a.AsString(), b.AsString(), localeId);
    if (ta == kFtTimestamp || tb == kFtTimestamp)
        return CompareDoubles(a.AsTimestamp(), b.AsTimestamp());
    if (ta == kFtDate || tb == kFtDate)
        return Sign(static_cast<std::int64_t>(a.AsDayNumber()) - b.AsDayNumber());
    if (ta == kFtTime || tb == kFtTime)
        return Sign(static_cast<std::int64_t>(a.AsMilliseconds()) - b.AsMilliseconds());
    if (ta == kFtBoolean || tb == kFtBoolean)
        return static_cast<int>(a.AsBoolean()) - static_cast<int>(b.AsBoolean());
    if (ta == kFtFloat || tb == kFtFloat)
        return CompareDoubles(a.AsFloat(), b.AsFloat());
    if (ta == kFtBcd || tb == kFtBcd) {
        const TCurrency ca = a.AsCurrency();
        const TCurrency cb = b.AsCurrency();
        return ca < cb ? -1 : (ca > cb ? 1 : 0);
    }
    const std::int64_t ia = a.AsInteger();
    const std::int64_t ib = b.AsInteger();
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

bool SqlValuesEqual(const TSqlValue& a, const TSqlValue& b, std::uint32_t localeId) {
    if (a.IsNull() || b.IsNull())
        return a.IsNull() && b.IsNull();
    return SqlCompareValues(a, b, localeId) == 0;
}

bool SqlLikeMatch(std::string_view text, std::string_view pattern) {
    if (pattern == "%")
        return true;
    if (text.empty())
        return pattern.empty();
    // Two-pointer wildcard matching: on a mismatch, go back to the last "%"
    // and let it swallow one more character. Only the last "%" needs
    // remembering, because any earlier one can only absorb characters that
    // the later one would absorb as well; this keeps the time at
    // O(text × pattern) even for patterns of many "%".
    std::size_t t = 0, p = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

std::string SqlMapCase(std::string_view text, bool upper, std::uint32_t localeId) {
    text = text.substr(0, std::min(text.size(), kSqlMaxCaseMapped));
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    const TLocaleCollator* collator = CollatorFor(localeId);
    if (!collator) {
        std::string out(text);
        for (char& c : out) {
            if (upper && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (!upper && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    }
    constexpr std::size_t kSlot = kSqlMaxCaseMapped + 1;
    if (upper) {
        std::array<std::uint8_t, kSlot> in{}, out{};
        std::copy(text.begin(), text.end(), in.begin());
        collator->MapKeyText(in.data(), kSlot, true, out.data());
        return std::string(reinterpret_cast<const char*>(out.data()));
    }
    // Lower case: the inverse of the locale's single-byte upper-case map,
    // built once. A byte that is the upper case of several lower-case
    // letters maps back to the first of them. Outside ASCII only a result
    // outside ASCII counts: a letter without a single-byte capital comes back
    // as an ASCII substitute ("?") or as a letter pair's first letter ("ß"
    // gives "S"), and those must not map back.
    TLocaleServices& services = ServicesFor(localeId);
    if (!services.lowerMap) {
        std::array<std::uint8_t, 256> map{};
        for (int b = 0; b < 256; ++b)
            map[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
        for (int b = 255; b >= 1; --b) {
            const std::uint8_t in[2] = {static_cast<std::uint8_t>(b), 0};
            std::uint8_t out[2] = {};
            collator->MapKeyText(in, 2, true, out);
            const bool ascii = b < 0x80;
            if (ascii ? (b >= 'a' && b <= 'z') : (out[0] >= 0x80 && out[0] != b))
                map[out[0]] = static_cast<std::uint8_t>(b);
        }
        services.lowerMap = map;
    }
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>((*services.lowerMap)[static_cast<std::uint8_t>(c)]);
    return out;
}

} // namespace tabula
