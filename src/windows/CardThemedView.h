#pragma once

#include <QPointer>
#include <QVariantMap>
#include <QWidget>

class TCardTheme;

// A view that paints one part of a card theme (background, content or sidebar container) with an
// input ("color", "fullscreen"). The theme is not owned (themes live in the registry). Owned by its
// parent widget; main thread only.
class CardThemedView : public QWidget {
    Q_OBJECT
public:
    explicit CardThemedView(qint32 part, QWidget* parent = nullptr);
    void setTheme(TCardTheme* theme, const QVariantMap& input);
    TCardTheme* theme() const { return m_theme; }
    qint32 part() const { return m_part; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TCardTheme* m_theme = nullptr;
    qint32 m_part;
    QVariantMap m_input;
};
