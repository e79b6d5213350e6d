#pragma once

#include "model/ModelContracts.h"
#include "toolkit/NSViewController.h"

#include <QString>
#include <QVariant>
#include <functional>

class TCard;
struct TObjectClassInfo;

// A menu item as validation sees it: its action's name, its mark, its title and what it carries.
struct MenuItemState {
    QString action;
    bool checked = false;
    QString title;
    QVariant representedObject;
};

// The content of a card window for one card: the base of the outline editor's and the rich-text
// view's controllers. It holds its card (retained, so a card taken out of its tree meanwhile stays
// valid), finds the window controller that shows its view, and receives the card window's
// activation hooks, which do nothing here. The card points at it as its view representation; the
// card window that made it owns it and clears that pointer when it deletes it. Main thread only.
class TCardContentViewController : public NSViewController, public virtual TCardViewController {
    Q_OBJECT
public:
    explicit TCardContentViewController(TCard* card, QObject* parent = nullptr);
    ~TCardContentViewController() override;

    TCard* card() const { return m_card; }
    // The window controller of the window showing the view; null while the view is in no window.
    TCardControllerProtocol* owner() const override;
    // Asks the owner to refresh its preview; nothing without one.
    void setUINeedsDisplay();
    void modify() override {}

    virtual void cardDidBecomeActive() {}
    virtual void cardWillResignActive() {}
    virtual void cardWillClose() {}
    virtual void makePrimaryInputFirstResponder() {}
    // Outline controllers lay their rows out again (after full screen, after a tab change).
    virtual bool respondsToRecalculateRows() const { return false; }
    virtual void recalculateRows() {}
    // The bottom bar's filters: 0 all rows, 1 dated tasks, 2 important ones.
    virtual qint32 filterKind() const { return 0; }
    virtual void applyFilter(qint32 /*kind*/) {}
    // Commands the window passes on unchanged ("taskInfo", "moveRowUp", ...) with what the menu item
    // carries (a tag, a colour); false when not taken.
    virtual bool performCommand(const QString& /*action*/, const QVariant& /*argument*/ = {}) {
        return false;
    }
    // The answer for an item the window refuses.
    virtual bool validateMenuItem(MenuItemState& /*item*/) { return false; }

private:
    TCard* m_card;
};

// Stands in for the content of a card kind that has no view of its own yet: the card's title.
class TPlaceholderCardViewController : public TCardContentViewController {
    Q_OBJECT
public:
    using TCardContentViewController::TCardContentViewController;

protected:
    QWidget* loadView() override;
};

// Which content controller a card gets, by the card's class: the nearest class with a maker
// registered, else the placeholder. The outline editor and the rich-text view register theirs.
namespace CardViewControllers {
using Maker = std::function<TCardContentViewController*(TCard* card)>;
void registerMaker(const TObjectClassInfo* cardClass, Maker maker);
void unregisterMaker(const TObjectClassInfo* cardClass);
// A new controller for the card (owned by the caller).
TCardContentViewController* make(TCard* card);
} // namespace CardViewControllers
