// TrpObjectBlobBindings: binding objects to BLOB fields and loading them.
#include "TrpObjectBlobBindings.h"

#include "TrpBand.h"
#include "TrpForm.h"
#include "TrpMemoView.h"
#include "TrpReport.h"

namespace report {

void TrpObjectBlobBindings::BindBand(TrpReport& report, TrpBand& band) {
    const TrpLookupContext context = LookupContextOf(report.Owner());
    tabula::TDataSet* defaultDataset = band.DefaultTableDataset();
    // A variable binds when the dictionary resolves it to a dataset field.
    const TrpBlobBinding::TVariableResolver variables =
        [&](const std::string& name) -> std::optional<TrpFieldLink> {
        TrpDataDictionary& dictionary = report.Dictionary;
        if (!dictionary.IsVariable(name) || !dictionary.IsVariable(name, context, defaultDataset))
            return std::nullopt;
        return dictionary.CachedField(name);
    };
    for (TrpView* view : band.Objects) {
        if (view->Memo.empty())
            continue;
        if (dynamic_cast<TrpMemoView*>(view) && view->FlagSet(kMemoTextOnly))
            continue;
        auto binding = std::make_unique<TrpBlobBinding>();
        if (binding->Bind(view->Memo.front(), context, defaultDataset, variables))
            bindings_[view] = std::move(binding);
        else
            bindings_.erase(view);
    }
}

void TrpObjectBlobBindings::Load(TrpView& view) const {
    const auto found = bindings_.find(&view);
    if (found == bindings_.end())
        return;
    if (std::optional<TrpBlobContent> content = found->second->Fetch())
        view.LoadFromBlob(*content);
}

} // namespace report
