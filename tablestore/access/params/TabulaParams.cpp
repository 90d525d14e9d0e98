// The parameters of a query: typed assignment, reading, lookup and copying.
#include "TabulaParams.h"

#include "AccessMessages.h"
#include "FieldTypes.h"
#include "FormatSettings.h"

#include <cmath>
#include <strings.h>

namespace tabula {

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

TFieldType TypeOfVariant(const TVariant& value, TFieldType current) {
    switch (value.index()) {
    case 1:
        return TFieldType::ftBoolean;
    case 2:
        return TFieldType::ftInteger;
    case 3:
        return TFieldType::ftFloat;
    case 4:
        return TFieldType::ftCurrency;
    case 5:
        return TFieldType::ftDateTime;
    case 6:
        return TFieldType::ftString;
    default:
        return current; // Null keeps the type
    }
}

} // namespace

void TTabulaParam::SetValue(const TVariant& value) {
    SetValueOfType(value, TypeOfVariant(value, dataType_));
}

void TTabulaParam::SetValueOfType(const TVariant& value, TFieldType type) {
    value_ = value;
    dataType_ = type;
    bound_ = true;
}

void TTabulaParam::SetAsString(const std::string& text) {
    SetValueOfType(text, TFieldType::ftString);
}
void TTabulaParam::SetAsMemo(const std::string& text) {
    SetValueOfType(text, TFieldType::ftMemo);
}
void TTabulaParam::SetAsSmallInt(std::int16_t value) {
    SetValueOfType(std::int64_t{value}, TFieldType::ftSmallint);
}
void TTabulaParam::SetAsWord(std::uint16_t value) {
    SetValueOfType(std::int64_t{value}, TFieldType::ftWord);
}
void TTabulaParam::SetAsInteger(std::int32_t value) {
    SetValueOfType(std::int64_t{value}, TFieldType::ftInteger);
}
void TTabulaParam::SetAsFloat(double value) {
    SetValueOfType(value, TFieldType::ftFloat);
}
void TTabulaParam::SetAsCurrency(double value) {
    // A currency keeps four decimals; values beyond its range stay floats
    // rather than wrapping around.
    const double scaled = std::round(value * kCurrencyScale);
    if (std::isfinite(scaled) && std::fabs(scaled) < 9.2e18)
        SetValueOfType(TCurrencyValue{static_cast<TCurrency>(scaled)}, TFieldType::ftCurrency);
    else
        SetValueOfType(value, TFieldType::ftCurrency);
}
void TTabulaParam::SetAsBCD(TCurrency scaled) {
    SetValueOfType(TCurrencyValue{scaled}, TFieldType::ftBCD);
}
void TTabulaParam::SetAsBoolean(bool value) {
    SetValueOfType(value, TFieldType::ftBoolean);
}
void TTabulaParam::SetAsDate(TDateTime value) {
    SetValueOfType(value, TFieldType::ftDate);
}
void TTabulaParam::SetAsTime(TDateTime value) {
    SetValueOfType(value, TFieldType::ftTime);
}
void TTabulaParam::SetAsDateTime(TDateTime value) {
    SetValueOfType(value, TFieldType::ftDateTime);
}
void TTabulaParam::Clear() {
    SetValueOfType(TVariant{}, dataType_);
}

std::string TTabulaParam::AsString() const {
    switch (value_.index()) {
    case 0:
        return {};
    case 1:
        return std::get<bool>(value_) ? "True" : "False";
    case 2:
        return std::to_string(std::get<std::int64_t>(value_));
    case 3:
        return TFloatField().FormatTextOf(value_);
    case 4:
        return TBCDField(4).FormatTextOf(value_);
    case 5:
        if (dataType_ == TFieldType::ftDate)
            return TDateField().FormatTextOf(value_);
        if (dataType_ == TFieldType::ftTime)
            return TTimeField().FormatTextOf(value_);
        return TDateTimeField().FormatTextOf(value_);
    default:
        return std::get<std::string>(value_);
    }
}

