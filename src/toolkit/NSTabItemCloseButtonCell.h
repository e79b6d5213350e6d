#pragma once

#include <QAbstractButton>

// A tab's close button: a small cross, on a darkened rounded square while the pointer is over it
// or it is pressed.
class NSTabItemCloseButtonCell : public QAbstractButton {
    Q_OBJECT
public:
    explicit NSTabItemCloseButtonCell(QWidget* parent = nullptr);
    bool mouseInside() const { return m_mouseInside; }
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_mouseInside = false;
};
