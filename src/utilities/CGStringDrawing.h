#pragma once

#include "utilities/CGText.h"
#include "utilities/TextAttributes.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

// Plain strings drawn into a painter and measured, with a font, a colour and placement options or
// with text attributes. An unset font is the default text font (CGTextDefaultFont), an unset or
// invalid colour black. Text is cut at the edges of the rect it is drawn in (a shadow may fall
// beyond). Main thread only.
namespace CGUtilities {

// Bits of the options of CGContextDrawText.
enum CGTextOptions : quint32 {
    kCGTextShadow = 1,             // a shadow of blur 6 under the text, no offset, the default shadow colour
    kCGTextCenter = 2,             // centred both ways
    kCGTextCenterHorizontally = 4, // centred paragraphs
    kCGTextCenterVertically = 8,   // one line's height, centred in the rect
    kCGTextRotateCW = 16,          // drawn turned a quarter clockwise about the rect's centre
    kCGTextRotateCCW = 32,         // counter-clockwise
    kCGTextFlipVertically = 64,    // mirrored top to bottom about the (line) rect, for painters whose y
                                   // runs upwards (GraphicsContextUtilities::flippedContext)
};
// The bound of measurements without one.
inline constexpr double kCGTextUnbounded = 2147483647;

// The string on one line at the rect's top left, default font and colour.
void CGContextDrawText(QPainter& context, const QRectF& rect, const QString& string);
// The string wrapped at words in the rect, placed by the options. Turned text runs along the rect's
// height, across its width. With a vertical centring and the flip, the line is drawn once, shifted
// by half the height difference in the flipped coordinates (which centres it too).
void CGContextDrawText(QPainter& context, const QRectF& rect, const QString& string,
                       const std::optional<QFont>& font, const QColor& colour, quint32 options);
// The string laid out with the attributes in a box of the rect's size: the lines that fit whole.
void CGContextDrawTextBox(QPainter& context, const QRectF& rect, const QString& string,
                          const TextAttributes& attributes);

// The size the string takes wrapped at the width.
QSizeF CGContextGetTextSizeWithAttributes(const QString& string, double width,
                                          const TextAttributes& attributes);
// The same with the font, centred paragraphs and with shadow the shadow of kCGTextShadow (which
// takes no room).
QSizeF CGContextGetTextSize(const QString& string, double width, const std::optional<QFont>& font,
                            bool shadow);
// The string's size on one line (each line of a multi-line string counts).
QSizeF CGContextGetTextSize(const QString& string, const std::optional<QFont>& font, bool shadow);
double CGContextGetTextWidth(const QString& string, const std::optional<QFont>& font);

} // namespace CGUtilities
