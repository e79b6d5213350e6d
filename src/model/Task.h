#pragma once

#include "ListCard.h"
#include "platform/calendar/EKAlarm.h"

#include <QDateTime>
#include <memory>
#include <optional>

class EKEvent;
class TNotification;

// Posted through the program's notification centre, with the task's wrapper as the object, when a
// task changes.
inline const QString kTaskChangedNotification = QStringLiteral("TTask.changed");

// Row kinds of an outline card and card kinds of the menus.
enum TItemKind : qint32 { kItemKindList = 1, kItemKindTask = 2, kItemKindPreference = 3 };
enum TCardKind : qint32 { kCardKindList = 1, kCardKindRichText = 2, kCardKindJobslate = 3 };

// Reminder menu tags: 0 none, 1 at the due time, 2..10 the offsets of TimeIntervalForReminder,
// -1 any other alarm.
enum TReminderChoice : qint32 { kReminderNone = 0, kReminderCustom = -1 };

// Seconds from the due date for a reminder choice: -1.0 for none; 0 for a choice out of the table.
double TimeIntervalForReminder(qint32 choice);
// The choice for an alarm: 0 without one, -1 for a fixed date or an offset not in the table.
qint32 ReminderForEventAlarm(const std::optional<EKAlarm>& alarm);
// "Repeats Daily" ... by the first rule's frequency; empty without rules.
QString RepeatStringForEvent(const EKEvent* event);
// The text of an alarm that is no menu choice ("45 Minutes Before", a date, "Unknown").
QString CustomReminderStringForAlarm(const EKAlarm& alarm);

// A task row: completed and important marks, notes, and its due date, reminder and repetition in an
// event of the calendar store (EventStore()). The card file names the event by its external
// identifier; an identifier this machine's store lacks is kept and written back.
class TTask : public TListItem {
    T_OBJECT(TTask, TListItem)
public:
    static TTask* Create(const QString& text) { return CreateWithText<TTask>(text); }
    static TTask* Create(const AttributedString& text) { return CreateWithText<TTask>(text); }
    using TListItem::Create;
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void HandleParentChanged(TTreeNode* oldParent) override;
    std::optional<AttributedString> ExportText() const override;
    QFont GetDefaultFont() const override;
    void Show() const;

    bool IsCompleted() const { return m_completed; }
    void SetCompleted(bool completed); // completing removes the event
    bool IsImportant() const { return m_important; }
    void SetImportant(bool important);
    QString GetNotes() const { return TCardItem::GetNotes(); }
    void SetNotes(const QString& notes);

    bool HasEvent() const { return m_event != nullptr; }
    // The event, made (unsaved, in the default card calendar) when the task has none.
    std::shared_ptr<EKEvent> GetEvent();
    // The event's external identifier, or the one the file named; never makes an event.
    QString GetEventIdenfitier() const;
    void SetDueDate(const QDateTime& date);
    QDateTime GetDueDate() const;
    // Calendar days from today to the due date; 0 without one.
    double GetDaysUntilDue() const;
    bool IsOverdue() const;
    bool IsRepeating() const;
    std::optional<EKAlarm> GetFirstAlarm() const;
    QString GetTitle() const; // the text, cut to 100 characters and "..."

    // Saves the event (this and future occurrences); false, with a line on standard output, when it
    // can't be saved. A failed save keeps the changes in memory.
    bool SaveEvent();
    // Deletes the event from the store and lets it go.
    void RemoveEvent();
    // Marks the card and posts "TTask.changed".
    void NotifyChanged();
    void HandleEventStoreChanged(TNotification* notification);

    // Task rows below this one (not itself) that hold an event; overdue ones among itself and below.
    QList<TTask*> GetAllEvents() const;
    QList<TTask*> GetOverdueTasks() const;

    // Identifiers that files named and the store does not hold, each once.
    static QStringList MissingEvents();
    static QStringList MissingEventTitles(); // the text of the task that named each
    static void ClearMissingEvents();

protected:
    TTask() = default;
    void Deallocate() override;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    void HoldEvent(const std::shared_ptr<EKEvent>& event);
    void DropEvent();

    bool m_completed = false;
    bool m_important = false;
    std::shared_ptr<EKEvent> m_event;
    QString m_eventIdentifier; // named by the file, kept while the store does not hold it
};

// The outline card: list rows or tasks by its default row kind.
class TJobslate : public TListCard {
    T_OBJECT(TJobslate, TListCard)
public:
    static TJobslate* Create(const QString& title) { return CreateTitled<TJobslate>(title); }
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    bool IsRowNumberingAvailable() const override { return m_defaultItem == kItemKindList; }
    void PerformClose() override;

    qint32 GetDefaultItem() const { return m_defaultItem; }
    void SetDefaultItem(qint32 kind);
    // The kind a new row takes: "defaultNewItemKind" for kItemKindPreference.
    qint32 ResolvedItemKind() const;
    QList<TTask*> GetEvents() const;
    QList<TTask*> GetOverdueTasks() const;

protected:
    TJobslate() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    qint32 m_defaultItem = 0;
};

// Every task row among the node and its descendants, depth first.
void CollectTasks(const TTreeNode* node, bool includeSelf, QList<TTask*>& tasks);
