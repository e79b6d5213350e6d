#include "model/Card.h"
#include "model/Globals.h"
#include "model/Memoleaf.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/Sheet.h"
#include "model/SheetManager.h"
#include "model/Themes.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/TextDocumentConverter.h"
#include "toolkit/ScreenProvider.h"
#include "utilities/UserDefaultsUtilities.h"
#include "windows/LinkURL.h"
#include "windows/MemoleafViewController.h"
#include "windows/TextSpellChecker.h"
#include "windows/TextStylePanelController.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TextAttributes fontAttributes(const QString& family, double size, bool bold = false) {
    TextAttributes a;
    a.font = TextFont{family, size, bold, false};
    return a;
}

QString anyFamily() {
    return QFontDatabase::families().value(0);
}

class MemoleafViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        PopulateDefaultPreferences();
        LoadStandardThemes(TCardTheme::StaticClass());
        Workspace::setShared(&workspace);
        TMemoleafViewController::registerForMemoleafCards();
        note = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
        note->SetColor(QColor(250, 240, 150));
        note->SetRichText(true);
    }
    void TearDown() override {
        delete viewController;
        scheduler.scheduler.advance(1);
        TSheetManager::SharedManager()->Close();
        TSheetManager::SharedManager()->UnregisterAllSheets();
        CardViewControllers::unregisterMaker(TMemoleaf::StaticClass());
        LinkURL::setOwnLinkHandler({});
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    TMemoleafViewController* make() {
        viewController = new TMemoleafViewController(note.get());
        viewController->view()->resize(500, 300);
        return viewController;
    }
    AttributedString editorText() {
        return TextDocumentConverter::fromDocument(*viewController->editor()->document());
    }
    void select(int start, int end) {
        QTextCursor cursor = viewController->editor()->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        viewController->editor()->setTextCursor(cursor);
    }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    FixedScreenProvider screens{QRect(0, 0, 1440, 900)};
    Diagnostics::Capture capture;
    RecordingWorkspace workspace;
    Ref<TMemoleaf> note;
    TMemoleafViewController* viewController = nullptr;
};

TEST_F(MemoleafViewTest, TypingReachesTheCardFileWithTheSameRuns) {
    const QString sheetPath = dir.filePath(QStringLiteral("Test.qxsheet"));
    TSheetManager* manager = TSheetManager::SharedManager();
    manager->SetDelegate(nullptr);
    TSheet* sheet = manager->RegisterSheet(sheetPath);
    manager->Open(sheet);
    note->SetText(AttributedString(QStringLiteral("Start"), fontAttributes(anyFamily(), 13)));
    sheet->AddCard(note.get());
    ASSERT_TRUE(sheet->Save());
    make();
    ASSERT_FALSE(note->IsModified()); // showing the text changes nothing

    TNoteTextView* editor = viewController->editor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral(" here"));
    EXPECT_TRUE(note->IsModified());
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("Start here"));
    select(0, 5);
    viewController->stylePanelController()->modifyTextStyle(0);
    EXPECT_TRUE(note->GetText().attributesAt(0).font.bold);
    EXPECT_FALSE(note->GetText().attributesAt(6).font.bold);
    const AttributedString shown = note->GetText();

    ASSERT_TRUE(sheet->Save());
    EXPECT_FALSE(note->IsModified());
    AutoreleasePool pool;
    TSheet* reread = TSheet::SheetFromPath(sheetPath);
    ASSERT_NE(reread, nullptr);
    reread->LoadCards();
    auto* stored = dynamic_cast<TMemoleaf*>(reread->FindCardWithUUID(note->GetUUID()));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->GetText().string(), shown.string());
    ASSERT_EQ(stored->GetText().runs().size(), shown.runs().size());
    for (qsizetype i = 0; i < shown.runs().size(); ++i) {
        EXPECT_EQ(stored->GetText().runs()[i].start, shown.runs()[i].start);
        EXPECT_EQ(stored->GetText().runs()[i].attributes.font.bold, shown.runs()[i].attributes.font.bold);
    }
}

