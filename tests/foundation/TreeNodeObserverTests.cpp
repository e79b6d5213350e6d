#include "TreeProbe.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

namespace {

// An item model over a tree that only translates the tree's notices into Qt's.
class TreeModel : public QAbstractItemModel, public TTreeNodeObserver {
public:
    static constexpr int ExpandedRole = Qt::UserRole;

    explicit TreeModel(TTreeNode* root) : m_root(root) { root->AddObserver(this); }

    QModelIndex indexOf(TTreeNode* node) const {
        return !node || node == m_root ? QModelIndex() : createIndex(int(node->GetIndex()), 0, node);
    }
    TTreeNode* nodeOf(const QModelIndex& index) const {
        return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : m_root;
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        TTreeNode* node = nodeOf(parent);
        TTreeNode* child = node && column == 0 ? node->GetChild(row) : nullptr;
        return child ? createIndex(row, 0, child) : QModelIndex();
    }
    QModelIndex parent(const QModelIndex& index) const override {
        return index.isValid() ? indexOf(nodeOf(index)->GetParent()) : QModelIndex();
    }
    int rowCount(const QModelIndex& parent) const override {
        TTreeNode* node = nodeOf(parent);
        return node && parent.column() <= 0 ? int(node->ChildCount()) : 0;
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        if (role == Qt::DisplayRole) return probe(nodeOf(index))->name;
        if (role == ExpandedRole) return nodeOf(index)->IsExpanded();
        return {};
    }

    void WillInsertChildren(TTreeNode* parent, qint64 first, qint64 last) override {
        beginInsertRows(indexOf(parent), int(first), int(last));
    }
    void DidInsertChildren(TTreeNode*, qint64, qint64) override { endInsertRows(); }
    void WillRemoveChildren(TTreeNode* parent, qint64 first, qint64 last) override {
        beginRemoveRows(indexOf(parent), int(first), int(last));
    }
    void DidRemoveChildren(TTreeNode*, qint64, qint64) override { endRemoveRows(); }
    void WillMoveChild(TTreeNode* oldParent, qint64 oldRow, TTreeNode* newParent, qint64 newRow) override {
        const qint64 destination = oldParent == newParent && newRow > oldRow ? newRow + 1 : newRow;
        m_moving =
            beginMoveRows(indexOf(oldParent), int(oldRow), int(oldRow), indexOf(newParent), int(destination));
        EXPECT_TRUE(m_moving) << oldRow << " -> " << newRow;
    }
    void DidMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) override {
        if (m_moving) endMoveRows();
    }
    void DidChangeExpanded(TTreeNode* node) override {
        const QModelIndex index = indexOf(node);
        if (index.isValid()) emit dataChanged(index, index, {ExpandedRole});
    }
    void ObservedNodeWillGoAway(TTreeNode*) override {
        beginResetModel();
        m_root = nullptr;
        endResetModel();
    }

private:
    TTreeNode* m_root;
    bool m_moving = false;
};

QString nameOf(const QModelIndex& index) {
    return index.isValid() ? index.data().toString() : QStringLiteral("root");
}

// "a(x,a1)": a node's name and, in brackets, its children's shapes, read through the model.
QString shape(const QAbstractItemModel& model, const QModelIndex& index) {
    QStringList children;
    for (int row = 0; row < model.rowCount(index); ++row)
        children << shape(model, model.index(row, 0, index));
    return nameOf(index) + (children.isEmpty() ? QString() : '(' + children.join(',') + ')');
}

// The same, read from the tree.
QString shape(TTreeNode* node) {
    QStringList children;
    for (qint64 i = 0; i < node->ChildCount(); ++i) children << shape(node->GetChild(i));
    return probe(node)->name + (children.isEmpty() ? QString() : '(' + children.join(',') + ')');
}

// The model's change signals, one line each.
QStringList* recordSignals(QAbstractItemModel* model) {
    auto* log = new QStringList;
    QObject::connect(model, &QObject::destroyed, [log] { delete log; });
    auto rows = [log](const char* what) {
        return [log, what](const QModelIndex& parent, int first, int last) {
            *log << QStringLiteral("%1 %2 %3-%4").arg(what, nameOf(parent)).arg(first).arg(last);
        };
    };
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, rows("insert"));
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, rows("remove"));
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeMoved,
                     [log](const QModelIndex& from, int first, int, const QModelIndex& to, int row) {
                         *log << QStringLiteral("move %1 %2 -> %3 %4")
                                     .arg(nameOf(from))
                                     .arg(first)
                                     .arg(nameOf(to))
                                     .arg(row);
                     });
    QObject::connect(model, &QAbstractItemModel::dataChanged,
                     [log](const QModelIndex& index) { *log << QStringLiteral("data ") + nameOf(index); });
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset,
                     [log] { *log << QStringLiteral("reset"); });
    return log;
}

