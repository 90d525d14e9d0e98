// B+-tree search, insert with splits, delete with merging and redistribution.
#include "BTree.h"

#include "EngineCodes.h"
#include "EngineError.h"

#include <cstring>

namespace tabula {

using namespace indexfmt;

TBTree::TBTree(TPageCache& cache, TPageIO& io, TIndexDescriptor& descriptor, bool& headerModified,
               TKeyComparer comparer)
    : cache_(cache), io_(io), descriptor_(descriptor), headerModified_(headerModified),
      comparer_(std::move(comparer)) {}

void TBTree::Corrupt() const {
    io_.Corrupt(cache_.IndexName());
}

// ---- Pages -------------------------------------------------------------------

TPageRef TBTree::Allocate(std::uint8_t kind) {
    std::int32_t offset;
    if (descriptor_.freeHead != 0) {
        offset = descriptor_.freeHead;
        std::int32_t next;
        {
            TPageRef free = FetchPage(offset);
            if (free->Count() != 0)
                Corrupt();
            next = free->next;
        }
        if (next != 0 && (!io_.IsPageOffset(next) || next == offset))
            Corrupt();
        descriptor_.freeHead = next;
    } else {
        offset = io_.endOfFile;
        if (static_cast<std::int64_t>(offset) + static_cast<std::int64_t>(kPageSize) >
            kMaxTableFileSize)
            RaiseEngineError(kErrFileFull, io_.fileName, {}, {}, cache_.IndexName());
        io_.endOfFile = offset + static_cast<std::int32_t>(kPageSize);
    }
    headerModified_ = true;
    return TPageRef(cache_, cache_.Create(offset, kind));
}

void TBTree::Free(TPageRef& page) {
    page->Clear();
    page->prev = 0;
    page->next = descriptor_.freeHead;
    page->modified = true;
    descriptor_.freeHead = page->offset;
    headerModified_ = true;
    page.Release();
}

void TBTree::Unlink(TIndexPage& page) {
    // Neighbours are only rewritten when both name this page back: a stray
    // link must not carry the damage into a page of another level or index.
    TPageRef prev, next;
    if (page.prev != 0) {
        prev = FetchPage(page.prev);
        if (prev->next != page.offset)
            Corrupt();
    }
    if (page.next != 0) {
        next = FetchPage(page.next);
        if (next->prev != page.offset)
            Corrupt();
    }
    if (prev) {
        prev->next = page.next;
        prev->modified = true;
    }
    if (next) {
        next->prev = page.prev;
        next->modified = true;
    }
}

TPageRef TBTree::FetchChecked(std::int32_t offset, bool root) {
    TPageRef page = FetchPage(offset);
    const bool kindOk = root ? page->IsRoot() : !page->IsRoot();
    // Only a leaf root may be empty (and then only transiently).
    if (!kindOk || (page->Count() == 0 && !(root && page->IsLeaf())))
        Corrupt();
    return page;
}

TPageRef TBTree::FollowLeafLink(const TIndexPage& from, bool forward) {
    TPageRef to = FetchChecked(forward ? from.next : from.prev, false);
    // A link into another level, or one the sibling does not return (a
    // stray offset, a loop back to an earlier leaf), is damage.
    if (!to->IsLeaf() || (forward ? to->prev : to->next) != from.offset)
        Corrupt();
    return to;
}

std::int32_t TBTree::PageCount() const {
    return io_.endOfFile / static_cast<std::int32_t>(kPageSize);
}

// ---- Search ------------------------------------------------------------------

namespace {

// The first entry of the page for which `above` holds, or Count() when none
// does; `above` must be false for a prefix of the entries and true after it.
template <typename Above> int PartitionPoint(const TIndexPage& page, Above above) {
    int lo = 0, hi = page.Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (above(page.Key(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

} // namespace

int TBTree::ChooseChild(const TIndexPage& page, const std::uint8_t* key) const {
    // Last entry not above the key; the first child when the key is below all.
    const int lo = LeafUpperBound(page, key);
    return lo > 0 ? lo - 1 : 0;
}

// Both bounds try the page's last entry first: keys that arrive in
// ascending order (ascending record keys, auto-increment values in "Sys
// Deleted") fall after it on every level of the rightmost path, and then
// one comparison per page replaces the binary search. Other keys pay one
// comparison more.
int TBTree::LeafLowerBound(const TIndexPage& page, const std::uint8_t* key) const {
    const int n = page.Count();
    if (n > 0 && comparer_.Compare(page.Key(n - 1), key) < 0)
        return n;
    return PartitionPoint(page,
                          [&](const std::uint8_t* k) { return comparer_.Compare(k, key) >= 0; });
}

int TBTree::LeafUpperBound(const TIndexPage& page, const std::uint8_t* key) const {
    const int n = page.Count();
    if (n > 0 && comparer_.Compare(page.Key(n - 1), key) <= 0)
        return n;
    return PartitionPoint(page,
                          [&](const std::uint8_t* k) { return comparer_.Compare(k, key) > 0; });
}

TPageRef TBTree::Descend(const std::uint8_t* key, std::vector<TPathStep>* path,
                         std::int64_t* before) {
    std::int64_t left = 0;
    std::int32_t offset = descriptor_.root;
    TPageRef page = FetchChecked(offset, true);
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth > kMaxTreeDepth)
            Corrupt();
        const int c = ChooseChild(*page, key);
        if (before) // the rank is wanted: add up the records left of the path
            for (int i = 0; i < c; ++i)
                left += page->SubtreeCount(i);
        if (path)
            path->push_back({page->offset, c});
        const std::int32_t child = page->Ref(c);
        page = FetchChecked(child, false);
    }
    if (before)
        *before = left;
    return page;
}

std::int64_t TBTree::EntryCount() {
    if (descriptor_.root == 0)
        return 0;
    TPageRef root = FetchChecked(descriptor_.root, true);
    return root->SubtreeTotal();
}

bool TBTree::FindExact(const std::uint8_t* key, std::int32_t* recno) {
    if (descriptor_.root == 0)
        return false;
    TPageRef leaf = Descend(key, nullptr, nullptr);
    const int i = LeafLowerBound(*leaf, key);
    if (i >= leaf->Count() || comparer_.Compare(leaf->Key(i), key) != 0)
        return false;
    if (recno)
        *recno = leaf->Ref(i);
    return true;
}

// ---- Insert ------------------------------------------------------------------

void TBTree::RefreshKeys(const std::vector<TPathStep>& path, std::size_t depth,
                         const std::uint8_t* firstKey) {
    // The page at `depth` got a new first key: its parent entry follows, and
    // so on upward while the entry is its page's first.
    for (std::size_t level = depth; level-- > 0;) {
        TPageRef parent = FetchPage(path[level].page);
        const int entry = path[level].entry;
        if (std::memcmp(parent->Key(entry), firstKey, static_cast<std::size_t>(KeyLength())) == 0)
            return;
        parent->SetKey(entry, firstKey);
        parent->modified = true;
        if (entry != 0)
            return;
    }
}

TBTree::TLocation TBTree::Insert(const std::uint8_t* key, std::int32_t recno) {
    if (descriptor_.root == 0) {
        TPageRef page = Allocate(kLeafRoot);
        page->Insert(0, key, recno);
        descriptor_.root = page->offset;
        headerModified_ = true;
        return {page->offset, 0, 1};
    }
    std::vector<TPathStep>& path = path_;
    path.clear();
    std::int64_t before = 0;
    TPageRef leaf = Descend(key, &path, &before);
    // Every inner entry passed on the way now has one more record below it.
    for (const TPathStep& step : path) {
        TPageRef page = FetchPage(step.page);
        page->AddSubtreeCount(step.entry, 1);
        page->modified = true;
    }
    const int at = LeafUpperBound(*leaf, key);
    leaf->Insert(at, key, recno);
    leaf->modified = true;
    TLocation where{leaf->offset, at, before + at + 1};
    if (at == 0)
        RefreshKeys(path, path.size(), leaf->FirstKey());
    if (leaf->Overflows())
        Split(path, std::move(leaf), &where);
    return where;
}

void TBTree::Split(std::vector<TPathStep>& path, TPageRef page, TLocation* inserted) {
    for (bool first = true;; first = false) {
        const bool leaf = page->IsLeaf();
        const bool wasRoot = page->IsRoot();
        const int n = page->Count();
        // The page after this one gets the new page as its previous; it
        // must name this one now (checked before anything changes).
        TPageRef after;
        if (page->next != 0) {
            after = FetchPage(page->next);
            if (after->prev != page->offset)
                Corrupt();
        }
        TPageRef right = Allocate(leaf ? kLeafPage : kInnerPage);
        page->kind = leaf ? kLeafPage : kInnerPage;
        page->MoveTailTo(*right, n - n / 2);
        if (leaf && page->Shape().Compressed()) {
            // Halving by count need not halve the packed bytes: shift single
            // entries until both pages fit.
            while (page->Overflows() && page->Count() > 1)
                page->MoveTailTo(*right, page->Count() - 1);
            while (right->Overflows() && right->Count() > 1)
                right->MoveHeadTo(*page, 1);
            if (page->Overflows() || right->Overflows())
                Corrupt();
        }
        // The entry just inserted into a split leaf may have moved right.
        if (first && inserted && inserted->entry >= page->Count()) {
            inserted->entry -= page->Count();
            inserted->page = right->offset;
        }
        right->prev = page->offset;
        right->next = page->next;
        if (after) {
            after->prev = right->offset;
            after->modified = true;
            after.Release();
        }
        page->next = right->offset;
        page->modified = right->modified = true;
        const auto leftCount = static_cast<std::int32_t>(page->SubtreeTotal());
        const auto rightCount = static_cast<std::int32_t>(right->SubtreeTotal());
        if (wasRoot) {
            TPageRef root = Allocate(kInnerRoot);
            root->Insert(0, page->FirstKey(), page->offset, leftCount);
            root->Insert(1, right->FirstKey(), right->offset, rightCount);
            descriptor_.root = root->offset;
            headerModified_ = true;
            return;
        }
        const TPathStep step = path.back();
        path.pop_back();
        TPageRef parent = FetchPage(step.page);
        parent->SetSubtreeCount(step.entry, leftCount);
        parent->Insert(step.entry + 1, right->FirstKey(), right->offset, rightCount);
        parent->modified = true;
        if (!parent->Overflows())
            return;
        right.Release();
        page = std::move(parent);
    }
}

// ---- Delete ------------------------------------------------------------------

void TBTree::Delete(const std::uint8_t* key) {
    if (descriptor_.root == 0)
        RaiseEngineError(kErrKeyNotFound, io_.fileName, {}, {}, cache_.IndexName());
    std::vector<TPathStep>& path = path_;
    path.clear();
    TPageRef leaf = Descend(key, &path, nullptr);
    const int at = LeafLowerBound(*leaf, key);
    if (at >= leaf->Count() || comparer_.Compare(leaf->Key(at), key) != 0)
        RaiseEngineError(kErrKeyNotFound, io_.fileName, {}, {}, cache_.IndexName());
    for (const TPathStep& step : path) {
        TPageRef page = FetchPage(step.page);
        page->AddSubtreeCount(step.entry, -1);
        page->modified = true;
    }
    leaf->Remove(at);
    leaf->modified = true;
    if (at == 0 && leaf->Count() > 0)
        RefreshKeys(path, path.size(), leaf->FirstKey());
    Rebalance(path, std::move(leaf));
}

void TBTree::Rebalance(std::vector<TPathStep>& path, TPageRef page) {
    for (;;) {
        // Removing an entry from a prefix-compressed leaf can lengthen the
        // next entry; a page that no longer fits is split like on insert.
        if (page->Overflows()) {
            Split(path, std::move(page));
            return;
        }
        if (path.empty()) {
            if (page->Count() == 0) {
                Free(page);
                descriptor_.root = 0;
                headerModified_ = true;
            } else if (!page->IsLeaf() && page->Count() == 1) {
                const std::int32_t child = page->Ref(0);
                Free(page);
                TPageRef newRoot = FetchChecked(child, false);
                newRoot->kind = newRoot->IsLeaf() ? kLeafRoot : kInnerRoot;
                newRoot->modified = true;
                descriptor_.root = child;
                headerModified_ = true;
            }
            return;
        }
        const TPathStep step = path.back();
        TPageRef parent = FetchPage(step.page);
        const int c = step.entry;
        if (c >= parent->Count() || parent->Ref(c) != page->offset)
            Corrupt();
        // Compressed leaves are only dropped when they become empty; so is any
        // empty page that has no sibling to join (possible with 3-entry pages).
        if ((page->IsLeaf() && page->Shape().Compressed()) || parent->Count() < 2) {
            if (page->Count() > 0)
                return;
            Unlink(*page);
            Free(page);
            parent->Remove(c);
            parent->modified = true;
            path.pop_back();
            if (c == 0 && parent->Count() > 0)
                RefreshKeys(path, path.size(), parent->FirstKey());
            page = std::move(parent);
            continue;
        }
        const int capacity = page->Capacity();
        if (2 * page->Count() >= capacity || parent->Count() < 2)
            return;
        // Join with the left sibling, or the right one for a first child.
        const int s = c == 0 ? 1 : c - 1;
        TPageRef sibling = FetchChecked(parent->Ref(s), false);
        if (sibling->IsLeaf() != page->IsLeaf())
            Corrupt();
        if (page->Count() + sibling->Count() < capacity) {
            Unlink(*page); // first: it refuses damaged links before anything moves
            if (s < c)
                page->MoveHeadTo(*sibling, page->Count());
            else
                page->MoveTailTo(*sibling, 0);
            sibling->modified = true;
            Free(page);
            parent->SetSubtreeCount(s, static_cast<std::int32_t>(sibling->SubtreeTotal()));
            parent->Remove(c);
            const int kept = s < c ? s : 0;
            parent->SetKey(kept, sibling->FirstKey());
            parent->modified = true;
            path.pop_back();
            if (kept == 0)
                RefreshKeys(path, path.size(), parent->FirstKey());
            sibling.Release();
            page = std::move(parent);
            continue;
        }
        // Redistribute: the sibling ends with the larger half.
        const int total = page->Count() + sibling->Count();
        const int want = (total + 1) / 2;
        if (s < c) {
            if (sibling->Count() > want)
                sibling->MoveTailTo(*page, want);
            else
                page->MoveHeadTo(*sibling, want - sibling->Count());
        } else {
            if (sibling->Count() > want)
                sibling->MoveHeadTo(*page, sibling->Count() - want);
            else
                page->MoveTailTo(*sibling, page->Count() - (want - sibling->Count()));
        }
        page->modified = sibling->modified = true;
        parent->SetSubtreeCount(c, static_cast<std::int32_t>(page->SubtreeTotal()));
        parent->SetSubtreeCount(s, static_cast<std::int32_t>(sibling->SubtreeTotal()));
        parent->SetKey(c, page->FirstKey());
        parent->SetKey(s, sibling->FirstKey());
        parent->modified = true;
        path.pop_back();
        if (c == 0 || s == 0)
            RefreshKeys(path, path.size(), parent->FirstKey());
        return;
    }
}

// ---- Positions -----------------------------------------------------------------

TBTree::TLocation TBTree::LowerBound(const std::uint8_t* key) {
    if (descriptor_.root == 0)
        return {0, 0, 1};
    std::int64_t before = 0;
    TPageRef leaf = Descend(key, nullptr, &before);
    const int i = LeafLowerBound(*leaf, key);
    const std::int64_t position = before + i + 1;
    if (i < leaf->Count())
        return {leaf->offset, i, position};
    if (leaf->next == 0)
        return {0, 0, position};
    TPageRef next = FollowLeafLink(*leaf, true);
    return {next->offset, 0, position};
}

TBTree::TLocation TBTree::LastNotAbove(const std::uint8_t* key) {
    if (descriptor_.root == 0)
        return {0, 0, 0};
    std::int64_t before = 0;
    TPageRef leaf = Descend(key, nullptr, &before);
    const int i = LeafUpperBound(*leaf, key);
    const std::int64_t position = before + i;
    if (i > 0)
        return {leaf->offset, i - 1, position};
    if (leaf->prev == 0)
        return {0, 0, 0};
    TPageRef prev = FollowLeafLink(*leaf, false);
    return {prev->offset, prev->Count() - 1, position};
}

TBTree::TLocation TBTree::AtPosition(std::int64_t k) {
    if (descriptor_.root == 0 || k < 1)
        return {0, 0, 0};
    std::int64_t remaining = k;
    TPageRef page = FetchChecked(descriptor_.root, true);
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth > kMaxTreeDepth)
            Corrupt();
        int c = 0;
        while (c < page->Count() && remaining > page->SubtreeCount(c))
            remaining -= page->SubtreeCount(c++);
        if (c == page->Count())
            return {0, 0, k}; // beyond the last entry
        const std::int32_t child = page->Ref(c);
        page = FetchChecked(child, false);
    }
    if (remaining > page->Count()) {
        if (page->IsRoot())
            return {0, 0, k};
        Corrupt(); // the parent's count promised more entries than the leaf has
    }
    return {page->offset, static_cast<int>(remaining - 1), k};
}

TBTree::TLocation TBTree::First() {
    if (descriptor_.root == 0)
        return {};
    TPageRef page = FetchChecked(descriptor_.root, true);
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth > kMaxTreeDepth)
            Corrupt();
        const std::int32_t child = page->Ref(0);
        page = FetchChecked(child, false);
    }
    if (page->Count() == 0)
        return {};
    return {page->offset, 0, 1};
}

