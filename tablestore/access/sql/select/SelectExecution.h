// ExecuteCannedSelect: fills a SELECT's answer table from its source tables.
//
// Steps:
// 1. every source table's shared read lock is held while the tables are
//    walked, renewed slice by slice (ReadSlices.h) or, with WITH LOCKS,
//    over the whole execution, and released however the execution ends;
// 2. the join iterator produces the combined rows (JoinIterator.h);
// 3. for each one the plain and computed columns are evaluated; a grouped
//    statement finds the group by the exact bytes of its GROUP BY values
//    and accumulates its aggregates (GroupAccumulator.h); an aggregate-only
//    statement has one group, present even over no rows; DISTINCT keeps the
//    first row of each set of equal values (exact bytes, NULL equal to
//    NULL); a BLOB column's value is the BLOB's content, read from the
//    source table's BLOB file while the row is current;
// 4. ORDER BY: the answer table's OrderBy index orders the rows (equal
//    keys in the order they were produced, none lost); when it has none
//    (an item that is no result column, a key too long for an index) the
//    rows are sorted here into the order that index would give them
//    (RowOrder.h);
// 5. the rows are appended in that order and the table is positioned
//    before its first row.
// Fast path: a single-table SELECT whose only column is COUNT(*) (or COUNT
// of a column that cannot be NULL) hands its whole WHERE condition to the
// table as engine filters and answers the number of records they pass,
// with one progress call (count, 100); no row is walked.
#pragma once

#include "AnswerTable.h"
#include "JoinIterator.h"
#include "ResultField.h"
#include "SqlStatement.h"

#include <vector>

namespace tabula {

class TSourceDataFile;

void ExecuteCannedSelect(const TSqlStatement& statement,
                         const std::vector<TSourceDataFile*>& sources,
                         const std::vector<TResultDataField>& fields, std::uint32_t localeId,
                         TAnswerTable& answer, const TJoinIterator::TProgress& progress);

} // namespace tabula
