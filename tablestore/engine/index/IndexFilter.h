// Filters of an index cursor: a tree of TFilterNode objects that each fill a
// record bitmap and report how they were answered.
//
// Levels: 0 answered from indexes, 1 partly, 2 record by record. A node that
// cannot use an index reads every live record through the TRecordSource the
// record manager supplies and tests it; a node answered from an index marks
// the records of a key range of that index (TKeyRangeFilter). Expression
// filters plug in later as further node classes built by the expression
// layer; the cursor only sees this interface.
//
// Nodes are owned by the cursor's filter list and used by one thread.
#pragma once

#include "RecordBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tabula {

class TIndexFile;

// Record access for filters and for the live bitmap of tables ordered by
// physical record number. The record manager implements it over its record
// cache; tests implement it over a vector of images.
class TRecordSource {
public:
    virtual ~TRecordSource() = default;
    virtual std::int32_t PhysicalRecordCount() = 0;
    // The image of physical record n (byte 0 is the deleted flag); valid
    // until the next call.
    virtual std::span<const std::uint8_t> ReadRecord(std::int32_t n) = 0;
};

enum TFilterLevel : int {
    kAnsweredFromIndexes = 0,
    kAnsweredPartly = 1,
    kRecordByRecord = 2,
};

class TFilterContext;

class TFilterNode {
public:
    virtual ~TFilterNode() = default;
    // How the node expects to be answered, before evaluating it.
    virtual TFilterLevel Classify() const = 0;
    // Fills `bits` (already sized to the physical record count) with the
    // records that pass; returns how the answer was found.
    virtual TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) = 0;
    // Whether one record image passes (maintenance after append and update).
    virtual bool Test(std::span<const std::uint8_t> image) = 0;
    // The same filter for another table object over the same table (a
    // second cursor), bound to that object's index file; nullptr when the
    // node cannot be rebuilt there, which makes the cursor refuse to clone.
    virtual std::unique_ptr<TFilterNode> CloneFor(TIndexFile& /*file*/) const { return nullptr; }
    // How many live records pass over the whole table, found from index
    // entries alone (no bitmap marked, no record read); -1 when the node
    // cannot count that way. Every live record has exactly one entry in each
    // keyed index, so an entry count is a record count.
    virtual std::int64_t CountFromIndexes() { return -1; }
};

// What a node may use while it evaluates.
class TFilterContext {
public:
    TFilterContext(TIndexFile& file, TRecordSource* source, const TRecordBitmap& live)
        : file_(file), source_(source), live_(live) {}

    TIndexFile& File() { return file_; }
    const TRecordBitmap& Live() const { return live_; }
    // Every bit set, then cleared for each live record that fails `test`.
    void EvaluateRecordByRecord(const std::function<bool(std::span<const std::uint8_t>)>& test,
                                TRecordBitmap& bits);
    // Sets the bits of the records whose keys in `index` lie in [low, high];
    // when most entries lie inside, marks the two outside parts and inverts.
    void MarkKeyRange(int index, const std::uint8_t* low, const std::uint8_t* high,
                      TRecordBitmap& bits);

private:
    TIndexFile& file_;
    TRecordSource* source_;
    const TRecordBitmap& live_;
};

// A caller-supplied test function with its context, evaluated record by record.
class TTestFunctionFilter : public TFilterNode {
public:
    using TTest = std::function<bool(std::span<const std::uint8_t> image, void* context)>;
    TTestFunctionFilter(TTest test, void* context) : test_(std::move(test)), context_(context) {}

    TFilterLevel Classify() const override { return kRecordByRecord; }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override { return test_(image, context_); }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;

private:
    TTest test_;
    void* context_;
};

// The records whose key in one index lies in [low, high] (full keys),
// optionally inverted: the index answer of a comparison node.
class TKeyRangeFilter : public TFilterNode {
public:
    TKeyRangeFilter(TIndexFile& file, int index, std::vector<std::uint8_t> low,
                    std::vector<std::uint8_t> high, bool invert = false);

    TFilterLevel Classify() const override { return kAnsweredFromIndexes; }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override;
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;

private:
    TIndexFile& file_;
    int index_;
    std::vector<std::uint8_t> low_, high_;
    bool invert_;
};

// NOT, AND and OR over other nodes.
class TNotFilter : public TFilterNode {
public:
    explicit TNotFilter(std::unique_ptr<TFilterNode> operand) : operand_(std::move(operand)) {}
    TFilterLevel Classify() const override { return operand_->Classify(); }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override { return !operand_->Test(image); }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;

private:
    std::unique_ptr<TFilterNode> operand_;
};

class TAndFilter : public TFilterNode {
public:
    TAndFilter(std::unique_ptr<TFilterNode> a, std::unique_ptr<TFilterNode> b)
        : a_(std::move(a)), b_(std::move(b)) {}
    TFilterLevel Classify() const override;
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override {
        return a_->Test(image) && b_->Test(image);
    }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;

private:
    std::unique_ptr<TFilterNode> a_, b_;
};

class TOrFilter : public TFilterNode {
public:
    TOrFilter(std::unique_ptr<TFilterNode> a, std::unique_ptr<TFilterNode> b)
        : a_(std::move(a)), b_(std::move(b)) {}
    TFilterLevel Classify() const override;
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override;
    bool Test(std::span<const std::uint8_t> image) override {
        return a_->Test(image) || b_->Test(image);
    }
    std::unique_ptr<TFilterNode> CloneFor(TIndexFile& file) const override;

private:
    std::unique_ptr<TFilterNode> a_, b_;
};

} // namespace tabula
