// TIndexCursor: where a table object stands in its current index, the key
// range it is restricted to, and - when filters are active or the order is
// physical - which physical records are visible.
//
// States: no record (beginning- and end-of-file both set) | at beginning of
// file | on a record | at end of file. First/Last/GotoPosition/FindKey move
// onto a record or to one of the ends; Step moves entry by entry and sets an
// end flag when it runs off the range or the data. A step forward from the
// beginning is First, a step backward from the end is Last.
//
// Positions (index order without bitmaps) are absolute ranks in the index,
// found from the subtree counts; the range is [first position, last
// position]. In bitmap mode (any active filter, and always in physical order)
// the position counts visible records only and is computed lazily after a
// find. Bitmaps: live (records not deleted), range (while a range is set),
// one per active filter, and their AND, the result, with its set-bit count.
//
// Every walk along the leaf chain goes through TBTree::Next/Prev, which
// check each sibling link for its link back and bound the walk by the file's
// page count. The kept location carries the leaves crossed since the last
// descent (First, Last, a find, a position), so stepping one record at a
// time round a damaged, looping chain also ends with the page-corrupt error.
//
// The record manager calls RecordChanged/RecordDeleted after appends,
// updates and deletes, and RecomputeRange after appends and deletes; it re-
// finds its cursor after every change. Used by one thread at a time, under
// the index read lock the record manager holds.
#pragma once

#include "BTree.h"
#include "EngineCodes.h"
#include "IndexFilter.h"
#include "RecordBitmap.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tabula {

class TIndexFile;

class TIndexCursor {
public:
    static constexpr int kOk = 0;
    static constexpr int kBeginningOfData = kErrBeginningOfFile;
    static constexpr int kEndOfData = kErrEndOfFile;

    explicit TIndexCursor(TIndexFile& file);
    ~TIndexCursor();

    void SetRecordSource(TRecordSource* source);

    // ---- Life cycle hooks of the index file ------------------------------
    void Reset();         // open / empty: default range, bitmaps rebuilt, no record
    void Drop();          // close: filters and bitmaps dropped
    void IndexSelected(); // new current index: default range, positions, bitmaps

    // ---- Movement ----------------------------------------------------------
    bool First();
    bool Last();
    // 0, or kErrBeginningOfFile / kErrEndOfFile when the step ran off the beginning or the end.
    int Step(int n);
    void GotoPosition(std::int64_t k);
    // `given` bytes of `key` are used; the rest is completed with 0x00 (0xFF
    // for a descending index).
    bool FindKey(const std::uint8_t* key, int given, bool nearest, bool keepBeginning);
    // Puts the cursor on the entry that an insert into the current index
    // has just made for record `recno` (the insert returned `at`), sparing
    // a search. Only without a range and outside bitmap mode, where every
    // entry is visible, or in physical order for a visible record in the
    // last slot; false when that does not hold or the entry at `at` names
    // another record - the caller then searches for the key.
    bool LandOnInserted(const TBTree::TLocation& at, std::int32_t recno);

    // ---- Range ---------------------------------------------------------------
    void SetRange(const std::uint8_t* start, int startGiven, const std::uint8_t* end, int endGiven);
    void CancelRange();
    void RecomputeRange();
    // Range positions and bitmaps recomputed after the index or the records
    // changed underneath (another user's change); the range and filters stay.
    void Refresh();
    bool RangeSet() const { return rangeSet_; }
    // Moves whenever the records the cursor reaches in a given range may
    // have changed: a record changed or deleted, the range recomputed after
    // a change, a refresh after another user's change, a filter changed, the
    // index selected, the cursor reset or dropped. Setting or cancelling a
    // range leaves it alone. What a walk read under one generation reads the
    // same again under it.
    std::uint64_t ChangeGeneration() const { return generation_; }
    std::int64_t FirstPosition() const { return firstPos_; }
    std::int64_t LastPosition() const { return lastPos_; }

    // ---- Facts ---------------------------------------------------------------
    std::int64_t RecordCount() const;
    std::int64_t RecordPosition();
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool OnRecord() const { return !bof_ && !eof_; }
    std::int32_t CurrentRecordNumber() const { return OnRecord() ? recno_ : 0; }
    // The current entry's key (zeros when there is none).
    const std::vector<std::uint8_t>& CurrentKey() const { return key_; }
    // Entries from the current one on, in the direction of travel, whose
    // record numbers run consecutively; at most `limit`, at least 1 on a record.
    int ConsecutiveCount(int limit, bool forward);
    bool BitmapMode() const { return bitmapMode_; }
    const TRecordBitmap& ResultBitmap() const { return result_; }
    std::int64_t ResultCount() const { return resultCount_; }

