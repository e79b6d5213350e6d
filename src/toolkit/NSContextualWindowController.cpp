#include "NSContextualWindowController.h"

#include <QChildEvent>
#include <QGuiApplication>

NSContextualWindow::NSContextualWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
}

NSContextualWindowController::NSContextualWindowController(QWidget* window)
    : NSFadeWindowController(window ? window : new NSContextualWindow) {
    setReleasedWhenClosed(true);
    setFadeDuration(0.0);
    this->window()->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) applicationWillResignActive();
    });
}

NSContextualWindowController::~NSContextualWindowController() {
    // The window goes while this part of the controller still filters its events.
    delete window();
}

bool NSContextualWindowController::shouldCloseForWindowResignation() {
    return !delegate() || delegate()->shouldCloseForWindowResignation(window());
}

void NSContextualWindowController::windowDidResignKey() {
    if (m_behavior != CloseOnResignationAndDeactivation) return;
    m_wantsCloseAfterFadedIn = !m_didFadeIn;
    if (shouldCloseForWindowResignation()) close();
}

void NSContextualWindowController::applicationWillResignActive() {
    // A window never shown still belongs to its maker, who may show it later.
    if (!m_wasShown) return;
    if (m_behavior == CloseOnResignationAndDeactivation || m_behavior == CloseOnDeactivation) close();
}

void NSContextualWindowController::windowWillBeginSheet() {
    m_savedSheetBehavior = m_behavior;
    m_behavior = StayOpen;
}

void NSContextualWindowController::windowDidEndSheet() {
    m_behavior = m_savedSheetBehavior;
}

void NSContextualWindowController::windowDidFadeIn() {
    NSFadeWindowController::windowDidFadeIn();
    m_didFadeIn = true;
    if (m_wantsCloseAfterFadedIn) {
        m_wantsCloseAfterFadedIn = false;
        if (m_behavior == CloseOnResignationAndDeactivation && shouldCloseForWindowResignation()) close();
    }
}

bool NSContextualWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window()) {
        switch (event->type()) {
        case QEvent::Show:
            m_wasShown = true;
            break;
        case QEvent::WindowDeactivate:
            windowDidResignKey();
            break;
        case QEvent::ChildAdded:
            // A dialog made on the window may become its sheet.
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                child->installEventFilter(this);
            break;
        case QEvent::ChildRemoved:
            if (m_sheet && static_cast<QChildEvent*>(event)->child() == m_sheet) {
                m_sheet = nullptr;
                windowDidEndSheet();
            }
            break;
        default:
            break;
        }
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWindow() || widget->windowModality() != Qt::WindowModal) return false;
    if (event->type() == QEvent::Show && !m_sheet) {
        m_sheet = widget;
        windowWillBeginSheet();
    } else if (event->type() == QEvent::Hide && m_sheet == widget) {
        m_sheet = nullptr;
        windowDidEndSheet();
    }
    return false;
}
