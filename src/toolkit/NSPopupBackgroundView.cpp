#include "NSPopupBackgroundView.h"

#include "platform/ApplicationInfo.h"
#include "toolkit/NSPopupWindow.h"
#include "toolkit/WindowPlacement.h"
#include "utilities/HICommonThemes.h"

#include <QPainter>
#include <array>
#include <cmath>

namespace {

struct PopupArtwork {
    HICommonThemes::HITheme9PartImage frame;
    std::array<QImage, 4> arrows; // left, right, up, down
};

const PopupArtwork& artwork() {
    static const PopupArtwork images = [] {
        const QString folder = ApplicationInfo::resourcePath(QStringLiteral("images/ContextualWindowFrame"));
        PopupArtwork loaded;
        loaded.frame = HICommonThemes::HIThemeLoad9PartImage(folder);
        const char* names[] = {"left.png", "right.png", "up.png", "down.png"};
        for (int i = 0; i < 4; ++i) loaded.arrows[i] = QImage(folder + "/Arrows/" + names[i]);
        return loaded;
    }();
    return images;
}

// A soft copy of the layer's shape in translucent black.
QImage shadowOf(const QImage& layer) {
    if (layer.isNull()) return {};
    QImage small = layer.scaled(std::max(1, layer.width() / 4), std::max(1, layer.height() / 4),
                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage shadow = small.scaled(layer.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter tint(&shadow);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(shadow.rect(), QColor(0, 0, 0, 90));
    return shadow;
}

} // namespace

NSPopupBackgroundView* NSPopupBackgroundView::backgroundViewForPopupWindow(NSPopupWindow* popup) {
    auto* view = new NSPopupBackgroundView(QSizeF(0, 0));
    view->setPopupWindow(popup);
    return view;
}

NSPopupBackgroundView::NSPopupBackgroundView(const QSizeF& contentSize) {
    setContentSize(contentSize);
}

QSizeF NSPopupBackgroundView::boundingSizeForContentSize(const QSizeF& size) const {
    return {size.width() - 2 * m_contentInset.width() - 2 * kArrowInset,
            size.height() - 2 * m_contentInset.height() - 2 * kArrowInset};
}

QSizeF NSPopupBackgroundView::contentSizeForBoundingSize(const QSizeF& size) const {
    return {size.width() + 2 * m_contentInset.width() + 2 * kArrowInset,
            size.height() + 2 * m_contentInset.height() + 2 * kArrowInset};
}

void NSPopupBackgroundView::setContentSize(const QSizeF& size) {
    m_contentSize = size;
    resize(boundingSizeForContentSize(size).toSize());
}

void NSPopupBackgroundView::setFrameAndContentSize(const QRectF& frame) {
    setGeometry(frame.toRect());
    m_contentSize = contentSizeForBoundingSize(frame.size());
}

QRectF NSPopupBackgroundView::backgroundFrameFor(const QSizeF& size, qint32 edge) {
    QRectF frame(QPointF(0, 0), size);
    if (edge != 3) frame.translate(0, -kBackgroundOffset);
    return frame;
}

QRectF NSPopupBackgroundView::backgroundFrame() const {
    QRectF frame = backgroundFrameFor(QSizeF(size()), m_arrowEdge);
    if (m_popupWindow) m_popupWindow->adjustBackgroundFrame(&frame, kBackgroundOffset, m_arrowEdge);
    return frame;
}

QRectF NSPopupBackgroundView::contentFrame() const {
    QRectF frame(backgroundFrame().topLeft() - QPointF(m_contentInset.width(), m_contentInset.height()),
                 m_contentSize);
    if (m_popupWindow) m_popupWindow->adjustContentFrame(&frame, m_arrowEdge);
    return frame;
}

QImage NSPopupBackgroundView::arrowImageForEdge(qint32 edge) {
    if (edge < 1 || edge > 4) return {};
    return artwork().arrows[edge - 1];
}

QSizeF NSPopupBackgroundView::arrowSizeForEdge(qint32 edge) {
    const QImage image = arrowImageForEdge(edge);
    if (image.width() == 0 || image.height() == 0) return {24, 24};
    return QSizeF(image.size());
}

QSizeF NSPopupBackgroundView::arrowSize() const {
    return arrowSizeForEdge(m_arrowEdge);
}

QRectF NSPopupBackgroundView::arrowFrameFor(const QRectF& rect, const QRectF& target, qint32 edge,
                                            const QSizeF& arrowSize) {
    const double aw = arrowSize.width(), ah = arrowSize.height();
    if (edge == 1 || edge == 2) {
        const QRectF r = rect.adjusted(0, kShadowSize, 0, -kShadowSize);
        const double x = edge == 1 ? r.left() : r.right() - aw;
        const QRectF arrow = WindowPlacement::truncated({x, target.center().y() - ah / 2, aw, ah});
        if (arrow.top() < r.top() + kCornerLimit || arrow.bottom() > r.bottom() - kCornerLimit) return {};
        return arrow;
    }
    if (edge == 3 || edge == 4) {
        const double y = edge == 3 ? rect.top() : rect.bottom() - ah;
        const QRectF arrow = WindowPlacement::truncated({target.center().x() - aw / 2, y, aw, ah});
        if (arrow.left() < rect.left() + kCornerLimit || arrow.right() > rect.right() - kCornerLimit)
            return {};
        return arrow;
    }
    return {};
}

QRectF NSPopupBackgroundView::arrowFrameForRect(const QRectF& rect, const QRectF& target, qint32 edge) const {
    const QRectF local(QPointF(mapFromGlobal(target.topLeft().toPoint())), target.size());
    return arrowFrameFor(rect, local, edge, arrowSize());
}

void NSPopupBackgroundView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF background = backgroundFrame();
    const QSizeF arrow = arrowSize();
    const double growX = std::abs(m_contentInset.width()) - arrow.width();
    const double growY = std::abs(m_contentInset.height()) - arrow.height();
    const QRectF content = contentFrame().adjusted(-growX, -growY, growX, growY);
    const QRectF arrowRect =
        m_arrowEdge == 0 ? QRectF() : arrowFrameForRect(background, m_targetFrame, m_arrowEdge);
    if (m_popupWindow && !m_popupWindow->drawBackground(painter, background, content, arrowRect, m_arrowEdge))
        return;
    painter.save();
    drawBackground(painter);
    painter.restore();
}

void NSPopupBackgroundView::drawBackground(QPainter& painter) {
    if (!m_drawsBackground || width() <= 0 || height() <= 0) return;
    // The frame and arrow go into a layer of their own, which casts the shadow.
    QImage layer(size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        HICommonThemes::HIThemeDraw9PartImage(layerPainter, artwork().frame, backgroundFrame());
        if (m_arrowEdge != 0) drawArrow(layerPainter);
    }
    painter.drawImage(QPointF(5, 5), shadowOf(layer));
    painter.drawImage(QPointF(0, 0), layer);
}

void NSPopupBackgroundView::drawArrow(QPainter& painter) {
    const QRectF arrow = arrowFrameForRect(backgroundFrame(), m_targetFrame, m_arrowEdge);
    if (arrow.isEmpty()) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(arrow, Qt::transparent);
    painter.restore();
    painter.drawImage(arrow, arrowImageForEdge(m_arrowEdge));
}
