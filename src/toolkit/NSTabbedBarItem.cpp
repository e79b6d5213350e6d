#include "NSTabbedBarItem.h"

#include "NSTabItemViewController.h"
#include "NSTabbedBar.h"
#include "platform/Scheduler.h"

#include <QEvent>
#include <QPainter>

namespace {
const QString kSelectTabKey = QStringLiteral("selectTab");
constexpr double kHoverSelectDelay = 1.0;
} // namespace

NSTabbedBarItem::NSTabbedBarItem(const QString& title, const QString& identifier,
                                 NSTabItemViewController* controller)
    : NSImageAndTextBarItem(title, QImage(), 0), m_tabIdentifier(identifier) {
    if (controller) {
        setViewController(controller);
        hostView(controller->view());
        controller->setItem(this);
    }
    setDisplayMode(TextOnly);
    setMaximumTextWidth(128);
}

NSTabbedBarItem::~NSTabbedBarItem() {
    Scheduler::shared().cancelAll(this);
}

NSTabbedBar* NSTabbedBarItem::tabBar() const {
    return qobject_cast<NSTabbedBar*>(itemBar());
}

NSTabItemViewController* NSTabbedBarItem::contentViewController() const {
    return qobject_cast<NSTabItemViewController*>(viewController());
}

bool NSTabbedBarItem::isSelected() const {
    return tabBar() && tabBar()->selectedItem() == this;
}

void NSTabbedBarItem::setActiveState(bool active) {
    const bool changed = active != m_activeState;
    m_activeState = active;
    if (changed) activeStateChanged();
    update();
}

void NSTabbedBarItem::selectTab() {
    if (NSTabbedBar* bar = tabBar()) bar->selectItem(this);
}

void NSTabbedBarItem::selectionChanged() {
    if (NSTabItemViewController* controller = contentViewController()) controller->selectionChanged();
}

void NSTabbedBarItem::activeStateChanged() {
    if (NSTabItemViewController* controller = contentViewController()) controller->activeStateChanged();
}

void NSTabbedBarItem::reloadViewController() {
    if (NSTabItemViewController* controller = contentViewController()) controller->reload();
}

void NSTabbedBarItem::adjustWidth() {
    NSImageAndTextBarItem::adjustWidth();
    if (NSTabItemViewController* controller = contentViewController()) {
        controller->adjustWidth();
        setWidth(controller->view()->width());
        controller->view()->setGeometry(rect());
    } else {
        setWidth(frame().width() + 16);
    }
}

QFont NSTabbedBarItem::textFont() const {
    return systemFont(12);
}

QColor NSTabbedBarItem::textColor() const {
    return isSelected() ? QColor(Qt::white) : QColor(Qt::black);
}

void NSTabbedBarItem::drawSelection(QPainter& painter) {
    if (isSelected()) painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.3f));
}

void NSTabbedBarItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawSelection(painter);
    if (!contentViewController()) drawContent(painter);
}

void NSTabbedBarItem::mouseDown(QMouseEvent* event) {
    selectTab();
    NSImageAndTextBarItem::mouseDown(event);
}

void NSTabbedBarItem::changeEvent(QEvent* event) {
    NSImageAndTextBarItem::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) setActiveState(isActiveWindow());
}

quint64 NSTabbedBarItem::draggingEntered(const NSDraggingInfo& info) {
    const quint64 operation = NSImageAndTextBarItem::draggingEntered(info);
    m_trackingDrag = true;
    update();
    Scheduler::shared().performAfterDelay(this, kSelectTabKey, kHoverSelectDelay, [this] { selectTab(); });
    return operation;
}

void NSTabbedBarItem::draggingExited(const NSDraggingInfo& info) {
    NSImageAndTextBarItem::draggingExited(info);
    m_trackingDrag = false;
    update();
    Scheduler::shared().cancelPrevious(this, kSelectTabKey);
}
