#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "platform/text/AttributedString.h"
#include "utilities/PasteboardUtilities.h"
#include "windows/CardTextView.h"
#include "windows/ItemViewKeyboardProtocol.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

namespace {

// A row controller that records the commands its text view sends.
class RecordingRow : public TItemViewKeyboardProtocol {
public:
    TCardItem* cardItem() const override { return nullptr; }
    void indentRow(QObject*) override { calls << "indentRow"; }
    void insertRow(QObject*) override { calls << "insertRow"; }
    void insertRowInside(QObject*) override { calls << "insertRowInside"; }
    void insertRowOutside(QObject*) override { calls << "insertRowOutside"; }
    void deleteRow(QObject*) override { calls << "deleteRow"; }
    bool moveInsertionUp(QObject*) override { return record("moveInsertionUp"); }
    bool moveInsertionDown(QObject*) override { return record("moveInsertionDown"); }
    bool moveInsertionRight(QObject*) override { return record("moveInsertionRight"); }
    bool moveInsertionLeft(QObject*) override { return record("moveInsertionLeft"); }

    QStringList calls;
    bool takesArrows = false;

private:
    bool record(const QString& call) {
        calls << call;
        return takesArrows;
    }
};

class CardTextViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::setStandardUserDefaults(&defaults);
        text = new TCardTextView(&window);
        other = new QLineEdit(&window);
        other->move(0, 120);
        text->setKeyboardDelegate(&row);
        window.show();
        QApplication::setActiveWindow(&window);
        text->setFocus();
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    // The row's text in its own style, the caret at the end.
    void setRowText(const QString& plain) {
        text->clear();
        text->setCurrentCharFormat(rowStyle());
        text->insertPlainText(plain);
    }
    static QTextCharFormat rowStyle() {
        QTextCharFormat format;
        format.setFontPointSize(21);
        format.setForeground(QColor(Qt::blue));
        return format;
    }
    QTextCharFormat formatAt(int position) const {
        QTextCursor cursor(text->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    QWidget window;
    TCardTextView* text = nullptr;
    QLineEdit* other = nullptr;
    RecordingRow row;
};

} // namespace

TEST_F(CardTextViewTest, EditingKeysBecomeOutlineCommands) {
    struct Case {
        const char* text;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* call; // "" for none
        const char* after;
    };
    const Case cases[] = {
        {"ab", Qt::Key_Return, {}, "insertRow", "ab"},
        {"ab", Qt::Key_Enter, Qt::KeypadModifier, "insertRow", "ab"},
        {"ab", Qt::Key_Return, Qt::ShiftModifier, "insertRow", "ab"},
        {"ab", Qt::Key_Return, Qt::ControlModifier, "", "ab"}, // never a line break
        {"ab", Qt::Key_Tab, {}, "indentRow", "ab"},
        {"ab", Qt::Key_Tab, Qt::ControlModifier, "", "ab"}, // never a tab character
        {"", Qt::Key_Backspace, {}, "deleteRow", ""},
        {"ab", Qt::Key_Backspace, {}, "", "a"},
        {"ab", Qt::Key_A, {}, "", "aba"},
    };
    for (const Case& c : cases) {
        setRowText(QString::fromUtf8(c.text));
        row.calls.clear();
        QTest::keyClick(text, c.key, c.modifiers);
        const QStringList expected = *c.call ? QStringList{c.call} : QStringList{};
        EXPECT_EQ(row.calls, expected) << c.text << " key " << c.key;
        EXPECT_EQ(text->toPlainText(), QString::fromUtf8(c.after)) << c.text << " key " << c.key;
    }
}

TEST_F(CardTextViewTest, PlainArrowKeysOfferTheCaretToTheNeighbouringRows) {
    setRowText("one\ntwo");
    const int end = text->textCursor().position();
    row.takesArrows = true;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}) QTest::keyClick(text, key);
    EXPECT_EQ(row.calls, (QStringList{"moveInsertionUp", "moveInsertionDown", "moveInsertionLeft",
                                      "moveInsertionRight"}));
    EXPECT_EQ(text->textCursor().position(), end); // the rows took the keys

    // Refused: the text view moves its caret itself.
    row.takesArrows = false;
    row.calls.clear();
    QTest::keyClick(text, Qt::Key_Left);
    EXPECT_EQ(row.calls, QStringList{"moveInsertionLeft"});
    EXPECT_EQ(text->textCursor().position(), end - 1);

    // With Shift the selection grows as usual and no row is asked.
    row.calls.clear();
    QTest::keyClick(text, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_TRUE(row.calls.isEmpty());
    EXPECT_TRUE(text->textCursor().hasSelection());

    // Without the focus the rows are not asked either.
    other->setFocus();
    row.takesArrows = true;
    QTest::keyClick(text, Qt::Key_Down);
    EXPECT_TRUE(row.calls.isEmpty());
}

