// TTabulaTable: the table component, a database-bound dataset whose cursor
// is one open TDataFile on <database directory>/<TableName>.
//
// Record buffer (one zero-filled block per framework buffer):
//
//   offset                      size                 content
//   0                           imageSize_           record image as TDataFile reads and
//                                                    writes it (RecordBufferSize of the file)
//   imageSize_                  CalcFieldsSize()     the framework's calculated fields
//   infoOffset_                 4                    record number (int32, -1 for a new record)
//   infoOffset_ + 4             1                    bookmark flag (TBookmarkFlag)
//   bookmarkOffset_             bookmarkSize_        the cursor's bookmark of the record
//
// The layout is recomputed whenever the index changes, because the bookmark
// of a keyed index is its key and its size follows the index.
//
// Key buffers (set-key state, ranges, master-detail): six buffers, each a
// modified flag, a field count and a record image initialised with the
// table's defaults: search key, range start, range end, the range start and
// end applied to the cursor last, and a saved copy for cancelling a key edit.
//
// States and transitions (besides the framework's dataset states):
//
//   closed --Open--> open: UseCursor set (the database is acquired), a
//     TDataFile created and opened with the table's settings under the
//     session lock (the password callback installed for the open only),
//     the index selected, the master range applied, filters registered.
//     Any failure frees the file and clears UseCursor: the table stays
//     closed and has released its database.
//   open --Close--> closed: the secondary lookup cursor and the data file
//     are closed and freed, then UseCursor is cleared.
//   EmptyTable on a closed table: UseEmpty held for the duration, a
//     separate exclusive, writable TDataFile opened, emptied and freed.
//   Field definitions of a closed table: UseFieldList held while a
//     separate shared TDataFile is opened, its descriptors read, freed.
//
// Invariants while open: file_ is open; keyInfo_ describes the current index
// of file_; every buffer the framework holds has the current layout.
// LockRetryCount and LockWaitTime are copied into file_ whenever they change.
//
// Filters: OnFilterRecord is registered with the data file as a test
// function filter and is active while the framework says filters apply
// (Filtered, or a find in progress). The Filter text is compiled into an
// engine filter (CompileTableFilter, or the compiler installed with
// SetFilterCompiler) whenever the filter settings change while the table is
// open and when it opens; both filters are active together, so a record
// must pass both. A faulty text raises its error before the old filters are
// dropped, so they stay in force.
//
// Threading: used from one thread; engine calls hold the session lock of
// the database's session.
#pragma once

#include "DataLink.h"
#include "DataSource.h"
#include "IndexDef.h"
#include "TableRepair.h"
#include "TableVerifier.h"
#include "TabulaDBDataSet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabula {

class TDataFile;
class TTabulaSession;
class TTabulaBlobStream;

// Compiles the dataset's Filter text into an engine filter of the open file:
// answers the filter handle (TDataFile::AddFilter) or -1 for none.
using TFilterCompiler = std::function<int(TDataSet& dataSet, TDataFile& file)>;

class TTabulaTable : public TTabulaDBDataSet {
public:
    explicit TTabulaTable(TComponent* owner = nullptr);
    ~TTabulaTable() override;

    // ---- Properties -------------------------------------------------------------
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool InMemory() const { return inMemory_; }
    void SetInMemory(bool value);
    bool StrictChangeDetection() const { return strict_; }
    void SetStrictChangeDetection(bool value);
    bool ForceBufferFlush() const { return forceBufferFlush_; }
    void SetForceBufferFlush(bool value);
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    std::uint8_t LockRetryCount() const { return lockRetryCount_; }
    void SetLockRetryCount(std::uint8_t count);
    std::uint16_t LockWaitTime() const { return lockWaitTime_; }
    void SetLockWaitTime(std::uint16_t ms);
    bool StoreDefs = false;

