#include "TreeProbe.h"
#include "foundation/Archiver.h"

#include <gtest/gtest.h>

namespace {

class TreeNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFoundationClasses();
        RegisterClass(TTreeProbe::StaticClass());
    }
    AutoreleasePool pool;
};

TEST_F(TreeNodeTest, InsertionIndicesTable) {
    struct Case {
        qint64 index;
        QStringList expected;
    };
    const Case cases[] = {{-1, {"a", "b", "x"}},
                          {2, {"a", "b", "x"}},
                          {7, {"a", "b", "x"}},
                          {0, {"x", "a", "b"}},
                          {1, {"a", "x", "b"}}};
    for (const Case& c : cases) {
        TTreeProbe* parent = TTreeProbe::Make("p");
        for (const char* n : {"a", "b"}) {
            TTreeProbe* child = TTreeProbe::Make(n);
            parent->AddChild(child);
            child->Release();
        }
        TTreeProbe* x = TTreeProbe::Make("x");
        parent->InsertChild(x, c.index);
        EXPECT_EQ(childNames(parent), c.expected) << c.index;
        EXPECT_EQ(x->GetParent(), parent);
        x->Release();
        parent->Release();
    }

    TTreeProbe* parent = TTreeProbe::Make("p");
    TTreeProbe* first = TTreeProbe::Make("first");
    TTreeProbe* second = TTreeProbe::Make("second");
    parent->InsertChild(first, 0);
    parent->InsertChild(second, 0);
    EXPECT_EQ(childNames(parent), (QStringList{"second", "first"}));
    TTreeProbe* outside = TTreeProbe::Make("outside");
    parent->InsertChild(outside, 5, false); // out of range without appending: ignored
    EXPECT_EQ(parent->ChildCount(), 2);
    EXPECT_TRUE(outside->IsRoot());
    EXPECT_EQ(parent->childrenChanges, 2);
    outside->Release();
    first->Release();
    second->Release();
    parent->Release();
}

TEST_F(TreeNodeTest, IndexRootAndReading) {
    TTreeProbe* root = TTreeProbe::MakeTree();
    TTreeNode* b = root->GetChild(1);
    EXPECT_EQ(root->GetIndex(), -1);
    EXPECT_EQ(b->GetIndex(), 1);
    EXPECT_EQ(b->GetChild(0)->GetRoot(), root);
    EXPECT_EQ(root->GetChild(2), nullptr);
    EXPECT_EQ(root->GetChild(-1), nullptr);
    EXPECT_EQ(names(root->GetAllChildren()), (QStringList{"a", "a1", "b", "b1"}));
    EXPECT_EQ(names(root->GetAllChildrenIncludingSelf()), (QStringList{"root", "a", "a1", "b", "b1"}));
    EXPECT_TRUE(root->ContainsChild(b, false));
    EXPECT_FALSE(root->ContainsChild(b->GetChild(0), false));
    EXPECT_TRUE(root->ContainsChild(b->GetChild(0), true));
    EXPECT_TRUE(b->IsExpandable());
    EXPECT_FALSE(b->GetChild(0)->IsExpandable());
    TObjectArray* withSelf = b->GetChildrenIncludingSelf();
    EXPECT_EQ(names(withSelf), (QStringList{"b1", "b"}));
    EXPECT_NE(withSelf->GetObjectValue(0), b->GetChild(0));

    // A node whose parent does not list it has no index.
    TTreeProbe* stray = TTreeProbe::Make("stray");
    stray->SetParent(root);
    EXPECT_EQ(stray->GetIndex(), -1);
    stray->SetParent(nullptr);
    stray->Release();
    root->Release();
}

