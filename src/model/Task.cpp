#include "Task.h"

#include "Globals.h"
#include "Preferences.h"
#include "TaskTitles.h"
#include "foundation/Archiver.h"
#include "foundation/NSObjectWrapper.h"
#include "foundation/NotificationCenter.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QFontDatabase>
#include <QLocale>
#include <cmath>

namespace {

const QString kEventIdentifier = QStringLiteral("eventIdentifier");
const QString kNotes = QStringLiteral("notes");
const QString kCompleted = QStringLiteral("completed");
const QString kImportant = QStringLiteral("important");
const QString kDefaultItem = QStringLiteral("defaultItem");

// Seconds before the due date of reminder choices 1 to 10.
constexpr double kReminderOffsets[] = {0, -300, -600, -900, -1800, -3600, -7200, -18000, -86400, -172800};

// Identifiers of missing events, each once, and the text of the task that named each.
struct MissingList {
    QStringList identifiers;
    QStringList titles;
};

MissingList& missingEvents() {
    static MissingList missing;
    return missing;
}

void addMissing(const QString& identifier, const QString& title) {
    if (missingEvents().identifiers.contains(identifier)) return;
    missingEvents().identifiers.append(identifier);
    missingEvents().titles.append(title);
}

} // namespace

double TimeIntervalForReminder(qint32 choice) {
    if (choice == kReminderNone) return -1.0;
    if (choice >= 1 && choice <= 10) return kReminderOffsets[choice - 1];
    return 0.0;
}

qint32 ReminderForEventAlarm(const std::optional<EKAlarm>& alarm) {
    if (!alarm) return kReminderNone;
    if (alarm->hasAbsoluteDate()) return kReminderCustom;
    const double offset = std::trunc(alarm->relativeOffset());
    for (int i = 0; i < 10; ++i)
        if (kReminderOffsets[i] == offset) return i + 1;
    return kReminderCustom;
}

QString RepeatStringForEvent(const EKEvent* event) {
    if (!event || !event->hasRecurrenceRules()) return {};
    switch (event->recurrenceRules().first().frequency()) {
    case EKRecurrenceFrequencyDaily:
        return QStringLiteral("Repeats Daily");
    case EKRecurrenceFrequencyWeekly:
        return QStringLiteral("Repeats Weekly");
    case EKRecurrenceFrequencyMonthly:
        return QStringLiteral("Repeats Monthly");
    case EKRecurrenceFrequencyYearly:
        return QStringLiteral("Repeats Yearly");
    }
    return {};
}

QString CustomReminderStringForAlarm(const EKAlarm& alarm) {
    if (alarm.hasAbsoluteDate())
        return DateUtilities::dateString(alarm.absoluteDate(), DateUtilities::kShortStyle,
                                         DateUtilities::kShortStyle, false);
    const double raw = std::trunc(alarm.relativeOffset());
    if (!std::isfinite(raw) || raw < -2147483647.0 || raw > 2147483647.0) return QStringLiteral("Unknown");
    const qint64 o = static_cast<qint64>(raw);
    const auto text = [](const char* format, qint64 value) { return QString::fromLatin1(format).arg(value); };
    if (o <= -86400) return text("%1 Days Before", -o / 86400);
    if (o <= -82801) return QStringLiteral("Unknown");
    if (o <= -3600) return text("%1 Hours Before", -o / 3600);
    if (o <= -3541) return QStringLiteral("Unknown");
    if (o <= -60) return text("%1 Minutes Before", -o / 60);
    if (o <= 59) return QStringLiteral("Unknown");
    if (o <= 3540) return text("%1 Minutes After", o / 60);
    if (o <= 3599) return QStringLiteral("Unknown");
    if (o <= 82800) return text("%1 Hours After", o / 3600);
    if (o <= 86399) return QStringLiteral("Unknown");
    return text("%1 Days After", o / 86400);
}

// TTask

void TTask::Initialize() {
    TListItem::Initialize();
    if (TCardItem::GetNotes().isNull()) TCardItem::SetNotes(QStringLiteral(""));
}

