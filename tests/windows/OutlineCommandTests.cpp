#include "foundation/Object.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AutoreleasePool.h"
#include "platform/PanelPresenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "windows/CardTextView.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"
#include "windows/QuickLookPreview.h"
#include "windows/RowControllers.h"
#include "windows/TextItemViewController.h"

#include <QApplication>
#include <QColorDialog>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class OutlineCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        TOutlineViewController::registerForListCards();
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
        card->SetDefaultItem(kItemKindList);
        first = add(QStringLiteral("first"));
        second = add(QStringLiteral("second"));
        controller.reset(dynamic_cast<TOutlineViewController*>(CardViewControllers::make(card.get())));
        ASSERT_TRUE(controller);
        controller->view()->resize(400, 300);
        controller->view()->show();
        QApplication::setActiveWindow(controller->view());
        outline = controller->browser();
    }
    void TearDown() override {
        if (QuickLookPreview::exists()) QuickLookPreview::shared()->setDataSource(nullptr);
        controller.reset();
        UserDefaults::setStandardUserDefaults(nullptr);
    }

    TListItem* add(const QString& text) {
        TListItem* item = TListItem::Create(text);
        card->GetRoot()->AddChild(item);
        item->Release();
        return item;
    }
    QString path(const QString& name) { return folder.filePath(name); }
    TCardTextView* editorOf(TCardItem* item) {
        auto* row = dynamic_cast<TTextItemViewController*>(outline->ensureController(item));
        return row ? row->editor() : nullptr;
    }
    QTextCharFormat formatAt(TCardItem* item, int position) {
        QTextCursor cursor(editorOf(item)->document());
        cursor.setPosition(position);
        return cursor.charFormat();
    }
    void selectBoth() {
        outline->selectRow(0, false);
        outline->selectRow(1, true);
    }
    // The rows of the root after the first two.
    QList<TCardItem*> added() {
        QList<TCardItem*> items;
        for (qint64 i = 0; i < card->GetRoot()->ChildCount(); ++i) {
            auto* item = static_cast<TCardItem*>(card->GetRoot()->GetChild(i));
            if (item != first && item != second) items << item;
        }
        return items;
    }

    AutoreleasePool pool;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler manual;
    ScopedScriptedPanelPresenter panels;
    Ref<TJobslate> card;
    TListItem* first = nullptr;
    TListItem* second = nullptr;
    std::unique_ptr<TOutlineViewController> controller;
    TCardOutlineView* outline = nullptr;
};

TEST_F(OutlineCommandTest, AttachmentCommandsInsertTheChosenFilesInOrderAfterTheFocusedRow) {
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(path(QStringLiteral("a.png"))));
    QFile text(path(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();

    struct Case {
        const char* command;
        QStringList chosen;
        QStringList expected; // the class names of the new rows, in order
        bool choosesFolders;
    };
    const QString png = path(QStringLiteral("a.png")), txt = path(QStringLiteral("notes.txt"));
    const QList<Case> cases = {
        {"addFile",
         {txt, png, folder.path()},
         {"TFileAttachment", "TFileAttachment", "TFileAttachment"},
         true},
        {"addImage", {png, txt, png}, {"TImageAttachment", "TImageAttachment"}, false},
        {"addFile", {}, {}, true}, // cancelled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        controller->makeItemFirstResponder(first);
        panels.setNextChoice(c.chosen);
        const int steps = controller->undoStack()->index();
        ASSERT_TRUE(controller->performCommand(QString::fromLatin1(c.command)));
        EXPECT_EQ(panels.panels().back().canChooseDirectories, c.choosesFolders);
        EXPECT_TRUE(panels.panels().back().allowsMultipleSelection);
        const QList<TCardItem*> rows = added();
        QStringList classes;
        for (TCardItem* row : rows) classes << row->ClassName();
        EXPECT_EQ(classes, c.expected);
        // After the focused first row, before the second.
        EXPECT_EQ(card->GetRoot()->GetChild(0), first);
        EXPECT_EQ(card->GetRoot()->GetChild(card->GetRoot()->ChildCount() - 1), second);
        if (c.command == QByteArray("addFile") && !rows.isEmpty()) {
            EXPECT_EQ(static_cast<TFileAttachment*>(rows[0])->GetPath(), txt);
            EXPECT_EQ(static_cast<TFileAttachment*>(rows[2])->GetPath(), folder.path());
        }
        EXPECT_EQ(controller->undoStack()->index() - steps, c.expected.size());
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(controller->undoStack()->undoText(), QStringLiteral("Add Item"));
        }
        while (controller->undoStack()->index() > steps) controller->undoStack()->undo();
        EXPECT_TRUE(added().isEmpty());
    }
}

