// The named multi-user locks and their retry loops.
#include "LockProtocol.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"

#include <chrono>
#include <mutex>
#include <random>
#include <thread>

namespace tabula {

namespace {

// Process-wide generator of read-lock bytes, seeded once at program start.
struct TReadByteSource {
    std::mutex lock;
    std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::int64_t> pick{kReadLockMinR, kReadLockMaxR};

    std::int64_t Next() {
        std::lock_guard<std::mutex> guard(lock);
        return pick(generator);
    }
};

TReadByteSource gReadBytes;

// Waits until more than ms whole milliseconds have passed on the monotonic
// clock. It sleeps in one-millisecond steps instead of spinning: the time
// waited is the same and the processor stays free for the lock holder.
void WaitMoreThan(int ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    while (std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() <=
           ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

const std::string& NameFor(const TFileHandler& file, const std::string& tableName) {
    return tableName.empty() ? file.FileName() : tableName;
}

} // namespace

bool TLockProtocol::LocksSkipped(const TFileHandler& file) {
    return file.Exclusive() || file.ReadOnlyAttribute();
}

bool TLockProtocol::Acquire(TFileHandler& file, std::int64_t offset, std::int64_t length,
                            int attempts, int waitMs, std::int64_t* randomOffset) {
    lastAttempts_ = 0;
    if (attempts < 1)
        attempts = 1;
    for (int i = 0; i < attempts; ++i) {
        if (i > 0)
            WaitMoreThan(waitMs);
        if (randomOffset) {
            offset = kReadLockBase - gReadBytes.Next();
            *randomOffset = offset;
        }
        ++lastAttempts_;
        if (file.Lock(offset, length))
            return true;
    }
    return false;
}

void TLockProtocol::LockRecord(TFileHandler& data, std::int64_t recordNo) {
    lastAttempts_ = 0;
    if (recordNo < 1 || recordNo > kMaxLockableRecord)
        RaiseEngineError(kErrRecordLocked, data.FileName());
    if (LocksSkipped(data))
        return;
    if (!Acquire(data, kRecordLockBase - recordNo, kRecordLockLength, timing_.LockRetryCount + 1,
                 timing_.LockWaitTime, nullptr))
        RaiseEngineError(kErrRecordLocked, data.FileName());
}

bool TLockProtocol::UnlockRecord(TFileHandler& data, std::int64_t recordNo) {
    if (recordNo < 1 || recordNo > kMaxLockableRecord)
        return false;
    if (LocksSkipped(data))
        return true;
    return data.Unlock(kRecordLockBase - recordNo, kRecordLockLength);
}

void TLockProtocol::LockTable(TFileHandler& data) {
    lastAttempts_ = 0;
    if (LocksSkipped(data))
        return;
    if (!Acquire(data, kTableLockOffset, kTableLockLength, timing_.LockRetryCount + 1,
                 timing_.LockWaitTime, nullptr))
        RaiseEngineError(kErrTableLocked, data.FileName());
}

bool TLockProtocol::UnlockTable(TFileHandler& data) {
    if (LocksSkipped(data))
        return true;
    return data.Unlock(kTableLockOffset, kTableLockLength);
}

void TLockProtocol::LockHeader(TFileHandler& data) {
    lastAttempts_ = 0;
    if (LocksSkipped(data))
        return;
    if (!Acquire(data, kHeaderLockOffset, kHeaderLockLength, timing_.InternalAttempts,
                 timing_.InternalWaitMs, nullptr))
        RaiseEngineError(kErrLockFailure, data.FileName());
}

bool TLockProtocol::UnlockHeader(TFileHandler& data) {
    if (LocksSkipped(data))
        return true;
    return data.Unlock(kHeaderLockOffset, kHeaderLockLength);
}

std::int64_t TLockProtocol::ReadLock(TFileHandler& file, const std::string& tableName) {
    lastAttempts_ = 0;
    if (LocksSkipped(file))
        return 0;
    std::int64_t offset = 0;
    if (!Acquire(file, 0, kReadLockLength, timing_.InternalAttempts, timing_.InternalWaitMs,
                 &offset))
        RaiseEngineError(kErrLockFailure, NameFor(file, tableName));
    return offset;
}

bool TLockProtocol::ReadUnlock(TFileHandler& file, std::int64_t offset) {
    if (offset == 0 || LocksSkipped(file))
        return true;
    return file.Unlock(offset, kReadLockLength);
}

void TLockProtocol::WriteLock(TFileHandler& file, const std::string& tableName) {
    lastAttempts_ = 0;
    if (LocksSkipped(file))
        return;
    if (!Acquire(file, kWriteLockOffset, kWriteLockLength, timing_.InternalAttempts,
                 timing_.InternalWaitMs, nullptr))
        RaiseEngineError(kErrLockFailure, NameFor(file, tableName));
}

bool TLockProtocol::WriteUnlock(TFileHandler& file) {
    if (LocksSkipped(file))
        return true;
    return file.Unlock(kWriteLockOffset, kWriteLockLength);
}

void TLockProtocol::BeginWriteLocks(TFileHandler& data, TFileHandler& index, TFileHandler* blob) {
    LockHeader(data);
    try {
        WriteLock(index, data.FileName());
    } catch (const ETabulaEngineError&) {
        UnlockHeader(data);
        throw;
    }
    if (blob) {
        try {
            WriteLock(*blob, data.FileName());
        } catch (const ETabulaEngineError&) {
            WriteUnlock(index);
            UnlockHeader(data);
            throw;
        }
    }
}

bool TLockProtocol::EndWriteLocks(TFileHandler& data, TFileHandler& index, TFileHandler* blob) {
    bool ok = true;
    if (blob)
        ok = WriteUnlock(*blob) && ok;
    ok = WriteUnlock(index) && ok;
    ok = UnlockHeader(data) && ok;
    return ok;
}

TReadLocks TLockProtocol::BeginReadLocks(TFileHandler& data, TFileHandler& index,
                                         TFileHandler* blob) {
    TReadLocks held;
    held.IndexOffset = ReadLock(index, data.FileName());
    if (blob) {
        try {
            held.BlobOffset = ReadLock(*blob, data.FileName());
        } catch (const ETabulaEngineError&) {
            ReadUnlock(index, held.IndexOffset);
            throw;
        }
    }
    return held;
}

bool TLockProtocol::EndReadLocks(TFileHandler& index, TFileHandler* blob, const TReadLocks& held) {
    bool ok = true;
    if (blob)
        ok = ReadUnlock(*blob, held.BlobOffset) && ok;
    ok = ReadUnlock(index, held.IndexOffset) && ok;
    return ok;
}

} // namespace tabula
