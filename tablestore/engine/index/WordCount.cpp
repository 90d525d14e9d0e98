// Run-time choice between the population-count instruction and a portable
// count of the set bits of 64-bit words.
#include "WordCount.h"

#if defined(__x86_64__) || defined(__i386__)
#define TABULA_POPCNT_X86 1
#endif

namespace tabula {
namespace word_count_detail {

std::int64_t PortableCount(const std::uint64_t* words, std::size_t count) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t w = words[i];
        w = w - ((w >> 1) & 0x5555555555555555ULL);
        w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
        w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
        total += static_cast<std::int64_t>((w * 0x0101010101010101ULL) >> 56);
    }
    return total;
}

#ifdef TABULA_POPCNT_X86
bool HardwareAvailable() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
}

__attribute__((target("popcnt"))) std::int64_t HardwareCount(const std::uint64_t* words,
                                                             std::size_t count) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += __builtin_popcountll(words[i]);
    return total;
}
#else
bool HardwareAvailable() {
    return false;
}
std::int64_t HardwareCount(const std::uint64_t* words, std::size_t count) {
    return PortableCount(words, count);
}
#endif

} // namespace word_count_detail

std::int64_t CountWordBits(const std::uint64_t* words, std::size_t count) {
    using Counter = std::int64_t (*)(const std::uint64_t*, std::size_t);
    static const Counter counter = word_count_detail::HardwareAvailable()
                                       ? &word_count_detail::HardwareCount
                                       : &word_count_detail::PortableCount;
    return counter(words, count);
}

} // namespace tabula
