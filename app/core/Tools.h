// Small bit helpers shared by the digest code.
#pragma once

#include <bit>
#include <cstdint>

namespace morvane {

// Rotates a 32-bit word left by `count` bits (count taken modulo 32).
constexpr std::uint32_t RotateLeft32(std::uint32_t value, int count) {
    return std::rotl(value, count);
}

} // namespace morvane
