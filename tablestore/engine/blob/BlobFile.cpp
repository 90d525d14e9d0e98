// TBlobFile: header, block cache, chains and open buffers of a BLOB file.
#include "BlobFile.h"

#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "Scrambler.h"
#include "TableFileNames.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_set>

namespace tabula {

using namespace blobfmt;
using datafmt::GetI32;
using datafmt::GetU16;
using datafmt::GetU32;
using datafmt::PutI32;
using datafmt::PutU16;
using datafmt::PutU32;

namespace {

// Block header fields of an unscrambled block image.
std::int32_t Prev(const std::vector<std::uint8_t>& b) {
    return GetI32(b.data() + kBlkPrev);
}
std::int32_t Next(const std::vector<std::uint8_t>& b) {
    return GetI32(b.data() + kBlkNext);
}
std::uint16_t Used(const std::vector<std::uint8_t>& b) {
    return GetU16(b.data() + kBlkUsed);
}
std::int32_t Owner(const std::vector<std::uint8_t>& b) {
    return GetI32(b.data() + kBlkOwner);
}
std::uint32_t Total(const std::vector<std::uint8_t>& b) {
    return GetU32(b.data() + kBlkTotalLength);
}
void SetPrev(std::vector<std::uint8_t>& b, std::int64_t v) {
    PutI32(b.data() + kBlkPrev, static_cast<std::int32_t>(v));
}
void SetNext(std::vector<std::uint8_t>& b, std::int64_t v) {
    PutI32(b.data() + kBlkNext, static_cast<std::int32_t>(v));
}
void SetUsed(std::vector<std::uint8_t>& b, std::size_t v) {
    PutU16(b.data() + kBlkUsed, static_cast<std::uint16_t>(v));
}
void SetOwner(std::vector<std::uint8_t>& b, std::int32_t v) {
    PutI32(b.data() + kBlkOwner, v);
}
void SetTotal(std::vector<std::uint8_t>& b, std::uint32_t v) {
    PutU32(b.data() + kBlkTotalLength, v);
}

// A block's header and data part are scrambled as two separate runs.
void ScrambleBlock(std::uint8_t* block, std::size_t blockSize) {
    TScrambler::Apply(block, kBlockHeaderSize, TScrambler::kTableDataKey);
    TScrambler::Apply(block + kBlockHeaderSize, blockSize - kBlockHeaderSize,
                      TScrambler::kTableDataKey);
}

} // namespace

// Keeps a block pinned for the life of the guard, also across exceptions.
class TBlobFile::TPin {
public:
    TPin(TBlobFile& file, TBlock& block) : file_(file), block_(&block) {}
    ~TPin() {
        if (block_)
            file_.Unpin(*block_);
    }
    TPin(const TPin&) = delete;
    TPin& operator=(const TPin&) = delete;
    TBlock& operator*() const { return *block_; }
    TBlock* operator->() const { return block_; }
    void Reset(TBlock& block) {
        if (block_)
            file_.Unpin(*block_);
        block_ = &block;
    }

private:
    TBlobFile& file_;
    TBlock* block_;
};

TBlobFile::TBlobFile() = default;

TBlobFile::~TBlobFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TBlobFile::SetBlockSize(std::uint32_t storedBlockSize) {
    if (IsOpen())
        Raise(kErrFileInUse);
    storedBlockSize_ = storedBlockSize;
    blockSize_ = storedBlockSize == 0 ? kDefaultBlockSize : storedBlockSize;
}

void TBlobFile::SetProtected(bool isProtected) {
    if (IsOpen())
        Raise(kErrFileInUse);
    protected_ = isProtected;
}

std::string TBlobFile::NormalizeName(const std::string& name) const {
    return TTableFileNames::WithExtension(name, TTableFileNames::kBlobExtension);
}

void TBlobFile::Raise(int code) const {
    RaiseEngineError(code, ContextName());
}

std::string TBlobFile::ContextName() const {
    return contextName_.empty() ? FileName() : contextName_;
}

void TBlobFile::CheckBlockSize() const {
    if (blockSize_ < kMinBlockSize || blockSize_ > kMaxBlockSize)
        Raise(kErrBlobLimits);
}

void TBlobFile::InitHeader() {
    changeCounter_ = 0;
    freeHead_ = 0;
    endOfFile_ = kHeaderSize;
    headerModified_ = true;
}

void TBlobFile::Create() {
    CheckBlockSize();
    TFileHandler::Create();
    cache_.clear();
    index_.clear();
    buffers_.clear();
    capacity_ = std::max(kMinCachedBlocks, std::min(kCacheBytes / blockSize_, kMaxCachedBlocks));
    InitHeader();
}

void TBlobFile::Open() {
    if (IsOpen())
        return;
    CheckBlockSize();
    TFileHandler::Open();
    try {
        cache_.clear();
        index_.clear();
        buffers_.clear();
        capacity_ =
            std::max(kMinCachedBlocks, std::min(kCacheBytes / blockSize_, kMaxCachedBlocks));
        ReadHeader();
    } catch (...) {
        TFileHandler::Close();
        throw;
    }
}

void TBlobFile::Close() {
    buffers_.clear();
    cache_.clear();
    index_.clear();
    TFileHandler::Close();
}

void TBlobFile::ReadHeader() {
    std::uint8_t h[kHeaderSize] = {};
    if (ReadAt(0, h, kHeaderSize, true) < static_cast<std::int64_t>(kHeaderSize))
        Raise(kErrHeaderCorrupt);
    if (protected_)
        TScrambler::Apply(h, kHeaderSize, TScrambler::kTableDataKey);
    if (h[kHdrVersion] != kBlobVersion)
        Raise(kErrWrongVersion);
    const std::int64_t eof = GetI32(h + kHdrEndOfFile);
    const std::int32_t head = GetI32(h + kHdrFreeChainHead);
    if (eof < static_cast<std::int64_t>(kHeaderSize) || eof > kMaxTableFileSize ||
        (eof - static_cast<std::int64_t>(kHeaderSize)) % blockSize_ != 0)
        Raise(kErrHeaderCorrupt);
    changeCounter_ = GetI32(h + kHdrChangeCounter);
    endOfFile_ = eof;
    freeHead_ = head;
    headerModified_ = false;
    if (head != 0 && !IsBlockNumber(head))
        Raise(kErrHeaderCorrupt);
}

bool TBlobFile::IsBlockNumber(std::int64_t b) const {
    return b >= static_cast<std::int64_t>(kHeaderSize) && b < endOfFile_ &&
           (b - static_cast<std::int64_t>(kHeaderSize)) % blockSize_ == 0;
}

std::int64_t TBlobFile::BlocksFor(std::uint64_t length) const {
    const std::uint64_t per = DataPerBlock();
    return static_cast<std::int64_t>((length + per - 1) / per);
}

std::uint32_t TBlobFile::MaxBlobLength() const {
    const std::uint64_t blocks = (kMaxTableFileSize - kHeaderSize) / blockSize_;
    const std::uint64_t bytes = blocks * DataPerBlock();
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(bytes, std::numeric_limits<std::int32_t>::max()));
}

