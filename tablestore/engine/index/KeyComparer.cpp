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

void Invert(std::uint8_t* from, std::uint8_t* to) {
    std::transform(from, to, from,
                   [](std::uint8_t b) { return static_cast<std::uint8_t>(0xFF - b); });
}

void Invert(std::vector<std::uint8_t>& bytes, std::size_t from) {
    Invert(bytes.data() + from, bytes.data() + bytes.size());
}

} // namespace

bool TKeyComparer::AppendAsciiSortKey(const std::uint8_t* key,
                                      std::vector<std::uint8_t>& out) const {
    const std::size_t start = out.size();
    std::size_t length = static_cast<std::size_t>(keyLength_);
    for (const TKeyStringSegment& s : strings_)
        length += TLocaleCollator::AsciiSortKeyLength(key + s.offset,
                                                      static_cast<std::size_t>(s.size)) -
                  static_cast<std::size_t>(s.size);
    out.resize(start + length);
    std::uint8_t* written = out.data() + start;
    int at = 0;
    for (const TKeyStringSegment& s : strings_) {
        written = std::copy(key + at, key + s.offset, written);
        const std::size_t part =
            locale_->WriteAsciiSortKey(key + s.offset, static_cast<std::size_t>(s.size), written);
        if (part == 0) {
            out.resize(start);
            return false;
        }
        if (s.descending)
            Invert(written, written + part);
        written += part;
        at = s.offset + s.size;
    }
    written = std::copy(key + at, key + keyLength_, written);
    if (descending_)
        Invert(out, start);
    return true;
}

bool TKeyComparer::AppendSortKey(const std::uint8_t* key, std::vector<std::uint8_t>& out,
                                 ESortKeyKind kind) const {
    if (locale_ != nullptr && kind == ESortKeyKind::kAscii)
        return AppendAsciiSortKey(key, out);
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
