// The value-conversion table of INSERT and UPDATE (see SqlConvert.h).
#include "SqlConvert.h"

#include "DataFileFormat.h"
#include "FieldTypes.h"
#include "FormatSettings.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <strings.h>

namespace tabula {

using namespace datafmt;

namespace {

using TBytes = std::vector<std::uint8_t>;
using TResult = std::optional<TBytes>;

// The zero bytes of a column, filled by the writers below.
class TColumnBytes {
public:
    explicit TColumnBytes(const TFieldDescriptor& column)
        : column_(column), bytes_(static_cast<std::size_t>(TFieldDescriptor::StoredSizeOf(
                                      column.type, column.declaredSize)),
                                  0) {}

    // The first bytes of a value, as many as the column holds.
    TResult Raw(std::span<const std::uint8_t> value) {
        std::copy_n(value.begin(), std::min(value.size(), bytes_.size()), bytes_.begin());
        return std::move(bytes_);
    }
    // Text cut to the column's length; the rest stays zero.
    TResult Text(const std::string& text) {
        if (bytes_.empty())
            return std::nullopt;
        const std::size_t n = std::min(text.size(), bytes_.size() - 1);
        std::copy_n(text.begin(), n, bytes_.begin());
        return std::move(bytes_);
    }
    // An integer into a 16-bit, 32-bit, 16-bit unsigned or boolean column:
    // the low bits of the column's width.
    TResult Integer(std::int64_t value) {
        if (column_.type == kFtInt32)
            PutU32(bytes_.data(), static_cast<std::uint32_t>(value));
        else
            PutU16(bytes_.data(), static_cast<std::uint16_t>(value));
        return std::move(bytes_);
    }
    TResult Float(double value) {
        PutDouble(bytes_.data(), value);
        return std::move(bytes_);
    }
    // A currency value encoded with the column's decimals.
    TResult Bcd(TCurrency value) {
        const auto stored = EncodeBcd(value, column_.declaredDecimals);
        if (!stored)
            return std::nullopt;
        PutI64(bytes_.data(), *stored);
        return std::move(bytes_);
    }
    TResult Int32(std::int32_t value) {
        PutI32(bytes_.data(), value);
        return std::move(bytes_);
    }

