#include "NSPopover.h"

#include "toolkit/ScreenProvider.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

using WindowPlacement::Side;

Side sideForEdge(quint64 edge) {
    switch (edge) {
    case NSMinXEdge:
        return Side::Left;
    case NSMinYEdge:
        return Side::Above;
    case NSMaxYEdge:
        return Side::Below;
    default:
        return Side::Right;
    }
}

bool horizontal(Side side) {
    return side == Side::Left || side == Side::Right;
}

} // namespace

NSPopover::NSPopover() : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void NSPopover::setContentView(QWidget* view) {
    if (m_contentView == view) return;
    if (m_contentView) delete m_contentView;
    m_contentView = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    layoutContent();
}

QWidget* NSPopover::takeContentView() {
    QWidget* view = m_contentView;
    m_contentView = nullptr;
    if (view) {
        view->hide();
        view->setParent(nullptr);
    }
    return view;
}

void NSPopover::setContentSize(const QSizeF& size) {
    m_contentSize = size;
    layoutContent();
}

void NSPopover::setAppearance(qint64 appearance) {
    m_appearance = appearance;
    update();
}

void NSPopover::showRelativeToRect(const QRectF& rect, QWidget* view, quint64 preferredEdge) {
    const QRectF target = view ? QRectF(view->mapToGlobal(rect.topLeft().toPoint()), rect.size()) : rect;
    const Side side = sideForEdge(preferredEdge);
    QSizeF size = m_contentSize + QSizeF(2 * kContentInset, 2 * kContentInset);
    if (horizontal(side))
        size.rwidth() += kArrowLength;
    else
        size.rheight() += kArrowLength;
    const ScreenProvider& screens = m_screens ? *m_screens : ScreenProvider::shared();
    const QRectF screen = QRectF(screens.availableGeometryAt(target.center().toPoint()));
    m_placement = WindowPlacement::placeBeside(target, size, side, screen, 0);
    // Without room on either side it covers part of the target rather than leave the screen.
    m_placement.frame = WindowPlacement::constrainFrame(m_placement.frame, screen);
    m_arrowOffset = WindowPlacement::arrowOffset(m_placement, target, kArrowWidth, kCornerRadius);

    const bool transient = m_behavior != NSPopoverBehaviorApplicationDefined;
    const Qt::WindowFlags flags = transient ? (Qt::Popup | Qt::FramelessWindowHint)
                                            : (Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    if (windowFlags() != flags && !m_shown) setWindowFlags(flags);
    setGeometry(m_placement.frame.toRect());
    layoutContent();
    if (m_shown) {
        update();
        return;
    }
    if (m_delegate) m_delegate->popoverWillShow(this);
    m_shown = true;
    show();
    if (m_delegate) m_delegate->popoverDidShow(this);
}

void NSPopover::performClose() {
    if (m_shown) close();
}

void NSPopover::closePopover() {
    if (!m_shown) return;
    m_forcing = true;
    close();
    m_forcing = false;
}

void NSPopover::closeEvent(QCloseEvent* event) {
    if (!m_shown) {
        event->accept();
        return;
    }
    if (!m_forcing && m_delegate && !m_delegate->popoverShouldClose(this)) {
        event->ignore();
        return;
    }
    // A delegate may delete the popover from its notices.
    const QPointer<NSPopover> self(this);
    event->accept();
    if (m_delegate) m_delegate->popoverWillClose(this);
    if (!self) return;
    hide();
    m_shown = false;
    if (m_delegate) m_delegate->popoverDidClose(this);
    if (!self) return;
    if (!m_closed) {
        m_closed = true;
        deleteLater();
    }
}

void NSPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        performClose();
        return;
    }
    QWidget::keyPressEvent(event);
}

QRectF NSPopover::panelRect() const {
    QRectF panel = QRectF(rect());
    switch (WindowPlacement::facingSide(m_placement.side)) {
    case Side::Left:
        panel.setLeft(panel.left() + kArrowLength);
        break;
    case Side::Right:
        panel.setRight(panel.right() - kArrowLength);
        break;
    case Side::Above:
        panel.setTop(panel.top() + kArrowLength);
        break;
    case Side::Below:
        panel.setBottom(panel.bottom() - kArrowLength);
        break;
    }
    return panel;
}

void NSPopover::layoutContent() {
    // Outside its panel and arrow the window shows nothing, with or without a compositor to make
    // it see-through.
    setMask(QRegion(outline(0).toFillPolygon().toPolygon()));
    if (!m_contentView) return;
    const QRectF panel = panelRect();
    m_contentView->setGeometry(
        QRectF(panel.topLeft() + QPointF(kContentInset, kContentInset), m_contentSize).toRect());
}

QPainterPath NSPopover::outline(double inset) const {
    const QRectF panel = panelRect().adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(panel, kCornerRadius, kCornerRadius);
    // The arrow: a triangle from the panel's facing side to the target.
    QPolygonF arrow;
    const double half = kArrowWidth / 2, at = m_arrowOffset;
    switch (WindowPlacement::facingSide(m_placement.side)) {
    case Side::Left:
        arrow << QPointF(panel.left(), at - half) << QPointF(0, at) << QPointF(panel.left(), at + half);
        break;
    case Side::Right:
        arrow << QPointF(panel.right(), at - half) << QPointF(width(), at)
              << QPointF(panel.right(), at + half);
        break;
    case Side::Above:
        arrow << QPointF(at - half, panel.top()) << QPointF(at, 0) << QPointF(at + half, panel.top());
        break;
    case Side::Below:
        arrow << QPointF(at - half, panel.bottom()) << QPointF(at, height())
              << QPointF(at + half, panel.bottom());
        break;
    }
    QPainterPath arrowPath;
    arrowPath.addPolygon(arrow);
    arrowPath.closeSubpath();
    return path.united(arrowPath);
}

void NSPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = outline(0.5);
    const bool hud = m_appearance == NSPopoverAppearanceHUD;
    painter.setPen(QPen(hud ? QColor(0, 0, 0, 200) : QColor(0, 0, 0, 60), 1));
    painter.setBrush(hud ? QColor(30, 30, 30, 230) : palette().color(QPalette::Window));
    painter.drawPath(path);
}
