// TTabulaDataSet: the common base of the table and the query, a dataset of
// the framework whose records come from an open data file (the cursor).
//
// The subclass makes and owns the cursor (a table opens its own data file;
// a query takes its statement's result cursor) and attaches it here; this
// class supplies every framework operation that only needs the cursor:
// buffers, fetching, first / last, new records, edit / post / cancel /
// delete, bookmarks, record count and number, field values and the engine
// filters of Filter and OnFilterRecord.
//
// Record buffer (one zero-filled block per framework buffer):
//
//   offset                      size                 content
//   0                           ImageSize()          record image as TDataFile reads and
//                                                    writes it (RecordBufferSize of the file)
//   ImageSize()                 CalcFieldsSize()     the framework's calculated fields
//   InfoOffset()                4                    record number (int32, -1 for a new record)
//   InfoOffset() + 4            1                    bookmark flag (TBookmarkFlag)
//   BookmarkOffset()            bookmark slot        the cursor's bookmark of the record
//
// The bookmark slot is as long as the longest bookmark of any index of the
// cursor, so changing the index never changes the buffer size.
//
// Field definitions are built from the engine's field descriptors:
//
//   engine type        field type                      size given
//   1 string           ftString                        declared size
//   2 date             ftDate
//   3 BLOB             by subtype: 22 ftMemo, 23 ftBlob, 24 ftFmtMemo,
//                      25 ftBlob, 26 ftGraphic, 27 ftBlob, 28 ftTypedBinary,
//                      any other ftBlob
//   4 boolean          ftBoolean
//   5 int16            ftSmallint
//   6 int32            ftInteger; subtype 29 ftAutoInc
//   7 float            ftFloat; subtype 21 ftCurrency
//   8 BCD              ftBCD, precision 20               declared decimals
//   9 bytes            ftBytes                         declared size
//   10 time            ftTime
//   11 timestamp       ftDateTime
//   12 uint16          ftWord
//   13 uint32          ftInteger
//   15 varbytes        ftVarBytes                      declared size
//   18, 19             ftLargeint
//   20 .. 23           ftADT, ftArray, ftReference, ftDataSet
//   0, 14, 16, 17, 24+ no definition: invisible through the dataset
//
// A name already taken by an earlier definition becomes name_1, name_2, ...
// (the first free one), so every definition can be found by name.
//
// Filters: OnFilterRecord is registered with the data file as a test
// function filter and is active while the framework says filters apply
// (Filtered, or a find in progress). The Filter text is compiled into an
// engine filter (CompileTableFilter, or the compiler installed with
// SetFilterCompiler) whenever the filter settings change while the cursor
// is attached and when the dataset opens; both filters are active together,
// so a record must pass both. A faulty text raises its error before the old
// filters are dropped, so they stay in force.
//
// A subclass that supplies records some other way (a test double) attaches
// no cursor and overrides the fetching operations; the operations it keeps
// from here then do nothing.
//
// States: detached (no cursor) --AttachCursor--> attached --DetachCursor-->
// detached. Invariant while attached: every buffer the framework holds has
// the layout computed from the attached cursor.
#pragma once

#include "DataSet.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tabula {

struct TFieldDescriptor;
class TDataFile;

// Compiles the dataset's Filter text into an engine filter of the open file:
// answers the filter handle (TDataFile::AddFilter) or -1 for none.
using TFilterCompiler = std::function<int(TDataSet& dataSet, TDataFile& file)>;

class TTabulaDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;

    std::string EngineVersion() const;
    void SetEngineVersion(const std::string&) {}

    // Fills defs from the descriptors, in their order; each definition's
    // field number is the descriptor's position from 1, or with
    // ownNumbers the descriptor's own field number.
    static void BuildFieldDefs(const std::vector<TFieldDescriptor>& descriptors, TFieldDefs& defs,
                               bool ownNumbers = false);
    // Replaces the compiler of Filter texts (process-wide); an empty one
    // restores CompileTableFilter.
    static void SetFilterCompiler(TFilterCompiler compiler);

    // The attached cursor (null while none is).
    TDataFile* Cursor() const { return cursor_; }

    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    // The cursor was not opened read-only (nor is its file read-only).
    bool CanModify() const override;
    bool BookmarkValid(const TBookmark& bookmark) override;

protected:
    // Makes cursor the one the framework operations work on, computes the
    // buffer layout and builds the field definitions from its working
    // descriptors, or from view when it is not empty (descriptors that name
    // the cursor's fields by their field numbers).
    void AttachCursor(TDataFile& cursor, const std::vector<TFieldDescriptor>& view = {});
    // Forgets the cursor, its filter handles and the scratch buffers; the
    // subclass closes or releases the cursor itself.
    void DetachCursor();
    // Recomputes the buffer layout (after the cursor's index changed).
    void ComputeLayout();
    // The after-open hook, between binding the fields and registering the
    // filters (a table applies its master range here).
    virtual void AfterCursorBind() {}
    // Called before the filters are rebuilt (a table drops its lookup cursor).
    virtual void FiltersChanging() {}

    std::size_t ImageSize() const { return imageSize_; }
    std::span<std::uint8_t> Image(std::uint8_t* buffer) const { return {buffer, imageSize_}; }
    std::span<const std::uint8_t> Image(const std::uint8_t* buffer) const {
        return {buffer, imageSize_};
    }
    // Record number and bookmark of the cursor's current record into a buffer.
    void StoreRecordInfo(std::uint8_t* buffer);

    // ---- The cursor for the framework ---------------------------------------------
    void InternalAfterBind() override;
    bool IsCursorOpen() const override { return cursor_ != nullptr; }
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
    // The old-value state reads the stored version of the current record.
    std::uint8_t* StateBuffer(TDataSetState state) const override;
    // Re-registers the engine filters after Filtered, Filter, FilterOptions
    // or OnFilterRecord changed, and activates them while filters apply.
    void FilterChanged() override;

private:
    friend class TTabulaBlobStream;
    // The buffer a BLOB stream works on: the active record's, or none.
    std::uint8_t* BlobBuffer() { return CurrentFieldBuffer(); }
    std::size_t InfoOffset() const { return imageSize_ + CalcFieldsSize(); }
    std::size_t BookmarkOffset() const { return InfoOffset() + 5; }
    void DropFilters();
    static bool FilterRecordTest(std::span<const std::uint8_t> image, void* context);

    TDataFile* cursor_ = nullptr;
    std::size_t imageSize_ = 0;
    std::size_t bookmarkSize_ = 0;
    mutable std::vector<std::uint8_t> scratch_;
    std::vector<std::uint8_t> filterImage_;
    int recordFilter_ = -1;
    int textFilter_ = -1;
};

} // namespace tabula
