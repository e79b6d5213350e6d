#include "CGStringDrawing.h"

#include "utilities/CGDrawing.h"
#include "utilities/CGUtilities.h"
#include "utilities/StringUtilities.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace CGUtilities {

namespace {

TextAttributes withDefaults(TextAttributes attributes) {
    if (!attributes.font) attributes.font = CGTextDefaultFont();
    if (!attributes.foregroundColor || !attributes.foregroundColor->isValid())
        attributes.foregroundColor = QColor(Qt::black);
    return attributes;
}

// The shadow of kCGTextShadow.
Shadow textShadow() {
    Shadow shadow;
    shadow.blurRadius = 6;
    return shadow;
}

CGShadow cgShadow(const Shadow& shadow) {
    const QColor c = shadow.color.toRgb();
    return {shadow.offset, shadow.blurRadius, CGRGBColorMake(c.redF(), c.greenF(), c.blueF(), c.alphaF())};
}

// Draws with the shadow first, when the attributes have one.
void withShadow(QPainter& context, const QRectF& rect, const TextAttributes& attributes,
                const std::function<void(QPainter&)>& paint) {
    if (attributes.shadow) CGContextDrawShadowOfDrawing(context, rect, cgShadow(*attributes.shadow), paint);
    paint(context);
}

void drawString(QPainter& context, const QRectF& rect, const QString& string,
                const TextAttributes& attributes, int flags) {
    withShadow(context, rect, attributes, [&](QPainter& painter) {
        painter.save();
        painter.setFont(*attributes.font);
        painter.setPen(*attributes.foregroundColor);
        painter.drawText(rect, flags, string);
        painter.restore();
    });
}

int wrapFlags(const TextAttributes& attributes) {
    return static_cast<int>(attributes.alignment) | (attributes.wordWrap ? Qt::TextWordWrap : 0);
}

// The rect turned a quarter about its centre.
QRectF turned(const QRectF& rect) {
    QRectF result(0, 0, rect.height(), rect.width());
    result.moveCenter(rect.center());
    return result;
}

} // namespace

void CGContextDrawText(QPainter& context, const QRectF& rect, const QString& string) {
    drawString(context, rect, string, withDefaults({}), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine);
}

void CGContextDrawText(QPainter& context, const QRectF& rect, const QString& string,
                       const std::optional<QFont>& font, const QColor& colour, quint32 options) {
    context.save();
    TextAttributes attributes;
    attributes.font = font;
    attributes.foregroundColor = colour;
    attributes = withDefaults(attributes);
    const bool centreVertically = options & (kCGTextCenterVertically | kCGTextCenter);
    const bool flip = options & kCGTextFlipVertically;
    // Turned text is laid out in the rect turned about its centre; the other options apply in there.
    QRectF frame = rect;
    if (options & kCGTextRotateCW) {
        CGContextRotateCW(context, frame);
        frame = turned(frame);
    }
    if (options & kCGTextRotateCCW) {
        CGContextRotateCCW(context, frame);
        frame = turned(frame);
    }
    QRectF box = frame;
    if (centreVertically) box.setHeight(StringUtilities::sizeWithAttributes(string, attributes).height());
    if (flip) CGContextFlipVertically(context, box);
    if (options & (kCGTextCenterHorizontally | kCGTextCenter)) attributes.alignment = Qt::AlignHCenter;
    if (options & kCGTextShadow) attributes.shadow = textShadow();
    if (centreVertically) {
        if (flip)
            box.translate(0, -(frame.height() / 2 - box.height() / 2));
        else
            box = CGRectCenterY(box, frame);
    }
    drawString(context, box, string, attributes, wrapFlags(attributes));
    context.restore();
}

void CGContextDrawTextBox(QPainter& context, const QRectF& rect, const QString& string,
                          const TextAttributes& attributes) {
    const TextAttributes full = withDefaults(attributes);
    QTextDocument document;
    document.setDefaultFont(*full.font);
    QTextOption option(full.alignment);
    option.setWrapMode(full.wordWrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    document.setDefaultTextOption(option);
    document.setPlainText(string);
    QTextCursor all(&document);
    all.select(QTextCursor::Document);
    QTextCharFormat colour;
    colour.setForeground(*full.foregroundColor);
    all.mergeCharFormat(colour);
    withShadow(context, rect, full,
               [&](QPainter& painter) { CGContextDrawTextDocument(painter, rect, document, true); });
}

QSizeF CGContextGetTextSizeWithAttributes(const QString& string, double width,
                                          const TextAttributes& attributes) {
    const TextAttributes full = withDefaults(attributes);
    return StringDrawingAdditions::boundingRectWithSizeFontAlignment(string, QSizeF(width, kCGTextUnbounded),
                                                                     *full.font, full.alignment)
        .size();
}

QSizeF CGContextGetTextSize(const QString& string, double width, const std::optional<QFont>& font,
                            bool shadow) {
    TextAttributes attributes;
    attributes.font = font;
    attributes.alignment = Qt::AlignHCenter;
    if (shadow) attributes.shadow = textShadow();
    return CGContextGetTextSizeWithAttributes(string, width, attributes);
}

QSizeF CGContextGetTextSize(const QString& string, const std::optional<QFont>& font, bool) {
    TextAttributes attributes;
    attributes.font = font;
    return StringUtilities::sizeWithAttributes(string, withDefaults(attributes));
}

double CGContextGetTextWidth(const QString& string, const std::optional<QFont>& font) {
    return CGContextGetTextSize(string, kCGTextUnbounded, font, false).width();
}

} // namespace CGUtilities
