#include "TextStylePanelController.h"

#include "utilities/ImageUtilities.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>

namespace {

const char* const kStyleImages[] = {"bold", "italic", "underline", "strikethrough"};
const char* const kAlignmentImages[] = {"align_left", "align_center", "align_justify", "align_right"};
const char* const kFeatureImages[] = {"table", "list", "link"};

Qt::Alignment alignmentOfSegment(int segment) {
    switch (segment) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignJustify;
    case 3:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case 0:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    default:
        return Qt::AlignLeft; // the default: natural
    }
}

int segmentOfAlignment(Qt::Alignment alignment) {
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter) return 1;
    if (horizontal & Qt::AlignJustify) return 2;
    if (horizontal & Qt::AlignRight) return 3;
    return 0; // left and natural
}

bool fontExists(const QString& family) {
    return !family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TSegmentedControl::TSegmentedControl(int count, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < count; ++i) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        // The images at their own size, so they stay sharp.
        button->setIconSize(QSize(22, 22));
        button->setFixedSize(24, 24);
        connect(button, &QToolButton::clicked, this, [this, i] {
            m_selected = i;
            emit activated(i);
        });
        layout->addWidget(button);
        m_buttons.append(button);
    }
}

void TSegmentedControl::setSelected(int segment, bool selected) {
    if (QToolButton* b = button(segment)) b->setProperty("segmentSelected", selected);
}

bool TSegmentedControl::isSelectedForSegment(int segment) const {
    QToolButton* b = button(segment);
    return b && b->property("segmentSelected").toBool();
}

void TSegmentedControl::setImage(int segment, const QImage& image) {
    if (QToolButton* b = button(segment)) b->setIcon(QIcon(QPixmap::fromImage(image)));
}

void TSegmentedControl::clickSegment(int segment) {
    if (QToolButton* b = button(segment)) b->click();
}

// ---------------------------------------------------------------------------------------------

TTextStylePanelController::TTextStylePanelController(QTextEdit* textView, QObject* parent)
    : NSViewController(parent), m_textView(textView) {}

TTextStylePanelController::~TTextStylePanelController() {
    if (m_textView) m_textView->disconnect(this);
}

const QList<int>& TTextStylePanelController::fontSizes() {
    static const QList<int> sizes{9, 10, 11, 12, 13, 14, 18, 24, 36, 48, 64, 92};
    return sizes;
}

QImage TTextStylePanelController::buttonImage(const QString& name, bool selected) {
    static QHash<QString, QImage> images;
    const QString path = QStringLiteral("/TextStyleButtons/") + name +
                         (selected ? QStringLiteral("_selected.png") : QStringLiteral(".png"));
    auto found = images.find(path);
    if (found == images.end()) found = images.insert(path, ImageUtilities::initWithResource(path));
    return *found;
}

QWidget* TTextStylePanelController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(nibName());
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    for (int i = 0; i < kRows; ++i) {
        auto* row = new QHBoxLayout;
        row->addStretch(0);
        layout->addLayout(row);
        m_rows.append(row);
    }
    m_fontPopupButton = new QComboBox(view);
    // Wide enough for a family name, and the size box for a size, however narrow the card.
    m_fontPopupButton->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontPopupButton->setMinimumContentsLength(9);
    m_fontSizeBox = new QComboBox(view);
    m_fontSizeBox->setEditable(true);
    m_fontSizeBox->setInsertPolicy(QComboBox::NoInsert);
    m_fontSizeBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontSizeBox->setMinimumContentsLength(3);
    m_styleSegmentControl = new TSegmentedControl(4, view);
    m_alignmentSegmentControl = new TSegmentedControl(4, view);
    m_featuresSegmentControl = new TSegmentedControl(3, view);
    arrangeRows(INT_MAX);
    view->installEventFilter(this);
    awakeFromNib();
    return view;
}

