#include "platform/Questions.h"
#include "platform/app/MessageBoxAlertPresenter.h"
#include "utilities/widgets/ControlUtilities.h"
#include "utilities/widgets/NSColoredScroller.h"
#include "utilities/widgets/WindowUtilities.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(ColoredScroller, DrawsItsTrackAndKnobInTheirColours) {
    std::unique_ptr<NSColoredScroller> scroller(
        NSColoredScroller::verticalScroller(NSColoredScroller::ControlSize::Regular, Qt::red, Qt::blue));
    scroller->setRange(0, 100);
    scroller->setPageStep(100);
    scroller->setValue(0);
    scroller->resize(16, 200);
    const QImage image = scroller->grab().toImage();
    const QRect knob = scroller->knobRect();
    ASSERT_TRUE(knob.isValid());
    EXPECT_GE(knob.height(), 100); // no arrows take room: the knob spans half the track or more
    EXPECT_EQ(image.pixelColor(knob.center()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(1, knob.center().y()), QColor(Qt::blue)); // the inset shows the track
    EXPECT_EQ(scroller->trackRadius(), 8);
    EXPECT_EQ(scroller->knobRadius(), 6);
    scroller->setControlSize(NSColoredScroller::ControlSize::Mini);
    EXPECT_EQ(scroller->knobRadius(), 2);
}

TEST(ColoredScroller, OrientationFollowsTheFrame) {
    std::unique_ptr<NSColoredScroller> plain(NSColoredScroller::scroller());
    EXPECT_FALSE(plain->isVertical());
    plain->resize(10, 30);
    EXPECT_TRUE(plain->isVertical());
    std::unique_ptr<NSColoredScroller> across(
        NSColoredScroller::horizontalScroller(NSColoredScroller::ControlSize::Small));
    EXPECT_FALSE(across->isVertical());
    EXPECT_EQ(across->sliderColor(), QColor(Qt::white));
    EXPECT_EQ(across->knobInset(), 2);
}

TEST(SplitView, SliderPositionAndCollapsing) {
    QSplitter splitter(Qt::Horizontal);
    splitter.addWidget(new QWidget);
    splitter.addWidget(new QWidget);
    splitter.resize(400, 100);
    splitter.setSizes({150, 250});
    splitter.show();
    EXPECT_FALSE(SplitViewUtilities::isCollapsed(&splitter));
    EXPECT_EQ(SplitViewUtilities::sliderPosition(&splitter), splitter.sizes()[0]);
    EXPECT_NEAR(splitter.sizes()[0], 150, 2);
    SplitViewUtilities::setRightPaneCollapsed(&splitter, true);
    EXPECT_TRUE(SplitViewUtilities::isCollapsed(&splitter));
    EXPECT_EQ(SplitViewUtilities::sliderPosition(&splitter),
              SplitViewUtilities::maxPossiblePosition(&splitter));
    SplitViewUtilities::setRightPaneCollapsedRestorePosition(&splitter, false, 200);
    EXPECT_EQ(SplitViewUtilities::sliderPosition(&splitter), 200);
    SplitViewUtilities::setLeftPaneCollapsed(&splitter, true);
    EXPECT_EQ(SplitViewUtilities::sliderPosition(&splitter), 0);
    SplitViewUtilities::setLeftPaneCollapsed(&splitter, false);
    EXPECT_EQ(SplitViewUtilities::sliderPosition(&splitter),
              SplitViewUtilities::minPossiblePosition(&splitter) + 100);
}

TEST(Controls, CheckedStatesCountOnlyOn) {
    QCheckBox box;
    box.setTristate(true);
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(ButtonUtilities::checkedState(&box));
    ButtonUtilities::setChecked(&box, true);
    EXPECT_TRUE(ButtonUtilities::checkedState(&box));

    QMenu menu;
    bool ran = false;
    QAction* item = MenuItemUtilities::itemWithTitleActionTargetTag(
        "Open", [&] { ran = true; }, &menu, 7);
    menu.addAction(item);
    EXPECT_EQ(MenuItemUtilities::tag(item), 7);
    EXPECT_TRUE(item->shortcut().isEmpty());
    item->trigger();
    EXPECT_TRUE(ran);
    MenuUtilities::setMenuItemCheckedAtIndex(&menu, true, 0);
    MenuUtilities::setMenuItemCheckedAtIndex(&menu, true, 5);
    EXPECT_TRUE(MenuItemUtilities::checkedState(item));
}

TEST(Controls, PopupFindsByTagAndRepresentedObject) {
    QComboBox popup;
    popup.addItem("Red");
    popup.setItemData(0, 3, PopupButtonUtilities::kTagRole);
    popup.addItem("Blue");
    popup.setItemData(1, 9, PopupButtonUtilities::kTagRole);
    popup.setItemData(1, QStringLiteral("blue"), PopupButtonUtilities::kRepresentedObjectRole);
    EXPECT_EQ(PopupButtonUtilities::itemWithTag(&popup, 9), 1);
    EXPECT_EQ(PopupButtonUtilities::itemWithTag(&popup, 4), -1);
    PopupButtonUtilities::selectItemWithRepresentedObject(&popup, QStringLiteral("blue"));
    EXPECT_EQ(PopupButtonUtilities::tagOfSelectedItem(&popup), 9);
}

TEST(Controls, BoxEnablesItsControlsOnly) {
    QGroupBox box;
    auto* field = new QLineEdit(&box);
    auto* label = new QLabel(&box);
    BoxUtilities::setEnabled(&box, false);
    EXPECT_FALSE(field->isEnabled());
    EXPECT_TRUE(label->isEnabled());
    QLineEdit tokens;
    tokens.setText(" work, home ,, ");
    EXPECT_EQ(TokenFieldUtilities::tokens(&tokens), (QStringList{"work", "home"}));
}

