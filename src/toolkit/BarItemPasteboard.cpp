#include "BarItemPasteboard.h"

#include "NSBarItem.h"
#include "foundation/NSObjectWrapper.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>

namespace {

const QByteArray kPayloadTag = QByteArrayLiteral("NSBarItem/1");

QHash<quint64, NSBarItem*>& liveItems() {
    static QHash<quint64, NSBarItem*> items;
    return items;
}

} // namespace

const QString BarItemPasteboard::kPasteboardType = QStringLiteral("NSBarItem.pasteboardType");

QStringList BarItemPasteboard::dragTypes() {
    return {QStringLiteral("text/plain"), QStringLiteral("text/uri-list"), kPasteboardType};
}

bool BarItemPasteboard::containsType(const QMimeData* pasteboard) {
    return pasteboard && pasteboard->hasFormat(kPasteboardType);
}

bool BarItemPasteboard::acceptsAny(const QMimeData* pasteboard) {
    if (!pasteboard) return false;
    for (const QString& type : dragTypes())
        if (pasteboard->hasFormat(type)) return true;
    return false;
}

QByteArray BarItemPasteboard::payload(const QByteArray& token, quint64 serial) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << kPayloadTag << token << serial;
    return data;
}

void BarItemPasteboard::write(QMimeData* pasteboard, const NSBarItem* item) {
    pasteboard->setData(kPasteboardType, payload(NSObjectWrapper::processToken(), item->m_serial));
}

NSBarItem* BarItemPasteboard::read(const QMimeData* pasteboard) {
    if (!containsType(pasteboard)) return nullptr;
    QDataStream in(pasteboard->data(kPasteboardType));
    QByteArray tag, token;
    quint64 serial = 0;
    in >> tag >> token >> serial;
    if (in.status() != QDataStream::Ok || tag != kPayloadTag || token != NSObjectWrapper::processToken())
        return nullptr;
    return liveItems().value(serial);
}

quint64 BarItemPasteboard::enter(NSBarItem* item) {
    static quint64 next = 1;
    const quint64 serial = next++;
    liveItems().insert(serial, item);
    return serial;
}

void BarItemPasteboard::leave(quint64 serial) {
    liveItems().remove(serial);
}
