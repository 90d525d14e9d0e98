// Packing, unpacking and entry maintenance of index pages.
#include "IndexPage.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using namespace indexfmt;
using datafmt::GetI32;
using datafmt::GetU16;
using datafmt::PutI32;
using datafmt::PutU16;

namespace {

int CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, int length) {
    int p = 0;
    while (p < length && a[p] == b[p])
        ++p;
    return p;
}

} // namespace

void TIndexPage::Reset(std::int32_t pageOffset, const TPageShape& shape, std::uint8_t pageKind) {
    offset = pageOffset;
    kind = pageKind;
    prev = next = 0;
    pins = 0;
    modified = false;
    shape_ = shape;
    Clear();
}

void TIndexPage::Clear() {
    keys_.clear();
    refs_.clear();
    counts_.clear();
    used_ = 0;
}

void TIndexPage::SetKey(int i, const std::uint8_t* key) {
    if (std::memcmp(Key(i), key, static_cast<std::size_t>(shape_.keyLength)) == 0)
        return;
    std::memcpy(keys_.data() + KeyAt(i), key, static_cast<std::size_t>(shape_.keyLength));
    if (CompressedLeaf())
        RecomputeUsed();
}

std::int64_t TIndexPage::SubtreeTotal() const {
    if (IsLeaf())
        return Count();
    std::int64_t total = 0;
    for (std::int32_t c : counts_)
        total += c;
    return total;
}

void TIndexPage::PackCounts(int i, int& prefix, int& trailing) const {
    const int length = shape_.keyLength;
    const std::uint8_t* key = Key(i);
    prefix = trailing = 0;
    if (shape_.compression == kCompressLeading || shape_.compression == kCompressBoth) {
        if (i > 0)
            prefix = CommonPrefix(Key(i - 1), key, length);
        if (shape_.compression == kCompressBoth)
            prefix = std::min(prefix, 255);
    }
    if (shape_.compression == kCompressTrailing || shape_.compression == kCompressBoth) {
        int limit = length;
        if (shape_.uniquenessSuffix && length - prefix >= kUniquenessSuffixSize + 1)
            limit = length - kUniquenessSuffixSize;
        int t = 0;
        while (limit - 1 - t >= prefix && key[limit - 1 - t] == 0)
            ++t;
        trailing = shape_.compression == kCompressBoth ? std::min(t, 255) : t;
    }
}

int TIndexPage::PackedSize(int i) const {
    if (i < 0 || i >= Count())
        return 0;
    int p, t;
    PackCounts(i, p, t);
    return kCompressedEntryOverhead + shape_.keyLength - p - t;
}

void TIndexPage::RecomputeUsed() {
    used_ = 0;
    if (!CompressedLeaf())
        return;
    for (int i = 0; i < Count(); ++i)
        used_ += PackedSize(i);
}

void TIndexPage::Insert(int i, const std::uint8_t* key, std::int32_t ref, std::int32_t count) {
    const bool packed = CompressedLeaf();
    if (packed)
        used_ -= PackedSize(i); // the entry now at i gets a new predecessor
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(i)), key,
                 key + shape_.keyLength);
    refs_.insert(refs_.begin() + i, ref);
    counts_.insert(counts_.begin() + i, count);
    if (packed)
        used_ += PackedSize(i) + PackedSize(i + 1);
}

void TIndexPage::Remove(int i) {
    const bool packed = CompressedLeaf();
    if (packed)
        used_ -= PackedSize(i) + PackedSize(i + 1);
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(i)),
                keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(i + 1)));
    refs_.erase(refs_.begin() + i);
    counts_.erase(counts_.begin() + i);
    if (packed)
        used_ += PackedSize(i);
}

void TIndexPage::MoveTailTo(TIndexPage& dst, int from) {
    dst.keys_.insert(dst.keys_.begin(), keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(from)),
                     keys_.end());
    dst.refs_.insert(dst.refs_.begin(), refs_.begin() + from, refs_.end());
    dst.counts_.insert(dst.counts_.begin(), counts_.begin() + from, counts_.end());
    keys_.resize(KeyAt(from));
    refs_.resize(static_cast<std::size_t>(from));
    counts_.resize(static_cast<std::size_t>(from));
    RecomputeUsed();
    dst.RecomputeUsed();
}

void TIndexPage::MoveHeadTo(TIndexPage& dst, int n) {
    dst.keys_.insert(dst.keys_.end(), keys_.begin(),
                     keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(n)));
    dst.refs_.insert(dst.refs_.end(), refs_.begin(), refs_.begin() + n);
    dst.counts_.insert(dst.counts_.end(), counts_.begin(), counts_.begin() + n);
    keys_.erase(keys_.begin(), keys_.begin() + static_cast<std::ptrdiff_t>(KeyAt(n)));
    refs_.erase(refs_.begin(), refs_.begin() + n);
    counts_.erase(counts_.begin(), counts_.begin() + n);
    RecomputeUsed();
    dst.RecomputeUsed();
}

int TIndexPage::Capacity() const {
    return IsLeaf() ? LeafCapacity(shape_.keyLength) : InnerCapacity(shape_.keyLength);
}

bool TIndexPage::Overflows() const {
    if (CompressedLeaf())
        return used_ > static_cast<int>(kPageEntryArea);
    return Count() > Capacity();
}

