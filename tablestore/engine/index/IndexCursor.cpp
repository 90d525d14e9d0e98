// Cursor movement, ranges, positions, bitmaps and filters of an index file.
#include "IndexCursor.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexFile.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using namespace indexfmt;

TIndexCursor::TIndexCursor(TIndexFile& file) : file_(file) {}

TIndexCursor::~TIndexCursor() = default;

void TIndexCursor::SetRecordSource(TRecordSource* source) {
    source_ = source;
}

bool TIndexCursor::Physical() const {
    return file_.PhysicalOrder();
}

TBTree* TIndexCursor::Tree() {
    return Physical() ? nullptr : &file_.Tree(file_.CurrentIndex());
}

int TIndexCursor::KeyLength() const {
    return Physical() ? 0 : file_.Descriptor(file_.CurrentIndex()).keyLength;
}

// ---- States ------------------------------------------------------------------------

void TIndexCursor::NoRecord() {
    bof_ = eof_ = true;
    at_ = {};
    recno_ = 0;
    position_ = 0;
    key_.assign(static_cast<std::size_t>(KeyLength()), 0);
}

void TIndexCursor::AtBof() {
    NoRecord();
    eof_ = false;
}

void TIndexCursor::AtEof() {
    NoRecord();
    bof_ = false;
}

void TIndexCursor::Land(const TBTree::TLocation& at) {
    key_.resize(static_cast<std::size_t>(KeyLength()));
    Tree()->ReadEntry(at, key_.data(), &recno_);
    at_ = at;
    position_ = bitmapMode_ ? -1 : at.position;
    bof_ = eof_ = false;
}

// Land on an entry whose key the caller has just read into stepKey_.
void TIndexCursor::LandRead(const TBTree::TLocation& at, std::int32_t recno) {
    key_.swap(stepKey_);
    recno_ = recno;
    at_ = at;
    position_ = bitmapMode_ ? -1 : at.position;
    bof_ = eof_ = false;
}

void TIndexCursor::LandPhysical(std::int32_t recno, std::int64_t position) {
    recno_ = recno;
    position_ = position;
    at_ = {};
    key_.clear();
    bof_ = eof_ = false;
}

void TIndexCursor::Reset() {
    ++generation_;
    rangeSet_ = false;
    startKey_.clear();
    endKey_.clear();
    RecomputeRange();
    RebuildBitmaps();
    NoRecord();
}

void TIndexCursor::Drop() {
    ++generation_;
    firstAtKnown_ = false;
    afterAtKnown_ = false;
    filters_.clear();
    bitmapMode_ = false;
    live_.Resize(0);
    range_.Resize(0);
    result_.Resize(0);
    resultCount_ = 0;
    rangeSet_ = false;
    NoRecord();
}

void TIndexCursor::IndexSelected() {
    ++generation_;
    rangeSet_ = false;
    startKey_.clear();
    endKey_.clear();
    RecomputeRange();
    RebuildBitmaps();
    AtBof();
}

void TIndexCursor::Complete(const std::uint8_t* key, int given, bool high,
                            std::vector<std::uint8_t>& full) const {
    const int length = KeyLength();
    full.assign(static_cast<std::size_t>(length), high ? 0xFF : 0x00);
    const int copied = std::clamp(given, 0, length);
    if (copied > 0)
        std::memcpy(full.data(), key, static_cast<std::size_t>(copied));
}

bool TIndexCursor::InRange(const std::uint8_t* key) {
    if (!rangeSet_)
        return true;
    const TKeyComparer& cmp = Tree()->Comparer();
    return cmp.Compare(key, startKey_.data()) >= 0 && cmp.Compare(key, endKey_.data()) <= 0;
}

// ---- Movement ------------------------------------------------------------------------

