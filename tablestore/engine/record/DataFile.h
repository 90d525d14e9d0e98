// TDataFile: an open table - its data file (this handler), its index file
// and, when the table has BLOB fields, its BLOB file - with the record cache,
// physical record numbers, append / update / delete / empty in their fixed
// order, the cursor over the current index, and the multi-user lock levels.
//
// States:
//   Closed --Open / CreateTable--> Open --Close--> Closed
// Name, exclusive, read-only, in-memory, ForceBufferFlush and
// StrictChangeDetection change only while Closed (kErrFileInUse). While Open the
// table is either exclusive (no locks are taken; writes stay in the record
// cache until eviction or Close) or shared (each modification takes the
// write lock, commits and releases it before returning).
//
// Invariants while Open:
//   - the data file holds the 127-byte header, the descriptor block and
//     (next record number - 1) records once every modified buffer has been
//     written back; the header in memory is the truth, headerModified_ says
//     it differs from the file;
//   - the current record (current_) is the buffer of the record the index
//     cursor stands on, pinned once, or null when the cursor stands on no
//     record or the cache has been reset since (CurrentBuffer reloads it);
//   - in a table whose primary index has key fields, "Sys Deleted" holds one
//     entry (deleted flag, auto-increment) per record slot and the free-record
//     chain links deleted slots through record bytes 1..4; in a table in
//     physical order deleted slots are never reused;
//   - the index header's record count is the number of live records.
//
// Lock levels (none on an exclusive table or one whose data file carries the
// read-only attribute). Each level remembers that it is held, so taking it
// again does nothing:
//   record locks   the list lockedRecords_; skipped while the table lock is held
//   table lock     tableLocked_; DetectChanges after it is obtained
//   read           readLocks_  (index and BLOB read bytes), skipped while a
//                  shared read, a write or a read is held
//   shared read    sharedReadLocks_, the same locks under their own flag
//   write          header lock, index write lock, BLOB write lock; DetectChanges
// A write never overlaps this object's own read bytes: BeginWrite drops a
// plain read lock and lifts a shared read lock for the duration of the write
// (EndWrite takes it again).
//
// Every public reading operation runs inside one operation scope: with
// StrictChangeDetection it takes the read lock on entry; otherwise the read
// lock is taken only when a record or an index page must come from disk (a
// positioning or step that meets a changed file there starts again on fresh
// pages; key searches always take it). The outermost scope releases a plain
// read lock on exit.
//
// Failed writes. The three files report every change to one write journal
// (WriteJournal.h), so a write the system refuses never leaves the table
// half changed:
//   - shared: each append, update and delete records from the moment it
//     holds the write lock until its commit is through. On any failure the
//     files are put back as they were before the operation and every cache,
//     header and open BLOB buffer is reloaded from them; the error is then
//     raised. When the files cannot be put back (the disk refuses the
//     rollback too) the error is kErrTableDamaged, the write lock stays held
//     so other users cannot read the half-written state, and every later
//     operation, and Close, tries the rollback again first.
//   - exclusive: the journal records from Open, and from every completed
//     commit (a checkpoint), on. A write that fails - at eviction, at Close,
//     in EmptyTable - puts the files back as they were at the last
//     checkpoint, and the table reloads from them: every record appended,
//     changed or deleted since the table was opened exclusively or last
//     committed is lost (the files open and verify). When the old bytes to
//     keep exceed the journal's limit the next modification commits, which
//     starts a fresh checkpoint.
//
// One TDataFile is used by one thread at a time.
#pragma once

#include "BlobFile.h"
#include "DataHeader.h"
#include "FieldCondition.h"
#include "FieldDescriptor.h"
#include "FileHandler.h"
#include "IndexDescriptor.h"
#include "IndexFile.h"
#include "IndexStorage.h"
#include "LockProtocol.h"
#include "RecordCache.h"
#include "RecordImage.h"
#include "TableDefinition.h"
#include "TableRepair.h"
#include "WriteJournal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TTableLocale;
class TIndexCursor;
class TFilterNode;

