// The byte-scrambling routine of password-protected tables.
#include "Scrambler.h"

namespace tabula {

void TScrambler::Apply(std::span<std::uint8_t> run, TScrambleKey key) {
    std::uint8_t k1 = key.k1;
    std::uint8_t k2 = key.k2;
    for (std::uint8_t& b : run) {
        b = static_cast<std::uint8_t>(b ^ k1 ^ k2);
        ++k1; // unsigned 8-bit arithmetic wraps mod 256
        --k2;
    }
}

} // namespace tabula