bool TIndexCursor::First() {
    if (Physical()) {
        const std::int32_t n = result_.NextSet(1);
        if (n == 0) {
            NoRecord();
            return false;
        }
        LandPhysical(n, 1);
        return true;
    }
    TBTree* tree = Tree();
    if (bitmapMode_) {
        TBTree::TLocation at = rangeSet_ ? tree->LowerBound(startKey_.data()) : tree->First();
        std::vector<std::uint8_t>& key = stepKey_;
        key.resize(static_cast<std::size_t>(KeyLength()));
        for (; at.page != 0;) {
            std::int32_t recno;
            tree->ReadEntry(at, key.data(), &recno);
            if (!InRange(key.data()))
                break;
            if (result_.Test(recno)) {
                LandRead(at, recno);
                position_ = 1;
                return true;
            }
            if (!tree->Next(at))
                break;
        }
        NoRecord();
        return false;
    }
    if (RecordCount() == 0) {
        NoRecord();
        return false;
    }
    // A range's first entry is where RecomputeRange found it, as long as the
    // tree has not changed since: the lookup of a join descends once.
    const TBTree::TLocation at =
        rangeSet_ && firstAtKnown_ ? firstAt_ : tree->AtPosition(firstPos_);
    if (at.page == 0)
        tree->Corrupt(); // the counts promised an entry at this position
    Land(at);
    return true;
}

bool TIndexCursor::Last() {
    if (Physical()) {
        const std::int32_t n = result_.PrevSet(result_.PhysicalCount());
        if (n == 0) {
            NoRecord();
            return false;
        }
        LandPhysical(n, resultCount_);
        return true;
    }
    TBTree* tree = Tree();
    if (bitmapMode_) {
        TBTree::TLocation at = rangeSet_ ? tree->LastNotAbove(endKey_.data()) : tree->Last();
        std::vector<std::uint8_t>& key = stepKey_;
        key.resize(static_cast<std::size_t>(KeyLength()));
        for (; at.page != 0;) {
            std::int32_t recno;
            tree->ReadEntry(at, key.data(), &recno);
            if (!InRange(key.data()))
                break;
            if (result_.Test(recno)) {
                LandRead(at, recno);
                position_ = resultCount_;
                return true;
            }
            if (!tree->Prev(at))
                break;
        }
        NoRecord();
        return false;
    }
    if (RecordCount() == 0) {
        NoRecord();
        return false;
    }
    const TBTree::TLocation at = tree->AtPosition(lastPos_);
    if (at.page == 0)
        tree->Corrupt();
    Land(at);
    return true;
}

int TIndexCursor::StepForward() {
    if (bof_)
        return First() ? kOk : kEndOfData;
    if (eof_)
        return kEndOfData;
    if (Physical()) {
        const std::int32_t n = result_.NextSet(recno_ + 1);
        if (n == 0) {
            AtEof();
            return kEndOfData;
        }
        LandPhysical(n, position_ + 1);
        return kOk;
    }
    TBTree* tree = Tree();
    TBTree::TLocation at = at_;
    std::vector<std::uint8_t>& key = stepKey_;
    key.resize(static_cast<std::size_t>(KeyLength()));
    const std::int64_t position = position_;
    for (;;) {
        std::int32_t recno;
        if (!tree->StepEntry(at, true, key.data(), &recno)) {
            AtEof();
            return kEndOfData;
        }
        if (!InRange(key.data())) {
            AtEof();
            return kEndOfData;
        }
        if (Visible(recno)) {
            LandRead(at, recno);
            if (bitmapMode_)
                position_ = position >= 0 ? position + 1 : -1;
            return kOk;
        }
    }
}

int TIndexCursor::StepBackward() {
    if (eof_)
        return Last() ? kOk : kBeginningOfData;
    if (bof_)
        return kBeginningOfData;
    if (Physical()) {
        const std::int32_t n = result_.PrevSet(recno_ - 1);
        if (n == 0) {
            AtBof();
            return kBeginningOfData;
        }
        LandPhysical(n, position_ - 1);
        return kOk;
    }
    TBTree* tree = Tree();
    TBTree::TLocation at = at_;
    std::vector<std::uint8_t>& key = stepKey_;
    key.resize(static_cast<std::size_t>(KeyLength()));
    const std::int64_t position = position_;
    for (;;) {
        std::int32_t recno;
        if (!tree->StepEntry(at, false, key.data(), &recno)) {
            AtBof();
            return kBeginningOfData;
        }
        if (!InRange(key.data())) {
            AtBof();
            return kBeginningOfData;
        }
        if (Visible(recno)) {
            LandRead(at, recno);
            if (bitmapMode_)
                position_ = position >= 0 ? position - 1 : -1;
            return kOk;
        }
    }
}

