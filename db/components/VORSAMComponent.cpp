#include "db/components/VORSAMComponent.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

TVORSAMOwner::~TVORSAMOwner() {
    for (TVORSAMComponent* component : components_) component->owner_ = nullptr;
}

void TVORSAMOwner::Insert(TVORSAMComponent& component) {
    assert(std::find(components_.begin(), components_.end(), &component) == components_.end());
    // A copy: a notified component may add or remove components of the owner.
    const std::vector<TVORSAMComponent*> others = components_;
    components_.push_back(&component);
    for (TVORSAMComponent* other : others)
        if (std::find(components_.begin(), components_.end(), other) != components_.end())
            other->ComponentInserted(component);
}

void TVORSAMOwner::Remove(TVORSAMComponent& component) {
    std::erase(components_, &component);
}

TVORSAMComponent::~TVORSAMComponent() {
    if (owner_ != nullptr) owner_->Remove(*this);
}

void TVORSAMComponent::InsertIntoOwner() {
    if (owner_ != nullptr) owner_->Insert(*this);
}

} // namespace vorsam
