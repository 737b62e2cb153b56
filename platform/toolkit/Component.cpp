#include "platform/toolkit/Component.h"

#include "platform/toolkit/Exceptions.h"

#include <algorithm>

TComponent::TComponent(QObject* owner) : QObject(owner)
{
    if (auto* o = qobject_cast<TComponent*>(owner)) o->InsertComponent(this);
}

TComponent::~TComponent()
{
    destroying_ = true;
    // Everyone that asked is told first, while this component is still whole enough to compare.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->freeNotifies_.erase(std::remove(other->freeNotifies_.begin(), other->freeNotifies_.end(), this),
                                   other->freeNotifies_.end());
        other->Notification(this, opRemove);
    }
    // Owned components go in reverse order of creation, before QObject would free them.
    while (!components_.empty()) delete components_.back();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const QString& name)
{
    if (name == objectName()) return;
    if (owner_ && !name.isEmpty()) {
        TComponent* same = owner_->FindComponent(name);
        if (same && same != this) throw EInvalidOperation(QStringLiteral("A component named %1 already exists").arg(name));
    }
    setObjectName(name);
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    if (name.isEmpty()) return nullptr;
    for (TComponent* c : components_)
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->owner_ == this) return;
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    if (!destroying_) Notification(component, opRemove);
    it = std::find(components_.begin(), components_.end(), component);
    if (it != components_.end()) components_.erase(it);
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
        component->freeNotifies_.end())
        component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component) return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    component->freeNotifies_.erase(std::remove(component->freeNotifies_.begin(), component->freeNotifies_.end(), this),
                                   component->freeNotifies_.end());
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Copy: a handler may free or remove components while we walk.
    const std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned)
        if (c != component) c->Notification(component, operation);
}

void TComponent::Loaded() { loading_ = false; }
