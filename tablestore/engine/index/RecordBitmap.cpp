// Bit operations over physical record numbers.
#include "RecordBitmap.h"

#include <algorithm>
#include <bit>

namespace tabula {

void TRecordBitmap::Resize(std::int32_t physicalCount) {
    count_ = std::max<std::int32_t>(0, physicalCount);
    bytes_.resize(static_cast<std::size_t>(count_) / 8 + 1, 0);
    MaskTail();
}

void TRecordBitmap::MaskTail() {
    // Clear every bit past record count_.
    const std::size_t full = static_cast<std::size_t>(count_) / 8;
    const unsigned rest = static_cast<unsigned>(count_) % 8;
    bytes_[full] = static_cast<std::uint8_t>(bytes_[full] & ((1u << rest) - 1));
    for (std::size_t i = full + 1; i < bytes_.size(); ++i)
        bytes_[i] = 0;
}

void TRecordBitmap::SetAll() {
    std::fill(bytes_.begin(), bytes_.end(), 0xFF);
    MaskTail();
}

void TRecordBitmap::ClearAll() {
    std::fill(bytes_.begin(), bytes_.end(), 0);
}

void TRecordBitmap::Invert() {
    for (auto& b : bytes_)
        b = static_cast<std::uint8_t>(~b);
    MaskTail();
}

void TRecordBitmap::And(const TRecordBitmap& other) {
    for (std::size_t i = 0; i < bytes_.size(); ++i)
        bytes_[i] &= i < other.bytes_.size() ? other.bytes_[i] : 0;
}

void TRecordBitmap::Or(const TRecordBitmap& other) {
    for (std::size_t i = 0; i < bytes_.size() && i < other.bytes_.size(); ++i)
        bytes_[i] |= other.bytes_[i];
    MaskTail();
}

std::int64_t TRecordBitmap::CountSet() const {
    std::int64_t n = 0;
    for (std::uint8_t b : bytes_)
        n += std::popcount(b);
    return n;
}

std::int64_t TRecordBitmap::CountSetUpTo(std::int32_t n) const {
    if (n <= 0)
        return 0;
    n = std::min(n, count_);
    const std::size_t full = static_cast<std::size_t>(n) / 8;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < full; ++i)
        total += std::popcount(bytes_[i]);
    const unsigned rest = static_cast<unsigned>(n) % 8;
    if (rest)
        total += std::popcount(static_cast<std::uint8_t>(bytes_[full] & ((1u << rest) - 1)));
    return total;
}

std::int32_t TRecordBitmap::NextSet(std::int32_t from) const {
    for (std::int32_t n = std::max(from, 1); n <= count_;) {
        const std::uint8_t b = bytes_[Byte(n)];
        if (b == 0 && Bit(n) == 0) {
            n += 8;
            continue;
        }
        if (b >> Bit(n) & 1)
            return n;
        ++n;
    }
    return 0;
}

std::int32_t TRecordBitmap::PrevSet(std::int32_t from) const {
    for (std::int32_t n = std::min(from, count_); n >= 1;) {
        const std::uint8_t b = bytes_[Byte(n)];
        if (b == 0 && Bit(n) == 7) {
            n -= 8;
            continue;
        }
        if (b >> Bit(n) & 1)
            return n;
        --n;
    }
    return 0;
}

} // namespace tabula
