// The engine form of parameter values and the stored parameter image
// (layout in ParamImageFormat.h).
#include "ParamImage.h"

#include "AccessMessages.h"
#include "DataFileFormat.h"
#include "SqlConvert.h"

#include <cmath>
#include <cstring>

namespace tabula {

using namespace datafmt;

namespace paramfmt {

namespace {
// Index = stored number.
constexpr TFieldType kStoredTypes[] = {
    TFieldType::ftUnknown, TFieldType::ftString,      TFieldType::ftSmallint,
    TFieldType::ftInteger, TFieldType::ftWord,        TFieldType::ftBoolean,
    TFieldType::ftFloat,   TFieldType::ftCurrency,    TFieldType::ftBCD,
    TFieldType::ftDate,    TFieldType::ftTime,        TFieldType::ftDateTime,
    TFieldType::ftBytes,   TFieldType::ftVarBytes,    TFieldType::ftAutoInc,
    TFieldType::ftBlob,    TFieldType::ftMemo,        TFieldType::ftGraphic,
    TFieldType::ftFmtMemo, TFieldType::ftTypedBinary, TFieldType::ftLargeint,
    TFieldType::ftADT,     TFieldType::ftArray,       TFieldType::ftReference,
    TFieldType::ftDataSet,
};
static_assert(std::size(kStoredTypes) == kParamTypeLast + 1);
} // namespace

std::uint8_t StoredTypeNumber(TFieldType type) {
    for (std::size_t i = 0; i < std::size(kStoredTypes); ++i)
        if (kStoredTypes[i] == type)
            return static_cast<std::uint8_t>(i);
    return kParamTypeUnknown;
}

TFieldType FieldTypeOfStored(std::uint8_t number) {
    return number <= kParamTypeLast ? kStoredTypes[number] : TFieldType::ftUnknown;
}

} // namespace paramfmt

namespace {

// Width of the engine form of a fixed-size type; 0 for text types and for
// types without an engine form.
std::size_t EngineWidth(TFieldType type) {
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
        return 2;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
    case TFieldType::ftDate:
    case TFieldType::ftTime:
        return 4;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftDateTime:
        return 8;
    default:
        return 0;
    }
}

bool IsTextType(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftMemo;
}

void CheckHasEngineForm(const std::string& name, TFieldType type) {
    if (type == TFieldType::ftUnknown)
        msg::Raise(msg::kFieldTypeUnknown, name);
    if (!IsTextType(type) && EngineWidth(type) == 0)
        msg::Raise(msg::kFieldTypeUnsupported, name);
}

} // namespace

std::vector<std::uint8_t> ParamEngineValue(const TTabulaParam& param) {
    const TFieldType type = param.DataType();
    CheckHasEngineForm(param.Name(), type);
    if (IsTextType(type)) {
        const std::string text = param.IsNull() ? std::string() : param.AsString();
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    }
    std::vector<std::uint8_t> bytes(EngineWidth(type), 0);
    if (param.IsNull())
        return bytes;
    std::uint8_t* p = bytes.data();
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
        PutU16(p, static_cast<std::uint16_t>(param.AsInteger()));
        break;
    case TFieldType::ftBoolean:
        PutU16(p, param.AsBoolean() ? 1 : 0);
        break;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        PutU32(p, static_cast<std::uint32_t>(param.AsInteger()));
        break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
        PutDouble(p, param.AsFloat());
        break;
    case TFieldType::ftBCD: {
        const auto stored = EncodeBcd(param.AsCurrency(), 4);
        if (!stored)
            msg::Raise(msg::kNotFloat, param.AsString());
        PutI64(p, *stored);
        break;
    }
    default: { // ftDate, ftTime, ftDateTime
        const TDateTimeParts parts = PartsFromDateTime(param.AsDateTime());
        const std::int32_t day = DayNumber(parts.year, parts.month, parts.day);
        const std::int32_t ms =
            TimeOfDayMs(parts.hour, parts.minute, parts.second, parts.millisecond);
        if (type == TFieldType::ftDate)
            PutI32(p, day);
        else if (type == TFieldType::ftTime)
            PutI32(p, ms);
        else
            PutDouble(p, TimestampValue(day, ms));
        break;
    }
    }
    return bytes;
}

