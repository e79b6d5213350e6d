#pragma once

#include "toolkit/DelegatePointer.h"
#include "toolkit/NSPopover.h"

#include <QObject>
#include <QPointer>

class NSPopoverController;

// What a popover controller tells its delegate. Optional: the defaults do nothing, and a delegate
// that does not answer popoverControllerShouldClose lets the popover close.
class NSPopoverControllerDelegate {
public:
    virtual ~NSPopoverControllerDelegate() = default;
    virtual void popoverControllerWillShow(NSPopoverController* /*controller*/) {}
    virtual void popoverControllerDidShow(NSPopoverController* /*controller*/) {}
    virtual void popoverControllerWillClose(NSPopoverController* /*controller*/) {}
    virtual void popoverControllerDidClose(NSPopoverController* /*controller*/) {}
    virtual bool popoverControllerShouldClose(NSPopoverController* /*controller*/) { return true; }
};

// A content view that wants to know the controller showing it.
class NSPopoverControllerViewDelegate {
public:
    virtual ~NSPopoverControllerViewDelegate() = default;
    virtual void setPopoverController(NSPopoverController* controller) = 0;
};

// Shows one content view in a popover made on first use. A controller without a parent owns
// itself once shown (once, however often it is shown) and deletes itself, with its content view,
// later on the event loop after the popover closed; so a caller may make one, show it and forget
// it. A controller with a parent belongs to the parent. The content view is owned by the
// controller. Every popover event goes to the content view first, when it is an NSPopoverDelegate,
// then to the controller's delegate (not owned). Main thread only.
class NSPopoverController : public QObject, public NSPopoverDelegate {
    Q_OBJECT
public:
    explicit NSPopoverController(QWidget* contentViewController, QObject* parent = nullptr);
    ~NSPopoverController() override;

    // The popover, made on first use; owned by the controller while it is open.
    NSPopover* popover();
    NSPopover* loadPopover();
    QWidget* contentViewController() const { return m_contentViewController; }

    void showRelativeToRect(const QRectF& rect, QWidget* view, quint64 preferredEdge);
    bool isShown();
    void performClose();
    void close();
    void setContentSize(const QSizeF& size);
    void setAnimates(bool animates);
    void setAppearance(qint64 appearance);
    void setBehavior(qint64 behavior);

    NSPopoverControllerDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(NSPopoverControllerDelegate* delegate) { m_delegate = delegate; }
    quint64 preferredEdge() const { return m_preferredEdge; }
    bool ownsItself() const { return m_ownsItself; }

    void popoverWillShow(NSPopover* popover) override;
    void popoverDidShow(NSPopover* popover) override;
    void popoverWillClose(NSPopover* popover) override;
    void popoverDidClose(NSPopover* popover) override;
    bool popoverShouldClose(NSPopover* popover) override;

private:
    NSPopoverDelegate* contentDelegate() const;

    QPointer<NSPopover> m_popover;
    DelegatePointer<NSPopoverControllerDelegate> m_delegate;
    QPointer<QWidget> m_contentViewController;
    quint64 m_preferredEdge = NSMinXEdge;
    bool m_ownsItself = false;
};

// Shows a content view in a new popover controller in one call; the controller lives while the
// popover is shown. A content view that is an NSPopoverControllerViewDelegate is given the
// controller first. Each returns the popover.
namespace NSPopoverControllerViewHelpers {
NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge);
NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge, qint64 appearance);
NSPopover* showRelativeToRect(QWidget* contentViewController, const QRectF& rect, QWidget* view,
                              quint64 preferredEdge, qint64 appearance, qint64 behavior, bool animates);
} // namespace NSPopoverControllerViewHelpers
