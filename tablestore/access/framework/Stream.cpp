// Byte streams.
#include "Stream.h"

#include <algorithm>
#include <cstring>

namespace tabula {

std::int64_t TStream::Size() {
    const std::int64_t here = Seek(0, TStreamOrigin::soCurrent);
    const std::int64_t size = Seek(0, TStreamOrigin::soEnd);
    Seek(here, TStreamOrigin::soBeginning);
    return size;
}

std::string TStream::ReadAll() {
    std::string out;
    Seek(0, TStreamOrigin::soBeginning);
    char chunk[8192];
    for (;;) {
        const std::int64_t n = Read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    return out;
}

std::int64_t TStringStream::Read(void* buffer, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(data_.size());
    if (count <= 0 || position_ >= size)
        return 0;
    const std::int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TStringStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const auto end = static_cast<std::size_t>(position_ + count);
    if (end > data_.size())
        data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t TStringStream::Seek(std::int64_t offset, TStreamOrigin origin) {
    std::int64_t base = 0;
    if (origin == TStreamOrigin::soCurrent)
        base = position_;
    else if (origin == TStreamOrigin::soEnd)
        base = static_cast<std::int64_t>(data_.size());
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

} // namespace tabula
