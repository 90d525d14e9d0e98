// TExactKeyTable: hashing, probing and growth.
#include "ExactKeyTable.h"

#include <cstring>

namespace tabula {

namespace {

constexpr std::uint64_t kHashSeed = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kHashMultiplier = 0xff51afd7ed558ccdULL;
constexpr int kHashShift = 33;

std::uint64_t Mix(std::uint64_t h, std::uint64_t chunk) {
    h ^= chunk;
    h *= kHashMultiplier;
    return h ^ (h >> kHashShift);
}

} // namespace

// Eight bytes at a time, the tail zero-padded and the length mixed in last
// (so keys that differ only by trailing zero bytes hash apart).
std::uint64_t TExactKeyTable::Hash(std::string_view key) {
    std::uint64_t h = kHashSeed;
    const char* p = key.data();
    std::size_t left = key.size();
    while (left >= sizeof(std::uint64_t)) {
        std::uint64_t chunk;
        std::memcpy(&chunk, p, sizeof chunk);
        h = Mix(h, chunk);
        p += sizeof chunk;
        left -= sizeof chunk;
    }
    if (left != 0) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, p, left);
        h = Mix(h, chunk);
    }
    return Mix(h, key.size());
}

void TExactKeyTable::Grow() {
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(old.empty() ? kInitialSlots : old.size() * 2, TSlot{});
    const std::size_t mask = slots_.size() - 1;
    for (const TSlot& s : old) {
        if (!s.used)
            continue;
        std::size_t i = static_cast<std::size_t>(s.hash) & mask;
        while (slots_[i].used)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

std::size_t TExactKeyTable::FindOrInsert(std::string_view key, std::size_t number, bool& inserted) {
    if ((size_ + 1) * 100 > slots_.size() * kMaxLoadPercent)
        Grow();
    const std::uint64_t hash = Hash(key);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    for (;; i = (i + 1) & mask) {
        TSlot& s = slots_[i];
        if (!s.used)
            break;
        if (s.hash == hash && s.length == key.size() &&
            std::memcmp(arena_.data() + s.offset, key.data(), key.size()) == 0) {
            inserted = false;
            return s.number;
        }
    }
    TSlot& s = slots_[i];
    s.used = true;
    s.hash = hash;
    s.offset = arena_.size();
    s.length = key.size();
    s.number = number;
    arena_.append(key);
    ++size_;
    inserted = true;
    return number;
}

} // namespace tabula
