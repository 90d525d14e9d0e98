// The field classes per type: native data, values and text.
#include "FieldTypes.h"

#include "AccessMessages.h"
#include "DataFileFormat.h"
#include "DataSet.h"
#include "DateTimeText.h"
#include "FormatSettings.h"
#include "Stream.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tabula {

using namespace datafmt;

namespace {

const std::uint8_t* Bytes(const void* p) {
    return static_cast<const std::uint8_t*>(p);
}
std::uint8_t* Bytes(void* p) {
    return static_cast<std::uint8_t*>(p);
}

std::string WithDecimalSeparator(std::string text, char separator) {
    for (char& c : text) {
        if (c == '.')
            c = separator;
    }
    return text;
}

} // namespace

// ---- String --------------------------------------------------------------------

TVariant TStringField::ValueOfData(const void* data) const {
    const char* text = static_cast<const char*>(data);
    return std::string(text, strnlen(text, static_cast<std::size_t>(Size())));
}

void TStringField::DataOfValue(const TVariant& value, void* data) const {
    std::string text;
    if (const auto* s = std::get_if<std::string>(&value)) {
        text = *s;
    } else {
        double d = 0;
        if (const auto* i = std::get_if<std::int64_t>(&value))
            text = std::to_string(*i);
        else if (const auto* b = std::get_if<bool>(&value))
            text = *b ? "True" : "False";
        else if (VariantToNumber(value, d))
            text = TFloatField().FormatTextOf(TVariant(d));
        else
            RaiseTypeMismatch();
    }
    if (text.size() > static_cast<std::size_t>(Size()))
        text.resize(static_cast<std::size_t>(Size()));
    std::memcpy(data, text.data(), text.size());
}

// ---- Integers ------------------------------------------------------------------

TVariant TIntegerField::ValueOfData(const void* data) const {
    const std::uint8_t* p = Bytes(data);
    switch (DataType()) {
    case TFieldType::ftSmallint:
        return std::int64_t{GetI16(p)};
    case TFieldType::ftWord:
        return std::int64_t{GetU16(p)};
    case TFieldType::ftLargeint:
        return GetI64(p);
    default:
        return std::int64_t{GetI32(p)};
    }
}

void TIntegerField::DataOfValue(const TVariant& value, void* data) const {
    std::int64_t n = 0;
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        n = *i;
    } else {
        double d = 0;
        if (!VariantToNumber(value, d))
            RaiseTypeMismatch();
        d = std::round(d);
        if (!(d >= -9.2e18 && d <= 9.2e18))
            msg::Raise(msg::kNotInteger, FormatTextOf(TVariant(d)));
        n = static_cast<std::int64_t>(d);
    }
    if (n < min_ || n > max_) {
        throw EDatabaseError(msg::Format(msg::kValueRange, std::to_string(n), FieldName(),
                                         std::to_string(min_), std::to_string(max_)));
    }
    std::uint8_t* p = Bytes(data);
    switch (bytes_) {
    case 2:
        PutU16(p, static_cast<std::uint16_t>(n));
        break;
    case 8:
        PutI64(p, n);
        break;
    default:
        PutI32(p, static_cast<std::int32_t>(n));
        break;
    }
}

std::string TIntegerField::FormatText(const TVariant& value) const {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    return TField::FormatText(value);
}

TVariant TIntegerField::ParseText(const std::string& text) const {
    if (text.empty())
        return {};
    const auto n = TFormatSettings::Global().ParseInteger(text);
    if (!n)
        msg::Raise(msg::kNotInteger, text);
    return *n;
}

// ---- Float ---------------------------------------------------------------------

TVariant TFloatField::ValueOfData(const void* data) const {
    return GetDouble(Bytes(data));
}

void TFloatField::DataOfValue(const TVariant& value, void* data) const {
    double d = 0;
    if (!VariantToNumber(value, d))
        RaiseTypeMismatch();
    PutDouble(Bytes(data), d);
}

std::string TFloatField::FormatText(const TVariant& value) const {
    double d = 0;
    if (!VariantToNumber(value, d))
        return TField::FormatText(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", d);
    return WithDecimalSeparator(buffer, TFormatSettings::Global().decimalSeparator);
}

TVariant TFloatField::ParseText(const std::string& text) const {
    if (text.empty())
        return {};
    const auto d = TFormatSettings::Global().ParseFloat(text);
    if (!d)
        msg::Raise(msg::kNotFloat, text);
    return *d;
}

// ---- BCD -------------------------------------------------------------------------

TVariant TBCDField::ValueOfData(const void* data) const {
    return TCurrencyValue{GetI64(Bytes(data))};
}

void TBCDField::DataOfValue(const TVariant& value, void* data) const {
    TCurrency scaled = 0;
    if (const auto* c = std::get_if<TCurrencyValue>(&value)) {
        scaled = c->scaled;
    } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
        if (*i > INT64_MAX / kCurrencyScale || *i < INT64_MIN / kCurrencyScale)
            msg::Raise(msg::kNotFloat, std::to_string(*i));
        scaled = *i * kCurrencyScale;
    } else {
        double d = 0;
        if (!VariantToNumber(value, d))
            RaiseTypeMismatch();
        const double s = std::round(d * kCurrencyScale);
        if (!(s >= -9.2e18 && s <= 9.2e18))
            msg::Raise(msg::kNotFloat, TFloatField().FormatTextOf(TVariant(d)));
        scaled = static_cast<TCurrency>(s);
    }
    PutI64(Bytes(data), scaled);
}

