// TBTree: the B+-tree of one index inside the index file.
//
// Structure: a root page (kind 3 leaf root while it fits in one page, else
// kind 0 inner root), inner pages (kind 1) and leaves (kind 2). Every level
// is a doubly linked chain. Inner entries hold (first key of the child,
// child offset, records below the child), so positions are found by adding
// up the counts left of the path: O(depth) for a rank or a jump to a rank.
// Keys are strictly ascending by the index's comparer (non-unique indexes
// make their keys distinct with the uniqueness suffix).
//
// Pages come from and go back to this index's own free chain (descriptor
// offset 90); new pages are appended at the file's end-of-file offset.
//
// The tree keeps no page pointers between calls: each operation pins the
// pages it works on through TPageRef and remembers the path by offsets, so
// the 31-page cache can evict freely. Every page reached through a link is
// checked (offset, kind, entry count), a sibling link also for the link
// back, and walks along a level are bounded by the file's page count; a
// damaged tree raises kErrIndexBuffersCorrupt, never crashes or hangs. Not thread-safe: the caller
// holds the index read or write lock.
#pragma once

#include "IndexDescriptor.h"
#include "KeyComparer.h"
#include "PageCache.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tabula {

class TBTree {
public:
    // A place in the leaf level. `page` 0 means no entry (before the first or
    // after the last); `position` is the 1-based rank of the entry. `hops`
    // counts the leaves crossed since the location was found by a descent,
    // +1 for each Next onto a new leaf and -1 for each Prev: in a sound chain
    // that is less than the file's page count either way, so a walk that
    // reaches the page count is going round a loop of sibling links.
    struct TLocation {
        std::int32_t page = 0;
        int entry = 0;
        std::int64_t position = 0;
        std::int32_t hops = 0;
    };

    // One entry handed to BulkLoad: a key of KeyLength() bytes and its record
    // number. The key bytes stay the caller's.
    struct TBulkEntry {
        const std::uint8_t* key = nullptr;
        std::int32_t recno = 0;
    };

    TBTree(TPageCache& cache, TPageIO& io, TIndexDescriptor& descriptor, bool& headerModified,
           TKeyComparer comparer);

    const TKeyComparer& Comparer() const { return comparer_; }
    int KeyLength() const { return comparer_.KeyLength(); }
    std::int32_t Root() const { return descriptor_.root; }
    bool Empty() const { return descriptor_.root == 0; }
    TPageCache& Cache() { return cache_; }
    const TIndexDescriptor& Descriptor() const { return descriptor_; }
    const std::string& Name() const { return cache_.IndexName(); }

    // Number of entries, from the root's counts.
    std::int64_t EntryCount();
    // Whether the key is present; its record number in *recno when it is.
    bool FindExact(const std::uint8_t* key, std::int32_t* recno = nullptr);
    // Inserts the entry and returns where it stands afterwards (leaf page,
    // entry and rank), so that a caller can put a cursor on it without
    // searching again.
    TLocation Insert(const std::uint8_t* key, std::int32_t recno);
    // Removes the key; kErrKeyNotFound when it is absent.
    void Delete(const std::uint8_t* key);

    // Builds the tree of an empty index from entries given in index order,
    // bottom-up: the leaves in key order, then each inner level over the
    // one below with the records below each child, up to the root.
    //
    // Contract. The entries must be strictly ascending by Comparer(). Then
    // the tree holds the same entries in the same order as one built by
    // inserting them one by one (in any order): every rank, every search
    // and every walk gives the same answers, and TBTreeCheck finds it sound.
    // Later inserts and deletes work on it as on any other tree. Only the
    // page shapes differ: leaves and inner pages are filled to capacity,
    // the entries spread evenly over the pages of a level (compressed
    // leaves take entries while their packed bytes fit), where ascending
    // inserts leave half-full pages behind - a bulk-loaded index is read far
    // more than it is changed, and full pages halve the pages a walk visits.
    // The on-disk format is that of any other tree.
    //
    // The input is checked before any page is taken: a tree that is not
    // empty is kErrIndexExists; two equal keys are kErrDuplicateKey; a key
    // below the one before it is kErrIndexBuffersCorrupt (the entries are
    // not an index's). Each leaves the tree as it was. A failure while the
    // pages are written (a full file) leaves the tree empty; the pages
    // taken so far stay allocated until the table's failed write is rolled
    // back, as for any other failed write.
    // With distinctAscending the caller vouches for the order (a key sorter
    // that found every key's sort key above the one before), and the keys
    // are not compared again.
    void BulkLoad(std::span<const TBulkEntry> entries, bool distinctAscending = false);

