#pragma once

#include <QTextEdit>

class TCardItem;
class TItemViewKeyboardProtocol;

// The text view of a text-bearing outline row. Return asks the row for a new row, Tab to indent it,
// Backspace in an empty row to remove it (none of them changes the text); plain arrow keys first
// offer the caret to the neighbouring rows. Leaving the row collapses the selection to its start. A
// rich paste from the clipboard (RTF, RTFD or HTML) loses its background colour and paragraph
// style, and with "alwaysPasteAndMatchStyle" on takes the row's own text style; a pasted or dropped
// file becomes its file name linking to the file, and a program link ("card.linkname") its name
// linking to the link. Owned by its parent widget (the row); main thread only.
class TCardTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit TCardTextView(QWidget* parent = nullptr);

    // The row controller (not owned; it outlives the text view or clears itself).
    void setKeyboardDelegate(TItemViewKeyboardProtocol* delegate) { m_keyboardDelegate = delegate; }
    TItemViewKeyboardProtocol* keyboardDelegate() const { return m_keyboardDelegate; }
    TCardItem* cardItem() const;

    // Inserts what the data offers at the selection: a file as a link to it, a program link as its
    // name linking to it, else the data's rich or plain text. True when something was inserted.
    bool readSelectionFromPasteboard(const QMimeData& data);

protected:
    // Undo and Redo go on to the card window's steps (the rows added, moved, removed) once the
    // text has none of its own left.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // True when the delegate took the arrow key.
    bool offerArrowKey(int key);
    void insertLink(const QString& text, const QUrl& url);
    void pasteRichText(const QMimeData& source);

    TItemViewKeyboardProtocol* m_keyboardDelegate = nullptr;
};