// ---- Cache ----------------------------------------------------------------------------

TBlobFile::TBlockList::iterator TBlobFile::TakeSlot(bool mandatory) {
    if (cache_.size() < capacity_) {
        cache_.emplace_front();
        cache_.front().bytes.assign(blockSize_, 0);
        return cache_.begin();
    }
    auto findVictim = [this]() {
        for (auto it = cache_.end(); it != cache_.begin();) {
            --it;
            if (it->pins == 0 && !it->modified)
                return it;
        }
        return cache_.end();
    };
    auto victim = findVictim();
    if (victim == cache_.end() && mandatory) {
        WriteModified(true);
        victim = findVictim();
    }
    if (victim == cache_.end()) {
        if (mandatory)
            Raise(kErrBlobBuffersCorrupt);
        return cache_.end();
    }
    index_.erase(victim->number);
    victim->number = 0;
    victim->modified = false;
    std::fill(victim->bytes.begin(), victim->bytes.end(), 0);
    cache_.splice(cache_.begin(), cache_, victim);
    return cache_.begin();
}

TBlobFile::TBlock& TBlobFile::Fetch(std::int64_t number, std::int64_t want, int badNumberCode) {
    if (!IsBlockNumber(number))
        Raise(badNumberCode);
    if (auto hit = index_.find(number); hit != index_.end()) {
        TBlock& b = *hit->second;
        if (b.pins >= kMaxBlockPins)
            Raise(kErrBlobBuffersCorrupt);
        ++b.pins;
        cache_.splice(cache_.begin(), cache_, hit->second);
        return b;
    }
    auto slot = TakeSlot(true);
    slot->number = number;
    slot->pins = 1;
    index_[number] = slot;

    const std::int64_t bs = blockSize_;
    const std::int64_t perRead = std::max<std::int64_t>(1, kReadAheadBytes / bs);
    const std::int64_t toEnd = (endOfFile_ - number) / bs;
    const std::int64_t n = std::max<std::int64_t>(1, std::min({perRead, want, toEnd}));
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(n * bs), 0);
    std::int64_t got = 0;
    try {
        // Blocks appended since the last commit exist only in this cache, so
        // the read-ahead may come back short. The block asked for must be
        // there in a shared file; an exclusive user may have appended it
        // and not yet written it.
        got = ReadAt(number, raw.data(), n * bs, true);
        if (got < bs && !Exclusive())
            Raise(kErrReadError);
    } catch (...) {
        index_.erase(number);
        slot->number = 0;
        slot->pins = 0;
        throw;
    }
    for (std::int64_t i = 0; i < n; ++i) {
        if (i > 0 && (i + 1) * bs > got)
            break;
        std::uint8_t* src = raw.data() + i * bs;
        if (protected_)
            ScrambleBlock(src, blockSize_);
        const std::int64_t bi = number + i * bs;
        if (i == 0) {
            std::memcpy(slot->bytes.data(), src, static_cast<std::size_t>(bs));
            continue;
        }
        if (auto cached = index_.find(bi); cached != index_.end()) {
            TBlock& c = *cached->second;
            if (c.pins == 0 && !c.modified)
                std::memcpy(c.bytes.data(), src, static_cast<std::size_t>(bs));
            continue;
        }
        auto extra = TakeSlot(false);
        if (extra == cache_.end())
            break;
        extra->number = bi;
        std::memcpy(extra->bytes.data(), src, static_cast<std::size_t>(bs));
        index_[bi] = extra;
    }
    return *slot;
}

