// The application's forms: a plain list that each form joins and leaves.
#include "TrpForm.h"

#include <algorithm>

namespace report {

namespace {

std::vector<tabula::TComponent*>& Forms() {
    static std::vector<tabula::TComponent*> forms;
    return forms;
}

} // namespace

TrpForm::TrpForm(const std::string& name) {
    SetName(name);
    Forms().push_back(this);
}

TrpForm::~TrpForm() {
    auto& forms = Forms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

std::vector<tabula::TComponent*> ApplicationForms() {
    return Forms();
}

TrpLookupContext LookupContextOf(tabula::TComponent* owner) {
    return TrpLookupContext{owner, ApplicationForms()};
}

} // namespace report
