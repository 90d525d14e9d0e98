// TrpPages: the ordered template pages of a report, owned by the list, with
// a back pointer to the report.
#pragma once

#include "TrpPage.h"

#include <memory>
#include <vector>

namespace report {

class TrpReport;

class TrpPages {
public:
    explicit TrpPages(TrpReport* report = nullptr) : report_(report) {}
    TrpPages(const TrpPages&) = delete;
    TrpPages& operator=(const TrpPages&) = delete;

    TrpReport* Report() const { return report_; }
    std::size_t Count() const { return pages_.size(); }
    TrpPage* operator[](std::size_t index) const { return pages_.at(index).get(); }
    // Appends a new page named "Page" + the first free number.
    TrpPage* Add();
    // Appends page (the list takes it over); it keeps its name.
    TrpPage* Add(std::unique_ptr<TrpPage> page);
    void Delete(std::size_t index);
    void Clear();
    // The index of page, or -1.
    int IndexOf(const TrpPage* page) const;
    // "Page" + the smallest number 1..10000 no page uses; empty if none.
    std::string FreePageName() const;

private:
    TrpReport* report_;
    std::vector<std::unique_ptr<TrpPage>> pages_;
};

} // namespace report