void TBlobFile::Unpin(TBlock& block) {
    if (block.pins > 0)
        --block.pins;
}

void TBlobFile::WriteModified(bool onlyUnpinned) {
    std::vector<TBlock*> dirty;
    for (TBlock& b : cache_)
        if (b.modified && (!onlyUnpinned || b.pins == 0))
            dirty.push_back(&b);
    if (dirty.empty())
        return;
    std::sort(dirty.begin(), dirty.end(),
              [](const TBlock* a, const TBlock* b) { return a->number < b->number; });
    std::vector<TBlock*> run;
    for (TBlock* b : dirty) {
        if (!run.empty() && run.back()->number + blockSize_ != b->number) {
            WriteRun(run);
            run.clear();
        }
        run.push_back(b);
    }
    WriteRun(run);
}

void TBlobFile::WriteRun(const std::vector<TBlock*>& run) {
    const std::size_t bs = blockSize_;
    std::vector<std::uint8_t> out(run.size() * bs);
    for (std::size_t i = 0; i < run.size(); ++i) {
        std::memcpy(out.data() + i * bs, run[i]->bytes.data(), bs);
        if (protected_)
            ScrambleBlock(out.data() + i * bs, bs);
    }
    WriteAt(run.front()->number, out.data(), static_cast<std::int64_t>(out.size()));
    for (TBlock* b : run)
        b->modified = false;
}

void TBlobFile::CommitBlocks() {
    RequireOpen();
    WriteModified(true);
}