TEST_F(CardTextViewTest, LeavingTheRowDropsItsSelection) {
    setRowText("hello");
    text->selectAll();
    // A menu only borrows the focus.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(text, &popup);
    EXPECT_TRUE(text->textCursor().hasSelection());

    other->setFocus();
    EXPECT_FALSE(text->hasFocus());
    EXPECT_FALSE(text->textCursor().hasSelection());
    EXPECT_EQ(text->textCursor().position(), 0);
}

TEST_F(CardTextViewTest, RichPastesLoseTheirBackgroundAndTakeTheRowStyleWhenAsked) {
    auto html = [] {
        auto data = std::make_unique<QMimeData>();
        data->setHtml("<span style=\"background-color:#ffff00; font-size:9pt; color:#ff0000\">Pasted</span>");
        data->setText("Pasted");
        return data;
    };
    auto rtf = [] {
        auto data = std::make_unique<QMimeData>();
        TextAttributes attributes;
        attributes.backgroundColor = ATSURGBAlphaColor{1, 1, 0, 1};
        attributes.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
        attributes.font.pointSize = 9;
        PasteboardCommonTypes::setAttributedStringType(*data, AttributedString("Pasted", attributes));
        PasteboardCommonTypes::setStringType(*data, "Pasted");
        return data;
    };
    for (bool matchStyle : {true, false}) {
        for (const auto& [kind, make] :
             {std::pair{"html", std::function(html)}, std::pair{"rtf", std::function(rtf)}}) {
            defaults.setBoolForKey(matchStyle, kPreferenceKeyAlwaysPasteAndMatchStyle);
            setRowText("Row");
            PasteboardUtilities::setGeneralPasteboard(make());
            text->paste();
            ASSERT_EQ(text->toPlainText(), "RowPasted") << kind << matchStyle;
            for (int i = 3; i < 9; ++i) {
                const QTextCharFormat format = formatAt(i);
                EXPECT_FALSE(format.hasProperty(QTextFormat::BackgroundBrush)) << kind << matchStyle << i;
                EXPECT_EQ(format.fontPointSize(), matchStyle ? 21 : 9) << kind << matchStyle << i;
                EXPECT_EQ(format.foreground().color(), matchStyle ? QColor(Qt::blue) : QColor(Qt::red))
                    << kind << matchStyle << i;
            }
            EXPECT_FALSE(text->currentCharFormat().hasProperty(QTextFormat::BackgroundBrush));
            EXPECT_EQ(text->document()->blockCount(), 1);
            // The paste is one undo step.
            text->undo();
            EXPECT_EQ(text->toPlainText(), "Row") << kind << matchStyle;
        }
    }
}

TEST_F(CardTextViewTest, PlainPastesAreNotAltered) {
    defaults.setBoolForKey(true, kPreferenceKeyAlwaysPasteAndMatchStyle);
    text->clear();
    QTextCharFormat marked = rowStyle();
    marked.setBackground(QColor(Qt::yellow));
    text->setCurrentCharFormat(marked);
    QGuiApplication::clipboard()->setText("plain");
    text->paste();
    EXPECT_EQ(text->toPlainText(), "plain");
    EXPECT_EQ(formatAt(2).background().color(), QColor(Qt::yellow));
}

TEST_F(CardTextViewTest, FilesAndProgramLinksArriveAsLinkedNames) {
    setRowText("See ");
    const QUrl file = QUrl::fromLocalFile("/home/someone/Reports/Summary.pdf");
    EXPECT_TRUE(text->readSelectionFromPasteboard(*PasteboardItemCommonTypes::itemWithFileURL(file)));
    text->insertPlainText(" and ");
    EXPECT_EQ(text->toPlainText(), "See Summary.pdf and ");
    EXPECT_EQ(formatAt(4).anchorHref(), file.toString());
    EXPECT_EQ(formatAt(14).anchorHref(), file.toString());
    EXPECT_FALSE(formatAt(16).isAnchor());      // typing after the link is no link
    EXPECT_EQ(formatAt(4).fontPointSize(), 21); // in the typing style

    // A folder gives its own name; pasted from the clipboard alike.
    PasteboardUtilities::setGeneralPasteboard(
        PasteboardItemCommonTypes::itemWithFileURL(QUrl::fromLocalFile("/home/someone/Reports/")));
    text->paste();
    EXPECT_EQ(text->toPlainText(), "See Summary.pdf and Reports");

    const QString link = URISchemeProtocol() + "goto?item=0F3C2D1E";
    auto data = std::make_unique<QMimeData>();
    PasteboardUtilities::setDataForType(*data, "Shopping", NSPasteboardTypeLinkName);
    PasteboardCommonTypes::setStringType(*data, link);
    setRowText("");
    EXPECT_TRUE(text->readSelectionFromPasteboard(*data));
    EXPECT_EQ(text->toPlainText(), "Shopping");
    EXPECT_EQ(formatAt(0).anchorHref(), link);
}
