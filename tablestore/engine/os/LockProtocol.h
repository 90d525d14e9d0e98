// TLockProtocol: the named multi-user locks of a table and their retry rules.
//
// Each operation places one of the ranges of LockLayout.h through
// TFileHandler::Lock, retrying as the lock kind demands:
//   record lock, table lock  one attempt, then up to LockRetryCount more,
//                            each after more than LockWaitTime ms;
//                            failure kErrRecordLocked (record) or kErrTableLocked (table)
//   header lock              up to 8193 attempts, 3 ms apart; failure kErrLockFailure
//   read lock, write lock    up to 8193 attempts, 3 ms apart; failure kErrLockFailure
//                            (index and BLOB files; the read byte is drawn
//                            anew for every attempt)
// A failed acquisition holds nothing. Nothing is locked on a handler that
// is open exclusively or whose file carries the read-only attribute: every
// request then succeeds at once (the table layer applies the same rule to the
// whole table from its data file). Unlock operations return false when the
// range was not held.
//
// The record and table waits and the internal waits are bounded, so a wait
// between users ends in an error rather than a hang. A TLockProtocol is used
// by one thread at a time; the random generator of the read bytes is
// process-wide, seeded once when the program starts, and guarded.
#pragma once

#include "LockLayout.h"

#include <cstdint>
#include <string>

namespace tabula {

class TFileHandler;

struct TLockTiming {
    int LockRetryCount = kDefaultLockRetryCount;
    int LockWaitTime = kDefaultLockWaitTime; // milliseconds
    int InternalAttempts = kInternalLockAttempts;
    int InternalWaitMs = kInternalLockWaitMs;
};

// The read and write locks a table holds on its index and BLOB files.
struct TReadLocks {
    std::int64_t IndexOffset = 0; // 0: nothing held
    std::int64_t BlobOffset = 0;
};

class TLockProtocol {
public:
    TLockProtocol() = default;
    explicit TLockProtocol(const TLockTiming& timing) : timing_(timing) {}

    TLockTiming& Timing() { return timing_; }
    const TLockTiming& Timing() const { return timing_; }
    // Attempts made by the last acquisition (0 when locks were skipped).
    int LastAttempts() const { return lastAttempts_; }

    // Whether locks are skipped for this handler.
    static bool LocksSkipped(const TFileHandler& file);

    // Data file locks. Record numbers run from 1 to 100,000,000.
    void LockRecord(TFileHandler& data, std::int64_t recordNo);
    bool UnlockRecord(TFileHandler& data, std::int64_t recordNo);
    void LockTable(TFileHandler& data);
    bool UnlockTable(TFileHandler& data);
    void LockHeader(TFileHandler& data);
    bool UnlockHeader(TFileHandler& data);

    // Index and BLOB file locks. tableName names the table in the error
    // (the file's own name when empty). ReadLock returns the offset it
    // locked, to be passed back to ReadUnlock (0 when nothing was taken).
    std::int64_t ReadLock(TFileHandler& file, const std::string& tableName = {});
    bool ReadUnlock(TFileHandler& file, std::int64_t offset);
    void WriteLock(TFileHandler& file, const std::string& tableName = {});
    bool WriteUnlock(TFileHandler& file);

    // The lock sets of a whole table. Write: header lock, index write lock,
    // BLOB write lock (blob may be null), in that order; when one cannot be
    // obtained the ones already taken are released and kErrLockFailure is raised.
    // Read: index read lock, then the BLOB read lock, with the same rule.
    void BeginWriteLocks(TFileHandler& data, TFileHandler& index, TFileHandler* blob);
    // Releases in reverse order; false when any release failed.
    bool EndWriteLocks(TFileHandler& data, TFileHandler& index, TFileHandler* blob);
    TReadLocks BeginReadLocks(TFileHandler& data, TFileHandler& index, TFileHandler* blob);
    bool EndReadLocks(TFileHandler& index, TFileHandler* blob, const TReadLocks& held);

private:
    // Tries Lock up to attempts times, waiting waitMs (more than that many
    // whole milliseconds) between attempts. randomOffset, when given, receives the
    // offset drawn anew for each attempt.
    bool Acquire(TFileHandler& file, std::int64_t offset, std::int64_t length, int attempts,
                 int waitMs, std::int64_t* randomOffset);

    TLockTiming timing_;
    int lastAttempts_ = 0;
};

} // namespace tabula
