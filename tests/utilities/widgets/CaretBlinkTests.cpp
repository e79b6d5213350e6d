#include "platform/Scheduler.h"
#include "utilities/widgets/CaretBlink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

class CaretBlinkTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setCursorFlashTime(kFlashTime); }
    void TearDown() override { QApplication::setCursorFlashTime(m_flashTime); }
    static constexpr int kFlashTime = 1000;
    ScopedManualScheduler scheduler;
    ManualScheduler& clock = scheduler.scheduler;
    QLineEdit field;

private:
    int m_flashTime = QApplication::cursorFlashTime();
};

TEST_F(CaretBlinkTest, TheCaretRestsAfterTheLastInputAndBlinksAgainWithTheNext) {
    auto caret = std::make_unique<CaretBlink>();
    clock.advance(CaretBlink::kBlinkSeconds - 1);
    EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime);
    clock.advance(1);
    EXPECT_EQ(QApplication::cursorFlashTime(), 0);

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    for (QEvent* input : std::initializer_list<QEvent*>{&key, &click}) {
        QApplication::sendEvent(&field, input);
        EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime);
        clock.advance(CaretBlink::kBlinkSeconds - 1);
        QApplication::sendEvent(&field, input); // each input holds the rest off again
        clock.advance(CaretBlink::kBlinkSeconds - 1);
        EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime);
        clock.advance(1);
        EXPECT_EQ(QApplication::cursorFlashTime(), 0);
    }

    // A paint or a timer is no input.
    QEvent paint(QEvent::UpdateRequest);
    QApplication::sendEvent(&field, &paint);
    EXPECT_EQ(QApplication::cursorFlashTime(), 0);

    caret.reset();
    EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime);
    EXPECT_EQ(clock.pendingCount(), 0);
}

} // namespace
