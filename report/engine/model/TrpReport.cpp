// TrpReport: construction, evaluation of method arguments, object look-up
// and default names over all pages.
#include "TrpReport.h"

#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpMessages.h"
#include "TrpReportEvaluator.h"

#include <cctype>
#include <unordered_set>

namespace report {

namespace {

std::string LowerName(const std::string& name) {
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

} // namespace

TrpReport::TrpReport(tabula::TComponent* owner)
    : tabula::TComponent(owner), Pages(this), FileName(MessageText(kMsgUntitled)),
      emfPages_(std::make_unique<TrpEMFPages>(this)) {
    InstallEvaluator(*this);
}

std::unique_ptr<TrpEMFPages> TrpReport::TakeEMFPages() {
    std::unique_ptr<TrpEMFPages> taken = std::move(emfPages_);
    emfPages_ = std::make_unique<TrpEMFPages>(this);
    return taken;
}

void TrpReport::SetEMFPages(std::unique_ptr<TrpEMFPages> pages) {
    emfPages_ = pages ? std::move(pages) : std::make_unique<TrpEMFPages>(this);
}

TrpReport::~TrpReport() {
    MarkDestroying();
    TrpEngineState& state = EngineState();
    if (state.CurrentReport == this)
        state.CurrentReport = nullptr;
    // The pages free their objects; the current object may be one of them.
    Pages.Clear();
    emfPages_.reset();
}

TrpValue TrpReport::Evaluate(const std::string& expression) const {
    if (Evaluator)
        return Evaluator(expression);
    return TrpValue(expression);
}

TrpView* TrpReport::FindObject(const std::string& name) const {
    for (std::size_t i = 0; i < Pages.Count(); ++i)
        if (TrpView* view = Pages[i]->FindObject(name))
            return view;
    return nullptr;
}

std::string TrpReport::FreeObjectName(const std::string& prefix) const {
    // One pass over the objects instead of one look-up per candidate.
    std::unordered_set<std::string> used;
    for (std::size_t i = 0; i < Pages.Count(); ++i) {
        const TrpPage& page = *Pages[i];
        for (std::size_t j = 0; j < page.Count(); ++j)
            used.insert(LowerName(page.Object(j)->Name));
    }
    for (int n = 1; n <= kMaxDefaultNameNumber; ++n) {
        std::string name = prefix + std::to_string(n);
        if (!used.count(LowerName(name)))
            return name;
    }
    return {};
}

} // namespace report
