#pragma once
// The class library's component: a named object with an owner that frees what it owns, free
// notifications between components, and the loading state of a component read from a form.

#include <QObject>
#include <QString>
#include <vector>

class TFiler;

enum TOperation { opInsert, opRemove };

class TComponent : public QObject {
    Q_OBJECT
public:
    // The owner frees this component. Any QObject may own one; a TComponent owner also lists
    // it among its components and is told of its insertion and removal.
    explicit TComponent(QObject* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    QString Name() const { return objectName(); }
    void SetName(const QString& name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int index) const { return components_.at(size_t(index)); }
    TComponent* FindComponent(const QString& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Asks to be told (Notification with opRemove) when `component` goes away.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Told of a component inserted into or removed from the owner, or of a component this one
    // asked free notification of going away. The base forwards it to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);

    // Loading from a form definition: BeginLoading sets the state, Loaded ends it once every
    // property has been read. Descendants extend Loaded to act on what was stored.
    void BeginLoading() { loading_ = true; }
    virtual void Loaded();
    bool IsLoading() const { return loading_; }
    bool IsDestroying() const { return destroying_; }

    // Declares the properties this component streams beyond its name (TFiler::DefineProperty,
    // DefineBinaryProperty); descendants call the inherited version first.
    virtual void DefineProperties(TFiler& filer) {}

protected:
    // Called first in a descendant's destructor so that notifications and state checks can
    // see that the component is on its way out.
    void Destroying() { destroying_ = true; }

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    int tag_ = 0;
    bool loading_ = false;
    bool destroying_ = false;
};
