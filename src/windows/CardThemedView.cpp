#include "CardThemedView.h"

#include "model/Themes.h"

#include <QPainter>

CardThemedView::CardThemedView(qint32 part, QWidget* parent) : QWidget(parent), m_part(part) {}

void CardThemedView::setTheme(TCardTheme* theme, const QVariantMap& input) {
    m_theme = theme;
    m_input = input;
    update();
}

void CardThemedView::paintEvent(QPaintEvent*) {
    if (!m_theme) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_theme->Draw(painter, QRectF(rect()), m_part, m_input);
}
