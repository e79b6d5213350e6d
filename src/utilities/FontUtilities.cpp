#include "FontUtilities.h"

#include <QFontDatabase>
#include <cmath>

namespace FontUtilities {

QVariantMap fontInfo(const QFont& font) {
    return QVariantMap{{QStringLiteral("name"), font.family()},
                       {QStringLiteral("size"), double(float(font.pointSizeF()))}};
}

std::optional<QFont> fontWithInfo(const QVariant& info) {
    if (!info.isValid()) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSizeF(12.0);
        return font;
    }
    if (info.metaType().id() != QMetaType::QVariantMap) return std::nullopt;
    const QVariantMap map = info.toMap();
    const QString name = map.value(QStringLiteral("name")).toString();
    if (name.isEmpty()) return std::nullopt;
    QString family;
    for (const QString& installed : QFontDatabase::families())
        if (installed.compare(name, Qt::CaseInsensitive) == 0) family = installed;
    if (family.isEmpty()) return std::nullopt;
    const double size = double(map.value(QStringLiteral("size")).toFloat());
    QFont font(family);
    font.setPointSizeF(size > 0 ? size : 12.0);
    return font;
}

QString nameAndSizeString(const QFont& font) {
    return QStringLiteral("%1 %2pt").arg(font.family()).arg(qint64(std::nearbyint(font.pointSizeF())));
}

} // namespace FontUtilities
