// TrpDataDictionary: a report's named values, stored with its template.
//   Variables  name -> value, normally the text of an expression, in file
//              order; names beginning with a blank are category headings.
//   Aliases    a real dataset name or Dataset.Field name -> the alias shown.
//   ThirdList  name -> text; stored and read back, not otherwise used.
//   Field cache  variable or field name (any case) -> the dataset field it
//              resolved to, filled on first use by IsVariable.
// Clear empties the three lists, not the cache. The cache holds dataset
// pointers: ClearFieldCache must run whenever datasets may have gone (the
// engine does so when a generation starts).
#pragma once

#include "TrpComponentLookup.h"
#include "TrpFieldReference.h"
#include "TrpVariables.h"

#include <functional>
#include <map>
#include <optional>

namespace report {

struct TrpCacheItem {
    tabula::TDataSet* dataset = nullptr;
    std::string fieldName;
};

class TrpDataDictionary {
public:
    TrpVariables Variables;
    TrpVariables Aliases;
    TrpVariables ThirdList;

    // Category headings are stored with a leading blank.
    static bool IsCategory(const std::string& name) { return !name.empty() && name[0] == ' '; }
    // Whether name is a variable of the dictionary (not a category).
    bool IsVariable(const std::string& name) const;
    // Whether name is a variable or names a dataset field (directly or
    // through the aliases); a field found is cached under name. Field
    // references without a dataset part use defaultDataset.
    bool IsVariable(const std::string& name, const TrpLookupContext& context,
                    tabula::TDataSet* defaultDataset);
    // The value of a name IsVariable accepted: a cached field's value; a
    // global variable of that name; else the stored value, a non-empty text
    // evaluated with calc. Null for anything else.
    TrpValue GetValue(const std::string& name,
                      const std::function<TrpValue(const std::string&)>& calc);

    // The dataset field name was cached as by IsVariable; none when the
    // name has not resolved to a field.
    std::optional<TrpFieldLink> CachedField(const std::string& name) const;

    void Clear();
    void ClearFieldCache() { cache_.clear(); }
    // Drops name from the field cache (its variable got a new value).
    void ForgetField(const std::string& name) { cache_.erase(name); }

private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    bool CacheField(const std::string& name, const TrpLookupContext& context,
                    const std::string& reference, tabula::TDataSet* defaultDataset);
    std::string AliasedReference(const std::string& name) const;

    std::map<std::string, TrpCacheItem, NameLess> cache_;
};

} // namespace report