// A panel during which something else happens (the card closes, a filter is shown) before it
// answers with the given paths.
class MeanwhilePanelPresenter : public PanelPresenter {
public:
    explicit MeanwhilePanelPresenter(std::function<void()> meanwhile, QStringList paths)
        : m_meanwhile(std::move(meanwhile)), m_paths(std::move(paths)) {
        PanelPresenter::setShared(this);
    }
    ~MeanwhilePanelPresenter() override { PanelPresenter::setShared(nullptr); }
    int runModal(OpenPanel& panel, QObject*) override {
        m_meanwhile();
        panel.chosenPaths = m_paths;
        return NSModalResponseOK;
    }

private:
    std::function<void()> m_meanwhile;
    QStringList m_paths;
};

TEST_F(OutlineCommandTest, AttachmentPanelInsertsNothingWhenTheOutlineChangedWhileItWasOpen) {
    const QString file = path(QStringLiteral("defaults.plist"));
    controller->makeItemFirstResponder(first);
    {
        MeanwhilePanelPresenter closing([this] { controller.reset(); }, {file});
        TOutlineViewController* gone = controller.get();
        gone->addFile();
    }
    EXPECT_EQ(card->GetRoot()->ChildCount(), 2);

    controller.reset(dynamic_cast<TOutlineViewController*>(CardViewControllers::make(card.get())));
    ASSERT_TRUE(controller);
    Ref<TListItem> filter = Ref<TListItem>::adopt(TListItem::Create(QString()));
    MeanwhilePanelPresenter filtering([&] { controller->setFilter(filter.get(), 1); }, {file});
    controller->addFile();
    EXPECT_EQ(card->GetRoot()->ChildCount(), 2);
}

TEST_F(OutlineCommandTest, AddURLSelectsTheLinkRowAndPreviewShowsTheSelectedLinks) {
    controller->makeItemFirstResponder(first);
    controller->addURL();
    ASSERT_EQ(added().size(), 1);
    auto* link = dynamic_cast<TURLAttachment*>(added().first());
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->GetURL().isValid());
    EXPECT_EQ(outline->selectedRows(), QList<qint32>({1}));
    manual.scheduler.advance(0.01);
    auto* row = outline->controllerForItem(link);
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->isInfoPopoverOpen());

    // The popover has the focus now; back on the outline with the link row selected.
    outline->setFocus();
    controller->selectItem(link);
    ASSERT_EQ(outline->selectedRows(), QList<qint32>({1}));
    ASSERT_EQ(controller->numberOfPreviewItems(), 1);
    QTest::keyClick(outline, Qt::Key_Space);
    EXPECT_EQ(QuickLookPreview::shared()->dataSource(), controller.get());
    EXPECT_EQ(controller->numberOfPreviewItems(), 1);
    EXPECT_EQ(controller->previewItemURL(0), link->GetURL());
}

TEST_F(OutlineCommandTest, UnderlineTogglesByTheFirstCharacter) {
    QTextCursor cursor(editorOf(first)->document());
    cursor.setPosition(0);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    QTextCharFormat underlined;
    underlined.setFontUnderline(true);
    cursor.mergeCharFormat(underlined);
    // Underlined only after its first character: the toggle follows the first one.
    cursor = QTextCursor(editorOf(second)->document());
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(underlined);

    selectBoth();
    controller->performCommand(QStringLiteral("underline"));
    EXPECT_FALSE(formatAt(first, 1).fontUnderline());
    EXPECT_FALSE(formatAt(first, 5).fontUnderline());
    EXPECT_TRUE(formatAt(second, 1).fontUnderline());
    EXPECT_TRUE(formatAt(second, 6).fontUnderline());
}

