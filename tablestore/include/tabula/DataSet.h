// TDataSet: the dataset framework's dataset, the common contract of tables
// and queries: open and close, a current record with first / next / prior /
// last and the end-of-data tests, append / edit / post / cancel / delete,
// field objects, bookmarks, record count and number, locate and lookup,
// find first / next / prior / last, OnFilterRecord, BLOB streams, and the
// notifications of attached data sources.
//
// A subclass supplies the record source through the protected abstract
// operations (the cursor): open and close it, fetch the current, next or
// prior record into a buffer, go to the first / last border, read and write
// a field of a buffer, post, delete, bookmarks. The framework owns the
// buffers, the state machine and the events.
//
// Buffer window: one active buffer holds the current record, a second one
// receives fetches (swapped in on success, so a failed move leaves the
// current record as it was), and a calculation buffer serves lookup. Every
// buffer is RecordBufferSize() zero-filled bytes laid out by the subclass;
// the framework's calculated-field area lies at CalcAreaOffset() in it:
// per calculated or lookup field a present-flag byte and its native data.
//
// Invariant: while a record is current and the cursor-moved flag is clear,
// the subclass's cursor stands on the active record; any operation that
// moves the cursor elsewhere (a failed move, lookup, locate that found
// nothing) sets the flag, and the next relative move first puts the cursor
// back on the active record (InternalSetToRecord).
//
// States and transitions:
//
//   inactive --Open--> browse --Close--> inactive
//   browse --Append/Insert--> insert --Post/Cancel--> browse
//   browse --Edit--> edit --Post/Cancel--> browse
//   browse --SetKey (subclass)--> set-key --Post/Cancel--> browse
//   a failed Post stays in insert or edit, with every value kept.
//   Transient states, entered and left within one operation:
//   calc-fields (computing calculated fields, lookup results),
//   filter (OnFilterRecord, locate's comparisons), new-value, old-value,
//   internal-calc; opening during Open.
//
// Events: BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert,
// AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel,
// AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll,
// OnNewRecord, OnCalcFields, OnFilterRecord, OnPostError, OnEditError,
// OnDeleteError. An exception from a Before event stops the operation.
//
// Threading: a dataset is used from one thread.
#pragma once

#include "Component.h"
#include "Field.h"
#include "FieldDef.h"
#include "Stream.h"
#include "Variant.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

class TDataSource;

enum class TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsInternalCalc,
    dsOpening,
};

enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

// Stored in each buffer by the subclass: where the buffer's record stands.
enum class TBookmarkFlag : std::uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum class TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
};

enum class TDataAction { daFail, daAbort, daRetry };
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

enum TFilterOption : unsigned { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = unsigned;

// A bookmark: the subclass's bytes for a record; empty means none.
using TBookmark = std::vector<std::uint8_t>;

// The silent exception: ends an operation without a message.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

class TDataSet : public TComponent {
public:
    using TNotify = std::function<void(TDataSet&)>;
    using TErrorEvent = std::function<void(TDataSet&, const std::exception&, TDataAction&)>;

    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;

    // ---- Lifecycle -------------------------------------------------------
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    bool Modified() const { return modified_; }
    void CheckActive() const;
    void CheckInactive() const;
    // Posts a modified edit, cancels an unmodified one; fails when inactive.
    void CheckBrowseMode();

    // ---- Navigation ------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves up to distance records; answers the distance moved.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const;
    // Re-reads the current record (or its neighbour when it is gone).
    void Resync();
    void Refresh();

    // ---- Editing ------------------------------------------------------------
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    virtual bool CanModify() const { return true; }

    // ---- Fields -------------------------------------------------------------
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int i) const { return *fields_.at(static_cast<std::size_t>(i)); }
    TField* FindField(const std::string& name) const;
    // "Field '%s' not found" when absent.
    TField& FieldByName(const std::string& name) const;
    std::vector<std::string> GetFieldNames() const;
    // Adds a field object of the caller's making (a calculated or lookup
    // field, or a persistent data field); only while inactive. The dataset
    // then creates no default fields.
    TField& AddField(std::unique_ptr<TField> field);
    bool DefaultFields() const { return defaultFields_; }

