#pragma once

#include <QtGlobal>
#include <vector>

class TTreeNode;

// Hears of the structural changes in the subtrees of the nodes it is attached to
// (TTreeNode::AddObserver), before and after each, with positions, so an item model or a view can
// follow row by row. Made and owned by its user; the nodes do not own it. An observer may watch
// several nodes and a node may have several observers. An observer going away detaches itself from
// every node; a node going away detaches its observers and tells them (ObservedNodeWillGoAway), so
// neither is left pointing at the other. Main thread only.
//
// Rows are positions among a parent's children. A change is heard once, however many of the
// observer's nodes stand above it; observers nearer the change hear it first, and the observers
// told "will" are the ones told "did" (one removed meanwhile still is, one gone is not). A node moving
// between parents is a move for an observer above both, a removal for one above the old parent only and an
// insertion for one above the new parent only. Between a "will" and its "did" the tree must not be changed;
// the tree node's own hooks (HandleParentChanged, HandleChildrenChanged) run after the "did". A move that
// leaves a node where it is, SetParent on its own, decoding and copying are not announced.
class TTreeNodeObserver {
public:
    TTreeNodeObserver() = default;
    TTreeNodeObserver(const TTreeNodeObserver&) = delete;
    TTreeNodeObserver& operator=(const TTreeNodeObserver&) = delete;
    virtual ~TTreeNodeObserver();

    // Children first to last of parent: about to be inserted, then inserted.
    virtual void WillInsertChildren(TTreeNode* parent, qint64 first, qint64 last);
    virtual void DidInsertChildren(TTreeNode* parent, qint64 first, qint64 last);
    // Children first to last of parent: about to be removed (still listed), then removed.
    virtual void WillRemoveChildren(TTreeNode* parent, qint64 first, qint64 last);
    virtual void DidRemoveChildren(TTreeNode* parent, qint64 first, qint64 last);
    // One child moving from oldRow of oldParent to newRow of newParent. newRow is its position after
    // the move; within one parent it counts the children without the node, so Qt's destination row
    // (beginMoveRows) is newRow + 1 when the node moves down.
    virtual void WillMoveChild(TTreeNode* oldParent, qint64 oldRow, TTreeNode* newParent, qint64 newRow);
    virtual void DidMoveChild(TTreeNode* oldParent, qint64 oldRow, TTreeNode* newParent, qint64 newRow);
    // The node's expanded flag changed (IsExpanded gives the new value); the node or one above it is
    // observed.
    virtual void DidChangeExpanded(TTreeNode* node);
    // An observed node is being deallocated; this observer is already detached from it. The node
    // can still be read during the call, not changed or retained.
    virtual void ObservedNodeWillGoAway(TTreeNode* node);

    // The nodes this observer is attached to, in the order they were added.
    const std::vector<TTreeNode*>& ObservedNodes() const { return m_nodes; }

private:
    friend class TTreeNode;
    std::vector<TTreeNode*> m_nodes;
};

// The observers of one change, collected before it is made, each with what it hears: children
// oldFirst to oldLast leave oldParent, one child arrives at newRow of newParent; either parent may
// be null. Nothing is collected, at the cost of one comparison, while no node has an observer. An
// observer that goes away between Will and Did is skipped. Used by TTreeNode.
class TTreeNodeNotice {
public:
    TTreeNodeNotice(TTreeNode* oldParent, qint64 oldFirst, qint64 oldLast, TTreeNode* newParent,
                    qint64 newRow);
    ~TTreeNodeNotice();
    TTreeNodeNotice(const TTreeNodeNotice&) = delete;
    TTreeNodeNotice& operator=(const TTreeNodeNotice&) = delete;

    void Will() { Tell(true); }
    void Did() { Tell(false); }
    // Tells the observers of the node and of the nodes above it.
    static void ExpandedChanged(TTreeNode* node);

private:
    friend class TTreeNodeObserver;
    friend class TTreeNode;
    enum class Kind { Insert, Remove, Move, Expanded, GoingAway };
    struct Entry {
        TTreeNodeObserver* observer;
        Kind kind;
    };
    TTreeNodeNotice() = default;
    void Collect(const TTreeNode* top, Kind kind);
    void Tell(bool will);
    void Begin();

    std::vector<Entry> m_entries;
    TTreeNode* m_oldParent = nullptr;
    qint64 m_oldFirst = -1;
    qint64 m_oldLast = -1;
    TTreeNode* m_newParent = nullptr;
    qint64 m_newRow = -1;
    TTreeNodeNotice* m_outer = nullptr; // the notice being told when this one began
    bool m_begun = false;
};
