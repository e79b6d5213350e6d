#include "ModelContracts.h"

namespace {
TAppController* g_delegate = nullptr;
TSheetBrowserWindowController* g_browser = nullptr;
TDockWindowController* g_dock = nullptr;
} // namespace

namespace ModelContracts {

TAppController* applicationDelegate() {
    return g_delegate;
}
void setApplicationDelegate(TAppController* delegate) {
    g_delegate = delegate;
}
TSheetBrowserWindowController* sheetBrowser() {
    return g_browser;
}
void setSheetBrowser(TSheetBrowserWindowController* browser) {
    g_browser = browser;
}
TDockWindowController* dockWindow() {
    return g_dock;
}
void setDockWindow(TDockWindowController* dock) {
    g_dock = dock;
}

} // namespace ModelContracts
