#pragma once

#include "windows/CardItemRowViewController.h"

#include <QRectF>
#include <QUrl>
#include <functional>

class AttributedString;
class TCardTextView;
class TTextItem;

// A row of rich text: the base of the list, image, attachment and task rows, and the row an item
// without a kind of its own gets. Its text view edits the item's text: every change is stored into
// the item (which marks its card) and lays the row out again. The row is as high as its text, at
// least 15 points. Plain arrow keys at the edges of the text hand the caret to the neighbouring
// rows through the outline controller. Follows the text preferences while it lives. Main thread only.
class TTextItemViewController : public TCardItemRowViewController, public TKeyboardTextNavigationProtocol {
    Q_OBJECT
public:
    static constexpr double kMinimumTextHeight = 15.0;
    static constexpr double kTextInset = 2.0;

    TTextItemViewController(TCardItem* item, TCard* card);

    // The item as a text row; null for an item of another kind.
    TTextItem* textItem() const;
    TCardTextView* editor() const { return m_textView; }
    void setText(const QString& text);
    // Shows the text and stores it into the item as an edit would, without an undo step of its
    // own (the outline's undo and redo call it), and puts the caret at the location.
    void replaceText(const AttributedString& text, qint64 caret);
    // Runs a change of the text view's text that records no undo step (a step of its own makes it).
    void changeTextWithoutUndoStep(const std::function<void()>& change);
    virtual bool wrappingEnabled() const { return true; }
    double minimumTextViewHeight() const { return kMinimumTextHeight; }
    virtual double rowHeight() const;
    virtual QRectF textViewFrame() const;
    bool didCalculateSize() const { return m_didCalculateSize; }

    void makeFirstResponder() override;
    void focus() override;
    void update() override;
    void recalculateRow() override;

    // TKeyboardTextNavigationProtocol
    bool isSelectable() const override;
    void setSelectedRange(qint64 location, qint64 length) override;

    bool moveInsertionUp(QObject* sender) override;
    bool moveInsertionDown(QObject* sender) override;
    bool moveInsertionRight(QObject* sender) override;
    bool moveInsertionLeft(QObject* sender) override;

    // A click on a link: LinkURL::open (own links to the application, others to the workspace).
    bool clickedOnLink(const QUrl& link);

protected:
    QWidget* loadView() override;
    void awakeFromNib() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The height the text takes at the text view's width.
    double textLayoutHeight() const;
    double textHeight() const;
    // The text view takes the width, and the answer is the text's height at it.
    double textHeightAtWidth(double width) const;

private:
    void textDidChange();
    void textViewDidChangeSelection();
    void applyTypingAttributes();
    // The caret's rectangle in the outline when the caret is on the text's first (or last) line.
    std::optional<QRectF> caretRectOnEdgeLine(bool last) const;
    qint64 textLength() const;

    TCardTextView* m_textView = nullptr; // owned by the row's view
    bool m_didCalculateSize = false;
    bool m_updating = false;
    // The text changes without a step of its own (undo, redo, a step's change).
    bool m_unrecorded = false;
    // The last change of the text view's text: its position, the characters it removed and added.
    int m_changeAt = 0, m_changeRemoved = 0, m_changeAdded = 0;
};
