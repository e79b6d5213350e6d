#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "utilities/CGDrawing.h"
#include "utilities/widgets/ViewUtilities.h"

#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace {

class Panel : public QFrame {
public:
    using QFrame::QFrame;
};
class SpecialPanel : public Panel {
public:
    using Panel::Panel;
};

TEST(ViewUtilities, SuperviewOfClassMatchesTheExactClass) {
    QWidget window;
    auto* special = new SpecialPanel(&window);
    auto* frame = new QFrame(special);
    auto* leaf = new QWidget(frame);
    EXPECT_EQ(ViewUtilities::superviewOfClass<Panel>(leaf), nullptr); // a subclass does not match
    EXPECT_EQ(ViewUtilities::superviewOfClass<SpecialPanel>(leaf), special);
    EXPECT_EQ(ViewUtilities::superviewOfClass<QFrame>(leaf), frame);
    EXPECT_EQ(ViewUtilities::superviewOfClass<QFrame>(frame), nullptr); // ancestors only
    EXPECT_EQ(ViewUtilities::superviewOfClass<QWidget>(leaf), &window);

    std::unique_ptr<Panel> made(ViewUtilities::view<Panel>());
    EXPECT_EQ(made->geometry(), QRect(0, 0, 0, 0));
}

TEST(ViewUtilities, FirstResponderNeedsAWindow) {
    QLineEdit loose;
    {
        Diagnostics::Capture capture;
        ViewUtilities::makeFirstResponder(&loose);
        EXPECT_EQ(capture.lines(),
                  QStringList{"Warning: view can't become first responder until a window is set."});
    }
    EXPECT_FALSE(ViewUtilities::isFirstResponder(&loose));

    QWidget window;
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    Diagnostics::Capture capture;
    ViewUtilities::makeFirstResponder(second);
    EXPECT_TRUE(ViewUtilities::isFirstResponder(second));
    EXPECT_FALSE(ViewUtilities::isFirstResponder(first));
    ViewUtilities::makeFirstResponder(first);
    EXPECT_TRUE(ViewUtilities::isFirstResponder(first));
    EXPECT_TRUE(capture.lines().isEmpty());
}

TEST(ViewUtilities, SnapshotsAtAnOpacity) {
    QWidget view;
    view.resize(30, 20);
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::red);
    view.setPalette(palette);

    const QImage full = ViewUtilities::viewImage(&view, 1);
    ASSERT_EQ(full.size(), QSize(30, 20));
    EXPECT_EQ(full.pixelColor(15, 10), QColor(Qt::red));
    const QImage half = ViewUtilities::viewImage(&view, 0.5);
    EXPECT_NEAR(half.pixelColor(15, 10).alpha(), 128, 2);
    const QImage none = ViewUtilities::viewImage(&view, 0);
    ASSERT_EQ(none.size(), QSize(30, 20));
    bool clear = true;
    for (int y = 0; y < none.height(); ++y)
        for (int x = 0; x < none.width(); ++x) clear = clear && none.pixelColor(x, y).alpha() == 0;
    EXPECT_TRUE(clear);

    EXPECT_EQ(ViewUtilities::copyCGImage(&view, QRectF(5, 5, 10, 4)).size(), QSize(10, 4));
    EXPECT_TRUE(ViewUtilities::copyCGImage(&view, QRectF(5, 5, 0, 4)).isNull());
    EXPECT_TRUE(ViewUtilities::viewImage(nullptr, 1).isNull());
}

TEST(ViewUtilities, ScreenConversionsRoundTrip) {
    QWidget window;
    window.setGeometry(100, 120, 300, 200);
    auto* child = new QWidget(&window);
    child->setGeometry(40, 30, 100, 100);
    QWidget other;
    other.setGeometry(500, 400, 100, 100);
    window.show();
    other.show();

    const QPointF point(7.5, 3.25);
    const QPointF onScreen = ViewUtilities::convertPointToScreen(child, point);
    EXPECT_EQ(onScreen - point, QPointF(child->mapToGlobal(QPoint(0, 0))));
    EXPECT_EQ(ViewUtilities::convertPointFromScreen(child, onScreen), point);
    const QRectF rect(1, 2, 30, 40);
    EXPECT_EQ(ViewUtilities::convertRectFromScreen(child, ViewUtilities::convertRectToScreen(child, rect)),
              rect);
    const QRectF inOther = ViewUtilities::convertRectToWindow(child, rect, &other);
    EXPECT_EQ(inOther.size(), rect.size());
    EXPECT_EQ(inOther.topLeft(), QPointF(other.mapFromGlobal(child->mapToGlobal(QPoint(1, 2)))));
}

TEST(ViewUtilities, ContextsAreTheCurrentPainter) {
    QWidget view;
    EXPECT_EQ(ViewUtilities::CGContext(&view), nullptr);
    QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    CGUtilities::NSGraphicsContextOpenCGContext(painter);
    EXPECT_EQ(ViewUtilities::CGContext(&view), &painter);
    EXPECT_EQ(ViewUtilities::flippedContext(&view), &painter);
    CGUtilities::NSGraphicsContextCloseCGContext(painter);
}

TEST(ViewFading, FadesRunOnTheSchedulerAndTellTheirDelegate) {
    ScopedManualScheduler clock;
    QWidget window;
    window.show();
    QList<bool> calls;
    const auto delegate = [&](bool finished) { calls << finished; };

    ViewFading::fadeIn(&window, delegate, 0.5);
    EXPECT_EQ(ViewFading::alphaValue(&window), 0); // dropped first
    clock.scheduler.advance(0.25);
    EXPECT_NEAR(ViewFading::alphaValue(&window), 0.5, 0.05);
    EXPECT_TRUE(calls.isEmpty());
    clock.scheduler.advance(0.3);
    EXPECT_NEAR(ViewFading::alphaValue(&window), 1, 0.01);
    EXPECT_EQ(calls, QList<bool>{true});
    EXPECT_EQ(clock.scheduler.pendingCount(), 0);

    // A child view fades through an opacity effect, and stays in place when faded out.
    auto* child = new QWidget(&window);
    EXPECT_EQ(ViewFading::alphaValue(child), 1);
    ViewFading::fadeOut(child);
    clock.scheduler.advance(0.6);
    EXPECT_EQ(ViewFading::alphaValue(child), 0);
    EXPECT_EQ(child->parentWidget(), &window);

    // A new fade replaces the running one; a view that goes away ends its fade unfinished.
    calls.clear();
    ViewFading::fadeIn(child, delegate, 1);
    ViewFading::fadeOut(child, delegate, 1);
    clock.scheduler.advance(0.5);
    delete child;
    clock.scheduler.advance(1);
    EXPECT_EQ(calls, QList<bool>{false});
    EXPECT_EQ(clock.scheduler.pendingCount(), 0);

    calls.clear();
    ViewFading::fadeOut(&window, delegate, 0);
    EXPECT_EQ(ViewFading::alphaValue(&window), 0);
    EXPECT_EQ(calls, QList<bool>{true});
}

} // namespace