std::optional<TVariant> ParamValueFromEngine(const std::string& name, TFieldType type,
                                             std::span<const std::uint8_t> bytes) {
    CheckHasEngineForm(name, type);
    if (IsTextType(type)) {
        if (bytes.empty() || bytes.back() != 0)
            return std::nullopt;
        const auto* begin = reinterpret_cast<const char*>(bytes.data());
        return std::string(begin, ::strnlen(begin, bytes.size()));
    }
    if (bytes.size() != EngineWidth(type))
        return std::nullopt;
    const std::uint8_t* p = bytes.data();
    switch (type) {
    case TFieldType::ftSmallint:
        return TVariant(std::int64_t{GetI16(p)});
    case TFieldType::ftWord:
        return TVariant(std::int64_t{GetU16(p)});
    case TFieldType::ftBoolean:
        return TVariant(GetU16(p) != 0);
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        return TVariant(std::int64_t{GetI32(p)});
    case TFieldType::ftFloat:
        return TVariant(GetDouble(p));
    case TFieldType::ftCurrency: {
        const double scaled = std::round(GetDouble(p) * kCurrencyScale);
        if (!(std::fabs(scaled) < 9.2e18))
            return TVariant(GetDouble(p)); // beyond the currency range: kept as a float
        return TVariant(TCurrencyValue{static_cast<TCurrency>(scaled)});
    }
    case TFieldType::ftBCD: {
        const auto value = DecodeBcd(GetI64(p), 4);
        if (!value)
            return std::nullopt;
        return TVariant(TCurrencyValue{*value});
    }
    case TFieldType::ftDate: {
        const auto date = DateOfDayNumber(GetI32(p));
        if (!date)
            return std::nullopt;
        return TVariant(DateTimeFromParts(*date));
    }
    case TFieldType::ftTime: {
        const std::int32_t ms = GetI32(p);
        if (ms < 0 || ms >= kMsPerDay)
            return std::nullopt;
        return TVariant(TDateTime{static_cast<double>(ms) / kMsPerDay});
    }
    default: { // ftDateTime
        const auto parts = PartsOfTimestamp(GetDouble(p));
        if (!parts)
            return std::nullopt;
        return TVariant(DateTimeFromParts(*parts));
    }
    }
}

// ---- the stored image ------------------------------------------------------------

