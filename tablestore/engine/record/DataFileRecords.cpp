// TDataFile: the record cache (fetch with read-ahead, write-back in runs),
// the read window's filling, commit, and append / update / delete in their
// fixed order.
//
// Order of a modification (shared mode): write lock (which detects other
// users' changes), record lock, constraint and unique-key checks (nothing
// is changed before they pass), index entries, "Sys Deleted" and the
// free-record chain, the record buffer and header, commit, then - also on
// failure - the cursor is re-found, the record lock and the write lock are
// released. Index entries already inserted when a later step of an append
// or update fails are taken out again, so the indexes never name a record
// that was not written.
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "KeyBuilder.h"
#include "OperationScope.h"
#include "Scrambler.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using datafmt::GetI32;
using datafmt::PutI32;

// ---- Record cache ------------------------------------------------------------------------

void TDataFile::ResetCache() {
    DropWindow();
    cache_.ResetAll();
    current_ = nullptr;
}

void TDataFile::PrepareImage(TRecord& record) {
    if (record.calculatedReady)
        return;
    Calculate(record.image);
    record.calculatedReady = true;
}

void TDataFile::CheckRecordLimit(std::int32_t n) const {
    if (static_cast<std::int64_t>(n) + 1 > kMaxRecordNumber ||
        static_cast<std::int64_t>(n) * header_.recordSize > kMaxTableFileSize)
        Fail(kErrFileFull);
}

TRecord& TDataFile::FetchNew(std::int32_t n) {
    CheckRecordLimit(n);
    TRecord& r = cache_.TakeFree([this] { WriteBack(); });
    cache_.Assign(r, n);
    cache_.Use(r);
    ++header_.nextRecordNumber;
    headerModified_ = true;
    return r;
}

void TDataFile::ReadRecords(std::int32_t first, int count) {
    const int size = header_.recordSize;
    readBuffer_.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
    // Exclusive tables may hold appended records only in the cache, so a
    // short read is normal there; shared tables must find every record.
    const std::int64_t got =
        ReadAt(static_cast<std::int64_t>(header_.RecordOffset(first)), readBuffer_.data(),
               static_cast<std::int64_t>(readBuffer_.size()), Exclusive());
    const auto records = static_cast<int>(got / size);
    std::uint64_t writesAtRead = dataWrites_;
    for (int i = 0; i < records; ++i) {
        const std::int32_t n = first + i;
        TRecord* r = cache_.Find(n);
        if (r && (r->pins > 0 || r->modified)) {
            cache_.MarkCollected(*r);
            continue;
        }
        // Every byte of the image is written below: a new buffer needs no
        // zeroing first.
        if (!r) {
            r = &cache_.TakeForFill(n, [this] { WriteBack(); });
            // Taking it may have written the modified buffers back, records
            // of this run further on among them, which are clean now and
            // would be filled with the bytes read before: the rest of the
            // run is read again.
            if (dataWrites_ != writesAtRead) {
                writesAtRead = dataWrites_;
                ReadAt(static_cast<std::int64_t>(header_.RecordOffset(n)),
                       readBuffer_.data() + static_cast<std::size_t>(i) * size,
                       static_cast<std::int64_t>(records - i) * size, Exclusive());
            }
        }
        std::uint8_t* image = r->image.data();
        std::memcpy(image, readBuffer_.data() + static_cast<std::size_t>(i) * size,
                    static_cast<std::size_t>(size));
        std::fill(r->image.begin() + size, r->image.end(), std::uint8_t{0});
        if (header_.IsProtected())
            TScrambler::Apply(image, static_cast<std::size_t>(size), TScrambler::kTableDataKey);
        r->calculatedReady = false;
        r->modified = false;
        cache_.MarkCollected(*r);
    }
}

int TDataFile::ReadAheadCount(std::int32_t n, int limit, bool forward, bool indexOrder) {
    limit = std::max(limit, 1);
    TIndexCursor& cursor = index_.Cursor();
    int count = 1;
    if (indexOrder && cursor.CurrentRecordNumber() == n)
        count = cursor.ConsecutiveCount(limit, forward);
    else if (forward)
        count = std::min(limit, header_.nextRecordNumber - n);
    else
        count = std::min(limit, n);
    return std::max(count, 1);
}

