#include "windows/StatusBarBadge.h"

#include "utilities/ImageUtilities.h"

#include <QIcon>
#include <QPixmap>
#include <QToolButton>

namespace {
constexpr int kBadgeImageSize = 16;
}

TStatusBarBadge::TStatusBarBadge(QToolButton* button) : m_button(button) {
    const QSizeF size(button->size());
    hostView(button);
    setFrame(QRectF(QPointF(0, 0), size));
    button->setGeometry(rect()); // a hidden item hears of its new size only once shown
}

TStatusBarBadge* TStatusBarBadge::badgeWithImageNamed(const QString& imageName, const QString& title,
                                                      const QString& help, bool darkStyle,
                                                      std::function<void()> action) {
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
    button->setIconSize(QSize(kBadgeImageSize, kBadgeImageSize));
    button->setGeometry(0, 0, kBadgeImageSize, 0);
    if (action)
        QObject::connect(button, &QToolButton::clicked, button, [action = std::move(action)] { action(); });

    QImage image = ImageUtilities::templateNamed(imageName);
    if (!image.isNull()) {
        image = ImageUtilities::imageByScalingToSize(image, QSizeF(kBadgeImageSize, kBadgeImageSize));
        if (darkStyle) image = ImageUtilities::invertedImage(image);
    }
    button->setIcon(QIcon(QPixmap::fromImage(image)));

    if (!title.isEmpty()) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setText(title);
        button->resize(button->sizeHint());
    } else {
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->resize(kBadgeImageSize, kBadgeImageSize);
    }
    if (!help.isEmpty()) button->setToolTip(help);
    return new TStatusBarBadge(button);
}
