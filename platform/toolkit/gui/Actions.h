#pragma once
// Actions: a command with a caption, an enabled state, a hint and an image index that any number
// of controls show and run. A control reaches its action through an action link, which pushes
// the action's changes into the control and runs the action when the control is clicked. An
// action list groups actions and gives them their image list.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/Control.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class TActionList;
class TBasicAction;
class TImageList;

// The link from one client to one action.
class TBasicActionLink {
public:
    TBasicActionLink() = default;
    virtual ~TBasicActionLink();
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;

    TBasicAction* Action() const { return action_; }
    // Leaves the previous action (if any) and joins `action` (nullptr for none).
    void SetAction(TBasicAction* action);
    // Runs the action for the client `target`; false when nothing ran.
    virtual bool Execute(QObject* target);

    // Raised with the action after each change of the action.
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    // The action changed: raises OnChange.
    virtual void Change();
    // The action is being freed; the link has already left it.
    virtual void ActionFreed() {}

private:
    TBasicAction* action_ = nullptr;
};

// A link that can carry the properties of a TCustomAction. A property is "linked" while the
// client still shows the action's value; only linked properties follow a change.
class TActionLink : public TBasicActionLink {
public:
    virtual bool IsCaptionLinked() const;
    virtual bool IsEnabledLinked() const;
    virtual bool IsHintLinked() const;
    virtual bool IsHelpContextLinked() const;
    virtual bool IsImageIndexLinked() const;
    virtual bool IsOnExecuteLinked() const;

    // Called by the action, before it stores the new value, for every link it has.
    virtual void SetCaption(const QString&) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const QString&) {}
    virtual void SetHelpContext(int) {}
    virtual void SetImageIndex(int) {}
};

// The link of a control: caption (for a control with a Caption), enabled state and hint.
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* client) : client_(client) {}

    TControl* Client() const { return client_; }

    bool IsCaptionLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;

    void SetCaption(const QString& caption) override;
    void SetEnabled(bool enabled) override;
    void SetHint(const QString& hint) override;

protected:
    // A freed action is forgotten by the client, which frees this link.
    void ActionFreed() override;

private:
    TControl* client_;
};

// The link of a windowed control adds the help context.
class TWinControlActionLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;

    bool IsHelpContextLinked() const override;
    void SetHelpContext(int context) override;
};

// The factory a control's GetActionLinkClass hands out for a link class.
template <class Link>
TControlActionLinkClass ActionLinkClassOf()
{
    return [](TControl* client) -> TControlActionLink* { return new Link(client); };
}

// A command that links to its clients; OnExecute is what it does.
class TBasicAction : public TComponent {
    Q_OBJECT
public:
    explicit TBasicAction(QObject* owner = nullptr);
    // Every client forgets the action.
    ~TBasicAction() override;

    // Raises OnExecute; false when there is none.
    virtual bool Execute();

    TNotifyEvent OnExecute;
    // Raised after each change of a property.
    TNotifyEvent OnChange;

    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);
    int LinkCount() const { return int(links_.size()); }

protected:
    // Raises OnChange, then tells every link.
    void Change();
    // Calls `push` for every property link still registered when its turn comes (a client may
    // leave on the way).
    void ForEachLink(const std::function<void(TActionLink*)>& push);

private:
    std::vector<TBasicActionLink*> links_;
};

// An action with the properties its clients show.
class TCustomAction : public TBasicAction {
    Q_OBJECT
public:
    explicit TCustomAction(QObject* owner = nullptr);
    ~TCustomAction() override;

    // Runs OnExecute only while enabled.
    bool Execute() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);
    // An index into the action list's Images; -1 for none.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);

    TActionList* ActionList() const { return actionList_; }
    // Leaves the previous list and joins `list` (nullptr for none).
    void SetActionList(TActionList* list);

private:
    friend class TActionList;

    QString caption_;
    bool enabled_ = true;
    QString hint_;
    int helpContext_ = 0;
    int imageIndex_ = -1;
    TActionList* actionList_ = nullptr;
};

// The actions of a window and the image list their ImageIndex refers to.
class TActionList : public TComponent {
    Q_OBJECT
public:
    explicit TActionList(QObject* owner = nullptr);
    // The actions stay, without a list.
    ~TActionList() override;

    // Not owned; a freed image list is forgotten. A change tells every action's clients.
    TImageList* Images() const { return images_.data(); }
    void SetImages(TImageList* images);

    int ActionCount() const { return int(actions_.size()); }
    // Raises EListError outside 0 .. ActionCount - 1.
    TCustomAction* Actions(int index) const;

private:
    friend class TCustomAction;

    QPointer<TImageList> images_;
    std::vector<TCustomAction*> actions_;
};