void TDataFile::FillWindow(std::int32_t n, bool forward) {
    DropWindow();
    const int count = ReadAheadCount(n, readAhead_, forward, !index_.PhysicalOrder());
    const std::int32_t first = forward ? n : n - count + 1;
    const auto size = static_cast<std::size_t>(header_.recordSize);
    window_.resize(static_cast<std::size_t>(count) * size);
    // Exclusive tables may hold appended records only in the cache: a short
    // read is normal there, and the window then ends where the file does.
    const std::int64_t got =
        ReadAt(static_cast<std::int64_t>(header_.RecordOffset(first)), window_.data(),
               static_cast<std::int64_t>(window_.size()), Exclusive());
    const auto records = static_cast<int>(got / static_cast<std::int64_t>(size));
    if (header_.IsProtected())
        for (int i = 0; i < records; ++i)
            TScrambler::Apply(window_.data() + static_cast<std::size_t>(i) * size, size,
                              TScrambler::kTableDataKey);
    windowFirst_ = first;
    windowCount_ = records;
}

TRecord* TDataFile::Fetch(std::int32_t n, bool readAhead, bool forward, bool indexOrder,
                          bool* retry) {
    *retry = false;
    if (n <= 0)
        return nullptr;
    if (n == header_.nextRecordNumber)
        return &FetchNew(n);
    if (n > header_.nextRecordNumber)
        Fail(kErrRecordBuffersCorrupt);
    if (TRecord* r = cache_.Find(n)) {
        cache_.Use(*r);
        PrepareImage(*r);
        return r;
    }
    if (!AnyReadOrWriteHeld() && !LocksSkipped()) {
        if (BeginRead()) {
            *retry = true;
            return nullptr;
        }
    }
    // Never fill more buffers in one read than the cache can spare.
    const int count =
        readAhead
            ? ReadAheadCount(n, std::min<int>(readAhead_, static_cast<int>(cache_.Capacity() / 2)),
                             forward, indexOrder)
            : 1;
    const std::int32_t first = forward ? n : n - count + 1;
    try {
        ReadRecords(first, count);
    } catch (...) {
        cache_.ClearCollected();
        throw;
    }
    cache_.ClearCollected();
    TRecord* r = cache_.Find(n);
    if (!r)
        Fail(kErrRecordBuffersCorrupt);
    cache_.Use(*r);
    PrepareImage(*r);
    return r;
}

TRecord* TDataFile::FetchForSource(std::int32_t n) {
    if (n < 1 || n >= header_.nextRecordNumber)
        return nullptr;
    if (!AnyReadOrWriteHeld() && !LocksSkipped() && !cache_.Find(n)) {
        // The cursor is rebuilding its bitmaps: read under the read lock, but
        // without change detection, which would rebuild them underneath it.
        readLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
        readHeld_ = true;
    }
    bool retry = false;
    return Fetch(n, true, true, false, &retry);
}

void TDataFile::WriteBack() {
    const std::vector<TRecord*> dirty = cache_.CollectWriteBack();
    if (dirty.empty())
        return;
    const auto size = static_cast<std::size_t>(header_.recordSize);
    std::vector<std::uint8_t> run;
    std::size_t i = 0;
    while (i < dirty.size()) {
        std::size_t j = i;
        while (j + 1 < dirty.size() && dirty[j + 1]->recordNumber == dirty[j]->recordNumber + 1)
            ++j;
        run.resize((j - i + 1) * size);
        for (std::size_t k = i; k <= j; ++k) {
            std::uint8_t* out = run.data() + (k - i) * size;
            std::memcpy(out, dirty[k]->image.data(), size);
            if (header_.IsProtected())
                TScrambler::Apply(out, size, TScrambler::kTableDataKey);
        }
        WriteAt(static_cast<std::int64_t>(header_.RecordOffset(dirty[i]->recordNumber)), run.data(),
                static_cast<std::int64_t>(run.size()));
        for (std::size_t k = i; k <= j; ++k)
            dirty[k]->modified = false;
        i = j + 1;
    }
}