int TIndexCursor::Step(int n) {
    for (; n > 0; --n)
        if (const int rc = StepForward(); rc != kOk)
            return rc;
    for (; n < 0; ++n)
        if (const int rc = StepBackward(); rc != kOk)
            return rc;
    return kOk;
}

void TIndexCursor::GotoPosition(std::int64_t k) {
    if (k < 1) {
        AtBof();
        return;
    }
    if (Physical()) {
        const auto from = static_cast<std::int32_t>(std::min<std::int64_t>(k, INT32_MAX));
        std::int32_t n = result_.NextSet(from);
        if (n == 0)
            n = result_.PrevSet(from - 1);
        if (n == 0) {
            NoRecord();
            return;
        }
        LandPhysical(n, result_.CountSetUpTo(n));
        return;
    }
    if (k > RecordCount()) {
        AtEof();
        return;
    }
    if (bitmapMode_) {
        // Visible records are only known bit by bit: walk from the first.
        First();
        for (std::int64_t i = 1; i < k && OnRecord(); ++i)
            StepForward();
        return;
    }
    const TBTree::TLocation at = Tree()->AtPosition(k + firstPos_ - 1);
    if (at.page == 0)
        Tree()->Corrupt();
    Land(at);
}

bool TIndexCursor::FindKey(const std::uint8_t* key, int given, bool nearest, bool keepBeginning) {
    if (Physical())
        return false;
    TBTree* tree = Tree();
    const bool descending = tree->Comparer().Descending();
    const int length = KeyLength();
    given = std::clamp(given, 0, length);
    std::vector<std::uint8_t> full;
    Complete(key, given, descending, full);
    const TKeyComparer& cmp = tree->Comparer();
    const bool wasBof = bof_ && !eof_;
    if (rangeSet_) {
        if (cmp.Compare(full.data(), startKey_.data()) < 0) {
            First();
            return false;
        }
        if (cmp.Compare(full.data(), endKey_.data()) > 0) {
            Last();
            return false;
        }
    }
    if (tree->Empty())
        return false;
    TBTree::TLocation at = tree->LowerBound(full.data());
    std::vector<std::uint8_t> entry(static_cast<std::size_t>(length));
    std::int32_t recno = 0;
    bool exact = false;
    if (at.page != 0) {
        tree->ReadEntry(at, entry.data(), &recno);
        // A partial key matches every entry that agrees on the given bytes.
        std::vector<std::uint8_t> masked = entry;
        std::memcpy(masked.data() + given, full.data() + given,
                    static_cast<std::size_t>(length - given));
        exact = cmp.Compare(masked.data(), full.data()) == 0;
    }
    bool found = false;
    if (exact && Visible(recno)) {
        Land(at);
        found = true;
    } else if (!nearest) {
        return false;
    } else {
        // Nearest: the first visible entry above the key, within the range.
        bool landed = false;
        while (at.page != 0) {
            tree->ReadEntry(at, entry.data(), &recno);
            if (!InRange(entry.data()))
                break;
            if (Visible(recno)) {
                Land(at);
                landed = true;
                break;
            }
            if (!tree->Next(at))
                break;
        }
        if (!landed)
            AtEof();
    }
    if (keepBeginning && wasBof && OnRecord() && RecordPosition() > 1)
        AtBof();
    return found;
}

bool TIndexCursor::LandOnInserted(const TBTree::TLocation& at, std::int32_t recno) {
    // In physical order a visible record in the last slot (an append that
    // took a new slot) is the last visible record: its position is the count.
    if (Physical()) {
        if (recno < 1 || recno != result_.PhysicalCount() || !result_.Test(recno))
            return false;
        LandPhysical(recno, resultCount_);
        return true;
    }
    if (rangeSet_ || bitmapMode_ || at.page == 0)
        return false;
    Land(at);
    return recno_ == recno;
}

// ---- Range -----------------------------------------------------------------------------