class TDataFile : public TFileHandler {
public:
    // Asked while a protected table is opened and its password is not in the
    // session's list: true to look again (after adding a password), false
    // to give up (kErrPasswordRequired).
    using TPasswordCallback = std::function<bool(void* context)>;
    // Computes one calculated field over an image and writes it there.
    using TCalculation =
        std::function<void(const TFieldDescriptor& field, std::span<std::uint8_t> image)>;

    // Limits of the data part.
    static constexpr std::int32_t kMaxRecordNumber = 100000000;
    // Bytes of consecutive records read at once, and of cached images.
    static constexpr int kReadAheadBytes = 32767;
    static constexpr std::size_t kCacheBytes = 131070;
    static constexpr std::size_t kMaxCacheBuffers = 65535;
    static constexpr std::int32_t kMaxAutoIncrement = 2147483647;

    explicit TDataFile(void* owner = nullptr);
    ~TDataFile() override;

    void* Owner() const { return owner_; }

    // ---- TFileHandler ---------------------------------------------------------
    // Replaces any extension by ".DAT".
    std::string NormalizeName(const std::string& name) const override;
    void Open() override;
    void Close() override;
    // Every write of the data file passes here: it is counted, and the
    // read window (below) never outlives the bytes it copied.
    std::int64_t Write(const void* buffer, std::int64_t count) override;

    // ---- Table life cycle -------------------------------------------------------
    // Creates the three files from a definition and its indexes, then closes
    // the table. Needs a closed, exclusive (kErrMustBeExclusive), writable (kErrAccessDenied)
    // object.
    void CreateTable(TTableDefinition definition, const TIndexDescriptor& primary,
                     const std::vector<TIndexDescriptor>& secondaries);
    // Truncates data, index and BLOB file to their headers (exclusive only).
    void EmptyTable();
    // Deletes the files of a closed table.
    void DeleteTableFiles();

    // ---- Settings (kErrFileInUse while open where noted) ----------------------------------
    int LockRetryCount() const { return locks_.Timing().LockRetryCount; }
    void SetLockRetryCount(std::uint8_t count) { locks_.Timing().LockRetryCount = count; }
    int LockWaitTime() const { return locks_.Timing().LockWaitTime; }
    void SetLockWaitTime(std::uint16_t ms) { locks_.Timing().LockWaitTime = ms; }
    bool ForceBufferFlush() const { return forceBufferFlush_; }
    void SetForceBufferFlush(bool value);
    bool StrictChangeDetection() const { return strict_; }
    void SetStrictChangeDetection(bool value);
    // Whether failed writes are rolled back (the default); off, a failure
    // leaves whatever was written, as a table without a journal would.
    // Changed only while closed (kErrFileInUse).
    bool WriteJournal() const { return journalWrites_; }
    void SetWriteJournal(bool value);
    bool DeleteOnClose() const { return deleteOnClose_; }
    void SetDeleteOnClose(bool value) { deleteOnClose_ = value; }
    bool NoKeyCheck() const { return noKeyCheck_; }
    void SetNoKeyCheck(bool value) { noKeyCheck_ = value; }
    void SetPasswordCallback(TPasswordCallback callback, void* context);

    // ---- Descriptors ------------------------------------------------------------------
    int FieldCount() const { return static_cast<int>(working_.size()); }
    // Record size plus the calculated area: the size of every image.
    int RecordBufferSize() const { return header_.recordSize + calcAreaSize_; }
    int RecordSize() const { return header_.recordSize; }
    int BookmarkSize() const;
    // A copy of the working descriptor; kErrInvalidField for an unknown number or name.
    TFieldDescriptor GetFieldDescriptor(int fieldNumber) const;
    TFieldDescriptor GetFieldDescriptor(const std::string& name) const;
    TIndexDescriptor GetIndexDescriptor(int index) const;
    int SecondaryIndexCount() const;
    // True while the current index is the physical order (bookmarks are
    // record numbers then, keys otherwise).
    bool InPhysicalOrder() const;

