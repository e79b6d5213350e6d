#include "ModelWidgets.h"

#include "model/Preferences.h"
#include "model/Themes.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/EKCalendar.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/ColorUtilities.h"
#include "utilities/UserDefaultsUtilities.h"
#include "utilities/widgets/NSColoredScroller.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTextEdit>
#include <QWidget>

namespace ModelWidgets {

namespace {

QAction* colourItem(QMenu* menu, const QString& title, const QColor& colour, const QString& action, int tag) {
    auto* item = new QAction(title, menu);
    item->setData(colour);
    item->setProperty("action", action);
    item->setProperty("tag", tag);
    const QImage swatch = ColorWellImage(colour);
    if (!swatch.isNull()) item->setIcon(QIcon(QPixmap::fromImage(swatch)));
    return item;
}

const char* const kTextSwitches[] = {"continuousSpellCheckingEnabled",  "automaticSpellingCorrectionEnabled",
                                     "grammarCheckingEnabled",          "smartInsertDeleteEnabled",
                                     "automaticTextReplacementEnabled", "automaticQuoteSubstitutionEnabled"};

} // namespace

void UpdateTextViewPreferences(QTextEdit* textView) {
    if (!textView) return;
    UserDefaults& defaults = NSPrefs();
    if (!textView->isReadOnly()) {
        for (const char* key : kTextSwitches)
            textView->setProperty(key, defaults.boolForKey(QString::fromLatin1(key)));
        textView->setProperty("automaticLinkDetectionEnabled", true);
        textView->setProperty("automaticDataDetectionEnabled", true);
    }
    const QColor caret = UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyInsertionPointColor)
                             .value_or(QColor(Qt::black));
    textView->setProperty("insertionPointColor", caret);
    QPalette palette = textView->palette();
    const QColor selected =
        UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeySelectedTextBackgroundColor)
            .value_or(palette.color(QPalette::Active, QPalette::Highlight));
    const QColor selectedText = QApplication::palette().color(QPalette::Active, QPalette::HighlightedText);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, selected);
        palette.setColor(group, QPalette::HighlightedText, selectedText);
    }
    textView->setPalette(palette);
}

QMenu* CardColorMenu(const QString& action, const QColor& current, QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const QVariant& entry : DefaultCardColors()) {
        const QVariantMap colour = entry.toMap();
        const QColor value = colour.value(QStringLiteral("color")).value<QColor>();
        if (ColorWellImage(value).isNull()) continue;
        QAction* item = colourItem(menu, colour.value(QStringLiteral("name")).toString(), value, action, 0);
        menu->insertAction(menu->actions().value(0), item); // at the top: White ends up first
    }
    menu->addSeparator();
    QAction* other =
        colourItem(menu, QStringLiteral("Other..."), current, QStringLiteral("changeCardColor:"), -1);
    if (!current.isValid()) {
        other->setData(QVariant());
        other->setIcon(QIcon());
    }
    menu->addAction(other);
    return menu;
}

QMenu* ColorMenuForNamedList(const QString& listName, const QString& action, QWidget* parent) {
    auto* menu = new QMenu(parent);
    if (listName != QStringLiteral("SVG")) return menu;
    for (const QString& name : QColor::colorNames()) {
        const QColor colour = QColor::fromString(name);
        if (colour.lightnessF() < 0.1f) continue;
        menu->addAction(colourItem(menu, name, colour, action, 0));
    }
    return menu;
}

QList<QAction*> AvailableCalendarsForEvent() {
    QList<QAction*> items;
    const std::shared_ptr<EKEventStore> store = EventStore();
    if (!store) return items;
    for (const std::shared_ptr<EKCalendar>& calendar : store->calendarsForEntityType(EKEntityTypeEvent)) {
        if (!calendar || !calendar->allowsContentModifications()) continue;
        auto* item = new QAction(calendar->title());
        item->setData(calendar->calendarIdentifier());
        QColor colour = ColorUtilities::colorWithCGRGB(calendar->color());
        colour.setAlphaF(1.0f);
        const QImage swatch = ColorWellImage(colour);
        if (!swatch.isNull()) item->setIcon(QIcon(QPixmap::fromImage(swatch)));
        items.append(item);
    }
    return items;
}

NSColoredScroller* GetVerticalScroller(const TCardTheme&, QWidget* parent) {
    NSColoredScroller* scroller = NSColoredScroller::verticalScroller(
        NSColoredScroller::ControlSize::Small, QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.5f), Qt::transparent);
    if (parent) scroller->setParent(parent);
    return scroller;
}

bool WidgetApplicationActivation::isActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void WidgetApplicationActivation::beep() {
    QApplication::beep();
}

void WidgetApplicationActivation::activateIgnoringOtherApps() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isWindow()) {
            window->raise();
            window->activateWindow();
            return;
        }
}

void WidgetApplicationActivation::hide() {
    m_hidden.clear();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isWindow()) {
            m_hidden.append(window);
            window->hide();
        }
}

void WidgetApplicationActivation::arrangeInFront() {
    for (const QPointer<QWidget>& window : std::as_const(m_hidden))
        if (window) window->show();
    m_hidden.clear();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isWindow()) window->raise();
    activateIgnoringOtherApps();
}

} // namespace ModelWidgets
