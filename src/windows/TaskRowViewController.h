#pragma once

#include "windows/TextItemViewController.h"

#include <QList>
#include <QString>

class QAbstractButton;
class QLabel;
class TTask;
struct MenuItemState;

// One badge of a task row's status bar: its image name, tool tip and what a click does.
struct TaskStatusBadge {
    enum Action { ShowInCalendar, ShowInfo, OpenURL };
    QString image;
    QString help;
    Action action = ShowInCalendar;
    friend bool operator==(const TaskStatusBadge&, const TaskStatusBadge&) = default;
};

// The badges a task shows, in display order.
QList<TaskStatusBadge> StatusBadgesForTask(TTask* task);
// The due date as the row shows it: the relative day with the time for today and tomorrow, else
// the short date alone.
QString DueDateString(const QDateTime& due);

// The row of a task: a text row with a completion check box, the completed style drawn over the
// text (never stored into it), a status bar of badges and the due date beside or below the text,
// and the task's event saved one second after the last keystroke. Observes the task's change
// notice while it lives. Main thread only.
class TTaskViewController : public TTextItemViewController {
    Q_OBJECT
public:
    static constexpr double kRightEdgeInset = 24.0;
    static constexpr double kTextX = 20.0;

    TTaskViewController(TCardItem* item, TCard* card);
    ~TTaskViewController() override;

    TTask* task() const;
    QAbstractButton* completedButton() const { return m_completedButton; }
    QWidget* statusBar() const { return m_statusBar; }
    bool statusBarOnBottom() const { return m_statusBarOnBottom; }
    // The due date label; null while the task has no event.
    QLabel* dueDateLabel() const { return m_dueDateLabel; }
    QList<TaskStatusBadge> badges() const { return m_badges; }

    bool displayInfoButton() const override { return true; }
    QWidget* infoController() override;
    void popoverControllerWillClose(NSPopoverController* controller) override;

    double rowHeight() const override;
    QRectF textViewFrame() const override;
    QRectF infoButtonFrame() const override;
    void recalculateRow() override;
    void arrangeStatusBar();
    void update() override;

    void setCompleted(bool completed);
    void completionChanged();
    void updateStatus();
    void saveEvent();
    // Opens the event's calendar file with the desktop's calendar program.
    void showInCalendar();
    void openURL();
    bool validateMenuItem(MenuItemState& item) const;

protected:
    void awakeFromNib() override;

private:
    // The theme's check box images where the card's theme has them, else the desktop's check box.
    QAbstractButton* makeCompletedButton(QWidget* row) const;
    void applyCompletionStyle();
    void fitStatusBar();
    // The label shows the whole date, or as much of it as leaves the bar within the room.
    void fitDueDate(int room);
    void performBadge(TaskStatusBadge::Action action);

    QAbstractButton* m_completedButton = nullptr; // owned by the row's view
    QWidget* m_statusBar = nullptr;               // owned by the row's view
    QLabel* m_dueDateLabel = nullptr;             // owned by the status bar
    QList<TaskStatusBadge> m_badges;
    NSObjectWrapperPtr m_taskObject; // the task's wrapper its change notices carry
    bool m_statusBarOnBottom = false;
};