TEST_F(TreeNodeTest, HookCounts) {
    TTreeProbe* root = TTreeProbe::Make("root");
    root->SetExpanded(true);
    root->SetExpanded(true);
    EXPECT_EQ(root->expandChanges, 1);

    TTreeProbe* child = TTreeProbe::Make("child");
    child->SetParent(nullptr);
    EXPECT_EQ(child->parentChanges, 0);
    root->AddChild(child);
    EXPECT_EQ(child->parentChanges, 1);
    child->SetParent(root);
    EXPECT_EQ(child->parentChanges, 1);
    EXPECT_EQ(root->childrenChanges, 1);

    // Removing a node that is not a child does nothing at all.
    TTreeProbe* other = TTreeProbe::Make("other");
    root->RemoveChild(other);
    root->RemoveChild(qint64(4));
    EXPECT_EQ(root->childrenChanges, 1);
    EXPECT_EQ(other->parentChanges, 0);

    child->RemoveFromParent();
    EXPECT_EQ(child->parentChanges, 2);
    EXPECT_EQ(child->parentMoves.last(), TTreeProbe::Move(root, nullptr));
    EXPECT_EQ(root->childrenChanges, 2);
    EXPECT_EQ(child->GetRetainCount(), 1);

    root->AddChild(child);
    root->AddChild(other);
    root->RemoveAllChildren();
    EXPECT_EQ(root->childrenChanges, 5);
    EXPECT_EQ(child->parentChanges, 4);
    EXPECT_EQ(other->parentChanges, 2);
    EXPECT_TRUE(child->IsRoot());

    // A node cannot become its own descendant.
    root->AddChild(child);
    child->AddChild(root);
    root->AddChild(root);
    EXPECT_TRUE(root->IsRoot());
    EXPECT_EQ(root->ChildCount(), 1);

    other->Release();
    child->Release();
    root->Release();
}

TEST_F(TreeNodeTest, RemovingByIndexOrByNodeRunsTheSameHooks) {
    for (const bool byIndex : {false, true}) {
        Ref<TTreeProbe> root = Ref<TTreeProbe>::adopt(TTreeProbe::MakeTree());
        Ref<TTreeProbe> b = Ref<TTreeProbe>::retain(probe(root->GetChild(1)));
        const int changes = root->childrenChanges;
        if (byIndex)
            root->RemoveChild(qint64(1));
        else
            root->RemoveChild(b.get());
        EXPECT_EQ(childNames(root.get()), QStringList{"a"}) << byIndex;
        EXPECT_EQ(root->childrenChanges, changes + 1) << byIndex;
        EXPECT_EQ(b->parentMoves.last(), TTreeProbe::Move(root.get(), nullptr)) << byIndex;
        EXPECT_EQ(b->GetRetainCount(), 1) << byIndex;
    }
}

TEST_F(TreeNodeTest, MovingKeepsTheLinkAndFiresOnce) {
    TTreeProbe* root = TTreeProbe::MakeTree();
    TTreeProbe* a = probe(root->GetChild(0));
    TTreeProbe* b = probe(root->GetChild(1));
    TTreeProbe* a1 = probe(a->GetChild(0));
    const int before = a1->parentChanges;
    const int retain = a1->GetRetainCount();

    b->InsertChild(a1, 0);
    EXPECT_EQ(a1->parentChanges, before + 1);
    EXPECT_EQ(a1->parentMoves.last(), TTreeProbe::Move(a, b));
    EXPECT_EQ(a1->indexAtParentChange.last(), 0); // the hook runs once it is in its new place
    EXPECT_EQ(a->ChildCount(), 0);
    EXPECT_EQ(childNames(b), (QStringList{"a1", "b1"}));
    EXPECT_EQ(a1->GetRetainCount(), retain);
    EXPECT_EQ(a->childrenChanges, 1 + 1); // its first child, then the move out
    // Within one parent: the index counts the children without the node; no parent change.
    b->AddChild(a1);
    EXPECT_EQ(childNames(b), (QStringList{"b1", "a1"}));
    b->InsertChild(a1, 0);
    EXPECT_EQ(childNames(b), (QStringList{"a1", "b1"}));
    EXPECT_EQ(a1->parentChanges, before + 1);
    root->Release();
}

