// Sorting gathered index entries by their sort keys.
#include "KeySorter.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace tabula {

namespace {

constexpr std::size_t kHeadBytes = 8;
// Sort keys are addressed by 32-bit offsets; beyond, the comparer sorts.
constexpr std::size_t kMaxSortBytes = 0xFFFFFFFFu;

// An entry's place in the sort: the first sort-key bytes as a big-endian
// number (zero-padded), where the whole sort key lies, and the entry.
struct TSortItem {
    std::uint64_t head;
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t entry;
};

std::uint64_t HeadOf(const std::uint8_t* bytes, std::size_t length) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < kHeadBytes; ++i)
        head = (head << 8) | (i < length ? bytes[i] : 0);
    return head;
}

// Leading bytes a and b share, at most `length`.
std::size_t CommonPrefix(const std::uint8_t* a, std::size_t length, const std::uint8_t* b) {
    return static_cast<std::size_t>(std::mismatch(a, a + length, b).first - a);
}

} // namespace

void TKeySorter::Add(const std::uint8_t* key, std::int32_t recno) {
    keys_.insert(keys_.end(), key, key + keyLength_);
    recnos_.push_back(recno);
}

std::vector<std::uint32_t> TKeySorter::OrderBySortKeys(const TKeyComparer& comparer,
                                                       ESortKeyKind kind) const {
    const std::size_t n = Size();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(keys_.size() + n * kHeadBytes);
    std::vector<TSortItem> items(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t offset = bytes.size();
        if (!comparer.AppendSortKey(Key(i), bytes, kind) || bytes.size() > kMaxSortBytes)
            return {};
        items[i] = {0, static_cast<std::uint32_t>(offset),
                    static_cast<std::uint32_t>(bytes.size() - offset),
                    static_cast<std::uint32_t>(i)};
    }
    // Bytes every sort key starts with decide nothing (keys of one index
    // often share a long run: presence bytes, a common text prefix): the
    // head is taken after them and the comparisons start there.
    std::size_t shared = n > 0 ? items[0].length : 0;
    for (const TSortItem& item : items)
        shared = CommonPrefix(bytes.data(), std::min<std::size_t>(shared, item.length),
                              bytes.data() + item.offset);
    for (TSortItem& item : items) {
        item.offset += static_cast<std::uint32_t>(shared);
        item.length -= static_cast<std::uint32_t>(shared);
        item.head = HeadOf(bytes.data() + item.offset, item.length);
    }
    // No sort key is a prefix of another, so equal heads with a key
    // shorter than the head mean equal keys; the rest decides otherwise.
    const std::uint8_t* base = bytes.data();
    std::sort(items.begin(), items.end(), [base](const TSortItem& a, const TSortItem& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const std::size_t common = std::min(a.length, b.length);
        if (common > kHeadBytes) {
            const int c = std::memcmp(base + a.offset + kHeadBytes, base + b.offset + kHeadBytes,
                                      common - kHeadBytes);
            if (c != 0)
                return c < 0;
        }
        if (a.length != b.length)
            return a.length < b.length;
        return a.entry < b.entry;
    });
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = items[i].entry;
    return order;
}

std::vector<std::uint32_t> TKeySorter::OrderByComparer(const TKeyComparer& comparer) const {
    std::vector<std::uint32_t> order(Size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return comparer.Compare(Key(a), Key(b)) < 0;
    });
    return order;
}

std::vector<TBTree::TBulkEntry> TKeySorter::Sorted(const TKeyComparer& comparer) const {
    std::vector<std::uint32_t> order;
    if (comparer.HasAsciiSortKeys())
        order = OrderBySortKeys(comparer, ESortKeyKind::kAscii);
    if (order.size() != Size())
        order = OrderBySortKeys(comparer, ESortKeyKind::kIcu);
    if (order.size() != Size())
        order = OrderByComparer(comparer);
    std::vector<TBTree::TBulkEntry> entries(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        entries[i] = {Key(order[i]), recnos_[order[i]]};
    return entries;
}

} // namespace tabula
