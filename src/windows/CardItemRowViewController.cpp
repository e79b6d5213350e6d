#include "windows/CardItemRowViewController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "windows/GenericCardWindow.h"
#include "windows/GenericCardWindowController.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QPainter>
#include <QToolButton>

#include <cmath>

namespace {

const QString kShowInfoButton = QStringLiteral("showInfoButton");
const QString kHideInfoButtons = QStringLiteral("hideInfoButtons");
constexpr double kInfoButtonSize = 16.0;
constexpr double kInfoButtonInset = 6.0;

// The info image: an "i" in a ring, black (drawn in the text colour) or white on a dark card.
QIcon drawInfoImage(bool dark) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = dark ? QColor(Qt::white) : QColor(Qt::black);
    painter.setPen(QPen(color, 2.5));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    QFont font = painter.font();
    font.setPixelSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("i"));
    painter.end();
    return QIcon(pixmap);
}

// Drawn once for the process: every row's info button shares it (kept to the end, as pixmaps must
// not outlive the application object).
const QIcon& infoImage(bool dark) {
    static const auto* light = new QIcon(drawInfoImage(false));
    static const auto* darkIcon = new QIcon(drawInfoImage(true));
    return dark ? *darkIcon : *light;
}

QRectF truncated(const QRectF& rect) {
    return QRectF(std::trunc(rect.x()), std::trunc(rect.y()), std::trunc(rect.width()),
                  std::trunc(rect.height()));
}

} // namespace

void TCardItemBackgroundView::setController(TCardItemRowViewController* controller) {
    m_controller = controller;
    setMouseTracking(controller != nullptr);
}

void TCardItemBackgroundView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (m_controller) m_controller->mouseEntered(event->scenePosition());
}

void TCardItemBackgroundView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_controller) m_controller->mouseExited();
}

TCardItemRowViewController::TCardItemRowViewController(TCardItem* item, TCard* card)
    : m_cardItem(Ref<TCardItem>::retain(item)), m_card(Ref<TCard>::retain(card)) {}

TCardItemRowViewController::~TCardItemRowViewController() {
    Scheduler::shared().cancelAll(this);
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_cardItem && m_cardItem->GetViewRepresentation() == this) m_cardItem->SetViewRepresentation(nullptr);
    // The row's view goes with its controller, also while the outline shows it.
    if (isViewLoaded()) delete view();
}

void TCardItemRowViewController::load() {
    QWidget* root = view();
    if (auto* background = qobject_cast<TCardItemBackgroundView*>(root)) background->setController(this);
    awakeFromNib();
}

QWidget* TCardItemRowViewController::loadView() {
    return new TCardItemBackgroundView;
}

void TCardItemRowViewController::awakeFromNib() {
    auto* button = new QToolButton(rowView());
    button->setIcon(infoImage(m_card && m_card->IsDarkStyle()));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(QStringLiteral("Info"));
    button->setGeometry(0, 0, int(kInfoButtonSize), int(kInfoButtonSize));
    button->setIconSize(QSize(int(kInfoButtonSize), int(kInfoButtonSize)));
    button->hide();
    connect(button, &QToolButton::clicked, this, [this] { showInfo(); });
    m_infoButton = button;
    update();
    NotificationCenter::defaultCenter().addObserver(
        this, kHideInfoButtons, nullptr, [this](const Notification&) { hideInfoButtonNotification(); });
}

TRowBrowser* TCardItemRowViewController::browser() const {
    auto* self = const_cast<TCardItemRowViewController*>(this);
    if (!self->isViewLoaded()) return nullptr;
    for (QWidget* widget = self->view()->parentWidget(); widget; widget = widget->parentWidget())
        if (auto* browser = dynamic_cast<TRowBrowser*>(widget)) return browser;
    return nullptr;
}

qint32 TCardItemRowViewController::rowIndex() const {
    TRowBrowser* outline = browser();
    return outline ? outline->rowForItem(cardItem()) : -1;
}

TListKeyboardProtocol* TCardItemRowViewController::keyboardDelegate() const {
    TRowBrowser* outline = browser();
    return outline ? outline->keyboardDelegate() : nullptr;
}

TCardControllerProtocol* TCardItemRowViewController::owner() const {
    auto* self = const_cast<TCardItemRowViewController*>(this);
    if (!self->isViewLoaded() || !self->view()->parentWidget()) return nullptr;
    return TGenericCardWindowController::controllerOfWidget(self->view());
}

void TCardItemRowViewController::setUINeedsDisplay() {
    if (TCardControllerProtocol* controller = owner()) controller->setUINeedsDisplay();
}

void TCardItemRowViewController::update() {
    setUINeedsDisplay();
}

