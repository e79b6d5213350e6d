#include "CGText.h"

#include "platform/text/AttributedString.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/RTFDCodec.h"
#include "platform/text/TextDocumentConverter.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <optional>

namespace CGUtilities {

namespace {

// The bottom of the last line that ends within the height; lines after one that does not are out.
double wholeLinesHeight(const QTextDocument& document, double height) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    double fit = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        layout->blockBoundingRect(block); // lays the block out
        const QTextLayout* lines = block.layout();
        if (!lines) continue;
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const double bottom = lines->position().y() + line.y() + line.height();
            if (bottom > height + 1e-6) return fit;
            fit = bottom;
        }
    }
    return fit;
}

void prepare(QTextDocument& document) {
    document.setDefaultFont(CGTextDefaultFont());
}

bool drawRichText(QPainter& context, const QRectF& rect, const std::optional<AttributedString>& text,
                  std::optional<CocoaUtilities::NSRange> selection) {
    if (!text) return false;
    QTextDocument document;
    prepare(document);
    TextDocumentConverter::toDocument(*text, &document);
    int start = 0, length = 0;
    if (selection) {
        const auto clamped = CocoaUtilities::NSRangeConstrain(
            *selection, static_cast<quint64>(std::max(0, document.characterCount() - 1)));
        start = static_cast<int>(clamped.location);
        length = static_cast<int>(clamped.length);
    }
    CGContextDrawTextDocument(context, rect, document, false, start, length);
    return true;
}

} // namespace

QFont CGTextDefaultFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(12);
    return font;
}

void CGContextDrawTextDocument(QPainter& context, const QRectF& rect, QTextDocument& document,
                               bool wholeLines, int selectionStart, int selectionLength) {
    if (!(rect.width() > 0) || !(rect.height() > 0)) return;
    QTextFrameFormat frame = document.rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setLeftMargin(kCGTextLinePadding);
    frame.setRightMargin(kCGTextLinePadding);
    document.rootFrame()->setFrameFormat(frame);
    document.setTextWidth(rect.width());
    const double height = wholeLines ? wholeLinesHeight(document, rect.height()) : rect.height();
    if (!(height > 0)) return;

    QAbstractTextDocumentLayout::PaintContext paint;
    paint.palette.setColor(QPalette::Text, Qt::black);
    paint.clip = QRectF(0, 0, rect.width(), height);
    if (selectionLength > 0) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = QTextCursor(&document);
        selection.cursor.setPosition(selectionStart);
        selection.cursor.setPosition(selectionStart + selectionLength, QTextCursor::KeepAnchor);
        selection.format.setBackground(
            QGuiApplication::palette().color(QPalette::Inactive, QPalette::Highlight));
        paint.selections.append(selection);
    }
    context.save();
    context.translate(rect.topLeft());
    context.setClipRect(paint.clip, Qt::IntersectClip);
    document.documentLayout()->draw(&context, paint);
    context.restore();
}

void CGContextDrawTextBox(QPainter& context, const QRectF& rect, const AttributedString& text) {
    QTextDocument document;
    prepare(document);
    TextDocumentConverter::toDocument(text, &document);
    CGContextDrawTextDocument(context, rect, document, true);
}

bool CGContextDrawTextBoxWithRTFD(QPainter& context, const QRectF& rect, const QByteArray& data,
                                  const CocoaUtilities::NSRange& selection, QString* error) {
    return drawRichText(context, rect, RTFDCodec::read(data, error), selection);
}

bool CGContextDrawTextBoxWithRTFD(QPainter& context, const QRectF& rect, const QByteArray& data,
                                  QString* error) {
    return CGContextDrawTextBoxWithRTFD(context, rect, data, CocoaUtilities::NSRange{}, error);
}

bool CGContextDrawTextBoxWithRTF(QPainter& context, const QRectF& rect, const QByteArray& data,
                                 QString* error) {
    return drawRichText(context, rect, RTFCodec::read(data, error), std::nullopt);
}

} // namespace CGUtilities
