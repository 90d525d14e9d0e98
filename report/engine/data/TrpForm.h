// TrpForm: a named owner of components - the tray in which a window, or the
// command-line renderer, keeps the table, the report dataset and the report,
// so that a template can name them. The application's forms: every living
// TrpForm, in creation order, for references of the form "Form.Component".
//
// A form enters the application's forms when it is constructed and leaves
// them when it is destroyed, before its components are freed, so a lookup
// never meets a dying form. Forms are created and destroyed on one thread.
#pragma once

#include "TrpComponentLookup.h"
#include "tabula/Component.h"

#include <string>
#include <vector>

namespace report {

class TrpForm : public tabula::TComponent {
public:
    explicit TrpForm(const std::string& name);
    ~TrpForm() override;
};

// Every living form, oldest first.
std::vector<tabula::TComponent*> ApplicationForms();

// Where a report owned by owner looks names up: owner's components, and the
// application's forms.
TrpLookupContext LookupContextOf(tabula::TComponent* owner);

} // namespace report