TEST_F(MemoleafViewTest, EachEditMarksTheCardOnceAndShowingMarksNothing) {
    note->SetText(AttributedString(QStringLiteral("abc")));
    note->SetModified(false);
    make();
    EXPECT_FALSE(note->IsModified());
    int stores = 0;
    QObject::connect(viewController->editor(), &QTextEdit::textChanged, [&stores] { ++stores; });
    viewController->editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(viewController->editor(), Qt::Key_D);
    EXPECT_EQ(stores, 1);
    EXPECT_TRUE(note->IsModified());
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("abcd"));
    QTest::keyClick(viewController->editor(), Qt::Key_Z, Qt::ControlModifier); // undo
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("abc"));
}

TEST_F(MemoleafViewTest, PasteRule) {
    AttributedString pasted;
    TextAttributes red = fontAttributes(anyFamily(), 20);
    red.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
    red.backgroundColor = ATSURGBAlphaColor{1, 1, 0, 1};
    red.paragraphStyle.alignment = TextAlignment::Center;
    pasted.append(QStringLiteral("Red"), red);
    const QByteArray rtf = RTFCodec::write(pasted);

    struct Case {
        const char* name;
        bool withRTF;
        bool matchStyle;
    } const cases[] = {{"rich, match style", true, true}, {"rich", true, false}, {"plain", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        note->SetText(AttributedString(QStringLiteral("ab"), fontAttributes(anyFamily(), 13)));
        defaults.setBoolForKey(c.matchStyle, kPreferenceKeyAlwaysPasteAndMatchStyle);
        make();
        TNoteTextView* editor = viewController->editor();
        select(1, 1);
        const QTextCharFormat typing = editor->currentCharFormat();
        QMimeData data;
        if (c.withRTF) data.setData(QStringLiteral("text/rtf"), rtf);
        data.setText(QStringLiteral("Red"));
        editor->pasteFromMimeData(&data);
        const AttributedString text = editorText();
        ASSERT_EQ(text.string(), QStringLiteral("aRedb"));
        const TextAttributes& at = text.attributesAt(2);
        EXPECT_FALSE(at.backgroundColor.has_value());
        EXPECT_EQ(at.paragraphStyle, ParagraphStyle());
        if (c.withRTF && !c.matchStyle) {
            EXPECT_EQ(at.font.pointSize, 20);
            ASSERT_TRUE(at.foregroundColor.has_value());
            EXPECT_FLOAT_EQ(at.foregroundColor->red, 1);
            EXPECT_FLOAT_EQ(at.foregroundColor->green, 0);
        } else {
            EXPECT_EQ(at.font.pointSize, typing.font().pointSizeF());
            EXPECT_NE(at.foregroundColor, red.foregroundColor);
        }
        EXPECT_EQ(note->GetPlainText(), QStringLiteral("aRedb"));
        delete viewController;
        viewController = nullptr;
    }
}

TEST_F(MemoleafViewTest, FileAndCardLinksAreInsertedAsLinks) {
    make();
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/Report.pdf"))});
    EXPECT_TRUE(viewController->editor()->readSelectionFromPasteboard(&file));
    QMimeData card;
    card.setData(NSPasteboardTypeLinkName, QByteArrayLiteral("Other card"));
    card.setText(CardLink(QStringLiteral("ABC")));
    EXPECT_TRUE(viewController->editor()->readSelectionFromPasteboard(&card));
    QMimeData plain;
    plain.setText(QStringLiteral("x"));
    EXPECT_FALSE(viewController->editor()->readSelectionFromPasteboard(&plain));
    const AttributedString text = editorText();
    EXPECT_EQ(text.string(), QStringLiteral("Report.pdfOther card"));
    EXPECT_EQ(text.attributesAt(0).link, QStringLiteral("file:///tmp/Report.pdf"));
    EXPECT_EQ(text.attributesAt(12).link, CardLink(QStringLiteral("ABC")));
}

TEST_F(MemoleafViewTest, RichToPlainToRichKeepsTheText) {
    AttributedString text(QStringLiteral("One "), fontAttributes(anyFamily(), 24, true));
    TextAttributes coloured = fontAttributes(anyFamily(), 13);
    coloured.foregroundColor = ATSURGBAlphaColor{0, 0, 1, 1};
    text.append(QStringLiteral("two"), coloured);
    note->SetText(text);
    make();
    MenuItemState item{QStringLiteral("toggleTextMode:"), false, QString(), QVariant()};
    EXPECT_TRUE(viewController->validateMenuItem(item));
    EXPECT_EQ(item.title, QStringLiteral("Make Plain Text"));

    viewController->toggleTextMode();
    EXPECT_FALSE(note->IsRichText());
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("One two")); // stored at once
    const QFont plainFont = *UserDefaultsUtilities::fontForKey(defaults, kPreferenceKeyPlainTextFont);
    EXPECT_EQ(note->GetText().attributesAt(5).font.name, plainFont.family());
    EXPECT_TRUE(viewController->validateMenuItem(item));
    EXPECT_EQ(item.title, QStringLiteral("Make Rich Text"));
    EXPECT_FALSE(viewController->stylePanelController()->fontPopupButton()->isEnabled());
    // Undo after the change takes nothing away from the text.
    viewController->editor()->undo();
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("One two"));

    viewController->toggleTextMode();
    EXPECT_TRUE(note->IsRichText());
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("One two"));
    const QFont noteFont = *UserDefaultsUtilities::fontForKey(defaults, kPreferenceKeyNoteFont);
    for (const AttributeRun& run : note->GetText().runs()) {
        EXPECT_EQ(run.attributes.font.name, noteFont.family());
        EXPECT_FALSE(run.attributes.font.bold);
        EXPECT_FALSE(run.attributes.foregroundColor.has_value());
    }
    EXPECT_TRUE(viewController->stylePanelController()->fontPopupButton()->isEnabled());
}

