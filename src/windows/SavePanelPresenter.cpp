#include "SavePanelPresenter.h"

#include "platform/PanelPresenter.h"
#include "platform/Questions.h"

#include <QDir>
#include <QFileDialog>

namespace {
class FileDialogSavePresenter : public SavePanelPresenter {
public:
    int runModal(SavePanel& panel, QObject* window) override {
        if (Questions::quitRequested()) return NSModalResponseCancel;
        QFileDialog dialog(qobject_cast<QWidget*>(window), panel.title);
        const Questions::Open open([&dialog] { dialog.reject(); });
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(panel.nameFieldStringValue);
        dialog.setDefaultSuffix(panel.allowedExtension);
        dialog.setNameFilter(QStringLiteral("*.") + panel.allowedExtension);
        if (dialog.exec() != QDialog::Accepted || Questions::quitRequested() ||
            dialog.selectedFiles().isEmpty())
            return NSModalResponseCancel;
        panel.chosenPath = dialog.selectedFiles().first();
        return NSModalResponseOK;
    }
};

SavePanelPresenter* installed = nullptr;
} // namespace

SavePanelPresenter& SavePanelPresenter::shared() {
    static FileDialogSavePresenter dialogs;
    return installed ? *installed : dialogs;
}

void SavePanelPresenter::setShared(SavePanelPresenter* presenter) {
    installed = presenter;
}

int ScriptedSavePanelPresenter::runModal(SavePanel& panel, QObject*) {
    QString path;
    if (!m_choices.empty()) {
        path = m_choices.front();
        m_choices.pop_front();
    }
    panel.chosenPath = path;
    m_panels.push_back(panel);
    return path.isEmpty() ? NSModalResponseCancel : NSModalResponseOK;
}
