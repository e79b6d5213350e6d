#include "StackWindowController.h"

#include "StackWindow.h"
#include "model/Stack.h"
#include "platform/Diagnostics.h"

#include <QVBoxLayout>

namespace {
constexpr double kStackSide = 128;
}

TStackWindowController::TStackWindowController(TStack* stack) {
    setCard(stack);
    auto* window = new TStackWindow(this);
    setWindow(window);
    if (stack) window->setWindowTitle(stack->GetTitle());

    m_imageView = new TStackImageView(stack, window);
    m_imageView->setDelegate(this);
    connect(m_imageView, &TStackImageView::doubleClicked, this, &TStackWindowController::expand);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_imageView);

    restoreFrame();
}

TStackWindowController::~TStackWindowController() {
    Diagnostics::line(QStringLiteral("TStackWindowController.dealloc"));
}

TStack* TStackWindowController::stack() const {
    return dynamic_cast<TStack*>(card());
}

TStackWindow* TStackWindowController::stackWindow() const {
    return static_cast<TStackWindow*>(window());
}

void TStackWindowController::restoreFrame() {
    if (!card() || !hasScreen()) {
        Diagnostics::line(QStringLiteral("no screen available to restore frame"));
        return;
    }
    // The card's place (screen-relative frames on the screen they name, always on a visible one);
    // the size is the stack's own.
    const QRectF frame = restoredFrame(card());
    setStoredFrame(QRectF(frame.topLeft(), QSizeF(kStackSide, kStackSide)));
    setFrameDidRestore(true);
}

void TStackWindowController::screensAppeared() {
    restoreFrame();
}

TCardControllerProtocol* TStackWindowController::controllerForCard(const TCard* card) const {
    for (TCardControllerProtocol* controller : m_controllers)
        if (controller->card() == card) return controller;
    return nullptr;
}

void TStackWindowController::addCard(TCard* /*card*/) {
    m_imageView->reloadImage();
}

void TStackWindowController::removeCard(TCard* /*card*/) {
    m_imageView->reloadImage();
}

NSDragOperation TStackWindowController::stackImageViewDraggingEntered(TStackImageView* /*view*/,
                                                                      const NSDraggingInfo& /*info*/) {
    return NSDragOperationNone;
}

bool TStackWindowController::stackImageViewPerformDragOperation(TStackImageView* /*view*/,
                                                                const NSDraggingInfo& /*info*/) {
    return false;
}
