#include "NSColoredScroller.h"

#include "utilities/CGDrawing.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace {

// No arrow buttons: the style sheet gives them no room, so the knob's place and the mouse agree.
const char* const kNoArrows =
    "QScrollBar { border: none; background: none; margin: 0px; }"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; "
    "background: none; }";

NSColoredScroller* withColours(NSColoredScroller* scroller, const QColor& sliderColor,
                               const QColor& backgroundColor) {
    scroller->setSliderColor(sliderColor);
    scroller->setBackgroundColor(backgroundColor);
    return scroller;
}

} // namespace

NSColoredScroller::NSColoredScroller(QWidget* parent) : NSColoredScroller(Qt::Vertical, parent) {}

NSColoredScroller::NSColoredScroller(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    setStyleSheet(QLatin1String(kNoArrows));
}

NSColoredScroller* NSColoredScroller::scroller() {
    auto* s = new NSColoredScroller;
    s->setGeometry(0, 0, 0, 0);
    return s;
}

NSColoredScroller* NSColoredScroller::horizontalScroller(ControlSize size) {
    auto* s = new NSColoredScroller(Qt::Horizontal);
    s->setGeometry(0, 0, 1, 0);
    s->setControlSize(size);
    return s;
}

NSColoredScroller* NSColoredScroller::verticalScroller(ControlSize size) {
    auto* s = new NSColoredScroller(Qt::Vertical);
    s->setGeometry(0, 0, 0, 1);
    s->setControlSize(size);
    return s;
}

NSColoredScroller* NSColoredScroller::horizontalScroller(ControlSize size, const QColor& sliderColor,
                                                         const QColor& backgroundColor) {
    return withColours(horizontalScroller(size), sliderColor, backgroundColor);
}

NSColoredScroller* NSColoredScroller::verticalScroller(ControlSize size, const QColor& sliderColor,
                                                       const QColor& backgroundColor) {
    return withColours(verticalScroller(size), sliderColor, backgroundColor);
}

bool NSColoredScroller::isVertical() const {
    return height() > width();
}

double NSColoredScroller::trackRadius() const {
    switch (m_controlSize) {
    case ControlSize::Regular:
        return 8;
    case ControlSize::Small:
        return 6;
    case ControlSize::Mini:
        return 4;
    }
    return 0;
}

double NSColoredScroller::knobRadius() const {
    return trackRadius() - m_knobInset;
}

QRect NSColoredScroller::knobRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void NSColoredScroller::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = trackRadius();
    CGUtilities::CGContextSetRGBFillColor(painter, m_backgroundColor);
    CGUtilities::CGContextFillRoundedRect(painter, QRectF(0, 0, width(), height()), r, r);
    const int inset = m_knobInset;
    const QRectF knob = QRectF(knobRect())
                            .adjusted(isVertical() ? inset : 0, isVertical() ? 0 : inset,
                                      isVertical() ? -inset : 0, isVertical() ? 0 : -inset);
    CGUtilities::CGContextSetRGBFillColor(painter, m_sliderColor);
    CGUtilities::CGContextFillRoundedRect(painter, knob, std::max(0.0, knobRadius()),
                                          std::max(0.0, knobRadius()));
}