void TIndexCursor::SetRange(const std::uint8_t* start, int startGiven, const std::uint8_t* end,
                            int endGiven) {
    if (Physical())
        return; // physical order has no key to restrict
    const bool descending = Tree()->Comparer().Descending();
    // Completed in place: a join sets a range per outer row, and the two
    // buffers keep their capacity from one row to the next.
    Complete(start, startGiven, descending, startKey_);
    Complete(end, endGiven, !descending, endKey_);
    rangeSet_ = true;
    ComputeRange(true);
    RebuildBitmaps();
    AtBof();
}

void TIndexCursor::CancelRange() {
    rangeSet_ = false;
    startKey_.clear();
    endKey_.clear();
    // Not a change of the records: the generation stays.
    ComputeRange(false);
    RebuildBitmaps();
    AtBof();
}

void TIndexCursor::Refresh() {
    ++generation_;
    RecomputeRange();
    RebuildBitmaps();
}

void TIndexCursor::RecomputeRange() {
    ++generation_;
    ComputeRange(false);
}

void TIndexCursor::ComputeRange(bool nearPrevious) {
    const bool hinted = nearPrevious && afterAtKnown_;
    firstAtKnown_ = false;
    afterAtKnown_ = false;
    if (Physical() || !file_.IsOpen()) {
        firstPos_ = 1;
        lastPos_ = resultCount_;
        return;
    }
    TBTree* tree = Tree();
    if (!rangeSet_) {
        firstPos_ = 1;
        lastPos_ = tree->EntryCount();
        return;
    }
    firstPos_ = lastPos_ = 0;
    if (tree->Comparer().Compare(startKey_.data(), endKey_.data()) > 0)
        return;
    const TBTree::TLocation start =
        hinted ? LowerBoundAfterPrevious(*tree) : tree->LowerBound(startKey_.data());
    if (start.page == 0)
        return;
    const std::int64_t last = RangeEnd(*tree, start);
    if (last == 0 || start.position > last)
        return;
    firstPos_ = start.position;
    lastPos_ = last;
    firstAt_ = start;
    firstAtKnown_ = true;
}

// A narrow range - the key lookup of a join, set once per outer row - ends
// a few entries after its start: stepping there along the leaf chain is
// cheaper than a second descent, which serves the wide ranges.
std::int64_t TIndexCursor::RangeEnd(TBTree& tree, TBTree::TLocation at) {
    constexpr int kRangeEndSteps = 8;
    scratchKey_.resize(static_cast<std::size_t>(tree.KeyLength()));
    for (int step = 0; step < kRangeEndSteps; ++step) {
        tree.ReadEntry(at, scratchKey_.data(), nullptr);
        if (tree.Comparer().Compare(scratchKey_.data(), endKey_.data()) > 0) {
            afterAt_ = at;
            afterEndKey_ = endKey_;
            afterAtKnown_ = true;
            return at.position - 1;
        }
        if (!tree.Next(at))
            return at.position; // the index's last entry lies inside
    }
    return tree.LastNotAbove(endKey_.data()).position;
}

// The first entry not below startKey_ when it lies a few entries after the
// previous range: every entry before afterAt_ is at most afterEndKey_, so
// for a start above that key the search begins at afterAt_ and steps along
// the leaf chain (consecutive join keys meet their entry at once). Further
// away, a descent.
TBTree::TLocation TIndexCursor::LowerBoundAfterPrevious(TBTree& tree) {
    constexpr int kLowerBoundSteps = 8;
    const TKeyComparer& cmp = tree.Comparer();
    if (cmp.Compare(afterEndKey_.data(), startKey_.data()) >= 0)
        return tree.LowerBound(startKey_.data());
    TBTree::TLocation at = afterAt_;
    // Each search steps a bounded number of entries, so the count of leaves
    // crossed starts afresh.
    at.hops = 0;
    scratchKey_.resize(static_cast<std::size_t>(tree.KeyLength()));
    for (int step = 0; step < kLowerBoundSteps; ++step) {
        tree.ReadEntry(at, scratchKey_.data(), nullptr);
        if (cmp.Compare(scratchKey_.data(), startKey_.data()) >= 0)
            return at;
        if (!tree.Next(at))
            return {}; // every entry is below the start
    }
    return tree.LowerBound(startKey_.data());
}

