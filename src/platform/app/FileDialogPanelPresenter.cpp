#include "FileDialogPanelPresenter.h"

#include <QFileDialog>

int FileDialogPanelPresenter::runModal(OpenPanel& panel, QObject* window) {
    QFileDialog dialog(qobject_cast<QWidget*>(window), panel.title, panel.directory);
    if (!panel.prompt.isEmpty()) dialog.setLabelText(QFileDialog::Accept, panel.prompt);
    if (panel.canChooseDirectories && !panel.canChooseFiles)
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(panel.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                         : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, !panel.canCreateDirectories);
    if (!panel.allowedMimeTypes.isEmpty()) dialog.setMimeTypeFilters(panel.allowedMimeTypes);
    panel.chosenPaths.clear();
    if (dialog.exec() != QDialog::Accepted) return NSModalResponseCancel;
    panel.chosenPaths = dialog.selectedFiles();
    return panel.chosenPaths.isEmpty() ? NSModalResponseCancel : NSModalResponseOK;
}
