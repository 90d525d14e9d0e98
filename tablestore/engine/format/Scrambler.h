// The byte-scrambling routine of password-protected tables.
//
// Each byte of a run is XORed with both bytes of a key pair; after every byte
// the first key byte counts up and the second counts down (mod 256). Every
// run starts again from the fresh key pair, so each run (the descriptor
// block, one record, one index page, one BLOB block) can be scrambled and
// read back on its own. Applying the routine twice restores the input.
//
// The engine has exactly two key pairs: the table-data pair for descriptors,
// records, index pages and BLOB blocks, and the password pair for the
// characters of the header's password and description. Their values are part
// of the file format: every program sharing protected tables must use these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tabula {

struct TScrambleKey {
    std::uint8_t k1;
    std::uint8_t k2;
};

class TScrambler {
public:
    static constexpr TScrambleKey kTableDataKey{0x6B, 0xD2};
    static constexpr TScrambleKey kPasswordKey{0x35, 0xA9};

    // Scrambles (or unscrambles) the bytes in place as one run.
    static void Apply(std::span<std::uint8_t> run, TScrambleKey key);
    static void Apply(std::uint8_t* data, std::size_t length, TScrambleKey key) {
        Apply(std::span<std::uint8_t>(data, length), key);
    }
};

} // namespace tabula