void TTextStylePanelController::arrangeRows(int width) {
    // The groups in order, each kept whole on one row: the font boxes, style, alignment, features.
    const QList<QList<QWidget*>> groups{{m_fontPopupButton, m_fontSizeBox},
                                        {m_styleSegmentControl},
                                        {m_alignmentSegmentControl},
                                        {m_featuresSegmentControl}};
    QWidget* bar = m_rows.first()->parentWidget(); // called while the view is made, too
    const QMargins margins = bar->layout()->contentsMargins();
    const int available = width - margins.left() - margins.right();
    const int spacing = m_rows.first()->spacing();
    QList<int> rowOfGroup;
    int row = 0;
    int used = 0;
    int widest = 0;
    for (const QList<QWidget*>& group : groups) {
        int groupWidth = 0;
        for (QWidget* widget : group) groupWidth += widget->minimumSizeHint().width() + spacing;
        widest = std::max(widest, groupWidth);
        if (used > 0 && used + groupWidth > available && row + 1 < kRows) {
            ++row;
            used = 0;
        }
        rowOfGroup.append(row);
        used += groupWidth;
    }
    // As narrow as the widest group, the groups flowing onto the next rows.
    bar->setMinimumWidth(margins.left() + margins.right() + widest);
    if (rowOfGroup == m_rowOfGroup) return;
    m_rowOfGroup = rowOfGroup;
    for (const QList<QWidget*>& group : groups)
        for (QWidget* widget : group)
            for (QHBoxLayout* each : m_rows) each->removeWidget(widget);
    for (qsizetype i = 0; i < groups.size(); ++i) {
        QHBoxLayout* target = m_rows[rowOfGroup[i]];
        // Before the row's closing stretch; the family box takes what room is left.
        for (QWidget* widget : groups[i])
            target->insertWidget(target->count() - 1, widget, widget == m_fontPopupButton ? 1 : 0);
    }
    bar->updateGeometry();
}

bool TTextStylePanelController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        arrangeRows(static_cast<QResizeEvent*>(event)->size().width());
    return NSViewController::eventFilter(watched, event);
}

QFont TTextStylePanelController::shownFont(const QTextCharFormat& format) const {
    return format.font().resolve(m_textView->document()->defaultFont());
}

void TTextStylePanelController::awakeFromNib() {
    m_fontPopupButton->addItems(QFontDatabase::families());
    for (int size : fontSizes()) m_fontSizeBox->addItem(QString::number(size), size);
    for (int i = 0; i < 3; ++i)
        m_featuresSegmentControl->setImage(i, buttonImage(QString::fromLatin1(kFeatureImages[i]), false));
    connect(m_fontPopupButton, &QComboBox::activated, this, [this] { fontChanged(); });
    connect(m_fontSizeBox, &QComboBox::activated, this, [this] { fontSizeChanged(); });
    connect(m_fontSizeBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { fontSizeChanged(); });
    connect(m_styleSegmentControl, &TSegmentedControl::activated, this,
            &TTextStylePanelController::modifyTextStyle);
    connect(m_alignmentSegmentControl, &TSegmentedControl::activated, this,
            &TTextStylePanelController::modifyTextAlignment);
    connect(m_featuresSegmentControl, &TSegmentedControl::activated, this,
            &TTextStylePanelController::addTextFeature);
    updateTextControls();
    if (m_textView) {
        connect(m_textView, &QTextEdit::textChanged, this, &TTextStylePanelController::updateTextControls);
        connect(m_textView, &QTextEdit::currentCharFormatChanged, this,
                &TTextStylePanelController::updateTextControls);
        connect(m_textView, &QTextEdit::cursorPositionChanged, this,
                &TTextStylePanelController::updateTextControls);
        connect(m_textView, &QTextEdit::selectionChanged, this,
                &TTextStylePanelController::updateTextControls);
    }
}

QTextCharFormat TTextStylePanelController::currentFormat() const {
    const QTextCursor cursor = m_textView->textCursor();
    if (!cursor.hasSelection()) return m_textView->currentCharFormat();
    QTextCursor first(m_textView->document());
    first.setPosition(cursor.selectionStart() + 1);
    return first.charFormat();
}

void TTextStylePanelController::modifyCharacters(const std::function<void(QTextCharFormat&)>& edit) {
    if (m_textView->textCursor().hasSelection()) {
        NoteView::modifyRuns(m_textView->document(), m_textView->textCursor().selectionStart(),
                             m_textView->textCursor().selectionEnd(), edit);
    } else {
        QTextCharFormat typing = m_textView->currentCharFormat();
        edit(typing);
        m_textView->setCurrentCharFormat(typing);
    }
    updateTextControls();
}

void TTextStylePanelController::fontChanged() {
    if (!m_textView || m_updating) return;
    const QString family = m_fontPopupButton->currentText();
    if (!fontExists(family)) return;
    modifyCharacters([&family](QTextCharFormat& format) { format.setFontFamilies(QStringList{family}); });
}

void TTextStylePanelController::fontSizeChanged() {
    if (!m_textView || m_updating) return;
    bool ok = false;
    const int size = m_fontSizeBox->currentText().trimmed().toInt(&ok);
    if (!ok || size <= 0 || !fontExists(shownFont(currentFormat()).family())) return;
    modifyCharacters([size](QTextCharFormat& format) { format.setFontPointSize(size); });
}