// ---- Commit --------------------------------------------------------------------------------

void TDataFile::WriteHeader(bool force) {
    if (!headerModified_ && !force)
        return;
    ++header_.changeCounter;
    header_.lastWriteTime = HeaderTimeStampNow();
    header_.modifiedMarker = headerModified_ ? 1 : 0;
    const auto image = header_.Encode();
    WriteAt(0, image.data(), static_cast<std::int64_t>(image.size()));
    headerModified_ = false;
}

void TDataFile::CommitInternal(bool trim, bool forceData, bool forceIndex, bool forceBlob) {
    WriteBack();
    WriteHeader(forceData);
    if (trim)
        cache_.Trim();
    index_.CommitPages();
    index_.CommitHeader(forceIndex);
    if (trim)
        index_.TrimCaches();
    if (HasBlobFile())
        blob_->Commit(forceBlob, trim);
}

void TDataFile::Commit(bool trim, bool forceHeader) {
    RequireOpenTable();
    if (ReadOnly())
        return;
    RequireIntactFiles();
    cache_.ClearPins();
    try {
        CommitInternal(trim, forceHeader, forceHeader, forceHeader);
    } catch (...) {
        if (!RecoverAfterFailure())
            Fail(kErrTableDamaged);
        throw;
    }
    // A completed commit of an exclusive table is its new checkpoint.
    if (!Shared())
        journal_.Start();
    if (current_)
        cache_.Pin(*current_);
}

void TDataFile::CommitAfterChange(bool forceIndexHeader) {
    cache_.ClearPins();
    CommitInternal(false, true, forceIndexHeader, true);
    if (current_)
        cache_.Pin(*current_);
}

void TDataFile::ReadHeaderAgain() {
    std::array<std::uint8_t, datafmt::kHeaderSize> image{};
    ReadAt(0, image.data(), static_cast<std::int64_t>(image.size()));
    const TDataHeader fresh = TDataHeader::Decode(image);
    // The shape of the table cannot change under an open table; counts must
    // stay within what the file can hold.
    if (fresh.recordSize != header_.recordSize || fresh.fieldCount != header_.fieldCount ||
        fresh.nextRecordNumber < 1 || fresh.nextRecordNumber > kMaxRecordNumber ||
        fresh.freeChainHead < 0 || fresh.freeChainHead >= fresh.nextRecordNumber)
        Fail(kErrHeaderCorrupt);
    header_ = fresh;
    headerModified_ = false;
}

// ---- Helpers ----------------------------------------------------------------------------------

void TDataFile::KeyedIndexes(std::vector<int>& out) const {
    out.clear();
    if (PrimaryHasKeys())
        out.push_back(indexfmt::kPrimaryIndex);
    for (int i = 1; i <= index_.SecondaryCount(); ++i)
        out.push_back(i);
}

std::vector<int> TDataFile::KeyedIndexes() const {
    std::vector<int> out;
    KeyedIndexes(out);
    return out;
}

void TDataFile::KeyOf(int index, std::span<const std::uint8_t> image,
                      std::vector<std::uint8_t>& key) const {
    key.resize(static_cast<std::size_t>(index_.KeyLength(index)));
    index_.BuildKey(index, image, key.data());
}

std::vector<std::uint8_t> TDataFile::KeyOf(int index, std::span<const std::uint8_t> image) const {
    std::vector<std::uint8_t> key;
    KeyOf(index, image, key);
    return key;
}

std::int32_t TDataFile::NextFreeRecord() const {
    if (header_.freeChainHead != 0 && PrimaryHasKeys())
        return header_.freeChainHead;
    return header_.nextRecordNumber;
}

std::int32_t TDataFile::NextAutoIncrement() const {
    return header_.lastAutoIncrement >= kMaxAutoIncrement ? 1 : header_.lastAutoIncrement + 1;
}

// ---- Append
// ----------------------------------------------------------------------------------------

