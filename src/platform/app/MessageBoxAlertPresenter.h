#pragma once

#include "platform/AlertPresenter.h"

// Shows alerts as QMessageBox dialogs: the message as the main text, the informative text as plain
// text (never rich text), the buttons from the default one on, the first one default.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    int runModal(const Alert& alert, QObject* window = nullptr) override;
    // Window-modal on window's widget, answered through done when the user chooses.
    void beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) override;
};
