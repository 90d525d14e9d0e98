// TJoinRangeMemo: a join link's key ranges with their inner records.
#include "JoinRangeMemo.h"

namespace tabula {

void TJoinRangeMemo::Validate(std::uint64_t generation) {
    if (generation == generation_)
        return;
    generation_ = generation;
    runs_.clear();
    images_.clear();
    recording_ = false;
}

const TJoinRangeMemo::TRun* TJoinRangeMemo::Find(std::span<const std::uint8_t> key) {
    scratch_.assign(reinterpret_cast<const char*>(key.data()), key.size());
    const auto it = runs_.find(scratch_);
    return it == runs_.end() ? nullptr : &it->second;
}

void TJoinRangeMemo::BeginRun(std::span<const std::uint8_t> key) {
    runKey_.assign(reinterpret_cast<const char*>(key.data()), key.size());
    runFirst_ = images_.size() / imageSize_;
    recording_ = imageSize_ > 0;
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
        runs_[runKey_] = TRun{runFirst_, images_.size() / imageSize_ - runFirst_};
        return;
    }
    // A run not kept leaves no images behind.
    if (generation == generation_)
        images_.resize(runFirst_ * imageSize_);
}

} // namespace tabula
