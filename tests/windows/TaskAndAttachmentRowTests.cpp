#include "foundation/Object.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/calendar/VdirEventStore.h"
#include "toolkit/NSPopover.h"
#include "toolkit/NSPopoverController.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"
#include "windows/AttachmentRowViewControllers.h"
#include "windows/CardTextView.h"
#include "windows/LinkInfoPopovers.h"
#include "windows/LinkURL.h"
#include "windows/RowControllers.h"
#include "windows/SidebarRowView.h"
#include "windows/TaskInfoPopover.h"
#include "windows/TaskRowViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QThreadPool>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TaskRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        store->addCalendar(QStringLiteral("home"), QStringLiteral("Home"));
        store->addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
        defaults.setObjectForKey(QStringLiteral("work"), kPreferenceKeyDefaultCardCalendar);
        RowControllers::registerItemRows();
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
    }
    void TearDown() override {
        controllers.clear();
        card = Ref<TJobslate>();
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }

    TTask* addTask(TTreeNode* parent, const QString& text) {
        TTask* task = TTask::Create(text);
        parent->AddChild(task);
        task->Release();
        return task;
    }
    TTaskViewController* host(TCardItem* item) {
        auto* controller = dynamic_cast<TTaskViewController*>(RowControllers::make(item, card.get()));
        EXPECT_NE(controller, nullptr);
        controllers.emplace_back(controller);
        controller->view()->resize(400, controller->view()->height());
        controller->recalculateRow();
        return controller;
    }
    EKEventRecord onlyRecord() {
        const QList<EKEventRecord> records = store->records();
        EXPECT_EQ(records.size(), 1);
        return records.isEmpty() ? EKEventRecord() : records.first();
    }

    AutoreleasePool pool;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler manual;
    Diagnostics::Capture capture;
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    Ref<TJobslate> card;
    std::vector<std::unique_ptr<TCardItemRowViewController>> controllers;
};

TEST_F(TaskRowTest, PopoverSavesDueDateReminderAndRepetitionInTheChosenCalendar) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("File taxes"));
    TTaskViewController* row = host(task);
    EXPECT_EQ(RowControllers::controllerClassFor(task), "TTaskViewController");
    EXPECT_TRUE(row->statusBar()->isHidden());

    {
        TTaskInfoViewController popover(task);
        // Writable calendars, the preselected one first and chosen.
        EXPECT_EQ(popover.calendarButton()->itemData(0).toString(), "work");
        EXPECT_EQ(popover.calendarButton()->currentData().toString(), "work");
        EXPECT_FALSE(popover.eventBox()->isEnabled());

        popover.eventButton()->setChecked(true); // no due date yet: one hour from now
        EXPECT_TRUE(popover.eventBox()->isEnabled());
        EXPECT_EQ(onlyRecord().data.startDate, manual.scheduler.now().addSecs(3600));
        EXPECT_EQ(onlyRecord().data.calendarIdentifier, "work");

        const QDateTime due = manual.scheduler.now().addDays(3);
        popover.dueDatePicker()->setDateTime(due);
        popover.remindButton()->setCurrentIndex(popover.remindButton()->findData(6)); // 1 hour before
        popover.remindChanged();
        popover.repeatButton()->setCurrentIndex(popover.repeatButton()->findData(2)); // weekly
        popover.repeatChanged();
        popover.calendarButton()->setCurrentIndex(popover.calendarButton()->findData(QStringLiteral("home")));
        EXPECT_TRUE(popover.calendarChanged());

        const EKEventRecord record = onlyRecord();
        EXPECT_EQ(record.data.startDate, due);
        EXPECT_EQ(record.data.endDate, due);
        EXPECT_EQ(record.data.alarms, QList<EKAlarm>{EKAlarm::alarmWithRelativeOffset(-3600)});
        EXPECT_EQ(record.data.recurrenceRules,
                  QList<EKRecurrenceRule>{EKRecurrenceRule(EKRecurrenceFrequencyWeekly, 1)});
        EXPECT_EQ(record.data.calendarIdentifier, "home");
        EXPECT_EQ(record.data.title, "File taxes");

        // A calendar gone meanwhile: refused, the event stays where it is.
        popover.calendarButton()->setCurrentIndex(popover.calendarButton()->findData(QStringLiteral("work")));
        store->removeCalendar(QStringLiteral("work"));
        EXPECT_FALSE(popover.calendarChanged());
        EXPECT_EQ(onlyRecord().data.calendarIdentifier, "home");

        // Choice 0 removes every alarm.
        popover.remindButton()->setCurrentIndex(popover.remindButton()->findData(0));
        popover.remindChanged();
        EXPECT_TRUE(onlyRecord().data.alarms.isEmpty());
    }
    // Closing the popover renews the row's badges, the date within the bar.
    EXPECT_FALSE(row->statusBar()->isHidden());
    ASSERT_NE(row->dueDateLabel(), nullptr);
    EXPECT_FALSE(row->dueDateLabel()->isHidden());
    EXPECT_LE(row->dueDateLabel()->geometry().right(), row->statusBar()->width());
    QStringList images;
    for (const TaskStatusBadge& badge : row->badges()) images << badge.image;
    EXPECT_EQ(images, QStringList{QStringLiteral("StatusRepeat")});

    // Unticking removes the event.
    TTaskInfoViewController popover(task);
    // A pop-up that fits beside a card, not over half the screen.
    EXPECT_LE(popover.sizeHint().width(), 420);
    EXPECT_LE(popover.sizeHint().height(), 360);
    {
        auto* content = new TTaskInfoViewController(task);
        NSPopoverController controller(content);
        EXPECT_EQ(controller.popover()->contentSize().toSize(), content->sizeHint());
    }
    EXPECT_TRUE(popover.eventButton()->isChecked());
    popover.eventButton()->setChecked(false);
    EXPECT_FALSE(task->HasEvent());
    EXPECT_TRUE(store->records().isEmpty());
}

