#pragma once

#include "foundation/Object.h"
#include "foundation/TreeNodeObserver.h"

#include <QList>
#include <QObject>
#include <QString>
#include <vector>

class TCardItem;
class TGroupRowItem;
class TListCard;
class TTask;

// What an outline card's outline shows: its own tree, or one of the filters of its tasks.
enum TFilterKind : qint32 { kFilterKindNone = 0, kFilterKindForecast = 1, kFilterKindImportant = 2 };

// A filtered view of an outline card's tasks, read only: for the forecast, group rows ("Overdue",
// "Due Today", ...) in that order, each listing the dated tasks due then and left out when empty;
// for the important kind, the important tasks in one flat list; both in the card's depth-first order.
// It is a view of its own: it holds the tasks (retained) and never changes their parents or their
// place in the card. It follows the card: rows inserted, removed or moved under the card's root, a
// task's "TTask.changed" and a change of the calendar store rebuild it (a closed group stays
// closed), and changed() is emitted after each rebuild and when a group row opens or closes. Made and owned
// by the outline controller, which keeps the card alive while the filter lives. Main thread only.
class OutlineFilter : public QObject, private TTreeNodeObserver {
    Q_OBJECT
public:
    // A row of the view: a group row (level 0, forecast only) or a task (level 1 under a group, 0 in
    // the flat list).
    struct Row {
        TCardItem* item = nullptr;
        qint32 level = 0;
        friend bool operator==(const Row&, const Row&) = default;
    };
    struct Group {
        Ref<TGroupRowItem> row;
        std::vector<Ref<TTask>> tasks;
    };

    static const QStringList& groupNames(); // the forecast's groups, in the order shown

    OutlineFilter(TListCard* card, TFilterKind kind, QObject* parent = nullptr);
    ~OutlineFilter() override;

    TFilterKind kind() const { return m_kind; }
    // The forecast's groups that hold tasks; empty for the important kind.
    const std::vector<Group>& groups() const { return m_groups; }
    // The tasks listed, in the order shown.
    QList<TTask*> tasks() const;
    // The rows in the order shown: the tasks of a group while its row is expanded (as it is made).
    QList<Row> rows() const;
    // The group row a task is listed under; null for a group row, an unlisted item or the flat list.
    TGroupRowItem* groupOfTask(const TTask* task) const;
    // True for a row that opens (a group row with tasks).
    bool isItemExpandable(const TCardItem* item) const;

    // Lists the card's tasks again and emits changed().
    void rebuild();

signals:
    void changed();

private:
    void DidInsertChildren(TTreeNode* parent, qint64 first, qint64 last) override;
    void DidRemoveChildren(TTreeNode* parent, qint64 first, qint64 last) override;
    void DidMoveChild(TTreeNode* oldParent, qint64 oldRow, TTreeNode* newParent, qint64 newRow) override;
    void DidChangeExpanded(TTreeNode* node) override;
    void ObservedNodeWillGoAway(TTreeNode* node) override;
    QList<TTask*> cardTasks() const;

    TListCard* m_card;               // not owned
    TTreeNode* m_observed = nullptr; // the card's root while it is observed
    TFilterKind m_kind;
    std::vector<Group> m_groups;
    std::vector<Ref<TTask>> m_important;
};
