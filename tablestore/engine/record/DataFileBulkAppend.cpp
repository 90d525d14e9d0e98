// TDataFile::AppendRecords: appending many records in one call (the
// contract is in DataFile.h).
//
// The run path numbers the new records nextRecordNumber, +1, ... and
// writes their images straight to the data file, kRunBytes at a time,
// without taking a cache buffer per record: the cache only ever holds
// record numbers below nextRecordNumber, so none of its buffers can stand
// for a record written here. Record count and next record number advance
// after each run, the last auto-increment once every run is written (in an
// index's order the runs do not end on the largest value). Any failure once
// the first run has begun puts the files back at the last checkpoint, as a
// failed write of an exclusive table does: index entries of records whose
// images were not written must not survive.
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "KeySorter.h"
#include "OperationScope.h"
#include "Scrambler.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace tabula {

using datafmt::PutI32;

namespace {

// Bytes of record images gathered before they are written in one go.
constexpr std::size_t kRunBytes = std::size_t{1} << 20;
// In an index's order the images are read out of their order of arrival:
// the one a few records ahead is asked for while this one is stamped, so
// that its cache miss overlaps the work instead of stalling it.
constexpr std::size_t kImagePrefetchDistance = 8;

// The stored image of a new record: the caller's image with the header
// fields of a live record numbered recno.
void StampNewRecord(std::uint8_t* record, const std::uint8_t* image, std::size_t size,
                    std::int32_t recno, std::int32_t autoInc) {
    std::memcpy(record, image, size);
    record[datafmt::kRecDeleted] = 0;
    PutI32(record + datafmt::kRecLink, recno);
    PutI32(record + datafmt::kRecAutoInc, autoInc);
}

} // namespace

bool TDataFile::RunAppendApplies() const {
    if (Shared() || ReadOnly() || PrimaryHasKeys() || header_.blobFieldCount > 0 ||
        !filters_.empty() || rangeSet_)
        return false;
    for (int i = 1; i <= index_.SecondaryCount(); ++i)
        if (index_.Descriptor(i).unique && !noKeyCheck_)
            return false;
    return true;
}

void TDataFile::WriteRun(std::int32_t first, std::vector<std::uint8_t>& run) {
    if (run.empty())
        return;
    const auto size = static_cast<std::size_t>(header_.recordSize);
    if (header_.IsProtected())
        for (std::size_t at = 0; at < run.size(); at += size)
            TScrambler::Apply(run.data() + at, size, TScrambler::kTableDataKey);
    WriteAt(static_cast<std::int64_t>(header_.RecordOffset(first)), run.data(),
            static_cast<std::int64_t>(run.size()));
    const auto written = static_cast<std::int32_t>(run.size() / size);
    header_.nextRecordNumber += written;
    index_.SetRecordCount(index_.RecordCount() + written);
    headerModified_ = true;
    run.clear();
}