TBTree::TLocation TBTree::Last() {
    if (descriptor_.root == 0)
        return {};
    TPageRef page = FetchChecked(descriptor_.root, true);
    const std::int64_t total = page->SubtreeTotal();
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth > kMaxTreeDepth)
            Corrupt();
        const std::int32_t child = page->Ref(page->Count() - 1);
        page = FetchChecked(child, false);
    }
    if (page->Count() == 0)
        return {};
    return {page->offset, page->Count() - 1, total};
}

TPageRef TBTree::Advance(TLocation& at, bool forward) {
    if (at.page == 0)
        return {};
    TPageRef page = FetchPage(at.page);
    if (!page->IsLeaf())
        Corrupt();
    if (forward ? at.entry + 1 < page->Count() : at.entry > 0) {
        at.entry += forward ? 1 : -1;
        at.position += forward ? 1 : -1;
        return page;
    }
    if ((forward ? page->next : page->prev) == 0)
        return {};
    const std::int32_t hops = at.hops + (forward ? 1 : -1);
    if ((forward ? hops : -hops) >= PageCount())
        Corrupt(); // more leaves than pages: the chain loops
    TPageRef to = FollowLeafLink(*page, forward);
    at = {to->offset, forward ? 0 : to->Count() - 1, at.position + (forward ? 1 : -1), hops};
    return to;
}

