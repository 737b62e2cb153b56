#include "platform/toolkit/gui/Actions.h"

#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/ImageList.h"

#include <QMetaProperty>
#include <algorithm>

namespace {

TCustomAction* CustomActionOf(TBasicAction* action)
{
    return qobject_cast<TCustomAction*>(action);
}

// Controls carry their caption as the Qt property "Caption"; a control without one has none.
bool HasCaption(const QWidget* widget)
{
    return widget->metaObject()->indexOfProperty("Caption") >= 0;
}

QString CaptionOf(const QWidget* widget)
{
    return widget->property("Caption").toString();
}

void SetCaptionOf(QWidget* widget, const QString& caption)
{
    if (HasCaption(widget)) widget->setProperty("Caption", caption);
}

}  // namespace

// -- TBasicActionLink

TBasicActionLink::~TBasicActionLink()
{
    if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* action)
{
    if (action == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    if (action) action->RegisterChanges(this);
}

bool TBasicActionLink::Execute(QObject*)
{
    return action_ && action_->Execute();
}

void TBasicActionLink::Change()
{
    if (OnChange) OnChange(action_);
}

// -- TActionLink

bool TActionLink::IsCaptionLinked() const { return CustomActionOf(Action()) != nullptr; }
bool TActionLink::IsEnabledLinked() const { return CustomActionOf(Action()) != nullptr; }
bool TActionLink::IsHintLinked() const { return CustomActionOf(Action()) != nullptr; }
bool TActionLink::IsHelpContextLinked() const { return CustomActionOf(Action()) != nullptr; }
bool TActionLink::IsImageIndexLinked() const { return CustomActionOf(Action()) != nullptr; }
bool TActionLink::IsOnExecuteLinked() const { return Action() != nullptr; }

// -- TControlActionLink

bool TControlActionLink::IsCaptionLinked() const
{
    const QWidget* widget = client_->Widget();
    return TActionLink::IsCaptionLinked() && HasCaption(widget) &&
           CaptionOf(widget) == CustomActionOf(Action())->Caption();
}

bool TControlActionLink::IsEnabledLinked() const
{
    return TActionLink::IsEnabledLinked() && client_->Enabled() == CustomActionOf(Action())->Enabled();
}

bool TControlActionLink::IsHintLinked() const
{
    return TActionLink::IsHintLinked() && client_->Hint() == CustomActionOf(Action())->Hint();
}

void TControlActionLink::SetCaption(const QString& caption)
{
    if (IsCaptionLinked()) SetCaptionOf(client_->Widget(), caption);
}

void TControlActionLink::SetEnabled(bool enabled)
{
    if (IsEnabledLinked()) client_->SetEnabled(enabled);
}

void TControlActionLink::SetHint(const QString& hint)
{
    if (IsHintLinked()) client_->SetHint(hint);
}

void TControlActionLink::ActionFreed()
{
    client_->SetAction(nullptr);
}

// -- TWinControlActionLink

bool TWinControlActionLink::IsHelpContextLinked() const
{
    return TActionLink::IsHelpContextLinked() && Client()->HelpContext() == CustomActionOf(Action())->HelpContext();
}

void TWinControlActionLink::SetHelpContext(int context)
{
    if (IsHelpContextLinked()) Client()->SetHelpContext(context);
}

// -- TControl's action

void TControlActionLinkDeleter::operator()(TControlActionLink* link) const { delete link; }

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* action)
{
    if (!action) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_.reset(GetActionLinkClass()(this));
    actionLink_->SetAction(action);
    actionLink_->OnChange = [this](QObject* sender) {
        if (sender == Action()) ActionChange(sender, false);
    };
    // An action read with its form keeps what the form gave the control.
    ActionChange(action, action->IsLoading());
}

void TControl::ActionChange(QObject* sender, bool checkDefaults)
{
    auto* action = qobject_cast<TCustomAction*>(sender);
    if (!action) return;
    QWidget* widget = Widget();
    if (HasCaption(widget)) {
        const QString caption = CaptionOf(widget);
        if (!checkDefaults || caption.isEmpty() || caption == Name()) SetCaptionOf(widget, action->Caption());
    }
    if (!checkDefaults || Enabled()) SetEnabled(action->Enabled());
    if (!checkDefaults || Hint().isEmpty()) SetHint(action->Hint());
    if (!checkDefaults || HelpContext() == 0) SetHelpContext(action->HelpContext());
}

