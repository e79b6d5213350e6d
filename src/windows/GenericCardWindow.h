#pragma once

#include <QWidget>

class TCard;
class TGenericCardWindowController;

// The window of a card or stack: frameless, drawn by its content, closed through its controller's
// close protocol (a close from the window manager asks the controller as the close button does).
// Owned by its controller; main thread only.
class TGenericCardWindow : public QWidget {
    Q_OBJECT
public:
    explicit TGenericCardWindow(TGenericCardWindowController* controller, QWidget* parent = nullptr);

    TGenericCardWindowController* windowController() const { return m_controller; }
    // The controller's card; raises CocoaUtilities::Exception "Card window controller is invalid."
    // when the controller has none.
    TCard* card() const;
    // Asks the controller whether to close; when it agrees, the controller performs the close.
    virtual void performClose();
    // Whether the item's action may run: performClose always may.
    virtual bool validateMenuItem(const QString& action) const;
    // Closes at once, without asking.
    void closeWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TGenericCardWindowController* m_controller;
    bool m_closing = false;
};
