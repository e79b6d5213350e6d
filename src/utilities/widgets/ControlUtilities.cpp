#include "ControlUtilities.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextEdit>
#include <ctime>

namespace SegmentedControlUtilities {

void selectAllSegments(QButtonGroup* group, bool selected) {
    if (!group) return;
    for (QAbstractButton* button : group->buttons()) button->setChecked(selected);
}

int tagOfSelectedSegment(const QButtonGroup* group) {
    return group ? group->checkedId() : -1;
}

} // namespace SegmentedControlUtilities

namespace MenuItemUtilities {

QAction* itemWithTitleActionTarget(const QString& title, std::function<void()> action, QObject* target) {
    auto* item = new QAction(title, target);
    item->setShortcut(QKeySequence());
    if (action) QObject::connect(item, &QAction::triggered, target ? target : item, [action] { action(); });
    return item;
}

QAction* itemWithTitleActionTargetTag(const QString& title, std::function<void()> action, QObject* target,
                                      int tag) {
    QAction* item = itemWithTitleActionTarget(title, std::move(action), target);
    item->setProperty("tag", tag);
    return item;
}

QAction* itemWithTitleActionTargetRepresentedObject(const QString& title, std::function<void()> action,
                                                    QObject* target, const QVariant& representedObject) {
    QAction* item = itemWithTitleActionTarget(title, std::move(action), target);
    item->setData(representedObject);
    return item;
}

QAction* itemWithTitleSubmenu(const QString& title, QMenu* submenu) {
    auto* item = new QAction(title);
    item->setMenu(submenu);
    return item;
}

int tag(const QAction* item) {
    return item ? item->property("tag").toInt() : 0;
}

void setTitleAttributes(QAction* item, const QFont& font) {
    if (item) item->setFont(font);
}

void setChecked(QAction* item, bool checked) {
    if (!item) return;
    item->setCheckable(true);
    item->setChecked(checked);
}

bool checkedState(const QAction* item) {
    return item && item->isCheckable() && item->isChecked();
}

} // namespace MenuItemUtilities

namespace MenuUtilities {

void setMenuItemCheckedAtIndex(QMenu* menu, bool checked, int index) {
    if (!menu || index < 0 || index >= menu->actions().size()) return;
    MenuItemUtilities::setChecked(menu->actions().at(index), checked);
}

} // namespace MenuUtilities

namespace EventUtilities {

namespace {

// Notes when the program last saw an input event.
class InputWatch : public QObject {
public:
    InputWatch() {
        m_since.start();
        if (qApp) qApp->installEventFilter(this);
    }
    double seconds() const { return static_cast<double>(m_since.elapsed()) / 1000.0; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (dynamic_cast<QInputEvent*>(event)) m_since.restart();
        return false;
    }

private:
    QElapsedTimer m_since;
};

double upTimeStamp() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 ms = static_cast<quint64>(now.tv_sec) * 1000 + static_cast<quint64>(now.tv_nsec) / 1000000;
    return static_cast<double>(static_cast<quint32>(ms));
}

} // namespace

std::unique_ptr<QMouseEvent> mouseEventWithType(QEvent::Type type) {
    const QPoint global = QCursor::pos();
    QWidget* window = QApplication::widgetAt(global);
    if (window) window = window->window();
    if (!window) window = QApplication::activeWindow();
    const QPointF local = window ? QPointF(window->mapFromGlobal(global)) : QPointF(global);
    auto event = std::make_unique<QMouseEvent>(type, local, local, QPointF(global), Qt::NoButton,
                                               Qt::NoButton, Qt::NoModifier);
    event->setTimestamp(static_cast<quint64>(upTimeStamp()));
    return event;
}

double timeSinceLastEvent() {
    static InputWatch* watch = new InputWatch; // lives with the application
    return watch->seconds();
}

QPointF locationInView(const QMouseEvent* event, const QWidget* view) {
    if (!event || !view) return {};
    return QPointF(view->mapFrom(view->window(), event->scenePosition().toPoint())) +
           (event->scenePosition() - event->scenePosition().toPoint());
}

char keyChar(const QKeyEvent* event) {
    const QByteArray bytes = event ? event->text().toUtf8() : QByteArray();
    return bytes.isEmpty() ? 0 : bytes.at(0);
}

char16_t keyUnicode(const QKeyEvent* event) {
    if (!event) return 0;
    if (event->key() == Qt::Key_Enter) return 3;
    if (event->key() == Qt::Key_Return) return 13;
    const QString text = event->text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

bool isCommandKeyDown(const QInputEvent* event) {
    return event && (event->modifiers() & Qt::ControlModifier);
}
bool isOptionKeyDown(const QInputEvent* event) {
    return event && (event->modifiers() & Qt::AltModifier);
}
bool isShiftKeyDown(const QInputEvent* event) {
    return event && (event->modifiers() & Qt::ShiftModifier);
}
bool isControlKeyDown(const QInputEvent* event) {
    return event && (event->modifiers() & Qt::MetaModifier);
}

bool isReturnKey(const QKeyEvent* event) {
    const char16_t unit = keyUnicode(event);
    return unit == 13 || unit == 3;
}

} // namespace EventUtilities

namespace PopupButtonUtilities {

int tagOfSelectedItem(const QComboBox* popup) {
    return popup ? popup->currentData(kTagRole).toInt() : 0;
}

int itemWithTag(const QComboBox* popup, int tag) {
    return popup ? popup->findData(tag, kTagRole) : -1;
}

void selectItemWithRepresentedObject(QComboBox* popup, const QVariant& object) {
    if (popup) popup->setCurrentIndex(popup->findData(object, kRepresentedObjectRole));
}

} // namespace PopupButtonUtilities

namespace BoxUtilities {

void setEnabled(QGroupBox* box, bool enabled) {
    if (!box) return;
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool control = qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
                             qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractSpinBox*>(child) ||
                             qobject_cast<QAbstractSlider*>(child) || qobject_cast<QTextEdit*>(child);
        if (control) child->setEnabled(enabled);
    }
}

} // namespace BoxUtilities

namespace ButtonUtilities {

void setChecked(QAbstractButton* button, bool checked) {
    if (!button) return;
    button->setCheckable(true);
    button->setChecked(checked);
}

bool checkedState(const QAbstractButton* button) {
    if (const auto* box = qobject_cast<const QCheckBox*>(button)) return box->checkState() == Qt::Checked;
    return button && button->isChecked();
}

} // namespace ButtonUtilities

namespace TokenFieldUtilities {

QStringList tokens(const QLineEdit* field) {
    QStringList result;
    if (!field) return result;
    for (const QString& part : field->text().split(',')) {
        const QString token = part.trimmed();
        if (!token.isEmpty()) result << token;
    }
    return result;
}

} // namespace TokenFieldUtilities
