#include "CardSplitView.h"

#include <QChildEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace {
class DividerHandle : public QSplitterHandle {
public:
    DividerHandle(TCardSplitView* split) : QSplitterHandle(Qt::Horizontal, split), m_split(split) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_split->sliderPosition() <= 0) return;
        QPainter painter(this);
        painter.fillRect(rect(), TCardSplitView::dividerColor());
    }

private:
    TCardSplitView* m_split;
};
} // namespace

TCardSplitView::TCardSplitView(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(1);
    setChildrenCollapsible(true);
}

double TCardSplitView::sliderPosition() const {
    const QList<int> list = sizes();
    return list.isEmpty() ? 0 : list.first();
}

void TCardSplitView::setSliderPosition(double position) {
    if (count() < 2) return;
    const int total = sizes().value(0) + sizes().value(1);
    int first = 0;
    if (position > 0)
        first = static_cast<int>(std::clamp(position, kMinimumSidebarWidth, maximumSidebarWidth()));
    if (first > 0) {
        applySidebarLimits();
    } else {
        // A hidden sidebar keeps no minimum, or the splitter holds its room empty.
        widget(0)->setMinimumWidth(0);
    }
    setSizes({first, std::max(total - first, 1)});
}

void TCardSplitView::applySidebarLimits() {
    // Only once both sides are in: the first child added may be the content, which has no limits.
    if (count() < 2) return;
    // Dragged below the minimum the sidebar collapses (it is collapsible), never past the maximum.
    widget(0)->setMinimumWidth(int(kMinimumSidebarWidth));
    widget(0)->setMaximumWidth(int(maximumSidebarWidth()));
    widget(1)->setMinimumWidth(0);
    widget(1)->setMaximumWidth(QWIDGETSIZE_MAX);
}

void TCardSplitView::childEvent(QChildEvent* event) {
    QSplitter::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) applySidebarLimits();
}

QColor TCardSplitView::dividerColor() {
    return QColor::fromRgbF(0, 0, 0, 0.2f);
}

QSplitterHandle* TCardSplitView::createHandle() {
    return new DividerHandle(this);
}
