#pragma once

#include <QImage>
#include <functional>

class TCard;
class TCardItem;

// What the application delegate asks of windows built elsewhere (sheet browser, dashboard, dock,
// desktop window, preferences, welcome, update portal, outline editor). Each hook may be empty: the
// command then does nothing, as it does where there is no such window.
struct ShellHooks {
    // Sheet browser.
    std::function<bool()> browserAvailable; // empty: available when the sheet folder exists
    std::function<void()> nextSheet;
    std::function<void()> previousSheet;
    std::function<void()> addGroup;
    std::function<void()> deleteSheet;
    std::function<void()> revealSheetInFinder;
    std::function<void()> repositionBrowser;
    std::function<void()> showBrowser;
    // Dashboard, dock, desktop window.
    std::function<void(bool enabled)> setDashboardModeEnabled;
    std::function<void()> repositionDock;
    std::function<void()> repositionDesktop;
    // Other windows of the shell.
    std::function<void()> showPreferences;
    std::function<void()> showAbout;
    std::function<void()> showUpdatePortal;
    // Runs the welcome window; it stores a sheet folder or ends the program. Empty: the default
    // sheet folder is made at once.
    std::function<void()> runWelcome;
    // The overdue recount of the tray badge and menu.
    std::function<void()> taskManagerTimerFired;
    // Reveals and selects a row in its card's outline.
    std::function<void(TCard* card, TCardItem* item)> focusItem;
};
