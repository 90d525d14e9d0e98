// Sorting gathered index entries by their sort keys.
#include "KeySorter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <numeric>

namespace tabula {

namespace {

constexpr std::size_t kHeadBytes = 8;
// Sort keys are addressed by 32-bit offsets; beyond, the comparer sorts.
constexpr std::size_t kMaxSortBytes = 0xFFFFFFFFu;

// An entry's place in the sort: the first sort-key bytes as a big-endian
// number (zero-padded), where the whole sort key lies, and the entry; the
// sort key's length is kept apart, by entry, so that the radix passes move
// 16 bytes an item.
struct TSortItem {
    std::uint64_t head;
    std::uint32_t offset;
    std::uint32_t entry;
};
static_assert(sizeof(TSortItem) == 16);

// Where the sort keys lie: their bytes, and each entry's sort-key length.
struct TSortKeys {
    const std::uint8_t* base;
    const std::uint32_t* lengths;
    std::uint32_t Length(const TSortItem& item) const { return lengths[item.entry]; }
};

// Eight bytes as the big-endian number they spell.
std::uint64_t BigEndianWord(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little)
        word = __builtin_bswap64(word);
    return word;
}

std::uint64_t HeadOf(const std::uint8_t* bytes, std::size_t length) {
    if (length >= kHeadBytes)
        return BigEndianWord(bytes);
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < kHeadBytes; ++i)
        head = (head << 8) | (i < length ? bytes[i] : 0);
    return head;
}

// Leading bytes a and b share, at most `length`; eight at a time.
std::size_t CommonPrefix(const std::uint8_t* a, std::size_t length, const std::uint8_t* b) {
    std::size_t i = 0;
    for (; i + kHeadBytes <= length; i += kHeadBytes) {
        const std::uint64_t x = BigEndianWord(a + i);
        const std::uint64_t y = BigEndianWord(b + i);
        if (x != y)
            return i + static_cast<std::size_t>(std::countl_zero(x ^ y)) / 8;
    }
    while (i < length && a[i] == b[i])
        ++i;
    return i;
}

// The order of two items: head, then the rest of the sort key, then the
// shorter key (no sort key is a prefix of another, so equal heads with a
// key shorter than the head mean equal keys), then the entry number.
struct TItemOrder {
    TSortKeys keys;
    bool operator()(const TSortItem& a, const TSortItem& b) const {
        if (a.head != b.head)
            return a.head < b.head;
        const std::uint32_t aLength = keys.Length(a);
        const std::uint32_t bLength = keys.Length(b);
        const std::size_t common = std::min(aLength, bLength);
        if (common > kHeadBytes) {
            const int c = std::memcmp(keys.base + a.offset + kHeadBytes,
                                      keys.base + b.offset + kHeadBytes, common - kHeadBytes);
            if (c != 0)
                return c < 0;
        }
        if (aLength != bLength)
            return aLength < bLength;
        return a.entry < b.entry;
    }
};

// Whether a's sort key is below b's (not equal), by bytes and then length.
bool SortKeyBelow(const TSortKeys& keys, const TSortItem& a, const TSortItem& b) {
    if (a.head != b.head)
        return a.head < b.head;
    const std::uint32_t aLength = keys.Length(a);
    const std::uint32_t bLength = keys.Length(b);
    const int c =
        std::memcmp(keys.base + a.offset, keys.base + b.offset, std::min(aLength, bLength));
    return c != 0 ? c < 0 : aLength < bLength;
}

// Groups smaller than this are left to a comparison sort.
constexpr std::size_t kRadixMinimum = 64;
constexpr int kRadixBuckets = 256;

// The comparison sort of a group, the result going to `items`, or to
// `spare` when toSpare.
void SmallSort(TSortItem* items, TSortItem* spare, std::size_t count, const TItemOrder& order,
               bool toSpare) {
    std::sort(items, items + count, order);
    if (toSpare)
        std::copy(items, items + count, spare);
}