TEST_F(TaskRowTest, TheDueDateStaysInTheRowAndClearOfTheInfoButton) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Call"));
    task->SetDueDate(manual.scheduler.now().addDays(3));
    ASSERT_TRUE(task->SaveEvent());
    TTaskViewController* row = host(task);
    ASSERT_NE(row->dueDateLabel(), nullptr);
    for (const int width : {400, 160, 90}) {
        row->view()->resize(width, row->view()->height());
        row->recalculateRow();
        SCOPED_TRACE(width);
        const QRect date(row->dueDateLabel()->mapTo(row->view(), QPoint()), row->dueDateLabel()->size());
        EXPECT_GE(date.left(), 0) << "the date starts inside the row";
        EXPECT_LE(date.right(), width) << "the date ends inside the row";
        // The whole date where it fits, shortened where not.
        if (width != 160) {
            EXPECT_EQ(row->dueDateLabel()->text() == row->dueDateLabel()->toolTip(), width == 400);
        }
        EXPECT_FALSE(date.intersects(row->infoButtonFrame().toAlignedRect()))
            << "the info button covers the date";
        EXPECT_EQ(row->infoButton()->y(), int(row->infoButtonFrame().y()));
    }
}

TEST_F(TaskRowTest, TheDueDateFollowsTheRowsCurrentWidthFromItsFirstLayout) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Call"));
    task->SetDueDate(manual.scheduler.now().addSecs(3600));
    ASSERT_TRUE(task->SaveEvent());
    // Laid out first before the row has a width, as in a window still being built.
    auto* row = dynamic_cast<TTaskViewController*>(RowControllers::make(task, card.get()));
    ASSERT_NE(row, nullptr);
    controllers.emplace_back(row);
    row->view()->resize(0, row->view()->height());
    row->recalculateRow();
    QLabel* date = row->dueDateLabel();
    ASSERT_NE(date, nullptr);
    const QString whole = date->toolTip();
    const QString ellipsis(QChar(0x2026));
    const int ellipsisWidth = date->fontMetrics().horizontalAdvance(ellipsis);
    struct Case {
        int width;
        bool wholeDate;
        bool fullPass; // the whole row recalculated, else the status bar alone arranged
    };
    const Case cases[] = {{400, true, true}, {0, false, false},   {400, true, false}, {60, false, true},
                          {1, false, false}, {120, false, false}, {400, true, true},  {90, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << (c.fullPass ? " recalculated" : " arranged"));
        row->view()->resize(c.width, row->view()->height());
        if (c.fullPass)
            row->recalculateRow();
        else
            row->arrangeStatusBar();
        const QString shown = date->text();
        EXPECT_EQ(shown == whole, c.wholeDate) << shown.toStdString();
        // Shortened, the date is the start of the whole one and an ellipsis.
        if (!c.wholeDate && !shown.isEmpty()) {
            EXPECT_TRUE(shown.endsWith(ellipsis)) << shown.toStdString();
            EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << shown.toStdString();
        }
        const int room = c.width - int(TTaskViewController::kTextX) - 4; // less the bar's inset
        if (room >= ellipsisWidth) {
            EXPECT_FALSE(shown.isEmpty());
        }
        EXPECT_EQ(date->width(), date->sizeHint().width()) << "the bar is fitted to the shown date";
    }
}

