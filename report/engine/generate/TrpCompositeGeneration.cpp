// TrpCompositeGeneration: the combined generation of a composite report's
// members.
#include "TrpCompositeGeneration.h"

#include "TrpCompositeReport.h"
#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpPageGenerator.h"

#include <algorithm>

namespace report {

namespace {

void MirrorPassFlags(const TrpReport& from, TrpReport& to) {
    to.Generating = true;
    to.TwoPass = from.TwoPass;
    to.FinalPass = from.FinalPass;
    to.Terminated = from.Terminated;
}

// The first template page of report, or null.
TrpPage* FirstPage(TrpReport* report) {
    return report && report->Pages.Count() > 0 ? report->Pages[0] : nullptr;
}

} // namespace

std::vector<TrpReport*> CompositeMembers(const TrpCompositeReport& composite) {
    std::vector<TrpReport*> members;
    for (TrpReport* report : composite.Reports)
        if (report && report != &composite)
            members.push_back(report);
    return members;
}

void RunCompositePass(TrpCompositeReport& composite, const std::function<void(int)>& progress) {
    const std::vector<TrpReport*> members = CompositeMembers(composite);
    std::unique_ptr<TrpEMFPages> pages = composite.TakeEMFPages();
    pages->Composite = &composite;
    TrpFormingState carried;
    bool first = true;
    for (std::size_t i = 0; i < members.size() && !composite.Terminated; ++i) {
        TrpReport& member = *members[i];
        MirrorPassFlags(composite, member);
        pages->SetReport(&member);
        member.SetEMFPages(std::move(pages));
        EngineState().CurrentReport = &member;
        {
            TrpPageGenerator generator(member);
            generator.JoinComposite(composite, first ? nullptr : &carried,
                                    i + 1 < members.size() ? FirstPage(members[i + 1]) : nullptr);
            generator.Run([&](int pageNo) {
                progress(pageNo);
                // A Cancel of the progress window reaches the composite.
                if (composite.Terminated)
                    member.Terminated = true;
            });
            carried = generator.State();
        }
        first = false;
        if (member.Terminated)
            composite.Terminated = true;
        member.Generating = false;
        pages = member.TakeEMFPages();
    }
    pages->SetReport(&composite);
    pages->Composite = nullptr;
    composite.SetEMFPages(std::move(pages));
    EngineState().CurrentReport = &composite;
}

TrpMemberTemplates::TrpMemberTemplates(const std::vector<TrpReport*>& members) : members_(members) {
    for (TrpReport* member : members_) {
        saved_.push_back(std::make_unique<QBuffer>());
        saved_.back()->open(QIODevice::ReadWrite);
        member->SaveToStream(*saved_.back());
    }
}

void TrpMemberTemplates::Restore() {
    for (std::size_t i = 0; i < members_.size(); ++i) {
        saved_[i]->seek(0);
        members_[i]->LoadFromStream(*saved_[i]);
        members_[i]->Generating = false;
        members_[i]->FinalPass = false;
        members_[i]->Terminated = false;
    }
}

} // namespace report