    // ---- Search keys ------------------------------------------------------------------
    // Keys for FindKey, FindNearest and SetRange, built by the index's own key
    // rules: KeyLength bytes of index `index` for a record image, and the
    // bytes its first fieldCount key fields take (the `given` of a key whose
    // later fields are left open). kErrInvalidIndexName for an index that is
    // not defined.
    int KeyLength(int index) const;
    int KeyFieldCount(int index) const;
    std::vector<std::uint8_t> BuildKey(int index, std::span<const std::uint8_t> record) const;
    // The same into `key` (resized to KeyLength), for callers that build a
    // key per row into one buffer.
    void BuildKey(int index, std::span<const std::uint8_t> record,
                  std::vector<std::uint8_t>& key) const;
    int KeyPrefixLength(int index, int fieldCount) const;
    const std::vector<TFieldDescriptor>& StoredDescriptors() const { return stored_; }
    const std::vector<TFieldDescriptor>& WorkingDescriptors() const { return working_; }
    // Installs working descriptors: the stored ones followed by calculated
    // ones (calculations in the same order, null for none). Clears the cache.
    void SetWorkingDescriptors(const std::vector<TFieldDescriptor>& descriptors,
                               std::vector<TCalculation> calculations = {});
    // Appends a calculated field; returns its field number.
    int AddCalculatedField(TFieldDescriptor descriptor, TCalculation calculation = {});
    void RemoveCalculatedField(int fieldNumber);
    int CalculatedAreaSize() const { return calcAreaSize_; }
    const TDataHeader& Header() const { return header_; }

    // ---- Field access on images ----------------------------------------------------------
    void InitRecord(std::span<std::uint8_t> image) const;
    TFieldRead ReadField(int fieldNumber, std::span<const std::uint8_t> image) const;
    // Writes a value (WriteNullField for null), then recomputes the image's
    // calculated fields.
    void WriteField(int fieldNumber, std::span<std::uint8_t> image,
                    std::span<const std::uint8_t> value);
    void WriteNullField(int fieldNumber, std::span<std::uint8_t> image);
    void CheckConstraints(std::span<const std::uint8_t> image) const;

    // ---- Modification ----------------------------------------------------------------------
    void AppendRecord(std::span<const std::uint8_t> image);
    // Bulk append, for a table being filled in one go: `images` holds
    // RecordSize() bytes per record, one record after the other (a length
    // that is no multiple of it is kErrRecordBuffersCorrupt). The records
    // are appended as AppendRecord would append them one after the other in
    // that order: each gets the next auto-increment value, every index its
    // entry, and the record count, next record number and last
    // auto-increment end as after those appends. The constraints of every
    // image are checked before anything changes, so an image that fails
    // them appends nothing.
    //
    // The run path - an exclusive, writable table in physical order (the
    // primary index has no keys) without BLOB fields, unique secondary
    // indexes, filters or range - writes the images to the file in runs past
    // the record cache (which holds no buffer of the new record numbers, so
    // no stale image). There, orderIndex, a secondary index whose inserts
    // are deferred and which has gathered no entry yet, gives the record
    // numbers: the records are numbered in that index's order (equal keys
    // keep the order of `images`; each record keeps the auto-increment value
    // its place in `images` gives it, so every key is the one a
    // record-by-record append makes), and the index is loaded from the
    // entries in that order without sorting them again; a walk through it
    // then reads consecutive records. Any other table appends through
    // AppendRecord image by image, and orderIndex is not used (pass 0 for
    // none). A failed write is that of any modification (see the file
    // comment). Either way the cursor is left before the first record of
    // the current index, with no current record.
    void AppendRecords(std::span<const std::uint8_t> images, int orderIndex = 0);
    void UpdateRecord(std::span<const std::uint8_t> image, bool unlockAfter = false,
                      bool bitmaps = true);
    void DeleteRecord(bool bitmaps = true);
    // Bulk index build, for a table filled in one go (exclusive only,
    // kErrMustBeExclusive): the inserts of a secondary index whose tree is
    // empty are deferred - AppendRecord gathers its entries - until the
    // index is next used, or BuildDeferredIndexes or a commit builds it
    // from them, sorted, bottom-up (see TIndexFile). kErrInvalidIndexName
    // for a number that is no defined secondary index, kErrIndexExists
    // when its tree has entries.
    void DeferIndexInserts(int index);
    void BuildDeferredIndexes();
    // Rebuilds indexes, "Sys Deleted", the record count and the free-record
    // chain from the data file's record slots and checks the BLOB chains
    // (TableRepair.h); the table must be open exclusively and writable.
    TRepairReport RebuildFromRecords();
    // Writes back modified buffers and headers (shared mode does this after
    // every modification; exclusive mode at Close).
    void Commit(bool trim, bool forceHeader);

