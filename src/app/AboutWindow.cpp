#include "AboutWindow.h"

#include "ApplicationIcon.h"

#include "model/Globals.h"
#include "platform/ApplicationInfo.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QPointer<AboutWindow>& openWindow() {
    static QPointer<AboutWindow> window;
    return window;
}

} // namespace

QString AboutWindow::edition() {
    if (isMini()) return QStringLiteral("Mini");
    if (isMemoleaf()) return QStringLiteral("Memoleaf");
    return QStringLiteral("Full");
}

QStringList AboutWindow::lines() {
    return {
        NSBundleName(),
        QStringLiteral("%1 edition").arg(edition()),
        QStringLiteral("Version %1").arg(ApplicationInfo::version()),
        QStringLiteral("Built with Qt %1, running on Qt %2").arg(QStringLiteral(QT_VERSION_STR), qVersion()),
        QStringLiteral("Qt is used under the GNU Lesser General Public License version 3."),
        QStringLiteral("libplist is used under the GNU Lesser General Public License version 2.1."),
        QStringLiteral("libical is used under the Mozilla Public License 2.0 or the GNU Lesser General "
                       "Public License version 2.1."),
        QStringLiteral("PCRE2 is used under the BSD licence (with the PCRE2 exception)."),
        QStringLiteral("Hunspell is used under the Mozilla Public License 1.1, the GNU General Public "
                       "License version 2 or the GNU Lesser General Public License version 2.1.")};
}

AboutWindow::AboutWindow() : QWidget(nullptr, Qt::Dialog) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About %1").arg(NSBundleName()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    const QStringList text = lines();
    for (int i = 0; i < text.size(); ++i) {
        auto* label = new QLabel(text[i], this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (i == 0) {
            QFont font = label->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.4);
            label->setFont(font);
        } else if (i == 4) {
            layout->addSpacing(8);
        }
        layout->addWidget(label);
    }
    setFixedWidth(420);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Close)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

AboutWindow* AboutWindow::showAbout() {
    if (!openWindow()) openWindow() = new AboutWindow;
    AboutWindow* window = openWindow();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