TEST_F(MemoleafViewTest, ADarkCardKeepsItsLightTextWhenMadeRich) {
    note->SetColor(QColor(20, 20, 40));
    note->SetRichText(false);
    note->SetText(AttributedString(QStringLiteral("dark")));
    make();
    viewController->toggleTextMode();
    const std::optional<ATSURGBAlphaColor> colour = note->GetText().attributesAt(0).foregroundColor;
    ASSERT_TRUE(colour.has_value());
    EXPECT_FLOAT_EQ(colour->red, 1);
    EXPECT_FLOAT_EQ(colour->blue, 1);
}

TEST_F(MemoleafViewTest, PlainTextFontFollowsThePreferencesNoteFontDoesNot) {
    note->SetText(AttributedString(QStringLiteral("text"), fontAttributes(anyFamily(), 13)));
    make();
    QFont changed(anyFamily(), 31);
    UserDefaultsUtilities::setFontForKey(defaults, changed, kPreferenceKeyNoteFont);
    EXPECT_EQ(editorText().attributesAt(0).font.pointSize, 13); // a rich editor keeps its fonts
    viewController->toggleTextMode();
    UserDefaultsUtilities::setFontForKey(defaults, changed, kPreferenceKeyPlainTextFont);
    EXPECT_EQ(editorText().attributesAt(0).font.pointSize, 31);
    EXPECT_EQ(note->GetText().attributesAt(0).font.pointSize, 31);
}

