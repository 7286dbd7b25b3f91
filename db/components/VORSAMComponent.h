// The small component model of the dataset components (sessions, databases, datasets).
//
// A component may have an owner, the object that holds it (a window or a data module of the
// application). The owner knows its components in the order they were made but owns none of them:
// each component adds itself when it is made and removes itself when it goes. What the owner is for:
// a session that names itself after its owner (auto-session name) gives that name to the databases and
// datasets of the same owner, also to those made after it, and only one such session may live in one
// owner.
#pragma once

#include <string>
#include <vector>

namespace vorsam {

class TVORSAMComponent;

class TVORSAMOwner {
public:
    TVORSAMOwner() = default;
    // Components that outlive their owner are left without one.
    ~TVORSAMOwner();
    TVORSAMOwner(const TVORSAMOwner&) = delete;
    TVORSAMOwner& operator=(const TVORSAMOwner&) = delete;

    // In the order they were added.
    const std::vector<TVORSAMComponent*>& Components() const { return components_; }

private:
    friend class TVORSAMComponent;
    void Insert(TVORSAMComponent& component);
    void Remove(TVORSAMComponent& component);

    std::vector<TVORSAMComponent*> components_;
};

class TVORSAMComponent {
public:
    // Removes the component from its owner.
    virtual ~TVORSAMComponent();
    TVORSAMComponent(const TVORSAMComponent&) = delete;
    TVORSAMComponent& operator=(const TVORSAMComponent&) = delete;

    TVORSAMOwner* Owner() const { return owner_; }
    // The component's own name (an auto-named session builds its session name from it).
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name) { name_ = name; }

protected:
    explicit TVORSAMComponent(TVORSAMOwner* owner) : owner_(owner) {}
    // Adds the component to its owner and tells the owner's other components: called by the most derived
    // constructor once the component is complete.
    void InsertIntoOwner();
    // Another component was added to the owner.
    virtual void ComponentInserted(TVORSAMComponent& component) {}

private:
    friend class TVORSAMOwner;
    TVORSAMOwner* owner_;
    std::string name_;
};

// A database or a dataset: a component that works in the session it names.
class TSessionBoundComponent : public TVORSAMComponent {
public:
    virtual const std::string& SessionName() const = 0;
    virtual void SetSessionName(const std::string& name) = 0;

protected:
    using TVORSAMComponent::TVORSAMComponent;
};

} // namespace vorsam
