#pragma once

#include "GenericCardWindow.h"
#include "model/ModelContracts.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>

class TGenericCardWindow;
class ScreenProvider;

// What every card window shares: the card it shows (retained), the window's frame kept in the card
// (relative to its screen, on the 8-point grid when "snapToGrid" is on), the preview of the window's
// contents kept in the card, and closing, which deletes the card after a confirmation. Made only by
// subclasses; owned by the sheet manager, which deletes it; the controller owns its window.
// Timers run on the platform scheduler; alerts go through the platform alert presenter.
// Main thread only.
class TGenericCardWindowController : public QObject, public TCardControllerProtocol {
    Q_OBJECT
public:
    ~TGenericCardWindowController() override;

    // The controller of the window (or of the window holding the widget); null for none.
    static TGenericCardWindowController* controllerOfWidget(const QWidget* widget);

    TCard* card() const override { return m_card; }
    // Releases the card held, then retains the new one (null allowed).
    void setCard(TCard* card);
    TGenericCardWindow* window() const { return m_windowObject ? m_window : nullptr; }

    bool frameDidRestore() const { return m_frameDidRestore; }
    void setFrameDidRestore(bool restored) { m_frameDidRestore = restored; }

    // The window's frame as the card keeps it (y up from the main screen's bottom).
    QRectF storedFrame() const;
    // The frames of all screens in the same coordinates, the main screen's first.
    static QList<QRectF> storedScreenFrames();
    // Gives the window a frame in the card's coordinates.
    void setStoredFrame(const QRectF& frame);
    // The window frame relative to its screen: origin as fractions from the screen's origin (the
    // screen's number added to x on screens other than the main one).
    QRectF screenRelativeFrame() const;
    // The card's frame placed for the window: screen-relative frames on the screen they name, and
    // always on a visible screen.
    QRectF restoredFrame(const TCard* card) const;
    static bool hasScreen();

    QSizeF windowWillResize(const QSizeF& proposed) const;
    void windowDidMove();
    // With "snapToGrid" on, a size off the grid is snapped once the resize has rested a moment (the
    // window manager, given the grid as the size increment, mostly resizes in its steps already).
    void windowDidResize();
    static constexpr double kResizeSnapDelay = 0.25;

    QImage capturePreviewImage() override;
    void updatePreviewImage() override;
    void updatePreviewImageIfNeedsDisplay() override;
    void setUINeedsDisplay() override;
    bool uiNeedsDisplay() const { return m_uiNeedsDisplay; }

    // The close protocol: windowShouldClose asks (a sheet alert) and answers false; the answer
    // arrives at alertDidEnd.
    virtual bool windowShouldClose();
    virtual void performClose();
    virtual void alertDidEnd(int returnCode);
    virtual void cancelClose() {}

    void showWindow() override;
    QRectF windowFrame() const override;
    // Closes the window without asking (the sheet manager's close).
    void close() override;

protected:
    TGenericCardWindowController();
    // Takes the window (owned); the controller follows its moves and resizes.
    void setWindow(TGenericCardWindow* window);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The frame was stored with no screen to place it; the first screen that appears places it.
    virtual void screensAppeared();

private:
    void writeFrameBack();
    void snapSize();
    void applySizeIncrement();

    TCard* m_card = nullptr;
    TGenericCardWindow* m_window = nullptr;
    QPointer<QObject> m_windowObject; // tells whether m_window still lives
    bool m_frameDidRestore = false;
    bool m_uiNeedsDisplay = false;
    bool m_snapping = false;
};