    // ---- Navigation (results 0, kErrBeginningOfFile, kErrEndOfFile)
    // -------------------------------------------- Copies the current record into image
    // (RecordBufferSize bytes; an empty span copies nothing); off a record the image receives the
    // defaults.
    int GetCurrentRecord(std::span<std::uint8_t> image, bool lock = false);
    int NextRecord(std::span<std::uint8_t> image = {});
    int PriorRecord(std::span<std::uint8_t> image = {});
    void GotoFirst();
    void GotoLast();
    void GotoPosition(std::int64_t position);
    std::vector<std::uint8_t> GetBookmark();
    // False when the bookmarked record is gone (the cursor then stands on
    // the one after it).
    bool GotoBookmark(std::span<const std::uint8_t> bookmark);
    void SelectIndexByNumber(int index);
    void SelectIndexByName(const std::string& name);
    int CurrentIndex() const;
    // Keys: `given` bytes of a key of the current index (see TKeyBuilder).
    bool FindKey(std::span<const std::uint8_t> key, int given);
    bool FindNearest(std::span<const std::uint8_t> key, int given);
    void SetRange(std::span<const std::uint8_t> start, int startGiven,
                  std::span<const std::uint8_t> end, int endGiven);
    void CancelRange();
    // 0, or kErrRecordNotFound when the other cursor's record is not in this order.
    int SyncToCursor(TDataFile& other);
    std::unique_ptr<TDataFile> CloneCursor();
    std::int64_t RecordCount();
    std::int64_t RecordPosition();
    std::int32_t PhysicalRecordCount() const { return header_.nextRecordNumber - 1; }
    // The physical number of the current record, 0 when there is none.
    std::int32_t CurrentRecordNumber();

    // ---- Filters -------------------------------------------------------------------------------
    int AddFilter(std::function<bool(std::span<const std::uint8_t>, void*)> test, void* context);
    // A filter made of nodes (condition nodes of this table, their AND / OR /
    // NOT, test functions); inactive, like every new filter. kErrInvalidFilterExpression for none.
    // A second cursor (CloneCursor) rebuilds every node for itself; a node
    // class that cannot be rebuilt makes CloneCursor fail with kErrInvalidFilterExpression.
    int AddFilter(std::unique_ptr<TFilterNode> node);
    // A filter node answered from an index whose first key field is the
    // condition's field with a matching case-insensitive flag (off for a
    // plain field, on for UPPER, equal to caseInsensitive under compare
    // options, any for IS [NOT] NULL), or nullptr when no index can answer it
    // (also when the primary index has no keys). The node's Test(image)
    // decides the condition exactly on one record image. An unknown field is
    // kErrInvalidField; a constant whose size is not the field's stored size, or a
    // negative partial length, is kErrInvalidFilterExpression. The node refers to this table's
    // index file and lives no longer than this object stays open.
    std::unique_ptr<TFilterNode> MakeConditionFilter(const TFieldCondition& condition);
    // How many index entries the condition matches; -1 when no index can
    // answer it.
    std::int64_t CountConditionMatches(const TFieldCondition& condition);
    // How many records of the whole table (whatever the cursor's range and
    // filters) the node passes, counted from index entries under the read
    // lock without building its bitmap; -1 when the node cannot count so.
    std::int64_t CountFilterMatches(TFilterNode& node);
    // 0 answered from indexes, 1 partly, 2 record by record, as the cursor
    // last evaluated the filter; -1 while it was never evaluated (inactive).
    // kErrInvalidFilterHandle for an unknown handle.
    int FilterLevel(int handle) const;
    void DropFilter(int handle);
    void ActivateFilter(int handle);
    void DeactivateFilter(int handle);

