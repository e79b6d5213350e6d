#include "NSLinkLabel.h"

#include "platform/Workspace.h"

#include <QRegularExpression>

namespace {

// The schemes a web link may have; a label never opens local files or other programs' links.
bool isWebScheme(const QString& scheme) {
    for (const char* web : {"http", "https", "ftp", "mailto"})
        if (scheme.compare(QLatin1String(web), Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

NSLinkLabel::NSLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::TextSelectableByMouse);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QLabel::linkActivated, this, [](const QString& link) {
        const QUrl url(link);
        if (isWebScheme(url.scheme())) Workspace::shared().openURL(url);
    });
}

QString NSLinkLabel::linkTarget(const QString& text) {
    // A scheme is letters, digits, "+", "-" and "." after a letter, then ":"; "host:8080" and
    // "example.com:80" name a host and port, not a scheme.
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(.*)$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = scheme.match(text);
    if (match.hasMatch()) {
        const QString name = match.captured(1), rest = match.captured(2);
        static const QRegularExpression port(QStringLiteral("^\\d+(/.*)?$"));
        if (rest.startsWith(QLatin1String("//")) ||
            (!name.contains(QLatin1Char('.')) && !port.match(rest).hasMatch()))
            return isWebScheme(name) ? text : QString();
    }
    return QStringLiteral("http://") + text;
}

void NSLinkLabel::setStringValue(const QString& text) {
    m_string = text;
    updateStyle();
}

void NSLinkLabel::updateStyle() {
    // An empty text, or one that is no web link, stays plain.
    const QString target = m_string.isEmpty() ? QString() : linkTarget(m_string);
    if (target.isEmpty()) {
        m_link = QUrl();
        setTextFormat(Qt::PlainText);
        setText(m_string);
        return;
    }
    m_link = QUrl(target);
    setTextFormat(Qt::RichText);
    setText(QStringLiteral("<a href=\"%1\" style=\"color: blue; text-decoration: underline;\">%2</a>")
                .arg(m_link.toString(QUrl::FullyEncoded).toHtmlEscaped(), m_string.toHtmlEscaped()));
}