// ---- Facts ----------------------------------------------------------------------------

std::int64_t TIndexCursor::RecordCount() const {
    if (bitmapMode_)
        return resultCount_;
    if (firstPos_ == 0 || lastPos_ == 0)
        return 0;
    return std::max<std::int64_t>(0, lastPos_ - firstPos_ + 1);
}

std::int64_t TIndexCursor::RecordPosition() {
    if (!OnRecord())
        return 0;
    if (Physical())
        return position_;
    if (!bitmapMode_)
        return firstPos_ == 0 ? 0 : position_ - firstPos_ + 1;
    if (position_ < 0) {
        // Count the visible entries from the start of the range up to here.
        TBTree* tree = Tree();
        TBTree::TLocation at = rangeSet_ ? tree->LowerBound(startKey_.data()) : tree->First();
        std::int64_t count = 0;
        while (at.page != 0) {
            std::int32_t recno;
            tree->ReadEntry(at, nullptr, &recno);
            count += result_.Test(recno) ? 1 : 0;
            if (at.page == at_.page && at.entry == at_.entry)
                break;
            if (!tree->Next(at))
                break;
        }
        position_ = count;
    }
    return position_;
}

int TIndexCursor::ConsecutiveCount(int limit, bool forward) {
    if (!OnRecord() || limit < 1)
        return 0;
    int count = 1;
    std::int32_t r = recno_;
    if (Physical()) {
        while (count < limit && result_.Test(forward ? r + 1 : r - 1)) {
            r = forward ? r + 1 : r - 1;
            ++count;
        }
        return count;
    }
    TBTree* tree = Tree();
    // With no range and no bitmap, every entry is visible and only the record
    // numbers decide.
    if (!rangeSet_ && !bitmapMode_)
        return 1 + tree->ConsecutiveRefs(at_, forward, recno_, limit - 1);
    TBTree::TLocation at = at_;
    // The keys are only looked at when a range bounds the walk.
    std::vector<std::uint8_t>& key = scratchKey_;
    key.resize(static_cast<std::size_t>(KeyLength()));
    std::uint8_t* const keyOut = rangeSet_ ? key.data() : nullptr;
    std::int32_t recno;
    while (count < limit && tree->StepEntry(at, forward, keyOut, &recno)) {
        if (recno != (forward ? r + 1 : r - 1) || (rangeSet_ && !InRange(key.data())) ||
            !Visible(recno))
            break;
        r = recno;
        ++count;
    }
    return count;
}

// ---- Bitmaps --------------------------------------------------------------------------

std::int32_t TIndexCursor::PhysicalCount() {
    if (source_)
        return source_->PhysicalRecordCount();
    // Without record access the highest record number in the indexes stands in.
    std::int32_t highest = 0;
    auto track = [&highest](const std::uint8_t*, std::int32_t r) {
        highest = std::max(highest, r);
    };
    TBTree& tree = file_.Tree(file_.PhysicalOrderTable() ? kSysDeletedIndex : kPrimaryIndex);
    if (!file_.PhysicalOrderTable() && file_.Tree(kSysDeletedIndex).EntryCount() > 0) {
        TBTree& deleted = file_.Tree(kSysDeletedIndex);
        deleted.Visit(deleted.First(), deleted.EntryCount(), track);
    } else if (!tree.Empty()) {
        tree.Visit(tree.First(), tree.EntryCount(), track);
    }
    return highest;
}

