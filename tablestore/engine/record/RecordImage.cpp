// Reading and writing one field of a record image.
#include "RecordImage.h"

#include "EngineCodes.h"
#include "EngineError.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using namespace datafmt;

namespace {

// Checks that the field's bytes lie inside the image.
void CheckBounds(const TFieldDescriptor& field, std::size_t imageSize) {
    const std::size_t end = field.IsAutoIncrement()
                                ? kRecAutoInc + 4
                                : static_cast<std::size_t>(field.offset) + 1 + field.storedSize;
    if (end > imageSize || (!field.IsAutoIncrement() && field.offset < kRecFields))
        RaiseEngineError(kErrRecordBuffersCorrupt, {}, field.name);
}

} // namespace

TFieldRead ReadField(const TFieldDescriptor& field, std::span<const std::uint8_t> image) {
    CheckBounds(field, image.size());
    if (field.IsAutoIncrement())
        return {false, image.subspan(kRecAutoInc, 4)};
    return {image[field.offset] == 0, image.subspan(field.offset + 1u, field.storedSize)};
}

void WriteNullField(const TFieldDescriptor& field, std::span<std::uint8_t> image) {
    CheckBounds(field, image.size());
    if (field.IsAutoIncrement())
        return;
    std::fill_n(image.begin() + field.offset, field.storedSize + 1u, std::uint8_t{0});
}

void SetFieldPresent(const TFieldDescriptor& field, std::span<std::uint8_t> image, bool present) {
    CheckBounds(field, image.size());
    if (!field.IsAutoIncrement())
        image[field.offset] = present ? 1 : 0;
}

void WriteField(const TFieldDescriptor& field, std::span<std::uint8_t> image,
                std::span<const std::uint8_t> value) {
    CheckBounds(field, image.size());
    if (field.IsAutoIncrement()) {
        std::uint8_t bytes[4] = {};
        std::copy_n(value.begin(), std::min<std::size_t>(value.size(), 4), bytes);
        std::copy_n(bytes, 4, image.begin() + kRecAutoInc);
        return;
    }
    std::uint8_t* indicator = image.data() + field.offset;
    std::uint8_t* slot = indicator + 1;
    const std::size_t size = field.storedSize;
    std::memset(slot, 0, size);
    const std::size_t given = std::min(value.size(), size);

    switch (field.type) {
    case kFtString: {
        // Up to the first zero byte, without trailing blanks, at most the
        // declared number of characters; the slot's last byte stays zero.
        const std::size_t capacity = size == 0 ? 0 : size - 1;
        const void* zero = value.empty() ? nullptr : std::memchr(value.data(), 0, value.size());
        std::size_t length =
            zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - value.data())
                 : value.size();
        while (length > 0 && value[length - 1] == ' ')
            --length;
        length = std::min(length, capacity);
        std::copy_n(value.begin(), length, slot);
        *indicator = length > 0 ? 1 : 0;
        break;
    }
    case kFtBoolean: {
        std::uint8_t bytes[2] = {};
        std::copy_n(value.begin(), std::min<std::size_t>(value.size(), 2), bytes);
        if (size >= 2)
            PutU16(slot, GetU16(bytes) != 0 ? 1 : 0);
        *indicator = 1;
        break;
    }
    case kFtBlob:
        std::copy_n(value.begin(), given, slot);
        *indicator = (size >= 4 && GetI32(slot) != 0) ? 1 : 0;
        break;
    default:
        std::copy_n(value.begin(), given, slot);
        *indicator = 1;
        break;
    }
}

} // namespace tabula