bool TBTree::Next(TLocation& at) {
    return static_cast<bool>(Advance(at, true));
}

bool TBTree::Prev(TLocation& at) {
    return static_cast<bool>(Advance(at, false));
}

bool TBTree::StepEntry(TLocation& at, bool forward, std::uint8_t* key, std::int32_t* recno) {
    TLocation to = at;
    TPageRef page = Advance(to, forward);
    if (!page)
        return false;
    ReadEntryOf(*page, to, key, recno);
    at = to;
    return true;
}

int TBTree::ConsecutiveRefs(TLocation at, bool forward, std::int32_t from, int limit) {
    if (at.page == 0 || limit < 1)
        return 0;
    TPageRef page = FetchPage(at.page);
    ReadEntryOf(*page, at, nullptr, nullptr);
    const int step = forward ? 1 : -1;
    std::int32_t expected = from + step;
    int count = 0;
    for (;;) {
        // The rest of this leaf, without a page fetch per entry.
        for (int e = at.entry + step; e >= 0 && e < page->Count(); e += step) {
            if (count >= limit || page->Ref(e) != expected)
                return count;
            ++count;
            expected += step;
        }
        if (count >= limit)
            return count;
        at.entry = forward ? page->Count() - 1 : 0;
        page = Advance(at, forward);
        if (!page)
            return count;
        at.entry -= step; // the loop above starts at the entry landed on
    }
}

