// Field definitions from the engine's descriptors.
#include "TabulaDataSet.h"

#include "FieldDescriptor.h"
#include "TabulaSession.h"

namespace tabula {

namespace {

// The framework type of an engine type code and subtype; ftUnknown for
// types that have no definition.
TFieldType FieldTypeOf(std::uint8_t type, std::uint8_t subtype) {
    using namespace datafmt;
    switch (type) {
    case kFtString:
        return TFieldType::ftString;
    case kFtDate:
        return TFieldType::ftDate;
    case kFtBlob:
        switch (subtype) {
        case kMemoSubtype:
            return TFieldType::ftMemo;
        case kFmtMemoSubtype:
            return TFieldType::ftFmtMemo;
        case kGraphicSubtype:
            return TFieldType::ftGraphic;
        case kTypedBinarySubtype:
            return TFieldType::ftTypedBinary;
        default:
            return TFieldType::ftBlob;
        }
    case kFtBoolean:
        return TFieldType::ftBoolean;
    case kFtInt16:
        return TFieldType::ftSmallint;
    case kFtInt32:
        return subtype == kAutoIncSubtype ? TFieldType::ftAutoInc : TFieldType::ftInteger;
    case kFtFloat:
        return subtype == kMoneySubtype ? TFieldType::ftCurrency : TFieldType::ftFloat;
    case kFtBcd:
        return TFieldType::ftBCD;
    case kFtBytes:
        return TFieldType::ftBytes;
    case kFtTime:
        return TFieldType::ftTime;
    case kFtTimestamp:
        return TFieldType::ftDateTime;
    case kFtUInt16:
        return TFieldType::ftWord;
    case kFtUInt32:
        return TFieldType::ftInteger;
    case kFtVarBytes:
        return TFieldType::ftVarBytes;
    case kFtLargeint:
    case kFtLargeintOther:
        return TFieldType::ftLargeint;
    case kFtAdt:
        return TFieldType::ftADT;
    case kFtArray:
        return TFieldType::ftArray;
    case kFtReference:
        return TFieldType::ftReference;
    case kFtDataSet:
        return TFieldType::ftDataSet;
    default:
        return TFieldType::ftUnknown;
    }
}

} // namespace

std::string TTabulaDataSet::EngineVersion() const {
    return kTabulaEngineVersion;
}

void TTabulaDataSet::BuildFieldDefs(const std::vector<TFieldDescriptor>& descriptors,
                                    TFieldDefs& defs) {
    defs.Clear();
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        const TFieldDescriptor& d = descriptors[i];
        const TFieldType type = FieldTypeOf(d.type, d.subtype);
        if (type == TFieldType::ftUnknown)
            continue;
        int size = 0;
        if (type == TFieldType::ftString || type == TFieldType::ftBytes ||
            type == TFieldType::ftVarBytes)
            size = d.declaredSize;
        else if (type == TFieldType::ftBCD)
            size = d.declaredDecimals;
        std::string name = d.name;
        for (int n = 1; defs.IndexOf(name) >= 0; ++n)
            name = d.name + "_" + std::to_string(n);
        TFieldDef& def = defs.Add(name, type, size, d.IsRequired());
        def.FieldNo = static_cast<int>(i) + 1;
        if (type == TFieldType::ftBCD)
            def.Precision = 20;
    }
}

} // namespace tabula