void TIndexCursor::BuildLiveBitmap() {
    live_.ClearAll();
    if (file_.PhysicalOrderTable()) {
        live_.SetAll();
        if (source_)
            for (std::int32_t n = 1; n <= live_.PhysicalCount(); ++n) {
                const auto image = source_->ReadRecord(n);
                if (image.empty() || image[0] != 0)
                    live_.Clear(n);
            }
        return;
    }
    TBTree& deleted = file_.Tree(kSysDeletedIndex);
    auto mark = [this](const std::uint8_t*, std::int32_t r) { live_.Set(r); };
    if (deleted.Empty()) {
        // No slot entries kept: the primary index lists exactly the live records.
        TBTree& primary = file_.Tree(kPrimaryIndex);
        if (!primary.Empty())
            primary.Visit(primary.First(), primary.EntryCount(), mark);
        return;
    }
    const std::uint8_t firstDeletedKey[kSysDeletedKeyLength] = {1, 0, 0, 0, 0};
    const std::int64_t total = deleted.EntryCount();
    const TBTree::TLocation firstDeleted = deleted.LowerBound(firstDeletedKey);
    const std::int64_t d = total - (firstDeleted.position - 1);
    if (total - d < d) {
        deleted.Visit(deleted.First(), total - d, mark);
    } else {
        deleted.Visit(firstDeleted, d, mark);
        live_.Invert();
    }
}

void TIndexCursor::BuildRangeBitmap() {
    range_.ClearAll();
    if (!rangeSet_ || Physical())
        return;
    TFilterContext context(file_, source_, live_);
    context.MarkKeyRange(file_.CurrentIndex(), startKey_.data(), endKey_.data(), range_);
}

void TIndexCursor::CombineResult() {
    result_ = live_;
    if (rangeSet_ && !Physical())
        result_.And(range_);
    for (const TFilter& f : filters_)
        if (f.active)
            result_.And(f.bits);
    resultCount_ = result_.CountSet();
}

void TIndexCursor::EvaluateFilter(TFilter& filter) {
    filter.bits.Resize(live_.PhysicalCount());
    filter.bits.ClearAll();
    TFilterContext context(file_, source_, live_);
    filter.level = filter.node->Evaluate(context, filter.bits);
}

// The full rebuild, linear in the table: only on open, a new index, a
// filter added, changed, (de)activated or dropped, a range set or cancelled,
// and another user's change (Refresh). A record change of our own goes
// through RecordChanged/RecordDeleted, which touch that record's bit in each
// bitmap and its rank directory only.
void TIndexCursor::RebuildBitmaps() {
    const bool wasBitmap = bitmapMode_;
    bitmapMode_ =
        file_.IsOpen() && (Physical() || std::any_of(filters_.begin(), filters_.end(),
                                                     [](const TFilter& f) { return f.active; }));
    if (!bitmapMode_) {
        // Outside bitmap mode the bitmaps are empty already, unless the
        // cursor has just left it.
        if (!wasBitmap)
            return;
        live_.Resize(0);
        range_.Resize(0);
        result_.Resize(0);
        resultCount_ = 0;
        if (OnRecord() && at_.page != 0)
            position_ = at_.position;
        return;
    }
    const std::int32_t count = PhysicalCount();
    live_.Resize(count);
    range_.Resize(count);
    BuildLiveBitmap();
    BuildRangeBitmap();
    for (TFilter& f : filters_)
        if (f.active && (f.level < 0 || f.bits.PhysicalCount() != count))
            EvaluateFilter(f);
    CombineResult();
    if (OnRecord())
        position_ = Physical() ? result_.CountSetUpTo(recno_) : -1;
    if (Physical()) {
        firstPos_ = 1;
        lastPos_ = resultCount_;
    }
}

// One record's bits, in place: O(log n) per bitmap through its directory.
void TIndexCursor::GrowBitmaps(std::int32_t physicalCount) {
    if (physicalCount <= live_.PhysicalCount())
        return;
    live_.Resize(physicalCount);
    range_.Resize(physicalCount);
    result_.Resize(physicalCount);
    for (TFilter& f : filters_)
        f.bits.Resize(physicalCount);
}

void TIndexCursor::RecordChanged(std::int32_t recno, std::span<const std::uint8_t> image) {
    ++generation_;
    firstAtKnown_ = false;
    afterAtKnown_ = false;
    if (!bitmapMode_ || recno < 1)
        return;
    GrowBitmaps(recno);
    live_.Set(recno);
    bool visible = true;
    if (rangeSet_ && !Physical()) {
        std::vector<std::uint8_t> key(static_cast<std::size_t>(KeyLength()));
        file_.BuildKey(file_.CurrentIndex(), image, key.data());
        const bool inside = InRange(key.data());
        inside ? range_.Set(recno) : range_.Clear(recno);
        visible = inside;
    }
    for (TFilter& f : filters_) {
        if (!f.active)
            continue;
        const bool pass = f.node->Test(image);
        pass ? f.bits.Set(recno) : f.bits.Clear(recno);
        visible = visible && pass;
    }
    const bool was = result_.Test(recno);
    visible ? result_.Set(recno) : result_.Clear(recno);
    resultCount_ += (visible ? 1 : 0) - (was ? 1 : 0);
    if (Physical())
        lastPos_ = resultCount_;
}

