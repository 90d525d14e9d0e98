// TrpPages: adding, removing and naming template pages.
#include "TrpPages.h"

#include "tabula/Component.h"

namespace report {

TrpPage* TrpPages::Add() {
    auto page = std::make_unique<TrpPage>();
    page->Name = FreePageName();
    return Add(std::move(page));
}

TrpPage* TrpPages::Add(std::unique_ptr<TrpPage> page) {
    page->Parent = this;
    pages_.push_back(std::move(page));
    return pages_.back().get();
}

void TrpPages::Delete(std::size_t index) {
    if (index < pages_.size())
        pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TrpPages::Clear() {
    pages_.clear();
}

int TrpPages::IndexOf(const TrpPage* page) const {
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i].get() == page)
            return static_cast<int>(i);
    return -1;
}

std::string TrpPages::FreePageName() const {
    for (int n = 1; n <= kMaxDefaultNameNumber; ++n) {
        std::string name = "Page" + std::to_string(n);
        bool used = false;
        for (const auto& page : pages_)
            used = used || tabula::SameName(page->Name, name);
        if (!used)
            return name;
    }
    return {};
}

} // namespace report