TEST_F(TaskRowTest, EveryBadgeIsDrawnAndNamed) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Call the bank"));
    task->SetImportant(true);
    task->SetNotes(QStringLiteral("Before noon"));
    task->SetDueDate(manual.scheduler.now().addDays(-1));
    task->GetEvent()->setAlarms({EKAlarm::alarmWithRelativeOffset(-600)});
    TTaskViewController* row = host(task);
    const QList<QToolButton*> buttons = row->statusBar()->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 4);
    for (QToolButton* button : buttons) {
        EXPECT_FALSE(button->icon().pixmap(16).isNull()) << button->objectName().toStdString();
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
    }
}

TEST_F(TaskRowTest, CustomAlarmShowsOnItsOwnItemAndAttendeesLockTheEvent) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Meet"));
    task->SetDueDate(manual.scheduler.now().addDays(1));
    task->GetEvent()->setAlarms({EKAlarm::alarmWithRelativeOffset(-1200)});
    ASSERT_TRUE(task->SaveEvent());
    {
        TTaskInfoViewController popover(task);
        EXPECT_EQ(popover.remindButton()->currentData().toInt(), -1);
        EXPECT_EQ(popover.remindButton()->currentText(), "20 Minutes Before");
        EXPECT_TRUE(popover.isEventEditable());
    }
    EKEventRecord record = onlyRecord();
    record.data.attendees = {QStringLiteral("ann@example.org")};
    store->putRecord(record);
    manual.scheduler.advance(0.1);
    TTaskInfoViewController popover(task);
    EXPECT_FALSE(popover.isEventEditable());
    EXPECT_FALSE(popover.eventBox()->isEnabled());
    EXPECT_FALSE(popover.eventButton()->isEnabled());
    const int writes = store->writeCount();
    popover.repeatButton()->setCurrentIndex(popover.repeatButton()->findData(1));
    popover.repeatChanged();
    EXPECT_EQ(store->writeCount(), writes);
}

