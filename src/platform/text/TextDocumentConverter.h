#pragma once

#include "platform/text/AttributedString.h"

class QTextDocument;

// AttributedString to QTextDocument and back, for editors and text boxes.
//
// Every attribute Qt can show is carried: font (a PostScript name such as "Helvetica-BoldOblique" shows as
// its family with the traits of its suffix), size, bold, italic, underline, strikethrough, colours, links,
// superscript and subscript, alignment, indents, line and paragraph spacing, tab stops and writing
// direction. Attachments become inline images (image attachments show their picture); the file name,
// bytes and the attributes Qt cannot show (the exact font name, double and thick underlines, baseline
// offsets) ride along as format properties, so a document that was not edited there converts back
// unchanged.
namespace TextDocumentConverter {

// Replaces the document's content with the text.
void toDocument(const AttributedString& text, QTextDocument* document);
// The document's content as attributed text; paragraphs end in "\n" except the last.
AttributedString fromDocument(const QTextDocument& document);

} // namespace TextDocumentConverter
