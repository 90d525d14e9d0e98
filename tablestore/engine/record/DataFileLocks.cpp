// TDataFile: the lock levels (record, table, read, shared read, write) and
// change detection through the change counters the three files begin with.
//
// No lock is ever taken on a table open exclusively or whose data file
// carries the read-only attribute; nobody else can change such a table, so
// change detection is skipped as well.
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "OperationScope.h"
#include "Scrambler.h"

#include <algorithm>

namespace tabula {

bool TDataFile::LocksSkipped() const {
    return TLockProtocol::LocksSkipped(*this);
}

TFileHandler* TDataFile::BlobHandler() {
    return HasBlobFile() ? blob_.get() : nullptr;
}

bool TDataFile::RecordLocked(std::int32_t recordNumber) const {
    return std::find(lockedRecords_.begin(), lockedRecords_.end(), recordNumber) !=
           lockedRecords_.end();
}

// ---- Record and table locks ------------------------------------------------------------------

void TDataFile::LockRecord(std::int32_t recordNumber) {
    RequireOpenTable();
    TOperationScope scope(*this, false);
    if (recordNumber == 0)
        recordNumber = CurrentRecordNumber();
    if (recordNumber == 0)
        Fail(kErrRecordLocked);
    if (tableLocked_)
        return;
    // Other users' changes are seen before the record is locked.
    if (!strict_)
        BeginRead();
    if (RecordLocked(recordNumber) || LocksSkipped())
        return;
    locks_.LockRecord(*this, recordNumber);
    lockedRecords_.push_back(recordNumber);
}

void TDataFile::UnlockRecord(std::int32_t recordNumber) {
    RequireOpenTable();
    if (recordNumber == 0)
        recordNumber = CurrentRecordNumber();
    if (recordNumber == 0)
        Fail(kErrUnlockFailed);
    const auto it = std::find(lockedRecords_.begin(), lockedRecords_.end(), recordNumber);
    if (it == lockedRecords_.end())
        return;
    lockedRecords_.erase(it);
    if (!locks_.UnlockRecord(*this, recordNumber))
        Fail(kErrUnlockFailed);
}

void TDataFile::UnlockAllRecords() {
    while (!lockedRecords_.empty())
        UnlockRecord(lockedRecords_.back());
}

void TDataFile::LockTable() {
    RequireOpenTable();
    if (tableLocked_)
        return;
    if (!LocksSkipped())
        locks_.LockTable(*this);
    tableLocked_ = true;
    TOperationScope scope(*this, false);
    DetectChanges();
}

void TDataFile::UnlockTable() {
    if (!tableLocked_)
        return;
    tableLocked_ = false;
    if (!LocksSkipped() && !locks_.UnlockTable(*this))
        Fail(kErrUnlockFailed);
}

// ---- Read and write locks
// --------------------------------------------------------------------------

bool TDataFile::BeginRead() {
    RequireOpenTable();
    if (sharedReadHeld_ || writeHeld_ || readHeld_ || LocksSkipped())
        return false;
    readLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
    readHeld_ = true;
    return DetectChanges();
}

void TDataFile::EndRead() {
    if (!readHeld_)
        return;
    readHeld_ = false;
    // Other users may change the table from now on (see the read window).
    DropWindow();
    if (!locks_.EndReadLocks(indexHandler_, BlobHandler(), readLocks_))
        Fail(kErrUnlockFailed);
}

bool TDataFile::BeginSharedRead() {
    RequireOpenTable();
    if (sharedReadHeld_ || LocksSkipped())
        return false;
    // The shared read carries the plain read's purpose across a whole scan.
    EndRead();
    sharedReadLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
    sharedReadHeld_ = true;
    if (writeHeld_)
        return false;
    TOperationScope scope(*this, false);
    return DetectChanges();
}

void TDataFile::EndSharedRead() {
    if (!sharedReadHeld_)
        return;
    sharedReadHeld_ = false;
    DropWindow();
    if (sharedReadLifted_) {
        sharedReadLifted_ = false;
        return;
    }
    if (!locks_.EndReadLocks(indexHandler_, BlobHandler(), sharedReadLocks_))
        Fail(kErrUnlockFailed);
}

void TDataFile::BeginWrite() {
    RequireOpenTable();
    if (writeHeld_)
        return;
    if (LocksSkipped()) {
        writeHeld_ = true;
        return;
    }
    // The write range covers every read byte, this object's own included.
    EndRead();
    if (sharedReadHeld_ && !sharedReadLifted_) {
        locks_.EndReadLocks(indexHandler_, BlobHandler(), sharedReadLocks_);
        sharedReadLifted_ = true;
    }
    try {
        locks_.BeginWriteLocks(*this, indexHandler_, BlobHandler());
    } catch (...) {
        if (sharedReadLifted_) {
            sharedReadLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
            sharedReadLifted_ = false;
        }
        throw;
    }
    writeHeld_ = true;
    DetectChanges();
}

void TDataFile::EndWrite() {
    if (!writeHeld_)
        return;
    // Nobody may read the half-written files while their rollback is owed.
    if (Shared() && journal_.Damaged()) {
        writeKeptForDamage_ = true;
        return;
    }
    writeHeld_ = false;
    if (LocksSkipped())
        return;
    DropWindow();
    const bool ok = locks_.EndWriteLocks(*this, indexHandler_, BlobHandler());
    if (sharedReadHeld_ && sharedReadLifted_) {
        sharedReadLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
        sharedReadLifted_ = false;
    }
    if (!ok)
        Fail(kErrUnlockFailed);
}

void TDataFile::ReleaseAllLocks() {
    auto quietly = [](auto&& step) {
        try {
            step();
        } catch (...) {
        }
    };
    if (!IsOpen())
        return;
    quietly([this] { EndSharedRead(); });
    quietly([this] { UnlockTable(); });
    quietly([this] { UnlockAllRecords(); });
    lockedRecords_.clear();
    quietly([this] { EndRead(); });
    quietly([this] { EndWrite(); });
    tableLocked_ = readHeld_ = sharedReadHeld_ = sharedReadLifted_ = writeHeld_ = false;
    DropWindow();
}

// ---- Change detection
// ----------------------------------------------------------------------------

bool TDataFile::CountersMoved(bool* indexChanged) {
    std::uint8_t counter[4];
    indexHandler_.ReadChangeCounterBytes(counter);
    if (header_.IsProtected())
        TScrambler::Apply(counter, 4, TScrambler::kTableDataKey);
    *indexChanged = datafmt::GetI32(counter) != index_.ChangeCounter();
    return *indexChanged || static_cast<std::int32_t>(ReadChangeCounter()) != header_.changeCounter;
}

void TDataFile::ReloadAfterChange(bool indexChanged, const TCursorMark& mark) {
    if (indexChanged)
        index_.DetectChange();
    ReadHeaderAgain();
    ResetCache();
    index_.Cursor().Refresh();
    ReturnTo(mark);
}

bool TDataFile::DetectChanges() {
    RequireOpenTable();
    if (LocksSkipped() || !index_.IsOpen())
        return false;
    bool changed = false;
    bool indexChanged = false;
    if (CountersMoved(&indexChanged)) {
        ReloadAfterChange(indexChanged, MarkCursor());
        changed = true;
    }
    if (HasBlobFile() && blob_->DetectChange())
        changed = true;
    return changed;
}

void TDataFile::BeforeIndexPageRead() {
    // Only inside a public operation of an open shared table that holds no
    // read or write lock yet (strict change detection holds one already).
    if (scopeDepth_ == 0 || !IsOpen() || !index_.IsOpen() || AnyReadOrWriteHeld() || LocksSkipped())
        return;
    readLocks_ = locks_.BeginReadLocks(*this, indexHandler_, BlobHandler());
    readHeld_ = true;
    bool indexChanged = false;
    if (restartable_ && CountersMoved(&indexChanged))
        throw TStalePages{};
}

void TDataFile::RunRestartable(const std::function<void()>& operation) {
    if (restartable_ || LocksSkipped() || AnyReadOrWriteHeld()) {
        operation();
        return;
    }
    const TCursorMark mark = MarkCursor();
    restartable_ = true;
    try {
        operation();
        restartable_ = false;
        return;
    } catch (const TStalePages&) {
        restartable_ = false;
    } catch (...) {
        restartable_ = false;
        throw;
    }
    // The read lock is held now: reload and run again from the old place.
    bool indexChanged = false;
    if (CountersMoved(&indexChanged))
        ReloadAfterChange(indexChanged, mark);
    if (HasBlobFile())
        blob_->DetectChange();
    operation();
}

void TDataFile::Refresh() {
    RequireOpenTable();
    if (readHeld_ || sharedReadHeld_ || writeHeld_) {
        TOperationScope scope(*this, false);
        DetectChanges();
        return;
    }
    BeginRead();
    EndRead();
}

} // namespace tabula