void TDataFile::AppendRecord(std::span<const std::uint8_t> image) {
    RequireOpenTable();
    RequireWritable();
    if (image.size() < static_cast<std::size_t>(header_.recordSize))
        Fail(kErrRecordBuffersCorrupt);
    TOperationScope scope(*this, false);
    const TCursorMark before = MarkCursor();
    BeginWrite();
    BeginAtomic();
    std::int32_t r = 0;
    bool locked = false;
    TRecord* buffer = nullptr;
    // Where the new entry of the cursor's current index went, when the
    // append inserted one there: the cursor is put on it without a search.
    TBTree::TLocation landing;
    std::vector<std::uint8_t>& record = appendImage_;
    record.assign(static_cast<std::size_t>(RecordBufferSize()), 0);
    auto finish = [&](bool done) {
        TIndexCursor& cursor = index_.Cursor();
        cursor.RecomputeRange();
        if (done) {
            cursor.RecordChanged(r, buffer->image);
            if (cursor.LandOnInserted(landing, r))
                LoadCursorRecord(true);
            else
                RefindImage(buffer->image, r, false);
        } else {
            ReturnTo(before);
        }
        if (locked)
            UnlockRecord(r);
        EndWrite();
    };
    try {
        r = NextFreeRecord();
        const bool reuse = r != header_.nextRecordNumber;
        if (reuse) {
            // The slot must really be a deleted record: reusing a live one
            // would overwrite its data.
            bool retry = false;
            TRecord* slot = Fetch(r, false, true, false, &retry);
            const bool deleted = slot && slot->image[datafmt::kRecDeleted] == 1;
            if (slot)
                cache_.Unpin(*slot);
            if (!deleted)
                Fail(kErrHeaderCorrupt);
        } else {
            CheckRecordLimit(r);
        }
        LockRecord(r);
        locked = true;
        std::copy_n(image.begin(), std::min(image.size(), record.size()), record.begin());
        CheckConstraints(record);
        const std::int32_t autoInc = NextAutoIncrement();
        record[datafmt::kRecDeleted] = 0;
        PutI32(record.data() + datafmt::kRecLink, r);
        PutI32(record.data() + datafmt::kRecAutoInc, autoInc);

        std::vector<int>& indexes = appendIndexes_;
        KeyedIndexes(indexes);
        std::vector<std::vector<std::uint8_t>>& keys = appendKeys_;
        if (keys.size() < indexes.size())
            keys.resize(indexes.size());
        for (std::size_t i = 0; i < indexes.size(); ++i)
            KeyOf(indexes[i], record, keys[i]);
        if (!noKeyCheck_)
            for (std::size_t i = 0; i < indexes.size(); ++i)
                index_.CheckUnique(indexes[i], keys[i].data());

        std::size_t inserted = 0;
        bool sysDeletedInserted = false;
        std::uint8_t newSys[indexfmt::kSysDeletedKeyLength];
        TKeyBuilder::BuildSysDeletedKey(record, newSys);
        try {
            const int cursorIndex = index_.CurrentIndex();
            for (; inserted < indexes.size(); ++inserted) {
                const TBTree::TLocation at =
                    index_.InsertKey(indexes[inserted], keys[inserted].data(), r);
                if (indexes[inserted] == cursorIndex)
                    landing = at;
            }
            bool retry = false;
            if (reuse) {
                buffer = Fetch(r, false, true, false, &retry);
                const std::int32_t link = GetI32(buffer->image.data() + datafmt::kRecLink);
                std::uint8_t oldSys[indexfmt::kSysDeletedKeyLength];
                TKeyBuilder::BuildSysDeletedKey(buffer->image, oldSys);
                index_.ReplaceKey(indexfmt::kSysDeletedIndex, oldSys, newSys, r);
                header_.freeChainHead =
                    link > 0 && link < header_.nextRecordNumber && link != r ? link : 0;
            } else {
                buffer = &FetchNew(r);
                header_.freeChainHead = 0;
                if (PrimaryHasKeys()) {
                    const TBTree::TLocation at =
                        index_.InsertKey(indexfmt::kSysDeletedIndex, newSys, r);
                    sysDeletedInserted = true;
                    if (cursorIndex == indexfmt::kSysDeletedIndex)
                        landing = at;
                }
            }
            headerModified_ = true;
        } catch (...) {
            for (std::size_t i = 0; i < inserted; ++i) {
                try {
                    index_.DeleteKey(indexes[i], keys[i].data());
                } catch (...) {
                }
            }
            if (sysDeletedInserted) {
                try {
                    index_.DeleteKey(indexfmt::kSysDeletedIndex, newSys);
                } catch (...) {
                }
            }
            if (buffer && !reuse) {
                // The slot is taken already: leave it as a deleted record.
                buffer->image[datafmt::kRecDeleted] = 1;
                buffer->modified = true;
                cache_.Unpin(*buffer);
                buffer = nullptr;
            }
            throw;
        }

        std::fill(buffer->image.begin(), buffer->image.end(), std::uint8_t{0});
        std::copy_n(record.begin(), header_.recordSize, buffer->image.begin());
        buffer->modified = true;
        buffer->calculatedReady = false;
        PrepareImage(*buffer);
        header_.lastAutoIncrement = autoInc;
        headerModified_ = true;
        index_.SetRecordCount(index_.RecordCount() + 1);
        AppendBlobs(r, std::span<std::uint8_t>(buffer->image.data(), header_.recordSize));
        SetCurrent(buffer);
        if (Shared()) {
            CommitAfterChange(true);
            EndAtomic();
        } else {
            CheckpointIfOverflowed();
        }
    } catch (...) {
        FinishFailed(finish);
    }
    finish(true);
}

