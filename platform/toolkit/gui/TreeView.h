#pragma once
// A tree of text nodes with in-place editing of a node's text: OnEditing may refuse to start
// it, OnEdited sees (and may change) the new text before it is taken.

#include "platform/toolkit/gui/Control.h"

#include <QTreeWidget>
#include <functional>

class TTreeView;

class TTreeNode : public QTreeWidgetItem {
public:
    TTreeNode() = default;
    QString Text() const { return text(0); }
    void SetText(const QString& text) { setText(0, text); }
    TTreeNode* Parent() const { return static_cast<TTreeNode*>(parent()); }
    // Position among its siblings.
    int Index() const;
    // 0 for a root node.
    int Level() const;
    int Count() const { return childCount(); }
    TTreeNode* Item(int index) const { return static_cast<TTreeNode*>(child(index)); }
    bool HasChildren() const { return childCount() > 0; }
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Expanded() const { return isExpanded(); }
    bool Selected() const { return isSelected(); }
    // A value the program keeps with the node.
    QVariant Data() const { return data(0, Qt::UserRole); }
    void SetData(const QVariant& value) { setData(0, Qt::UserRole, value); }
    // Opens the in-place editor on the node.
    void EditText();
    // Removes the node and its children.
    void Delete();
};

// The nodes of a tree, in display order.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* tree) : tree_(tree) {}
    // A node after the last sibling of `sibling` (a root node when null).
    TTreeNode* Add(TTreeNode* sibling, const QString& text);
    // A node as the last child of `parent` (a root node when null).
    TTreeNode* AddChild(TTreeNode* parent, const QString& text);
    void Clear();
    // All nodes, at every level.
    int Count() const;
    // By position in display order (0 is the first root).
    TTreeNode* Item(int absoluteIndex) const;
    TTreeNode* GetFirstNode() const;
    void BeginUpdate();
    void EndUpdate();

private:
    TTreeView* tree_;
    int updateCount_ = 0;
};

using TTVChangedEvent = std::function<void(QObject* sender, TTreeNode* node)>;
using TTVChangingEvent = std::function<void(QObject* sender, TTreeNode* node, bool& allowChange)>;
using TTVEditingEvent = std::function<void(QObject* sender, TTreeNode* node, bool& allowEdit)>;
using TTVEditedEvent = std::function<void(QObject* sender, TTreeNode* node, QString& text)>;

class TTreeView : public QTreeWidget, public TControl {
    Q_OBJECT
public:
    explicit TTreeView(QWidget* parent = nullptr);
    TTreeNodes& Items() { return items_; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    // No in-place editing while read-only.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    void FullExpand() { expandAll(); }
    void FullCollapse() { collapseAll(); }
    bool IsEditing() const;

    TTVChangingEvent OnChanging;
    TTVChangedEvent OnChange;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;

    // The in-place editor's text is done: OnEdited, then the node takes the text.
    void FinishEdit(TTreeNode* node, const QString& text);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    TTreeNodes items_;
    bool readOnly_ = false;
    bool changing_ = false;
};
