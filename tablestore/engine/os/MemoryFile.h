// In-memory table files: TMemoryFile and the session's TMemoryFileList.
//
// An in-memory file lives in its engine session from creation until it is
// deleted or the engine stops; closing its last handle keeps the contents.
// Its data area is a list of separately allocated chunks of kMemoryFileChunk
// bytes, so growing never moves the bytes already written, and a chunk is
// small enough to come from (and go back to) the allocator's heap rather than
// fresh pages. Bytes between the length and the capacity are unspecified and
// never read: whatever makes the file longer (a write past the end, a longer
// length) zero-fills the bytes between the old length and the new data. Open handles
// are numbered uniquely among the file's open handles; each handle's position
// is kept by the TFileHandler that owns the handle. Locked ranges are kept in
// one list per file: a lock fails when it overlaps any locked range of any
// handle; an unlock removes the range with the same first byte and length
// taken by the same handle. Closing a handle releases its ranges, as closing
// a disk handle releases its locks, so a closed handle never leaves a range
// locked for everybody else.
//
// States of a TMemoryFile:
//   Idle (no handles) --open/create--> InUse (handles; exclusive or shared)
//   InUse --last handle closed--> Idle (contents kept)
//   Idle --delete, engine stop--> gone;  Idle --rename--> Idle
//
// Locking rule: every operation on a TMemoryFile or a TMemoryFileList runs
// under the engine's in-memory critical section (MemoryFileSection() in
// FileSession.h); the classes themselves do not lock.
#pragma once

#include "LockLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

// The data area grows in steps of this many bytes, one allocated chunk each.
inline constexpr std::int64_t kMemoryFileChunk = 65535;

class TMemoryFile {
public:
    struct TLockedRange {
        std::int64_t first;
        std::int64_t last;
        std::int64_t length;
        int handle;
    };

    explicit TMemoryFile(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value) { exclusive_ = value; }
    std::int64_t Length() const { return length_; }
    std::int64_t Capacity() const {
        return static_cast<std::int64_t>(chunks_.size()) * kMemoryFileChunk;
    }

    // Copies up to count bytes at offset into buffer; returns the count
    // copied (fewer past the end).
    std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t count) const;
    // Writes count bytes at offset, growing the file (zero-filled gap).
    // Returns false when the file would pass kMaxTableFileSize; throws
    // std::bad_alloc when memory runs out.
    bool WriteAt(std::int64_t offset, const void* buffer, std::int64_t count);
    // Sets the length (growing zero-filled or cutting); same limits.
    bool SetLength(std::int64_t length);

    // Handles. RemoveHandle also releases the handle's locked ranges.
    int AddHandle();
    void RemoveHandle(int number);
    bool HasHandles() const { return !handles_.empty(); }
    std::size_t HandleCount() const { return handles_.size(); }

    // Range locks.
    bool Lock(std::int64_t offset, std::int64_t length, int handle);
    bool Unlock(std::int64_t offset, std::int64_t length, int handle);
    const std::vector<TLockedRange>& Locks() const { return locks_; }

private:
    bool Reserve(std::int64_t length);
    // Copies count bytes at offset from or to the chunks; the range lies
    // within the capacity.
    void CopyOut(std::int64_t offset, std::uint8_t* out, std::int64_t count) const;
    void CopyIn(std::int64_t offset, const std::uint8_t* in, std::int64_t count);
    void ZeroFill(std::int64_t offset, std::int64_t count);

    std::string name_;
    bool exclusive_ = false;
    std::int64_t length_ = 0;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_; // each kMemoryFileChunk bytes
    std::vector<TLockedRange> locks_;
    std::vector<int> handles_;
};

// In-memory file names compare without regard to case after trimming blanks.
bool SameMemoryFileName(const std::string& a, const std::string& b);

class TMemoryFileList {
public:
    std::shared_ptr<TMemoryFile> Find(const std::string& name) const;
    std::shared_ptr<TMemoryFile> Add(const std::string& name);
    // Removes the file; false when it is not in the list.
    bool Remove(const std::string& name);
    std::size_t Count() const { return files_.size(); }
    void Clear() { files_.clear(); }

private:
    std::vector<std::shared_ptr<TMemoryFile>> files_;
};

} // namespace tabula
