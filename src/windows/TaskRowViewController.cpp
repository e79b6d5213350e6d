#include "windows/TaskRowViewController.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/EKEventStore.h"
#include "platform/calendar/VdirEventStore.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/DateUtilities.h"
#include "utilities/ImageUtilities.h"
#include "utilities/UserDefaultsUtilities.h"
#include "windows/CardTextView.h"
#include "windows/CardViewController.h"
#include "windows/DisclosureButton.h"
#include "windows/LinkURL.h"
#include "windows/TaskInfoPopover.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <cmath>
#include <limits>

namespace {

const QString kSaveEvent = QStringLiteral("saveEvent");
constexpr double kExtraRowHeight = 8.0;
constexpr double kBarGap = 12.0;
constexpr double kBarInset = 4.0;
constexpr double kTextLowered = 4.0;
constexpr double kCheckBoxTop = 6.0;

// Completed styles of "completedTaskStyle".
enum CompletedStyle : qint64 { kStyleNone = 0, kStyleItalic = 1, kStyleBold = 2, kStyleStrikethrough = 3 };

struct BadgeLook {
    QString themed; // the icon theme's nearest icon
    QString sign;   // drawn when neither the resources nor the theme have one
    QColor colour;
    QString name; // for assistive technology
};

const QHash<QString, BadgeLook>& badgeLooks() {
    static const QHash<QString, BadgeLook> looks = {
        {QStringLiteral("StatusOverdue"),
         {QStringLiteral("dialog-warning"), QStringLiteral("!"), QColor(200, 40, 40),
          QStringLiteral("Overdue")}},
        {QStringLiteral("StatusImportant"),
         {QStringLiteral("emblem-important"), QStringLiteral("!"), QColor(230, 130, 20),
          QStringLiteral("Important")}},
        {QStringLiteral("StatusRemind"),
         {QStringLiteral("alarm"), QStringLiteral("R"), QColor(60, 110, 200), QStringLiteral("Reminder")}},
        {QStringLiteral("StatusRepeat"),
         {QStringLiteral("view-refresh"), QStringLiteral("~"), QColor(60, 110, 200),
          QStringLiteral("Repeats")}},
        {QStringLiteral("StatusNote"),
         {QStringLiteral("text-x-generic"), QStringLiteral("n"), QColor(110, 110, 110),
          QStringLiteral("Note")}},
        {QStringLiteral("StatusAttendee"),
         {QStringLiteral("system-users"), QStringLiteral("@"), QColor(110, 110, 110),
          QStringLiteral("Attendees")}},
        {QStringLiteral("StatusLocation"),
         {QStringLiteral("mark-location"), QStringLiteral("L"), QColor(110, 110, 110),
          QStringLiteral("Location")}},
        {QStringLiteral("StatusLink"),
         {QStringLiteral("emblem-web"), QStringLiteral("w"), QColor(110, 110, 110), QStringLiteral("Link")}},
        {QStringLiteral("StatusEvent"),
         {QStringLiteral("x-office-calendar"), QStringLiteral("e"), QColor(110, 110, 110),
          QStringLiteral("Event")}},
    };
    return looks;
}

// A badge image: the application's resource, else the icon theme's nearest icon, else a sign on a
// disc, so that every badge is seen.
QIcon badgeIcon(const QString& name) {
    const QImage image = ImageUtilities::imageWithResource(name + QStringLiteral(".png"));
    if (!image.isNull()) return QIcon(QPixmap::fromImage(image));
    const BadgeLook look = badgeLooks().value(name);
    for (const QString& themed : {look.themed, look.themed + QStringLiteral("-symbolic")}) {
        const QIcon icon = QIcon::fromTheme(themed);
        if (!icon.isNull() && !icon.availableSizes().isEmpty()) return icon;
    }
    QPixmap drawn(32, 32);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.colour.isValid() ? look.colour : QColor(Qt::gray));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(drawn.rect(), Qt::AlignCenter, look.sign);
    painter.end();
    return QIcon(drawn);
}

qint64 completedStyle() {
    return NSPrefs().integerForKey(kPreferenceKeyCompletedTaskStyle);
}

