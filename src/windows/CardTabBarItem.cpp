#include "CardTabBarItem.h"

#include "CardTabs.h"
#include "CardWindowController.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSTabItemCloseButtonCell.h"
#include "toolkit/NSTabbedBar.h"
#include "utilities/ImageUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

TCardTabItemViewController::TCardTabItemViewController(TCard* card) : m_card(card) {
    CardTabs::retainCard(m_card);
}

TCardTabItemViewController::~TCardTabItemViewController() {
    CardTabs::releaseCard(m_card);
}

void TCardTabItemViewController::setup() {
    NSTabItemViewController::setup();
    disconnect(closeButton(), &QAbstractButton::clicked, nullptr, nullptr);
    connect(closeButton(), &QAbstractButton::clicked, this, [this] { closeTab(); });
    setAutoHideButtons(true);
    updateStyle();
}

void TCardTabItemViewController::updateStyle() {
    if (!m_card) return;
    if (QImage image = CardTabs::closeImage(m_card); !image.isNull()) {
        auto* controller =
            qobject_cast<TCardWindowController*>(TGenericCardWindowController::controllerOfWidget(view()));
        if (controller && controller->isDarkStyle()) image = ImageUtilities::invertedImage(image);
        closeButton()->setIcon(QPixmap::fromImage(image));
    }
    if (item()) {
        QPalette palette = labelField()->palette();
        palette.setColor(QPalette::WindowText, item()->textColor());
        labelField()->setPalette(palette);
    }
}

void TCardTabItemViewController::closeTab() {
    auto* controller =
        qobject_cast<TCardWindowController*>(TGenericCardWindowController::controllerOfWidget(view()));
    if (controller && m_card) controller->closeTab(m_card);
}

TCardTabBarItem::TCardTabBarItem(TCard* card)
    : NSTabbedBarItem(CardTabs::title(card), CardTabs::identifier(card),
                      new TCardTabItemViewController(card)) {}

TCard* TCardTabBarItem::card() const {
    auto* controller = qobject_cast<TCardTabItemViewController*>(contentViewController());
    return controller ? controller->card() : nullptr;
}

QFont TCardTabBarItem::textFont() const {
    return UserDefaultsUtilities::fontForKey(UserDefaults::standardUserDefaults(), kPreferenceKeyTabFont)
        .value_or(NSTabbedBarItem::textFont());
}

bool TCardTabBarItem::isDarkStyle() const {
    return CardTabs::rootIsDark(card());
}

QColor TCardTabBarItem::textColorFor(bool active, bool selected, bool dark) {
    if (active) {
        if (selected) return Qt::white;
        return dark ? QColor::fromRgbF(1, 1, 1, 0.75f) : QColor(Qt::black);
    }
    if (selected) return QColor::fromRgbF(1, 1, 1, 0.75f);
    return dark ? QColor::fromRgbF(1, 1, 1, 0.4f) : QColor::fromRgbF(0, 0, 0, 0.5f);
}

QColor TCardTabBarItem::textColor() const {
    return textColorFor(isActive(), isSelected(), isDarkStyle());
}

void TCardTabBarItem::drawSelection(QPainter& painter) {
    const bool selected = isSelected();
    const bool active = isActive();
    double fill;
    if (selected)
        fill = active ? (isTrackingDrag() ? 0.6 : 0.4) : (isTrackingDrag() ? 0.4 : 0.2);
    else
        fill = active ? (isTrackingDrag() ? 0.35 : 0.15) : (isTrackingDrag() ? 0.25 : 0.05);
    const double inner = selected ? (active ? 0.5 : 0.25) : (active ? 0.2 : 0.1);
    QRectF bounds = QRectF(rect());
    bounds.setHeight(bounds.height() + 8);
    QPainterPath path;
    path.addRoundedRect(bounds, 8, 8);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, static_cast<float>(fill)));
    painter.setClipPath(path);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, static_cast<float>(inner)), 1));
    painter.drawLine(bounds.topLeft() + QPointF(0, 0.5), bounds.topRight() + QPointF(0, 0.5));
    painter.restore();
}

namespace CardTabs {

NSBarItem* makeTab(TCard* card) {
    return new TCardTabBarItem(card);
}

TCard* cardOfTab(const NSBarItem* item) {
    auto* tab = qobject_cast<const TCardTabBarItem*>(item);
    return tab ? tab->card() : nullptr;
}

void updateStyles(NSTabbedBar* bar) {
    for (NSBarItem* item : bar->items())
        if (auto* tab = qobject_cast<TCardTabBarItem*>(item))
            if (auto* controller = qobject_cast<TCardTabItemViewController*>(tab->contentViewController()))
                controller->updateStyle();
}

bool retitle(NSTabbedBar* bar, const QString& identifier, const QString& title) {
    NSTabbedBarItem* tab = bar->itemWithIdentifier(identifier);
    if (!tab) return false;
    tab->setText(title);
    tab->reloadViewController();
    tab->adjustWidth();
    return true;
}

} // namespace CardTabs
