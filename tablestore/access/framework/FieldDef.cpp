// Field definitions of a dataset.
#include "FieldDef.h"

#include "AccessMessages.h"
#include "Component.h"

namespace tabula {

bool IsBlobType(TFieldType type) {
    switch (type) {
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftTypedBinary:
        return true;
    default:
        return false;
    }
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
    if (IndexOf(name) >= 0)
        msg::Raise(msg::kDuplicateFieldName, name);
    TFieldDef def;
    def.Name = name;
    def.FieldNo = Count() + 1;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    defs_.push_back(def);
    return defs_.back();
}

int TFieldDefs::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < defs_.size(); ++i) {
        if (SameName(defs_[i].Name, name))
            return static_cast<int>(i);
    }
    return -1;
}

const TFieldDef& TFieldDefs::Find(const std::string& name) const {
    const int i = IndexOf(name);
    if (i < 0)
        msg::Raise(msg::kFieldDefNotFound, name);
    return defs_[static_cast<std::size_t>(i)];
}

} // namespace tabula