void TBTree::ReadEntryOf(const TIndexPage& page, const TLocation& at, std::uint8_t* key,
                         std::int32_t* recno) const {
    if (!page.IsLeaf() || at.entry < 0 || at.entry >= page.Count())
        Corrupt();
    if (key)
        std::memcpy(key, page.Key(at.entry), static_cast<std::size_t>(KeyLength()));
    if (recno)
        *recno = page.Ref(at.entry);
}

void TBTree::ReadEntry(const TLocation& at, std::uint8_t* key, std::int32_t* recno) {
    TPageRef page = FetchPage(at.page);
    ReadEntryOf(*page, at, key, recno);
}

void TBTree::Visit(TLocation at, std::int64_t count,
                   const std::function<void(const std::uint8_t*, std::int32_t)>& fn) {
    std::int32_t offset = at.page;
    std::int32_t from = 0; // the leaf the walk came from, 0 on the first one
    int entry = at.entry;
    std::int32_t pagesLeft = PageCount();
    while (count > 0 && offset != 0) {
        if (--pagesLeft < 0)
            Corrupt(); // the leaf chain loops
        TPageRef page = FetchPage(offset);
        if (!page->IsLeaf() || (from != 0 && (page->IsRoot() || page->prev != from)))
            Corrupt();
        for (; entry < page->Count() && count > 0; ++entry, --count)
            fn(page->Key(entry), page->Ref(entry));
        from = offset;
        offset = page->next;
        entry = 0;
    }
}

} // namespace tabula
