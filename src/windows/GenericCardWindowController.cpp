#include "GenericCardWindowController.h"

#include "CardFrame.h"
#include "GenericCardWindow.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/AlertPresenter.h"
#include "platform/ProcessMemory.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/ScreenProvider.h"

#include <QEvent>
#include <QWidget>

namespace {
const QString kPreviewKey = QStringLiteral("updatePreviewImageIfNeedsDisplay");
const QString kSnapSizeKey = QStringLiteral("snapSize");
constexpr int kGrid = 8;

QRectF mainScreen() {
    return QRectF(ScreenProvider::shared().mainScreenGeometry());
}

bool snapToGrid() {
    return NSPrefs().boolForKey(kPreferenceKeySnapToGrid);
}
} // namespace

TGenericCardWindowController::TGenericCardWindowController() {
    connect(&ScreenProvider::shared(), &ScreenProvider::screensChanged, this, [this] {
        if (!m_frameDidRestore && window() && hasScreen()) screensAppeared();
    });
    connect(&NSPrefs(), &UserDefaults::changed, this, [this](const QString& key) {
        if (key == kPreferenceKeySnapToGrid) applySizeIncrement();
    });
}

TGenericCardWindowController::~TGenericCardWindowController() {
    Scheduler::shared().cancelAll(this);
    delete window();
    setCard(nullptr);
}

TGenericCardWindowController* TGenericCardWindowController::controllerOfWidget(const QWidget* widget) {
    const QWidget* window = widget ? widget->window() : nullptr;
    auto* cardWindow = qobject_cast<const TGenericCardWindow*>(window);
    return cardWindow ? cardWindow->windowController() : nullptr;
}

void TGenericCardWindowController::setCard(TCard* card) {
    if (m_card) m_card->Release();
    m_card = card;
    if (m_card) m_card->Retain();
}

void TGenericCardWindowController::setWindow(TGenericCardWindow* window) {
    m_window = window;
    m_windowObject = window;
    if (window) window->installEventFilter(this);
    applySizeIncrement();
}

// The grid as the window's size increment, so the window manager resizes in its steps.
void TGenericCardWindowController::applySizeIncrement() {
    if (!window()) return;
    const int step = snapToGrid() ? kGrid : 0;
    window()->setSizeIncrement(step, step);
}

bool TGenericCardWindowController::hasScreen() {
    return !ScreenProvider::shared().mainScreenGeometry().isEmpty();
}

QRectF TGenericCardWindowController::storedFrame() const {
    return window() ? CardFrame::fromQt(QRectF(window()->geometry()), mainScreen()) : QRectF();
}

void TGenericCardWindowController::setStoredFrame(const QRectF& frame) {
    if (window()) window()->setGeometry(CardFrame::toQt(frame, mainScreen()).toRect());
}

QList<QRectF> TGenericCardWindowController::storedScreenFrames() {
    QList<QRectF> result;
    for (const QRect& screen : ScreenProvider::shared().availableGeometries())
        result << CardFrame::fromQt(QRectF(screen), mainScreen());
    return result;
}

QRectF TGenericCardWindowController::screenRelativeFrame() const {
    return CardFrame::screenRelative(storedFrame(), storedScreenFrames());
}

QRectF TGenericCardWindowController::restoredFrame(const TCard* card) const {
    QRectF frame = card->GetFrame();
    if (card->IsFrameScreenRelative()) frame = CardFrame::fromScreenRelative(frame, storedScreenFrames());
    // A damaged frame (not a number, no size, far beyond any screen) opens at the default size.
    if (!CardFrame::isUsable(frame)) frame = QRectF(0, 0, 400, 300);
    // Frames written on a screen that is gone, or by older versions, come back onto a visible screen.
    const QRectF geometry = CardFrame::toQt(frame, mainScreen());
    const QRect screen = ScreenProvider::shared().availableGeometryAt(geometry.center().toPoint());
    return CardFrame::fromQt(CardFrame::placeOnVisibleScreen(geometry, {QRectF(screen)}), mainScreen());
}

