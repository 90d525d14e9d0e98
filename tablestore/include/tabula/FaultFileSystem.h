// TFaultFileSystem: a file system for tests that passes every call to
// another one (the POSIX one by default) and makes chosen calls fail, the
// way a full disk (ENOSPC) or a failing device (EIO) makes them fail.
//
// Writes, syncs and truncations are counted separately, over every file,
// from 1. A fault names a kind and a call number: that call fails (nothing
// is written, synced or truncated) and, when the fault is persistent, so
// does every later call of any of the three kinds, until Clear(). A short
// write instead writes the first half of the bytes and reports that count.
// Reads, opens, sizes and locks are never failed.
//
// Used by one thread at a time, like the handlers above it.
#pragma once

#include "FileSystem.h"

#include <cerrno>

namespace tabula {

enum class TFaultKind { Write, Sync, Truncate };

class TFaultFileSystem : public TFileSystem {
public:
    struct TCounts {
        int writes = 0;
        int syncs = 0;
        int truncates = 0;
        int Total() const { return writes + syncs + truncates; }
    };

    explicit TFaultFileSystem(TFileSystem& base = FileSystem()) : base_(base) {}

    // Fails call `number` of `kind` (counted from the last ResetCounts), and
    // with `persistent` every later write, sync and truncation as well.
    void FailAt(TFaultKind kind, int number, bool persistent, int error = ENOSPC);
    // Makes write `number` short (half of the bytes, at least one fewer).
    void ShortenWrite(int number);
    // No more faults; counts stay.
    void Clear();
    void ResetCounts() { counts_ = {}; }
    const TCounts& Counts() const { return counts_; }
    // How many calls were failed since the last Clear.
    int Failures() const { return failures_; }

    int Open(const std::string& path, int flags, int mode) override;
    int Close(int fd) override;
    ssize_t ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, std::size_t count, std::int64_t offset) override;
    int Truncate(int fd, std::int64_t length) override;
    int Sync(int fd) override;
    std::int64_t Size(int fd) override;
    bool SetLock(int fd, short type, std::int64_t offset, std::int64_t length) override;
    bool LockedByOther(int fd, std::int64_t offset, std::int64_t length) override;

private:
    // Counts a call of `kind`; true when it must fail (errno is set then).
    bool Fails(TFaultKind kind);

    TFileSystem& base_;
    TCounts counts_;
    bool armed_ = false;
    TFaultKind kind_ = TFaultKind::Write;
    int number_ = 0;
    bool persistent_ = false;
    bool failing_ = false; // a persistent fault has struck
    int error_ = ENOSPC;
    int shortWrite_ = 0;
    int failures_ = 0;
};

} // namespace tabula
