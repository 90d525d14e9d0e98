// Field objects: value access through the dataset and the generic conversions.
#include "Field.h"

#include "AccessMessages.h"
#include "DataSet.h"
#include "FormatSettings.h"

#include <cmath>
#include <vector>

namespace tabula {

bool VariantToNumber(const TVariant& v, double& out) {
    if (auto* b = std::get_if<bool>(&v))
        out = *b ? 1 : 0;
    else if (auto* i = std::get_if<std::int64_t>(&v))
        out = static_cast<double>(*i);
    else if (auto* d = std::get_if<double>(&v))
        out = *d;
    else if (auto* c = std::get_if<TCurrencyValue>(&v))
        out = static_cast<double>(c->scaled) / kCurrencyScale;
    else if (auto* t = std::get_if<TDateTime>(&v))
        out = t->value;
    else
        return false;
    return true;
}

TField::TField(TFieldType type, int size) : dataType_(type), size_(size) {}

TField::~TField() = default;

void TField::RaiseTypeMismatch() const {
    msg::Raise(msg::kFieldTypeMismatch, fieldName_);
}

bool TField::GetData(void* buffer) const {
    if (!dataSet_)
        msg::Raise(msg::kNoDataSet);
    return dataSet_->GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
    if (!dataSet_)
        msg::Raise(msg::kNoDataSet);
    dataSet_->SetFieldData(*this, buffer);
}

bool TField::IsNull() const {
    if (IsBlob())
        return !GetData(nullptr);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(DataSize()));
    return !GetData(data.data());
}

TVariant TField::AsVariant() const {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(DataSize()) + 1);
    if (!GetData(data.data()))
        return {};
    return ValueOfData(data.data());
}

void TField::SetAsVariant(const TVariant& value) {
    if (const auto* text = std::get_if<std::string>(&value); text && !IsTextual()) {
        const TVariant parsed = ParseText(*text);
        if (std::holds_alternative<std::string>(parsed))
            RaiseTypeMismatch();
        SetAsVariant(parsed);
        return;
    }
    if (VarIsNull(value)) {
        SetData(nullptr);
        return;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(DataSize()) + 1);
    DataOfValue(value, data.data());
    SetData(data.data());
}

std::string TField::FormatText(const TVariant& value) const {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    return {};
}

std::string TField::AsString() const {
    const TVariant v = AsVariant();
    return VarIsNull(v) ? std::string() : FormatText(v);
}

void TField::SetAsString(const std::string& text) {
    SetAsVariant(TVariant(text));
}

std::int64_t TField::AsInteger() const {
    TVariant v = AsVariant();
    if (const auto* text = std::get_if<std::string>(&v)) {
        const auto n = TFormatSettings::Global().ParseInteger(*text);
        if (!n)
            msg::Raise(msg::kNotInteger, *text);
        return *n;
    }
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    double d = 0;
    if (VarIsNull(v) || !VariantToNumber(v, d))
        return 0;
    return std::llround(d);
}

void TField::SetAsInteger(std::int64_t value) {
    SetAsVariant(TVariant(value));
}

double TField::AsFloat() const {
    TVariant v = AsVariant();
    if (const auto* text = std::get_if<std::string>(&v)) {
        const auto d = TFormatSettings::Global().ParseFloat(*text);
        if (!d)
            msg::Raise(msg::kNotFloat, *text);
        return *d;
    }
    double d = 0;
    if (VarIsNull(v) || !VariantToNumber(v, d))
        return 0;
    return d;
}

void TField::SetAsFloat(double value) {
    SetAsVariant(TVariant(value));
}

bool TField::AsBoolean() const {
    TVariant v = AsVariant();
    if (const auto* text = std::get_if<std::string>(&v))
        return !text->empty() && (text->front() == 'T' || text->front() == 't');
    double d = 0;
    return !VarIsNull(v) && VariantToNumber(v, d) && d != 0;
}

void TField::SetAsBoolean(bool value) {
    SetAsVariant(TVariant(value));
}

TDateTime TField::AsDateTime() const {
    TVariant v = AsVariant();
    if (const auto* text = std::get_if<std::string>(&v)) {
        const auto parts = TFormatSettings::Global().ParseDateTime(*text);
        if (!parts)
            msg::Raise(msg::kNotDateTime, *text);
        return DateTimeFromParts(*parts);
    }
    if (const auto* t = std::get_if<TDateTime>(&v))
        return *t;
    double d = 0;
    if (VarIsNull(v) || !VariantToNumber(v, d))
        return TDateTime{};
    return TDateTime{d};
}

void TField::SetAsDateTime(TDateTime value) {
    SetAsVariant(TVariant(value));
}

std::string TField::Text() const {
    std::string text;
    if (OnGetText) {
        OnGetText(const_cast<TField&>(*this), text, false);
        return text;
    }
    return AsString();
}

std::string TField::DisplayText() const {
    std::string text;
    if (OnGetText) {
        OnGetText(const_cast<TField&>(*this), text, true);
        return text;
    }
    return AsString();
}

void TField::SetText(const std::string& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

void TField::Clear() {
    SetData(nullptr);
}

} // namespace tabula
