#include "TreeNode.h"

#include "Archiver.h"
#include "platform/Diagnostics.h"

namespace {

const QString kChildrenKey = QStringLiteral("children");
const QString kExpandedKey = QStringLiteral("expanded");

qint64 identityIndex(const TObjectArray* array, const TObject* node) {
    if (!array || !node) return -1;
    const QVariantList& values = array->CFType();
    for (qint64 i = 0; i < values.size(); ++i)
        if (values.at(i).value<void*>() == static_cast<const void*>(node)) return i;
    return -1;
}

// Where InsertChild on self's parent puts node just before (offset 0) or after (1) self. A sibling
// moving from before self leaves a gap InsertChild does not count; self beside itself stays put.
qint64 placeBeside(const TTreeNode* self, const TTreeNode* node, qint64 offset) {
    const qint64 index = self->GetIndex();
    if (index < 0) return -1;
    if (node == self) return index;
    const qint64 from = node && node->GetParent() == self->GetParent() ? node->GetIndex() : -1;
    return index + offset - (from >= 0 && from < index ? 1 : 0);
}

} // namespace

void TTreeNode::Initialize() {
    TObject::Initialize();
    if (!m_children) m_children = TObjectArray::Create();
}

void TTreeNode::Deallocate() {
    if (!m_observers.empty()) DetachObservers();
    // Children that outlive this node must not follow the link; clearing it is not a parent change.
    if (m_children) {
        for (const QVariant& v : m_children->CFType()) {
            auto* child = static_cast<TTreeNode*>(static_cast<TObject*>(v.value<void*>()));
            if (child && child->m_parent == this) child->m_parent = nullptr;
        }
    }
    ReleaseObject(m_children);
    m_parent = nullptr;
    TObject::Deallocate();
}

void TTreeNode::AdoptChildren() {
    if (!m_children) return;
    // Only nodes can be children; anything else in the archive is dropped.
    for (qint64 i = m_children->Limit(); i >= 0; --i) {
        if (!MemberOfClass(m_children->GetObjectValue(i), TTreeNode::StaticClass())) {
            Diagnostics::warning(QStringLiteral("a tree node's children hold a non-node object; dropped."));
            m_children->RemoveValue(i);
        }
    }
    for (qint64 i = 0; i < m_children->Count(); ++i) GetChild(i)->SetParent(this);
}

void TTreeNode::CopyInstanceVariables(TObject* source) {
    TObject::CopyInstanceVariables(source);
    auto* other = static_cast<TTreeNode*>(source);
    // A copy belongs to no parent until a caller inserts it.
    m_parent = nullptr;
    ReleaseObject(m_children);
    if (other->m_children) m_children = static_cast<TObjectArray*>(other->m_children->Copy());
    AdoptChildren();
    m_expanded = other->m_expanded;
}

void TTreeNode::EncodeData(TArchiver* archiver) {
    TObject::EncodeData(archiver);
    if (m_children) m_children->ArchiveObject(archiver, kChildrenKey);
    archiver->SetBooleanValue(kExpandedKey, m_expanded);
}

void TTreeNode::DecodeData(TArchiver* archiver) {
    TObject::DecodeData(archiver);
    ReleaseObject(m_children);
    TObject* children = AllocateFromArchive(archiver, kChildrenKey, GetInitializationParameters());
    if (children && !children->IsMember(TObjectArray::StaticClass())) {
        children->Release();
        children = nullptr;
    }
    m_children = static_cast<TObjectArray*>(children);
    AdoptChildren();
    m_expanded = archiver->GetBooleanValue(kExpandedKey);
}

void TTreeNode::HandleParentChanged(TTreeNode*) {}
void TTreeNode::HandleChildrenChanged() {}
void TTreeNode::HandleExpandStateChanged() {}

TTreeNode* TTreeNode::GetRoot() {
    TTreeNode* node = this;
    while (node->m_parent) node = node->m_parent;
    return node;
}

TTreeNode* TTreeNode::GetChild(qint64 index) const {
    return m_children ? static_cast<TTreeNode*>(m_children->GetObjectValue(index)) : nullptr;
}

qint64 TTreeNode::GetIndex() const {
    return m_parent ? identityIndex(m_parent->m_children, this) : -1;
}

void TTreeNode::CollectDescendants(TObjectArray* into) const {
    for (qint64 i = 0; i < ChildCount(); ++i) {
        TTreeNode* child = GetChild(i);
        into->AppendValue(child);
        child->CollectDescendants(into);
    }
}

TObjectArray* TTreeNode::GetAllChildren() {
    TObjectArray* all = TObjectArray::Instance();
    CollectDescendants(all);
    return all;
}

TObjectArray* TTreeNode::GetAllChildrenIncludingSelf() {
    TObjectArray* all = GetAllChildren();
    all->PrependValue(this);
    return all;
}

TObjectArray* TTreeNode::GetChildrenIncludingSelf() {
    auto* copy = static_cast<TObjectArray*>(m_children->Copy());
    copy->AppendValue(this);
    copy->Autorelease();
    return copy;
}

