#pragma once

#include <QImage>
#include <QString>

class TSheetManagerItem;

// What the tree needs of the sheet browser window that shows it.
class SheetTreeHost {
public:
    virtual ~SheetTreeHost() = default;
    // Selects and opens another sheet after the active one left the folder.
    virtual void nextSheet() = 0;
    // Gives the item's row (the item has a view representation) a new preview.
    virtual void setPreviewImage(TSheetManagerItem* item, const QImage& image) = 0;
    // Shows a desktop notification.
    virtual void notify(const QString& title, const QString& body) = 0;
    // The folder changed on disk: reload the tree and redisplay it.
    virtual void directoryChanged() = 0;
    // A reload in the background was applied: redisplay the tree.
    virtual void reloadedInBackground() {}
};
