#pragma once

#include "windows/ThemeViewProtocol.h"

#include <QVariantMap>
#include <QWidget>

// A part of a card window drawn by the card's theme (TCardTheme::Part: background, content container,
// sidebar container, tab) with an input dictionary ("color", ...). Before each drawing the input's
// "fullscreen" is set to whether the view's window is full screen, which gives square corners.
// Without a theme nothing is drawn. Owned by its parent widget; main thread only.
class TThemeView : public QWidget, public TThemeViewProtocol {
    Q_OBJECT
public:
    explicit TThemeView(TCardTheme* theme = nullptr, QWidget* parent = nullptr);

    qint32 part() const { return m_part; }
    void setPart(qint32 part);
    void setTheme(TCardTheme* theme) override;
    TCardTheme* theme() const override { return m_theme; }
    QVariantMap input() const { return m_input; }
    void setInput(const QVariantMap& input);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qint32 m_part = 0;
    TCardTheme* m_theme = nullptr;
    QVariantMap m_input;
};
