#include "model/Themes.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "windows/CardTextView.h"
#include "windows/DisclosureButton.h"
#include "windows/ThemeOutlineView.h"
#include "windows/ThemeTableRowView.h"
#include "windows/ThemeView.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// A card theme read from a bundle written into the folder.
Ref<TCardTheme> makeTheme(const QString& folder, const QString& body) {
    QDir().mkpath(folder);
    const QString plist =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n"
                       "<dict>\n%1</dict>\n</plist>\n")
            .arg(body);
    EXPECT_TRUE(AtomicFile::write(folder + "/info.plist", plist.toUtf8()));
    return Ref<TCardTheme>::adopt(
        static_cast<TCardTheme*>(TTheme::CreateOf(TCardTheme::StaticClass(), folder)));
}

QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QImage drawn(QSize size, const std::function<void(QPainter&, const QRectF&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(QPointF(), QSizeF(size)));
    return image;
}

bool isBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0) return false;
    return true;
}

} // namespace

TEST(ThemeView, DrawsItsPartWithSquareCornersOnlyInAFullScreenWindow) {
    QTemporaryDir folder;
    const Ref<TCardTheme> theme =
        makeTheme(folder.path() + "/Round.qxtheme", "<key>borderRadius</key><integer>12</integer>\n");
    ASSERT_TRUE(theme);
    QWidget window;
    window.resize(100, 80);
    auto* view = new TThemeView(nullptr, &window);
    EXPECT_EQ(view->size(), QSize(0, 0));
    view->setGeometry(0, 0, 100, 80);
    view->setPart(TCardTheme::Background);
    view->setInput({{"color", QColor(Qt::red)}});
    EXPECT_TRUE(isBlank(render(*view))); // no theme, nothing drawn

    view->setTheme(theme.get());
    QImage image = render(*view);
    EXPECT_EQ(image.pixelColor(50, 40), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(view->input().value("fullscreen"), QVariant(false));

    window.setWindowState(Qt::WindowFullScreen);
    image = render(*view);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(view->input().value("fullscreen"), QVariant(true));
    EXPECT_EQ(view->input().value("color"), QVariant(QColor(Qt::red)));
}

TEST(ThemeTableRowView, SelectionAndDropHighlightFollowTheRowsWindowActivation) {
    QWidget window, other;
    auto* row = new TThemeTableRowView(&window);
    row->setGeometry(0, 0, 60, 20);
    window.show();
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_FALSE(row->isActive());
    EXPECT_TRUE(isBlank(render(*row))); // neither selected nor a drop target

    row->setSelected(true);
    auto selection = [](bool active) {
        return drawn({60, 20},
                     [&](QPainter& p, const QRectF& r) { TCardTheme::DrawSelection(p, r, active, 0); });
    };
    EXPECT_EQ(render(*row), selection(false));
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(row->isActive());
    EXPECT_EQ(render(*row), selection(true));
    ASSERT_NE(selection(true), selection(false));

    row->setSelected(false);
    row->setTargetForDropOperation(true);
    EXPECT_EQ(render(*row), drawn({60, 20}, [](QPainter& p, const QRectF& r) {
                  TCardTheme::DrawDraggingDestinationFeedback(p, r, true);
              }));
    QApplication::setActiveWindow(&other);
    EXPECT_FALSE(row->isActive());
}

TEST(ThemeTableRowView, RowsSpanTheVisibleWidthOfTheirScrollArea) {
    QAbstractScrollArea area;
    area.resize(200, 100);
    area.show();
    auto* row = new TThemeTableRowView(area.viewport());
    row->show();
    row->setGeometry(0, 20, 50, 18);
    EXPECT_EQ(row->geometry(), QRect(0, 20, area.viewport()->width(), 18));

    area.resize(320, 100); // the window widens
    EXPECT_EQ(row->geometry(), QRect(0, 20, area.viewport()->width(), 18));
    EXPECT_GT(row->width(), 250);

    // A row moved into another area follows that one.
    QAbstractScrollArea narrow;
    narrow.resize(120, 100);
    narrow.show();
    row->setParent(narrow.viewport());
    row->show();
    EXPECT_EQ(row->width(), narrow.viewport()->width());
    area.resize(400, 100);
    EXPECT_EQ(row->width(), narrow.viewport()->width());
}

namespace {

// Three rows, each with a text view; a click on the viewport selects the row under it.
class ListOutline : public TThemeOutlineView {
public:
    static constexpr int kRowHeight = 24;
    ListOutline() {
        for (int i = 0; i < 3; ++i) {
            auto* row = new TThemeTableRowView(viewport());
            row->setGeometry(0, i * kRowHeight, 200, kRowHeight);
            auto* text = new TCardTextView(row);
            text->setGeometry(20, 2, 170, 20);
            text->setPlainText(QStringLiteral("row %1").arg(i));
            guardFirstResponder(text);
            texts.push_back(text);
        }
        resize(220, 100);
    }
    qint64 rowAtPoint(const QPoint& p) const override {
        return p.y() >= 0 && p.y() < 3 * kRowHeight ? p.y() / kRowHeight : -1;
    }
    bool isRowSelected(qint64 row) const override { return row == selected; }

    qint64 selected = -1;
    std::vector<TCardTextView*> texts;

protected:
    void mousePressEvent(QMouseEvent* event) override { selected = rowAtPoint(event->position().toPoint()); }
};

} // namespace

TEST(ThemeOutlineView, TheFirstClickOnARowSelectsItAndTheNextEditsIt) {
    ListOutline outline;
    outline.show();
    QApplication::setActiveWindow(&outline);
    TCardTextView* text = outline.texts[1];
    QWidget* textArea = text->viewport(); // where clicks on the text land

    QTest::mouseClick(textArea, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(outline.selected, 1);
    EXPECT_FALSE(text->hasFocus());
    EXPECT_FALSE(text->textCursor().hasSelection());

    QTest::mouseClick(textArea, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(text->hasFocus());

    // While it edits, its clicks stay its own even when the row is no longer selected.
    outline.selected = -1;
    QTest::mouseClick(textArea, Qt::LeftButton, {}, QPoint(8, 5));
    EXPECT_TRUE(text->hasFocus());
    EXPECT_EQ(outline.selected, -1);

    // Another row's text: selected first, the focus leaves the editing row for the outline.
    QTest::mouseClick(outline.texts[2]->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(outline.selected, 2);
    EXPECT_FALSE(outline.texts[2]->hasFocus());
    EXPECT_TRUE(outline.hasFocus());
}

TEST(ThemeOutlineView, ProposedFirstResponderRule) {
    ListOutline outline;
    outline.selected = 0;
    QWidget* text = outline.texts[0];
    QWidget* unselected = outline.texts[1];
    const QPointF inside(5, 5);
    auto press = [&](QWidget* on, Qt::MouseButton button) {
        return QMouseEvent(QEvent::MouseButtonPress, inside, on->mapToGlobal(inside), button, button, {});
    };
    QMouseEvent left = press(text, Qt::LeftButton), right = press(text, Qt::RightButton);
    QMouseEvent middle = press(text, Qt::MiddleButton);
    QWheelEvent wheel(inside, text->mapToGlobal(inside), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, {}, "a");
    EXPECT_TRUE(outline.validateProposedFirstResponder(text, &left));
    EXPECT_TRUE(outline.validateProposedFirstResponder(text, &right));
    EXPECT_FALSE(outline.validateProposedFirstResponder(text, &wheel));
    EXPECT_TRUE(outline.validateProposedFirstResponder(text, &key));
    EXPECT_TRUE(outline.validateProposedFirstResponder(text, nullptr));
    EXPECT_TRUE(outline.validateProposedFirstResponder(text, &middle));
    QMouseEvent leftOnOther = press(unselected, Qt::LeftButton),
                rightOnOther = press(unselected, Qt::RightButton);
    EXPECT_FALSE(outline.validateProposedFirstResponder(unselected, &leftOnOther));
    EXPECT_FALSE(outline.validateProposedFirstResponder(unselected, &rightOnOther));
    EXPECT_TRUE(outline.validateProposedFirstResponder(unselected, &key));
    // Keyboard focus by Tab stays possible.
    EXPECT_TRUE(unselected->focusPolicy() & Qt::TabFocus);
}

TEST(ThemeOutlineView, DisclosureButtonsShowTheThemesImagesOrTheStylesTriangle) {
    QTemporaryDir folder;
    ListOutline outline;
    QWidget parent;
    DisclosureButton* plain = outline.makeDisclosureButton(&parent); // no theme
    EXPECT_TRUE(plain->image().isNull());
    EXPECT_TRUE(plain->isCheckable());

    const Ref<TCardTheme> without = makeTheme(folder.path() + "/Plain.qxtheme", "");
    outline.setTheme(without.get());
    EXPECT_EQ(outline.theme(), without.get());
    EXPECT_TRUE(outline.makeDisclosureButton(&parent)->image().isNull());

    const QString bundle = folder.path() + "/Images.qxtheme";
    const Ref<TCardTheme> with =
        makeTheme(bundle, "<key>disclosureButtonImageOff</key><string>off.png</string>\n"
                          "<key>disclosureButtonImageOn</key><string>on.png</string>\n");
    for (const auto& [name, colour] : {std::pair{"off.png", Qt::red}, std::pair{"on.png", Qt::green}}) {
        QImage image(9, 9, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(bundle + "/" + name));
    }
    outline.setTheme(with.get());
    DisclosureButton* themed = outline.makeDisclosureButton(&parent);
    EXPECT_EQ(themed->image().pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(themed->alternateImage().pixelColor(4, 4), QColor(Qt::green));
    themed->resize(themed->sizeHint());
    EXPECT_EQ(render(*themed).pixelColor(4, 4), QColor(Qt::red));
    themed->setChecked(true); // open
    EXPECT_EQ(render(*themed).pixelColor(4, 4), QColor(Qt::green));

    // A theme naming an image that is not there keeps the triangle.
    const Ref<TCardTheme> broken = makeTheme(
        folder.path() + "/Broken.qxtheme", "<key>disclosureButtonImageOff</key><string>gone.png</string>\n");
    outline.setTheme(broken.get());
    Diagnostics::Capture capture;
    EXPECT_TRUE(outline.makeDisclosureButton(&parent)->image().isNull());
    EXPECT_EQ(capture.lines().size(), 1);
}
