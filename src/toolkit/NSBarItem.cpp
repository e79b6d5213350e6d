#include "NSBarItem.h"

#include "BarItemPasteboard.h"
#include "NSDraggingSession.h"
#include "NSItemBar.h"
#include "NSViewController.h"
#include "utilities/widgets/ControlUtilities.h"

#include <QAbstractButton>
#include <QCursor>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPropertyAnimation>
#include <cmath>

NSBarItem::NSBarItem(const QRectF& frame, QWidget* parent) : QWidget(parent) {
    m_serial = BarItemPasteboard::enter(this);
    setFrame(frame);
    setAcceptDrops(true);
}

NSBarItem::~NSBarItem() {
    BarItemPasteboard::leave(m_serial);
    if (m_itemBar) m_itemBar->itemDestroyed(this);
}

NSBarItem* NSBarItem::initWithWidth(double width) {
    return new NSBarItem(QRectF(0, 0, width, 0));
}

NSBarItem* NSBarItem::initWithView(QWidget* view) {
    auto* item = new NSBarItem(QRectF(QPointF(0, 0), QSizeF(view->size())));
    item->hostView(view);
    return item;
}

void NSBarItem::hostView(QWidget* view) {
    m_hostedView = view;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void NSBarItem::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_hostedView) m_hostedView->setGeometry(rect());
}

NSBarItem* NSBarItem::initWithViewController(NSViewController* controller) {
    NSBarItem* item = initWithView(controller->view());
    item->setViewController(controller);
    return item;
}

void NSBarItem::setViewController(NSViewController* controller) {
    if (controller == m_viewController) return;
    if (m_viewController && m_viewController->parent() == this) delete m_viewController.data();
    m_viewController = controller;
    if (controller) controller->setParent(this);
}

void NSBarItem::setItemBar(NSItemBar* bar) {
    m_itemBar = bar;
    if (bar) {
        setParent(bar);
        if (bar->animationDuration() > 0) {
            setAlphaValue(0);
            auto* fade = new QPropertyAnimation(m_opacity, "opacity", this);
            fade->setDuration(static_cast<int>(bar->animationDuration() * 1000));
            fade->setEndValue(1.0);
            connect(fade, &QPropertyAnimation::finished, this, [this] { setAlphaValue(1); });
            fade->start(QAbstractAnimation::DeleteWhenStopped);
        }
        show();
        return;
    }
    if (parentWidget()) setParent(nullptr);
    // Released like an autoreleased object: kept only when some bar took it by then.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!parentWidget() && !m_dragging && !(m_itemBar && m_itemBar->items().contains(this)))
                deleteLater();
        },
        Qt::QueuedConnection);
}

void NSBarItem::setFrame(const QRectF& frame) {
    setGeometry(QRect(static_cast<int>(frame.x()), static_cast<int>(frame.y()),
                      static_cast<int>(frame.width()), static_cast<int>(frame.height())));
}

void NSBarItem::setWidth(double width) {
    QRectF f = frame();
    f.setWidth(width);
    setFrame(f);
}

void NSBarItem::setEnabled(bool enabled) {
    m_enabled = enabled;
    static const char* const controls[] = {"QAbstractButton", "QLineEdit", "QComboBox", "QAbstractSlider",
                                           "QAbstractSpinBox"};
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        for (const char* control : controls)
            if (child->inherits(control)) child->setEnabled(enabled);
}

QRectF NSBarItem::boundingFrame() const {
    if (!m_itemBar) return frame();
    const double margin = m_itemBar->itemMargin();
    return frame().adjusted(-margin, -margin, margin, margin);
}

void NSBarItem::invalidate() {
    QRectF f = frame();
    f.setHeight(0);
    setFrame(f);
}

double NSBarItem::alphaValue() const {
    return m_opacity ? m_opacity->opacity() : 1.0;
}

void NSBarItem::setAlphaValue(double alpha) {
    if (alpha >= 1.0) {
        if (m_opacity) setGraphicsEffect(nullptr); // deletes the effect
        m_opacity = nullptr;
        return;
    }
    if (!m_opacity) {
        m_opacity = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(m_opacity);
    }
    m_opacity->setOpacity(alpha);
}

bool NSBarItem::mouseDraggedShouldArrange(const QInputEvent* event) const {
    if (!m_itemBar || m_itemBar->arrangingRequiresEditMode()) return false;
    if (m_itemBar->arrangingRequiresCommandKey()) return EventUtilities::isCommandKeyDown(event);
    return true;
}

void NSBarItem::mouseDragged(const QPointF& location, const QInputEvent* event) {
    if (!mouseDraggedShouldArrange(event)) return;
    const QPointF moved = location - m_mouseDownLocation;
    if (std::abs(moved.x()) < 3 && std::abs(moved.y()) < 3) return;
    // No press recorded (or one on the item's very edge) starts nothing.
    if (m_mouseDownLocation.x() <= 0 || m_mouseDownLocation.y() <= 0) return;
    m_clickPending = false;
    auto pasteboard = std::make_unique<QMimeData>();
    addItemsToPasteboard(pasteboard.get());
    m_dragging = true;
    update();
    QImage image;
    if (NSItemBarDelegate* delegate = m_itemBar->delegate())
        image = delegate->imageForDraggingItem(m_itemBar, this);
    QPixmap pixmap;
    if (!image.isNull()) {
        pixmap = QPixmap::fromImage(image);
    } else {
        pixmap = QPixmap(size());
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setOpacity(0.5);
        painter.drawPixmap(0, 0, grab());
    }
    NSDraggingSession::shared().beginDraggingSession(this, std::move(pasteboard), pixmap,
                                                     !m_itemBar->arrangingAllowsRemoval());
}