bool TIndexPage::Decode(const std::uint8_t* image, std::int32_t pageOffset,
                        const TPageShape& shape) {
    Reset(pageOffset, shape, image[kPageKind]);
    const int length = shape.keyLength;
    if (kind > kLeafRoot || length < 1 || length > kMaxKeyLength) {
        kind = kLeafPage;
        return false;
    }
    const int count = GetU16(image + kPageEntryCount);
    prev = GetI32(image + kPagePrev);
    next = GetI32(image + kPageNext);
    const std::uint8_t* p = image + kPageEntries;
    const std::uint8_t* const end = image + kPageSize;
    keys_.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(length));
    refs_.resize(static_cast<std::size_t>(count));
    counts_.resize(static_cast<std::size_t>(count));
    auto fail = [this] {
        Clear();
        return false;
    };
    if (!IsLeaf() || !shape.Compressed()) {
        if (count > Capacity())
            return fail();
        for (int i = 0; i < count; ++i) {
            std::memcpy(keys_.data() + KeyAt(i), p, static_cast<std::size_t>(length));
            p += length;
            refs_[static_cast<std::size_t>(i)] = GetI32(p);
            p += 4;
            if (!IsLeaf()) {
                counts_[static_cast<std::size_t>(i)] = GetI32(p);
                p += 4;
                if (counts_[static_cast<std::size_t>(i)] < 0)
                    return fail();
            }
        }
        return true;
    }
    const int used = GetU16(image + kPageUsedBytes);
    if (used > static_cast<int>(kPageEntryArea))
        return fail();
    const std::uint8_t* const usedEnd = image + kPageEntries + used;
    const bool suffix = shape.uniquenessSuffix && length > kUniquenessSuffixSize;
    for (int i = 0; i < count; ++i) {
        std::uint8_t* key = keys_.data() + KeyAt(i);
        int prefix = 0, trailing = 0;
        if (shape.compression == kCompressBoth) {
            if (usedEnd - p < 2)
                return fail();
            prefix = p[0];
            trailing = p[1];
            p += 2;
        } else {
            if (usedEnd - p < 2)
                return fail();
            (shape.compression == kCompressLeading ? prefix : trailing) = GetU16(p);
            p += 2;
        }
        if (prefix > length || trailing > length - prefix || (i == 0 && prefix != 0))
            return fail();
        if (prefix > 0)
            std::memcpy(key, key - length, static_cast<std::size_t>(prefix));
        const bool keepsSuffix =
            suffix && trailing > 0 && length - prefix >= kUniquenessSuffixSize + 1;
        const int stored = length - prefix - trailing;
        if (usedEnd - p < stored + 4)
            return fail();
        if (keepsSuffix) {
            // key[prefix .. len-4-t) then the 4 suffix bytes at the key's end.
            const int middle = stored - kUniquenessSuffixSize;
            if (middle < 0)
                return fail();
            std::memcpy(key + prefix, p, static_cast<std::size_t>(middle));
            std::memcpy(key + length - kUniquenessSuffixSize, p + middle, kUniquenessSuffixSize);
        } else {
            std::memcpy(key + prefix, p, static_cast<std::size_t>(stored));
        }
        p += stored;
        refs_[static_cast<std::size_t>(i)] = GetI32(p);
        p += 4;
    }
    if (p != usedEnd || end < usedEnd)
        return fail();
    RecomputeUsed();
    return used_ == used || fail();
}

bool TIndexPage::Encode(std::uint8_t* image) const {
    std::memset(image, 0, kPageSize);
    image[kPageKind] = kind;
    PutU16(image + kPageEntryCount, static_cast<std::uint16_t>(Count()));
    PutI32(image + kPagePrev, prev);
    PutI32(image + kPageNext, next);
    std::uint8_t* p = image + kPageEntries;
    const int length = shape_.keyLength;
    if (!CompressedLeaf()) {
        if (Count() > Capacity())
            return false;
        for (int i = 0; i < Count(); ++i) {
            std::memcpy(p, Key(i), static_cast<std::size_t>(length));
            p += length;
            PutI32(p, Ref(i));
            p += 4;
            if (!IsLeaf()) {
                PutI32(p, SubtreeCount(i));
                p += 4;
            }
        }
        return true;
    }
    if (used_ > static_cast<int>(kPageEntryArea))
        return false;
    PutU16(image + kPageUsedBytes, static_cast<std::uint16_t>(used_));
    const bool suffix = shape_.uniquenessSuffix && length > kUniquenessSuffixSize;
    for (int i = 0; i < Count(); ++i) {
        int prefix, trailing;
        PackCounts(i, prefix, trailing);
        if (shape_.compression == kCompressBoth) {
            p[0] = static_cast<std::uint8_t>(prefix);
            p[1] = static_cast<std::uint8_t>(trailing);
        } else {
            PutU16(p, static_cast<std::uint16_t>(
                          shape_.compression == kCompressLeading ? prefix : trailing));
        }
        p += 2;
        const std::uint8_t* key = Key(i);
        const int stored = length - prefix - trailing;
        if (suffix && trailing > 0 && length - prefix >= kUniquenessSuffixSize + 1) {
            const int middle = stored - kUniquenessSuffixSize;
            std::memcpy(p, key + prefix, static_cast<std::size_t>(middle));
            std::memcpy(p + middle, key + length - kUniquenessSuffixSize, kUniquenessSuffixSize);
        } else {
            std::memcpy(p, key + prefix, static_cast<std::size_t>(stored));
        }
        p += stored;
        PutI32(p, Ref(i));
        p += 4;
    }
    return true;
}

} // namespace tabula