    // Index selection: empty IndexName selects the primary index; setting one
    // of the two clears the other.
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(const std::string& name);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& fields);
    // The table's indexes, read from the engine when out of date.
    TIndexDefs& IndexDefs();
    // Field definitions; read through a separate shared file while closed.
    void UpdateFieldDefs();

    // Master-detail: this table is limited to the records whose leading key
    // fields equal the values of MasterFields in the master's current record.
    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    void SetMasterSource(TDataSource* source);
    const std::string& MasterFields() const { return masterFields_; }
    void SetMasterFields(const std::string& fields);
    TDataSource* GetDataSource() const override { return MasterSource(); }

    // ---- Operations -------------------------------------------------------------
    // Removes every record, open (exclusive only, else kErrMustBeExclusive) or closed (opened
    // exclusively for the purpose).
    void EmptyTable();
    // The consistency check (TableVerifier.h) and the repair (TableRepair.h)
    // of a closed table, opened for the purpose as EmptyTable opens it. An
    // open table is refused (kErrFileInUse). Engine errors of the open pass on.
    TVerifyReport CheckTable();
    TRepairReport RepairTable();
    // The whole-table lock between users of a shared table, with the
    // engine's retry rule (LockRetryCount, LockWaitTime); other users' writes
    // fail with the table-lock error while it is held. An exclusive table
    // takes no locks. Both need an open table.
    void LockTable();
    void UnlockTable();

    // Keys: SetKey / EditKey enter set-key state on the search key buffer;
    // GotoKey finds it exactly, GotoNearest the nearest; FindKey assigns the
    // values to the leading key fields and finds them.
    void SetKey();
    void EditKey();
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const std::vector<TVariant>& values);
    // Ranges over the current index: SetRangeStart / SetRangeEnd enter
    // set-key state on the start / end buffer; ApplyRange limits the cursor.
    void SetRangeStart();
    void SetRangeEnd();
    void ApplyRange();
    void CancelRange();
    void SetRange(const std::vector<TVariant>& start, const std::vector<TVariant>& end);

    // The open data file (null while closed).
    TDataFile* Cursor() const { return file_.get(); }

    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    bool CanModify() const override;
    bool BookmarkValid(const TBookmark& bookmark) override;

    // Replaces the compiler of Filter texts (process-wide); an empty one
    // restores CompileTableFilter.
    static void SetFilterCompiler(TFilterCompiler compiler);

protected:
    // ---- The cursor for the framework ---------------------------------------------
    void InternalOpen() override;
    void InternalAfterBind() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return file_ != nullptr; }
    std::size_t RecordBufferSize() const override;
    std::size_t CalcAreaOffset() const override { return imageSize_; }
    TGetResult GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalInitRecord(std::uint8_t* buffer) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    void InternalSetToRecord(std::uint8_t* buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmarkFlag GetBookmarkFlag(const std::uint8_t* buffer) const override;
    void SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) override;
    TBookmark GetBookmarkData(const std::uint8_t* buffer) const override;
    int CompareBookmarkData(const TBookmark& a, const TBookmark& b) const override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void InternalSetRecNo(int recNo) override;
    bool ReadFieldData(const std::uint8_t* buffer, const TField& field, void* data) const override;
    void WriteFieldData(std::uint8_t* buffer, const TField& field, const void* data) override;
    bool IsKeyField(const TField& field) const override;
    void InternalPostKey() override;
    void InternalCancelKey() override;
    std::uint8_t* StateBuffer(TDataSetState state) const override;
    bool IndexedSearch(const std::vector<TField*>& fields, const std::vector<TVariant>& values,
                       TLocateOptions options, std::uint8_t* buffer, bool forLocate,
                       bool& handled) override;
    // Re-registers the engine filters after Filtered, Filter, FilterOptions
    // or OnFilterRecord changed, and activates them while filters apply.
    void FilterChanged() override;