    // Native data of a field in the buffer the state selects; answers
    // whether the value is present (buffer may be null).
    bool GetFieldData(const TField& field, void* buffer) const;
    // Writes native data (null: Null) with the state and field checks.
    void SetFieldData(TField& field, const void* buffer);

    // ---- Bookmarks, counts ------------------------------------------------------
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    // Both absent 0; only the first absent 1; only the second absent −1;
    // otherwise the subclass's comparison.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    virtual bool BookmarkValid(const TBookmark& bookmark);
    int RecordCount();
    int RecNo();
    void SetRecNo(int recNo);

    // ---- Searching ----------------------------------------------------------------
    // keyFields: ";"-separated names; one value per field.
    bool Locate(const std::string& keyFields, const std::vector<TVariant>& keyValues,
                TLocateOptions options);
    // Values of resultFields (";"-separated) of the matching record, without
    // moving; empty when nothing matches.
    std::vector<TVariant> Lookup(const std::string& keyFields,
                                 const std::vector<TVariant>& keyValues,
                                 const std::string& resultFields);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool Found() const { return found_; }

    // ---- Filtering ------------------------------------------------------------------
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& text);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    void SetFilterOptions(TFilterOptions options);
    void SetOnFilterRecord(std::function<void(TDataSet&, bool& accept)> handler);
    bool HasFilterRecordHandler() const { return static_cast<bool>(onFilterRecord_); }

    // ---- BLOBs, controls -----------------------------------------------------------------
    // A stream over a BLOB field of the current buffer (nullptr when the
    // subclass has no BLOBs).
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    // The data source this dataset is the detail of (master–detail), if any.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // Sends an event to every attached data source and its links.
    void DataEvent(TDataEvent event, TField* field = nullptr);

    bool AutoCalcFields = true;
    TNotify BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TNotify BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TNotify BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TNotify BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TNotify OnNewRecord, OnCalcFields;
    TErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- The cursor: supplied by subclasses --------------------------------------
    // Opens the cursor and fills FieldDefs(); the framework then creates
    // and binds the fields (BindFields) and allocates the buffers.
    virtual void InternalOpen() = 0;
    // Called after the fields are bound and before the first fetch.
    virtual void InternalAfterBind() {}
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual std::size_t RecordBufferSize() const = 0;
    // Where the calculated-field area lies in a buffer.
    virtual std::size_t CalcAreaOffset() const = 0;
    virtual TGetResult GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Defaults of a new record into the buffer (already zeroed).
    virtual void InternalInitRecord(std::uint8_t* buffer) = 0;
    // Re-reads and locks the active record before editing.
    virtual void InternalEdit() {}
    virtual void InternalPost() = 0;
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;
    virtual void InternalRefresh() {}
    virtual void InternalSetToRecord(std::uint8_t* buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(const std::uint8_t* buffer) const = 0;
    virtual void SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) = 0;
    virtual TBookmark GetBookmarkData(const std::uint8_t* buffer) const = 0;
    virtual int CompareBookmarkData(const TBookmark& a, const TBookmark& b) const = 0;
    virtual int GetRecordCount() = 0;
    // Record number of the active buffer; −1 when unknown.
    virtual int GetRecNo() = 0;
    virtual void InternalSetRecNo(int recNo) = 0;
    // A data field of a record buffer: read (answers presence; data may be
    // null) / write (null data: Null).
    virtual bool ReadFieldData(const std::uint8_t* buffer, const TField& field,
                               void* data) const = 0;
    virtual void WriteFieldData(std::uint8_t* buffer, const TField& field, const void* data) = 0;
    // Whether a data field may be written in set-key state.
    virtual bool IsKeyField(const TField&) const { return true; }
    // Post / cancel in set-key state.
    virtual void InternalPostKey() { SetState(TDataSetState::dsBrowse); }
    virtual void InternalCancelKey() { SetState(TDataSetState::dsBrowse); }
    // Buffer of the states the framework does not resolve (set-key, old-value).
    virtual std::uint8_t* StateBuffer(TDataSetState) const { return nullptr; }
    // A search the subclass answers from an index: the match into buffer,
    // true when found; nullopt-like false in handled means "scan instead".
    virtual bool IndexedSearch(const std::vector<TField*>& fields,
                               const std::vector<TVariant>& values, TLocateOptions options,
                               std::uint8_t* buffer, bool forLocate, bool& handled);
    // Filters: told when Filtered, Filter, FilterOptions or OnFilterRecord change.
    virtual void FilterChanged() {}
    // Whether fetched records must pass the filters (Filtered, or a find
    // that searches with them).
    bool FiltersActive() const { return filtered_ || findActive_; }
    // The OnFilterRecord test of a record buffer (true without a handler or
    // while filters are not active). An exception from the handler goes to
    // the application's exception handler; the record is then accepted
    // unless the handler had set accept false.
    bool RecordAccepted(std::uint8_t* buffer);
    // Whether the record passes the locate search in progress (used by scans).
    bool MatchesSearch(std::uint8_t* buffer);

    // ---- Helpers for subclasses --------------------------------------------------------
    void SetState(TDataSetState state);
    std::uint8_t* ActiveBuffer() { return active_.empty() ? nullptr : active_.data(); }
    std::size_t CalcFieldsSize() const { return calcFieldsSize_; }
    // Marks the cursor as moved away from the active record.
    void CursorPosChanged() { cursorMoved_ = true; }
    // Re-reads the buffers around the record the cursor stands on.
    void ResyncFromCursor();
    void ClearBuffers();
    // The buffer a field operation works on in the current state.
    std::uint8_t* CurrentFieldBuffer() const;
    std::vector<TField*> GetFieldList(const std::string& names) const;

