#pragma once

#include "windows/ThemeViewProtocol.h"

#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;

// One row of a themed outline or list: the row's widgets sit on it, and the card's theme draws its
// selection and drop-target highlight behind them. The active state follows the activation of the
// row's own window (it starts from the window's and the application's). Inside a scroll area the
// row always spans the area's visible width, keeping its origin and height. Owned by its parent
// widget (the outline); main thread only.
class TThemeTableRowView : public QWidget, public TThemeViewProtocol {
    Q_OBJECT
public:
    explicit TThemeTableRowView(QWidget* parent = nullptr);

    void setTheme(TCardTheme* theme) override;
    TCardTheme* theme() const override { return m_theme; }
    void setActiveState(bool active);
    bool isActive() const { return m_activeState; }
    // Set by the outline that shows the row.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setTargetForDropOperation(bool target);
    bool isTargetForDropOperation() const { return m_dropTarget; }

protected:
    // The theme's selection (style 0) and drop highlight over the rectangle.
    virtual void drawSelectionInRect(QPainter& painter, const QRectF& rect);
    virtual void drawDraggingDestinationFeedbackInRect(QPainter& painter, const QRectF& rect);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void followScrollArea();
    void spanScrollArea();

    TCardTheme* m_theme = nullptr;
    bool m_activeState = false;
    bool m_selected = false;
    bool m_dropTarget = false;
    QPointer<QAbstractScrollArea> m_scrollArea;
};
