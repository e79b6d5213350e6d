#pragma once

#include "NSTabbedBarItem.h"
#include "NSViewController.h"

#include <QPointer>

class NSTabItemCloseButtonCell;
class QLabel;

// The content of a tab: its title in a label and a close button, optionally shown only while the
// pointer is over the tab. Owned by its tab; the tab is not owned. Closing asks the view's window
// to close, with the tab in the window's property "performCloseSender" while it decides.
// Main thread only.
class NSTabItemViewController : public NSViewController {
    Q_OBJECT
public:
    explicit NSTabItemViewController(QObject* parent = nullptr);

    NSTabItemCloseButtonCell* closeButton();
    QLabel* labelField();
    NSTabbedBarItem* item() const { return m_item; }
    void setItem(NSTabbedBarItem* item);
    bool autoHideButtons() const { return m_autoHideButtons; }
    void setAutoHideButtons(bool hide);

    // Takes the tab's font, colour, title and active state, then fits the view's width.
    virtual void reload();
    virtual void adjustWidth();
    void selectionChanged() { reload(); }
    void activeStateChanged() { reload(); }
    void mouseEntered();
    void mouseExited();
    void closeTab();

protected:
    QWidget* loadView() override;
    virtual void setup();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setCloseButtonAlpha(double alpha);

    QPointer<NSTabbedBarItem> m_item;
    NSTabItemCloseButtonCell* m_closeButton = nullptr;
    QLabel* m_labelField = nullptr;
    bool m_didSetup = false;
    bool m_autoHideButtons = false;
};
