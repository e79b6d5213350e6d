#pragma once

#include <QString>

// Posted when a sheet is registered, unregistered or reloaded from its folder.
inline const QString kSheetsChangedNotification = QStringLiteral("TSheetManager.sheetsChanged");