std::string TBCDField::FormatText(const TVariant& value) const {
    const auto* c = std::get_if<TCurrencyValue>(&value);
    if (!c)
        return TField::FormatText(value);
    const bool negative = c->scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(c->scaled)
                                             : static_cast<std::uint64_t>(c->scaled);
    std::string text = std::to_string(magnitude / kCurrencyScale);
    std::uint64_t fraction = magnitude % kCurrencyScale;
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04llu", static_cast<unsigned long long>(fraction));
        std::string f = digits;
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        text += TFormatSettings::Global().decimalSeparator + f;
    }
    return negative ? "-" + text : text;
}

TVariant TBCDField::ParseText(const std::string& text) const {
    if (text.empty())
        return {};
    const auto c = TFormatSettings::Global().ParseCurrency(text);
    if (!c)
        msg::Raise(msg::kNotFloat, text);
    return TCurrencyValue{*c};
}

// ---- Boolean -----------------------------------------------------------------------

TVariant TBooleanField::ValueOfData(const void* data) const {
    return GetU16(Bytes(data)) != 0;
}

void TBooleanField::DataOfValue(const TVariant& value, void* data) const {
    double d = 0;
    if (!VariantToNumber(value, d))
        RaiseTypeMismatch();
    PutU16(Bytes(data), d != 0 ? 1 : 0);
}

std::string TBooleanField::FormatText(const TVariant& value) const {
    if (const auto* b = std::get_if<bool>(&value))
        return *b ? "True" : "False";
    return TField::FormatText(value);
}

TVariant TBooleanField::ParseText(const std::string& text) const {
    if (text.empty())
        return {};
    std::string upper;
    for (char c : text)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "TRUE" || upper == "T")
        return true;
    if (upper == "FALSE" || upper == "F")
        return false;
    msg::Raise(msg::kNotBoolean, text, FieldName());
}

// ---- Dates and times ------------------------------------------------------------------

TVariant TDateTimeField::ValueOfData(const void* data) const {
    const std::uint8_t* p = Bytes(data);
    switch (DataType()) {
    case TFieldType::ftDate:
        return TDateTime{static_cast<double>(GetI32(p)) - kDayOf18991230};
    case TFieldType::ftTime:
        return TDateTime{static_cast<double>(GetI32(p)) / kMsPerDay};
    default: {
        const double stamp = GetDouble(p);
        const double days = std::floor(stamp / kMsPerDay);
        const double ms = stamp - days * kMsPerDay;
        TDateTimeParts parts;
        if (auto date = DateOfDayNumber(static_cast<std::int32_t>(days)))
            parts = *date;
        else
            return TDateTime{days - kDayOf18991230};
        const auto msOfDay = static_cast<std::int64_t>(ms);
        parts.hour = static_cast<int>(msOfDay / 3600000);
        parts.minute = static_cast<int>(msOfDay / 60000 % 60);
        parts.second = static_cast<int>(msOfDay / 1000 % 60);
        parts.millisecond = static_cast<int>(msOfDay % 1000);
        return DateTimeFromParts(parts);
    }
    }
}

void TDateTimeField::DataOfValue(const TVariant& value, void* data) const {
    double d = 0;
    if (!VariantToNumber(value, d) || std::holds_alternative<bool>(value))
        RaiseTypeMismatch();
    const TDateTimeParts parts = PartsFromDateTime(TDateTime{d});
    const std::int32_t day = DayNumber(parts.year, parts.month, parts.day);
    const std::int32_t ms = TimeOfDayMs(parts.hour, parts.minute, parts.second, parts.millisecond);
    std::uint8_t* p = Bytes(data);
    switch (DataType()) {
    case TFieldType::ftDate:
        PutI32(p, day);
        break;
    case TFieldType::ftTime:
        PutI32(p, ms);
        break;
    default:
        PutDouble(p, TimestampValue(day, ms));
        break;
    }
}