void TTask::Deallocate() {
    TNotificationCenter::DefaultCenter()->RemoveEveryObserver(this);
    m_event.reset();
    TListItem::Deallocate();
}

void TTask::CopyInstanceVariables(TObject* source) {
    TListItem::CopyInstanceVariables(source);
    const auto* task = static_cast<const TTask*>(source);
    m_completed = task->m_completed;
    m_important = task->m_important;
    // A copy gets an event of its own with the same due date, reminder and repetition, stored when it
    // is first saved; two rows never share one event.
    if (task->m_event) {
        if (std::shared_ptr<EKEventStore> store = EventStore()) {
            std::shared_ptr<EKEvent> event = store->newEvent();
            const EKEventData& data = task->m_event->data();
            event->setTitle(data.title);
            event->setNotes(data.notes);
            event->setStartDate(data.startDate);
            event->setEndDate(data.endDate);
            event->setAllDay(data.allDay);
            event->setAlarms(data.alarms);
            event->setRecurrenceRules(data.recurrenceRules);
            event->setCalendar(task->m_event->calendar());
            HoldEvent(event);
        }
    }
}

void TTask::AddArchiveKeys(QSet<QString>& keys) const {
    TListItem::AddArchiveKeys(keys);
    keys.unite({kEventIdentifier, kCompleted, kImportant});
}

void TTask::EncodeData(TArchiver* archiver) {
    // A copy's event is made in the store when the copy is first saved.
    if (m_event && m_event->isNew() && m_event->startDate().isValid()) SaveEvent();
    TListItem::EncodeData(archiver);
    // Only an event the store holds is named: one never saved would read as missing next time.
    const QString identifier =
        m_event && !m_event->isNew() ? m_event->calendarItemExternalIdentifier() : m_eventIdentifier;
    if (identifier.isEmpty())
        archiver->Remove(kEventIdentifier);
    else
        archiver->SetValue(kEventIdentifier, identifier);
    archiver->SetValue(kNotes, GetNotes().isNull() ? QStringLiteral("") : GetNotes());
    archiver->SetBooleanValue(kCompleted, m_completed);
    archiver->SetBooleanValue(kImportant, m_important);
}

void TTask::DecodeData(TArchiver* archiver) {
    TListItem::DecodeData(archiver);
    m_completed = archiver->GetBooleanValue(kCompleted);
    m_important = archiver->GetBooleanValue(kImportant);
    m_eventIdentifier.clear();
    if (!archiver->ContainsKey(kEventIdentifier)) return;
    const QString identifier = archiver->GetStringValue(kEventIdentifier);
    if (identifier.isEmpty()) return;
    std::shared_ptr<EKEventStore> store = EventStore();
    const QList<std::shared_ptr<EKEvent>> items =
        store ? store->calendarItemsWithExternalIdentifier(identifier) : QList<std::shared_ptr<EKEvent>>();
    if (!items.isEmpty()) {
        HoldEvent(items.last());
        return;
    }
    // Kept and written back: the event may live in another machine's calendar, or come back.
    m_eventIdentifier = identifier;
    Diagnostics::line(QStringLiteral("The event ") + identifier + QStringLiteral(" can not be decoded."));
    addMissing(identifier, GetTitle());
}

void TTask::HandleParentChanged(TTreeNode* oldParent) {
    TListItem::HandleParentChanged(oldParent);
    // Taken out of its outline for good (a move never passes through having no parent).
    if (!GetParent()) RemoveEvent();
}

std::optional<AttributedString> TTask::ExportText() const {
    if (!m_completed) return GetText();
    AttributedString text(QStringLiteral("\u221A "));
    text.append(GetText());
    return text;
}

