#pragma once

#include "foundation/Object.h"
#include "model/ModelContracts.h"
#include "toolkit/NSPopoverController.h"
#include "toolkit/NSViewController.h"
#include "windows/ItemViewKeyboardProtocol.h"
#include "windows/RowProtocols.h"

#include <QPointF>
#include <QPointer>
#include <QWidget>

class QAbstractButton;
class TCardItemRowViewController;

// The root view of every outline row: reports the pointer entering and leaving it to its row
// controller (not owned; followed, so a controller that is gone is not called). Owned by its row
// controller, or by the widget it was put in.
class TCardItemBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit TCardItemBackgroundView(QWidget* parent = nullptr) : QWidget(parent) {}
    TCardItemRowViewController* controller() const { return m_controller; }
    void setController(TCardItemRowViewController* controller);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointer<TCardItemRowViewController> m_controller;
};

// The controller of one outline row, the base of every row kind: made for an item by
// RowControllers::make, owned by the outline that asked for it, and named by the item as its view
// representation while it lives. It keeps its item and card retained. Its view is a
// TCardItemBackgroundView with an info button (hidden at first) that kinds with an info popover
// show half a second after the pointer rests on the row ("autoHideInfoButton" on), and that
// showInfo opens the popover from. Observes "hideInfoButtons" (hides the button unless its popover
// is open) and posts it before showing the button. Delays run on the shared scheduler, owned by
// the controller. Main thread only.
class TCardItemRowViewController : public NSViewController,
                                   public TCardItemViewController,
                                   public TItemViewKeyboardProtocol,
                                   public TCardItemViewDelegate,
                                   public NSPopoverControllerDelegate {
    Q_OBJECT
public:
    TCardItemRowViewController(TCardItem* item, TCard* card);
    ~TCardItemRowViewController() override;

    // Makes the view and sets it up (awakeFromNib); RowControllers::make calls it once.
    void load();

    TCardItem* cardItem() const override { return m_cardItem.get(); }
    TCard* card() const override { return m_card.get(); }
    // The outline showing the row, found among the view's ancestors; null outside one.
    TRowBrowser* browser() const;
    // The row in the browser; -1 outside one.
    qint32 rowIndex() const;
    TListKeyboardProtocol* keyboardDelegate() const;
    // The window controller of the row's window; null outside a card window.
    TCardControllerProtocol* owner() const;
    void setUINeedsDisplay();

    // Refreshes the views from the item; kinds call the parent's first.
    virtual void update();
    virtual void makeFirstResponder();
    virtual void focus() {}
    // Lays the row out; kinds call the parent's first.
    void recalculateRow() override;
    virtual QRectF infoButtonFrame() const;
    virtual bool displayInfoButton() const { return false; }
    // A new content view for the info popover (owned by the caller); null without one.
    virtual QWidget* infoController() { return nullptr; }
    QAbstractButton* infoButton() const { return m_infoButton; }
    bool isInfoPopoverOpen() const { return m_infoPopoverOpen; }
    bool didAddRow() const { return m_didAddRow; }

    void showInfo();
    void hideInfoButton();
    // The pointer, at a location in its window's coordinates.
    void mouseEntered(const QPointF& windowLocation);
    void mouseExited();
    void showInfoButton();

    // TItemViewKeyboardProtocol
    void indentRow(QObject* sender) override;
    void insertRow(QObject* sender) override;
    void insertRowInside(QObject* sender) override;
    void insertRowOutside(QObject* sender) override;
    void deleteRow(QObject* sender) override;

    // TCardItemViewDelegate
    void itemWillExpand(TCardItem*) override {}
    void itemWillCollapse(TCardItem*) override {}
    void itemDidExpand(TCardItem*) override {}
    void itemDidCollapse(TCardItem*) override {}
    void itemDidAddRow(TCardItem* item) override;
    void itemDidRemoveRow(TCardItem* item) override;
    void itemDidScroll(TCardItem* item) override;

    void popoverControllerWillClose(NSPopoverController* controller) override;

protected:
    QWidget* loadView() override;
    // Sets the views up once the view exists; kinds call the parent's first.
    virtual void awakeFromNib();
    // The row's view (made on first use).
    QWidget* rowView() { return view(); }
    // The pointer's location in the row's window.
    QPointF currentMouseLocation() const;

private:
    void hideInfoButtonNotification();

    Ref<TCardItem> m_cardItem;
    Ref<TCard> m_card;
    QAbstractButton* m_infoButton = nullptr; // owned by the row's view
    bool m_didAddRow = false;
    bool m_infoPopoverOpen = false;
    QPointF m_previousMouseLocation{-1e9, -1e9};
};
