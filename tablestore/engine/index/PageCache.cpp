// Page cache of one index and packed page transfer.
#include "PageCache.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexStorage.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using namespace indexfmt;

bool TPageIO::IsPageOffset(std::int32_t offset) const {
    return offset >= static_cast<std::int32_t>(kPageSize) &&
           offset % static_cast<std::int32_t>(kPageSize) == 0 && offset < endOfFile;
}

void TPageIO::ReadPage(std::int32_t offset, std::uint8_t* image) {
    if (beforeRead)
        beforeRead();
    const std::size_t got = storage->ReadAt(offset, image, kPageSize);
    if (got < kPageSize) {
        if (!exclusive)
            RaiseEngineError(kErrReadError, fileName);
        std::memset(image + got, 0, kPageSize - got);
    }
    if (scramble)
        scramble(image, kPageSize);
}

void TPageIO::WritePages(std::int32_t offset, std::uint8_t* images, std::size_t count) {
    if (scramble)
        for (std::size_t i = 0; i < count; ++i)
            scramble(images + i * kPageSize, kPageSize);
    storage->WriteAt(offset, images, count * kPageSize);
}

void TPageIO::Corrupt(const std::string& indexName) const {
    RaiseEngineError(kErrIndexBuffersCorrupt, fileName, {}, {}, indexName);
}

void TPageCache::MoveToFront(std::size_t i) {
    if (i == 0)
        return;
    // One pass over the first i + 1 slots instead of an erase and an insert.
    const auto at = pages_.begin() + static_cast<std::ptrdiff_t>(i);
    std::rotate(pages_.begin(), at, at + 1);
}

TIndexPage* TPageCache::TakeSlot() {
    if (pages_.size() < static_cast<std::size_t>(kCachePagesPerIndex)) {
        pages_.insert(pages_.begin(), std::make_unique<TIndexPage>());
        return pages_.front().get();
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (std::size_t i = pages_.size(); i-- > 0;) {
            TIndexPage* page = pages_[i].get();
            if (page->pins == 0 && !page->modified) {
                MoveToFront(i);
                return page;
            }
        }
        // Nothing clean to reuse: write back the least recently used modified
        // page and look again.
        for (std::size_t i = pages_.size(); i-- > 0;) {
            TIndexPage* page = pages_[i].get();
            if (page->pins == 0 && page->modified) {
                std::uint8_t image[kPageSize];
                if (!page->Encode(image))
                    io_.Corrupt(indexName_);
                io_.WritePages(page->offset, image, 1);
                page->modified = false;
                break;
            }
        }
    }
    io_.Corrupt(indexName_);
}

TIndexPage* TPageCache::Fetch(std::int32_t offset) {
    if (!io_.IsPageOffset(offset))
        io_.Corrupt(indexName_);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        TIndexPage* page = pages_[i].get();
        if (page->offset == offset) {
            if (page->pins >= kMaxPagePins)
                io_.Corrupt(indexName_);
            ++page->pins;
            MoveToFront(i);
            return page;
        }
    }
    TIndexPage* page = TakeSlot();
    std::uint8_t image[kPageSize];
    page->Reset(0, shape_, kLeafPage);
    io_.ReadPage(offset, image);
    if (!page->Decode(image, offset, shape_)) {
        page->Reset(0, shape_, kLeafPage);
        io_.Corrupt(indexName_);
    }
    page->pins = 1;
    return page;
}

TIndexPage* TPageCache::Create(std::int32_t offset, std::uint8_t kind) {
    TIndexPage* page = nullptr;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i]->offset == offset) {
            page = pages_[i].get();
            if (page->pins >= kMaxPagePins)
                io_.Corrupt(indexName_);
            MoveToFront(i);
            break;
        }
    if (page == nullptr)
        page = TakeSlot();
    const int pins = page->offset == offset ? page->pins : 0;
    page->Reset(offset, shape_, kind);
    page->pins = pins + 1;
    page->modified = true;
    return page;
}

void TPageCache::Unpin(TIndexPage* page) {
    if (page->pins > 0)
        --page->pins;
}

void TPageCache::CollectModified(std::vector<TIndexPage*>& out) const {
    for (const auto& page : pages_)
        if (page->modified && page->pins == 0)
            out.push_back(page.get());
}

void TPageCache::Trim() {
    for (std::size_t i = pages_.size(); i-- > 0 && pages_.size() > kCachePagesPerIndex;) {
        if (pages_[i]->pins == 0 && !pages_[i]->modified)
            pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TPageCache::Reset() {
    pages_.clear();
}

int TPageCache::PinnedCount() const {
    int n = 0;
    for (const auto& page : pages_)
        n += page->pins > 0 ? 1 : 0;
    return n;
}

} // namespace tabula