QFont TTask::GetDefaultFont() const {
    return UserDefaultsUtilities::fontForKey(NSPrefs(), kPreferenceKeyTaskFont)
        .value_or(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void TTask::Show() const {
    Diagnostics::line(GetTitle() + QStringLiteral(" (") + GetEventIdenfitier() + QStringLiteral(")"));
}

void TTask::SetCompleted(bool completed) {
    m_completed = completed;
    if (completed) RemoveEvent();
    NotifyChanged();
}

void TTask::SetImportant(bool important) {
    m_important = important;
    NotifyChanged();
}

void TTask::SetNotes(const QString& notes) {
    TCardItem::SetNotes(notes);
    NotifyChanged();
}

void TTask::HoldEvent(const std::shared_ptr<EKEvent>& event) {
    TNotificationCenter::DefaultCenter()->RemoveObserver(this, EKEventStoreChangedNotification);
    m_event = event;
    // A kept identifier is written back until an event of this machine's store stands in for it.
    if (m_event && !m_event->isNew()) m_eventIdentifier.clear();
    if (m_event)
        TNotificationCenter::DefaultCenter()->ObserveNotification(this, EKEventStoreChangedNotification,
                                                                  &TTask::HandleEventStoreChanged);
}

void TTask::DropEvent() {
    TNotificationCenter::DefaultCenter()->RemoveObserver(this, EKEventStoreChangedNotification);
    m_event.reset();
    m_eventIdentifier.clear();
}

std::shared_ptr<EKEvent> TTask::GetEvent() {
    if (m_event) return m_event;
    std::shared_ptr<EKEventStore> store = EventStore();
    if (!store) return nullptr;
    std::shared_ptr<EKEvent> event = store->newEvent();
    // A new task's event goes to the preferred calendar, else the store's default one.
    std::shared_ptr<EKCalendar> calendar = store->calendarWithIdentifier(DefaultCardCalendarIdentifier());
    event->setCalendar(calendar ? calendar : store->defaultCalendarForNewEvents());
    HoldEvent(event);
    return m_event;
}

QString TTask::GetEventIdenfitier() const {
    return m_event ? m_event->calendarItemExternalIdentifier() : m_eventIdentifier;
}

void TTask::SetDueDate(const QDateTime& date) {
    std::shared_ptr<EKEvent> event = GetEvent();
    if (!event) return;
    event->setStartDate(date);
    event->setEndDate(date);
    SetModified(true);
}

QDateTime TTask::GetDueDate() const {
    return m_event ? m_event->startDate() : QDateTime();
}

double TTask::GetDaysUntilDue() const {
    const QDateTime due = GetDueDate();
    return due.isValid() ? static_cast<double>(DateUtilities::daysFromToday(due)) : 0.0;
}

bool TTask::IsOverdue() const {
    const QDateTime due = GetDueDate();
    if (!due.isValid()) return false;
    // A day-long event is due until its day ends; any other at its time.
    return m_event->isAllDay() ? DateUtilities::daysFromToday(due) < 0 : due < Clock::shared().now();
}

bool TTask::IsRepeating() const {
    return m_event && m_event->hasRecurrenceRules();
}

std::optional<EKAlarm> TTask::GetFirstAlarm() const {
    if (!m_event || !m_event->hasAlarms()) return std::nullopt;
    return m_event->alarms().last();
}

QString TTask::GetTitle() const {
    return TaskTitles::rowTitle(GetPlainText());
}

bool TTask::SaveEvent() {
    std::shared_ptr<EKEventStore> store = EventStore();
    if (!m_event || !store) return false;
    m_event->setTitle(TaskTitles::eventTitle(GetPlainText()));
    QString error;
    if (!store->saveEvent(m_event, EKSpanFutureEvents, true, &error)) {
        // The due date, reminder and repetition stay in memory for the next try.
        Diagnostics::line(QStringLiteral("error saving event: ") + error);
        return false;
    }
    m_eventIdentifier.clear();
    return true;
}

void TTask::RemoveEvent() {
    if (!m_event) return;
    Diagnostics::line(QStringLiteral("remove event"));
    std::shared_ptr<EKEvent> event = m_event;
    DropEvent();
    std::shared_ptr<EKEventStore> store = EventStore();
    QString error;
    if (store && !event->isNew() && !store->removeEvent(event, EKSpanFutureEvents, true, &error))
        Diagnostics::line(error);
}

void TTask::NotifyChanged() {
    SetModified(true);
    TNotificationCenter::DefaultCenter()->PostNotification(kTaskChangedNotification, GetCocoaObject().get());
}

void TTask::HandleEventStoreChanged(TNotification*) {
    if (!m_event) return;
    if (!m_event->refresh()) {
        // Gone from the store: let it go, but only when the store was read whole; a file being
        // replaced right now comes back with the next reading.
        std::shared_ptr<EKEventStore> store = EventStore();
        if (store && !store->isComplete()) return;
        DropEvent();
    }
    NotifyChanged();
}

QList<TTask*> TTask::GetAllEvents() const {
    QList<TTask*> tasks;
    CollectTasks(this, false, tasks);
    tasks.removeIf([](TTask* task) { return !task->HasEvent(); });
    return tasks;
}

QList<TTask*> TTask::GetOverdueTasks() const {
    QList<TTask*> tasks;
    CollectTasks(this, true, tasks);
    tasks.removeIf([](TTask* task) { return !task->IsOverdue(); });
    return tasks;
}

QStringList TTask::MissingEvents() {
    return missingEvents().identifiers;
}
QStringList TTask::MissingEventTitles() {
    return missingEvents().titles;
}
void TTask::ClearMissingEvents() {
    missingEvents() = {};
}

void CollectTasks(const TTreeNode* node, bool includeSelf, QList<TTask*>& tasks) {
    if (!node) return;
    if (includeSelf && node->IsMember(TTask::StaticClass()))
        tasks.append(const_cast<TTask*>(static_cast<const TTask*>(node)));
    for (qint64 i = 0; i < node->ChildCount(); ++i) CollectTasks(node->GetChild(i), true, tasks);
}

// TJobslate

void TJobslate::Initialize() {
    TListCard::Initialize();
    if (m_defaultItem == 0) m_defaultItem = kItemKindPreference;
}

void TJobslate::CopyInstanceVariables(TObject* source) {
    TListCard::CopyInstanceVariables(source);
    m_defaultItem = static_cast<const TJobslate*>(source)->m_defaultItem;
}

void TJobslate::AddArchiveKeys(QSet<QString>& keys) const {
    TListCard::AddArchiveKeys(keys);
    keys.insert(kDefaultItem);
}

void TJobslate::EncodeData(TArchiver* archiver) {
    TListCard::EncodeData(archiver);
    archiver->SetIntegerValue(kDefaultItem, m_defaultItem);
}

void TJobslate::DecodeData(TArchiver* archiver) {
    TListCard::DecodeData(archiver);
    m_defaultItem = archiver->GetIntegerValue(kDefaultItem);
}

void TJobslate::SetDefaultItem(qint32 kind) {
    if (kind == m_defaultItem) return;
    m_defaultItem = kind;
    SetModified(true);
}

qint32 TJobslate::ResolvedItemKind() const {
    return m_defaultItem == kItemKindPreference
               ? static_cast<qint32>(NSPrefs().integerForKey(kPreferenceKeyDefaultNewItemKind))
               : m_defaultItem;
}

QList<TTask*> TJobslate::GetEvents() const {
    QList<TTask*> tasks;
    CollectTasks(GetRoot(), false, tasks);
    tasks.removeIf([](TTask* task) { return !task->HasEvent(); });
    return tasks;
}

QList<TTask*> TJobslate::GetOverdueTasks() const {
    QList<TTask*> tasks;
    CollectTasks(GetRoot(), true, tasks);
    tasks.removeIf([](TTask* task) { return !task->IsOverdue(); });
    return tasks;
}

void TJobslate::PerformClose() {
    TListCard::PerformClose();
    QList<TTask*> tasks;
    CollectTasks(GetRoot(), true, tasks);
    for (TTask* task : tasks) task->RemoveEvent();
}
