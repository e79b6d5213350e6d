#pragma once

#include <QLineEdit>

// The due-date label of a task row's status bar: a borderless text field that keeps its origin
// and height and fits its width to its text. The task row shows it neither editable nor
// selectable; when made editable, ending an edit writes the text and the date read from it to
// standard output (Diagnostics) and changes nothing. Owned by its parent widget. Main thread only.
class NSDateTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit NSDateTextField(QWidget* parent = nullptr);

    // The width of the text in the field's font, plus 4.
    void textDidChange();
    // Always true: editing may end.
    bool textShouldEndEditing();
};
