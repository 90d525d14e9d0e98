// TRecordCache: most-recently-used buffers of record images (see the header
// for the invariants).
#include "RecordCache.h"

#include "EngineCodes.h"

#include <algorithm>

namespace tabula {

void TRecordCache::Configure(TDataFile* owner, std::size_t imageSize, std::size_t capacity,
                             TFail fail) {
    owner_ = owner;
    imageSize_ = imageSize;
    capacity_ = std::max<std::size_t>(capacity, 1);
    fail_ = std::move(fail);
    records_.clear();
    byNumber_.Clear();
    collected_.clear();
    newest_ = oldest_ = nullptr;
}

TRecord* TRecordCache::Find(std::int32_t n) const {
    return byNumber_.Find(n);
}

void TRecordCache::Unlink(TRecord& record) {
    (record.newer ? record.newer->older : newest_) = record.older;
    (record.older ? record.older->newer : oldest_) = record.newer;
    record.newer = record.older = nullptr;
}

void TRecordCache::PushFront(TRecord& record) {
    record.newer = nullptr;
    record.older = newest_;
    if (newest_)
        newest_->newer = &record;
    newest_ = &record;
    if (!oldest_)
        oldest_ = &record;
}

void TRecordCache::Pin(TRecord& record) {
    if (record.pins >= kMaxPins)
        fail_(kErrRecordBuffersCorrupt);
    ++record.pins;
}

void TRecordCache::Unpin(TRecord& record) {
    if (record.pins > 0)
        --record.pins;
}

void TRecordCache::Use(TRecord& record) {
    Pin(record);
    if (newest_ != &record) {
        Unlink(record);
        PushFront(record);
    }
}

void TRecordCache::ClearPins() {
    for (const auto& r : records_)
        r->pins = 0;
}

TRecord* TRecordCache::FindVictim(bool stopAtModified) const {
    for (TRecord* r = oldest_; r; r = r->newer) {
        if (r->pins > 0 || r->collected)
            continue;
        if (r->modified && !stopAtModified)
            continue;
        // A modified buffer at the least recently used end asks for the
        // write-back rather than being stepped over: otherwise every later
        // search would step over it again, and a cache whose oldest
        // buffers hold unwritten appends costs a scan of them per record.
        if (r->modified)
            return nullptr;
        return r;
    }
    return nullptr;
}

void TRecordCache::ResetBuffer(TRecord& record, bool zero) {
    byNumber_.Erase(record.recordNumber);
    record.recordNumber = 0;
    record.modified = false;
    record.calculatedReady = false;
    record.collected = false;
    if (zero)
        std::fill(record.image.begin(), record.image.end(), std::uint8_t{0});
}

TRecord& TRecordCache::TakeFree(const std::function<void()>& writeBack) {
    return TakeBuffer(writeBack, true);
}

TRecord& TRecordCache::TakeForFill(std::int32_t n, const std::function<void()>& writeBack) {
    TRecord& r = TakeBuffer(writeBack, false);
    Assign(r, n);
    return r;
}

TRecord& TRecordCache::TakeBuffer(const std::function<void()>& writeBack, bool zero) {
    if (records_.size() < capacity_) {
        auto fresh = std::make_unique<TRecord>();
        fresh->owner = owner_;
        fresh->image.assign(imageSize_, 0);
        TRecord& r = *fresh;
        records_.push_back(std::move(fresh));
        PushFront(r);
        return r;
    }
    TRecord* victim = FindVictim(static_cast<bool>(writeBack));
    if (!victim && writeBack) {
        writeBack();
        victim = FindVictim(false);
    }
    if (!victim)
        fail_(kErrRecordBuffersCorrupt);
    ResetBuffer(*victim, zero);
    victim->pins = 0;
    Unlink(*victim);
    PushFront(*victim);
    return *victim;
}

void TRecordCache::Assign(TRecord& record, std::int32_t n) {
    byNumber_.Erase(record.recordNumber);
    record.recordNumber = n;
    byNumber_.Set(n, &record);
}

void TRecordCache::Release(TRecord& record) {
    ResetBuffer(record);
}

void TRecordCache::ResetAll() {
    for (const auto& r : records_) {
        ResetBuffer(*r);
        r->pins = 0;
    }
    byNumber_.Clear();
}

void TRecordCache::Trim() {
    TRecord* r = oldest_;
    while (records_.size() > capacity_ && r) {
        TRecord* next = r->newer;
        if (r->recordNumber == 0 && r->pins == 0 && !r->modified) {
            Unlink(*r);
            std::erase(collected_, r);
            records_.erase(std::find_if(records_.begin(), records_.end(),
                                        [r](const auto& p) { return p.get() == r; }));
        }
        r = next;
    }
}

std::vector<TRecord*> TRecordCache::CollectWriteBack() const {
    std::vector<TRecord*> out;
    for (const auto& r : records_)
        if (r->modified && r->pins == 0 && !r->collected && r->recordNumber > 0)
            out.push_back(r.get());
    std::sort(out.begin(), out.end(),
              [](const TRecord* a, const TRecord* b) { return a->recordNumber < b->recordNumber; });
    return out;
}

void TRecordCache::MarkCollected(TRecord& record) {
    if (!record.collected) {
        record.collected = true;
        collected_.push_back(&record);
    }
}

void TRecordCache::ClearCollected() {
    // A marked buffer stays in records_ until the clear: nothing that runs
    // during a read (eviction, write-back) drops buffers.
    for (TRecord* r : collected_)
        r->collected = false;
    collected_.clear();
}

void TRecordCache::ForEach(const std::function<void(TRecord&)>& fn) {
    for (const auto& r : records_)
        if (r->recordNumber != 0)
            fn(*r);
}

} // namespace tabula