    // A number into an integer, float or BCD column; nullopt for others.
    TResult Number(std::int64_t value) {
        if (SqlIsInteger(column_.type))
            return Integer(value);
        if (column_.type == kFtFloat)
            return Float(static_cast<double>(value));
        if (column_.type == kFtBcd) {
            if (value > INT64_MAX / kCurrencyScale || value < INT64_MIN / kCurrencyScale)
                return std::nullopt;
            return Bcd(value * kCurrencyScale);
        }
        return std::nullopt;
    }

private:
    const TFieldDescriptor& column_;
    TBytes bytes_;
};

// Truncation toward zero of a float that an integer can hold.
std::optional<std::int64_t> TruncatedFloat(double value) {
    const double t = std::trunc(value);
    if (!(t > -9.2e18 && t < 9.2e18))
        return std::nullopt;
    return static_cast<std::int64_t>(t);
}

// Rounding to four decimals (halves away from zero) as a currency value.
std::optional<TCurrency> CurrencyOfFloat(double value) {
    const double scaled = std::round(value * kCurrencyScale);
    if (!(scaled > -9.2e18 && scaled < 9.2e18))
        return std::nullopt;
    return static_cast<TCurrency>(scaled);
}

TResult FromString(const std::string& text, TColumnBytes& out, std::uint8_t column) {
    const TFormatSettings settings = TFormatSettings::Global();
    switch (column) {
    case kFtDate: {
        const auto parts = settings.ParseDate(text);
        if (!parts)
            return std::nullopt;
        return out.Int32(DayNumber(parts->year, parts->month, parts->day));
    }
    case kFtTime: {
        const auto parts = settings.ParseTime(text);
        if (!parts)
            return std::nullopt;
        return out.Int32(
            TimeOfDayMs(parts->hour, parts->minute, parts->second, parts->millisecond));
    }
    case kFtTimestamp: {
        const auto parts = settings.ParseDateTime(text);
        if (!parts)
            return std::nullopt;
        return out.Float(TimestampValue(*parts));
    }
    case kFtBoolean:
        if (strcasecmp(text.c_str(), "TRUE") == 0)
            return out.Integer(1);
        if (strcasecmp(text.c_str(), "FALSE") == 0)
            return out.Integer(0);
        return std::nullopt;
    case kFtInt16:
    case kFtInt32:
    case kFtUInt16: {
        const auto n = settings.ParseInteger(text);
        if (!n || *n < INT32_MIN || *n > INT32_MAX)
            return std::nullopt;
        return out.Integer(*n);
    }
    case kFtFloat: {
        const auto d = settings.ParseFloat(text);
        if (!d)
            return std::nullopt;
        return out.Float(*d);
    }
    case kFtBcd: {
        const auto c = settings.ParseCurrency(text);
        if (!c)
            return std::nullopt;
        return out.Bcd(*c);
    }
    default:
        return std::nullopt;
    }
}

std::string DecimalText(std::int64_t value) {
    return std::to_string(value);
}

} // namespace

std::optional<TDateTimeParts> PartsOfTimestamp(double stamp) {
    if (!std::isfinite(stamp))
        return std::nullopt;
    const double days = std::floor(stamp / kMsPerDay);
    if (days < 1 || days > kMaxDayNumber)
        return std::nullopt;
    auto parts = DateOfDayNumber(static_cast<std::int32_t>(days));
    if (!parts)
        return std::nullopt;
    const auto ms = static_cast<std::int32_t>(stamp - days * kMsPerDay);
    parts->hour = ms / 3600000;
    parts->minute = ms / 60000 % 60;
    parts->second = ms / 1000 % 60;
    parts->millisecond = ms % 1000;
    return parts;
}

std::optional<std::vector<std::uint8_t>> SqlConvertToColumn(const TSqlValue& value,
                                                            const TFieldDescriptor& column) {
    TColumnBytes out(column);
    const std::uint8_t vt = value.Type();
    const std::uint8_t ct = column.type;

    // A value of the column's own type is taken as it is; a BCD value
    // keeps its value under the column's decimals.
    if (vt == ct) {
        if (vt == kFtString)
            return out.Text(value.AsString());
        if (vt == kFtBcd && !value.IsNull())
            return out.Bcd(value.AsCurrency());
        return out.Raw(value.Bytes());
    }
    // Values of a type the table has no rows for (bytes, BLOB references,
    // the NULL constant) are copied as bytes.
    if (!SqlIsScalar(vt) || ct == kFtBytes || ct == kFtVarBytes)
        return out.Raw(value.Bytes());
    // A null of any type is its column's zero: the caller decides whether
    // it stores a null; no text or number is read from it.
    if (value.IsNull())
        return out.Raw({});

    switch (vt) {
    case kFtString:
        return FromString(value.AsString(), out, ct);

    case kFtDate: {
        const std::int32_t day = value.AsDayNumber();
        if (ct == kFtTimestamp)
            return out.Float(TimestampValue(day, 0));
        if (ct != kFtString)
            return std::nullopt;
        const auto parts = DateOfDayNumber(day);
        if (!parts)
            return std::nullopt;
        return out.Text(TDateField().FormatTextOf(DateTimeFromParts(*parts)));
    }

    case kFtBoolean: {
        const bool b = value.AsBoolean();
        if (ct == kFtString)
            return out.Text(b ? "True" : "False");
        if (ct == kFtFloat) // no float reading of a boolean
            return std::nullopt;
        return out.Number(b ? 1 : 0);
    }

    case kFtInt16:
    case kFtUInt16:
    case kFtInt32: {
        const std::int64_t n = value.AsInteger();
        if (ct == kFtString)
            return out.Text(DecimalText(n));
        // 16-bit values read as booleans by their own value; a 32-bit
        // integer has no boolean reading.
        if (ct == kFtBoolean)
            return vt == kFtInt32 ? std::nullopt : out.Integer(n);
        return out.Number(n);
    }

    case kFtFloat: {
        const double d = value.AsFloat();
        if (ct == kFtString)
            return out.Text(TFloatField().FormatTextOf(d));
        if (SqlIsInteger(ct)) {
            const auto n = TruncatedFloat(d);
            return n ? out.Integer(*n) : std::nullopt;
        }
        if (ct == kFtBcd) {
            const auto c = CurrencyOfFloat(d);
            return c ? out.Bcd(*c) : std::nullopt;
        }
        return std::nullopt;
    }

    case kFtBcd: {
        const TCurrency c = value.AsCurrency();
        if (ct == kFtString)
            return out.Text(TBCDField(4).FormatTextOf(TCurrencyValue{c}));
        if (ct == kFtFloat)
            return out.Float(static_cast<double>(c) / kCurrencyScale);
        if (SqlIsInteger(ct))
            return out.Integer(c / kCurrencyScale); // integer division truncates toward zero
        return std::nullopt;
    }

    case kFtTime: {
        const std::int32_t ms = value.AsMilliseconds();
        if (ct == kFtTimestamp)
            return out.Float(TimestampValue(kDayOf18991230, ms));
        if (ct != kFtString || ms < 0 || ms >= kMsPerDay)
            return std::nullopt;
        return out.Text(TTimeField().FormatTextOf(TDateTime{static_cast<double>(ms) / kMsPerDay}));
    }

    case kFtTimestamp: {
        const auto parts = PartsOfTimestamp(value.AsTimestamp());
        if (!parts)
            return std::nullopt;
        switch (ct) {
        case kFtString:
            return out.Text(TDateTimeField().FormatTextOf(DateTimeFromParts(*parts)));
        case kFtDate:
            return out.Int32(DayNumber(parts->year, parts->month, parts->day));
        case kFtTime:
            return out.Int32(
                TimeOfDayMs(parts->hour, parts->minute, parts->second, parts->millisecond));
        default:
            return std::nullopt;
        }
    }
    default:
        return std::nullopt;
    }
}

std::string SqlTypeMismatchMessage(const std::string& column, const std::string& valueText,
                                   TSqlStatementKind kind) {
    return "Type mismatch between column " + column + " and constant value " + valueText +
           (kind == TSqlStatementKind::Insert ? " in INSERT statement" : " in UPDATE statement");
}

} // namespace tabula
