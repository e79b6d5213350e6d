#pragma once

#include <QRect>
#include <QWidget>

// A frameless window for the transition between a stack and its cards. An animated frame change
// takes animationResizeTime() (or the time given by a subclass), in steps on the platform
// scheduler. Main thread only.
class TStackTransitionWindow : public QWidget {
    Q_OBJECT
public:
    explicit TStackTransitionWindow(QWidget* parent = nullptr);
    TStackTransitionWindow(double resizeTime, QWidget* parent);
    ~TStackTransitionWindow() override;

    static double animationResizeTime() { return 0.15; }
    // Gives the window the frame (Qt coordinates): at once, or stepping there over
    // animationResizeTime(); a new change replaces one in progress.
    void setFrame(const QRect& frame, bool animate);
    bool isAnimating() const;

private:
    void step();

    double m_resizeTime = animationResizeTime();
    QRect m_from;
    QRect m_to;
    int m_step = 0;
};
