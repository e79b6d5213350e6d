#pragma once

#include <QList>
#include <QRectF>

// Window frames as the card files keep them (y up from the bottom of the main screen) and as Qt
// places windows (y down from the top of the main screen), screen-relative frames and the 8-point
// grid. The one place that converts between the two; pure functions over rectangles.
namespace CardFrame {

// The stored (y-up) frame as Qt's geometry, given the main screen's Qt geometry; and back.
QRectF toQt(const QRectF& stored, const QRectF& mainScreen);
QRectF fromQt(const QRectF& geometry, const QRectF& mainScreen);

// The frame's origin as fractions of the screen's size, measured from the screen's own origin (both
// in the same coordinates); the size is kept in points. And back onto a screen.
QRectF screenRelative(const QRectF& frame, const QRectF& screen);
QRectF fromScreenRelative(const QRectF& relative, const QRectF& screen);

// The same over several screens (main screen first), so that a frame comes back on the screen it
// was on: the screen holding the frame's centre (else the nearest) is numbered, the main screen 0
// and the others by position, and a screen k > 0 adds k to the x fraction (kept in [0, 1) there).
// Reading takes a whole part naming no other screen as a fraction of the main screen, as older
// values were written; the caller then puts the frame on a visible screen.
QRectF screenRelative(const QRectF& frame, const QList<QRectF>& screens);
QRectF fromScreenRelative(const QRectF& relative, const QList<QRectF>& screens);

// A value on the 8-point grid: 8 times the nearest integer to value / 8, ties to even.
double snap(double value);
QRectF snapRect(const QRectF& frame);
QSizeF snapSize(const QSizeF& size);

// The frame moved (never resized beyond a screen) so that it lies on one of the screens (Qt
// coordinates): unchanged when its title strip (the top 24 points) shows on a screen, else moved
// onto the screen nearest to its centre; empty screens are ignored. Unchanged without screens.
QRectF placeOnVisibleScreen(const QRectF& frame, const QList<QRectF>& screens);

// Whether a frame read from a file can place a window: finite, with a positive size and values no
// screen arrangement exceeds.
bool isUsable(const QRectF& frame);

// Negative origins become 0 on that axis (a window never starts left of or below the main screen).
QRectF constrainOrigin(const QRectF& frame);

} // namespace CardFrame
