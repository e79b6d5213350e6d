#pragma once

#include "platform/PanelPresenter.h"

// Runs open panels as QFileDialog dialogs, modal over window's widget when it is one.
class FileDialogPanelPresenter : public PanelPresenter {
public:
    int runModal(OpenPanel& panel, QObject* window = nullptr) override;
};
