#include "windows/TaskInfoPopover.h"

#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "model/ui/ModelWidgets.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QListView>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

const char* const kReminderTitles[] = {
    "None",
    "At time of event",
    "5 minutes before",
    "10 minutes before",
    "15 minutes before",
    "30 minutes before",
    "1 hour before",
    "2 hours before",
    "5 hours before",
    "1 day before",
    "2 days before",
};
const char* const kRepeatTitles[] = {"None", "Every Day", "Every Week", "Every Month", "Every Year"};

// The pop-up's row that carries the tag; -1 without one.
int rowOfTag(const QComboBox* button, int tag) {
    return button->findData(tag);
}

void setRowShown(QComboBox* button, int row, bool shown, bool enabled) {
    if (auto* list = qobject_cast<QListView*>(button->view())) list->setRowHidden(row, !shown);
    if (auto* model = qobject_cast<QStandardItemModel*>(button->model()))
        if (QStandardItem* item = model->item(row)) item->setEnabled(enabled);
}

} // namespace

QString TTaskInfoViewController::dueDateFormat(const QLocale& locale) {
    // Due dates are set to the minute: the locale's short date and time without the seconds.
    return locale.dateFormat(QLocale::ShortFormat) + u' ' + DateUtilities::shortTimeFormat(locale);
}

TTaskInfoViewController::TTaskInfoViewController(TTask* task, QWidget* parent)
    : QWidget(parent), m_task(Ref<TTask>::retain(task)) {
    m_eventButton = new QCheckBox(tr("&Due Date"), this);
    m_eventBox = new QGroupBox(this);
    m_dueDatePicker = new QDateTimeEdit(m_eventBox);
    m_dueDatePicker->setCalendarPopup(true);
    m_dueDatePicker->setDisplayFormat(dueDateFormat(QLocale()));
    m_calendarButton = new QComboBox(m_eventBox);
    m_remindButton = new QComboBox(m_eventBox);
    for (int tag = 0; tag <= 10; ++tag) m_remindButton->addItem(tr(kReminderTitles[tag]), tag);
    m_remindButton->addItem(QString(), int(kReminderCustom));
    m_repeatButton = new QComboBox(m_eventBox);
    for (int tag = kRepeatNone; tag <= kRepeatYearly; ++tag)
        m_repeatButton->addItem(tr(kRepeatTitles[tag]), tag);
    m_importantButton = new QCheckBox(tr("&Important"), this);
    m_notesTextView = new QPlainTextEdit(this);
    m_notesTextView->setPlaceholderText(tr("Notes"));
    // A compact pop-up beside the row: a few lines of notes, choices no wider than they need.
    m_notesTextView->setFixedHeight(m_notesTextView->fontMetrics().lineSpacing() * 5 + 12);
    for (QComboBox* box : {m_calendarButton, m_remindButton, m_repeatButton}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(14);
    }

    // Alt and the underlined letter reach each control at once.
    auto* form = new QFormLayout(m_eventBox);
    form->addRow(tr("D&ate:"), m_dueDatePicker);
    form->addRow(tr("&Calendar:"), m_calendarButton);
    form->addRow(tr("&Reminder:"), m_remindButton);
    form->addRow(tr("Re&peat:"), m_repeatButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_eventButton);
    layout->addWidget(m_eventBox);
    layout->addWidget(m_importantButton);
    layout->addWidget(m_notesTextView);

    awakeFromNib();

    connect(m_eventButton, &QCheckBox::toggled, this, [this] { eventChanged(); });
    connect(m_dueDatePicker, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_filling) dueDateChanged();
    });
    connect(m_calendarButton, &QComboBox::activated, this, [this] { calendarChanged(); });
    connect(m_remindButton, &QComboBox::activated, this, [this] { remindChanged(); });
    connect(m_repeatButton, &QComboBox::activated, this, [this] { repeatChanged(); });
    connect(m_importantButton, &QCheckBox::toggled, this, [this] { importantChanged(); });
    connect(m_notesTextView, &QPlainTextEdit::textChanged, this, [this] { notesChanged(); });
}

TTaskInfoViewController::~TTaskInfoViewController() {
    // The row renews its badges.
    if (m_task) m_task->NotifyChanged();
}

bool TTaskInfoViewController::isEventEditable() const {
    if (!m_task->HasEvent() || m_task->IsCompleted()) return true;
    return !m_task->GetEvent()->hasAttendees();
}

void TTaskInfoViewController::selectCalendar(const QString& identifier) {
    const int row = m_calendarButton->findData(identifier);
    if (row >= 0) m_calendarButton->setCurrentIndex(row);
}

