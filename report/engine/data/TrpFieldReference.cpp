// Parsing and resolution of field references.
#include "TrpFieldReference.h"

#include "TrpDataErrors.h"

#include <vector>

namespace report {

namespace {

std::vector<std::string> SplitReference(const std::string& text) {
    std::vector<std::string> parts(1);
    bool inQuotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!inQuotes && c == '"' && parts.back().empty()) {
            parts.back() = text.substr(i, kMaxQuotedPart);
            return parts;
        }
        if (c == '"')
            inQuotes = !inQuotes;
        if (c == '.' && !inQuotes)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Unquoted(std::string part) {
    if (!part.empty() && part.front() == '"')
        part.erase(0, 1);
    if (!part.empty() && part.back() == '"')
        part.pop_back();
    return part;
}

bool HasFieldName(const tabula::TDataSet& dataSet, const std::string& name) {
    for (const std::string& fieldName : dataSet.GetFieldNames())
        if (tabula::SameName(fieldName, name))
            return true;
    return false;
}

tabula::TDataSet* FindDataset(const TrpLookupContext& context, const std::string& path) {
    try {
        return dynamic_cast<tabula::TDataSet*>(FindReportComponent(context, path));
    } catch (const EClassNotFound&) {
        return nullptr;
    }
}

} // namespace

std::string TrpFieldReference::DatasetPath() const {
    std::string path;
    for (const std::string* part : {&form, &container, &dataset}) {
        if (part->empty())
            continue;
        if (!path.empty())
            path += '.';
        path += *part;
    }
    return path;
}

std::optional<TrpFieldReference> ParseFieldReference(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::vector<std::string> parts = SplitReference(text);
    if (parts.size() > 4)
        return std::nullopt;
    TrpFieldReference ref;
    ref.field = Unquoted(parts.back());
    parts.pop_back();
    if (!parts.empty()) {
        ref.dataset = parts.back();
        parts.pop_back();
    }
    if (parts.size() == 2)
        ref.container = parts.back();
    if (!parts.empty())
        ref.form = parts.front();
    return ref;
}

std::optional<TrpFieldLink> ResolveFieldReference(const TrpLookupContext& context,
                                                  const std::string& text,
                                                  tabula::TDataSet* defaultDataset) {
    const std::optional<TrpFieldReference> ref = ParseFieldReference(text);
    if (!ref || ref->field.empty())
        return std::nullopt;
    tabula::TDataSet* dataSet =
        ref->dataset.empty() ? defaultDataset : FindDataset(context, ref->DatasetPath());
    if (!dataSet || !HasFieldName(*dataSet, ref->field))
        return std::nullopt;
    return TrpFieldLink{dataSet, ref->field};
}

} // namespace report