// ---- Update
// ----------------------------------------------------------------------------------------

void TDataFile::UpdateRecord(std::span<const std::uint8_t> image, bool unlockAfter, bool bitmaps) {
    RequireOpenTable();
    RequireWritable();
    if (image.size() < static_cast<std::size_t>(header_.recordSize))
        Fail(kErrRecordBuffersCorrupt);
    TOperationScope scope(*this, false);
    const std::int32_t r = CurrentRecordNumber();
    if (r == 0)
        Fail(kErrRecordLocked);
    // The caller normally holds the record lock already; this is then a no-op.
    LockRecord(r);
    const TCursorMark before = MarkCursor();
    BeginWrite();
    BeginAtomic();
    TRecord* buffer = nullptr;
    bool pinned = false; // a commit clears every pin but the current record's
    auto finish = [&](bool done) {
        TIndexCursor& cursor = index_.Cursor();
        cursor.RecomputeRange();
        if (done) {
            if (bitmaps)
                cursor.RecordChanged(r, buffer->image);
            const std::vector<std::uint8_t> updated = buffer->image;
            if (pinned)
                cache_.Unpin(*buffer);
            pinned = false;
            RefindImage(updated, r, false);
        } else {
            if (pinned)
                cache_.Unpin(*buffer);
            pinned = false;
            ReturnTo(before);
        }
        EndWrite();
    };
    try {
        bool retry = false;
        buffer = Fetch(r, false, true, false, &retry);
        pinned = buffer != nullptr;
        if (!buffer || buffer->image[datafmt::kRecDeleted] != 0)
            Fail(kErrRecordNotFound);
        std::vector<std::uint8_t> record(buffer->image.size(), 0);
        std::copy_n(image.begin(), std::min(image.size(), record.size()), record.begin());
        CheckConstraints(record);
        std::copy_n(buffer->image.begin(), datafmt::kRecordPrefixSize, record.begin());

        const std::vector<int> indexes = KeyedIndexes();
        std::vector<int> changed;
        std::vector<std::vector<std::uint8_t>> oldKeys, newKeys;
        for (int index : indexes) {
            std::vector<std::uint8_t> oldKey = KeyOf(index, buffer->image);
            std::vector<std::uint8_t> newKey = KeyOf(index, record);
            if (oldKey == newKey)
                continue;
            if (!noKeyCheck_)
                index_.CheckUnique(index, newKey.data());
            changed.push_back(index);
            oldKeys.push_back(std::move(oldKey));
            newKeys.push_back(std::move(newKey));
        }
        std::size_t replaced = 0;
        try {
            for (; replaced < changed.size(); ++replaced)
                index_.ReplaceKey(changed[replaced], oldKeys[replaced].data(),
                                  newKeys[replaced].data(), r);
        } catch (...) {
            for (std::size_t i = 0; i < replaced; ++i) {
                try {
                    index_.ReplaceKey(changed[i], newKeys[i].data(), oldKeys[i].data(), r);
                } catch (...) {
                }
            }
            throw;
        }
        std::copy(record.begin() + datafmt::kRecordPrefixSize, record.begin() + header_.recordSize,
                  buffer->image.begin() + datafmt::kRecordPrefixSize);
        buffer->modified = true;
        buffer->calculatedReady = false;
        PrepareImage(*buffer);
        SaveBlobs(std::span<std::uint8_t>(buffer->image.data(), header_.recordSize));
        if (Shared()) {
            CommitAfterChange(!changed.empty());
            pinned = false;
            EndAtomic();
        } else {
            CheckpointIfOverflowed();
        }
        if (unlockAfter)
            UnlockRecord(r);
    } catch (...) {
        FinishFailed(finish);
    }
    finish(true);
}

