#pragma once

#include "Array.h"
#include "TreeNodeObserver.h"

// A node of a tree: an ordered list of children it owns, a link to its parent it does not own,
// and an expanded flag for outlines. Subclasses react to changes through three hooks; views follow
// the changes through observers (TreeNodeObserver.h), told before and after each, with positions.
//
// Moving: AddChild and InsertChild of a node that already has a parent take it out of that parent
// first. The node's parent link goes from the old parent to the new one directly (never through
// nil), so HandleParentChanged runs once, with the old parent as argument. For a node moved within
// the same parent the index counts the children without the node, and the hook does not run.
//
// Order: observers hear "will" before a change and "did" after it; the hooks run after the "did",
// with the lists and links in their new state. A move runs the old parent's HandleChildrenChanged,
// the node's HandleParentChanged, then the new parent's HandleChildrenChanged; a removal runs each
// removed node's HandleParentChanged, then the parent's HandleChildrenChanged. The nodes a change
// names (the node, its old and new parent) stay alive until its hooks have run, even when an
// observer or a hook lets go of them meanwhile.
//
// Archive keys: "children" (the children array as a nested archive) and "expanded".
class TTreeNode : public TObject {
    T_OBJECT(TTreeNode, TObject)
public:
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;

    // Hooks: on the child when its parent changed (oldParent is the previous one; GetParent the new
    // one), on the parent after its children changed, on the node when its expanded flag changed.
    virtual void HandleParentChanged(TTreeNode* oldParent);
    virtual void HandleChildrenChanged();
    virtual void HandleExpandStateChanged();

    // Reading.
    TTreeNode* GetParent() const { return m_parent; }
    bool IsRoot() const { return !m_parent; }
    TTreeNode* GetRoot();
    TObjectArray* GetChildren() const { return m_children; }
    TTreeNode* GetChild(qint64 index) const;
    qint64 ChildCount() const { return m_children ? m_children->Count() : 0; }
    bool HasChildren() const { return ChildCount() > 0; }
    bool IsExpandable() const { return HasChildren(); }
    bool IsExpanded() const { return m_expanded; }
    // The position among the parent's children; -1 for a root or a node its parent does not list.
    qint64 GetIndex() const;
    // Descendants depth-first in pre-order, autoreleased.
    TObjectArray* GetAllChildren();
    TObjectArray* GetAllChildrenIncludingSelf();
    // Copies of the children with this node appended at the end, autoreleased.
    TObjectArray* GetChildrenIncludingSelf();
    bool ContainsChild(const TTreeNode* node, bool deep) const;

    // Changing.
    void SetParent(TTreeNode* parent);
    void SetExpanded(bool expanded);
    void AddChild(TTreeNode* node);
    void InsertChild(TTreeNode* node, qint64 index) { InsertChild(node, index, true); }
    // With appendOutside an index below 0 or past the end appends; without it such an index is ignored.
    void InsertChild(TTreeNode* node, qint64 index, bool appendOutside);
    void InsertChildBefore(TTreeNode* node);
    void InsertChildAfter(TTreeNode* node);
    // Removing a node that is not a child, or at an index out of range, changes nothing.
    void RemoveChild(TTreeNode* node);
    void RemoveChild(qint64 index);
    void RemoveAllChildren();
    void RemoveFromParent();

    // Observers (not owned) hear of the changes in this node's subtree; adding one twice, or
    // removing one that is not attached, does nothing.
    void AddObserver(TTreeNodeObserver* observer);
    void RemoveObserver(TTreeNodeObserver* observer);

    void Show(const QString& prefix) const;
    void ShowAll() const { Show(QString()); }

protected:
    TTreeNode() = default;
    void Deallocate() override;

private:
    friend class TTreeNodeObserver;
    friend class TTreeNodeNotice;
    bool IsAncestorOrSelf(const TTreeNode* node) const;
    void CollectDescendants(TObjectArray* into) const;
    void AdoptChildren();
    // Detaches every observer and tells it this node goes away (TreeNodeObserver.cpp).
    void DetachObservers();

    TTreeNode* m_parent = nullptr;
    TObjectArray* m_children = nullptr;
    bool m_expanded = false;
    std::vector<TTreeNodeObserver*> m_observers;
};
