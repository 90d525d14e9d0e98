// TIndexFile: a table's index file (".IDX") - the header page with the
// definitions of all indexes and the live-record count, one B+-tree per
// index, each index's 31-page cache, and the cursor of the table object.
//
// States: closed -> (Create | Open) -> open -> Close -> closed. While open,
// the header is held in memory with a modified flag; pages and header reach
// the storage only at Commit (pages first, then the header with its change
// counter increased), or when the cache must evict a modified page.
//
// Index numbers: 0 primary, 1..30 secondaries, 31 "Sys Deleted", 255 the
// physical record order (no tree). The primary index is unique; "Sys
// Deleted" holds one entry per record slot in tables whose primary index has
// key fields (deleted flag + auto-increment -> record number).
//
// Deferred inserts: an index whose tree is empty may be told to defer its
// inserts (DeferInserts, exclusive only). InsertKey then only gathers the
// entries; the first use of that index's tree in any other way - Tree(),
// any key operation, CommitPages, BuildDeferred - sorts them and bulk-loads
// the tree, and inserts go to the tree again from then on. So no caller
// ever sees the tree without the gathered entries. Gathered entries that
// are not built yet are dropped with the trees when the file empties,
// closes or re-reads its header (Empty, Close, Reload, DetectChange).
//
// Locking: the record manager holds the index read lock around every read
// and the write lock around every change; this object takes no locks itself
// and is used by one thread at a time.
#pragma once

#include "BTree.h"
#include "IndexDescriptor.h"
#include "KeyBuilder.h"
#include "PageCache.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabula {

class TIndexStorage;
class TLocaleCollator;
class TIndexCursor;
class TKeySorter;

class TIndexFile {
public:
    // Looks a table field up by number: its key-building facts, or nothing
    // when the table has no such field.
    using TFieldResolver = std::function<std::optional<TKeyField>(int fieldNumber)>;

    TIndexFile();
    ~TIndexFile();
    TIndexFile(const TIndexFile&) = delete;
    TIndexFile& operator=(const TIndexFile&) = delete;

    // ---- Set-up (while closed) ---------------------------------------------
    void SetFieldResolver(TFieldResolver resolver) { resolver_ = std::move(resolver); }
    // The table's locale identifier; 0 = no locale (byte order keys).
    void SetTableLocale(std::uint32_t localeId);
    void SetScrambler(std::function<void(std::uint8_t*, std::size_t)> scramble);
    // Protected tables keep every page, the header page included, scrambled
    // with the table-data key.
    void SetProtected(bool isProtected);
    // Called before every page read from the storage (see TPageIO).
    void SetBeforePageRead(std::function<void()> hook) { io_.beforeRead = std::move(hook); }

    // ---- Life cycle ----------------------------------------------------------
    // A fresh header (version 3, no pages, "Sys Deleted" defined), marked
    // modified and written at the next commit. The file is exclusive.
    void Create(TIndexStorage& storage, const std::string& fileName);
    // Reads and checks the header page: a version other than 3 is kErrWrongVersion, an
    // inconsistent header kErrHeaderCorrupt.
    void Open(TIndexStorage& storage, const std::string& fileName, bool exclusive, bool readOnly);
    void Close();
    bool IsOpen() const { return open_; }
    const std::string& FileName() const { return io_.fileName; }

    // ---- Header facts ----------------------------------------------------------
    int SecondaryCount() const { return secondaryCount_; }
    bool PhysicalOrderTable() const { return physicalOrder_; }
    const TIndexDescriptor& Descriptor(int index) const { return descriptors_[Slot(index)]; }
    std::int32_t RecordCount() const { return recordCount_; }
    void SetRecordCount(std::int32_t count);
    std::int32_t EndOfFile() const { return io_.endOfFile; }
    std::int32_t ChangeCounter() const { return changeCounter_; }
    bool HeaderModified() const { return headerModified_; }

    // ---- Index definition (exclusive only, else kErrMustBeExclusive) ---------------------------
    void DefinePrimaryIndex(const TIndexDescriptor& descriptor);
    void AddSecondaryIndex(const TIndexDescriptor& descriptor);
    // Key length of a definition: Σ (stored size + 1) + 4 for a non-unique
    // secondary. Checks fields and size (kErrInvalidIndexField, kErrInvalidIndexFieldType,
    // kErrInvalidKeySize).
    int CheckedKeyLength(const TIndexDescriptor& descriptor, bool primary) const;

    // ---- Index selection ---------------------------------------------------------
    void SelectIndex(int number);
    void SelectIndex(const std::string& name);
    int CurrentIndex() const { return current_; }
    // True for index 255, or 0 in a table whose primary index has no keys.
    bool PhysicalOrder() const {
        return current_ == indexfmt::kPhysicalOrderIndex ||
               (current_ == indexfmt::kPrimaryIndex && physicalOrder_);
    }
    bool IsDefined(int index) const;
    // The name used in error texts ("Primary" for index 0).
    std::string ContextName(int index) const;

