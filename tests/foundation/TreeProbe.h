#pragma once

#include "foundation/Archiver.h"
#include "foundation/TreeNode.h"

#include <QStringList>
#include <functional>

// A node of the tree tests that names itself and counts its hooks.
class TTreeProbe : public TTreeNode {
    T_OBJECT(TTreeProbe, TTreeNode)
public:
    QString name;
    int parentChanges = 0;
    int childrenChanges = 0;
    int expandChanges = 0;
    using Move = QPair<TTreeNode*, TTreeNode*>; // (old, new)
    QList<Move> parentMoves;
    QList<qint64> indexAtParentChange; // what GetIndex gave inside each HandleParentChanged
    // Run at the end of the hooks, to change the tree from inside them.
    std::function<void(TTreeProbe*)> onParentChanged;
    std::function<void(TTreeProbe*)> onChildrenChanged;

    static TTreeProbe* Make(const QString& name) {
        TTreeProbe* n = Create();
        n->name = name;
        return n;
    }
    // root with a (a1) and b (b1); a and b expanded. Owned by the caller.
    static TTreeProbe* MakeTree() {
        TTreeProbe* root = Make("root");
        for (const char* n : {"a", "b"}) {
            TTreeProbe* child = Make(n);
            TTreeProbe* grandchild = Make(QString(n) + "1");
            child->AddChild(grandchild);
            grandchild->Release();
            child->SetExpanded(true);
            root->AddChild(child);
            child->Release();
        }
        return root;
    }
    void HandleParentChanged(TTreeNode* oldParent) override {
        ++parentChanges;
        parentMoves.append(Move(oldParent, GetParent()));
        indexAtParentChange.append(GetIndex());
        if (const auto run = onParentChanged) run(this);
    }
    void HandleChildrenChanged() override {
        ++childrenChanges;
        if (const auto run = onChildrenChanged) run(this);
    }
    void HandleExpandStateChanged() override { ++expandChanges; }
    void EncodeData(TArchiver* a) override {
        TTreeNode::EncodeData(a);
        a->SetStringValue("name", name);
    }
    void DecodeData(TArchiver* a) override {
        TTreeNode::DecodeData(a);
        name = a->GetStringValue("name");
    }
    void CopyInstanceVariables(TObject* source) override {
        TTreeNode::CopyInstanceVariables(source);
        name = static_cast<TTreeProbe*>(source)->name;
    }

protected:
    TTreeProbe() = default;
};

inline TTreeProbe* probe(TTreeNode* node) {
    return static_cast<TTreeProbe*>(node);
}

inline QStringList names(TObjectArray* nodes) {
    QStringList out;
    for (TTreeProbe* n : *nodes) out << n->name;
    return out;
}

inline QStringList childNames(TTreeNode* node) {
    return names(node->GetChildren());
}
