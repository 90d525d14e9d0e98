// TTabulaTable: the table component, a database-bound dataset whose cursor
// is one open TDataFile on <database directory>/<TableName>.
//
// Record buffers and field values are the common dataset's (TabulaDataSet.h).
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
// Filters are the common dataset's; a change of them closes the secondary
// lookup cursor.
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

    bool CanModify() const override;

protected:
    // ---- The cursor for the framework ---------------------------------------------
    void InternalOpen() override;
    void AfterCursorBind() override;
    void InternalClose() override;
    bool IsKeyField(const TField& field) const override;
    void InternalPostKey() override;
    void InternalCancelKey() override;
    std::uint8_t* StateBuffer(TDataSetState state) const override;
    bool IndexedSearch(const std::vector<TField*>& fields, const std::vector<TVariant>& values,
                       TLocateOptions options, std::uint8_t* buffer, bool forLocate,
                       bool& handled) override;
    void FiltersChanging() override;

private:
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
    void SwitchIndex(const std::string& name, const std::string& fields);

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

    std::unique_ptr<TDataFile> file_;
    std::unique_ptr<TDataFile> lookupFile_;
    std::string lookupIndex_;
    TIndexDefs indexDefs_;
    TKeyInfo keyInfo_;
    std::vector<TKeyBuffer> keys_;
    TKeyIndex keyEdit_ = kkSearch;
    bool anyKeyField_ = false; // set-key writes accept any data field (index searches)

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
