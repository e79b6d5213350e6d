#pragma once

#include "toolkit/NSImageAndTextBarItem.h"

#include <functional>

class QToolButton;

// A badge of a task row's status bar: a borderless button showing a 16 x 16 image of the
// application's resources, and a title beside it when it has one. Made by badgeWithImageNamed; the
// status bar owns it once added. Main thread only.
class TStatusBarBadge : public NSImageAndTextBarItem {
    Q_OBJECT
public:
    // A new badge (owned by the caller until added to a bar). A dark style shows the image's
    // colour-inverted copy, otherwise the image as a template. An empty title shows the image alone;
    // an empty help gives no tool tip. action runs when the button is clicked.
    static TStatusBarBadge* badgeWithImageNamed(const QString& imageName, const QString& title,
                                                const QString& help, bool darkStyle,
                                                std::function<void()> action);

    QToolButton* button() const { return m_button; }
    // The badge keeps its button as it is.
    void itemWillArrange() override {}

private:
    explicit TStatusBarBadge(QToolButton* button);

    QToolButton* m_button; // owned by the badge
};
