#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The rules that enable, check, hide and retitle the program's menu commands. Read from the
// program's settings (NSPrefs()) and from the state the caller gathers. Main thread only.
namespace MenuValidation {

// What the rules look at besides the settings.
struct Context {
    bool browserAvailable = false; // a sheet browser over an existing sheet folder
    qint64 sheetCount = 0;         // registered sheets
    QString activeSheetUUID;       // empty: no sheet is active
    bool sandboxed = false;
};

// One menu item as the rules see it.
struct Item {
    QString action; // "nextSheet", "toggleSheetBrowser", ... ("sheetsMenu" for the sheets submenu)
    QVariant representedObject;
    qint64 tag = 0;
};

struct Result {
    bool enabled = true;
    std::optional<bool> checked; // unset: the rules leave the check mark alone
    std::optional<QString> title;
    bool hidden = false;
};

Result validate(const Item& item, const Context& context);

} // namespace MenuValidation
