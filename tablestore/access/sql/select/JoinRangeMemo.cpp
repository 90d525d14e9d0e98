// TJoinRangeMemo: a join link's key ranges with their inner records.
#include "JoinRangeMemo.h"

#include <algorithm>
#include <cstring>

namespace tabula {

namespace {

// Slots a table starts with; it doubles when a run would fill more than
// half of them.
constexpr std::size_t kInitialSlots = 64;

// A hash of a key's bytes, eight at a time (a short last word padded with
// zeros), mixed so that keys differing in any byte spread over the table.
std::uint64_t HashKey(std::span<const std::uint8_t> key) {
    constexpr std::uint64_t kSeed = 0x9e3779b97f4a7c15ULL;
    constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdULL;
    constexpr int kFold = 32;
    constexpr int kByteBits = 8;
    std::uint64_t h = kSeed ^ key.size();
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= key.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, key.data() + i, sizeof word);
        h = (h ^ word) * kMultiplier;
        h ^= h >> kFold;
    }
    if (i < key.size()) {
        std::uint64_t word = 0;
        for (int shift = 0; i < key.size(); ++i, shift += kByteBits)
            word |= std::uint64_t{key[i]} << shift;
        h = (h ^ word) * kMultiplier;
        h ^= h >> kFold;
    }
    return h;
}

// Byte-wise equality of two keys of one width; keys are a few bytes long,
// where a loop is cheaper than a call of memcmp.
bool SameKey(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

void TJoinRangeMemo::Validate(std::uint64_t generation) {
    if (generation == generation_)
        return;
    generation_ = generation;
    runs_.clear();
    keys_.clear();
    std::fill(slots_.begin(), slots_.end(), 0U);
    images_.clear();
    recording_ = false;
}

std::size_t TJoinRangeMemo::Probe(std::span<const std::uint8_t> key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = HashKey(key) & mask;
    while (slots_[slot] != 0) {
        const std::size_t run = slots_[slot] - 1;
        if (SameKey(keys_.data() + run * keySize_, key.data(), keySize_))
            return slot;
        slot = (slot + 1) & mask;
    }
    return slot;
}

const TJoinRangeMemo::TRun* TJoinRangeMemo::Find(std::span<const std::uint8_t> key) {
    if (key.size() != keySize_ || runs_.empty())
        return nullptr;
    const std::uint32_t entry = slots_[Probe(key)];
    return entry == 0 ? nullptr : &runs_[entry - 1];
}

void TJoinRangeMemo::Grow() {
    std::vector<std::uint32_t>(std::max(kInitialSlots, slots_.size() * 2), 0U).swap(slots_);
    for (std::size_t run = 0; run < runs_.size(); ++run) {
        const std::span<const std::uint8_t> key(keys_.data() + run * keySize_, keySize_);
        slots_[Probe(key)] = static_cast<std::uint32_t>(run + 1);
    }
}

void TJoinRangeMemo::Keep(std::span<const std::uint8_t> key, const TRun& run) {
    if ((runs_.size() + 1) * 2 > slots_.size())
        Grow();
    const std::size_t slot = Probe(key);
    if (slots_[slot] != 0) {
        runs_[slots_[slot] - 1] = run;
        return;
    }
    runs_.push_back(run);
    keys_.insert(keys_.end(), key.begin(), key.end());
    slots_[slot] = static_cast<std::uint32_t>(runs_.size());
}

void TJoinRangeMemo::BeginRun(std::span<const std::uint8_t> key) {
    runKey_.assign(key.begin(), key.end());
    recording_ = imageSize_ > 0 && key.size() == keySize_ && keySize_ > 0;
    runFirst_ = recording_ ? images_.size() / imageSize_ : 0;
    overflow_ = false;
}

void TJoinRangeMemo::Add(std::span<const std::uint8_t> image) {
    if (!recording_ || overflow_)
        return;
    if (image.size() != imageSize_ || images_.size() + imageSize_ > kJoinMemoBytes) {
        overflow_ = true;
        return;
    }
    images_.insert(images_.end(), image.begin(), image.end());
}

void TJoinRangeMemo::EndRun(bool complete, std::uint64_t generation) {
    if (!recording_)
        return;
    recording_ = false;
    if (complete && !overflow_ && generation == generation_) {
        Keep(runKey_, TRun{runFirst_, images_.size() / imageSize_ - runFirst_});
        return;
    }
    // A run not kept leaves no images behind.
    if (generation == generation_)
        images_.resize(runFirst_ * imageSize_);
}

} // namespace tabula