void TBlobFile::CommitHeader(bool force) {
    RequireOpen();
    if (!headerModified_ && !force)
        return;
    std::uint8_t h[kHeaderSize] = {};
    const std::int32_t counter = changeCounter_ + 1;
    PutI32(h + kHdrChangeCounter, counter);
    h[kHdrVersion] = kBlobVersion;
    PutI32(h + kHdrFreeChainHead, freeHead_);
    PutI32(h + kHdrEndOfFile, static_cast<std::int32_t>(endOfFile_));
    h[kHdrModifiedMarker] = headerModified_ ? 1 : 0;
    if (protected_)
        TScrambler::Apply(h, kHeaderSize, TScrambler::kTableDataKey);
    WriteAt(0, h, kHeaderSize);
    changeCounter_ = counter;
    headerModified_ = false;
}

void TBlobFile::Commit(bool forceHeader, bool trim) {
    CommitBlocks();
    CommitHeader(forceHeader);
    if (trim)
        TrimCache();
}

void TBlobFile::TrimCache() {
    for (auto it = cache_.end(); cache_.size() > capacity_ && it != cache_.begin();) {
        --it;
        if (it->pins == 0 && !it->modified) {
            index_.erase(it->number);
            it = cache_.erase(it);
        }
    }
}

void TBlobFile::ResetCache() {
    cache_.clear();
    index_.clear();
}

bool TBlobFile::DetectChange() {
    // Nobody else can change a file held exclusively.
    if (!IsOpen() || Exclusive())
        return false;
    std::uint8_t b[4];
    ReadChangeCounterBytes(b);
    if (protected_)
        TScrambler::Apply(b, 4, TScrambler::kTableDataKey);
    if (GetI32(b) == changeCounter_)
        return false;
    ReadHeader();
    ResetCache();
    return true;
}

void TBlobFile::Reload() {
    ReadHeader();
    ResetCache();
}

std::vector<TBlobFile::TBufferMark> TBlobFile::MarkBuffers() const {
    std::vector<TBufferMark> marks;
    marks.reserve(buffers_.size());
    for (const auto& [handle, buffer] : buffers_)
        marks.push_back(
            TBufferMark{handle, buffer->modified, buffer->recordNumber, buffer->firstBlock});
    return marks;
}

void TBlobFile::RestoreBuffers(const std::vector<TBufferMark>& marks) {
    for (auto it = buffers_.begin(); it != buffers_.end();) {
        const auto mark = std::find_if(marks.begin(), marks.end(),
                                       [&](const TBufferMark& m) { return m.handle == it->first; });
        if (mark == marks.end()) {
            it = buffers_.erase(it);
            continue;
        }
        it->second->modified = mark->modified;
        it->second->recordNumber = mark->recordNumber;
        it->second->firstBlock = mark->firstBlock;
        ++it;
    }
}

void TBlobFile::Empty() {
    RequireOpen();
    buffers_.clear();
    ResetCache();
    WriteAt(kHeaderSize, nullptr, 0);
    freeHead_ = 0;
    endOfFile_ = kHeaderSize;
    headerModified_ = true;
}

// ---- Chains -------------------------------------------------------------------------------

TBlobFile::TBlock& TBlobFile::Allocate(std::int32_t owner) {
    TBlock* block;
    if (freeHead_ != 0) {
        block = &Fetch(freeHead_, 1, kErrBlobBuffersCorrupt);
        const std::int32_t next = Next(block->bytes);
        // A free block in use elsewhere, or a free chain pointing at itself,
        // would hand one block to two chains.
        if (block->pins > 1 || (next != 0 && (!IsBlockNumber(next) || next == block->number))) {
            Unpin(*block);
            Raise(kErrBlobBuffersCorrupt);
        }
        freeHead_ = next;
    } else {
        const std::int64_t number = endOfFile_;
        if (number + blockSize_ > kMaxTableFileSize)
            Raise(kErrFileFull);
        if (auto stale = index_.find(number); stale != index_.end()) {
            if (stale->second->pins > 0)
                Raise(kErrBlobBuffersCorrupt);
            cache_.erase(stale->second);
            index_.erase(stale);
        }
        auto slot = TakeSlot(true);
        slot->number = number;
        slot->pins = 1;
        index_[number] = slot;
        block = &*slot;
        endOfFile_ += blockSize_;
    }
    headerModified_ = true;
    std::fill(block->bytes.begin(), block->bytes.end(), 0);
    SetOwner(block->bytes, owner);
    block->modified = true;
    return *block;
}