    // ---- Maintenance ------------------------------------------------------------
    void RecordChanged(std::int32_t recno, std::span<const std::uint8_t> image);
    void RecordDeleted(std::int32_t recno);
    // RecordChanged for the new records first..last of a table that has no
    // range and no active filter (each record is then visible as it is).
    void RecordsAppended(std::int32_t first, std::int32_t last);

    // ---- Filters -------------------------------------------------------------------
    // A new, inactive filter; its handle. No node (or no test function) is
    // kErrInvalidFilterExpression, a 129th filter kErrTooManyFilters.
    int AddFilter(std::unique_ptr<TFilterNode> node);
    int AddFilter(TTestFunctionFilter::TTest test, void* context);
    void DropFilter(int handle);
    void ActivateFilter(int handle);
    void DeactivateFilter(int handle);
    void ChangeFilter(int handle, std::unique_ptr<TFilterNode> node);
    int FilterCount() const { return static_cast<int>(filters_.size()); }
    // The level the filter's last evaluation reported (-1 when never evaluated).
    int FilterLevel(int handle) const;
    // The node of a filter, nullptr for an unknown handle.
    const TFilterNode* FilterNode(int handle) const;

private:
    struct TFilter {
        int handle;
        std::unique_ptr<TFilterNode> node;
        bool active = false;
        int level = -1;
        TRecordBitmap bits;
    };

    TBTree* Tree();
    bool Physical() const;
    int KeyLength() const;
    void NoRecord();
    // Every bitmap sized for physicalCount records when it holds fewer.
    void GrowBitmaps(std::int32_t physicalCount);
    void AtBof();
    void AtEof();
    void Land(const TBTree::TLocation& at);
    void LandRead(const TBTree::TLocation& at, std::int32_t recno);
    void LandPhysical(std::int32_t recno, std::int64_t position);
    bool Visible(std::int32_t recno) const { return !bitmapMode_ || result_.Test(recno); }
    bool InRange(const std::uint8_t* key);
    // The full key of `given` bytes of `key`, the rest 0x00 (high: 0xFF),
    // written into `full`.
    void Complete(const std::uint8_t* key, int given, bool high,
                  std::vector<std::uint8_t>& full) const;
    // Position of the last entry not above endKey_, the range starting at
    // `first` (an entry not below startKey_).
    std::int64_t RangeEnd(TBTree& tree, TBTree::TLocation first);
    // RecomputeRange; nearPrevious (a new range set): the search for the
    // start may begin after the previous range (LowerBoundAfterPrevious).
    void ComputeRange(bool nearPrevious);
    TBTree::TLocation LowerBoundAfterPrevious(TBTree& tree);
    std::int32_t PhysicalCount();
    void RebuildBitmaps();
    void BuildLiveBitmap();
    void BuildRangeBitmap();
    void CombineResult();
    TFilter& FindFilter(int handle);
    const TFilter* FindFilterOrNull(int handle) const;
    void EvaluateFilter(TFilter& filter);
    int StepForward();
    int StepBackward();

    TIndexFile& file_;
    TRecordSource* source_ = nullptr;
    bool bof_ = true;
    bool eof_ = true;
    TBTree::TLocation at_;
    std::int32_t recno_ = 0;
    std::int64_t position_ = 0; // -1: not yet counted (bitmap mode after a find)
    std::vector<std::uint8_t> key_;
    bool rangeSet_ = false;
    std::vector<std::uint8_t> startKey_, endKey_;
    std::vector<std::uint8_t> scratchKey_; // an entry's key read by RangeEnd, ConsecutiveCount
    std::vector<std::uint8_t> stepKey_;    // an entry's key read while stepping
    std::int64_t firstPos_ = 1, lastPos_ = 0;
    // The entry at firstPos_ of a range as RecomputeRange found it; known
    // only until the next change of a record or of the tree (every such
    // change reaches the cursor through RecordChanged, RecordDeleted or a
    // recomputation without a hint, RecomputeRange or Refresh).
    TBTree::TLocation firstAt_;
    bool firstAtKnown_ = false;
    // The first entry above the end of the range last computed, with that
    // end key, when RangeEnd stepped onto it; known under the same rule.
    TBTree::TLocation afterAt_;
    std::vector<std::uint8_t> afterEndKey_;
    bool afterAtKnown_ = false;
    std::uint64_t generation_ = 0;
    bool bitmapMode_ = false;
    TRecordBitmap live_, range_, result_;
    std::int64_t resultCount_ = 0;
    std::vector<TFilter> filters_;
    int nextHandle_ = 1;
};

} // namespace tabula
