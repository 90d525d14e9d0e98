// Building and taking apart the binding image of a statement's parameters.
#include "ParamBinding.h"

#include "AccessMessages.h"
#include "DataFileFormat.h"
#include "FieldDescriptor.h"
#include "ParamImage.h"
#include "SqlError.h"

#include <limits>

namespace tabula {

using namespace datafmt;

namespace {

constexpr const char* kInternalParamError = "Internal parameter error";

std::uint8_t SubtypeOfParam(TFieldType type) {
    switch (type) {
    case TFieldType::ftCurrency:
        return kMoneySubtype;
    case TFieldType::ftMemo:
        return kMemoSubtype;
    case TFieldType::ftBlob:
        return kBlobSubtype;
    case TFieldType::ftFmtMemo:
        return kFmtMemoSubtype;
    case TFieldType::ftGraphic:
        return kGraphicSubtype;
    case TFieldType::ftTypedBinary:
        return kTypedBinarySubtype;
    default:
        return 0;
    }
}

} // namespace

std::uint8_t EngineTypeOfParam(TFieldType type) {
    switch (type) {
    case TFieldType::ftString:
        return kFtString;
    case TFieldType::ftSmallint:
        return kFtInt16;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        return kFtInt32;
    case TFieldType::ftWord:
        return kFtUInt16;
    case TFieldType::ftBoolean:
        return kFtBoolean;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
        return kFtFloat;
    case TFieldType::ftBCD:
        return kFtBcd;
    case TFieldType::ftDate:
        return kFtDate;
    case TFieldType::ftTime:
        return kFtTime;
    case TFieldType::ftDateTime:
        return kFtTimestamp;
    case TFieldType::ftBytes:
        return kFtBytes;
    case TFieldType::ftVarBytes:
        return kFtVarBytes;
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftTypedBinary:
        return kFtBlob;
    case TFieldType::ftLargeint:
        return kFtLargeint;
    case TFieldType::ftADT:
        return kFtAdt;
    case TFieldType::ftArray:
        return kFtArray;
    case TFieldType::ftReference:
        return kFtReference;
    case TFieldType::ftDataSet:
        return kFtDataSet;
    default:
        return kFtNone;
    }
}

TParamBinding BuildParamBinding(const TTabulaParams& params) {
    TParamBinding binding;
    binding.count = static_cast<std::size_t>(params.Count());
    binding.descriptors.reserve(binding.count * kDescriptorSize);
    for (int i = 0; i < params.Count(); ++i) {
        const TTabulaParam& param = params[i];
        TFieldDescriptor d = TFieldDescriptor::Make(
            i + 1, param.Name().substr(0, kMaxFieldNameLength), EngineTypeOfParam(param.DataType()),
            0, 0, SubtypeOfParam(param.DataType()));
        if (d.type == kFtNone)
            msg::Raise(msg::kNoParamValue, param.Name());
        std::vector<std::uint8_t> value = ParamEngineValue(param);
        if (d.type == kFtString) {
            d.declaredSize = kBoundStringDeclaredSize;
            if (value.size() > kBoundStringMaxLength + 1u) {
                value.resize(kBoundStringMaxLength);
                value.push_back(0);
            }
        }
        if (d.type == kFtBcd)
            d.declaredDecimals = d.decimalsCopy = kBoundBcdDecimals;
        // Values other than strings have at most 8 bytes; memo texts are
        // bound like strings, cut to what a stored size can say.
        if (value.size() > 255) {
            value.resize(254);
            value.push_back(0);
        }
        d.storedSize = static_cast<std::uint8_t>(value.size());
        if (binding.values.size() > std::numeric_limits<std::uint16_t>::max())
            RaiseSqlError(kInternalParamError);
        d.offset = static_cast<std::uint16_t>(binding.values.size());
        binding.values.push_back(param.IsNull() ? 0 : 1);
        binding.values.insert(binding.values.end(), value.begin(), value.end());
        const auto image = d.Encode();
        binding.descriptors.insert(binding.descriptors.end(), image.begin(), image.end());
    }
    return binding;
}

std::vector<TSqlValue> DecodeParamBinding(std::size_t count,
                                          std::span<const std::uint8_t> descriptors,
                                          std::span<const std::uint8_t> values) {
    if (count > descriptors.size() / kDescriptorSize)
        RaiseSqlError(kInternalParamError);
    std::vector<TSqlValue> result;
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto d = TFieldDescriptor::Decode(
            descriptors.subspan(i * kDescriptorSize).first<kDescriptorSize>());
        const std::size_t begin = d.offset;
        const std::size_t size = d.storedSize;
        if (begin >= values.size() || size > values.size() - begin - 1)
            RaiseSqlError(kInternalParamError);
        const auto bytes = values.subspan(begin + 1, size);
        // The value must have the width its type reads, so that evaluation
        // never reads past it.
        const int fixed = SqlFixedSize(d.type);
        if ((fixed != 0 && size != static_cast<std::size_t>(fixed)) ||
            (d.type == kFtString && (size == 0 || bytes.back() != 0)))
            RaiseSqlError(kInternalParamError);
        result.push_back(TSqlValue::FromBytes(d.type, d.subtype, d.declaredDecimals,
                                              {bytes.begin(), bytes.end()}, values[begin] == 0));
    }
    return result;
}

void CheckParamCount(std::size_t paramCount, std::size_t markerCount) {
    if (paramCount > markerCount)
        RaiseSqlError(kInternalParamError);
}

void BindParamMarkers(const std::vector<TSqlValue>& values,
                      const std::vector<TSqlNodePtr>& markers) {
    CheckParamCount(values.size(), markers.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        markers[i]->value = values[i];
}

} // namespace tabula
