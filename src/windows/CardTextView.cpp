#include "windows/CardTextView.h"

#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextDocumentConverter.h"
#include "utilities/PasteboardUtilities.h"
#include "utilities/StringPathUtilities.h"
#include "windows/ItemViewKeyboardProtocol.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {

bool offersFile(const QMimeData& data) {
    return PasteboardCommonTypes::conformsTo(data, PasteboardUtilities::kPasteboardTypeFileURL);
}

bool offersLink(const QMimeData& data) {
    return PasteboardUtilities::containsType(data, NSPasteboardTypeLinkName);
}

bool offersRichText(const QMimeData& data) {
    return PasteboardCommonTypes::conformsTo(data, PasteboardUtilities::kPasteboardTypeRTF) ||
           PasteboardCommonTypes::conformsTo(data, PasteboardUtilities::kPasteboardTypeRTFD) ||
           data.hasHtml();
}

bool isClipboard(const QMimeData* data) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return data == clipboard->mimeData(QClipboard::Clipboard) ||
           (clipboard->supportsSelection() && data == clipboard->mimeData(QClipboard::Selection));
}

// Clears the background of every run between the positions.
void clearBackground(QTextDocument* document, int start, int end) {
    for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = std::max(start, fragment.position());
            const int to = std::min(end, fragment.position() + fragment.length());
            if (from >= to || !fragment.charFormat().hasProperty(QTextFormat::BackgroundBrush)) continue;
            QTextCharFormat format = fragment.charFormat();
            format.clearBackground();
            QTextCursor cursor(document);
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

TCardTextView::TCardTextView(QWidget* parent) : QTextEdit(parent) {}

TCardItem* TCardTextView::cardItem() const {
    return m_keyboardDelegate ? m_keyboardDelegate->cardItem() : nullptr;
}

bool TCardTextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !document()->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !document()->isRedoAvailable())) {
            event->ignore();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void TCardTextView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (modifiers == Qt::NoModifier && hasFocus() && offerArrowKey(event->key())) {
            event->accept();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Never a line break: with a command modifier the key goes on to the row and the outline.
        if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            event->ignore();
            return;
        }
        if (m_keyboardDelegate) m_keyboardDelegate->insertRow(this);
        event->accept();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Never a tab character.
        if (event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier) {
            if (m_keyboardDelegate) m_keyboardDelegate->indentRow(this);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    case Qt::Key_Backspace:
        if ((modifiers & ~Qt::ShiftModifier) == Qt::NoModifier && document()->isEmpty()) {
            if (m_keyboardDelegate) m_keyboardDelegate->deleteRow(this);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTextEdit::keyPressEvent(event);
}

bool TCardTextView::offerArrowKey(int key) {
    if (!m_keyboardDelegate) return false;
    switch (key) {
    case Qt::Key_Up:
        return m_keyboardDelegate->moveInsertionUp(this);
    case Qt::Key_Down:
        return m_keyboardDelegate->moveInsertionDown(this);
    case Qt::Key_Left:
        return m_keyboardDelegate->moveInsertionLeft(this);
    case Qt::Key_Right:
        return m_keyboardDelegate->moveInsertionRight(this);
    default:
        return false;
    }
}

void TCardTextView::focusOutEvent(QFocusEvent* event) {
    // Leaving the row drops its selection; a menu or another window only borrows the focus.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        QTextCursor cursor = textCursor();
        cursor.setPosition(0);
        setTextCursor(cursor);
    }
    QTextEdit::focusOutEvent(event);
}

bool TCardTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source && (offersFile(*source) || offersLink(*source) || offersRichText(*source) ||
                      QTextEdit::canInsertFromMimeData(source));
}

void TCardTextView::insertFromMimeData(const QMimeData* source) {
    if (!source) return;
    if (isClipboard(source) && offersRichText(*source))
        pasteRichText(*source);
    else
        readSelectionFromPasteboard(*source);
}

bool TCardTextView::readSelectionFromPasteboard(const QMimeData& data) {
    if (offersFile(data)) {
        const QUrl url = PasteboardItemCommonTypes::fileURLType(data);
        if (url.isValid() && !url.isEmpty()) {
            insertLink(StringPathUtilities::lastPathComponent(url.path()), url);
            return true;
        }
    }
    if (offersLink(data)) {
        const QString name = PasteboardUtilities::stringForType(data, NSPasteboardTypeLinkName);
        const QString link =
            PasteboardUtilities::stringForType(data, PasteboardUtilities::kPasteboardTypeString);
        insertLink(name, QUrl(link, QUrl::StrictMode));
        return true;
    }
    // The program's own rich text, else what Qt reads (HTML, plain text).
    if (const auto text = PasteboardCommonTypes::attributedStringType(data)) {
        QTextDocument document;
        TextDocumentConverter::toDocument(*text, &document);
        QTextCursor cursor = textCursor();
        cursor.insertFragment(QTextDocumentFragment(&document));
        setTextCursor(cursor);
        return true;
    }
    if (!QTextEdit::canInsertFromMimeData(&data)) return false;
    QTextEdit::insertFromMimeData(&data);
    return true;
}

// The text in the typing style, linking to the URL (unless it is none); typing after it is no link.
void TCardTextView::insertLink(const QString& text, const QUrl& url) {
    const QTextCharFormat typing = currentCharFormat();
    QTextCharFormat format = typing;
    if (url.isValid() && !url.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(url.toString());
    }
    QTextCursor cursor = textCursor();
    cursor.insertText(text, format);
    setTextCursor(cursor);
    setCurrentCharFormat(typing);
}

void TCardTextView::pasteRichText(const QMimeData& source) {
    QTextCursor edit = textCursor();
    edit.beginEditBlock();
    const int start = edit.selectionStart();
    const QTextBlockFormat rowParagraph = edit.blockFormat();
    QTextCharFormat rowStyle = currentCharFormat();
    rowStyle.clearBackground();

    readSelectionFromPasteboard(source);
    // The pasted range is what the paste put in, whatever the data's plain text says.
    const int end = std::max(start, textCursor().position());

    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next())
        QTextCursor(block).setBlockFormat(rowParagraph);
    if (UserDefaults::standardUserDefaults().boolForKey(kPreferenceKeyAlwaysPasteAndMatchStyle)) {
        QTextCursor range(document());
        range.setPosition(start);
        range.setPosition(end, QTextCursor::KeepAnchor);
        range.setCharFormat(rowStyle);
        setCurrentCharFormat(rowStyle);
    } else {
        clearBackground(document(), start, end);
        QTextCharFormat typing = currentCharFormat();
        typing.clearBackground();
        setCurrentCharFormat(typing);
    }
    edit.endEditBlock();
}
