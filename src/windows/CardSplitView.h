#pragma once

#include <QSplitter>

// The card window's split view: the sidebar (pane 0) and the card's content. Its divider is drawn
// only while the sidebar shows. sliderPosition is the sidebar's width, 0 when collapsed. Owned by
// its parent widget; main thread only.
class TCardSplitView : public QSplitter {
    Q_OBJECT
public:
    explicit TCardSplitView(QWidget* parent = nullptr);
    double sliderPosition() const;
    // Moves divider 0 to the position (the sidebar's width), within the sidebar's limits or to 0.
    void setSliderPosition(double position);
    static QColor dividerColor();
    static constexpr double kMinimumSidebarWidth = 100.0;
    // The widest sidebar: 216 less the divider's thickness.
    double maximumSidebarWidth() const { return 216.0 - handleWidth(); }

protected:
    QSplitterHandle* createHandle() override;
    void childEvent(QChildEvent* event) override;

private:
    void applySidebarLimits();
};