TEST_F(TaskRowTest, CompletingDrawsTheStyleRemovesTheEventAndCompletesChildren) {
    defaults.setIntegerForKey(3, kPreferenceKeyCompletedTaskStyle);
    defaults.setBoolForKey(true, kPreferenceKeyCompletionAffectsChildren);
    TTask* parent = addTask(card->GetRoot(), QStringLiteral("Move house"));
    parent->SetDueDate(manual.scheduler.now().addDays(5));
    ASSERT_TRUE(parent->SaveEvent());
    TTask* shown = addTask(parent, QStringLiteral("Pack"));
    TTask* unshown = addTask(parent, QStringLiteral("Clean"));
    TTask* grandchild = addTask(unshown, QStringLiteral("Windows"));
    TTaskViewController* row = host(parent);
    TTaskViewController* child = host(shown);
    const AttributedString stored = parent->GetText();

    row->completedButton()->click();
    EXPECT_TRUE(parent->IsCompleted());
    EXPECT_FALSE(parent->HasEvent());
    EXPECT_TRUE(store->records().isEmpty());
    EXPECT_TRUE(row->editor()->isReadOnly());
    const QTextCharFormat drawn = row->editor()->document()->begin().begin().fragment().charFormat();
    EXPECT_TRUE(drawn.fontStrikeOut());
    // Drawn over the text, never stored into it.
    EXPECT_EQ(parent->GetText(), stored);

    EXPECT_TRUE(shown->IsCompleted());
    EXPECT_TRUE(child->completedButton()->isChecked());
    EXPECT_TRUE(unshown->IsCompleted());
    EXPECT_FALSE(grandchild->IsCompleted()); // no row: its own children stay

    row->completedButton()->click();
    EXPECT_FALSE(parent->IsCompleted());
    EXPECT_FALSE(row->editor()->isReadOnly());
    EXPECT_FALSE(row->editor()->document()->begin().begin().fragment().charFormat().fontStrikeOut());
    EXPECT_TRUE(shown->IsCompleted()); // unchecking never un-completes children
}

TEST_F(TaskRowTest, TheCompletedStyleNeverReachesTheStoredText) {
    defaults.setIntegerForKey(3, kPreferenceKeyCompletedTaskStyle);
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Water plants"));
    TTaskViewController* row = host(task);
    const auto struck = [](const AttributedString& text) {
        for (const AttributeRun& run : text.runs())
            if (run.attributes.strikethrough) return true;
        return false;
    };
    row->completedButton()->click();
    ASSERT_TRUE(row->editor()->document()->begin().begin().fragment().charFormat().fontStrikeOut());
    // Undo and redo of the editor while completed leave the stored text as it was.
    row->editor()->undo();
    row->editor()->redo();
    EXPECT_FALSE(struck(task->GetText()));

    // The style is switched off while the task is completed: unchecking still takes the drawn
    // style away before the text can be edited again.
    defaults.setIntegerForKey(0, kPreferenceKeyCompletedTaskStyle);
    row->completedButton()->click();
    EXPECT_FALSE(row->editor()->isReadOnly());
    EXPECT_FALSE(row->editor()->document()->begin().begin().fragment().charFormat().fontStrikeOut());
    row->editor()->moveCursor(QTextCursor::End);
    row->editor()->insertPlainText(QStringLiteral("!"));
    EXPECT_EQ(task->GetPlainText(), "Water plants!");
    EXPECT_FALSE(struck(task->GetText()));
}

TEST_F(TaskRowTest, ChangesElsewhereReachTheRowAndTypingSavesOnce) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Call"));
    task->SetDueDate(manual.scheduler.now().addDays(2));
    ASSERT_TRUE(task->SaveEvent());
    TTaskViewController* row = host(task);
    QStringList images;
    for (const TaskStatusBadge& badge : row->badges()) images << badge.image;
    EXPECT_EQ(images, QStringList{QStringLiteral("StatusEvent")});

    EKEventRecord record = onlyRecord();
    record.data.location = QStringLiteral("Office");
    store->putRecord(record);
    manual.scheduler.advance(0.1);
    ASSERT_EQ(row->badges().size(), 1);
    EXPECT_EQ(row->badges().first().image, "StatusLocation");
    EXPECT_EQ(row->badges().first().help, "Office");

    const int writes = store->writeCount();
    row->editor()->setFocus();
    row->editor()->insertPlainText(QStringLiteral(" Bob"));
    manual.scheduler.advance(0.6);
    row->editor()->insertPlainText(QStringLiteral("!"));
    manual.scheduler.advance(0.6);
    EXPECT_EQ(store->writeCount(), writes);
    manual.scheduler.advance(0.5);
    EXPECT_EQ(store->writeCount(), writes + 1);
    EXPECT_EQ(onlyRecord().data.title, "Call Bob!");
}

