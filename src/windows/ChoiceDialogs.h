#pragma once

#include <QColor>
#include <QFont>
#include <optional>

class QWidget;

// The desktop's font and colour dialogs, run modally over a card's view. Nothing comes back when the
// person cancels, or when the view goes while the dialog is open (its sheet closed meanwhile, say):
// the dialog goes with it and its caller must not touch what it had either.
namespace ChoiceDialogs {
std::optional<QFont> chooseFont(const QFont& initial, QWidget* parent);
std::optional<QColor> chooseColor(const QColor& initial, QWidget* parent);
} // namespace ChoiceDialogs
