#include "windows/LinkURL.h"

#include "model/Globals.h"
#include "platform/Workspace.h"
#include "utilities/StringPathUtilities.h"

#include <QRegularExpression>

namespace LinkURL {

namespace {

// "name:" at the start, where what follows is not just a port number.
bool hasScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d+([/?#]|$))"));
    return scheme.match(text).hasMatch();
}

Handler& ownLinkHandler() {
    static Handler handler;
    return handler;
}

} // namespace

std::optional<QUrl> fromUserText(const QString& typed, QString* error) {
    QString text = typed.trimmed();
    if (text.isEmpty()) {
        if (error) *error = QStringLiteral("The address is empty.");
        return std::nullopt;
    }
    if (text.startsWith(QLatin1Char('~'))) {
        // A "~name" of no user here names no folder, least of all one below the working folder.
        if (StringPathUtilities::stringByExpandingTildeInPath(text).startsWith(QLatin1Char('~'))) {
            if (error)
                *error = QStringLiteral("The home folder of %1 is not known.")
                             .arg(text.section(QLatin1Char('/'), 0, 0));
            return std::nullopt;
        }
        return StringPathUtilities::fileURL(text);
    }
    if (!hasScheme(text)) text.prepend(QStringLiteral("http://"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() ||
        ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && url.host().isEmpty())) {
        if (error)
            *error = url.isValid() ? QStringLiteral("The address has no host name.") : url.errorString();
        return std::nullopt;
    }
    return url;
}

QUrl openable(const QUrl& url) {
    if (url.isEmpty() || !url.scheme().isEmpty()) return url;
    return fromUserText(url.toString()).value_or(url);
}

bool isOwnScheme(const QUrl& url) {
    return url.scheme().compare(URISchemeBundle(), Qt::CaseInsensitive) == 0;
}

void setOwnLinkHandler(Handler handler) {
    ownLinkHandler() = std::move(handler);
}

bool open(const QUrl& url) {
    if (isOwnScheme(url)) {
        if (ownLinkHandler()) ownLinkHandler()(url);
        return false;
    }
    return Workspace::shared().openURL(url);
}

} // namespace LinkURL
