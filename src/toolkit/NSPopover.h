#pragma once

#include "toolkit/DelegatePointer.h"
#include "toolkit/WindowPlacement.h"

#include <QPainterPath>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

class NSPopover;
class ScreenProvider;

// What a popover tells its delegate. Optional: the defaults do nothing, and a delegate that does
// not answer popoverShouldClose lets it close.
class NSPopoverDelegate {
public:
    virtual ~NSPopoverDelegate() = default;
    virtual void popoverWillShow(NSPopover* /*popover*/) {}
    virtual void popoverDidShow(NSPopover* /*popover*/) {}
    virtual void popoverWillClose(NSPopover* /*popover*/) {}
    virtual void popoverDidClose(NSPopover* /*popover*/) {}
    virtual bool popoverShouldClose(NSPopover* /*popover*/) { return true; }
};

// The edge of the target a popover prefers, in the target view's (y-down) coordinates: MinY is
// above the target, MaxY below it.
enum NSRectEdge : quint64 { NSMinXEdge = 0, NSMinYEdge = 1, NSMaxXEdge = 2, NSMaxYEdge = 3 };
enum NSPopoverAppearance : qint64 { NSPopoverAppearanceMinimal = 0, NSPopoverAppearanceHUD = 1 };
enum NSPopoverBehavior : qint64 {
    NSPopoverBehaviorApplicationDefined = 0, // closes only when asked
    NSPopoverBehaviorTransient = 1,          // also on a click outside it
    NSPopoverBehaviorSemitransient = 2,      // as transient
};

// A frameless window of a rounded panel with an arrow pointing at a target rectangle of a view,
// holding one content view of the content size. It lies on the preferred edge of the target, on
// the opposite one when the screen has no room there, and stays on the screen. It closes on a
// click outside it (transient behaviours) and on Escape, each time only when its delegate agrees;
// closePopover closes it without asking. After closing it deletes itself (later, on the event
// loop) with its content view, unless someone took the view first. The delegate is not owned.
// Main thread only.
class NSPopover : public QWidget {
    Q_OBJECT
public:
    static constexpr double kArrowLength = 10;
    static constexpr double kArrowWidth = 20;
    static constexpr double kCornerRadius = 6;
    static constexpr double kContentInset = 6;

    NSPopover();

    void setDelegate(NSPopoverDelegate* delegate) { m_delegate = delegate; }
    NSPopoverDelegate* delegate() const { return m_delegate.get(); }
    // The popover owns the view until takeContentView hands it back (parentless and hidden).
    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }
    QWidget* takeContentView();
    void setContentSize(const QSizeF& size);
    QSizeF contentSize() const { return m_contentSize; }
    void setAnimates(bool animates) { m_animates = animates; }
    bool animates() const { return m_animates; }
    void setAppearance(qint64 appearance);
    qint64 appearance() const { return m_appearance; }
    void setBehavior(qint64 behavior) { m_behavior = behavior; }
    qint64 behavior() const { return m_behavior; }
    // Where the screens come from (not owned); null: the shared provider.
    void setScreenProvider(ScreenProvider* provider) { m_screens = provider; }

    // Shows the popover (or moves it, when shown) beside the rectangle of the view (global
    // coordinates without a view).
    void showRelativeToRect(const QRectF& rect, QWidget* view, quint64 preferredEdge);
    bool isShown() const { return m_shown; }
    // Closes when the delegate agrees.
    void performClose();
    // Closes without asking.
    void closePopover();

    // Where the popover went: the side of the target it lies on and the arrow's place along the
    // side facing the target.
    WindowPlacement::Placement placement() const { return m_placement; }
    double arrowOffset() const { return m_arrowOffset; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutContent();
    QRectF panelRect() const;
    // The panel with its arrow, inset by the amount.
    QPainterPath outline(double inset) const;

    DelegatePointer<NSPopoverDelegate> m_delegate;
    QPointer<QWidget> m_contentView;
    QSizeF m_contentSize;
    bool m_animates = true;
    qint64 m_appearance = NSPopoverAppearanceMinimal;
    qint64 m_behavior = NSPopoverBehaviorTransient;
    ScreenProvider* m_screens = nullptr;
    WindowPlacement::Placement m_placement;
    double m_arrowOffset = 0;
    bool m_shown = false;
    bool m_closed = false;
    bool m_forcing = false;
};