TEST_F(TaskRowTest, LongTextPutsTheBarBelowAndShowInCalendarOpensTheEventFile) {
    TTask* task = addTask(card->GetRoot(), QStringLiteral("Short"));
    task->SetDueDate(manual.scheduler.now().addDays(2));
    ASSERT_TRUE(task->SaveEvent());
    TTaskViewController* row = host(task);
    EXPECT_FALSE(row->statusBarOnBottom());
    const int shortHeight = row->view()->height();
    EXPECT_LE(row->statusBar()->geometry().right() + 1, 400 - 24);

    task->SetText(QString(60, QLatin1Char('w')) + QStringLiteral(" and much more text that wraps"));
    row->update();
    row->recalculateRow();
    EXPECT_TRUE(row->statusBarOnBottom());
    EXPECT_GE(row->view()->height(), shortHeight + row->statusBar()->height() + 12);
    EXPECT_EQ(row->statusBar()->geometry().bottom() + 1, row->view()->height() - 4);

    // Not a store with event files: an alert, and nothing opened.
    RecordingWorkspace workspace;
    Workspace::setShared(&workspace);
    ScopedScriptedAlertPresenter alerts;
    row->showInCalendar();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions().front().alert.informativeText,
              "The event could not be shown in the calendar due to an error.");
    EXPECT_TRUE(workspace.requests.isEmpty());

    auto vdir = VdirEventStore::create(folder.filePath(QStringLiteral("calendars")));
    SetEventStore(vdir);
    TTask* filed = addTask(card->GetRoot(), QStringLiteral("Filed"));
    filed->SetDueDate(manual.scheduler.now().addDays(1));
    ASSERT_TRUE(filed->SaveEvent());
    TTaskViewController* filedRow = host(filed);
    filedRow->showInCalendar();
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests.first().kind, "openURL");
    EXPECT_TRUE(workspace.requests.first().arguments.first().endsWith(QStringLiteral(".ics")));
    EXPECT_TRUE(QFileInfo::exists(QUrl(workspace.requests.first().arguments.first()).toLocalFile()));
    Workspace::setShared(nullptr);
    controllers.clear();
    filed->RemoveEvent();
}

TEST(TaskRowText, DueDateWordsWithAFixedClock) {
    ManualClock clock(QDateTime(QDate(2026, 3, 10), QTime(9, 0), Qt::UTC), QTimeZone::utc());
    Clock::setShared(&clock);
    const QLocale original;
    // To the minute, in every locale (C's own short form has seconds).
    for (const QLocale& locale : {original, QLocale::c()}) {
        QLocale::setDefault(locale);
        const QString today = DueDateString(QDateTime(QDate(2026, 3, 10), QTime(15, 30), Qt::UTC));
        const QString nextWeek = DueDateString(QDateTime(QDate(2026, 3, 17), QTime(15, 30), Qt::UTC));
        const QString time = locale.toString(QTime(15, 30), DateUtilities::shortTimeFormat(locale));
        EXPECT_TRUE(today.startsWith(QStringLiteral("Today"))) << today.toStdString();
        EXPECT_TRUE(today.endsWith(time)) << today.toStdString();
        EXPECT_FALSE(today.contains(QStringLiteral("30:00"))) << today.toStdString();
        EXPECT_FALSE(nextWeek.contains(time)) << nextWeek.toStdString();
    }
    QLocale::setDefault(original);
    Clock::setShared(nullptr);
}