void TCardItemRowViewController::makeFirstResponder() {
    if (TRowBrowser* outline = browser()) outline->scrollRowToVisible(rowIndex());
}

void TCardItemRowViewController::recalculateRow() {
    if (m_infoButton) m_infoButton->setGeometry(truncated(infoButtonFrame()).toRect());
}

QRectF TCardItemRowViewController::infoButtonFrame() const {
    if (!m_infoButton) return {};
    const QSizeF size = m_infoButton->size();
    const double width = m_infoButton->parentWidget()->width();
    return QRectF(QPointF(width - size.width() - kInfoButtonInset, 0), size);
}

void TCardItemRowViewController::indentRow(QObject*) {
    if (TListKeyboardProtocol* delegate = keyboardDelegate()) delegate->indentRow(rowIndex());
}

void TCardItemRowViewController::insertRow(QObject*) {
    if (TListKeyboardProtocol* delegate = keyboardDelegate()) delegate->insertItemAtRow(rowIndex());
}

void TCardItemRowViewController::insertRowInside(QObject*) {
    if (TListKeyboardProtocol* delegate = keyboardDelegate()) delegate->insertItemInside(cardItem());
}

void TCardItemRowViewController::insertRowOutside(QObject*) {
    if (TListKeyboardProtocol* delegate = keyboardDelegate()) delegate->insertItemOutside(cardItem());
}

void TCardItemRowViewController::deleteRow(QObject*) {
    if (TListKeyboardProtocol* delegate = keyboardDelegate()) delegate->removeItemAtRow(rowIndex());
}

void TCardItemRowViewController::itemDidAddRow(TCardItem*) {
    if (m_didAddRow) return;
    recalculateRow();
    m_didAddRow = true;
}

void TCardItemRowViewController::itemDidRemoveRow(TCardItem*) {
    m_didAddRow = false;
}

void TCardItemRowViewController::itemDidScroll(TCardItem*) {
    mouseExited();
}

QPointF TCardItemRowViewController::currentMouseLocation() const {
    auto* self = const_cast<TCardItemRowViewController*>(this);
    QWidget* window = self->view()->window();
    return window->mapFromGlobal(QCursor::pos());
}

void TCardItemRowViewController::mouseEntered(const QPointF& windowLocation) {
    if (!displayInfoButton()) return;
    Scheduler::shared().cancelPrevious(this, kShowInfoButton);
    if (m_infoPopoverOpen) return;
    if (windowLocation == m_previousMouseLocation) return; // already shown at this very place
    // Shown in the active window only: the pointer crossing another card wakes nothing.
    if (!isViewLoaded() || !view()->isActiveWindow()) return;
    Scheduler::shared().performAfterDelay(this, kShowInfoButton, 0.5, [this] { showInfoButton(); });
}

void TCardItemRowViewController::mouseExited() {
    if (!displayInfoButton()) return;
    Scheduler::shared().cancelPrevious(this, kShowInfoButton);
    if (!m_infoPopoverOpen) hideInfoButton();
}

void TCardItemRowViewController::showInfoButton() {
    if (!NSPrefs().boolForKey(kPreferenceKeyAutoHideInfoButton)) return;
    if (!isViewLoaded() || !view()->isActiveWindow()) return;
    NotificationCenter::defaultCenter().post(kHideInfoButtons);
    if (m_infoButton->isHidden()) {
        m_infoButton->setGeometry(truncated(infoButtonFrame()).toRect());
        m_infoButton->show();
    }
    m_previousMouseLocation = currentMouseLocation();
}

void TCardItemRowViewController::hideInfoButton() {
    if (m_infoButton) m_infoButton->hide();
}

void TCardItemRowViewController::hideInfoButtonNotification() {
    if (!m_infoPopoverOpen) hideInfoButton();
}

void TCardItemRowViewController::showInfo() {
    if (!displayInfoButton() || !m_infoButton) {
        QApplication::beep();
        return;
    }
    QWidget* content = infoController();
    if (!content) {
        QApplication::beep();
        return;
    }
    if (m_infoButton->isHidden()) {
        m_infoButton->setGeometry(infoButtonFrame().toRect());
        m_infoButton->show();
    }
    m_infoPopoverOpen = true;
    auto* popover = new NSPopoverController(content);
    popover->setDelegate(this);
    popover->showRelativeToRect(QRectF(m_infoButton->rect()), m_infoButton, NSMaxXEdge);
}

void TCardItemRowViewController::popoverControllerWillClose(NSPopoverController*) {
    bool keep = false;
    if (NSPrefs().boolForKey(kPreferenceKeyAutoHideInfoButton) && m_infoButton)
        keep = m_infoButton->rect().contains(m_infoButton->mapFromGlobal(QCursor::pos()));
    if (!keep) hideInfoButton();
    m_infoPopoverOpen = false;
}
