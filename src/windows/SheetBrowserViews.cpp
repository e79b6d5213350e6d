#include "SheetBrowserViews.h"

#include "Compositor.h"
#include "SheetBrowserWindowController.h"
#include "model/ModelContracts.h"
#include "model/Preferences.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSLabelField.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QLinearGradient>
#include <QPainter>

TSheetBrowserWindow::TSheetBrowserWindow(QWidget* parent) : QWidget(parent) {
    // Without a compositor a translucent window shows black where nothing is drawn.
    if (Compositor::isRunning()) setAttribute(Qt::WA_TranslucentBackground);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.addObserver(this, QString::fromLatin1(kNSLabelFieldWillBecomeActiveNotification), nullptr,
                       [this](const Notification& n) {
                           labelFieldWillBecomeActive(static_cast<QWidget*>(const_cast<void*>(n.object)));
                       });
    centre.addObserver(this, QString::fromLatin1(kNSLabelFieldWillResignActiveNotification), nullptr,
                       [this](const Notification& n) {
                           labelFieldWillResignActive(static_cast<QWidget*>(const_cast<void*>(n.object)));
                       });
}

TSheetBrowserWindow::~TSheetBrowserWindow() {
    NotificationCenter::defaultCenter().removeObserver(this);
    Scheduler::shared().cancelAll(this);
}

void TSheetBrowserWindow::labelFieldWillBecomeActive(QWidget* field) {
    if (!field || field->window() != this) return;
    m_allowKeyWindow = true;
    if (isVisible()) activateWindow();
    // The dock would cover the edit.
    if (TDockWindowController* dock = ModelContracts::dockWindow()) dock->setWindowLevel(-1);
}

void TSheetBrowserWindow::labelFieldWillResignActive(QWidget* field) {
    if (!field || field->window() != this) return;
    m_allowKeyWindow = false;
    if (!m_controller) return;
    // The keyboard goes back to the cards once the edit has ended.
    Scheduler::shared().performAfterDelay(this, QStringLiteral("advanceFirstResponder"), 0.0, [] {
        if (TAppController* application = ModelContracts::applicationDelegate())
            application->advanceFirstResponder();
    });
    m_controller->reposition();
    if (TDockWindowController* dock = ModelContracts::dockWindow()) dock->restoreWindowLevel();
    m_controller->slideBackWhenLeft();
}

TSheetBrowserContentView::TSheetBrowserContentView(SheetBrowserWindowController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {}

namespace {

// What lies under the browser's views: nothing where a compositor shows the desktop through, else a
// dark grey in its place, on which the rows' white titles and light selection read as over a desktop.
const QColor kOpaqueBackground(0x3a, 0x3d, 0x42);

void fillOpaqueBackground(QWidget* view, QPainter& painter) {
    if (!view->window()->testAttribute(Qt::WA_TranslucentBackground))
        painter.fillRect(view->rect(), kOpaqueBackground);
}

} // namespace

void TSheetBrowserContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillOpaqueBackground(this, painter);
    if (!m_controller || !m_controller->isDrawer()) return;
    const std::optional<QColor> colour = UserDefaultsUtilities::colorForKey(
        UserDefaults::standardUserDefaults(), kPreferenceKeyDrawerBackgroundColor);
    if (!colour || colour->alphaF() <= 0) return;
    painter.fillRect(rect(), *colour);
}

TSheetBrowserShadowView::TSheetBrowserShadowView(SheetBrowserWindowController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {}

void TSheetBrowserShadowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillOpaqueBackground(this, painter);
    if (!m_controller || !m_controller->isDrawer()) return;
    // The content lies to the shadow's left when the browser is at the left edge.
    const bool left = m_controller->slideEdge() == SlideGeometry::Left;
    QLinearGradient gradient(left ? QPointF(0, 0) : QPointF(width(), 0),
                             left ? QPointF(width(), 0) : QPointF(0, 0));
    gradient.setColorAt(0, QColor(0, 0, 0, 64));
    gradient.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(rect(), gradient);
    painter.fillRect(QRectF(left ? 0 : width() - 1, 0, 1, height()), QColor(0, 0, 0, 153));
}
