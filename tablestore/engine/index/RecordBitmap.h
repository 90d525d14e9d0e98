// TRecordBitmap: one bit per physical record number n, bit (n - 1) mod 64 of
// 64-bit word (n - 1) div 64, least significant bit first;
// (physical count div 64) + 1 words. Bits beyond the physical record count
// are always zero, so counts and inversions only ever concern real record
// slots.
//
// Rank directory: the words are grouped in blocks of kWordsPerBlock, and a
// Fenwick tree over the blocks' set-bit counts answers "set bits before
// block b" in O(log blocks). Invariant: the tree and the total always agree
// with the words. A single Set/Clear updates them in O(log blocks); growth
// adds tree nodes in O(log blocks) each; whole-bitmap operations (SetAll,
// And, Invert, shrinking, ...) rebuild the directory in one linear pass.
// CountSetUpTo, the k-th set bit, NextSet and PrevSet never scan from the
// start.
#pragma once

#include <cstdint>
#include <vector>

namespace tabula {

class TRecordBitmap {
public:
    static constexpr std::size_t kWordBits = 64;
    static constexpr std::size_t kWordsPerBlock = 8;
    static_assert((kWordsPerBlock & (kWordsPerBlock - 1)) == 0);

    // Re-sizes to `physicalCount` records; new bits are clear.
    void Resize(std::int32_t physicalCount);
    std::int32_t PhysicalCount() const { return count_; }

    bool Test(std::int32_t n) const {
        return n >= 1 && n <= count_ && (words_[Word(n)] >> Bit(n) & 1) != 0;
    }
    void Set(std::int32_t n);
    void Clear(std::int32_t n);
    // Sets the bits of records first..last (within the physical count).
    void SetRange(std::int32_t first, std::int32_t last);
    void SetAll();
    void ClearAll();
    void Invert();
    void And(const TRecordBitmap& other);
    void Or(const TRecordBitmap& other);
    std::int64_t CountSet() const { return total_; }
    // Set bits among records 1..n.
    std::int64_t CountSetUpTo(std::int32_t n) const;
    // The record number of the k-th set bit (k from 1), 0 when there are
    // fewer than k.
    std::int32_t SelectSet(std::int64_t k) const;
    // Lowest set record number ≥ from, 0 when none.
    std::int32_t NextSet(std::int32_t from) const;
    // Highest set record number ≤ from, 0 when none.
    std::int32_t PrevSet(std::int32_t from) const;

private:
    static std::size_t Word(std::int32_t n) { return static_cast<std::size_t>(n - 1) / kWordBits; }
    static unsigned Bit(std::int32_t n) { return static_cast<unsigned>(n - 1) % kWordBits; }
    static std::size_t BlockOf(std::size_t word) { return word / kWordsPerBlock; }
    std::size_t BlockCount() const { return tree_.size() - 1; }
    void MaskTail();
    void RebuildDirectory();
    void AddToBlock(std::size_t block, int delta);
    // Set bits in blocks 0..blocks-1.
    std::int64_t BlocksPrefix(std::size_t blocks) const;
    std::int64_t WordsCount(std::size_t from, std::size_t to) const;

    std::int32_t count_ = 0;
    std::vector<std::uint64_t> words_ = std::vector<std::uint64_t>(1, 0);
    // Fenwick tree, 1-based: tree_[i] holds the sum of blocks (i - lowbit(i), i].
    std::vector<std::int64_t> tree_ = std::vector<std::int64_t>(2, 0);
    std::int64_t total_ = 0;
};

} // namespace tabula
