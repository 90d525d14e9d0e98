// TFieldConditionFilter: a filter node that answers one field condition
// (TFieldCondition) from an index whose first key field is the condition's
// field.
//
// Every index is sorted first by its first key field, so the entries that
// satisfy a comparison with a constant form one run of positions in the
// index, or the complement of one: the run below, at or above the constant
// (whether "below" means smaller values depends on the index's and the
// field's descending flags), and the run of null entries, which always sits
// at one end of the index because the presence byte leads the key. The node
// finds the run's ends by bisecting over positions (the subtree counts make
// a jump to a position one descent), then marks the records of the run -
// or of the two parts outside it and inverts, whichever holds fewer entries.
//
// Comparisons look only at the first key field's bytes in the key (its
// presence byte and value; the first n bytes of the value for a partial
// comparison), compared with the index's own comparer, so descending
// fields, case-insensitive keys and locale collation order the constant
// exactly as they order the entries. A partial comparison of a string under
// a locale's collation is not guaranteed to select one run (collation is not
// prefix-consistent), so that case tests every index entry instead; it still
// reads no records.
//
// Test(image) builds the record's key for the same index and applies the
// same comparison, so it agrees with the index answer record for record.
// Ordering comparisons (<, <=, >, >=) never match a null field; <> matches
// it (a null differs from every constant).
//
// Holds a reference to the index file; used under the caller's index read
// lock by one thread.
#pragma once

#include "FieldCondition.h"
#include "IndexFilter.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tabula {

class TIndexFile;

class TFieldConditionFilter : public TFilterNode {
public:
    // The node answered from the first index, in index-number order from the
    // primary index, that can answer the condition, or nullptr when none can
    // (also when the primary index has no keys). The caller has checked the
    // field number and the constant's size.
    static std::unique_ptr<TFieldConditionFilter> Make(TIndexFile& file,
                                                       const TFieldCondition& condition);
    // The index that answers the condition, or -1 when there is none: its
    // first key field is the condition's field and, for a string field, its
    // case-insensitive flag is off for a plain field, on for UPPER(field),
    // equal to the compare-options flag under compare options, and any for
    // IS [NOT] NULL.
    static int ChooseIndex(TIndexFile& file, const TFieldCondition& condition);

    TFilterLevel Classify() const override { return kAnsweredFromIndexes; }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override;
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;
    std::int64_t CountFromIndexes() override { return CountMatches(); }

    // Number of index entries that satisfy the condition.
    std::int64_t CountMatches();
    int Index() const { return index_; }
    const TFieldCondition& Condition() const { return condition_; }

private:
    // The entries that pass: positions [first, last] of the index (empty when
    // first > last), or every other entry when `outside` is set.
    struct TRun {
        std::int64_t first = 1;
        std::int64_t last = 0;
        bool outside = false;
    };

    TFieldConditionFilter(TIndexFile& file, int index, const TFieldCondition& condition);
    // The first key field of `key`, cut to the compared bytes, against the
    // constant: negative, zero or positive in index order.
    int CompareFirst(const std::uint8_t* key) const;
    bool IsNullKey(const std::uint8_t* key) const;
    bool Passes(const std::uint8_t* key) const;
    // Whether every passing entry lies in one run (else: test every entry).
    bool RunAnswer() const;
    TRun FindRun();
    // First position in 1..count+1 whose entry satisfies `past`, which is
    // false for a leading run of positions and true after it.
    template <class Pred> std::int64_t Partition(std::int64_t count, Pred past);

    TIndexFile& file_;
    int index_;
    TFieldCondition condition_;
    int keyLength_ = 0;
    int compared_ = 0;                   // bytes of the first field compared (presence + value)
    bool reversed_ = false;              // index order runs against value order
    std::uint8_t nullPresence_ = 0;      // presence byte of a null first field
    bool nullsFirst_ = true;             // null entries lead the index (else they end it)
    std::vector<std::uint8_t> constant_; // full key: compared bytes of the constant, then zeros
    mutable std::vector<std::uint8_t> scratch_, entry_;
};

} // namespace tabula