private:
    void OpenDataSet();
    void CloseDataSet();
    void BindFields();
    void FetchFirst();
    void FetchLast();
    void SyncCursor();
    bool FetchInto(std::vector<std::uint8_t>& buffer, TGetMode mode);
    void CalculateFields(std::uint8_t* buffer);
    void BeginInsertAppend();
    bool FindRecord(bool restart, bool forward);
    bool Search(const std::vector<TField*>& fields, const std::vector<TVariant>& values,
                TLocateOptions options, bool forLocate);
    void Fire(const TNotify& event) {
        if (event)
            event(*this);
    }
    void RunWithErrorEvent(const TErrorEvent& event, const std::function<void()>& action);

    friend class TDataSource;
    TDataSetState state_ = TDataSetState::dsInactive;
    TFieldDefs fieldDefs_;
    std::vector<std::unique_ptr<TField>> fields_;
    bool defaultFields_ = true;
    std::size_t calcFieldsSize_ = 0;
    std::vector<std::uint8_t> active_;
    std::vector<std::uint8_t> fetch_;
    std::vector<std::uint8_t> calc_;
    std::vector<std::uint8_t> saved_;
    bool savedHadRecord_ = false;
    bool hasRecord_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool cursorMoved_ = false;
    bool modified_ = false;
    bool found_ = false;
    // Buffers of the transient states.
    std::uint8_t* calcBuffer_ = nullptr;
    std::uint8_t* filterBuffer_ = nullptr;
    // Filtering.
    bool filtered_ = false;
    bool findActive_ = false;
    std::string filter_;
    TFilterOptions filterOptions_ = 0;
    std::function<void(TDataSet&, bool&)> onFilterRecord_;
    // The locate search in progress.
    const std::vector<TField*>* searchFields_ = nullptr;
    const std::vector<TVariant>* searchValues_ = nullptr;
    TLocateOptions searchOptions_ = 0;
    int disableCount_ = 0;
    bool pendingChange_ = false;
    std::vector<TDataSource*> dataSources_;
};

} // namespace tabula
