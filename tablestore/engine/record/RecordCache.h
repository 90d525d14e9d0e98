// TRecordCache: the record manager's cache of record images (TRecord
// buffers), kept in most-recently-used order.
//
// A buffer is either free (record number 0, image zeroed) or holds the image
// of one physical record. Invariants:
//   - at most one buffer per record number; the number index lists exactly
//     the buffers whose record number is non-zero;
//   - the cache never holds more buffers than its capacity (new buffers are
//     made only below it; Trim drops free buffers above it after the
//     capacity has been lowered);
//   - a buffer with a pin count above 0 is never evicted or reused; only a
//     reset of the whole cache (emptying the table, another user's change)
//     clears pins; pinning a buffer already pinned 64 times is kErrRecordBuffersCorrupt;
//   - a modified buffer is never evicted before it has been written back;
//   - a "collected" buffer (filled by the read in progress) is not evicted
//     by that same read.
//
// Eviction takes the least recently used buffer that is neither pinned nor
// collected. When that buffer is modified (or there is none), the owner's
// write-back runs once and the search is repeated, now also stepping over
// modified buffers that the write-back could not write; still none is
// kErrRecordBuffersCorrupt. Writing back at the first modified candidate keeps
// each search short: modified buffers never pile up at the old end.
//
// Not thread-safe: the owning TDataFile is used by one thread at a time.
#pragma once

#include "RecordNumberMap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tabula {

class TDataFile;

struct TRecord {
    TDataFile* owner = nullptr;
    bool modified = false;
    std::uint16_t pins = 0;
    bool calculatedReady = false;
    std::int32_t recordNumber = 0; // 0: free buffer
    bool collected = false;
    std::vector<std::uint8_t> image; // record size + calculated area

    // Most-recently-used list links (owned by TRecordCache).
    TRecord* newer = nullptr;
    TRecord* older = nullptr;
};

class TRecordCache {
public:
    static constexpr std::uint16_t kMaxPins = 64;

    // failCode is raised by the cache's own failures (the data file's
    // kErrRecordBuffersCorrupt with its name as context).
    using TFail = std::function<void(int code)>;

    TRecordCache() = default;
    TRecordCache(const TRecordCache&) = delete;
    TRecordCache& operator=(const TRecordCache&) = delete;

    // Sets the owner, the image size of every buffer and the capacity, and
    // drops every buffer.
    void Configure(TDataFile* owner, std::size_t imageSize, std::size_t capacity, TFail fail);
    std::size_t Capacity() const { return capacity_; }
    std::size_t Size() const { return records_.size(); }
    std::size_t ImageSize() const { return imageSize_; }

    // The buffer of record n, or null. Does not pin or reorder.
    TRecord* Find(std::int32_t n) const;
    // Pins the buffer (kErrRecordBuffersCorrupt at the 65th pin) and moves it to the front.
    void Use(TRecord& record);
    void Pin(TRecord& record);
    void Unpin(TRecord& record);
    void ClearPins();

    // A free buffer at the front of the list: a new one while below
    // capacity, otherwise an evicted one. writeBack writes every modified,
    // unpinned, uncollected buffer when no victim is found at first.
    TRecord& TakeFree(const std::function<void()>& writeBack);
    // Gives a free buffer its record number.
    void Assign(TRecord& record, std::int32_t n);
    // TakeFree and Assign(n) for a read that overwrites the whole image:
    // the buffer's old bytes are not zeroed first, and its flags are those
    // of a free buffer.
    TRecord& TakeForFill(std::int32_t n, const std::function<void()>& writeBack);
    // Forgets the buffer's record: number 0, image zeroed, flags cleared,
    // pins kept.
    void Release(TRecord& record);

    // Resets every buffer (pins 0, number 0, image zeroed, flags cleared).
    void ResetAll();
    // Drops free, unpinned buffers from the least recently used end while
    // the cache holds more than its capacity.
    void Trim();
    // Modified, unpinned, uncollected buffers sorted by record number.
    std::vector<TRecord*> CollectWriteBack() const;
    // Marks a buffer as filled by the read in progress; ClearCollected
    // unmarks exactly the buffers marked since the last clear, so a read
    // costs its own size and not the cache's.
    void MarkCollected(TRecord& record);
    void ClearCollected();

    // Calls fn for every buffer holding a record.
    void ForEach(const std::function<void(TRecord&)>& fn);

private:
    void Unlink(TRecord& record);
    void PushFront(TRecord& record);
    // stopAtModified: answer none at the first modified candidate.
    TRecord* FindVictim(bool stopAtModified) const;
    // zero: clear the image too (a buffer about to be filled skips it).
    void ResetBuffer(TRecord& record, bool zero = true);
    // The buffer TakeFree answers, reset with or without its image zeroed.
    TRecord& TakeBuffer(const std::function<void()>& writeBack, bool zero);

    TDataFile* owner_ = nullptr;
    std::size_t imageSize_ = 0;
    std::size_t capacity_ = 0;
    TFail fail_;
    std::vector<std::unique_ptr<TRecord>> records_;
    TRecordNumberMap byNumber_;
    TRecord* newest_ = nullptr;
    TRecord* oldest_ = nullptr;
    // The buffers marked collected since the last ClearCollected.
    std::vector<TRecord*> collected_;
};

} // namespace tabula
