#include "CardWindow.h"

#include "CardMinimising.h"
#include "CardWindowController.h"
#include "Compositor.h"

#include <QMouseEvent>
#include <QWindow>

namespace {
constexpr int kResizeMargin = 5;
}

TCardWindow::TCardWindow(TCardWindowController* controller) : TGenericCardWindow(controller) {
    setMouseTracking(true);
    if (Compositor::isRunning()) setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(216, 80);
}

TCardWindowController* TCardWindow::cardController() const {
    return static_cast<TCardWindowController*>(windowController());
}

void TCardWindow::nextCard() {
    if (cardController()) cardController()->nextCard();
}

void TCardWindow::previousCard() {
    if (cardController()) cardController()->previousCard();
}

void TCardWindow::detachCard() {
    if (cardController()) cardController()->detachCard();
}

void TCardWindow::performMiniaturize() {
    CardMinimising::miniaturize(cardController());
}

void TCardWindow::performZoom() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

bool TCardWindow::validateMenuItem(const QString& action) const {
    static const QStringList forwarded = {QStringLiteral("nextCard"), QStringLiteral("previousCard"),
                                          QStringLiteral("detachCard")};
    const bool own = TGenericCardWindow::validateMenuItem(action);
    if (cardController() && (forwarded.contains(action) || !own)) {
        MenuItemState item{action, false, QString(), QVariant()};
        return cardController()->validateMenuItem(item);
    }
    return own;
}

Qt::Edges TCardWindow::edgesAt(const QPoint& point) const {
    Qt::Edges edges;
    if (point.x() < kResizeMargin) edges |= Qt::LeftEdge;
    if (point.x() >= width() - kResizeMargin) edges |= Qt::RightEdge;
    if (point.y() < kResizeMargin) edges |= Qt::TopEdge;
    if (point.y() >= height() - kResizeMargin) edges |= Qt::BottomEdge;
    return edges;
}

void TCardWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle()) {
        const Qt::Edges edges = edgesAt(event->position().toPoint());
        if (edges ? windowHandle()->startSystemResize(edges) : windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
    }
    TGenericCardWindow::mousePressEvent(event);
}

void TCardWindow::mouseMoveEvent(QMouseEvent* event) {
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge)))
        setCursor((edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                      ? Qt::SizeFDiagCursor
                      : Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges)
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
    TGenericCardWindow::mouseMoveEvent(event);
}

void TCardWindow::showEvent(QShowEvent* event) {
    CardMinimising::cardWindowDidShow(cardController());
    TGenericCardWindow::showEvent(event);
}

void TCardWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && cardController())
        cardController()->windowStateChanged();
    if (event->type() == QEvent::ActivationChange && cardController() && !isActiveWindow())
        cardController()->windowDidResignKey();
    TGenericCardWindow::changeEvent(event);
}