TEST_F(MemoleafViewTest, OwnLinksGoToTheApplicationOthersToTheDesktop) {
    QList<QUrl> handled;
    LinkURL::setOwnLinkHandler([&handled](const QUrl& url) { handled.append(url); });
    AttributedString text(QStringLiteral("site"));
    text.modifyAttributes(0, 4, [](TextAttributes& a) { a.link = QStringLiteral("https://example.org/"); });
    note->SetText(text);
    make();
    viewController->view()->show();

    const QUrl own(URISchemeBundle().toUpper() + QStringLiteral("://goto?card=ABC"));
    EXPECT_FALSE(viewController->clickedOnLink(own));
    ASSERT_EQ(handled.size(), 1);
    EXPECT_TRUE(workspace.requests.isEmpty());

    // A click on the link in the text.
    TNoteTextView* editor = viewController->editor();
    QTextCursor cursor(editor->document());
    cursor.setPosition(2);
    const QPoint inside = editor->cursorRect(cursor).center();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, inside);
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests[0].kind, QStringLiteral("openURL"));
    EXPECT_EQ(workspace.requests[0].arguments.value(0), QStringLiteral("https://example.org/"));
    EXPECT_EQ(handled.size(), 1);
}

TEST_F(MemoleafViewTest, FindBarFindsFromTheTopAgain) {
    note->SetText(AttributedString(QStringLiteral("alpha beta alpha")));
    make();
    TNoteTextView* editor = viewController->editor();
    EXPECT_TRUE(viewController->performCommand(QStringLiteral("performFindPanelAction:")));
    select(6, 6);
    EXPECT_TRUE(editor->findNext(QStringLiteral("alpha")));
    EXPECT_EQ(editor->textCursor().selectionStart(), 11);
    EXPECT_TRUE(editor->findNext(QStringLiteral("alpha")));
    EXPECT_EQ(editor->textCursor().selectionStart(), 0);
    EXPECT_FALSE(editor->findNext(QStringLiteral("gamma")));
}

TEST_F(MemoleafViewTest, MisspeltWordsAreMarkedAndSuggested) {
    if (!TTextSpellChecker::isAvailable()) GTEST_SKIP() << "no dictionary installed";
    defaults.setBoolForKey(true, kPreferenceKeyContinuousSpellCheckingEnabled);
    note->SetText(AttributedString(QStringLiteral("This is wrng")));
    make();
    const QTextBlock block = viewController->editor()->document()->firstBlock();
    bool marked = false, cleanMarked = false;
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.format.underlineStyle() != QTextCharFormat::SpellCheckUnderline) continue;
        if (range.start == 8 && range.length == 4) marked = true;
        if (range.start < 8) cleanMarked = true;
    }
    EXPECT_TRUE(marked);
    EXPECT_FALSE(cleanMarked);
    EXPECT_TRUE(TTextSpellChecker::suggestions(QStringLiteral("wrng")).contains(QStringLiteral("wrong")));
    // Switching the preference off clears the marks.
    defaults.setBoolForKey(false, kPreferenceKeyContinuousSpellCheckingEnabled);
    EXPECT_TRUE(viewController->editor()->document()->firstBlock().layout()->formats().isEmpty());
}

// ----------------------------------------------------------------------------------------------
// The style bar

