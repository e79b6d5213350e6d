#include "NSPopoverController.h"

NSPopoverController::NSPopoverController(QWidget* contentViewController, QObject* parent)
    : QObject(parent), m_contentViewController(contentViewController) {}

NSPopoverController::~NSPopoverController() {
    if (m_popover) {
        m_popover->setDelegate(nullptr);
        m_popover->takeContentView();
        // A popover in the middle of closing deletes itself when done.
        if (!m_popoverClosing) delete m_popover;
    }
    delete m_contentViewController;
}

NSPopover* NSPopoverController::popover() {
    if (!m_popover) m_popover = loadPopover();
    return m_popover;
}

NSPopover* NSPopoverController::loadPopover() {
    auto* popover = new NSPopover;
    popover->setDelegate(this);
    popover->setAnimates(true);
    popover->setAppearance(NSPopoverAppearanceMinimal);
    popover->setBehavior(NSPopoverBehaviorTransient);
    // The content's size now, not at show time; a content never sized yet (Qt's 640 by 480) takes the
    // size its layout asks for.
    QSizeF size;
    if (QWidget* content = m_contentViewController)
        size = content->testAttribute(Qt::WA_Resized) ? content->size() : content->sizeHint();
    popover->setContentView(m_contentViewController);
    popover->setContentSize(size);
    return popover;
}

void NSPopoverController::showRelativeToRect(const QRectF& rect, QWidget* view, quint64 preferredEdge) {
    m_preferredEdge = preferredEdge;
    popover()->showRelativeToRect(rect, view, preferredEdge);
    if (!parent()) m_ownsItself = true;
}

bool NSPopoverController::isShown() {
    return popover()->isShown();
}

void NSPopoverController::performClose() {
    popover()->performClose();
}

void NSPopoverController::close() {
    popover()->closePopover();
}

void NSPopoverController::setContentSize(const QSizeF& size) {
    popover()->setContentSize(size);
}

void NSPopoverController::setAnimates(bool animates) {
    popover()->setAnimates(animates);
}

void NSPopoverController::setAppearance(qint64 appearance) {
    popover()->setAppearance(appearance);
}

void NSPopoverController::setBehavior(qint64 behavior) {
    popover()->setBehavior(behavior);
}

NSPopoverDelegate* NSPopoverController::contentDelegate() const {
    return dynamic_cast<NSPopoverDelegate*>(m_contentViewController.data());
}

void NSPopoverController::popoverWillShow(NSPopover* popover) {
    if (NSPopoverDelegate* content = contentDelegate()) content->popoverWillShow(popover);
    if (m_delegate) m_delegate->popoverControllerWillShow(this);
}

void NSPopoverController::popoverDidShow(NSPopover* popover) {
    if (NSPopoverDelegate* content = contentDelegate()) content->popoverDidShow(popover);
    if (m_delegate) m_delegate->popoverControllerDidShow(this);
}

void NSPopoverController::popoverWillClose(NSPopover* popover) {
    m_popoverClosing = true;
    const QPointer<NSPopoverController> self(this);
    if (NSPopoverDelegate* content = contentDelegate()) content->popoverWillClose(popover);
    if (self && m_delegate) m_delegate->popoverControllerWillClose(this);
}

void NSPopoverController::popoverDidClose(NSPopover* popover) {
    // The content or the delegate may delete the controller from the notice.
    const QPointer<NSPopoverController> self(this);
    if (NSPopoverDelegate* content = contentDelegate()) content->popoverDidClose(popover);
    if (!self) return;
    if (m_delegate) m_delegate->popoverControllerDidClose(this);
    if (!self) return;
    // The popover deletes itself; the content view stays the controller's.
    m_popoverClosing = false;
    if (m_popover == popover) {
        popover->takeContentView();
        popover->setDelegate(nullptr);
        m_popover = nullptr;
    }
    if (m_ownsItself) {
        m_ownsItself = false;
        deleteLater();
    }
}

bool NSPopoverController::popoverShouldClose(NSPopover*) {
    return !m_delegate || m_delegate->popoverControllerShouldClose(this);
}

namespace NSPopoverControllerViewHelpers {

namespace {

NSPopoverController* makeController(QWidget* content) {
    auto* controller = new NSPopoverController(content);
    if (auto* viewDelegate = dynamic_cast<NSPopoverControllerViewDelegate*>(content))
        viewDelegate->setPopoverController(controller);
    return controller;
}

NSPopover* show(NSPopoverController* controller, const QRectF& rect, QWidget* view, quint64 edge) {
    controller->showRelativeToRect(rect, view, edge);
    return controller->popover();
}

} // namespace

NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge) {
    return show(makeController(contentViewController), rect, view, preferredEdge);
}

NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge, qint64 appearance) {
    NSPopoverController* controller = makeController(contentViewController);
    controller->setAppearance(appearance);
    return show(controller, rect, view, preferredEdge);
}

NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge, qint64 appearance, qint64 behavior, bool animates) {
    NSPopoverController* controller = makeController(contentViewController);
    controller->setAnimates(animates);
    controller->setAppearance(appearance);
    controller->setBehavior(behavior);
    return show(controller, rect, view, preferredEdge);
}

} // namespace NSPopoverControllerViewHelpers