void TTextStylePanelController::modifyTextStyle(int segment) {
    if (!m_textView) return;
    const QTextCharFormat first = currentFormat();
    switch (segment) {
    case 0: {
        const bool bold = !first.font().bold();
        modifyCharacters([bold](QTextCharFormat& f) { f.setFontWeight(bold ? QFont::Bold : QFont::Normal); });
        break;
    }
    case 1: {
        const bool italic = !first.font().italic();
        modifyCharacters([italic](QTextCharFormat& f) { f.setFontItalic(italic); });
        break;
    }
    case 2: {
        const bool underline = !first.fontUnderline();
        modifyCharacters([underline](QTextCharFormat& f) {
            if (underline) {
                f.setFontUnderline(true);
            } else {
                f.clearProperty(QTextFormat::TextUnderlineStyle);
                f.clearProperty(QTextFormat::FontUnderline);
            }
        });
        break;
    }
    case 3: {
        const bool strike = !first.fontStrikeOut();
        modifyCharacters([strike](QTextCharFormat& f) {
            if (strike)
                f.setFontStrikeOut(true);
            else
                f.clearProperty(QTextFormat::FontStrikeOut);
        });
        break;
    }
    default:
        break;
    }
}

void TTextStylePanelController::applyFont(const QFont& font) {
    if (!m_textView) return;
    modifyCharacters([&font](QTextCharFormat& format) {
        format.setFontFamilies(QStringList{font.family()});
        if (font.pointSizeF() > 0) format.setFontPointSize(font.pointSizeF());
        format.setFontWeight(font.weight());
        format.setFontItalic(font.italic());
    });
}

void TTextStylePanelController::applyTextColor(const QColor& colour) {
    if (!m_textView || !colour.isValid()) return;
    modifyCharacters([&colour](QTextCharFormat& format) { format.setForeground(colour); });
}

void TTextStylePanelController::modifyTextAlignment(int segment) {
    if (!m_textView || m_textView->document()->isEmpty()) return;
    QTextBlockFormat paragraph;
    paragraph.setAlignment(alignmentOfSegment(segment));
    m_textView->textCursor().setBlockFormat(paragraph);
    updateTextControls();
}

