// TKeySorter: index entries gathered in any order and handed out in the
// order of an index's comparer, for a bulk load of its tree.
//
// The keys are copied into one buffer as they come. Sorting computes each
// key's sort key once (TKeyComparer::AppendSortKey) and orders the entries
// by unsigned byte order of those, which is the comparer's order without a
// collation call per comparison; the first eight sort-key bytes are kept
// beside each entry, and a radix sort on them splits the entries into
// groups, of which only those too small to split or with equal eight bytes
// are sorted by comparing whole sort keys.
// The sort keys are the per-character ASCII ones where every key has them,
// ICU's otherwise. When a key has no sort key (a text the locale cannot
// convert) the entries are ordered by the comparer itself. Equal keys keep the order
// they were added in.
//
// States: gathering (Add) --Sorted--> gathering again (the entries stay;
// the returned pointers are valid until the next Add or the sorter's end).
#pragma once

#include "BTree.h"
#include "KeyComparer.h"

#include <cstdint>
#include <vector>

namespace tabula {

class TKeySorter {
public:
    explicit TKeySorter(int keyLength) : keyLength_(keyLength) {}

    void Add(const std::uint8_t* key, std::int32_t recno);
    // Room for one more key (key length bytes) of record recno, which the
    // caller writes before the next Add or AddSpace.
    std::uint8_t* AddSpace(std::int32_t recno);
    // Room for `entries` entries, for a caller that knows how many come.
    void Reserve(std::size_t entries) {
        keys_.reserve(entries * static_cast<std::size_t>(keyLength_));
        recnos_.reserve(entries);
    }
    std::size_t Size() const { return recnos_.size(); }
    // The entries in the comparer's order. With distinct given, it tells
    // whether the order was taken from sort keys that all differ: the keys
    // are then strictly ascending under the comparer (sort keys order and
    // equate keys exactly as the comparer does), and a bulk load need not
    // compare them again.
    std::vector<TBTree::TBulkEntry> Sorted(const TKeyComparer& comparer,
                                           bool* distinct = nullptr) const;

private:
    const std::uint8_t* Key(std::size_t i) const {
        return keys_.data() + i * static_cast<std::size_t>(keyLength_);
    }
    // Entry numbers in the comparer's order, or empty when some key has no
    // sort key of the kind; *distinct: whether no two sort keys are equal.
    std::vector<std::uint32_t> OrderBySortKeys(const TKeyComparer& comparer, ESortKeyKind kind,
                                               bool* distinct) const;
    std::vector<std::uint32_t> OrderByComparer(const TKeyComparer& comparer) const;

    int keyLength_;
    std::vector<std::uint8_t> keys_;
    std::vector<std::int32_t> recnos_;
};

} // namespace tabula
