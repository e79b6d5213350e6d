// The outline controller's font commands over the selected rows.

#include "windows/OutlineViewController.h"

#include "model/CardItems.h"
#include "model/Globals.h"
#include "platform/Scheduler.h"
#include "windows/CardTextView.h"
#include "windows/ChoiceDialogs.h"
#include "windows/TextItemViewController.h"

#include <QPointer>

#include <optional>

namespace {

const QString kRecalculateRows = QStringLiteral("recalculateRows");

// The font copied by copyFont, for every outline of the program.
std::optional<QFont>& copiedFont() {
    static std::optional<QFont> font;
    return font;
}

// The font of a row's text: its first character's, the typing font when it is empty.
QFont fontOf(TCardTextView* editor) {
    if (editor->document()->isEmpty()) return editor->currentFont();
    QTextCursor cursor(editor->document());
    cursor.setPosition(1);
    return cursor.charFormat().font();
}

// The font with the trait of a font manager tag (1 italic, 2 bold) toggled; false for other tags.
bool toggleTrait(QFont& font, int tag) {
    if (tag == 1)
        font.setItalic(!font.italic());
    else if (tag == 2)
        font.setBold(!font.bold());
    return tag == 1 || tag == 2;
}

} // namespace

void TOutlineViewController::copyFont() {
    TCardItem* item = itemForFirstResponder();
    if (!item) return;
    if (TTextItemViewController* row = textControllerFor(item)) copiedFont() = fontOf(row->editor());
}

void TOutlineViewController::pasteFont() {
    if (!copiedFont()) return;
    const QList<qint32> rows = browser()->selectedRows();
    for (TCardItem* item : styledItems()) changeFont(*copiedFont(), item);
    for (qint32 row : rows) m_browser->selectRow(row, true);
}

void TOutlineViewController::underline() {
    for (TCardItem* item : styledItems()) {
        TTextItemViewController* row = textControllerFor(item);
        if (!row) continue;
        QTextDocument* document = row->editor()->document();
        QTextCursor cursor(document);
        cursor.setPosition(document->isEmpty() ? 0 : 1);
        const bool underlined = cursor.charFormat().fontUnderline();
        cursor.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setFontUnderline(!underlined);
        cursor.mergeCharFormat(format);
        row->editor()->setFontUnderline(!underlined);
    }
}

void TOutlineViewController::changeFont(const QFont& panelFont) {
    TFontManager& manager = TFontManager::shared();
    for (TCardItem* item : styledItems()) {
        TTextItemViewController* row = textControllerFor(item);
        if (!row) continue;
        QFont font = fontOf(row->editor());
        if (!toggleTrait(font, manager.tag())) font = panelFont;
        // Only the first row toggles the trait; the others take the panel's font.
        manager.setTag(0);
        changeFont(font, item);
    }
    QPointer<TOutlineViewController> self(this);
    Scheduler::shared().performAfterDelay(this, kRecalculateRows, 0.0, [self] {
        if (self) self->recalculateRows();
    });
}

void TOutlineViewController::toggleFontTrait(qint32 trait) {
    for (TCardItem* item : styledItems())
        if (TTextItemViewController* row = textControllerFor(item)) {
            QFont font = fontOf(row->editor());
            if (toggleTrait(font, trait)) changeFont(font, item);
        }
}

void TOutlineViewController::orderFrontFontPanel() {
    TCardItem* item = itemForFirstResponder();
    TTextItemViewController* row = item ? textControllerFor(item) : nullptr;
    // The dialog runs its own loop: the card may go before it ends, and this with it.
    const QPointer<TOutlineViewController> self(this);
    const std::optional<QFont> font =
        ChoiceDialogs::chooseFont(row ? fontOf(row->editor()) : QFont(), view());
    if (!font || !self) return;
    TFontManager::shared().setTag(0);
    changeFont(*font);
}
