#include "ScreenProvider.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

ScreenProvider* g_installed = nullptr;

QScreen* primary() {
    return QGuiApplication::primaryScreen();
}

class SystemScreenProvider : public ScreenProvider {
public:
    SystemScreenProvider() {
        auto watch = [this](QScreen* screen) {
            connect(screen, &QScreen::geometryChanged, this, &ScreenProvider::screensChanged);
            connect(screen, &QScreen::availableGeometryChanged, this, &ScreenProvider::screensChanged);
        };
        for (QScreen* screen : QGuiApplication::screens()) watch(screen);
        connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
            watch(screen);
            emit screensChanged();
        });
        connect(qApp, &QGuiApplication::screenRemoved, this, &ScreenProvider::screensChanged);
        connect(qApp, &QGuiApplication::primaryScreenChanged, this, &ScreenProvider::screensChanged);
    }
};

} // namespace

ScreenProvider& ScreenProvider::shared() {
    if (g_installed) return *g_installed;
    static SystemScreenProvider* system = new SystemScreenProvider; // lives as long as the program
    return *system;
}

void ScreenProvider::setShared(ScreenProvider* provider) {
    g_installed = provider;
}

QRect ScreenProvider::availableGeometry(const QWidget* window) const {
    QScreen* screen = window ? window->screen() : nullptr;
    if (!screen) screen = primary();
    return screen ? screen->availableGeometry() : QRect();
}

QRect ScreenProvider::availableGeometryAt(const QPoint& point) const {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = primary();
    return screen ? screen->availableGeometry() : QRect();
}

QRect ScreenProvider::mainScreenGeometry() const {
    QScreen* screen = primary();
    return screen ? screen->geometry() : QRect();
}

QList<QRect> ScreenProvider::availableGeometries() const {
    QList<QRect> result;
    QScreen* main = primary();
    if (main) result << main->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != main) result << screen->availableGeometry();
    return result;
}

FixedScreenProvider::FixedScreenProvider(const QRect& mainScreen, const QRect& mainAvailable)
    : m_main(mainScreen), m_available(mainAvailable.isNull() ? mainScreen : mainAvailable) {
    setShared(this);
}

FixedScreenProvider::~FixedScreenProvider() {
    if (&shared() == this) setShared(nullptr);
}

void FixedScreenProvider::setMainScreen(const QRect& screen, const QRect& available) {
    m_main = screen;
    m_available = available.isNull() ? screen : available;
    emit screensChanged();
}

QRect FixedScreenProvider::availableGeometry(const QWidget* window) const {
    return availableGeometryAt(window ? window->geometry().center() : m_main.center());
}

QRect FixedScreenProvider::availableGeometryAt(const QPoint& point) const {
    for (const QRect& other : m_others)
        if (other.contains(point)) return other;
    return m_available;
}

QList<QRect> FixedScreenProvider::availableGeometries() const {
    return QList<QRect>{m_available} + m_others;
}