TEST(LinkURLs, TypedAddressesAreCheckedStrictly) {
    struct Case {
        const char* typed;
        const char* url; // empty: refused
    };
    const Case cases[] = {
        {"example.com", "http://example.com"},
        {"example.com:8080/a", "http://example.com:8080/a"},
        {"example.com:8080?q=1", "http://example.com:8080?q=1"},
        {"localhost:3000#top", "http://localhost:3000#top"},
        {"~nosuchuser-here/notes.txt", ""},
        {"https://example.com/x?y=1", "https://example.com/x?y=1"},
        {"HTTPS://Example.com", "https://example.com"},
        {"mailto:ann@example.org", "mailto:ann@example.org"},
        {"message:%3Cid@host%3E", "message:%3Cid@host%3E"},
        {"http://", ""},
        {"http://exa mple.com", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const Case& c : cases) {
        QString error;
        const std::optional<QUrl> url = LinkURL::fromUserText(QString::fromUtf8(c.typed), &error);
        if (*c.url) {
            ASSERT_TRUE(url.has_value()) << c.typed << " " << error.toStdString();
            EXPECT_EQ(url->toString(), QString::fromUtf8(c.url)) << c.typed;
        } else {
            EXPECT_FALSE(url.has_value()) << c.typed;
            EXPECT_FALSE(error.isEmpty()) << c.typed;
        }
    }
    EXPECT_EQ(LinkURL::fromUserText(QStringLiteral("~/notes.txt"))->toLocalFile(),
              QDir::homePath() + QStringLiteral("/notes.txt"));
    const QString scheme = URISchemeBundle();
    EXPECT_TRUE(LinkURL::isOwnScheme(QUrl(scheme.toUpper() + QStringLiteral("://goto?card=1"))));
    EXPECT_FALSE(LinkURL::isOwnScheme(QUrl(QStringLiteral("http://goto"))));
    EXPECT_EQ(LinkURL::openable(QUrl(QStringLiteral("example.com"))).toString(), "http://example.com");
}

class AttachmentRowTest : public TaskRowTest {
protected:
    template <class T> T* hostRow(TCardItem* item, int width = 400) {
        auto* controller = dynamic_cast<T*>(RowControllers::make(item, card.get()));
        EXPECT_NE(controller, nullptr);
        controllers.emplace_back(controller);
        controller->view()->resize(width, controller->view()->height());
        controller->recalculateRow();
        return controller;
    }
    template <class T> T* add(T* item) {
        card->GetRoot()->AddChild(item);
        item->Release();
        return item;
    }
    // Runs the thumbnails started so far and their hand-backs.
    static void finishThumbnails() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
    }
};

TEST_F(AttachmentRowTest, LinkPopoverRefusesBadAddressesAndKeepsTheOldLink) {
    TURLAttachment* item = add(TURLAttachment::Create(QUrl(QStringLiteral("https://example.com"))));
    item->SetText(QStringLiteral("Example"));
    auto* row = hostRow<TURLAttachmentViewController>(item);
    EXPECT_TRUE(row->displayInfoButton());

    TURLInfoViewController popover(item);
    EXPECT_EQ(popover.nameField()->text(), "Example");
    EXPECT_EQ(popover.urlField()->text(), "https://example.com");
    popover.urlField()->setText(QStringLiteral("http://exa mple.com"));
    EXPECT_FALSE(popover.urlChanged());
    EXPECT_EQ(item->GetURL(), QUrl(QStringLiteral("https://example.com")));
    EXPECT_FALSE(popover.messageLabel()->text().isEmpty());
    EXPECT_EQ(popover.urlField()->text(), "https://example.com");

    popover.urlField()->setText(QStringLiteral("example.org/page"));
    EXPECT_TRUE(popover.urlChanged());
    EXPECT_EQ(item->GetURL(), QUrl(QStringLiteral("http://example.org/page")));
    EXPECT_TRUE(popover.messageLabel()->text().isEmpty());

    popover.nameField()->setText(QStringLiteral("Page"));
    popover.nameChanged();
    EXPECT_EQ(item->GetPlainText(), "Page");
    EXPECT_EQ(row->editor()->toPlainText(), "Page"); // the row shows it at once
    const QString anchor = row->editor()->document()->begin().begin().fragment().charFormat().anchorHref();
    EXPECT_EQ(anchor, "http://example.org/page");
}

