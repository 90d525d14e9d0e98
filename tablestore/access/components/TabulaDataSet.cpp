// Field definitions from the engine's descriptors.
#include "TabulaDataSet.h"

#include "FieldDescriptor.h"
#include "StoredFieldType.h"
#include "TabulaSession.h"

namespace tabula {

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
