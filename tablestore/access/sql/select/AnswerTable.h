// TAnswerTable: the table a canned SELECT result is written into - created
// through the record manager from the result columns, opened exclusively,
// filled row by row and handed out as the result cursor.
//
// Layout (TAnswerLayout, derived from the statement by LayoutFor):
// - description "Query Result Set"; one field per result column, named and
//   typed as the column; BLOB block size kAnswerBlobBlockSize; the user's
//   default locale;
// - when an AVG column is present, the cursor carries the hidden 32-bit
//   counter field "Avg__Count" after the result columns while the rows are
//   written (the counts themselves are kept by each group's accumulator,
//   which holds the group until its row is written); it is removed before
//   the cursor becomes the result;
// - indexes: "OrderBy" over the ORDER BY columns (each with its own
//   direction; case-insensitive with NOCASE), "GroupBy" over the GROUP BY
//   columns, "Distinct" over the result columns. Each is a secondary index
//   that admits equal keys: equal keys are kept in the order the rows were
//   written, so no row is ever refused as a duplicate and rows with equal
//   sort keys keep the order they were produced in. The primary index is
//   physical record order. An index is left out when its key would not fit
//   an index (more than kMaxKeyFields fields or a key longer than
//   kMaxKeyLength), or when an ORDER BY or GROUP BY item is no result
//   column: the rows are then written already in their final order.
// - the rows are gathered as record images and written when they are all
//   there (Finish), in runs; when the result is read through "OrderBy" they
//   are written in that index's order (equal keys in production order,
//   each row keeping the auto-increment value - the uniqueness suffix of
//   its keys - its production place gives it), so the physical order is
//   the result's order and the index is loaded from its entries as they
//   are, without a second sort; a table with BLOB fields appends its rows
//   one by one in production order, each with the content of its BLOBs
//   written to the table's own BLOB file; a temporary table without
//   indexes, BLOB fields or the hidden counter has no order to wait for:
//   the rows filled through RowImage are written in batches of
//   kAnswerBatchBytes as they come, so the images gathered never exceed
//   one batch (its rows are seen only once Finish is done; a failed
//   execution's table is dropped);
// - the other indexes are built when the rows are all written: their
//   entries are gathered as the rows are appended, sorted by each index's
//   order and loaded into the tree bottom-up;
// - the result cursor is set to "OrderBy" when there is one, else to
//   physical order, and positioned before the first row.
//
// A table without INTO is temporary: it lives in memory under a name no
// other statement of the process uses, and is deleted when it is closed.
// An INTO table is created under its name (replacing a table of that name)
// and stays.
//
// A row that cannot be converted fails its Append before anything of it is
// gathered, and the table is still empty then.
//
// States: Created (open, exclusive) --Append--> Created --Finish--> Result
// (hidden counter gone, final index, before the first row)
// --destruction--> closed (temporary: deleted)
#pragma once

#include "DataFile.h"
#include "SqlValue.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabula {

struct TSqlStatement;
struct TResultDataField;

inline constexpr std::uint32_t kAnswerBlobBlockSize = 512;
inline constexpr std::size_t kAnswerReserveBytes = std::size_t{64} << 20;
inline constexpr std::size_t kAnswerBatchBytes = std::size_t{64} << 10;
inline constexpr const char* kAnswerDescription = "Query Result Set";
inline constexpr const char* kAvgCounterName = "Avg__Count";
inline constexpr const char* kOrderByIndexName = "OrderBy";
inline constexpr const char* kGroupByIndexName = "GroupBy";
inline constexpr const char* kDistinctIndexName = "Distinct";

struct TAnswerIndex {
    std::string name;
    std::vector<int> fieldNumbers; // answer table fields, from 1
    std::vector<bool> descending;  // per field
    bool caseInsensitive = false;
};

struct TAnswerLayout {
    std::vector<TFieldDescriptor> fields;
    std::vector<TAnswerIndex> indexes;
    bool avgCounter = false;
    // The index the result cursor is set to; empty for physical order.
    std::string finalIndex;
};

class TAnswerTable {
public:
    static TAnswerLayout LayoutFor(const TSqlStatement& statement,
                                   const std::vector<TResultDataField>& fields);

    // path empty: a temporary table.
    TAnswerTable(const std::string& path, bool inMemory, const TAnswerLayout& layout,
                 std::uint32_t localeId);
    ~TAnswerTable();
    TAnswerTable(const TAnswerTable&) = delete;
    TAnswerTable& operator=(const TAnswerTable&) = delete;

    // Gathers one row; values[i] goes into field i + 1. A NULL value, or one
    // that the field cannot hold, is written as null. A BLOB field takes a
    // value of BLOB type as the BLOB's content (the bytes, not a reference
    // into another table's BLOB file); the content is kept beside the row
    // and written to this table's own BLOB file when the row is.
    void Append(const std::vector<TSqlValue>& values);
    // A row whose image the caller fills itself: RowImage answers the row
    // image, started as Append starts it (RecordBufferSize bytes), the
    // caller writes every result column's slot, and AppendImage gathers it.
    std::span<std::uint8_t> RowImage();
    void AppendImage();
    // Room for the images of about rows rows (at most kAnswerReserveBytes,
    // or one batch when rows are written as they come), so that gathering
    // them does not move the images gathered before.
    void ReserveRows(std::int64_t rows);
    // Drops the hidden counter, writes the gathered rows, builds the
    // indexes, selects the final index and positions the cursor before the
    // first row.
    void Finish();
    TDataFile& File() { return *file_; }
    // Whether an index of the table gives the result its order (else the
    // rows must be written in their final order).
    bool IndexOrders() const { return !finalIndex_.empty(); }
    const std::string& Path() const { return path_; }
    bool Temporary() const { return temporary_; }

private:
    std::string path_;
    bool temporary_;
    std::string finalIndex_;
    int counterField_ = 0; // field number of the hidden counter, 0 when none
    int orderIndex_ = 0;   // number of the final index when it is "OrderBy", else 0
    std::unique_ptr<TDataFile> file_;
    std::vector<std::uint8_t> buffer_; // the row image, reused by every Append
    // Writes the gathered rows one by one, each with its BLOBs' content
    // (tables with BLOB fields; the bulk append takes no BLOB).
    void AppendRowsWithBlobs();

    // The gathered rows: RecordSize bytes each, in production order.
    std::vector<std::uint8_t> images_;
    // Rows filled through RowImage are written batch by batch (see above).
    bool writesInBatches_ = false;
    std::vector<TFieldDescriptor> fields_; // the result columns' fields, from 1
    // The BLOB fields among them, and per gathered row one content per BLOB
    // field in that order (empty: none; the row's field stays null).
    std::vector<int> blobFields_;
    std::vector<std::vector<std::uint8_t>> blobs_;
};

} // namespace tabula
