#include "FileDialogPanelPresenter.h"

#include "platform/Questions.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

void FileDialogPanelPresenter::configure(QFileDialog& dialog, const OpenPanel& panel) {
    // The platform's own dialogs can't be held to these settings, nor show the message.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(panel.title);
    if (!panel.prompt.isEmpty()) dialog.setLabelText(QFileDialog::Accept, panel.prompt);
    if (!panel.directory.isEmpty()) dialog.setDirectory(panel.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (panel.canChooseDirectories && !panel.canChooseFiles)
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(panel.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                         : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, !panel.canChooseFiles);
    dialog.setOption(QFileDialog::ReadOnly, !panel.canCreateDirectories);
    if (!panel.allowedMimeTypes.isEmpty()) dialog.setMimeTypeFilters(panel.allowedMimeTypes);
    if (!panel.allowedExtensions.isEmpty()) {
        QStringList patterns;
        for (const QString& extension : panel.allowedExtensions) patterns << QStringLiteral("*.") + extension;
        dialog.setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    // Folders that are documents are folders here, so packages are always browsable.
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid && !panel.message.isEmpty()) {
        auto* label = new QLabel(panel.message, &dialog);
        label->setObjectName(QStringLiteral("panelMessage"));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

int FileDialogPanelPresenter::runModal(OpenPanel& panel, QObject* window) {
    panel.chosenPaths.clear();
    if (Questions::quitRequested()) return NSModalResponseCancel;
    QFileDialog dialog(qobject_cast<QWidget*>(window));
    configure(dialog, panel);
    const Questions::Open open([&dialog] { dialog.reject(); });
    if (dialog.exec() != QDialog::Accepted || Questions::quitRequested()) return NSModalResponseCancel;
    panel.chosenPaths = dialog.selectedFiles();
    return panel.chosenPaths.isEmpty() ? NSModalResponseCancel : NSModalResponseOK;
}
