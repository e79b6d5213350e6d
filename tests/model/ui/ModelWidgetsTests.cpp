#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/Themes.h"
#include "model/ui/ModelWidgets.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/UserDefaultsUtilities.h"
#include "utilities/widgets/NSColoredScroller.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(ModelWidgets, CardColorMenu) {
    std::unique_ptr<QMenu> menu(ModelWidgets::CardColorMenu("changeBackgroundColor:"));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 9);
    EXPECT_EQ(items[0]->text(), "White");
    EXPECT_EQ(items[6]->text(), "Yellow");
    EXPECT_TRUE(items[7]->isSeparator());
    EXPECT_EQ(items[8]->text(), "Other...");
    EXPECT_EQ(items[8]->property("tag").toInt(), -1);
    EXPECT_EQ(items[8]->property("action").toString(), "changeCardColor:");
    EXPECT_FALSE(items[8]->data().isValid());
    EXPECT_EQ(items[1]->property("action").toString(), "changeBackgroundColor:");
    EXPECT_NEAR(items[1]->data().value<QColor>().redF(), 0.947, 1e-3); // Purple

    std::unique_ptr<QMenu> withCurrent(ModelWidgets::CardColorMenu("changeBackgroundColor:", Qt::darkGreen));
    EXPECT_EQ(withCurrent->actions()[8]->data().value<QColor>(), QColor(Qt::darkGreen));
    EXPECT_FALSE(withCurrent->actions()[8]->icon().isNull());

    std::unique_ptr<QMenu> none(ModelWidgets::ColorMenuForNamedList("No Such List", "x:"));
    EXPECT_TRUE(none->actions().isEmpty());
    std::unique_ptr<QMenu> svg(ModelWidgets::ColorMenuForNamedList("SVG", "x:"));
    EXPECT_FALSE(svg->actions().isEmpty());
    for (QAction* item : svg->actions()) EXPECT_NE(item->text(), "black");
}

TEST(ModelWidgets, TextViewPreferences) {
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.plist"));
    UserDefaults::setStandardUserDefaults(&defaults);
    PopulateDefaultPreferences();
    UserDefaultsUtilities::setColorForKey(defaults, Qt::magenta, kPreferenceKeySelectedTextBackgroundColor);
    UserDefaultsUtilities::setColorForKey(defaults, Qt::red, kPreferenceKeyInsertionPointColor);

    QTextEdit editable, readOnly;
    readOnly.setReadOnly(true);
    readOnly.setProperty("continuousSpellCheckingEnabled", false);
    ModelWidgets::UpdateTextViewPreferences(&editable);
    ModelWidgets::UpdateTextViewPreferences(&readOnly);
    ModelWidgets::UpdateTextViewPreferences(nullptr);

    EXPECT_TRUE(editable.property("continuousSpellCheckingEnabled").toBool());
    EXPECT_FALSE(editable.property("grammarCheckingEnabled").toBool());
    EXPECT_TRUE(editable.property("automaticLinkDetectionEnabled").toBool());
    // A read-only view keeps its switches but takes the colours.
    EXPECT_FALSE(readOnly.property("continuousSpellCheckingEnabled").toBool());
    EXPECT_FALSE(readOnly.property("automaticLinkDetectionEnabled").isValid());
    for (QTextEdit* view : {&editable, &readOnly}) {
        EXPECT_EQ(view->palette().color(QPalette::Active, QPalette::Highlight), QColor(Qt::magenta));
        EXPECT_EQ(view->property("insertionPointColor").value<QColor>(), QColor(Qt::red));
    }
    UserDefaults::setStandardUserDefaults(nullptr);
}

TEST(ModelWidgets, CalendarsThatTakeEvents) {
    EXPECT_TRUE(ModelWidgets::AvailableCalendarsForEvent().isEmpty());
    auto store = FakeEventStore::create();
    store->addCalendar("a", "Home", {1.0f, 0.0f, 0.0f, 0.4f});
    store->addCalendar("b", "Holidays", {0.0f, 1.0f, 0.0f, 1.0f}, false);
    SetEventStore(store);
    const QList<QAction*> items = ModelWidgets::AvailableCalendarsForEvent();
    QStringList titles;
    for (QAction* item : items) titles << item->text();
    EXPECT_TRUE(titles.contains("Home"));
    EXPECT_FALSE(titles.contains("Holidays"));
    for (QAction* item : items) {
        if (item->text() == "Home") {
            EXPECT_EQ(item->data().toString(), "a");
            EXPECT_EQ(item->icon().pixmap(22, 14).toImage().pixelColor(10, 7),
                      QColor(Qt::red)); // opaque swatch
        }
        delete item;
    }
    SetEventStore(nullptr);
}

TEST(ModelWidgets, ThemeScroller) {
    Ref<TCardTheme> theme = Ref<TCardTheme>::adopt(
        static_cast<TCardTheme*>(TTheme::CreateOf(TCardTheme::StaticClass(), "/nonexistent/Plain.qxtheme")));
    std::unique_ptr<NSColoredScroller> scroller(ModelWidgets::GetVerticalScroller(*theme));
    EXPECT_EQ(scroller->orientation(), Qt::Vertical);
}

} // namespace