void TDataFile::AppendInRuns(std::span<const std::uint8_t> images, std::size_t count,
                             int orderIndex) {
    const auto size = static_cast<std::size_t>(header_.recordSize);
    const std::int32_t firstNumber = header_.nextRecordNumber;
    CheckRecordLimit(firstNumber + static_cast<std::int32_t>(count) - 1);
    // Auto-increment values follow the order of `images`, as record-by-record
    // appends would give them (wrapping past the largest to 1).
    std::vector<std::int32_t> autoInc(count);
    std::int32_t last = header_.lastAutoIncrement;
    for (std::size_t i = 0; i < count; ++i) {
        last = last >= kMaxAutoIncrement ? 1 : last + 1;
        autoInc[i] = last;
    }
    std::vector<std::uint8_t> record(static_cast<std::size_t>(RecordBufferSize()), 0);
    // The order index's entries, sorted once: entry i is image i.
    const bool ordered = orderIndex > 0 && orderIndex <= index_.SecondaryCount() &&
                         index_.Deferred(orderIndex) && index_.GatheredCount(orderIndex) == 0;
    TKeySorter sorter(ordered ? index_.KeyLength(orderIndex) : 0);
    std::vector<TBTree::TBulkEntry> entries;
    bool distinct = false;
    std::vector<std::uint8_t> key;
    if (ordered) {
        sorter.Reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            StampNewRecord(record.data(), images.data() + i * size, size, 0, autoInc[i]);
            index_.BuildKey(orderIndex, record, sorter.AddSpace(static_cast<std::int32_t>(i)));
        }
        entries = sorter.Sorted(index_.Comparer(orderIndex), &distinct);
    }
    std::vector<int> indexes;
    KeyedIndexes(indexes);
    std::erase(indexes, ordered ? orderIndex : -1);
    std::vector<std::uint8_t> run;
    run.reserve(std::min(count * size, kRunBytes));
    std::int32_t runFirst = firstNumber;
    for (std::size_t p = 0; p < count; ++p) {
        const std::size_t i = ordered ? static_cast<std::size_t>(entries[p].recno) : p;
        if (ordered && p + kImagePrefetchDistance < count)
            __builtin_prefetch(images.data() +
                               static_cast<std::size_t>(entries[p + kImagePrefetchDistance].recno) *
                                   size);
        const std::int32_t recno = firstNumber + static_cast<std::int32_t>(p);
        // Stamped in its place in the run.
        run.resize(run.size() + size);
        std::uint8_t* stamped = run.data() + run.size() - size;
        StampNewRecord(stamped, images.data() + i * size, size, recno, autoInc[i]);
        for (int index : indexes) {
            KeyOf(index, std::span<const std::uint8_t>(stamped, size), key);
            index_.InsertKey(index, key.data(), recno);
        }
        if (ordered)
            entries[p].recno = recno;
        if (run.size() + size > kRunBytes || p + 1 == count) {
            WriteRun(runFirst, run);
            runFirst = recno + 1;
        }
    }
    // The cursor's bitmaps (a table in physical order keeps one of live
    // records) learn of every record; no range or filter can refuse one.
    if (count > 0) {
        index_.Cursor().RecordsAppended(firstNumber,
                                        firstNumber + static_cast<std::int32_t>(count) - 1);
        header_.lastAutoIncrement = autoInc.back();
    }
    if (ordered)
        index_.LoadInOrder(orderIndex, entries, distinct);
}

void TDataFile::AppendRecords(std::span<const std::uint8_t> images, int orderIndex) {
    RequireOpenTable();
    RequireWritable();
    const auto size = static_cast<std::size_t>(header_.recordSize);
    if (images.size() % size != 0)
        Fail(kErrRecordBuffersCorrupt);
    const std::size_t count = images.size() / size;
    if (count >= static_cast<std::size_t>(kMaxRecordNumber))
        Fail(kErrFileFull);
    for (std::size_t i = 0; i < count; ++i)
        CheckConstraints(images.subspan(i * size, size));
    if (!RunAppendApplies()) {
        for (std::size_t i = 0; i < count; ++i)
            AppendRecord(images.subspan(i * size, size));
        GotoFirst();
        return;
    }
    TOperationScope scope(*this, false);
    RequireIntactFiles();
    SetCurrent(nullptr);
    try {
        AppendInRuns(images, count, orderIndex);
        CheckpointIfOverflowed();
    } catch (...) {
        // The files go back to the checkpoint, and the caches (the gathered
        // index entries too) reload from them.
        const bool intact = journal_.RollBack();
        if (intact) {
            ReloadFromDisk();
            journal_.Start();
        }
        index_.Cursor().GotoPosition(0);
        if (!intact)
            Fail(kErrTableDamaged);
        throw;
    }
    TIndexCursor& cursor = index_.Cursor();
    cursor.RecomputeRange();
    cursor.GotoPosition(0);
}

} // namespace tabula
