#pragma once

#include "platform/PanelPresenter.h"

class QFileDialog;

// Runs open panels as QFileDialog dialogs, modal over window's widget when it is one.
class FileDialogPanelPresenter : public PanelPresenter {
public:
    int runModal(OpenPanel& panel, QObject* window = nullptr) override;

    // Sets the dialog up as the panel asks.
    static void configure(QFileDialog& dialog, const OpenPanel& panel);
};
