// TFieldText: descriptor texts turned into field values.
#include "FieldText.h"

#include "DataFileFormat.h"
#include "TextBlanks.h"

#include <algorithm>

namespace tabula {

using namespace datafmt;

namespace {

std::string Keyword(const std::string& text) {
    std::string upper(TrimSpaces(text));
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::vector<std::uint8_t> Int32Bytes(std::int32_t v) {
    std::vector<std::uint8_t> bytes(4);
    PutI32(bytes.data(), v);
    return bytes;
}

std::vector<std::uint8_t> UInt16Bytes(std::uint16_t v) {
    std::vector<std::uint8_t> bytes(2);
    PutU16(bytes.data(), v);
    return bytes;
}

std::vector<std::uint8_t> DoubleBytes(double v) {
    std::vector<std::uint8_t> bytes(8);
    PutDouble(bytes.data(), v);
    return bytes;
}

std::optional<std::int64_t> IntegerIn(const std::string& text, const TFormatSettings& formats,
                                      std::int64_t low, std::int64_t high) {
    const auto value = formats.ParseInteger(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

} // namespace

bool TFieldText::IsAcceptable(const TFieldDescriptor& field, const std::string& text,
                              const TFormatSettings& formats) {
    if (text.empty())
        return true;
    switch (field.type) {
    case kFtDate:
    case kFtBoolean:
    case kFtInt16:
    case kFtInt32:
    case kFtFloat:
    case kFtBcd:
    case kFtTime:
    case kFtTimestamp:
    case kFtUInt16:
        // The clock only matters for keywords, which are valid at any time.
        return ToValue(field, text, formats, TDateTimeParts{}).has_value();
    default: // strings, bytes and every other type take any text
        return true;
    }
}

std::optional<std::vector<std::uint8_t>> TFieldText::ToValue(const TFieldDescriptor& field,
                                                             const std::string& text,
                                                             const TFormatSettings& formats,
                                                             const TDateTimeParts& now) {
    if (text.empty())
        return std::nullopt;
    const std::string keyword = Keyword(text);
    switch (field.type) {
    case kFtString:
        return std::vector<std::uint8_t>(text.begin(), text.end());
    case kFtDate: {
        if (keyword == "DATE")
            return Int32Bytes(DayNumber(now.year, now.month, now.day));
        const auto date = formats.ParseDate(text);
        if (!date)
            return std::nullopt;
        return Int32Bytes(DayNumber(date->year, date->month, date->day));
    }
    case kFtBoolean:
        if (keyword == "TRUE")
            return UInt16Bytes(1);
        if (keyword == "FALSE")
            return UInt16Bytes(0);
        return std::nullopt;
    case kFtInt16: {
        const auto v = IntegerIn(text, formats, INT16_MIN, INT16_MAX);
        if (!v)
            return std::nullopt;
        return UInt16Bytes(static_cast<std::uint16_t>(static_cast<std::int16_t>(*v)));
    }
    case kFtInt32: {
        const auto v = IntegerIn(text, formats, INT32_MIN, INT32_MAX);
        if (!v)
            return std::nullopt;
        return Int32Bytes(static_cast<std::int32_t>(*v));
    }
    case kFtUInt16: {
        const auto v = IntegerIn(text, formats, 0, UINT16_MAX);
        if (!v)
            return std::nullopt;
        return UInt16Bytes(static_cast<std::uint16_t>(*v));
    }
    case kFtFloat: {
        const auto v = formats.ParseFloat(text);
        if (!v)
            return std::nullopt;
        return DoubleBytes(*v);
    }
    case kFtBcd: {
        const auto v = formats.ParseCurrency(text);
        if (!v)
            return std::nullopt;
        const auto stored = EncodeBcd(*v, field.declaredDecimals);
        if (!stored)
            return std::nullopt;
        std::vector<std::uint8_t> bytes(8);
        PutI64(bytes.data(), *stored);
        return bytes;
    }
    case kFtTime: {
        if (keyword == "TIME")
            return Int32Bytes(TimeOfDayMs(now.hour, now.minute, now.second, now.millisecond));
        const auto time = formats.ParseTime(text);
        if (!time)
            return std::nullopt;
        return Int32Bytes(TimeOfDayMs(time->hour, time->minute, time->second, time->millisecond));
    }
    case kFtTimestamp: {
        TDateTimeParts parts;
        if (keyword == "NOW") {
            parts = now;
        } else if (keyword == "DATE") {
            parts = TDateTimeParts{now.year, now.month, now.day, 0, 0, 0, 0};
        } else if (keyword == "TIME") {
            parts = now;
            parts.year = 1899;
            parts.month = 12;
            parts.day = 30;
        } else {
            const auto value = formats.ParseDateTime(text);
            if (!value)
                return std::nullopt;
            parts = *value;
        }
        return DoubleBytes(TimestampValue(parts));
    }
    default:
        return std::nullopt;
    }
}

} // namespace tabula
