#include "NSLinkLabel.h"

#include "platform/Workspace.h"

#include <QRegularExpression>

NSLinkLabel::NSLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::TextSelectableByMouse);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QLabel::linkActivated, this,
            [](const QString& link) { Workspace::shared().openURL(QUrl(link)); });
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
            return text;
    }
    return QStringLiteral("http://") + text;
}

void NSLinkLabel::setStringValue(const QString& text) {
    m_string = text;
    updateStyle();
}

void NSLinkLabel::updateStyle() {
    if (m_string.isEmpty()) {
        m_link = QUrl();
        setTextFormat(Qt::PlainText);
        setText(QString());
        return;
    }
    m_link = QUrl(linkTarget(m_string));
    setTextFormat(Qt::RichText);
    setText(QStringLiteral("<a href=\"%1\" style=\"color: blue; text-decoration: underline;\">%2</a>")
                .arg(m_link.toString(QUrl::FullyEncoded).toHtmlEscaped(), m_string.toHtmlEscaped()));
}
