// In-memory table files and the session's list of them. Callers hold the
// in-memory critical section around every call (see MemoryFile.h).
#include "MemoryFile.h"

#include "TextBlanks.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tabula {

bool SameMemoryFileName(const std::string& a, const std::string& b) {
    const std::string_view x = TrimSpaces(a), y = TrimSpaces(b);
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(x[i])) !=
            std::toupper(static_cast<unsigned char>(y[i])))
            return false;
    }
    return true;
}

void TMemoryFile::CopyOut(std::int64_t offset, std::uint8_t* out, std::int64_t count) const {
    while (count > 0) {
        const std::int64_t within = offset % kMemoryFileChunk;
        const std::int64_t n = std::min(count, kMemoryFileChunk - within);
        std::memcpy(out,
                    chunks_[static_cast<std::size_t>(offset / kMemoryFileChunk)].get() + within,
                    static_cast<std::size_t>(n));
        out += n;
        offset += n;
        count -= n;
    }
}

void TMemoryFile::CopyIn(std::int64_t offset, const std::uint8_t* in, std::int64_t count) {
    while (count > 0) {
        const std::int64_t within = offset % kMemoryFileChunk;
        const std::int64_t n = std::min(count, kMemoryFileChunk - within);
        std::memcpy(chunks_[static_cast<std::size_t>(offset / kMemoryFileChunk)].get() + within, in,
                    static_cast<std::size_t>(n));
        in += n;
        offset += n;
        count -= n;
    }
}

void TMemoryFile::ZeroFill(std::int64_t offset, std::int64_t count) {
    while (count > 0) {
        const std::int64_t within = offset % kMemoryFileChunk;
        const std::int64_t n = std::min(count, kMemoryFileChunk - within);
        std::memset(chunks_[static_cast<std::size_t>(offset / kMemoryFileChunk)].get() + within, 0,
                    static_cast<std::size_t>(n));
        offset += n;
        count -= n;
    }
}

std::int64_t TMemoryFile::ReadAt(std::int64_t offset, void* buffer, std::int64_t count) const {
    if (offset < 0 || count <= 0 || offset >= length_)
        return 0;
    const std::int64_t n = std::min(count, length_ - offset);
    CopyOut(offset, static_cast<std::uint8_t*>(buffer), n);
    return n;
}

bool TMemoryFile::Reserve(std::int64_t length) {
    if (length < 0 || length > kMaxTableFileSize)
        return false;
    // Whole chunks up to the length; a new chunk's bytes are left as they
    // come, since nothing past the length is ever read.
    const std::int64_t chunks = (length + kMemoryFileChunk - 1) / kMemoryFileChunk;
    while (static_cast<std::int64_t>(chunks_.size()) < chunks)
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(
            static_cast<std::size_t>(kMemoryFileChunk)));
    return true;
}

bool TMemoryFile::WriteAt(std::int64_t offset, const void* buffer, std::int64_t count) {
    if (offset < 0 || count < 0 || count > kMaxTableFileSize - offset)
        return false;
    if (!Reserve(offset + count))
        return false;
    if (offset > length_)
        ZeroFill(length_, offset - length_);
    CopyIn(offset, static_cast<const std::uint8_t*>(buffer), count);
    length_ = std::max(length_, offset + count);
    return true;
}

bool TMemoryFile::SetLength(std::int64_t length) {
    if (!Reserve(length))
        return false;
    // A longer file reads zeros up to its new length, even where bytes were
    // written earlier and then cut away.
    if (length > length_)
        ZeroFill(length_, length - length_);
    length_ = length;
    return true;
}

int TMemoryFile::AddHandle() {
    int number = 1;
    while (std::find(handles_.begin(), handles_.end(), number) != handles_.end())
        ++number;
    handles_.push_back(number);
    return number;
}

void TMemoryFile::RemoveHandle(int number) {
    std::erase(handles_, number);
    std::erase_if(locks_, [&](const TLockedRange& r) { return r.handle == number; });
}

bool TMemoryFile::Lock(std::int64_t offset, std::int64_t length, int handle) {
    if (offset < 0 || length <= 0 || length > INT64_MAX - offset)
        return false;
    std::int64_t last = offset + length - 1;
    for (const TLockedRange& r : locks_) {
        if (offset <= r.last && r.first <= last)
            return false;
    }
    locks_.push_back(TLockedRange{offset, last, length, handle});
    return true;
}

bool TMemoryFile::Unlock(std::int64_t offset, std::int64_t length, int handle) {
    auto it = std::find_if(locks_.begin(), locks_.end(), [&](const TLockedRange& r) {
        return r.first == offset && r.length == length && r.handle == handle;
    });
    if (it == locks_.end())
        return false;
    locks_.erase(it);
    return true;
}

std::shared_ptr<TMemoryFile> TMemoryFileList::Find(const std::string& name) const {
    for (const auto& f : files_) {
        if (SameMemoryFileName(f->Name(), name))
            return f;
    }
    return nullptr;
}

std::shared_ptr<TMemoryFile> TMemoryFileList::Add(const std::string& name) {
    files_.push_back(std::make_shared<TMemoryFile>(name));
    return files_.back();
}

bool TMemoryFileList::Remove(const std::string& name) {
    auto it = std::find_if(files_.begin(), files_.end(),
                           [&](const auto& f) { return SameMemoryFileName(f->Name(), name); });
    if (it == files_.end())
        return false;
    files_.erase(it);
    return true;
}

} // namespace tabula
