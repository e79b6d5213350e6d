#include "ViewUtilities.h"

#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "utilities/CGDrawing.h"
#include "utilities/ImageUtilities.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ViewUtilities {

bool hasWindow(const QWidget* view) {
    return view && (view->parentWidget() || view->windowHandle());
}

bool isFirstResponder(const QWidget* view) {
    return hasWindow(view) && view->window()->focusWidget() == view;
}

void makeFirstResponder(QWidget* view) {
    if (!hasWindow(view)) {
        Diagnostics::warning(QStringLiteral("view can't become first responder until a window is set."));
        return;
    }
    view->setFocus(Qt::OtherFocusReason);
}

void setNeedsDisplay(QWidget* view) {
    if (view) view->update();
}

QPainter* CGContext(const QWidget*) {
    return CGUtilities::NSGraphicsContextCurrent();
}

QPainter* flippedContext(const QWidget* view) {
    return CGContext(view);
}

QImage copyCGImage(QWidget* view) {
    return view ? copyCGImage(view, view->rect()) : QImage();
}

QImage copyCGImage(QWidget* view, const QRectF& rect) {
    const QRect area = rect.toAlignedRect();
    if (!view || area.isEmpty()) return {};
    return view->grab(area).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage viewImage(QWidget* view, double fraction) {
    return ImageUtilities::imageWithTransparency(ImageUtilities::imageWithCGImage(copyCGImage(view)),
                                                 fraction);
}

QRectF convertRectToScreen(const QWidget* view, const QRectF& rect) {
    return QRectF(convertPointToScreen(view, rect.topLeft()), rect.size());
}

QRectF convertRectFromScreen(const QWidget* view, const QRectF& rect) {
    return QRectF(convertPointFromScreen(view, rect.topLeft()), rect.size());
}

QPointF convertPointToScreen(const QWidget* view, const QPointF& point) {
    return view ? view->mapToGlobal(point) : point;
}

QPointF convertPointFromScreen(const QWidget* view, const QPointF& point) {
    return view ? view->mapFromGlobal(point) : point;
}

QRectF convertRectToWindow(const QWidget* view, const QRectF& rect, const QWidget* window) {
    return convertRectFromScreen(window, convertRectToScreen(view, rect));
}

QWidget* superviewOfClass(const QWidget* view, const std::type_info& type) {
    for (QWidget* ancestor = view ? view->parentWidget() : nullptr; ancestor;
         ancestor = ancestor->parentWidget()) {
        if (typeid(*ancestor) == type) return ancestor;
    }
    return nullptr;
}

} // namespace ViewUtilities

namespace ViewFading {

namespace {

const QString kFadeKey = QStringLiteral("alphaValue");
constexpr double kTick = 1.0 / 60.0;

void fade(QWidget* view, bool in, const Delegate& delegate, double duration) {
    if (!view) return;
    Scheduler* scheduler = &Scheduler::shared();
    scheduler->cancelPrevious(view, kFadeKey);
    if (in) setAlphaValue(view, 0);
    const double from = alphaValue(view);
    const double to = in ? 1 : 0;
    if (!(duration > 0)) {
        setAlphaValue(view, to);
        if (delegate) delegate(true);
        return;
    }
    const int steps = static_cast<int>(std::clamp(std::ceil(duration / kTick), 1.0, 1e6));
    auto done = std::make_shared<int>(0);
    const void* owner = view;
    QPointer<QWidget> guard(view);
    scheduler->scheduleRepeating(owner, kFadeKey, duration / steps, [=] {
        if (guard) setAlphaValue(guard, from + (to - from) * ++*done / steps);
        if (guard && *done < steps) return;
        scheduler->cancelPrevious(owner, kFadeKey);
        if (delegate) delegate(!guard.isNull());
    });
}

} // namespace

void fadeIn(QWidget* view) {
    fadeIn(view, {}, kDefaultDuration);
}

void fadeOut(QWidget* view) {
    fadeOut(view, {}, kDefaultDuration);
}

void fadeIn(QWidget* view, const Delegate& delegate, double duration) {
    fade(view, true, delegate, duration);
}

void fadeOut(QWidget* view, const Delegate& delegate, double duration) {
    fade(view, false, delegate, duration);
}

double alphaValue(const QWidget* view) {
    if (!view) return 1;
    if (view->isWindow()) return view->windowOpacity();
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(view->graphicsEffect());
    return effect ? effect->opacity() : 1;
}

void setAlphaValue(QWidget* view, double alpha) {
    if (!view) return;
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (view->isWindow()) {
        view->setWindowOpacity(alpha);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        if (view->graphicsEffect() || alpha >= 1) return; // another effect stays; opaque needs none
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect); // owned by the view
    }
    effect->setOpacity(alpha);
}

} // namespace ViewFading
