// Field definitions from the engine's descriptors.
#include "TabulaDataSet.h"

#include "FieldDescriptor.h"
#include "TabulaSession.h"

namespace tabula {

namespace {

// The framework type of an engine type code and subtype; ftUnknown for
// types that have no definition.
TFieldType FieldTypeOf(std::uint8_t type, std::uint8_t subtype) {
    switch (type) {
    case 1:
        return TFieldType::ftString;
    case 2:
        return TFieldType::ftDate;
    case 3:
        switch (subtype) {
        case 22:
            return TFieldType::ftMemo;
        case 24:
            return TFieldType::ftFmtMemo;
        case 26:
            return TFieldType::ftGraphic;
        case 28:
            return TFieldType::ftTypedBinary;
        default:
            return TFieldType::ftBlob;
        }
    case 4:
        return TFieldType::ftBoolean;
    case 5:
        return TFieldType::ftSmallint;
    case 6:
        return subtype == datafmt::kAutoIncSubtype ? TFieldType::ftAutoInc : TFieldType::ftInteger;
    case 7:
        return subtype == 21 ? TFieldType::ftCurrency : TFieldType::ftFloat;
    case 8:
        return TFieldType::ftBCD;
    case 9:
        return TFieldType::ftBytes;
    case 10:
        return TFieldType::ftTime;
    case 11:
        return TFieldType::ftDateTime;
    case 12:
        return TFieldType::ftWord;
    case 13:
        return TFieldType::ftInteger;
    case 15:
        return TFieldType::ftVarBytes;
    case 18:
    case 19:
        return TFieldType::ftLargeint;
    case 20:
        return TFieldType::ftADT;
    case 21:
        return TFieldType::ftArray;
    case 22:
        return TFieldType::ftReference;
    case 23:
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
