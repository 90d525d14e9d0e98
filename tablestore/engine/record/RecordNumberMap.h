// TRecordNumberMap: the record cache's index from a record number to the
// buffer holding it.
//
// Open addressing with linear probing over a power-of-two slot array; a
// slot whose number is 0 is empty (record numbers start at 1, and a free
// buffer's number 0 is never entered). At most half the slots are used, so
// every probe ends at an empty slot. Erase shifts the later entries of the
// probe run back instead of leaving markers, so a run never holds a hole
// and lookups stay short however many records a scan cycles through.
//
// A scan that recycles the cache's buffers replaces one entry by another
// per record: neither allocates once the array has its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tabula {

struct TRecord;

class TRecordNumberMap {
public:
    // The buffer of record n, or null (always null for n == 0).
    TRecord* Find(std::int32_t n) const {
        if (slots_.empty() || n == 0)
            return nullptr;
        for (std::size_t i = Home(n);; i = (i + 1) & mask_) {
            const TSlot& s = slots_[i];
            if (s.number == n)
                return s.record;
            if (s.number == 0)
                return nullptr;
        }
    }
    // Enters or replaces record n's buffer; n == 0 enters nothing.
    void Set(std::int32_t n, TRecord* record);
    // Removes record n's entry, if any.
    void Erase(std::int32_t n);
    void Clear();
    std::size_t Size() const { return size_; }

private:
    static constexpr std::size_t kInitialSlots = 64;
    // Fibonacci hashing: consecutive record numbers spread over the array.
    static constexpr std::uint64_t kSpread = 0x9e3779b97f4a7c15ULL;

    struct TSlot {
        std::int32_t number = 0;
        TRecord* record = nullptr;
    };

    std::size_t Home(std::int32_t n) const {
        return static_cast<std::size_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(n)) * kSpread) >> shift_);
    }
    void Grow();

    std::vector<TSlot> slots_;
    std::size_t mask_ = 0;
    int shift_ = 0;
    std::size_t size_ = 0;
};

} // namespace tabula
