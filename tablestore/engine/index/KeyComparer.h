// TKeyComparer: the order of one index's keys.
//
// Keys are compared over the full key length. Without a locale (and always for
// "Sys Deleted") the order is unsigned byte order. With a locale, each string
// field's value bytes are compared by the locale's collation and everything
// else (presence bytes, other fields, the uniqueness suffix) byte by byte;
// a string field with its descending flag reverses its own result. A
// descending index reverses every result.
//
// A key's sort key (AppendSortKey) is a byte string whose unsigned byte
// order is this order: the key bytes themselves without a locale, else the
// byte runs between string fields kept as they are and each string value
// replaced by its collation sort key; a descending field inverts its own
// part (b -> 255 - b) and a descending index the whole. Every part is either
// of fixed length or ends with a terminator no other byte of it equals, so
// no sort key is a prefix of another and the parts compare one by one. The
// string values take the collator's sort keys of one kind (ESortKeyKind),
// and only sort keys of one kind compare.
//
// Immutable once made; the collator it points to must outlive it.
#pragma once

#include "KeyBuilder.h"
#include "LocaleCollator.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace tabula {

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

    // Appends the sort key of `key` to `out`; false (out unchanged) when a
    // string field's text has no sort key of the kind, and the order is
    // then only available through sort keys of another kind or Compare.
    bool AppendSortKey(const std::uint8_t* key, std::vector<std::uint8_t>& out,
                       ESortKeyKind kind = ESortKeyKind::kIcu) const;
    // Whether sort keys of kind kAscii exist for keys whose string fields
    // are printable ASCII.
    bool HasAsciiSortKeys() const { return locale_ != nullptr && locale_->HasAsciiSortKeys(); }
    // Whether sort keys are the key bytes themselves (no string field
    // compares by the locale), possibly inverted for a descending index.
    bool SortsByBytes() const { return locale_ == nullptr; }

private:
    int CompareLocalized(const std::uint8_t* a, const std::uint8_t* b) const;
    // AppendSortKey for kAscii: the sort key's length is known from the
    // texts' lengths, its room made once and each part written into it.
    bool AppendAsciiSortKey(const std::uint8_t* key, std::vector<std::uint8_t>& out) const;

    int keyLength_ = 0;
    bool descending_ = false;
    std::vector<TKeyStringSegment> strings_;
    const TLocaleCollator* locale_ = nullptr;
};

} // namespace tabula