// An index kept across a change, with the node it stood for (held, so it can be asked afterwards).
struct KeptIndex {
    QPersistentModelIndex index;
    Ref<TTreeNode> node;
};

std::vector<KeptIndex> keepIndexes(TreeModel& model, TTreeNode* root) {
    std::vector<KeptIndex> kept;
    for (TTreeNode* node : *root->GetAllChildren())
        kept.push_back({QPersistentModelIndex(model.indexOf(node)), Ref<TTreeNode>::retain(node)});
    return kept;
}

class TreeNodeObserverTest : public ::testing::Test {
protected:
    AutoreleasePool pool;
};

TEST_F(TreeNodeObserverTest, ItemModelFollowsEveryChangeRowByRow) {
    Ref<TTreeProbe> root = Ref<TTreeProbe>::adopt(TTreeProbe::MakeTree());
    TreeModel model(root.get());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QStringList* log = recordSignals(&model);
    TTreeNode* a = root->GetChild(0);
    TTreeNode* b = root->GetChild(1);
    TTreeNode* a1 = a->GetChild(0);
    Ref<TTreeProbe> x = Ref<TTreeProbe>::adopt(TTreeProbe::Make("x"));
    Ref<TTreeProbe> y = Ref<TTreeProbe>::adopt(TTreeProbe::Make("y"));

    struct Step {
        const char* what;
        std::function<void()> change;
        QString shape;
        QStringList heard;
        const char* reinserted = ""; // a node taken out and put back, whose index is gone
    };
    const Step steps[] = {
        {"insert", [&] { a->InsertChild(x.get(), 0); }, "root(a(x,a1),b(b1))", {"insert a 0-0"}},
        {"append", [&] { root->AddChild(y.get()); }, "root(a(x,a1),b(b1),y)", {"insert root 2-2"}},
        {"move down within",
         [&] { root->InsertChild(a, 1); },
         "root(b(b1),a(x,a1),y)",
         {"move root 0 -> root 2"}},
        {"move up within",
         [&] { root->InsertChild(y.get(), 0); },
         "root(y,b(b1),a(x,a1))",
         {"move root 2 -> root 0"}},
        {"move across", [&] { b->InsertChild(x.get(), 1); }, "root(y,b(b1,x),a(a1))", {"move a 0 -> b 1"}},
        {"move up a level",
         [&] { root->InsertChild(a1, 1); },
         "root(y,a1,b(b1,x),a)",
         {"move a 0 -> root 1"}},
        {"move in place", [&] { root->InsertChild(b, 2); }, "root(y,a1,b(b1,x),a)", {}},
        {"collapse", [&] { b->SetExpanded(false); }, "root(y,a1,b(b1,x),a)", {"data b"}},
        {"collapse again", [&] { b->SetExpanded(false); }, "root(y,a1,b(b1,x),a)", {}},
        {"expand", [&] { b->SetExpanded(true); }, "root(y,a1,b(b1,x),a)", {"data b"}},
        // The hooks run after the change, so changes they make are told apart.
        {"remove by index; the hook puts it back",
         [&] {
             y->onParentChanged = [&](TTreeProbe* node) {
                 node->onParentChanged = nullptr;
                 root->AddChild(node);
             };
             root->RemoveChild(qint64(0));
         },
         "root(a1,b(b1,x),a,y)",
         {"remove root 0-0", "insert root 3-3"},
         "y"},
        {"remove by node", [&] { a1->RemoveFromParent(); }, "root(b(b1,x),a,y)", {"remove root 0-0"}},
        {"remove all; the emptied parent leaves",
         [&] {
             probe(b)->onChildrenChanged = [](TTreeProbe* node) {
                 if (!node->HasChildren()) node->RemoveFromParent();
             };
             b->RemoveAllChildren();
         },
         "root(a,y)",
         {"remove b 0-1", "remove root 0-0"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::vector<KeptIndex> kept = keepIndexes(model, root.get());
        log->clear();
        step.change();
        EXPECT_EQ(*log, step.heard);
        EXPECT_EQ(shape(root.get()), step.shape);
        EXPECT_EQ(shape(model, QModelIndex()), step.shape);
        // Every kept index follows its node, or is gone with it.
        for (const KeptIndex& k : kept) {
            TTreeNode* node = k.node.get();
            if (node->GetRoot() != root.get() || probe(node)->name == step.reinserted) {
                EXPECT_FALSE(k.index.isValid()) << probe(node)->name.toStdString();
                continue;
            }
            ASSERT_TRUE(k.index.isValid()) << probe(node)->name.toStdString();
            EXPECT_EQ(k.index.internalPointer(), node);
            EXPECT_EQ(k.index.row(), node->GetIndex());
            EXPECT_EQ(k.index.parent(), model.indexOf(node->GetParent()));
        }
    }
    // Moving kept a single parent-changed hook per move, run with the node in its new place.
    EXPECT_EQ(x->parentMoves, (QList<TTreeProbe::Move>{{nullptr, a}, {a, b}, {b, nullptr}}));
    EXPECT_EQ(x->indexAtParentChange, (QList<qint64>{0, 1, -1}));
    EXPECT_EQ(y->parentChanges, 3);
}

// Writes each notice with the child counts its parents have at the time.
class Recorder : public TTreeNodeObserver {
public:
    QStringList log;
    std::function<void()> onWill; // run at the next "will", once

    void WillInsertChildren(TTreeNode* p, qint64 first, qint64 last) override {
        rows("will insert", p, first, last);
    }
    void DidInsertChildren(TTreeNode* p, qint64 first, qint64 last) override {
        rows("did insert", p, first, last);
    }
    void WillRemoveChildren(TTreeNode* p, qint64 first, qint64 last) override {
        rows("will remove", p, first, last);
    }
    void DidRemoveChildren(TTreeNode* p, qint64 first, qint64 last) override {
        rows("did remove", p, first, last);
    }
    void WillMoveChild(TTreeNode* from, qint64 oldRow, TTreeNode* to, qint64 newRow) override {
        move("will move", from, oldRow, to, newRow);
    }
    void DidMoveChild(TTreeNode* from, qint64 oldRow, TTreeNode* to, qint64 newRow) override {
        move("did move", from, oldRow, to, newRow);
    }
    void DidChangeExpanded(TTreeNode* node) override { log << "expanded " + probe(node)->name; }
    void ObservedNodeWillGoAway(TTreeNode* node) override { log << "gone " + probe(node)->name; }

private:
    void rows(const char* what, TTreeNode* parent, qint64 first, qint64 last) {
        log << QStringLiteral("%1 %2 %3-%4 of %5")
                   .arg(what, probe(parent)->name)
                   .arg(first)
                   .arg(last)
                   .arg(parent->ChildCount());
        will();
    }
    void move(const char* what, TTreeNode* from, qint64 oldRow, TTreeNode* to, qint64 newRow) {
        log << QStringLiteral("%1 %2 %3 -> %4 %5 of %6/%7")
                   .arg(what, probe(from)->name)
                   .arg(oldRow)
                   .arg(probe(to)->name)
                   .arg(newRow)
                   .arg(from->ChildCount())
                   .arg(to->ChildCount());
        will();
    }
    void will() {
        if (!log.last().startsWith("will") || !onWill) return;
        const std::function<void()> run = std::move(onWill);
        onWill = nullptr;
        run();
    }
};

TEST_F(TreeNodeObserverTest, EachObserverHearsAChangeOnceAsItsSideSeesIt) {
    Ref<TTreeProbe> left = Ref<TTreeProbe>::adopt(TTreeProbe::MakeTree());
    left->name = "left";
    Ref<TTreeProbe> right = Ref<TTreeProbe>::adopt(TTreeProbe::Make("right"));
    TTreeNode* a = left->GetChild(0);
    TTreeNode* b = left->GetChild(1);
    Recorder leftOnly, rightOnly, both, underB;
    left->AddObserver(&leftOnly);
    right->AddObserver(&rightOnly);
    for (TTreeNode* node : {static_cast<TTreeNode*>(left.get()), a, static_cast<TTreeNode*>(right.get())})
        node->AddObserver(&both);
    left->AddObserver(&both); // again: still one link
    b->AddObserver(&underB);
    EXPECT_EQ(both.ObservedNodes().size(), 3u);

    right->AddChild(a->GetChild(0));
    EXPECT_EQ(leftOnly.log, (QStringList{"will remove a 0-0 of 1", "did remove a 0-0 of 0"}));
    EXPECT_EQ(rightOnly.log, (QStringList{"will insert right 0-0 of 0", "did insert right 0-0 of 1"}));
    EXPECT_EQ(both.log, (QStringList{"will move a 0 -> right 0 of 1/0", "did move a 0 -> right 0 of 0/1"}));
    EXPECT_TRUE(underB.log.isEmpty());

    for (Recorder* r : {&leftOnly, &rightOnly, &both, &underB}) r->log.clear();
    b->SetExpanded(false);
    b->GetChild(0)->SetExpanded(true);
    const QStringList expanded{"expanded b", "expanded b1"};
    EXPECT_EQ(leftOnly.log, expanded);
    EXPECT_EQ(both.log, expanded);
    EXPECT_EQ(underB.log, expanded);
    EXPECT_TRUE(rightOnly.log.isEmpty());

    left->RemoveObserver(&leftOnly);
    left->RemoveObserver(&leftOnly);
    leftOnly.log.clear();
    b->RemoveAllChildren();
    EXPECT_TRUE(leftOnly.log.isEmpty());
    EXPECT_EQ(underB.log.last(), "did remove b 0-0 of 0");
    EXPECT_TRUE(leftOnly.ObservedNodes().empty());
}

TEST_F(TreeNodeObserverTest, NeitherNodesNorObserversAreLeftDangling) {
    // A node going away tells its observers and detaches them.
    auto first = std::make_unique<Recorder>();
    Recorder second;
    TTreeProbe* node = TTreeProbe::MakeTree();
    node->AddObserver(first.get());
    node->AddObserver(&second);
    node->GetChild(0)->AddObserver(&second);
    node->Release();
    EXPECT_EQ(first->log, QStringList{"gone root"});
    EXPECT_EQ(second.log, (QStringList{"gone root", "gone a"}));
    EXPECT_TRUE(second.ObservedNodes().empty());
    first.reset();

    // An observer going away detaches itself, also in the middle of a change it was to hear.
    Ref<TTreeProbe> root = Ref<TTreeProbe>::adopt(TTreeProbe::MakeTree());
    auto early = std::make_unique<Recorder>();
    auto late = std::make_unique<Recorder>();
    Recorder last;
    root->AddObserver(early.get());
    root->GetChild(0)->AddObserver(late.get()); // nearer the change, so told first
    root->AddObserver(&last);
    late->onWill = [&] { early.reset(); };
    root->GetChild(0)->RemoveChild(qint64(0));
    EXPECT_EQ(late->log, (QStringList{"will remove a 0-0 of 1", "did remove a 0-0 of 0"}));
    EXPECT_EQ(last.log, late->log);
    late.reset();
    root->GetChild(1)->RemoveChild(qint64(0));
    EXPECT_EQ(last.log.last(), "did remove b 0-0 of 0");
}

// Keeps its own copy of the children lists of the subtrees it watches, changed only by what it
// hears, and notes every notice whose rows do not match the tree.
class Mirror : public TTreeNodeObserver {
public:
    QStringList faults;

    void Watch(TTreeNode* node) {
        node->AddObserver(this);
        Copy(node);
    }
    // Where the copy and the tree differ below the watched nodes.
    void Compare() {
        for (TTreeNode* node : ObservedNodes()) Compare(node);
    }

    void WillInsertChildren(TTreeNode* p, qint64 first, qint64 last) override {
        Begin("insert");
        if (first != last || first < 0 || first > qint64(m_children[p].size()))
            Fault("will insert", p, first);
    }
    void DidInsertChildren(TTreeNode* p, qint64 first, qint64) override {
        End("insert");
        TTreeNode* node = p->GetChild(first);
        if (!node || first > qint64(m_children[p].size())) return Fault("did insert", p, first);
        m_children[p].insert(m_children[p].begin() + first, node);
        Copy(node);
    }
    void WillRemoveChildren(TTreeNode* p, qint64 first, qint64 last) override {
        Begin("remove");
        for (qint64 row = first; row <= last; ++row)
            if (!Listed(p, row)) Fault("will remove", p, row);
    }
    void DidRemoveChildren(TTreeNode* p, qint64 first, qint64 last) override {
        End("remove");
        std::vector<TTreeNode*>& list = m_children[p];
        if (first < 0 || last >= qint64(list.size())) return Fault("did remove", p, first);
        list.erase(list.begin() + first, list.begin() + last + 1);
    }
    void WillMoveChild(TTreeNode* from, qint64 oldRow, TTreeNode*, qint64) override {
        Begin("move");
        m_moving = Listed(from, oldRow) ? from->GetChild(oldRow) : nullptr;
        if (!m_moving) Fault("will move", from, oldRow);
    }
    void DidMoveChild(TTreeNode* from, qint64 oldRow, TTreeNode* to, qint64 newRow) override {
        End("move");
        if (!m_moving) return;
        m_children[from].erase(m_children[from].begin() + oldRow);
        std::vector<TTreeNode*>& list = m_children[to];
        if (newRow < 0 || newRow > qint64(list.size()) || to->GetChild(newRow) != m_moving)
            return Fault("did move", to, newRow);
        list.insert(list.begin() + newRow, m_moving);
    }

private:
    void Copy(TTreeNode* node) {
        std::vector<TTreeNode*>& list = m_children[node];
        list.clear();
        for (qint64 i = 0; i < node->ChildCount(); ++i) {
            list.push_back(node->GetChild(i));
            Copy(node->GetChild(i));
        }
    }
    void Compare(TTreeNode* node) {
        const std::vector<TTreeNode*>& list = m_children[node];
        bool same = qint64(list.size()) == node->ChildCount();
        for (size_t i = 0; same && i < list.size(); ++i) same = list[i] == node->GetChild(qint64(i));
        if (!same) return Fault("children of", node, node->ChildCount());
        for (TTreeNode* child : list) Compare(child);
    }
    bool Listed(TTreeNode* p, qint64 row) {
        const std::vector<TTreeNode*>& list = m_children[p];
        return row >= 0 && row < qint64(list.size()) && list[size_t(row)] == p->GetChild(row);
    }
    void Begin(const QString& what) {
        if (!m_pending.isEmpty()) faults << "will " + what + " inside " + m_pending;
        m_pending = what;
    }
    void End(const QString& what) {
        if (m_pending != what) faults << "did " + what + " after will " + m_pending;
        m_pending.clear();
    }
    void Fault(const char* what, TTreeNode* node, qint64 row) {
        faults << QStringLiteral("%1 %2 %3").arg(what, probe(node)->name).arg(row);
    }

    std::map<TTreeNode*, std::vector<TTreeNode*>> m_children;
    TTreeNode* m_moving = nullptr;
    QString m_pending;
};

TEST_F(TreeNodeObserverTest, RandomChangesKeepEveryObserversCopyInStep) {
    // Two trees of nodes n0..n13; observers on each root, on both, and on inner nodes as well as a root.
    std::vector<Ref<TTreeProbe>> nodes;
    for (int i = 0; i < 14; ++i)
        nodes.push_back(Ref<TTreeProbe>::adopt(TTreeProbe::Make(QString("n%1").arg(i))));
    for (size_t i = 2; i < nodes.size(); ++i) nodes[(i - 2) / 2]->AddChild(nodes[i].get());
    Mirror left, right, both, inner;
    left.Watch(nodes[0].get());
    right.Watch(nodes[1].get());
    both.Watch(nodes[0].get());
    both.Watch(nodes[1].get());
    inner.Watch(nodes[2].get());
    inner.Watch(nodes[3].get());
    inner.Watch(nodes[0].get());

    using Operation = void (*)(TTreeNode * target, TTreeNode * node, qint64 index);
    const std::pair<const char*, Operation> operations[] = {
        {"InsertChild", [](TTreeNode* t, TTreeNode* n, qint64 i) { t->InsertChild(n, i); }},
        {"InsertChild exact", [](TTreeNode* t, TTreeNode* n, qint64 i) { t->InsertChild(n, i, false); }},
        {"AddChild", [](TTreeNode* t, TTreeNode* n, qint64) { t->AddChild(n); }},
        {"InsertChildBefore", [](TTreeNode* t, TTreeNode* n, qint64) { t->InsertChildBefore(n); }},
        {"InsertChildAfter", [](TTreeNode* t, TTreeNode* n, qint64) { t->InsertChildAfter(n); }},
        {"RemoveFromParent", [](TTreeNode*, TTreeNode* n, qint64) { n->RemoveFromParent(); }},
        {"RemoveChild at", [](TTreeNode* t, TTreeNode*, qint64 i) { t->RemoveChild(i); }},
        {"SetExpanded", [](TTreeNode*, TTreeNode* n, qint64) { n->SetExpanded(!n->IsExpanded()); }},
        {"RemoveAllChildren", [](TTreeNode* t, TTreeNode*, qint64) { t->RemoveAllChildren(); }}, // rarely
    };
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return size_t(random() % n); };
    for (int step = 0; step < 3000; ++step) {
        TTreeProbe* node = nodes[pick(nodes.size())].get();
        TTreeProbe* target = nodes[pick(nodes.size())].get();
        const qint64 index = qint64(pick(size_t(target->ChildCount()) + 3)) - 1;
        const auto& [what, operation] = operations[pick(std::size(operations) - (step % 50 == 0 ? 0 : 1))];
        operation(target, node, index);
        for (Mirror* m : {&left, &right, &both, &inner}) {
            m->Compare();
            ASSERT_TRUE(m->faults.isEmpty())
                << "step " << step << " " << what << " " << probe(node)->name.toStdString() << " / "
                << probe(target)->name.toStdString() << " " << index << ": "
                << m->faults.join("; ").toStdString();
        }
    }
}

// A node that a hook or its only owner lets go of in the middle of a change stays alive until the
// change is done: the hooks run after it, and the observers told after, see a live node.
TEST_F(TreeNodeObserverTest, ANodeReleasedDuringItsOwnChangeLivesUntilTheChangeIsDone) {
    // Owns the node it watches, like a window its document, and lets it go at the first "did".
    struct Owner : TTreeNodeObserver {
        Ref<TTreeNode> held;
        void DidRemoveChildren(TTreeNode*, qint64, qint64) override { held = Ref<TTreeNode>(); }
        void DidMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) override { held = Ref<TTreeNode>(); }
        void DidChangeExpanded(TTreeNode*) override { held = Ref<TTreeNode>(); }
    };
    struct Case {
        const char* what;
        // Given root(a(a1,a2),b), where root holds the only reference to a, changes it.
        std::function<void(TTreeProbe* root, TTreeProbe* a)> change;
    };
    auto ownedByObserver = [](TTreeProbe* a, Owner& owner) {
        owner.held = Ref<TTreeNode>::retain(a);
        a->RemoveFromParent();
        a->AddObserver(&owner);
    };
    const Case cases[] = {
        {"the emptied old parent leaves while its child moves out",
         [](TTreeProbe* root, TTreeProbe* a) {
             TTreeProbe* a1 = probe(a->GetChild(0));
             a->RemoveChild(qint64(1));
             a->onChildrenChanged = [](TTreeProbe* n) {
                 if (!n->HasChildren()) n->RemoveFromParent();
             };
             a1->onParentChanged = [](TTreeProbe* n) {
                 EXPECT_EQ(probe(n->parentMoves.last().first)->name, "a");
             };
             root->GetChild(1)->AddChild(a1);
         }},
        {"a child's hook takes its parent out while all children are removed",
         [](TTreeProbe*, TTreeProbe* a) {
             probe(a->GetChild(0))->onParentChanged = [a](TTreeProbe*) { a->RemoveFromParent(); };
             a->RemoveAllChildren();
         }},
        {"the owner lets go after a removal",
         [&](TTreeProbe*, TTreeProbe* a) {
             Owner owner;
             ownedByObserver(a, owner);
             a->RemoveChild(qint64(0));
         }},
        {"the owner lets go after a move within",
         [&](TTreeProbe*, TTreeProbe* a) {
             Owner owner;
             ownedByObserver(a, owner);
             a->InsertChild(a->GetChild(0), 1);
         }},
        {"the owner lets go after an expansion",
         [&](TTreeProbe*, TTreeProbe* a) {
             Owner owner;
             ownedByObserver(a, owner);
             a->SetExpanded(true);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<TTreeProbe> root = Ref<TTreeProbe>::adopt(TTreeProbe::Make("root"));
        for (const char* name : {"a", "b"}) {
            Ref<TTreeProbe> child = Ref<TTreeProbe>::adopt(TTreeProbe::Make(name));
            root->AddChild(child.get());
        }
        auto* a = probe(root->GetChild(0));
        for (const char* name : {"a1", "a2"}) {
            Ref<TTreeProbe> child = Ref<TTreeProbe>::adopt(TTreeProbe::Make(name));
            a->AddChild(child.get());
        }
        c.change(root.get(), a);
        EXPECT_EQ(childNames(root.get()), QStringList{"b"});
    }
}

} // namespace
