// Counting the set bits of 64-bit words. The CPU's population-count
// instruction is used where the processor has it (checked once, at the first
// call), otherwise a portable shift-and-add count; both give identical
// results for every word.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tabula {

// Set bits in words[0..count).
std::int64_t CountWordBits(const std::uint64_t* words, std::size_t count);
// Set bits in one word.
inline int CountWordBits(std::uint64_t word) {
    return static_cast<int>(CountWordBits(&word, 1));
}

namespace word_count_detail {
std::int64_t PortableCount(const std::uint64_t* words, std::size_t count);
// The instruction-based count, and whether this CPU can run it.
bool HardwareAvailable();
std::int64_t HardwareCount(const std::uint64_t* words, std::size_t count);
} // namespace word_count_detail

} // namespace tabula
