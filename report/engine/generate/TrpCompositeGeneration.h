// TrpCompositeGeneration: how a composite report generates - its member
// reports one after another into the composite's generated pages, as one
// combined generation.
//
// Within one pass the members run in list order. Each member, while it
// runs, holds the composite's page list (whose events it then hears) and
// mirrors the composite's pass flags (two-pass, final pass, terminated), so
// that objects and scripts see the pass they are in. A member that stops
// (STOPREPORT, a calculation error) or a Cancel of the progress window
// stops the whole composite. The page counter, the append state and the
// printed page footers carry from one member to the next, so that a member
// whose first page has "PrintToPrevPage" continues the previous member's
// last sheet.
//
// TrpMemberTemplates saves every member's template before the generation
// and loads it back afterwards, undoing what scripts changed.
#pragma once

#include <QBuffer>
#include <functional>
#include <memory>
#include <vector>

namespace report {

class TrpCompositeReport;
class TrpReport;

// The members that take part: every listed report but the composite itself
// and null entries, in list order.
std::vector<TrpReport*> CompositeMembers(const TrpCompositeReport& composite);

// One pass over the members. progress is told each page number.
void RunCompositePass(TrpCompositeReport& composite, const std::function<void(int)>& progress);

class TrpMemberTemplates {
public:
    explicit TrpMemberTemplates(const std::vector<TrpReport*>& members);
    // Loads every member's template back.
    void Restore();

private:
    std::vector<TrpReport*> members_;
    std::vector<std::unique_ptr<QBuffer>> saved_;
};

} // namespace report
