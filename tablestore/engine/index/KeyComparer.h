// TKeyComparer: the order of one index's keys.
//
// Keys are compared over the full key length. Without a locale (and always for
// "Sys Deleted") the order is unsigned byte order. With a locale, each string
// field's value bytes are compared by the locale's collation and everything
// else (presence bytes, other fields, the uniqueness suffix) byte by byte;
// a string field with its descending flag reverses its own result. A
// descending index reverses every result.
//
// Immutable once made; the collator it points to must outlive it.
#pragma once

#include "KeyBuilder.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace tabula {

class TLocaleCollator;

class TKeyComparer {
public:
    TKeyComparer() = default;
    TKeyComparer(int keyLength, bool descending) : keyLength_(keyLength), descending_(descending) {}
    TKeyComparer(int keyLength, bool descending, std::vector<TKeyStringSegment> strings,
                 const TLocaleCollator* locale);

    int KeyLength() const { return keyLength_; }
    bool Descending() const { return descending_; }

    // Negative, zero or positive as a sorts before, with or after b.
    int Compare(const std::uint8_t* a, const std::uint8_t* b) const {
        int c;
        if (locale_ == nullptr) {
            c = std::memcmp(a, b, static_cast<std::size_t>(keyLength_));
            c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        } else {
            c = CompareLocalized(a, b);
        }
        return descending_ ? -c : c;
    }

private:
    int CompareLocalized(const std::uint8_t* a, const std::uint8_t* b) const;

    int keyLength_ = 0;
    bool descending_ = false;
    std::vector<TKeyStringSegment> strings_;
    const TLocaleCollator* locale_ = nullptr;
};

} // namespace tabula
