// TRecordNumberMap: insertion, backward-shift erasure and growth.
#include "RecordNumberMap.h"

#include <bit>

namespace tabula {

namespace {
constexpr int kHashBits = 64;
} // namespace

void TRecordNumberMap::Grow() {
    std::vector<TSlot> old = std::move(slots_);
    const std::size_t count = old.empty() ? kInitialSlots : old.size() * 2;
    slots_.assign(count, TSlot{});
    mask_ = count - 1;
    shift_ = kHashBits - std::countr_zero(count);
    for (const TSlot& s : old) {
        if (s.number == 0)
            continue;
        std::size_t i = Home(s.number);
        while (slots_[i].number != 0)
            i = (i + 1) & mask_;
        slots_[i] = s;
    }
}

void TRecordNumberMap::Set(std::int32_t n, TRecord* record) {
    if (n == 0)
        return;
    if ((size_ + 1) * 2 > slots_.size())
        Grow();
    std::size_t i = Home(n);
    while (slots_[i].number != 0 && slots_[i].number != n)
        i = (i + 1) & mask_;
    if (slots_[i].number == 0) {
        slots_[i].number = n;
        ++size_;
    }
    slots_[i].record = record;
}

void TRecordNumberMap::Erase(std::int32_t n) {
    if (slots_.empty() || n == 0)
        return;
    std::size_t i = Home(n);
    while (slots_[i].number != n) {
        if (slots_[i].number == 0)
            return;
        i = (i + 1) & mask_;
    }
    // Moves back every later entry of the run whose home does not lie
    // cyclically within (hole, entry], so that each stays reachable.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask_; slots_[j].number != 0; j = (j + 1) & mask_) {
        const std::size_t home = Home(slots_[j].number);
        const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (reachable)
            continue;
        slots_[hole] = slots_[j];
        hole = j;
    }
    slots_[hole] = TSlot{};
    --size_;
}

void TRecordNumberMap::Clear() {
    for (TSlot& s : slots_)
        s = TSlot{};
    size_ = 0;
}

} // namespace tabula
