// TLiveResult: a SELECT answered by its single source table's own cursor,
// restricted by filters - nothing is copied, and edits through the result
// reach the table.
//
// A statement is live when it is writable (the query asked for a live
// result and there is no INTO), not DISTINCT, names one table, is not
// grouped, and is either unordered (the cursor stays in physical record
// order) or ordered by plain columns that lead an index of the table, each
// in that index's direction and with NOCASE exactly when the index ignores
// case (the cursor then runs on that index).
//
// The result's view (View) is one descriptor per result column, named as
// the column, whose field number is the cursor's: a plain column's source
// field, or the calculated field that a computed column becomes on the
// cursor (its expression evaluated over each record image it is read
// from). Every execution drops the filters of the previous one and hands
// the whole WHERE condition to the cursor as activated engine filters; the
// cursor is then positioned before its first record.
//
// States: Prepared (calculated fields registered) --Execute--> Executed
// (filters in force, index selected) --Execute--> Executed;
// destruction drops the filters and calculated fields again.
#pragma once

#include "DataFile.h"
#include "ResultField.h"
#include "SqlStatement.h"

#include <optional>
#include <vector>

namespace tabula {

class TSourceDataFile;

class TLiveResult {
public:
    // The index a live result runs on (kPhysicalOrderIndex when
    // unordered), or nullopt when the statement cannot be live.
    static std::optional<int> LiveIndex(const TSqlStatement& statement, TDataFile& table);

    TLiveResult(const TSqlStatement& statement, TSourceDataFile& source,
                const std::vector<TResultDataField>& fields, int index, std::uint32_t localeId);
    ~TLiveResult();
    TLiveResult(const TLiveResult&) = delete;
    TLiveResult& operator=(const TLiveResult&) = delete;

    void Execute();
    TDataFile& Cursor();
    const std::vector<TFieldDescriptor>& View() const { return view_; }

private:
    void DropFilters();
    static bool ResidualAccepts(std::span<const std::uint8_t> image, void* context);

    const TSqlStatement& statement_;
    TSourceDataFile& source_;
    int index_;
    std::uint32_t localeId_;
    std::vector<TFieldDescriptor> view_;
    std::vector<int> calculated_; // field numbers, in the order they were added
    std::vector<int> filters_;
    TSqlNodePtr residual_;
};

} // namespace tabula
