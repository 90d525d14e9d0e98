// TGroupAccumulator: accumulation and finalisation of aggregates.
#include "GroupAccumulator.h"

#include "DataFileFormat.h"
#include "SqlCompare.h"

namespace tabula {

TGroupAccumulator::TGroupAccumulator(const std::vector<TResultDataField>& fields,
                                     std::uint32_t localeId)
    : fields_(&fields), localeId_(localeId), slots_(fields.size()) {}

namespace {

TSqlValue AddValues(const TSqlValue& sum, const TSqlValue& value, const TSqlType& type) {
    if (type.code == datafmt::kFtBcd)
        return TSqlValue::Bcd(sum.AsCurrency() + value.AsCurrency(), type.decimals);
    return TSqlValue::Float(sum.AsFloat() + value.AsFloat(),
                            type.subtype == datafmt::kMoneySubtype);
}

TSqlValue AsResultType(const TSqlValue& value, const TSqlType& type) {
    if (type.code == datafmt::kFtBcd)
        return TSqlValue::Bcd(value.AsCurrency(), type.decimals);
    return TSqlValue::Float(value.AsFloat(), type.subtype == datafmt::kMoneySubtype);
}

// MIN and MAX compare by SqlCompareValues. Two integers (16-bit, 32-bit,
// unsigned 16-bit, in any mix) compare there by their integer values, which
// is done here without the general comparison's dispatch on the types.
bool IsIntegerCode(std::uint8_t code) {
    return code == datafmt::kFtInt16 || code == datafmt::kFtInt32 || code == datafmt::kFtUInt16;
}

int CompareForExtreme(const TSqlValue& a, const TSqlValue& b, std::uint32_t localeId) {
    if (IsIntegerCode(a.Type()) && IsIntegerCode(b.Type())) {
        const std::int64_t ia = a.AsInteger();
        const std::int64_t ib = b.AsInteger();
        return ia < ib ? -1 : (ia > ib ? 1 : 0);
    }
    return SqlCompareValues(a, b, localeId);
}

} // namespace

void TGroupAccumulator::Accumulate(std::size_t field, const TSqlValue& value) {
    const TResultDataField& f = (*fields_)[field];
    Slot& slot = slots_[field];
    if (f.aggregate == sqlop::kCount && !f.argument) {
        ++slot.count;
        return;
    }
    if (value.IsNull())
        return;
    ++slot.count;
    switch (f.aggregate) {
    case sqlop::kSum:
        // A float sum runs in a double and becomes a value once, in
        // Result(); only a BCD sum is kept as a value while it runs.
        if (f.type.code != datafmt::kFtBcd)
            slot.floatSum = slot.count == 1 ? value.AsFloat() : slot.floatSum + value.AsFloat();
        else
            slot.value = slot.value.IsNull() ? AsResultType(value, f.type)
                                             : AddValues(slot.value, value, f.type);
        break;
    case sqlop::kMin:
        if (slot.value.IsNull() || CompareForExtreme(value, slot.value, localeId_) < 0)
            slot.value = value;
        break;
    case sqlop::kMax:
        if (slot.value.IsNull() || CompareForExtreme(value, slot.value, localeId_) > 0)
            slot.value = value;
        break;
    case sqlop::kAvg:
        slot.floatSum += value.AsFloat();
        break;
    default:
        break;
    }
}

namespace {

TSqlValue IntegerValue(std::int64_t value, std::uint8_t type) {
    switch (type) {
    case datafmt::kFtInt16:
        return TSqlValue::Int16(static_cast<std::int16_t>(value));
    case datafmt::kFtUInt16:
        return TSqlValue::UInt16(static_cast<std::uint16_t>(value));
    default:
        return TSqlValue::Int32(static_cast<std::int32_t>(value));
    }
}

} // namespace

void TGroupAccumulator::AccumulateInteger(std::size_t field, std::int64_t value, bool present,
                                          std::uint8_t type) {
    const TResultDataField& f = (*fields_)[field];
    Slot& slot = slots_[field];
    if (!present)
        return;
    ++slot.count;
    switch (f.aggregate) {
    case sqlop::kSum:
        if (f.type.code == datafmt::kFtBcd) {
            --slot.count; // counted again by the general path
            Accumulate(field, IntegerValue(value, type));
            return;
        }
        slot.floatSum += static_cast<double>(value);
        break;
    case sqlop::kAvg:
        slot.floatSum += static_cast<double>(value);
        break;
    case sqlop::kMin:
        if (slot.extremeType == 0 || value < slot.extreme) {
            slot.extreme = value;
            slot.extremeType = type;
        }
        break;
    case sqlop::kMax:
        if (slot.extremeType == 0 || value > slot.extreme) {
            slot.extreme = value;
            slot.extremeType = type;
        }
        break;
    default:
        break;
    }
}

TSqlValue TGroupAccumulator::Result(std::size_t field) const {
    const TResultDataField& f = (*fields_)[field];
    const Slot& slot = slots_[field];
    switch (f.aggregate) {
    case sqlop::kCount:
        return TSqlValue::Int32(static_cast<std::int32_t>(slot.count));
    case sqlop::kAvg:
        return TSqlValue::Float(slot.count > 0 ? slot.floatSum / static_cast<double>(slot.count)
                                               : 0.0);
    case sqlop::kSum:
        if (f.type.code != datafmt::kFtBcd)
            return slot.count > 0
                       ? TSqlValue::Float(slot.floatSum, f.type.subtype == datafmt::kMoneySubtype)
                       : TSqlValue();
        return slot.value;
    default:
        return slot.extremeType != 0 ? IntegerValue(slot.extreme, slot.extremeType) : slot.value;
    }
}

} // namespace tabula