void TTextStylePanelController::addTextFeature(int segment) {
    if (!m_textView) return;
    QWidget* parent = m_textView->window();
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* form = new QFormLayout(dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    switch (segment) {
    case 0: {
        dialog->setWindowTitle(tr("Table"));
        auto* rows = new QSpinBox(dialog);
        auto* columns = new QSpinBox(dialog);
        rows->setRange(1, 100);
        columns->setRange(1, 20);
        rows->setValue(2);
        columns->setValue(2);
        form->addRow(tr("Rows:"), rows);
        form->addRow(tr("Columns:"), columns);
        connect(dialog, &QDialog::accepted, this,
                [this, rows, columns] { insertTable(rows->value(), columns->value()); });
        break;
    }
    case 1: {
        dialog->setWindowTitle(tr("List"));
        auto* markers = new QComboBox(dialog);
        const QList<QPair<QString, QString>> kinds{{tr("Bullets"), QStringLiteral("{disc}")},
                                                   {tr("Hyphens"), QStringLiteral("{hyphen}")},
                                                   {tr("Numbers"), QStringLiteral("{decimal}.")},
                                                   {tr("Letters"), QStringLiteral("{lower-alpha}.")},
                                                   {tr("Capital Letters"), QStringLiteral("{upper-alpha}.")}};
        for (const auto& [title, marker] : kinds) markers->addItem(title, marker);
        form->addRow(tr("Markers:"), markers);
        connect(dialog, &QDialog::accepted, this,
                [this, markers] { insertList(markers->currentData().toString()); });
        break;
    }
    case 2: {
        dialog->setWindowTitle(tr("Link"));
        auto* address = new QLineEdit(dialog);
        address->setText(currentFormat().anchorHref());
        form->addRow(tr("Address:"), address);
        connect(dialog, &QDialog::accepted, this, [this, address] { addLink(address->text().trimmed()); });
        break;
    }
    default:
        delete dialog;
        return;
    }
    form->addRow(buttons);
    dialog->open();
}

void TTextStylePanelController::insertTable(int rows, int columns) {
    if (!m_textView || rows <= 0 || columns <= 0) return;
    // Attributed text holds no tables: the cells become tab-separated rows.
    QStringList lines;
    for (int r = 0; r < rows; ++r) lines.append(QString(columns - 1, QLatin1Char('\t')));
    QTextCursor cursor = m_textView->textCursor();
    cursor.beginEditBlock();
    if (!cursor.atBlockStart()) cursor.insertBlock();
    cursor.insertText(lines.join(QLatin1Char('\n')));
    cursor.endEditBlock();
    m_textView->setTextCursor(cursor);
}

namespace {
QString markerText(const QString& format, int number) {
    QString marker = format;
    marker.replace(QStringLiteral("{disc}"), QStringLiteral("\u2022"));
    marker.replace(QStringLiteral("{hyphen}"), QStringLiteral("-"));
    marker.replace(QStringLiteral("{decimal}"), QString::number(number));
    const QChar letter = QChar(u'a' + (number - 1) % 26);
    marker.replace(QStringLiteral("{lower-alpha}"), letter);
    marker.replace(QStringLiteral("{upper-alpha}"), letter.toUpper());
    return marker;
}
} // namespace

void TTextStylePanelController::insertList(const QString& marker) {
    if (!m_textView) return;
    const QTextCursor selection = m_textView->textCursor();
    QTextDocument* document = m_textView->document();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    int number = 1;
    const int last = document->findBlock(selection.selectionEnd()).blockNumber();
    for (int i = document->findBlock(selection.selectionStart()).blockNumber(); i <= last; ++i) {
        cursor.setPosition(document->findBlockByNumber(i).position());
        cursor.insertText(QLatin1Char('\t') + markerText(marker, number++) + QLatin1Char('\t'));
    }
    cursor.endEditBlock();
}

void TTextStylePanelController::addLink(const QString& address) {
    if (!m_textView) return;
    if (!m_textView->textCursor().hasSelection()) {
        if (address.isEmpty()) return;
        QTextCharFormat format = m_textView->currentCharFormat();
        format.setAnchor(true);
        format.setAnchorHref(address);
        m_textView->textCursor().insertText(address, format);
        return;
    }
    NoteView::modifyRuns(m_textView->document(), m_textView->textCursor().selectionStart(),
                         m_textView->textCursor().selectionEnd(), [&address](QTextCharFormat& f) {
                             f.setAnchor(!address.isEmpty());
                             if (address.isEmpty())
                                 f.clearProperty(QTextFormat::AnchorHref);
                             else
                                 f.setAnchorHref(address);
                         });
}

void TTextStylePanelController::updateTextControls() {
    if (!m_textView || !isViewLoaded() || m_updating) return;
    m_updating = true;
    const QTextCharFormat format = currentFormat();
    const bool rich = m_textView->acceptRichText();
    for (QWidget* control :
         {static_cast<QWidget*>(m_styleSegmentControl), static_cast<QWidget*>(m_alignmentSegmentControl),
          static_cast<QWidget*>(m_featuresSegmentControl), static_cast<QWidget*>(m_fontPopupButton),
          static_cast<QWidget*>(m_fontSizeBox)})
        control->setEnabled(rich);
    for (int i = 0; i < 4; ++i) m_alignmentSegmentControl->setSelected(i, false);
    const QTextBlockFormat paragraph = m_textView->textCursor().blockFormat();
    m_alignmentSegmentControl->setSelected(
        paragraph.hasProperty(QTextFormat::BlockAlignment) ? segmentOfAlignment(paragraph.alignment()) : 0,
        true);
    const QFont font = shownFont(format);
    m_styleSegmentControl->setSelected(0, font.bold());
    m_styleSegmentControl->setSelected(1, font.italic());
    const int familyIndex = m_fontPopupButton->findText(font.family());
    if (familyIndex >= 0) m_fontPopupButton->setCurrentIndex(familyIndex);
    m_fontSizeBox->setEditText(QString::number(static_cast<int>(font.pointSizeF())));
    m_styleSegmentControl->setSelected(2, format.fontUnderline());
    m_styleSegmentControl->setSelected(3, format.fontStrikeOut());
    for (int i = 0; i < 4; ++i) {
        const bool on = m_alignmentSegmentControl->isSelectedForSegment(i);
        m_alignmentSegmentControl->setImage(i, buttonImage(QString::fromLatin1(kAlignmentImages[i]), on));
        const bool styled = m_styleSegmentControl->isSelectedForSegment(i);
        m_styleSegmentControl->setImage(i, buttonImage(QString::fromLatin1(kStyleImages[i]), styled));
    }
    m_updating = false;
}

namespace NoteView {
void modifyRuns(QTextDocument* document, int start, int end,
                const std::function<void(QTextCharFormat&)>& edit) {
    QTextCursor batch(document);
    batch.beginEditBlock();
    for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = qMax(fragment.position(), start);
            const int to = qMin(fragment.position() + fragment.length(), end);
            if (from >= to) continue;
            QTextCharFormat format = fragment.charFormat();
            edit(format);
            QTextCursor part(document);
            part.setPosition(from);
            part.setPosition(to, QTextCursor::KeepAnchor);
            part.setCharFormat(format);
        }
    }
    batch.endEditBlock();
}

void InsertEmptyList(const QString& /*unused*/, const QString& text, QTextEdit* textView) {
    if (!textView) return;
    textView->textCursor().insertText(QStringLiteral("\t1 ") + text);
}
} // namespace NoteView
