#include "UrlCommand.h"

namespace UrlCommand {

Link parse(const QUrl& url) {
    Link link;
    link.command = url.host(QUrl::FullyDecoded);
    const QString query = url.query(QUrl::FullyEncoded);
    if (query.isEmpty()) return link;
    for (const QString& pair : query.split(QLatin1Char('&'))) {
        const QStringList pieces = pair.split(QLatin1Char('='));
        const QString key = QUrl::fromPercentEncoding(pieces.at(0).toUtf8());
        std::optional<QString> value;
        if (pieces.size() >= 2) value = QUrl::fromPercentEncoding(pieces.at(1).toUtf8());
        link.options.insert(key, value);
    }
    return link;
}

} // namespace UrlCommand
