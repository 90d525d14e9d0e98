// Test support for sub-reports: placing a sub-report object on the builder's
// current template page, and reading a printed object's bottom.
#pragma once

#include "TemplateBuilder.h"
#include "TrpSubReportView.h"

namespace report::testing {

// A sub-report object at the given bounds that prints template page
// subPage (zero-based) in its place.
inline TrpSubReportView& SubReport(TemplateBuilder& build, int left, int top, int width, int height,
                                   int subPage, const std::string& name = {}) {
    auto* view = static_cast<TrpSubReportView*>(build.Page().CreateView(kTypeSubReport));
    view->SetBounds(left, top, width, height);
    view->SubPage = subPage;
    if (!name.empty())
        view->Name = name;
    return *view;
}

inline int Bottom(const PrintedObject& object) {
    return object.top + object.height;
}

} // namespace report::testing