    // ---- Locks and change detection -----------------------------------------------------------
    void LockRecord(std::int32_t recordNumber = 0);
    void UnlockRecord(std::int32_t recordNumber = 0);
    void UnlockAllRecords();
    void LockTable();
    void UnlockTable();
    // True when changes by another user were found.
    bool BeginRead();
    void EndRead();
    bool BeginSharedRead();
    void EndSharedRead();
    void BeginWrite();
    void EndWrite();
    bool DetectChanges();
    void Refresh();
    bool RecordLocked(std::int32_t recordNumber) const;
    bool TableLocked() const { return tableLocked_; }
    bool ReadHeld() const { return readHeld_; }
    bool WriteHeld() const { return writeHeld_; }
    TLockProtocol& Locks() { return locks_; }

    // ---- BLOBs ---------------------------------------------------------------------------------
    // Engine codes (0 success) as the BLOB operations report them.
    int OpenBlob(int fieldNumber, std::span<std::uint8_t> image, int mode = 0);
    int FreeBlob(int fieldNumber, std::span<std::uint8_t> image);
    int ReadBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t offset,
                 std::uint32_t count, void* destination, std::uint32_t& bytesRead);
    int WriteBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t offset,
                  std::uint32_t count, const void* source);
    int TruncateBlob(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t length);
    int GetBlobSize(int fieldNumber, std::span<std::uint8_t> image, std::uint32_t& length);
    // Frees every open BLOB of the table without saving.
    void FlushBlobs();
    bool HasBlobFile() const { return blob_ != nullptr && blob_->IsOpen(); }
    TBlobFile* BlobFile() { return HasBlobFile() ? blob_.get() : nullptr; }

    // ---- Parts, for the consistency check and the access layer ---------------------------------
    TIndexFile& IndexFile() { return index_; }
    TFileHandler& IndexHandler() { return indexHandler_; }
    const TRecordCache& Cache() const { return cache_; }
    bool PrimaryHasKeys() const;
    int ReadAheadSize() const { return readAhead_; }

