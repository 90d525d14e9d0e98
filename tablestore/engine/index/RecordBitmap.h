// TRecordBitmap: one bit per physical record number n, bit (n - 1) mod 8 of
// byte (n - 1) div 8, least significant bit first; (physical count div 8) + 1
// bytes. Bits beyond the physical record count are always zero, so counts
// and inversions only ever concern real record slots.
#pragma once

#include <cstdint>
#include <vector>

namespace tabula {

class TRecordBitmap {
public:
    // Re-sizes to `physicalCount` records; new bits are clear.
    void Resize(std::int32_t physicalCount);
    std::int32_t PhysicalCount() const { return count_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    bool Test(std::int32_t n) const {
        return n >= 1 && n <= count_ && (bytes_[Byte(n)] >> Bit(n) & 1) != 0;
    }
    void Set(std::int32_t n) {
        if (n >= 1 && n <= count_)
            bytes_[Byte(n)] = static_cast<std::uint8_t>(bytes_[Byte(n)] | (1u << Bit(n)));
    }
    void Clear(std::int32_t n) {
        if (n >= 1 && n <= count_)
            bytes_[Byte(n)] = static_cast<std::uint8_t>(bytes_[Byte(n)] & ~(1u << Bit(n)));
    }
    void SetAll();
    void ClearAll();
    void Invert();
    void And(const TRecordBitmap& other);
    void Or(const TRecordBitmap& other);
    std::int64_t CountSet() const;
    // Set bits among records 1..n.
    std::int64_t CountSetUpTo(std::int32_t n) const;
    // Lowest set record number ≥ from, 0 when none.
    std::int32_t NextSet(std::int32_t from) const;
    // Highest set record number ≤ from, 0 when none.
    std::int32_t PrevSet(std::int32_t from) const;

private:
    static std::size_t Byte(std::int32_t n) { return static_cast<std::size_t>(n - 1) / 8; }
    static unsigned Bit(std::int32_t n) { return static_cast<unsigned>(n - 1) % 8; }
    void MaskTail();

    std::int32_t count_ = 0;
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(1, 0);
};

} // namespace tabula
