#include "MemoleafViewController.h"

#include "ChoiceDialogs.h"
#include "TextSpellChecker.h"
#include "TextStylePanelController.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/Themes.h"
#include "model/ui/ModelWidgets.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/TextDocumentConverter.h"
#include "utilities/UserDefaultsUtilities.h"
#include "utilities/widgets/NSColoredScroller.h"
#include "windows/LinkURL.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <optional>

namespace {

// The rich-text commands of the Font menu.
const QSet<QString>& textCommands() {
    static const QSet<QString> names{QStringLiteral("changeFont"),
                                     QStringLiteral("underline"),
                                     QStringLiteral("copyFont"),
                                     QStringLiteral("pasteFont"),
                                     QStringLiteral("orderFrontFontPanel"),
                                     QStringLiteral("orderFrontColorPanel")};
    return names;
}

// The font Copy Font took, for every rich-text card of the program.
std::optional<QFont>& copiedFont() {
    static std::optional<QFont> font;
    return font;
}

const QStringList kRTFTypes{QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                            QStringLiteral("text/richtext")};

QString rtfType(const QMimeData* source) {
    for (const QString& type : kRTFTypes)
        if (source && source->hasFormat(type)) return type;
    return {};
}

TextFont textFont(const QFont& font) {
    TextFont result;
    result.name = font.family();
    result.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : 0;
    result.bold = font.bold();
    result.italic = font.italic();
    return result;
}

// The keys whose changes reach an open editor.
bool isObservedKey(const QString& key) {
    return IsKeyTextPreference(key) || key == kPreferenceKeyPlainTextFont;
}

QString strippedAction(QString action) {
    if (action.endsWith(QLatin1Char(':'))) action.chop(1);
    return action;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TNoteTextView

TNoteTextView::TNoteTextView(QWidget* parent) : QTextEdit(parent) {
    m_spellChecker = new TTextSpellChecker(this);
}

void TNoteTextView::paste() {
    pasteFromMimeData(QApplication::clipboard()->mimeData());
}

void TNoteTextView::pasteFromMimeData(const QMimeData* source) {
    if (!source || isReadOnly()) return;
    if (rtfType(source).isEmpty() || !acceptRichText()) {
        insertFromMimeData(source);
        return;
    }
    // The typing style before the paste, without background and paragraph style.
    QTextCharFormat typing = currentCharFormat();
    typing.clearBackground();
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int lengthBefore = document()->characterCount() - (cursor.selectionEnd() - start);
    cursor.beginEditBlock();
    insertFromMimeData(source);
    const int pasted = qMax(0, document()->characterCount() - lengthBefore);
    QTextCursor range(document());
    range.setPosition(start);
    range.setPosition(qMin(start + pasted, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    if (NSPrefs().boolForKey(kPreferenceKeyAlwaysPasteAndMatchStyle)) {
        // The typing style over the pasted text; pasted pictures stay.
        NoteView::modifyRuns(document(), range.selectionStart(), range.selectionEnd(),
                             [&typing](QTextCharFormat& format) {
                                 if (!format.isImageFormat()) format = typing;
                             });
    } else {
        // Keeps every pasted attribute but the background.
        NoteView::modifyRuns(document(), range.selectionStart(), range.selectionEnd(),
                             [](QTextCharFormat& format) { format.clearBackground(); });
    }
    // Paragraphs that begin inside the pasted range lose their paragraph style.
    for (QTextBlock block = document()->findBlock(range.selectionStart());
         block.isValid() && block.position() <= range.selectionEnd(); block = block.next()) {
        if (block.position() < range.selectionStart()) continue;
        QTextCursor(block).setBlockFormat(QTextBlockFormat());
    }
    cursor.endEditBlock();
    setCurrentCharFormat(typing);
}

bool TNoteTextView::readSelectionFromPasteboard(const QMimeData* source) {
    if (!source) return false;
    if (source->hasUrls()) {
        const QUrl url = source->urls().value(0);
        if (url.isValid() && url.isLocalFile()) {
            insertLink(QFileInfo(url.toLocalFile()).fileName(), url.toString());
            return true;
        }
    }
    if (source->hasFormat(NSPasteboardTypeLinkName)) {
        const QString name = QString::fromUtf8(source->data(NSPasteboardTypeLinkName));
        insertLink(name, source->text());
        return true; // the card link was inserted, like a file link
    }
    return false;
}

void TNoteTextView::insertLink(const QString& text, const QString& link) {
    QTextCharFormat format = currentCharFormat();
    format.setAnchor(true);
    format.setAnchorHref(link);
    textCursor().insertText(text, format);
}

void TNoteTextView::insertRTF(const QMimeData* source) {
    const std::optional<AttributedString> read = RTFCodec::read(source->data(rtfType(source)));
    if (!read) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextDocument scratch;
    TextDocumentConverter::toDocument(*read, &scratch);
    textCursor().insertFragment(QTextDocumentFragment(&scratch));
}

bool TNoteTextView::canInsertFromMimeData(const QMimeData* source) const {
    return !rtfType(source).isEmpty() || source->hasFormat(NSPasteboardTypeLinkName) ||
           QTextEdit::canInsertFromMimeData(source);
}

void TNoteTextView::insertFromMimeData(const QMimeData* source) {
    if (readSelectionFromPasteboard(source)) return;
    if (acceptRichText() && !rtfType(source).isEmpty()) {
        insertRTF(source);
        return;
    }
    QTextEdit::insertFromMimeData(source);
}

QMimeData* TNoteTextView::createMimeDataFromSelection() const {
    QMimeData* data = QTextEdit::createMimeDataFromSelection();
    const QTextCursor cursor = textCursor();
    if (!acceptRichText() || !cursor.hasSelection()) return data;
    QTextDocument scratch;
    QTextCursor(&scratch).insertFragment(cursor.selection());
    data->setData(QStringLiteral("text/rtf"), RTFCodec::write(TextDocumentConverter::fromDocument(scratch)));
    return data;
}

void TNoteTextView::showFindBar() {
    if (!m_findField) return;
    m_findField->show();
    m_findField->setFocus();
    m_findField->selectAll();
}

void TNoteTextView::setFindField(QLineEdit* field) {
    m_findField = field;
}

bool TNoteTextView::findNext(const QString& text) {
    if (text.isEmpty()) return false;
    if (find(text)) return true;
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    return find(text);
}

bool TNoteTextView::event(QEvent* event) {
    // Taken before the application's shortcut of the same key.
    if (event->type() == QEvent::ShortcutOverride && acceptRichText() &&
        static_cast<QKeyEvent*>(event) == QKeySequence::Italic) {
        event->accept();
        return true;
    }
    return QTextEdit::event(event);
}

void TNoteTextView::keyPressEvent(QKeyEvent* event) {
    if (acceptRichText() && event == QKeySequence::Italic) {
        emit italicKeyPressed();
        event->accept();
        return;
    }
    if (event == QKeySequence::Paste) {
        paste();
        event->accept();
        return;
    }
    if (event == QKeySequence::Find) {
        showFindBar();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TNoteTextView::mousePressEvent(QMouseEvent* event) {
    m_pressPosition = event->position().toPoint();
    m_pressedAnchor = anchorAt(m_pressPosition);
    QTextEdit::mousePressEvent(event);
}

void TNoteTextView::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    const QPoint position = event->position().toPoint();
    if (event->button() != Qt::LeftButton || m_pressedAnchor.isEmpty() ||
        (position - m_pressPosition).manhattanLength() > QApplication::startDragDistance() ||
        anchorAt(position) != m_pressedAnchor)
        return;
    const QUrl url(m_pressedAnchor);
    m_pressedAnchor.clear();
    emit linkClicked(url);
}

void TNoteTextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    // Pasting from the menu follows the paste rule too.
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        paste->disconnect();
        connect(paste, &QAction::triggered, this, &TNoteTextView::paste);
    }
    QTextCursor word = cursorForPosition(event->pos());
    word.select(QTextCursor::WordUnderCursor);
    const QString text = word.selectedText();
    if (property("continuousSpellCheckingEnabled").toBool() && TTextSpellChecker::isMisspelled(text)) {
        QAction* first = menu->actions().value(0);
        const QStringList suggestions = TTextSpellChecker::suggestions(text).mid(0, 8);
        for (const QString& suggestion : suggestions) {
            auto* action = new QAction(suggestion, menu);
            connect(action, &QAction::triggered, this, [this, word, suggestion]() mutable {
                word.insertText(suggestion);
                setTextCursor(word);
            });
            menu->insertAction(first, action);
        }
        if (suggestions.isEmpty()) {
            auto* none = new QAction(tr("No Guesses Found"), menu);
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        menu->insertSeparator(first);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// ---------------------------------------------------------------------------------------------
// TMemoleafViewController

TMemoleafViewController::TMemoleafViewController(TCard* card, QObject* parent)
    : TCardContentViewController(card, parent) {}

TMemoleafViewController::~TMemoleafViewController() {
    QObject::disconnect(m_defaultsObservation);
    delete m_stylePanelController;
}

void TMemoleafViewController::registerForMemoleafCards() {
    CardViewControllers::registerMaker(TMemoleaf::StaticClass(),
                                       [](TCard* card) { return new TMemoleafViewController(card); });
}

TMemoleaf* TMemoleafViewController::memoleaf() const {
    return dynamic_cast<TMemoleaf*>(card());
}

TNoteTextView* TMemoleafViewController::editor() {
    view();
    return m_editor;
}

QWidget* TMemoleafViewController::stylePanelContainer() {
    view();
    return m_stylePanelContainer;
}

TTextStylePanelController* TMemoleafViewController::stylePanelController() {
    view();
    return m_stylePanelController;
}

QWidget* TMemoleafViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(nibName());
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_stylePanelContainer = new QWidget(view);
    auto* containerLayout = new QVBoxLayout(m_stylePanelContainer);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    auto* findField = new QLineEdit(view);
    findField->setPlaceholderText(tr("Find"));
    findField->setClearButtonEnabled(true);
    findField->hide();
    m_editor = new TNoteTextView(view);
    m_editor->setFindField(findField);
    connect(findField, &QLineEdit::returnPressed, m_editor.data(),
            [this, findField] { m_editor->findNext(findField->text()); });
    auto* escape = new QAction(findField);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WidgetShortcut);
    connect(escape, &QAction::triggered, findField, [this, findField] {
        findField->hide();
        m_editor->setFocus();
    });
    findField->addAction(escape);
    layout->addWidget(m_stylePanelContainer);
    layout->addWidget(findField);
    layout->addWidget(m_editor, 1);
    m_stylePanelController = new TTextStylePanelController(m_editor);
    containerLayout->addWidget(m_stylePanelController->view());
    awakeFromNib();
    return view;
}

QFont TMemoleafViewController::fontForKey(const QString& key) const {
    if (const std::optional<QFont> font = UserDefaultsUtilities::fontForKey(NSPrefs(), key)) return *font;
    return key == kPreferenceKeyPlainTextFont ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
}

void TMemoleafViewController::awakeFromNib() {
    TMemoleaf* note = memoleaf();
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->setAutoFillBackground(false);
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_editor->setPalette(palette);
    m_editor->setUndoRedoEnabled(true);
    m_editor->setAcceptRichText(note && note->IsRichText());
    ModelWidgets::UpdateTextViewPreferences(m_editor);
    m_defaultsObservation = connect(&NSPrefs(), &UserDefaults::changed, this, [this](const QString& key) {
        if (isObservedKey(key)) preferenceChanged(key);
    });
    if (note && note->GetTheme()) {
        NSColoredScroller* scroller = ModelWidgets::GetVerticalScroller(*note->GetTheme(), m_editor);
        m_editor->setVerticalScrollBar(scroller);
    }
    if (note) {
        QSignalBlocker blocker(m_editor);
        TextDocumentConverter::toDocument(note->GetText(), m_editor->document());
        m_editor->document()->clearUndoRedoStacks();
    }
    applyTypingAttributes();
    connect(m_editor, &QTextEdit::textChanged, this, &TMemoleafViewController::textDidChange);
    connect(m_editor, &TNoteTextView::italicKeyPressed, this,
            [this] { performTextCommand(QStringLiteral("changeFont"), 1); });
    connect(m_editor, &TNoteTextView::linkClicked, this, [this](const QUrl& url) { clickedOnLink(url); });
}

void TMemoleafViewController::applyTypingAttributes() {
    QTextCharFormat typing;
    typing.setFont(
        fontForKey(m_editor->acceptRichText() ? kPreferenceKeyNoteFont : kPreferenceKeyPlainTextFont));
    const bool dark = card() && card()->IsDarkStyle();
    typing.setForeground(dark ? QColor(Qt::white) : QColor(Qt::black));
    m_editor->setCurrentCharFormat(typing);
}

void TMemoleafViewController::preferenceChanged(const QString& key) {
    if (!m_editor) return;
    if (IsKeyTextPreference(key)) {
        ModelWidgets::UpdateTextViewPreferences(m_editor);
        m_editor->spellChecker()->update();
    }
    if (key == kPreferenceKeyPlainTextFont && !m_editor->acceptRichText()) {
        const TextFont font = textFont(fontForKey(kPreferenceKeyPlainTextFont));
        replaceText([&font](AttributedString& text) {
            text.modifyAttributes(0, text.length(), [&font](TextAttributes& a) { a.font = font; });
        });
        applyTypingAttributes();
    }
}

void TMemoleafViewController::replaceText(const std::function<void(AttributedString&)>& edit) {
    AttributedString text = TextDocumentConverter::fromDocument(*m_editor->document());
    edit(text);
    const int position = m_editor->textCursor().position();
    {
        QSignalBlocker blocker(m_editor);
        TextDocumentConverter::toDocument(text, m_editor->document());
        // The text is rebuilt, not edited: undoing the rebuild's steps would empty the card.
        m_editor->document()->clearUndoRedoStacks();
    }
    QTextCursor cursor = m_editor->textCursor();
    cursor.setPosition(qMin(position, m_editor->document()->characterCount() - 1));
    m_editor->setTextCursor(cursor);
    textDidChange();
}

void TMemoleafViewController::textDidChange() {
    TMemoleaf* note = memoleaf();
    if (!note || !m_editor) return;
    const AttributedString text = TextDocumentConverter::fromDocument(*m_editor->document());
    if (text == note->GetText()) return; // a layout pass, not an edit
    note->SetText(text);
    setUINeedsDisplay();
}

void TMemoleafViewController::cardDidBecomeActive() {
    TCardContentViewController::cardDidBecomeActive();
    makePrimaryInputFirstResponder();
}

void TMemoleafViewController::makePrimaryInputFirstResponder() {
    if (editor()) m_editor->setFocus(Qt::OtherFocusReason);
}

bool TMemoleafViewController::clickedOnLink(const QUrl& url) {
    return LinkURL::open(url);
}

void TMemoleafViewController::toggleTextMode() {
    TMemoleaf* note = memoleaf();
    if (!note || !editor()) return;
    const bool rich = !m_editor->acceptRichText();
    m_editor->setAcceptRichText(rich);
    note->SetRichText(rich);
    if (rich) {
        // One font over the whole text; a dark card keeps its light text.
        TextAttributes attributes;
        attributes.font = textFont(fontForKey(kPreferenceKeyNoteFont));
        if (note->IsDarkStyle()) attributes.foregroundColor = ATSURGBAlphaColor{1, 1, 1, 1};
        replaceText([&attributes](AttributedString& text) {
            text.modifyAttributes(0, text.length(), [&attributes](TextAttributes& a) {
                const auto attachment = a.attachment;
                a = attributes;
                a.attachment = attachment;
            });
        });
    } else {
        const TextFont font = textFont(fontForKey(kPreferenceKeyPlainTextFont));
        replaceText([&font](AttributedString& text) {
            text.modifyAttributes(0, text.length(), [&font](TextAttributes& a) { a.font = font; });
        });
    }
    applyTypingAttributes();
    if (m_stylePanelController) m_stylePanelController->updateTextControls();
}

bool TMemoleafViewController::validateMenuItem(MenuItemState& item) {
    const QString action = strippedAction(item.action);
    if (action == QLatin1String("toggleTextMode")) {
        item.title = editor() && m_editor->acceptRichText() ? QStringLiteral("Make Plain Text")
                                                            : QStringLiteral("Make Rich Text");
        return true;
    }
    if (action == QLatin1String("changeCardColor")) {
        if (card()) item.representedObject = ColorWellImage(card()->GetColor());
        return true;
    }
    if (textCommands().contains(action)) {
        const bool rich = editor() && m_editor->acceptRichText();
        return rich && (action != QLatin1String("pasteFont") || copiedFont().has_value());
    }
    return action == QLatin1String("changeColor") || action == QLatin1String("performFindPanelAction");
}

bool TMemoleafViewController::performCommand(const QString& action, const QVariant& argument) {
    const QString name = strippedAction(action);
    if (name == QLatin1String("toggleTextMode")) {
        toggleTextMode();
        return true;
    }
    if (name == QLatin1String("changeCardColor")) {
        changeCardColor();
        return true;
    }
    if (name == QLatin1String("performFindPanelAction")) {
        editor()->showFindBar();
        return true;
    }
    if (textCommands().contains(name)) {
        performTextCommand(name, argument.toInt());
        return true;
    }
    return false;
}

// The font and colour commands of the main menu, on the selection or the text typed next.
void TMemoleafViewController::performTextCommand(const QString& name, int tag) {
    TTextStylePanelController* styles = stylePanelController();
    if (!styles || !m_editor->acceptRichText()) return;
    if (name == QLatin1String("changeFont")) {
        // The font menu's traits: 2 bold, 1 italic.
        if (tag == 2 || tag == 1) styles->modifyTextStyle(tag == 2 ? 0 : 1);
    } else if (name == QLatin1String("underline")) {
        styles->modifyTextStyle(2);
    } else if (name == QLatin1String("copyFont")) {
        copiedFont() = styles->currentFormat().font();
    } else if (name == QLatin1String("pasteFont")) {
        if (copiedFont()) styles->applyFont(*copiedFont());
    } else if (name == QLatin1String("orderFrontFontPanel") ||
               name == QLatin1String("orderFrontColorPanel")) {
        // The dialog runs its own loop: the card may go before it ends, and this with it.
        const QPointer<TMemoleafViewController> self(this);
        const QPointer<TTextStylePanelController> panel(styles);
        if (name == QLatin1String("orderFrontFontPanel")) {
            const std::optional<QFont> font =
                ChoiceDialogs::chooseFont(styles->currentFormat().font(), view());
            if (font && self && panel) panel->applyFont(*font);
        } else {
            const QBrush current = styles->currentFormat().foreground();
            const std::optional<QColor> colour = ChoiceDialogs::chooseColor(
                current.style() == Qt::NoBrush ? m_editor->palette().color(QPalette::Text) : current.color(),
                view());
            if (colour && self && panel) panel->applyTextColor(*colour);
        }
        if (!self) return;
    }
    m_editor->setFocus(Qt::OtherFocusReason);
}

void TMemoleafViewController::changeCardColor() {
    Diagnostics::line(QStringLiteral("changeCardColor"));
    view()->setFocus(Qt::OtherFocusReason);
    auto* panel = new QColorDialog(card() ? card()->GetColor() : QColor(Qt::white), view());
    panel->setOption(QColorDialog::ShowAlphaChannel);
    panel->setOption(QColorDialog::NoButtons);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QColorDialog::currentColorChanged, this, &TMemoleafViewController::changeColor);
    panel->show();
}

void TMemoleafViewController::changeColor(const QColor& colour) {
    if (!card()) return;
    forwardBackgroundColor(card()->GetWindowController(), colour);
}
