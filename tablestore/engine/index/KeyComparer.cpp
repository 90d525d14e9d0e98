// Locale-aware key comparison.
#include "KeyComparer.h"

#include "LocaleCollator.h"

#include <algorithm>

namespace tabula {

TKeyComparer::TKeyComparer(int keyLength, bool descending, std::vector<TKeyStringSegment> strings,
                           const TLocaleCollator* locale)
    : keyLength_(keyLength), descending_(descending), strings_(std::move(strings)),
      locale_(strings_.empty() ? nullptr : locale) {}

int TKeyComparer::CompareLocalized(const std::uint8_t* a, const std::uint8_t* b) const {
    int at = 0;
    for (const TKeyStringSegment& s : strings_) {
        if (s.offset > at) {
            const int c = std::memcmp(a + at, b + at, static_cast<std::size_t>(s.offset - at));
            if (c != 0)
                return c < 0 ? -1 : 1;
        }
        int c = locale_->Compare(a + s.offset, b + s.offset, static_cast<std::size_t>(s.size));
        if (c != 0)
            return s.descending ? -c : c;
        at = s.offset + s.size;
    }
    if (at < keyLength_) {
        const int c = std::memcmp(a + at, b + at, static_cast<std::size_t>(keyLength_ - at));
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return 0;
}

namespace {

void Invert(std::vector<std::uint8_t>& bytes, std::size_t from) {
    std::transform(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(from),
                   [](std::uint8_t b) { return static_cast<std::uint8_t>(0xFF - b); });
}

} // namespace

bool TKeyComparer::AppendSortKey(const std::uint8_t* key, std::vector<std::uint8_t>& out,
                                 ESortKeyKind kind) const {
    const std::size_t start = out.size();
    int at = 0;
    if (locale_ != nullptr) {
        for (const TKeyStringSegment& s : strings_) {
            out.insert(out.end(), key + at, key + s.offset);
            const std::size_t part = out.size();
            if (!locale_->AppendSortKey(key + s.offset, static_cast<std::size_t>(s.size), out,
                                        kind)) {
                out.resize(start);
                return false;
            }
            if (s.descending)
                Invert(out, part);
            at = s.offset + s.size;
        }
    }
    out.insert(out.end(), key + at, key + keyLength_);
    if (descending_)
        Invert(out, start);
    return true;
}

} // namespace tabula
