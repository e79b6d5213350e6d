#pragma once

#include <QPointer>
#include <QWidget>

class SheetBrowserWindowController;

// The sheet browser's window and its two background views. The window is made by its controller,
// which owns it; the views are owned by the window. Main thread only.

// The browser's frameless window: it takes the keyboard only while a row's title is edited (it
// follows the label fields' notices on the default NotificationCenter while it lives).
class TSheetBrowserWindow : public QWidget {
    Q_OBJECT
public:
    explicit TSheetBrowserWindow(QWidget* parent = nullptr);
    ~TSheetBrowserWindow() override;

    void setController(SheetBrowserWindowController* controller) { m_controller = controller; }
    bool canBecomeKeyWindow() const { return m_allowKeyWindow; }
    bool canBecomeMainWindow() const { return false; }
    // A label field in this window starts or ends editing.
    void labelFieldWillBecomeActive(QWidget* field);
    void labelFieldWillResignActive(QWidget* field);

private:
    bool m_allowKeyWindow = false;
    QPointer<SheetBrowserWindowController> m_controller;
};

// The background of the tree: the drawer colour in drawer mode, else nothing.
class TSheetBrowserContentView : public QWidget {
    Q_OBJECT
public:
    explicit TSheetBrowserContentView(SheetBrowserWindowController* controller, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<SheetBrowserWindowController> m_controller;
};

// The shadow along the window's inner edge, in drawer mode only.
class TSheetBrowserShadowView : public QWidget {
    Q_OBJECT
public:
    explicit TSheetBrowserShadowView(SheetBrowserWindowController* controller, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<SheetBrowserWindowController> m_controller;
};
