#include "NSTabItemViewController.h"

#include "NSTabItemCloseButtonCell.h"
#include "NSTabItemContentView.h"
#include "NSTabbedBarItem.h"
#include "utilities/StringUtilities.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>

NSTabItemViewController::NSTabItemViewController(QObject* parent) : NSViewController(parent) {}

QWidget* NSTabItemViewController::loadView() {
    auto* view = new NSTabItemContentView;
    m_closeButton = new NSTabItemCloseButtonCell(view);
    m_labelField = new QLabel(view);
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(m_closeButton);
    layout->addWidget(m_labelField, 1);
    connect(m_closeButton, &QAbstractButton::clicked, this, [this] { closeTab(); });
    return view;
}

NSTabItemCloseButtonCell* NSTabItemViewController::closeButton() {
    view();
    return m_closeButton;
}

QLabel* NSTabItemViewController::labelField() {
    view();
    return m_labelField;
}

void NSTabItemViewController::setItem(NSTabbedBarItem* item) {
    m_item = item;
    reload();
}

void NSTabItemViewController::setAutoHideButtons(bool hide) {
    if (hide == m_autoHideButtons) return;
    m_autoHideButtons = hide;
    reload();
}

void NSTabItemViewController::reload() {
    if (!m_item) return;
    QLabel* label = labelField();
    label->setFont(m_item->textFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, m_item->textColor());
    label->setPalette(palette);
    label->setText(m_item->text());
    closeButton()->setEnabled(m_item->isActive());
    adjustWidth();
    if (!m_didSetup) {
        setup();
        m_didSetup = true;
    }
    // Hidden buttons show only while the pointer is over the tab; the others always show.
    setCloseButtonAlpha(!m_autoHideButtons || view()->underMouse() ? 1 : 0);
}

void NSTabItemViewController::setup() {
    static_cast<NSTabItemContentView*>(view())->setController(this);
}

void NSTabItemViewController::adjustWidth() {
    QWidget* content = view();
    const double text = StringUtilities::sizeWithFont(labelField()->text(), labelField()->font()).width();
    content->resize(static_cast<int>(2 * closeButton()->width() + text + 12), content->height());
}

void NSTabItemViewController::setCloseButtonAlpha(double alpha) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(closeButton()->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(closeButton());
        closeButton()->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

void NSTabItemViewController::mouseEntered() {
    if (m_autoHideButtons) setCloseButtonAlpha(1);
}

void NSTabItemViewController::mouseExited() {
    if (m_autoHideButtons) setCloseButtonAlpha(0);
}

void NSTabItemViewController::closeTab() {
    QWidget* window = view()->window();
    window->setProperty("performCloseSender", QVariant::fromValue<QObject*>(m_item));
    window->close();
    window->setProperty("performCloseSender", QVariant());
}

bool NSTabItemViewController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && watched == view()->window())
        closeButton()->setVisible(!view()->window()->isFullScreen());
    return NSViewController::eventFilter(watched, event);
}
