#pragma once

#include <QLabel>
#include <QUrl>

// A label that shows its text as an underlined blue web link and opens it through the platform
// workspace when clicked. Text without a scheme links to "http://" and the text; the label shows
// the text as it is. An empty label stays plain. Owned by its parent widget; main thread only.
class NSLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit NSLinkLabel(QWidget* parent = nullptr);

    void setStringValue(const QString& text);
    QString stringValue() const { return m_string; }
    // The link the text makes; empty for an empty text.
    QUrl link() const { return m_link; }

    // The text with "http://" put first unless it already names a scheme ("https://", "mailto:").
    static QString linkTarget(const QString& text);

private:
    void updateStyle();

    QString m_string;
    QUrl m_link;
};
