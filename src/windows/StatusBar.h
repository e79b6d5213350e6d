#pragma once

#include "toolkit/NSItemBar.h"

// The strip of badges and the due date a task row shows beside or below its text: an item bar
// drawn as a faint rounded panel under its items. Owned by its task row's view. Main thread only.
class TStatusBar : public NSItemBar {
    Q_OBJECT
public:
    using NSItemBar::NSItemBar;

protected:
    void paintEvent(QPaintEvent* event) override;
};
