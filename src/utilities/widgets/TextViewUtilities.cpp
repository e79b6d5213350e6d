#include "TextViewUtilities.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <memory>

namespace TextViewUtilities {

namespace {

// The length of the text, without the document's closing paragraph end.
int textLength(const QTextDocument* document) {
    return std::max(0, document->characterCount() - 1);
}

QTextCharFormat formatOfCharacter(const QTextDocument* document, int position) {
    const QTextBlock block = document->findBlock(position);
    if (!block.isValid()) return {};
    QTextCharFormat last = block.charFormat();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        if (fragment.contains(position)) return fragment.charFormat();
        last = fragment.charFormat();
    }
    return last; // the paragraph end
}

} // namespace

QTextCharFormat textAttributesForSelection(const QTextEdit* view) {
    if (!view) return {};
    const QTextDocument* document = view->document();
    const int length = textLength(document);
    if (length == 0) return {};
    const int location = view->textCursor().selectionStart();
    return formatOfCharacter(document, std::clamp(location, 0, length - 1));
}

CocoaUtilities::NSRange entireRange(const QTextEdit* view) {
    if (!view) return {};
    return {0, static_cast<quint64>(textLength(view->document()))};
}

QSizeF textSize(const QTextEdit* view) {
    if (!view) return {};
    const QTextDocument* document = view->document();
    // An editor lays its text out once it is shown; before, a copy is laid out at its width.
    std::unique_ptr<QTextDocument> copy;
    if (document->pageSize().isNull()) {
        copy.reset(document->clone());
        copy->setTextWidth(view->lineWrapMode() == QTextEdit::NoWrap ? -1 : view->viewport()->width());
        document = copy.get();
    }
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    double width = 0, height = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QRectF blockRect = layout->blockBoundingRect(block); // lays the block out
        const QTextLayout* lines = block.layout();
        if (!lines) continue;
        // Every position of the block, its paragraph end included (the text's end in the last one).
        for (int i = 0; i < block.length(); ++i) {
            const QTextLine line = lines->lineForTextPosition(i);
            if (!line.isValid()) continue;
            width = std::max(width, blockRect.x() + line.cursorToX(i));
            height = blockRect.y() + line.y() + line.height();
        }
    }
    return {width, height};
}

double textWidth(const QTextEdit* view) {
    return textSize(view).width();
}

double textHeight(const QTextEdit* view) {
    return textSize(view).height();
}

} // namespace TextViewUtilities
