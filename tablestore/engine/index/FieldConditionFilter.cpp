// Field conditions answered from an index: choosing the index, finding the
// run of passing entries by bisection, marking records, testing one image.
#include "FieldConditionFilter.h"

#include "DataFileFormat.h"
#include "IndexFile.h"

#include <algorithm>
#include <cstring>

namespace tabula {

namespace {

bool NullTest(TFieldConditionOp op) {
    return op == TFieldConditionOp::IsNull || op == TFieldConditionOp::IsNotNull;
}

} // namespace

int TFieldConditionFilter::ChooseIndex(TIndexFile& file, const TFieldCondition& condition) {
    if (!file.IsOpen() || file.PhysicalOrderTable())
        return -1;
    const bool wantFolded = condition.upper || condition.caseInsensitive;
    for (int index = 0; index < indexfmt::kSysDeletedIndex; ++index) {
        if (!file.IsDefined(index))
            continue;
        const TIndexDescriptor& d = file.Descriptor(index);
        if (d.fieldCount == 0 || d.fieldNumbers[0] != condition.fieldNumber)
            continue;
        const TKeyField& first = file.KeyBuilder(index).Fields().at(0);
        if (first.typeCode == datafmt::kFtString && !NullTest(condition.op) &&
            d.caseInsensitive != wantFolded)
            continue;
        return index;
    }
    return -1;
}

std::unique_ptr<TFieldConditionFilter>
TFieldConditionFilter::Make(TIndexFile& file, const TFieldCondition& condition) {
    const int index = ChooseIndex(file, condition);
    if (index < 0)
        return nullptr;
    return std::unique_ptr<TFieldConditionFilter>(
        new TFieldConditionFilter(file, index, condition));
}

TFieldConditionFilter::TFieldConditionFilter(TIndexFile& file, int index,
                                             const TFieldCondition& condition)
    : file_(file), index_(index), condition_(condition) {
    const TKeyBuilder& builder = file_.KeyBuilder(index_);
    const TIndexDescriptor& d = file_.Descriptor(index_);
    const TKeyField& first = builder.Fields().at(0);
    const bool isString = first.typeCode == datafmt::kFtString;
    keyLength_ = builder.KeyLength();
    const int segment = first.storedSize + 1;
    compared_ = segment;
    if (isString && condition_.partialLength > 0)
        compared_ = std::min(segment, 1 + condition_.partialLength);
    reversed_ = d.descending != (d.fieldDescending[0] != 0);

    std::vector<std::uint8_t> encoded(static_cast<std::size_t>(segment));
    builder.EncodeField(0, nullptr, encoded.data());
    nullPresence_ = encoded[0];
    // The presence bytes of null and non-null differ in the lowest bit only
    // (0/1, or 255/254 in a descending field); the comparer orders them.
    nullsFirst_ = (nullPresence_ < (nullPresence_ ^ 1)) != d.descending;

    constant_.assign(static_cast<std::size_t>(keyLength_), 0);
    if (!NullTest(condition_.op)) {
        // A constant compared with UPPER(field) keeps its case: only compare
        // options fold both sides.
        const bool fold = isString ? condition_.caseInsensitive : builder.CaseInsensitive();
        builder.EncodeField(0, condition_.value.data(), fold, encoded.data());
        std::copy_n(encoded.begin(), compared_, constant_.begin());
    }
    scratch_.assign(static_cast<std::size_t>(keyLength_), 0);
    entry_.assign(static_cast<std::size_t>(keyLength_), 0);
}

int TFieldConditionFilter::CompareFirst(const std::uint8_t* key) const {
    // Equal zero tails on both sides leave the first field's bytes to decide.
    std::copy_n(key, compared_, scratch_.begin());
    return file_.Tree(index_).Comparer().Compare(scratch_.data(), constant_.data());
}

bool TFieldConditionFilter::IsNullKey(const std::uint8_t* key) const {
    return key[0] == nullPresence_;
}

bool TFieldConditionFilter::Passes(const std::uint8_t* key) const {
    const bool isNull = IsNullKey(key);
    switch (condition_.op) {
    case TFieldConditionOp::IsNull:
        return isNull;
    case TFieldConditionOp::IsNotNull:
        return !isNull;
    default:
        break;
    }
    const int c = CompareFirst(key);
    const int v = reversed_ ? -c : c;
    switch (condition_.op) {
    case TFieldConditionOp::Eq:
        return c == 0;
    case TFieldConditionOp::Ne:
        return c != 0;
    case TFieldConditionOp::Gt:
        return !isNull && v > 0;
    case TFieldConditionOp::Ge:
        return !isNull && v >= 0;
    case TFieldConditionOp::Lt:
        return !isNull && v < 0;
    case TFieldConditionOp::Le:
        return !isNull && v <= 0;
    default:
        return false;
    }
}

bool TFieldConditionFilter::RunAnswer() const {
    const TKeyBuilder& builder = file_.KeyBuilder(index_);
    const bool partial = compared_ < builder.Fields().at(0).storedSize + 1;
    return !(partial && builder.Localized() &&
             builder.Fields().at(0).typeCode == datafmt::kFtString);
}

template <class Pred> std::int64_t TFieldConditionFilter::Partition(std::int64_t count, Pred past) {
    TBTree& tree = file_.Tree(index_);
    std::int64_t lo = 1, hi = count + 1;
    std::int32_t recno = 0;
    while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        tree.ReadEntry(tree.AtPosition(mid), entry_.data(), &recno);
        if (past(entry_.data()))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

TFieldConditionFilter::TRun TFieldConditionFilter::FindRun() {
    const std::int64_t n = file_.Tree(index_).EntryCount();
    // The null entries: [1, nullEnd] or [nullStart, n].
    std::int64_t nullEnd = 0, nullStart = n + 1;
    if (nullsFirst_)
        nullEnd = Partition(n, [this](const std::uint8_t* k) { return !IsNullKey(k); }) - 1;
    else
        nullStart = Partition(n, [this](const std::uint8_t* k) { return IsNullKey(k); });
    if (condition_.op == TFieldConditionOp::IsNull)
        return nullsFirst_ ? TRun{1, nullEnd, false} : TRun{nullStart, n, false};
    if (condition_.op == TFieldConditionOp::IsNotNull)
        return nullsFirst_ ? TRun{1, nullEnd, true} : TRun{nullStart, n, true};

    // Index order: entries below the constant [1, lo - 1], equal [lo, hi - 1],
    // above [hi, n].
    const std::int64_t lo =
        Partition(n, [this](const std::uint8_t* k) { return CompareFirst(k) >= 0; });
    const std::int64_t hi =
        Partition(n, [this](const std::uint8_t* k) { return CompareFirst(k) > 0; });
    TRun run;
    switch (condition_.op) {
    case TFieldConditionOp::Eq:
        return {lo, hi - 1, false};
    case TFieldConditionOp::Ne:
        return {lo, hi - 1, true};
    case TFieldConditionOp::Gt:
        run = reversed_ ? TRun{1, lo - 1} : TRun{hi, n};
        break;
    case TFieldConditionOp::Ge:
        run = reversed_ ? TRun{1, hi - 1} : TRun{lo, n};
        break;
    case TFieldConditionOp::Lt:
        run = reversed_ ? TRun{hi, n} : TRun{1, lo - 1};
        break;
    case TFieldConditionOp::Le:
        run = reversed_ ? TRun{lo, n} : TRun{1, hi - 1};
        break;
    default:
        return {1, 0, false};
    }
    // Ordering comparisons leave the nulls out; they sit at one end.
    run.first = std::max(run.first, nullEnd + 1);
    run.last = std::min(run.last, nullStart - 1);
    return run;
}

TFilterLevel TFieldConditionFilter::Evaluate(TFilterContext&, TRecordBitmap& bits) {
    bits.ClearAll();
    TBTree& tree = file_.Tree(index_);
    const std::int64_t n = tree.EntryCount();
    if (n == 0) {
        return kAnsweredFromIndexes;
    }
    auto mark = [&bits](const std::uint8_t*, std::int32_t recno) { bits.Set(recno); };
    if (!RunAnswer()) {
        tree.Visit(tree.First(), n, [&](const std::uint8_t* key, std::int32_t recno) {
            if (Passes(key))
                bits.Set(recno);
        });
        return kAnsweredFromIndexes;
    }
    const TRun run = FindRun();
    const std::int64_t inside = std::max<std::int64_t>(0, run.last - run.first + 1);
    bool invert = run.outside;
    if (inside * 2 > n) {
        // Fewer entries outside the run: mark those and invert.
        if (run.first > 1)
            tree.Visit(tree.First(), run.first - 1, mark);
        if (run.last < n)
            tree.Visit(tree.AtPosition(run.last + 1), n - run.last, mark);
        invert = !invert;
    } else if (inside > 0) {
        tree.Visit(tree.AtPosition(run.first), inside, mark);
    }
    if (invert)
        bits.Invert();
    return kAnsweredFromIndexes;
}

std::int64_t TFieldConditionFilter::CountMatches() {
    TBTree& tree = file_.Tree(index_);
    const std::int64_t n = tree.EntryCount();
    if (n == 0)
        return 0;
    if (!RunAnswer()) {
        std::int64_t count = 0;
        tree.Visit(tree.First(), n, [&](const std::uint8_t* key, std::int32_t) {
            if (Passes(key))
                ++count;
        });
        return count;
    }
    const TRun run = FindRun();
    const std::int64_t inside = std::max<std::int64_t>(0, run.last - run.first + 1);
    return run.outside ? n - inside : inside;
}

bool TFieldConditionFilter::Test(std::span<const std::uint8_t> image) {
    file_.BuildKey(index_, image, entry_.data());
    return Passes(entry_.data());
}

std::unique_ptr<TFilterNode> TFieldConditionFilter::CloneFor(TIndexFile& file) const {
    return std::unique_ptr<TFilterNode>(new TFieldConditionFilter(file, index_, condition_));
}

} // namespace tabula
