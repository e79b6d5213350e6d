#pragma once

#include "GenericCardWindow.h"

// The window of a stack: small, frameless and moved by dragging anywhere on it, its content the
// stack's picture. Closing it never asks and deletes nothing. Owned by its controller; main thread
// only.
class TStackWindow : public TGenericCardWindow {
    Q_OBJECT
public:
    explicit TStackWindow(TGenericCardWindowController* controller, QWidget* parent = nullptr);

    // Closes at once.
    void performClose() override;

protected:
    // The window manager's close closes at once too.
    void closeEvent(QCloseEvent* event) override;
};
