#include "CardMinimising.h"

#include "CardWindowController.h"
#include "Compositor.h"
#include "DockWindowController.h"
#include "WindowLevel.h"
#include "model/SheetManager.h"
#include "platform/Scheduler.h"

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

void miniaturize(TCardWindowController* controller) {
    TCard* card = controller ? controller->card() : nullptr;
    if (!card) return;
    TDockController* dock = TDockController::sharedController();
    TSheet* sheet = TSheetManager::SharedManager()->GetActiveSheet();
    // The dock must show the sheet the card goes into, or the card would vanish from sight.
    if (sheet && dock->sheet() != sheet) dock->setSheet(sheet);
    const QImage snapshot = animateTransitionToRect(controller, dock->frameForProposedDrop());
    card->SetMiniaturized(true);
    if (!snapshot.isNull()) card->SetPreviewImage(snapshot);
    if (sheet) sheet->ReorderCard(card, 2147483647);
    dock->reload();
}

} // namespace CardMinimising