private:
    friend class TTabulaBlobStream;
    // The buffer a BLOB stream works on: the active record's, or none.
    std::uint8_t* BlobBuffer() { return CurrentFieldBuffer(); }

    class TMasterLink : public TDataLink {
    public:
        explicit TMasterLink(TTabulaTable& table) : table_(table) {}

    protected:
        void ActiveChanged() override;
        void RecordChanged(TField* field) override;
        void LayoutChanged() override;
        void DataSetChanged() override;
        void DataSetScrolled() override;

    private:
        TTabulaTable& table_;
    };

    struct TKeyBuffer {
        bool modified = false;
        int fieldCount = 0;
        std::vector<std::uint8_t> image;
    };
    // kkLookup holds the key of a locate or lookup answered by an index.
    enum TKeyIndex {
        kkSearch,
        kkRangeStart,
        kkRangeEnd,
        kkAppliedStart,
        kkAppliedEnd,
        kkSaved,
        kkLookup,
        kkCount
    };

    struct TKeyInfo {
        int index = 0;
        bool caseInsensitive = false;
        std::vector<int> fieldNumbers;
        int keyLength = 0;
    };

    // Opening helpers. The path needs the acquired database (a usage flag set).
    std::string TablePath() const;
    std::unique_ptr<TDataFile> NewFile(bool exclusive, bool readOnly);
    void OpenFile(TDataFile& file);
    TTabulaSession& Session() const;
    std::string ResolveIndexName();
    void ReadIndexDefs(TDataFile& file);
    void ReadKeyInfo();
    void ComputeLayout();
    void SwitchIndex(const std::string& name, const std::string& fields);

    std::span<std::uint8_t> Image(std::uint8_t* buffer) const { return {buffer, imageSize_}; }
    std::span<const std::uint8_t> Image(const std::uint8_t* buffer) const {
        return {buffer, imageSize_};
    }
    void StoreRecordInfo(std::uint8_t* buffer);

    // Keys.
    void ResetKeyBuffers();
    void BeginKeyEdit(TKeyIndex which, bool clear);
    std::vector<std::uint8_t> BuildKey(const TKeyBuffer& buffer, int& given) const;
    // Writes values into the leading key fields of a key buffer (or of the
    // given field list) as set-key state does.
    void AssignKeyValues(TKeyIndex which, const std::vector<TField*>& fields,
                         const std::vector<TVariant>& values);
    std::vector<TField*> KeyFields(std::size_t count) const;
    bool ApplyKeyRange();
    void ResetRange();
    // Limits the table to the master's current values (or lifts the limit
    // when there is no active master); move: go to the first record after a change.
    void ApplyMasterRange(bool move);
    void CloseLookupCursor();

    // Filters.
    void DropFilters();
    static bool FilterRecordTest(std::span<const std::uint8_t> image, void* context);

    std::unique_ptr<TDataFile> file_;
    std::unique_ptr<TDataFile> lookupFile_;
    std::string lookupIndex_;
    TIndexDefs indexDefs_;
    TKeyInfo keyInfo_;
    // Buffer layout (see the top of this file); the bookmark slot is as long
    // as the longest bookmark of any index, so changing the index never
    // changes the buffer size.
    std::size_t imageSize_ = 0;
    std::size_t bookmarkSize_ = 0;
    std::size_t InfoOffset() const { return imageSize_ + CalcFieldsSize(); }
    std::size_t BookmarkOffset() const { return InfoOffset() + 5; }
    std::vector<TKeyBuffer> keys_;
    TKeyIndex keyEdit_ = kkSearch;
    bool anyKeyField_ = false; // set-key writes accept any data field (index searches)
    mutable std::vector<std::uint8_t> scratch_;
    std::vector<std::uint8_t> filterImage_;
    int recordFilter_ = -1;
    int textFilter_ = -1;
    bool filtersOn_ = false;

    TMasterLink masterLink_{*this};
    std::string masterFields_;
    bool destroying_ = false;

    std::string tableName_;
    std::string indexName_;
    std::string indexFieldNames_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool inMemory_ = false;
    bool strict_ = false;
    bool forceBufferFlush_ = false;
    std::uint8_t lockRetryCount_ = 15;
    std::uint16_t lockWaitTime_ = 100;
};

} // namespace tabula
