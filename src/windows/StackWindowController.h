#pragma once

#include "GenericCardWindowController.h"
#include "StackImageView.h"

class TStack;
class TStackWindow;

// The controller of a stack's window: a 128-point square at the stack card's place showing the
// stack's picture (StackImageView). Moves are stored in the stack card as for every card window;
// cards dragged onto it are refused. Made by the shell (owned by the sheet manager like every card
// controller); owns its window. Writes "TStackWindowController.dealloc" on Diagnostics::line when
// destroyed. Main thread only.
//
// It answers the card controller's calls both as a generic card window and as a stack controller;
// each is implemented once here.
class TStackWindowController : public TGenericCardWindowController,
                               public TStackControllerProtocol,
                               public TStackImageViewDelegate {
    Q_OBJECT
public:
    explicit TStackWindowController(TStack* stack);
    ~TStackWindowController() override;

    TStack* stack() const;
    TStackWindow* stackWindow() const;
    TStackImageView* imageView() const { return m_imageView; }
    // The controller of a card inside the stack; null when none is kept (none are made yet).
    TCardControllerProtocol* controllerForCard(const TCard* card) const;

    // The stack's sheet gained or lost a card: the picture is made again.
    void addCard(TCard* card) override;
    void removeCard(TCard* card) override;
    // The picture's double-click action; stacks do not open yet.
    void expand() {}

    NSDragOperation stackImageViewDraggingEntered(TStackImageView* view, const NSDraggingInfo& info) override;
    bool stackImageViewPerformDragOperation(TStackImageView* view, const NSDraggingInfo& info) override;

    // The card controller's calls, answered by the generic card window.
    TCard* card() const override { return TGenericCardWindowController::card(); }
    void showWindow() override { TGenericCardWindowController::showWindow(); }
    QImage capturePreviewImage() override { return TGenericCardWindowController::capturePreviewImage(); }
    void updatePreviewImage() override { TGenericCardWindowController::updatePreviewImage(); }
    void updatePreviewImageIfNeedsDisplay() override {
        TGenericCardWindowController::updatePreviewImageIfNeedsDisplay();
    }
    void setUINeedsDisplay() override { TGenericCardWindowController::setUINeedsDisplay(); }
    QRectF windowFrame() const override { return TGenericCardWindowController::windowFrame(); }
    void close() override { TGenericCardWindowController::close(); }

protected:
    void screensAppeared() override;

private:
    void restoreFrame();

    QList<TCardControllerProtocol*> m_controllers; // not owned
    TStackImageView* m_imageView = nullptr;        // owned by the window
};
