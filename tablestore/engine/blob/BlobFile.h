// TBlobFile: a table's BLOB file (".BLB") - its header, the block chains of
// the BLOB values, the free-block chain, the block cache and the open BLOB
// buffers (TBlobBuffer). Layout in BlobFileFormat.h.
//
// States: closed -> (Create | Open) -> open -> Close -> closed. Create
// makes a fresh header (version 3, no free blocks, end of file 512) marked
// modified; it reaches the file at the next Commit. Close frees every open
// buffer (unsaved data are lost) and the cache without writing anything:
// the record manager commits first when it must.
//
// Invariants while open:
//   - every cached block lies at a valid block number below the end of file;
//   - a block is pinned while an operation of this class uses it and is
//     never evicted while pinned or modified; every operation releases its
//     pins, also when it fails;
//   - at most 64 buffers are open; handles are positive and unique among
//     the open buffers, and a record image carries a handle negated;
//   - the header in memory (free-chain head, end of file) is written, with
//     the change counter increased, only by CommitHeader.
//
// Locking: the record manager holds the BLOB read lock around reads and the
// write lock around changes (TLockProtocol) and calls DetectChange under
// them; this object takes no locks itself and is used by one thread at a
// time.
//
// Errors: the buffer and chain operations report engine codes (0 for
// success) instead of raising, as their callers expect; file failures inside
// them become their codes too. Open, Create, Commit and Empty raise.
// The record-level BLOB operations of the record manager are in
// BlobRecord.h.
#pragma once

#include "BlobBuffer.h"
#include "BlobFileFormat.h"
#include "FileHandler.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tabula {

// What a read-only walk of one chain found (for the consistency check).
struct TBlobChainReport {
    int code = 0;                     // 0 sound; else the engine code of the fault
    std::string problem;              // empty when sound
    std::vector<std::int32_t> blocks; // the blocks walked, in chain order
    std::uint32_t length = 0;         // total length stored in the first block
};

class TBlobFile : public TFileHandler {
public:
    TBlobFile();
    ~TBlobFile() override;

    // ---- Set-up (while closed) ---------------------------------------------------
    // The block size as stored in the data header (0 means 512). Checked at
    // Open and Create: below 64 or above 65553 is kErrBlobLimits.
    void SetBlockSize(std::uint32_t storedBlockSize);
    // Protected tables keep header and blocks scrambled with the table-data key.
    void SetProtected(bool isProtected);
    // The name errors report (the table's data file); the BLOB file's own
    // name when empty.
    void SetContextName(const std::string& name) { contextName_ = name; }

    // ---- TFileHandler ---------------------------------------------------------------
    // Replaces any extension by ".BLB".
    std::string NormalizeName(const std::string& name) const override;
    // Opens the file and reads its header: version other than 3 is kErrWrongVersion; a
    // header that is short or names an impossible end of file or free-chain
    // head is kErrHeaderCorrupt.
    void Open() override;
    void Close() override;
    void Create() override;

    // ---- Header facts ------------------------------------------------------------------
    std::uint32_t BlockSize() const { return blockSize_; }
    std::uint32_t DataPerBlock() const { return blockSize_ - blobfmt::kBlockHeaderSize; }
    std::int32_t FreeChainHead() const { return freeHead_; }
    std::int64_t EndOfFile() const { return endOfFile_; }
    std::int32_t ChangeCounter() const { return changeCounter_; }
    bool HeaderModified() const { return headerModified_; }
    // Whether b could name a block of this file (range and alignment).
    bool IsBlockNumber(std::int64_t b) const;

    // ---- Open BLOB buffers -----------------------------------------------------------------
    // Opens a buffer for the chain starting at firstBlock (0: no blocks) of
    // recordNumber's field and loads it. Codes: kErrTooManyBlobs (a 65th buffer),
    // kErrBlobBuffersCorrupt (first block owned by another record in mode 0, a damaged chain),
    // kErrEndOfBlob (the chain ends before the length), kErrInvalidBlobOffset (firstBlock is no
    // block number, mode 0). In mode kOpenForDelete a first block owned by another record, or no
    // block number at all, reads as an empty BLOB without blocks, so a delete frees nothing that is
    // not its own.
    int OpenBuffer(std::int32_t recordNumber, int fieldNumber, std::int32_t firstBlock, int mode,
                   int& handle);
    // The open buffer of a handle, or null.
    TBlobBuffer* Buffer(int handle);
    // Closes the buffer without saving; false when the handle is not open.
    bool FreeBuffer(int handle);
    void FreeAllBuffers();
    int OpenBufferCount() const { return static_cast<int>(buffers_.size()); }
    // Sets the owner record of an open buffer. A buffer moving to another
    // record while it names a chain (a record image copied into a new
    // record) leaves that chain to its old owner and will be saved into a
    // chain of its own.
    void SetBufferOwner(int handle, std::int32_t recordNumber);
    // Writes a modified buffer back to blocks (length 0 frees its chain);
    // afterwards firstBlock names the chain and the buffer counts as
    // unmodified. Codes: kErrBlobBuffersCorrupt (first block not owned by the record, a chain
    // that loops, cache exhausted), kErrInvalidBlobOffset (a foreign or repeated block in the
    // part freed), kErrFileFull (file full), kErrReadError/kErrWriteError (file errors).
    int SaveBuffer(int handle);

