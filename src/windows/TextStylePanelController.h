#pragma once

#include "toolkit/NSViewController.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QTextCharFormat>

class QButtonGroup;
class QComboBox;
class QHBoxLayout;
class QTextDocument;
class QTextEdit;
class QToolButton;

// Buttons in a row of which any may show as selected: a segmented control.
class TSegmentedControl : public QWidget {
    Q_OBJECT
public:
    TSegmentedControl(int count, QWidget* parent = nullptr);
    int segmentCount() const { return static_cast<int>(m_buttons.size()); }
    // The segment clicked last (-1: none yet).
    int selectedSegment() const { return m_selected; }
    void setSelected(int segment, bool selected);
    bool isSelectedForSegment(int segment) const;
    void setImage(int segment, const QImage& image);
    QToolButton* button(int segment) const { return m_buttons.value(segment); }
    // Clicks the segment as a user would.
    void clickSegment(int segment);

signals:
    void activated(int segment);

private:
    QList<QToolButton*> m_buttons;
    int m_selected = -1;
};

// The bar that edits the character and paragraph style of one text view: family, size, bold,
// italic, underline, strikethrough, alignment, and the table, list and link dialogs. It acts on the
// selection when there is one, else on the style of the text typed next, and follows every change of
// the text and of the selection. A change of the selection's family, size or a trait changes only
// that property in each run, so a selection of mixed fonts keeps the rest of each font.
class TTextStylePanelController : public NSViewController {
    Q_OBJECT
public:
    explicit TTextStylePanelController(QTextEdit* textView, QObject* parent = nullptr);
    ~TTextStylePanelController() override;

    QString nibName() const { return QStringLiteral("TextStyles"); }
    QTextEdit* textView() const { return m_textView; }
    QComboBox* fontPopupButton() { return (view(), m_fontPopupButton); }
    QComboBox* fontSizeBox() { return (view(), m_fontSizeBox); }
    TSegmentedControl* styleSegmentControl() { return (view(), m_styleSegmentControl); }
    TSegmentedControl* alignmentSegmentControl() { return (view(), m_alignmentSegmentControl); }
    TSegmentedControl* featuresSegmentControl() { return (view(), m_featuresSegmentControl); }

    void fontChanged();
    void fontSizeChanged();
    void modifyTextStyle(int segment);
    void modifyTextAlignment(int segment);
    void addTextFeature(int segment);
    void updateTextControls();

    // The font panel's, the colour panel's and Paste Font's changes, on the selection or the typing style.
    void applyFont(const QFont& font);
    void applyTextColor(const QColor& colour);
    // The format at the selection's first character, else the typing style.
    QTextCharFormat currentFormat() const;

    // The dialogs' work, without the dialogs.
    void insertTable(int rows, int columns);
    void insertList(const QString& marker);
    void addLink(const QString& address);

    // The sizes the size box offers.
    static const QList<int>& fontSizes();
    // A button image of the text style buttons ("bold", "align_left"...), selected or not.
    static QImage buttonImage(const QString& name, bool selected);

protected:
    QWidget* loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void awakeFromNib();
    // The controls in as few rows as the bar's width allows.
    void arrangeRows(int width);
    // The font the text shows: the format's, completed by the text's default font.
    QFont shownFont(const QTextCharFormat& format) const;
    // Edits the selection's runs one by one, or the typing style when nothing is selected.
    void modifyCharacters(const std::function<void(QTextCharFormat&)>& edit);

    QPointer<QTextEdit> m_textView;
    QComboBox* m_fontPopupButton = nullptr;
    QComboBox* m_fontSizeBox = nullptr;
    TSegmentedControl* m_styleSegmentControl = nullptr;
    TSegmentedControl* m_alignmentSegmentControl = nullptr;
    TSegmentedControl* m_featuresSegmentControl = nullptr;
    static constexpr int kRows = 3;
    QList<QHBoxLayout*> m_rows; // owned by the view's layout
    QList<int> m_rowOfGroup;    // the row of the font boxes, style, alignment and feature buttons
    bool m_updating = false;
};

namespace NoteView {
// Calls edit on a copy of each run's format over [start, end) and stores it, in one editing step.
void modifyRuns(QTextDocument* document, int start, int end,
                const std::function<void(QTextCharFormat&)>& edit);
// Inserts one empty numbered list item (marker "1") followed by a blank and the text at the caret.
void InsertEmptyList(const QString& unused, const QString& text, QTextEdit* textView);
} // namespace NoteView