void TBlobFile::FreeChain(std::int64_t first, std::int32_t owner) {
    std::unordered_set<std::int64_t> seen;
    std::int64_t b = first;
    const std::int64_t ahead = kReadAheadBytes / blockSize_;
    while (b != 0) {
        if (!IsBlockNumber(b) || !seen.insert(b).second)
            Raise(kErrInvalidBlobOffset);
        TPin blk(*this, Fetch(b, ahead, kErrInvalidBlobOffset));
        if (Owner(blk->bytes) != owner)
            Raise(kErrInvalidBlobOffset);
        const std::int64_t next = Next(blk->bytes);
        SetNext(blk->bytes, freeHead_);
        blk->modified = true;
        freeHead_ = static_cast<std::int32_t>(b);
        headerModified_ = true;
        b = next;
    }
}

void TBlobFile::Load(TBlobBuffer& buffer) {
    buffer.data.clear();
    buffer.modified = false;
    if (buffer.firstBlock == 0)
        return;
    const bool forDelete = buffer.mode == kOpenForDelete;
    if (!IsBlockNumber(buffer.firstBlock)) {
        if (forDelete) {
            buffer.firstBlock = 0;
            return;
        }
        Raise(kErrInvalidBlobOffset);
    }
    TPin cur(*this, Fetch(buffer.firstBlock, 1, kErrInvalidBlobOffset));
    if (Owner(cur->bytes) != buffer.recordNumber) {
        if (forDelete) {
            buffer.firstBlock = 0;
            return;
        }
        Raise(kErrBlobBuffersCorrupt);
    }
    const std::uint32_t length = Total(cur->bytes);
    // A length the file cannot hold means the chain is shorter than it;
    // refuse before allocating anything.
    const std::int64_t fileBlocks =
        (endOfFile_ - static_cast<std::int64_t>(kHeaderSize)) / blockSize_;
    if (length > MaxBlobLength() || BlocksFor(length) > fileBlocks)
        Raise(kErrEndOfBlob);
    try {
        buffer.data.assign(length, 0);
    } catch (const std::bad_alloc&) {
        Raise(kErrOutOfMemory);
    }
    const std::size_t per = DataPerBlock();
    std::unordered_set<std::int64_t> seen{cur->number};
    std::size_t pos = 0;
    for (;;) {
        const std::size_t piece = std::min<std::size_t>(per, length - pos);
        std::memcpy(buffer.data.data() + pos, cur->bytes.data() + kBlockHeaderSize, piece);
        pos += piece;
        if (pos >= length)
            break;
        const std::int64_t next = Next(cur->bytes);
        if (next == 0)
            Raise(kErrEndOfBlob);
        if (!IsBlockNumber(next) || !seen.insert(next).second)
            Raise(kErrBlobBuffersCorrupt);
        cur.Reset(Fetch(next, BlocksFor(length - pos), kErrBlobBuffersCorrupt));
        if (cur->pins > 1 || Owner(cur->bytes) != buffer.recordNumber)
            Raise(kErrBlobBuffersCorrupt);
    }
}

