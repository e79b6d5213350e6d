#pragma once

#include "toolkit/NSTabItemViewController.h"
#include "toolkit/NSTabbedBarItem.h"

class TCard;

// The content of a card's tab: the title and a close button whose image comes from the card's
// theme. Its close button closes the tab through the window's controller. Owned by its tab; it
// retains the card, which may leave the window's tree (an embedded card's row) while the tab exists.
class TCardTabItemViewController : public NSTabItemViewController {
    Q_OBJECT
public:
    explicit TCardTabItemViewController(TCard* card);
    ~TCardTabItemViewController() override;
    TCard* card() const { return m_card; }
    void updateStyle();
    void closeTab();

protected:
    void setup() override;

private:
    TCard* m_card;
};

// A card's tab: title, the card's uuid as identifier, colours by state and the card's darkness.
class TCardTabBarItem : public NSTabbedBarItem {
    Q_OBJECT
public:
    explicit TCardTabBarItem(TCard* card);
    TCard* card() const;
    QFont textFont() const override;
    bool isDarkStyle() const;
    QColor textColor() const override;
    // The title colour for the states (the tab's window active, the tab selected, the card dark).
    static QColor textColorFor(bool active, bool selected, bool dark);

protected:
    void drawSelection(QPainter& painter) override;
};
