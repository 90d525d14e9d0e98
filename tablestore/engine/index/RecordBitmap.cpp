// Bit operations over physical record numbers, and the rank directory that
// keeps counting and selection logarithmic.
#include "RecordBitmap.h"

#include "WordCount.h"

#include <algorithm>
#include <bit>

namespace tabula {

namespace {
std::size_t LowBit(std::size_t i) {
    return i & (~i + 1);
}

// Position (0..63) of the r-th set bit (r from 1) of `word`, which has at
// least r set bits.
unsigned SelectInWord(std::uint64_t word, std::int64_t r) {
    for (; r > 1; --r)
        word &= word - 1;
    return static_cast<unsigned>(std::countr_zero(word));
}
} // namespace

void TRecordBitmap::Resize(std::int32_t physicalCount) {
    const std::int32_t old = count_;
    count_ = std::max<std::int32_t>(0, physicalCount);
    words_.resize(static_cast<std::size_t>(count_) / kWordBits + 1, 0);
    const std::size_t blocks = (words_.size() + kWordsPerBlock - 1) / kWordsPerBlock;
    if (count_ < old || blocks < BlockCount()) {
        MaskTail();
        RebuildDirectory();
        return;
    }
    // Growth: the new bits are clear (the tail was), so each new block
    // enters the tree with a count of zero; its node covers earlier blocks.
    while (BlockCount() < blocks) {
        const std::size_t i = tree_.size();
        tree_.push_back(BlocksPrefix(i - 1) - BlocksPrefix(i - LowBit(i)));
    }
}

void TRecordBitmap::MaskTail() {
    const std::size_t full = static_cast<std::size_t>(count_) / kWordBits;
    const unsigned rest = static_cast<unsigned>(count_) % kWordBits;
    words_[full] &= (std::uint64_t{1} << rest) - 1;
    for (std::size_t i = full + 1; i < words_.size(); ++i)
        words_[i] = 0;
}

void TRecordBitmap::RebuildDirectory() {
    const std::size_t blocks = (words_.size() + kWordsPerBlock - 1) / kWordsPerBlock;
    tree_.assign(blocks + 1, 0);
    total_ = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t from = b * kWordsPerBlock;
        const std::int64_t n = WordsCount(from, std::min(words_.size(), from + kWordsPerBlock));
        tree_[b + 1] += n;
        total_ += n;
        // Linear construction: hand the node's sum on to its parent.
        if (const std::size_t parent = b + 1 + LowBit(b + 1); parent <= blocks)
            tree_[parent] += tree_[b + 1];
    }
}

void TRecordBitmap::AddToBlock(std::size_t block, int delta) {
    for (std::size_t i = block + 1; i < tree_.size(); i += LowBit(i))
        tree_[i] += delta;
    total_ += delta;
}

std::int64_t TRecordBitmap::BlocksPrefix(std::size_t blocks) const {
    std::int64_t sum = 0;
    for (std::size_t i = blocks; i > 0; i -= LowBit(i))
        sum += tree_[i];
    return sum;
}

std::int64_t TRecordBitmap::WordsCount(std::size_t from, std::size_t to) const {
    return from < to ? CountWordBits(words_.data() + from, to - from) : 0;
}

void TRecordBitmap::Set(std::int32_t n) {
    if (n < 1 || n > count_)
        return;
    std::uint64_t& w = words_[Word(n)];
    const std::uint64_t bit = std::uint64_t{1} << Bit(n);
    if ((w & bit) == 0) {
        w |= bit;
        AddToBlock(BlockOf(Word(n)), 1);
    }
}

void TRecordBitmap::Clear(std::int32_t n) {
    if (n < 1 || n > count_)
        return;
    std::uint64_t& w = words_[Word(n)];
    const std::uint64_t bit = std::uint64_t{1} << Bit(n);
    if ((w & bit) != 0) {
        w &= ~bit;
        AddToBlock(BlockOf(Word(n)), -1);
    }
}

void TRecordBitmap::SetRange(std::int32_t first, std::int32_t last) {
    first = std::max(first, 1);
    last = std::min(last, count_);
    if (last < first)
        return;
    // A few bits go one by one; a range of a good part of the bitmap is set
    // word by word, and the directory rebuilt in one pass.
    const auto bits = static_cast<std::size_t>(last - first) + 1;
    if (bits < words_.size() * kWordBits / kWordsPerBlock) {
        for (std::int32_t n = first; n <= last; ++n)
            Set(n);
        return;
    }
    for (std::int32_t n = first; n <= last && Bit(n) != 0; ++n)
        words_[Word(n)] |= std::uint64_t{1} << Bit(n);
    std::int32_t n = first + static_cast<std::int32_t>((kWordBits - Bit(first)) % kWordBits);
    for (; n + static_cast<std::int32_t>(kWordBits) - 1 <= last; n += kWordBits)
        words_[Word(n)] = ~std::uint64_t{0};
    for (; n <= last; ++n)
        words_[Word(n)] |= std::uint64_t{1} << Bit(n);
    RebuildDirectory();
}