void TBlobFile::Save(TBlobBuffer& buffer) {
    if (!buffer.modified)
        return;
    const std::int32_t owner = buffer.recordNumber;
    const std::size_t length = buffer.data.size();
    if (length == 0) {
        if (buffer.firstBlock != 0)
            FreeChain(buffer.firstBlock, owner);
        buffer.firstBlock = 0;
        buffer.modified = false;
        return;
    }
    if (length > MaxBlobLength())
        Raise(kErrFileFull);
    std::uint64_t oldLength = 0;
    TBlock* first;
    if (buffer.firstBlock == 0) {
        first = &Allocate(owner);
    } else {
        first = &Fetch(buffer.firstBlock, BlocksFor(length), kErrInvalidBlobOffset);
        if (Owner(first->bytes) != owner) {
            Unpin(*first);
            Raise(kErrBlobBuffersCorrupt);
        }
        oldLength = Total(first->bytes);
    }
    TPin cur(*this, *first);
    const std::int64_t firstNumber = first->number;
    SetPrev(cur->bytes, 0);
    SetTotal(cur->bytes, static_cast<std::uint32_t>(length));
    const std::size_t per = DataPerBlock();
    std::unordered_set<std::int64_t> seen{firstNumber};
    std::size_t pos = 0;
    std::uint64_t oldLeft = oldLength > per ? oldLength - per : 0;
    for (;;) {
        const std::size_t piece = std::min<std::size_t>(per, length - pos);
        std::uint8_t* area = cur->bytes.data() + kBlockHeaderSize;
        std::memcpy(area, buffer.data.data() + pos, piece);
        std::fill(area + piece, area + per, 0);
        SetUsed(cur->bytes, piece);
        cur->modified = true;
        pos += piece;
        if (pos >= length)
            break;
        const std::int64_t next = Next(cur->bytes);
        TBlock* nb;
        if (next != 0) {
            // The old chain goes on: reuse its blocks, reading ahead as far
            // as it reaches.
            if (!IsBlockNumber(next) || !seen.insert(next).second)
                Raise(kErrBlobBuffersCorrupt);
            nb =
                &Fetch(next, std::max<std::int64_t>(1, BlocksFor(oldLeft)), kErrBlobBuffersCorrupt);
            if (nb->pins > 1 || Owner(nb->bytes) != owner) {
                Unpin(*nb);
                Raise(kErrBlobBuffersCorrupt);
            }
            oldLeft = oldLeft > per ? oldLeft - per : 0;
        } else {
            nb = &Allocate(owner);
            seen.insert(nb->number);
        }
        SetPrev(nb->bytes, cur->number);
        SetOwner(nb->bytes, owner);
        SetTotal(nb->bytes, 0);
        nb->modified = true;
        SetNext(cur->bytes, nb->number);
        cur.Reset(*nb);
    }
    const std::int64_t rest = Next(cur->bytes);
    if (rest != 0) {
        SetNext(cur->bytes, 0);
        cur->modified = true;
        FreeChain(rest, owner);
    }
    buffer.firstBlock = static_cast<std::int32_t>(firstNumber);
    buffer.modified = false;
}

// ---- Buffers --------------------------------------------------------------------------------

