// Locale-aware key comparison.
#include "KeyComparer.h"

#include "LocaleCollator.h"

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

} // namespace tabula
