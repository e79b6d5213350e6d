#include "ToolkitTestSupport.h"
#include "platform/Scheduler.h"
#include "toolkit/NSLabelField.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kWillBecome = kNSLabelFieldWillBecomeActiveNotification;
const QString kDidBecome = kNSLabelFieldDidBecomeActiveNotification;
const QString kWillResign = kNSLabelFieldWillResignActiveNotification;
const QString kDidResign = kNSLabelFieldDidResignActiveNotification;

class LabelFieldTest : public ::testing::Test {
protected:
    NSLabelField* makeField() {
        auto* field = new NSLabelField(QStringLiteral("Groceries"), &window);
        field->setGeometry(10, 10, 150, 24);
        QPalette p = field->palette();
        p.setColor(QPalette::Text, Qt::red);
        field->setPalette(p);
        return field;
    }
    void SetUp() override {
        window.resize(300, 100);
        m_other = new QWidget(&window);
        m_other->setFocusPolicy(Qt::StrongFocus);
        m_other->setGeometry(200, 10, 50, 24);
        window.show();
        QApplication::setActiveWindow(&window);
    }
    QWidget* other() { return m_other; }

    ScopedManualScheduler clock;
    QWidget window;
    QWidget* m_other = nullptr;
};

TEST_F(LabelFieldTest, DoubleClickRenameGivesTheFourNoticesInOrder) {
    NSLabelField* field = makeField();
    field->show();
    NoticeRecorder notices(field);
    QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_TRUE(field->editMode());
    EXPECT_EQ(field->selectedText(), "Groceries");
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(Qt::white)); // readable on any backdrop
    EXPECT_EQ(notices.names, QStringList({kWillBecome, kDidBecome}));

    QTest::keyClicks(field, "Shopping");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->editMode());
    EXPECT_EQ(field->text(), "Shopping");
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(field->palette().color(QPalette::Base).alpha(), 0);
    EXPECT_EQ(notices.names, QStringList({kWillBecome, kDidBecome, kWillResign, kDidResign}));
}

TEST_F(LabelFieldTest, SlowClickActivatesOnlyWhenLongEnoughAndInPlace) {
    struct Case {
        double seconds;
        QPoint release;
        bool activates;
    };
    const Case cases[] = {{0.6, {20, 12}, true}, {0.4, {20, 12}, false}, {0.6, {21, 12}, false}};
    for (const Case& c : cases) {
        NSLabelField* field = makeField();
        field->setActivationMode(NSLabelField::SlowClick);
        field->show();
        QTest::mousePress(field, Qt::LeftButton, {}, QPoint(20, 12));
        clock.scheduler.advance(c.seconds);
        QTest::mouseRelease(field, Qt::LeftButton, {}, c.release);
        EXPECT_EQ(field->editMode(), c.activates) << c.seconds << " " << c.release.x();
        EXPECT_EQ(field->hasFocus(), c.activates) << c.seconds << " " << c.release.x();
        delete field;
    }
}

TEST_F(LabelFieldTest, EachModeIgnoresTheOthersActivation) {
    NSLabelField* slow = makeField();
    slow->setActivationMode(NSLabelField::SlowClick);
    slow->show();
    QTest::mouseDClick(slow, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_FALSE(slow->editMode());

    NSLabelField* quick = makeField();
    quick->show();
    QTest::mousePress(quick, Qt::LeftButton, {}, QPoint(20, 12));
    clock.scheduler.advance(0.6);
    QTest::mouseRelease(quick, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_FALSE(quick->editMode());
}

TEST_F(LabelFieldTest, FocusEndsEditingWhenItGoesElsewhereInTheWindow) {
    NSLabelField* field = makeField();
    field->show();
    NoticeRecorder notices(field);
    field->makeFirstResponder();
    EXPECT_TRUE(field->editMode());
    other()->setFocus();
    EXPECT_FALSE(field->editMode());
    EXPECT_EQ(notices.names, QStringList({kWillBecome, kDidBecome, kWillResign, kDidResign}));
}

TEST_F(LabelFieldTest, BecomingFirstResponderAgainPostsOnlyDidBecome) {
    NSLabelField* field = makeField();
    field->show();
    field->setEditMode(true);
    NoticeRecorder notices(field);
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(notices.names, QStringList({kDidBecome}));
    field->setEditMode(true);
    EXPECT_EQ(notices.names, QStringList({kDidBecome})); // the same value posts nothing
}

TEST_F(LabelFieldTest, FieldThatDoesNotAllowEditingStaysALabel) {
    NSLabelField* field = makeField();
    field->setAllowsEditing(false);
    field->show();
    NoticeRecorder notices(field);
    QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_FALSE(field->becomeFirstResponder());
    field->makeFirstResponder();
    EXPECT_FALSE(field->editMode());
    EXPECT_FALSE(field->hasFocus());
    EXPECT_TRUE(notices.names.isEmpty());
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::red));
}

} // namespace