TEST_F(TreeNodeTest, InsertBeforeAndAfterASiblingTable) {
    // Children x, s, y of one parent; s is the node asked, the other is the node placed beside it.
    struct Case {
        bool after;
        const char* node; // a sibling, s itself, or "new"
        QStringList expected;
    };
    const Case cases[] = {
        {false, "x", {"x", "s", "y"}}, {false, "y", {"x", "y", "s"}},
        {false, "s", {"x", "s", "y"}}, {false, "new", {"x", "new", "s", "y"}},
        {true, "x", {"s", "x", "y"}},  {true, "y", {"x", "s", "y"}},
        {true, "s", {"x", "s", "y"}},  {true, "new", {"x", "s", "new", "y"}},
    };
    for (const Case& c : cases) {
        TTreeProbe* parent = TTreeProbe::Make("p");
        for (const char* n : {"x", "s", "y"}) {
            TTreeProbe* child = TTreeProbe::Make(n);
            parent->AddChild(child);
            child->Release();
        }
        TTreeNode* s = parent->GetChild(1);
        Ref<TTreeProbe> fresh = Ref<TTreeProbe>::adopt(TTreeProbe::Make("new"));
        TTreeNode* node = fresh.get();
        for (qint64 i = 0; i < parent->ChildCount(); ++i)
            if (probe(parent->GetChild(i))->name == c.node) node = parent->GetChild(i);
        if (c.after)
            s->InsertChildAfter(node);
        else
            s->InsertChildBefore(node);
        EXPECT_EQ(childNames(parent), c.expected) << (c.after ? "after " : "before ") << c.node;
        EXPECT_EQ(node->GetParent(), parent);
        parent->Release();
    }
}

TEST_F(TreeNodeTest, ArchiveAndCopyKeepShape) {
    TTreeProbe* root = TTreeProbe::MakeTree();
    TArchiver* archive = root->CopyArchive();
    EXPECT_EQ(archive->GetValue("/children/system.class").toString(), "TObjectArray");
    EXPECT_EQ(archive->GetValue("/children/system.objects/1/name").toString(), "b");
    EXPECT_TRUE(archive->GetValue("/children/system.objects/1/expanded").toBool());

    auto check = [](TTreeNode* top, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_TRUE(top->IsRoot());
        ASSERT_EQ(childNames(top), (QStringList{"a", "b"}));
        for (qint64 i = 0; i < 2; ++i) {
            TTreeNode* child = top->GetChild(i);
            EXPECT_EQ(child->GetParent(), top);
            EXPECT_TRUE(child->IsExpanded());
            EXPECT_EQ(probe(child)->expandChanges, 0);
            ASSERT_EQ(child->ChildCount(), 1);
            EXPECT_EQ(child->GetChild(0)->GetParent(), child);
            EXPECT_FALSE(child->GetChild(0)->IsExpanded());
            EXPECT_EQ(child->GetChild(0)->GetRetainCount(), 1);
        }
    };
    TObject* decoded = AllocateFromArchive(archive);
    ASSERT_TRUE(decoded && decoded->IsMember(TTreeNode::StaticClass()));
    check(static_cast<TTreeNode*>(decoded), "decoded");

    // A copy starts with no parent, even when the original has one.
    TTreeNode* copy = static_cast<TTreeNode*>(root->Copy());
    check(copy, "copy");
    EXPECT_NE(copy->GetChild(0), root->GetChild(0));
    TTreeNode* subCopy = static_cast<TTreeNode*>(root->GetChild(1)->Copy());
    EXPECT_TRUE(subCopy->IsRoot());
    EXPECT_EQ(subCopy->GetChild(0)->GetParent(), subCopy);

    subCopy->Release();
    copy->Release();
    decoded->Release();
    archive->Release();
    root->Release();
}

TEST_F(TreeNodeTest, ChildOutlivingItsParentLosesTheLinkQuietly) {
    TTreeProbe* root = TTreeProbe::MakeTree();
    TTreeProbe* a = probe(root->GetChild(0));
    a->Retain();
    const int changes = a->parentChanges;
    root->Release();
    EXPECT_TRUE(a->IsRoot());
    EXPECT_EQ(a->GetRoot(), a);
    EXPECT_EQ(a->parentChanges, changes);
    a->Release();
}

} // namespace
