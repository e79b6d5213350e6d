#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <typeinfo>

class QPainter;

// Helpers on views (widgets): creation, focus, the painter of the current drawing, snapshots,
// conversion to and from the screen, and the search for an ancestor. Stateless. A view "has a window"
// when it sits in another widget or was made a window of its own (shown or given a native window);
// "screen" coordinates are Qt's global ones.
namespace ViewUtilities {

// A new view of the class with a zero frame; owned by the parent, or by the caller without one.
template <class View> View* view(QWidget* parent = nullptr) {
    auto* made = new View(parent);
    made->setGeometry(0, 0, 0, 0);
    return made;
}

bool hasWindow(const QWidget* view);
// True when the view has a window whose focus widget (the one that has or will get the focus) is it.
bool isFirstResponder(const QWidget* view);
// Gives the view its window's focus. Without a window writes the warning "view can't become first
// responder until a window is set." (Diagnostics) and does nothing else.
void makeFirstResponder(QWidget* view);
void setNeedsDisplay(QWidget* view); // the whole view is repainted

// The painter of the drawing in progress (CGUtilities' current painter; the view is not consulted);
// null when none is open. A view's painter already runs top-down, so the flipped context is the same
// painter as it stands.
QPainter* CGContext(const QWidget* view);
QPainter* flippedContext(const QWidget* view);

// Snapshots of the view's contents (its children included), at the pixel size of its rect; null for
// no view or an empty rect.
QImage copyCGImage(QWidget* view);
QImage copyCGImage(QWidget* view, const QRectF& rect);
// The view's contents at an opacity (0 to 1): unchanged at 1, fully transparent at 0; point size =
// pixel size.
QImage viewImage(QWidget* view, double fraction);

QRectF convertRectToScreen(const QWidget* view, const QRectF& rect);
QRectF convertRectFromScreen(const QWidget* view, const QRectF& rect);
QPointF convertPointToScreen(const QWidget* view, const QPointF& point);
QPointF convertPointFromScreen(const QWidget* view, const QPointF& point);
// A rect of the view in the coordinates of another window, through the screen.
QRectF convertRectToWindow(const QWidget* view, const QRectF& rect, const QWidget* window);

// The nearest ancestor whose class is exactly the given one (an instance of a subclass does not
// match); null when none.
QWidget* superviewOfClass(const QWidget* view, const std::type_info& type);
template <class View> View* superviewOfClass(const QWidget* view) {
    return static_cast<View*>(superviewOfClass(view, typeid(View)));
}

} // namespace ViewUtilities

// Fades views in and out on the platform scheduler (ticks of 1/60 s): a window through its window
// opacity, a child view through an opacity effect. Fading in starts from transparent; a fade-out
// leaves the view in place, transparent. A new fade of the same view replaces the running one, whose
// delegate is then not called. Main thread only.
namespace ViewFading {

// Called once when the fade ends (finished: it ran to its end).
using Delegate = std::function<void(bool finished)>;

inline constexpr double kDefaultDuration = 0.5;
void fadeIn(QWidget* view);  // no delegate, 0.5 s
void fadeOut(QWidget* view); // no delegate, 0.5 s
// A duration of 0 or less sets the end opacity at once and calls the delegate before returning.
void fadeIn(QWidget* view, const Delegate& delegate, double duration);
void fadeOut(QWidget* view, const Delegate& delegate, double duration);

// The opacity fades work on: the window opacity of a window, the effect's opacity of a child view
// (1 without one).
double alphaValue(const QWidget* view);
void setAlphaValue(QWidget* view, double alpha);

} // namespace ViewFading
