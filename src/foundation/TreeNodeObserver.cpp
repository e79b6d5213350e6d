#include "TreeNodeObserver.h"

#include "TreeNode.h"

#include <algorithm>

namespace {

// Links between nodes and observers in the process: with none, a change collects nothing.
qint64 g_links = 0;
// The innermost notice being told, linked to the outer ones, so an observer that goes away can
// take itself out of each.
TTreeNodeNotice* g_telling = nullptr;

template <class T> void eraseOne(std::vector<T*>& list, const T* item) {
    const auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

} // namespace

TTreeNodeObserver::~TTreeNodeObserver() {
    for (TTreeNode* node : m_nodes) {
        eraseOne(node->m_observers, this);
        --g_links;
    }
    for (TTreeNodeNotice* notice = g_telling; notice; notice = notice->m_outer)
        for (TTreeNodeNotice::Entry& entry : notice->m_entries)
            if (entry.observer == this) entry.observer = nullptr;
}

void TTreeNodeObserver::WillInsertChildren(TTreeNode*, qint64, qint64) {}
void TTreeNodeObserver::DidInsertChildren(TTreeNode*, qint64, qint64) {}
void TTreeNodeObserver::WillRemoveChildren(TTreeNode*, qint64, qint64) {}
void TTreeNodeObserver::DidRemoveChildren(TTreeNode*, qint64, qint64) {}
void TTreeNodeObserver::WillMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) {}
void TTreeNodeObserver::DidMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) {}
void TTreeNodeObserver::DidChangeExpanded(TTreeNode*) {}
void TTreeNodeObserver::ObservedNodeWillGoAway(TTreeNode*) {}

void TTreeNode::AddObserver(TTreeNodeObserver* observer) {
    if (!observer || std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end()) return;
    m_observers.push_back(observer);
    observer->m_nodes.push_back(this);
    ++g_links;
}

void TTreeNode::RemoveObserver(TTreeNodeObserver* observer) {
    const auto it = std::find(m_observers.begin(), m_observers.end(), observer);
    if (it == m_observers.end()) return;
    m_observers.erase(it);
    eraseOne(observer->m_nodes, this);
    --g_links;
}

void TTreeNode::DetachObservers() {
    TTreeNodeNotice notice;
    notice.m_oldParent = this;
    for (TTreeNodeObserver* observer : m_observers) {
        notice.m_entries.push_back({observer, TTreeNodeNotice::Kind::GoingAway});
        eraseOne(observer->m_nodes, this);
        --g_links;
    }
    m_observers.clear();
    notice.Begin();
    notice.Will();
}

TTreeNodeNotice::TTreeNodeNotice(TTreeNode* oldParent, qint64 oldFirst, qint64 oldLast, TTreeNode* newParent,
                                 qint64 newRow)
    : m_oldParent(oldParent), m_oldFirst(oldFirst), m_oldLast(oldLast), m_newParent(newParent),
      m_newRow(newRow) {
    if (g_links == 0) return;
    Collect(oldParent, Kind::Remove);
    Collect(newParent, Kind::Insert);
    Begin();
}

TTreeNodeNotice::~TTreeNodeNotice() {
    if (m_begun) g_telling = m_outer;
}

void TTreeNodeNotice::ExpandedChanged(TTreeNode* node) {
    if (g_links == 0) return;
    TTreeNodeNotice notice;
    notice.m_newParent = node;
    notice.Collect(node, Kind::Expanded);
    notice.Begin();
    notice.Did();
}

void TTreeNodeNotice::Collect(const TTreeNode* top, Kind kind) {
    for (const TTreeNode* node = top; node; node = node->m_parent) {
        for (TTreeNodeObserver* observer : node->m_observers) {
            const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                         [observer](const Entry& e) { return e.observer == observer; });
            if (it == m_entries.end())
                m_entries.push_back({observer, kind});
            else if (it->kind != kind)
                it->kind = Kind::Move; // above the old parent and the new one
        }
    }
}

void TTreeNodeNotice::Begin() {
    if (m_entries.empty()) return;
    m_outer = g_telling;
    g_telling = this;
    m_begun = true;
}

void TTreeNodeNotice::Tell(bool will) {
    using O = TTreeNodeObserver;
    // By index: an observer going away meanwhile clears its entry, the list itself stays.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        O* o = m_entries[i].observer;
        if (!o) continue;
        switch (m_entries[i].kind) {
        case Kind::Insert:
            (o->*(will ? &O::WillInsertChildren : &O::DidInsertChildren))(m_newParent, m_newRow, m_newRow);
            break;
        case Kind::Remove:
            (o->*(will ? &O::WillRemoveChildren : &O::DidRemoveChildren))(m_oldParent, m_oldFirst, m_oldLast);
            break;
        case Kind::Move:
            (o->*(will ? &O::WillMoveChild : &O::DidMoveChild))(m_oldParent, m_oldFirst, m_newParent,
                                                                m_newRow);
            break;
        case Kind::Expanded:
            o->DidChangeExpanded(m_newParent);
            break;
        case Kind::GoingAway:
            o->ObservedNodeWillGoAway(m_oldParent);
            break;
        }
    }
}
