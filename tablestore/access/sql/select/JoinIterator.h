// TJoinIterator: walks the combined rows of a SELECT's source tables - the
// outermost table in physical order, each further table walked in full for
// every record of the tables before it - and calls the row action for every
// combined row that the conditions admit.
//
// Conditions:
// - the WHERE tree (with the ON conditions of inner joins) is split through
//   AND at its top only; each part is tested at the first level where every
//   table it names has a current record, so a failing part prunes the walk
//   early. Parts under OR or NOT stay whole.
// - the ON condition of a LEFT (or RIGHT) OUTER join restricts its inner
//   table before the join: when no inner record passes it for the current
//   outer row, one row is produced with the inner table's columns NULL.
//   WHERE parts that name the inner table are tested after the join, on
//   that row too, so the result never depends on where a condition could
//   have been answered.
// - progress follows the outermost table's record position.
#pragma once

#include "SqlEvaluate.h"
#include "SqlStatement.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tabula {

class TSourceDataFile;

class TJoinIterator {
public:
    using TProgress = std::function<void(std::int64_t counter, std::uint16_t percent, bool& abort)>;

    TJoinIterator(const TSqlStatement& statement, std::vector<TSourceDataFile*> sources,
                  std::uint32_t localeId);

    // The value of a column of the current combined row (NULL while its
    // table stands on the empty row of an outer join).
    TSqlValue ColumnValue(const TSqlNode& column) const;
    const TSqlEvalContext& Context() const { return context_; }

    void Run(const std::function<void()>& rowAction, const TProgress& progress);

private:
    void Walk(std::size_t level, const std::function<void()>& rowAction);
    bool PartsAccept(std::size_t level) const;
    void Step(std::size_t level, const std::function<void()>& rowAction);

    std::vector<TSourceDataFile*> sources_;
    std::vector<std::vector<TSqlNodePtr>> parts_; // WHERE parts by test level
    std::vector<TSqlNodePtr> outerOn_;            // per level: ON of an outer join
    std::vector<bool> nullRow_;
    TSqlEvalContext context_;
    TProgress progress_;
    bool aborted_ = false;
    std::int64_t counter_ = 0;
    std::int64_t lastPosition_ = -1;
};

} // namespace tabula
