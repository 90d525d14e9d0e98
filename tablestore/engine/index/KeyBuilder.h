// TKeyBuilder: turns record images into index keys whose unsigned byte order
// is the natural order of the field values.
//
// A key is the concatenation, in the index's field order, of one presence
// byte per field (1 = not null, 0 = null) followed by the field's stored-size
// bytes in an order-preserving encoding:
//   string            text (upper-cased for case-insensitive indexes, mapped to
//                     half-width through the table's locale when it has one),
//                     zero-filled to the slot
//   date, int32, time big-endian, sign bit inverted
//   int16             big-endian, sign bit inverted
//   boolean, uint16,  big-endian
//   uint32
//   float, timestamp  IEEE double big-endian; top bit set when non-negative,
//                     every bit inverted when negative
//   extended float    the same trick on the 80-bit value
//   BCD               int64 big-endian, sign bit inverted
//   anything else     the stored bytes unchanged
// A field with its descending flag set has its presence and value bytes
// inverted (b -> 255 - b), except a string slot's final terminator; only the
// string values of an index with a locale stay as they are (their presence
// byte is inverted), because the collation compares them and applies their
// direction.
// A non-unique secondary index appends the record's auto-increment value
// (record bytes 5..8) big-endian with the sign bit inverted, which makes every
// key of such an index distinct and keeps equal values in append order.
//
// The builder is immutable once made; it holds no locks.
#pragma once

#include "DataFileFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tabula {

class TLocaleCollator;
struct TFieldDescriptor;

// What the key builder needs to know about one key field; the record manager
// fills it from the field descriptor.
struct TKeyField {
    int fieldNumber = 0;
    std::uint8_t typeCode = 0;
    std::uint16_t storedSize = 0;
    // Offset of the field's null-indicator byte in the record image; for the
    // auto-increment field, the offset of its value (it has no indicator).
    std::uint16_t recordOffset = 0;
    bool autoIncrement = false;
    bool descending = false; // the index's per-field descending flag

    // The key facts of a table field (its descending flag left clear).
    static TKeyField From(const TFieldDescriptor& field);
};

// A string field's value bytes inside a key, for locale-aware comparison.
struct TKeyStringSegment {
    int offset = 0; // first value byte (after the presence byte)
    int size = 0;   // slot size
    bool descending = false;
};

class TKeyBuilder {
public:
    TKeyBuilder() = default;
    TKeyBuilder(std::vector<TKeyField> fields, bool caseInsensitive, bool uniquenessSuffix,
                const TLocaleCollator* locale);

    int KeyLength() const { return keyLength_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const std::vector<TKeyField>& Fields() const { return fields_; }
    // Bytes taken by the first n fields (presence byte + value each).
    int PrefixLength(int fieldCount) const;
    std::vector<TKeyStringSegment> StringSegments() const;

    // Builds the full key (KeyLength() bytes) of a record image. The image
    // must be at least as long as the furthest field the key reads.
    void Build(std::span<const std::uint8_t> record, std::uint8_t* key) const;
    // Encodes one key field from its stored value (nullptr = null) into
    // storedSize + 1 bytes at `out`: used for keys given field by field.
    void EncodeField(int index, const std::uint8_t* value, std::uint8_t* out) const {
        EncodeField(index, value, caseInsensitive_, out);
    }
    // The same with the string case folding chosen by the caller: a constant
    // compared with UPPER(field) keeps its own case.
    void EncodeField(int index, const std::uint8_t* value, bool caseInsensitive,
                     std::uint8_t* out) const;
    bool CaseInsensitive() const { return caseInsensitive_; }
    // Whether string fields compare by the locale's collation (else by bytes).
    bool Localized() const { return locale_ != nullptr; }

    // The 5-byte key of the "Sys Deleted" index: deleted flag, then the
    // encoded auto-increment value.
    static void BuildSysDeletedKey(std::span<const std::uint8_t> record, std::uint8_t* key);
    static void EncodeAutoIncrement(std::int32_t value, std::uint8_t* out);
    // The lowest record image length Build() accepts.
    int RequiredRecordLength() const { return requiredRecordLength_; }

private:
    void EncodeValue(const TKeyField& field, const std::uint8_t* value, bool caseInsensitive,
                     std::uint8_t* out) const;

    std::vector<TKeyField> fields_;
    bool caseInsensitive_ = false;
    bool uniquenessSuffix_ = false;
    const TLocaleCollator* locale_ = nullptr;
    int keyLength_ = 0;
    int requiredRecordLength_ = 0;
};

} // namespace tabula