TEST_F(AttachmentRowTest, OwnLinksInRowsGoToTheApplicationAndOthersToTheDesktop) {
    RecordingWorkspace workspace;
    Workspace::setShared(&workspace);
    QList<QUrl> handled;
    LinkURL::setOwnLinkHandler([&handled](const QUrl& url) { handled.append(url); });
    TURLAttachmentViewController::setPreviewHandler([](const QUrl&, const QString&) { return true; });
    const QUrl own(URISchemeBundle().toUpper() + QStringLiteral("://goto?card=ABC"));

    // A click on the link of a "Hyperlink" row.
    TURLAttachment* item = add(TURLAttachment::Create(own));
    item->SetText(QStringLiteral("Plans"));
    auto* row = hostRow<TURLAttachmentViewController>(item);
    row->view()->show();
    TCardTextView* editor = row->editor();
    QTextCursor inside(editor->document());
    inside.setPosition(1);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, editor->cursorRect(inside).center());
    EXPECT_EQ(handled, QList<QUrl>{own});
    // Its preview (Space) too: the program's own link is no page to preview.
    EXPECT_FALSE(row->showPreview());
    EXPECT_EQ(handled, (QList<QUrl>{own, own}));

    // Another link clicked in a row's text goes to the desktop.
    EXPECT_TRUE(row->clickedOnLink(QUrl(QStringLiteral("https://example.org/"))));
    EXPECT_EQ(handled.size(), 2);
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests.first().kind, "openURL");

    TURLAttachmentViewController::setPreviewHandler({});
    LinkURL::setOwnLinkHandler({});
    Workspace::setShared(nullptr);
}

TEST_F(AttachmentRowTest, MissingFileKeepsItsPathAndCanBeLocated) {
    const QString gone = QStringLiteral("/nonexistent/other-machine/report.pdf");
    TFileAttachment* item = add(TFileAttachment::Create(gone));
    auto* row = hostRow<TFileAttachmentViewController>(item);
    EXPECT_TRUE(row->isFileMissing());
    EXPECT_EQ(item->GetPath(), gone);
    finishThumbnails();
    EXPECT_EQ(item->GetPath(), gone);

    TFileInfoViewController popover(item);
    EXPECT_TRUE(popover.urlField()->isReadOnly());
    EXPECT_EQ(popover.urlLabel()->text(), "Path");
    EXPECT_FALSE(popover.locateButton()->isHidden());
    ScopedScriptedPanelPresenter panels;
    EXPECT_FALSE(popover.locateFile()); // cancelled: nothing changes
    EXPECT_EQ(item->GetPath(), gone);

    const QString found = folder.filePath(QStringLiteral("report.pdf"));
    QFile file(found);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    panels.setNextChoice({found});
    EXPECT_TRUE(popover.locateFile());
    EXPECT_EQ(item->GetPath(), found);
    EXPECT_FALSE(row->isFileMissing());
    EXPECT_TRUE(popover.locateButton()->isHidden());
}

TEST_F(AttachmentRowTest, ThumbnailReachesALivingRowAndNotAGoneOne) {
    const QString path = folder.filePath(QStringLiteral("picture.png"));
    QImage picture(200, 100, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(path));

    TFileAttachment* item = add(TFileAttachment::Create(path));
    item->SetImageSize(QSizeF(64, 64));
    auto* row = hostRow<TFileAttachmentViewController>(item);
    finishThumbnails();
    EXPECT_EQ(row->image().size(), QSize(64, 32));
    EXPECT_EQ(row->image().pixelColor(10, 10), QColor(Qt::red));

    // The row goes before its thumbnail comes back: the hand-back does nothing.
    TFileAttachment* other = add(TFileAttachment::Create(path));
    other->SetImageSize(QSizeF(64, 64));
    auto* gone = RowControllers::make(other, card.get());
    delete gone;
    finishThumbnails();
    EXPECT_EQ(other->GetViewRepresentation(), nullptr);

    // A small icon makes no thumbnail.
    TFileAttachment* small = add(TFileAttachment::Create(path));
    small->SetImageSize(QSizeF(16, 16));
    auto* plain = hostRow<TFileAttachmentViewController>(small);
    const QImage icon = plain->image();
    finishThumbnails();
    EXPECT_EQ(plain->image(), icon);
}

