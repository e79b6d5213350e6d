#pragma once

#include "utilities/CocoaUtilities.h"

#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

class AttributedString;
class QTextDocument;

// Text boxes drawn into a painter: a laid-out document, attributed text, and RTF and RTFD data
// (read through the RTF and RTFD codecs). Plain strings with attributes are in CGStringDrawing.h.
//
// A box lays its text out at the box's width less a padding of 5 on either side and draws nothing
// outside the box; text without a colour is black, text without a font the default text font.
// Nothing is painted behind the text. Main thread only.
namespace CGUtilities {

inline constexpr double kCGTextLinePadding = 5;
// The font of text that names none: the system font at 12 points.
QFont CGTextDefaultFont();

// Lays the document out for the box and draws it at the box's origin: with wholeLines only the lines
// that fit whole into the box's height (as a text container of the box's size holds them), else
// everything, cut at the box's edges. The selected range (document positions) is drawn on the
// inactive selection colour. The document's width and root frame margins are changed.
void CGContextDrawTextDocument(QPainter& context, const QRectF& rect, QTextDocument& document,
                               bool wholeLines, int selectionStart = 0, int selectionLength = 0);

// The text's lines that fit whole into the box.
void CGContextDrawTextBox(QPainter& context, const QRectF& rect, const AttributedString& text);

// RTF or flattened RTFD data drawn as a text editor of the box's size shows it (cut at its edges),
// with the range selected (clamped to the text). False, with a reason, and nothing drawn, when the
// data cannot be read.
bool CGContextDrawTextBoxWithRTFD(QPainter& context, const QRectF& rect, const QByteArray& data,
                                  const CocoaUtilities::NSRange& selection, QString* error = nullptr);
bool CGContextDrawTextBoxWithRTFD(QPainter& context, const QRectF& rect, const QByteArray& data,
                                  QString* error = nullptr); // nothing selected
bool CGContextDrawTextBoxWithRTF(QPainter& context, const QRectF& rect, const QByteArray& data,
                                 QString* error = nullptr);

} // namespace CGUtilities
