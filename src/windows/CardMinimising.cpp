#include "CardMinimising.h"

#include "CardWindowController.h"
#include "Compositor.h"
#include "DockWindowController.h"
#include "WindowLevel.h"
#include "model/SheetManager.h"
#include "platform/Scheduler.h"
#include "toolkit/NSSlideWindowController.h"

#include <QPainter>

TCardTransitionWindow::TCardTransitionWindow(const QImage& image)
    : TStackTransitionWindow(animationResizeTime(), nullptr), m_image(image) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowTransparentForInput);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_DeleteOnClose);
    if (Compositor::isRunning()) setAttribute(Qt::WA_TranslucentBackground);
    WindowLevel::setLevel(this, WindowLevel::kFloatingLevel);
}

void TCardTransitionWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

namespace CardMinimising {

QImage animateTransitionToRect(TGenericCardWindowController* controller, const QRect& rect) {
    QWidget* cardWindow = controller ? controller->window() : nullptr;
    if (!cardWindow) return {};
    const QImage snapshot = controller->capturePreviewImage();
    auto* transition = new TCardTransitionWindow(snapshot);
    transition->setFrame(cardWindow->geometry(), false);
    transition->show();
    transition->raise();
    cardWindow->hide();
    transition->setFrame(rect, true);
    Scheduler::shared().performAfterDelay(transition, QStringLiteral("closeTransition"),
                                          TCardTransitionWindow::animationResizeTime() + 0.05,
                                          [transition] { transition->close(); });
    return snapshot;
}

QWidget* windowTakingFocus(const TCardWindowController* leaving, const TDockController* dock) {
    QWidget* next = nullptr;
    for (TCardControllerProtocol* other : TSheetManager::SharedManager()->GetControllers()) {
        auto* generic = dynamic_cast<TGenericCardWindowController*>(other);
        QWidget* window = generic && generic != leaving ? generic->window() : nullptr;
        if (window && window->isVisible() && !window->isMinimized()) next = window;
    }
    if (next) return next;
    QWidget* browser = dock->sheetBrowser() ? dock->sheetBrowser()->window() : nullptr;
    return browser && browser->isVisible() ? browser : nullptr;
}

void miniaturize(TCardWindowController* controller) {
    TCard* card = controller ? controller->card() : nullptr;
    if (!card) return;
    TDockController* dock = TDockController::sharedController();
    TSheet* sheet = TSheetManager::SharedManager()->GetActiveSheet();
    // The dock must show the sheet the card goes into, or the card would vanish from sight.
    if (sheet && dock->sheet() != sheet) dock->setSheet(sheet);
    // The program stays active once the window is gone, so the dock and the browser stay shown; with
    // nothing left to take the focus the dock stays all the same, as the way back to the card.
    if (QWidget* next = windowTakingFocus(controller, dock))
        next->activateWindow();
    else
        dock->keepShownWhileInactive();
    const QImage snapshot = animateTransitionToRect(controller, dock->frameForProposedDrop());
    card->SetMiniaturized(true);
    if (!snapshot.isNull()) card->SetPreviewImage(snapshot);
    if (sheet) sheet->ReorderCard(card, 2147483647);
    dock->reload();
}

void cardWindowDidShow(TCardWindowController* controller) {
    TCard* card = controller ? controller->card() : nullptr;
    if (!card || !card->IsMiniaturized()) return;
    card->SetMiniaturized(false);
    TDockController::sharedController()->reload();
}

} // namespace CardMinimising
