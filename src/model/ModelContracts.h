#pragma once

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>

// What the document model asks of the windows and of the application delegate. The windows and the
// shell implement these; the model holds them by plain pointer and never owns them.

class TCard;
class TCardItem;
class TSheet;
class TStack;
class TTreeNode;

// A card's content view controller (the outline editor or the rich-text view).
class TCardViewController {
public:
    virtual ~TCardViewController() = default;
    // Sent when the card becomes modified; nothing beyond accepting it is required.
    virtual void modify() {}
    // The window controller of the window holding the view; null in no window.
    virtual class TCardControllerProtocol* owner() const = 0;
};

// The row that shows a card in a card window's side list.
class TCardRowViewController {
public:
    virtual ~TCardRowViewController() = default;
    virtual TCardControllerProtocol* owner() const = 0;
};

// The view of one outline row.
class TCardItemViewController {
public:
    virtual ~TCardItemViewController() = default;
    // The card whose window shows the row; null when the row belongs to no card.
    virtual TCard* card() const = 0;
    // Works out the row's height for its item (the outline's heightOfRowByItem).
    virtual void recalculateRow() {}
};

// A list row's view; updateMarker shows the marker the model computes (ListMarkers).
class TListItemViewController : public TCardItemViewController {
public:
    virtual void updateMarker() = 0;
};

// The outline editor of a card.
class TJobslateViewController : public virtual TCardViewController {
public:
    // Moves an item under a new parent (undoable, "Move Item"); a task keeps its calendar event.
    virtual void moveItem(TCardItem* item, TTreeNode* parent, qint64 index) = 0;
    // The height of the row of an item, making its row view when it has none.
    virtual double heightOfRowByItem(TCardItem* item) = 0;
    // The class name of a new row: "TTask" or "TListItem".
    virtual QString defaultItemClass() const = 0;
};

// A card window's controller.
class TCardControllerProtocol {
public:
    virtual ~TCardControllerProtocol() = default;
    virtual TCard* card() const = 0;
    virtual void showWindow() = 0;
    virtual QImage capturePreviewImage() = 0;
    virtual void updatePreviewImage() = 0;
    virtual void updatePreviewImageIfNeedsDisplay() = 0;
    virtual void setUINeedsDisplay() = 0;
    // Required.
    virtual void removeCard(TCard* card) = 0;
    // Optional: respondsTo* tells whether the controller implements them.
    virtual bool respondsToTabs() const { return false; }
    virtual void openCardWithUUID(const QString& /*uuid*/) {}
    virtual void removeTab(const QString& /*identifier*/) {}
    virtual void updateCardApperance(TCard* /*card*/) {}
    // The window's frame in screen coordinates.
    virtual QRectF windowFrame() const { return {}; }
    virtual void close() {}
};

// A stack window's controller: a card controller that is also told of cards added to the stack.
class TStackControllerProtocol : public TCardControllerProtocol {
public:
    virtual void addCard(TCard* card) = 0;
};

// The sheet browser.
class TSheetBrowserWindowController {
public:
    virtual ~TSheetBrowserWindowController() = default;
    virtual void reload() = 0;
    virtual bool containsSheet(TSheet* sheet) const = 0;
    virtual void selectRowForSheet(TSheet* sheet) = 0;
    virtual void reloadPreview(TSheet* sheet) = 0;
    virtual void update() {}
};

// The dock of minimised cards.
class TDockWindowController {
public:
    virtual ~TDockWindowController() = default;
    virtual void setSheet(TSheet* sheet) = 0;
    // Below other windows (a negative level) or back at its own level.
    virtual void setWindowLevel(qint32 /*level*/) {}
    virtual void restoreWindowLevel() {}
    // Brings a minimised card's window back and takes the card out of the dock.
    virtual void restoreMiniaturizedCard(TCard*) {}
};

// The sheet manager's delegate (the application delegate).
class TSheetManagerDelegate {
public:
    virtual ~TSheetManagerDelegate() = default;
    // A new controller for the card, owned by the caller; null for a miniaturised card or a stack.
    virtual TCardControllerProtocol* makeControllerForCard(TCard* card) = 0;
    // Closes the controller; true when it was removed.
    virtual bool removeController(TCardControllerProtocol* controller) = 0;
    virtual void activeSheetWillChange(TSheet* sheet) = 0;
    virtual void activeSheetDidChange(TSheet* sheet) = 0;
    // The card's preview image; the controller's window frame through screenFrame.
    virtual QImage previewForController(TCardControllerProtocol* controller, QRectF* screenFrame) = 0;
};

// The direct messages the model sends the application delegate.
class TAppController : public TSheetManagerDelegate {
public:
    virtual void displayMissingEventsNotice() = 0;
    virtual void updateSheetPreviewAfterDelay() = 0;
    virtual void saveActiveSheet() = 0;
    virtual void convertLegacySheets() = 0;
    virtual void addSheetAsStack() = 0;
    // A sheet or card file that could not be written (the next save tries again).
    virtual void reportSaveError(const QString& /*message*/) {}
    // Hands the keyboard back to the frontmost card window.
    virtual void advanceFirstResponder() {}
};

namespace ModelContracts {
// The application delegate the model talks to (not owned); null until the shell installs one.
TAppController* applicationDelegate();
void setApplicationDelegate(TAppController* delegate);
// The sheet browser and the dock, when the windows have made them (not owned).
TSheetBrowserWindowController* sheetBrowser();
void setSheetBrowser(TSheetBrowserWindowController* browser);
TDockWindowController* dockWindow();
void setDockWindow(TDockWindowController* dock);
} // namespace ModelContracts
