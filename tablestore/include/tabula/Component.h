// TComponent: the root of the access layer's components (sessions,
// databases, datasets, data sources): a name, an owner, and the components
// it owns.
//
// Ownership: a component created with an owner must be allocated with new;
// the owner deletes it when the owner is destroyed (last inserted first).
// A component destroyed on its own removes itself from its owner's list.
// Names are compared without regard to case (FindComponent).
//
// States: csLoading is set while stored property values are being applied
// (BeginLoading ... EndLoading, which calls Loaded()); csDestroying is set
// once destruction of an owner has begun, so that children do not touch
// their dying owner's other children through notifications.
#pragma once

#include <string>
#include <vector>

namespace tabula {

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);

    const std::vector<TComponent*>& Components() const { return components_; }
    // The first owned component whose name equals name ignoring case.
    TComponent* FindComponent(const std::string& name) const;

    bool Loading() const { return loading_; }
    bool Destroying() const { return destroying_; }
    // Stored values are applied between these two; EndLoading calls Loaded.
    void BeginLoading() { loading_ = true; }
    void EndLoading();

protected:
    // Called once the stored values have been applied.
    virtual void Loaded() {}
    // Marks destruction begun; subclasses whose destructors do work call it
    // first.
    void MarkDestroying() { destroying_ = true; }

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;
    bool loading_ = false;
    bool destroying_ = false;
};

// Case-insensitive comparison of ASCII names (components, sessions,
// databases, fields).
bool SameName(const std::string& a, const std::string& b);

} // namespace tabula
