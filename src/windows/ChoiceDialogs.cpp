#include "ChoiceDialogs.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QPointer>

namespace ChoiceDialogs {

namespace {

// Runs the dialog (made on the heap, so that it can go with its parent while it runs); whether it was
// accepted and is still there.
bool run(QDialog* dialog, const QString& title) {
    dialog->setWindowTitle(title);
    const QPointer<QDialog> guard(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    return accepted && guard;
}

} // namespace

std::optional<QFont> chooseFont(const QFont& initial, QWidget* parent) {
    auto* dialog = new QFontDialog(initial, parent);
    const QPointer<QFontDialog> guard(dialog);
    std::optional<QFont> chosen;
    if (run(dialog, QStringLiteral("Fonts"))) chosen = dialog->selectedFont();
    delete guard.data();
    return chosen;
}

std::optional<QColor> chooseColor(const QColor& initial, QWidget* parent) {
    auto* dialog = new QColorDialog(initial, parent);
    const QPointer<QColorDialog> guard(dialog);
    std::optional<QColor> chosen;
    if (run(dialog, QStringLiteral("Colors")) && dialog->selectedColor().isValid())
        chosen = dialog->selectedColor();
    delete guard.data();
    return chosen;
}

} // namespace ChoiceDialogs
