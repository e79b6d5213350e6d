#include "windows/TextItemViewController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/ui/ModelWidgets.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextDocumentConverter.h"
#include "windows/CardTextView.h"
#include "windows/LinkURL.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const QString kFindIndicator = QStringLiteral("findIndicator");

} // namespace

TTextItemViewController::TTextItemViewController(TCardItem* item, TCard* card)
    : TCardItemRowViewController(item, card) {}

TTextItem* TTextItemViewController::textItem() const {
    TCardItem* item = cardItem();
    return item && item->IsMember(TTextItem::StaticClass()) ? static_cast<TTextItem*>(item) : nullptr;
}

void TTextItemViewController::setText(const QString& text) {
    if (m_textView) m_textView->setPlainText(text);
}

QWidget* TTextItemViewController::loadView() {
    QWidget* root = TCardItemRowViewController::loadView();
    m_textView = new TCardTextView(root);
    return root;
}

void TTextItemViewController::awakeFromNib() {
    TCardItemRowViewController::awakeFromNib();
    TCardTextView* text = m_textView;
    text->setKeyboardDelegate(this);
    text->setAcceptRichText(true);
    text->setReadOnly(false);
    text->setTextInteractionFlags(Qt::TextEditorInteraction | Qt::LinksAccessibleByMouse);
    text->setFrameShape(QFrame::NoFrame);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setAutoFillBackground(false);
    text->viewport()->setAutoFillBackground(false);
    // The card shows through; a palette is lighter than a style sheet of its own for every row.
    QPalette palette = text->palette();
    palette.setBrush(QPalette::Base, Qt::transparent);
    text->setPalette(palette);
    text->setUndoRedoEnabled(true);
    text->document()->setDocumentMargin(0);
    text->viewport()->installEventFilter(this);
    text->viewport()->setMouseTracking(true);
    connect(text, &QTextEdit::textChanged, this, [this] { textDidChange(); });
    connect(text, &QTextEdit::cursorPositionChanged, this, [this] { textViewDidChangeSelection(); });

    ModelWidgets::UpdateTextViewPreferences(text);
    connect(&UserDefaults::standardUserDefaults(), &UserDefaults::changed, this, [this](const QString& key) {
        if (IsKeyTextPreference(key)) ModelWidgets::UpdateTextViewPreferences(m_textView);
    });
    if (!wrappingEnabled()) text->setLineWrapMode(QTextEdit::NoWrap);
    applyTypingAttributes();
    // Setting the row up is no step the person could undo.
    text->document()->clearUndoRedoStacks();
}

void TTextItemViewController::applyTypingAttributes() {
    TTextItem* item = textItem();
    if (!item) return;
    m_updating = true;
    const QFont font = item->GetDefaultFont();
    m_textView->document()->setDefaultFont(font);
    QTextCharFormat format = m_textView->currentCharFormat();
    format.setFont(font);
    if (card() && card()->IsDarkStyle()) format.setForeground(Qt::white);
    if (m_textView->document()->isEmpty()) m_textView->setCurrentCharFormat(format);
    m_updating = false;
}

void TTextItemViewController::update() {
    TCardItemRowViewController::update();
    TTextItem* item = textItem();
    if (!m_textView || !item || item->GetText().isEmpty()) return;
    m_updating = true;
    TextDocumentConverter::toDocument(item->GetText(), m_textView->document());
    // The text comes from the row: undo never takes it out again.
    m_textView->document()->clearUndoRedoStacks();
    m_updating = false;
}

void TTextItemViewController::textDidChange() {
    if (m_updating) return;
    if (TTextItem* item = textItem())
        item->SetText(TextDocumentConverter::fromDocument(*m_textView->document()));
    recalculateRow();
    setUINeedsDisplay();
}

void TTextItemViewController::textViewDidChangeSelection() {
    if (m_updating) return;
    NotificationCenter::defaultCenter().post(QStringLiteral("hideInfoButtons"));
    if (TRowBrowser* outline = browser()) outline->deselectAll();
    setUINeedsDisplay();
}

double TTextItemViewController::textLayoutHeight() const {
    QTextDocument* document = m_textView->document();
    if (wrappingEnabled()) document->setTextWidth(std::max(1, m_textView->width()));
    return document->documentLayout()->documentSize().height();
}

double TTextItemViewController::textHeight() const {
    return std::max(textLayoutHeight(), kMinimumTextHeight);
}

QRectF TTextItemViewController::textViewFrame() const {
    auto* self = const_cast<TTextItemViewController*>(this);
    QRectF frame = m_textView->geometry();
    frame.setX(0);
    frame.setWidth(self->rowView()->width() - frame.x() - (displayInfoButton() ? infoButton()->width() : 0));
    // The height follows the text at the new width.
    m_textView->resize(int(std::max(1.0, frame.width())), m_textView->height());
    frame.setHeight(textHeight());
    return frame;
}

