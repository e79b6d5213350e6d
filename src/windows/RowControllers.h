#pragma once

#include <QString>
#include <functional>

class TCard;
class TCardItem;
class TCardItemRowViewController;

// Which row controller an outline item gets. The model's table names a controller class per item
// class (exact class); here each controller class name has a maker. An item whose class names no
// controller with a maker gets the nearest registered kind of its parent classes, finally a plain
// text row. Main thread only.
namespace RowControllers {
using Maker = std::function<TCardItemRowViewController*(TCardItem* item, TCard* card)>;
void registerMaker(const QString& controllerClass, Maker maker);
// Enters the item rows into the model's table (group, attachments, list, separator) and the makers
// of the text, list, group, separator, task and attachment rows. Called once at start-up; again does no harm.
void registerItemRows();
// The controller class the item gets.
QString controllerClassFor(const TCardItem* item);
// A new controller for the item, its view set up and laid out, named by the item as its view
// representation; owned by the caller. Null for a null item.
TCardItemRowViewController* make(TCardItem* item, TCard* card);
} // namespace RowControllers
