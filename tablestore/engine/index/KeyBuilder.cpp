// Order-preserving key encodings of record fields.
#include "KeyBuilder.h"

#include "FieldDescriptor.h"
#include "IndexFileFormat.h"
#include "LocaleCollator.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tabula {

namespace {

// Upper case of the single-byte text of a table without a locale. Texts are
// Windows-1252: ASCII letters, the Latin-1 letters and the few extra letters
// of the 0x80..0x9F block.
std::uint8_t UpperAnsi(std::uint8_t c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint8_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<std::uint8_t>(c - 32);
    switch (c) {
    case 0x9A:
        return 0x8A;
    case 0x9C:
        return 0x8C;
    case 0x9E:
        return 0x8E;
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

void PutBigEndian(std::uint64_t v, int bytes, std::uint8_t* out) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(v);
        v >>= 8;
    }
}

std::uint64_t GetLittleEndian(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Sign-magnitude floats: reversing the byte order and then setting the top
// bit of non-negative values (or inverting negative ones) gives unsigned
// order equal to numeric order.
void EncodeFloatBytes(const std::uint8_t* value, int bytes, std::uint8_t* out) {
    for (int i = 0; i < bytes; ++i)
        out[i] = value[bytes - 1 - i];
    if (out[0] & 0x80) {
        for (int i = 0; i < bytes; ++i)
            out[i] = static_cast<std::uint8_t>(~out[i]);
    } else {
        out[0] |= 0x80;
    }
}

} // namespace

TKeyField TKeyField::From(const TFieldDescriptor& field) {
    TKeyField key;
    key.fieldNumber = field.fieldNumber;
    key.typeCode = field.type;
    key.storedSize = field.storedSize;
    key.autoIncrement = field.IsAutoIncrement();
    key.recordOffset =
        key.autoIncrement ? static_cast<std::uint16_t>(datafmt::kRecAutoInc) : field.offset;
    return key;
}

TKeyBuilder::TKeyBuilder(std::vector<TKeyField> fields, bool caseInsensitive, bool uniquenessSuffix,
                         const TLocaleCollator* locale)
    : fields_(std::move(fields)), caseInsensitive_(caseInsensitive),
      uniquenessSuffix_(uniquenessSuffix), locale_(locale) {
    keyLength_ = 0;
    requiredRecordLength_ = datafmt::kRecAutoInc + 4;
    for (const TKeyField& f : fields_) {
        keyLength_ += f.storedSize + 1;
        const int end = f.recordOffset + f.storedSize + (f.autoIncrement ? 0 : 1);
        requiredRecordLength_ = std::max(requiredRecordLength_, end);
    }
    if (uniquenessSuffix_)
        keyLength_ += indexfmt::kUniquenessSuffixSize;
}

int TKeyBuilder::PrefixLength(int fieldCount) const {
    int length = 0;
    for (int i = 0; i < fieldCount && i < static_cast<int>(fields_.size()); ++i)
        length += fields_[i].storedSize + 1;
    return length;
}

std::vector<TKeyStringSegment> TKeyBuilder::StringSegments() const {
    std::vector<TKeyStringSegment> segments;
    int offset = 0;
    for (const TKeyField& f : fields_) {
        if (f.typeCode == datafmt::kFtString)
            segments.push_back({offset + 1, f.storedSize, f.descending});
        offset += f.storedSize + 1;
    }
    return segments;
}

void TKeyBuilder::EncodeValue(const TKeyField& field, const std::uint8_t* value,
                              bool caseInsensitive, std::uint8_t* out) const {
    const int size = field.storedSize;
    switch (field.typeCode) {
    case datafmt::kFtString: {
        if (locale_) {
            locale_->MapKeyText(value, size, caseInsensitive, out);
            return;
        }
        std::memset(out, 0, size);
        for (int i = 0; i + 1 < size && value[i] != 0; ++i)
            out[i] = caseInsensitive ? UpperAnsi(value[i]) : value[i];
        return;
    }
    case datafmt::kFtDate:
    case datafmt::kFtInt32:
    case datafmt::kFtTime:
    case datafmt::kFtInt16:
    case datafmt::kFtBcd:
        if (size == 2 || size == 4 || size == 8) {
            const std::uint64_t v = GetLittleEndian(value, size);
            PutBigEndian(v ^ (std::uint64_t{1} << (8 * size - 1)), size, out);
            return;
        }
        break;
    case datafmt::kFtBoolean:
    case datafmt::kFtUInt16:
    case datafmt::kFtUInt32:
        if (size == 2 || size == 4) {
            PutBigEndian(GetLittleEndian(value, size), size, out);
            return;
        }
        break;
    case datafmt::kFtFloat:
    case datafmt::kFtTimestamp:
    case datafmt::kFtExtended:
        if (size == 8 || size == 10) {
            EncodeFloatBytes(value, size, out);
            return;
        }
        break;
    default:
        break;
    }
    std::memcpy(out, value, size);
}

void TKeyBuilder::EncodeField(int index, const std::uint8_t* value, bool caseInsensitive,
                              std::uint8_t* out) const {
    const TKeyField& field = fields_.at(index);
    const int size = field.storedSize;
    if (value == nullptr) {
        std::memset(out, 0, size + 1);
    } else {
        out[0] = 1;
        EncodeValue(field, value, caseInsensitive, out + 1);
    }
    // A localized index compares its string values through the collation,
    // which applies their direction itself; every other slot, and every
    // slot of an index without a locale, is compared as bytes and so is
    // inverted here.
    const bool collated = locale_ != nullptr && field.typeCode == datafmt::kFtString;
    if (field.descending && collated) {
        // The presence byte is compared as a byte all the same: inverted,
        // a descending text puts NULL last, as every other descending
        // field does.
        out[0] = static_cast<std::uint8_t>(255 - out[0]);
    } else if (field.descending) {
        // The string slot's last byte is its terminator and stays zero.
        const int inverted = field.typeCode == datafmt::kFtString && size > 0 ? size : size + 1;
        for (int i = 0; i < inverted; ++i)
            out[i] = static_cast<std::uint8_t>(255 - out[i]);
    }
}

void TKeyBuilder::Build(std::span<const std::uint8_t> record, std::uint8_t* key) const {
    if (static_cast<int>(record.size()) < requiredRecordLength_)
        throw std::invalid_argument("record image shorter than the index's fields");
    std::uint8_t* out = key;
    for (int i = 0; i < static_cast<int>(fields_.size()); ++i) {
        const TKeyField& f = fields_[i];
        const std::uint8_t* base = record.data() + f.recordOffset;
        if (f.autoIncrement)
            EncodeField(i, base, out);
        else
            EncodeField(i, base[0] != 0 ? base + 1 : nullptr, out);
        out += f.storedSize + 1;
    }
    if (uniquenessSuffix_)
        EncodeAutoIncrement(
            static_cast<std::int32_t>(GetLittleEndian(record.data() + datafmt::kRecAutoInc, 4)),
            out);
}

void TKeyBuilder::EncodeAutoIncrement(std::int32_t value, std::uint8_t* out) {
    PutBigEndian(static_cast<std::uint32_t>(value) ^ 0x80000000u, 4, out);
}

void TKeyBuilder::BuildSysDeletedKey(std::span<const std::uint8_t> record, std::uint8_t* key) {
    if (record.size() < static_cast<std::size_t>(datafmt::kRecAutoInc + 4))
        throw std::invalid_argument("record image shorter than its prefix");
    key[0] = record[datafmt::kRecDeleted];
    EncodeAutoIncrement(
        static_cast<std::int32_t>(GetLittleEndian(record.data() + datafmt::kRecAutoInc, 4)),
        key + 1);
}

} // namespace tabula
