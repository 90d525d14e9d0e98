// TFieldDescriptor: one field of a table as a plain record, with the exact
// 768-byte image it is stored as (layout in DataFileFormat.h).
//
// The same image is the field definition the access layer passes when it
// creates a table and what the record manager hands back for a field. Texts
// are held as they are stored (up to 30 characters for the name, 50 for the
// minimum, maximum and default texts); Decode clamps a length byte that
// exceeds its field and never fails. The run-time slot is not carried: it
// is zero on disk and cleared on every read.
//
// Invariant of a descriptor that passed creation or the open checks:
// storedSize == StoredSizeOf(type, declaredSize), decimalsCopy ==
// declaredDecimals, and offset is the place of its null-indicator byte in
// the record (5, the value itself, for the auto-increment field).
#pragma once

#include "DataFileFormat.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tabula {

struct TFieldDescriptor {
    std::int16_t fieldNumber = 0;
    std::string name;
    std::uint8_t type = datafmt::kFtNone;
    std::uint8_t subtype = 0;
    std::uint8_t declaredSize = 0;
    std::uint8_t declaredDecimals = 0;
    std::uint8_t storedSize = 0;
    std::uint8_t decimalsCopy = 0;
    std::uint16_t offset = 0;
    std::uint8_t required = 0;
    std::string minimum;
    std::string maximum;
    std::string defaultValue;
    std::uint8_t calculated = 0;

    bool IsAutoIncrement() const {
        return type == datafmt::kFtInt32 && subtype == datafmt::kAutoIncSubtype;
    }
    bool IsRequired() const { return required != 0; }
    bool IsCalculated() const { return calculated != 0; }
    // Bytes the field takes in a record: its value plus the null indicator,
    // nothing for the auto-increment field (it lives in the record prefix).
    int RecordBytes() const { return IsAutoIncrement() ? 0 : StoredSizeOf(type, declaredSize) + 1; }
    // Recomputes storedSize and decimalsCopy from type and declared values.
    // A string of declared size 255 would need 256 bytes, which the stored
    // size byte cannot hold; creation refuses it and the open checks reject it.
    void RefreshStoredSize();

    // Stored size of a value of the type with the given declared size.
    static int StoredSizeOf(std::uint8_t type, int declaredSize);

    // A field definition as a table creation or a parameter binding takes it:
    // number, name, type, declared size and decimals, subtype. Stored size
    // and offset stay 0 until AssignFieldOffsets (or RefreshStoredSize); the
    // check texts stay empty.
    static TFieldDescriptor Make(int number, std::string name, std::uint8_t type,
                                 int declaredSize = 0, int declaredDecimals = 0,
                                 std::uint8_t subtype = 0);

    static TFieldDescriptor Decode(std::span<const std::uint8_t, datafmt::kDescriptorSize> image);
    std::array<std::uint8_t, datafmt::kDescriptorSize> Encode() const;
};

// Decodes a block of count consecutive descriptor images (block must hold
// count × 768 bytes).
std::vector<TFieldDescriptor> DecodeDescriptorBlock(std::span<const std::uint8_t> block,
                                                    std::size_t count);
std::vector<std::uint8_t> EncodeDescriptorBlock(const std::vector<TFieldDescriptor>& fields);

// Assigns each descriptor its offset (the auto-increment field 5, every other
// field the running offset from 9, advancing by stored size + 1) after
// refreshing its stored size, and returns the record size (the final running
// offset, which may exceed 65535 for callers to refuse).
int AssignFieldOffsets(std::vector<TFieldDescriptor>& fields);

} // namespace tabula