// The event's calendar file, for a store that keeps one file per event; empty otherwise.
QString eventFilePath(const EKEvent& event) {
    auto store = std::dynamic_pointer_cast<VdirEventStore>(EventStore());
    if (!store || event.eventIdentifier().isEmpty()) return {};
    return store->rootPath() + QLatin1Char('/') + event.eventIdentifier() + QStringLiteral(".ics");
}

} // namespace

QList<TaskStatusBadge> StatusBadgesForTask(TTask* task) {
    QList<TaskStatusBadge> badges;
    if (!task) return badges;
    using B = TaskStatusBadge;
    if (task->IsOverdue()) badges.append({QStringLiteral("StatusOverdue"), {}, B::ShowInCalendar});
    if (task->IsImportant()) badges.append({QStringLiteral("StatusImportant"), {}, B::ShowInfo});
    if (const std::optional<EKAlarm> alarm = task->GetFirstAlarm())
        badges.append(
            {QStringLiteral("StatusRemind"), CustomReminderStringForAlarm(*alarm), B::ShowInCalendar});
    std::shared_ptr<EKEvent> event = task->HasEvent() ? task->GetEvent() : nullptr;
    if (task->IsRepeating())
        badges.append({QStringLiteral("StatusRepeat"), RepeatStringForEvent(event.get()), B::ShowInCalendar});
    if (!task->GetNotes().isEmpty())
        badges.append({QStringLiteral("StatusNote"), task->GetNotes(), B::ShowInfo});
    if (event) {
        if (event->hasAttendees()) badges.append({QStringLiteral("StatusAttendee"), {}, B::ShowInCalendar});
        if (!event->location().isEmpty())
            badges.append({QStringLiteral("StatusLocation"), event->location(), B::ShowInCalendar});
        if (!event->URL().isEmpty())
            badges.append({QStringLiteral("StatusLink"), event->URL().toString(), B::OpenURL});
        if (badges.isEmpty()) badges.append({QStringLiteral("StatusEvent"), {}, B::ShowInCalendar});
    }
    return badges;
}

QString DueDateString(const QDateTime& due) {
    using namespace DateUtilities;
    const bool near = isToday(due) || isTomorrow(due);
    return dateString(due, kShortStyle, near ? kShortStyle : kNoStyle, true);
}

TTaskViewController::TTaskViewController(TCardItem* item, TCard* card)
    : TTextItemViewController(item, card) {}

