#include "windows/ThemeTableRowView.h"

#include "model/Themes.h"
#include "utilities/widgets/WindowUtilities.h"

#include <QAbstractScrollArea>
#include <QGuiApplication>
#include <QPainter>

TThemeTableRowView::TThemeTableRowView(QWidget* parent) : QWidget(parent) {
    m_activeState = isActiveWindow() && QGuiApplication::applicationState() == Qt::ApplicationActive;
    followScrollArea();
}

void TThemeTableRowView::setTheme(TCardTheme* theme) {
    m_theme = theme;
    update();
}

void TThemeTableRowView::setActiveState(bool active) {
    m_activeState = active;
    update();
}

void TThemeTableRowView::setSelected(bool selected) {
    m_selected = selected;
    update();
}

void TThemeTableRowView::setTargetForDropOperation(bool target) {
    m_dropTarget = target;
    update();
}

void TThemeTableRowView::drawSelectionInRect(QPainter& painter, const QRectF& rect) {
    TCardTheme::DrawSelection(painter, rect, m_activeState, 0);
}

void TThemeTableRowView::drawDraggingDestinationFeedbackInRect(QPainter& painter, const QRectF& rect) {
    TCardTheme::DrawDraggingDestinationFeedback(painter, rect, m_activeState);
}

bool TThemeTableRowView::event(QEvent* event) {
    // Only the row's own window passes its activation on to it; a hidden row catches up when shown.
    if (const auto active = WindowUtilities::activeStateForEvent(*this, *event)) setActiveState(*active);
    switch (event->type()) {
    case QEvent::ParentChange:
        followScrollArea();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        spanScrollArea();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool TThemeTableRowView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && m_scrollArea && watched == m_scrollArea->viewport())
        spanScrollArea();
    return QWidget::eventFilter(watched, event);
}

void TThemeTableRowView::paintEvent(QPaintEvent*) {
    if (!m_selected && !m_dropTarget) return;
    QPainter painter(this);
    const QRectF bounds(rect());
    if (m_selected) drawSelectionInRect(painter, bounds);
    if (m_dropTarget) drawDraggingDestinationFeedbackInRect(painter, bounds);
}

void TThemeTableRowView::followScrollArea() {
    QAbstractScrollArea* area = nullptr;
    for (QWidget* w = parentWidget(); w && !area; w = w->parentWidget())
        area = qobject_cast<QAbstractScrollArea*>(w);
    if (area == m_scrollArea) return;
    if (m_scrollArea) m_scrollArea->viewport()->removeEventFilter(this);
    m_scrollArea = area;
    if (area) {
        area->viewport()->installEventFilter(this);
        spanScrollArea();
    }
}

// Rows span the visible width of their scroll area.
void TThemeTableRowView::spanScrollArea() {
    if (!m_scrollArea) return;
    const int width = m_scrollArea->viewport()->width();
    if (width != this->width()) resize(width, height());
}
