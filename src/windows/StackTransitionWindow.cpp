#include "StackTransitionWindow.h"

#include "platform/Scheduler.h"

namespace {
const QString kResizeKey = QStringLiteral("animateResize");
constexpr int kSteps = 10;

int between(int from, int to, double progress) {
    return from + qRound((to - from) * progress);
}
} // namespace

TStackTransitionWindow::TStackTransitionWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {}

TStackTransitionWindow::TStackTransitionWindow(double resizeTime, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_resizeTime(resizeTime) {}

TStackTransitionWindow::~TStackTransitionWindow() {
    Scheduler::shared().cancelAll(this);
}

void TStackTransitionWindow::setFrame(const QRect& frame, bool animate) {
    Scheduler::shared().cancelPrevious(this, kResizeKey);
    if (!animate) {
        setGeometry(frame);
        return;
    }
    m_from = geometry();
    m_to = frame;
    m_step = 0;
    Scheduler::shared().scheduleRepeating(this, kResizeKey, m_resizeTime / kSteps, [this] { step(); });
}

bool TStackTransitionWindow::isAnimating() const {
    return Scheduler::shared().isPending(this, kResizeKey);
}

void TStackTransitionWindow::step() {
    ++m_step;
    if (m_step >= kSteps) {
        Scheduler::shared().cancelPrevious(this, kResizeKey);
        setGeometry(m_to);
        return;
    }
    const double progress = double(m_step) / kSteps;
    setGeometry(
        QRect(QPoint(between(m_from.x(), m_to.x(), progress), between(m_from.y(), m_to.y(), progress)),
              QSize(between(m_from.width(), m_to.width(), progress),
                    between(m_from.height(), m_to.height(), progress))));
}
