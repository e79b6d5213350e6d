#pragma once

#include "model/ModelContracts.h"
#include "toolkit/NSItemBar.h"
#include "toolkit/NSViewController.h"

#include <QPointF>
#include <QPointer>
#include <QRect>
#include <optional>

class NSFadeWindowController;
class NSSlideWindowController;
class QLabel;
class TCard;
class TSheet;

// The strip of the dock: an item bar that draws no background of its own.
class TDockItemBar : public NSItemBar {
    Q_OBJECT
public:
    using NSItemBar::NSItemBar;

protected:
    void paintEvent(QPaintEvent*) override {}
};

// One tab of the dock: the card's kind icon and title on a tab drawn by the card's theme in the
// card's colour, 22 points high, as wide as the title plus 40 points, at most 150. The card is not
// owned (the sheet holds it while it is in the dock). Main thread only.
class TDockItemViewController : public NSViewController {
    Q_OBJECT
public:
    static constexpr int kHeight = 22;
    static constexpr int kMaximumWidth = 150;

    explicit TDockItemViewController(TCard* card, QObject* parent = nullptr);

    TCard* card() const { return m_card; }
    QLabel* imageView() const { return m_imageView; }
    QLabel* titleField() const { return m_titleField; }
    // The tab width for a title in the tab's font.
    static int widthForTitle(const QString& title);

protected:
    QWidget* loadView() override;

private:
    TCard* m_card;
    QLabel* m_imageView = nullptr;
    QLabel* m_titleField = nullptr;
};

// The dock: a thin frameless strip at the top of the main screen holding the miniaturised cards
// of the active sheet as tabs. A click on a tab, or dropping a tab outside the strip, restores the
// card's window; dragging a tab along the strip reorders the cards. The strip fades
// in when it has tabs and out when it has none (at once without a compositor or with
// "dockAnimation" off), stays above the cards, hides while the program is inactive (unless it is
// all that is left of the program on screen), and runs from the right of the sheet browser, when
// that is visible at the left edge, to the right edge of the main screen's free area.
// One shared instance, made on first use and installed as the model's dock window; it owns its window. The
// sheet and the sheet browser are not owned. Fades run on the platform scheduler. Main thread only.
class TDockController : public QObject,
                        public TDockWindowController,
                        public NSItemBarDataSource,
                        public NSItemBarDelegate {
    Q_OBJECT
public:
    static constexpr int kHeight = 22;
    static constexpr double kFadeDuration = 0.1;

    static TDockController* sharedController();
    // Deletes the shared controller (the shell at exit, tests between cases).
    static void destroyShared();

    TDockController();
    ~TDockController() override;

    QWidget* window() const { return m_window; }
    TDockItemBar* itemBar() const { return m_itemBar; }
    TSheet* sheet() const { return m_sheet; }

    // Shows the miniaturised cards of the sheet (null: none).
    void setSheet(TSheet* sheet) override;
    // Restores the card (restoreCard), then reloads the strip.
    void restoreMiniaturizedCard(TCard* card) override;
    void reload();
    void reposition();
    // The sheet browser the dock keeps clear of (not owned; null: none).
    void setSheetBrowser(NSSlideWindowController* browser);
    NSSlideWindowController* sheetBrowser() const { return m_sheetBrowser; }
    double positionForSheetBrowser(const NSSlideWindowController* browser) const;
    // The strip's frame when it starts at x: along the top of the main screen's available area,
    // from x (kept on that area) to its right edge.
    static QRect frameForStart(double x);
    void fadeIn(bool animate);
    void fadeOut(bool animate);
    void restoreWindowLevel() override;
    void setWindowLevel(qint32 level) override;
    // Keeps the strip shown when the program next goes inactive, until it is active again: the
    // last card window went into it and no window of the program is left to hold the focus.
    void keepShownWhileInactive() { m_keepShownWhileInactive = true; }
    // Where a miniaturising card window goes: a 128-point slot just after the last tab, in Qt's
    // global coordinates.
    QRect frameForProposedDrop() const;

    // Restores the card's window (at the drop point less the grip offset when given). The card
    // leaves the dock only when a window could be made for it; answers whether one was.
    bool restoreCard(TCard* card, std::optional<QPointF> dropPoint = std::nullopt);

    // Item bar data source and delegate.
    qint32 itemBarItemCount(NSItemBar* bar) override;
    NSBarItem* itemBarCreateItemForIndex(NSItemBar* bar, qint32 index) override;
    QImage imageForDraggingItem(NSItemBar* bar, NSBarItem* item) override;
    void willMoveItemToIndex(NSItemBar* bar, NSBarItem* item, qint64 index) override;
    void itemBarResized(NSItemBar* bar) override;
    void itemClicked(NSItemBar* bar, NSBarItem* item) override;
    void itemDoubleClicked(NSItemBar* bar, NSBarItem* item) override;
    void draggingItemWillBeginAtPoint(NSItemBar* bar, NSBarItem* item, NSDraggingSession* session,
                                      const QPointF& point) override;
    bool draggingItemMovedToPoint(NSItemBar* bar, NSBarItem* item, NSDraggingSession* session,
                                  const QPointF& point) override;
    bool draggingItemEndedAtPoint(NSItemBar* bar, NSBarItem* item, NSDraggingSession* session,
                                  const QPointF& point, quint64 operation) override;

    QPointF dragOffset() const { return m_dragOffset; }

    // Hides the strip while the program is inactive (connected to the application).
    void applicationStateChanged(Qt::ApplicationState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static TCard* cardOfItem(const NSBarItem* item);

    TSheet* m_sheet = nullptr;
    QWidget* m_window = nullptr;
    TDockItemBar* m_itemBar = nullptr;
    NSFadeWindowController* m_fader = nullptr;
    QPointer<NSSlideWindowController> m_sheetBrowser;
    QPointF m_dragOffset;
    bool m_hiddenWhileInactive = false;
    bool m_keepShownWhileInactive = false;
};
