// TIndexPage: one 4096-byte page of an index B+-tree, held expanded in memory.
//
// In memory every entry carries its full key; compression exists only in the
// packed image. Inner entries carry (child page offset, records below the
// child); leaf entries carry a physical record number. For compressed leaves
// the page keeps `UsedBytes()`, the packed size of its entries, up to date on
// every insert and removal, because a compressed entry's size depends on the
// key before it.
//
// Invariants kept by the tree code (checked by TBTreeCheck, not here):
// entries are in strictly ascending key order; an inner entry's key equals
// its child's first key; counts equal the real number of records below.
//
// A page belongs to a TPageCache; `pins` > 0 keeps it in memory, `modified`
// marks it for the next commit.
#pragma once

#include "IndexFileFormat.h"

#include <cstdint>
#include <vector>

namespace tabula {

// What the packing of an index's pages depends on.
struct TPageShape {
    int keyLength = 0;
    std::uint8_t compression = indexfmt::kCompressNone;
    bool uniquenessSuffix = false; // non-unique secondary: last 4 bytes never dropped

    bool Compressed() const { return compression != indexfmt::kCompressNone; }
};

class TIndexPage {
public:
    std::int32_t offset = 0;
    std::uint8_t kind = indexfmt::kLeafRoot;
    std::int32_t prev = 0;
    std::int32_t next = 0;
    int pins = 0;
    bool modified = false;

    void Reset(std::int32_t pageOffset, const TPageShape& shape, std::uint8_t pageKind);

    bool IsLeaf() const { return kind == indexfmt::kLeafPage || kind == indexfmt::kLeafRoot; }
    bool IsRoot() const { return kind == indexfmt::kInnerRoot || kind == indexfmt::kLeafRoot; }
    const TPageShape& Shape() const { return shape_; }
    int Count() const { return static_cast<int>(refs_.size()); }
    const std::uint8_t* Key(int i) const { return keys_.data() + KeyAt(i); }
    const std::uint8_t* FirstKey() const { return keys_.data(); }
    std::int32_t Ref(int i) const { return refs_[static_cast<std::size_t>(i)]; }
    std::int32_t SubtreeCount(int i) const { return counts_[static_cast<std::size_t>(i)]; }
    void SetSubtreeCount(int i, std::int32_t n) { counts_[static_cast<std::size_t>(i)] = n; }
    void AddSubtreeCount(int i, std::int32_t d) { counts_[static_cast<std::size_t>(i)] += d; }
    void SetKey(int i, const std::uint8_t* key);
    // Records below this page: its entry count for a leaf, the sum of the
    // subtree counts for an inner page.
    std::int64_t SubtreeTotal() const;

    void Insert(int i, const std::uint8_t* key, std::int32_t ref, std::int32_t count = 0);
    void Remove(int i);
    // Moves entries [from, Count()) to the front of `dst` (same level).
    void MoveTailTo(TIndexPage& dst, int from);
    // Moves the first n entries to the end of `dst` (same level).
    void MoveHeadTo(TIndexPage& dst, int n);
    void Clear();

    // Packed size of the entries of a compressed leaf; 0 otherwise.
    int UsedBytes() const { return used_; }
    int Capacity() const;
    // More entries (or packed bytes) than the page can hold.
    bool Overflows() const;

    // Expands a packed page image. Returns false (leaving the page empty) when
    // the image is inconsistent with the shape: the caller reports it.
    bool Decode(const std::uint8_t* image, std::int32_t pageOffset, const TPageShape& shape);
    // Packs the page into a 4096-byte image; unused bytes are zero. Returns
    // false when the entries do not fit (the page was not split in time).
    bool Encode(std::uint8_t* image) const;

private:
    std::size_t KeyAt(int i) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(shape_.keyLength);
    }
    bool CompressedLeaf() const { return IsLeaf() && shape_.Compressed(); }
    // Packed size of entry i given entry i - 1 (0 for an empty slot).
    int PackedSize(int i) const;
    // Prefix and trailing counts of entry i in the packed image.
    void PackCounts(int i, int& prefix, int& trailing) const;
    void RecomputeUsed();

    TPageShape shape_;
    std::vector<std::uint8_t> keys_;
    std::vector<std::int32_t> refs_;
    std::vector<std::int32_t> counts_; // inner pages only
    int used_ = 0;
};

} // namespace tabula
