#include "platform/toolkit/gui/TreeView.h"

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <functional>

namespace {

class TTreeDelegate : public QStyledItemDelegate {
public:
    explicit TTreeDelegate(TTreeView* tree) : QStyledItemDelegate(tree), tree_(tree) {}
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        auto* node = static_cast<TTreeNode*>(tree_->itemFromIndex(index));
        if (edit && node) Guarded([&] { tree_->FinishEdit(node, edit->text()); });
    }

private:
    TTreeView* tree_;
};

}  // namespace

// -- TTreeNode

int TTreeNode::Index() const
{
    if (parent()) return parent()->indexOfChild(const_cast<TTreeNode*>(this));
    return treeWidget() ? treeWidget()->indexOfTopLevelItem(const_cast<TTreeNode*>(this)) : -1;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (QTreeWidgetItem* p = parent(); p; p = p->parent()) ++level;
    return level;
}

void TTreeNode::Expand(bool recurse)
{
    setExpanded(true);
    if (recurse)
        for (int i = 0; i < childCount(); ++i) Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool recurse)
{
    setExpanded(false);
    if (recurse)
        for (int i = 0; i < childCount(); ++i) Item(i)->Collapse(true);
}

void TTreeNode::EditText()
{
    if (QTreeWidget* tree = treeWidget()) tree->editItem(this, 0);
}

void TTreeNode::Delete() { delete this; }

// -- TTreeNodes

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const QString& text)
{
    return AddChild(sibling ? sibling->Parent() : nullptr, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const QString& text)
{
    auto* node = new TTreeNode;
    node->SetText(text);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    if (parent) parent->addChild(node);
    else tree_->addTopLevelItem(node);
    return node;
}

void TTreeNodes::Clear() { tree_->clear(); }

int TTreeNodes::Count() const
{
    int n = 0;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) ++n;
    return n;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const
{
    int n = 0;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if (n++ == absoluteIndex) return static_cast<TTreeNode*>(*it);
    return nullptr;
}

TTreeNode* TTreeNodes::GetFirstNode() const { return static_cast<TTreeNode*>(tree_->topLevelItem(0)); }

void TTreeNodes::BeginUpdate()
{
    if (updateCount_++ == 0) tree_->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) tree_->setUpdatesEnabled(true);
}

// -- TTreeView

TTreeView::TTreeView(QWidget* parent) : QTreeWidget(parent), TControl(this), items_(this)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setItemDelegate(new TTreeDelegate(this));
    SetReadOnly(false);
}

TTreeNode* TTreeView::Selected() const { return static_cast<TTreeNode*>(currentItem()); }

void TTreeView::SetSelected(TTreeNode* node) { setCurrentItem(node); }

void TTreeView::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    setEditTriggers(readOnly ? NoEditTriggers : EditKeyPressed | SelectedClicked);
}

bool TTreeView::IsEditing() const { return state() == EditingState; }

bool TTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // Without a trigger the view only hands an event to the delegate.
    if (trigger == NoEditTriggers) return QTreeWidget::edit(index, trigger, event);
    if (readOnly_ || !index.isValid()) return false;
    // QTreeWidget::editItem asks with AllEditTriggers: that is the program's own request.
    if (trigger != AllEditTriggers && !(editTriggers() & trigger)) return false;
    auto* node = static_cast<TTreeNode*>(itemFromIndex(index));
    bool allow = true;
    Guarded([&] {
        if (OnEditing) OnEditing(this, node, allow);
    });
    if (!allow) return false;
    return QTreeWidget::edit(index, trigger, event);
}

void TTreeView::FinishEdit(TTreeNode* node, const QString& text)
{
    QString taken = text;
    if (OnEdited) OnEdited(this, node, taken);
    node->SetText(taken);
}

void TTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (!changing_ && OnChanging && current != previous) {
        bool allow = true;
        Guarded([&] { OnChanging(this, static_cast<TTreeNode*>(itemFromIndex(current)), allow); });
        if (!allow && previous.isValid()) {
            changing_ = true;
            setCurrentIndex(previous);
            changing_ = false;
            return;
        }
    }
    QTreeWidget::currentChanged(current, previous);
    if (changing_) return;
    Guarded([&] {
        if (OnChange) OnChange(this, static_cast<TTreeNode*>(itemFromIndex(current)));
    });
}
