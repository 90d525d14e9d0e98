// Encoding and decoding of the 120-byte index descriptor.
#include "IndexDescriptor.h"

#include <algorithm>
#include <cstring>

namespace tabula {

using namespace indexfmt;
using datafmt::GetI16;
using datafmt::GetI32;
using datafmt::GetU16;
using datafmt::PutI32;
using datafmt::PutU16;

TIndexDescriptor TIndexDescriptor::Decode(const std::uint8_t* image) {
    TIndexDescriptor d;
    const int nameLength = std::min<int>(image[kDescName], kMaxIndexNameLength);
    d.name.assign(reinterpret_cast<const char*>(image + kDescName + 1), nameLength);
    d.keyLength = GetU16(image + kDescKeyLength);
    d.descending = image[kDescDescending] != 0;
    d.caseInsensitive = image[kDescCaseInsensitive] != 0;
    d.unique = image[kDescUnique] != 0;
    d.compression = image[kDescCompression];
    d.fieldCount = image[kDescFieldCount];
    for (int i = 0; i < kMaxKeyFields; ++i) {
        d.fieldDescending[i] = image[kDescFieldDescending + i];
        d.fieldNumbers[i] = GetI16(image + kDescFieldNumbers + 2 * i);
    }
    d.root = GetI32(image + kDescRoot);
    d.freeHead = GetI32(image + kDescFreeHead);
    return d;
}

void TIndexDescriptor::Encode(std::uint8_t* image) const {
    std::memset(image, 0, kDescriptorSize);
    const auto nameLength = std::min<std::size_t>(name.size(), kMaxIndexNameLength);
    image[kDescName] = static_cast<std::uint8_t>(nameLength);
    std::memcpy(image + kDescName + 1, name.data(), nameLength);
    PutU16(image + kDescKeyLength, keyLength);
    image[kDescDescending] = descending ? 1 : 0;
    image[kDescCaseInsensitive] = caseInsensitive ? 1 : 0;
    image[kDescUnique] = unique ? 1 : 0;
    image[kDescCompression] = compression;
    image[kDescFieldCount] = fieldCount;
    for (int i = 0; i < kMaxKeyFields; ++i) {
        image[kDescFieldDescending + i] = fieldDescending[i];
        PutU16(image + kDescFieldNumbers + 2 * i, static_cast<std::uint16_t>(fieldNumbers[i]));
    }
    PutI32(image + kDescRoot, root);
    PutI32(image + kDescFreeHead, freeHead);
}

static bool IsPageOffset(std::int32_t offset, std::int32_t endOfFile) {
    return offset == 0 ||
           (offset > 0 && offset % static_cast<std::int32_t>(kPageSize) == 0 && offset < endOfFile);
}

bool TIndexDescriptor::IsSane(std::int32_t endOfFile) const {
    if (keyLength > kMaxKeyLength || fieldCount > kMaxKeyFields || compression > kCompressBoth)
        return false;
    if (root != 0 && keyLength == 0)
        return false;
    return IsPageOffset(root, endOfFile) && IsPageOffset(freeHead, endOfFile);
}

TIndexDescriptor TIndexDescriptor::SysDeleted() {
    TIndexDescriptor d;
    d.name = kSysDeletedName;
    d.keyLength = kSysDeletedKeyLength;
    return d;
}

} // namespace tabula
