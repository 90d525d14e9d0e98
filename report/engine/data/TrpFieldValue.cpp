// Field values with the Null rules of the report engine.
#include "TrpFieldValue.h"

#include "tabula/DataSet.h"

#include <cstdint>

namespace report {

namespace {

TrpValue NullReplacement(tabula::TFieldType type) {
    using tabula::TFieldType;
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
        return std::int64_t{0};
    case TFieldType::ftString:
        return std::string();
    case TFieldType::ftBoolean:
        return false;
    default:
        return TrpValue::Null();
    }
}

} // namespace

TrpValue FieldValue(tabula::TField& field) {
    if (tabula::TDataSet* dataSet = field.DataSet(); dataSet && !dataSet->Active())
        dataSet->Open();
    if (field.HasGetTextHandler() || field.DataType() == tabula::TFieldType::ftLargeint)
        return field.DisplayText();
    TrpValue value = TrpValue::FromVariant(field.AsVariant());
    if (IsNull(value))
        return NullReplacement(field.DataType());
    return value;
}

TrpValue FieldValue(const TrpFieldLink& link) {
    if (!link.dataset)
        return TrpValue::Null();
    if (!link.dataset->Active())
        link.dataset->Open();
    tabula::TField* field = link.dataset->FindField(link.fieldName);
    return field ? FieldValue(*field) : TrpValue::Null();
}

} // namespace report
