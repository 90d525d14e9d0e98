// TFieldDescriptor: the 768-byte field descriptor image.
#include "FieldDescriptor.h"

#include <algorithm>

namespace tabula {

using namespace datafmt;

namespace {

std::string ReadText(const std::uint8_t* p, std::size_t maxLength) {
    const std::size_t length = std::min<std::size_t>(p[0], maxLength);
    return std::string(reinterpret_cast<const char*>(p + 1), length);
}

void WriteText(std::uint8_t* p, std::size_t maxLength, const std::string& text) {
    const std::size_t length = std::min(text.size(), maxLength);
    p[0] = static_cast<std::uint8_t>(length);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), p + 1);
}

} // namespace

int TFieldDescriptor::StoredSizeOf(std::uint8_t type, int declaredSize) {
    switch (type) {
    case kFtString:
        return declaredSize + 1;
    case kFtDate:
    case kFtBlob:
    case kFtInt32:
    case kFtTime:
    case kFtUInt32:
        return 4;
    case kFtBoolean:
    case kFtInt16:
    case kFtUInt16:
        return 2;
    case kFtFloat:
    case kFtBcd:
    case kFtTimestamp:
        return 8;
    case kFtExtended:
        return 10;
    default: // none, bytes, variable bytes and every unknown code
        return declaredSize;
    }
}

TFieldDescriptor TFieldDescriptor::Make(int number, std::string name, std::uint8_t type,
                                        int declaredSize, int declaredDecimals,
                                        std::uint8_t subtype) {
    TFieldDescriptor d;
    d.fieldNumber = static_cast<std::int16_t>(number);
    d.name = std::move(name);
    d.type = type;
    d.subtype = subtype;
    d.declaredSize = static_cast<std::uint8_t>(declaredSize);
    d.declaredDecimals = static_cast<std::uint8_t>(declaredDecimals);
    return d;
}

void TFieldDescriptor::RefreshStoredSize() {
    storedSize = static_cast<std::uint8_t>(StoredSizeOf(type, declaredSize));
    decimalsCopy = declaredDecimals;
}

TFieldDescriptor TFieldDescriptor::Decode(std::span<const std::uint8_t, kDescriptorSize> image) {
    const std::uint8_t* p = image.data();
    TFieldDescriptor d;
    d.fieldNumber = GetI16(p + kFdFieldNumber);
    d.name = ReadText(p + kFdName, kMaxFieldNameLength);
    d.type = p[kFdType];
    d.subtype = p[kFdSubtype];
    d.declaredSize = p[kFdDeclaredSize];
    d.declaredDecimals = p[kFdDecimals];
    d.storedSize = p[kFdStoredSize];
    d.decimalsCopy = p[kFdDecimalsCopy];
    d.offset = GetU16(p + kFdOffset);
    d.required = p[kFdRequired];
    d.minimum = ReadText(p + kFdMinimum, kMaxCheckTextLength);
    d.maximum = ReadText(p + kFdMaximum, kMaxCheckTextLength);
    d.defaultValue = ReadText(p + kFdDefault, kMaxCheckTextLength);
    d.calculated = p[kFdCalculated];
    return d;
}

std::array<std::uint8_t, kDescriptorSize> TFieldDescriptor::Encode() const {
    std::array<std::uint8_t, kDescriptorSize> image{};
    std::uint8_t* p = image.data();
    PutI16(p + kFdFieldNumber, fieldNumber);
    WriteText(p + kFdName, kMaxFieldNameLength, name);
    p[kFdType] = type;
    p[kFdSubtype] = subtype;
    p[kFdDeclaredSize] = declaredSize;
    p[kFdDecimals] = declaredDecimals;
    p[kFdStoredSize] = storedSize;
    p[kFdDecimalsCopy] = decimalsCopy;
    PutU16(p + kFdOffset, offset);
    p[kFdRequired] = required;
    WriteText(p + kFdMinimum, kMaxCheckTextLength, minimum);
    WriteText(p + kFdMaximum, kMaxCheckTextLength, maximum);
    WriteText(p + kFdDefault, kMaxCheckTextLength, defaultValue);
    p[kFdCalculated] = calculated;
    return image;
}

std::vector<TFieldDescriptor> DecodeDescriptorBlock(std::span<const std::uint8_t> block,
                                                    std::size_t count) {
    std::vector<TFieldDescriptor> fields;
    const std::size_t available = std::min(count, block.size() / kDescriptorSize);
    fields.reserve(available);
    for (std::size_t i = 0; i < available; ++i)
        fields.push_back(
            TFieldDescriptor::Decode(block.subspan(i * kDescriptorSize).first<kDescriptorSize>()));
    return fields;
}

std::vector<std::uint8_t> EncodeDescriptorBlock(const std::vector<TFieldDescriptor>& fields) {
    std::vector<std::uint8_t> block;
    block.reserve(fields.size() * kDescriptorSize);
    for (const TFieldDescriptor& field : fields) {
        const auto image = field.Encode();
        block.insert(block.end(), image.begin(), image.end());
    }
    return block;
}

int AssignFieldOffsets(std::vector<TFieldDescriptor>& fields) {
    int running = static_cast<int>(kRecFields);
    for (TFieldDescriptor& field : fields) {
        field.RefreshStoredSize();
        if (field.IsAutoIncrement()) {
            field.offset = static_cast<std::uint16_t>(kRecAutoInc);
        } else {
            field.offset = static_cast<std::uint16_t>(running);
            running += TFieldDescriptor::StoredSizeOf(field.type, field.declaredSize) + 1;
        }
    }
    return running;
}

} // namespace tabula
