#pragma once

#include <QWidget>

class ScreenProvider;

// A frameless, clear, shadowless window. With keepFullScreenAlways it covers the whole main screen
// and follows changes of the screens. Owned by its creator; main thread only.
class NSTransparentWindow : public QWidget {
    Q_OBJECT
public:
    explicit NSTransparentWindow(const QRect& contentRect = {}, ScreenProvider* screens = nullptr);

    // New windows, owned by the caller: one of the size at the origin, and an empty one to make
    // cover the screen with setKeepFullScreenAlways(true).
    static NSTransparentWindow* windowOfSize(const QSize& size);
    static NSTransparentWindow* fullScreenWindow();

    // Shows the window in front, whether or not the program is active; with the flag set, the
    // window takes the main screen's whole frame.
    void setKeepFullScreenAlways(bool keep);
    bool keepFullScreenAlways() const { return m_keepFullScreenAlways; }

private:
    void screenParametersChanged();
    ScreenProvider& screens() const;

    ScreenProvider* m_screens;
    bool m_keepFullScreenAlways = false;
};