bool TTreeNode::ContainsChild(const TTreeNode* node, bool deep) const {
    if (!node || node == this) return false;
    if (!deep) return identityIndex(m_children, node) >= 0;
    return node->IsAncestorOrSelf(this) && node != this;
}

bool TTreeNode::IsAncestorOrSelf(const TTreeNode* node) const {
    // True when node is this node or one of its ancestors.
    for (const TTreeNode* n = this; n; n = n->m_parent)
        if (n == node) return true;
    return false;
}

void TTreeNode::SetParent(TTreeNode* parent) {
    TTreeNode* old = m_parent;
    m_parent = parent;
    if (old != parent) HandleParentChanged(old);
}

void TTreeNode::SetExpanded(bool expanded) {
    const bool old = m_expanded;
    m_expanded = expanded;
    if (old == expanded) return;
    const Ref<TTreeNode> self = Ref<TTreeNode>::retain(this); // an observer may let go of it
    TTreeNodeNotice::ExpandedChanged(this);
    HandleExpandStateChanged();
}

void TTreeNode::AddChild(TTreeNode* node) {
    InsertChild(node, -1, true);
}

void TTreeNode::InsertChild(TTreeNode* node, qint64 index, bool appendOutside) {
    // A node can be neither its own child nor the child of one of its descendants.
    if (!node || !m_children || IsAncestorOrSelf(node)) return;
    TTreeNode* oldParent = node->m_parent;
    const qint64 oldRow = oldParent ? identityIndex(oldParent->m_children, node) : -1;
    const bool movingWithin = oldParent == this && oldRow >= 0;
    const qint64 count = ChildCount() - (movingWithin ? 1 : 0);
    if (!appendOutside && (index < 0 || index > count)) return;
    const qint64 row = index < 0 || index >= count ? count : index;

    // An observer or a hook may let go of any of the three (an emptied parent may leave its own);
    // each stays alive until the hooks have run.
    const Ref<TTreeNode> keep[] = {Ref<TTreeNode>::retain(node), Ref<TTreeNode>::retain(this),
                                   Ref<TTreeNode>::retain(oldParent)};
    if (!movingWithin || row != oldRow) {
        TTreeNodeNotice notice(oldRow >= 0 ? oldParent : nullptr, oldRow, oldRow, this, row);
        notice.Will();
        if (oldRow >= 0) oldParent->m_children->RemoveValue(oldRow);
        node->m_parent = this;
        m_children->InsertValue(row, node);
        notice.Did();
    }
    if (oldRow >= 0 && oldParent != this) oldParent->HandleChildrenChanged();
    if (oldParent != this) node->HandleParentChanged(oldParent);
    HandleChildrenChanged();
}

void TTreeNode::InsertChildBefore(TTreeNode* node) {
    if (m_parent)
        m_parent->InsertChild(node, placeBeside(this, node, 0));
    else
        AddChild(node);
}

void TTreeNode::InsertChildAfter(TTreeNode* node) {
    if (m_parent)
        m_parent->InsertChild(node, placeBeside(this, node, 1));
    else
        AddChild(node);
}

void TTreeNode::RemoveChild(TTreeNode* node) {
    RemoveChild(identityIndex(m_children, node));
}

void TTreeNode::RemoveChild(qint64 index) {
    TTreeNode* node = GetChild(index);
    if (!node) return;
    const Ref<TTreeNode> keep[] = {Ref<TTreeNode>::retain(node), Ref<TTreeNode>::retain(this)};
    const bool linked = node->m_parent == this;
    TTreeNodeNotice notice(this, index, index, nullptr, -1);
    notice.Will();
    if (linked) node->m_parent = nullptr;
    m_children->RemoveValue(index);
    notice.Did();
    if (linked) node->HandleParentChanged(this);
    HandleChildrenChanged();
}

void TTreeNode::RemoveAllChildren() {
    if (!m_children) return;
    const Ref<TTreeNode> self = Ref<TTreeNode>::retain(this); // a child's hook may let go of it
    // The copy keeps the children alive until their hooks have run.
    Ref<TObjectArray> children = Ref<TObjectArray>::adopt(TObjectArray::CreateWithArray(m_children));
    std::vector<TTreeNode*> unlinked;
    if (children->Count() > 0) {
        TTreeNodeNotice notice(this, 0, children->Limit(), nullptr, -1);
        notice.Will();
        for (qint64 i = 0; i < children->Count(); ++i) {
            auto* child = static_cast<TTreeNode*>(children->GetObjectValue(i));
            if (child->m_parent != this) continue;
            child->m_parent = nullptr;
            unlinked.push_back(child);
        }
        m_children->RemoveAllValues();
        notice.Did();
    }
    for (TTreeNode* child : unlinked) child->HandleParentChanged(this);
    HandleChildrenChanged();
}

void TTreeNode::RemoveFromParent() {
    if (m_parent) m_parent->RemoveChild(this);
}

void TTreeNode::Show(const QString& prefix) const {
    Diagnostics::line(prefix + CopyDescription());
    for (qint64 i = 0; i < ChildCount(); ++i) GetChild(i)->Show(prefix + QStringLiteral("  "));
}
