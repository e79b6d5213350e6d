#pragma once

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class NSPopupWindow;

// The content view of a popup window: draws its frame, a shadow and the arrow toward the target,
// and converts between the content's size and its own. Coordinates are its own (y-down); the
// target is in global coordinates. Arrow edges: 0 none, 1 left, 2 right, 3 top, 4 bottom. Made and
// owned by its popup window's window. Main thread only.
class NSPopupBackgroundView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kArrowInset = 10.0;
    static constexpr double kBackgroundOffset = 10.0;
    static constexpr double kCornerLimit = 22.0;
    static constexpr double kShadowSize = 12.0;

    // A new view of content size 0 x 0 bound to the popup, owned by the caller.
    static NSPopupBackgroundView* backgroundViewForPopupWindow(NSPopupWindow* popup);
    explicit NSPopupBackgroundView(const QSizeF& contentSize = {});

    // The content grown by the content inset, less the arrow inset, on every side.
    QSizeF boundingSizeForContentSize(const QSizeF& size) const;
    QSizeF contentSizeForBoundingSize(const QSizeF& size) const;
    // Stores the size and takes the bounding size.
    void setContentSize(const QSizeF& size);
    // Takes the frame and the content size that fits it.
    void setFrameAndContentSize(const QRectF& frame);
    QSizeF contentSize() const { return m_contentSize; }
    QSizeF contentInset() const { return m_contentInset; }
    void setContentInset(const QSizeF& inset) { m_contentInset = inset; }
    void setTargetFrame(const QRectF& target) { m_targetFrame = target; }
    QRectF targetFrame() const { return m_targetFrame; }
    void setArrowEdge(qint32 edge) { m_arrowEdge = edge; }
    qint32 arrowEdge() const { return m_arrowEdge; }
    void setPopupWindow(NSPopupWindow* popup) { m_popupWindow = popup; }
    void setDrawsBackground(bool draws) { m_drawsBackground = draws; }

    // The panel: the bounds, raised by the background offset (leaving room below for the shadow
    // and a downward arrow) unless the arrow is on top.
    QRectF backgroundFrame() const;
    QRectF contentFrame() const;
    // Where the arrow goes on the background rectangle, pointing at the target (global), for the
    // arrow edge; empty when it would come within the corner limit of the rectangle's corners.
    QRectF arrowFrameForRect(const QRectF& rect, const QRectF& target, qint32 edge) const;
    QSizeF arrowSize() const;

    // The same without a view: the panel for a view of the size, and the arrow for a panel, a
    // target in the view's coordinates and an arrow of the size.
    static QRectF backgroundFrameFor(const QSizeF& size, qint32 edge);
    static QRectF arrowFrameFor(const QRectF& rect, const QRectF& target, qint32 edge,
                                const QSizeF& arrowSize);
    // The shared artwork of arrow edges 1 to 4; null for other edges or when missing.
    static QImage arrowImageForEdge(qint32 edge);
    static QSizeF arrowSizeForEdge(qint32 edge);

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawBackground(QPainter& painter);
    void drawArrow(QPainter& painter);

private:
    QPointer<NSPopupWindow> m_popupWindow;
    bool m_drawsBackground = true;
    QRectF m_targetFrame;
    qint32 m_arrowEdge = 0;
    QSizeF m_contentInset{-32, -32};
    QSizeF m_contentSize;
};
