#pragma once

#include "foundation/Object.h"

#include <QLocale>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QPlainTextEdit;
class TTask;

// The info popover's content of a task row: whether the task has a calendar event, and the event's
// due date, calendar, reminder and repetition, then the important flag and the notes. Every edit
// goes straight to the task and, for the event fields, into its event in the calendar store, saved
// at once. Made by the task row each time its popover opens and owned by the popover controller; it
// keeps the task retained and posts the task's change notice when it goes. Main thread only.
class TTaskInfoViewController : public QWidget {
    Q_OBJECT
public:
    // Repetition choices (the repeat pop-up's data): none, daily, weekly, monthly, yearly.
    enum Repeat : int { kRepeatNone = 0, kRepeatDaily, kRepeatWeekly, kRepeatMonthly, kRepeatYearly };

    explicit TTaskInfoViewController(TTask* task, QWidget* parent = nullptr);
    ~TTaskInfoViewController() override;

    // The due date picker's format: the locale's short date and time, to the minute.
    static QString dueDateFormat(const QLocale& locale);

    TTask* task() const { return m_task.get(); }
    // No attendees, no event, or a completed task: the event may be edited here.
    bool isEventEditable() const;

    QCheckBox* eventButton() const { return m_eventButton; }
    QGroupBox* eventBox() const { return m_eventBox; }
    QDateTimeEdit* dueDatePicker() const { return m_dueDatePicker; }
    QComboBox* calendarButton() const { return m_calendarButton; }
    QComboBox* remindButton() const { return m_remindButton; }
    QComboBox* repeatButton() const { return m_repeatButton; }
    QCheckBox* importantButton() const { return m_importantButton; }
    QPlainTextEdit* notesTextView() const { return m_notesTextView; }

    // The controls' actions; each reads its control.
    void eventChanged();
    void dueDateChanged();
    // False, with an alert and nothing changed, when the chosen calendar is gone from the store.
    bool calendarChanged();
    void remindChanged();
    void repeatChanged();
    void importantChanged();
    void notesChanged();

private:
    void awakeFromNib();
    void selectCalendar(const QString& identifier);

    Ref<TTask> m_task;
    QCheckBox* m_eventButton = nullptr;
    QGroupBox* m_eventBox = nullptr;
    QDateTimeEdit* m_dueDatePicker = nullptr;
    QComboBox* m_calendarButton = nullptr;
    QComboBox* m_remindButton = nullptr;
    QComboBox* m_repeatButton = nullptr;
    QCheckBox* m_importantButton = nullptr;
    QPlainTextEdit* m_notesTextView = nullptr;
    bool m_filling = false;
};
