#include "windows/ThemeView.h"

#include "model/Themes.h"

#include <QPainter>

TThemeView::TThemeView(TCardTheme* theme, QWidget* parent) : QWidget(parent), m_theme(theme) {
    resize(0, 0);
}

void TThemeView::setPart(qint32 part) {
    m_part = part;
    update();
}

void TThemeView::setTheme(TCardTheme* theme) {
    m_theme = theme;
    update();
}

void TThemeView::setInput(const QVariantMap& input) {
    m_input = input;
    update();
}

void TThemeView::paintEvent(QPaintEvent*) {
    if (!m_theme) return;
    m_input.insert(QStringLiteral("fullscreen"), bool(window()->windowState() & Qt::WindowFullScreen));
    QPainter painter(this);
    m_theme->Draw(painter, QRectF(rect()), m_part, m_input);
}
