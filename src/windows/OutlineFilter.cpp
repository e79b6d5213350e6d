#include "windows/OutlineFilter.h"

#include "model/CardItems.h"
#include "model/ListCard.h"
#include "model/Task.h"
#include "platform/NotificationCenter.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/DateUtilities.h"

namespace {

enum GroupIndex { kOverdue, kDueToday, kDueTomorrow, kDueYesterday, kDueInTheFuture };

// Today before overdue, so a task due earlier today is due today, and one due yesterday is never
// overdue.
GroupIndex groupForDueDate(const QDateTime& due) {
    if (DateUtilities::isToday(due)) return kDueToday;
    if (DateUtilities::isTomorrow(due)) return kDueTomorrow;
    if (DateUtilities::isYesterday(due)) return kDueYesterday;
    if (DateUtilities::occurredAlready(due)) return kOverdue;
    return kDueInTheFuture;
}

} // namespace

const QStringList& OutlineFilter::groupNames() {
    static const QStringList names = {QStringLiteral("Overdue"), QStringLiteral("Due Today"),
                                      QStringLiteral("Due Tomorrow"), QStringLiteral("Due Yesterday"),
                                      QStringLiteral("Due In The Future")};
    return names;
}

OutlineFilter::OutlineFilter(TListCard* card, TFilterKind kind, QObject* parent)
    : QObject(parent), m_card(card), m_kind(kind) {
    if (m_card && m_card->GetRoot()) {
        m_observed = m_card->GetRoot();
        m_observed->AddObserver(this);
    }
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kTaskChangedNotification, nullptr, [this](const Notification&) { rebuild(); });
    center.addObserver(this, EKEventStoreChangedNotification, nullptr,
                       [this](const Notification&) { rebuild(); });
    rebuild();
}

OutlineFilter::~OutlineFilter() {
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_observed) m_observed->RemoveObserver(this);
    for (const Group& group : m_groups) group.row->RemoveObserver(this);
}

QList<TTask*> OutlineFilter::cardTasks() const {
    QList<TTask*> tasks;
    TListItem* root = m_card ? m_card->GetRoot() : nullptr;
    if (!root) return tasks;
    TObjectArray* all = root->GetAllChildren();
    for (qint64 i = 0; i < all->Count(); ++i)
        if (auto* task = dynamic_cast<TTask*>(all->GetObjectValue(i))) tasks.append(task);
    return tasks;
}

void OutlineFilter::rebuild() {
    QStringList closed;
    for (const Group& group : m_groups) {
        if (!group.row->IsExpanded()) closed << group.row->GetPlainText();
        group.row->RemoveObserver(this);
    }
    m_groups.clear();
    m_important.clear();
    if (m_kind == kFilterKindForecast) {
        std::vector<Group> groups(groupNames().size());
        for (TTask* task : cardTasks()) {
            if (!task->HasEvent()) continue;
            groups[groupForDueDate(task->GetDueDate())].tasks.push_back(Ref<TTask>::retain(task));
        }
        for (qsizetype i = 0; i < groupNames().size(); ++i) {
            if (groups[i].tasks.empty()) continue;
            groups[i].row = Ref<TGroupRowItem>::adopt(TGroupRowItem::Create());
            groups[i].row->SetText(groupNames()[i]);
            groups[i].row->SetExpanded(!closed.contains(groupNames()[i]));
            groups[i].row->AddObserver(this);
            m_groups.push_back(std::move(groups[i]));
        }
    } else if (m_kind == kFilterKindImportant) {
        for (TTask* task : cardTasks())
            if (task->IsImportant()) m_important.push_back(Ref<TTask>::retain(task));
    }
    emit changed();
}

QList<TTask*> OutlineFilter::tasks() const {
    QList<TTask*> result;
    for (const Group& group : m_groups)
        for (const Ref<TTask>& task : group.tasks) result.append(task.get());
    for (const Ref<TTask>& task : m_important) result.append(task.get());
    return result;
}

QList<OutlineFilter::Row> OutlineFilter::rows() const {
    QList<Row> result;
    for (const Group& group : m_groups) {
        result.append({group.row.get(), 0});
        if (!group.row->IsExpanded()) continue;
        for (const Ref<TTask>& task : group.tasks) result.append({task.get(), 1});
    }
    for (const Ref<TTask>& task : m_important) result.append({task.get(), 0});
    return result;
}

TGroupRowItem* OutlineFilter::groupOfTask(const TTask* task) const {
    for (const Group& group : m_groups)
        for (const Ref<TTask>& listed : group.tasks)
            if (listed.get() == task) return group.row.get();
    return nullptr;
}

bool OutlineFilter::isItemExpandable(const TCardItem* item) const {
    for (const Group& group : m_groups)
        if (group.row.get() == item) return !group.tasks.empty();
    return false;
}

void OutlineFilter::DidInsertChildren(TTreeNode*, qint64, qint64) {
    rebuild();
}

void OutlineFilter::DidRemoveChildren(TTreeNode*, qint64, qint64) {
    rebuild();
}

void OutlineFilter::DidMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) {
    rebuild();
}

void OutlineFilter::DidChangeExpanded(TTreeNode* node) {
    for (const Group& group : m_groups)
        if (group.row.get() == node) {
            emit changed();
            return;
        }
}

void OutlineFilter::ObservedNodeWillGoAway(TTreeNode* node) {
    if (node == m_observed) m_observed = nullptr;
}
