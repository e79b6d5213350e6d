#include "NSImageAndTextBarItem.h"

#include "utilities/CGUtilities.h"
#include "utilities/StringUtilities.h"

#include <QApplication>
#include <QPainter>

NSImageAndTextBarItem::NSImageAndTextBarItem(const QRectF& frame, QWidget* parent)
    : NSBarItem(frame, parent) {
    setUp();
}

NSImageAndTextBarItem::NSImageAndTextBarItem(const QString& text, const QImage& image, double width)
    : NSBarItem(QRectF(0, 0, width, 0)) {
    setUp();
    m_preferredWidth = width;
    m_text = text;
    m_image = image;
    if (!text.isNull() && !image.isNull())
        m_displayMode = ImageAndText;
    else if (!text.isNull())
        m_displayMode = TextOnly;
    else if (!image.isNull())
        m_displayMode = ImageOnly;
}

NSImageAndTextBarItem::NSImageAndTextBarItem(const QString& text, const QImage& image, const QFont& font,
                                             const QColor& color)
    : NSImageAndTextBarItem(text, image, 0) {
    m_textFont = font;
    m_textColor = color;
}

void NSImageAndTextBarItem::setUp() {
    m_imageAndTextMargin = 4.0;
    if (m_preferredWidth == 0) m_preferredWidth = 92;
    setMaximumTextWidth(128);
    m_truncation = 0;
    m_displayMode = ImageAndText;
}

QFont NSImageAndTextBarItem::systemFont(double pointSize) {
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    return font;
}

QFont NSImageAndTextBarItem::textFont() const {
    return m_textFont.value_or(systemFont(12));
}
QColor NSImageAndTextBarItem::textColor() const {
    return m_textColor.value_or(QColor(Qt::black));
}

void NSImageAndTextBarItem::setDisplayMode(qint32 mode) {
    m_displayMode = mode;
    if (parentWidget()) update();
}

void NSImageAndTextBarItem::setMaximumTextWidth(qint32 width) {
    if (width == m_maximumTextWidth) return;
    m_maximumTextWidth = width;
    adjustWidth();
}

TextAttributes NSImageAndTextBarItem::textAttributes() const {
    TextAttributes attributes;
    attributes.font = textFont();
    attributes.foregroundColor = textColor();
    attributes.alignment = Qt::AlignLeft;
    attributes.wordWrap = false;
    return attributes;
}

QRectF NSImageAndTextBarItem::imageFrame() const {
    const QRectF content = contentFrame();
    const QSizeF size = imageSize();
    return CGUtilities::CGRectTruncate(
        QRectF(content.left(), content.center().y() - size.height() / 2, size.width(), size.height()));
}

QRectF NSImageAndTextBarItem::textFrame() const {
    const QRectF content = contentFrame();
    double x = content.left();
    double width = content.width();
    if (m_displayMode == ImageAndText) {
        const QRectF image = imageFrame();
        x = image.right() + m_imageAndTextMargin;
        width = content.width() - (image.width() + m_imageAndTextMargin);
    }
    const double height = StringUtilities::sizeWithAttributes(m_text, textAttributes()).height();
    return CGUtilities::CGRectTruncate(QRectF(x, content.center().y() - height / 2, width, height));
}

QSizeF NSImageAndTextBarItem::textSize() const {
    QString text = m_text;
    if (m_maximumTextWidth > 0)
        text = StringUtilities::stringByTruncatingMaximumWidthPosition(
            text, textAttributes(), m_maximumTextWidth, static_cast<qint32>(m_truncation));
    const QSizeF size = StringUtilities::sizeWithAttributes(text, textAttributes());
    return QSizeF(size.width() + 2, size.height());
}

void NSImageAndTextBarItem::adjustWidth() {
    double width = 0;
    switch (m_displayMode) {
    case ImageOnly:
        width = imageFrame().width();
        break;
    case TextOnly:
        width = m_preferredWidth != 0 ? m_preferredWidth : textSize().width();
        break;
    case ImageAndText:
        width = m_preferredWidth != 0 ? m_preferredWidth
                                      : imageFrame().width() + m_imageAndTextMargin + textSize().width();
        break;
    default:
        return;
    }
    setWidth(static_cast<double>(static_cast<qint64>(width)));
}

void NSImageAndTextBarItem::itemWillArrange() {
    NSBarItem::itemWillArrange();
    adjustWidth();
}

void NSImageAndTextBarItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawContent(painter);
}

void NSImageAndTextBarItem::drawContent(QPainter& painter) {
    if (!m_text.isEmpty() && m_displayMode != ImageOnly) {
        const double maximum = m_maximumTextWidth > 0 ? m_maximumTextWidth : textFrame().width();
        drawTitle(painter, StringUtilities::stringByTruncatingMaximumWidthPosition(
                               m_text, textAttributes(), maximum, static_cast<qint32>(m_truncation)));
    }
    if (!m_image.isNull() && m_displayMode != TextOnly) drawImage(painter);
}

void NSImageAndTextBarItem::drawTitle(QPainter& painter, const QString& title) {
    painter.setFont(textFont());
    painter.setPen(textColor());
    painter.drawText(textFrame(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

void NSImageAndTextBarItem::drawImage(QPainter& painter) {
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.drawImage(imageFrame(), m_image);
}
