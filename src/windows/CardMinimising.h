#pragma once

#include "StackTransitionWindow.h"

#include <QImage>
#include <QRect>

class TCardWindowController;
class TDockController;
class TGenericCardWindowController;
class QWidget;

// The borderless window that carries a card window's snapshot on its flight into the dock. It
// stays above the cards, lets the pointer through, and an animated frame change always takes a
// quarter of a second. Main thread only.
class TCardTransitionWindow : public TStackTransitionWindow {
    Q_OBJECT
public:
    static double animationResizeTime() { return 0.25; }

    explicit TCardTransitionWindow(const QImage& image);

    QImage image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

// Minimising a card window into the dock instead of the system's minimise: the window's snapshot
// flies to the dock's next slot, the window is ordered out, the card is marked miniaturised with
// the snapshot as its preview and placed last in the active sheet's order, and the dock shows it.
// Main thread only.
namespace CardMinimising {

// Captures the window, orders it out and flies the snapshot in a transition window (which closes
// and deletes itself when the flight ends) to the rectangle in Qt's global coordinates. Returns
// the snapshot; null when the controller has no window.
QImage animateTransitionToRect(TGenericCardWindowController* controller, const QRect& rect);

// The window that takes the focus when the card window leaves for the dock: the last shown of the
// other card windows, else the sheet browser when shown; null when none is.
QWidget* windowTakingFocus(const TCardWindowController* leaving, const TDockController* dock);

// Hands the focus to another shown card window or the sheet browser first, so the program stays
// active and its dock and browser stay shown.
void miniaturize(TCardWindowController* controller);

// A card window shown while its card is still miniaturised came back some other way than through
// the dock (the tray, a link, the window list): the card leaves the dock, so both stay in step.
void cardWindowDidShow(TCardWindowController* controller);

} // namespace CardMinimising
