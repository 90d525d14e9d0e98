// TRecordRules: defaults of a fresh record and the constraint check.
#include "RecordRules.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldText.h"
#include "RecordImage.h"
#include "TableLocale.h"

#include <algorithm>
#include <optional>

namespace tabula {

using namespace datafmt;

namespace {

TFormatSettings FormatsOf(const TTableLocale* locale) {
    return locale ? locale->Formats() : TFormatSettings::Global();
}

bool IsBounded(std::uint8_t type) {
    switch (type) {
    case kFtString:
    case kFtDate:
    case kFtTime:
    case kFtTimestamp:
    case kFtInt16:
    case kFtInt32:
    case kFtUInt16:
    case kFtFloat:
    case kFtBcd:
        return true;
    default:
        return false;
    }
}

template <typename T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The bound text as a value slot of the field's stored size (a string is
// normalised as WriteField would store it).
std::optional<std::vector<std::uint8_t>> BoundSlot(const TFieldDescriptor& field,
                                                   const std::string& text,
                                                   const TFormatSettings& formats,
                                                   const TDateTimeParts& now) {
    const auto value = TFieldText::ToValue(field, text, formats, now);
    if (!value)
        return std::nullopt;
    std::vector<std::uint8_t> slot(field.storedSize, 0);
    if (field.type == kFtString) {
        std::size_t length = value->size();
        while (length > 0 && (*value)[length - 1] == ' ')
            --length;
        length = std::min<std::size_t>(length, field.storedSize == 0 ? 0 : field.storedSize - 1u);
        std::copy_n(value->begin(), length, slot.begin());
    } else {
        std::copy_n(value->begin(), std::min(value->size(), slot.size()), slot.begin());
    }
    return slot;
}

// Compares a value slot with a bound slot of the same field; both hold
// stored-size bytes.
int CompareSlots(const TFieldDescriptor& field, const std::uint8_t* a, const std::uint8_t* b,
                 const TTableLocale* locale) {
    const std::size_t size = field.storedSize;
    switch (field.type) {
    case kFtString:
        if (locale)
            return locale->Compare(a, b, size);
        for (std::size_t i = 0; i < size; ++i) {
            if (a[i] != b[i])
                return a[i] < b[i] ? -1 : 1;
            if (a[i] == 0)
                break;
        }
        return 0;
    case kFtDate:
    case kFtTime:
    case kFtInt32:
        return Order(GetI32(a), GetI32(b));
    case kFtInt16:
        return Order(GetI16(a), GetI16(b));
    case kFtUInt16:
        return Order(GetU16(a), GetU16(b));
    case kFtFloat:
    case kFtTimestamp:
        return Order(GetDouble(a), GetDouble(b));
    case kFtBcd: {
        const auto x = DecodeBcd(GetI64(a), field.declaredDecimals);
        const auto y = DecodeBcd(GetI64(b), field.declaredDecimals);
        if (x && y)
            return Order(*x, *y);
        return Order(GetI64(a), GetI64(b));
    }
    default:
        return 0;
    }
}

} // namespace

bool TRecordRules::HasDefaults(const std::vector<TFieldDescriptor>& fields) {
    return std::any_of(fields.begin(), fields.end(),
                       [](const auto& f) { return !f.defaultValue.empty(); });
}

bool TRecordRules::HasConstraints(const std::vector<TFieldDescriptor>& fields) {
    return std::any_of(fields.begin(), fields.end(), [](const auto& f) {
        return f.IsRequired() || !f.minimum.empty() || !f.maximum.empty();
    });
}

void TRecordRules::InitRecord(const std::vector<TFieldDescriptor>& fields,
                              std::span<std::uint8_t> image, const TTableLocale* locale,
                              const TDateTimeParts& now) {
    std::fill(image.begin(), image.end(), std::uint8_t{0});
    if (!HasDefaults(fields))
        return;
    const TFormatSettings formats = FormatsOf(locale);
    for (const TFieldDescriptor& field : fields) {
        if (field.defaultValue.empty())
            continue;
        if (const auto value = TFieldText::ToValue(field, field.defaultValue, formats, now))
            WriteField(field, image, *value);
    }
}

void TRecordRules::CheckConstraints(const std::vector<TFieldDescriptor>& fields,
                                    std::span<const std::uint8_t> image, const TTableLocale* locale,
                                    const TDateTimeParts& now, const std::string& dataFileName) {
    if (!HasConstraints(fields))
        return;
    const TFormatSettings formats = FormatsOf(locale);
    for (const TFieldDescriptor& field : fields) {
        if (!field.IsRequired() && field.minimum.empty() && field.maximum.empty())
            continue;
        const TFieldRead read = ReadField(field, image);
        if (field.IsRequired() && read.isNull)
            RaiseEngineError(kErrValueRequired, dataFileName, field.name);
        if (!IsBounded(field.type))
            continue;
        // A null value's bytes are all zero: the zero value of its type.
        if (const auto low = BoundSlot(field, field.minimum, formats, now))
            if (CompareSlots(field, read.value.data(), low->data(), locale) < 0)
                RaiseEngineError(kErrBelowMinimum, dataFileName, field.name);
        if (const auto high = BoundSlot(field, field.maximum, formats, now))
            if (CompareSlots(field, read.value.data(), high->data(), locale) > 0)
                RaiseEngineError(kErrAboveMaximum, dataFileName, field.name);
    }
}

} // namespace tabula