double TTabulaParam::AsFloat() const {
    if (const auto* text = std::get_if<std::string>(&value_)) {
        if (text->empty())
            return 0;
        const auto d = TFormatSettings::Global().ParseFloat(*text);
        if (!d)
            msg::Raise(msg::kNotFloat, *text);
        return *d;
    }
    double d = 0;
    VariantToNumber(value_, d);
    return d;
}

std::int64_t TTabulaParam::AsInteger() const {
    if (const auto* i = std::get_if<std::int64_t>(&value_))
        return *i;
    if (const auto* text = std::get_if<std::string>(&value_)) {
        if (text->empty())
            return 0;
        const auto i = TFormatSettings::Global().ParseInteger(*text);
        if (!i)
            msg::Raise(msg::kNotInteger, *text);
        return *i;
    }
    const double d = std::round(AsFloat());
    if (!(std::fabs(d) < 9.2e18))
        msg::Raise(msg::kNotInteger, AsString());
    return static_cast<std::int64_t>(d);
}

bool TTabulaParam::AsBoolean() const {
    if (const auto* b = std::get_if<bool>(&value_))
        return *b;
    if (const auto* text = std::get_if<std::string>(&value_))
        return SameTextIgnoringCase(*text, "TRUE");
    return AsFloat() != 0;
}

TDateTime TTabulaParam::AsDateTime() const {
    if (const auto* t = std::get_if<TDateTime>(&value_))
        return *t;
    if (const auto* text = std::get_if<std::string>(&value_)) {
        if (text->empty())
            return {};
        const auto parts = TFormatSettings::Global().ParseDateTime(*text);
        if (!parts)
            msg::Raise(msg::kNotDateTime, *text);
        return DateTimeFromParts(*parts);
    }
    return TDateTime{AsFloat()};
}

TCurrency TTabulaParam::AsCurrency() const {
    if (const auto* c = std::get_if<TCurrencyValue>(&value_))
        return c->scaled;
    if (const auto* i = std::get_if<std::int64_t>(&value_)) {
        if (*i > INT64_MAX / kCurrencyScale || *i < INT64_MIN / kCurrencyScale)
            msg::Raise(msg::kNotFloat, AsString());
        return *i * kCurrencyScale;
    }
    const double scaled = std::round(AsFloat() * kCurrencyScale);
    if (!(std::fabs(scaled) < 9.2e18))
        msg::Raise(msg::kNotFloat, AsString());
    return static_cast<TCurrency>(scaled);
}

bool TTabulaParam::operator==(const TTabulaParam& other) const {
    return value_ == other.value_ && name_ == other.name_ && paramType_ == other.paramType_ &&
           dataType_ == other.dataType_ && IsNull() == other.IsNull() && bound_ == other.bound_;
}

// ---- the list ---------------------------------------------------------------------

TTabulaParam& TTabulaParams::CreateParam(TFieldType dataType, const std::string& name,
                                         TParamType kind) {
    items_.emplace_back(name, kind, dataType);
    return items_.back();
}

TTabulaParam* TTabulaParams::FindParam(const std::string& name) {
    for (auto& p : items_)
        if (SameTextIgnoringCase(p.Name(), name))
            return &p;
    return nullptr;
}

const TTabulaParam* TTabulaParams::FindParam(const std::string& name) const {
    return const_cast<TTabulaParams*>(this)->FindParam(name);
}

TTabulaParam& TTabulaParams::ParamByName(const std::string& name) {
    if (TTabulaParam* p = FindParam(name))
        return *p;
    msg::Raise(msg::kParamNotFound, name);
}

const TTabulaParam& TTabulaParams::ParamByName(const std::string& name) const {
    return const_cast<TTabulaParams*>(this)->ParamByName(name);
}

void TTabulaParams::AssignValues(const TTabulaParams& source) {
    for (const auto& from : source.items_)
        for (auto& to : items_)
            if (to.Name() == from.Name())
                to.Assign(from);
}

} // namespace tabula