void TIndexCursor::RecordsAppended(std::int32_t first, std::int32_t last) {
    ++generation_;
    firstAtKnown_ = false;
    afterAtKnown_ = false;
    if (!bitmapMode_ || first < 1 || last < first)
        return;
    GrowBitmaps(last);
    live_.SetRange(first, last);
    const std::int64_t before = result_.CountSet();
    result_.SetRange(first, last);
    resultCount_ += result_.CountSet() - before;
    if (Physical())
        lastPos_ = resultCount_;
}

void TIndexCursor::RecordDeleted(std::int32_t recno) {
    ++generation_;
    firstAtKnown_ = false;
    afterAtKnown_ = false;
    if (!bitmapMode_)
        return;
    const bool was = result_.Test(recno);
    live_.Clear(recno);
    range_.Clear(recno);
    result_.Clear(recno);
    for (TFilter& f : filters_)
        f.bits.Clear(recno);
    resultCount_ -= was ? 1 : 0;
    if (Physical())
        lastPos_ = resultCount_;
}

// ---- Filters --------------------------------------------------------------------------

TIndexCursor::TFilter& TIndexCursor::FindFilter(int handle) {
    for (TFilter& f : filters_)
        if (f.handle == handle)
            return f;
    RaiseEngineError(kErrInvalidFilterHandle, file_.FileName());
}

const TIndexCursor::TFilter* TIndexCursor::FindFilterOrNull(int handle) const {
    for (const TFilter& f : filters_)
        if (f.handle == handle)
            return &f;
    return nullptr;
}

int TIndexCursor::FilterLevel(int handle) const {
    const TFilter* f = FindFilterOrNull(handle);
    return f ? f->level : -1;
}

const TFilterNode* TIndexCursor::FilterNode(int handle) const {
    const TFilter* f = FindFilterOrNull(handle);
    return f ? f->node.get() : nullptr;
}

int TIndexCursor::AddFilter(std::unique_ptr<TFilterNode> node) {
    if (!node)
        RaiseEngineError(kErrInvalidFilterExpression, file_.FileName());
    if (filters_.size() >= static_cast<std::size_t>(kMaxFilters))
        RaiseEngineError(kErrTooManyFilters, file_.FileName());
    TFilter filter;
    filter.handle = nextHandle_++;
    filter.node = std::move(node);
    filters_.push_back(std::move(filter));
    return filters_.back().handle;
}

int TIndexCursor::AddFilter(TTestFunctionFilter::TTest test, void* context) {
    if (!test)
        RaiseEngineError(kErrInvalidFilterExpression, file_.FileName());
    return AddFilter(std::make_unique<TTestFunctionFilter>(std::move(test), context));
}

void TIndexCursor::DropFilter(int handle) {
    ++generation_;
    TFilter& f = FindFilter(handle);
    filters_.erase(filters_.begin() + (&f - filters_.data()));
    RebuildBitmaps();
}

void TIndexCursor::ActivateFilter(int handle) {
    ++generation_;
    TFilter& f = FindFilter(handle);
    f.active = true;
    f.level = -1; // evaluated afresh
    RebuildBitmaps();
}

void TIndexCursor::DeactivateFilter(int handle) {
    ++generation_;
    FindFilter(handle).active = false;
    RebuildBitmaps();
}

void TIndexCursor::ChangeFilter(int handle, std::unique_ptr<TFilterNode> node) {
    ++generation_;
    TFilter& f = FindFilter(handle);
    if (!node)
        RaiseEngineError(kErrInvalidFilterExpression, file_.FileName());
    f.node = std::move(node);
    f.level = -1;
    RebuildBitmaps();
}

} // namespace tabula
