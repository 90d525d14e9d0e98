// Filter nodes and their evaluation into record bitmaps.
#include "IndexFilter.h"

#include "IndexFile.h"

#include <stdexcept>

namespace tabula {

void TFilterContext::EvaluateRecordByRecord(
    const std::function<bool(std::span<const std::uint8_t>)>& test, TRecordBitmap& bits) {
    bits.SetAll();
    if (source_ == nullptr)
        throw std::logic_error("record-by-record filter without a record source");
    for (std::int32_t n = live_.NextSet(1); n != 0; n = live_.NextSet(n + 1))
        if (!test(source_->ReadRecord(n)))
            bits.Clear(n);
}

void TFilterContext::MarkKeyRange(int index, const std::uint8_t* low, const std::uint8_t* high,
                                  TRecordBitmap& bits) {
    TBTree& tree = file_.Tree(index);
    bits.ClearAll();
    if (tree.Comparer().Compare(low, high) > 0)
        return;
    const TBTree::TLocation first = tree.LowerBound(low);
    const TBTree::TLocation last = tree.LastNotAbove(high);
    const std::int64_t total = tree.EntryCount();
    const std::int64_t inside = last.position - first.position + 1;
    if (first.page == 0 || last.page == 0 || inside <= 0)
        return;
    auto mark = [&bits](const std::uint8_t*, std::int32_t recno) { bits.Set(recno); };
    if (inside * 2 > total) {
        // Cheaper to collect what lies outside and invert.
        tree.Visit(tree.First(), first.position - 1, mark);
        if (last.position < total)
            tree.Visit(tree.AtPosition(last.position + 1), total - last.position, mark);
        bits.Invert();
    } else {
        tree.Visit(first, inside, mark);
    }
}

TFilterLevel TTestFunctionFilter::Evaluate(TFilterContext& context, TRecordBitmap& bits) {
    context.EvaluateRecordByRecord(
        [this](std::span<const std::uint8_t> image) { return test_(image, context_); }, bits);
    return kRecordByRecord;
}

std::unique_ptr<TFilterNode> TTestFunctionFilter::CloneFor(TIndexFile&) const {
    return std::make_unique<TTestFunctionFilter>(test_, context_);
}

TKeyRangeFilter::TKeyRangeFilter(TIndexFile& file, int index, std::vector<std::uint8_t> low,
                                 std::vector<std::uint8_t> high, bool invert)
    : file_(file), index_(index), low_(std::move(low)), high_(std::move(high)), invert_(invert) {
    const auto length = static_cast<std::size_t>(file_.KeyLength(index_));
    if (low_.size() != length || high_.size() != length)
        throw std::invalid_argument("key range with keys of the wrong length");
}

TFilterLevel TKeyRangeFilter::Evaluate(TFilterContext& context, TRecordBitmap& bits) {
    context.MarkKeyRange(index_, low_.data(), high_.data(), bits);
    if (invert_)
        bits.Invert();
    return kAnsweredFromIndexes;
}

bool TKeyRangeFilter::Test(std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> key(low_.size());
    file_.BuildKey(index_, image, key.data());
    const TKeyComparer& cmp = file_.Tree(index_).Comparer();
    const bool inside =
        cmp.Compare(key.data(), low_.data()) >= 0 && cmp.Compare(key.data(), high_.data()) <= 0;
    return inside != invert_;
}

std::unique_ptr<TFilterNode> TKeyRangeFilter::CloneFor(TIndexFile& file) const {
    return std::make_unique<TKeyRangeFilter>(file, index_, low_, high_, invert_);
}

std::unique_ptr<TFilterNode> TNotFilter::CloneFor(TIndexFile& file) const {
    auto operand = operand_->CloneFor(file);
    return operand ? std::make_unique<TNotFilter>(std::move(operand)) : nullptr;
}

std::unique_ptr<TFilterNode> TAndFilter::CloneFor(TIndexFile& file) const {
    auto a = a_->CloneFor(file);
    auto b = a ? b_->CloneFor(file) : nullptr;
    return b ? std::make_unique<TAndFilter>(std::move(a), std::move(b)) : nullptr;
}

std::unique_ptr<TFilterNode> TOrFilter::CloneFor(TIndexFile& file) const {
    auto a = a_->CloneFor(file);
    auto b = a ? b_->CloneFor(file) : nullptr;
    return b ? std::make_unique<TOrFilter>(std::move(a), std::move(b)) : nullptr;
}

TFilterLevel TNotFilter::Evaluate(TFilterContext& context, TRecordBitmap& bits) {
    const TFilterLevel level = operand_->Evaluate(context, bits);
    bits.Invert();
    return level;
}

TFilterLevel TAndFilter::Classify() const {
    const TFilterLevel a = a_->Classify(), b = b_->Classify();
    if (a == kAnsweredFromIndexes && b == kAnsweredFromIndexes)
        return kAnsweredFromIndexes;
    return a == kRecordByRecord && b == kRecordByRecord ? kRecordByRecord : kAnsweredPartly;
}

TFilterLevel TAndFilter::Evaluate(TFilterContext& context, TRecordBitmap& bits) {
    // The better-classified operand goes first.
    TFilterNode* first = a_.get();
    TFilterNode* second = b_.get();
    if (second->Classify() < first->Classify())
        std::swap(first, second);
    const TFilterLevel l1 = first->Evaluate(context, bits);
    TRecordBitmap other;
    other.Resize(bits.PhysicalCount());
    const TFilterLevel l2 = second->Evaluate(context, other);
    bits.And(other);
    if (l1 == kAnsweredFromIndexes && l2 == kAnsweredFromIndexes)
        return kAnsweredFromIndexes;
    return l1 == kRecordByRecord && l2 == kRecordByRecord ? kRecordByRecord : kAnsweredPartly;
}

TFilterLevel TOrFilter::Classify() const {
    return a_->Classify() == kAnsweredFromIndexes && b_->Classify() == kAnsweredFromIndexes
               ? kAnsweredFromIndexes
               : kRecordByRecord;
}

TFilterLevel TOrFilter::Evaluate(TFilterContext& context, TRecordBitmap& bits) {
    if (Classify() == kAnsweredFromIndexes) {
        a_->Evaluate(context, bits);
        TRecordBitmap other;
        other.Resize(bits.PhysicalCount());
        b_->Evaluate(context, other);
        bits.Or(other);
        return kAnsweredFromIndexes;
    }
    context.EvaluateRecordByRecord(
        [this](std::span<const std::uint8_t> image) { return Test(image); }, bits);
    return kRecordByRecord;
}

} // namespace tabula
