#pragma once

#include <QColor>
#include <QScrollBar>

// A flat scroll bar without arrows: a rounded track in the background colour and a rounded knob in
// the slider colour, narrowed across the bar by the knob inset on each side. The corner radius
// follows the control size (regular 8, small 6, mini 4); the knob's is that less the inset. Made
// with a white knob, a white track and an inset of 2. Colours and inset take effect at the next
// repaint. Main thread only, owned by its parent widget.
class NSColoredScroller : public QScrollBar {
    Q_OBJECT
public:
    enum class ControlSize { Regular, Small, Mini };

    explicit NSColoredScroller(QWidget* parent = nullptr);
    NSColoredScroller(Qt::Orientation orientation, QWidget* parent = nullptr);

    // New scrollers (owned by the caller, or by the parent once added to a scroll area).
    static NSColoredScroller* scroller();
    static NSColoredScroller* horizontalScroller(ControlSize size);
    static NSColoredScroller* verticalScroller(ControlSize size);
    static NSColoredScroller* horizontalScroller(ControlSize size, const QColor& sliderColor,
                                                 const QColor& backgroundColor);
    static NSColoredScroller* verticalScroller(ControlSize size, const QColor& sliderColor,
                                               const QColor& backgroundColor);

    void setKnobInset(int inset) { m_knobInset = inset; }
    void setSliderColor(const QColor& colour) { m_sliderColor = colour; }
    void setBackgroundColor(const QColor& colour) { m_backgroundColor = colour; }
    void setControlSize(ControlSize size) { m_controlSize = size; }
    int knobInset() const { return m_knobInset; }
    QColor sliderColor() const { return m_sliderColor; }
    QColor backgroundColor() const { return m_backgroundColor; }
    ControlSize controlSize() const { return m_controlSize; }

    bool isVertical() const; // taller than wide
    double trackRadius() const;
    double knobRadius() const;
    QRect knobRect() const; // the knob before the inset, as the style places it

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_sliderColor = Qt::white;
    QColor m_backgroundColor = Qt::white;
    int m_knobInset = 2;
    ControlSize m_controlSize = ControlSize::Regular;
};
