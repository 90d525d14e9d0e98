// TWriteJournal: the undo of every change made to a table's files since a
// chosen moment, so that a write the system refuses (a full disk, a device
// error) never leaves the table half changed.
//
// The file handlers of a table report each change before they make it
// (BeforeWrite: a write, or a truncation when count is 0). The first time a
// file is touched the journal notes its length; for every byte range about
// to be overwritten or cut off that lies inside that old length and was not
// saved before, it reads and keeps the old bytes. Bytes beyond the old
// length need no saving: rolling back cuts the file to its old length.
// Saved ranges of a file never overlap, so they can be written back in any
// order.
//
// When a write or truncation fails, the handler calls AfterFailure, which
// rolls back at once: writes the saved bytes back, cuts each file to its old
// length. From then on the journal refuses every further change (the
// caches above still hold the failed state and must not reach the disk)
// until its owner has reloaded from disk and starts or stops it.
//
// States:
//   Idle        changes pass unrecorded
//   Recording   changes are recorded (Start)
//   Overflowed  more old bytes than the limit: recording stopped, a failure
//               can no longer be undone
//   RolledBack  the files are as they were at Start; changes refused
//   Damaged     a rollback failed (or was impossible); changes refused;
//               RollBack may be tried again and leads to RolledBack
// Start: any -> Recording with nothing saved. Stop: any -> Idle, saved bytes
// dropped. A failure or RollBack: Recording -> RolledBack or Damaged,
// Overflowed -> Damaged.
//
// Locks are not journaled: a rollback leaves every lock as it is.
// Used by one thread at a time, like the handlers that report to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace tabula {

class TFileHandler;

class TWriteJournal {
public:
    enum class TState { Idle, Recording, Overflowed, RolledBack, Damaged };

    static constexpr std::size_t kDefaultLimit = 64u * 1024u * 1024u;

    explicit TWriteJournal(std::size_t limit = kDefaultLimit) : limit_(limit) {}
    TWriteJournal(const TWriteJournal&) = delete;
    TWriteJournal& operator=(const TWriteJournal&) = delete;

    void Start();
    void Stop();
    TState State() const { return state_; }
    bool Recording() const { return state_ == TState::Recording || state_ == TState::Overflowed; }
    // Changes are refused until the owner reloads (RolledBack) or a
    // rollback succeeds (Damaged).
    bool Fenced() const { return state_ == TState::RolledBack || state_ == TState::Damaged; }
    bool Damaged() const { return state_ == TState::Damaged; }
    bool Overflowed() const { return state_ == TState::Overflowed; }
    // Whether a rollback can still succeed (false once old bytes were not kept).
    bool Restorable() const { return !lost_; }
    // Whether any file was changed since Start.
    bool Touched() const { return !files_.empty(); }
    std::size_t SavedBytes() const { return savedBytes_; }

    // Tells the journal a file's length at Start when its owner knows it
    // (from the file's own header), sparing the size query at the first
    // change. A file that is really longer is cut to that length by a
    // rollback; one that is shorter is saved as far as it goes.
    void KnowLength(TFileHandler& file, std::int64_t length);

    // Called by a handler before it writes count bytes at offset (count 0:
    // before it cuts the file at offset). Raises the handler's write error
    // (kErrWriteError, or kErrTableDamaged while Damaged) when fenced, and
    // kErrReadError when the old bytes cannot be read; nothing is changed then.
    void BeforeWrite(TFileHandler& file, std::int64_t offset, std::int64_t count);
    // Called by a handler after a write or truncation failed: rolls back and
    // returns the code to raise (kErrWriteError when the files are as at
    // Start, kErrTableDamaged when they may not be).
    int AfterFailure();
    // Puts every touched file back as it was at Start. True when it did (or
    // nothing was recording); false leaves the journal Damaged.
    bool RollBack();

    // Handing a rollback that is still owed to other handles of the same
    // files (when the table that owed it closes): the files touched, and
    // the move of everything recorded (other becomes Idle).
    std::vector<TFileHandler*> Files() const;
    void Rebind(TFileHandler& from, TFileHandler& to);
    void TakeFrom(TWriteJournal& other);

private:
    struct TFileEntry {
        TFileHandler* file;
        std::int64_t oldLength;
        std::map<std::int64_t, std::int64_t> saved; // first byte -> end, disjoint
    };
    struct TChunk {
        std::size_t fileIndex;
        std::int64_t offset;
        std::vector<std::uint8_t> bytes;
    };

    TFileEntry& Entry(TFileHandler& file);
    void Save(std::size_t fileIndex, std::int64_t start, std::int64_t end);
    void Clear();

    std::size_t limit_;
    TState state_ = TState::Idle;
    bool lost_ = false; // old bytes were not kept: no rollback is possible
    std::vector<TFileEntry> files_;
    std::vector<TChunk> chunks_;
    std::size_t savedBytes_ = 0;
};

} // namespace tabula