void NSBarItem::addItemsToPasteboard(QMimeData* pasteboard) {
    BarItemPasteboard::write(pasteboard, this);
    if (m_itemBar && m_itemBar->delegate())
        m_itemBar->delegate()->addDataForItemAtIndex(m_itemBar, this, m_itemIndex, pasteboard);
}

void NSBarItem::draggingSessionWillBegin(const QPointF& point) {
    if (m_itemBar) m_itemBar->itemDraggingWillBegin(this, point);
}

void NSBarItem::draggingSessionMovedToPoint(const QPointF& point) {
    if (m_itemBar) m_itemBar->itemDraggingMoved(this, point);
}

void NSBarItem::draggingSessionEnded(const QPointF& point, quint64 operation) {
    m_dragging = false;
    update();
    if (m_itemBar)
        m_itemBar->itemDraggingEnded(this, point, operation);
    else if (!parentWidget())
        deleteLater(); // its bar let it go during the drag
}

quint64 NSBarItem::passDragToBar(const NSDraggingInfo& info, bool entered) {
    if (!m_itemBar) return NSDragOperationNone;
    if (NSItemBarDelegate* delegate = m_itemBar->delegate();
        delegate && !delegate->acceptDrop(m_itemBar, info, this))
        return NSDragOperationNone;
    return entered ? m_itemBar->draggingEntered(info) : m_itemBar->draggingUpdated(info);
}

quint64 NSBarItem::draggingEntered(const NSDraggingInfo& info) {
    return passDragToBar(info, true);
}
quint64 NSBarItem::draggingUpdated(const NSDraggingInfo& info) {
    return passDragToBar(info, false);
}

void NSBarItem::draggingExited(const NSDraggingInfo& info) {
    if (m_itemBar) m_itemBar->draggingExited(info);
}

bool NSBarItem::performDragOperation(const NSDraggingInfo& info) {
    return m_itemBar && m_itemBar->performDragOperation(info);
}

void NSBarItem::mouseDown(QMouseEvent* event) {
    m_mouseDownLocation = event->position();
    if (event->type() == QEvent::MouseButtonDblClick && m_itemBar && m_itemBar->delegate())
        m_itemBar->delegate()->itemDoubleClicked(m_itemBar, this);
}

void NSBarItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event); // the bar's menu
    m_clickPending = true;
    mouseDown(event);
}

void NSBarItem::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool clicked = m_clickPending && rect().contains(event->position().toPoint());
    m_clickPending = false;
    if (clicked && m_itemBar && m_itemBar->delegate()) m_itemBar->delegate()->itemClicked(m_itemBar, this);
}

void NSBarItem::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    mouseDown(event);
}

void NSBarItem::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) mouseDragged(event->position(), event);
}

NSDraggingInfo NSBarItem::infoInBar(const QMimeData* data, const QPointF& local) const {
    NSDraggingInfo info{data, local};
    if (m_itemBar) info.location = QPointF(mapTo(m_itemBar, local.toPoint()));
    return info;
}

namespace {
Qt::DropAction dropAction(quint64 operation) {
    if (operation == NSDragOperationMove) return Qt::MoveAction;
    if (operation == NSDragOperationCopy) return Qt::CopyAction;
    return Qt::IgnoreAction;
}
} // namespace

void NSBarItem::dragEnterEvent(QDragEnterEvent* event) {
    const quint64 operation = draggingEntered(infoInBar(event->mimeData(), event->position()));
    // Entered is always accepted, so leaving reaches the item; moves decide the drop.
    event->setDropAction(dropAction(operation));
    event->accept();
}

void NSBarItem::dragMoveEvent(QDragMoveEvent* event) {
    const quint64 operation = draggingUpdated(infoInBar(event->mimeData(), event->position()));
    event->setDropAction(dropAction(operation));
    if (operation == NSDragOperationNone)
        event->ignore();
    else
        event->accept();
}

void NSBarItem::dragLeaveEvent(QDragLeaveEvent*) {
    QPointF local = mapFromGlobal(QCursor::pos());
    draggingExited(infoInBar(nullptr, local));
    if (m_itemBar) m_itemBar->dragLeft();
}

void NSBarItem::dropEvent(QDropEvent* event) {
    const QPointer<NSItemBar> bar = m_itemBar; // the drop may take the item out of it
    if (performDragOperation(infoInBar(event->mimeData(), event->position()))) {
        event->setDropAction(BarItemPasteboard::containsType(event->mimeData()) ? Qt::MoveAction
                                                                                : Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    if (bar) bar->draggingEnded();
}

void NSBarItem::paintEvent(QPaintEvent*) {}
