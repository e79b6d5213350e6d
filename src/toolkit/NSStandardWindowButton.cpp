#include "NSStandardWindowButton.h"

#include "utilities/widgets/WindowUtilities.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

NSStandardWindowButton::NSStandardWindowButton(qint64 kind, QWidget* parent)
    : QAbstractButton(parent), m_windowButton(kind) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    // Connected first, so the hover look is gone before anyone else hears the click.
    connect(this, &QAbstractButton::clicked, this, [this] {
        m_mouseInside = false;
        update();
    });
    setActiveState(isActiveWindow() && QGuiApplication::applicationState() == Qt::ApplicationActive);
}

void NSStandardWindowButton::setWindowButton(qint64 kind) {
    m_windowButton = kind;
    update();
}

void NSStandardWindowButton::setActiveState(bool active) {
    m_activeState = active;
    update();
}

void NSStandardWindowButton::setImage(const QImage& glyph) {
    m_image = glyph;
    update();
}

QColor NSStandardWindowButton::fillColor(qint64 kind, bool enabled, bool active, bool mouseInside) {
    if ((!enabled || !active) && !mouseInside) return QColor::fromRgbF(0, 0, 0, 0.1f);
    switch (kind) {
    case CloseButton:
        return QColor::fromRgbF(1.0f, 0.0f, 0.0f, 0.55f);
    case MiniaturizeButton:
        return QColor::fromRgbF(1.0f, 0.6f, 0.0f, 0.55f);
    case ZoomButton:
        return QColor::fromRgbF(0.0f, 0.7f, 0.0f, 0.55f);
    default:
        return QColor::fromRgbF(0, 0, 0, 0.1f);
    }
}

QColor NSStandardWindowButton::rimColor(const QColor& fill) {
    auto less = [](float component) { return std::max(0.0f, component - 0.1f); };
    return QColor::fromRgbF(less(fill.redF()), less(fill.greenF()), less(fill.blueF()), fill.alphaF());
}

void NSStandardWindowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect());
    const QColor fill = fillColor(m_windowButton, isEnabled(), m_activeState, m_mouseInside);
    QPainterPath oval;
    oval.addEllipse(disc);
    painter.fillPath(oval, fill);
    // A 2-point line clipped to the oval leaves a 1-point rim inside its edge.
    painter.save();
    painter.setClipPath(oval);
    painter.setPen(QPen(rimColor(fill), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc);
    painter.restore();
    if (m_mouseInside && !m_image.isNull()) {
        QSizeF size = QSizeF(m_image.size()).scaled(disc.size(), Qt::KeepAspectRatio);
        if (m_image.width() <= disc.width() && m_image.height() <= disc.height()) size = m_image.size();
        QRectF target(QPointF(), size);
        target.moveCenter(disc.center());
        painter.drawImage(target, m_image);
    }
    if (isDown()) painter.fillPath(oval, QColor::fromRgbF(0, 0, 0, 0.15f));
}

void NSStandardWindowButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!isEnabled()) return;
    m_mouseInside = true;
    update();
}

void NSStandardWindowButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_mouseInside = false;
    update();
}

bool NSStandardWindowButton::event(QEvent* event) {
    // Only the button's own window passes its activation on to it; a hidden button catches up
    // when shown.
    if (const auto active = WindowUtilities::activeStateForEvent(*this, *event)) setActiveState(*active);
    return QAbstractButton::event(event);
}