TEST(Events, ModifiersAndReturnKeys) {
    const QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, "\r");
    const QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    const QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, "a");
    EXPECT_TRUE(EventUtilities::isReturnKey(&enter));
    EXPECT_EQ(EventUtilities::keyUnicode(&enter), 3);
    EXPECT_TRUE(EventUtilities::isReturnKey(&ret));
    EXPECT_FALSE(EventUtilities::isReturnKey(&a));
    EXPECT_TRUE(EventUtilities::isCommandKeyDown(&a));
    EXPECT_TRUE(EventUtilities::isOptionKeyDown(&a));
    EXPECT_FALSE(EventUtilities::isControlKeyDown(&a));
    EXPECT_EQ(EventUtilities::keyChar(&a), 'a');
    const auto moved = EventUtilities::mouseEventWithType(QEvent::MouseMove);
    EXPECT_EQ(moved->type(), QEvent::MouseMove);
    EXPECT_EQ(moved->modifiers(), Qt::NoModifier);
    EXPECT_GE(EventUtilities::timeSinceLastEvent(), 0);
}

TEST(MessageBoxAlerts, InformativeTextIsPlainAndTheClickedButtonIsAnswered) {
    QWidget window;
    window.show();
    MessageBoxAlertPresenter presenter;
    Alert alert{"Sheet", "100% <b>done</b>", {"Ok", "Cancel"}, Alert::Style::Warning};
    int answer = 0;
    presenter.beginSheet(alert, &window, [&](int chosen) { answer = chosen; });
    auto* box = window.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), "100% <b>done</b>");
    QPushButton* cancel = nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == "Cancel") cancel = qobject_cast<QPushButton*>(b);
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_EQ(answer, NSAlertSecondButtonReturn);
}

TEST(MessageBoxAlerts, EscapeAndCloseAnswerCancelOrNothing) {
    struct Case {
        QStringList buttons;
        int answer; // for Escape and for the close button alike
    };
    const Case cases[] = {
        {{"Yes", "No", "Cancel"}, NSAlertThirdButtonReturn},
        {{"Ok", "Cancel"}, NSAlertSecondButtonReturn},
        // Never "Yes" (or any other button) picked for the person.
        {{"No", "Yes"}, NSModalResponseAbort},
        {{"Ok"}, NSModalResponseAbort},
    };
    const std::pair<const char*, std::function<void(QMessageBox*)>> ways[] = {
        {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"close", [](QMessageBox* box) { box->close(); }},
    };
    MessageBoxAlertPresenter presenter;
    for (const Case& c : cases) {
        for (const auto& [way, end] : ways) {
            QWidget window;
            window.show();
            int answer = 0;
            presenter.beginSheet({"Keep which version?", "", c.buttons, Alert::Style::Informational}, &window,
                                 [&](int chosen) { answer = chosen; });
            auto* box = window.findChild<QMessageBox*>();
            ASSERT_NE(box, nullptr);
            end(box);
            EXPECT_EQ(answer, c.answer) << c.buttons.join(',').toStdString() << " " << way;
            // The modal form answers alike.
            QWidget other;
            other.show();
            QTimer::singleShot(0, &other, [&] {
                if (auto* modal = other.findChild<QMessageBox*>()) end(modal);
            });
            EXPECT_EQ(presenter.runModal({"Keep which version?", "", c.buttons, Alert::Style::Informational},
                                         &other),
                      c.answer)
                << c.buttons.join(',').toStdString() << " " << way << " (modal)";
        }
    }
}

TEST(MessageBoxAlerts, AModalAlertWhoseWindowGoesAwayMeanwhileReturns) {
    auto* window = new QWidget;
    window->show();
    QTimer::singleShot(0, qApp, [window] { delete window; }); // runs inside the box's own loop
    MessageBoxAlertPresenter presenter;
    EXPECT_EQ(presenter.runModal({"Closing", "", {"Ok", "Cancel"}, Alert::Style::Warning}, window),
              NSModalResponseAbort);
}

TEST(MessageBoxAlerts, AQuestionNobodyAnswersIsNeverAnsweredWithItsFirstButton) {
    MessageBoxAlertPresenter presenter;
    const Alert alert{"Delete the sheet?", "", {"OK", "Cancel"}, Alert::Style::Warning};
    struct Case {
        const char* name;
        std::function<void()> meanwhile; // runs inside the box's own loop
    };
    const Case cases[] = {
        // What the signal handler did: end every loop.
        {"every loop ended", [] { QCoreApplication::exit(0); }},
        {"quit asked for", [] { Questions::requestQuit(); }},
    };
    for (const Case& c : cases) {
        int answer = 0;
        bool openMeanwhile = false;
        // Inside the application's loop, as in the program, so ending every loop ends it too.
        QTimer::singleShot(0, qApp, [&] {
            QTimer::singleShot(0, qApp, [&] {
                openMeanwhile = Questions::isOpen();
                c.meanwhile();
            });
            answer = presenter.runModal(alert);
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        EXPECT_TRUE(openMeanwhile) << c.name;
        EXPECT_EQ(answer, NSModalResponseAbort) << c.name;
        EXPECT_FALSE(Questions::isOpen()) << c.name;
    }
    // Once a quit was asked for, nothing is shown.
    EXPECT_EQ(presenter.runModal(alert), NSModalResponseAbort);
    const QWidgetList shown = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(shown.cbegin(), shown.cend(),
                             [](QWidget* w) { return qobject_cast<QMessageBox*>(w) && w->isVisible(); }));
    Questions::reset();
}

} // namespace
