#pragma once

#include "utilities/CocoaUtilities.h"

#include <QSizeF>
#include <QTextCharFormat>

class QTextEdit;

// Helpers on text editors. Stateless. Positions count the characters of the document's plain text,
// a paragraph end counting as one.
namespace TextViewUtilities {

// The character format at the start of the selection (at the insertion point when nothing is
// selected): that of the character there, or of the last character when the selection stands at the
// end of the text. A paragraph end answers the format of its paragraph's last character, an empty
// paragraph its own character format. An empty format for an empty text or no editor.
QTextCharFormat textAttributesForSelection(const QTextEdit* view);

CocoaUtilities::NSRange entireRange(const QTextEdit* view); // 0 up to the text's length

// The laid-out text, in the document's coordinates: the largest x of the insertion point at any
// position from 0 to the text's length (the end included), and the bottom of the line at the last
// position. An empty text is measured at position 0 alone. Grows with the length: meant for short
// texts such as one row's title.
QSizeF textSize(const QTextEdit* view);
double textWidth(const QTextEdit* view);
double textHeight(const QTextEdit* view);

} // namespace TextViewUtilities
