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
// - WHERE parts on one table that its indexes can answer (wholly or partly)
//   are handed to that table as engine filters for the whole walk and not
//   tested again; with handAll (a result of aggregates only, where no row
//   is kept for its own sake) every part on one table is handed, the
//   engine testing it as it reads. The optional table of an outer join
//   gets none, as its WHERE parts must see the empty row too.
// - a join link: the first comparison (=, <, >, <=, >=) between a column of
//   a table and a column of a table before it - a WHERE part of an inner
//   join, or an AND part of an outer join's ON condition. For each record
//   of the tables before it, the later table gets the filter "its column op
//   the outer column's current value", which an index on that column
//   answers with a key range: a join on a key costs a lookup per outer row,
//   not a scan. An "=" link on a column that leads an index of the later
//   table is cheaper still: that table runs on the index, and each outer
//   row sets its key range to the outer value (when the value has exactly
//   the column's type; otherwise the filter serves). A zero or NaN met by
//   a float column gets neither: the two zeros compare equal but have two
//   keys, and NaN compares equal to every number. The key is built from
//   the outer column's stored bytes into buffers kept by the link, and an
//   outer row with the key of the row before keeps the range as it is (a
//   change by another user reaches the range when the read slice is
//   renewed, which recomputes it). While the walk holds read slices, each
//   link keeps the inner records of the ranges it has read, by key (see
//   TJoinRangeMemo): an outer row of a key met before replays them without
//   touching the inner table, until the inner cursor's change generation
//   moves (another user's change seen at a slice's renewal, or any change of
//   the table or its filters). The
//   comparison is still tested on each combined row - a range that a
//   case-insensitive or collated index makes wider only costs tests -
//   except where the answer is known: the key holds exactly the outer value
//   and the inner record stores the very same bytes in its column (the
//   same value on both sides). An outer value that is NULL gets no filter
//   or range (the whole table is walked and tested), so the result is that
//   of the plain nested walk. The tables return to physical order when the
//   iterator goes.
// - progress follows the outermost table's record position.
// - with read slices set, the slice is renewed between two records of the
//   outermost table and paused around the progress callback.
#pragma once

#include "FieldDescriptor.h"
#include "JoinRangeMemo.h"
#include "SqlEvaluate.h"
#include "SqlStatement.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tabula {

class TDataFile;
class TSourceDataFile;
class TSqlFilterBuilder;
class TReadSlices;

class TJoinIterator {
public:
    using TProgress = std::function<void(std::int64_t counter, std::uint16_t percent, bool& abort)>;

    TJoinIterator(const TSqlStatement& statement, std::vector<TSourceDataFile*> sources,
                  std::uint32_t localeId, bool handAll);
    ~TJoinIterator();
    TJoinIterator(const TJoinIterator&) = delete;
    TJoinIterator& operator=(const TJoinIterator&) = delete;

    // The value of a column of the current combined row (NULL while its
    // table stands on the empty row of an outer join).
    TSqlValue ColumnValue(const TSqlNode& column) const;
    const TSqlEvalContext& Context() const { return context_; }
    // Whether the table at level stands on the empty row of an outer join
    // (its columns are NULL whatever its record buffer holds).
    bool OnEmptyRow(std::size_t level) const { return nullRow_.at(level); }

    void Run(const std::function<void()>& rowAction, const TProgress& progress);
    // The read locks the walk holds (not owned; null: none of its own).
    void SetReadSlices(TReadSlices* slices) { slices_ = slices; }

