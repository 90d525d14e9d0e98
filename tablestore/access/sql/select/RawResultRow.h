// TRawResultRow: an ungrouped result row whose columns are all plain source
// columns, written into the answer table's row image slot by slot from the
// stored bytes of the sources' record buffers, with no value made in
// between.
//
// It writes exactly the image that evaluating each column and appending the
// values would write, and is made only where that holds:
//   - every result column is one column reference of a type whose stored
//     bytes are its value's bytes: strings, 16/32-bit and unsigned 16-bit
//     integers, dates, times, floats and timestamps (slot width equal to the
//     type's width); no auto-increment field on either side; the answer
//     field has the source field's type;
//   - the answer table has no calculated field (its images hold no
//     calculated area to recompute).
// Per column and row:
//   - the table stands on the empty row of an outer join, or the source slot
//     is null: the answer slot is null (indicator and value bytes zero),
//     whatever the source buffer still holds;
//   - a fixed-width value: indicator 1 and the value bytes as stored;
//   - a text: the source bytes up to the first zero (at most the source
//     slot), cut to the answer column's length, then without trailing
//     blanks; null when nothing remains; the rest of the slot zero.
// The column places are checked against both images on every row (a record
// buffer too short for its fields raises kErrRecordBuffersCorrupt).
#pragma once

#include "SourceDataFile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tabula {

class TAnswerTable;
class TJoinIterator;
struct TResultDataField;

class TRawResultRow {
public:
    // The writer of the result columns fields, when the rules above allow one.
    static std::optional<TRawResultRow> For(const std::vector<TResultDataField>& fields,
                                            const std::vector<TSourceDataFile*>& sources,
                                            TAnswerTable& answer);

    // Appends the current combined row of join to answer.
    void Append(const TJoinIterator& join, TAnswerTable& answer) const;

private:
    // One result column: the source's level in the join, its slot in the
    // source's record buffer (indicator at `from`, then `size` value bytes)
    // and its slot in the answer image (indicator at `to`, then
    // `answerSize` bytes).
    struct TColumn {
        TSourceDataFile* source;
        std::size_t table;
        std::size_t from;
        std::size_t size;
        std::size_t to;
        std::size_t answerSize;
        bool text;
    };
    explicit TRawResultRow(std::vector<TColumn> columns) : columns_(std::move(columns)) {}
    static void WriteText(const std::uint8_t* slot, const TColumn& column, std::uint8_t* out);

    std::vector<TColumn> columns_;
};

} // namespace tabula