void TRecordBitmap::SetAll() {
    std::fill(words_.begin(), words_.end(), ~std::uint64_t{0});
    MaskTail();
    RebuildDirectory();
}

void TRecordBitmap::ClearAll() {
    std::fill(words_.begin(), words_.end(), 0);
    std::fill(tree_.begin(), tree_.end(), 0);
    total_ = 0;
}

void TRecordBitmap::Invert() {
    for (auto& w : words_)
        w = ~w;
    MaskTail();
    RebuildDirectory();
}

void TRecordBitmap::And(const TRecordBitmap& other) {
    for (std::size_t i = 0; i < words_.size(); ++i)
        words_[i] &= i < other.words_.size() ? other.words_[i] : 0;
    RebuildDirectory();
}

void TRecordBitmap::Or(const TRecordBitmap& other) {
    for (std::size_t i = 0; i < words_.size() && i < other.words_.size(); ++i)
        words_[i] |= other.words_[i];
    MaskTail();
    RebuildDirectory();
}

std::int64_t TRecordBitmap::CountSetUpTo(std::int32_t n) const {
    if (n <= 0)
        return 0;
    n = std::min(n, count_);
    const std::size_t word = static_cast<std::size_t>(n) / kWordBits;
    const std::size_t blockStart = BlockOf(word) * kWordsPerBlock;
    std::int64_t total = BlocksPrefix(BlockOf(word)) + WordsCount(blockStart, word);
    if (const unsigned rest = static_cast<unsigned>(n) % kWordBits; rest != 0)
        total += CountWordBits(words_[word] & ((std::uint64_t{1} << rest) - 1));
    return total;
}

std::int32_t TRecordBitmap::SelectSet(std::int64_t k) const {
    if (k < 1 || k > total_)
        return 0;
    // Descend the tree to the block holding the k-th bit.
    std::size_t block = 0;
    std::size_t step = std::bit_floor(BlockCount());
    for (; step > 0; step >>= 1) {
        if (block + step < tree_.size() && tree_[block + step] < k) {
            block += step;
            k -= tree_[block];
        }
    }
    for (std::size_t w = block * kWordsPerBlock; w < words_.size(); ++w) {
        const int here = CountWordBits(words_[w]);
        if (k <= here)
            return static_cast<std::int32_t>(w * kWordBits + SelectInWord(words_[w], k) + 1);
        k -= here;
    }
    return 0; // unreachable while the directory agrees with the words
}

std::int32_t TRecordBitmap::NextSet(std::int32_t from) const {
    from = std::max(from, 1);
    if (from > count_)
        return 0;
    const std::size_t word = Word(from);
    const std::uint64_t here = words_[word] & (~std::uint64_t{0} << Bit(from));
    if (here != 0)
        return static_cast<std::int32_t>(word * kWordBits + std::countr_zero(here) + 1);
    const std::size_t blockEnd = std::min(words_.size(), (BlockOf(word) + 1) * kWordsPerBlock);
    for (std::size_t w = word + 1; w < blockEnd; ++w)
        if (words_[w] != 0)
            return static_cast<std::int32_t>(w * kWordBits + std::countr_zero(words_[w]) + 1);
    return SelectSet(BlocksPrefix(BlockOf(word) + 1) + 1);
}

std::int32_t TRecordBitmap::PrevSet(std::int32_t from) const {
    from = std::min(from, count_);
    if (from < 1)
        return 0;
    const std::size_t word = Word(from);
    const unsigned bit = Bit(from);
    const std::uint64_t mask =
        bit == kWordBits - 1 ? ~std::uint64_t{0} : (std::uint64_t{1} << (bit + 1)) - 1;
    if (const std::uint64_t here = words_[word] & mask; here != 0)
        return static_cast<std::int32_t>(word * kWordBits + (kWordBits - 1) -
                                         std::countl_zero(here) + 1);
    for (std::size_t w = word; w-- > BlockOf(word) * kWordsPerBlock;)
        if (words_[w] != 0)
            return static_cast<std::int32_t>(w * kWordBits + (kWordBits - 1) -
                                             std::countl_zero(words_[w]) + 1);
    return SelectSet(BlocksPrefix(BlockOf(word)));
}

} // namespace tabula