QSizeF TGenericCardWindowController::windowWillResize(const QSizeF& proposed) const {
    return snapToGrid() ? CardFrame::snapSize(proposed) : proposed;
}

void TGenericCardWindowController::writeFrameBack() {
    if (!m_card) return;
    m_card->SetScreenRelativeFrame(true);
    m_card->SetFrame(screenRelativeFrame());
}

void TGenericCardWindowController::windowDidMove() {
    if (!m_frameDidRestore || m_snapping) return;
    if (snapToGrid()) {
        m_snapping = true;
        setStoredFrame(CardFrame::snapRect(storedFrame()));
        m_snapping = false;
    }
    writeFrameBack();
}

void TGenericCardWindowController::windowDidResize() {
    if (m_frameDidRestore && !m_snapping && window()) {
        const QSizeF size(window()->size());
        if (windowWillResize(size) != size)
            Scheduler::shared().performAfterDelay(this, kSnapSizeKey, kResizeSnapDelay,
                                                  [this] { snapSize(); });
    }
    if (m_frameDidRestore) writeFrameBack();
    setUINeedsDisplay();
}

// The top left corner stays where it is.
void TGenericCardWindowController::snapSize() {
    if (!window() || !snapToGrid()) return;
    m_snapping = true;
    window()->resize(windowWillResize(QSizeF(window()->size())).toSize());
    m_snapping = false;
}

void TGenericCardWindowController::screensAppeared() {
    if (m_card) setStoredFrame(restoredFrame(m_card));
    m_frameDidRestore = true;
}

bool TGenericCardWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_windowObject && watched) {
        if (event->type() == QEvent::Move) windowDidMove();
        if (event->type() == QEvent::Resize) windowDidResize();
    }
    return QObject::eventFilter(watched, event);
}

QImage TGenericCardWindowController::capturePreviewImage() {
    if (!window()) return {};
    return window()->grab().toImage();
}

void TGenericCardWindowController::updatePreviewImage() {
    const QImage image = capturePreviewImage();
    if (!image.isNull() && m_card) m_card->SetPreviewImage(image);
    m_uiNeedsDisplay = false;
    // The window has settled after a change; drawing it for the preview needed its picture meanwhile.
    ProcessMemory::releaseFreedWhenIdle();
}

void TGenericCardWindowController::updatePreviewImageIfNeedsDisplay() {
    if (m_uiNeedsDisplay) updatePreviewImage();
}

void TGenericCardWindowController::setUINeedsDisplay() {
    m_uiNeedsDisplay = true;
    Scheduler::shared().performAfterDelay(this, kPreviewKey, 1.0,
                                          [this] { updatePreviewImageIfNeedsDisplay(); });
}

bool TGenericCardWindowController::windowShouldClose() {
    Alert alert;
    alert.messageText =
        QStringLiteral("Delete the card \"%1\"?").arg(m_card ? m_card->GetTitle() : QString());
    alert.informativeText = QStringLiteral("This action cannot be undone.");
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    alert.style = Alert::Style::Warning;
    QPointer<TGenericCardWindowController> self(this);
    AlertPresenter::shared().beginSheet(alert, window(), [self](int code) {
        if (self) self->alertDidEnd(code);
    });
    return false;
}

void TGenericCardWindowController::alertDidEnd(int returnCode) {
    if (returnCode == NSAlertFirstButtonReturn)
        performClose();
    else
        cancelClose();
}

void TGenericCardWindowController::performClose() {
    if (m_card) TSheetManager::SharedManager()->CloseCard(m_card, true);
}

void TGenericCardWindowController::showWindow() {
    if (!window()) return;
    window()->show();
    window()->raise();
    window()->activateWindow();
}

QRectF TGenericCardWindowController::windowFrame() const {
    return window() ? QRectF(window()->geometry()) : QRectF();
}

void TGenericCardWindowController::close() {
    if (window()) window()->closeWithoutAsking();
}