TEST_F(AttachmentRowTest, ImageRowsFitTheRowWidthAndKindsWithoutPopoverShowNoButton) {
    struct Case {
        QSize image;
        int height;
    };
    for (const Case& c : {Case{{400, 200}, 100}, Case{{50, 50}, 50}}) {
        QImage image(c.image, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        auto* row = hostRow<TImageAttachmentViewController>(add(TImageAttachment::Create(image)), 220);
        EXPECT_DOUBLE_EQ(row->rowHeight(), c.height) << c.image.width();
        EXPECT_EQ(row->imageView()->height(), c.height);
        // The row holds the picture decoded to its frame, not whole.
        EXPECT_EQ(row->image().height(), c.height * row->imageView()->devicePixelRatioF()) << c.image.width();
        EXPECT_FALSE(row->displayInfoButton());
        EXPECT_TRUE(row->editor()->isHidden());
    }
    auto* mail = hostRow<TMailAttachmentViewController>(
        add(TMailAttachment::Create(QUrl(QStringLiteral("message:%3Cid@host%3E")))));
    EXPECT_FALSE(mail->displayInfoButton());
    EXPECT_EQ(mail->urlAttachment()->GetURL().scheme(), "message");
}

TEST_F(AttachmentRowTest, ImagePopoverScalesTheItemSize) {
    QImage image(300, 120, QImage::Format_ARGB32);
    image.fill(Qt::green);
    TImageAttachment* item = add(TImageAttachment::Create(image));
    auto* row = hostRow<TImageAttachmentViewController>(item, 220);
    const double height = row->rowHeight();
    TImageInfoViewController popover(item);
    popover.sizeSlider()->setValue(50);
    EXPECT_EQ(item->GetImageSize(), QSizeF(150, 60));
    EXPECT_DOUBLE_EQ(row->rowHeight(), height); // sized from the image itself
}

TEST_F(TaskRowTest, SidebarRowsShowCreationDatesOnlyWhenAsked) {
    ManualClock clock(QDateTime(QDate(2026, 3, 10), QTime(9, 5), Qt::UTC), QTimeZone::utc());
    Clock::setShared(&clock);
    Ref<TCard> created = Ref<TCard>::adopt(TListCard::Create(QStringLiteral("Today's")));
    {
        TSidebarRowViewController row(created.get());
        EXPECT_TRUE(row.captionHidden()); // "showDatesInSideBar" off
        EXPECT_EQ(row.rowHeight(), 22);
        EXPECT_TRUE(row.captionText().startsWith(QStringLiteral("Today"))) << row.captionText().toStdString();
        EXPECT_TRUE(row.captionText().contains(
            QLocale().toString(QTime(9, 5), DateUtilities::shortTimeFormat(QLocale()))));
        EXPECT_EQ(row.titleColor(), QColor(Qt::black));
        EXPECT_FALSE(row.titleChanged(QString()));
        EXPECT_EQ(created->GetTitle(), "Today's");
        EXPECT_TRUE(row.titleChanged(QStringLiteral("Renamed")));
        EXPECT_EQ(created->GetTitle(), "Renamed");
    }
    defaults.setBoolForKey(true, kPreferenceKeyShowDatesInSideBar);
    clock.setNow(clock.now().addDays(3));
    TSidebarRowViewController row(created.get());
    EXPECT_FALSE(row.captionHidden());
    EXPECT_EQ(row.rowHeight(), 34);
    EXPECT_EQ(row.view()->height(), 34);
    EXPECT_FALSE(row.captionText().startsWith(QStringLiteral("Today")));
    EXPECT_FALSE(row.captionText().startsWith(QStringLiteral("Yesterday")));
    Clock::setShared(nullptr);
}

} // namespace

TEST(TaskInfoPopover, TheDueDateIsShownToTheMinute) {
    for (const char* name : {"C", "en_US", "de_DE", "fi_FI", "ja_JP"}) {
        const QString format = TTaskInfoViewController::dueDateFormat(QLocale(QString::fromLatin1(name)));
        EXPECT_FALSE(format.contains(u's')) << name << " " << format.toStdString();
        EXPECT_TRUE(format.contains(QStringLiteral("mm"))) << name << " " << format.toStdString();
        EXPECT_FALSE(format.endsWith(u':') || format.endsWith(u'.')) << name << " " << format.toStdString();
    }
}
