#pragma once

#include "NSBarItem.h"
#include "utilities/TextAttributes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <optional>

// A bar item showing an image and/or a text, fitted to its content at every arrangement. The text
// is cut with "..." to its maximum text width (or to its text frame). Main thread only.
class NSImageAndTextBarItem : public NSBarItem {
    Q_OBJECT
public:
    enum DisplayMode : qint32 { ImageAndText = 0, ImageOnly = 1, TextOnly = 2 };

    explicit NSImageAndTextBarItem(const QRectF& frame = {}, QWidget* parent = nullptr);
    // Width 0 asks for a width fitted to the content at the next arrangement.
    NSImageAndTextBarItem(const QString& text, const QImage& image, double width);
    NSImageAndTextBarItem(const QString& text, const QImage& image, const QFont& font, const QColor& color);

    void setText(const QString& text) { m_text = text; }
    QString text() const { return m_text; }
    void setImage(const QImage& image) { m_image = image; }
    QImage image() const { return m_image; }
    void setTextFont(const QFont& font) { m_textFont = font; }
    virtual QFont textFont() const; // the system font of size 12 unless set
    void setTextColor(const QColor& color) { m_textColor = color; }
    virtual QColor textColor() const; // black unless set
    void setDisplayMode(qint32 mode);
    qint32 displayMode() const { return m_displayMode; }
    void setMaximumTextWidth(qint32 width); // refits when it changes; 0 or less: no maximum
    qint32 maximumTextWidth() const { return m_maximumTextWidth; }
    void setTruncation(quint32 position) { m_truncation = position; }
    quint32 truncation() const { return m_truncation; }
    void setPreferredWidth(double width) { m_preferredWidth = width; }
    double preferredWidth() const { return m_preferredWidth; }
    double imageAndTextMargin() const { return m_imageAndTextMargin; }

    TextAttributes textAttributes() const;
    virtual QRectF contentFrame() const { return QRectF(rect()); }
    QSizeF imageSize() const { return QSizeF(m_image.size()); }
    QRectF imageFrame() const;
    QRectF textFrame() const;
    QSizeF textSize() const;
    virtual void adjustWidth();
    void itemWillArrange() override;

    static QFont systemFont(double pointSize);

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawContent(QPainter& painter);
    virtual void drawTitle(QPainter& painter, const QString& title);
    virtual void drawImage(QPainter& painter);

private:
    void setUp();

    QString m_text;
    QImage m_image;
    std::optional<QFont> m_textFont;
    std::optional<QColor> m_textColor;
    double m_imageAndTextMargin = 4.0;
    quint32 m_truncation = 0;
    qint32 m_maximumTextWidth = 0;
    qint32 m_displayMode = ImageAndText;
    double m_preferredWidth = 0;
};
