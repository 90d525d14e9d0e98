// TIndexDescriptor: the 120-byte definition of one index, as stored in the
// index file's header page and as passed by the access layer to define an
// index. Decoding never trusts the bytes: out-of-range lengths and counts are
// reported by Validate() with the engine's header-corrupt code.
#pragma once

#include "IndexFileFormat.h"

#include <array>
#include <cstdint>
#include <string>

namespace tabula {

struct TIndexDescriptor {
    std::string name;            // up to 30 characters; empty for the primary index
    std::uint16_t keyLength = 0; // bytes of a full key
    bool descending = false;     // reverses the order of the whole index
    bool caseInsensitive = false;
    bool unique = false;
    std::uint8_t compression = indexfmt::kCompressNone;
    std::uint8_t fieldCount = 0;
    std::array<std::uint8_t, indexfmt::kMaxKeyFields> fieldDescending{};
    std::array<std::int16_t, indexfmt::kMaxKeyFields> fieldNumbers{};
    std::int32_t root = 0;     // offset of the root page, 0 when empty
    std::int32_t freeHead = 0; // head of this index's free page chain, 0 when none

    // Reads a descriptor image (120 bytes). Values are taken as stored.
    static TIndexDescriptor Decode(const std::uint8_t* image);
    // Writes the 120-byte image; reserved bytes are zero.
    void Encode(std::uint8_t* image) const;
    // Whether the stored values are usable by the tree code: key length,
    // field count, compression and page offsets within their limits.
    bool IsSane(std::int32_t endOfFile) const;
    // The descriptor of the hidden index that tracks deleted records.
    static TIndexDescriptor SysDeleted();
};

} // namespace tabula
