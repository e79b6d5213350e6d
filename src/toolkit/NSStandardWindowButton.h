#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

// A round close, minimise or zoom button for windows that draw their own. It shows its kind's
// colour while its window is active, a faint grey disc otherwise, and the glyph its owner gives
// (setImage) only while the pointer is over it; a disabled button stays grey. The hover look is
// cleared when the button fires, before the clicked() connections of others run. Owned by its
// parent widget; main thread only.
class NSStandardWindowButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Kind : qint64 { CloseButton = 0, MiniaturizeButton = 1, ZoomButton = 2 };

    explicit NSStandardWindowButton(qint64 kind = CloseButton, QWidget* parent = nullptr);

    void setWindowButton(qint64 kind);
    qint64 windowButton() const { return m_windowButton; }
    void setActiveState(bool active);
    bool isActive() const { return m_activeState; }
    bool isMouseInside() const { return m_mouseInside; }
    void setImage(const QImage& glyph);
    QImage image() const { return m_image; }

    // The disc's fill for the kind and state; the rim is the fill less 0.1 in red, green and blue.
    static QColor fillColor(qint64 kind, bool enabled, bool active, bool mouseInside);
    static QColor rimColor(const QColor& fill);

    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    qint64 m_windowButton = CloseButton;
    bool m_activeState = false;
    bool m_mouseInside = false;
    QImage m_image;
};