std::string TDateTimeField::FormatText(const TVariant& value) const {
    const auto* t = std::get_if<TDateTime>(&value);
    if (!t)
        return TField::FormatText(value);
    const TFormatSettings settings = TFormatSettings::Global();
    const TDateTimeParts parts = PartsFromDateTime(*t);
    switch (DataType()) {
    case TFieldType::ftDate:
        return FormatDateTimeText(settings.shortDateFormat, parts, settings);
    case TFieldType::ftTime:
        return FormatDateTimeText(settings.longTimeFormat, parts, settings);
    default: {
        std::string text = FormatDateTimeText(settings.shortDateFormat, parts, settings);
        if (parts.hour || parts.minute || parts.second || parts.millisecond)
            text += " " + FormatDateTimeText(settings.longTimeFormat, parts, settings);
        return text;
    }
    }
}

TVariant TDateTimeField::ParseText(const std::string& text) const {
    if (text.empty())
        return {};
    const TFormatSettings settings = TFormatSettings::Global();
    std::optional<TDateTimeParts> parts;
    const char* message = msg::kNotDateTime;
    switch (DataType()) {
    case TFieldType::ftDate:
        parts = settings.ParseDate(text);
        message = msg::kNotDate;
        break;
    case TFieldType::ftTime:
        parts = settings.ParseTime(text);
        message = msg::kNotTime;
        break;
    default:
        parts = settings.ParseDateTime(text);
        break;
    }
    if (!parts)
        msg::Raise(message, text);
    return DateTimeFromParts(*parts);
}

// ---- Bytes -------------------------------------------------------------------------------

TVariant TBytesField::ValueOfData(const void* data) const {
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(Size()));
}

void TBytesField::DataOfValue(const TVariant& value, void* data) const {
    const auto* bytes = std::get_if<std::string>(&value);
    if (!bytes)
        RaiseTypeMismatch();
    std::memcpy(data, bytes->data(), std::min(bytes->size(), static_cast<std::size_t>(Size())));
}

// ---- BLOB ----------------------------------------------------------------------------------

TVariant TBlobField::AsVariant() const {
    if (!GetData(nullptr))
        return {};
    std::unique_ptr<TStream> stream =
        DataSet()->CreateBlobStream(const_cast<TBlobField&>(*this), TBlobStreamMode::bmRead);
    if (!stream)
        return {};
    return stream->ReadAll();
}

void TBlobField::SetAsVariant(const TVariant& value) {
    if (!DataSet())
        msg::Raise(msg::kNoDataSet);
    std::string content;
    if (const auto* text = std::get_if<std::string>(&value))
        content = *text;
    else if (!VarIsNull(value))
        RaiseTypeMismatch();
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(*this, TBlobStreamMode::bmWrite);
    if (stream && !content.empty())
        stream->Write(content.data(), static_cast<std::int64_t>(content.size()));
}

void TBlobField::SaveToStream(TStream& stream) const {
    const TVariant v = AsVariant();
    if (const auto* text = std::get_if<std::string>(&v))
        stream.Write(text->data(), static_cast<std::int64_t>(text->size()));
}

void TBlobField::LoadFromStream(TStream& stream) {
    SetAsVariant(TVariant(stream.ReadAll()));
}

// ---- Factory -------------------------------------------------------------------------------

std::unique_ptr<TField> CreateField(const TFieldDef& def) {
    std::unique_ptr<TField> field;
    switch (def.DataType) {
    case TFieldType::ftString:
        field = std::make_unique<TStringField>(def.Size);
        break;
    case TFieldType::ftSmallint:
        field = std::make_unique<TSmallintField>();
        break;
    case TFieldType::ftInteger:
        field = std::make_unique<TIntegerField>();
        break;
    case TFieldType::ftWord:
        field = std::make_unique<TWordField>();
        break;
    case TFieldType::ftAutoInc:
        field = std::make_unique<TAutoIncField>();
        break;
    case TFieldType::ftLargeint:
        field = std::make_unique<TLargeintField>();
        break;
    case TFieldType::ftFloat:
        field = std::make_unique<TFloatField>();
        break;
    case TFieldType::ftCurrency:
        field = std::make_unique<TCurrencyField>();
        break;
    case TFieldType::ftBCD:
        field = std::make_unique<TBCDField>(def.Size);
        break;
    case TFieldType::ftBoolean:
        field = std::make_unique<TBooleanField>();
        break;
    case TFieldType::ftDate:
        field = std::make_unique<TDateField>();
        break;
    case TFieldType::ftTime:
        field = std::make_unique<TTimeField>();
        break;
    case TFieldType::ftDateTime:
        field = std::make_unique<TDateTimeField>();
        break;
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
        field = std::make_unique<TBytesField>(def.Size, def.DataType);
        break;
    case TFieldType::ftMemo:
        field = std::make_unique<TMemoField>();
        break;
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftTypedBinary:
        field = std::make_unique<TBlobField>(def.DataType);
        break;
    default:
        return nullptr;
    }
    field->SetFieldName(def.Name);
    field->SetFieldNo(def.FieldNo);
    field->Required = def.Required;
    if (def.InternalCalcField)
        field->FieldKind = TFieldKind::fkInternalCalc;
    return field;
}

} // namespace tabula