TControlActionLinkClass TControl::GetActionLinkClass() const { return ActionLinkClassOf<TControlActionLink>(); }

void TControl::ClickOrExecute()
{
    if (OnClick)
        OnClick(Widget());
    else if (actionLink_)
        actionLink_->Execute(Widget());
}

// -- TBasicAction

TBasicAction::TBasicAction(QObject* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction()
{
    Destroying();
    while (!links_.empty()) {
        TBasicActionLink* link = links_.back();
        links_.pop_back();
        link->action_ = nullptr;
        link->ActionFreed();
    }
}

bool TBasicAction::Execute()
{
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link)
{
    if (!link || link->action_ == this) return;
    if (link->action_) link->action_->UnRegisterChanges(link);
    link->action_ = this;
    links_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link)
{
    const auto found = std::find(links_.begin(), links_.end(), link);
    if (found == links_.end()) return;
    (*found)->action_ = nullptr;
    links_.erase(found);
}

void TBasicAction::Change()
{
    if (OnChange) OnChange(this);
    const std::vector<TBasicActionLink*> links = links_;
    for (TBasicActionLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
}

void TBasicAction::ForEachLink(const std::function<void(TActionLink*)>& push)
{
    const std::vector<TBasicActionLink*> links = links_;
    for (TBasicActionLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        if (auto* actionLink = dynamic_cast<TActionLink*>(link)) push(actionLink);
    }
}

// -- TCustomAction

TCustomAction::TCustomAction(QObject* owner) : TBasicAction(owner) {}

TCustomAction::~TCustomAction()
{
    Destroying();
    if (actionList_) {
        auto& actions = actionList_->actions_;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
}

bool TCustomAction::Execute()
{
    return enabled_ && TBasicAction::Execute();
}

void TCustomAction::SetCaption(const QString& caption)
{
    if (caption == caption_) return;
    ForEachLink([&](TActionLink* link) { link->SetCaption(caption); });
    caption_ = caption;
    Change();
}

void TCustomAction::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    ForEachLink([&](TActionLink* link) { link->SetEnabled(enabled); });
    enabled_ = enabled;
    Change();
}

void TCustomAction::SetHint(const QString& hint)
{
    if (hint == hint_) return;
    ForEachLink([&](TActionLink* link) { link->SetHint(hint); });
    hint_ = hint;
    Change();
}

void TCustomAction::SetHelpContext(int context)
{
    if (context == helpContext_) return;
    ForEachLink([&](TActionLink* link) { link->SetHelpContext(context); });
    helpContext_ = context;
    Change();
}

void TCustomAction::SetImageIndex(int index)
{
    if (index == imageIndex_) return;
    ForEachLink([&](TActionLink* link) {
        if (link->IsImageIndexLinked()) link->SetImageIndex(index);
    });
    imageIndex_ = index;
    Change();
}

void TCustomAction::SetActionList(TActionList* list)
{
    if (list == actionList_) return;
    if (actionList_) {
        auto& actions = actionList_->actions_;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
    actionList_ = list;
    if (list) list->actions_.push_back(this);
    // The clients may now have an image list to show.
    Change();
}

// -- TActionList

TActionList::TActionList(QObject* owner) : TComponent(owner) {}

TActionList::~TActionList()
{
    Destroying();
    for (TCustomAction* action : actions_) action->actionList_ = nullptr;
}

void TActionList::SetImages(TImageList* images)
{
    if (images == images_) return;
    images_ = images;
    const std::vector<TCustomAction*> actions = actions_;
    for (TCustomAction* action : actions)
        if (std::find(actions_.begin(), actions_.end(), action) != actions_.end()) action->Change();
}

TCustomAction* TActionList::Actions(int index) const
{
    if (index < 0 || index >= ActionCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return actions_[size_t(index)];
}