    // ---- Keys and trees ------------------------------------------------------------
    TBTree& Tree(int index) {
        const int slot = Slot(index);
        if (deferred_[slot])
            BuildDeferred(index);
        return *trees_[slot];
    }
    const TKeyBuilder& KeyBuilder(int index) const;
    int KeyLength(int index) const { return Descriptor(index).keyLength; }
    void BuildKey(int index, std::span<const std::uint8_t> record, std::uint8_t* key) const;
    bool FindExact(int index, const std::uint8_t* key);
    // kErrDuplicateKey when the key is present in the primary index or a unique secondary.
    void CheckUnique(int index, const std::uint8_t* key);
    // Where the new entry stands in that index's tree.
    TBTree::TLocation InsertKey(int index, const std::uint8_t* key, std::int32_t recno);
    void DeleteKey(int index, const std::uint8_t* key);
    void ReplaceKey(int index, const std::uint8_t* oldKey, const std::uint8_t* newKey,
                    std::int32_t recno);
    // Defers the inserts of an index with an empty tree (kErrMustBeExclusive
    // on a shared file, kErrIndexExists when the tree has entries).
    void DeferInserts(int index);
    bool Deferred(int index) const;
    // Builds every index whose inserts are deferred.
    void BuildDeferred();
    // Entries a deferred index has gathered so far (0 for any other).
    std::size_t GatheredCount(int index) const;
    // Loads a deferred index that has gathered no entry from entries already
    // in its order (a caller that has sorted them by Comparer, so they are
    // not sorted twice); BulkLoad checks that order unless distinctAscending
    // vouches for it (TKeySorter::Sorted), and a failure leaves the tree
    // empty. The index is an ordinary one afterwards.
    void LoadInOrder(int index, std::span<const TBTree::TBulkEntry> entries,
                     bool distinctAscending = false);
    const TKeyComparer& Comparer(int index) const { return trees_[Slot(index)]->Comparer(); }

    // ---- Whole file --------------------------------------------------------------------
    // Truncates to the header page and forgets every tree; descriptors stay.
    void Empty();
    void CommitPages();
    void CommitHeader(bool force);
    void Commit(bool forceHeader) {
        CommitPages();
        CommitHeader(forceHeader);
    }
    void TrimCaches();
    void ResetCaches();
    // Forgets every cached page and re-reads the header and tree shapes from
    // the file, whatever the change counter says (after a rollback put the
    // file back underneath the caches).
    void Reload();
    // Compares the stored change counter with the one in memory; on a
    // difference re-reads the header and drops every cached page.
    bool DetectChange();

    TIndexCursor& Cursor() { return *cursor_; }
    const TIndexCursor& Cursor() const { return *cursor_; }
    TPageCache& Cache(int index) { return *caches_[Slot(index)]; }

private:
    // Writes every modified, unpinned page of every index, adjacent pages
    // with one write, and marks them clean. A bulk load calls it at its end:
    // the cache evicts a modified page only when no clean one is left, so
    // a load's pages, all modified, would leave a later walk only the few
    // clean slots to turn over and every leaf would be read twice.
    void WriteModifiedPages();
    static int Slot(int index) {
        if (index < 0 || index >= indexfmt::kDescriptorCount)
            throw std::out_of_range("index number");
        return index;
    }
    void ReadHeader();
    void EncodeHeader(std::uint8_t* image) const;
    void RebuildTrees();
    void RequireExclusive() const;
    void BuildDeferred(int index);
    void DropDeferred();
    [[noreturn]] void Raise(int code, const std::string& index = {},
                            const std::string& field = {}) const;

    TPageIO io_;
    bool open_ = false;
    bool readOnly_ = false;
    std::int32_t changeCounter_ = 0;
    int secondaryCount_ = 0;
    bool physicalOrder_ = true;
    std::int32_t recordCount_ = 0;
    bool headerModified_ = false;
    std::array<TIndexDescriptor, indexfmt::kDescriptorCount> descriptors_{};
    std::array<std::unique_ptr<TPageCache>, indexfmt::kDescriptorCount> caches_;
    std::array<std::unique_ptr<TBTree>, indexfmt::kDescriptorCount> trees_;
    std::array<TKeyBuilder, indexfmt::kDescriptorCount> builders_;
    // Entries gathered for indexes whose inserts are deferred; null for others.
    std::array<std::unique_ptr<TKeySorter>, indexfmt::kDescriptorCount> deferred_;
    int current_ = 0;
    TFieldResolver resolver_;
    std::uint32_t localeId_ = 0;
    std::unique_ptr<TLocaleCollator> locale_;
    std::unique_ptr<TIndexCursor> cursor_;
};

} // namespace tabula
