#include "NSNIBBarItem.h"

#include "utilities/CocoaUtilities.h"

#include <QHash>

namespace {
QHash<QString, NSNIBBarItem::Builder>& nibs() {
    static QHash<QString, NSNIBBarItem::Builder> builders;
    return builders;
}
} // namespace

void NSNIBBarItem::registerNib(const QString& name, Builder builder) {
    nibs().insert(name, std::move(builder));
}

NSNIBBarItem::NSNIBBarItem(const QString& nibName, double width) : NSBarItem(QRectF(0, 0, width, 0)) {
    const Builder builder = nibs().value(nibName);
    m_baseView = builder ? builder(this) : nullptr;
    if (!m_baseView) {
        CocoaUtilities::Fatal(
            QStringLiteral("NSBundle could not connect the IBOutlet \"baseView\" from the NIB ") + nibName +
            QStringLiteral("."));
    }
    hostView(m_baseView);
}
