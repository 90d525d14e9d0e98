// TrpDataDictionary: the report's name/value lists and the field cache.
#include "TrpDataDictionary.h"

#include "TrpEngineLists.h"
#include "TrpFieldValue.h"
#include "TrpObject.h"

namespace report {

namespace {

// The last "." outside double quotes; npos if none.
std::size_t LastDot(const std::string& name) {
    std::size_t found = std::string::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '"')
            quoted = !quoted;
        else if (name[i] == '.' && !quoted)
            found = i;
    }
    return found;
}

std::string StripQuotes(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

bool StartsWithName(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           UpperName(text.substr(0, prefix.size())) == UpperName(prefix);
}

} // namespace

bool TrpDataDictionary::NameLess::operator()(const std::string& a, const std::string& b) const {
    return UpperName(a) < UpperName(b);
}

bool TrpDataDictionary::IsVariable(const std::string& name) const {
    return !IsCategory(name) && Variables.IndexOf(name) >= 0;
}

bool TrpDataDictionary::CacheField(const std::string& name, const TrpLookupContext& context,
                                   const std::string& reference, tabula::TDataSet* defaultDataset) {
    auto link = ResolveFieldReference(context, reference, defaultDataset);
    if (!link)
        return false;
    cache_[name] = TrpCacheItem{link->dataset, link->fieldName};
    return true;
}

// Dataset.Field with the aliases replaced by the real names they show.
std::string TrpDataDictionary::AliasedReference(const std::string& name) const {
    std::size_t dot = LastDot(name);
    if (dot == std::string::npos)
        return name;
    std::string dataset = name.substr(0, dot);
    std::string field = StripQuotes(name.substr(dot + 1));
    for (int i = 0; i < Aliases.Count(); ++i) {
        if (tabula::SameName(Aliases.Value(i).ToText(), dataset)) {
            dataset = Aliases.Name(i);
            break;
        }
    }
    for (int i = 0; i < Aliases.Count(); ++i) {
        std::string entry = Aliases.Name(i);
        if (tabula::SameName(Aliases.Value(i).ToText(), field) && StartsWithName(entry, dataset)) {
            std::size_t entryDot = LastDot(entry);
            if (entryDot != std::string::npos)
                field = StripQuotes(entry.substr(entryDot + 1));
            break;
        }
    }
    return dataset + ".\"" + field + "\"";
}

bool TrpDataDictionary::IsVariable(const std::string& name, const TrpLookupContext& context,
                                   tabula::TDataSet* defaultDataset) {
    if (cache_.count(name))
        return true;
    if (IsVariable(name)) {
        TrpValue value = Variables.Get(name);
        if (!value.IsNull() && value.ToText().find('.') != std::string::npos)
            CacheField(name, context, value.ToText(), defaultDataset);
        return true;
    }
    return CacheField(name, context, AliasedReference(name), defaultDataset);
}

TrpValue TrpDataDictionary::GetValue(const std::string& name,
                                     const std::function<TrpValue(const std::string&)>& calc) {
    if (auto it = cache_.find(name); it != cache_.end())
        return FieldValue(TrpFieldLink{it->second.dataset, it->second.fieldName});
    if (!IsVariable(name))
        return TrpValue::Null();
    if (GlobalVariables().IndexOf(name) >= 0)
        return GlobalVariables().Get(name);
    TrpValue value = Variables.Get(name);
    if (value.IsText() && !value.AsText().empty())
        return calc(value.AsText());
    return value;
}

std::optional<TrpFieldLink> TrpDataDictionary::CachedField(const std::string& name) const {
    const auto it = cache_.find(name);
    if (it == cache_.end())
        return std::nullopt;
    return TrpFieldLink{it->second.dataset, it->second.fieldName};
}

void TrpDataDictionary::Clear() {
    Variables.Clear();
    Aliases.Clear();
    ThirdList.Clear();
}

} // namespace report
