#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

// The backdrop of dashboard mode: a frameless window over the main screen that shows the colour
// "desktopColor" and over it a picture (the desktop's own through DesktopPictureProvider when
// "desktopInheritFromSystem" is on, else "desktopBackgroundImage" with its scaling mode), the
// whole at the alpha "desktopTransparency" where a compositor runs. The shell orders it in and
// out and sets its level. One shared instance, made on first use; it owns its window. Main thread
// only.

// The picture; image scaling 0 proportionally down, 1 axes independently, 2 none, 3
// proportionally up or down, drawn over the view's bounds by the content view below it (so the
// backdrop's alpha applies to colour and picture as one). A click in dashboard mode runs the
// deactivate handler.
class QPainter;

class TDesktopImageView : public QWidget {
    Q_OBJECT
public:
    explicit TDesktopImageView(QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    qint32 imageScaling() const { return m_imageScaling; }
    void setImageScaling(qint32 scaling);
    void drawPicture(QPainter& painter, const QRect& bounds) const;

    // What a click on the backdrop in dashboard mode runs (the shell sends the program to the
    // background); empty does nothing.
    static void setDeactivateHandler(std::function<void()> handler);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void redisplay();

    QImage m_image;
    qint32 m_imageScaling = 0;
};

// The content view: the colour, and the alpha of everything it shows.
class TDesktopBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit TDesktopBackgroundView(QWidget* parent = nullptr);

    double alphaValue() const { return m_alpha; }
    void setAlphaValue(double alpha);
    void setImageView(TDesktopImageView* view) { m_imageView = view; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_alpha = 1.0;
    TDesktopImageView* m_imageView = nullptr; // a child
};

class TDesktopWindowController : public QObject {
    Q_OBJECT
public:
    static TDesktopWindowController* sharedController();
    // Deletes the shared controller (the shell at exit, tests between cases).
    static void destroyShared();

    TDesktopWindowController();
    ~TDesktopWindowController() override;

    QWidget* window() const { return m_window; }
    TDesktopBackgroundView* contentView() const { return m_contentView; }
    TDesktopImageView* imageView() const { return m_imageView; }
    QString desktopImagePath() const { return m_desktopImagePath; }

    bool isVisible() const;
    void reposition();
    void updatePicture();
    // The program becomes active: a desktop picture changed meanwhile is taken in.
    void applicationWillBecomeActive();

    // The image scaling for a scaling mode of the preferences (none: unchanged).
    static std::optional<qint32> imageScalingForMode(qint64 mode);
    // The preferences' mode for a scaling the desktop gives (none given: 0).
    static qint64 modeForSystemScaling(std::optional<qint32> scaling);

private:
    void defaultsChanged(const QString& key);

    QWidget* m_window = nullptr;
    TDesktopBackgroundView* m_contentView = nullptr;
    TDesktopImageView* m_imageView = nullptr;
    QString m_desktopImagePath;
};
