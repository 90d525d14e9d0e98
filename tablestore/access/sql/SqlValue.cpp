// Construction and reading of SQL values; the byte encodings are those of
// record images (see SqlValue.h).
#include "SqlValue.h"

#include "FieldDescriptor.h"

#include <cmath>
#include <cstring>

namespace tabula {

using namespace datafmt;

int SqlFixedSize(std::uint8_t code) {
    // The scalar types other than strings have the stored width of their
    // record encoding, which does not depend on a declared size.
    return SqlIsScalar(code) && code != kFtString ? TFieldDescriptor::StoredSizeOf(code, 0) : 0;
}

bool SqlIsInteger(std::uint8_t code) {
    return code == kFtInt16 || code == kFtInt32 || code == kFtUInt16;
}

bool SqlIsNumeric(std::uint8_t code) {
    return SqlIsInteger(code) || code == kFtFloat || code == kFtBcd;
}

bool SqlIsTemporal(std::uint8_t code) {
    return code == kFtDate || code == kFtTime || code == kFtTimestamp;
}

bool SqlValueIsStoredBytes(std::uint8_t code) {
    switch (code) {
    case kFtString:
    case kFtInt16:
    case kFtInt32:
    case kFtUInt16:
    case kFtDate:
    case kFtTime:
    case kFtFloat:
    case kFtTimestamp:
        return true;
    default:
        return false;
    }
}

bool SqlIsScalar(std::uint8_t code) {
    return code == kFtString || code == kFtDate || code == kFtBoolean || SqlIsNumeric(code) ||
           code == kFtTime || code == kFtTimestamp;
}

TSqlValue TSqlValue::NullOf(const TSqlType& type) {
    TSqlValue v;
    v.type_ = type.code;
    v.subtype_ = type.subtype;
    v.decimals_ = type.decimals;
    const int width = type.code == kFtString ? 1 : SqlFixedSize(type.code);
    v.bytes_.AssignZeros(static_cast<std::size_t>(width));
    v.null_ = true;
    return v;
}

TSqlValue TSqlValue::String(std::string_view text) {
    TSqlValue v;
    v.type_ = kFtString;
    v.null_ = false;
    v.bytes_.AssignText(text.data(), text.size());
    return v;
}

TSqlValue TSqlValue::OfWidth(std::uint8_t type, std::size_t width) {
    TSqlValue v;
    v.type_ = type;
    v.null_ = false;
    v.bytes_.AssignZeros(width);
    return v;
}

TSqlValue TSqlValue::Boolean(bool value) {
    TSqlValue v = OfWidth(kFtBoolean, 2);
    PutI16(v.bytes_.data(), value ? -1 : 0);
    return v;
}

TSqlValue TSqlValue::Int16(std::int16_t value) {
    TSqlValue v = OfWidth(kFtInt16, 2);
    PutI16(v.bytes_.data(), value);
    return v;
}

TSqlValue TSqlValue::Int32(std::int32_t value) {
    TSqlValue v = OfWidth(kFtInt32, 4);
    PutI32(v.bytes_.data(), value);
    return v;
}

TSqlValue TSqlValue::UInt16(std::uint16_t value) {
    TSqlValue v = OfWidth(kFtUInt16, 2);
    PutU16(v.bytes_.data(), value);
    return v;
}

TSqlValue TSqlValue::Float(double value, bool money) {
    TSqlValue v = OfWidth(kFtFloat, 8);
    v.subtype_ = money ? kMoneySubtype : 0;
    PutDouble(v.bytes_.data(), value);
    return v;
}

TSqlValue TSqlValue::Bcd(TCurrency value, int decimals) {
    TSqlValue v = OfWidth(kFtBcd, 8);
    v.decimals_ = decimals;
    if (auto stored = EncodeBcd(value, decimals)) {
        PutI64(v.bytes_.data(), *stored);
    } else {
        v.null_ = true;
        if (auto zero = EncodeBcd(0, decimals))
            PutI64(v.bytes_.data(), *zero);
    }
    return v;
}

TSqlValue TSqlValue::Date(std::int32_t dayNumber) {
    TSqlValue v = OfWidth(kFtDate, 4);
    PutI32(v.bytes_.data(), dayNumber);
    return v;
}

TSqlValue TSqlValue::Time(std::int32_t msOfDay) {
    TSqlValue v = OfWidth(kFtTime, 4);
    PutI32(v.bytes_.data(), msOfDay);
    return v;
}

TSqlValue TSqlValue::Timestamp(double value) {
    TSqlValue v = OfWidth(kFtTimestamp, 8);
    PutDouble(v.bytes_.data(), value);
    return v;
}

TSqlValue TSqlValue::FromBytes(std::uint8_t type, std::uint8_t subtype, int decimals,
                               std::vector<std::uint8_t> bytes, bool null) {
    TSqlValue v;
    v.type_ = type;
    v.subtype_ = subtype;
    v.decimals_ = decimals;
    v.bytes_.Assign(bytes.data(), bytes.size());
    v.null_ = null;
    return v;
}

std::string TSqlValue::AsString() const {
    if (type_ != kFtString || bytes_.empty())
        return {};
    // Stop at the first zero: a value read from a record may carry bytes
    // after its terminator.
    const char* text = reinterpret_cast<const char*>(bytes_.data());
    return std::string(text, strnlen(text, bytes_.size() - 1));
}

bool TSqlValue::AsBoolean() const {
    return type_ == kFtBoolean && bytes_.size() >= 2 && GetI16(bytes_.data()) != 0;
}

std::int64_t TSqlValue::AsInteger() const {
    switch (type_) {
    case kFtBoolean:
    case kFtInt16:
        return bytes_.size() >= 2 ? GetI16(bytes_.data()) : 0;
    case kFtUInt16:
        return bytes_.size() >= 2 ? GetU16(bytes_.data()) : 0;
    case kFtInt32:
    case kFtDate:
    case kFtTime:
        return bytes_.size() >= 4 ? GetI32(bytes_.data()) : 0;
    case kFtFloat:
    case kFtTimestamp: {
        const double d = AsFloat();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return 0;
        return static_cast<std::int64_t>(d); // truncated toward zero
    }
    case kFtBcd:
        return AsCurrency() / kCurrencyScale;
    default:
        return 0;
    }
}

double TSqlValue::AsFloat() const {
    switch (type_) {
    case kFtFloat:
    case kFtTimestamp:
        return bytes_.size() >= 8 ? GetDouble(bytes_.data()) : 0.0;
    case kFtBcd:
        return static_cast<double>(AsCurrency()) / kCurrencyScale;
    default:
        return static_cast<double>(AsInteger());
    }
}

TCurrency TSqlValue::AsCurrency() const {
    switch (type_) {
    case kFtBcd: {
        if (bytes_.size() < 8)
            return 0;
        return DecodeBcd(GetI64(bytes_.data()), decimals_).value_or(0);
    }
    case kFtFloat: {
        const double scaled = std::round(AsFloat() * kCurrencyScale);
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
            return 0;
        return static_cast<TCurrency>(scaled);
    }
    default:
        return AsInteger() * kCurrencyScale;
    }
}

std::int32_t TSqlValue::AsDayNumber() const {
    if (type_ == kFtTimestamp) {
        const double day = std::floor(AsFloat() / kMsPerDay);
        return std::isfinite(day) && std::fabs(day) < 2e9 ? static_cast<std::int32_t>(day) : 0;
    }
    return type_ == kFtDate && bytes_.size() >= 4 ? GetI32(bytes_.data()) : 0;
}

std::int32_t TSqlValue::AsMilliseconds() const {
    return type_ == kFtTime && bytes_.size() >= 4 ? GetI32(bytes_.data()) : 0;
}

double TSqlValue::AsTimestamp() const {
    if (type_ == kFtDate)
        return static_cast<double>(AsDayNumber()) * kMsPerDay;
    return type_ == kFtTimestamp ? AsFloat() : 0.0;
}

} // namespace tabula