private:
    friend class TOperationScope;
    class TDataRecordSource;

    struct TFilterEntry {
        int handle;
        bool active;
    };

    [[noreturn]] void FailField(int code, const std::string& field) const;
    [[noreturn]] void FailIndex(int code, const std::string& index) const;
    const TKeyBuilder& DefinedKeyBuilder(int index) const;
    void RequireOpenTable() const;
    void RequireClosed() const;
    void RequireWritable() const;
    bool Shared() const;

    // Open / close helpers.
    void OpenFiles();
    void CloseFiles(bool commit);
    bool PasswordAvailable(const std::string& password);
    void ConfigureCache();
    std::optional<TKeyField> ResolveKeyField(int fieldNumber) const;
    void RecomputeCalculatedOffsets();

    // Record cache.
    // Fetch of record n; null with *retry set when changes of another user
    // were detected (the cache has been reset; repeat from the start).
    TRecord* Fetch(std::int32_t n, bool readAhead, bool forward, bool indexOrder, bool* retry);
    TRecord& FetchNew(std::int32_t n);
    void CheckRecordLimit(std::int32_t n) const;
    void ReadRecords(std::int32_t first, int count);
    void WriteBack();
    void PrepareImage(TRecord& record);
    void Calculate(std::span<std::uint8_t> image) const;
    void ResetCache();

    // Cursor.
    void SetCurrent(TRecord* record);
    TRecord* CurrentBuffer();
    // Loads the record the index cursor stands on. Read-ahead (a run of
    // neighbours in the direction of travel) only when the cursor stepped
    // there: after a jump (key search, position, bookmark) the next access
    // is as likely to be elsewhere, and one record is read.
    void LoadCursorRecord(bool forward, bool stepped = false);
    int Move(int step, std::span<std::uint8_t> image);
    // The read window: a stepping cursor reads a run of consecutive
    // records (as the cache's read-ahead would) into one buffer and copies
    // each into the caller's image straight from there, with no cache
    // buffer taken, pinned or evicted per record. The cache comes first:
    // a record it holds (perhaps modified) is never served from the
    // window. The window is the file's bytes as they were read and is
    // dropped by every write of the data file, every cache reset (another
    // user's change, emptying, reloading after a rollback) and, in a shared
    // table, every release of the read or write lock it was read under, so
    // it is never older than what the cache would have read in its place.
    // A record served from it leaves no current buffer: CurrentBuffer
    // loads one when something asks for it. Not used for tables with
    // calculated fields, whose images the cache prepares.
    bool MoveFromWindow(bool forward, std::span<std::uint8_t> image);
    void FillWindow(std::int32_t n, bool forward);
    void DropWindow() { windowCount_ = 0; }
    // Records to read at once from n on in the direction of travel.
    int ReadAheadCount(std::int32_t n, int limit, bool forward, bool indexOrder);
    void CopyOut(std::span<std::uint8_t> image);
    struct TCursorMark {
        bool bof = true;
        bool eof = true;
        std::int32_t recno = 0;
        std::vector<std::uint8_t> key;
    };
    TCursorMark MarkCursor();
    void ReturnTo(const TCursorMark& mark);
    void RefindImage(std::span<const std::uint8_t> image, std::int32_t recno, bool nearest);
    void CursorAfterLast();
    TRecord* FetchForSource(std::int32_t n);
    std::vector<std::uint8_t> KeyOf(int index, std::span<const std::uint8_t> image) const;
    void KeyOf(int index, std::span<const std::uint8_t> image,
               std::vector<std::uint8_t>& key) const;
    std::vector<int> KeyedIndexes() const;
    void KeyedIndexes(std::vector<int>& out) const;

    // Modification helpers.
    std::int32_t NextFreeRecord() const;
    std::int32_t NextAutoIncrement() const;
    void CommitAfterChange(bool forceIndexHeader);
    // AppendRecords' pieces (DataFileBulkAppend.cpp).
    bool RunAppendApplies() const;
    void AppendInRuns(std::span<const std::uint8_t> images, std::size_t count, int orderIndex);
    void WriteRun(std::int32_t first, std::vector<std::uint8_t>& run);
    void CommitInternal(bool trim, bool forceData, bool forceIndex, bool forceBlob);
    void WriteHeader(bool force);
    void ReadHeaderAgain();

    // Failed writes (see the file comment).
    void AttachJournal(bool attach);
    // Starts recording a shared modification (nothing for exclusive tables,
    // whose journal always records).
    void BeginAtomic();
    // The shared modification is committed: its saved bytes are dropped.
    void EndAtomic();
    // After a failure inside a modification: rolls back and reloads when
    // that is due; false when the files could not be put back.
    bool RecoverAfterFailure();
    // The failure path of a modification, inside its catch: recovers, runs
    // the modification's closing steps (finish(false)) and rethrows - as
    // kErrTableDamaged when the files could not be put back.
    [[noreturn]] void FinishFailed(const std::function<void(bool)>& finish);
    // Reloads every header, cache and open BLOB buffer from the files.
    void ReloadFromDisk();
    // Before an operation: a rollback still owed is tried again (kErrTableDamaged
    // when it fails again), a rolled-back table is reloaded.
    void RequireIntactFiles();
    // The same, never raising (leaving an operation).
    void RecoverQuietly();
    // An exclusive table whose journal overflowed commits and starts afresh.
    void CheckpointIfOverflowed();
    // A rollback still owed when the table closes passes to handles of its
    // own, held open exclusively in a process-wide list, so that nobody
    // changes the files meanwhile; the next Open of the table in this
    // process (the repair's too) tries it again first. Keep: while the
    // table's handles are still open; Register: after they closed.
    void KeepOwedRollback();
    void RegisterOwedRollback();
    // Before an open: settles a rollback the table still owes
    // (kErrTableDamaged when the disk still refuses it).
    void SettleOwedRollback();

    // Lock helpers.
    // Index pages in lax mode: a cursor operation that finds a page missing
    // from the cache takes the read lock before reading it; when another user
    // changed the table meanwhile, the cached pages it already used may not
    // fit the fresh one, so the operation is abandoned (TStalePages), the
    // caches are reloaded and the operation runs again from where the cursor
    // stood, now under the read lock.
    struct TStalePages {};
    void BeforeIndexPageRead();
    // Whether the change counters on disk differ from those in memory; sets
    // *indexChanged when the index file's does.
    bool CountersMoved(bool* indexChanged);
    // Reloads header, caches and cursor after another user's change and puts
    // the cursor back at `mark`.
    void ReloadAfterChange(bool indexChanged, const TCursorMark& mark);
    // Runs a cursor operation that may be abandoned by BeforeIndexPageRead.
    void RunRestartable(const std::function<void()>& operation);
    bool LocksSkipped() const;
    bool AnyReadOrWriteHeld() const { return readHeld_ || sharedReadHeld_ || writeHeld_; }
    TFileHandler* BlobHandler();
    void ReleaseAllLocks();

    // BLOB seams: the calls that hand a record's BLOBs to the BLOB file.
    void AppendBlobs(std::int32_t recno, std::span<std::uint8_t> image);
    void SaveBlobs(std::span<std::uint8_t> image);
    void FreeBlobs(std::span<std::uint8_t> image);
    void OpenBlobFile(bool create);

    void* owner_;
    TDataHeader header_;
    bool headerModified_ = false;
    std::vector<TFieldDescriptor> stored_;
    std::vector<TFieldDescriptor> working_;
    std::vector<TCalculation> calculations_; // parallel to working_
    int calcAreaSize_ = 0;
    std::unique_ptr<TTableLocale> locale_;

    TFileHandler indexHandler_;
    TFileIndexStorage indexStorage_{indexHandler_};
    TIndexFile index_;
    std::unique_ptr<TBlobFile> blob_;
    std::unique_ptr<TDataRecordSource> source_;

    TRecordCache cache_;
    TRecord* current_ = nullptr;
    int readAhead_ = 1;
    std::vector<std::uint8_t> readBuffer_;
    // Writes of the data file so far: a read that finds it moved on knows
    // that the bytes it read before may be older than the file.
    std::uint64_t dataWrites_ = 0;
    // The read window: the images (unscrambled) of records windowFirst_ ..
    // windowFirst_ + windowCount_ - 1, as the file held them.
    std::vector<std::uint8_t> window_;
    std::int32_t windowFirst_ = 0;
    int windowCount_ = 0;
    // Scratch of AppendRecord (the record image being built, its indexes and
    // their keys), kept between calls so that an append allocates nothing.
    std::vector<std::uint8_t> appendImage_;
    std::vector<int> appendIndexes_;
    std::vector<std::vector<std::uint8_t>> appendKeys_;

    TLockProtocol locks_;
    TWriteJournal journal_;
    TWriteJournal owedJournal_; // between KeepOwedRollback and RegisterOwedRollback
    std::vector<std::pair<TFileHandler*, std::string>> owedFiles_;
    bool journalWrites_ = true;
    std::vector<TBlobFile::TBufferMark> blobMarks_; // open BLOBs when the modification began
    bool writeKeptForDamage_ = false;               // write lock held past a failed rollback
    bool forceBufferFlush_ = false;
    bool strict_ = false;
    bool deleteOnClose_ = false;
    bool noKeyCheck_ = false;
    TPasswordCallback passwordCallback_;
    void* passwordContext_ = nullptr;

    bool tableLocked_ = false;
    bool readHeld_ = false;
    TReadLocks readLocks_;
    bool sharedReadHeld_ = false;
    bool sharedReadLifted_ = false;
    TReadLocks sharedReadLocks_;
    bool writeHeld_ = false;
    std::vector<std::int32_t> lockedRecords_;
    int scopeDepth_ = 0;
    bool restartable_ = false;      // inside RunRestartable, before any restart
    bool readHeldByCaller_ = false; // read lock held when the outermost scope began

    // Range and filters as the caller set them, for CloneCursor.
    bool rangeSet_ = false;
    std::vector<std::uint8_t> rangeStart_, rangeEnd_;
    int rangeStartGiven_ = 0, rangeEndGiven_ = 0;
    std::vector<TFilterEntry> filters_;
};

} // namespace tabula
