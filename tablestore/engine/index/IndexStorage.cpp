// In-memory byte storage for index files.
#include "IndexStorage.h"

#include "FileHandler.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tabula {

std::size_t TFileIndexStorage::ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) {
    // No size query per read: the page cache has already checked the offset
    // against the end of file in the header, and a read past the end of the
    // file simply comes back short.
    if (offset < 0)
        return 0;
    return static_cast<std::size_t>(
        file_.ReadAt(offset, buffer, static_cast<std::int64_t>(n), /*shortReadAllowed=*/true));
}

void TFileIndexStorage::WriteAt(std::int64_t offset, const std::uint8_t* buffer, std::size_t n) {
    file_.WriteAt(offset, buffer, static_cast<std::int64_t>(n));
}

void TFileIndexStorage::Truncate(std::int64_t length) {
    // A write of no bytes ends the file at the current position.
    file_.Seek(length, TSeekOrigin::Start);
    file_.Write(nullptr, 0);
}

std::int64_t TFileIndexStorage::Size() {
    return file_.Size();
}

std::size_t TMemoryIndexStorage::ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) {
    if (offset < 0 || offset >= Size())
        return 0;
    const std::size_t available = bytes_->size() - static_cast<std::size_t>(offset);
    const std::size_t count = std::min(n, available);
    std::memcpy(buffer, bytes_->data() + offset, count);
    return count;
}

void TMemoryIndexStorage::WriteAt(std::int64_t offset, const std::uint8_t* buffer, std::size_t n) {
    if (offset < 0)
        throw std::invalid_argument("negative file offset");
    ++writes_;
    const std::size_t end = static_cast<std::size_t>(offset) + n;
    if (bytes_->size() < end)
        bytes_->resize(end);
    std::memcpy(bytes_->data() + offset, buffer, n);
}

void TMemoryIndexStorage::Truncate(std::int64_t length) {
    bytes_->resize(static_cast<std::size_t>(std::max<std::int64_t>(0, length)));
}

} // namespace tabula
