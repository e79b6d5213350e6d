#include "SheetBrowserViews.h"

#include "SheetBrowserWindowController.h"
#include "model/Preferences.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSLabelField.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QLinearGradient>
#include <QPainter>

TSheetBrowserWindow::TSheetBrowserWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
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
}

void TSheetBrowserWindow::labelFieldWillResignActive(QWidget* field) {
    if (!field || field->window() != this) return;
    m_allowKeyWindow = false;
    if (m_controller) m_controller->reposition();
}

TSheetBrowserContentView::TSheetBrowserContentView(SheetBrowserWindowController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {}

void TSheetBrowserContentView::paintEvent(QPaintEvent*) {
    if (!m_controller || !m_controller->isDrawer()) return;
    const std::optional<QColor> colour = UserDefaultsUtilities::colorForKey(
        UserDefaults::standardUserDefaults(), kPreferenceKeyDrawerBackgroundColor);
    if (!colour || colour->alphaF() <= 0) return;
    QPainter painter(this);
    painter.fillRect(rect(), *colour);
}

TSheetBrowserShadowView::TSheetBrowserShadowView(SheetBrowserWindowController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {}

void TSheetBrowserShadowView::paintEvent(QPaintEvent*) {
    if (!m_controller || !m_controller->isDrawer()) return;
    // The content lies to the shadow's left when the browser is at the left edge.
    const bool left = m_controller->slideEdge() == SlideGeometry::Left;
    QPainter painter(this);
    QLinearGradient gradient(left ? QPointF(0, 0) : QPointF(width(), 0),
                             left ? QPointF(width(), 0) : QPointF(0, 0));
    gradient.setColorAt(0, QColor(0, 0, 0, 64));
    gradient.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(rect(), gradient);
    painter.fillRect(QRectF(left ? 0 : width() - 1, 0, 1, height()), QColor(0, 0, 0, 153));
}