double TTextItemViewController::rowHeight() const {
    return m_textView->height();
}

void TTextItemViewController::recalculateRow() {
    TCardItemRowViewController::recalculateRow();
    if (!m_textView) return;
    m_textView->setGeometry(textViewFrame().toAlignedRect());
    QWidget* row = rowView();
    row->resize(row->width(), int(std::ceil(rowHeight())));
    if (TRowBrowser* outline = browser()) outline->noteHeightOfRowChanged(rowIndex());
    m_textView->move(m_textView->x(), 0);
    m_didCalculateSize = true;
}

void TTextItemViewController::makeFirstResponder() {
    TCardItemRowViewController::makeFirstResponder();
    m_textView->setFocus(Qt::OtherFocusReason);
}

void TTextItemViewController::focus() {
    // Marks the whole text for a moment.
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(m_textView->document());
    mark.cursor.select(QTextCursor::Document);
    mark.format.setBackground(QColor(255, 230, 0, 160));
    m_textView->setExtraSelections({mark});
    Scheduler::shared().performAfterDelay(this, kFindIndicator, 1.0,
                                          [this] { m_textView->setExtraSelections({}); });
}

bool TTextItemViewController::isSelectable() const {
    return m_textView && !m_textView->isReadOnly();
}

qint64 TTextItemViewController::textLength() const {
    return m_textView->document()->characterCount() - 1;
}

void TTextItemViewController::setSelectedRange(qint64 location, qint64 length) {
    const qint64 size = textLength();
    const qint64 start = std::clamp<qint64>(location, 0, size);
    const qint64 end = std::min(size, start + std::clamp<qint64>(length, 0, size));
    QTextCursor cursor = m_textView->textCursor();
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    m_textView->setTextCursor(cursor);
}

std::optional<QRectF> TTextItemViewController::caretRectOnEdgeLine(bool last) const {
    const QTextCursor cursor = m_textView->textCursor();
    const QTextBlock block = cursor.block();
    QTextDocument* document = m_textView->document();
    if (block != (last ? document->lastBlock() : document->firstBlock())) return std::nullopt;
    const QTextLayout* layout = block.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(cursor.positionInBlock());
        if (line.isValid() && line.lineNumber() != (last ? layout->lineCount() - 1 : 0)) return std::nullopt;
    }
    QRectF rect = m_textView->cursorRect(cursor);
    if (TRowBrowser* outline = browser())
        rect.moveTopLeft(m_textView->viewport()->mapTo(outline->browserWidget(), rect.topLeft().toPoint()));
    return rect;
}

bool TTextItemViewController::moveInsertionUp(QObject*) {
    TListKeyboardProtocol* delegate = keyboardDelegate();
    if (!delegate) return false;
    const std::optional<QRectF> rect = caretRectOnEdgeLine(false);
    if (!rect) return false;
    delegate->setInsertionWithColumn(*rect, true, rowIndex() - 1);
    return true;
}

bool TTextItemViewController::moveInsertionDown(QObject*) {
    TListKeyboardProtocol* delegate = keyboardDelegate();
    if (!delegate) return false;
    const std::optional<QRectF> rect = caretRectOnEdgeLine(true);
    if (!rect) return false;
    delegate->setInsertionWithColumn(*rect, false, rowIndex() + 1);
    return true;
}

bool TTextItemViewController::moveInsertionRight(QObject*) {
    TListKeyboardProtocol* delegate = keyboardDelegate();
    if (!delegate || m_textView->textCursor().selectionStart() != textLength()) return false;
    delegate->setInsertion(0, rowIndex() + 1);
    return true;
}

bool TTextItemViewController::moveInsertionLeft(QObject*) {
    TListKeyboardProtocol* delegate = keyboardDelegate();
    if (!delegate || m_textView->textCursor().selectionStart() != 0) return false;
    delegate->setInsertion(INT_MAX, rowIndex() - 1);
    return true;
}

bool TTextItemViewController::clickedOnLink(const QUrl& link) {
    return LinkURL::open(link);
}

bool TTextItemViewController::eventFilter(QObject* watched, QEvent* event) {
    if (m_textView && watched == m_textView->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QString anchor =
                m_textView->anchorAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            m_textView->viewport()->setCursor(anchor.isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QString anchor = m_textView->anchorAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && !anchor.isEmpty() &&
                !m_textView->textCursor().hasSelection())
                clickedOnLink(QUrl(anchor));
        }
    }
    return TCardItemRowViewController::eventFilter(watched, event);
}