namespace {

using namespace paramfmt;

[[noreturn]] void FailLoad() {
    msg::Raise(msg::kParamsUnloadable);
}

class TImageWriter {
public:
    void Put(std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void PutBytes(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads an untrusted image; every read that would pass the end fails.
class TImageReader {
public:
    explicit TImageReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t Get(std::size_t width) {
        Need(width);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>(bytes_[pos_ + i]) << (8 * i);
        pos_ += width;
        return value;
    }
    std::span<const std::uint8_t> GetBytes(std::uint64_t count) {
        Need(count);
        auto span = bytes_.subspan(pos_, static_cast<std::size_t>(count));
        pos_ += static_cast<std::size_t>(count);
        return span;
    }
    std::size_t Remaining() const { return bytes_.size() - pos_; }

private:
    void Need(std::uint64_t count) const {
        if (count > Remaining())
            FailLoad();
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::vector<std::uint8_t> WriteParamImage(const TTabulaParams& params) {
    if (params.IsEmpty())
        return {};
    TImageWriter out;
    out.Put(kParamImageVersion, kVersionWidth);
    out.Put(static_cast<std::uint64_t>(params.Count()), kNarrowCountWidth);
    for (int i = 0; i < params.Count(); ++i) {
        const TTabulaParam& p = params[i];
        // The narrow layout holds names of up to 255 characters.
        const std::string name = p.Name().substr(0, 255);
        out.Put(name.size(), kNarrowNameLengthWidth);
        out.PutBytes({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
        out.Put(static_cast<std::uint8_t>(p.ParamType()), kKindWidth);
        const std::uint8_t type = StoredTypeNumber(p.DataType());
        out.Put(type, kDataTypeWidth);
        if (type != kParamTypeUnknown) {
            const std::vector<std::uint8_t> value = ParamEngineValue(p);
            if (value.size() > kMaxStoredValueSize) {
                std::string text = msg::Format(msg::kParamTooLarge, p.Name());
                text.replace(text.find("%d"), 2, std::to_string(kMaxStoredValueSize));
                msg::Raise(text.c_str());
            }
            out.Put(value.size(), kNarrowValueSizeWidth);
            out.PutBytes(value);
        }
        out.Put(p.IsNull() ? 1 : 0, kFlagWidth);
        out.Put(p.Bound() ? 1 : 0, kFlagWidth);
    }
    return out.Take();
}

void ReadParamImage(std::span<const std::uint8_t> image, TTabulaParams& params) {
    TImageReader in(image);
    TTabulaParams result;
    try {
        const auto version = static_cast<std::uint16_t>(in.Get(kVersionWidth));
        if (version > kMaxReadVersion)
            FailLoad();
        const bool wide = version == kWideVersion;
        const std::uint64_t count = in.Get(wide ? kWideWidth : kNarrowCountWidth);
        // Each parameter takes at least a name length, kind, type and two
        // flags: a count the remaining bytes cannot hold is damage, and
        // refusing it here bounds what the list can grow to.
        const std::size_t minEntry = (wide ? kWideWidth : kNarrowNameLengthWidth) + kKindWidth +
                                     kDataTypeWidth + 2 * kFlagWidth;
        if (count > in.Remaining() / minEntry)
            FailLoad();
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t nameLength = in.Get(wide ? kWideWidth : kNarrowNameLengthWidth);
            const auto nameBytes = in.GetBytes(nameLength);
            const std::string name(nameBytes.begin(), nameBytes.end());
            const auto kind = static_cast<std::uint8_t>(in.Get(kKindWidth));
            if (kind > static_cast<std::uint8_t>(TParamType::ptResult))
                FailLoad();
            const auto typeNumber = static_cast<std::uint8_t>(in.Get(kDataTypeWidth));
            if (typeNumber > kParamTypeLast)
                FailLoad();
            const TFieldType type = FieldTypeOfStored(typeNumber);
            TTabulaParam& param = result.CreateParam(type, name, static_cast<TParamType>(kind));
            std::span<const std::uint8_t> bytes;
            if (typeNumber != kParamTypeUnknown) {
                const std::uint64_t size = in.Get(wide ? kWideWidth : kNarrowValueSizeWidth);
                if (size > kMaxReadValueSize)
                    FailLoad();
                bytes = in.GetBytes(size);
                // A stored type without an engine form cannot have been
                // written by us: damage, not a parameter to refuse by name.
                if (!IsTextType(type) && EngineWidth(type) == 0)
                    FailLoad();
            }
            const bool null = in.Get(kFlagWidth) != 0;
            const bool bound = in.Get(kFlagWidth) != 0;
            // A Null value is stored as its type's zero, which need not be
            // a valid value (day 0): only present values are decoded.
            TVariant value;
            if (typeNumber != kParamTypeUnknown && !null) {
                auto decoded = ParamValueFromEngine(name, type, bytes);
                if (!decoded)
                    FailLoad();
                value = std::move(*decoded);
            }
            param.SetValueOfType(value, type);
            param.SetBound(bound);
        }
    } catch (const EDatabaseError&) {
        FailLoad();
    }
    params = std::move(result);
}

} // namespace tabula
