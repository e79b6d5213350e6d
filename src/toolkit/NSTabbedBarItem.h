#pragma once

#include "NSImageAndTextBarItem.h"

class NSTabbedBar;
class NSTabItemViewController;

// A tab of a tabbed bar: a text-only item with an identifier, white on a darkened background
// while selected. It may host a content view controller (owned) that draws its title instead.
// It follows its window's active state, and a drag resting on it for a second selects it (on
// the platform scheduler). Main thread only.
class NSTabbedBarItem : public NSImageAndTextBarItem {
    Q_OBJECT
public:
    NSTabbedBarItem(const QString& title, const QString& identifier,
                    NSTabItemViewController* controller = nullptr);
    ~NSTabbedBarItem() override;
    static NSTabbedBarItem* itemWithTitleIdentifier(const QString& title, const QString& identifier) {
        return new NSTabbedBarItem(title, identifier);
    }

    QString tabIdentifier() const { return m_tabIdentifier; }
    NSTabbedBar* tabBar() const;
    NSTabItemViewController* contentViewController() const;
    bool isSelected() const;
    bool isActive() const { return m_activeState; }
    void setActiveState(bool active);
    bool isTrackingDrag() const { return m_trackingDrag; }
    void selectTab();

    virtual void selectionChanged();
    virtual void activeStateChanged();
    void reloadViewController();

    QRectF contentFrame() const override { return QRectF(rect()).adjusted(8, 0, -8, 0); }
    void adjustWidth() override;
    QFont textFont() const override;
    QColor textColor() const override;

    quint64 draggingEntered(const NSDraggingInfo& info) override;
    void draggingExited(const NSDraggingInfo& info) override;

protected:
    virtual void drawSelection(QPainter& painter);
    void paintEvent(QPaintEvent* event) override;
    void mouseDown(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_tabIdentifier;
    bool m_activeState = true;
    bool m_trackingDrag = false;
};