TEST_F(MemoleafViewTest, StyleBarTogglesTraitsByTheFirstCharacterAndKeepsOtherProperties) {
    AttributedString text(QStringLiteral("Bold"), fontAttributes(anyFamily(), 12, true));
    text.append(QStringLiteral(" plain"), fontAttributes(anyFamily(), 24));
    note->SetText(text);
    make();
    TTextStylePanelController* panel = viewController->stylePanelController();

    select(0, 10); // first character bold: the whole selection loses bold
    panel->modifyTextStyle(0);
    for (const AttributeRun& run : note->GetText().runs()) EXPECT_FALSE(run.attributes.font.bold);
    panel->modifyTextStyle(0); // now plain: all bold, each run keeps its size
    ASSERT_EQ(note->GetText().runs().size(), 2);
    EXPECT_TRUE(note->GetText().attributesAt(0).font.bold);
    EXPECT_TRUE(note->GetText().attributesAt(6).font.bold);
    EXPECT_EQ(note->GetText().attributesAt(0).font.pointSize, 12);
    EXPECT_EQ(note->GetText().attributesAt(6).font.pointSize, 24);
    EXPECT_TRUE(panel->styleSegmentControl()->isSelectedForSegment(0));

    const QString otherFamily = QFontDatabase::families().value(1, anyFamily());
    panel->fontPopupButton()->setCurrentIndex(panel->fontPopupButton()->findText(otherFamily));
    panel->fontChanged();
    EXPECT_EQ(note->GetText().attributesAt(0).font.name, otherFamily);
    EXPECT_EQ(note->GetText().attributesAt(6).font.name, otherFamily);
    EXPECT_EQ(note->GetText().attributesAt(0).font.pointSize, 12);
    EXPECT_EQ(note->GetText().attributesAt(6).font.pointSize, 24);

    panel->fontSizeBox()->setEditText(QStringLiteral("92"));
    panel->fontSizeChanged();
    for (const AttributeRun& run : note->GetText().runs()) EXPECT_EQ(run.attributes.font.pointSize, 92);
    EXPECT_EQ(panel->fontSizeBox()->findText(QStringLiteral("92")), 11);

    panel->modifyTextStyle(3); // strikethrough on, then off
    EXPECT_TRUE(note->GetText().attributesAt(5).strikethrough);
    panel->modifyTextStyle(3);
    EXPECT_FALSE(note->GetText().attributesAt(5).strikethrough);
}

