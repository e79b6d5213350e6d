#pragma once

#include "NSItemBar.h"

#include <QImage>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <QToolButton>

class NSTabbedBar;
class NSTabbedBarItem;

// What a tabbed bar's delegate learns beyond the item bar's notices (optional, no-op defaults).
class NSTabbedBarDelegate : public NSItemBarDelegate {
public:
    virtual void willSelectItem(NSTabbedBar*, NSTabbedBarItem*) {}
    virtual void didSelectItem(NSTabbedBar*, NSTabbedBarItem*) {}
};

// An item bar of tabs, each with a string identifier. Bound to a tab view (a stacked widget whose
// pages carry their identifier in the property "identifier"), selecting a tab shows the page of
// the same identifier and the selection is read back from it; unbound, the bar keeps the
// selected identifier itself. Tabs that do not fit can be folded into an overflow button at the
// right end. The delegate (not owned) is asked through NSTabbedBarDelegate when it is one.
// Main thread only.
class NSTabbedBar : public NSItemBar {
    Q_OBJECT
public:
    explicit NSTabbedBar(QWidget* parent = nullptr);

    void setTabView(QStackedWidget* tabView) { m_tabView = tabView; }
    QStackedWidget* tabView() const { return m_tabView; }
    NSTabbedBarItem* itemWithIdentifier(const QString& identifier) const; // the first one
    QStringList tabIdentifiers() const;
    NSTabbedBarItem* selectedItem() const;
    qint64 indexOfSelectedItem() const; // -1 without a selection
    QString selectedItemIdentifier() const { return m_selectedItemIdentifier; }
    void selectItem(NSTabbedBarItem* tab);
    void selectItemWithIdentifier(const QString& identifier); // nothing for an unknown one
    void selectItemAtIndex(qint64 index);                     // nothing outside the bar
    // False, with one diagnostic line, when no tab has the identifier. Neither arranges nor
    // changes the selection.
    bool removeItemWithIdentifier(const QString& identifier);

    void setOverflowEnabled(bool enabled) { m_overflowEnabled = enabled; }
    bool overflowEnabled() const { return m_overflowEnabled; }
    void setOverflowButtonImage(const QImage& image) { m_overflowButtonImage = image; }
    QImage overflowButtonImage() const { return m_overflowButtonImage; }
    QToolButton* overflowButton() const { return m_overflowButton; } // null until first needed
    void overflowButtonSelectedItem(NSTabbedBarItem* tab) { selectItem(tab); }

    // Hides the tabs that the arrangement about to run would place past the bar's width (the
    // last tab may use the whole width, others leave room for the button) and lists them in
    // the overflow button's menu. While a drag is tracked nothing new is hidden.
    void recalculateClipping();
    void resetClipping();
    void arrangeItems() override;
    void arrangeItemsByIgnoringClippping();

private:
    QList<NSTabbedBarItem*> tabs() const;
    void updateOverflowButton();

    QPointer<QStackedWidget> m_tabView;
    QString m_selectedItemIdentifier;
    bool m_overflowEnabled = false;
    QPointer<QToolButton> m_overflowButton;
    QImage m_overflowButtonImage;
    bool m_ignoreClipping = false;
};