int TBlobFile::OpenBuffer(std::int32_t recordNumber, int fieldNumber, std::int32_t firstBlock,
                          int mode, int& handle) {
    handle = 0;
    if (!IsOpen())
        return kErrInvalidHandle;
    if (buffers_.size() >= static_cast<std::size_t>(kMaxOpenBlobs))
        return kErrTooManyBlobs;
    auto buffer = std::make_unique<TBlobBuffer>();
    buffer->owner = this;
    buffer->recordNumber = recordNumber;
    buffer->fieldNumber = fieldNumber;
    buffer->firstBlock = firstBlock;
    buffer->mode = mode;
    try {
        Load(*buffer);
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    // Handles are not reused while a buffer holds them; the counter wraps
    // long before a negated handle could leave the 32-bit field range.
    while (buffers_.count(nextHandle_) != 0 || nextHandle_ <= 0)
        nextHandle_ = nextHandle_ <= 0 || nextHandle_ >= (1 << 30) ? 1 : nextHandle_ + 1;
    handle = nextHandle_;
    nextHandle_ = nextHandle_ >= (1 << 30) ? 1 : nextHandle_ + 1;
    buffers_.emplace(handle, std::move(buffer));
    return 0;
}

TBlobBuffer* TBlobFile::Buffer(int handle) {
    auto it = buffers_.find(handle);
    return it == buffers_.end() ? nullptr : it->second.get();
}

bool TBlobFile::FreeBuffer(int handle) {
    return buffers_.erase(handle) != 0;
}

void TBlobFile::FreeAllBuffers() {
    buffers_.clear();
}

void TBlobFile::SetBufferOwner(int handle, std::int32_t recordNumber) {
    TBlobBuffer* b = Buffer(handle);
    if (!b || b->recordNumber == recordNumber)
        return;
    if (b->firstBlock != 0) {
        b->firstBlock = 0;
        b->modified = true;
    }
    b->recordNumber = recordNumber;
}

int TBlobFile::SaveBuffer(int handle) {
    TBlobBuffer* b = Buffer(handle);
    if (!b)
        return kErrInvalidBlobHandle;
    try {
        Save(*b);
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return 0;
}

int TBlobFile::BlockOwner(std::int32_t block, std::int32_t& owner) {
    owner = 0;
    try {
        TPin b(*this, Fetch(block, 1, kErrInvalidBlobOffset));
        owner = Owner(b->bytes);
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    }
    return 0;
}

// ---- Inspection -----------------------------------------------------------------------------

TBlobChainReport TBlobFile::InspectChain(std::int32_t firstBlock, std::int32_t owner) {
    TBlobChainReport r;
    if (firstBlock == 0)
        return r;
    auto fault = [&r](int code, std::string text) {
        r.code = code;
        r.problem = std::move(text);
        return r;
    };
    try {
        if (!IsBlockNumber(firstBlock))
            return fault(kErrInvalidBlobOffset, "first block is no block of the file");
        TPin cur(*this, Fetch(firstBlock, 1, kErrInvalidBlobOffset));
        r.blocks.push_back(firstBlock);
        if (Owner(cur->bytes) != owner)
            return fault(kErrBlobBuffersCorrupt,
                         "first block owned by record " + std::to_string(Owner(cur->bytes)));
        if (Prev(cur->bytes) != 0)
            return fault(kErrBlobBuffersCorrupt, "first block has a previous link");
        r.length = Total(cur->bytes);
        const std::int64_t fileBlocks =
            (endOfFile_ - static_cast<std::int64_t>(kHeaderSize)) / blockSize_;
        if (BlocksFor(r.length) > fileBlocks)
            return fault(kErrEndOfBlob, "length larger than the file can hold");
        std::unordered_set<std::int64_t> seen{firstBlock};
        std::uint64_t left = r.length;
        for (;;) {
            const std::uint64_t piece = std::min<std::uint64_t>(DataPerBlock(), left);
            if (Used(cur->bytes) != piece)
                return fault(kErrBlobBuffersCorrupt, "block " + std::to_string(cur->number) +
                                                         " used count " +
                                                         std::to_string(Used(cur->bytes)) +
                                                         ", expected " + std::to_string(piece));
            left -= piece;
            const std::int64_t next = Next(cur->bytes);
            if (left == 0) {
                if (next != 0)
                    return fault(kErrBlobBuffersCorrupt, "chain continues beyond its length");
                return r;
            }
            if (next == 0)
                return fault(kErrEndOfBlob, "chain shorter than its length");
            if (!IsBlockNumber(next) || !seen.insert(next).second)
                return fault(kErrBlobBuffersCorrupt,
                             "bad or repeated link to " + std::to_string(next));
            const std::int64_t prevNumber = cur->number;
            cur.Reset(Fetch(next, BlocksFor(left), kErrBlobBuffersCorrupt));
            r.blocks.push_back(static_cast<std::int32_t>(next));
            if (Owner(cur->bytes) != owner)
                return fault(kErrBlobBuffersCorrupt, "block " + std::to_string(next) +
                                                         " owned by record " +
                                                         std::to_string(Owner(cur->bytes)));
            if (Prev(cur->bytes) != prevNumber)
                return fault(kErrBlobBuffersCorrupt,
                             "block " + std::to_string(next) + " has a wrong previous link");
        }
    } catch (const ETabulaEngineError& e) {
        return fault(e.Code(), "block could not be read");
    }
}

TBlobChainReport TBlobFile::InspectFreeChain() {
    TBlobChainReport r;
    std::unordered_set<std::int64_t> seen;
    std::int64_t b = freeHead_;
    try {
        while (b != 0) {
            if (!IsBlockNumber(b) || !seen.insert(b).second) {
                r.code = kErrBlobBuffersCorrupt;
                r.problem = "free chain has a bad or repeated link to " + std::to_string(b);
                return r;
            }
            r.blocks.push_back(static_cast<std::int32_t>(b));
            TPin blk(*this, Fetch(b, 1, kErrBlobBuffersCorrupt));
            b = Next(blk->bytes);
        }
    } catch (const ETabulaEngineError& e) {
        r.code = e.Code();
        r.problem = "free block could not be read";
    }
    return r;
}

} // namespace tabula