TEST_F(MemoleafViewTest, FontMenuCommandsActOnRichTextOnly) {
    note->SetText(AttributedString(QStringLiteral("Some words"), fontAttributes(anyFamily(), 14)));
    make();
    const auto enabled = [this](const char* action) {
        MenuItemState item{QString::fromLatin1(action), false, QString(), QVariant()};
        return viewController->validateMenuItem(item);
    };
    EXPECT_TRUE(enabled("changeFont"));
    EXPECT_TRUE(enabled("underline"));
    EXPECT_FALSE(enabled("pasteFont")) << "nothing copied yet";

    select(0, 4);
    viewController->performCommand(QStringLiteral("changeFont"), 2); // Bold
    viewController->performCommand(QStringLiteral("changeFont"), 1); // Italic
    viewController->performCommand(QStringLiteral("underline"));
    EXPECT_TRUE(note->GetText().attributesAt(0).font.bold);
    EXPECT_TRUE(note->GetText().attributesAt(0).font.italic);
    EXPECT_NE(note->GetText().attributesAt(3).underline, UnderlineStyle::None);
    EXPECT_FALSE(note->GetText().attributesAt(6).font.bold);
    EXPECT_EQ(note->GetText().attributesAt(6).underline, UnderlineStyle::None);

    viewController->performCommand(QStringLiteral("copyFont"));
    EXPECT_TRUE(enabled("pasteFont"));
    select(5, 10);
    viewController->performCommand(QStringLiteral("pasteFont"));
    EXPECT_TRUE(note->GetText().attributesAt(7).font.bold);
    EXPECT_TRUE(note->GetText().attributesAt(7).font.italic);
    EXPECT_EQ(note->GetText().attributesAt(7).font.pointSize, 14);

    select(0, 4); // Ctrl+I is the text's own key
    QTest::keyClick(viewController->editor(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_FALSE(note->GetText().attributesAt(0).font.italic);

    viewController->toggleTextMode(); // plain text has no fonts of its own
    for (const char* action : {"changeFont", "underline", "copyFont", "pasteFont", "orderFrontFontPanel"})
        EXPECT_FALSE(enabled(action)) << action;
}

TEST_F(MemoleafViewTest, TheFontAndColourDialogsOutliveNothingTheyWereOpenedFor) {
    note->SetText(AttributedString(QStringLiteral("Some words"), fontAttributes(anyFamily(), 14)));
    for (const char* command : {"orderFrontColorPanel", "orderFrontFontPanel"}) {
        SCOPED_TRACE(command);
        make();
        select(0, 4);
        // WHEN the card's view goes while the dialog is open (its sheet closed meanwhile) and the
        // dialog is then accepted
        QTimer::singleShot(0, [this] {
            QPointer<QWidget> dialog = QApplication::activeModalWidget();
            delete viewController;
            viewController = nullptr;
            if (dialog) static_cast<QDialog*>(dialog.data())->accept();
        });
        // THEN the command ends without touching what went, and the text is as it was
        TMemoleafViewController* made = viewController;
        made->performCommand(QString::fromLatin1(command));
        EXPECT_EQ(viewController, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(note->GetText().string(), QStringLiteral("Some words"));
    }
}

TEST_F(MemoleafViewTest, StyleBarWithoutSelectionChangesOnlyTheTypingStyle) {
    note->SetText(AttributedString(QStringLiteral("text"), fontAttributes(anyFamily(), 13)));
    make();
    TTextStylePanelController* panel = viewController->stylePanelController();
    select(4, 4);
    note->SetModified(false);
    panel->modifyTextStyle(2);
    EXPECT_FALSE(note->IsModified());
    EXPECT_EQ(note->GetText().attributesAt(0).underline, UnderlineStyle::None);
    EXPECT_TRUE(panel->styleSegmentControl()->isSelectedForSegment(2));
    QTest::keyClicks(viewController->editor(), QStringLiteral("x"));
    EXPECT_EQ(note->GetText().attributesAt(4).underline, UnderlineStyle::Single);
    EXPECT_EQ(note->GetText().attributesAt(3).underline, UnderlineStyle::None);
}

TEST_F(MemoleafViewTest, AlignmentChangesWholeParagraphs) {
    note->SetText(AttributedString(QStringLiteral("first\nsecond")));
    make();
    TTextStylePanelController* panel = viewController->stylePanelController();
    EXPECT_TRUE(panel->alignmentSegmentControl()->isSelectedForSegment(0)); // natural shows as left
    select(8, 8);
    panel->modifyTextAlignment(1);
    EXPECT_EQ(note->GetText().attributesAt(8).paragraphStyle.alignment, TextAlignment::Center);
    EXPECT_EQ(note->GetText().attributesAt(6).paragraphStyle.alignment, TextAlignment::Center);
    EXPECT_EQ(note->GetText().attributesAt(0).paragraphStyle.alignment, TextAlignment::Natural);
    EXPECT_TRUE(panel->alignmentSegmentControl()->isSelectedForSegment(1));
    EXPECT_FALSE(panel->alignmentSegmentControl()->isSelectedForSegment(0));

    delete viewController;
    note->SetText(AttributedString());
    make();
    note->SetModified(false);
    viewController->stylePanelController()->modifyTextAlignment(3);
    EXPECT_FALSE(note->IsModified());
}

TEST_F(MemoleafViewTest, StyleBarControlsAndFeatures) {
    note->SetText(AttributedString(QStringLiteral("word"), fontAttributes(anyFamily(), 13)));
    make();
    TTextStylePanelController* panel = viewController->stylePanelController();
    EXPECT_EQ(TTextStylePanelController::fontSizes().last(), 92);
    EXPECT_EQ(panel->fontPopupButton()->count(), QFontDatabase::families().size());
    for (const char* name : {"bold", "align_right", "table", "link"}) {
        EXPECT_FALSE(TTextStylePanelController::buttonImage(QString::fromLatin1(name), false).isNull())
            << name;
        EXPECT_FALSE(TTextStylePanelController::buttonImage(QString::fromLatin1(name), true).isNull())
            << name;
    }
    select(0, 4);
    panel->addLink(QStringLiteral("https://example.org/"));
    EXPECT_EQ(note->GetText().attributesAt(3).link, QStringLiteral("https://example.org/"));
    select(4, 4);
    panel->insertTable(2, 3);
    EXPECT_EQ(note->GetPlainText(), QStringLiteral("word\n\t\t\n\t\t"));
    select(0, 0);
    panel->insertList(QStringLiteral("{decimal}."));
    EXPECT_TRUE(note->GetPlainText().startsWith(QStringLiteral("\t1.\tword")));

    // A plain editor disables the whole bar.
    viewController->toggleTextMode();
    for (QWidget* control : {static_cast<QWidget*>(panel->styleSegmentControl()),
                             static_cast<QWidget*>(panel->alignmentSegmentControl()),
                             static_cast<QWidget*>(panel->featuresSegmentControl()),
                             static_cast<QWidget*>(panel->fontSizeBox())})
        EXPECT_FALSE(control->isEnabled());
}

TEST_F(MemoleafViewTest, AFamilyThatIsNoFontChangesNothing) {
    note->SetText(AttributedString(QStringLiteral("word"), fontAttributes(anyFamily(), 13)));
    make();
    TTextStylePanelController* panel = viewController->stylePanelController();
    select(0, 4);
    note->SetModified(false);
    panel->fontPopupButton()->addItem(QStringLiteral("No Such Family 123"));
    panel->fontPopupButton()->setCurrentIndex(panel->fontPopupButton()->count() - 1);
    panel->fontChanged();
    EXPECT_FALSE(note->IsModified());
}

} // namespace

TEST_F(MemoleafViewTest, StyleBarShowsTheTextsSizeAndFitsANarrowCard) {
    // Text without a size of its own is shown in the editor's font: the size box says that size.
    AttributedString plain;
    plain.append(QStringLiteral("plain words"), TextAttributes{});
    note->SetText(plain);
    make();
    viewController->view()->show();
    TTextStylePanelController* panel = viewController->stylePanelController();
    QTextEdit* editor = viewController->editor();
    select(1, 4);
    EXPECT_EQ(panel->fontSizeBox()->currentText(),
              QString::number(int(editor->document()->defaultFont().pointSizeF())));
    // Text of a size of its own shows that size, the caret at its start or its end.
    AttributedString sized;
    sized.append(QStringLiteral("large words"), fontAttributes(anyFamily(), 20));
    note->SetText(sized);
    delete viewController;
    make();
    viewController->view()->show();
    panel = viewController->stylePanelController();
    editor = viewController->editor();
    for (const QTextCursor::MoveOperation where : {QTextCursor::Start, QTextCursor::End}) {
        editor->moveCursor(where);
        EXPECT_EQ(panel->fontSizeBox()->currentText(), QStringLiteral("20")) << int(where);
    }

    // In a narrow card the buttons flow onto further rows; the font boxes keep room for a name and a size.
    for (const int width : {600, 260, 180, 600}) {
        viewController->view()->resize(width, 300);
        QApplication::processEvents();
        SCOPED_TRACE(width);
        for (QWidget* box :
             {static_cast<QWidget*>(panel->fontPopupButton()), static_cast<QWidget*>(panel->fontSizeBox())})
            EXPECT_GE(box->width(), box->minimumSizeHint().width());
        const bool oneRow = panel->styleSegmentControl()->y() < panel->fontPopupButton()->geometry().bottom();
        EXPECT_EQ(oneRow, width == 600);
        QWidget* card = viewController->view();
        for (QWidget* control : {static_cast<QWidget*>(panel->fontSizeBox()),
                                 static_cast<QWidget*>(panel->styleSegmentControl()),
                                 static_cast<QWidget*>(panel->alignmentSegmentControl()),
                                 static_cast<QWidget*>(panel->featuresSegmentControl())})
            EXPECT_LE(control->mapTo(card, QPoint(control->width(), 0)).x(), card->width())
                << "cut at the card's edge";
    }
}
