// TPageCache: the cached pages of one index, most recently used first, at
// most 31 of them; TPageIO: packed page transfer between a cache and the
// index file's storage (with the table's scrambling when it is protected).
//
// A page handed out by Fetch() or Create() is pinned; it stays in memory and
// keeps its address until every pin is released (TPageRef does that). An
// unpinned page may be dropped or reused by the next miss, so code keeps page
// offsets, not pointers, across fetches of other pages.
//
// Page states: absent -> cached clean <-> cached modified (a modification;
// a commit or an eviction writes it back) -> absent (eviction of a clean
// page, Trim, Reset).
#pragma once

#include "IndexPage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabula {

class TIndexStorage;

class TPageIO {
public:
    TIndexStorage* storage = nullptr;
    // Applied to every packed page on the way out and on the way in; the
    // routine is its own inverse. Empty for tables that are not protected.
    std::function<void(std::uint8_t*, std::size_t)> scramble;
    std::string fileName;
    bool exclusive = true;
    std::int32_t endOfFile = static_cast<std::int32_t>(indexfmt::kPageSize);
    // Called before a page is read from the storage (a cache miss): the
    // record manager takes the read lock there on a shared table and may
    // abandon the operation when another user changed the file meanwhile.
    std::function<void()> beforeRead;

    // Whether `offset` can be a tree page of this file.
    bool IsPageOffset(std::int32_t offset) const;
    // Reads and unscrambles one page; a short read is zero-filled when the
    // file is open exclusively and is a read error (kErrReadError) otherwise.
    void ReadPage(std::int32_t offset, std::uint8_t* image);
    // Scrambles and writes `count` adjacent page images with one write.
    void WritePages(std::int32_t offset, std::uint8_t* images, std::size_t count);
    [[noreturn]] void Corrupt(const std::string& indexName) const;
};

class TPageCache {
public:
    TPageCache(TPageIO& io, std::string indexName) : io_(io), indexName_(std::move(indexName)) {}

    void SetShape(const TPageShape& shape) { shape_ = shape; }
    const TPageShape& Shape() const { return shape_; }
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(std::string name) { indexName_ = std::move(name); }

    // The page at `offset`, pinned. Reads and expands it on a miss; a page
    // that does not unpack is the page-corrupt error (kErrIndexBuffersCorrupt).
    TIndexPage* Fetch(std::int32_t offset);
    // A new, empty page at `offset` that is not read from the file (it lies
    // at the end of the file or is being reused), pinned and modified.
    TIndexPage* Create(std::int32_t offset, std::uint8_t kind);
    void Unpin(TIndexPage* page);

    // Appends this cache's modified, unpinned pages.
    void CollectModified(std::vector<TIndexPage*>& out) const;
    // Drops unpinned clean pages beyond the capacity.
    void Trim();
    // Forgets every page (after another user's change or an empty).
    void Reset();
    int Size() const { return static_cast<int>(pages_.size()); }
    int PinnedCount() const;

private:
    TIndexPage* TakeSlot();
    void MoveToFront(std::size_t i);

    TPageIO& io_;
    std::string indexName_;
    TPageShape shape_;
    std::vector<std::unique_ptr<TIndexPage>> pages_; // most recently used first
};

// Pins a page for the lifetime of the object.
class TPageRef {
public:
    TPageRef() = default;
    TPageRef(TPageCache& cache, TIndexPage* page) : cache_(&cache), page_(page) {}
    TPageRef(TPageRef&& other) noexcept : cache_(other.cache_), page_(other.page_) {
        other.page_ = nullptr;
    }
    TPageRef& operator=(TPageRef&& other) noexcept {
        if (this != &other) {
            Release();
            cache_ = other.cache_;
            page_ = other.page_;
            other.page_ = nullptr;
        }
        return *this;
    }
    TPageRef(const TPageRef&) = delete;
    TPageRef& operator=(const TPageRef&) = delete;
    ~TPageRef() { Release(); }

    void Release() {
        if (page_)
            cache_->Unpin(page_);
        page_ = nullptr;
    }
    TIndexPage* operator->() const { return page_; }
    TIndexPage& operator*() const { return *page_; }
    TIndexPage* get() const { return page_; }
    explicit operator bool() const { return page_ != nullptr; }

private:
    TPageCache* cache_ = nullptr;
    TIndexPage* page_ = nullptr;
};

} // namespace tabula