TTaskViewController::~TTaskViewController() {
    // A pending save is dropped with the row.
    Scheduler::shared().cancelAll(this);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TTask* TTaskViewController::task() const {
    TCardItem* item = cardItem();
    return item && item->IsMember(TTask::StaticClass()) ? static_cast<TTask*>(item) : nullptr;
}

QWidget* TTaskViewController::infoController() {
    return task() ? new TTaskInfoViewController(task()) : nullptr;
}

void TTaskViewController::awakeFromNib() {
    QWidget* row = rowView();
    m_completedButton = makeCompletedButton(row);
    m_statusBar = new QWidget(row);
    auto* layout = new QHBoxLayout(m_statusBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_statusBar->hide();

    TTextItemViewController::awakeFromNib();
    TTask* item = task();
    editor()->setReadOnly(item && item->IsCompleted());

    m_completedButton->setChecked(item && item->IsCompleted());
    m_completedButton->adjustSize();
    // A themed box stands 6 points below the row's top; the desktop's box is taller and stands higher.
    const bool themed = qobject_cast<DisclosureButton*>(m_completedButton);
    m_completedButton->move(2, int(themed ? kCheckBoxTop : kCheckBoxTop - kTextLowered));
    connect(m_completedButton, &QAbstractButton::clicked, this, [this] { completionChanged(); });

    // The task's event follows the text one second after the last keystroke.
    connect(editor(), &QTextEdit::textChanged, this, [this] {
        Scheduler::shared().cancelPrevious(this, kSaveEvent);
        Scheduler::shared().performAfterDelay(this, kSaveEvent, 1.0, [this] { saveEvent(); });
    });

    updateStatus();
    if (item) {
        m_taskObject = item->GetCocoaObject();
        NotificationCenter::defaultCenter().addObserver(this, kTaskChangedNotification, m_taskObject.get(),
                                                        [this](const Notification&) { updateStatus(); });
    }
}

QAbstractButton* TTaskViewController::makeCompletedButton(QWidget* row) const {
    QAbstractButton* button = nullptr;
    TCardTheme* theme = card() ? card()->GetTheme() : nullptr;
    const QString off = QStringLiteral("checkBoxImageOff");
    if (theme && theme->ContainsProperty(off)) {
        try {
            QImage offImage = theme->GetImage(off);
            QImage onImage = theme->GetImage(QStringLiteral("checkBoxImageOn"));
            if (card()->IsDarkStyle()) {
                offImage = ImageUtilities::invertedImage(offImage);
                onImage = ImageUtilities::invertedImage(onImage);
            }
            auto* box = new DisclosureButton(row);
            box->setImages(offImage, onImage);
            button = box;
        } catch (const CocoaUtilities::Exception& error) {
            Diagnostics::warning(QString::fromUtf8(error.what()));
        }
    }
    if (!button) button = new QCheckBox(row);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(QStringLiteral("Completed"));
    return button;
}

void TTaskViewController::updateStatus() {
    TTask* item = task();
    if (!m_statusBar || !item) return;
    m_badges = StatusBadgesForTask(item);
    QLayout* layout = m_statusBar->layout();
    while (QLayoutItem* child = layout->takeAt(0)) {
        delete child->widget();
        delete child;
    }
    m_dueDateLabel = nullptr;
    const bool dark = card() && card()->IsDarkStyle();
    for (const TaskStatusBadge& badge : m_badges) {
        auto* button = new QToolButton(m_statusBar);
        QIcon icon = badgeIcon(badge.image);
        if (dark && !icon.isNull())
            icon = QIcon(QPixmap::fromImage(ImageUtilities::invertedImage(icon.pixmap(16).toImage())));
        button->setIcon(icon);
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(badge.help);
        button->setObjectName(badge.image);
        button->setAccessibleName(badgeLooks().value(badge.image).name);
        const TaskStatusBadge::Action action = badge.action;
        connect(button, &QToolButton::clicked, this, [this, action] { performBadge(action); });
        layout->addWidget(button);
    }
    if (item->HasEvent()) {
        layout->addItem(new QSpacerItem(2, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
        m_dueDateLabel = new QLabel(DueDateString(item->GetDueDate()), m_statusBar);
        // The whole date, also where a narrow row shows it shortened.
        m_dueDateLabel->setToolTip(m_dueDateLabel->text());
        QFont font = m_dueDateLabel->font();
        font.setBold(true);
        font.setPointSize(12);
        m_dueDateLabel->setFont(font);
        QPalette palette = m_dueDateLabel->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(0, 0, 0, 0.5));
        m_dueDateLabel->setPalette(palette);
        layout->addWidget(m_dueDateLabel);
    }
    // Shown now, not when the event loop comes round: the bar's size counts only shown widgets.
    for (int i = 0; i < layout->count(); ++i)
        if (QWidget* widget = layout->itemAt(i)->widget()) widget->show();
    m_statusBar->setVisible(layout->count() > 0);
    m_statusBar->adjustSize();
    recalculateRow();
    setUINeedsDisplay();
}

void TTaskViewController::popoverControllerWillClose(NSPopoverController* controller) {
    TTextItemViewController::popoverControllerWillClose(controller);
    // The pop-up sets the due date and the reminder without a change notice.
    updateStatus();
}

void TTaskViewController::performBadge(TaskStatusBadge::Action action) {
    switch (action) {
    case TaskStatusBadge::ShowInCalendar:
        showInCalendar();
        break;
    case TaskStatusBadge::ShowInfo:
        showInfo();
        break;
    case TaskStatusBadge::OpenURL:
        openURL();
        break;
    }
}

double TTaskViewController::rowHeight() const {
    double height = TTextItemViewController::rowHeight() + kExtraRowHeight;
    if (m_statusBar && !m_statusBar->isHidden() && m_statusBarOnBottom)
        height += m_statusBar->height() + kBarGap;
    return height;
}

QRectF TTaskViewController::textViewFrame() const {
    QRectF frame = TTextItemViewController::textViewFrame();
    frame.moveLeft(kTextX);
    frame.setWidth(frame.width() - kTextX);
    if (m_statusBar && !m_statusBar->isHidden() && !m_statusBarOnBottom) {
        // The text ends before the bar, which stands at the right.
        auto* self = const_cast<TTaskViewController*>(this);
        const double barX = self->rowView()->width() - (m_statusBar->width() + kRightEdgeInset);
        frame.setWidth(std::max(1.0, std::min(frame.width(), barX - kTextX - 4)));
    }
    frame.setHeight(textHeightAtWidth(frame.width()));
    return frame;
}

void TTaskViewController::recalculateRow() {
    if (!editor() || !m_statusBar) {
        TTextItemViewController::recalculateRow();
        return;
    }
    // The text's room beside the bar is measured against the whole date.
    if (m_dueDateLabel) fitDueDate(std::numeric_limits<int>::max());
    const double available = rowView()->width() - (m_statusBar->width() + 36 + kRightEdgeInset + 8);
    QTextDocument* document = editor()->document();
    const double textWidth = document->idealWidth();
    const double barHeight = m_statusBar->height();
    m_statusBarOnBottom = textWidth >= available || textLayoutHeight() > barHeight + 4;
    TTextItemViewController::recalculateRow();
    editor()->move(editor()->x(), int(kTextLowered));
    arrangeStatusBar();
}

QRectF TTaskViewController::infoButtonFrame() const {
    QRectF frame = TTextItemViewController::infoButtonFrame();
    // Level with the bar, unless the row is too narrow for both: then at the row's top, clear of the date.
    auto* self = const_cast<TTaskViewController*>(this);
    const double barEnd = m_statusBar ? m_statusBar->x() + m_statusBar->width() : 0.0;
    if (m_statusBar && !m_statusBar->isHidden() && barEnd + kRightEdgeInset <= self->rowView()->width())
        frame.moveTop(m_statusBar->y());
    else
        frame.moveTop(0);
    return frame;
}

void TTaskViewController::fitStatusBar() {
    m_statusBar->adjustSize();
    // The badges and the date take their places now, also in a row not shown yet.
    m_statusBar->layout()->setGeometry(m_statusBar->rect());
}

void TTaskViewController::fitDueDate(int room) {
    // Elided afresh from the whole date each time: the room of an earlier arrangement (none
    // while the row had no width yet) says nothing about this one.
    const QString whole = m_dueDateLabel->toolTip();
    m_dueDateLabel->setText(whole);
    QString shown = whole;
    const int excess = m_statusBar->sizeHint().width() - room;
    if (excess > 0) {
        const QFontMetrics metrics = m_dueDateLabel->fontMetrics();
        shown = metrics.elidedText(whole, Qt::ElideRight, m_dueDateLabel->sizeHint().width() - excess);
        // Never blank where the row holds an ellipsis: a row with a date shows that it has one.
        const QString ellipsis(QChar(0x2026));
        if (shown.isEmpty() && room >= metrics.horizontalAdvance(ellipsis)) shown = ellipsis;
        m_dueDateLabel->setText(shown);
    }
    fitStatusBar();
}

void TTaskViewController::arrangeStatusBar() {
    if (!m_statusBar) return;
    QWidget* row = rowView();
    // A bar wider than the row's room under the text shortens its date.
    const int room = row->width() - int(kTextX) - int(kBarInset);
    if (m_dueDateLabel) fitDueDate(room);
    const int right = int(row->width() - (m_statusBar->width() + kRightEdgeInset));
    // In a row too narrow for it the bar starts under the text rather than before the row.
    const int x = std::max(right, int(kTextX));
    const int y =
        m_statusBarOnBottom ? int(row->height() - kBarInset - m_statusBar->height()) : editor()->y();
    m_statusBar->move(x, y);
    if (QAbstractButton* button = infoButton()) button->move(button->x(), int(infoButtonFrame().y()));
    setUINeedsDisplay();
}

void TTaskViewController::update() {
    TTextItemViewController::update();
    TTask* item = task();
    if (item && item->IsCompleted() && completedStyle() > kStyleNone) applyCompletionStyle();
}

void TTaskViewController::setCompleted(bool completed) {
    if (!m_completedButton || m_completedButton->isChecked() == completed) return;
    m_completedButton->setChecked(completed);
    completionChanged();
}

void TTaskViewController::completionChanged() {
    TTask* item = task();
    if (!item) return;
    const bool completed = m_completedButton->isChecked();
    const Ref<TTask> keep = Ref<TTask>::retain(item);
    // Completing can take the row out of a filtered outline, which deletes this controller.
    const QPointer<TTaskViewController> alive(this);
    item->SetCompleted(completed);
    if (alive) {
        setUINeedsDisplay();
        editor()->setReadOnly(completed);
        // The style is drawn on the shown text only: reloading the stored text takes it away, whatever
        // the style preference says by now.
        if (completed && completedStyle() > kStyleNone)
            applyCompletionStyle();
        else if (!completed)
            TTextItemViewController::update();
    }
    if (!completed || !NSPrefs().boolForKey(kPreferenceKeyCompletionAffectsChildren)) return;
    for (qint64 i = 0; i < item->ChildCount(); ++i) {
        TTreeNode* child = item->GetChild(i);
        if (!child || !child->IsMember(TTask::StaticClass())) continue;
        auto* childTask = static_cast<TTask*>(child);
        if (auto* row = dynamic_cast<TTaskViewController*>(childTask->GetViewRepresentation()))
            row->setCompleted(true);
        else if (!childTask->IsCompleted())
            childTask->SetCompleted(true);
    }
}

void TTaskViewController::applyCompletionStyle() {
    QTextDocument* document = editor()->document();
    if (document->isEmpty()) return;
    // Not a change of the item's text: the editor's change signals stay quiet.
    const QSignalBlocker blocker(editor());
    QTextCharFormat format;
    const std::optional<QColor> colour =
        UserDefaultsUtilities::colorForKey(NSPrefs(), kPreferenceKeyCompletedTaskColor);
    format.setForeground(colour.value_or(QColor(Qt::gray)));
    const qint64 style = completedStyle();
    if (style == kStyleStrikethrough) format.setFontStrikeOut(true);
    if (style == kStyleItalic) format.setFontItalic(true);
    if (style == kStyleBold) format.setFontWeight(QFont::Bold);
    QTextCursor cursor(document);
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(format);
    // Nor an edit that undo and redo could bring into the item's text.
    document->clearUndoRedoStacks();
}

void TTaskViewController::saveEvent() {
    TTask* item = task();
    if (item && item->HasEvent()) item->SaveEvent();
}

void TTaskViewController::showInCalendar() {
    TTask* item = task();
    if (!item || !item->HasEvent()) {
        QApplication::beep();
        return;
    }
    const QString path = eventFilePath(*item->GetEvent());
    if (!path.isEmpty() && QFileInfo::exists(path) && Workspace::shared().openFile(path)) return;
    Alert alert;
    alert.messageText = QStringLiteral("Error");
    alert.informativeText = QStringLiteral("The event could not be shown in the calendar due to an error.");
    AlertPresenter::shared().runModal(alert, isViewLoaded() ? view()->window() : nullptr);
}

void TTaskViewController::openURL() {
    TTask* item = task();
    if (!item || !item->HasEvent()) return;
    const QUrl url = LinkURL::openable(item->GetEvent()->URL());
    if (!url.isEmpty()) Workspace::shared().openURL(url);
}

bool TTaskViewController::validateMenuItem(MenuItemState& item) const {
    if (item.action == QLatin1String("showInCalendar:")) {
        TTask* owner = task();
        return owner && owner->HasEvent();
    }
    return item.action == QLatin1String("openURL:") || item.action == QLatin1String("showInfo:");
}
