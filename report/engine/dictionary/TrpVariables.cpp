// TrpVariables: the ordered, optionally sorted list of named values.
#include "TrpVariables.h"

#include "tabula/Component.h"

#include <algorithm>
#include <cctype>

namespace report {

namespace {

// Orders names ignoring ASCII case.
bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) <
               std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

std::size_t TrpVariables::LowerBound(const std::string& name) const {
    auto it = std::lower_bound(
        items_.begin(), items_.end(), name,
        [](const TVariable& v, const std::string& n) { return NameLess(v.name, n); });
    return static_cast<std::size_t>(it - items_.begin());
}

void TrpVariables::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (!sorted)
        return;
    std::stable_sort(items_.begin(), items_.end(), [](const TVariable& a, const TVariable& b) {
        return NameLess(a.name, b.name);
    });
    auto last =
        std::unique(items_.begin(), items_.end(), [](const TVariable& a, const TVariable& b) {
            return tabula::SameName(a.name, b.name);
        });
    items_.erase(last, items_.end());
}

int TrpVariables::IndexOf(const std::string& name) const {
    if (sorted_) {
        std::size_t pos = LowerBound(name);
        if (pos < items_.size() && tabula::SameName(items_[pos].name, name))
            return static_cast<int>(pos);
        return -1;
    }
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (tabula::SameName(items_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void TrpVariables::Set(const std::string& name, const TrpValue& value) {
    int index = IndexOf(name);
    if (index >= 0) {
        items_[static_cast<std::size_t>(index)].value = value;
        return;
    }
    std::size_t pos = sorted_ ? LowerBound(name) : items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), TVariable{name, value});
}

TrpValue TrpVariables::Get(const std::string& name) const {
    int index = IndexOf(name);
    return index >= 0 ? items_[static_cast<std::size_t>(index)].value : TrpValue::Null();
}

TrpValue TrpVariables::Value(int index) const {
    if (!InRange(index))
        return TrpValue(std::int64_t{0});
    return items_[static_cast<std::size_t>(index)].value;
}

void TrpVariables::SetValue(int index, const TrpValue& value) {
    if (InRange(index))
        items_[static_cast<std::size_t>(index)].value = value;
}

std::string TrpVariables::Name(int index) const {
    return InRange(index) ? items_[static_cast<std::size_t>(index)].name : std::string();
}

void TrpVariables::Rename(int index, const std::string& name) {
    if (!InRange(index))
        return;
    auto at = static_cast<std::size_t>(index);
    if (!sorted_) {
        items_[at].name = name;
        return;
    }
    int other = IndexOf(name);
    if (other >= 0 && other != index)
        return;
    TVariable item{name, std::move(items_[at].value)};
    items_.erase(items_.begin() + index);
    std::size_t pos = LowerBound(name);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
}

void TrpVariables::Delete(int index) {
    if (InRange(index))
        items_.erase(items_.begin() + index);
}

} // namespace report
