// TSqlValueBytes: the byte string of a TSqlValue, kept inside the value when
// it is short and on the heap only when it is not.
//
// Every number, date, time and boolean (at most 8 bytes) and every string of
// up to kInlineCapacity - 1 characters fits the inline area, so building,
// copying and dropping such values never allocates; a scan that reads a
// column of each row into a value costs no allocation per row.
//
// Invariant: size_ <= kInlineCapacity means the bytes live in inline_ and
// heap_ is null; a larger size_ means heap_ holds exactly size_ bytes. A
// moved-from object is empty. The bytes are owned: a value never points into
// a record buffer, so it stays valid when the cursor moves on.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace tabula {

class TSqlValueBytes {
public:
    // Large enough for the widest fixed-size value (8 bytes) and for the
    // short texts that make up most keys, names and codes.
    static constexpr std::size_t kInlineCapacity = 40;
    static_assert(kInlineCapacity >= 8, "every fixed-size value must fit the inline area");

    TSqlValueBytes() = default;
    TSqlValueBytes(const TSqlValueBytes& other) { CopyFrom(other); }
    TSqlValueBytes(TSqlValueBytes&& other) noexcept { Take(other); }
    TSqlValueBytes& operator=(const TSqlValueBytes& other) {
        if (this != &other)
            CopyFrom(other);
        return *this;
    }
    TSqlValueBytes& operator=(TSqlValueBytes&& other) noexcept {
        if (this != &other)
            Take(other);
        return *this;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t* data() const { return heap_ ? heap_.get() : inline_.data(); }
    std::uint8_t* data() { return heap_ ? heap_.get() : inline_.data(); }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size_; }
    std::span<const std::uint8_t> Span() const { return {data(), size_}; }

    // n zero bytes.
    void AssignZeros(std::size_t n) {
        Resize(n);
        std::fill_n(data(), n, std::uint8_t{0});
    }
    void Assign(const std::uint8_t* bytes, std::size_t n) {
        // bytes must not point into this object's own storage (Resize may
        // free it); copies between values go through the copy operations.
        Resize(n);
        if (n != 0)
            std::memmove(data(), bytes, n);
    }
    // The characters of a text followed by a terminating zero.
    void AssignText(const char* text, std::size_t length) {
        Resize(length + 1);
        if (length != 0)
            std::memcpy(data(), text, length);
        data()[length] = 0;
    }

private:
    // Storage for n bytes, contents unspecified; keeps a heap block of the
    // same size.
    void Resize(std::size_t n) {
        if (n > kInlineCapacity) {
            if (!heap_ || size_ != n)
                heap_ = std::make_unique<std::uint8_t[]>(n);
        } else {
            heap_.reset();
        }
        size_ = n;
    }
    // Inline bytes are copied as the whole fixed-size area: a copy of known
    // size compiles to a few register moves instead of a call.
    void CopyFrom(const TSqlValueBytes& other) {
        if (other.heap_) {
            Assign(other.heap_.get(), other.size_);
            return;
        }
        heap_.reset();
        inline_ = other.inline_;
        size_ = other.size_;
    }
    void Take(TSqlValueBytes& other) noexcept {
        heap_ = std::move(other.heap_);
        size_ = other.size_;
        if (!heap_)
            inline_ = other.inline_;
        other.size_ = 0;
    }

    std::size_t size_ = 0;
    std::unique_ptr<std::uint8_t[]> heap_;
    std::array<std::uint8_t, kInlineCapacity> inline_{};
};

} // namespace tabula
