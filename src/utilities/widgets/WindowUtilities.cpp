#include "WindowUtilities.h"

#include "utilities/ScreenUtilities.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace WindowUtilities {

std::optional<bool> activeStateForEvent(const QWidget& widget, const QEvent& event) {
    switch (event.type()) {
    case QEvent::WindowActivate:
        return true;
    case QEvent::WindowDeactivate:
        return false;
    case QEvent::Show:
        return widget.isActiveWindow();
    default:
        return std::nullopt;
    }
}

void makeFullScreen(QWidget* window) {
    if (window)
        window->setGeometry(
            ScreenUtilities::frameExcludingMenuBar(QGuiApplication::primaryScreen()).toRect());
}

void makeFullScreenInDisplay(QWidget* window, quint32 displayID) {
    QScreen* screen = ScreenUtilities::screenForDisplay(displayID);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (window) window->setGeometry(ScreenUtilities::frameExcludingMenuBar(screen).toRect());
}

void makeWindowFirstResponder(QWidget* window) {
    if (!window) return;
    if (window->focusPolicy() == Qt::NoFocus) window->setFocusPolicy(Qt::StrongFocus);
    window->setFocus(Qt::OtherFocusReason);
}

void setContentWidth(QWidget* window, int width) {
    if (window) window->resize(width, window->frameGeometry().height());
}

void setContentHeight(QWidget* window, int height) {
    if (window) window->resize(window->frameGeometry().width(), height);
}

} // namespace WindowUtilities

namespace SplitViewUtilities {

namespace {

// QSplitter's handle moves and ranges are protected; reach them through member pointers taken in a
// subclass's scope (no object is cast to the subclass).
struct Access : QSplitter {
    static void move(QSplitter* s, int position) { (s->*(&Access::moveSplitter))(position, 1); }
    static void range(const QSplitter* s, int* min, int* max) { (s->*(&Access::getRange))(1, min, max); }
};

bool paneCollapsed(const QSplitter* splitter, int index) {
    if (!splitter || splitter->count() < 2) return false;
    return splitter->sizes().value(index) == 0;
}

void setCollapsed(QSplitter* splitter, bool collapsed, bool first, int position) {
    if (!splitter || splitter->count() < 2) return;
    if (collapsed)
        Access::move(splitter, first ? minPossiblePosition(splitter) : maxPossiblePosition(splitter));
    else
        Access::move(splitter, position);
}

} // namespace

QWidget* topPane(const QSplitter* splitter) {
    return splitter ? splitter->widget(0) : nullptr;
}
QWidget* leftPane(const QSplitter* splitter) {
    return topPane(splitter);
}
QWidget* rightPane(const QSplitter* splitter) {
    return splitter ? splitter->widget(1) : nullptr;
}
QWidget* bottomPane(const QSplitter* splitter) {
    return rightPane(splitter);
}

bool isCollapsed(const QSplitter* splitter) {
    return paneCollapsed(splitter, 0) || paneCollapsed(splitter, 1);
}

int minPossiblePosition(const QSplitter* splitter) {
    int min = 0, max = 0;
    if (splitter && splitter->count() >= 2) Access::range(splitter, &min, &max);
    return min;
}

int maxPossiblePosition(const QSplitter* splitter) {
    int min = 0, max = 0;
    if (splitter && splitter->count() >= 2) Access::range(splitter, &min, &max);
    return max;
}

int sliderPosition(const QSplitter* splitter) {
    if (!splitter || splitter->count() < 2) return 0;
    if (paneCollapsed(splitter, 0)) return 0;
    if (paneCollapsed(splitter, 1)) return maxPossiblePosition(splitter);
    const QWidget* first = splitter->widget(0);
    return splitter->orientation() == Qt::Horizontal ? first->width() : first->height();
}

void setLeftPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position) {
    setCollapsed(splitter, collapsed, true, position);
}
void setTopPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position) {
    setCollapsed(splitter, collapsed, true, position);
}
void setRightPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position) {
    setCollapsed(splitter, collapsed, false, position);
}
void setBottomPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position) {
    setCollapsed(splitter, collapsed, false, position);
}

void setLeftPaneCollapsed(QSplitter* splitter, bool collapsed) {
    setCollapsed(splitter, collapsed, true, minPossiblePosition(splitter) + 100);
}
void setTopPaneCollapsed(QSplitter* splitter, bool collapsed) {
    setLeftPaneCollapsed(splitter, collapsed);
}
void setRightPaneCollapsed(QSplitter* splitter, bool collapsed) {
    setCollapsed(splitter, collapsed, false, maxPossiblePosition(splitter) + 100);
}
void setBottomPaneCollapsed(QSplitter* splitter, bool collapsed) {
    setRightPaneCollapsed(splitter, collapsed);
}

} // namespace SplitViewUtilities