// Sorts the `count` items in `items` by TItemOrder, the result going to
// `items`, or to `spare` when toSpare: a most-significant-digit radix sort
// on the heads' bytes from `digit` (0 = the highest) down, each bucket on
// its own; a bucket whose heads are all equal, or a small one, goes to the
// comparison sort. Each pass scatters from one array into the other and
// the buckets go on from there, so no pass copies its items back.
void RadixSort(TSortItem* items, TSortItem* spare, std::size_t count, int digit,
               const TItemOrder& order, bool toSpare) {
    while (count >= kRadixMinimum && digit < static_cast<int>(kHeadBytes)) {
        const int shift = 8 * (static_cast<int>(kHeadBytes) - 1 - digit);
        std::array<std::size_t, kRadixBuckets + 1> start{};
        for (std::size_t i = 0; i < count; ++i)
            ++start[((items[i].head >> shift) & 0xFF) + 1];
        // All in one bucket: this digit decides nothing.
        if (std::find(start.begin() + 1, start.end(), count) != start.end()) {
            ++digit;
            continue;
        }
        for (int b = 0; b < kRadixBuckets; ++b)
            start[b + 1] += start[b];
        std::array<std::size_t, kRadixBuckets> next;
        std::copy(start.begin(), start.end() - 1, next.begin());
        for (std::size_t i = 0; i < count; ++i)
            spare[next[(items[i].head >> shift) & 0xFF]++] = items[i];
        // The items lie in `spare` now: where the result must go is, seen
        // from there, the other array when it was `items`.
        for (int b = 0; b < kRadixBuckets; ++b) {
            const std::size_t size = start[b + 1] - start[b];
            if (size >= kRadixMinimum)
                RadixSort(spare + start[b], items + start[b], size, digit + 1, order, !toSpare);
            else if (size > 0)
                SmallSort(spare + start[b], items + start[b], size, order, !toSpare);
        }
        return;
    }
    SmallSort(items, spare, count, order, toSpare);
}

} // namespace

void TKeySorter::Add(const std::uint8_t* key, std::int32_t recno) {
    keys_.insert(keys_.end(), key, key + keyLength_);
    recnos_.push_back(recno);
}

std::uint8_t* TKeySorter::AddSpace(std::int32_t recno) {
    keys_.resize(keys_.size() + static_cast<std::size_t>(keyLength_));
    recnos_.push_back(recno);
    return keys_.data() + keys_.size() - static_cast<std::size_t>(keyLength_);
}

std::vector<std::uint32_t> TKeySorter::OrderBySortKeys(const TKeyComparer& comparer,
                                                       ESortKeyKind kind, bool* distinct) const {
    const std::size_t n = Size();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(keys_.size() + n * kHeadBytes);
    std::vector<TSortItem> items(n);
    std::vector<std::uint32_t> lengths(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t offset = bytes.size();
        if (!comparer.AppendSortKey(Key(i), bytes, kind) || bytes.size() > kMaxSortBytes)
            return {};
        items[i] = {0, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(i)};
        lengths[i] = static_cast<std::uint32_t>(bytes.size() - offset);
    }
    // Bytes every sort key starts with decide nothing (keys of one index
    // often share a long run: presence bytes, a common text prefix): the
    // head is taken after them and the comparisons start there.
    std::size_t shared = n > 0 ? lengths[0] : 0;
    for (std::size_t i = 0; i < n; ++i)
        shared = CommonPrefix(bytes.data(), std::min<std::size_t>(shared, lengths[i]),
                              bytes.data() + items[i].offset);
    for (std::size_t i = 0; i < n; ++i) {
        items[i].offset += static_cast<std::uint32_t>(shared);
        lengths[i] -= static_cast<std::uint32_t>(shared);
        items[i].head = HeadOf(bytes.data() + items[i].offset, lengths[i]);
    }
    const TSortKeys keys{bytes.data(), lengths.data()};
    std::vector<TSortItem> spare(n);
    RadixSort(items.data(), spare.data(), n, 0, TItemOrder{keys}, false);
    *distinct = true;
    for (std::size_t i = 1; i < n && *distinct; ++i)
        *distinct = SortKeyBelow(keys, items[i - 1], items[i]);
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

std::vector<TBTree::TBulkEntry> TKeySorter::Sorted(const TKeyComparer& comparer,
                                                   bool* distinct) const {
    std::vector<std::uint32_t> order;
    bool distinctBySortKeys = false;
    if (comparer.HasAsciiSortKeys())
        order = OrderBySortKeys(comparer, ESortKeyKind::kAscii, &distinctBySortKeys);
    if (order.size() != Size())
        order = OrderBySortKeys(comparer, ESortKeyKind::kIcu, &distinctBySortKeys);
    if (order.size() != Size()) {
        order = OrderByComparer(comparer);
        distinctBySortKeys = false;
    }
    if (distinct)
        *distinct = distinctBySortKeys;
    std::vector<TBTree::TBulkEntry> entries(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        entries[i] = {Key(order[i]), recnos_[order[i]]};
    return entries;
}

} // namespace tabula
