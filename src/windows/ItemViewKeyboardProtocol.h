#pragma once

class QObject;
class TCardItem;

// The outline commands a row's text view sends to its row controller (the sender is the text view).
// The row controller forwards them to the outline. Not owned by the sender; main thread only.
class TItemViewKeyboardProtocol {
public:
    virtual ~TItemViewKeyboardProtocol() = default;
    // The row the controller shows (not owned).
    virtual TCardItem* cardItem() const = 0;

    virtual void indentRow(QObject* sender) = 0;
    virtual void insertRow(QObject* sender) = 0;
    virtual void insertRowInside(QObject* sender) = 0;
    virtual void insertRowOutside(QObject* sender) = 0;
    virtual void deleteRow(QObject* sender) = 0;

    // Caret moves out of the row; true when the controller took the key (the caret went to another
    // row). By default the text view keeps the key.
    virtual bool moveInsertionUp(QObject* /*sender*/) { return false; }
    virtual bool moveInsertionDown(QObject* /*sender*/) { return false; }
    virtual bool moveInsertionRight(QObject* /*sender*/) { return false; }
    virtual bool moveInsertionLeft(QObject* /*sender*/) { return false; }
};
