#pragma once

#include <QSplitter>
#include <QWidget>
#include <optional>

class QEvent;

// Helpers on top-level windows and on two-pane splitters. Stateless.
namespace WindowUtilities {

// The window over its screen's frame without the panels (the primary screen's; for the display
// identifier's screen, else the primary one).
void makeFullScreen(QWidget* window);
void makeFullScreenInDisplay(QWidget* window, quint32 displayID);
void makeWindowFirstResponder(QWidget* window); // the window itself takes the focus
// The active state an event tells a widget that follows its own window's activation: its window
// became active or inactive, or (on Show) what a hidden widget missed; nothing for other events.
std::optional<bool> activeStateForEvent(const QWidget& widget, const QEvent& event);
// The content width (height) changes; the other side keeps the frame's current height (width).
void setContentWidth(QWidget* window, int width);
void setContentHeight(QWidget* window, int height);

} // namespace WindowUtilities

// A splitter of exactly two panes: the first is the top or left one. Divider positions are those of
// the one handle, in the splitter's coordinates.
namespace SplitViewUtilities {

QWidget* topPane(const QSplitter* splitter);
QWidget* leftPane(const QSplitter* splitter);
QWidget* rightPane(const QSplitter* splitter);
QWidget* bottomPane(const QSplitter* splitter);
bool isCollapsed(const QSplitter* splitter); // either pane
// The position to save: 0 when the first pane is collapsed, the largest possible position when the
// second is, else the first pane's extent along the splitter.
int sliderPosition(const QSplitter* splitter);
int minPossiblePosition(const QSplitter* splitter);
int maxPossiblePosition(const QSplitter* splitter);
// Collapsing moves the handle to its smallest (left, top) or largest (right, bottom) position;
// expanding moves it to the restore position (the splitter keeps it within its range).
void setLeftPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position);
void setTopPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position);
void setRightPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position);
void setBottomPaneCollapsedRestorePosition(QSplitter* splitter, bool collapsed, int position);
// The same, restoring to the smallest position + 100 (left, top) or the largest + 100 (right, bottom).
void setLeftPaneCollapsed(QSplitter* splitter, bool collapsed);
void setTopPaneCollapsed(QSplitter* splitter, bool collapsed);
void setRightPaneCollapsed(QSplitter* splitter, bool collapsed);
void setBottomPaneCollapsed(QSplitter* splitter, bool collapsed);

} // namespace SplitViewUtilities