// ---- Delete
// ----------------------------------------------------------------------------------------

void TDataFile::DeleteRecord(bool bitmaps) {
    RequireOpenTable();
    RequireWritable();
    TOperationScope scope(*this, false);
    const TCursorMark before = MarkCursor();
    BeginWrite();
    BeginAtomic();
    const std::int32_t r = CurrentRecordNumber();
    bool locked = false;
    TRecord* buffer = nullptr;
    bool pinned = false; // a commit clears every pin but the current record's
    std::vector<std::uint8_t> copy;
    auto finish = [&](bool done) {
        TIndexCursor& cursor = index_.Cursor();
        cursor.RecomputeRange();
        if (pinned)
            cache_.Unpin(*buffer);
        pinned = false;
        if (done) {
            if (bitmaps)
                cursor.RecordDeleted(r);
            RefindImage(copy, r, true);
        } else {
            ReturnTo(before);
        }
        if (locked)
            UnlockRecord(r);
        EndWrite();
    };
    try {
        if (r == 0)
            Fail(kErrRecordLocked);
        LockRecord(r);
        locked = true;
        bool retry = false;
        buffer = Fetch(r, false, true, false, &retry);
        pinned = buffer != nullptr;
        // Deleting a slot twice would link it into the free chain twice.
        if (!buffer || buffer->image[datafmt::kRecDeleted] != 0)
            Fail(kErrRecordNotFound);
        copy = buffer->image;
        for (int index : KeyedIndexes())
            index_.DeleteKey(index, KeyOf(index, copy).data());
        if (PrimaryHasKeys()) {
            std::uint8_t oldSys[indexfmt::kSysDeletedKeyLength];
            std::uint8_t newSys[indexfmt::kSysDeletedKeyLength];
            TKeyBuilder::BuildSysDeletedKey(copy, oldSys);
            std::vector<std::uint8_t> gone = copy;
            gone[datafmt::kRecDeleted] = 1;
            TKeyBuilder::BuildSysDeletedKey(gone, newSys);
            index_.ReplaceKey(indexfmt::kSysDeletedIndex, oldSys, newSys, r);
        }
        index_.SetRecordCount(index_.RecordCount() - 1);
        FreeBlobs(std::span<std::uint8_t>(buffer->image.data(), header_.recordSize));
        buffer->image[datafmt::kRecDeleted] = 1;
        const std::int32_t next = NextFreeRecord();
        PutI32(buffer->image.data() + datafmt::kRecLink,
               next == header_.nextRecordNumber ? 0 : next);
        header_.freeChainHead = r;
        buffer->modified = true;
        headerModified_ = true;
        if (Shared()) {
            CommitAfterChange(true);
            pinned = false;
            EndAtomic();
        } else {
            CheckpointIfOverflowed();
        }
    } catch (...) {
        FinishFailed(finish);
    }
    finish(true);
}

} // namespace tabula
