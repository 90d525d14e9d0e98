// TComponent: names, ownership and the loading state of components.
#include "Component.h"

#include <algorithm>
#include <cctype>

namespace tabula {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        child->destroying_ = true;
        delete child;
    }
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TComponent::SetName(const std::string& name) {
    name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_) {
        if (SameName(c->name_, name))
            return c;
    }
    return nullptr;
}

void TComponent::EndLoading() {
    if (!loading_)
        return;
    loading_ = false;
    Loaded();
}

} // namespace tabula
