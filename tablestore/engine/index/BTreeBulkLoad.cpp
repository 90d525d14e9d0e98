// Bottom-up construction of a B+-tree from entries in index order.
//
// Each level is written left to right: a page is filled, chained after the
// page before it (which stays pinned until then, so at most two pages of
// the level are pinned) and listed for the level above by its first key,
// offset and record count. The level with a single page is the root.
#include "BTree.h"
#include "EngineCodes.h"
#include "EngineError.h"

namespace tabula {

using namespace indexfmt;

void TBTree::CheckBulkInput(std::span<const TBulkEntry> entries, bool distinctAscending) const {
    if (descriptor_.root != 0)
        RaiseEngineError(kErrIndexExists, io_.fileName, {}, {}, Name());
    if (distinctAscending)
        return;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const int c = comparer_.Compare(entries[i - 1].key, entries[i].key);
        if (c == 0)
            RaiseEngineError(kErrDuplicateKey, io_.fileName, {}, {}, Name());
        if (c > 0)
            Corrupt();
    }
}

void TBTree::Chain(TPageRef& previous, TPageRef& page) {
    page->modified = true;
    if (!previous)
        return;
    previous->next = page->offset;
    page->prev = previous->offset;
    previous->modified = true;
}

namespace {

// Entries of page p when n entries spread evenly over `pages` pages.
std::size_t EvenShare(std::size_t n, std::size_t pages, std::size_t p) {
    return n / pages + (p < n % pages ? 1 : 0);
}

std::size_t PagesFor(std::size_t n, int capacity) {
    const auto c = static_cast<std::size_t>(capacity);
    return (n + c - 1) / c;
}

} // namespace

namespace {
// Sorted entries point at keys gathered in another order: the key a few
// entries ahead is asked for while this one is copied, so that its cache
// miss overlaps the work instead of stalling it.
constexpr std::size_t kKeyPrefetchDistance = 8;
} // namespace

std::vector<TBTree::TLevelEntry> TBTree::BulkLeaves(std::span<const TBulkEntry> entries) {
    std::vector<TLevelEntry> level;
    const std::size_t n = entries.size();
    const std::size_t evenPages = PagesFor(n, LeafCapacity(KeyLength()));
    TPageRef previous;
    std::size_t next = 0;
    while (next < n) {
        TPageRef page = Allocate(kLeafPage);
        const std::size_t first = next;
        if (page->Shape().Compressed()) {
            // Packed sizes vary: take entries while they fit.
            for (; next < n; ++next) {
                page->Insert(page->Count(), entries[next].key, entries[next].recno);
                if (page->Overflows()) {
                    if (page->Count() == 1)
                        Corrupt(); // no single entry outgrows a page
                    page->Remove(page->Count() - 1);
                    break;
                }
            }
        } else {
            const std::size_t take = EvenShare(n, evenPages, level.size());
            for (const std::size_t end = next + take; next < end; ++next) {
                if (next + kKeyPrefetchDistance < n)
                    __builtin_prefetch(entries[next + kKeyPrefetchDistance].key);
                page->Insert(page->Count(), entries[next].key, entries[next].recno);
            }
        }
        Chain(previous, page);
        level.push_back(
            {entries[first].key, page->offset, static_cast<std::int32_t>(next - first)});
        previous = std::move(page);
    }
    if (level.size() == 1)
        previous->kind = kLeafRoot;
    return level;
}

std::vector<TBTree::TLevelEntry> TBTree::BulkInnerLevel(const std::vector<TLevelEntry>& below) {
    std::vector<TLevelEntry> level;
    const std::size_t n = below.size();
    const std::size_t pages = PagesFor(n, InnerCapacity(KeyLength()));
    TPageRef previous;
    std::size_t next = 0;
    for (std::size_t p = 0; p < pages; ++p) {
        TPageRef page = Allocate(pages == 1 ? kInnerRoot : kInnerPage);
        const std::size_t first = next;
        std::int64_t records = 0;
        for (const std::size_t end = next + EvenShare(n, pages, p); next < end; ++next) {
            page->Insert(page->Count(), below[next].firstKey, below[next].offset,
                         below[next].count);
            records += below[next].count;
        }
        Chain(previous, page);
        level.push_back({below[first].firstKey, page->offset, static_cast<std::int32_t>(records)});
        previous = std::move(page);
    }
    return level;
}

void TBTree::BulkLoad(std::span<const TBulkEntry> entries, bool distinctAscending) {
    CheckBulkInput(entries, distinctAscending);
    if (entries.empty())
        return;
    std::vector<TLevelEntry> level = BulkLeaves(entries);
    // Each inner level has at least two entries per page but the last, so
    // the levels shrink to one page within the depth limit.
    for (int depth = 0; level.size() > 1; ++depth) {
        if (depth > kMaxTreeDepth)
            Corrupt();
        level = BulkInnerLevel(level);
    }
    descriptor_.root = level.front().offset;
    headerModified_ = true;
}

} // namespace tabula
