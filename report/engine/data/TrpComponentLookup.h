// Finding the components a template names: data sources of bands, the
// datasets of field references.
//
// A name is a path of one to three parts joined by ".":
//   Name                      a component owned by the report's owner
//                             (the window that holds the report);
//   Form.Name                 a component of the application's form Form;
//   Form.Container.Name       a component of a component of that form.
// Names compare without regard to case. A last part that names nothing
// gives nullptr (a band then prints without data). Every other failure -
// no owner, an unknown form or container, an empty part, more than three
// parts - raises EClassNotFound "Missing " + the whole name.
#pragma once

#include "tabula/Component.h"

#include <string>
#include <vector>

namespace report {

// Where names are looked up: the report's owner and the application's forms.
struct TrpLookupContext {
    tabula::TComponent* owner = nullptr;
    std::vector<tabula::TComponent*> forms;
};

tabula::TComponent* FindReportComponent(const TrpLookupContext& context, const std::string& name);

} // namespace report
