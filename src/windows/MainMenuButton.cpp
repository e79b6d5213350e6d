#include "windows/MainMenuButton.h"

#include <QMenu>
#include <QPointer>
#include <QToolButton>

namespace MainMenuButton {

namespace {
QPointer<QMenu>& shared() {
    static QPointer<QMenu> menu;
    return menu;
}
} // namespace

void setMenu(QMenu* menu) {
    shared() = menu;
}

QMenu* menu() {
    return shared();
}

QToolButton* make(QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("menuButton"));
    button->setAccessibleName(QStringLiteral("Menu"));
    button->setToolTip(QStringLiteral("Menu"));
    button->setText(QStringLiteral("\u2630"));
    button->setAutoRaise(true);
    // The focus stays where the commands act.
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, button, [button] {
        if (QMenu* main = menu()) main->popup(button->mapToGlobal(QPoint(0, button->height())));
    });
    return button;
}

} // namespace MainMenuButton