TEST_F(OutlineCommandTest, TraitTagTogglesTheFirstRowOnlyAndCopiedFontPastes) {
    QFont boldFont = editorOf(first)->currentFont();
    boldFont.setBold(true);
    controller->changeFont(boldFont, second);
    selectBoth();
    const int steps = controller->undoStack()->index();
    TFontManager::shared().addFontTrait(2);
    QFont panel = editorOf(first)->currentFont();
    panel.setPointSize(22);
    controller->changeFont(panel);
    EXPECT_EQ(TFontManager::shared().tag(), 0);
    EXPECT_TRUE(formatAt(first, 1).font().bold());
    // The second row gets the panel's plain conversion, not the toggle.
    EXPECT_FALSE(formatAt(second, 1).font().bold());
    EXPECT_EQ(formatAt(second, 1).font().pointSize(), 22);
    EXPECT_EQ(controller->undoStack()->index() - steps, 2);
    EXPECT_EQ(controller->undoStack()->undoText(), QStringLiteral("Change Font"));

    outline->deselectAll();
    controller->makeItemFirstResponder(second);
    controller->copyFont();
    selectBoth();
    controller->pasteFont();
    EXPECT_EQ(formatAt(first, 1).font().pointSize(), 22);
    EXPECT_FALSE(formatAt(first, 1).font().bold());
    EXPECT_EQ(outline->selectedRows().size(), 2);
}

TEST_F(OutlineCommandTest, FontAndTextColourCommandsTakeTheRowTypedInWhenNoneIsSelected) {
    // GIVEN no row selected and the caret in the first row
    outline->deselectAll();
    controller->makeItemFirstResponder(first);
    const QColor cardColour = card->GetColor();

    // WHEN Bold, Underline and Text Color are chosen, THEN that row changes, the other and the card not
    controller->performCommand(QStringLiteral("changeFont"), 2);
    controller->performCommand(QStringLiteral("underline"));
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            dialog->setCurrentColor(QColor(200, 0, 0));
            dialog->accept();
        }
    });
    controller->performCommand(QStringLiteral("orderFrontColorPanel"));
    EXPECT_TRUE(formatAt(first, 1).font().bold());
    EXPECT_TRUE(formatAt(first, 1).fontUnderline());
    EXPECT_EQ(formatAt(first, 1).foreground().color(), QColor(200, 0, 0));
    EXPECT_FALSE(formatAt(second, 1).font().bold());
    EXPECT_NE(formatAt(second, 1).foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(card->GetColor(), cardColour);
}

TEST_F(OutlineCommandTest, CardColourPanelDeselectsRowsAndColoursTheCard) {
    selectBoth();
    MenuItemState colour;
    colour.action = QStringLiteral("changeCardColor");
    EXPECT_TRUE(controller->validateMenuItem(colour));
    EXPECT_FALSE(colour.representedObject.isNull());
    controller->performCommand(QStringLiteral("changeCardColor"));
    EXPECT_TRUE(outline->selectedRows().isEmpty());
    auto* panel = controller->view()->findChild<QColorDialog*>();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_EQ(panel->currentColor().rgb(), card->GetColor().rgb());
    panel->close();
}

TEST_F(OutlineCommandTest, InsertionCommandsAreDisabledWhileAFilterIsShown) {
    controller->makeItemFirstResponder(first);
    const QStringList insertions = {"addFile",   "addImage",     "addURL",        "addSeperator",
                                    "addRow",    "addRowInside", "addRowOutside", "pasteAsItems",
                                    "moveRowUp", "indentRowLeft"};
    for (const QString& action : insertions) {
        MenuItemState item;
        item.action = action;
        EXPECT_TRUE(controller->validateMenuItem(item)) << action.toStdString();
    }
    Ref<TListItem> filter = Ref<TListItem>::adopt(TListItem::Create(QString()));
    controller->setFilter(filter.get(), 1);
    for (const QString& action : insertions) {
        MenuItemState item;
        item.action = action;
        EXPECT_FALSE(controller->validateMenuItem(item)) << action.toStdString();
    }
    panels.setNextChoice({path(QStringLiteral("x"))});
    controller->addFile();
    controller->addURL();
    EXPECT_TRUE(panels.panels().empty());
    EXPECT_EQ(card->GetRoot()->ChildCount(), 2);
    for (const QString& action : {QStringLiteral("pasteFont"), QStringLiteral("underline"),
                                  QStringLiteral("changeFont"), QStringLiteral("changeCardColor")}) {
        MenuItemState item;
        item.action = action;
        EXPECT_TRUE(controller->validateMenuItem(item)) << action.toStdString();
    }
}

} // namespace
