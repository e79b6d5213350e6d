#pragma once

#include "platform/PanelPresenter.h"

class QFileDialog;

// Runs open panels as QFileDialog dialogs.
class FileDialogPanelPresenter : public PanelPresenter {
public:
    int runModal(const OpenPanel& panel, QStringList* chosen) override;

    // Sets the dialog up as the panel asks.
    static void configure(QFileDialog& dialog, const OpenPanel& panel);
};
