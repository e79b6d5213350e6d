#pragma once

#include <QMimeData>
#include <QString>
#include <QStringList>

class NSBarItem;

// The bar-item entry of a drag: this process's token and the item's serial in a registry of live
// items, never an address. Reading gives the item only when both still hold. The one place that
// knows how the entry is stored.
class BarItemPasteboard {
public:
    static const QString kPasteboardType; // "NSBarItem.pasteboardType"
    static QStringList dragTypes();       // text, file URLs, bar items
    static bool containsType(const QMimeData* pasteboard);
    static bool acceptsAny(const QMimeData* pasteboard); // offers one of the drag types
    static void write(QMimeData* pasteboard, const NSBarItem* item);
    // The live item the entry names; null for no entry, a malformed one, one from another process
    // or one naming an item that is gone.
    static NSBarItem* read(const QMimeData* pasteboard);
    // The entry as another process (token) would write it, for the refusal's tests.
    static QByteArray payload(const QByteArray& token, quint64 serial);

private:
    friend class NSBarItem;
    static quint64 enter(NSBarItem* item);
    static void leave(quint64 serial);
};
