#pragma once

#include <QRectF>
#include <QtGlobal>

class AttributedString;
class QWidget;
class TCard;
class TCardItem;

// What the outline tells a row controller about its row. Main thread only.
class TCardItemViewDelegate {
public:
    virtual ~TCardItemViewDelegate() = default;
    virtual TCard* card() const = 0;
    virtual void itemWillExpand(TCardItem* item) = 0;
    virtual void itemWillCollapse(TCardItem* item) = 0;
    virtual void itemDidExpand(TCardItem* item) = 0;
    virtual void itemDidCollapse(TCardItem* item) = 0;
    virtual void itemDidAddRow(TCardItem* item) = 0;
    virtual void itemDidRemoveRow(TCardItem* item) = 0;
    virtual void itemDidScroll(TCardItem* item) = 0;
};

// What a row controller asks of the outline controller (its keyboard delegate). Rows are outline
// row numbers; a row that does not exist is the outline's to answer.
class TListKeyboardProtocol {
public:
    virtual ~TListKeyboardProtocol() = default;
    // Puts the caret at the text location of the row (a location past the end means the end).
    virtual void setInsertion(qint64 location, qint32 row) = 0;
    // Puts the caret in the row at the column of the rectangle (outline coordinates), on the row's
    // last line when startFromEnd, else on its first.
    virtual void setInsertionWithColumn(const QRectF& rect, bool startFromEnd, qint32 row) = 0;
    virtual void indentRow(qint32 row) = 0;
    virtual void insertItemAtRow(qint32 row) = 0;
    virtual void insertItemInside(TCardItem* item) = 0;
    virtual void insertItemOutside(TCardItem* item) = 0;
    virtual void removeItemAtRow(qint32 row) = 0;
    virtual void removeSelectedRows() = 0;
    // The person changed a row's text from before to after (the caret was at caretBefore and is at
    // caretAfter; typing when the characters changed, not only their style). True when the outline
    // took the change as an undo step and stored it into the item; false leaves that to the row.
    virtual bool recordTextEdit(TCardItem* /*item*/, const AttributedString& /*before*/,
                                const AttributedString& /*after*/, qint64 /*caretBefore*/,
                                qint64 /*caretAfter*/, bool /*typing*/) {
        return false;
    }
};

// Rows whose text the caret can move into.
class TKeyboardTextNavigationProtocol {
public:
    virtual ~TKeyboardTextNavigationProtocol() = default;
    virtual bool isSelectable() const = 0;
    virtual void setSelectedRange(qint64 location, qint64 length) = 0;
};

// The outline view that hosts row views: a row controller finds it among its view's ancestors.
class TRowBrowser {
public:
    virtual ~TRowBrowser() = default;
    // The outline row showing the item; -1 when it shows none.
    virtual qint32 rowForItem(TCardItem* item) const = 0;
    // The outline controller (not owned); null without one.
    virtual TListKeyboardProtocol* keyboardDelegate() const = 0;
    // The outline widget, for coordinates.
    virtual QWidget* browserWidget() = 0;
    // A row's height changed: the outline lays out again.
    virtual void noteHeightOfRowChanged(qint32 /*row*/) {}
    virtual void scrollRowToVisible(qint32 /*row*/) {}
    virtual void deselectAll() {}
};

// A card's outline controller renews the markers of the rows a numbering change affects.
class TRowMarkers {
public:
    virtual ~TRowMarkers() = default;
    virtual void updateMarkers(TCardItem* item) = 0;
};
