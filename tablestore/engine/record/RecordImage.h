// Reading and writing one field of a record image.
//
// A record image is record-size bytes (plus the in-memory calculated area):
//   0      deleted flag
//   1..4   own record number, or the next record of the free chain
//   5..8   auto-increment value (the auto-increment field, if declared)
//   9..    per field: null indicator (0 null, 1 present), stored-size value bytes
//
// A null field has indicator 0 and all value bytes zero. The auto-increment
// field has no indicator and is never null. Writing normalises the value:
// strings lose trailing blanks and are stored as null when nothing remains,
// booleans are stored as 0 or 1, a BLOB field is present when its block
// number is not 0.
//
// Every access checks that the field lies inside the image; a descriptor
// pointing outside it raises kErrRecordBuffersCorrupt (record buffers corrupt) instead of
// touching memory beyond the buffer.
#pragma once

#include "FieldDescriptor.h"

#include <cstdint>
#include <span>

namespace tabula {

struct TFieldRead {
    bool isNull = true;
    std::span<const std::uint8_t> value; // stored-size bytes inside the image
};

// The field's value bytes and null flag.
TFieldRead ReadField(const TFieldDescriptor& field, std::span<const std::uint8_t> image);

// Writes value bytes (stored-size bytes; a shorter span is zero-padded, a
// string value ends at its first zero byte) with the type's normalisation.
void WriteField(const TFieldDescriptor& field, std::span<std::uint8_t> image,
                std::span<const std::uint8_t> value);

// Makes the field null: indicator 0 and value bytes zero. The
// auto-increment field is left alone.
void WriteNullField(const TFieldDescriptor& field, std::span<std::uint8_t> image);

// Sets only the null indicator (for a BLOB being edited in memory, which is
// present while its buffer holds data although no block number is stored yet).
void SetFieldPresent(const TFieldDescriptor& field, std::span<std::uint8_t> image, bool present);

} // namespace tabula
