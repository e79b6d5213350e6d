#pragma once

#include <QImage>
#include <QString>

class NSBarItem;
class NSTabbedBar;
class TCard;

// The card tabs as the card window uses them, declared apart from the tab classes: the toolkit's
// drawn-text attributes and the model's attributed text can't be named in one source file.
namespace CardTabs {
// A new tab for the card (owned by the caller, who adds it to the bar).
NSBarItem* makeTab(TCard* card);
// The card of a card tab; null for another item.
TCard* cardOfTab(const NSBarItem* item);
// Every card tab restyles itself (close image, title colour).
void updateStyles(NSTabbedBar* bar);
// The tab of the identifier takes the title and fits its width; false without such a tab.
bool retitle(NSTabbedBar* bar, const QString& identifier, const QString& title);

// What the tabs read of their card (implemented beside the model).
QString title(const TCard* card);
QString identifier(const TCard* card);
bool rootIsDark(const TCard* card);
QImage closeImage(const TCard* card);
// A tab keeps its card alive: an embedded card may lose its row while its tab is open.
void retainCard(TCard* card);
void releaseCard(TCard* card);
} // namespace CardTabs
