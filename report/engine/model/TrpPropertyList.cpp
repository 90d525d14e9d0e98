// TrpPropertyList: declaration and case-insensitive look-up.
#include "TrpPropertyList.h"

#include "tabula/Component.h"

#include <algorithm>

namespace report {

TrpPropRec& TrpPropertyList::Slot(const std::string& name) {
    std::string cut = name.substr(0, kMaxPropertyName);
    for (TrpPropRec& rec : entries_)
        if (tabula::SameName(rec.name, cut)) {
            rec = TrpPropRec{};
            rec.name = cut;
            return rec;
        }
    entries_.push_back(TrpPropRec{});
    entries_.back().name = cut;
    return entries_.back();
}

void TrpPropertyList::Add(const std::string& name, std::uint16_t kind) {
    Slot(name).kind = kind;
}

void TrpPropertyList::AddEnum(const std::string& name, std::vector<std::string> names,
                              std::vector<std::int32_t> values) {
    TrpPropRec& rec = Slot(name);
    rec.kind = kPropEnum;
    rec.enumNames = std::move(names);
    rec.enumValues = std::move(values);
}

void TrpPropertyList::Remove(const std::string& name) {
    std::erase_if(entries_,
                  [&](const TrpPropRec& rec) { return tabula::SameName(rec.name, name); });
}

const TrpPropRec* TrpPropertyList::Find(const std::string& name) const {
    if (name.size() > kMaxPropertyName)
        return nullptr;
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TrpPropRec& rec) { return tabula::SameName(rec.name, name); });
    return it == entries_.end() ? nullptr : &*it;
}

} // namespace report