    // First entry not below the key; page 0 and position EntryCount() + 1
    // when every entry is below it.
    TLocation LowerBound(const std::uint8_t* key);
    // Last entry not above the key; page 0 and position 0 when none.
    TLocation LastNotAbove(const std::uint8_t* key);
    // The entry of rank k (1 ≤ k ≤ EntryCount()).
    TLocation AtPosition(std::int64_t k);
    TLocation First();
    TLocation Last();
    // Moves one entry along the leaf chain; false (location unchanged) at
    // the end of the chain. A sibling link that leads to a page that is not
    // a leaf linking back, or a walk longer than the file has pages, is the
    // page-corrupt error.
    bool Next(TLocation& at);
    bool Prev(TLocation& at);
    // Key (KeyLength() bytes) and record number of the entry at `at`.
    void ReadEntry(const TLocation& at, std::uint8_t* key, std::int32_t* recno);
    // Next (forward) or Prev, then ReadEntry of the entry reached, from one
    // fetch of its page; key or recno may be null. False, `at` unchanged, at
    // the end of the chain.
    bool StepEntry(TLocation& at, bool forward, std::uint8_t* key, std::int32_t* recno);
    // How many entries after `at` (before it when not forward), at most
    // `limit`, carry the record numbers from + 1, from + 2, ... (from - 1,
    // from - 2, ...) without a break.
    int ConsecutiveRefs(TLocation at, bool forward, std::int32_t from, int limit);
    // Calls fn(key, recno) for `count` entries starting at `at`.
    void Visit(TLocation at, std::int64_t count,
               const std::function<void(const std::uint8_t*, std::int32_t)>& fn);

    // Page access for the structure check.
    TPageRef FetchPage(std::int32_t offset) { return TPageRef(cache_, cache_.Fetch(offset)); }
    [[noreturn]] void Corrupt() const;

private:
    struct TPathStep {
        std::int32_t page;
        int entry;
    };

    // One step along the leaf chain; the page landed on, or an empty
    // reference (location unchanged) at the end of the chain.
    TPageRef Advance(TLocation& at, bool forward);
    void ReadEntryOf(const TIndexPage& page, const TLocation& at, std::uint8_t* key,
                     std::int32_t* recno) const;
    TPageRef Allocate(std::uint8_t kind);
    void Free(TPageRef& page);
    void Unlink(TIndexPage& page);
    // Fetches a page reached from a parent (or the root) and checks its kind
    // against the level it is expected at.
    TPageRef FetchChecked(std::int32_t offset, bool root);
    // The sibling of leaf `from` (its next one when `forward`, which must be
    // non-zero): a non-root leaf whose link the other way names `from`.
    TPageRef FollowLeafLink(const TIndexPage& from, bool forward);
    // Pages of the file, the header page included: more than any level holds.
    std::int32_t PageCount() const;
    int ChooseChild(const TIndexPage& page, const std::uint8_t* key) const;
    int LeafLowerBound(const TIndexPage& page, const std::uint8_t* key) const;
    int LeafUpperBound(const TIndexPage& page, const std::uint8_t* key) const;
    // Descends to the leaf whose range holds the key; `path` receives the
    // inner steps, `before` the records left of the leaf.
    TPageRef Descend(const std::uint8_t* key, std::vector<TPathStep>* path, std::int64_t* before);
    void RefreshKeys(const std::vector<TPathStep>& path, std::size_t depth,
                     const std::uint8_t* firstKey);
    // Splits an overflowing page and its ancestors as far as needed; when
    // `inserted` names an entry of the first (leaf) page, it is corrected to
    // where that entry went.
    void Split(std::vector<TPathStep>& path, TPageRef page, TLocation* inserted = nullptr);
    void Rebalance(std::vector<TPathStep>& path, TPageRef page);

    // One page of a level being bulk-loaded, as its parent will list it.
    struct TLevelEntry {
        const std::uint8_t* firstKey;
        std::int32_t offset;
        std::int32_t count; // records below the page
    };
    void CheckBulkInput(std::span<const TBulkEntry> entries, bool distinctAscending) const;
    std::vector<TLevelEntry> BulkLeaves(std::span<const TBulkEntry> entries);
    std::vector<TLevelEntry> BulkInnerLevel(const std::vector<TLevelEntry>& below);
    // Chains `page` after `previous` (when there is one) on its level.
    static void Chain(TPageRef& previous, TPageRef& page);

    TPageCache& cache_;
    TPageIO& io_;
    TIndexDescriptor& descriptor_;
    bool& headerModified_;
    TKeyComparer comparer_;
    // The path of the insert or delete in progress, kept to save an
    // allocation per call (neither operation runs inside another).
    std::vector<TPathStep> path_;
};

} // namespace tabula