    // What the walk hands to the tables (for tests): engine filters per
    // table, and whether a table is reached through a join link.
    int HandedFilterCount(std::size_t level) const;
    bool HasJoinLink(std::size_t level) const { return links_.at(level).has_value(); }
    // The WHERE parts the walk itself tests once the table at level has a
    // record (the residual condition, by level).
    int ResidualPartCount(std::size_t level) const {
        return level < parts_.size() ? static_cast<int>(parts_[level].size()) : 0;
    }

private:
    struct TJoinLink {
        TSqlNodePtr inner;              // the column of the table the link reaches
        TSqlNodePtr outer;              // the column of a table before it
        int op;                         // inner op outer
        int rangeIndex = -1;            // "=" on a leading index field: that index
        const TSqlNode* part = nullptr; // the comparison the link was found in
        // Range links: the record image the key is built from and the key,
        // both reused from one outer row to the next.
        std::vector<std::uint8_t> keyImage;
        std::vector<std::uint8_t> key;
        // The key of the range the inner table stands on since the last
        // outer row (rangeHeld), which an outer row of the same key reuses.
        std::vector<std::uint8_t> heldKey;
        bool rangeHeld = false;
        TFieldDescriptor innerField; // the inner column's field (range links)
        // The outer column's field when it has the inner field's type: its
        // stored bytes then go into the key image as they are.
        std::optional<TFieldDescriptor> outerField;
        // Range links with outerField: the ranges read, by key.
        std::unique_ptr<TJoinRangeMemo> memo;
    };
    void HandTableFilters(std::size_t level, bool optional);
    void DropTableFilters();
    void FindJoinLink(std::size_t level, const std::vector<TSqlNodePtr>& candidates);
    // The link's filter for the current outer row; -1 when the outer value
    // is NULL (no filter: the table is walked whole).
    int LinkFilter(std::size_t level);
    // Sets the inner table's key range for the current outer row; false
    // when the value cannot be a key (the range is cancelled then).
    bool LinkRange(std::size_t level, const TSqlValue& value);
    // The range from the outer column's stored bytes (outerField set):
    // false when the outer value is NULL or cannot be a key (no range then,
    // the filter decides), with *exact set when the key image holds exactly
    // the outer value.
    // kNull: the outer value is NULL; kWholeTable: no key stands for it
    // alone (the table is walked whole); kNoKey: the filter decides.
    enum class TRawKey { kNull, kRange, kNoKey, kWholeTable };
    TRawKey RawLinkRange(std::size_t level, bool* exact);
    // Sets the range of the key built in the link's key image; an outer
    // row with the key of the row before keeps the range already set.
    void SetLinkRange(std::size_t level);
    void CancelLinkRange(std::size_t level);
    // Filter or range for the current outer row: the filter handle, or -1.
    int PrepareLink(std::size_t level);
    // Whether the link's comparison is known to hold for the inner table's
    // current record without evaluating it: the range was built from exactly
    // the outer value and the record stores exactly the key image's bytes in
    // the inner column, so both sides are one value.
    bool LinkHolds(std::size_t level) const;
    // Per record of the outermost table: the read slice and the progress.
    void OuterRecord(TDataFile& file);
    void Walk(std::size_t level, const std::function<void()>& rowAction);
    // The key image's slot of the link's inner column (indicator and value).
    std::span<const std::uint8_t> KeySlot(const TJoinLink& link) const;
    // The memo of the link at level when the walk may use it, else null.
    TJoinRangeMemo* UsableMemo(std::size_t level);
    // One record of the table at level in its buffer: the ON condition, then
    // the levels after it; whether the ON condition admitted it.
    bool Visit(std::size_t level, const std::function<void()>& rowAction);
    // The walk of a level from its memo run / from the table.
    bool ReplayRun(std::size_t level, const TJoinRangeMemo& memo, const TJoinRangeMemo::TRun& run,
                   const std::function<void()>& rowAction);
    bool WalkTable(std::size_t level, const std::function<void()>& rowAction);
    bool PartsAccept(std::size_t level) const;
    void Step(std::size_t level, const std::function<void()>& rowAction);

    std::vector<TSourceDataFile*> sources_;
    std::vector<std::vector<TSqlNodePtr>> parts_; // WHERE parts by test level
    std::vector<TSqlNodePtr> outerOn_;            // per level: ON of an outer join
    std::vector<bool> nullRow_;
    std::vector<std::optional<TJoinLink>> links_;
    // Per level: the current walk of the table runs on a range built from
    // exactly the outer value (see LinkHolds).
    std::vector<bool> exactRange_;
    // Per level: the memo run the current outer row replays (null: the table
    // is walked).
    std::vector<const TJoinRangeMemo::TRun*> memoRun_;
    std::vector<std::unique_ptr<TSqlFilterBuilder>> linkBuilders_;
    std::vector<std::vector<int>> tableFilters_; // handles, dropped on destruction
    std::uint32_t localeId_;
    bool handAll_;
    TSqlEvalContext context_;
    TProgress progress_;
    TReadSlices* slices_ = nullptr;
    bool aborted_ = false;
    std::int64_t counter_ = 0;
    std::int64_t lastPosition_ = -1;
};

} // namespace tabula
