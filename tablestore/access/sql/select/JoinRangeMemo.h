// TJoinRangeMemo: the inner records of a join link's key ranges, kept by key,
// so that an outer row whose key was met before replays the records instead
// of setting the inner table's range and reading them again.
//
// Entries: key (the inner column's slot of the link's key image - its null
// indicator and stored value, which alone decide the range and whether the
// comparison is known to hold) -> a run of record images in images_, in the
// order the walk read them: the records of the range that the inner table's
// filters admitted. A run is recorded while a walk of its range reads it and
// kept only when that walk reached the range's end (an aborted or failed
// walk leaves nothing behind).
//
// Validity: every run was read under one state of the inner table's cursor,
// named by the cursor's change generation (it moves on every change of a
// record, of the index, of the filters and on every refresh after another
// user's change). Validate with another generation drops every run. The
// owner uses the memo only while the walk holds the tables' read slices, so
// another user's change comes in only when a slice is renewed, whose change
// detection refreshes the cursor.
//
// Bounds: at most kJoinMemoBytes of images in all; a run that would pass it
// is not kept, and its key goes to the table as before.
//
// Lookup: every key of a memo has the same width (the slot of one column);
// the keys of the kept runs lie one after the other in keys_, run i's at
// i * keySize_, and slots_ is an open-addressed table (linear probing, a
// power of two long, at most half full) of run numbers + 1, 0 marking a free
// slot. A lookup hashes the key's bytes and compares whole keys, so two keys
// are one entry exactly when their bytes are equal; a key of another width
// is never found nor kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tabula {

inline constexpr std::size_t kJoinMemoBytes = std::size_t{8} << 20;

class TJoinRangeMemo {
public:
    struct TRun {
        std::size_t first = 0; // index of its first image
        std::size_t count = 0;
    };

    TJoinRangeMemo(std::size_t imageSize, std::size_t keySize)
        : imageSize_(imageSize), keySize_(keySize) {}

    // Drops every run when the cursor's generation is not the one they were
    // read under.
    void Validate(std::uint64_t generation);
    // The run kept for key, or null.
    const TRun* Find(std::span<const std::uint8_t> key);
    std::span<const std::uint8_t> Image(const TRun& run, std::size_t i) const {
        return {images_.data() + (run.first + i) * imageSize_, imageSize_};
    }

    // Recording the run of a key while the walk reads its range.
    void BeginRun(std::span<const std::uint8_t> key);
    void Add(std::span<const std::uint8_t> image);
    // complete: the walk read the whole range under the generation the
    // memo holds; otherwise the run is dropped.
    void EndRun(bool complete, std::uint64_t generation);
    bool Recording() const { return recording_; }

private:
    // The slot where key is kept, or the free slot where it would go.
    std::size_t Probe(std::span<const std::uint8_t> key) const;
    void Keep(std::span<const std::uint8_t> key, const TRun& run);
    void Grow();

    std::size_t imageSize_;
    std::size_t keySize_;
    std::uint64_t generation_ = 0;
    std::vector<TRun> runs_;
    std::vector<std::uint8_t> keys_;
    std::vector<std::uint32_t> slots_;
    std::vector<std::uint8_t> images_;
    std::vector<std::uint8_t> runKey_;
    std::size_t runFirst_ = 0;
    bool recording_ = false;
    bool overflow_ = false;
};

} // namespace tabula