    // The owner record stored in a block; kErrInvalidBlobOffset when block is no block number.
    int BlockOwner(std::int32_t block, std::int32_t& owner);

    // Largest BLOB length this file could ever hold; longer writes are kErrInvalidBlobLength.
    std::uint32_t MaxBlobLength() const;

    // ---- Whole file ----------------------------------------------------------------------------
    // Truncates the file to its header: no free blocks, end of file 512,
    // header marked modified; every cached block and open buffer is dropped.
    void Empty();
    // Writes every modified unpinned block, sorted, adjacent blocks with one
    // write each; then the header when it is modified or forced (change
    // counter + 1). With trim the cache shrinks to its capacity.
    void Commit(bool forceHeader, bool trim);
    void CommitBlocks();
    void CommitHeader(bool force);
    void TrimCache();
    // Drops every cached block (after another user's change); open buffers
    // keep their data.
    void ResetCache();
    // Compares the file's change counter with the one in memory; on a
    // difference re-reads the header and resets the cache. True when it did.
    bool DetectChange();
    // Re-reads the header and drops every cached block, whatever the change
    // counter says (after a rollback put the file back underneath the cache).
    void Reload();
    // Abandons the free-block chain (its blocks stay unused): the repair's
    // answer to a chain it cannot trust. Reaches the file at the next commit.
    void DropFreeChain() {
        freeHead_ = 0;
        headerModified_ = true;
    }

    // What an operation may change in the open buffers: their chain, owner
    // and modified flag. RestoreBuffers puts back the marked state and frees
    // every buffer opened since the marks were taken.
    struct TBufferMark {
        int handle;
        bool modified;
        std::int32_t recordNumber;
        std::int32_t firstBlock;
    };
    std::vector<TBufferMark> MarkBuffers() const;
    void RestoreBuffers(const std::vector<TBufferMark>& marks);

    // ---- Read-only inspection
    // -------------------------------------------------------------------- Walks the chain from
    // firstBlock as a load would and checks that every block is a block number, owned by owner, met
    // once, and that the chain holds the stored length.
    TBlobChainReport InspectChain(std::int32_t firstBlock, std::int32_t owner);
    // Walks the free chain; code 0 when it is well formed (block numbers,
    // no block met twice).
    TBlobChainReport InspectFreeChain();

    // Cache facts (for tests and benchmarks).
    std::size_t CachedBlockCount() const { return cache_.size(); }
    std::size_t CacheCapacity() const { return capacity_; }

private:
    struct TBlock {
        std::int64_t number = 0;
        bool modified = false;
        int pins = 0;
        std::vector<std::uint8_t> bytes; // block header and data, unscrambled
    };
    using TBlockList = std::list<TBlock>;
    class TPin;

    [[noreturn]] void Raise(int code) const;
    std::string ContextName() const;
    void InitHeader();
    void ReadHeader();
    void CheckBlockSize() const;

    // Cache. Fetch pins the block (release with Unpin); want is the number of
    // consecutive blocks worth reading ahead.
    TBlock& Fetch(std::int64_t number, std::int64_t want, int badNumberCode);
    void Unpin(TBlock& block);
    TBlockList::iterator TakeSlot(bool mandatory);
    void WriteModified(bool onlyUnpinned);
    void WriteRun(const std::vector<TBlock*>& run);

    // Chains.
    TBlock& Allocate(std::int32_t owner);
    void FreeChain(std::int64_t first, std::int32_t owner);
    void Load(TBlobBuffer& buffer);
    void Save(TBlobBuffer& buffer);
    std::int64_t BlocksFor(std::uint64_t length) const;

    std::uint32_t storedBlockSize_ = 0;
    std::uint32_t blockSize_ = blobfmt::kDefaultBlockSize;
    bool protected_ = false;
    std::string contextName_;

    std::int32_t changeCounter_ = 0;
    std::int32_t freeHead_ = 0;
    std::int64_t endOfFile_ = blobfmt::kHeaderSize;
    bool headerModified_ = false;

    TBlockList cache_; // most recently used first
    std::unordered_map<std::int64_t, TBlockList::iterator> index_;
    std::size_t capacity_ = 0;

    std::map<int, std::unique_ptr<TBlobBuffer>> buffers_;
    int nextHandle_ = 1;
};

} // namespace tabula
