#pragma once

#include "GenericCardWindow.h"

class TCardWindowController;

// A card window: frameless, painted by the card's theme (background part with the card's colour),
// moved by its background and resized by its edges through the window manager, translucent only
// where a compositor runs. Commands that belong to the window go to its controller. Owned by its
// controller; main thread only.
class TCardWindow : public TGenericCardWindow {
    Q_OBJECT
public:
    explicit TCardWindow(TCardWindowController* controller);

    TCardWindowController* cardController() const;
    void nextCard();
    void previousCard();
    void detachCard();
    void performMiniaturize();
    void performZoom();
    bool validateMenuItem(const QString& action) const override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Qt::Edges edgesAt(const QPoint& point) const;
};
