// Field lists of index definitions.
#include "IndexDef.h"

#include "TextBlanks.h"

#include <cctype>

namespace tabula {

std::vector<std::string> SplitFieldNames(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name(TrimSpacesAndTabs(std::string_view(text).substr(start, end - start)));
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!name.empty())
            names.push_back(name);
        start = end + 1;
    }
    return names;
}

const TIndexDef* TIndexDefs::FindByFields(const std::string& fields) const {
    const std::vector<std::string> wanted = SplitFieldNames(fields);
    for (const TIndexDef& def : defs_) {
        if (SplitFieldNames(def.Fields) == wanted)
            return &def;
    }
    return nullptr;
}

} // namespace tabula