void TTaskInfoViewController::awakeFromNib() {
    m_filling = true;
    TTask* task = m_task.get();
    if (!task->IsCompleted()) m_eventButton->setChecked(task->HasEvent());

    // Writable calendars, the preselected one first.
    const QString preselected = DefaultCardCalendarIdentifier();
    const QList<QAction*> calendars = ModelWidgets::AvailableCalendarsForEvent();
    for (QAction* action : calendars) {
        const int at = action->data().toString() == preselected ? 0 : m_calendarButton->count();
        m_calendarButton->insertItem(at, action->icon(), action->text(), action->data());
    }
    qDeleteAll(calendars);
    selectCalendar(preselected);

    if (task->HasEvent()) {
        std::shared_ptr<EKEvent> event = task->GetEvent();
        if (std::shared_ptr<EKCalendar> calendar = event->calendar())
            selectCalendar(calendar->calendarIdentifier());
        m_dueDatePicker->setDateTime(task->GetDueDate());
        if (event->hasRecurrenceRules())
            m_repeatButton->setCurrentIndex(
                rowOfTag(m_repeatButton, int(event->recurrenceRules().first().frequency()) + 1));
        const int custom = rowOfTag(m_remindButton, kReminderCustom);
        setRowShown(m_remindButton, custom, false, false);
        const std::optional<EKAlarm> alarm = task->GetFirstAlarm();
        const qint32 choice = ReminderForEventAlarm(alarm);
        if (alarm && choice == kReminderCustom) {
            m_remindButton->setItemText(custom, CustomReminderStringForAlarm(*alarm));
            setRowShown(m_remindButton, custom, true, false);
            m_remindButton->setCurrentIndex(custom);
        } else {
            m_remindButton->setCurrentIndex(rowOfTag(m_remindButton, alarm ? choice : kReminderNone));
        }
    } else {
        setRowShown(m_remindButton, rowOfTag(m_remindButton, kReminderCustom), false, false);
        m_dueDatePicker->setDateTime(Clock::shared().now());
    }

    if (task->IsCompleted() || !isEventEditable()) {
        m_eventButton->setChecked(false);
        m_eventButton->setEnabled(false);
        m_eventBox->setEnabled(false);
    }
    m_filling = false;
    eventChanged();

    m_filling = true;
    m_importantButton->setChecked(task->IsImportant());
    if (!task->GetNotes().isEmpty()) m_notesTextView->setPlainText(task->GetNotes());
    m_filling = false;
}

void TTaskInfoViewController::eventChanged() {
    if (m_filling) return;
    const bool checked = m_eventButton->isChecked();
    m_eventBox->setEnabled(checked && m_eventButton->isEnabled());
    if (!isEventEditable()) return;
    TTask* task = m_task.get();
    if (checked) {
        if (!task->HasEvent()) {
            std::shared_ptr<EKEvent> event = task->GetEvent();
            std::shared_ptr<EKEventStore> store = EventStore();
            if (!event || !store) return;
            std::shared_ptr<EKCalendar> calendar =
                store->calendarWithIdentifier(m_calendarButton->currentData().toString());
            event->setCalendar(calendar ? calendar : store->defaultCalendarForNewEvents());
        }
        if (!task->GetDueDate().isValid()) {
            m_filling = true;
            m_dueDatePicker->setDateTime(Clock::shared().now().addSecs(3600));
            m_filling = false;
        }
        // Sets the due date and saves the event.
        dueDateChanged();
    } else {
        m_filling = true;
        m_dueDatePicker->setDateTime(Clock::shared().now());
        m_filling = false;
        task->RemoveEvent();
    }
}

void TTaskInfoViewController::dueDateChanged() {
    if (!m_task->HasEvent() || !isEventEditable()) return;
    m_task->SetDueDate(m_dueDatePicker->dateTime());
    m_task->SaveEvent();
}

bool TTaskInfoViewController::calendarChanged() {
    if (!m_task->HasEvent() || !isEventEditable()) return true;
    std::shared_ptr<EKEventStore> store = EventStore();
    std::shared_ptr<EKCalendar> calendar =
        store ? store->calendarWithIdentifier(m_calendarButton->currentData().toString()) : nullptr;
    if (!calendar) {
        // Gone since the pop-up was filled: the event keeps its calendar.
        Alert alert;
        alert.messageText = QStringLiteral("Failed to find calendar");
        alert.informativeText = tr("The calendar is no longer available. The event stays in its calendar.");
        AlertPresenter::shared().runModal(alert, window());
        return false;
    }
    m_task->GetEvent()->setCalendar(calendar);
    m_task->SaveEvent();
    return true;
}

void TTaskInfoViewController::remindChanged() {
    if (!m_task->HasEvent() || !isEventEditable()) return;
    const int choice = m_remindButton->currentData().toInt();
    // The extra item only shows an alarm that is no choice; it keeps that alarm.
    if (choice == kReminderCustom) return;
    std::shared_ptr<EKEvent> event = m_task->GetEvent();
    const double seconds = TimeIntervalForReminder(choice);
    if (seconds != -1.0) {
        event->setAlarms({EKAlarm::alarmWithRelativeOffset(seconds)});
        Diagnostics::line(QStringLiteral("alarm: %1 s").arg(seconds));
    } else {
        event->setAlarms({});
    }
    m_task->SaveEvent();
}

void TTaskInfoViewController::repeatChanged() {
    if (!m_task->HasEvent() || !isEventEditable()) return;
    const int tag = m_repeatButton->currentData().toInt();
    std::shared_ptr<EKEvent> event = m_task->GetEvent();
    if (tag == kRepeatNone)
        event->setRecurrenceRules({});
    else if (tag >= kRepeatDaily && tag <= kRepeatYearly)
        event->setRecurrenceRules({EKRecurrenceRule(EKRecurrenceFrequency(tag - 1), 1)});
    else
        return;
    m_task->SaveEvent();
}

void TTaskInfoViewController::importantChanged() {
    if (!m_filling) m_task->SetImportant(m_importantButton->isChecked());
}

void TTaskInfoViewController::notesChanged() {
    if (!m_filling) m_task->SetNotes(m_notesTextView->toPlainText());
}
