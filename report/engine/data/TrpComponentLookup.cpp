// Component lookup by a dotted name among the owner's components and the
// application's forms.
#include "TrpComponentLookup.h"

#include "TrpDataErrors.h"

namespace report {

namespace {

std::vector<std::string> SplitAtDots(const std::string& name) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type dot = name.find('.', start);
        parts.push_back(name.substr(start, dot - start));
        if (dot == std::string::npos)
            return parts;
        start = dot + 1;
    }
}

tabula::TComponent* FindForm(const TrpLookupContext& context, const std::string& name) {
    for (tabula::TComponent* form : context.forms)
        if (form && tabula::SameName(form->Name(), name))
            return form;
    return nullptr;
}

} // namespace

tabula::TComponent* FindReportComponent(const TrpLookupContext& context, const std::string& name) {
    const std::vector<std::string> parts = SplitAtDots(name);
    auto missing = [&name]() { return EClassNotFound(kMissingComponent + name); };
    if (parts.size() > 3)
        throw missing();
    for (const std::string& part : parts)
        if (part.empty())
            throw missing();
    tabula::TComponent* container =
        parts.size() == 1 ? context.owner : FindForm(context, parts.front());
    for (std::size_t i = 1; container && i + 1 < parts.size(); ++i)
        container = container->FindComponent(parts[i]);
    if (!container)
        throw missing();
    return container->FindComponent(parts.back());
}

} // namespace report
