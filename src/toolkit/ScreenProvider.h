#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

// Where windows of the toolkit find the screens, in Qt's global (y-down) coordinates. The system's
// provider reads QGuiApplication's screens; tests install one with screens of their own. Emits
// screensChanged when a screen is added or removed or changes its geometry. Main thread only.
class ScreenProvider : public QObject {
    Q_OBJECT
public:
    // The system's provider unless setShared installed another.
    static ScreenProvider& shared();
    // Installs a provider (not owned); null restores the system's.
    static void setShared(ScreenProvider* provider);

    // The available area (without panels) of the window's screen; the primary screen's when the
    // window has none.
    virtual QRect availableGeometry(const QWidget* window) const;
    // The available area of the screen holding the point; the primary screen's when none does.
    virtual QRect availableGeometryAt(const QPoint& point) const;
    // The whole primary screen.
    virtual QRect mainScreenGeometry() const;
    // The available areas of all screens, the primary screen's first.
    virtual QList<QRect> availableGeometries() const;

signals:
    void screensChanged();

protected:
    ScreenProvider() = default;
};

// Screens fixed by a test: one main screen and, optionally, more. Installs itself while it lives.
class FixedScreenProvider : public ScreenProvider {
    Q_OBJECT
public:
    explicit FixedScreenProvider(const QRect& mainScreen, const QRect& mainAvailable = {});
    ~FixedScreenProvider() override;

    // Changes the main screen and tells the observers, as a change of resolution does.
    void setMainScreen(const QRect& screen, const QRect& available = {});
    void addScreen(const QRect& screen) { m_others.push_back(screen); }

    QRect availableGeometry(const QWidget* window) const override;
    QRect availableGeometryAt(const QPoint& point) const override;
    QRect mainScreenGeometry() const override { return m_main; }
    QList<QRect> availableGeometries() const override;

private:
    QRect m_main;
    QRect m_available;
    QList<QRect> m_others;
};
