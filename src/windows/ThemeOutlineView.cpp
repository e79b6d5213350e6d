#include "windows/ThemeOutlineView.h"

#include "model/Themes.h"
#include "platform/Diagnostics.h"
#include "utilities/CocoaUtilities.h"
#include "windows/DisclosureButton.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace {

const char* const kGuardedPolicy = "jobslateGuardedFocusPolicy";
// The bit that Qt::WheelFocus adds to Qt::StrongFocus.
constexpr int kWheelBit = int(Qt::WheelFocus) & ~int(Qt::StrongFocus);

} // namespace

bool TThemeOutlineView::isMouseDown(const QEvent* event) {
    if (!event || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick))
        return false;
    const auto button = static_cast<const QMouseEvent*>(event)->button();
    return button == Qt::LeftButton || button == Qt::RightButton;
}

TThemeOutlineView::TThemeOutlineView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void TThemeOutlineView::setTheme(TCardTheme* theme) {
    m_theme = theme;
    viewport()->update();
}

DisclosureButton* TThemeOutlineView::makeDisclosureButton(QWidget* parent) {
    auto* button = new DisclosureButton(parent);
    const QString off = QStringLiteral("disclosureButtonImageOff");
    if (m_theme && m_theme->ContainsProperty(off)) {
        try {
            button->setImages(m_theme->GetImage(off),
                              m_theme->GetImage(QStringLiteral("disclosureButtonImageOn")));
        } catch (const CocoaUtilities::Exception& error) {
            Diagnostics::warning(QString::fromUtf8(error.what()));
        }
    }
    return button;
}

bool TThemeOutlineView::validateProposedFirstResponder(QWidget*, const QEvent* event) const {
    if (!event) return true;
    if (event->type() == QEvent::Wheel) return false;
    if (!isMouseDown(event)) return true;
    const QPointF at = static_cast<const QMouseEvent*>(event)->globalPosition();
    const qint64 row = rowAtPoint(viewport()->mapFromGlobal(at).toPoint());
    return row >= 0 && isRowSelected(row);
}

void TThemeOutlineView::guardFirstResponder(QWidget* responder) {
    if (!responder || responder->property(kGuardedPolicy).isValid()) return;
    // A click no longer focuses the widget by itself: the filter decides, for clicks on the widget
    // and on its parts (a text view's viewport).
    const Qt::FocusPolicy policy = responder->focusPolicy();
    responder->setProperty(kGuardedPolicy, int(policy));
    responder->setFocusPolicy(Qt::FocusPolicy(int(policy) & ~(int(Qt::ClickFocus) | kWheelBit)));
    responder->installEventFilter(this);
    for (QWidget* part : responder->findChildren<QWidget*>()) part->installEventFilter(this);
}

bool TThemeOutlineView::eventFilter(QObject* watched, QEvent* event) {
    QWidget* responder = isMouseDown(event) ? qobject_cast<QWidget*>(watched) : nullptr;
    while (responder && !responder->property(kGuardedPolicy).isValid()) responder = responder->parentWidget();
    if (!responder) return QAbstractScrollArea::eventFilter(watched, event);
    // The widget being edited keeps its clicks.
    if (responder->hasFocus()) return false;
    if (validateProposedFirstResponder(responder, event)) {
        const auto policy = Qt::FocusPolicy(responder->property(kGuardedPolicy).toInt());
        if (policy & Qt::ClickFocus) responder->setFocus(Qt::MouseFocusReason);
        return false;
    }
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const QPointF at = viewport()->mapFromGlobal(mouse->globalPosition());
    QMouseEvent forwarded(mouse->type(), at, mouse->globalPosition(), mouse->button(), mouse->buttons(),
                          mouse->modifiers(), mouse->pointingDevice());
    QCoreApplication::sendEvent(viewport(), &forwarded);
    return true;
}
